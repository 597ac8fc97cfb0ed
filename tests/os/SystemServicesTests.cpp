#include "TestSupport.h"
#include "support/SimulatedMachine.h"

#include "os/Environment.h"
#include "os/Privileges.h"
#include "os/Text.h"
#include "os/TimeZone.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace prolamo::os::test {
namespace {

constexpr std::u16string_view kZones = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones";

std::u16string Name(const char16_t (&field)[TimeZoneNameUnits]) {
    return std::u16string(field, std::char_traits<char16_t>::length(field));
}

std::vector<std::u16string> SubKeys(HKey key) {
    std::vector<std::u16string> names;
    for (std::uint32_t i = 0;; ++i) {
        char16_t name[256];
        std::uint32_t length = 256;
        const ErrorCode e = Registry().EnumKeyEx(key, i, name, &length);
        if (e == ErrorNoMoreItems)
            break;
        if (e != ErrorSuccess) {
            ADD_FAILURE() << "EnumKeyEx failed with " << e;
            break;
        }
        names.emplace_back(name, length);
    }
    return names;
}

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

using TimeZoneDatabase = MachineTest;

TEST_F(TimeZoneDatabase, ZonesAreListedInOrderWithNamesAndRecords) {
    HKey zones = 0;
    ASSERT_EQ(Registry().OpenKeyEx(HKeyLocalMachine, kZones, 0, KeyRead, &zones), ErrorSuccess);
    const auto names = SubKeys(zones);
    ASSERT_GE(names.size(), 12u);
    auto upper = [](std::u16string s) {
        for (char16_t& c : s)
            c = c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
        return s;
    };
    EXPECT_TRUE(
        std::is_sorted(names.begin(), names.end(), [&](const auto& a, const auto& b) { return upper(a) < upper(b); }));
    int withDaylight = 0, withoutDaylight = 0;
    for (const std::u16string& name : names) {
        HKey zone = 0;
        ASSERT_EQ(Registry().OpenKeyEx(zones, name, 0, KeyRead, &zone), ErrorSuccess);
        EXPECT_EQ(Query(zone, u"Display").type, RegSz);
        EXPECT_FALSE(Query(zone, u"Std").Text().empty());
        EXPECT_FALSE(Query(zone, u"Dlt").Text().empty());
        const Value tzi = Query(zone, u"TZI");
        EXPECT_EQ(tzi.type, RegBinary);
        ASSERT_EQ(tzi.data.size(), 44u) << Utf16ToUtf8(name);
        const bool daylight = tzi.data[14] != 0; // the standard date's month
        (daylight ? withDaylight : withoutDaylight)++;
        EXPECT_EQ(SubKeys(zone).size(), 0u);
        Registry().CloseKey(zone);
    }
    EXPECT_GT(withDaylight, 3);
    EXPECT_GT(withoutDaylight, 3);
    HKey noEnum = 0;
    ASSERT_EQ(Registry().OpenKeyEx(HKeyLocalMachine, kZones, 0, KeyQueryValue, &noEnum), ErrorSuccess);
    char16_t buffer[64];
    std::uint32_t length = 64;
    EXPECT_EQ(Registry().EnumKeyEx(noEnum, 0, buffer, &length), ErrorAccessDenied);
    length = 3;
    EXPECT_EQ(Registry().EnumKeyEx(zones, 0, buffer, &length), ErrorMoreData);
    Registry().CloseKey(noEnum);
    Registry().CloseKey(zones);
}

class TimeZoneTest : public MachineTest {
protected:
    // What the program does: enable the privilege, set, restore.
    ErrorCode SetWithPrivilege(const TimeZoneInformation& tz) {
        Luid luid;
        EXPECT_EQ(Privileges().LookupPrivilegeValue(u"", SeTimeZoneName, &luid), ErrorSuccess);
        HToken token = 0;
        EXPECT_EQ(Privileges().OpenProcessToken(TokenAdjustPrivileges | TokenQuery, &token), ErrorSuccess);
        std::vector<LuidAndAttributes> previous;
        ErrorCode status = 0;
        EXPECT_EQ(Privileges().AdjustTokenPrivileges(token, {{luid, SePrivilegeEnabled}}, &previous, &status),
                  ErrorSuccess);
        const ErrorCode result = TimeZone().SetTimeZoneInformation(tz);
        EXPECT_EQ(Privileges().AdjustTokenPrivileges(token, previous, nullptr, nullptr), ErrorSuccess);
        EXPECT_EQ(Privileges().CloseHandle(token), ErrorSuccess);
        return result;
    }
    std::uint32_t Attributes(std::uint32_t luid) {
        HToken token = 0;
        EXPECT_EQ(Privileges().OpenProcessToken(TokenQuery, &token), ErrorSuccess);
        std::vector<LuidAndAttributes> privileges;
        EXPECT_EQ(Privileges().GetTokenPrivileges(token, &privileges), ErrorSuccess);
        Privileges().CloseHandle(token);
        for (const auto& p : privileges)
            if (p.Luid.LowPart == luid)
                return p.Attributes;
        return 0xFFFFFFFF;
    }
};

TEST_F(TimeZoneTest, TheMachineStartsInPacificTime) {
    TimeZoneInformation tz;
    std::uint32_t id = 99;
    ASSERT_EQ(TimeZone().GetTimeZoneInformation(&tz, &id), ErrorSuccess);
    EXPECT_TRUE(id == TimeZoneIdStandard || id == TimeZoneIdDaylight);
    EXPECT_EQ(tz.Bias, 480);
    EXPECT_EQ(tz.DaylightBias, -60);
    EXPECT_EQ(Name(tz.StandardName), u"Pacific Standard Time");
    EXPECT_EQ(Name(tz.DaylightName), u"Pacific Daylight Time");
    EXPECT_EQ(tz.StandardDate, (SystemTime{0, 11, 0, 1, 2, 0, 0, 0}));
    EXPECT_EQ(tz.DaylightDate, (SystemTime{0, 3, 0, 2, 2, 0, 0, 0}));
}

TEST_F(TimeZoneTest, SettingNeedsTheEnabledPrivilegeAndIsReadBackFieldForField) {
    TimeZoneInformation tokyo;
    tokyo.Bias = -540;
    tokyo.DaylightBias = -60;
    std::u16string_view(u"Tokyo Standard Time").copy(tokyo.StandardName, 31);
    std::u16string_view(u"Tokyo Daylight Time").copy(tokyo.DaylightName, 31);
    EXPECT_EQ(TimeZone().SetTimeZoneInformation(tokyo), ErrorPrivilegeNotHeld) << "held but not enabled";
    EXPECT_EQ(Attributes(34), 0u);
    ASSERT_EQ(SetWithPrivilege(tokyo), ErrorSuccess);
    EXPECT_EQ(Attributes(34), 0u) << "restored to disabled";

    TimeZoneInformation back;
    std::uint32_t id = 99;
    ASSERT_EQ(TimeZone().GetTimeZoneInformation(&back, &id), ErrorSuccess);
    EXPECT_EQ(id, TimeZoneIdUnknown) << "no daylight time";
    EXPECT_EQ(back, tokyo);

    TimeZoneInformation odd = tokyo;
    odd.StandardDate = {2030, 10, 0, 27, 3, 0, 0, 0};
    odd.DaylightDate = {0, 3, 0, 5, 2, 0, 0, 0};
    odd.StandardBias = 5;
    ASSERT_EQ(SetWithPrivilege(odd), ErrorSuccess);
    ASSERT_EQ(TimeZone().GetTimeZoneInformation(&back, &id), ErrorSuccess);
    EXPECT_EQ(back, odd);
}

TEST_F(TimeZoneTest, AUserWithoutThePrivilegeIsRefusedAndNotToldByTheAdjustment) {
    machine_->SetFact("time_zone_privilege", "not_held");
    Luid luid;
    ASSERT_EQ(Privileges().LookupPrivilegeValue(u"", SeTimeZoneName, &luid), ErrorSuccess);
    HToken token = 0;
    ASSERT_EQ(Privileges().OpenProcessToken(TokenAdjustPrivileges | TokenQuery, &token), ErrorSuccess);
    std::vector<LuidAndAttributes> previous{{luid, 7}};
    ErrorCode status = 0;
    EXPECT_EQ(Privileges().AdjustTokenPrivileges(token, {{luid, SePrivilegeEnabled}}, &previous, &status),
              ErrorSuccess);
    EXPECT_EQ(status, ErrorNotAllAssigned);
    EXPECT_TRUE(previous.empty());
    EXPECT_EQ(TimeZone().SetTimeZoneInformation(TimeZoneInformation{}), ErrorPrivilegeNotHeld);
    Privileges().CloseHandle(token);
    EXPECT_EQ(Privileges().CloseHandle(token), ErrorInvalidHandle);
}

TEST_F(TimeZoneTest, OldSystemsKnowOnlyTheSystemTimePrivilegeWhichAdministratorsHold) {
    machine_->SetFact("time_zone_privilege", "unknown");
    Luid luid;
    EXPECT_EQ(Privileges().LookupPrivilegeValue(u"", SeTimeZoneName, &luid), ErrorNoSuchPrivilege);
    ASSERT_EQ(Privileges().LookupPrivilegeValue(u"", SeSystemtimeName, &luid), ErrorSuccess);
    EXPECT_EQ(luid.LowPart, 12u);
    HToken token = 0;
    ASSERT_EQ(Privileges().OpenProcessToken(TokenAdjustPrivileges, &token), ErrorSuccess);
    std::vector<LuidAndAttributes> previous;
    EXPECT_EQ(Privileges().AdjustTokenPrivileges(token, {{luid, SePrivilegeEnabled}}, &previous, nullptr),
              ErrorAccessDenied)
        << "the previous state needs query access";
    ASSERT_EQ(Privileges().AdjustTokenPrivileges(token, {{luid, SePrivilegeEnabled}}, nullptr, nullptr), ErrorSuccess);
    EXPECT_EQ(TimeZone().SetTimeZoneInformation(TimeZoneInformation{}), ErrorSuccess);
    machine_->SetAdministrator(false);
    EXPECT_EQ(TimeZone().SetTimeZoneInformation(TimeZoneInformation{}), ErrorPrivilegeNotHeld);
    Privileges().CloseHandle(token);
}

using EnvironmentTest = MachineTest;

std::u16string Variable(std::u16string_view name, ErrorCode expected = ErrorSuccess) {
    std::u16string value = u"stale";
    EXPECT_EQ(Environment().GetEnvironmentVariable(name, &value), expected) << Utf16ToUtf8(name);
    return value;
}

TEST_F(EnvironmentTest, TheBlockIsBuiltFromTheRegistryAsWindowsStartsAProcess) {
    const std::u16string windows = Utf8ToUtf16(machine_->WindowsFolder().string());
    const std::u16string profile = Utf8ToUtf16(machine_->ProfileFolder().string());
    EXPECT_EQ(Variable(u"comspec"), windows + u"\\system32\\cmd.exe") << "expanded, names without case";
    EXPECT_EQ(Variable(u"OS"), u"Windows_NT");
    EXPECT_EQ(Variable(u"TEMP"), profile + u"\\AppData\\Local\\Temp") << "the user's value wins";
    const std::u16string path = Variable(u"Path");
    EXPECT_EQ(path.find(windows + u"\\system32;"), 0u) << Utf16ToUtf8(path);
    EXPECT_NE(path.find(u";" + profile + u"\\AppData\\Local\\Microsoft\\WindowsApps;"), std::u16string::npos)
        << "the user's Path follows the machine's";
    EXPECT_EQ(Variable(u"PSModulePath").find(u"%ProgramFiles%"), std::u16string::npos);
    EXPECT_EQ(Variable(u"NoSuchVariable", ErrorEnvvarNotFound), u"");
    EXPECT_EQ(Variable(u"HOME", ErrorEnvvarNotFound), u"") << "not the Linux environment";
}

TEST_F(EnvironmentTest, TheBlockIsFixedAtStartAndChangedOnlyByTheProcess) {
    HKey user = 0;
    ASSERT_EQ(Registry().OpenKeyEx(HKeyCurrentUser, u"Environment", 0, KeyAllAccess, &user), ErrorSuccess);
    ASSERT_EQ(SetString(user, u"Early", u"%OS%-%Missing%-%", RegExpandSz), ErrorSuccess);
    EXPECT_EQ(Variable(u"Early"), u"Windows_NT-%Missing%-%") << "unknown references stay as written";
    ASSERT_EQ(SetString(user, u"Late", u"x"), ErrorSuccess);
    EXPECT_EQ(Variable(u"Late", ErrorEnvvarNotFound), u"") << "registry changes reach new processes only";
    ASSERT_EQ(Environment().SetEnvironmentVariable(u"Late", u"mine"), ErrorSuccess);
    EXPECT_EQ(Variable(u"LATE"), u"mine");
    ASSERT_EQ(Environment().SetEnvironmentVariable(u"late", nullptr), ErrorSuccess);
    EXPECT_EQ(Variable(u"Late", ErrorEnvvarNotFound), u"");
    Registry().CloseKey(user);
}

TEST(SeedingTest, MachinesSeededBeforeTheBrowsersAndTimeZonesGetThemOnceWhenOpened) {
    TempFolder temp;
    const auto folder = temp.Path() / "machine";
    std::filesystem::path roaming;
    {
        auto machine = simulated::Machine::Open(folder);
        roaming = machine->RoamingAppDataFolder();
        EXPECT_NE(ReadText(roaming / "Mozilla/Firefox/profiles.ini").find("[Profile0]"), std::string::npos);
        EXPECT_NE(ReadText(roaming / "Mozilla/Firefox/Profiles/k3x9v2qa.default-release/prefs.js")
                      .find("user_pref(\"network.proxy.type\", 1);\r\n"),
                  std::string::npos);
        EXPECT_NE(ReadText(roaming / "Opera/Opera/profile/opera6.ini").find("[Proxy]\r\n"), std::string::npos);
        // Back to what an earlier version left.
        prolamo::test::RevertToEarlierLayout(*machine, prolamo::test::EarlierLayout::WithoutTimeZones);
        std::filesystem::remove_all(roaming / "Mozilla");
        std::filesystem::remove_all(roaming / "Opera");
    }
    {
        auto machine = simulated::Machine::Open(folder);
        simulated::ScopedCurrentMachine current(*machine);
        TimeZoneInformation tz;
        std::uint32_t id = 0;
        EXPECT_EQ(TimeZone().GetTimeZoneInformation(&tz, &id), ErrorSuccess);
        HKey zones = 0;
        ASSERT_EQ(Registry().OpenKeyEx(HKeyLocalMachine, kZones, 0, KeyRead, &zones), ErrorSuccess);
        EXPECT_GE(SubKeys(zones).size(), 12u);
        Registry().CloseKey(zones);
        EXPECT_TRUE(std::filesystem::exists(roaming / "Mozilla/Firefox/profiles.ini"));
        EXPECT_TRUE(std::filesystem::exists(roaming / "Opera/Opera/profile/opera6.ini"));
        std::filesystem::remove(roaming / "Opera/Opera/profile/opera6.ini");
    }
    auto machine = simulated::Machine::Open(folder);
    EXPECT_FALSE(std::filesystem::exists(roaming / "Opera/Opera/profile/opera6.ini"))
        << "what the user removed stays removed";
}

} // namespace
} // namespace prolamo::os::test
