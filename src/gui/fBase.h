#pragma once

#include <QDialog>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QList>
#include <QListWidget>
#include <QPointer>
#include <QString>

#include <functional>
#include <initializer_list>
#include <vector>

class QAbstractItemView;
class QAction;
class QListWidget;
class QMenu;
class QListWidgetItem;
class QToolBar;
class QToolButton;

namespace prolamo {

// A list of pictures addressed by index, as the setting kinds and the actions name them.
class TImageList : public QObject {
    Q_OBJECT

public:
    TImageList(const QString& name, QObject* parent);
    // Answers the new picture's index, or -1 for an empty picture.
    int Add(const QIcon& icon);
    int Count() const { return static_cast<int>(icons_.size()); }
    // An empty picture for an index outside the list.
    QIcon Icon(int index) const;

private:
    QList<QIcon> icons_;
};

// A list of pictures with text whose items can show an info tip, and which keeps its items in the
// order of their texts as the user's locale orders names.
class TListView : public QListWidget {
    Q_OBJECT

public:
    explicit TListView(QWidget* parent);
    // Item's info tip; no tip when this answers an empty text.
    std::function<QString(QListWidgetItem*)> OnInfoTip;
    QString InfoTip(QListWidgetItem* item) const { return OnInfoTip && item ? OnInfoTip(item) : QString(); }
    // Adds an item whose data is Data, with picture Index of Images (kept in ImageIndexRole).
    QListWidgetItem* AddItem(const QString& text, const TImageList& images, int index, void* data);
    static constexpr int ImageIndexRole = Qt::UserRole + 1;
    static void* DataOf(const QListWidgetItem* item);
    // Puts the items in the order of their texts.
    void SortByText();

    // What is selected, by the items' data, so that a refilled list can show it again.
    struct TSelection {
        std::vector<void*> selected;
        void* current = nullptr;
    };
    TSelection Selection() const;
    // Selects the items whose data was selected; data no item carries any more is passed over.
    void RestoreSelection(const TSelection& selection);

protected:
    bool viewportEvent(QEvent* event) override;
};

// A label that reports clicks: link labels and clickable pictures.
class TClickLabel : public QLabel {
    Q_OBJECT

public:
    explicit TClickLabel(QWidget* parent);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A line of text that ends in "..." where the label is narrower than the text, at whatever width
// the layout gives it, and shows whole as its tip.
class TElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit TElidedLabel(QWidget* parent);
    void SetFullText(const QString& text);
    const QString& FullText() const { return full_; }
    // Any width: the text adapts.
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Elide();

    QString full_;
};

// Makes a toolbar one stop of its window's tab order, as a native toolbar is: Tab enters it on the
// button last used (or its first enabled one), the arrow keys move between its buttons, and Tab
// leaves it for the window's next stop.
class TToolBarTabStop : public QObject {
    Q_OBJECT

public:
    explicit TToolBarTabStop(QToolBar* toolbar);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<QToolButton*> EnabledButtons() const;
    void Enter();
    void Move(QToolButton* from, bool forward);
    void Leave(bool forward);

    QToolBar* toolbar_;
    QPointer<QToolButton> current_;
};

// A caption as a screen reader says it: without its accelerator marks.
QString WithoutAccelerators(const QString& caption);

// Gives every focusable control under Root that has no accessible name one: a button its action's
// caption (or hint) or its own caption, a field the text of the label whose buddy it is, any other
// control its tool tip.
void NameControls(QWidget& root);

// The base of every window: the action list, the image lists and help on F1.
class TfrmBase : public QDialog {
    Q_OBJECT

public:
    explicit TfrmBase(QWidget* parent = nullptr);
    ~TfrmBase() override;

    // The area between the menu bar and the status bars, which holds the window's layout.
    QWidget* Client() const { return client_; }

    const QString& HelpKeyword() const { return helpKeyword_; }
    void SetHelpKeyword(const QString& keyword) { helpKeyword_ = keyword; }
    // Shows the window's help topic; nothing without a keyword.
    void ShowFormHelp();

    // Runs every action's update handler and the window's other idle-time work.
    virtual void UpdateActions() {}
    // The idle moment: updates every visible, enabled window of this family.
    static void IdleAll();

    QObject* aclActions;
    TImageList* imlActionsEnabled;
    TImageList* imlActionsDisabled;
    TImageList* imlImages;

protected:
    // A new action of the action list; its picture comes from the action image lists.
    QAction* NewAction(const char* name, const QString& category, const QString& caption, const QString& hint,
                       int imageIndex);
    // Runs Handler when Action executes; an error it raises shows in the standard error box.
    template <class Form> void OnExecute(QAction* action, void (Form::*handler)(QAction*)) {
        ConnectExecute(action, [this, action, handler] { (static_cast<Form*>(this)->*handler)(action); });
    }
    QIcon ActionIcon(int index) const;
    void SetMenuBar(QWidget* menuBar);
    // Below the client area.
    void SetStatusBar(QWidget* statusBar);
    // A toolbar of 16 by 16 pictures that shows the hints of its actions.
    QToolBar* NewToolBar(const char* name, Qt::Orientation orientation);
    // An entry of Menu that shows Action's caption, picture and enabled state and executes it.
    QAction* AddMenuItem(QMenu* menu, const char* name, QAction* action);
    // A button of Toolbar bound to Action.
    QToolButton* AddToolButton(QToolBar* toolbar, const char* name, QAction* action);
    // Gives List the keyboard of its actions: Enter on an item runs ItemAction (and never the
    // dialog's OK), each action's shortcut works while the list has the focus, and the context menu
    // (also Shift+F10 and the menu key) lists them all.
    void BindListActions(QAbstractItemView* list, QAction* itemAction, std::initializer_list<QAction*> actions);
    // Key runs Action anywhere in the window, and the menus show it.
    void SetWindowShortcut(QAction* action, const QKeySequence& key);

    void showEvent(QShowEvent* event) override;

private:
    void ConnectExecute(QAction* action, std::function<void()> handler);

    QWidget* client_;
    QString helpKeyword_;
};

} // namespace prolamo
