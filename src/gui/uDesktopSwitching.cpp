#include "uDesktopSwitching.h"

#include "fMain.h"
#include "fProgress.h"
#include "switching/uAutomaticApply.h"
#include "switching/uManaged.h"
#include "uGUIUtils.h"

#include <QApplication>
#include <QTime>
#include <QTimer>

namespace prolamo {

namespace {

constexpr int kPollMilliseconds = 500;

std::optional<TWatcherTimes>& TimesForTests() {
    static std::optional<TWatcherTimes> times;
    return times;
}

// A progress window that cannot close yet belongs to a run still going, also while the main
// window is hidden in the notification area.
bool RunGoing() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (const auto* progress = qobject_cast<TfrmProgress*>(window); progress && !progress->CanClose())
            return true;
    return false;
}

} // namespace

class TDesktopSwitching::TTarget final : public ISwitchTarget {
public:
    explicit TTarget(TDesktopSwitching& switching) : switching_(switching) {}

    TSwitchRules Rules() override { return RulesInForce(LoadRules(RulesFilePath()), LoadManagedRules().rules); }

    bool Confirm(const TSwitchRule& rule) override { return TMessageBoxes::AskYesNo(ToQString(RuleQuestion(rule))); }

    // Under the data file's lock, from what the file holds then; tried again soon while another
    // program holds it.
    bool Apply(const TSwitchRule& rule) override {
        return switching_.main_.RunAutomaticChange([this, &rule] { switching_.ApplyRule(rule); });
    }

    std::optional<std::string> Refusal(const TSwitchRule& rule) override {
        return PolicyRefusal(GetConfigurationsRoot(), rule);
    }

    bool MovedAway(const TSwitchRule& rule) override {
        const TManagedConfigurations managed = LoadManagedConfigurations();
        return MovedAwayFrom(*RuleProfile(GetConfigurationsRoot(), rule, managed.configurations.get()).profile);
    }

    void Log(const std::string& line) override { switching_.Logged(line); }

    std::optional<bool> SwitchingPolicy() override { return SystemSwitchingPolicy(); }

private:
    TDesktopSwitching& switching_;
};

TDesktopSwitching::TDesktopSwitching(TfrmMain& main)
    : QObject(&main), main_(main), target_(std::make_unique<TTarget>(*this)),
      watcher_(std::make_unique<TNetworkWatcher>(SystemNetworkSource(), SystemWatchClock(), *target_, memory_,
                                                 TimesForTests().value_or(TWatcherTimes{}))),
      tmrWatch(new QTimer(this)) {
    setObjectName(QStringLiteral("switching"));
    tmrWatch->setObjectName(QStringLiteral("tmrWatch"));
    connect(tmrWatch, &QTimer::timeout, this, [this] { Poll(); });
    tmrWatch->start(kPollMilliseconds);
    Watching();
    UpdateState();
}

TDesktopSwitching::~TDesktopSwitching() = default;

void TDesktopSwitching::SetTimesForTests(std::optional<TWatcherTimes> times) {
    TimesForTests() = times;
}

void TDesktopSwitching::SetPaused(bool paused) {
    watcher_->SetPaused(paused);
    UpdateState();
}

void TDesktopSwitching::Poll() {
    // Not while a run or a dialog (an editor with its copies) is open; the watcher's own question
    // and apply it guards itself.
    if ((!main_.isEnabled() && main_.isVisible()) || QApplication::activeModalWidget() || RunGoing())
        return;
    if (Watching())
        watcher_->Poll();
    UpdateState();
}

bool TDesktopSwitching::Watching() {
    if (!watching_) {
        try {
            if (auto taken = TWatcherLock::Take("prolamo", &otherWatcher_))
                watching_.emplace(std::move(*taken));
            watchError_.clear();
        } catch (const std::exception& e) {
            watchError_ = e.what();
        }
    }
    return watching_.has_value();
}

void TDesktopSwitching::ApplyRule(const TSwitchRule& rule) {
    const TManagedConfigurations managed = LoadManagedConfigurations();
    const TRuleProfile found = RuleProfile(GetConfigurationsRoot(), rule, managed.configurations.get());
    const TApplyReport report =
        ApplyAutomatically(main_.History(), *found.configuration, *found.profile, main_.UndoableSender());
    main_.UpdateActions();
    Logged(report.Summary());
    emit Applied(ToQString(report.Summary()));
}

void TDesktopSwitching::Logged(const std::string& line) {
    lastLine_ =
        tr("Automatic switching, %1: %2").arg(QTime::currentTime().toString(QStringLiteral("HH:mm")), ToQString(line));
    UpdateState();
}

void TDesktopSwitching::UpdateState() {
    QString text;
    try {
        const std::optional<bool> policy = SystemSwitchingPolicy();
        if (policy == false)
            text = tr("Automatic switching is off by your organisation's policy.");
        else if (Paused() && !policy)
            text = tr("Automatic switching is paused.");
        else if (!watchError_.empty())
            text = tr("Automatic switching cannot take its lock: %1").arg(ToQString(watchError_));
        else if (!watching_)
            text = otherWatcher_ ? tr("Automatic switching: another Prolamo program watches (process %1).")
                                       .arg(otherWatcher_->process)
                                 : tr("Automatic switching: another Prolamo program watches.");
        else if (LoadRules(RulesFilePath()).rules.empty())
            text = tr("Automatic switching has no rules.");
        else
            text = lastLine_.isEmpty() ? tr("Automatic switching is watching the network.") : lastLine_;
    } catch (const std::exception& e) {
        text = tr("Automatic switching cannot read its rules: %1").arg(ToQString(e.what()));
    }
    if (text == stateText_)
        return;
    stateText_ = text;
    emit StateChanged();
}

} // namespace prolamo
