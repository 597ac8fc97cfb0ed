#include "HistoryTestFixture.h"

#include "framework/Stream.h"
#include "os/Sqlite.h"
#include "profiles/uProfileHistory.h"
#include "profiles/uProfilePreview.h"
#include "support/TranslationInForce.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

using namespace prolamo;
using namespace prolamo::test;

namespace {

// What the history file holds, seen through a connection of its own: the first number Query
// answers, -1 for none.
std::int64_t Number(const std::string& file, const std::string& query) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::int64_t number = -1;
    {
        os::Statement statement(db, query);
        if (statement.Step() == SQLITE_ROW)
            number = statement.Int(0);
    }
    sqlite3_close(db);
    return number;
}

std::int64_t Rows(const std::string& file, const char* table) {
    return Number(file, std::string("SELECT count(*) FROM ") + table);
}

void Execute(const std::string& file, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    EXPECT_EQ(os::Exec(db, sql), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

TEST_F(HistoryTest, TheFileIsBesideTheDataFile) {
    EXPECT_EQ(TProfileHistory::FileBeside("/home/u/.config/Orvenik/QVT/qvt.dfm"),
              "/home/u/.config/Orvenik/QVT/qvt-history.db");
    EXPECT_EQ(TProfileHistory::FileBeside("C:\\Users\\u\\QVT\\qvt.dfm"), "C:\\Users\\u\\QVT\\qvt-history.db");
    EXPECT_EQ(TProfileHistory::FileBeside("/a.b/data"), "/a.b/data-history.db");
    EXPECT_EQ(TProfileHistory::OldFileBeside("/a.b/data.dfm"), "/a.b/data-history.dfm");
}

TEST_F(HistoryTest, TheSnapshotHoldsTheStateBeforeTheApplyOfExactlyTheAppliedSettings) {
    TConfigurationProfile& office = Office();
    office.SetValue(Net().Settings()[2], nullptr); // c: not captured, so not applied
    TestMachine() = {{"a", "home a"}, {"b", "unreadable"}, {"c", "home c"}};

    EXPECT_FALSE(Apply(office, false).confirmed);
    EXPECT_EQ(history.Snapshots().Count(), 0u) << "a declined apply keeps nothing";

    Apply(office);
    ASSERT_EQ(history.Snapshots().Count(), 1u);
    TProfileSnapshot& snapshot = history.Snapshots()[0];
    EXPECT_EQ(snapshot.Entries()[0].Value(), nullptr) << "stored values stay on disk until asked for";
    history.ReadValues(snapshot);
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

TEST_F(HistoryTest, TheFileIsReadBackAndKeepsTheLast20) {
    TConfigurationProfile& office = Office();
    for (int i = 0; i < 23; ++i) {
        TestMachine()["a"] = "state " + std::to_string(i);
        Apply(office);
    }

    TProfileHistory read(file);
    read.Load();
    ASSERT_EQ(read.Snapshots().Count(), TProfileHistory::Capacity);
    read.ReadValues(read.Snapshots()[0]);
    read.ReadValues(read.Snapshots()[19]);
    EXPECT_EQ(TextOf(read.Snapshots()[0].Entries()[0]), "state 3");
    EXPECT_EQ(TextOf(read.Snapshots()[19].Entries()[0]), "state 22");
    EXPECT_EQ(read.Snapshots()[19].Entries()[1].Setting(), "Test (b)");
    EXPECT_EQ(Rows(file, "content"), 22) << "the 20 states of a kept, and b and c once; the three oldest went";
}

// A program that opens the history to change it later (the desktop program, at its start) writes
// nothing until it changes something: another program may hold the data file's lock meanwhile.
TEST_F(HistoryTest, OpeningTheHistoryForChangesWritesNothing) {
    Apply(Office());
    EXPECT_EQ(Number(file, "PRAGMA auto_vacuum"), 1) << "a new file gives the pages of removed content back";
    const std::vector<std::uint8_t> before = FileBytes(file);
    TProfileHistory opened(file);
    opened.Load(THistoryAccess::Change);
    ASSERT_EQ(opened.Snapshots().Count(), 1u);
    EXPECT_EQ(FileBytes(file), before);
}

TEST_F(HistoryTest, AnUnreadableFileIsLeftAsItIsAndRefusesChanges) {
    TConfigurationProfile& office = Office();
    Apply(office);
    std::vector<std::uint8_t> damaged = FileBytes(file);
    std::fill_n(damaged.begin(), 16, std::uint8_t{'x'}); // no SQLite header any more
    WriteBytes(file, damaged);

    TProfileHistory read(file);
    EXPECT_THROW(read.Load(), EFilerError);
    EXPECT_EQ(read.Snapshots().Count(), 0u);
    TApplySnapshotter snapshotter(read, Net());
    TAnswer yes(true);
    TProfileApplier applier(std::make_unique<Silent>(), yes);
    applier.SetGuard(&snapshotter);
    TestMachine()["a"] = "changed";
    EXPECT_THROW(applier.ApplyProfile(office), EFilerError);
    EXPECT_EQ(TestMachine()["a"], "changed") << "no snapshot, no apply";
    EXPECT_EQ(FileBytes(file), damaged);
}

TEST_F(HistoryTest, IdenticalContentIsStoredOnceAndGoesWithItsLastSnapshot) {
    TConfigurationProfile& office = Office();
    TestMachine() = {{"a", "home a"}, {"b", "home b"}, {"c", "unreadable"}};
    for (int i = 0; i < 5; ++i)
        Apply(office);
    EXPECT_EQ(Rows(file, "snapshot"), 5);
    EXPECT_EQ(Rows(file, "entry"), 15);
    EXPECT_EQ(Rows(file, "content"), 5)
        << "home a and home b of the first apply; alpha, beta and gamma once for the four after it";

    // The profile's values are the bytes the machine holds after its applies.
    RefreshWithHistory(history, Net(), office);
    EXPECT_EQ(Rows(file, "content"), 5);
    for (std::size_t i = history.Snapshots().Count(); i-- > 0;)
        if (history.Snapshots()[i].Kind() == TSnapshotKind::Apply)
            history.Remove(history.Snapshots()[i]);
    EXPECT_EQ(Rows(file, "content"), 3) << "what no snapshot holds any more is removed";
    TProfileSnapshot& refresh = history.Snapshots()[0];
    history.ReadValues(refresh);
    EXPECT_EQ(TextOf(refresh.Entries()[0]), "alpha");
}

TEST_F(HistoryTest, AFlippedByteMakesItsSnapshotDamagedAndTheUndoRefusesIt) {
    TConfigurationProfile& office = Office();
    TestMachine() = {{"a", "home a"}, {"b", "home b"}, {"c", "home c"}};
    Apply(office);
    TestMachine()["b"] = "later b";
    Apply(office);
    // The first snapshot alone holds "home b".
    Execute(file, "UPDATE content SET bytes = CAST(replace(CAST(bytes AS TEXT), 'home b', 'home B') AS BLOB) "
                  "WHERE instr(bytes, CAST('home b' AS BLOB)) > 0");

    TProfileHistory read(file);
    read.Load();
    ASSERT_EQ(read.Snapshots().Count(), 2u);
    read.CheckAll();
    EXPECT_TRUE(read.Snapshots()[0].Damaged());
    EXPECT_FALSE(read.Snapshots()[1].Damaged());
    // The instance that stored the bytes checks them again too.
    EXPECT_THROW(history.ReadValues(history.Snapshots()[0]), EDamagedSnapshot);

    const auto before = TestMachine();
    try {
        TApplyUndo undo(read, root, &read.Snapshots()[0]);
        FAIL() << "a damaged snapshot was accepted";
    } catch (const EDamagedSnapshot& e) {
        EXPECT_NE(std::string(e.what()).find(read.Snapshots()[0].Description() + " is damaged: the value of Test (b)"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_EQ(TestMachine(), before);
    EXPECT_EQ(read.Snapshots().Count(), 2u) << "the damaged snapshot stays to be seen";

    TApplyUndo newest(read, root);
    TAnswer yes(true);
    EXPECT_EQ(newest.Run(std::make_unique<Silent>(), yes).errors, 0) << "the intact one is applied";
    EXPECT_EQ(TestMachine()["b"], "later b");
}

TEST_F(HistoryTest, AnUndoToAnOlderSnapshotPutsItsStateBack) {
    TConfigurationProfile& office = Office();
    for (const char* state : {"first", "second", "third"}) {
        TestMachine()["a"] = state;
        Apply(office);
    }
    RefreshWithHistory(history, Net(), office);
    ASSERT_EQ(history.Listed(4)->Kind(), TSnapshotKind::Apply);
    EXPECT_EQ(history.Listed(5), nullptr);
    EXPECT_EQ(history.Listed(0), nullptr);
    EXPECT_THROW(TApplyUndo(history, root, history.Listed(1)), ENothingToUndo) << "a refresh holds no machine state";

    TApplyUndo undo(history, root, history.Listed(3));
    TAnswer yes(true);
    undo.Run(std::make_unique<Silent>(), yes);
    EXPECT_EQ(TestMachine()["a"], "second");
    ASSERT_EQ(history.Snapshots().Count(), 4u);
    EXPECT_EQ(history.Listed(1)->Kind(), TSnapshotKind::Undo) << "the state before the undo, to undo it in turn";
    EXPECT_EQ(history.Listed(3)->Kind(), TSnapshotKind::Apply);
    history.ReadValues(*history.Listed(4));
    EXPECT_EQ(TextOf(history.Listed(4)->Entries()[0]), "first") << "the chosen apply left the list";
}

TEST_F(HistoryTest, AnOldHistoryFileIsMigratedOnFirstUseAndRemovedOnlyAfterwards) {
    TConfigurationProfile& office = Office();
    TProfileHistory inMemory;
    for (const char* state : {"old 1", "old 2"}) {
        TestMachine()["a"] = state;
        inMemory.Add(CaptureSnapshot(TSnapshotKind::Apply, Net(), office, Net().Settings()));
    }
    const std::string old = temp_ / "qvt-history.dfm";
    const std::vector<std::uint8_t> bytes = WriteComponentResource(inMemory);
    WriteBytes(old, bytes);

    TProfileHistory listed(file);
    listed.Load(THistoryAccess::Read);
    ASSERT_EQ(listed.Snapshots().Count(), 2u) << "a reader lists the old file as it is";
    EXPECT_EQ(TextOf(listed.Snapshots()[1].Entries()[0]), "old 2");
    EXPECT_EQ(FileBytes(old), bytes);
    EXPECT_FALSE(std::filesystem::exists(file));

    // The new file cannot be made: the old one stays as it was.
    std::filesystem::create_directory(file);
    TProfileHistory blocked(file);
    EXPECT_ANY_THROW(blocked.Load());
    EXPECT_EQ(FileBytes(old), bytes);
    std::filesystem::remove(file);

    history.Load();
    EXPECT_FALSE(std::filesystem::exists(old));
    EXPECT_TRUE(history.Notice().empty());
    ASSERT_EQ(history.Snapshots().Count(), 2u);
    EXPECT_EQ(Rows(file, "snapshot"), 2);
    TProfileHistory read(file);
    read.Load();
    read.ReadValues(read.Snapshots()[0]);
    EXPECT_EQ(TextOf(read.Snapshots()[0].Entries()[0]), "old 1");
    EXPECT_EQ(read.Snapshots()[0].Description(), inMemory.Snapshots()[0].Description());
}

TEST_F(HistoryTest, ADamagedOldHistoryFileIsSetAsideAndANewHistoryBegins) {
    const std::string old = temp_ / "qvt-history.dfm";
    const std::vector<std::uint8_t> garbage{'T', 'P', 'F', '0', 1, 2, 3};
    WriteBytes(old, garbage);

    history.Load();
    EXPECT_FALSE(std::filesystem::exists(old));
    EXPECT_EQ(FileBytes(old + ".damaged"), garbage) << "set aside whole";
    EXPECT_NE(history.Notice().find("set aside as " + old + ".damaged"), std::string::npos) << history.Notice();
    EXPECT_EQ(history.Snapshots().Count(), 0u);
    Apply(Office());
    EXPECT_EQ(Rows(file, "snapshot"), 1) << "the new history takes changes";
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
    EXPECT_EQ(lines,
              (std::vector<std::string>{"Applying Test (a)...", "Applying Test (b)...", "Applying Test (c)..."}));
    EXPECT_EQ(TestMachine(), home);
    ASSERT_EQ(history.Snapshots().Count(), 1u);
    EXPECT_EQ(history.Snapshots()[0].Kind(), TSnapshotKind::Undo) << "the apply's snapshot left the list";

    EXPECT_EQ(Undo().Summary(), "Undid the undo of Office: 3 settings, no errors");
    EXPECT_EQ(TestMachine()["a"], "alpha");
    EXPECT_EQ(history.Snapshots().Count(), 0u) << "an undo is undone once, and nothing replaces it";
    const TTranslationInForce german(std::map<std::string, std::string>{
        {"There is no apply to undo", "Es gibt kein Anwenden, das rückgängig gemacht werden kann"}});
    try {
        TApplyUndo(history, root);
        FAIL() << "nothing to undo";
    } catch (const ENothingToUndo& e) {
        EXPECT_EQ(e.Message(), "Es gibt kein Anwenden, das rückgängig gemacht werden kann");
    }
}

TEST_F(HistoryTest, UndoLeavesAloneWhatCouldNotBeReadAndWhatWasDeleted) {
    TConfigurationProfile& office = Office();
    TestMachine() = {{"a", "home a"}, {"b", "unreadable"}, {"c", "home c"}};
    Apply(office);
    TestMachine() = {{"a", "x"}, {"b", "x"}, {"c", "x"}};
    Net().DeleteSetting(Net().Settings()[2]);

    TApplyUndo undo(history, root);
    EXPECT_EQ(undo.Title(), "Undo " + history.Snapshots()[0].Description());
    EXPECT_EQ(undo.LeftAlone(),
              (std::vector<std::string>{"Test (b): its state could not be read before the apply: cannot read b",
                                        "Test (c): the setting no longer exists"}));
    {
        const TTranslationInForce german(std::map<std::string, std::string>{
            {"%1: the setting no longer exists", "%1: Die Einstellung gibt es nicht mehr"}});
        EXPECT_EQ(TApplyUndo(history, root).LeftAlone().back(), "Test (c): Die Einstellung gibt es nicht mehr");
    }
    ASSERT_EQ(undo.Settings().size(), 1u);
    TAnswer yes(true);
    EXPECT_EQ(undo.Run(std::make_unique<Silent>(), yes).settings, 1);
    EXPECT_EQ(TestMachine(), (std::map<std::string, std::string>{{"a", "home a"}, {"b", "x"}, {"c", "x"}}));

    root.Configurations().Delete(0);
    const TTranslationInForce german(std::map<std::string, std::string>{
        {"The configuration %1 of %2 no longer exists", "Die Konfiguration %1 von %2 gibt es nicht mehr"}});
    try {
        TApplyUndo(history, root);
        FAIL() << "the undo's own snapshot names a configuration now gone";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message().rfind("Die Konfiguration \"Net\" von ", 0), 0u) << e.Message();
    }
}

TEST_F(HistoryTest, AnUndoRunKeepsTheApplierOrderAndIsolatesErrors) {
    TConfiguration& c = AddConfiguration(root, "Net", {});
    for (const char* key : {"d", "a"}) {
        std::unique_ptr<TTestSetting> s =
            key[0] == 'd' ? std::make_unique<TDependentTestSetting>() : std::make_unique<TTestSetting>();
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
    EXPECT_EQ(undo.text.rfind("Put back 4 settings of Office as they were before its refresh at ", 0), 0u) << undo.text;
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

TEST(LineDifference, KeepsTheCommonLinesAndRemovesAndAddsTheFewestOthers) {
    using L = TLineDifference;
    const auto kept = TLineChange::Kept;
    const auto removed = TLineChange::Removed;
    const auto added = TLineChange::Added;
    EXPECT_EQ(LineDifference("a\nx\nc\nd", "a\nb\nc"),
              (std::vector<L>{{kept, "a"}, {removed, "x"}, {added, "b"}, {kept, "c"}, {removed, "d"}}));
    EXPECT_EQ(
        LineDifference("127.0.0.1 a\r\n10.0.0.1 b\r\n", "127.0.0.1 a\n10.0.0.2 b\n10.0.0.3 c"),
        (std::vector<L>{{kept, "127.0.0.1 a"}, {removed, "10.0.0.1 b"}, {added, "10.0.0.2 b"}, {added, "10.0.0.3 c"}}))
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
