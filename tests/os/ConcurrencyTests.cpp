#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>

namespace prolamo::os::test {
namespace {

constexpr int kWritesPerWriter = 150;

// Writes its values one call at a time, as the program does; returns the first failure.
ErrorCode WriteMany(simulated::Machine& machine, int writer) {
    HKey key = 0;
    if (const ErrorCode e =
            machine.Registry().CreateKeyEx(HKeyCurrentUser, u"Software\\Busy", 0, KeyAllAccess, &key, nullptr);
        e != ErrorSuccess)
        return e;
    for (int i = 0; i < kWritesPerWriter; ++i) {
        const std::string name = "w" + std::to_string(writer) + "-" + std::to_string(i);
        const std::u16string wide(name.begin(), name.end());
        const std::uint32_t value = static_cast<std::uint32_t>(i);
        if (const ErrorCode e =
                machine.Registry().SetValueEx(key, wide, RegDword, reinterpret_cast<const std::uint8_t*>(&value), 4);
            e != ErrorSuccess)
            return e;
        std::uint32_t read = 0, size = 4;
        if (const ErrorCode e =
                machine.Registry().QueryValueEx(key, wide, nullptr, reinterpret_cast<std::uint8_t*>(&read), &size);
            e != ErrorSuccess)
            return e;
    }
    return machine.Registry().CloseKey(key);
}

std::uint32_t CountValues(simulated::Machine& machine) {
    HKey key = 0;
    EXPECT_EQ(machine.Registry().OpenKeyEx(HKeyCurrentUser, u"Software\\Busy", 0, KeyRead, &key), ErrorSuccess);
    std::uint32_t values = 0;
    EXPECT_EQ(machine.Registry().QueryInfoKey(key, &values, nullptr, nullptr), ErrorSuccess);
    machine.Registry().CloseKey(key);
    return values;
}

TEST(MachineConcurrency, ProcessesSeedingAndWritingOneFreshMachineAtOnceAllSucceed) {
    TempFolder temp;
    const auto folder = temp.Path() / "machine";
    constexpr int kProcesses = 3;
    pid_t children[kProcesses];
    for (int p = 0; p < kProcesses; ++p) {
        children[p] = ::fork();
        ASSERT_GE(children[p], 0);
        if (children[p] == 0) {
            int code = 100;
            try {
                auto machine = simulated::Machine::Open(folder);
                code = static_cast<int>(WriteMany(*machine, p) & 0x7F);
            } catch (...) {
                code = 101;
            }
            ::_exit(code);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "a writer failed (100+: could not open the machine)";
    }
    auto machine = simulated::Machine::Open(folder);
    EXPECT_EQ(CountValues(*machine), static_cast<std::uint32_t>(kProcesses * kWritesPerWriter));
    // Seeded once: the seeded values are there exactly once and in their seeding order.
    simulated::ScopedCurrentMachine current(*machine);
    HKey env = 0;
    ASSERT_EQ(Registry().OpenKeyEx(HKeyCurrentUser, u"Environment", 0, KeyRead, &env), ErrorSuccess);
    EXPECT_EQ(ValueNames(env), (std::vector<std::u16string>{u"Path", u"TEMP", u"TMP"}));
    Registry().CloseKey(env);
}

// Processes that open a new machine at the same moment all switch its database to WAL; SQLite
// refuses one of two such switches at once, without waiting, unless they take turns.
TEST(MachineConcurrency, ProcessesOpeningOneFreshMachineAtTheSameMomentAllSucceed) {
    constexpr int kRounds = 16;
    constexpr int kProcesses = 4;
    for (int round = 0; round < kRounds; ++round) {
        TempFolder temp;
        const auto folder = temp.Path() / "machine";
        int start[2];
        ASSERT_EQ(::pipe(start), 0);
        pid_t children[kProcesses];
        for (pid_t& child : children) {
            child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                ::close(start[1]);
                char go = 0;
                // Blocks until the parent closes its end: every child starts together.
                [[maybe_unused]] const auto ignored = ::read(start[0], &go, 1);
                try {
                    auto machine = simulated::Machine::Open(folder);
                    ::_exit(machine->IsAdministrator() ? 0 : 2);
                } catch (...) {
                    ::_exit(1);
                }
            }
        }
        ::close(start[0]);
        ::close(start[1]);
        int failed = 0;
        for (pid_t child : children) {
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            failed += !WIFEXITED(status) || WEXITSTATUS(status) != 0;
        }
        EXPECT_EQ(failed, 0) << "round " << round << ": processes that could not open the machine";
    }
}

TEST(MachineConcurrency, TwoConnectionsOnThreadsWriteWithoutLockFailures) {
    TempFolder temp;
    auto first = simulated::Machine::Open(temp.Path() / "machine");
    auto second = simulated::Machine::Open(temp.Path() / "machine");
    ErrorCode firstResult = ErrorGenFailure, secondResult = ErrorGenFailure;
    std::thread a([&] { firstResult = WriteMany(*first, 0); });
    std::thread b([&] { secondResult = WriteMany(*second, 1); });
    a.join();
    b.join();
    EXPECT_EQ(firstResult, ErrorSuccess);
    EXPECT_EQ(secondResult, ErrorSuccess);
    EXPECT_EQ(CountValues(*first), static_cast<std::uint32_t>(2 * kWritesPerWriter));
}

} // namespace
} // namespace prolamo::os::test
