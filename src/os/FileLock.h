#pragma once
// Exclusive locks on a file, held until unlocked or until the holding process ends however it ends
// (CreateFileW with OPEN_ALWAYS + LockFileEx with LOCKFILE_FAIL_IMMEDIATELY). A lock holds whatever
// happens to the file's name: on Windows the locked file cannot be deleted, on this computer's own
// file system the folder holding it is locked too (so one folder holds one lock). A link standing
// where the lock file belongs is never followed.

#include "os/Errors.h"

#include <cstdint>
#include <string_view>

namespace prolamo::os {

using LockHandle = std::intptr_t;
inline constexpr LockHandle InvalidLockHandle = -1;

class IFileLocks {
public:
    virtual ~IFileLocks() = default;

    // Creates the file when missing and locks it. Held by another: ErrorLockViolation.
    virtual ErrorCode TryLock(std::string_view path, LockHandle* handle) = 0;
    // Releases the lock and closes the handle; InvalidLockHandle is ignored.
    virtual void Unlock(LockHandle handle) = 0;
};

IFileLocks& FileLocks();

} // namespace prolamo::os
