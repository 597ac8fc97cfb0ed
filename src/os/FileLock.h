#pragma once
// Exclusive locks on a file, held until unlocked or until the holding process ends however it ends
// (CreateFileW with OPEN_ALWAYS + LockFileEx with LOCKFILE_FAIL_IMMEDIATELY).

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
