// prolamo-cli's safety net end to end: preview, undo of an apply and of a refresh, export and
// import, on a fresh simulated machine per test.

#include "CliRunner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace prolamo::test {
namespace {

namespace fs = std::filesystem;

// A file, the hosts file and the time zone in configuration "Network", captured as "Office".
class SafetyCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<std::uint8_t> office = Bytes("proxy=office\r\n");
        for (int i = 0; i < 256; ++i)
            office.push_back(static_cast<std::uint8_t>(i));
        WriteBytes(notes, office);
        machine.Ok({"config", "add", "Network"});
        machine.Ok({"setting", "add", "Network", "File", notes.string()});
        machine.Ok({"setting", "add", "Network", "Hosts file"});
        machine.Ok({"setting", "add", "Network", "Time zone"});
        machine.Ok({"profile", "add", "Network", "Office"});
        machine.Ok({"profile", "refresh", "Network", "Office"});
        hosts = machine.HostsFile();
    }

    // The machine moved elsewhere: another file content, a hosts entry, Berlin's time.
    void MoveHome() {
        WriteBytes(notes, Bytes("proxy=home\n"));
        auto bytes = ReadBytes(hosts);
        const std::string entry = "192.168.1.10  nas.home\r\n";
        bytes.insert(bytes.end(), entry.begin(), entry.end());
        WriteBytes(hosts, bytes);
        machine.Ok({"machine", "timezone", "W. Europe Standard Time"});
    }

    struct State {
        std::vector<std::uint8_t> notes, hosts;
        std::string shown;
        bool operator==(const State&) const = default;
    };
    State Now() const { return {ReadBytes(notes), ReadBytes(hosts), machine.Ok({"machine", "show"}).out}; }

    fs::path HistoryFile() const { return machine.DataFile().parent_path() / "qvt-history.db"; }

    CliMachine machine;
    fs::path notes = machine / "notes.bin";
    fs::path hosts;
};

TEST_F(SafetyCliTest, DiffShowsWhatAnApplyWouldChangeAndUndoPutsTheMachineBackByteForByte) {
    const State office = Now();
    const CliResult same = machine.Run({"profile", "diff", "Network", "Office"});
    EXPECT_EQ(same.exitCode, 0);
    EXPECT_EQ(same.out, "Profile \"Office\" of configuration \"Network\": Nothing will change, 3 unchanged\n"
                        "  File (" +
                            notes.string() + "): unchanged\n  Hosts file: unchanged\n  Time zone: unchanged\n")
        << "what an apply writes, by its full path";

    MoveHome();
    const State home = Now();
    const CliResult diff = machine.Run({"profile", "diff", "Network", "Office"});
    EXPECT_EQ(diff.exitCode, 1);
    EXPECT_TRUE(Contains(diff.out, ": 3 settings will change\n  File (" + notes.string() +
                                       "): will change\n    now: proxy=home\n"
                                       "    after: Binary file\n  Hosts file: will change\n    now:\n      | "));
    EXPECT_TRUE(Contains(diff.out, "      | 192.168.1.10  nas.home\n"));
    EXPECT_TRUE(Contains(diff.out, "  Time zone: will change\n    now: (UTC+01:00) Amsterdam, Berlin"));
    EXPECT_TRUE(Contains(diff.out, "    after: (UTC-08:00) Pacific Time (US & Canada)\n"));
    EXPECT_EQ(Now(), home) << "a preview changes nothing";

    EXPECT_TRUE(Contains(machine.Ok({"--yes", "profile", "apply", "Network", "Office"}).out,
                         "Applied Office: 3 settings, no errors\n"));
    EXPECT_EQ(Now(), office);
    EXPECT_EQ(machine.Run({"profile", "diff", "Network", "Office"}).exitCode, 0);

    const CliResult declined = machine.Ok({"profile", "undo"}, "n\n");
    EXPECT_TRUE(Contains(declined.out, "[y/N] Nothing was applied.\n"));
    EXPECT_EQ(Now(), office);

    const CliResult undone = machine.Ok({"profile", "undo", "--yes"});
    EXPECT_EQ(undone.out.rfind("Undo the apply of Office (Network) at ", 0), 0u) << undone.out;
    EXPECT_TRUE(Contains(undone.out, "\nApplying File (notes.bin)...\nApplying Hosts file...\nApplying Time zone...\n"
                                     "Undid the apply of Office: 3 settings, no errors\n"));
    EXPECT_EQ(Now(), home) << "byte for byte as before the apply";
    EXPECT_EQ(machine.Run({"profile", "diff", "Network", "Office"}).exitCode, 1);

    EXPECT_TRUE(Contains(machine.Ok({"profile", "undo", "--yes"}).out, "Undid the undo of Office: 3 settings"));
    EXPECT_EQ(Now(), office) << "the undo undone";
    const CliResult nothing = machine.Run({"profile", "undo", "--yes"});
    EXPECT_EQ(nothing.exitCode, 1);
    EXPECT_TRUE(Contains(nothing.err, "There is no apply to undo"));
    EXPECT_EQ(Now(), office);
}

TEST_F(SafetyCliTest, TheSnapshotSurvivesAKillBetweenItAndTheApply) {
    MoveHome();
    const State home = Now();
    ::setenv("PROLAMO_CLI_STOP_AFTER_SNAPSHOT", "1", 1);
    const CliResult killed = machine.Run({"--yes", "profile", "apply", "Network", "Office"});
    ::unsetenv("PROLAMO_CLI_STOP_AFTER_SNAPSHOT");
    EXPECT_EQ(killed.exitCode, 137);
    EXPECT_EQ(Now(), home) << "stopped before the first write";

    const std::string listed = machine.Ok({"history"}).out;
    EXPECT_TRUE(Contains(listed, "apply    Network / Office\n      File (notes.bin), Hosts file, Time zone\n"))
        << listed;
    EXPECT_FALSE(Contains(listed, "damaged"));
    for (const auto& entry : fs::directory_iterator(HistoryFile().parent_path()))
        EXPECT_FALSE(Contains(entry.path().filename().string(), "-journal")) << "the transaction was whole";

    // The snapshot is whole: applying and undoing gives the machine back as it was.
    machine.Ok({"--yes", "profile", "apply", "Network", "Office"});
    machine.Ok({"--yes", "profile", "undo"});
    EXPECT_EQ(Now(), home);
}

TEST_F(SafetyCliTest, UndoRefreshPutsBackTheValuesTheRefreshReplaced) {
    const std::string captured = machine.Ok({"profile", "show", "Network", "Office"}).out;
    MoveHome();
    EXPECT_TRUE(Contains(machine.Ok({"profile", "refresh", "Network", "Office"}).out, "Captured Time zone.\n"));
    EXPECT_NE(machine.Ok({"profile", "show", "Network", "Office"}).out, captured);

    const CliResult undone = machine.Ok({"profile", "undo-refresh"});
    EXPECT_EQ(undone.out.rfind("Put back 3 settings of Office as they were before its refresh at ", 0), 0u)
        << undone.out;
    EXPECT_EQ(machine.Ok({"profile", "show", "Network", "Office"}).out, captured);
    EXPECT_EQ(machine.Run({"profile", "diff", "Network", "Office"}).exitCode, 1) << "the machine was not touched";

    // The first refresh, into an empty profile, is undone to no values at all.
    machine.Ok({"profile", "undo-refresh"});
    EXPECT_TRUE(Contains(machine.Ok({"profile", "show", "Network", "Office"}).out, "  Time zone: not captured\n"));
    const CliResult nothing = machine.Run({"profile", "undo-refresh"});
    EXPECT_EQ(nothing.exitCode, 1);
    EXPECT_TRUE(Contains(nothing.err, "There is no refresh to undo"));
}

TEST_F(SafetyCliTest, AnUnreadableHistoryStopsWhatNeedsItAndIsLeftAsItIs) {
    machine.Ok({"--yes", "profile", "apply", "Network", "Office"});
    WriteBytes(HistoryFile(), Bytes("not a history"));
    MoveHome();
    const State home = Now();
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"--yes", "profile", "apply", "Network", "Office"},
          std::vector<std::string>{"profile", "refresh", "Network", "Office"},
          std::vector<std::string>{"profile", "undo"}}) {
        const CliResult refused = machine.Run(command);
        EXPECT_EQ(refused.exitCode, 3) << command[1];
        EXPECT_TRUE(Contains(refused.err, "qvt-history.db cannot be read: file is not a database\n"
                                          "It was left as it is; nothing was changed.\n"));
    }
    EXPECT_EQ(Now(), home);
    EXPECT_EQ(ReadBytes(HistoryFile()), Bytes("not a history"));
    EXPECT_EQ(machine.Run({"profile", "diff", "Network", "Office"}).exitCode, 1) << "a preview needs no history";
}

TEST_F(SafetyCliTest, HistoryListsTheSnapshotsNewestFirstAndUndoToPutsBackAnOlderOne) {
    EXPECT_EQ(machine.Ok({"history"}).out.rfind(" 1  ", 0), 0u) << "the refresh of the set-up";
    const State office = Now();
    MoveHome();
    const State home = Now();
    machine.Ok({"--yes", "profile", "apply", "Network", "Office"});
    WriteBytes(notes, Bytes("proxy=elsewhere\n"));
    machine.Ok({"--yes", "profile", "apply", "Network", "Office"});

    const std::string listed = machine.Ok({"history"}).out;
    std::istringstream lines(listed);
    std::vector<std::string> heads;
    for (std::string line; std::getline(lines, line);)
        if (!line.starts_with("      "))
            heads.push_back(line);
    ASSERT_EQ(heads.size(), 3u) << listed;
    EXPECT_TRUE(heads[0].starts_with(" 1  ") && heads[0].ends_with("  apply    Network / Office")) << heads[0];
    EXPECT_TRUE(heads[2].starts_with(" 3  ") && heads[2].ends_with("  refresh  Network / Office")) << heads[2];

    const CliResult refresh = machine.Run({"--yes", "profile", "undo", "--to", "3"});
    EXPECT_EQ(refresh.exitCode, 1);
    EXPECT_TRUE(Contains(refresh.err, "holds the profile's values before it, not the machine's state"));
    const CliResult beyond = machine.Run({"--yes", "profile", "undo", "--to", "4"});
    EXPECT_EQ(beyond.exitCode, 2);
    EXPECT_TRUE(Contains(beyond.err, "the history lists 3 snapshots; there is no number 4"));
    EXPECT_EQ(machine.Run({"--yes", "profile", "undo", "--to", "x"}).exitCode, 2);
    EXPECT_EQ(machine.Run({"--to", "1", "list"}).exitCode, 2) << "--to belongs to profile undo";
    EXPECT_EQ(Now(), office);

    const CliResult older = machine.Ok({"--yes", "profile", "undo", "--to", "2"});
    EXPECT_TRUE(Contains(older.out, "Undid the apply of Office: 3 settings, no errors")) << older.out;
    EXPECT_EQ(Now(), home) << "the state before the first apply, not the second";
}

TEST_F(SafetyCliTest, AnUndoToANumberBeyondASingleSnapshotCountsItInTheSingular) {
    const CliResult beyond = machine.Run({"--yes", "profile", "undo", "--to", "2"});
    EXPECT_EQ(beyond.exitCode, 2);
    EXPECT_TRUE(Contains(beyond.err, "the history lists 1 snapshot; there is no number 2"));
}

TEST_F(SafetyCliTest, ARefreshWhoseSaveFailsLeavesNoHistoryEntry) {
    const std::string before = machine.Ok({"history"}).out;
    fs::permissions(machine.DataFile(), fs::perms::owner_read); // the read-only attribute
    MoveHome();
    const CliResult failed = machine.Run({"profile", "refresh", "Network", "Office"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(Contains(failed.err, "cannot be saved"));
    EXPECT_EQ(machine.Ok({"history"}).out, before) << "the refresh it would undo never happened";
    fs::permissions(machine.DataFile(), fs::perms::owner_read | fs::perms::owner_write);
    machine.Ok({"profile", "refresh", "Network", "Office"});
    EXPECT_NE(machine.Ok({"history"}).out, before);
}

TEST_F(SafetyCliTest, AnOldHistoryFileIsMigratedByTheFirstChangeAndADamagedOneSetAside) {
    const fs::path old = machine.DataFile().parent_path() / "qvt-history.dfm";
    WriteBytes(old, Bytes("TPF0 not a history any more"));
    fs::remove(HistoryFile());
    EXPECT_TRUE(Contains(machine.Run({"history"}).err, "cannot be read")) << "a reader leaves it alone";
    EXPECT_TRUE(fs::exists(old));

    const CliResult refreshed = machine.Ok({"profile", "refresh", "Network", "Office"});
    EXPECT_TRUE(Contains(refreshed.err, "Warning: The history file " + old.string() + " cannot be read ("))
        << refreshed.err;
    EXPECT_FALSE(fs::exists(old));
    EXPECT_EQ(ReadBytes(old.string() + ".damaged"), Bytes("TPF0 not a history any more"));
    EXPECT_TRUE(Contains(machine.Ok({"history"}).out, "refresh  Network / Office"));
}

TEST_F(SafetyCliTest, ExportAndImportCarryAConfigurationAsText) {
    const fs::path file = machine / "network.txt";
    EXPECT_EQ(machine.Ok({"config", "export", "Network", file.string()}).out,
              "Exported configuration \"Network\" to " + file.string() + ".\n");
    const auto text = ReadBytes(file);
    const std::string exported(text.begin(), text.end());
    EXPECT_EQ(exported.rfind("object Configurations: TConfigurations\n  Configurations = <\n    item\n"
                             "      Name = 'Network'\n",
                             0),
              0u)
        << exported;

    const CliResult taken = machine.Run({"config", "import", "--yes", file.string()});
    EXPECT_EQ(taken.exitCode, 2);
    EXPECT_TRUE(Contains(taken.err, "A configuration named \"Network\" exists already; --rename imports it"));
    EXPECT_TRUE(Contains(machine.Ok({"config", "import", "--rename", file.string()}, "y\n").out,
                         "Import it? [y/N] Imported configuration \"Network\" as \"Network (2)\".\n"));
    const fs::path copy = machine / "copy.txt";
    machine.Ok({"config", "export", "Network (2)", copy.string()});
    const auto copied = ReadBytes(copy);
    std::string renamed(copied.begin(), copied.end());
    renamed.replace(renamed.find("'Network (2)'"), 13, "'Network'");
    EXPECT_EQ(renamed, exported) << "settings, profiles and values came over whole";
    EXPECT_EQ(machine.Run({"profile", "diff", "Network (2)", "Office"}).exitCode, 0);

    WriteBytes(file, Bytes("object Configurations: TConfigurations\n  Configurations = <\n    item\n"
                           "      Name = 'Broken\n"));
    const CliResult broken = machine.Run({"config", "import", file.string()});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_TRUE(Contains(broken.err, "cannot be imported: Line 4: a text that does not end on its line\n"));
    EXPECT_EQ(machine.Run({"config", "add", "X", "--rename"}).exitCode, 2);
    EXPECT_EQ(machine.Run({"config", "import", (machine / "missing.txt")}).exitCode, 1);
}

// Someone else's configuration says in full where it writes, and files outside the user's own
// folder are the user's to allow.
TEST_F(SafetyCliTest, AnImportRefusesPathsThatHideWhereTheyWriteAndAsksAboutThoseOutsideTheUsersFolder) {
    const fs::path file = machine / "shared.txt";
    machine.Ok({"config", "export", "Network", file.string()});
    const auto bytes = ReadBytes(file);
    const std::string exported(bytes.begin(), bytes.end());
    const auto share = [&](const std::string& path, const std::string& name) {
        std::string text = exported;
        const std::string from = "'" + notes.string() + "'";
        text.replace(text.find(from), from.size(), "'" + path + "'");
        text.replace(text.find("Name = 'Network'"), 16, "Name = '" + name + "'");
        WriteBytes(file, Bytes(text));
    };
    const std::string folder = notes.parent_path().string();
    for (const auto& [path, why] : {std::pair<std::string, std::string>{".bashrc", "the path is relative"},
                                    {"../notes.bin", "the path is relative"},
                                    {folder + "/sub/../notes.bin", "the path goes up with \"..\""}}) {
        share(path, "Shared");
        const CliResult refused = machine.Run({"--yes", "config", "import", file.string()});
        EXPECT_EQ(refused.exitCode, 1) << path;
        EXPECT_TRUE(Contains(refused.err, "cannot be imported: The configuration \"Shared\", setting \"File (" + path +
                                              ")\": " + why));
        EXPECT_FALSE(Contains(machine.Ok({"list"}).out, "Shared")) << path;
    }

    const std::string profile =
        (machine.Folder() / "Users" / fs::directory_iterator(machine.Folder() / "Users")->path().filename()).string();
    share(notes.string(), "Shared");
    const std::string listed = "Its File settings write outside your own folder " + profile + ":\n  " + notes.string() +
                               " (configuration Shared)\n";
    for (const char* answer : {"n\n", ""}) {
        const CliResult declined = machine.Ok({"config", "import", file.string()}, answer);
        EXPECT_EQ(declined.out, listed + "Import it? [y/N] " + (*answer ? "" : "\n") + "Nothing was imported.\n");
        EXPECT_FALSE(Contains(machine.Ok({"list"}).out, "Shared"));
    }
    EXPECT_EQ(machine.Ok({"--yes", "config", "import", file.string()}).out,
              listed + "Imported configuration \"Shared\".\n")
        << "a script's --yes answers, and still sees the list";
    EXPECT_TRUE(Contains(machine.Ok({"list"}).out, "Shared\n  Settings:\n    File (" + notes.string() + ")\n"));

    share(profile + "/.bashrc", "Mine");
    EXPECT_EQ(machine.Ok({"config", "import", file.string()}).out, "Imported configuration \"Mine\".\n")
        << "the user's own folder asks nothing";
}

} // namespace
} // namespace prolamo::test
