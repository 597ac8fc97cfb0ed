#include "TestSupport.h"

#include "os/Files.h"
#include "os/Folders.h"
#include "os/Security.h"
#include "os/Text.h"
#include "os/WindowMessages.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>

namespace prolamo::os::test {
namespace {

using MachineFolders = MachineTest;

std::u16string CallWithBuffer(ErrorCode (IFolders::*call)(char16_t*, std::uint32_t, std::uint32_t*)) {
    char16_t buffer[MaxPath];
    std::uint32_t length = 0;
    const ErrorCode e = (Folders().*call)(buffer, MaxPath, &length);
    EXPECT_EQ(e, ErrorSuccess);
    return e == ErrorSuccess ? std::u16string(buffer, length) : std::u16string();
}

std::filesystem::path Native(const std::u16string& path) {
    return Utf16ToUtf8(path);
}

TEST_F(MachineFolders, SystemAndTempFoldersExistInTheMachineFolder) {
    const std::u16string system = CallWithBuffer(&IFolders::GetSystemDirectory);
    EXPECT_EQ(Native(system), machine_->SystemFolder());
    EXPECT_TRUE(std::filesystem::is_directory(Native(system)));

    const std::u16string tempPath = CallWithBuffer(&IFolders::GetTempPath);
    ASSERT_FALSE(tempPath.empty());
    EXPECT_EQ(tempPath.back(), u'/');
    EXPECT_TRUE(std::filesystem::is_directory(Native(tempPath)));
    EXPECT_EQ(std::filesystem::path(Native(tempPath)).parent_path(), machine_->TempFolder());
}

TEST_F(MachineFolders, TooSmallBuffersAskForTheSizeIncludingTheZero) {
    const std::u16string system = CallWithBuffer(&IFolders::GetSystemDirectory);
    std::vector<char16_t> buffer(system.size());
    std::uint32_t length = 0;
    EXPECT_EQ(Folders().GetSystemDirectory(buffer.data(), static_cast<std::uint32_t>(buffer.size()), &length),
              ErrorInsufficientBuffer);
    EXPECT_EQ(length, system.size() + 1);
}

TEST_F(MachineFolders, HostsFileIsSeededWithWindowsLineEnds) {
    // Built the way the hosts file setting builds it, backslashes included.
    const std::string hosts = Utf16ToUtf8(CallWithBuffer(&IFolders::GetSystemDirectory)) + "\\drivers\\etc\\hosts";
    std::vector<std::uint8_t> content;
    ASSERT_EQ(Files().ReadWholeFile(hosts, &content), ErrorSuccess);
    const std::string text(content.begin(), content.end());
    EXPECT_NE(text.find("localhost"), std::string::npos);
    std::size_t lf = 0, crlf = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') {
            ++lf;
            crlf += i > 0 && text[i - 1] == '\r';
        }
    EXPECT_GT(lf, 3u);
    EXPECT_EQ(lf, crlf);
}

TEST_F(MachineFolders, SpecialFoldersAnswerKnownNumbersOnly) {
    char16_t path[MaxPath];
    ASSERT_EQ(Folders().SHGetFolderPath(CsidlAppData, 0, path), SOk);
    EXPECT_EQ(Native(path), machine_->RoamingAppDataFolder());
    EXPECT_TRUE(std::filesystem::is_directory(Native(path)));
    ASSERT_EQ(Folders().SHGetFolderPath(CsidlLocalAppData, 0, path), SOk);
    EXPECT_EQ(Native(path), machine_->LocalAppDataFolder());
    ASSERT_EQ(Folders().SHGetFolderPath(CsidlPersonal, 0, path), SOk);
    EXPECT_EQ(Native(path), machine_->DocumentsFolder());
    EXPECT_NE(machine_->RoamingAppDataFolder(), machine_->LocalAppDataFolder());

    EXPECT_EQ(Folders().SHGetFolderPath(0x0099, 0, path), EInvalidArg);
    EXPECT_EQ(path[0], u'\0');
}

TEST_F(MachineFolders, SpecialFolderThatWasRemovedIsAFailureUnlessCreationIsAsked) {
    std::filesystem::remove_all(machine_->DocumentsFolder());
    char16_t path[MaxPath];
    EXPECT_EQ(Folders().SHGetFolderPath(CsidlPersonal, 0, path), EFail);
    EXPECT_EQ(Folders().SHGetFolderPath(CsidlPersonal | CsidlFlagCreate, 0, path), SOk);
    EXPECT_TRUE(std::filesystem::is_directory(machine_->DocumentsFolder()));
}

TEST_F(MachineFolders, TempFileNamesAreNewEmptyOwnerOnlyFiles) {
    const std::u16string folder = CallWithBuffer(&IFolders::GetTempPath);
    std::set<std::u16string> names;
    for (int i = 0; i < 20; ++i) {
        std::u16string name;
        ASSERT_EQ(Folders().GetTempFileName(folder, u"qvtx", 0, &name), ErrorSuccess);
        EXPECT_TRUE(names.insert(name).second) << "name given twice";
        const std::string file = Utf16ToUtf8(name);
        const std::string leaf = std::filesystem::path(file).filename().string();
        // "qvt" + hexadecimal digits + ".tmp"
        ASSERT_GT(leaf.size(), 7u);
        EXPECT_EQ(leaf.substr(0, 3), "qvt");
        EXPECT_EQ(leaf.substr(leaf.size() - 4), ".tmp");
        EXPECT_EQ(leaf.substr(3, leaf.size() - 7).find_first_not_of("0123456789ABCDEF"), std::string::npos);
        struct stat st {};
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_size, 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
    }
}

TEST_F(MachineFolders, TempFileNameWithANumberOnlyFormsTheName) {
    const std::u16string folder = CallWithBuffer(&IFolders::GetTempPath);
    std::u16string name;
    ASSERT_EQ(Folders().GetTempFileName(folder, u"qvt", 0x12ABC, &name), ErrorSuccess);
    EXPECT_EQ(name, folder + u"qvt2ABC.tmp");
    EXPECT_FALSE(std::filesystem::exists(Native(name)));
    EXPECT_EQ(Folders().GetTempFileName(folder + u"missing", u"qvt", 0, &name), ErrorDirectory);
}

TEST_F(MachineFolders, TempFileNameNeverHandsOutAnExistingFile) {
    const std::u16string folder = CallWithBuffer(&IFolders::GetTempPath);
    // Calls within one clock tick start from the same number, so later ones must skip the taken
    // names; every file handed out earlier keeps what was written into it.
    std::set<std::u16string> taken;
    for (int i = 0; i < 40; ++i) {
        std::u16string name;
        ASSERT_EQ(Folders().GetTempFileName(folder, u"qvt", 0, &name), ErrorSuccess);
        ASSERT_TRUE(taken.insert(name).second);
        std::ofstream(Native(name), std::ios::binary) << "mine";
    }
    for (const auto& name : taken)
        EXPECT_EQ(std::filesystem::file_size(Native(name)), 4u);
}

TEST(MachineSeeding, FreshFolderIsSeededOnceAndChangesSurviveReopening) {
    TempFolder temp;
    const auto folder = temp.Path() / "m";
    {
        auto machine = simulated::Machine::Open(folder);
        EXPECT_TRUE(machine->IsAdministrator());
        EXPECT_FALSE(machine->UserName().empty());
        simulated::ScopedCurrentMachine current(*machine);
        HKey key = 0;
        ASSERT_EQ(Registry().OpenKeyEx(HKeyCurrentUser, u"Environment", 0, KeyAllAccess, &key), ErrorSuccess);
        ASSERT_EQ(Registry().DeleteValue(key, u"TEMP"), ErrorSuccess);
        ASSERT_EQ(SetString(key, u"Added", u"kept"), ErrorSuccess);
        Registry().CloseKey(key);
        machine->SetAdministrator(false);
        machine->SetUserName("someone");
        std::filesystem::remove(machine->SystemFolder() / "drivers" / "etc" / "hosts");
    }
    auto machine = simulated::Machine::Open(folder);
    EXPECT_FALSE(machine->IsAdministrator());
    EXPECT_EQ(machine->UserName(), "someone");
    EXPECT_FALSE(std::filesystem::exists(machine->SystemFolder() / "drivers" / "etc" / "hosts"));
    simulated::ScopedCurrentMachine current(*machine);
    HKey key = 0;
    ASSERT_EQ(Registry().OpenKeyEx(HKeyCurrentUser, u"Environment", 0, KeyRead, &key), ErrorSuccess);
    EXPECT_EQ(Query(key, u"TEMP").error, ErrorFileNotFound);
    EXPECT_EQ(Query(key, u"Added").Text(), u"kept");
    Registry().CloseKey(key);
}

TEST(MachineSeeding, SystemFoldersAndTheHostsFileAreNotWritableByOthersWhateverTheUmask) {
    TempFolder temp;
    const mode_t before = ::umask(0);
    std::unique_ptr<simulated::Machine> machine;
    try {
        machine = simulated::Machine::Open(temp.Path() / "m");
    } catch (...) {
        ::umask(before);
        throw;
    }
    ::umask(before);
    auto mode = [](const std::filesystem::path& path) {
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
        return st.st_mode & 07777;
    };
    const auto etc = machine->SystemFolder() / "drivers" / "etc";
    for (const auto& folder : {machine->Folder(), machine->WindowsFolder(), machine->SystemFolder(),
                               machine->SystemFolder() / "drivers", etc, machine->ProfileFolder().parent_path()})
        EXPECT_EQ(mode(folder), 0755u) << folder;
    EXPECT_EQ(mode(etc / "hosts"), 0644u);
    for (const auto& folder :
         {machine->ProfileFolder(), machine->RoamingAppDataFolder(), machine->TempFolder(), machine->DocumentsFolder()})
        EXPECT_EQ(mode(folder), 0700u) << folder;
}

TEST(MachineSeeding, RegistryHoldsWhatTheSettingKindsRead) {
    TempFolder temp;
    auto machine = simulated::Machine::Open(temp.Path() / "m");
    simulated::ScopedCurrentMachine current(*machine);
    HKey key = 0;
    ASSERT_EQ(Registry().OpenKeyEx(HKeyCurrentUser, u"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
                                   0, KeyRead, &key),
              ErrorSuccess);
    EXPECT_EQ(Query(key, u"ProxyEnable").type, RegDword);
    EXPECT_EQ(Query(key, u"ProxyEnable").Dword(), 0u);
    EXPECT_EQ(Query(key, u"ProxyServer").type, RegSz);
    Registry().CloseKey(key);

    ASSERT_EQ(Registry().OpenKeyEx(HKeyLocalMachine,
                                   u"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", 0, KeyRead,
                                   &key),
              ErrorSuccess);
    EXPECT_EQ(Query(key, u"Path").type, RegExpandSz);
    EXPECT_EQ(Query(key, u"OS").Text(), u"Windows_NT");
    Registry().CloseKey(key);

    const std::u16string adapters =
        u"SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}\\";
    // Each adapter's class key, NetworkCards entry and TCP/IP interface agree on its identifier.
    for (const char16_t* index : {u"0", u"1"}) {
        ASSERT_EQ(Registry().OpenKeyEx(HKeyLocalMachine, adapters + u"000" + index, 0, KeyRead, &key), ErrorSuccess);
        const std::u16string guid = Query(key, u"NetCfgInstanceId").Text();
        EXPECT_EQ(Query(key, u"DriverDesc").type, RegSz);
        Registry().CloseKey(key);
        EXPECT_EQ(guid.size(), 38u);
        EXPECT_EQ(guid.front(), u'{');
        const std::u16string card = std::u16string(u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards\\") +
                                    (index[0] == u'0' ? u"1" : u"2");
        ASSERT_EQ(Registry().OpenKeyEx(HKeyLocalMachine, card, 0, KeyRead, &key), ErrorSuccess);
        EXPECT_EQ(Query(key, u"ServiceName").Text(), guid);
        Registry().CloseKey(key);
        ASSERT_EQ(Registry().OpenKeyEx(HKeyLocalMachine,
                                       u"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\" + guid,
                                       0, KeyRead, &key),
                  ErrorSuccess);
        EXPECT_EQ(Query(key, u"EnableDHCP").type, RegDword);
        Registry().CloseKey(key);
    }
}

TEST(MachineSelection, DefaultFolderFollowsTheEnvironment) {
    struct Saved {
        const char* name;
        std::optional<std::string> value;
    } saved[] = {{"PROLAMO_MACHINE", {}}, {"XDG_DATA_HOME", {}}, {"HOME", {}}};
    for (auto& s : saved)
        if (const char* v = std::getenv(s.name))
            s.value = v;

    ::setenv("PROLAMO_MACHINE", "/srv/machines/one", 1);
    ::setenv("XDG_DATA_HOME", "/data/home", 1);
    ::setenv("HOME", "/home/tester", 1);
    EXPECT_EQ(simulated::DefaultMachineFolder(), "/srv/machines/one");
    ::unsetenv("PROLAMO_MACHINE");
    EXPECT_EQ(simulated::DefaultMachineFolder(), "/data/home/prolamo/machine");
    ::setenv("XDG_DATA_HOME", "", 1);
    EXPECT_EQ(simulated::DefaultMachineFolder(), "/home/tester/.local/share/prolamo/machine");

    for (auto& s : saved)
        s.value ? ::setenv(s.name, s.value->c_str(), 1) : ::unsetenv(s.name);
}

TEST(MachineSelection, ScopedMachinesNestAndRestore) {
    TempFolder temp;
    auto outer = simulated::Machine::Open(temp.Path() / "outer");
    auto inner = simulated::Machine::Open(temp.Path() / "inner");
    simulated::ScopedCurrentMachine a(*outer);
    EXPECT_EQ(&simulated::CurrentMachine(), outer.get());
    {
        simulated::ScopedCurrentMachine b(*inner);
        EXPECT_EQ(&simulated::CurrentMachine(), inner.get());
        EXPECT_EQ(&Registry(), &inner->Registry());
    }
    EXPECT_EQ(&simulated::CurrentMachine(), outer.get());
}

TEST(MachineSelection, UnusableFolderIsReported) {
    TempFolder temp;
    std::ofstream(temp.Path() / "file").put('x');
    EXPECT_THROW(simulated::Machine::Open(temp.Path() / "file" / "machine"), std::runtime_error);
}

using MachineFacts = MachineTest;

TEST_F(MachineFacts, AdministratorMembershipFollowsTheFact) {
    bool member = false;
    ASSERT_EQ(Security().CheckTokenMembership(0, AdministratorsGroupSid, &member), ErrorSuccess);
    EXPECT_TRUE(member);
    machine_->SetAdministrator(false);
    ASSERT_EQ(Security().CheckTokenMembership(0, AdministratorsGroupSid, &member), ErrorSuccess);
    EXPECT_FALSE(member);
    ASSERT_EQ(Security().CheckTokenMembership(0, UsersGroupSid, &member), ErrorSuccess);
    EXPECT_TRUE(member);
    ASSERT_EQ(Security().CheckTokenMembership(0, Sid{5, {32, 551}}, &member),
              ErrorSuccess); // Backup Operators
    EXPECT_FALSE(member);
    EXPECT_EQ(Security().CheckTokenMembership(0x1234, UsersGroupSid, &member), ErrorInvalidHandle);
}

// The process's rights as the user and the way the process was started give them: only an
// elevated administrator and the system write the Windows folder and HKLM.
TEST_F(MachineFacts, ProcessRightsFollowTheUserAndHowTheProcessStarted) {
    using User = simulated::Machine::User;
    const std::string hosts = (machine_->SystemFolder() / "drivers" / "etc" / "hosts").string();
    const std::vector<std::uint8_t> text{'#', '\r', '\n'};
    struct Case {
        User user;
        const char* started;
        ProcessRights rights;
    };
    for (const Case& c : {Case{User::ElevatedAdministrator, nullptr, ProcessRights::Administrator},
                          Case{User::Administrator, nullptr, ProcessRights::FilteredAdministrator},
                          Case{User::Administrator, "elevated", ProcessRights::Administrator},
                          Case{User::Standard, "elevated", ProcessRights::StandardUser},
                          Case{User::Standard, nullptr, ProcessRights::StandardUser},
                          Case{User::Standard, "system", ProcessRights::System}}) {
        SCOPED_TRACE(c.started ? c.started : "as started by the user");
        machine_->SetUser(c.user);
        EXPECT_EQ(machine_->ReadUser(), c.user);
        if (c.started)
            ::setenv(simulated::ProcessRightsVariable, c.started, 1);
        ProcessRights rights{};
        ASSERT_EQ(Security().ReadProcessRights(&rights), ErrorSuccess);
        EXPECT_EQ(rights, c.rights);
        bool member = false;
        ASSERT_EQ(Security().CheckTokenMembership(0, AdministratorsGroupSid, &member), ErrorSuccess);
        EXPECT_EQ(member, HoldsAdministrativeRights(c.rights));
        ASSERT_EQ(Security().CheckTokenMembership(0, LocalSystemSid, &member), ErrorSuccess);
        EXPECT_EQ(member, c.rights == ProcessRights::System);
        const ErrorCode written = Files().WriteMachineFile(hosts, text, nullptr);
        EXPECT_EQ(written, HoldsAdministrativeRights(c.rights) ? ErrorSuccess : ErrorAccessDenied);
        EXPECT_EQ(Files().WriteWholeFile((machine_->WindowsFolder() / "new.ini").string(), text), written);
        // The user's own folders take the user's writes whatever the rights.
        EXPECT_EQ(Files().WriteWholeFile((machine_->DocumentsFolder() / "notes.txt").string(), text), ErrorSuccess);
        ::unsetenv(simulated::ProcessRightsVariable);
    }
}

TEST_F(MachineFacts, ALinkFromTheUsersFolderDoesNotOpenTheWindowsFolder) {
    machine_->SetUser(simulated::Machine::User::Administrator);
    const auto link = machine_->DocumentsFolder() / "etc";
    std::filesystem::create_directory_symlink(machine_->SystemFolder() / "drivers" / "etc", link);
    const std::vector<std::uint8_t> text{'x'};
    EXPECT_EQ(Files().WriteWholeFile((link / "hosts").string(), text), ErrorAccessDenied);
    EXPECT_EQ(Files().DeleteFile((link / "hosts").string()), ErrorAccessDenied);
    EXPECT_EQ(Files().WriteFileReplacing((link / "hosts").string(), text), ErrorAccessDenied);
}

TEST_F(MachineFacts, BroadcastsAreLoggedInOrder) {
    EXPECT_TRUE(machine_->Broadcasts().empty());
    ASSERT_EQ(WindowMessages().SendNotifyMessage(HWndBroadcast, WmSettingChange, 0, 0), ErrorSuccess);
    ASSERT_EQ(WindowMessages().SendNotifyMessage(HWndBroadcast, WmSettingChange, 1, 42), ErrorSuccess);
    EXPECT_EQ(WindowMessages().SendNotifyMessage(0x1000, WmSettingChange, 0, 0), ErrorInvalidWindowHandle);
    const auto log = machine_->Broadcasts();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].window, HWndBroadcast);
    EXPECT_EQ(log[0].message, WmSettingChange);
    EXPECT_EQ(log[0].wParam, 0u);
    EXPECT_EQ(log[0].lParam, 0);
    EXPECT_EQ(log[1].wParam, 1u);
    EXPECT_EQ(log[1].lParam, 42);
    EXPECT_LE(log[0].unixTimeMs, log[1].unixTimeMs);
    EXPECT_GT(log[0].unixTimeMs, 1600000000000); // a real clock, in milliseconds
}

TEST_F(MachineFacts, FactsAreFreeFormAndOverwritable) {
    EXPECT_EQ(machine_->Fact("time_zone"), std::nullopt);
    machine_->SetFact("time_zone", "W. Europe Standard Time");
    machine_->SetFact("time_zone", "GMT Standard Time");
    EXPECT_EQ(machine_->Fact("time_zone"), "GMT Standard Time");
}

} // namespace
} // namespace prolamo::os::test
