// Advisory locks with flock(2): they belong to the open file description, so a second open in the
// same process conflicts too, and the kernel releases them when the process dies.
//
// Anyone may delete a lock file's name while its lock is held, and the next taker would then lock a
// new file of that name. So the folder holding the file is locked as well: it cannot go while the
// file or the data beside it is there, and its lock is what keeps a second holder out.

#include "os/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace prolamo::os {

namespace {

struct PosixLock {
    int folder;
    int file;
};

// Opens and locks without waiting; -1 with errno on failure.
int OpenLocked(const std::string& path, int flags, mode_t mode) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

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
        const auto slash = native.find_last_of('/');
        const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : native.substr(0, slash);
        // A folder reached through a link (a data folder moved elsewhere) is the folder it names.
        const int folderFd = OpenLocked(folder, O_RDONLY | O_DIRECTORY, 0);
        if (folderFd < 0)
            return Failure(errno, native);
        // Never through a link: the lock file is made here, only its owner's.
        const int fileFd = OpenLocked(native, O_RDWR | O_CREAT | O_NOFOLLOW, 0600);
        if (fileFd < 0) {
            const int error = errno;
            ::close(folderFd);
            return Failure(error, native);
        }
        *handle = reinterpret_cast<LockHandle>(new PosixLock{folderFd, fileFd});
        return ErrorSuccess;
    }

    void Unlock(LockHandle handle) override {
        if (handle == InvalidLockHandle)
            return;
        const auto* lock = reinterpret_cast<PosixLock*>(handle);
        ::close(lock->file);
        ::close(lock->folder);
        delete lock;
    }

private:
    static ErrorCode Failure(int error, const std::string& path) {
        if (error == ELOOP)
            return ErrorAccessDenied; // a link where the lock file belongs
        return error == EWOULDBLOCK ? ErrorLockViolation : ErrnoToWindowsError(error, path);
    }
};

} // namespace

IFileLocks& FileLocks() {
    static PosixFileLocks locks;
    return locks;
}

} // namespace prolamo::os
