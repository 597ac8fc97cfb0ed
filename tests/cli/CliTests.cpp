// prolamo-cli end to end: the built program on a fresh simulated machine per test.

#include "CliRunner.h"
#include "classes/uDataFileLock.h"
#include "support/TestKinds.h"

#include "classes/uPersistence.h"
#include "classes/uRegistry.h"
#include "framework/Stream.h"
#include "os/Registry.h"
#include "os/simulated/Machine.h"
#include "profiles/uEnvSettings.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <sstream>

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
    std::istringstream lines(help.out);
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(line.size(), 90u) << "fits a terminal: " << line;
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
    machine.Ok({"setting", "add", "Home", "Hosts file"});
    const std::string notes = machine / "notes.txt";
    machine.Ok({"setting", "add", "Home", "File", notes});
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
        {{"config", "add", "X", "--yes"}, "--yes belongs to profile apply, profile undo and config import only"},
        {{"setting", "add", "Away", "File", "/tmp/x"}, "unknown configuration \"Away\""},
        {{"setting", "add", "Home", "Printer"}, "unknown setting kind \"Printer\"; the kinds are \"File\""},
        {{"setting", "add", "Home", "File"}, "the setting kind \"File\" needs its FileName"},
        {{"setting", "add", "Home", "File", "/a", "/b"}, "the setting kind \"File\" takes one FileName"},
        {{"setting", "add", "Home", "Hosts file", "/etc/hosts"}, "the setting kind \"Hosts file\" takes no argument"},
        {{"setting", "add", "Home", "hosts file"}, "already has the setting \"Hosts file\""},
        {{"setting", "add", "Home", "File", notes}, "already has the setting \"File (" + notes + ")\""},
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

TEST_F(CliTest, EnvironmentVariablesTakeTheirScopeAfterTheName) {
    machine.Ok({"config", "add", "Travel"});
    machine.Ok({"setting", "add", "Travel", "Environment variables", "TEMP=user", "TEMP=machine"});
    machine.Ok({"profile", "add", "Travel", "Office"});
    machine.Ok({"profile", "refresh", "Travel", "Office"});
    const std::string shown = machine.Ok({"profile", "show", "Travel", "Office"}).out;
    EXPECT_TRUE(Contains(shown, "    | TEMP (user)=%USERPROFILE%\\AppData\\Local\\Temp\n"
                                "    | TEMP (machine)=%SystemRoot%\\TEMP\n"));
    EXPECT_TRUE(Contains(machine.Run({"setting", "add", "Travel", "Environment variables", "TEMP=nobody"}).err,
                         "\"TEMP=nobody\" is not a name an environment variable can have"));
}

TEST_F(CliTest, EnvironmentNamesAVariableCannotHaveAreRefusedAndCaptureWarningsArePrinted) {
    machine.Ok({"config", "add", "Travel"});
    const auto before = ReadBytes(machine.DataFile());
    for (const char* bad : {"A=B", "  ", "Tab\there"}) {
        const CliResult refused = machine.Run({"setting", "add", "Travel", "Environment variables", "OS", bad});
        EXPECT_EQ(refused.exitCode, 2) << bad;
        EXPECT_TRUE(Contains(refused.err, "is not a name an environment variable can have")) << refused.err;
    }
    for (const char* bad : {"", "Line\nBreak"}) {
        const CliResult refused = machine.Run({"setting", "add", "Travel", "Environment variables", "OS", bad});
        EXPECT_EQ(refused.exitCode, 2) << bad;
        EXPECT_TRUE(Contains(refused.err, "a name of VariableNames is one line of text")) << refused.err;
    }
    EXPECT_EQ(ReadBytes(machine.DataFile()), before) << "nothing was added";

    machine.Ok({"setting", "add", "Travel", "Environment variables", "OS", "Multi"});
    {
        const auto opened = os::simulated::Machine::Open(machine.Folder());
        const os::simulated::ScopedCurrentMachine current(*opened);
        TRegistry user;
        ASSERT_TRUE(user.OpenKey(UserEnvironmentKey, false));
        const std::u16string multi(u"one\0two\0\0", 9);
        ASSERT_EQ(os::Registry().SetValueEx(user.CurrentKey(), u"Multi", os::RegMultiSz,
                                            reinterpret_cast<const std::uint8_t*>(multi.data()),
                                            static_cast<std::uint32_t>(multi.size() * 2)),
                  os::ErrorSuccess);
    }
    machine.Ok({"profile", "add", "Travel", "Office"});
    EXPECT_EQ(machine.Ok({"profile", "refresh", "Travel", "Office"}).out,
              "Warning: Environment variables: The variable \"Multi\" is not a text in the registry but a value of "
              "another type; it is not captured\nCaptured Environment variables.\n"
              "Refreshed profile \"Office\" of configuration \"Travel\".\n");
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
              "Profile \"Home\" of configuration \"Network\"\n  File (" + notes.string() +
                  "): not captured\n"
                  "  Hosts file: not captured\n");
    machine.Ok({"profile", "refresh", "Network", "Home"});
    const std::string shown = machine.Ok({"profile", "show", "Network", "Home"}).out;
    EXPECT_TRUE(Contains(shown, "  File (" + notes.string() + "): Binary file\n"));
    EXPECT_TRUE(Contains(shown, "  Hosts file:\n    | "));

    WriteBytes(notes, Bytes("overwritten"));
    WriteBytes(hosts, Bytes("10.0.0.1 elsewhere\n"));

    // Answered no, or not at all: nothing happens.
    for (const char* answer : {"n\n", ""}) {
        const CliResult declined = machine.Ok({"profile", "apply", "Network", "Home"}, answer);
        EXPECT_EQ(declined.out, "Do you really want to apply profile these settings?\n\nFiles it writes or deletes:\n"
                                "  File (" +
                                    notes.string() + ") [y/N] " + std::string(*answer ? "" : "\n") +
                                    "Nothing was applied.\n");
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
    EXPECT_EQ(applied.out,
              "Applying File (notes.bin)...\nApplying Hosts file...\nApplied Away: 2 settings, no errors\n");
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

    // Every record is shown, and the exit code says that the program cannot load the file.
    const CliResult dump = machine.Run({"datafile", "dump", dataFile.string()});
    EXPECT_EQ(dump.exitCode, 3);
    EXPECT_TRUE(Contains(dump.err, "cannot be loaded: Error reading Future.Settings: Class TTestSetting not found"));
    EXPECT_TRUE(Contains(dump.out,
                         "object PersistentData: TPersistentData\n"
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
            EXPECT_TRUE(
                Contains(refused.err, "The data file " + dataFile.string() + " is in use by another Prolamo program"));
        }
        EXPECT_EQ(ReadBytes(dataFile), before);
        EXPECT_TRUE(Contains(machine.Ok({"list"}).out, "Home")); // reading needs no lock
        EXPECT_THROW(TDataFileLock second(dataFile.string()), EDataFileLocked);
    }
    machine.Ok({"config", "add", "Other"});
    EXPECT_EQ((fs::status(dataFile.string() + ".lock").permissions() & fs::perms::all),
              fs::perms::owner_read | fs::perms::owner_write);
}

// A data file holding one configuration named Name, with a profile named Profile.
void WriteDataFile(const fs::path& path, const std::string& name, const std::string& profileName) {
    RegisterTestKinds();
    TPersistentData data;
    data.SetSaveOnFree(false);
    auto root = std::make_unique<TConfigurations>();
    TConfiguration& configuration = AddConfiguration(*root, name, {});
    auto profile = configuration.Profiles().NewProfile();
    profile->SetName(profileName);
    configuration.Profiles().Add(std::move(profile));
    data.Register(std::move(root));
    WriteBytes(path, WriteComponentResource(data));
}

fs::path RoamingFolder(const CliMachine& machine) {
    for (const auto& entry : fs::recursive_directory_iterator(machine.Folder()))
        if (entry.is_directory() && entry.path().filename() == "Roaming" &&
            entry.path().parent_path().filename() == "AppData")
            return entry.path();
    return {};
}

TEST_F(CliTest, TextThatIsNotUtf8AndNamesWithControlCharactersAreRefused) {
    const CliResult latin1 = machine.Run({"config", "add", "Caf\xE9"});
    EXPECT_EQ(latin1.exitCode, 2);
    EXPECT_TRUE(Contains(latin1.err, "the argument \"Caf\\xE9\" is not UTF-8 text"));
    EXPECT_TRUE(machine.DataFile().empty());

    machine.Ok({"config", "add", "Café"});
    const fs::path dataFile = machine.DataFile();
    const auto before = ReadBytes(dataFile);
    for (const std::vector<std::string>& command : {std::vector<std::string>{"config", "add", "red\x1B[31m"},
                                                    {"config", "add", "two\nlines"},
                                                    {"profile", "add", "Café", "tab\there"},
                                                    {"profile", "add", "Café", "csi\xC2\x9B"}}) {
        const CliResult refused = machine.Run(command);
        EXPECT_EQ(refused.exitCode, 2) << command.back();
        EXPECT_TRUE(Contains(refused.err, "name cannot hold control characters"));
        EXPECT_EQ(refused.err.find('\x1B'), std::string::npos);
    }
    EXPECT_EQ(ReadBytes(dataFile), before);
    EXPECT_TRUE(Contains(machine.Ok({"list"}).out, "Café\n"));
}

TEST_F(CliTest, ImportRefusesTheNamesConfigAddRefusesWithTheSameMessage) {
    machine.Ok({"config", "add", "Net"});
    machine.Ok({"profile", "add", "Net", "Home"});
    const fs::path file = machine / "net.txt";
    machine.Ok({"config", "export", "Net", file.string()});
    const auto exported = ReadBytes(file);
    const std::string text(exported.begin(), exported.end());
    machine.Ok({"config", "delete", "Net"});
    const auto before = ReadBytes(machine.DataFile());
    // The text form of each name, and the name itself.
    for (const auto& [literal, name] : std::vector<std::pair<std::string, std::string>>{
             {"'red'#27'[31m'", "red\x1B[31m"}, {"'two'#10'lines'", "two\nlines"}, {"'csi\xC2\x9B'", "csi\xC2\x9B"}}) {
        const CliResult added = machine.Run({"config", "add", name});
        EXPECT_EQ(added.exitCode, 2) << literal;
        const std::string fault = added.err.substr(0, added.err.find('\n'));
        ASSERT_TRUE(Contains(fault, "prolamo-cli: a configuration name cannot hold control characters: \"")) << literal;

        std::string edited = text;
        edited.replace(edited.find("'Net'"), 5, literal);
        WriteBytes(file, Bytes(edited));
        const CliResult imported = machine.Run({"config", "import", file.string()});
        EXPECT_EQ(imported.exitCode, 1) << literal;
        EXPECT_EQ(imported.err, "prolamo-cli: " + file.string() +
                                    " cannot be imported: " + fault.substr(std::string("prolamo-cli: ").size()) + "\n");
        EXPECT_EQ(imported.err.find('\x1B'), std::string::npos);
    }
    std::string edited = text;
    edited.replace(edited.find("'Home'"), 6, "'tab'#9");
    WriteBytes(file, Bytes(edited));
    EXPECT_TRUE(Contains(machine.Run({"config", "import", file.string()}).err,
                         "cannot be imported: The configuration \"Net\": a profile name cannot hold control "
                         "characters: \"tab\\t\"\n"));
    EXPECT_EQ(ReadBytes(machine.DataFile()), before) << "nothing was imported";
}

TEST_F(CliTest, ControlCharactersFromTheDataFileReachTheTerminalEscaped) {
    machine.Ok({"config", "add", "Home"});
    const fs::path dataFile = machine.DataFile();
    WriteDataFile(dataFile, "evil\x1B]0;title\x07\nHome",
                  "csi\xC2\x9B"
                  "2J");
    const CliResult list = machine.Ok({"list"});
    EXPECT_EQ(list.out, "evil\\x1B]0;title\\x07\\x0AHome\n  Settings: none\n  Profiles:\n    csi\\xC2\\x9B2J\n");
    const CliResult show = machine.Run({"profile", "show", "nothing\x1B", "x"});
    EXPECT_TRUE(Contains(show.err, "unknown configuration \"nothing\\x1B\""));

    // A load error quotes the class name it read.
    RegisterTestKinds();
    TestMachine()["colour"] = "blue";
    {
        TPersistentData data;
        data.SetSaveOnFree(false);
        auto root = std::make_unique<TConfigurations>();
        AddConfiguration(*root, "Future", {"colour"});
        data.Register(std::move(root));
        auto bytes = WriteComponentResource(data);
        const std::string name = "TTestSetting";
        auto at = std::search(bytes.begin(), bytes.end(), name.begin(), name.end());
        ASSERT_NE(at, bytes.end());
        *(at + 1) = 0x1B;
        WriteBytes(dataFile, bytes);
    }
    for (const std::vector<std::string>& command : {std::vector<std::string>{"list"}, {"datafile", "dump"}}) {
        const CliResult refused = machine.Run(command);
        EXPECT_EQ(refused.exitCode, 3);
        if (command[0] == "list") {
            EXPECT_TRUE(Contains(refused.err, "Class T\\x1BestSetting not found"));
        }
        EXPECT_EQ(refused.err.find('\x1B'), std::string::npos);
        EXPECT_EQ(refused.out.find('\x1B'), std::string::npos);
    }
}

// The stream of a root record whose one property P is Depth lists, one inside the other, the
// innermost holding Count values.
std::vector<std::uint8_t> NestedFile(std::size_t depth, std::size_t count) {
    std::vector<std::uint8_t> stream = Bytes("TPF0");
    stream.push_back(15);
    for (char c : std::string("TPersistentData"))
        stream.push_back(static_cast<std::uint8_t>(c));
    stream.insert(stream.end(), {0, 1, 'P'});
    stream.insert(stream.end(), depth, 1);
    stream.insert(stream.end(), count, 8);
    stream.insert(stream.end(), depth, 0);
    stream.insert(stream.end(), {0, 0});
    std::vector<std::uint8_t> file{0xFF, 0x0A, 0x00};
    for (char c : std::string("TPERSISTENTDATA"))
        file.push_back(static_cast<std::uint8_t>(c));
    const auto length = static_cast<std::uint32_t>(stream.size());
    file.insert(file.end(),
                {0x00, 0x30, 0x10, static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
                 static_cast<std::uint8_t>(length >> 16), static_cast<std::uint8_t>(length >> 24)});
    file.insert(file.end(), stream.begin(), stream.end());
    return file;
}

TEST_F(CliTest, DumpStopsWhereTheLoaderWouldAndBoundsItsOutput) {
    const std::string deep = machine / "deep.dfm";
    WriteBytes(deep, NestedFile(12000, 0));
    const CliResult tooDeep = machine.Run({"datafile", "dump", deep});
    EXPECT_EQ(tooDeep.exitCode, 3);
    EXPECT_TRUE(Contains(tooDeep.err, "nested more than 200 levels deep"));
    EXPECT_LT(tooDeep.out.size(), 200u * 1024);

    // Just within the limit, many small values deep down: the text stays a bounded multiple of the file.
    const std::string wide = machine / "wide.dfm";
    const auto file = NestedFile(190, 200000);
    WriteBytes(wide, file);
    const CliResult bounded = machine.Run({"datafile", "dump", wide});
    EXPECT_EQ(bounded.exitCode, 3) << bounded.err; // TPersistentData has no property P
    EXPECT_TRUE(Contains(bounded.err, "cannot be loaded: Error reading TPersistentData.P: Property P does not exist"));
    EXPECT_LT(bounded.out.size(), (1u << 20) + 17 * file.size());
    EXPECT_TRUE(Contains(bounded.out, "# the dump stops here"));
}

TEST_F(CliTest, WithoutTheApplicationDataFolderEveryCommandFailsAndWritesNothing) {
    machine.Ok({"list"}); // seeds the machine
    const fs::path roaming = RoamingFolder(machine);
    ASSERT_FALSE(roaming.empty());
    fs::remove_all(roaming);
    const bool rootFolderBefore = fs::exists("/Orvenik");
    for (const std::vector<std::string>& command : {std::vector<std::string>{"list"},
                                                    {"config", "add", "Home"},
                                                    {"datafile", "dump"},
                                                    {"profile", "show", "Home", "P"}}) {
        const CliResult failed = machine.Run(command);
        EXPECT_EQ(failed.exitCode, 3) << command[0];
        EXPECT_TRUE(Contains(failed.err, "application-data folder, which holds the data file, cannot be found"));
        EXPECT_EQ(failed.out, "");
    }
    EXPECT_FALSE(fs::exists(roaming));
    EXPECT_TRUE(machine.DataFile().empty());
    EXPECT_EQ(fs::exists("/Orvenik"), rootFolderBefore);
}

TEST_F(CliTest, ChangesAreReportedOnlyOnceSaved) {
    machine.Ok({"config", "add", "Home"});
    machine.Ok({"setting", "add", "Home", "Hosts file"});
    machine.Ok({"profile", "add", "Home", "P"});
    const fs::path dataFile = machine.DataFile();
    const auto before = ReadBytes(dataFile);
    fs::permissions(dataFile, fs::perms::owner_read); // the read-only attribute: even root's save fails
    for (const std::vector<std::string>& command : {std::vector<std::string>{"config", "add", "Other"},
                                                    {"profile", "refresh", "Home", "P"},
                                                    {"config", "delete", "Home"}}) {
        const CliResult failed = machine.Run(command);
        EXPECT_EQ(failed.exitCode, 1) << command[1];
        EXPECT_TRUE(Contains(failed.err, "cannot be saved"));
        for (const char* claim : {"Added", "Refreshed", "Deleted"})
            EXPECT_EQ(failed.out.find(claim), std::string::npos) << failed.out;
    }
    EXPECT_EQ(ReadBytes(dataFile), before);
}

TEST_F(CliTest, ADataFileLinkedToNothingIsAReadingErrorAndStaysALink) {
    machine.Ok({"config", "add", "Home"});
    const fs::path dataFile = machine.DataFile();
    fs::rename(dataFile, machine / "moved.dfm");
    fs::create_symlink(machine / "gone.dfm", dataFile);
    for (const std::vector<std::string>& command : {std::vector<std::string>{"list"}, {"config", "add", "Other"}}) {
        const CliResult refused = machine.Run(command);
        EXPECT_EQ(refused.exitCode, 3) << command[0];
        EXPECT_TRUE(Contains(refused.err, "The data file is a link to a file that does not exist"));
    }
    EXPECT_TRUE(fs::is_symlink(dataFile));
    EXPECT_FALSE(fs::exists(machine / "gone.dfm"));
}

TEST_F(CliTest, TheDataFilesFolderIsTheOwnersAndALinkedFileBecomesAPrivateOne) {
    machine.Ok({"config", "add", "Home"});
    const fs::path dataFile = machine.DataFile();
    for (const fs::path& folder : {dataFile.parent_path(), dataFile.parent_path().parent_path()}) {
        struct stat st {};
        ASSERT_EQ(::stat(folder.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u) << folder;
    }
    const std::string shared = machine / "shared.dfm";
    fs::copy_file(dataFile, shared);
    fs::permissions(shared, fs::perms::all & ~(fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec));
    fs::remove(dataFile);
    fs::create_symlink(shared, dataFile);
    machine.Ok({"config", "add", "Other"});
    EXPECT_FALSE(fs::is_symlink(dataFile));
    EXPECT_EQ(fs::status(dataFile).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(Contains(machine.Ok({"list"}).out, "Other"));
}

TEST_F(CliTest, TheLockHoldsWhenItsFileIsDeleted) {
    machine.Ok({"config", "add", "Home"});
    const fs::path dataFile = machine.DataFile();
    const auto before = ReadBytes(dataFile);
    {
        TDataFileLock held(dataFile.string());
        fs::remove(held.LockFile());
        const CliResult refused = machine.Run({"config", "add", "Other"});
        EXPECT_EQ(refused.exitCode, 4);
        EXPECT_EQ(ReadBytes(dataFile), before);
    }
    machine.Ok({"config", "add", "Other"});
}

} // namespace
} // namespace prolamo::test
