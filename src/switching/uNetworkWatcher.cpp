#include "uNetworkWatcher.h"

namespace prolamo {

namespace {

std::string Quote(const std::string& text) { return "\"" + text + "\""; }

std::string Describe(const TSwitchRule& rule) {
    return "rule " + Quote(rule.name) + " (profile " + Quote(rule.profile) + " of " + Quote(rule.configuration) + ")";
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

TNetworkWatcher::TNetworkWatcher(INetworkSource& network, IWatchClock& clock, ISwitchTarget& target,
                                 TWatcherTimes times)
    : network_(network), clock_(clock), target_(target), times_(times) {}

void TNetworkWatcher::SetPaused(bool paused) {
    if (paused == paused_)
        return;
    paused_ = paused;
    target_.Log(paused ? "Automatic switching paused." : "Automatic switching resumed.");
}

void TNetworkWatcher::Poll() {
    if (busy_)
        return;
    const TWatchClock::time_point now = clock_.Now();
    try {
        const std::uint64_t count = network_.ChangeCount();
        if (!lastCount_ || count != *lastCount_) {
            if (!pending_)
                target_.Log(lastCount_ ? "The network changed; waiting for it to settle."
                                       : "Watching the network; waiting for it to settle.");
            lastCount_ = count;
            pending_ = true;
            changedAt_ = now;
            holdOffLogged_ = false;
        }
        if (pending_ && !paused_ && now - changedAt_ >= times_.settle) {
            Decide(now);
            lastError_.clear();
        }
    } catch (const std::exception& e) {
        // Tried again after another settling time; the same trouble is logged once.
        if (e.what() != lastError_)
            target_.Log(std::string("Cannot switch: ") + e.what());
        lastError_ = e.what();
        changedAt_ = now;
    }
}

bool TNetworkWatcher::WaitsForHoldOff(const TProfileName& profile, TWatchClock::time_point now) const {
    const auto left = leftAt_.find(profile);
    return left != leftAt_.end() && changedAt_ - left->second < times_.holdOff && now - changedAt_ < times_.holdOff;
}

void TNetworkWatcher::Decide(TWatchClock::time_point now) {
    const TSwitchRules rules = target_.Rules();
    const TSwitchRule* rule = rules.FirstMatch(network_.Read());
    if (!rule) {
        target_.Log("No rule matches the network.");
        pending_ = false;
        return;
    }
    const TProfileName profile{rule->configuration, rule->profile};
    if (lastApplied_ == profile) {
        target_.Log("The network matches " + Describe(*rule) + ", which is applied already.");
        pending_ = false;
        return;
    }
    if (WaitsForHoldOff(profile, now)) {
        if (!holdOffLogged_)
            target_.Log("The network matches " + Describe(*rule) +
                        ", which was left a short while ago; switching back once the network stays.");
        holdOffLogged_ = true;
        return;
    }
    pending_ = false;
    bool applied = false;
    {
        // The question and the apply may run the front end's events, and with them Poll.
        struct TBusy {
            bool& flag;
            explicit TBusy(bool& f) : flag(f) { flag = true; }
            ~TBusy() { flag = false; }
        } busy(busy_);
        if (rule->ask && !target_.Confirm(*rule)) {
            target_.Log("Not applying " + Describe(*rule) + ": the user declined.");
            return;
        }
        target_.Log("Applying " + Describe(*rule) + ".");
        applied = target_.Apply(*rule);
    }
    if (!applied) {
        target_.Log("Could not apply " + Describe(*rule) + " now; trying again after the settling time.");
        pending_ = true;
        changedAt_ = clock_.Now();
        return;
    }
    if (lastApplied_)
        leftAt_[*lastApplied_] = clock_.Now();
    leftAt_.erase(profile);
    lastApplied_ = profile;
}

} // namespace prolamo
