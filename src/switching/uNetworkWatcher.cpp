#include "uNetworkWatcher.h"

#include "classes/uPolicy.h"
#include "framework/Translation.h"
#include "os/Files.h"

namespace prolamo {

namespace {

constexpr std::size_t kMaxMemorySize = 64 * 1024;
constexpr std::string_view kConfigurationKey = "configuration = ";
constexpr std::string_view kProfileKey = "profile = ";

std::string Quote(const std::string& text) {
    return "\"" + text + "\"";
}

std::string Describe(const TSwitchRule& rule) {
    return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "rule %1 (%2)"),
                      {Quote(rule.name), DescribeProfile(rule)});
}

class TSystemClock final : public IWatchClock {
public:
    TWatchClock::time_point Now() override { return TWatchClock::now(); }
};

class TSystemNetwork final : public INetworkSource {
public:
    std::uint64_t ChangeCount() override {
        std::uint64_t count = 0;
        if (const os::ErrorCode e = os::NetworkLocation().GetChangeCount(&count); e != os::ErrorSuccess)
            throw EOSError(e);
        return count;
    }
    TNetworkFingerprint Read() override { return ReadNetworkFingerprint(); }
};

} // namespace

IWatchClock& SystemWatchClock() {
    static TSystemClock clock;
    return clock;
}

INetworkSource& SystemNetworkSource() {
    static TSystemNetwork network;
    return network;
}

std::string RuleQuestion(const TSwitchRule& rule) {
    return Translated(
        "Engine",
        PROLAMO_TRANSLATE_NOOP("Engine", "The network matches rule %1. Apply profile %2 of configuration %3?"),
        {Quote(rule.name), Quote(rule.profile), Quote(rule.configuration)});
}

std::string SwitchMemoryFilePath() {
    return BesideDataFile(".switched");
}

std::optional<TProfileName> TSwitchMemoryFile::Recall() {
    std::uint32_t attributes = os::InvalidFileAttributes;
    if (os::Files().GetFileAttributes(path_, &attributes) != os::ErrorSuccess)
        return std::nullopt;
    std::vector<std::uint8_t> content;
    if (const os::ErrorCode e = os::Files().ReadWholeFile(path_, &content); e != os::ErrorSuccess)
        throw EOSError(e);
    if (content.size() > kMaxMemorySize)
        return std::nullopt;
    TProfileName profile;
    const std::string_view text(reinterpret_cast<const char*>(content.data()), content.size());
    for (std::size_t start = 0; start < text.size();) {
        const auto end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.starts_with(kConfigurationKey))
            profile.configuration = line.substr(kConfigurationKey.size());
        else if (line.starts_with(kProfileKey))
            profile.profile = line.substr(kProfileKey.size());
    }
    if (profile.configuration.empty() || profile.profile.empty())
        return std::nullopt;
    return profile;
}

void TSwitchMemoryFile::Keep(const TProfileName& profile) {
    const std::string text =
        "# The profile a switching rule applied last. At its next start Prolamo's watcher does not\n"
        "# apply it again while the computer still holds it.\n" +
        std::string(kConfigurationKey) + profile.configuration + "\n" + std::string(kProfileKey) + profile.profile +
        "\n";
    if (const os::ErrorCode e = os::Files().WriteFileReplacing(
            path_, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
        e != os::ErrorSuccess)
        throw EOSError(e);
}

TNetworkWatcher::TNetworkWatcher(INetworkSource& network, IWatchClock& clock, ISwitchTarget& target,
                                 ISwitchMemory& memory, TWatcherTimes times)
    : network_(network), clock_(clock), target_(target), memory_(memory), times_(times) {}

void TNetworkWatcher::SetPaused(bool paused) {
    if (paused == paused_)
        return;
    paused_ = paused;
    target_.Log(paused ? Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Automatic switching paused."))
                       : Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Automatic switching resumed.")));
}

std::optional<bool> SystemSwitchingPolicy() {
    const std::optional<std::int32_t> value = ReadPolicy(PolicyAutomaticSwitching).number;
    return value ? std::optional<bool>(*value != 0) : std::nullopt;
}

void TNetworkWatcher::Poll() {
    if (busy_)
        return;
    const TWatchClock::time_point now = clock_.Now();
    try {
        const std::uint64_t count = network_.ChangeCount();
        if (!lastCount_ || count != *lastCount_) {
            if (!pending_)
                target_.Log(
                    lastCount_
                        ? Translated("Engine",
                                     PROLAMO_TRANSLATE_NOOP("Engine", "The network changed; waiting for it to settle."))
                        : Translated("Engine", PROLAMO_TRANSLATE_NOOP(
                                                   "Engine", "Watching the network; waiting for it to settle.")));
            lastCount_ = count;
            pending_ = true;
            changedAt_ = now;
            holdOffLogged_ = false;
        }
        TSwitchRules rules = target_.Rules();
        if (rules_ && rules.rules != rules_->rules) {
            if (!pending_)
                target_.Log(Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "The rules changed.")));
            pending_ = true;
        }
        rules_ = std::move(rules);
        if (const std::optional<bool> policy = target_.SwitchingPolicy(); policy != policy_) {
            if (policy)
                target_.Log(
                    *policy ? Translated("Engine",
                                         PROLAMO_TRANSLATE_NOOP(
                                             "Engine", "Automatic switching is on by your organisation's policy."))
                            : Translated("Engine",
                                         PROLAMO_TRANSLATE_NOOP(
                                             "Engine", "Automatic switching is off by your organisation's policy.")));
            policy_ = policy;
        }
        if (pending_ && policy_.value_or(!paused_) && now - changedAt_ >= times_.settle) {
            Decide(*rules_, now);
            lastError_.clear();
        }
    } catch (const std::exception& e) {
        // Tried again after another settling time; the same trouble is logged once.
        if (e.what() != lastError_)
            target_.Log(Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Cannot switch: %1"), {e.what()}));
        lastError_ = e.what();
        changedAt_ = now;
    }
}

bool TNetworkWatcher::WaitsForHoldOff(const TProfileName& profile, TWatchClock::time_point now) const {
    const auto left = leftAt_.find(profile);
    return left != leftAt_.end() && changedAt_ - left->second < times_.holdOff && now - changedAt_ < times_.holdOff;
}

void TNetworkWatcher::Decide(const TSwitchRules& rules, TWatchClock::time_point now) {
    if (!recalled_) {
        lastApplied_ = memory_.Recall();
        checkRecalled_ = lastApplied_.has_value();
        recalled_ = true;
    }
    const TSwitchRule* rule = rules.FirstMatch(network_.Read());
    if (!rule) {
        target_.Log(Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "No rule matches the network.")));
        pending_ = false;
        return;
    }
    const TProfileName profile{rule->configuration, rule->profile};
    if (lastApplied_ == profile) {
        const bool movedAway = checkRecalled_ && target_.MovedAway(*rule);
        checkRecalled_ = false;
        if (!movedAway) {
            target_.Log(Translated(
                "Engine", PROLAMO_TRANSLATE_NOOP("Engine", "The network matches %1, which is applied already."),
                {Describe(*rule)}));
            pending_ = false;
            return;
        }
        target_.Log(
            Translated("Engine",
                       PROLAMO_TRANSLATE_NOOP(
                           "Engine", "The computer has moved away from %1 since a rule applied it; applying it again."),
                       {DescribeProfile(*rule)}));
    } else if (WaitsForHoldOff(profile, now)) {
        if (!holdOffLogged_)
            target_.Log(Translated(
                "Engine",
                PROLAMO_TRANSLATE_NOOP(
                    "Engine",
                    "The network matches %1, which was left a short while ago; switching back once the network stays."),
                {Describe(*rule)}));
        holdOffLogged_ = true;
        return;
    }
    pending_ = false;
    if (const std::optional<std::string> refusal = target_.Refusal(*rule)) {
        target_.Log(
            Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Not applying %1: %2"), {Describe(*rule), *refusal}));
        return;
    }
    bool applied = false;
    {
        // The question and the apply may run the front end's events, and with them Poll.
        struct TBusy {
            bool& flag;
            explicit TBusy(bool& f) : flag(f) { flag = true; }
            ~TBusy() { flag = false; }
        } busy(busy_);
        if (rule->ask && !target_.Confirm(*rule)) {
            target_.Log(Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Not applying %1: the user declined."),
                                   {Describe(*rule)}));
            return;
        }
        target_.Log(Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Applying %1."), {Describe(*rule)}));
        applied = target_.Apply(*rule);
    }
    if (!applied) {
        target_.Log(Translated(
            "Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Could not apply %1 now; trying again after the settling time."),
            {Describe(*rule)}));
        pending_ = true;
        changedAt_ = clock_.Now();
        return;
    }
    if (lastApplied_)
        leftAt_[*lastApplied_] = clock_.Now();
    leftAt_.erase(profile);
    lastApplied_ = profile;
    try {
        memory_.Keep(profile);
    } catch (const std::exception& e) {
        target_.Log(Translated("Engine",
                               PROLAMO_TRANSLATE_NOOP("Engine", "The next start will not know what was applied: %1"),
                               {e.what()}));
    }
}

} // namespace prolamo
