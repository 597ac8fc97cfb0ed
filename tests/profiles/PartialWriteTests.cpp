// Writes that fail partway, as on a disk that fills up while the file is written: the data file
// and the files a profile applies keep their old bytes, and the error says what happened.

#include "support/SimulatedMachine.h"
#include "support/StreamChecks.h"
#include "support/TestKinds.h"

#include "classes/uPersistence.h"
#include "framework/Exceptions.h"
#include "profiles/uFileSettings.h"
#include "profiles/uHostsEntriesSettings.h"
#include "profiles/uNetworkSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

using namespace prolamo;
using namespace prolamo::test;

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> FolderNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class PartialWriteTest : public SimulatedMachineTest {
protected:
    void SetUp() override { RegisterTestKinds(); }

    TCheckResultList results;
};

} // namespace

TEST_F(PartialWriteTest, ADataFileSaveThatFailsPartwayRaisesTheDiskFullErrorAndKeepsThePreviousFile) {
    const std::string path = temp_ / "data/qvt.dfm";
    {
        TPersistentData data;
        data.Load(path);
        data.Register(std::make_unique<TConfigurations>());
    }
    const std::string before = ReadText(path);
    ASSERT_FALSE(before.empty());

    TPersistentData data;
    data.Load(path);
    AddConfiguration(static_cast<TConfigurations&>(*data.Components()[0]), "Grown well past the old size", {"a"});
    {
        const FileWritesFailAfter full(before.size());
        EXPECT_EQ(MessageOf<EOSError>([&] { data.Save(); }), EOSError(os::ErrorDiskFull).Message());
        EXPECT_EQ(ReadText(path), before);
        EXPECT_EQ(FolderNames(temp_.Path() / "data"), std::vector<std::string>{"qvt.dfm"}) << "no half file beside";
    }
    data.Save();
    TPersistentData again;
    again.Load(path);
    ASSERT_EQ(again.Components().size(), 1u);
    const auto& root = static_cast<TConfigurations&>(*again.Components()[0]);
    ASSERT_EQ(root.Configurations().Count(), 1u);
    EXPECT_EQ(root.Configurations()[0].Name(), "Grown well past the old size") << "the room came back";
}

// A File setting writes through a new file where it can, and in place over a file with several
// links, putting the old bytes back when the write fails; when they do not fit either, it says so.
TEST_F(PartialWriteTest, AFileWhoseApplyFailsPartwayKeepsItsBytesOrSaysTheyWereNotPutBack) {
    const std::string path = temp_ / "notes.txt";
    const std::string linked = temp_ / "linked.txt";
    const std::string old = "nineteen bytes old\n";
    WriteText(linked, std::string(4096, 'n'));
    TFileSetting setting;
    setting.SetFileName(linked);
    const std::unique_ptr<TSettingValue> large = setting.CreateValue();
    setting.SetFileName(path);

    for (const std::string& name : {path, linked}) {
        SCOPED_TRACE(name);
        WriteText(name, old);
        if (name == linked)
            std::filesystem::create_hard_link(linked, temp_ / "other-name.txt");
        setting.SetFileName(name);
        const FileWritesFailAfter full(1024);
        const std::string message = MessageOf<EInOutError>([&] { setting.ApplyValue(*large, results); });
        EXPECT_EQ(message,
                  "The disk is full: " + std::filesystem::path(name).filename().string() + " was left as it was");
        EXPECT_EQ(ReadText(name), old);
    }
    EXPECT_EQ(ReadText(temp_ / "other-name.txt"), old) << "the same file";

    const std::string longOld(2048, 'o');
    WriteText(linked, longOld);
    const FileWritesFailAfter full(1024);
    try {
        setting.ApplyValue(*large, results);
        ADD_FAILURE() << "the write cannot succeed";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<int>(os::ErrorDiskFull));
        EXPECT_EQ(e.Message(), "The disk is full: linked.txt could not be put back as it was");
    }
    EXPECT_EQ(ReadText(linked), longOld.substr(0, 1024)) << "what the disk took of the old bytes";
}

TEST_F(PartialWriteTest, TheHostsFileAndItsBlocksKeepTheirBytesWhenTheWriteFailsPartway) {
    const std::string seeded = ReadText(HostsFilePath());
    ASSERT_FALSE(seeded.empty());
    THostsFileSetting hosts;
    WriteText(HostsFilePath(), seeded + std::string(4096, '#') + "\r\n");
    const std::unique_ptr<TSettingValue> grown = hosts.CreateValue();
    WriteText(HostsFilePath(), seeded);
    const std::filesystem::path folder = std::filesystem::path(HostsFilePath()).parent_path();
    const std::vector<std::string> names = FolderNames(folder);

    const FileWritesFailAfter full(seeded.size() + 16);
    EXPECT_EQ(MessageOf<EInOutError>([&] { hosts.ApplyValue(*grown, results); }),
              "The disk is full: hosts was left as it was");
    EXPECT_EQ(ReadText(HostsFilePath()), seeded);

    THostsEntriesSetting block;
    block.SetBlockName("VPN");
    THostsEntriesValue entries;
    entries.SetLines(std::vector<std::string>(200, "10.8.0.1 vpn.example.com"));
    EXPECT_EQ(MessageOf<EInOutError>([&] { block.ApplyValue(entries, results); }),
              "The disk is full: hosts was left as it was");
    EXPECT_EQ(ReadText(HostsFilePath()), seeded);
    EXPECT_EQ(FolderNames(folder), names) << "no new file left beside";
}
