#include "support/TempFolder.h"
#include "support/TestKinds.h"

#include "framework/Stream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

using namespace prolamo;
using namespace prolamo::test;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Ascii(std::string_view s) { return Bytes(s.begin(), s.end()); }

bool Contains(const Bytes& haystack, std::string_view needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A persistence instance holding a fresh root, as at start-up with no file.
struct Stored {
    TPersistentData data;
    TConfigurations& root;
    Stored() : root(static_cast<TConfigurations&>(data.InsertComponent(std::make_unique<TConfigurations>()))) {}
    Bytes Write() { return WriteComponentResource(data); }
};

class DataFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestKinds();
        TestMachine() = {{"a", "alpha"}, {"b", "beta"}};
    }
    TempFolder folder;
};

} // namespace

TEST_F(DataFileTest, TheSmallestFileIsExactly112Bytes) {
    Stored stored;
    const Bytes expected = [] {
        Bytes b{0xFF, 0x0A, 0x00};
        for (char c : std::string("TPERSISTENTDATA"))
            b.push_back(static_cast<std::uint8_t>(c));
        b.insert(b.end(), {0x00, 0x30, 0x10, 0x57, 0x00, 0x00, 0x00});
        auto add = [&](std::string_view s) { b.insert(b.end(), s.begin(), s.end()); };
        add("TPF0");
        b.push_back(0x0F);
        add("TPersistentData");
        b.push_back(0x0E);
        add("PersistentData");
        b.push_back(0x00);
        b.push_back(0x0F);
        add("TConfigurations");
        b.push_back(0x0E);
        add("Configurations");
        b.push_back(0x0E);
        add("Configurations");
        b.insert(b.end(), {0x0E, 0x00, 0x00, 0x00, 0x00});
        return b;
    }();
    EXPECT_EQ(expected.size(), 112u);
    EXPECT_EQ(stored.Write(), expected);
}

TEST_F(DataFileTest, EmptyListsAreLeftOut) {
    Stored stored;
    TConfiguration& empty = AddConfiguration(stored.root, "Empty", {});
    std::unique_ptr<TConfigurationProfile> profile = empty.Profiles().NewProfile();
    empty.Profiles().Add(std::move(profile));
    AddConfiguration(stored.root, "Full", {"a"});
    const Bytes bytes = stored.Write();
    // Only "Full" has settings; its profiles collection is empty and so not written either.
    std::size_t settings = 0, profiles = 0, values = 0;
    for (std::size_t i = 0; i + 8 < bytes.size(); ++i) {
        settings += bytes[i] == 8 && std::equal(bytes.begin() + i + 1, bytes.begin() + i + 9, "Settings");
        profiles += i + 9 < bytes.size() && bytes[i] == 8 &&
                    std::equal(bytes.begin() + i + 1, bytes.begin() + i + 9, "Profiles");
        values += bytes[i] == 6 && std::equal(bytes.begin() + i + 1, bytes.begin() + i + 7, "Values");
    }
    EXPECT_EQ(settings, 1u);
    EXPECT_EQ(profiles, 1u) << "the empty configuration's one profile";
    EXPECT_EQ(values, 0u) << "a profile without values has no Values";
}

TEST_F(DataFileTest, IdsAboveInt32MaxAreStoredNegativeAndReadBackUnchanged) {
    Stored stored;
    TConfiguration& c = AddConfiguration(stored.root, "C", {"a"});
    c.Settings()[0].SetId(0xFFFFFFFEu);
    const Bytes bytes = stored.Write();
    const Bytes pattern = [] {
        Bytes p{2};
        for (char ch : std::string("Id"))
            p.push_back(static_cast<std::uint8_t>(ch));
        p.insert(p.end(), {2, 0xFE});
        return p;
    }();
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end()), bytes.end())
        << "-2 is the shortest form of the pattern 0xFFFFFFFE";

    Stored back;
    back.data.RemoveComponent(back.root).reset();
    ReadComponentResource(bytes, back.data, true);
    auto* root = static_cast<TConfigurations*>(back.data.Components().at(0));
    EXPECT_EQ(root->Configurations()[0].Settings()[0].Id(), 0xFFFFFFFEu);
}

TEST_F(DataFileTest, SaveAndLoadRestoreTheWholeModelInNameOrder) {
    const std::string path = folder / "deep/er/qvt.dfm";
    std::vector<std::uint32_t> ids;
    {
        Stored stored;
        TConfiguration& network = AddConfiguration(stored.root, "Network", {"a", "b"});
        AddConfiguration(stored.root, "Another", {});
        for (const char* name : {"Office", "Home"}) {
            std::unique_ptr<TConfigurationProfile> p = network.Profiles().NewProfile();
            p->SetName(name);
            network.Profiles().Add(std::move(p)).RefreshAll();
        }
        auto& value = static_cast<TTestValue&>(network.Profiles()[0].Values()[0]);
        value.SetNumber(123456);
        value.SetFlag(true);
        value.SetWide(u"Беспроводная сеть");
        value.Lines().Add("k=v");
        value.WideLines().Add(u"X=東京");
        value.Blob() = {0, 1, 2, 255};
        auto orphan = std::make_unique<TTestValue>();
        orphan->SetCreatorId(network.Settings()[0].Id() ^ 0x5555);
        network.Profiles()[1].Values().Add(std::move(orphan));
        for (const TSetting* s : network.Settings())
            ids.push_back(s->Id());
        stored.data.Load(path);
        stored.data.Save();
    }
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the file holds captured contents: owner only";

    TPersistentData data;
    data.Load(path);
    ASSERT_EQ(data.Components().size(), 1u);
    auto& root = static_cast<TConfigurations&>(*data.Components()[0]);
    ASSERT_EQ(root.Configurations().Count(), 2u);
    EXPECT_EQ(root.Configurations()[0].Name(), "Another");
    TConfiguration& network = root.Configurations()[1];
    ASSERT_EQ(network.Settings().Count(), 2u);
    EXPECT_EQ(network.Settings()[1].Id(), ids[1]);
    EXPECT_EQ(static_cast<TTestSetting&>(network.Settings()[1]).Key(), "b");
    ASSERT_EQ(network.Profiles().Count(), 2u);
    EXPECT_EQ(network.Profiles()[0].Name(), "Home");
    EXPECT_EQ(network.Profiles()[1].Values().Count(), 2u) << "the orphan is gone";
    const auto& value = static_cast<const TTestValue&>(network.Profiles()[0].Values()[0]);
    EXPECT_EQ(value.CreatorId(), ids[0]);
    EXPECT_EQ(value.Text(), "alpha");
    EXPECT_EQ(value.Number(), 123456);
    EXPECT_TRUE(value.Flag());
    EXPECT_EQ(value.Wide(), u"Беспроводная сеть");
    EXPECT_EQ(const_cast<TTestValue&>(value).Lines().Value("k"), "v");
    EXPECT_EQ(const_cast<TTestValue&>(value).WideLines()[0], u"X=東京");
    EXPECT_EQ(const_cast<TTestValue&>(value).Blob(), (Bytes{0, 1, 2, 255}));
    EXPECT_EQ(network.Profiles()[1].Settings(), &network.Settings());
}

TEST_F(DataFileTest, AMissingFileStartsEmptyAndExitCreatesFolderAndFile) {
    const std::string path = folder / "Orvenik/QVT/qvt.dfm";
    {
        TPersistentData data;
        data.Load(path);
        EXPECT_TRUE(data.Components().empty());
        data.Register(std::make_unique<TConfigurations>());
    }
    EXPECT_EQ(ReadFile(path).size(), 112u);
}

TEST_F(DataFileTest, UnreadableFilesRaiseAndAreNeverOverwritten) {
    Stored stored;
    AddConfiguration(stored.root, "C", {"a"});
    const Bytes good = stored.Write();
    const std::vector<std::pair<std::string, Bytes>> broken = {
        {"empty", {}},
        {"text", Ascii("hello world, not a data file")},
        {"truncated", Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() - 3))},
        {"length beyond the file", [&] { Bytes b = good; b[21] = 0xFF; b[24] = 0x7F; return b; }()},
        {"unknown class inside", [&] {
             Bytes b = good;
             auto at = std::search(b.begin(), b.end(), std::begin("TTestSetting"), std::end("TTestSetting") - 1);
             *(at + 1) = 'X';
             return b;
         }()},
    };
    for (const auto& [what, bytes] : broken) {
        const std::string path = folder / ("broken-" + std::to_string(&what - &broken[0].first) + ".dfm");
        WriteFile(path, bytes);
        {
            TPersistentData data;
            EXPECT_THROW(data.Load(path), EReadError) << what;
            EXPECT_TRUE(data.LoadFailed());
            EXPECT_TRUE(data.Components().empty()) << what;
            data.Register(std::make_unique<TConfigurations>());
        }
        EXPECT_EQ(ReadFile(path), bytes) << what << ": the file must stay as it was";
    }
}

TEST_F(DataFileTest, ReadErrorMessagesAreThePlatformsTexts) {
    Stored stored;
    AddConfiguration(stored.root, "C", {"a"});
    Bytes bytes = stored.Write();
    auto at = std::search(bytes.begin(), bytes.end(), std::begin("TTestSetting"), std::end("TTestSetting") - 1);
    *(at + 1) = 'X';
    const std::string path = folder / "class.dfm";
    WriteFile(path, bytes);
    TPersistentData data;
    try {
        data.Load(path);
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Error reading Configurations.Settings: Class TXestSetting not found");
    }
}

TEST_F(DataFileTest, AProfilesValueThatIsNotACollectionIsAReadError) {
    Stored stored;
    TConfiguration& c = AddConfiguration(stored.root, "C", {"a"});
    std::unique_ptr<TConfigurationProfile> p = c.Profiles().NewProfile();
    c.Profiles().Add(std::move(p));
    Bytes bytes = stored.Write();
    auto at = std::search(bytes.begin(), bytes.end(), std::begin("Profiles"), std::end("Profiles") - 1);
    ASSERT_NE(at, bytes.end());
    ASSERT_EQ(*(at + 8), 14);
    *(at + 8) = 1; // a list where the collection belongs
    TPersistentData data;
    EXPECT_THROW(ReadComponentResource(bytes, data, true), EReadError);
}

TEST_F(DataFileTest, UnregisteredTopLevelRecordsAreSteppedOverAndNotWrittenAgain) {
    Stored stored;
    AddConfiguration(stored.root, "C", {});
    Bytes bytes = stored.Write();
    // Insert a foreign record before the root's closing null and fix the stream length.
    Bytes foreign{10};
    for (char ch : std::string("TForeigner"))
        foreign.push_back(static_cast<std::uint8_t>(ch));
    foreign.insert(foreign.end(), {3, 'F', 'o', 'o', 3, 'N', 'u', 'm', 2, 7, 0, 0});
    bytes.insert(bytes.end() - 1, foreign.begin(), foreign.end());
    const auto length = static_cast<std::uint32_t>(bytes.size() - 25);
    for (int i = 0; i < 4; ++i)
        bytes[21 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (8 * i));
    const std::string path = folder / "foreign.dfm";
    WriteFile(path, bytes);
    {
        TPersistentData data;
        data.Load(path);
        ASSERT_EQ(data.Components().size(), 1u);
        EXPECT_EQ(data.Components()[0]->ClassName(), "TConfigurations");
    }
    const Bytes rewritten = ReadFile(path);
    EXPECT_FALSE(Contains(rewritten, "TForeigner"));
    EXPECT_TRUE(Contains(rewritten, "TConfigurations"));
}

TEST_F(DataFileTest, AFailedSaveKeepsThePreviousFile) {
    const std::string path = folder / "keep/qvt.dfm";
    {
        TPersistentData data;
        data.Load(path);
        data.Register(std::make_unique<TConfigurations>());
        data.Save();
    }
    const Bytes before = ReadFile(path);
    if (geteuid() == 0)
        GTEST_SKIP() << "root may write into a read-only folder";
    std::filesystem::permissions(folder.Path() / "keep", std::filesystem::perms::owner_read |
                                                              std::filesystem::perms::owner_exec);
    TPersistentData data;
    data.Load(path);
    AddConfiguration(static_cast<TConfigurations&>(*data.Components()[0]), "New", {});
    EXPECT_THROW(data.Save(), EOSError);
    EXPECT_EQ(ReadFile(path), before);
}

TEST_F(DataFileTest, ValuesOrphanedInTheFileAreDroppedWhileLoading) {
    Stored stored;
    TConfiguration& c = AddConfiguration(stored.root, "C", {"a"});
    c.Settings()[0].SetId(0x11223344u);
    std::unique_ptr<TConfigurationProfile> p = c.Profiles().NewProfile();
    c.Profiles().Add(std::move(p)).RefreshAll();
    Bytes bytes = stored.Write();
    const Bytes id{0x44, 0x33, 0x22, 0x11};
    auto settingId = std::search(bytes.begin(), bytes.end(), id.begin(), id.end());
    ASSERT_NE(settingId, bytes.end());
    *settingId = 0x55; // the setting comes first; its value now belongs to no setting

    TPersistentData data;
    ReadComponentResource(bytes, data, true);
    auto& root = static_cast<TConfigurations&>(*data.Components().at(0));
    EXPECT_EQ(root.Configurations()[0].Profiles()[0].Values().Count(), 0u);
}
