#include "support/SimulatedMachine.h"

#include "classes/uRegistry.h"
#include "framework/Exceptions.h"

#include <gtest/gtest.h>

#include <array>

using namespace prolamo;
using namespace prolamo::test;

namespace {

class RegistryTest : public SimulatedMachineTest {};

// The message of the registry error Action raises; empty when it raises none.
template <class F> std::string RegistryError(F action) {
    try {
        action();
    } catch (const ERegistryException& e) {
        return e.Message();
    }
    return {};
}

// The code of the system error Action raises; 0 when it raises none.
template <class F> std::uint32_t SystemErrorCode(F action) {
    try {
        action();
    } catch (const EOSError& e) {
        return e.ErrorCode();
    }
    return 0;
}

void SetRaw(const TRegistry& registry, const char16_t* name, std::uint32_t type, std::vector<std::uint8_t> data) {
    ASSERT_EQ(os::Registry().SetValueEx(registry.CurrentKey(), name, type, data.data(),
                                        static_cast<std::uint32_t>(data.size())),
              os::ErrorSuccess);
}

} // namespace

TEST_F(RegistryTest, MissingValuesReadAsTheCallersExpect) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\Software\\Prolamo Tests", true));

    EXPECT_EQ(registry.ReadString("Missing"), "");
    EXPECT_EQ(RegistryError([&] { registry.ReadInteger("Missing"); }), "Failed to get data for 'Missing'");
    std::array<std::uint8_t, 8> buffer{};
    EXPECT_EQ(registry.ReadBinaryData("Missing", buffer), 0u);
    EXPECT_FALSE(registry.ValueExists("Missing"));
    EXPECT_EQ(registry.GetDataType("Missing"), TRegDataType::Unknown);
    EXPECT_TRUE(registry.DeleteValue("Missing")) << "deleting an absent value is no error";

    SetRaw(registry, u"Empty", os::RegSz, {});
    EXPECT_EQ(registry.ReadString("Empty"), "") << "zero-length string data";
    SetRaw(registry, u"EmptyDword", os::RegDword, {});
    EXPECT_EQ(registry.ReadString("EmptyDword"), "") << "a value without data is an empty string, whatever its type";
}

TEST_F(RegistryTest, ValuesOfTheWrongTypeAreRefused) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\Software\\Prolamo Tests", true));
    registry.WriteInteger("Number", -5);
    registry.WriteString("Text", "abc");
    registry.WriteBinaryData("Blob", std::vector<std::uint8_t>{1, 2, 3, 4, 5});

    EXPECT_EQ(RegistryError([&] { registry.ReadString("Number"); }), "Invalid data type for 'Number'");
    EXPECT_EQ(RegistryError([&] { registry.ReadString("Blob"); }), "Invalid data type for 'Blob'");
    EXPECT_EQ(RegistryError([&] { registry.ReadInteger("Text"); }), "Invalid data type for 'Text'");
    EXPECT_EQ(RegistryError([&] { registry.ReadInteger("Blob"); }), "Invalid data type for 'Blob'");

    std::array<std::uint8_t, 8> big{};
    std::array<std::uint8_t, 4> small{};
    EXPECT_EQ(RegistryError([&] { registry.ReadBinaryData("Text", big); }), "Invalid data type for 'Text'");
    EXPECT_EQ(RegistryError([&] { registry.ReadBinaryData("Number", big); }), "Invalid data type for 'Number'");
    EXPECT_EQ(RegistryError([&] { registry.ReadBinaryData("Blob", small); }), "Invalid data type for 'Blob'")
        << "longer than the buffer";
    ASSERT_EQ(registry.ReadBinaryData("Blob", big), 5u);
    EXPECT_EQ((std::vector<std::uint8_t>(big.begin(), big.begin() + 5)), (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));

    // Types the object has no name for read as binary.
    SetRaw(registry, u"Multi", os::RegMultiSz, {'a', 0, 0, 0, 0, 0});
    EXPECT_EQ(registry.GetDataType("Multi"), TRegDataType::Unknown);
    EXPECT_EQ(registry.ReadBinaryData("Multi", big), 6u);
}

TEST_F(RegistryTest, WritesReplaceAnyTypeAndReadBackAsStored) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\Software\\Prolamo Tests", true));
    registry.WriteInteger("Value", 0x7FFFFFFF);
    EXPECT_EQ(registry.ReadInteger("Value"), 0x7FFFFFFF);
    registry.WriteInteger("Value", -1);
    EXPECT_EQ(registry.ReadInteger("Value"), -1);
    EXPECT_EQ(registry.GetDataType("Value"), TRegDataType::Integer);

    registry.WriteString("Value", "Grüße");
    EXPECT_EQ(registry.GetDataType("Value"), TRegDataType::String);
    EXPECT_EQ(registry.ReadString("Value"), "Grüße");

    registry.WriteExpandString("Path", "%SystemRoot%\\system32");
    EXPECT_EQ(registry.GetDataType("Path"), TRegDataType::ExpandString);
    EXPECT_EQ(registry.ReadString("Path"), "%SystemRoot%\\system32") << "not expanded";

    registry.WriteBinaryData("Value", std::vector<std::uint8_t>{9});
    EXPECT_EQ(registry.GetDataType("Value"), TRegDataType::Binary);

    EXPECT_EQ(registry.GetValueNames(), (std::vector<std::string>{"Value", "Path"}));
    EXPECT_TRUE(registry.DeleteValue("Value"));
    EXPECT_FALSE(registry.ValueExists("Value"));
    EXPECT_EQ(registry.GetValueNames(), (std::vector<std::string>{"Path"}));
}

TEST_F(RegistryTest, RelativePathsAreBelowTheOpenKeyAndBackslashedOnesBelowTheRoot) {
    {
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey("Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", true))
            << "no key open yet: from the root";
        ASSERT_TRUE(registry.OpenKey("Connections", true));
        EXPECT_EQ(registry.CurrentPath(),
                  "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections");
        registry.WriteString("Marker", "below");

        ASSERT_TRUE(registry.OpenKey("\\Environment", true));
        EXPECT_EQ(registry.CurrentPath(), "Environment");
        registry.WriteString("Marker", "root");

        EXPECT_FALSE(registry.OpenKey("Does\\Not\\Exist", false));
        EXPECT_EQ(registry.CurrentPath(), "Environment") << "a failed open keeps the key that was open";
        EXPECT_EQ(registry.ReadString("Marker"), "root");
    }
    TRegistry check(os::KeyRead);
    ASSERT_TRUE(check.OpenKey("\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections", false));
    EXPECT_EQ(check.ReadString("Marker"), "below");
    EXPECT_FALSE(check.OpenKey("\\Connections", false)) << "the relative open did not land below the root";
    ASSERT_TRUE(check.OpenKey("\\Environment", false));
    EXPECT_EQ(check.ReadString("Marker"), "root");
}

TEST_F(RegistryTest, RootKeyChangeClosesTheKeyAndTheHivesAreApart) {
    TRegistry registry;
    EXPECT_EQ(registry.RootKey(), os::HKeyCurrentUser);
    ASSERT_TRUE(registry.OpenKey("\\Software\\Prolamo Tests", true));
    registry.WriteString("Hive", "user");
    registry.SetRootKey(os::HKeyLocalMachine);
    EXPECT_FALSE(registry.HasOpenKey());
    ASSERT_TRUE(registry.OpenKey("Software\\Prolamo Tests", true));
    EXPECT_EQ(registry.ReadString("Hive"), "");
    registry.CloseKey();
    registry.CloseKey(); // nothing open: nothing to do
    EXPECT_EQ(registry.ReadString("Hive"), "") << "no key open";
    EXPECT_EQ(RegistryError([&] { registry.WriteString("Hive", "x"); }), "Failed to set data for 'Hive'");
}

TEST_F(RegistryTest, LocalMachineRefusesWriteOpensOfAUserWhoIsNoAdministrator) {
    {
        TRegistry admin;
        admin.SetRootKey(os::HKeyLocalMachine);
        ASSERT_TRUE(admin.OpenKey("\\SOFTWARE\\Prolamo Tests", true));
        admin.WriteString("Kept", "yes");
    }
    Machine().SetAdministrator(false);

    TRegistry writer(os::KeyWrite);
    writer.SetRootKey(os::HKeyLocalMachine);
    EXPECT_FALSE(writer.OpenKey("\\SOFTWARE\\Prolamo Tests", false));
    EXPECT_FALSE(writer.OpenKey("\\SOFTWARE\\Prolamo Tests\\New", true));
    TRegistry both(0x2001F);
    both.SetRootKey(os::HKeyLocalMachine);
    EXPECT_FALSE(both.OpenKey("\\SOFTWARE\\Prolamo Tests", false));

    TRegistry reader(os::KeyRead);
    reader.SetRootKey(os::HKeyLocalMachine);
    ASSERT_TRUE(reader.OpenKey("\\SOFTWARE\\Prolamo Tests", false));
    EXPECT_EQ(reader.ReadString("Kept"), "yes");
    EXPECT_EQ(RegistryError([&] { reader.WriteString("Kept", "no"); }), "Failed to set data for 'Kept'");
    EXPECT_EQ(reader.ReadString("Kept"), "yes");

    TRegistry user(os::KeyWrite);
    EXPECT_TRUE(user.OpenKey("\\Software\\Prolamo Tests", true)) << "the user's own hive stays writable";
}

TEST_F(RegistryTest, AValueThatCannotBeReadIsTheSystemsErrorAndNeverAnAbsentValue) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\Software\\Prolamo Tests", true));
    registry.WriteString("Text", "abc");
    registry.WriteInteger("Number", 7);
    registry.WriteBinaryData("Blob", std::vector<std::uint8_t>{1, 2});
    std::array<std::uint8_t, 8> buffer{};

    // A handle without the query right: every read is refused, a missing value's too.
    TRegistry writeOnly(os::KeyWrite);
    ASSERT_TRUE(writeOnly.OpenKey("\\Software\\Prolamo Tests", false));
    EXPECT_EQ(SystemErrorCode([&] { writeOnly.ValueExists("Text"); }), os::ErrorAccessDenied);
    EXPECT_EQ(SystemErrorCode([&] { writeOnly.GetDataType("Text"); }), os::ErrorAccessDenied);
    EXPECT_EQ(SystemErrorCode([&] { writeOnly.ReadString("Text"); }), os::ErrorAccessDenied);
    EXPECT_EQ(SystemErrorCode([&] { writeOnly.ReadString("Missing"); }), os::ErrorAccessDenied);
    EXPECT_EQ(SystemErrorCode([&] { writeOnly.ReadInteger("Number"); }), os::ErrorAccessDenied);
    EXPECT_EQ(SystemErrorCode([&] { writeOnly.ReadBinaryData("Blob", buffer); }), os::ErrorAccessDenied);
    EXPECT_EQ(SystemErrorCode([&] { writeOnly.GetValueNames(); }), os::ErrorAccessDenied);

    {
        const RegistryValueReadsRefused refused(Machine());
        EXPECT_EQ(SystemErrorCode([&] { registry.ReadString("Text"); }), os::ErrorAccessDenied);
        EXPECT_EQ(SystemErrorCode([&] { registry.ReadInteger("Number"); }), os::ErrorAccessDenied)
            << "not the missing value's \"Failed to get data\"";
        EXPECT_EQ(SystemErrorCode([&] { registry.ReadBinaryData("Blob", buffer); }), os::ErrorAccessDenied);
        EXPECT_EQ(registry.GetValueNames(), (std::vector<std::string>{"Text", "Number", "Blob"}));
    }
    EXPECT_EQ(registry.ReadString("Text"), "abc");
    EXPECT_EQ(registry.ReadString("Missing"), "") << "a value that is not there is still no error";
    EXPECT_EQ(RegistryError([&] { registry.ReadInteger("Missing"); }), "Failed to get data for 'Missing'");
}
