#include "fBase.h"

#include "uGUIUtils.h"
#include "uPictures.h"

#include <QAbstractEventDispatcher>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QResizeEvent>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include "profiles/uProfileSettings.h"

#include <algorithm>

namespace prolamo {

namespace {

// The action pictures by index: new, edit, delete, help, refresh selected, refresh all, apply all,
// apply selected, undo.
const char* const ActionPictures[] = {"new",        "edit",     "delete", "help", "refresh",
                                      "refreshall", "applyall", "apply",  "undo"};
// The list pictures by index, as the setting kinds name them.
const char* const ListPictures[] = {"value",       "novalue", "tcpip",    "ieproxy", "hosts",   "file", "timezone",
                                    "environment", "printer", "netdrive", "setting", "firefox", "opera"};

// The greyed form of a picture: its brightness in grey, paler, with the same transparency.
QImage Greyed(const QImage& source) {
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grey = 128 + qGray(line[x]) / 2;
            line[x] = qRgba(grey, grey, grey, qAlpha(line[x]) * 3 / 4);
        }
    }
    return image;
}

struct Pictures {
    QList<QIcon> actionsEnabled;
    QList<QIcon> actionsDisabled;
    QList<QIcon> images;
};

const Pictures& LoadedPictures() {
    static const Pictures pictures = [] {
        Pictures loaded;
        for (const char* name : ActionPictures) {
            const QString picture = QStringLiteral("actions/%1").arg(QLatin1String(name));
            QIcon enabled;
            QIcon disabled;
            for (int size : {16, 32}) {
                const QImage image = RenderPicture(picture, size);
                enabled.addPixmap(QPixmap::fromImage(image), QIcon::Normal);
                enabled.addPixmap(QPixmap::fromImage(Greyed(image)), QIcon::Disabled);
                disabled.addPixmap(QPixmap::fromImage(Greyed(image)), QIcon::Normal);
            }
            loaded.actionsEnabled << enabled;
            loaded.actionsDisabled << disabled;
        }
        for (const char* name : ListPictures) {
            const QString picture = QStringLiteral("images/%1").arg(QLatin1String(name));
            QIcon icon;
            for (int size : {16, 32})
                icon.addPixmap(QPixmap::fromImage(RenderPicture(picture, size)));
            loaded.images << icon;
        }
        return loaded;
    }();
    return pictures;
}

std::vector<TfrmBase*>& LiveForms() {
    static std::vector<TfrmBase*> forms;
    return forms;
}

void HookIdle() {
    static bool hooked = false;
    if (hooked || !QAbstractEventDispatcher::instance())
        return;
    hooked = true;
    // The moment the event loop runs out of work is the toolkit's idle time.
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &TfrmBase::IdleAll);
}

// Enter on a list's item runs the item's action; without this the dialog would take it for OK.
class TItemEnter : public QObject {
public:
    TItemEnter(QAbstractItemView* list, TfrmBase& form, QAction* action)
        : QObject(list), list_(list), form_(form), action_(action) {
        list->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != list_ || event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) || key->modifiers() & ~Qt::KeypadModifier ||
            !list_->currentIndex().isValid())
            return false;
        form_.UpdateActions();
        if (action_->isEnabled())
            action_->trigger();
        return true;
    }

private:
    QAbstractItemView* list_;
    TfrmBase& form_;
    QAction* action_;
};

// The label whose buddy Widget is, among the labels of Root.
const QLabel* BuddyLabel(const QWidget& root, const QWidget& widget) {
    for (const QLabel* label : root.findChildren<QLabel*>())
        if (label->buddy() == &widget)
            return label;
    return nullptr;
}

QString AccessibleNameOf(const QWidget& root, const QWidget& widget) {
    if (const auto* button = qobject_cast<const QToolButton*>(&widget); button && button->defaultAction()) {
        const QAction& action = *button->defaultAction();
        return WithoutAccelerators(action.text().isEmpty() ? action.property("hint").toString() : action.text());
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget); button && !button->text().isEmpty())
        return WithoutAccelerators(button->text());
    if (const QLabel* label = BuddyLabel(root, widget))
        return WithoutAccelerators(label->text());
    return widget.toolTip();
}

} // namespace

QString WithoutAccelerators(const QString& caption) {
    QString text;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size())
            ++i;
        text += caption[i];
    }
    return text;
}

void NameControls(QWidget& root) {
    for (QWidget* widget : root.findChildren<QWidget*>()) {
        // A toolbar's buttons take the focus by the arrow keys only.
        const auto* button = qobject_cast<QToolButton*>(widget);
        if (!(widget->focusPolicy() & Qt::TabFocus) && !(button && button->defaultAction()))
            continue;
        if (widget->accessibleName().isEmpty())
            widget->setAccessibleName(AccessibleNameOf(root, *widget));
    }
}

TImageList::TImageList(const QString& name, QObject* parent) : QObject(parent) {
    setObjectName(name);
}

int TImageList::Add(const QIcon& icon) {
    if (icon.isNull())
        return -1;
    icons_ << icon;
    return Count() - 1;
}

QIcon TImageList::Icon(int index) const {
    return index >= 0 && index < Count() ? icons_.at(index) : QIcon();
}

TListView::TListView(QWidget* parent) : QListWidget(parent) {
    setViewMode(QListView::ListMode);
    setIconSize(QSize(16, 16));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
}

QListWidgetItem* TListView::AddItem(const QString& text, const TImageList& images, int index, void* data) {
    auto* item = new QListWidgetItem(images.Icon(index), text, this);
    item->setData(Qt::UserRole, QVariant::fromValue(data));
    item->setData(ImageIndexRole, index);
    return item;
}

void* TListView::DataOf(const QListWidgetItem* item) {
    return item ? item->data(Qt::UserRole).value<void*>() : nullptr;
}

void TListView::SortByText() {
    std::vector<QListWidgetItem*> items;
    while (count() > 0)
        items.push_back(takeItem(0));
    std::stable_sort(items.begin(), items.end(), [](const QListWidgetItem* a, const QListWidgetItem* b) {
        return NameLess(ToUtf8(a->text()), ToUtf8(b->text()));
    });
    for (QListWidgetItem* item : items)
        addItem(item);
}

TListView::TSelection TListView::Selection() const {
    TSelection selection;
    for (int row = 0; row < count(); ++row)
        if (const QListWidgetItem* each = item(row); each->isSelected())
            selection.selected.push_back(DataOf(each));
    selection.current = DataOf(currentItem());
    return selection;
}

void TListView::RestoreSelection(const TSelection& selection) {
    for (int row = 0; row < count(); ++row) {
        QListWidgetItem* each = item(row);
        void* data = DataOf(each);
        if (data == selection.current)
            setCurrentItem(each, QItemSelectionModel::NoUpdate);
        each->setSelected(std::find(selection.selected.begin(), selection.selected.end(), data) !=
                          selection.selected.end());
    }
}

bool TListView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString tip = InfoTip(itemAt(help->pos()));
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, viewport());
        return true;
    }
    return QListWidget::viewportEvent(event);
}

TClickLabel::TClickLabel(QWidget* parent) : QLabel(parent) {}

void TClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

TElidedLabel::TElidedLabel(QWidget* parent) : QLabel(parent) {}

void TElidedLabel::SetFullText(const QString& text) {
    full_ = text;
    setToolTip(text);
    Elide();
}

QSize TElidedLabel::minimumSizeHint() const {
    return {0, QLabel::minimumSizeHint().height()};
}

void TElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    Elide();
}

void TElidedLabel::Elide() {
    const QString line = QString(full_).replace(QLatin1Char('\n'), QLatin1Char(' '));
    setText(fontMetrics().elidedText(line, Qt::ElideRight, contentsRect().width()));
}

TToolBarTabStop::TToolBarTabStop(QToolBar* toolbar) : QObject(toolbar), toolbar_(toolbar) {
    toolbar->setFocusPolicy(Qt::TabFocus);
    toolbar->installEventFilter(this);
    for (QToolButton* button : toolbar->findChildren<QToolButton*>(QString(), Qt::FindDirectChildrenOnly)) {
        // Reached through the toolbar only; a button that has the focus still shows it.
        button->setFocusPolicy(Qt::NoFocus);
        button->installEventFilter(this);
    }
}

std::vector<QToolButton*> TToolBarTabStop::EnabledButtons() const {
    std::vector<QToolButton*> buttons;
    for (QAction* action : toolbar_->actions())
        if (auto* button = qobject_cast<QToolButton*>(toolbar_->widgetForAction(action));
            button && button->focusPolicy() == Qt::NoFocus && button->isEnabled() && button->isVisibleTo(toolbar_))
            buttons.push_back(button);
    return buttons;
}

void TToolBarTabStop::Enter() {
    const std::vector<QToolButton*> buttons = EnabledButtons();
    if (buttons.empty())
        return;
    QToolButton* target =
        std::find(buttons.begin(), buttons.end(), current_.data()) != buttons.end() ? current_.data() : buttons.front();
    target->setFocus(Qt::TabFocusReason);
}

void TToolBarTabStop::Move(QToolButton* from, bool forward) {
    const std::vector<QToolButton*> buttons = EnabledButtons();
    const auto at = std::find(buttons.begin(), buttons.end(), from);
    if (at == buttons.end())
        return;
    const std::ptrdiff_t index = at - buttons.begin() + (forward ? 1 : -1);
    if (index < 0 || index >= static_cast<std::ptrdiff_t>(buttons.size()))
        return;
    QToolButton* target = buttons[static_cast<std::size_t>(index)];
    current_ = target;
    target->setFocus(Qt::OtherFocusReason);
}

void TToolBarTabStop::Leave(bool forward) {
    // The window's next stop outside the toolbar, wherever its buttons sit in the focus chain.
    QWidget* window = toolbar_->window();
    QWidget* widget = toolbar_;
    for (;;) {
        widget = forward ? widget->nextInFocusChain() : widget->previousInFocusChain();
        if (widget == toolbar_)
            return;
        if (toolbar_->isAncestorOf(widget) || widget->window() != window)
            continue;
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisible() && widget->isEnabled()) {
            widget->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return;
        }
    }
}

bool TToolBarTabStop::eventFilter(QObject* watched, QEvent* event) {
    if (watched == toolbar_) {
        if (event->type() == QEvent::FocusIn)
            Enter();
        return false;
    }
    auto* button = qobject_cast<QToolButton*>(watched);
    if (!button)
        return false;
    if (event->type() == QEvent::FocusIn)
        current_ = button;
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool modified = key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    switch (key->key()) {
    case Qt::Key_Tab:
        if (modified || key->modifiers() & Qt::ShiftModifier)
            return false;
        Leave(true);
        return true;
    case Qt::Key_Backtab:
        if (modified)
            return false;
        Leave(false);
        return true;
    case Qt::Key_Left:
    case Qt::Key_Up:
        Move(button, false);
        return true;
    case Qt::Key_Right:
    case Qt::Key_Down:
        Move(button, true);
        return true;
    default:
        return false;
    }
}

TfrmBase::TfrmBase(QWidget* parent)
    : QDialog(parent), aclActions(new QObject(this)),
      imlActionsEnabled(new TImageList(QStringLiteral("imlActionsEnabled"), this)),
      imlActionsDisabled(new TImageList(QStringLiteral("imlActionsDisabled"), this)),
      imlImages(new TImageList(QStringLiteral("imlImages"), this)), client_(new QWidget(this)) {
    aclActions->setObjectName(QStringLiteral("aclActions"));
    const Pictures& pictures = LoadedPictures();
    for (const QIcon& icon : pictures.actionsEnabled)
        imlActionsEnabled->Add(icon);
    for (const QIcon& icon : pictures.actionsDisabled)
        imlActionsDisabled->Add(icon);
    for (const QIcon& icon : pictures.images)
        imlImages->Add(icon);

    client_->setObjectName(QStringLiteral("client"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(client_, 1);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMaximizeButtonHint);

    // F1 anywhere in the window, and nothing else, asks for the window's help.
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, &TfrmBase::ShowFormHelp);

    LiveForms().push_back(this);
    HookIdle();
}

TfrmBase::~TfrmBase() {
    std::erase(LiveForms(), this);
}

void TfrmBase::SetMenuBar(QWidget* menuBar) {
    layout()->setMenuBar(menuBar);
}

void TfrmBase::SetStatusBar(QWidget* statusBar) {
    layout()->addWidget(statusBar);
}

void TfrmBase::ShowFormHelp() {
    if (!helpKeyword_.isEmpty())
        ShowHelpTopic(helpKeyword_, this);
}

void TfrmBase::IdleAll() {
    // A copy: an update handler may close a window.
    const std::vector<TfrmBase*> forms = LiveForms();
    for (TfrmBase* form : forms) {
        if (std::find(LiveForms().begin(), LiveForms().end(), form) == LiveForms().end())
            continue;
        if (!form->isVisible() || !form->isEnabled())
            continue;
        try {
            form->UpdateActions();
        } catch (const std::exception&) {
            // An update handler has nothing to report; the next idle moment tries again.
        }
    }
}

QIcon TfrmBase::ActionIcon(int index) const {
    QIcon icon = imlActionsEnabled->Icon(index);
    return icon;
}

QAction* TfrmBase::NewAction(const char* name, const QString& category, const QString& caption, const QString& hint,
                             int imageIndex) {
    auto* action = new QAction(aclActions);
    action->setObjectName(QLatin1String(name));
    action->setProperty("category", category);
    action->setText(caption);
    action->setProperty("hint", hint);
    if (!hint.isEmpty()) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
    } else {
        // Without a hint the caption would show as the tool tip.
        action->setToolTip(QString());
    }
    if (imageIndex >= 0)
        action->setIcon(ActionIcon(imageIndex));
    return action;
}

QToolBar* TfrmBase::NewToolBar(const char* name, Qt::Orientation orientation) {
    auto* toolbar = new QToolBar(client_);
    toolbar->setObjectName(QLatin1String(name));
    toolbar->setOrientation(orientation);
    toolbar->setIconSize(QSize(16, 16));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->setContentsMargins(0, 0, 0, 0);
    if (QLayout* layout = toolbar->layout()) {
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
    }
    return toolbar;
}

QAction* TfrmBase::AddMenuItem(QMenu* menu, const char* name, QAction* action) {
    auto* item = new QAction(menu);
    item->setObjectName(QLatin1String(name));
    const auto follow = [item, action] {
        // The key shows after a tab; the action itself owns the shortcut.
        const QString key = action->shortcut().toString(QKeySequence::NativeText);
        item->setText(key.isEmpty() ? action->text() : action->text() + QLatin1Char('\t') + key);
        item->setIcon(action->icon());
        item->setEnabled(action->isEnabled());
        item->setStatusTip(action->statusTip());
    };
    follow();
    connect(action, &QAction::changed, item, follow);
    connect(item, &QAction::triggered, action, [action] { action->trigger(); });
    menu->addAction(item);
    return item;
}

QToolButton* TfrmBase::AddToolButton(QToolBar* toolbar, const char* name, QAction* action) {
    auto* button = new QToolButton(toolbar);
    button->setObjectName(QLatin1String(name));
    button->setDefaultAction(action);
    button->setAutoRaise(true);
    button->setFixedSize(23, 22);
    button->setIconSize(QSize(16, 16));
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setFocusPolicy(Qt::TabFocus);
    toolbar->addWidget(button);
    return button;
}

void TfrmBase::BindListActions(QAbstractItemView* list, QAction* itemAction, std::initializer_list<QAction*> actions) {
    if (itemAction)
        new TItemEnter(list, *this, itemAction);
    list->setContextMenuPolicy(Qt::ActionsContextMenu);
    for (QAction* action : actions) {
        // Delete in the window's name field edits the name.
        action->setShortcutContext(Qt::WidgetShortcut);
        list->addAction(action);
    }
}

void TfrmBase::SetWindowShortcut(QAction* action, const QKeySequence& key) {
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
}

void TfrmBase::showEvent(QShowEvent* event) {
    NameControls(*this);
    QDialog::showEvent(event);
}

void TfrmBase::ConnectExecute(QAction* action, std::function<void()> handler) {
    connect(action, &QAction::triggered, this, [handler = std::move(handler)] { RunGuarded(handler); });
}

} // namespace prolamo
