#include "support/SimulatedMachine.h"

#include "classes/uHelpers.h"
#include "classes/uPersistence.h"
#include "classes/uRegistry.h"
#include "classes/uResultList.h"
#include "framework/Exceptions.h"
#include "os/Folders.h"
#include "os/Text.h"
#include "os/VersionRecord.h"
#include "os/WindowMessages.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

using namespace prolamo;
using namespace prolamo::test;

namespace {

class HelpersTest : public SimulatedMachineTest {
protected:
    // The repaired key as the machine holds it: whether it exists and its value, if any.
    struct RepairState {
        bool keyExists = false;
        bool valueExists = false;
        std::string value;
    };
    RepairState NetCfgState() {
        TRegistry registry(os::KeyRead);
        registry.SetRootKey(os::HKeyLocalMachine);
        RepairState state;
        state.keyExists = registry.OpenKey(NetAdapterClassKey, false);
        if (state.keyExists) {
            state.valueExists = registry.ValueExists(NetCfgInstanceIdName);
            state.value = registry.ReadString(NetCfgInstanceIdName);
        }
        return state;
    }
    // Removes the adapter class key 0000, as a workstation without that adapter would be.
    void RemoveRepairedKey() {
        RemoveRegistryKey(Machine(), os::HKeyLocalMachine,
                          os::Utf8ToUtf16(std::string_view(NetAdapterClassKey).substr(1)));
        ASSERT_FALSE(NetCfgState().keyExists);
    }

    std::string WriteRecordFile(const std::string& name, const os::VersionRecordContent& content) {
        const std::string path = temp_ / name;
        std::ofstream out(path, std::ios::binary);
        out << "executable bytes before the record.."; // 36: resources start 4-byte aligned
        const std::vector<std::uint8_t> record = os::BuildVersionRecord(content);
        out.write(reinterpret_cast<const char*>(record.data()), static_cast<std::streamsize>(record.size()));
        out << "and after it";
        return path;
    }
};

} // namespace

TEST_F(HelpersTest, StartUpRepairAddsTheMissingValueForAnAdministratorOnly) {
    ASSERT_TRUE(NetCfgState().keyExists) << "the seeded workstation has the adapter class key";
    {
        TRegistry registry; // a workstation whose adapter has lost the value
        registry.SetRootKey(os::HKeyLocalMachine);
        ASSERT_TRUE(registry.OpenKey(NetAdapterClassKey, false));
        ASSERT_TRUE(registry.DeleteValue(NetCfgInstanceIdName));
    }
    ASSERT_FALSE(NetCfgState().valueExists);

    Machine().SetAdministrator(false);
    TOsHelper::EnsureNetCfgInstanceId();
    EXPECT_FALSE(NetCfgState().valueExists) << "without administrative rights nothing changes";

    Machine().SetAdministrator(true);
    TOsHelper::EnsureNetCfgInstanceId();
    const RepairState repaired = NetCfgState();
    EXPECT_TRUE(repaired.valueExists);
    EXPECT_EQ(repaired.value, "");
    {
        TRegistry registry(os::KeyRead);
        registry.SetRootKey(os::HKeyLocalMachine);
        ASSERT_TRUE(registry.OpenKey(NetAdapterClassKey, false));
        EXPECT_EQ(registry.GetDataType(NetCfgInstanceIdName), TRegDataType::String);
    }
}

TEST_F(HelpersTest, StartUpRepairLeavesAPresentValueAndCreatesAMissingKey) {
    {
        TRegistry registry;
        registry.SetRootKey(os::HKeyLocalMachine);
        ASSERT_TRUE(registry.OpenKey(NetAdapterClassKey, false));
        registry.WriteString(NetCfgInstanceIdName, "{6B1F3C2A-9D44-4E7B-A1C0-5E2D8F7A3B10}");
    }
    TOsHelper::EnsureNetCfgInstanceId();
    EXPECT_EQ(NetCfgState().value, "{6B1F3C2A-9D44-4E7B-A1C0-5E2D8F7A3B10}");

    RemoveRepairedKey();
    Machine().SetAdministrator(false);
    TOsHelper::EnsureNetCfgInstanceId();
    EXPECT_FALSE(NetCfgState().keyExists) << "a non-administrator cannot create it";
    Machine().SetAdministrator(true);
    TOsHelper::EnsureNetCfgInstanceId();
    const RepairState created = NetCfgState();
    EXPECT_TRUE(created.keyExists);
    EXPECT_TRUE(created.valueExists);
    EXPECT_EQ(created.value, "");
}

TEST_F(HelpersTest, FoldersComeFromTheWorkstation) {
    EXPECT_EQ(TOsHelper::GetSystemDirectory(), Machine().SystemFolder().string());
    EXPECT_EQ(TOsHelper::GetTempPath(), Machine().TempFolder().string() + "/");
    EXPECT_EQ(TOsHelper::GetAppDataFolder(), Machine().RoamingAppDataFolder().string());
    EXPECT_EQ(TOsHelper::GetSpecialFolder(os::CsidlPersonal), Machine().DocumentsFolder().string());
    EXPECT_EQ(TOsHelper::GetSpecialFolder(0x3A), "") << "a folder the shell does not know is no error";
}

TEST_F(HelpersTest, TemporaryFilesAreNewEmptyAndOwnerOnly) {
    const std::string first = TOsHelper::GetTempFileName();
    const std::string second = TOsHelper::GetTempFileName();
    EXPECT_NE(first, second);
    for (const std::string& name : {first, second}) {
        const std::filesystem::path path(name);
        EXPECT_EQ(path.parent_path(), Machine().TempFolder());
        EXPECT_EQ(path.filename().string().substr(0, 3), "qvt");
        EXPECT_EQ(path.extension(), ".tmp");
        struct stat info {};
        ASSERT_EQ(stat(name.c_str(), &info), 0);
        EXPECT_EQ(info.st_size, 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
    }
}

TEST_F(HelpersTest, AdministratorTestAndBroadcastFollowTheWorkstation) {
    Machine().SetAdministrator(true);
    EXPECT_TRUE(TOsHelper::IsAdmin());
    Machine().SetAdministrator(false);
    EXPECT_FALSE(TOsHelper::IsAdmin());

    const std::size_t before = Machine().Broadcasts().size();
    TOsHelper::BroadcastSettingChange();
    const auto broadcasts = Machine().Broadcasts();
    ASSERT_EQ(broadcasts.size(), before + 1);
    EXPECT_EQ(broadcasts.back().window, os::HWndBroadcast);
    EXPECT_EQ(broadcasts.back().message, 26u);
    EXPECT_EQ(broadcasts.back().wParam, 0u);
    EXPECT_EQ(broadcasts.back().lParam, 0);
}

TEST_F(HelpersTest, SortCollectionOrdersByTheComparison) {
    const TCollectionCompare byText = [](const TCollectionItem& a, const TCollectionItem& b) {
        return static_cast<const TCheckResult&>(a).Text().compare(static_cast<const TCheckResult&>(b).Text());
    };
    SortCollection(nullptr, byText);
    TCheckResultList results;
    for (const char* text : {"c", "a", "d", "b"})
        results.AddWarning(text, "");
    SortCollection(&results, byText);
    std::string order;
    for (const TCheckResult& r : results)
        order += r.Text().substr(0, 1);
    EXPECT_EQ(order, "abcd");
}

TEST_F(HelpersTest, VersionTextPrefersTheFixedVersion) {
    os::VersionRecordContent content;
    content.fixed.fileVersionMs = (1u << 16) | 2u;
    content.fixed.fileVersionLs = (3u << 16) | 4u;
    content.stringTables = {{u"040904B0", {{u"FileVersion", u"9.9 (ignored)"}}}};
    content.translations = {0x04B00409};
    EXPECT_EQ(GetFileVersionString(WriteRecordFile("fixed.exe", content)), "1.2.3.4");

    content.fixed.fileVersionMs = 0xFFFF0000u;
    content.fixed.fileVersionLs = 0x0000FFFFu;
    EXPECT_EQ(GetFileVersionString(WriteRecordFile("high.exe", content)), "65535.0.0.65535");
}

TEST_F(HelpersTest, ZeroFixedVersionFallsBackToTheStringTableOfTheFirstTranslationThatHasOne) {
    os::VersionRecordContent content;
    content.stringTables = {{u"04070000", {{u"ProductName", u"no version here"}}},
                            {u"040904B0", {{u"FileVersion", u"2.0 beta 3"}}}};
    // Stored as Windows stores them: language in the low half, code page in the high one.
    content.translations = {0x00000407, 0x04B00409};
    const std::string path = WriteRecordFile("strings.exe", content);

    const TFileVersion version(path);
    ASSERT_EQ(version.Translations().size(), 2u);
    EXPECT_EQ(version.Translations()[0].Translation, 0x04070000u);
    EXPECT_EQ(version.Translations()[0].FileVersion, u"");
    EXPECT_EQ(version.Translations()[1].Translation, 0x040904B0u);
    EXPECT_EQ(version.Translations()[1].FileVersion, u"2.0 beta 3");
    EXPECT_EQ(version.FixedInfo()[0], os::FixedFileInfoSignature);
    EXPECT_EQ(GetFileVersionString(path), "2.0 beta 3");
}

TEST_F(HelpersTest, FilesWithoutARecordHaveNoVersionText) {
    const std::string plain = temp_ / "plain.txt";
    std::ofstream(plain) << "no record";
    EXPECT_EQ(GetFileVersionString(plain), "");
    EXPECT_EQ(GetFileVersionString(temp_ / "missing.exe"), "");
    EXPECT_THROW(TFileVersion{plain}, EOSError);

    os::VersionRecordContent empty; // zero version, no translations
    EXPECT_EQ(GetFileVersionString(WriteRecordFile("empty.exe", empty)), "");
}

TEST(DataFolderTest, AFolderThatCannotBeReachedSaysWhyAndOnlyAMissingOneIsNotFound) {
    const std::string missing = "The user's application-data folder, which holds the data file, cannot be found";
    EXPECT_EQ(std::string(EDataFolderNotFound(os::EFail).what()), missing);
    EXPECT_EQ(std::string(EDataFolderNotFound(os::HResultFromWin32(os::ErrorPathNotFound)).what()), missing);
    EXPECT_EQ(std::string(EDataFolderNotFound(os::HResultFromWin32(os::ErrorDiskFull)).what()),
              "The user's application-data folder, which holds the data file, cannot be reached: There is not "
              "enough space on the disk");
}
