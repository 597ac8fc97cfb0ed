// prolamo-cli end to end: the built program on a fresh simulated machine per test.

#include "CliRunner.h"
#include "classes/uDataFileLock.h"
#include "support/TestKinds.h"

#include "classes/uPersistence.h"
#include "framework/Stream.h"

#include <gtest/gtest.h>

#include <fstream>

namespace prolamo::test {
namespace {

namespace fs = std::filesystem;

// Every byte value, line breaks of both kinds and no final line break: a copy that is not byte
// for byte shows.
std::vector<std::uint8_t> AwkwardContent() {
    std::vector<std::uint8_t> bytes = Bytes("first line\r\nsecond\n");
    for (int i = 0; i < 256; ++i)
        bytes.push_back(static_cast<std::uint8_t>(i));
    bytes.push_back('x');
    return bytes;
}

class CliTest : public ::testing::Test {
protected:
    CliMachine machine;
};

TEST_F(CliTest, ReadingCommandsOnAFreshMachineWriteNoDataFile) {
    EXPECT_EQ(machine.Ok({"list"}).out, "No configurations.\n");
    const CliResult dump = machine.Run({"datafile", "dump"});
    EXPECT_EQ(dump.exitCode, 3);
    EXPECT_TRUE(Contains(dump.err, "cannot read"));
    EXPECT_TRUE(machine.DataFile().empty());

    const CliResult help = machine.Ok({"--help"});
    for (const char* part : {"config add NAME", "setting add CONFIG KIND [ARG...]", "profile apply CONFIG PROFILE",
                             "datafile dump [FILE]", "\"File\" (TFileSetting), ARG: FileName", "\"Hosts file\"",
                             "3  the data file or the history file cannot be read"})
        EXPECT_TRUE(Contains(help.out, part));
    EXPECT_TRUE(machine.DataFile().empty());
}

TEST_F(CliTest, ConfigurationsAndProfilesAreAddedListedInNameOrderAndDeleted) {
    EXPECT_EQ(machine.Ok({"config", "add", "Office"}).out, "Added configuration \"Office\".\n");
    machine.Ok({"config", "add", "Home"});
    machine.Ok({"config", "add", "--", "-dash"}); // a name that looks like an option
    machine.Ok({"profile", "add", "Home", "Weekend"});
    machine.Ok({"profile", "add", "Home", "Evening"});
    machine.Ok({"setting", "add", "Home", "THostsFileSetting"});
    EXPECT_EQ(machine.Ok({"list"}).out, "-dash\n  Settings: none\n  Profiles: none\n"
                                        "Home\n  Settings:\n    Hosts file\n  Profiles:\n    Evening\n    Weekend\n"
                                        "Office\n  Settings: none\n  Profiles: none\n");

    EXPECT_EQ(machine.Ok({"profile", "delete", "Home", "Weekend"}).out,
              "Deleted profile \"Weekend\" of configuration \"Home\".\n");
    machine.Ok({"config", "delete", "Office"});
    machine.Ok({"config", "delete", "--", "-dash"});
    EXPECT_EQ(machine.Ok({"list"}).out, "Home\n  Settings:\n    Hosts file\n  Profiles:\n    Evening\n");
}

TEST_F(CliTest, BadArgumentsAndUnknownNamesExitWith2AndChangeNothing) {
    machine.Ok({"config", "add", "Home"});
    machine.Ok({"profile", "add", "Home", "Office"});
    const fs::path dataFile = machine.DataFile();
    ASSERT_FALSE(dataFile.empty());
    const auto before = ReadBytes(dataFile);

    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "no command given"},
        {{"frobnicate"}, "unknown command \"frobnicate\""},
        {{"config"}, "\"config\" needs one of: add, delete"},
        {{"config", "rename", "Home"}, "unknown config command \"rename\""},
        {{"config", "add"}, "usage: prolamo-cli config add NAME"},
        {{"config", "add", "A", "B"}, "usage: prolamo-cli config add NAME"},
        {{"config", "add", ""}, "needs a name"},
        {{"config", "add", "Home"}, "a configuration named \"Home\" already exists"},
        {{"config", "delete", "Away"}, "unknown configuration \"Away\""},
        {{"list", "--force"}, "unknown option \"--force\""},
        {{"config", "add", "X", "--yes"}, "--yes belongs to profile apply and profile undo only"},
        {{"setting", "add", "Away", "File", "/tmp/x"}, "unknown configuration \"Away\""},
        {{"setting", "add", "Home", "Printer"}, "unknown setting kind \"Printer\"; the kinds are \"File\""},
        {{"setting", "add", "Home", "File"}, "the setting kind \"File\" needs its FileName"},
        {{"setting", "add", "Home", "File", "/a", "/b"}, "the setting kind \"File\" takes one FileName"},
        {{"setting", "add", "Home", "Hosts file", "/etc/hosts"}, "the setting kind \"Hosts file\" takes no argument"},
        {{"profile", "add", "Home", "Office"}, "already has a profile named \"Office\""},
        {{"profile", "show", "Home", "Away"}, "configuration \"Home\" has no profile \"Away\""},
        {{"profile", "refresh", "Home", "Away"}, "has no profile \"Away\""},
        {{"profile", "apply", "Home", "Away"}, "has no profile \"Away\""},
        {{"profile", "delete", "Away", "Office"}, "unknown configuration \"Away\""},
        {{"profile", "show", "Home"}, "usage: prolamo-cli profile show CONFIG PROFILE"},
        {{"datafile", "dump", "a", "b"}, "usage: prolamo-cli datafile dump [FILE]"},
    };
    for (const auto& [arguments, message] : cases) {
        std::string command;
        for (const std::string& a : arguments)
            command += " '" + a + "'";
        const CliResult result = machine.Run(arguments);
        EXPECT_EQ(result.exitCode, 2) << command;
        EXPECT_TRUE(Contains(result.err, message)) << command;
        EXPECT_TRUE(Contains(result.err, "Try \"prolamo-cli --help\"")) << command;
        EXPECT_EQ(result.out, "") << command;
    }
    EXPECT_EQ(ReadBytes(dataFile), before);
}

TEST_F(CliTest, EnvironmentVariablesAreChosenByNameAndTheOtherKindsTakeNone) {
    machine.Ok({"config", "add", "Travel"});
    EXPECT_EQ(machine.Ok({"setting", "add", "Travel", "Environment variables", "TEMP", "Path", "path"}).out,
              "Added setting \"Environment variables\" to configuration \"Travel\".\n");
    for (const char* kind : {"Internet Explorer proxy", "Firefox proxy", "Opera proxy", "Time zone"})
        machine.Ok({"setting", "add", "Travel", kind});
    machine.Ok({"profile", "add", "Travel", "Office"});
    machine.Ok({"profile", "refresh", "Travel", "Office"});
    const std::string shown = machine.Ok({"profile", "show", "Travel", "Office"}).out;
    EXPECT_TRUE(Contains(shown, "  Environment variables:\n    | Path=%SystemRoot%\\system32;")) << shown;
    EXPECT_TRUE(Contains(shown, "\n    | TEMP=%SystemRoot%\\TEMP\n")) << "two names, Path once";
    EXPECT_TRUE(Contains(shown, "  Time zone: (UTC-08:00) Pacific Time (US & Canada)\n"));
    EXPECT_TRUE(Contains(shown, "  Opera proxy: No proxy\n"));
    EXPECT_TRUE(Contains(shown, "  Internet Explorer proxy: Do not use proxy for \"*.corp.example;<local>\"\n"));
    EXPECT_TRUE(Contains(shown, "  Firefox proxy:\n    | http: \"proxy.corp.example\":8080\n"));
    EXPECT_TRUE(Contains(machine.Ok({"--help"}).out, "\"Environment variables\" (TEnvSetting), ARG: VariableNames..."));
}

TEST_F(CliTest, ApplyRestoresFilesByteForByteAfterTheConfirmation) {
    const fs::path notes = machine / "notes.bin";
    WriteBytes(notes, AwkwardContent());
    machine.Ok({"list"}); // seeds the machine with its hosts file
    const fs::path hosts = machine.HostsFile();
    ASSERT_FALSE(hosts.empty());
    const auto hostsBefore = ReadBytes(hosts);

    machine.Ok({"config", "add", "Network"});
    EXPECT_EQ(machine.Ok({"setting", "add", "Network", "File", notes.string()}).out,
              "Added setting \"File (notes.bin)\" to configuration \"Network\".\n");
    machine.Ok({"setting", "add", "Network", "hosts FILE"}); // the caption, in any case
    machine.Ok({"profile", "add", "Network", "Home"});
    EXPECT_EQ(machine.Ok({"profile", "show", "Network", "Home"}).out,
              "Profile \"Home\" of configuration \"Network\"\n  File (notes.bin): not captured\n"
              "  Hosts file: not captured\n");
    machine.Ok({"profile", "refresh", "Network", "Home"});
    const std::string shown = machine.Ok({"profile", "show", "Network", "Home"}).out;
    EXPECT_TRUE(Contains(shown, "  File (notes.bin): Binary file\n"));
    EXPECT_TRUE(Contains(shown, "  Hosts file:\n    | "));

    WriteBytes(notes, Bytes("overwritten"));
    WriteBytes(hosts, Bytes("10.0.0.1 elsewhere\n"));

    // Answered no, or not at all: nothing happens.
    for (const char* answer : {"n\n", ""}) {
        const CliResult declined = machine.Ok({"profile", "apply", "Network", "Home"}, answer);
        EXPECT_EQ(declined.out, "Do you really want to apply profile these settings? [y/N] " +
                                    std::string(*answer ? "" : "\n") + "Nothing was applied.\n");
        EXPECT_EQ(ReadBytes(notes), Bytes("overwritten"));
    }

    const CliResult confirmed = machine.Ok({"profile", "apply", "Network", "Home"}, "yes\n");
    EXPECT_TRUE(Contains(confirmed.out, "[y/N] Applying File (notes.bin)...\nApplying Hosts file...\n"
                                        "Applied Home: 2 settings, no errors\n"));
    EXPECT_EQ(ReadBytes(notes), AwkwardContent());
    EXPECT_EQ(ReadBytes(hosts), hostsBefore);

    // --yes asks nothing; a profile captured while the file was missing deletes it.
    fs::remove(notes);
    machine.Ok({"profile", "add", "Network", "Away"});
    machine.Ok({"profile", "refresh", "Network", "Away"});
    WriteBytes(notes, Bytes("back again"));
    const CliResult applied = machine.Ok({"profile", "apply", "--yes", "Network", "Away"});
    EXPECT_EQ(applied.out, "Applying File (notes.bin)...\nApplying Hosts file...\nApplied Away: 2 settings, no errors\n");
    EXPECT_FALSE(fs::exists(notes));
}

TEST_F(CliTest, AnErrorLineExits1AndTheOtherSettingsAreStillApplied) {
    fs::create_directory(machine / "folder");
    const fs::path lost = fs::path(machine / "folder") / "lost.txt";
    WriteBytes(lost, Bytes("kept"));
    const fs::path other = machine / "other.txt";
    WriteBytes(other, Bytes("original"));
    machine.Ok({"config", "add", "C"});
    machine.Ok({"setting", "add", "C", "File", lost.string()});
    machine.Ok({"setting", "add", "C", "File", other.string()});
    machine.Ok({"profile", "add", "C", "P"});
    machine.Ok({"profile", "refresh", "C", "P"});
    fs::remove_all(machine / "folder");
    WriteBytes(other, Bytes("changed"));

    const CliResult result = machine.Run({"profile", "apply", "-y", "C", "P"});
    EXPECT_EQ(result.exitCode, 1);
    // Each line names its setting as the lists show it.
    EXPECT_TRUE(Contains(result.out, "Applying File (lost.txt)...\nApplying File (other.txt)...\n"
                                     "Error: File (lost.txt): Invalid filename\nApplied P: 2 settings, 1 error\n"))
        << result.out;
    EXPECT_EQ(ReadBytes(other), Bytes("original"));
}

TEST_F(CliTest, AnUnreadableDataFileIsReportedAndLeftUntouched) {
    machine.Ok({"config", "add", "Home"});
    const fs::path dataFile = machine.DataFile();
    auto damaged = ReadBytes(dataFile);
    damaged.resize(damaged.size() - 3); // cut among the records' ends
    WriteBytes(dataFile, damaged);

    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"list"}, {"config", "add", "Other"}, {"profile", "show", "Home", "P"}}) {
        const CliResult result = machine.Run(command);
        EXPECT_EQ(result.exitCode, 3) << command[0];
        EXPECT_TRUE(Contains(result.err, "the data file " + dataFile.string() + " cannot be read: Stream read error"));
        EXPECT_TRUE(Contains(result.err, "It was left as it is"));
        EXPECT_EQ(ReadBytes(dataFile), damaged);
    }
    const CliResult dump = machine.Run({"datafile", "dump"});
    EXPECT_EQ(dump.exitCode, 3);
    EXPECT_TRUE(Contains(dump.out, "Name = 'Home'")); // what could be read is shown
    EXPECT_TRUE(Contains(dump.err, "cannot be read at offset"));
    EXPECT_EQ(ReadBytes(dataFile), damaged);
}

// A file naming a class this program does not have: written by a program with more kinds.
TEST_F(CliTest, AFileWithAnUnknownKindIsRefusedButDumpedWholly) {
    machine.Ok({"config", "add", "Home"});
    const fs::path dataFile = machine.DataFile();
    RegisterTestKinds();
    TestMachine()["colour"] = "blue";
    {
        TPersistentData data;
        data.SetSaveOnFree(false);
        auto root = std::make_unique<TConfigurations>();
        TConfiguration& future = AddConfiguration(*root, "Future", {"colour"});
        future.Settings()[0].SetId(3000000000u);
        auto profile = future.Profiles().NewProfile();
        profile->RefreshAll();
        future.Profiles().Add(std::move(profile));
        data.Register(std::move(root));
        WriteBytes(dataFile, WriteComponentResource(data));
    }
    const auto written = ReadBytes(dataFile);

    const CliResult list = machine.Run({"list"});
    EXPECT_EQ(list.exitCode, 3);
    EXPECT_TRUE(Contains(list.err, "Class TTestSetting not found"));
    const CliResult add = machine.Run({"config", "add", "Other"});
    EXPECT_EQ(add.exitCode, 3);
    EXPECT_EQ(ReadBytes(dataFile), written);

    const CliResult dump = machine.Ok({"datafile", "dump", dataFile.string()});
    EXPECT_TRUE(Contains(dump.out, "object PersistentData: TPersistentData\n"
                                   "  object Configurations: TConfigurations\n"
                                   "    Configurations = <\n      item\n        Name = 'Future'\n"
                                   "        Settings = (\n          object TTestSetting\n"
                                   "            # class not known to this program\n"
                                   "            Id = -1294967296\n            Key = 'colour'\n          end\n        )\n"));
    EXPECT_TRUE(Contains(dump.out, "            Values = (\n              object TTestValue\n"));
    EXPECT_TRUE(Contains(dump.out, "                Text = 'blue'\n"));
}

TEST_F(CliTest, IdsOfKnownKindsAreDumpedUnsigned) {
    machine.Ok({"config", "add", "Home"});
    machine.Ok({"setting", "add", "Home", "Hosts file"});
    machine.Ok({"profile", "add", "Home", "Office"});
    machine.Ok({"profile", "refresh", "Home", "Office"});
    const CliResult dump = machine.Ok({"datafile", "dump"});
    EXPECT_TRUE(Contains(dump.out, "# " + machine.DataFile().string() + ", "));
    EXPECT_TRUE(Contains(dump.out, "# resource TPERSISTENTDATA, flags 0x1030, component stream of "));
    EXPECT_TRUE(Contains(dump.out, "object THostsFileSetting\n"));
    EXPECT_TRUE(Contains(dump.out, "object TFileSettingValue\n"));
    EXPECT_TRUE(Contains(dump.out, "FileExists = True\n"));
    EXPECT_TRUE(Contains(dump.out, "Content = {"));
    EXPECT_EQ(dump.out.find("not known"), std::string::npos);
}

TEST_F(CliTest, ChangesAreRefusedWhileAnotherProgramHoldsTheLock) {
    machine.Ok({"config", "add", "Home"});
    const fs::path dataFile = machine.DataFile();
    const auto before = ReadBytes(dataFile);
    {
        TDataFileLock held(dataFile.string());
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"config", "add", "Other"}, {"profile", "add", "Home", "P"}}) {
            const CliResult refused = machine.Run(command);
            EXPECT_EQ(refused.exitCode, 4);
            EXPECT_TRUE(Contains(refused.err, "The data file " + dataFile.string() +
                                                  " is in use by another Prolamo program"));
        }
        EXPECT_EQ(ReadBytes(dataFile), before);
        EXPECT_TRUE(Contains(machine.Ok({"list"}).out, "Home")); // reading needs no lock
        EXPECT_THROW(TDataFileLock second(dataFile.string()), EDataFileLocked);
    }
    machine.Ok({"config", "add", "Other"});
    EXPECT_EQ((fs::status(dataFile.string() + ".lock").permissions() & fs::perms::all),
              fs::perms::owner_read | fs::perms::owner_write);
}

} // namespace
} // namespace prolamo::test
