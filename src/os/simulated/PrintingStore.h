#pragma once
// The tables of the printers, shares and drives: what the spooler, the drives and their seeding
// share (internal to the backend).

#include "os/Errors.h"
#include "os/Sqlite.h"
#include "os/simulated/Machine.h"
#include "os/simulated/SqliteErrors.h"

#include <mutex>
#include <string_view>

namespace prolamo::os::simulated {

// "\\server\name", split; false for anything else.
bool SplitNetworkName(std::u16string_view name, std::u16string_view* server, std::u16string_view* rest);

// The Win32 code of a statement that ends with SQLITE_DONE.
ErrorCode Done(int rc);

// Statements for use inside the caller's transaction; each answers an SQLite code.
int InsertShare(sqlite3* db, std::u16string_view path);
int InsertDrive(sqlite3* db, std::u16string_view local, std::u16string_view remote);

// Runs Change in a write transaction of its own. What Change wrote is kept also when it answers a
// failure: a failing call may still use up an injected fault.
template <class F> ErrorCode InWriteTransaction(Machine& machine, F change) {
    if (machine.Db() == nullptr)
        return machine.OpenError();
    std::lock_guard lock(machine.DbMutex());
    Transaction tx(machine.Db(), Transaction::Kind::Write);
    if (tx.BeginCode() != SQLITE_OK)
        return SqliteToWindowsError(tx.BeginCode());
    const ErrorCode e = change(machine.Db());
    const ErrorCode committed = SqliteToWindowsError(tx.Commit());
    return e != ErrorSuccess ? e : committed;
}

} // namespace prolamo::os::simulated
