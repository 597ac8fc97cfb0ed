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

Bytes Ascii(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

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
        {"length beyond the file",
         [&] {
             Bytes b = good;
             b[21] = 0xFF;
             b[24] = 0x7F;
             return b;
         }()},
        {"unknown class inside",
         [&] {
             Bytes b = good;
             auto at = std::search(b.begin(), b.end(), std::begin("TTestSetting"), std::end("TTestSetting") - 1);
             *(at + 1) = 'X';
             return b;
         }()},
    };
    for (const os::FileReading reading : {os::FileReading::Copy, os::FileReading::Mapped})
        for (const auto& [what, bytes] : broken) {
            const std::string path = folder / ("broken-" + std::to_string(&what - &broken[0].first) + ".dfm");
            WriteFile(path, bytes);
            {
                TPersistentData data;
                EXPECT_THROW(data.Load(path, reading), EReadError) << what;
                EXPECT_TRUE(data.LoadFailed());
                EXPECT_TRUE(data.Components().empty()) << what;
                data.Register(std::make_unique<TConfigurations>());
            }
            EXPECT_EQ(ReadFile(path), bytes) << what << ": the file must stay as it was";
        }
}

// A run that only reads takes the file's pages as they are: the same model, never written back.
TEST_F(DataFileTest, AFileReadMappedIsTheSameModelAndIsNeverSaved) {
    const std::string path = folder / "qvt.dfm";
    Bytes written;
    {
        Stored stored;
        TConfiguration& network = AddConfiguration(stored.root, "Network", {"a", "b"});
        network.Profiles().Add(network.Profiles().NewProfile()).RefreshAll();
        static_cast<TTestValue&>(network.Profiles()[0].Values()[0]).Blob() = {0, 1, 2, 255};
        written = stored.Write();
        WriteFile(path, written);
    }
    {
        TPersistentData data;
        data.Load(path, os::FileReading::Mapped);
        EXPECT_EQ(WriteComponentResource(data), written);
        auto& root = static_cast<TConfigurations&>(*data.Components().at(0));
        AddConfiguration(root, "Changed", {});
        EXPECT_THROW(data.Save(), EAssertionFailed);
    }
    EXPECT_EQ(ReadFile(path), written) << "neither Save nor the end of the instance wrote it";
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
        EXPECT_EQ(e.Message(), "Error reading C.Settings: Class TXestSetting not found");
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
    std::filesystem::permissions(folder.Path() / "keep",
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
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

namespace {

// A component record without properties, holding Children (records).
Bytes Record(std::string_view className, std::string_view name, const Bytes& children = {}) {
    Bytes record{static_cast<std::uint8_t>(className.size())};
    record.insert(record.end(), className.begin(), className.end());
    record.push_back(static_cast<std::uint8_t>(name.size()));
    record.insert(record.end(), name.begin(), name.end());
    record.push_back(0);
    record.insert(record.end(), children.begin(), children.end());
    record.push_back(0);
    return record;
}

// Inserts Part at Offset of a written file and mends the stream length in the header.
void Splice(Bytes& file, std::size_t offset, const Bytes& part) {
    file.insert(file.begin() + static_cast<std::ptrdiff_t>(offset), part.begin(), part.end());
    const auto length = static_cast<std::uint32_t>(file.size() - 25);
    for (int i = 0; i < 4; ++i)
        file[21 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (8 * i));
}

std::size_t OffsetAfter(const Bytes& file, std::string_view text) {
    const auto at = std::search(file.begin(), file.end(), text.begin(), text.end());
    EXPECT_NE(at, file.end()) << text;
    return static_cast<std::size_t>(at - file.begin()) + text.size();
}

// Where the root's first child record starts: after the header, "TPF0", the root's class and name
// and its empty property list.
constexpr std::size_t FirstTopLevelRecord = 25 + 4 + 16 + 15 + 1;

std::string LoadError(const std::string& path) {
    TPersistentData data;
    data.SetSaveOnFree(false);
    try {
        data.Load(path);
    } catch (const std::exception& e) {
        EXPECT_TRUE(data.LoadFailed());
        return e.what();
    }
    return {};
}

} // namespace

TEST_F(DataFileTest, OnlyATopLevelConfigurationsRecordBecomesTheRoot) {
    TPersistentData::SetStoredClass(TConfigurations::StaticClass());
    Bytes bytes;
    {
        Stored stored;
        AddConfiguration(stored.root, "Real", {"a"});
        bytes = stored.Write();
    }
    // A record of another class comes first and holds a root of its own.
    Splice(bytes, FirstTopLevelRecord, Record("TTestSetting", "", Record("TConfigurations", "Configurations")));
    const std::string path = folder / "decoy.dfm";
    WriteFile(path, bytes);
    {
        TPersistentData data;
        data.SetSaveOnFree(false);
        data.Load(path);
        ASSERT_EQ(data.Components().size(), 1u);
        TConfigurations& root = GetConfigurationsRoot();
        EXPECT_EQ(root.Owner(), &data);
        ASSERT_EQ(root.Configurations().Count(), 1u);
        EXPECT_EQ(root.Configurations()[0].Name(), "Real");
        EXPECT_NO_THROW(data.Register(root));
    }

    // Two roots: the file is refused, not read with one of them.
    Bytes twoRoots;
    {
        Stored stored;
        twoRoots = stored.Write();
    }
    Splice(twoRoots, FirstTopLevelRecord, Record("TConfigurations", "Configurations"));
    WriteFile(path, twoRoots);
    EXPECT_EQ(LoadError(path), "A component named Configurations already exists");
}

TEST_F(DataFileTest, APropertyStoredTwiceIsAReadError) {
    Bytes bytes;
    {
        Stored stored;
        TConfiguration& c = AddConfiguration(stored.root, "C", {"a"});
        c.Profiles().Add(c.Profiles().NewProfile()).RefreshAll();
        bytes = stored.Write();
    }
    // The settings list again, right after the first: two settings with one Id.
    const std::size_t settings = OffsetAfter(bytes, "\x08Settings") - 9;
    const std::size_t profiles = OffsetAfter(bytes, "\x08Profiles") - 9;
    Splice(bytes, profiles,
           Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(settings),
                 bytes.begin() + static_cast<std::ptrdiff_t>(profiles)));
    const std::string path = folder / "twice.dfm";
    WriteFile(path, bytes);
    EXPECT_EQ(LoadError(path), "Error reading C.Settings: Property Settings is stored twice");
    EXPECT_EQ(ReadFile(path), bytes);
}

TEST_F(DataFileTest, ReadErrorsNameTheConfigurationOrProfileAndTheKind) {
    Bytes bytes;
    {
        Stored stored;
        TConfiguration& c = AddConfiguration(stored.root, "Home", {"a"});
        auto profile = c.Profiles().NewProfile();
        profile->SetName("Office");
        c.Profiles().Add(std::move(profile)).RefreshAll();
        bytes = stored.Write();
    }
    const std::string path = folder / "where.dfm";
    Bytes unknown = bytes;
    Splice(unknown, OffsetAfter(unknown, std::string_view("\x0CTTestSetting\x00", 14)),
           {5, 'B', 'o', 'g', 'u', 's', 2, 7});
    WriteFile(path, unknown);
    EXPECT_EQ(LoadError(path), "Error reading Home.TTestSetting.Bogus: Property Bogus does not exist");

    // A stored read-only property says why it is refused.
    Bytes readOnly = bytes;
    Splice(readOnly, OffsetAfter(readOnly, std::string_view("\x0ATTestValue\x00", 12)),
           {4, 'H', 'i', 'n', 't', 6, 1, 'x'});
    WriteFile(path, readOnly);
    EXPECT_EQ(LoadError(path), "Error reading Office.TTestValue.Hint: Property Hint is read-only");
}

TEST_F(DataFileTest, ALinkToNothingOrALoopIsAReadingErrorAndStaysAsItIs) {
    const std::string path = folder / "qvt.dfm";
    std::filesystem::create_symlink(folder / "moved-away.dfm", path);
    {
        TPersistentData data;
        EXPECT_EQ(LoadError(path), "The data file is a link to a file that does not exist");
        data.SetSaveOnFree(false);
        EXPECT_THROW(data.Load(path), EOSError);
        data.Register(std::make_unique<TConfigurations>());
        data.Save(); // does nothing after a failed load
    }
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_FALSE(std::filesystem::exists(folder / "moved-away.dfm"));

    const std::string loop = folder / "loop.dfm";
    std::filesystem::create_symlink(loop, loop);
    EXPECT_NE(LoadError(loop), "");
    EXPECT_TRUE(std::filesystem::is_symlink(loop));

    // Nothing there at all is a first start.
    EXPECT_EQ(LoadError(folder / "none.dfm"), "");
}

// What a command line leaves at its end: nothing of it is freed, nothing written.
TEST_F(DataFileTest, DataLeftToTheProcessEndIsNeitherFreedNorSaved) {
    struct Watch final : IFreeListener {
        bool freed = false;
        void ComponentFreed(TComponent&) override { freed = true; }
    } watch;
    const std::string path = folder / "qvt.dfm";
    TPersistentData& data = GetPersistentData();
    data.Load(path);
    auto stored = std::make_unique<TComponent>();
    stored->SetName("Stored");
    TComponent& kept = *stored;
    data.Register(std::move(stored));
    kept.AddFreeListener(watch);

    LeavePersistentDataToProcessEnd();
    EXPECT_FALSE(watch.freed);
    EXPECT_EQ(data.FindComponent("Stored"), &kept);
    EXPECT_FALSE(std::filesystem::exists(path)) << "it was not saved";
    EXPECT_NE(&GetPersistentData(), &data) << "the next one is new";
    kept.RemoveFreeListener(watch);
    FreePersistentData();
}
