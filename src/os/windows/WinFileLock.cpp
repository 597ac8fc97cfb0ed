// Exclusive file locks (CreateFileW with OPEN_ALWAYS, LockFileEx, UnlockFileEx). Windows drops a
// lock when its handle closes, also when the holding process dies. The file is opened without
// delete sharing, so nobody can delete it while it is held and lock a new file of its name.

#include "os/FileLock.h"
#include "os/windows/WinSupport.h"

namespace prolamo::os {

namespace {

using windows::LastErrorOr;

class WinFileLocks final : public IFileLocks {
public:
    ErrorCode TryLock(std::string_view path, LockHandle* handle) override {
        *handle = InvalidLockHandle;
        const HANDLE file = ::CreateFileW(windows::WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return LastErrorOr(ErrorOpenFailed);
        OVERLAPPED whole{};
        if (!::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole)) {
            const ErrorCode error = LastErrorOr(ErrorLockViolation);
            ::CloseHandle(file);
            return error;
        }
        *handle = reinterpret_cast<LockHandle>(file);
        return ErrorSuccess;
    }

    void Unlock(LockHandle handle) override {
        if (handle == InvalidLockHandle)
            return;
        const HANDLE file = reinterpret_cast<HANDLE>(handle);
        OVERLAPPED whole{};
        ::UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
        ::CloseHandle(file);
    }
};

} // namespace

IFileLocks& FileLocks() {
    static WinFileLocks locks;
    return locks;
}

} // namespace prolamo::os
