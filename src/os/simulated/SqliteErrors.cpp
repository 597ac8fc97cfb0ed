#include "os/simulated/SqliteErrors.h"

#include <sqlite3.h>

namespace prolamo::os::simulated {

ErrorCode SqliteToWindowsError(int rc) {
    switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW:
        return ErrorSuccess;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ErrorBusy;
    case SQLITE_NOMEM:
        return ErrorNotEnoughMemory;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return ErrorAccessDenied;
    case SQLITE_FULL:
        return ErrorDiskFull;
    default:
        return ErrorRegistryIoFailed;
    }
}

} // namespace prolamo::os::simulated
