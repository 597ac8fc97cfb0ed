#include "os/simulated/SimEventLog.h"

#include "os/Sqlite.h"
#include "os/Text.h"
#include "os/simulated/Machine.h"
#include "os/simulated/SqliteErrors.h"

#include <chrono>
#include <mutex>

namespace prolamo::os::simulated {

namespace {

// Made on first use: machines seeded before the log existed get it then.
constexpr const char* kEventTable =
    "CREATE TABLE IF NOT EXISTS event(id INTEGER PRIMARY KEY, unix_ms INTEGER NOT NULL, "
    "type INTEGER NOT NULL, source TEXT NOT NULL, text TEXT NOT NULL)";

class SimEventLog final : public IEventLog {
public:
    ErrorCode Report(EventType type, std::u16string_view text) override {
        Machine& machine = CurrentMachine();
        if (machine.Db() == nullptr)
            return machine.OpenError();
        const auto now =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
                .count();
        std::lock_guard lock(machine.DbMutex());
        Transaction tx(machine.Db(), Transaction::Kind::Write);
        if (tx.BeginCode() != SQLITE_OK)
            return SqliteToWindowsError(tx.BeginCode());
        if (const int rc = Exec(machine.Db(), kEventTable); rc != SQLITE_OK)
            return SqliteToWindowsError(rc);
        Statement insert(machine.Db(), "INSERT INTO event(unix_ms, type, source, text) VALUES (?1, ?2, ?3, ?4)");
        insert.Bind(1, std::int64_t{now})
            .Bind(2, static_cast<std::int64_t>(type))
            .Bind(3, Utf16ToUtf8(EventSourceName))
            .Bind(4, Utf16ToUtf8(text));
        if (const int rc = insert.Step(); rc != SQLITE_DONE)
            return SqliteToWindowsError(rc);
        return SqliteToWindowsError(tx.Commit());
    }
};

} // namespace

ErrorCode ReadEvents(Machine& machine, std::vector<EventRecord>* events) {
    events->clear();
    if (machine.Db() == nullptr)
        return machine.OpenError();
    std::lock_guard lock(machine.DbMutex());
    Statement exists(machine.Db(), "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'event'");
    if (const int rc = exists.Step(); rc == SQLITE_DONE)
        return ErrorSuccess;
    else if (rc != SQLITE_ROW)
        return SqliteToWindowsError(rc);
    Statement q(machine.Db(), "SELECT unix_ms, type, source, text FROM event ORDER BY id");
    int rc = SQLITE_ROW;
    while ((rc = q.Step()) == SQLITE_ROW)
        events->push_back({q.Int(0), static_cast<EventType>(q.Int(1)), q.Text(2), q.Text(3)});
    return rc == SQLITE_DONE ? ErrorSuccess : SqliteToWindowsError(rc);
}

} // namespace prolamo::os::simulated

namespace prolamo::os {

IEventLog& EventLog() {
    static simulated::SimEventLog log;
    return log;
}

} // namespace prolamo::os
