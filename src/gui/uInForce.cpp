#include "uInForce.h"

#include "profiles/uProfilePreview.h"
#include "uGUIUtils.h"

#include <QDateTime>
#include <QEvent>
#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace prolamo {

namespace {

// A snapshot's time in local time, to the minute.
QString LocalTime(const std::string& utc) {
    QDateTime time = QDateTime::fromString(ToQString(utc), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    time.setTimeSpec(Qt::UTC);
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

} // namespace

TInForceCheck::TInForceCheck(QWidget& window, std::function<TConfigurations*()> managed)
    : QObject(&window), tmrStep(new QTimer(this)), window_(window), managed_(std::move(managed)) {
    tmrStep->setObjectName(QStringLiteral("tmrStep"));
    tmrStep->setSingleShot(true);
    tmrStep->setInterval(0);
    connect(tmrStep, &QTimer::timeout, this, &TInForceCheck::tmrStepTimer);
    window.installEventFilter(this);
}

void TInForceCheck::Follow(const TProfileHistory& history, const TConfiguration* configuration) {
    const TProfileSnapshot* applied =
        configuration ? history.NewestApply(GetConfigurationsRoot(), *configuration, managed_()) : nullptr;
    const bool same = configuration ? configuration_ == TConfigurationPlace(*configuration) : !configuration_;
    if (same && profile_ == (applied ? std::optional(applied->Profile()) : std::nullopt) &&
        time_ == (applied ? applied->Time() : std::string()))
        return;
    Restart(history, configuration);
}

void TInForceCheck::Restart(const TProfileHistory& history, const TConfiguration* configuration) {
    const TProfileSnapshot* applied =
        configuration ? history.NewestApply(GetConfigurationsRoot(), *configuration, managed_()) : nullptr;
    configuration_ = configuration ? std::optional(TConfigurationPlace(*configuration)) : std::nullopt;
    profile_ = applied ? std::optional(applied->Profile()) : std::nullopt;
    time_ = applied ? applied->Time() : std::string();
    next_ = 0;
    unreadable_.clear();
    checking_ = applied != nullptr;
    verdict_ = tr("Checking whether the machine still matches it...");
    waiting_ = false;
    tmrStep->stop();
    if (checking_)
        tmrStep->start();
    emit TextChanged();
}

QString TInForceCheck::Text() const {
    if (!configuration_)
        return {};
    if (!profile_)
        return tr("No profile of this configuration has been applied yet.");
    return tr("Applied last: %1, %2\n%3").arg(ToQString(*profile_), LocalTime(time_), verdict_);
}

void TInForceCheck::tmrStepTimer() {
    // A run writes to the machine while its window has this one disabled.
    if (!window_.isVisible() || !window_.isEnabled()) {
        waiting_ = true;
        return;
    }
    TConfiguration* configuration = configuration_->Find(managed_());
    const TConfigurationProfile* profile = configuration ? configuration->Profiles().Find(*profile_) : nullptr;
    if (!profile) {
        Finish(tr("The profile no longer exists."));
        return;
    }
    const TSettings& settings = configuration->Settings();
    if (next_ >= settings.Count()) {
        QStringList unreadable;
        for (const std::string& setting : unreadable_)
            unreadable << ToQString(setting);
        Finish(unreadable.isEmpty() ? tr("The machine still matches it.")
                                    : tr("Whether the machine still matches it cannot be told: %1 "
                                         "cannot be read.")
                                          .arg(unreadable.join(QStringLiteral(", "))));
        return;
    }
    TSetting& setting = settings[next_++];
    // Named as the lists name it: the label is a glance, its tip the whole text.
    const std::string name = setting.GetDisplayText();
    const TChangeState state = PreviewSetting(*profile, setting).state;
    if (state == TChangeState::WillChange) {
        Finish(tr("The machine no longer matches it: %1 has changed.").arg(ToQString(name)));
        return;
    }
    if (state == TChangeState::CannotRead)
        unreadable_.push_back(name);
    tmrStep->start();
}

void TInForceCheck::Finish(const QString& verdict) {
    checking_ = false;
    verdict_ = verdict;
    emit TextChanged();
}

bool TInForceCheck::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && waiting_ && (event->type() == QEvent::EnabledChange || event->type() == QEvent::Show) &&
        window_.isVisible() && window_.isEnabled()) {
        waiting_ = false;
        tmrStep->start();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace prolamo
