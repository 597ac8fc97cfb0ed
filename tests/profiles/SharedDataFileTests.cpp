// The data file shared by a long-running program and others that write it meanwhile.
#include "support/TempFolder.h"
#include "support/TestKinds.h"

#include "classes/uPersistence.h"
#include "profiles/uSharedDataFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

using namespace prolamo;
using namespace prolamo::test;

namespace {

std::vector<std::string> Names(const TConfigurations& root) {
    std::vector<std::string> names;
    for (const TConfiguration& configuration : root.Configurations())
        names.push_back(configuration.Name());
    return names;
}

class SharedDataFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestKinds();
        TestMachine() = {{"a", "alpha"}, {"b", "beta"}};
    }
    void TearDown() override {
        GetPersistentData().SetSaveOnFree(false);
        FreePersistentData();
    }

    TConfigurations& Root() { return GetConfigurationsRoot(); }

    // Another program (the command line) reads the file, changes it and writes it, under the lock.
    void ChangeAsAnotherProgram(const std::function<void(TConfigurations&)>& change) {
        const TDataFileLock lock(path_);
        TPersistentData other;
        other.SetSaveOnFree(false);
        other.Load(path_);
        TConfigurations* root = nullptr;
        for (TComponent* component : other.Components())
            root = dynamic_cast<TConfigurations*>(component);
        if (!root)
            root = &static_cast<TConfigurations&>(other.InsertComponent(std::make_unique<TConfigurations>()));
        change(*root);
        other.Save();
    }

    std::vector<std::string> NamesInFile() {
        std::vector<std::string> names;
        ChangeAsAnotherProgram([&names](TConfigurations& root) { names = Names(root); });
        return names;
    }

    TSyncReport Synchronize() { return shared_.Synchronize(shared_.Lock()); }

    // The program starts on a file that holds A and B.
    void OpenWithAAndB() {
        ChangeAsAnotherProgram([](TConfigurations& root) {
            AddConfiguration(root, "A", {"a"});
            AddConfiguration(root, "B", {"b"});
        });
        shared_.Open(shared_.Lock());
        ASSERT_EQ(Names(Root()), (std::vector<std::string>{"A", "B"}));
    }

    TempFolder temp_;
    std::string path_ = (temp_.Path() / "qvt.dfm").string();
    TSharedDataFile shared_{path_};
};

TEST_F(SharedDataFileTest, AChangeOfEitherSideReachesTheOtherAndNothingIsWrittenWithoutOne) {
    OpenWithAAndB();
    EXPECT_FALSE(shared_.ChangedOutside());
    const TSyncReport idle = Synchronize();
    EXPECT_FALSE(idle.wrote);
    EXPECT_FALSE(idle.tookIn);

    ChangeAsAnotherProgram([](TConfigurations& root) { AddConfiguration(root, "C", {"a"}); });
    EXPECT_TRUE(shared_.ChangedOutside());
    TSyncReport report = Synchronize();
    EXPECT_TRUE(report.tookIn);
    EXPECT_FALSE(report.wrote);
    EXPECT_EQ(Names(Root()), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_FALSE(shared_.ChangedOutside());

    // Both sides change different configurations before the next save: both changes stay.
    Root().Configurations().Find("A")->Profiles().Add().SetName("Home");
    ChangeAsAnotherProgram(
        [](TConfigurations& root) { root.Configurations().Extract(*root.Configurations().Find("B")).reset(); });
    report = Synchronize();
    EXPECT_TRUE(report.tookIn);
    EXPECT_TRUE(report.wrote);
    EXPECT_TRUE(report.conflicts.empty());
    EXPECT_EQ(Names(Root()), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(NamesInFile(), (std::vector<std::string>{"A", "C"}));
    ChangeAsAnotherProgram(
        [](TConfigurations& root) { EXPECT_NE(root.Configurations().Find("A")->Profiles().Find("Home"), nullptr); });
}

TEST_F(SharedDataFileTest, AConfigurationChangedOnBothSidesIsKeptTwiceAndADeletionGivesWayToAChange) {
    OpenWithAAndB();
    Root().Configurations().Find("A")->Profiles().Add().SetName("Here");
    Root().Configurations().Extract(*Root().Configurations().Find("B")).reset();
    ChangeAsAnotherProgram([](TConfigurations& root) {
        root.Configurations().Find("A")->Profiles().Add().SetName("There");
        root.Configurations().Find("B")->Profiles().Add().SetName("Kept");
    });

    const TSyncReport report = Synchronize();
    EXPECT_TRUE(report.wrote);
    ASSERT_EQ(report.conflicts.size(), 2u);
    EXPECT_EQ(report.conflicts[0],
              "Another program changed configuration \"B\" after it was deleted here; it is kept.");
    EXPECT_EQ(report.conflicts[1], "Another program changed configuration \"A\" while it was changed here; both are "
                                   "kept, the one changed here as \"A (2)\".");
    EXPECT_EQ(Names(Root()), (std::vector<std::string>{"A", "A (2)", "B"}));
    EXPECT_NE(Root().Configurations().Find("A")->Profiles().Find("There"), nullptr);
    EXPECT_NE(Root().Configurations().Find("A (2)")->Profiles().Find("Here"), nullptr);
    EXPECT_EQ(NamesInFile(), Names(Root()));

    // Deleted there while changed here: the change stays, and is written back.
    Root().Configurations().Find("B")->Profiles().Add().SetName("Again");
    ChangeAsAnotherProgram(
        [](TConfigurations& root) { root.Configurations().Extract(*root.Configurations().Find("B")).reset(); });
    const TSyncReport second = Synchronize();
    ASSERT_EQ(second.conflicts.size(), 1u);
    EXPECT_EQ(second.conflicts[0],
              "Another program deleted configuration \"B\" while it was changed here; it is kept.");
    EXPECT_EQ(NamesInFile(), (std::vector<std::string>{"A", "A (2)", "B"}));
}

TEST_F(SharedDataFileTest, AFileThatWentAwayIsWrittenBackAndAnUnreadableOneKeepsEveryChangeUntilMended) {
    OpenWithAAndB();
    std::filesystem::remove(path_);
    EXPECT_TRUE(shared_.ChangedOutside());
    EXPECT_TRUE(Synchronize().wrote);
    EXPECT_EQ(NamesInFile(), (std::vector<std::string>{"A", "B"}));

    const std::vector<std::uint8_t> good = [this] {
        std::ifstream in(path_, std::ios::binary);
        return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
    }();
    {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out << "garbage written by a broken tool";
    }
    Root().Configurations().Find("A")->Profiles().Add().SetName("Unsaved");
    EXPECT_THROW(Synchronize(), Exception);
    {
        std::ifstream in(path_, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "garbage written by a broken tool");
    }
    EXPECT_NE(Root().Configurations().Find("A")->Profiles().Find("Unsaved"), nullptr);

    {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(good.data()), static_cast<std::streamsize>(good.size()));
    }
    EXPECT_TRUE(Synchronize().wrote);
    ChangeAsAnotherProgram(
        [](TConfigurations& root) { EXPECT_NE(root.Configurations().Find("A")->Profiles().Find("Unsaved"), nullptr); });
}

std::string KeyOf(const TConfiguration& configuration) {
    return static_cast<const TTestSetting&>(**configuration.begin()).Key();
}

TEST_F(SharedDataFileTest, ConfigurationsOfOneNameInAnOldFileAreToldApart) {
    ChangeAsAnotherProgram([](TConfigurations& root) {
        AddConfiguration(root, "Twice", {"a"});
        AddConfiguration(root, "Twice", {"b"});
    });
    shared_.Open(shared_.Lock());
    ChangeAsAnotherProgram([](TConfigurations& root) {
        for (TConfiguration& configuration : root.Configurations())
            if (KeyOf(configuration) == "b")
                configuration.Profiles().Add().SetName("Second");
    });
    const TSyncReport report = Synchronize();
    EXPECT_TRUE(report.conflicts.empty());
    EXPECT_FALSE(report.wrote);
    ASSERT_EQ(Names(Root()), (std::vector<std::string>{"Twice", "Twice"}));
    for (const TConfiguration& configuration : Root().Configurations())
        EXPECT_EQ(configuration.Profiles().Count(), KeyOf(configuration) == "b" ? 1u : 0u) << KeyOf(configuration);
}

TEST_F(SharedDataFileTest, TheHistoryIsReadAgainOnlyWhenAnotherProgramWroteIt) {
    OpenWithAAndB();
    EXPECT_EQ(shared_.History().Snapshots().Count(), 0u);
    {
        const TDataFileLock lock(path_);
        TProfileHistory other(TProfileHistory::FileBeside(path_));
        other.Load();
        auto snapshot = std::make_unique<TProfileSnapshot>();
        snapshot->SetConfiguration("A");
        other.Add(std::move(snapshot));
    }
    EXPECT_TRUE(shared_.ChangedOutside());
    Synchronize();
    ASSERT_EQ(shared_.History().Snapshots().Count(), 1u);

    const TDataFileLock lock = shared_.Lock();
    const TProfileHistory* before = &shared_.History();
    auto own = std::make_unique<TProfileSnapshot>();
    own->SetConfiguration("B");
    shared_.History().Add(std::move(own));
    shared_.HistoryWritten(lock);
    EXPECT_FALSE(shared_.ChangedOutside());
    shared_.Synchronize(lock);
    EXPECT_EQ(&shared_.History(), before);
    EXPECT_EQ(shared_.History().Snapshots().Count(), 2u);
}

} // namespace
