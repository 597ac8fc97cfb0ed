// The watcher on a network and a clock the test moves: what it applies, when, and what it leaves.

#include "support/TempFolder.h"
#include "support/TranslationInForce.h"
#include "switching/uNetworkWatcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>

namespace prolamo::test {
namespace {

using namespace std::chrono_literals;

class TFakeClock final : public IWatchClock {
public:
    TWatchClock::time_point Now() override { return now; }
    TWatchClock::time_point now{std::chrono::hours(1000)};
};

os::ConnectedAdapter WiFi(std::string ssid, std::string gateway) {
    return {u"Wi-Fi", std::move(gateway), "", std::move(ssid), u"", {{"192.168.1.20", 24}}};
}

const TNetworkFingerprint kHome{{WiFi("HomeNet", "192.168.1.1")}};
const TNetworkFingerprint kOffice{{WiFi("CORP-WLAN", "10.20.40.1")}};
const TNetworkFingerprint kCafe{{WiFi("Cafe", "172.16.0.1")}};
const TNetworkFingerprint kNone{};

class TFakeNetwork final : public INetworkSource {
public:
    std::uint64_t ChangeCount() override { return changes; }
    TNetworkFingerprint Read() override { return fingerprint; }
    void MoveTo(const TNetworkFingerprint& to) {
        fingerprint = to;
        ++changes;
    }
    std::uint64_t changes = 0;
    TNetworkFingerprint fingerprint = kHome;
};

class TFakeTarget final : public ISwitchTarget {
public:
    TSwitchRules Rules() override { return rules; }
    bool Confirm(const TSwitchRule& rule) override {
        asked.push_back(rule.name);
        return answer;
    }
    bool Apply(const TSwitchRule& rule) override {
        if (busy)
            return false;
        applied.push_back(rule.profile);
        if (duringApply)
            duringApply();
        return true;
    }
    std::optional<std::string> Refusal(const TSwitchRule& rule) override {
        return refused == rule.name ? std::optional<std::string>("not allowed") : std::nullopt;
    }
    bool MovedAway(const TSwitchRule& rule) override {
        movedAwayAsked.push_back(rule.profile);
        return movedAway;
    }
    void Log(const std::string& line) override { log.push_back(line); }
    std::optional<bool> SwitchingPolicy() override { return policy; }
    bool Logged(const std::string& line) const { return std::find(log.begin(), log.end(), line) != log.end(); }

    TSwitchRules rules;
    std::optional<bool> policy;
    std::string refused; // the rule whose apply Refusal refuses
    std::vector<std::string> applied;
    std::vector<std::string> asked;
    std::vector<std::string> movedAwayAsked;
    std::vector<std::string> log;
    bool answer = true;
    bool busy = false;
    bool movedAway = false;
    std::function<void()> duringApply;
};

class TFakeMemory final : public ISwitchMemory {
public:
    std::optional<TProfileName> Recall() override { return kept; }
    void Keep(const TProfileName& profile) override {
        if (full)
            throw std::runtime_error("the disk is full");
        kept = profile;
    }
    std::optional<TProfileName> kept;
    bool full = false;
};

using Profiles = std::vector<std::string>;

TSwitchRule Rule(std::string name, std::string profile, std::string key, std::string value, bool ask = false) {
    return {std::move(name), "Location", std::move(profile), ask, {TRuleCondition::Parse(key, value)}};
}

class WatcherTest : public ::testing::Test {
protected:
    WatcherTest() {
        target_.rules.rules = {Rule("Office", "Office", "ssid", "CORP-WLAN"), Rule("Home", "Home", "ssid", "HomeNet"),
                               Rule("Offline", "Offline", "no-network", "")};
    }
    // Polls four times a second for `duration`.
    void Run(TWatchClock::duration duration) {
        const auto end = clock_.now + duration;
        while (clock_.now < end) {
            watcher_.Poll();
            clock_.now += 250ms;
        }
        watcher_.Poll();
    }

    TFakeClock clock_;
    TFakeNetwork network_;
    TFakeTarget target_;
    TFakeMemory memory_;
    TNetworkWatcher watcher_{network_, clock_, target_, memory_};
};

TEST_F(WatcherTest, AppliesTheMatchingProfileOnceAfterTheSettlingTime) {
    Run(4750ms);
    EXPECT_EQ(target_.applied, Profiles{}) << "not before the network has been the same for 5 s";
    Run(250ms);
    EXPECT_EQ(target_.applied, Profiles{"Home"});
    Run(10min);
    EXPECT_EQ(target_.applied, Profiles{"Home"});

    network_.MoveTo(kOffice);
    Run(4s);
    EXPECT_EQ(target_.applied, Profiles{"Home"});
    Run(1s);
    EXPECT_EQ(target_.applied, (Profiles{"Home", "Office"}));
    ASSERT_TRUE(watcher_.LastApplied());
    EXPECT_EQ(watcher_.LastApplied()->profile, "Office");
}

TEST_F(WatcherTest, ItsLinesAndQuestionAreToldInTheUsersLanguage) {
    const TTranslationInForce german(std::map<std::string, std::string>{
        {"Watching the network; waiting for it to settle.", "Überwache das Netzwerk; warte, bis es stabil bleibt."},
        {"Applying %1.", "%1 wird angewendet."},
        {"rule %1 (%2)", "Regel %1 (%2)"},
        {"profile %1 of %2", "Profil %1 von %2"},
        {"The network matches rule %1. Apply profile %2 of configuration %3?",
         "Das Netzwerk passt zur Regel %1. Profil %2 der Konfiguration %3 anwenden?"}});
    Run(6s);
    EXPECT_EQ(target_.log,
              (std::vector<std::string>{"Überwache das Netzwerk; warte, bis es stabil bleibt.",
                                        "Regel \"Home\" (Profil \"Home\" von \"Location\") wird angewendet."}));
    EXPECT_EQ(RuleQuestion(target_.rules.rules[1]),
              "Das Netzwerk passt zur Regel \"Home\". Profil \"Home\" der Konfiguration \"Location\" anwenden?");
}

TEST_F(WatcherTest, AChangeThatComesBackToTheSameProfileAppliesNothing) {
    Run(6s);
    network_.MoveTo(kHome); // the same network again, e.g. after the apply changed an address
    Run(6s);
    EXPECT_EQ(target_.applied, Profiles{"Home"});
}

TEST_F(WatcherTest, AConnectionFlickeringEverySecondForAMinuteAppliesNothingExtra) {
    Run(6s);
    ASSERT_EQ(target_.applied, Profiles{"Home"});
    for (int second = 0; second < 60; ++second) {
        network_.MoveTo(second % 2 ? kHome : kNone);
        Run(1s);
    }
    EXPECT_EQ(target_.applied, Profiles{"Home"});
    Run(1min); // it ends at home
    EXPECT_EQ(target_.applied, Profiles{"Home"});
}

TEST_F(WatcherTest, FlickeringBetweenTwoNetworksSwitchesBackOnlyAfterTheHoldOff) {
    Run(6s);
    network_.MoveTo(kOffice);
    Run(6s);
    ASSERT_EQ(target_.applied, (Profiles{"Home", "Office"}));
    for (int i = 0; i < 5; ++i) { // long enough each time to settle
        network_.MoveTo(i % 2 ? kOffice : kHome);
        Run(10s);
    }
    network_.MoveTo(kHome);
    Run(1min);
    EXPECT_EQ(target_.applied, (Profiles{"Home", "Office"})) << "home was left less than the hold-off ago";
    Run(1min);
    EXPECT_EQ(target_.applied, (Profiles{"Home", "Office", "Home"})) << "home has stayed for the whole hold-off";
}

TEST_F(WatcherTest, ASwitchBackStartedLateInTheHoldOffStillWaitsForAllOfIt) {
    Run(6s);
    network_.MoveTo(kOffice);
    Run(6s); // Office applied, Home left now
    Run(100s);
    network_.MoveTo(kHome);
    Run(30s); // 136 s after leaving home, but home for 30 s only
    EXPECT_EQ(target_.applied, (Profiles{"Home", "Office"}));
    Run(91s);
    EXPECT_EQ(target_.applied, (Profiles{"Home", "Office", "Home"}));
}

TEST_F(WatcherTest, ANewProfileNeedsNoHoldOff) {
    Run(6s);
    network_.MoveTo(kOffice);
    Run(6s);
    network_.MoveTo(kNone);
    Run(6s);
    EXPECT_EQ(target_.applied, (Profiles{"Home", "Office", "Offline"})) << "no network matches its rule";
}

TEST_F(WatcherTest, ASecondChangeDuringAnApplyWaitsForIt) {
    int pollsDuringApply = 0;
    target_.duringApply = [&] {
        // The network changes while the apply runs, and the front end's events poll meanwhile.
        network_.MoveTo(kOffice);
        for (int i = 0; i < 40; ++i) {
            clock_.now += 250ms;
            watcher_.Poll();
            ++pollsDuringApply;
        }
        target_.duringApply = nullptr;
    };
    Run(6s);
    EXPECT_EQ(pollsDuringApply, 40);
    EXPECT_EQ(target_.applied, Profiles{"Home"}) << "nothing applied while the first apply ran";
    Run(4s);
    EXPECT_EQ(target_.applied, Profiles{"Home"}) << "the change counts from after the apply";
    Run(1s);
    EXPECT_EQ(target_.applied, (Profiles{"Home", "Office"}));
}

TEST_F(WatcherTest, APausedWatcherDoesNothingAndResumesWithTheNetworkAsItIs) {
    watcher_.SetPaused(true);
    Run(1min);
    network_.MoveTo(kOffice);
    Run(1min);
    EXPECT_EQ(target_.applied, Profiles{});
    watcher_.SetPaused(false);
    Run(250ms);
    EXPECT_EQ(target_.applied, Profiles{"Office"}) << "the network has long settled";
}

TEST_F(WatcherTest, TheOrganisationsPolicyOverridesThePauseEitherWay) {
    target_.policy = false;
    Run(1min);
    EXPECT_EQ(target_.applied, Profiles{});
    EXPECT_TRUE(target_.Logged("Automatic switching is off by your organisation's policy."));

    target_.policy = true;
    watcher_.SetPaused(true);
    Run(250ms);
    EXPECT_EQ(target_.applied, Profiles{"Home"}) << "the user's pause does not hold against the policy";
    EXPECT_TRUE(target_.Logged("Automatic switching is on by your organisation's policy."));

    target_.policy.reset();
    network_.MoveTo(kOffice);
    Run(1min);
    EXPECT_EQ(target_.applied, Profiles{"Home"}) << "without the policy the user's pause holds again";
    watcher_.SetPaused(false);
    Run(250ms);
    EXPECT_EQ(target_.applied, (Profiles{"Home", "Office"}));
}

TEST_F(WatcherTest, ARuleThatAsksAppliesOnlyOnYesAndAsksAgainAfterTheNextChange) {
    target_.rules.rules = {Rule("Home", "Home", "ssid", "HomeNet", true)};
    target_.answer = false;
    Run(1min);
    EXPECT_EQ(target_.asked, std::vector<std::string>{"Home"});
    EXPECT_EQ(target_.applied, Profiles{});
    target_.answer = true;
    network_.MoveTo(kHome);
    Run(6s);
    EXPECT_EQ(target_.asked, (std::vector<std::string>{"Home", "Home"}));
    EXPECT_EQ(target_.applied, Profiles{"Home"});
}

TEST_F(WatcherTest, ARefusedRuleIsNeitherAskedNorAppliedAndSaysWhyOnce) {
    target_.rules.rules = {Rule("Office", "Office", "ssid", "CORP-WLAN"),
                           Rule("Home", "Home", "ssid", "HomeNet", true)};
    target_.refused = "Home";
    Run(1min);
    EXPECT_EQ(target_.asked, std::vector<std::string>{});
    EXPECT_EQ(target_.applied, Profiles{});
    EXPECT_EQ(std::count(target_.log.begin(), target_.log.end(),
                         "Not applying rule \"Home\" (profile \"Home\" of \"Location\"): not allowed"),
              1);
    EXPECT_FALSE(memory_.kept) << "a refused rule is not what the computer holds";
    network_.MoveTo(kOffice);
    Run(6s);
    EXPECT_EQ(target_.applied, Profiles{"Office"});
    // Lifted: the next change applies it.
    target_.refused.clear();
    network_.MoveTo(kHome);
    Run(6s);
    EXPECT_EQ(target_.applied, (Profiles{"Office", "Home"}));
}

TEST_F(WatcherTest, ABusyDataFileIsTriedAgainAndBrokenRulesAreLoggedOnce) {
    target_.busy = true;
    Run(6s);
    EXPECT_EQ(target_.applied, Profiles{});
    target_.busy = false;
    Run(6s);
    EXPECT_EQ(target_.applied, Profiles{"Home"});

    struct TBrokenRules final : ISwitchTarget {
        TSwitchRules Rules() override { throw ERulesError("qvt.rules, line 3: unknown condition"); }
        bool Confirm(const TSwitchRule&) override { return true; }
        bool Apply(const TSwitchRule&) override { return true; }
        std::optional<std::string> Refusal(const TSwitchRule&) override { return std::nullopt; }
        bool MovedAway(const TSwitchRule&) override { return false; }
        void Log(const std::string& line) override { log.push_back(line); }
        std::optional<bool> SwitchingPolicy() override { return std::nullopt; }
        std::vector<std::string> log;
    } broken;
    TNetworkWatcher watcher(network_, clock_, broken, memory_);
    for (int i = 0; i < 200; ++i, clock_.now += 250ms)
        watcher.Poll();
    EXPECT_EQ(std::count(broken.log.begin(), broken.log.end(), "Cannot switch: qvt.rules, line 3: unknown condition"),
              1);
}

TEST_F(WatcherTest, NoMatchingRuleAppliesNothing) {
    network_.fingerprint = kCafe;
    Run(1min);
    EXPECT_EQ(target_.applied, Profiles{});
    EXPECT_TRUE(target_.Logged("No rule matches the network."));
}

TEST_F(WatcherTest, ChangedRulesAreDecidedOnWithoutANetworkChange) {
    const TSwitchRules rules = target_.rules;
    target_.rules = {};
    Run(1min);
    EXPECT_EQ(target_.applied, Profiles{});
    target_.rules = rules;
    Run(250ms);
    EXPECT_EQ(target_.applied, Profiles{"Home"}) << "the network has long settled";

    // While the network settles, a change of the rules waits for it too.
    target_.rules.rules.erase(target_.rules.rules.begin() + 1); // "Home"
    network_.MoveTo(kOffice);
    Run(1s);
    target_.rules.rules.insert(target_.rules.rules.begin(), Rule("Corp", "Corp", "ssid", "CORP-WLAN"));
    Run(3s);
    EXPECT_EQ(target_.applied, Profiles{"Home"});
    Run(1s);
    EXPECT_EQ(target_.applied, (Profiles{"Home", "Corp"}));
}

// A new start of the watcher, after an earlier one left Home applied by its rule.
TEST_F(WatcherTest, AtStartTheProfileARuleAppliedBeforeIsNotAppliedWhileTheComputerHoldsIt) {
    memory_.kept = TProfileName{"Location", "Home"};
    Run(1min);
    EXPECT_EQ(target_.applied, Profiles{});
    EXPECT_EQ(target_.movedAwayAsked, Profiles{"Home"});
    EXPECT_TRUE(target_.Logged("The network matches rule \"Home\" (profile \"Home\" of \"Location\"), which is "
                               "applied already."));

    // Later in the run it is this watcher's own knowledge, as for a profile it applied itself.
    target_.movedAway = true;
    network_.MoveTo(kHome);
    Run(6s);
    EXPECT_EQ(target_.applied, Profiles{});
    EXPECT_EQ(target_.movedAwayAsked, Profiles{"Home"});
}

TEST_F(WatcherTest, AtStartTheProfileIsAppliedAgainWhenTheComputerHasMovedAwayFromIt) {
    memory_.kept = TProfileName{"Location", "Home"};
    target_.movedAway = true;
    Run(6s);
    EXPECT_EQ(target_.applied, Profiles{"Home"});
    EXPECT_TRUE(target_.Logged("The computer has moved away from profile \"Home\" of \"Location\" since a rule "
                               "applied it; applying it again."));
}

TEST_F(WatcherTest, AtStartAnotherProfileThanTheOneKeptIsAppliedAndKept) {
    memory_.kept = TProfileName{"Location", "Office"};
    Run(6s);
    EXPECT_EQ(target_.applied, Profiles{"Home"});
    EXPECT_EQ(target_.movedAwayAsked, Profiles{}) << "no preview for a profile that changes anyway";
    EXPECT_EQ(memory_.kept, (TProfileName{"Location", "Home"}));
}

TEST_F(WatcherTest, AProfileThatCannotBeKeptIsStillApplied) {
    memory_.full = true;
    Run(6s);
    EXPECT_EQ(target_.applied, Profiles{"Home"});
    EXPECT_TRUE(target_.Logged("The next start will not know what was applied: the disk is full"));
    network_.MoveTo(kHome);
    Run(6s);
    EXPECT_EQ(target_.applied, Profiles{"Home"}) << "this run knows it";
}

TEST(SwitchMemoryFile, KeepsTheProfileForTheNextWatcher) {
    TempFolder folder;
    TSwitchMemoryFile memory(folder / "qvt.switched");
    EXPECT_EQ(memory.Recall(), std::nullopt) << "no file yet";
    memory.Keep({"Netz = alt", "Zu Hause #1"});
    EXPECT_EQ(TSwitchMemoryFile(folder / "qvt.switched").Recall(), (TProfileName{"Netz = alt", "Zu Hause #1"}));

    for (const std::string& text : {std::string("configuration = Location\n"), std::string("not this file at all"),
                                    std::string(70 * 1024, '#')}) {
        std::ofstream(folder / "qvt.switched", std::ios::binary) << text;
        EXPECT_EQ(memory.Recall(), std::nullopt) << text.substr(0, 40);
    }
    std::ofstream(folder / "qvt.switched", std::ios::binary) << "configuration = Location\r\nprofile = Home\r\n";
    EXPECT_EQ(memory.Recall(), (TProfileName{"Location", "Home"})) << "edited on Windows";
}

// Two runs of the program, one after the other, on the same file.
TEST(SwitchMemoryFile, ASecondStartOnTheSameNetworkAppliesNothing) {
    TempFolder folder;
    TFakeClock clock;
    TFakeNetwork network;
    TFakeTarget target;
    target.rules.rules = {Rule("Home", "Home", "ssid", "HomeNet")};
    for (int start = 0; start < 2; ++start) {
        TSwitchMemoryFile memory(folder / "qvt.switched");
        TNetworkWatcher watcher(network, clock, target, memory);
        for (int i = 0; i < 40; ++i, clock.now += 250ms)
            watcher.Poll();
    }
    EXPECT_EQ(target.applied, Profiles{"Home"});
}

} // namespace
} // namespace prolamo::test
