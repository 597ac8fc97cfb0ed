// The rules and the watcher through the command line, on a simulated laptop that moves between
// networks.

#include "CliRunner.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace prolamo::test {
namespace {

std::filesystem::path RulesFile(const CliMachine& machine) {
    return machine.DataFile().parent_path() / "qvt.rules";
}

TEST(RuleCli, MachineNetworkMovesTheLaptop) {
    CliMachine machine;
    EXPECT_TRUE(Contains(machine.Ok({"machine", "show"}).out,
                         "Network location\n  Wi-Fi: 192.168.178.23/24, wireless network \"FRITZ!Box 7590 QX\", "
                         "gateway 192.168.178.1 (3C:A6:2F:0B:5E:11), DNS suffix fritz.box\n"));
    machine.Ok({"machine", "network", "office"});
    EXPECT_TRUE(Contains(machine.Ok({"machine", "show"}).out, "\"CORP-WLAN\", gateway 10.20.40.1"));
    machine.Ok({"machine", "network", "train"});
    EXPECT_TRUE(Contains(machine.Ok({"machine", "show"}).out, "\"WIFIonICE\", gateway none\n"));
    const CliResult unknown = machine.Run({"machine", "network", "moon"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(Contains(unknown.err, "the networks are office, home, train"));
}

TEST(RuleCli, RulesLiveInTheirOwnFileAndLeaveTheDataFileAlone) {
    CliMachine machine;
    MakeLocations(machine);
    const auto dataFile = ReadBytes(machine.DataFile());
    machine.Ok(
        {"rule", "add", "Office", "Location", "Office", "dns-suffix=corp.example", "gateway-mac=00-1d-a2-6e-41-02"});
    machine.Ok({"rule", "add", "Home", "Location", "Home", "ssid=FRITZ!Box 7590 QX", "ask"});
    EXPECT_EQ(ReadBytes(machine.DataFile()), dataFile);
    struct stat status {};
    ASSERT_EQ(::stat(RulesFile(machine).c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_EQ(machine.Ok({"rule", "list"}).out, "1. \"Office\": profile \"Office\" of \"Location\"\n"
                                                "     dns-suffix corp.example\n"
                                                "     gateway-mac 00:1D:A2:6E:41:02\n"
                                                "2. \"Home\": profile \"Home\" of \"Location\", asks first\n"
                                                "     ssid FRITZ!Box 7590 QX\n");

    for (const auto& [arguments, message] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"rule", "add", "Home", "Location", "Home", "no-network"}, "a rule named \"Home\" already exists"},
             {{"rule", "add", "Train", "Location", "Train", "no-network"}, "has no profile \"Train\""},
             {{"rule", "add", "Train", "Location", "Home", "gateway=10.0.0"}, "gateway needs an IPv4 address"},
             {{"rule", "add", "Train", "Location", "Home", "ask"}, "has no condition"},
             {{"rule", "add", "Train", "Location", "Home"}, "usage: prolamo-cli rule add"},
             {{"rule", "delete", "Train"}, "there is no rule named \"Train\""}}) {
        const CliResult refused = machine.Run(arguments);
        EXPECT_EQ(refused.exitCode, 2) << arguments[1];
        EXPECT_TRUE(Contains(refused.err, message));
    }
    machine.Ok({"rule", "delete", "Office"});
    EXPECT_TRUE(Contains(machine.Ok({"rule", "list"}).out, "1. \"Home\""));
}

TEST(RuleCli, ABrokenRulesFileIsReportedAndKept) {
    CliMachine machine;
    MakeLocations(machine);
    const std::string broken = "[Home]\nconfiguration = Location\nprofile = Home\nsid = Home\n";
    std::ofstream(RulesFile(machine)) << broken;
    const CliResult listed = machine.Run({"rule", "list"});
    EXPECT_EQ(listed.exitCode, 1);
    EXPECT_TRUE(Contains(listed.err, "qvt.rules, line 4: unknown condition \"sid\""));
    EXPECT_EQ(machine.Run({"rule", "add", "Office", "Location", "Office", "no-network"}).exitCode, 1);
    const auto kept = ReadBytes(RulesFile(machine));
    EXPECT_EQ(std::string(kept.begin(), kept.end()), broken);
}

TEST(RuleCli, RuleChangesKeepTheNotesOfAHandWrittenRulesFile) {
    CliMachine machine;
    MakeLocations(machine);
    const std::string office = "# Office: the docking station\n[Office]\nconfiguration = Location\nprofile = Office\n"
                               "dns-suffix = corp.example\n";
    const std::string home = "\n; at home\n[Home]\nconfiguration = Location\nprofile = Home\n"
                             "# the box in the hall\nssid = FRITZ!Box 7590 QX\n";
    const std::string end = "\n# the end of my rules\n";
    WriteBytes(RulesFile(machine), Bytes("\xEF\xBB\xBF# written by hand\n\n" + office + home + end));
    machine.Ok({"rule", "add", "Train", "Location", "Home", "no-network"});
    machine.Ok({"rule", "delete", "Office"});
    const auto written = ReadBytes(RulesFile(machine));
    EXPECT_EQ(std::string(written.begin(), written.end()), "\xEF\xBB\xBF# written by hand\n\n" + home +
                                                               "\n[Train]\nconfiguration = Location\nprofile = Home\n"
                                                               "no-network\n" +
                                                               end);
}

TEST(RuleCli, ARulesFileThatIsNoFileIsNamed) {
    CliMachine machine;
    MakeLocations(machine);
    std::filesystem::create_directory(RulesFile(machine));
    for (const auto& arguments :
         std::vector<std::vector<std::string>>{{"rule", "list"},
                                               {"rule", "add", "Train", "Location", "Home", "no-network"},
                                               {"rule", "delete", "Home"}}) {
        const CliResult refused = machine.Run(arguments);
        EXPECT_EQ(refused.exitCode, 1) << arguments[1];
        EXPECT_TRUE(Contains(refused.err, "the rules file " + RulesFile(machine).string() + " is a folder"));
        EXPECT_FALSE(Contains(refused.err, "System Error"));
    }
}

TEST(RuleCli, RuleTestExplainsTheMatch) {
    CliMachine machine;
    MakeLocations(machine);
    EXPECT_TRUE(Contains(machine.Ok({"rule", "test"}).out, "No rule matches: the watcher applies nothing."));
    machine.Ok({"rule", "add", "Office", "Location", "Office", "dns-suffix=corp.example"});
    machine.Ok({"rule", "add", "Home", "Location", "Home", "ssid=FRITZ!Box 7590 QX", "address-in=192.168.0.0/16"});
    machine.Ok({"rule", "add", "Train", "Location", "Home", "no-network"});
    const std::string home = machine.Ok({"rule", "test"}).out;
    EXPECT_TRUE(Contains(home, "  \"Office\" does not match\n    no  dns-suffix corp.example: no connected adapter "
                               "has it\n"));
    EXPECT_TRUE(Contains(home, "  \"Home\" matches\n    yes ssid FRITZ!Box 7590 QX: Wi-Fi is connected to it\n"
                               "    yes address-in 192.168.0.0/16: Wi-Fi has 192.168.178.23\n"));
    EXPECT_TRUE(Contains(home, "    no  no-network: Wi-Fi has the gateway 192.168.178.1\n"));
    EXPECT_TRUE(Contains(home, "Rule \"Home\" is the first that matches: the watcher applies profile \"Home\" of "
                               "configuration \"Location\".\n"));
    machine.Ok({"machine", "network", "train"});
    const std::string train = machine.Ok({"rule", "test"}).out;
    EXPECT_TRUE(Contains(train, "    yes no-network: no connected adapter has a gateway\n"));
    EXPECT_TRUE(Contains(train, "Rule \"Train\" is the first that matches"));
}

// The watcher runs while other commands change the data file: it takes the lock only to apply.
TEST(RuleCli, WatchSwitchesTheProfileAndLeavesTheDataFileFree) {
    CliMachine machine;
    MakeLocations(machine);
    machine.Ok({"rule", "add", "Office", "Location", "Office", "dns-suffix=corp.example"});
    machine.Ok({"rule", "add", "Home", "Location", "Home", "ssid=FRITZ!Box 7590 QX"});
    machine.Ok({"machine", "network", "office"});

    CliResult watched;
    std::thread watcher([&] { watched = machine.Run({"watch", "7"}); });
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const CliResult added = machine.Run({"config", "add", "Meanwhile"}); // needs the data file's lock
    watcher.join();
    EXPECT_EQ(added.exitCode, 0) << added.err;
    EXPECT_EQ(watched.exitCode, 0) << watched.err;
    EXPECT_TRUE(Contains(watched.out, "Applying rule \"Office\" (profile \"Office\" of \"Location\")."));
    EXPECT_TRUE(Contains(watched.out, "Applied Office: 1 setting, no errors\n"));
    const std::string wired = "Ethernet (Intel(R) Ethernet Connection (7) I219-LM): ";
    EXPECT_TRUE(Contains(machine.Ok({"machine", "show"}).out, wired + "enabled"));
    EXPECT_TRUE(Contains(machine.Ok({"list"}).out, "Meanwhile"));

    // The watcher kept the state before its apply, so the apply can be undone.
    machine.Ok({"--yes", "profile", "undo"});
    EXPECT_TRUE(Contains(machine.Ok({"machine", "show"}).out, wired + "disabled"));
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

// A profile that takes the laptop to another wireless network changes the network the watcher
// looks at: it must not answer its own switch with another one, back and forth.
TEST(RuleCli, AProfileThatConnectsToAnotherWirelessNetworkIsNotAnsweredByAnotherSwitch) {
    CliMachine machine;
    machine.Ok({"config", "add", "Wireless"});
    machine.Ok({"setting", "add", "Wireless", "Wireless network"});
    machine.Ok({"machine", "network", "office"});
    machine.Ok({"machine", "wireless", "CORP-GUEST"});
    machine.Ok({"profile", "add", "Wireless", "Guest"});
    machine.Ok({"profile", "refresh", "Wireless", "Guest"});
    machine.Ok({"machine", "wireless", "CORP-WLAN"});
    machine.Ok({"profile", "add", "Wireless", "Staff"});
    machine.Ok({"profile", "refresh", "Wireless", "Staff"});
    // On either network of the office, the guest network is the one to be on.
    machine.Ok({"rule", "add", "Staff network", "Wireless", "Guest", "ssid=CORP-WLAN"});
    machine.Ok({"rule", "add", "Guest network", "Wireless", "Guest", "ssid=CORP-GUEST"});

    const CliResult watched = machine.Ok({"watch", "13"});
    EXPECT_EQ(Occurrences(watched.out, "Applying rule"), 1u) << watched.out;
    EXPECT_TRUE(Contains(watched.out, "Applying rule \"Staff network\" (profile \"Guest\" of \"Wireless\")."));
    EXPECT_TRUE(Contains(watched.out, "The network matches rule \"Guest network\" (profile \"Guest\" of "
                                      "\"Wireless\"), which is applied already."))
        << watched.out;
    EXPECT_TRUE(Contains(machine.Ok({"machine", "show"}).out, "wireless network \"CORP-GUEST\", gateway 10.99.10.1 "
                                                              "(02:5A:17:C3:90:0E), DNS suffix guest.corp.example"));

    // Rules that send each network to the other one: the switch back waits for the hold-off.
    machine.Ok({"rule", "delete", "Guest network"});
    machine.Ok({"rule", "add", "Guest network", "Wireless", "Staff", "ssid=CORP-GUEST"});
    const CliResult looping = machine.Ok({"watch", "13"});
    EXPECT_EQ(Occurrences(looping.out, "Applying rule"), 1u) << looping.out;
    EXPECT_TRUE(Contains(looping.out, "Applying rule \"Guest network\" (profile \"Staff\" of \"Wireless\")."));
    EXPECT_TRUE(Contains(looping.out, "which was left a short while ago; switching back once the network stays."))
        << looping.out;
    EXPECT_TRUE(Contains(machine.Ok({"machine", "show"}).out, "wireless network \"CORP-WLAN\""));
}

// One watcher per user: a second one names the first and ends, and the next start after the
// first ended watches.
TEST(RuleCli, ASecondWatchRefusesAndNamesTheFirst) {
    CliMachine machine;
    MakeLocations(machine);
    CliResult first;
    std::thread watcher([&] { first = machine.Run({"watch", "4"}); });
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const CliResult second = machine.Run({"watch", "1"});
    // The process it names is the first watcher, still running.
    const std::string by = "prolamo-cli: the network is watched already by prolamo-cli watch (process ";
    const auto named = second.err.find(by);
    std::string commandLine;
    if (named != std::string::npos) {
        const std::string process =
            second.err.substr(named + by.size(), second.err.find(')', named) - named - by.size());
        std::ifstream in("/proc/" + process + "/cmdline", std::ios::binary);
        commandLine.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    watcher.join();
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(second.exitCode, 4);
    EXPECT_EQ(second.out, "");
    ASSERT_TRUE(Contains(second.err, by));
    EXPECT_TRUE(Contains(second.err, "); one program watches at a time, so this one ends.\n"));
    EXPECT_TRUE(Contains(commandLine, std::string("prolamo-cli\0watch\0", 18)));

    const CliResult later = machine.Run({"watch", "1"});
    EXPECT_EQ(later.exitCode, 0) << later.err;
    EXPECT_TRUE(Contains(later.out, "Watching the network"));
}

// A new watcher knows what a rule applied before it: it applies the profile again only when the
// computer has moved away from it.
TEST(RuleCli, WatchAtStartLeavesTheProfileARuleAppliedBefore) {
    CliMachine machine;
    MakeLocations(machine);
    machine.Ok({"rule", "add", "Office", "Location", "Office", "dns-suffix=corp.example"});
    machine.Ok({"machine", "network", "office"});
    const std::string applying = "Applying rule \"Office\" (profile \"Office\" of \"Location\").";
    ASSERT_TRUE(Contains(machine.Ok({"watch", "6"}).out, applying));

    const std::string again = machine.Ok({"watch", "6"}).out;
    EXPECT_TRUE(Contains(again, "which is applied already.")) << again;
    EXPECT_FALSE(Contains(again, applying));

    machine.Ok({"machine", "disconnect", "Ethernet"});
    const std::string movedAway = machine.Ok({"watch", "6"}).out;
    EXPECT_TRUE(Contains(movedAway, "The computer has moved away from profile \"Office\" of \"Location\""))
        << movedAway;
    EXPECT_TRUE(Contains(movedAway, "Applied Office: 1 setting, no errors\n"));
    EXPECT_TRUE(
        Contains(machine.Ok({"machine", "show"}).out, "Ethernet (Intel(R) Ethernet Connection (7) I219-LM): enabled"));
}

} // namespace
} // namespace prolamo::test
