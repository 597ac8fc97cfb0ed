#include "uProfileStates.h"

#include "fBase.h"
#include "uGUIUtils.h"

#include <QEvent>
#include <QHeaderView>
#include <QTimer>

namespace prolamo {

TProfileStates::TProfileStates(const TImageList& images, std::function<TConfigurations*()> managed, QWidget* parent)
    : QTreeWidget(parent), tmrStep(new QTimer(this)), images_(images), managed_(std::move(managed)) {
    setColumnCount(2);
    setHeaderLabels({tr("Setting"), tr("State")});
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(colSetting, QHeaderView::Stretch);
    header()->setSectionResizeMode(colState, QHeaderView::ResizeToContents);
    tmrStep->setObjectName(QStringLiteral("tmrStep"));
    tmrStep->setSingleShot(true);
    tmrStep->setInterval(0);
    connect(tmrStep, &QTimer::timeout, this, &TProfileStates::tmrStepTimer);
    window()->installEventFilter(this);
}

void TProfileStates::Show(const TConfiguration* configuration, const TConfigurationProfile* profile) {
    tmrStep->stop();
    waiting_ = false;
    clear();
    next_ = 0;
    if (!configuration || !profile) {
        configuration_ = {};
        profile_.clear();
        return;
    }
    configuration_ = TConfigurationPlace(*configuration);
    profile_ = profile->Name();
    for (const TSetting* setting : configuration->Settings()) {
        auto* item = new QTreeWidgetItem(this);
        const QString text = ToQString(setting->GetFullDisplayText());
        item->setText(colSetting, text);
        item->setToolTip(colSetting, text);
        item->setIcon(colSetting, images_.Icon(setting->SettingClass().GetImageIndex()));
        item->setText(colState, tr("checking..."));
    }
    tmrStep->start();
}

bool TProfileStates::Checking() const {
    return tmrStep->isActive() || waiting_;
}

void TProfileStates::tmrStepTimer() {
    // A run writes to the machine while its window has this one disabled.
    if (!window()->isVisible() || !window()->isEnabled()) {
        waiting_ = true;
        return;
    }
    TConfiguration* configuration = configuration_.Find(managed_());
    const TConfigurationProfile* profile = configuration ? configuration->Profiles().Find(profile_) : nullptr;
    if (!profile || static_cast<std::size_t>(topLevelItemCount()) != configuration->Settings().Count()) {
        Show(configuration, profile);
        return;
    }
    if (next_ >= topLevelItemCount())
        return;
    QTreeWidgetItem* item = topLevelItem(next_);
    const TSettingChange change = PreviewSetting(*profile, configuration->Settings()[static_cast<std::size_t>(next_)]);
    ++next_;
    item->setText(colState, ToQString(ChangeStateText(change.state)));
    QString tip;
    if (change.state == TChangeState::CannotRead)
        tip = ToQString(change.error);
    else if (change.state == TChangeState::WillChange)
        tip = tr("Now: %1\nAfter an apply: %2").arg(ToQString(change.now), ToQString(change.after));
    else if (change.state == TChangeState::Unchanged)
        tip = ToQString(change.after);
    item->setToolTip(colState, tip);
    if (change.state == TChangeState::WillChange || change.state == TChangeState::CannotRead) {
        QFont font = item->font(colState);
        font.setBold(true);
        item->setFont(colState, font);
    }
    if (next_ < topLevelItemCount())
        tmrStep->start();
}

bool TProfileStates::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window() && waiting_ && (event->type() == QEvent::EnabledChange || event->type() == QEvent::Show) &&
        window()->isVisible() && window()->isEnabled()) {
        waiting_ = false;
        tmrStep->start();
    }
    return QTreeWidget::eventFilter(watched, event);
}

} // namespace prolamo
