#include "support/TempFolder.h"
#include "support/TestKinds.h"

#include "framework/Stream.h"
#include "profiles/uProfileHistory.h"
#include "profiles/uProfilePreview.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

using namespace prolamo;
using namespace prolamo::test;

namespace {

class Silent final : public TProgressSender {
public:
    explicit Silent(std::vector<std::string>* lines = nullptr) : lines_(lines) {}
    void Start(int) override {}
    void SetStatus(const std::string& text) override {
        if (lines_)
            lines_->push_back(text);
    }
    void Step() override {}
    void Finish(const TCheckResultList& results) override {
        if (lines_)
            for (const TCheckResult& r : results)
                lines_->push_back(r.Text());
    }

private:
    std::vector<std::string>* lines_;
};

class Answer final : public IConfirmation {
public:
    explicit Answer(bool yes) : yes_(yes) {}
    bool Confirm(const std::string&) override {
        ++asked;
        return yes_;
    }
    int asked = 0;

private:
    bool yes_;
};

std::vector<std::uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class HistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestKinds();
        TestMachine() = {{"a", "alpha"}, {"b", "beta"}, {"c", "gamma"}};
    }

    // Configuration "Net" with settings a, b, c and profile "Office" captured now.
    TConfigurationProfile& Office() {
        TConfiguration& c = AddConfiguration(root, "Net", {"a", "b", "c"});
        TConfigurationProfile& profile = c.Profiles().Add(c.Profiles().NewProfile());
        profile.SetName("Office");
        profile.RefreshAll();
        return profile;
    }
    TConfiguration& Net() { return *root.Configurations().Find("Net"); }

    TApplyReport Apply(TConfigurationProfile& profile, bool yes = true) {
        TApplySnapshotter snapshotter(history, Net());
        Answer answer(yes);
        TProfileApplier applier(std::make_unique<Silent>(), answer);
        applier.SetGuard(&snapshotter);
        applier.ApplyProfile(profile);
        return applier.Report();
    }

    TApplyReport Undo(bool yes = true, std::vector<std::string>* lines = nullptr) {
        TApplyUndo undo(history, root);
        Answer answer(yes);
        return undo.Run(std::make_unique<Silent>(lines), answer);
    }

    TempFolder temp_;
    TConfigurations root;
    std::string file = temp_ / "qvt-history.dfm";
    TProfileHistory history{file};
};

} // namespace

TEST_F(HistoryTest, TheFileIsBesideTheDataFile) {
    EXPECT_EQ(TProfileHistory::FileBeside("/home/u/.config/Orvenik/QVT/qvt.dfm"),
              "/home/u/.config/Orvenik/QVT/qvt-history.dfm");
    EXPECT_EQ(TProfileHistory::FileBeside("C:\\Users\\u\\QVT\\qvt.dfm"), "C:\\Users\\u\\QVT\\qvt-history.dfm");
    EXPECT_EQ(TProfileHistory::FileBeside("/a.b/data"), "/a.b/data-history.dfm");
}

TEST_F(HistoryTest, TheSnapshotHoldsTheStateBeforeTheApplyOfExactlyTheAppliedSettings) {
    TConfigurationProfile& office = Office();
    office.SetValue(Net().Settings()[2], nullptr); // c: not captured, so not applied
    TestMachine() = {{"a", "home a"}, {"b", "unreadable"}, {"c", "home c"}};

    EXPECT_FALSE(Apply(office, false).confirmed);
    EXPECT_EQ(history.Snapshots().Count(), 0u) << "a declined apply keeps nothing";

    Apply(office);
    ASSERT_EQ(history.Snapshots().Count(), 1u);
    const TProfileSnapshot& snapshot = history.Snapshots()[0];
    EXPECT_EQ(snapshot.Kind(), TSnapshotKind::Apply);
    EXPECT_EQ(snapshot.Configuration(), "Net");
    EXPECT_EQ(snapshot.Profile(), "Office");
    EXPECT_EQ(snapshot.Time().size(), 19u) << snapshot.Time();
    ASSERT_EQ(snapshot.Entries().Count(), 2u) << "c has no value: the apply leaves it alone";
    const TSnapshotEntry& a = snapshot.Entries()[0];
    EXPECT_EQ(a.Setting(), "Test (a)");
    ASSERT_NE(a.Value(), nullptr);
    EXPECT_EQ(static_cast<const TTestValue*>(a.Value())->Text(), "home a") << "captured before the write";
    const TSnapshotEntry& b = snapshot.Entries()[1];
    EXPECT_EQ(b.Value(), nullptr);
    EXPECT_EQ(b.Failure(), "cannot read b") << "a failed capture is recorded and the apply goes on";
    EXPECT_EQ(TestMachine()["a"], "alpha");
    EXPECT_EQ(TestMachine()["b"], "beta");
}

TEST_F(HistoryTest, TheFileIsWrittenOwnerOnlyReadBackAndKeepsTheLast20) {
    TConfigurationProfile& office = Office();
    for (int i = 0; i < 23; ++i) {
        TestMachine()["a"] = "state " + std::to_string(i);
        Apply(office);
    }
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    TProfileHistory read(file);
    read.Load();
    ASSERT_EQ(read.Snapshots().Count(), TProfileHistory::Capacity);
    EXPECT_EQ(static_cast<const TTestValue*>(read.Snapshots()[0].Entries()[0].Value())->Text(), "state 3");
    EXPECT_EQ(static_cast<const TTestValue*>(read.Snapshots()[19].Entries()[0].Value())->Text(), "state 22");
    EXPECT_EQ(WriteComponentResource(read), FileBytes(file)) << "read back whole";
    const std::vector<std::uint8_t> bytes = FileBytes(file);
    EXPECT_EQ(std::string(bytes.begin() + 3, bytes.begin() + 19), std::string("TPROFILEHISTORY\0", 16))
        << "the data file's own format";
}

TEST_F(HistoryTest, AnUnreadableFileIsLeftAsItIsAndRefusesChanges) {
    TConfigurationProfile& office = Office();
    Apply(office);
    std::vector<std::uint8_t> damaged = FileBytes(file);
    damaged.resize(damaged.size() - 3);
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(damaged.data()), static_cast<std::streamsize>(damaged.size()));

    TProfileHistory read(file);
    EXPECT_THROW(read.Load(), EReadError);
    EXPECT_EQ(read.Snapshots().Count(), 0u);
    TApplySnapshotter snapshotter(read, Net());
    Answer yes(true);
    TProfileApplier applier(std::make_unique<Silent>(), yes);
    applier.SetGuard(&snapshotter);
    TestMachine()["a"] = "changed";
    EXPECT_THROW(applier.ApplyProfile(office), EFilerError);
    EXPECT_EQ(TestMachine()["a"], "changed") << "no snapshot, no apply";
    EXPECT_EQ(FileBytes(file), damaged);
}

TEST_F(HistoryTest, UndoPutsTheMachineBackAndCanItselfBeUndoneOnce) {
    TConfigurationProfile& office = Office();
    TestMachine() = {{"a", "home a"}, {"b", "home b"}, {"c", "home c"}};
    const auto home = TestMachine();
    Apply(office);
    EXPECT_EQ(TestMachine()["a"], "alpha");

    EXPECT_FALSE(Undo(false).confirmed);
    EXPECT_EQ(history.Snapshots().Count(), 1u) << "a declined undo keeps its snapshot";
    EXPECT_EQ(TestMachine()["a"], "alpha");

    std::vector<std::string> lines;
    const TApplyReport undone = Undo(true, &lines);
    EXPECT_EQ(undone.Summary(), "Undid the apply of Office: 3 settings, no errors");
    EXPECT_EQ(lines, (std::vector<std::string>{"Applying Test (a)...", "Applying Test (b)...", "Applying Test (c)..."}));
    EXPECT_EQ(TestMachine(), home);
    ASSERT_EQ(history.Snapshots().Count(), 1u);
    EXPECT_EQ(history.Snapshots()[0].Kind(), TSnapshotKind::Undo) << "the apply's snapshot left the list";

    EXPECT_EQ(Undo().Summary(), "Undid the undo of Office: 3 settings, no errors");
    EXPECT_EQ(TestMachine()["a"], "alpha");
    EXPECT_EQ(history.Snapshots().Count(), 0u) << "an undo is undone once, and nothing replaces it";
    EXPECT_THROW(TApplyUndo(history, root), ENothingToUndo);
}

TEST_F(HistoryTest, UndoLeavesAloneWhatCouldNotBeReadAndWhatWasDeleted) {
    TConfigurationProfile& office = Office();
    TestMachine() = {{"a", "home a"}, {"b", "unreadable"}, {"c", "home c"}};
    Apply(office);
    TestMachine() = {{"a", "x"}, {"b", "x"}, {"c", "x"}};
    Net().DeleteSetting(Net().Settings()[2]);

    TApplyUndo undo(history, root);
    EXPECT_EQ(undo.Title(), "Undo " + history.Snapshots()[0].Description());
    EXPECT_EQ(undo.LeftAlone(), (std::vector<std::string>{
                                    "Test (b): its state could not be read before the apply: cannot read b",
                                    "Test (c): the setting no longer exists"}));
    ASSERT_EQ(undo.Settings().size(), 1u);
    Answer yes(true);
    EXPECT_EQ(undo.Run(std::make_unique<Silent>(), yes).settings, 1);
    EXPECT_EQ(TestMachine(), (std::map<std::string, std::string>{{"a", "home a"}, {"b", "x"}, {"c", "x"}}));

    root.Configurations().Delete(0);
    EXPECT_THROW(TApplyUndo(history, root), EListError) << "the undo's own snapshot names a configuration now gone";
}

TEST_F(HistoryTest, AnUndoRunKeepsTheApplierOrderAndIsolatesErrors) {
    TConfiguration& c = AddConfiguration(root, "Net", {});
    for (const char* key : {"d", "a"}) {
        std::unique_ptr<TTestSetting> s = key[0] == 'd' ? std::make_unique<TDependentTestSetting>()
                                                        : std::make_unique<TTestSetting>();
        s->SetKey(key);
        c.AddSetting(std::move(s));
    }
    TestMachine() = {{"a", "fail"}, {"d", "dep"}};
    TConfigurationProfile& profile = c.Profiles().Add(c.Profiles().NewProfile());
    profile.RefreshAll();
    TestMachine() = {{"a", "fail"}, {"d", "dep"}}; // "fail" is what the undo will write back
    static_cast<TTestValue*>(profile.FindValue(c.Settings()[1]))->SetText("ok");
    static_cast<TTestValue*>(profile.FindValue(c.Settings()[0]))->SetText("other");
    Apply(profile);

    std::vector<std::string> lines;
    const TApplyReport report = Undo(true, &lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"Applying Test (a)...", "Applying Dependent (d)...",
                                               "Test (a): cannot apply a"}));
    EXPECT_EQ(report.errors, 1);
    EXPECT_EQ(TestMachine()["d"], "dep") << "the setting after the failing one was still put back";
}

TEST_F(HistoryTest, RefreshKeepsThePreviousValuesAndItsUndoPutsThemBack) {
    TConfigurationProfile& office = Office();
    AddConfiguration(root, "Other", {"z"});
    TSetting& added = Net().AddSetting(std::make_unique<TTestSetting>());
    static_cast<TTestSetting&>(added).SetKey("d");
    TestMachine() = {{"a", "new a"}, {"b", "new b"}, {"c", "new c"}, {"d", "new d"}};

    const TRefreshReport report = RefreshWithHistory(history, Net(), office);
    EXPECT_EQ(report.Text(), "Captured 4 settings into Office");
    EXPECT_EQ(static_cast<const TTestValue*>(office.FindValue(added))->Text(), "new d");

    const TRefreshUndo undo = UndoRefresh(history, root);
    EXPECT_EQ(undo.profile, &office);
    EXPECT_EQ(undo.restored, 4);
    EXPECT_EQ(undo.text.rfind("Put back 4 settings of Office as they were before its refresh at ", 0), 0u)
        << undo.text;
    EXPECT_EQ(static_cast<const TTestValue*>(office.FindValue(Net().Settings()[0]))->Text(), "alpha");
    EXPECT_EQ(office.FindValue(added), nullptr) << "it had no value before the refresh";
    EXPECT_EQ(history.Snapshots().Count(), 0u);
    EXPECT_THROW(UndoRefresh(history, root), ENothingToUndo);
}

TEST_F(HistoryTest, AFailingCaptureEndsTheRefreshAndItsUndoStillPutsBackWhatWasReplaced) {
    TConfigurationProfile& office = Office();
    TestMachine() = {{"a", "new a"}, {"b", "unreadable"}, {"c", "new c"}};
    std::vector<TSetting*> chosen{&Net().Settings()[0], &Net().Settings()[1]};
    const TRefreshReport report = RefreshWithHistory(history, Net(), office, chosen);
    EXPECT_EQ(report.Text(), "Captured 1 of 2 settings into Office; Test (b) could not be read: cannot read b");
    EXPECT_EQ(report.failed, &Net().Settings()[1]);
    EXPECT_EQ(static_cast<const TTestValue*>(office.FindValue(Net().Settings()[0]))->Text(), "new a");

    Apply(office); // a later apply does not hide the refresh from its undo
    const TRefreshUndo undo = UndoRefresh(history, root);
    EXPECT_EQ(undo.restored, 2) << "only the chosen settings were kept";
    EXPECT_EQ(static_cast<const TTestValue*>(office.FindValue(Net().Settings()[0]))->Text(), "alpha");
    EXPECT_EQ(static_cast<const TTestValue*>(office.FindValue(Net().Settings()[2]))->Text(), "gamma");
    EXPECT_EQ(history.Snapshots().Count(), 1u) << "the apply's snapshot stays";

    RefreshWithHistory(history, Net(), office);
    office.SetName("Renamed");
    EXPECT_THROW(UndoRefresh(history, root), EListError);
    EXPECT_EQ(history.Snapshots().Count(), 2u) << "a refresh that cannot be undone stays";
}

TEST_F(HistoryTest, ThePreviewComparesTheMachineWithTheStoredValuesAndChangesNothing) {
    TConfigurationProfile& office = Office();
    EXPECT_FALSE(PreviewProfile(office).AnyChange());
    EXPECT_EQ(PreviewProfile(office).Summary(), "Nothing will change, 3 unchanged");

    TSetting& added = Net().AddSetting(std::make_unique<TTestSetting>());
    static_cast<TTestSetting&>(added).SetKey("d");
    TestMachine() = {{"a", "alpha"}, {"b", "home b"}, {"c", "unreadable"}, {"d", "x"}};
    const auto before = TestMachine();
    const TProfilePreview preview = PreviewProfile(office);
    EXPECT_EQ(TestMachine(), before);
    ASSERT_EQ(preview.changes.size(), 4u);
    EXPECT_EQ(preview.changes[0].state, TChangeState::Unchanged);
    EXPECT_EQ(preview.changes[1].state, TChangeState::WillChange);
    EXPECT_EQ(preview.changes[1].text, "Test (b)");
    EXPECT_EQ(preview.changes[1].now, "home b");
    EXPECT_EQ(preview.changes[1].after, "beta");
    EXPECT_EQ(preview.changes[2].state, TChangeState::CannotRead);
    EXPECT_EQ(preview.changes[2].error, "cannot read c");
    EXPECT_EQ(preview.changes[3].state, TChangeState::NotCaptured);
    EXPECT_TRUE(preview.AnyChange());
    EXPECT_EQ(preview.Summary(), "1 setting will change, 1 unchanged, 1 cannot be read, 1 not captured");
}

TEST_F(HistoryTest, AFailedSaveLeavesTheListAsItWas) {
    TConfigurationProfile& office = Office();
    const std::string folder = temp_ / "gone";
    std::filesystem::create_directory(folder);
    TProfileHistory kept(folder + "/qvt-history.dfm");
    for (int i = 0; i < 3; ++i) {
        TestMachine()["a"] = "state " + std::to_string(i);
        kept.Add(CaptureSnapshot(TSnapshotKind::Apply, Net(), office, Net().Settings()));
    }
    const auto texts = [&] {
        std::vector<std::string> all;
        for (const TProfileSnapshot& snapshot : kept.Snapshots())
            all.push_back(static_cast<const TTestValue*>(snapshot.Entries()[0].Value())->Text());
        return all;
    };
    const std::vector<std::string> before = texts();
    std::filesystem::remove_all(folder);

    EXPECT_THROW(kept.Add(CaptureSnapshot(TSnapshotKind::Apply, Net(), office, Net().Settings())), EOSError);
    EXPECT_EQ(texts(), before);
    EXPECT_THROW(kept.Replace(kept.Snapshots()[1], CaptureSnapshot(TSnapshotKind::Undo, Net(), office, Net().Settings())),
                 EOSError);
    EXPECT_EQ(texts(), before) << "the undone apply's snapshot is back in its place";
    EXPECT_EQ(kept.Snapshots()[1].Kind(), TSnapshotKind::Apply);
}

TEST(SnapshotTime, TheDescriptionShowsTheStoredUtcTimeOnTheUsersClock) {
    const char* saved = std::getenv("TZ");
    const std::string zone = saved ? saved : "";
    ::setenv("TZ", "IST-5:30", 1);
    TProfileSnapshot snapshot;
    snapshot.SetConfiguration("A");
    snapshot.SetProfile("Office");
    snapshot.SetTime("2026-12-07 20:40:45");
    const std::string shown = snapshot.Description();
    snapshot.SetTime("not a time");
    const std::string unreadable = snapshot.Description();
    saved ? ::setenv("TZ", zone.c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
    EXPECT_EQ(shown, "the apply of Office (A) at 2026-12-08 02:10:45") << "half an hour ahead, past midnight";
    EXPECT_EQ(unreadable, "the apply of Office (A) at not a time UTC");
}

TEST(LineDifference, KeepsTheCommonLinesAndRemovesAndAddsTheFewestOthers) {
    using L = TLineDifference;
    const auto kept = TLineChange::Kept;
    const auto removed = TLineChange::Removed;
    const auto added = TLineChange::Added;
    EXPECT_EQ(LineDifference("a\nx\nc\nd", "a\nb\nc"),
              (std::vector<L>{{kept, "a"}, {removed, "x"}, {added, "b"}, {kept, "c"}, {removed, "d"}}));
    EXPECT_EQ(LineDifference("127.0.0.1 a\r\n10.0.0.1 b\r\n", "127.0.0.1 a\n10.0.0.2 b\n10.0.0.3 c"),
              (std::vector<L>{{kept, "127.0.0.1 a"}, {removed, "10.0.0.1 b"}, {added, "10.0.0.2 b"},
                              {added, "10.0.0.3 c"}}))
        << "CR LF and LF lines compare alike, and a final break starts no empty line";
    EXPECT_EQ(LineDifference("b\nc\na", "a\nb\nc"),
              (std::vector<L>{{added, "a"}, {kept, "b"}, {kept, "c"}, {removed, "a"}}))
        << "a moved line is one removed and one added, the rest kept";
    EXPECT_EQ(LineDifference("same\nlines", "same\nlines"), (std::vector<L>{{kept, "same"}, {kept, "lines"}}));
    EXPECT_TRUE(IsMultiLine("one\ntwo"));
    EXPECT_FALSE(IsMultiLine("one line\r\n"));
}

TEST(LineDifference, AWholesaleRewriteOfALargeFileIsAllRemovedThenAllAdded) {
    std::string before, after;
    for (int i = 0; i < 3000; ++i) {
        before += "old " + std::to_string(i) + "\n";
        after += "new " + std::to_string(i) + "\n";
    }
    const std::vector<TLineDifference> lines = LineDifference("head\n" + before + "tail", "head\n" + after + "tail");
    ASSERT_EQ(lines.size(), 6002u);
    EXPECT_EQ(lines.front(), (TLineDifference{TLineChange::Kept, "head"}));
    EXPECT_EQ(lines[1], (TLineDifference{TLineChange::Removed, "old 0"}));
    EXPECT_EQ(lines[3001], (TLineDifference{TLineChange::Added, "new 0"}));
    EXPECT_EQ(lines.back(), (TLineDifference{TLineChange::Kept, "tail"}));
}
