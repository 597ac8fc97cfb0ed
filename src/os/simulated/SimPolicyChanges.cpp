// The simulated machine tells every change of its database: another process's write through
// SQLite's data version, this process's own through its connection's change count.

#include "os/PolicyChanges.h"
#include "os/Sqlite.h"
#include "os/simulated/Machine.h"

#include <atomic>
#include <mutex>

namespace prolamo::os {

std::uint64_t PolicyChangeCount() {
    simulated::Machine& machine = simulated::CurrentMachine();
    const std::lock_guard lock(machine.DbMutex());
    static std::atomic<std::uint64_t> unknown{0};
    if (machine.Db() == nullptr)
        return ++unknown;
    Statement version(machine.Db(), "PRAGMA data_version");
    if (!version.Ok() || version.Step() != SQLITE_ROW)
        return ++unknown;
    return (static_cast<std::uint64_t>(version.Int(0)) << 32) ^
           static_cast<std::uint64_t>(sqlite3_total_changes64(machine.Db()));
}

} // namespace prolamo::os
