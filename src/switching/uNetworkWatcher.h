#pragma once
// Switches profiles by itself when the computer arrives on another network: it waits until the
// network has stayed the same for a settling time, picks the first matching rule and applies its
// profile, unless a rule applied that profile last. Going back to a profile that a rule left
// within the hold-off time needs the network to stay for the whole hold-off, so that a flickering
// connection never makes it switch back and forth. Time and network are injected, so that tests
// run without waiting.

#include "uSwitchRules.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace prolamo {

using TWatchClock = std::chrono::steady_clock;

class IWatchClock {
public:
    virtual TWatchClock::time_point Now() = 0;

protected:
    ~IWatchClock() = default;
};

// The system's clock.
IWatchClock& SystemWatchClock();

// Where the watcher reads the network from; both raise EOSError.
class INetworkSource {
public:
    virtual std::uint64_t ChangeCount() = 0;
    virtual TNetworkFingerprint Read() = 0;

protected:
    ~INetworkSource() = default;
};

// The operating system's network location service.
INetworkSource& SystemNetworkSource();

// What the watcher drives: its rules, the user's answer, the apply, its log.
class ISwitchTarget {
public:
    // Read afresh for every decision, so that a changed rules file counts at once.
    virtual TSwitchRules Rules() = 0;
    // For a rule that asks first.
    virtual bool Confirm(const TSwitchRule& rule) = 0;
    // Applies the rule's profile; false when it could not be done now (the data file is busy) and
    // should be tried again later. Problems of the apply itself are the apply's results.
    virtual bool Apply(const TSwitchRule& rule) = 0;
    virtual void Log(const std::string& line) = 0;

protected:
    ~ISwitchTarget() = default;
};

struct TWatcherTimes {
    TWatchClock::duration settle = std::chrono::seconds(5);
    TWatchClock::duration holdOff = std::chrono::minutes(2);
};

// A profile by its configuration's and its own name.
struct TProfileName {
    std::string configuration;
    std::string profile;
    auto operator<=>(const TProfileName&) const = default;
};

class TNetworkWatcher {
public:
    TNetworkWatcher(INetworkSource& network, IWatchClock& clock, ISwitchTarget& target, TWatcherTimes times = {});

    // Looks at the network and decides; the front end calls it a few times a second. A call
    // during an apply (from the apply's own event processing) returns at once: the change it
    // would see is seen after the apply.
    void Poll();

    // While paused, changes are noted but nothing is applied.
    void SetPaused(bool paused);
    bool Paused() const { return paused_; }

    // The profile a rule applied last.
    const std::optional<TProfileName>& LastApplied() const { return lastApplied_; }

private:
    void Decide(TWatchClock::time_point now);
    bool WaitsForHoldOff(const TProfileName& profile, TWatchClock::time_point now) const;

    INetworkSource& network_;
    IWatchClock& clock_;
    ISwitchTarget& target_;
    TWatcherTimes times_;
    bool paused_ = false;
    bool busy_ = false; // asking or applying
    std::string lastError_;
    std::optional<std::uint64_t> lastCount_;
    bool pending_ = false; // a change not decided on yet
    TWatchClock::time_point changedAt_{};
    bool holdOffLogged_ = false;
    std::optional<TProfileName> lastApplied_;
    std::map<TProfileName, TWatchClock::time_point> leftAt_; // when a rule's apply replaced the profile
};

} // namespace prolamo
