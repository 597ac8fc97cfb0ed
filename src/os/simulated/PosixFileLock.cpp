// Advisory locks with flock(2): they belong to the open file description, so a second open in the
// same process conflicts too, and the kernel releases them when the process dies.

#include "os/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace prolamo::os {

namespace {

class PosixFileLocks final : public IFileLocks {
public:
    ErrorCode TryLock(std::string_view path, LockHandle* handle) override {
        if (handle == nullptr)
            return ErrorInvalidParameter;
        *handle = InvalidLockHandle;
        std::string native(path);
        for (char& c : native)
            if (c == '\\')
                c = '/';
        const int fd = ::open(native.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            return ErrnoToWindowsError(errno, native);
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            return error == EWOULDBLOCK ? ErrorLockViolation : ErrnoToWindowsError(error, native);
        }
        *handle = fd;
        return ErrorSuccess;
    }

    void Unlock(LockHandle handle) override {
        if (handle != InvalidLockHandle)
            ::close(static_cast<int>(handle));
    }
};

} // namespace

IFileLocks& FileLocks() {
    static PosixFileLocks locks;
    return locks;
}

} // namespace prolamo::os
