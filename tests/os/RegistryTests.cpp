#include "TestSupport.h"

#include "os/Registry.h"

#include <gtest/gtest.h>

namespace prolamo::os::test {
namespace {

using RegistryTest = MachineTest;

constexpr std::u16string_view kInternet = u"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

TEST_F(RegistryTest, KeyPathsIgnoreCaseAndKeepTheirFirstSpelling) {
    HKey created = 0;
    std::uint32_t disposition = 0;
    ASSERT_EQ(
        Registry().CreateKeyEx(HKeyCurrentUser, u"Software\\Prolamo\\Test", 0, KeyAllAccess, &created, &disposition),
        ErrorSuccess);
    EXPECT_EQ(disposition, RegCreatedNewKey);
    ASSERT_EQ(SetString(created, u"Probe", u"one"), ErrorSuccess);
    ASSERT_EQ(Registry().CloseKey(created), ErrorSuccess);

    HKey again = 0;
    ASSERT_EQ(Registry().CreateKeyEx(HKeyCurrentUser, u"SOFTWARE\\prolamo\\TEST", 0, KeyRead, &again, &disposition),
              ErrorSuccess);
    EXPECT_EQ(disposition, RegOpenedExistingKey);
    EXPECT_EQ(Query(again, u"probe").Text(), u"one");
    Registry().CloseKey(again);

    HKey opened = 0;
    ASSERT_EQ(Registry().OpenKeyEx(HKeyCurrentUser, u"software\\PROLAMO\\test\\", 0, KeyRead, &opened), ErrorSuccess);
    EXPECT_EQ(Query(opened, u"PROBE").Text(), u"one");
    Registry().CloseKey(opened);
}

TEST_F(RegistryTest, NonAsciiNamesCompareWithoutCase) {
    HKey key = 0;
    ASSERT_EQ(Registry().CreateKeyEx(HKeyCurrentUser, u"Software\\Überprüfung", 0, KeyAllAccess, &key, nullptr),
              ErrorSuccess);
    ASSERT_EQ(SetString(key, u"Größe", u"x"), ErrorSuccess);
    Registry().CloseKey(key);
    ASSERT_EQ(Registry().OpenKeyEx(HKeyCurrentUser, u"SOFTWARE\\ÜBERPRÜFUNG", 0, KeyRead, &key), ErrorSuccess);
    EXPECT_EQ(Query(key, u"GRÖßE").Text(), u"x");
    Registry().CloseKey(key);
}

TEST_F(RegistryTest, MissingKeysAndValuesReportFileNotFound) {
    HKey key = 0;
    EXPECT_EQ(Registry().OpenKeyEx(HKeyCurrentUser, u"Software\\NoSuchVendor", 0, KeyRead, &key), ErrorFileNotFound);
    ASSERT_EQ(Registry().OpenKeyEx(HKeyCurrentUser, kInternet, 0, KeyAllAccess, &key), ErrorSuccess);
    EXPECT_EQ(Query(key, u"NoSuchValue").error, ErrorFileNotFound);
    EXPECT_EQ(Registry().DeleteValue(key, u"NoSuchValue"), ErrorFileNotFound);
    Registry().CloseKey(key);
}

TEST_F(RegistryTest, PathsMayNotStartWithASeparatorOrHaveEmptyParts) {
    HKey key = 0;
    EXPECT_EQ(Registry().OpenKeyEx(HKeyCurrentUser, u"\\Environment", 0, KeyRead, &key), ErrorBadPathname);
    EXPECT_EQ(Registry().CreateKeyEx(HKeyCurrentUser, u"Software\\\\X", 0, KeyAllAccess, &key, nullptr),
              ErrorBadPathname);
}

TEST_F(RegistryTest, SubkeysOpenRelativeToAnOpenKey) {
    HKey internet = 0, connections = 0;
    ASSERT_EQ(Registry().OpenKeyEx(HKeyCurrentUser, kInternet, 0, KeyRead, &internet), ErrorSuccess);
    ASSERT_EQ(Registry().OpenKeyEx(internet, u"Connections", 0, KeyRead, &connections), ErrorSuccess);
    EXPECT_EQ(Query(connections, u"DefaultConnectionSettings").type, RegBinary);
    // "Connections" is not a key directly below the root.
    HKey wrong = 0;
    EXPECT_EQ(Registry().OpenKeyEx(HKeyCurrentUser, u"Connections", 0, KeyRead, &wrong), ErrorFileNotFound);

    // An empty subkey gives a new handle to the same key.
    HKey same = 0;
    ASSERT_EQ(Registry().OpenKeyEx(internet, u"", 0, KeyRead, &same), ErrorSuccess);
    EXPECT_NE(same, internet);
    EXPECT_EQ(Query(same, u"ProxyEnable").type, RegDword);
    for (HKey k : {internet, connections, same})
        EXPECT_EQ(Registry().CloseKey(k), ErrorSuccess);
}

TEST_F(RegistryTest, ClosedAndUnknownHandlesAreInvalid) {
    HKey key = 0;
    ASSERT_EQ(Registry().OpenKeyEx(HKeyCurrentUser, u"Environment", 0, KeyRead, &key), ErrorSuccess);
    ASSERT_EQ(Registry().CloseKey(key), ErrorSuccess);
    EXPECT_EQ(Registry().CloseKey(key), ErrorInvalidHandle);
    EXPECT_EQ(Query(key, u"TEMP").error, ErrorInvalidHandle);
    EXPECT_EQ(Registry().CloseKey(HKeyLocalMachine), ErrorSuccess);
}

TEST_F(RegistryTest, ValuesEnumerateInOrderOfFirstWritingAndKeepPositionWhenRewritten) {
    HKey key = 0;
    ASSERT_EQ(Registry().CreateKeyEx(HKeyCurrentUser, u"Software\\Order", 0, KeyAllAccess, &key, nullptr),
              ErrorSuccess);
    for (auto name : {u"Zulu", u"alpha", u"Mike"})
        ASSERT_EQ(SetString(key, name, u"v"), ErrorSuccess);
    // Rewritten with another spelling and another type: position and first spelling stay.
    ASSERT_EQ(SetDword(key, u"ZULU", 7), ErrorSuccess);
    EXPECT_EQ(ValueNames(key), (std::vector<std::u16string>{u"Zulu", u"alpha", u"Mike"}));
    const Value zulu = Query(key, u"zulu");
    EXPECT_EQ(zulu.type, RegDword);
    EXPECT_EQ(zulu.Dword(), 7u);

    // Deleted and written again: it goes to the end.
    ASSERT_EQ(Registry().DeleteValue(key, u"alpha"), ErrorSuccess);
    ASSERT_EQ(SetString(key, u"Alpha", u"back"), ErrorSuccess);
    EXPECT_EQ(ValueNames(key), (std::vector<std::u16string>{u"Zulu", u"Mike", u"Alpha"}));
    Registry().CloseKey(key);
}

TEST_F(RegistryTest, EnumValueReportsTooSmallBuffersAndTheEnd) {
    HKey key = 0;
    ASSERT_EQ(Registry().CreateKeyEx(HKeyCurrentUser, u"Software\\Enum", 0, KeyAllAccess, &key, nullptr), ErrorSuccess);
    ASSERT_EQ(SetString(key, u"LongerName", u"data"), ErrorSuccess);

    char16_t name[16];
    std::uint32_t length = 10; // no room for the terminating zero
    EXPECT_EQ(Registry().EnumValue(key, 0, name, &length, nullptr, nullptr, nullptr), ErrorMoreData);

    length = 11;
    std::uint32_t type = 0, size = 2;
    std::uint8_t data[2];
    EXPECT_EQ(Registry().EnumValue(key, 0, name, &length, &type, data, &size), ErrorMoreData);
    EXPECT_EQ(size, 10u); // "data" and its zero in UTF-16

    length = 16;
    EXPECT_EQ(Registry().EnumValue(key, 1, name, &length, nullptr, nullptr, nullptr), ErrorNoMoreItems);

    std::uint32_t values = 0, longestName = 0, largest = 0;
    ASSERT_EQ(Registry().QueryInfoKey(key, &values, &longestName, &largest), ErrorSuccess);
    EXPECT_EQ(values, 1u);
    EXPECT_EQ(longestName, 10u);
    EXPECT_EQ(largest, 10u);
    Registry().CloseKey(key);
}

TEST_F(RegistryTest, QueryValueGivesTypeAndBytesAndAsksForMoreRoom) {
    HKey key = 0;
    ASSERT_EQ(Registry().OpenKeyEx(HKeyCurrentUser, u"Environment", 0, KeyRead, &key), ErrorSuccess);
    std::uint32_t type = 0, size = 4;
    std::uint8_t small[4];
    EXPECT_EQ(Registry().QueryValueEx(key, u"TEMP", &type, small, &size), ErrorMoreData);
    EXPECT_EQ(type, RegExpandSz);
    const Value temp = Query(key, u"TEMP");
    EXPECT_EQ(size, temp.data.size());
    // Stored like Windows stores it: UTF-16LE with the terminating zero, not expanded.
    EXPECT_EQ(temp.data.size(), (temp.Text().size() + 1) * 2);
    EXPECT_EQ(temp.Text(), u"%USERPROFILE%\\AppData\\Local\\Temp");
    EXPECT_EQ(Registry().QueryValueEx(key, u"TEMP", nullptr, small, nullptr), ErrorInvalidParameter);
    Registry().CloseKey(key);
}

TEST_F(RegistryTest, EmptyAndZeroLengthValuesAreDistinctFromMissingOnes) {
    HKey key = 0;
    ASSERT_EQ(Registry().CreateKeyEx(HKeyCurrentUser, u"Software\\Empty", 0, KeyAllAccess, &key, nullptr),
              ErrorSuccess);
    ASSERT_EQ(Registry().SetValueEx(key, u"Nothing", RegBinary, nullptr, 0), ErrorSuccess);
    ASSERT_EQ(SetString(key, u"", u"default value"), ErrorSuccess);
    const Value nothing = Query(key, u"Nothing");
    EXPECT_EQ(nothing.error, ErrorSuccess);
    EXPECT_EQ(nothing.type, RegBinary);
    EXPECT_TRUE(nothing.data.empty());
    EXPECT_EQ(Query(key, u"").Text(), u"default value");
    Registry().CloseKey(key);
}

TEST_F(RegistryTest, HandleRightsLimitWhatTheHandleMayDo) {
    HKey readOnly = 0;
    ASSERT_EQ(Registry().OpenKeyEx(HKeyCurrentUser, u"Environment", 0, KeyRead, &readOnly), ErrorSuccess);
    EXPECT_EQ(SetString(readOnly, u"TEMP", u"x"), ErrorAccessDenied);
    EXPECT_EQ(Registry().DeleteValue(readOnly, u"TEMP"), ErrorAccessDenied);
    Registry().CloseKey(readOnly);

    HKey writeOnly = 0;
    ASSERT_EQ(Registry().OpenKeyEx(HKeyCurrentUser, u"Environment", 0, KeyWrite, &writeOnly), ErrorSuccess);
    EXPECT_EQ(Query(writeOnly, u"TEMP").error, ErrorAccessDenied);
    EXPECT_EQ(SetString(writeOnly, u"Extra", u"x"), ErrorSuccess);
    Registry().CloseKey(writeOnly);
}

TEST_F(RegistryTest, NonAdministratorMayReadButNotWriteTheLocalMachineHive) {
    machine_->SetAdministrator(false);
    constexpr std::u16string_view kAdapter =
        u"SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}\\0000";
    HKey key = 0;
    EXPECT_EQ(Registry().OpenKeyEx(HKeyLocalMachine, kAdapter, 0, 0x2001F, &key), ErrorAccessDenied);
    EXPECT_EQ(Registry().CreateKeyEx(HKeyLocalMachine, kAdapter, 0, 0x2001F, &key, nullptr), ErrorAccessDenied);
    EXPECT_EQ(Registry().OpenKeyEx(HKeyLocalMachine, kAdapter, 0, KeySetValue, &key), ErrorAccessDenied);
    EXPECT_EQ(Registry().OpenKeyEx(HKeyLocalMachine, kAdapter, 0, GenericWrite, &key), ErrorAccessDenied);
    // A missing key is reported as missing, not as refused.
    EXPECT_EQ(Registry().OpenKeyEx(HKeyLocalMachine, u"SOFTWARE\\Nope", 0, KeyWrite, &key), ErrorFileNotFound);
    // Creating a new key is a write even when only read access is asked for.
    EXPECT_EQ(Registry().CreateKeyEx(HKeyLocalMachine, u"SOFTWARE\\Nope", 0, KeyRead, &key, nullptr),
              ErrorAccessDenied);
    // The root handle itself may not be written through.
    EXPECT_EQ(SetString(HKeyLocalMachine, u"Stray", u"x"), ErrorAccessDenied);

    ASSERT_EQ(Registry().OpenKeyEx(HKeyLocalMachine, kAdapter, 0, KeyRead, &key), ErrorSuccess);
    EXPECT_EQ(Query(key, u"DriverDesc").type, RegSz);
    Registry().CloseKey(key);
    // The user's own hive stays writable.
    ASSERT_EQ(Registry().CreateKeyEx(HKeyCurrentUser, u"Software\\Mine", 0, KeyAllAccess, &key, nullptr), ErrorSuccess);
    Registry().CloseKey(key);

    machine_->SetAdministrator(true);
    ASSERT_EQ(Registry().CreateKeyEx(HKeyLocalMachine, kAdapter, 0, 0x2001F, &key, nullptr), ErrorSuccess);
    EXPECT_EQ(SetString(key, u"NetCfgInstanceID", u""), ErrorSuccess);
    Registry().CloseKey(key);
}

TEST_F(RegistryTest, RightsAreFixedWhenAHandleIsOpened) {
    HKey key = 0;
    ASSERT_EQ(Registry().OpenKeyEx(HKeyLocalMachine, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0,
                                   KeyAllAccess, &key),
              ErrorSuccess);
    machine_->SetAdministrator(false);
    EXPECT_EQ(SetString(key, u"RegisteredOrganization", u"Orvenik"), ErrorSuccess);
    Registry().CloseKey(key);
}

TEST_F(RegistryTest, AnotherMachineConnectionSeesWritesAtOnce) {
    // Nothing is cached: a second connection to the same machine folder sees each write.
    auto other = simulated::Machine::Open(machine_->Folder());
    HKey mine = 0, theirs = 0;
    ASSERT_EQ(Registry().CreateKeyEx(HKeyCurrentUser, u"Software\\Shared", 0, KeyAllAccess, &mine, nullptr),
              ErrorSuccess);
    ASSERT_EQ(other->Registry().OpenKeyEx(HKeyCurrentUser, u"software\\shared", 0, KeyAllAccess, &theirs),
              ErrorSuccess);
    ASSERT_EQ(SetDword(mine, u"Counter", 1), ErrorSuccess);
    std::uint32_t value = 0, size = 4, type = 0;
    ASSERT_EQ(other->Registry().QueryValueEx(theirs, u"Counter", &type, reinterpret_cast<std::uint8_t*>(&value), &size),
              ErrorSuccess);
    EXPECT_EQ(value, 1u);
    other->SetAdministrator(false);
    EXPECT_FALSE(machine_->IsAdministrator());
    Registry().CloseKey(mine);
    other->Registry().CloseKey(theirs);
}

} // namespace
} // namespace prolamo::os::test
