// History tests of what only this computer shows: file permissions, a folder removed under an open
// file, and the zone set through TZ.

#include "HistoryTestFixture.h"

#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

using namespace prolamo;
using namespace prolamo::test;

TEST_F(HistoryTest, TheFileIsTheOwnersOnly) {
    Apply(Office());
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(HistoryTest, AFailedSaveLeavesTheListAsItWas) {
    TConfigurationProfile& office = Office();
    const std::string folder = temp_ / "gone";
    std::filesystem::create_directory(folder);
    TProfileHistory kept(folder + "/qvt-history.db");
    for (int i = 0; i < 3; ++i) {
        TestMachine()["a"] = "state " + std::to_string(i);
        kept.Add(CaptureSnapshot(TSnapshotKind::Apply, Net(), office, Net().Settings()));
    }
    const auto keys = [&] {
        std::vector<std::int64_t> all;
        for (const TProfileSnapshot& snapshot : kept.Snapshots())
            all.push_back(snapshot.Key());
        return all;
    };
    const std::vector<std::int64_t> before = keys();
    // No journal can be made beside the file any more.
    std::filesystem::remove_all(folder);

    EXPECT_THROW(kept.Add(CaptureSnapshot(TSnapshotKind::Apply, Net(), office, Net().Settings())), EFilerError);
    EXPECT_EQ(keys(), before);
    EXPECT_THROW(
        kept.Replace(kept.Snapshots()[1], CaptureSnapshot(TSnapshotKind::Undo, Net(), office, Net().Settings())),
        EFilerError);
    EXPECT_EQ(keys(), before) << "the undone apply's snapshot is still in its place";
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
