#pragma once
// Switches profiles by itself when the computer arrives on another network: it waits until the
// network has stayed the same for a settling time, picks the first matching rule and applies its
// profile, unless a rule applied that profile last. Going back to a profile that a rule left
// within the hold-off time needs the network to stay for the whole hold-off, so that a flickering
// connection never makes it switch back and forth. The profile a rule applied last outlives the
// watcher, so that a new start does not apply again what the computer holds already; only when
// the computer has moved away from that profile meanwhile is it applied again. Time and network
// are injected, so that tests run without waiting.

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
    // Read at every look: a change of the rules is decided on at once, or as soon as the network
    // has settled, as a change of the network would be.
    virtual TSwitchRules Rules() = 0;
    // For a rule that asks first.
    virtual bool Confirm(const TSwitchRule& rule) = 0;
    // Applies the rule's profile; false when it could not be done now (the data file is busy) and
    // should be tried again later. Problems of the apply itself are the apply's results.
    virtual bool Apply(const TSwitchRule& rule) = 0;
    // Why the rule's profile may not be applied at all (the organisation's policy); nothing when
    // it may. Asked before the question and the apply.
    virtual std::optional<std::string> Refusal(const TSwitchRule& rule) = 0;
    // Whether the computer no longer holds the rule's profile: an apply of it would change a
    // setting. Asked at a new start only, for the profile a rule applied before it.
    virtual bool MovedAway(const TSwitchRule& rule) = 0;
    virtual void Log(const std::string& line) = 0;
    // The organisation's say, read at every look: true on, false off, nothing: the user's pause
    // decides.
    virtual std::optional<bool> SwitchingPolicy() = 0;

protected:
    ~ISwitchTarget() = default;
};

// The policy AutomaticSwitching as the reader of policies finds it.
std::optional<bool> SystemSwitchingPolicy();

// What a rule that asks first asks: "The network matches rule "Home". Apply profile "Home" of
// configuration "Location"?"
std::string RuleQuestion(const TSwitchRule& rule);

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

// Where the watcher keeps the profile a rule applied last, for its next start.
class ISwitchMemory {
public:
    // Nothing when no profile is kept.
    virtual std::optional<TProfileName> Recall() = 0;
    virtual void Keep(const TProfileName& profile) = 0;

protected:
    ~ISwitchMemory() = default;
};

// "qvt.switched" beside the data file: a small text file of its own rather than the history,
// which keeps the user's own applies too, forgets an apply once it is undone or 20 others came
// after it, and belongs to the holder of the data file's lock. The command line's watcher and
// the desktop program's share it.
std::string SwitchMemoryFilePath();

class TSwitchMemoryFile final : public ISwitchMemory {
public:
    explicit TSwitchMemoryFile(std::string path = SwitchMemoryFilePath()) : path_(std::move(path)) {}

    // A missing file, or one that is not in this form, keeps nothing; raises EOSError when it
    // cannot be read.
    std::optional<TProfileName> Recall() override;
    // Replaces the file in one step; raises EOSError.
    void Keep(const TProfileName& profile) override;

private:
    std::string path_;
};

class TNetworkWatcher {
public:
    TNetworkWatcher(INetworkSource& network, IWatchClock& clock, ISwitchTarget& target, ISwitchMemory& memory,
                    TWatcherTimes times = {});

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
    void Decide(const TSwitchRules& rules, TWatchClock::time_point now);
    bool WaitsForHoldOff(const TProfileName& profile, TWatchClock::time_point now) const;

    INetworkSource& network_;
    IWatchClock& clock_;
    ISwitchTarget& target_;
    ISwitchMemory& memory_;
    TWatcherTimes times_;
    bool paused_ = false;
    std::optional<bool> policy_; // the organisation's say at the last look
    bool busy_ = false;          // asking or applying
    std::string lastError_;
    std::optional<std::uint64_t> lastCount_;
    std::optional<TSwitchRules> rules_; // as read at the last look
    bool pending_ = false;              // a change not decided on yet
    TWatchClock::time_point changedAt_{};
    bool holdOffLogged_ = false;
    std::optional<TProfileName> lastApplied_;
    bool recalled_ = false;                                  // lastApplied_ was read from the memory
    bool checkRecalled_ = false;                             // whether the computer still holds it is not known yet
    std::map<TProfileName, TWatchClock::time_point> leftAt_; // when a rule's apply replaced the profile
};

} // namespace prolamo
