// The registry as both backends must answer it.

#include "Backend.h"

#include "os/Registry.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace prolamo::os::contract {
namespace {

std::vector<std::uint8_t> Utf16z(std::u16string_view text) {
    std::vector<std::uint8_t> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

ErrorCode Put(HKey key, std::u16string_view name, std::uint32_t type, const std::vector<std::uint8_t>& bytes) {
    return Registry().SetValueEx(key, name, type, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

struct Stored {
    ErrorCode error = ErrorSuccess;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
};

// Size first, then the data, as the callers ask.
Stored Get(HKey key, std::u16string_view name) {
    Stored s;
    std::uint32_t size = 0;
    s.error = Registry().QueryValueEx(key, name, &s.type, nullptr, &size);
    if (s.error != ErrorSuccess)
        return s;
    s.bytes.resize(size);
    s.error = Registry().QueryValueEx(key, name, &s.type, s.bytes.data(), &size);
    s.bytes.resize(size);
    return s;
}

using RegistryContract = BackendTest;

TEST_F(RegistryContract, KeysAreCreatedOnceAndFoundWithoutRegardToCase) {
    HKey created = 0, again = 0;
    std::uint32_t disposition = 0;
    ASSERT_EQ(Registry().CreateKeyEx(Key(), u"Child\\Grandchild", 0, KeyAllAccess, &created, &disposition),
              ErrorSuccess);
    EXPECT_EQ(disposition, RegCreatedNewKey);
    ASSERT_EQ(Put(created, u"Probe", RegSz, Utf16z(u"one")), ErrorSuccess);
    ASSERT_EQ(Registry().CreateKeyEx(Key(), u"CHILD\\grandCHILD", 0, KeyRead, &again, &disposition), ErrorSuccess);
    EXPECT_EQ(disposition, RegOpenedExistingKey);
    EXPECT_EQ(Get(again, u"PROBE").bytes, Utf16z(u"one"));
    EXPECT_EQ(Registry().CloseKey(created), ErrorSuccess);
    EXPECT_EQ(Registry().CloseKey(again), ErrorSuccess);

    HKey fromRoot = 0;
    ASSERT_EQ(Registry().OpenKeyEx(HKeyCurrentUser, KeyPath() + u"\\child\\GRANDCHILD", 0, KeyRead, &fromRoot),
              ErrorSuccess);
    EXPECT_EQ(Get(fromRoot, u"probe").bytes, Utf16z(u"one"));
    Registry().CloseKey(fromRoot);
}

TEST_F(RegistryContract, MissingKeysAndValuesAreFileNotFound) {
    HKey key = 0;
    EXPECT_EQ(Registry().OpenKeyEx(Key(), u"NoSuchKey", 0, KeyRead, &key), ErrorFileNotFound);
    EXPECT_EQ(Get(Key(), u"NoSuchValue").error, ErrorFileNotFound);
    EXPECT_EQ(Registry().DeleteValue(Key(), u"NoSuchValue"), ErrorFileNotFound);
}

TEST_F(RegistryContract, EveryValueTypeComesBackAsStored) {
    const std::vector<std::uint8_t> expandable = Utf16z(u"%SystemRoot%\\Temp");
    const std::vector<std::uint8_t> dword{0x78, 0x56, 0x34, 0x12};
    const std::vector<std::uint8_t> binary{0x00, 0xFF, 0x46, 0x00, 0x01};
    std::vector<std::uint8_t> multi = Utf16z(u"first");
    const auto second = Utf16z(u"second");
    multi.insert(multi.end(), second.begin(), second.end());
    multi.insert(multi.end(), {0, 0});
    ASSERT_EQ(Put(Key(), u"Plain", RegSz, Utf16z(u"proxy:8080")), ErrorSuccess);
    ASSERT_EQ(Put(Key(), u"Expandable", RegExpandSz, expandable), ErrorSuccess);
    ASSERT_EQ(Put(Key(), u"Number", RegDword, dword), ErrorSuccess);
    ASSERT_EQ(Put(Key(), u"Bytes", RegBinary, binary), ErrorSuccess);
    ASSERT_EQ(Put(Key(), u"List", RegMultiSz, multi), ErrorSuccess);
    ASSERT_EQ(Registry().SetValueEx(Key(), u"Nothing", RegBinary, nullptr, 0), ErrorSuccess);
    ASSERT_EQ(Put(Key(), u"", RegSz, Utf16z(u"default")), ErrorSuccess);

    const struct {
        std::u16string_view name;
        std::uint32_t type;
        std::vector<std::uint8_t> bytes;
    } expected[] = {{u"Plain", RegSz, Utf16z(u"proxy:8080")},
                    {u"Expandable", RegExpandSz, expandable}, // not expanded
                    {u"Number", RegDword, dword},
                    {u"Bytes", RegBinary, binary},
                    {u"List", RegMultiSz, multi},
                    {u"Nothing", RegBinary, {}},
                    {u"", RegSz, Utf16z(u"default")}};
    for (const auto& e : expected) {
        const Stored s = Get(Key(), e.name);
        EXPECT_EQ(s.error, ErrorSuccess);
        EXPECT_EQ(s.type, e.type);
        EXPECT_EQ(s.bytes, e.bytes);
    }

    // Rewriting with another type replaces the value whole.
    ASSERT_EQ(Put(Key(), u"NUMBER", RegSz, Utf16z(u"7")), ErrorSuccess);
    EXPECT_EQ(Get(Key(), u"Number").type, RegSz);
    ASSERT_EQ(Registry().DeleteValue(Key(), u"number"), ErrorSuccess);
    EXPECT_EQ(Get(Key(), u"Number").error, ErrorFileNotFound);
}

TEST_F(RegistryContract, TooSmallBuffersAskForMoreRoom) {
    ASSERT_EQ(Put(Key(), u"Text", RegSz, Utf16z(u"twelve chars")), ErrorSuccess);
    std::uint32_t type = 0, size = 4;
    std::uint8_t small[4];
    EXPECT_EQ(Registry().QueryValueEx(Key(), u"Text", &type, small, &size), ErrorMoreData);
    EXPECT_EQ(type, RegSz);
    EXPECT_EQ(size, 26u);

    char16_t name[16];
    std::uint32_t length = 4; // "Text" leaves no room for the zero
    EXPECT_EQ(Registry().EnumValue(Key(), 0, name, &length, nullptr, nullptr, nullptr), ErrorMoreData);
    length = 16;
    std::uint32_t dataSize = 2;
    EXPECT_EQ(Registry().EnumValue(Key(), 0, name, &length, &type, small, &dataSize), ErrorMoreData);
    EXPECT_EQ(dataSize, 26u);
    length = 16;
    EXPECT_EQ(Registry().EnumValue(Key(), 1, name, &length, nullptr, nullptr, nullptr), ErrorNoMoreItems);
}

TEST_F(RegistryContract, ValueNamesAndCountersDescribeTheKey) {
    for (auto name : {u"Zulu", u"alpha", u"LongestName"})
        ASSERT_EQ(Put(Key(), name, RegBinary, {1, 2, 3}), ErrorSuccess);
    ASSERT_EQ(Put(Key(), u"Text", RegSz, Utf16z(u"0123456789")), ErrorSuccess);
    std::vector<std::u16string> names;
    for (std::uint32_t i = 0;; ++i) {
        char16_t name[64];
        std::uint32_t length = 64;
        const ErrorCode e = Registry().EnumValue(Key(), i, name, &length, nullptr, nullptr, nullptr);
        if (e != ErrorSuccess) {
            EXPECT_EQ(e, ErrorNoMoreItems);
            break;
        }
        names.emplace_back(name, length);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::u16string>{u"LongestName", u"Text", u"Zulu", u"alpha"}));

    std::uint32_t values = 0, longestName = 0, largest = 0;
    ASSERT_EQ(Registry().QueryInfoKey(Key(), &values, &longestName, &largest), ErrorSuccess);
    EXPECT_EQ(values, 4u);
    EXPECT_EQ(longestName, 11u);
    EXPECT_EQ(largest, 22u);

    HKey child = 0;
    ASSERT_EQ(Registry().CreateKeyEx(Key(), u"Sub", 0, KeyAllAccess, &child, nullptr), ErrorSuccess);
    Registry().CloseKey(child);
    char16_t subName[16];
    std::uint32_t subLength = 16;
    ASSERT_EQ(Registry().EnumKeyEx(Key(), 0, subName, &subLength), ErrorSuccess);
    EXPECT_EQ(std::u16string(subName, subLength), u"Sub");
    subLength = 16;
    EXPECT_EQ(Registry().EnumKeyEx(Key(), 1, subName, &subLength), ErrorNoMoreItems);
}

TEST_F(RegistryContract, AHandleMayDoOnlyWhatItsAccessMaskGrants) {
    ASSERT_EQ(Put(Key(), u"Kept", RegSz, Utf16z(u"value")), ErrorSuccess);
    HKey read = 0, write = 0, query = 0, both = 0;
    ASSERT_EQ(Registry().OpenKeyEx(HKeyCurrentUser, KeyPath(), 0, KeyRead, &read), ErrorSuccess);
    ASSERT_EQ(Registry().OpenKeyEx(HKeyCurrentUser, KeyPath(), 0, KeyWrite, &write), ErrorSuccess);
    ASSERT_EQ(Registry().OpenKeyEx(HKeyCurrentUser, KeyPath(), 0, KeyQueryValue, &query), ErrorSuccess);
    ASSERT_EQ(Registry().OpenKeyEx(HKeyCurrentUser, KeyPath(), 0, 0x2001F, &both), ErrorSuccess);

    EXPECT_EQ(Put(read, u"Kept", RegSz, Utf16z(u"lost")), ErrorAccessDenied);
    EXPECT_EQ(Registry().DeleteValue(read, u"Kept"), ErrorAccessDenied);

    EXPECT_EQ(Get(write, u"Kept").error, ErrorAccessDenied);
    EXPECT_EQ(Put(write, u"Written", RegDword, {1, 0, 0, 0}), ErrorSuccess);

    EXPECT_EQ(Get(query, u"Kept").bytes, Utf16z(u"value"));
    char16_t name[16];
    std::uint32_t length = 16;
    EXPECT_EQ(Registry().EnumKeyEx(query, 0, name, &length), ErrorAccessDenied);
    EXPECT_EQ(Put(query, u"Kept", RegSz, Utf16z(u"lost")), ErrorAccessDenied);

    EXPECT_EQ(Put(both, u"Both", RegSz, Utf16z(u"x")), ErrorSuccess);
    EXPECT_EQ(Get(both, u"Written").bytes, (std::vector<std::uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(Get(Key(), u"Kept").bytes, Utf16z(u"value"));
    for (HKey k : {read, write, query, both})
        EXPECT_EQ(Registry().CloseKey(k), ErrorSuccess);
}

TEST_F(RegistryContract, KeyCountersNeedTheQueryRight) {
    if (const std::string wine = WineVersion(); !wine.empty())
        GTEST_SKIP() << "Wine " << wine << " does not check the query right of RegQueryInfoKey";
    HKey write = 0;
    ASSERT_EQ(Registry().OpenKeyEx(HKeyCurrentUser, KeyPath(), 0, KeySetValue, &write), ErrorSuccess);
    std::uint32_t values = 0;
    EXPECT_EQ(Registry().QueryInfoKey(write, &values, nullptr, nullptr), ErrorAccessDenied);
    Registry().CloseKey(write);
}

TEST_F(RegistryContract, NewSubkeysNeedTheCreateSubkeyRight) {
    if (const std::string reason = CreateSubkeyRightUncheckedReason(); !reason.empty())
        GTEST_SKIP() << reason;
    HKey read = 0, refused = 0;
    ASSERT_EQ(Registry().OpenKeyEx(HKeyCurrentUser, KeyPath(), 0, KeyRead, &read), ErrorSuccess);
    EXPECT_EQ(Registry().CreateKeyEx(read, u"NewChild", 0, KeyRead, &refused, nullptr), ErrorAccessDenied);
    EXPECT_EQ(Registry().OpenKeyEx(Key(), u"NewChild", 0, KeyRead, &refused), ErrorFileNotFound);
    Registry().CloseKey(read);
}

TEST_F(RegistryContract, SubkeysOpenBelowAnOpenKeyAndAnEmptyNameReopensIt) {
    HKey child = 0;
    ASSERT_EQ(Registry().CreateKeyEx(Key(), u"Connections", 0, KeyAllAccess, &child, nullptr), ErrorSuccess);
    ASSERT_EQ(Put(child, u"Inner", RegDword, {5, 0, 0, 0}), ErrorSuccess);
    Registry().CloseKey(child);

    HKey relative = 0, same = 0, wrong = 0;
    ASSERT_EQ(Registry().OpenKeyEx(Key(), u"Connections", 0, KeyRead, &relative), ErrorSuccess);
    EXPECT_EQ(Get(relative, u"Inner").type, RegDword);
    EXPECT_EQ(Registry().OpenKeyEx(HKeyCurrentUser, u"Connections", 0, KeyRead, &wrong), ErrorFileNotFound);
    ASSERT_EQ(Registry().OpenKeyEx(relative, u"", 0, KeyRead, &same), ErrorSuccess);
    EXPECT_NE(same, relative);
    EXPECT_EQ(Get(same, u"Inner").type, RegDword);
    Registry().CloseKey(relative);
    EXPECT_EQ(Get(same, u"Inner").type, RegDword) << "the new handle outlives the one it came from";
    Registry().CloseKey(same);
}

TEST_F(RegistryContract, LocalMachineKeysAreReadable) {
    HKey key = 0;
    ASSERT_EQ(
        Registry().OpenKeyEx(HKeyLocalMachine, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0, KeyRead, &key),
        ErrorSuccess);
    EXPECT_EQ(Get(key, u"ProductName").type, RegSz);
    Registry().CloseKey(key);
    EXPECT_EQ(Registry().CloseKey(HKeyLocalMachine), ErrorSuccess);
}

} // namespace
} // namespace prolamo::os::contract
