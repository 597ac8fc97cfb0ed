// prolamo-cli with the kinds that take several parameters or run a program.

#include "CliRunner.h"

#include <gtest/gtest.h>

#include <fstream>

namespace prolamo::test {
namespace {

namespace fs = std::filesystem;

std::size_t LinesIn(const fs::path& path) {
    std::ifstream in(path);
    std::size_t count = 0;
    for (std::string line; std::getline(in, line);)
        ++count;
    return count;
}

class KindsCliTest : public ::testing::Test {
protected:
    CliMachine machine;
};

TEST_F(KindsCliTest, AProgramTakesItsFurtherParametersByNameAndOnlyThose) {
    machine.Ok({"config", "add", "Site"});
    const auto before = machine.Ok({"list"}).out;
    for (const auto& [argument, message] : std::vector<std::pair<std::string, std::string>>{
             {"Folder=/tmp", "the setting kind \"Program\" takes one CommandLine, then WorkingFolder=... "
                             "RunBefore=... TimeLimit=..., not \"Folder=/tmp\""},
             {"RunBefore=maybe", "RunBefore is yes or no, not \"maybe\""},
             {"TimeLimit=soon", "TimeLimit must be a number, not \"soon\""},
             {"TimeLimit=0", "The time limit of a Program setting is 1 to 86400 seconds, not 0"}}) {
        const CliResult refused = machine.Run({"setting", "add", "Site", "Program", "true", argument});
        EXPECT_EQ(refused.exitCode, 2) << argument;
        EXPECT_EQ(refused.err, "prolamo-cli: " + message + "\nTry \"prolamo-cli --help\".\n");
    }
    EXPECT_EQ(machine.Ok({"list"}).out, before) << "nothing was added";
    EXPECT_TRUE(Contains(machine.Run({"setting", "add", "Site", "Hosts entries", "VPN", "Extra=1"}).err,
                         "the setting kind \"Hosts entries\" takes one BlockName"));
    EXPECT_TRUE(Contains(machine.Ok({"--help"}).out, "\"Program\" (TProgramSetting), ARG: CommandLine\n    "
                                                     "[WorkingFolder=... RunBefore=... TimeLimit=...]\n"));
}

TEST_F(KindsCliTest, AProfileRunsItsProgramFirstListsItInDiffAndImportAndItsUndoDoesNotRunItAgain) {
    const fs::path runs = machine / "runs.txt";
    const std::string commandLine = "/bin/sh -c \"echo synced >> '" + runs.string() + "'\"";
    machine.Ok({"config", "add", "Site"});
    machine.Ok({"setting", "add", "Site", "Hosts entries", "VPN"});
    EXPECT_EQ(machine
                  .Ok({"setting", "add", "Site", "Program", commandLine, "RunBefore=yes", "TimeLimit=20",
                       "WorkingFolder=" + machine.Folder().string()})
                  .out,
              "Added setting \"Program (sh)\" to configuration \"Site\".\n");
    machine.Ok({"profile", "add", "Site", "Office"});
    machine.Ok({"profile", "refresh", "Site", "Office"});
    EXPECT_EQ(machine.Ok({"profile", "show", "Site", "Office"}).out,
              "Profile \"Office\" of configuration \"Site\"\n  Hosts entries (VPN): No entries\n"
              "  Program (" +
                  commandLine + "): Runs when the profile is applied\n");
    EXPECT_EQ(machine.Ok({"profile", "diff", "Site", "Office"}).out,
              "Profile \"Office\" of configuration \"Site\": Nothing will change, 1 unchanged, 1 will run\n"
              "  Hosts entries (VPN): unchanged\n  Program (" +
                  commandLine + "): will run: " + commandLine + "\n");
    EXPECT_FALSE(fs::exists(runs));

    const CliResult applied = machine.Ok({"profile", "apply", "Site", "Office"}, "y\n");
    EXPECT_EQ(applied.out, "Do you really want to apply profile these settings?\n\nPrograms it runs:\n  " +
                               commandLine +
                               " [y/N] Applying Program (sh)...\nApplying Hosts entries (VPN)...\n"
                               "Applied Office: 2 settings, no errors\nNot kept for undo: Program (sh): a "
                               "program has no state to read back: an undo cannot take back what it did, so it "
                               "does not run it again\n");
    EXPECT_EQ(LinesIn(runs), 1u);

    const CliResult undone = machine.Ok({"profile", "undo", "--yes"});
    EXPECT_TRUE(Contains(undone.out, "Left alone: Program (sh): a program has no state to read back: an undo cannot "
                                     "take back what it did, so it does not run it again\n"))
        << undone.out;
    EXPECT_EQ(LinesIn(runs), 1u) << "the undo ran nothing";

    const fs::path exported = machine / "site.txt";
    machine.Ok({"config", "export", "Site", exported.string()});
    const CliResult declined = machine.Ok({"config", "import", "--rename", exported.string()}, "n\n");
    EXPECT_EQ(declined.out, "Its Program settings run:\n  " + commandLine +
                                " (configuration Site)\nImport it? [y/N] "
                                "Nothing was imported.\n");
}

TEST_F(KindsCliTest, AFailingProgramIsAnErrorLineAndExits1) {
    machine.Ok({"config", "add", "Site"});
    machine.Ok({"setting", "add", "Site", "Program", "/bin/sh -c \"echo cannot reach the server; exit 4\""});
    machine.Ok({"profile", "add", "Site", "Office"});
    machine.Ok({"profile", "refresh", "Site", "Office"});
    const CliResult failed = machine.Run({"profile", "apply", "--yes", "Site", "Office"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(Contains(failed.out, "Program (sh): ended with exit code 4; the last lines it printed:\n"
                                     "  cannot reach the server\n"))
        << failed.out;
}

TEST_F(KindsCliTest, TheWirelessNetworkAndTheWinHttpProxyAreCapturedShownAndApplied) {
    machine.Ok({"config", "add", "Site"});
    EXPECT_TRUE(Contains(machine.Run({"setting", "add", "Site", "Wireless network", "Wi-Fi"}).err,
                         "the setting kind \"Wireless network\" takes no argument"));
    machine.Ok({"setting", "add", "Site", "Wireless network"});
    machine.Ok({"setting", "add", "Site", "WinHTTP proxy"});
    machine.Ok({"machine", "network", "office"});
    machine.Ok({"profile", "add", "Site", "Office"});
    machine.Ok({"profile", "refresh", "Site", "Office"});
    EXPECT_EQ(machine.Ok({"profile", "show", "Site", "Office"}).out,
              "Profile \"Office\" of configuration \"Site\"\n  Wireless network: Wi-Fi: CORP-WLAN\n"
              "  WinHTTP proxy: Direct access (no proxy server)\n");

    // The user picks the guest network from the tray; one out of range is refused.
    machine.Ok({"machine", "wireless", "CORP-GUEST"});
    const CliResult away = machine.Run({"machine", "wireless", "FRITZ!Box 7590 QX"});
    EXPECT_EQ(away.exitCode, 1);
    EXPECT_EQ(away.err, "prolamo-cli: the wireless network \"FRITZ!Box 7590 QX\" is not in range; in range: "
                        "CORP-WLAN, CORP-GUEST\n");
    const CliResult diff = machine.Run({"profile", "diff", "Site", "Office"});
    EXPECT_EQ(diff.exitCode, 1);
    EXPECT_TRUE(Contains(diff.out, "  Wireless network: will change\n")) << diff.out;
    machine.Ok({"profile", "apply", "--yes", "Site", "Office"});
    EXPECT_TRUE(Contains(machine.Ok({"machine", "show"}).out, "wireless network \"CORP-WLAN\""));
    EXPECT_EQ(machine.Ok({"profile", "diff", "Site", "Office"}).exitCode, 0);
}

} // namespace
} // namespace prolamo::test
