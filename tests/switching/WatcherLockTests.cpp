// One watcher per user: the lock the desktop program and "prolamo-cli watch" hold while they watch.

#include "support/SimulatedMachine.h"
#include "switching/uSwitchRules.h"
#include "switching/uWatcherLock.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace prolamo::test {
namespace {

class WatcherLockTest : public SimulatedMachineTest {
protected:
    std::optional<TWatcherLock> Take(const std::string& program = "prolamo") {
        return TWatcherLock::Take(program, &holder_, folder_);
    }

    std::string folder_ = temp_ / "data/qvt.watch";
    std::optional<TWatcherHolder> holder_;
};

TEST_F(WatcherLockTest, ASecondWatcherIsRefusedAndToldWhoWatchesUntilTheFirstEnds) {
    auto first = Take("prolamo-cli watch");
    ASSERT_TRUE(first);
    EXPECT_FALSE(holder_) << "the taker is not told about itself";
    EXPECT_FALSE(Take("prolamo"));
    EXPECT_EQ(holder_, (TWatcherHolder{static_cast<std::uint32_t>(::getpid()), "prolamo-cli watch"}));

    const auto moved = std::move(*first);
    first.reset();
    EXPECT_FALSE(Take()) << "a moved lock is held still";

    std::filesystem::remove(std::filesystem::path(folder_) / "holder");
    holder_.reset();
    EXPECT_FALSE(Take()) << "the note is not what keeps a second watcher out";
    EXPECT_FALSE(holder_);
}

TEST_F(WatcherLockTest, TheLockAndItsNoteGoWithTheirHolder) {
    Take().reset();
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(folder_) / "holder"));
    EXPECT_TRUE(Take());
}

// A watcher that is killed leaves no lock behind, and its note is replaced by the next holder's.
TEST_F(WatcherLockTest, TheNextWatcherTakesOverFromOneThatWasKilled) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::optional<TWatcherHolder> ignored;
        const auto lock = TWatcherLock::Take("prolamo-cli watch", &ignored, folder_);
        const char taken = lock ? 'y' : 'n';
        [[maybe_unused]] const auto written = ::write(ready[1], &taken, 1);
        ::pause();
        ::_exit(0);
    }
    char taken = 0;
    ASSERT_EQ(::read(ready[0], &taken, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(taken, 'y');
    EXPECT_FALSE(Take());
    EXPECT_EQ(holder_, (TWatcherHolder{static_cast<std::uint32_t>(child), "prolamo-cli watch"}));

    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    const auto lock = Take("prolamo");
    ASSERT_TRUE(lock);
    holder_.reset();
    const auto lock2 = Take();
    EXPECT_FALSE(lock2);
    EXPECT_EQ(holder_, (TWatcherHolder{static_cast<std::uint32_t>(::getpid()), "prolamo"}));
}

// Held for a whole session, it keeps out neither the data file's lock nor a change of the rules.
TEST_F(WatcherLockTest, LeavesTheDataFileAndTheRulesFree) {
    const auto watching = Take();
    ASSERT_TRUE(watching);
    EXPECT_NO_THROW(TDataFileLock(temp_ / "data/qvt.dfm"));
    int waits = 0;
    TRulesChange change(temp_ / "data/qvt.rules", [&] { ++waits; });
    EXPECT_EQ(waits, 0);
}

} // namespace
} // namespace prolamo::test
