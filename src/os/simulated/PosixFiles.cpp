// Whole-file operations on this computer's own file system. Windows share modes are imitated with
// advisory locks: a reader holds a shared lock and a writer an exclusive one while the file is
// open, so programs using this layer see each other's sharing violations.

#include "os/Files.h"
#include "os/simulated/Machine.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

namespace prolamo::os {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A path of the system drive, "C:\...", is in the simulated workstation's folder, as its Windows
// folder is; other drives are not there.
std::string NativePath(std::string_view path) {
    std::string native;
    if (path.size() >= 3 && (path[0] == 'C' || path[0] == 'c') && path[1] == ':' && IsSeparator(path[2])) {
        native = simulated::CurrentMachine().Folder().string();
        path.remove_prefix(2);
    }
    native += path;
    for (char& c : native)
        if (c == '\\')
            c = '/';
    return native;
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return fd_; }
    // Closing can report a failed delayed write.
    int Close() {
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }

private:
    int fd_;
};

// A folder is refused as Windows refuses it; devices, pipes and sockets hold no bytes to keep.
ErrorCode CheckRegularFile(const struct stat& st) {
    if (S_ISDIR(st.st_mode))
        return ErrorAccessDenied;
    return S_ISREG(st.st_mode) ? ErrorSuccess : ErrorInvalidFunction;
}

class PosixFiles final : public IFiles {
public:
    ErrorCode GetFileAttributes(std::string_view path, std::uint32_t* attributes) override {
        if (attributes == nullptr)
            return ErrorInvalidParameter;
        *attributes = InvalidFileAttributes;
        const std::string native = NativePath(path);
        if (native.empty())
            return ErrorPathNotFound;
        struct stat st {};
        if (::stat(native.c_str(), &st) != 0)
            return ErrnoToWindowsError(errno, native);
        std::uint32_t result = S_ISDIR(st.st_mode) ? FileAttributeDirectory : FileAttributeArchive;
        if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode))
            result |= FileAttributeDevice;
        if ((st.st_mode & S_IWUSR) == 0)
            result |= FileAttributeReadonly;
        *attributes = result;
        return ErrorSuccess;
    }

    ErrorCode ReadWholeFile(std::string_view path, std::vector<std::uint8_t>* content,
                            std::uint64_t sizeLimit) override {
        if (content == nullptr)
            return ErrorInvalidParameter;
        content->clear();
        const std::string native = NativePath(path);
        if (native.empty())
            return ErrorPathNotFound;
        // Not blocking: opening a pipe would otherwise wait for a writer.
        Fd fd(::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
        if (fd.Get() < 0)
            return ErrnoToWindowsError(errno, native);
        struct stat st {};
        if (::fstat(fd.Get(), &st) != 0)
            return ErrnoToWindowsError(errno, native);
        if (const ErrorCode e = CheckRegularFile(st); e != ErrorSuccess)
            return e;
        if (static_cast<std::uint64_t>(st.st_size) > sizeLimit)
            return ErrorFileTooLarge;
        if (::flock(fd.Get(), LOCK_SH | LOCK_NB) != 0)
            return errno == EWOULDBLOCK ? ErrorSharingViolation : ErrnoToWindowsError(errno, native);
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::read(fd.Get(), bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return ErrnoToWindowsError(errno, native);
            if (n == 0)
                break; // shrunk meanwhile
            done += static_cast<std::size_t>(n);
        }
        bytes.resize(done);
        *content = std::move(bytes);
        return ErrorSuccess;
    }

    ErrorCode WriteWholeFile(std::string_view path, std::span<const std::uint8_t> content) override {
        const std::string native = NativePath(path);
        if (native.empty())
            return ErrorPathNotFound;
        // The attribute, not the process's rights, decides: root and administrators are refused too.
        if (struct stat st {}; ::stat(native.c_str(), &st) == 0) {
            if (const ErrorCode e = CheckRegularFile(st); e != ErrorSuccess)
                return e;
            if ((st.st_mode & S_IWUSR) == 0)
                return ErrorAccessDenied;
        }
        // Not O_TRUNC: the file is emptied only once nobody else has it open.
        Fd fd(::open(native.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666));
        if (fd.Get() < 0)
            return ErrnoToWindowsError(errno, native);
        if (struct stat st {}; ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
            return ErrorInvalidFunction; // became something else since
        if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
            return errno == EWOULDBLOCK ? ErrorSharingViolation : ErrnoToWindowsError(errno, native);
        if (::ftruncate(fd.Get(), 0) != 0)
            return ErrnoToWindowsError(errno, native);
        std::size_t done = 0;
        while (done < content.size()) {
            const ssize_t n = ::write(fd.Get(), content.data() + done, content.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return ErrnoToWindowsError(errno, native);
            done += static_cast<std::size_t>(n);
        }
        if (fd.Close() != 0)
            return ErrnoToWindowsError(errno, native);
        return ErrorSuccess;
    }

    ErrorCode WriteFileReplacing(std::string_view path, std::span<const std::uint8_t> content) override {
        const std::string native = NativePath(path);
        if (native.empty())
            return ErrorPathNotFound;
        struct stat st {};
        const bool exists = ::stat(native.c_str(), &st) == 0;
        if (exists) {
            if (S_ISDIR(st.st_mode) || (st.st_mode & S_IWUSR) == 0)
                return ErrorAccessDenied; // a folder, or a file with the read-only attribute
            Fd current(::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
            if (current.Get() >= 0 && ::flock(current.Get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
                return ErrorSharingViolation;
        }
        // The new content goes to a file of its own in the same folder, so the rename cannot cross
        // file systems.
        static std::atomic<unsigned> counter{0};
        const std::string staging =
            native + "." + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".new";
        Fd fd(::open(staging.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR));
        if (fd.Get() < 0)
            return ErrnoToWindowsError(errno, native);
        const auto fail = [&staging](int error, const std::string& where) {
            ::unlink(staging.c_str());
            return ErrnoToWindowsError(error, where);
        };
        // A replacement keeps the file's permissions; a new file is its owner's only, like the
        // per-user folders it is meant for.
        ::fchmod(fd.Get(), exists ? st.st_mode & 07777 : S_IRUSR | S_IWUSR);
        std::size_t done = 0;
        while (done < content.size()) {
            const ssize_t n = ::write(fd.Get(), content.data() + done, content.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return fail(errno, native);
            done += static_cast<std::size_t>(n);
        }
        if (::fsync(fd.Get()) != 0 || fd.Close() != 0)
            return fail(errno, native);
        if (::rename(staging.c_str(), native.c_str()) != 0)
            return fail(errno, native);
        return ErrorSuccess;
    }

    ErrorCode DeleteFile(std::string_view path) override {
        const std::string native = NativePath(path);
        if (native.empty())
            return ErrorPathNotFound;
        struct stat st {};
        if (::lstat(native.c_str(), &st) != 0)
            return ErrnoToWindowsError(errno, native);
        if (S_ISDIR(st.st_mode))
            return ErrorAccessDenied;
        if (S_ISREG(st.st_mode)) {
            if ((st.st_mode & S_IWUSR) == 0)
                return ErrorAccessDenied; // the read-only attribute protects a file from deletion
            // A file that someone has open without delete sharing cannot be deleted.
            Fd fd(::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
            if (fd.Get() >= 0 && ::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
                return ErrorSharingViolation;
        }
        if (::unlink(native.c_str()) != 0)
            return ErrnoToWindowsError(errno, native);
        return ErrorSuccess;
    }

    ErrorCode CreateDirectoryTree(std::string_view path) override {
        std::string native = NativePath(path);
        while (native.size() > 1 && native.back() == '/')
            native.pop_back();
        if (native.empty() || native.front() != '/')
            return ErrorBadPathname; // only full paths, as SHCreateDirectoryEx takes
        struct stat st {};
        if (::stat(native.c_str(), &st) == 0)
            return ErrorAlreadyExists;
        for (std::size_t slash = native.find('/', 1);; slash = native.find('/', slash + 1)) {
            const std::string part = native.substr(0, slash);
            if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
                return ErrnoToWindowsError(errno, part);
            if (slash == std::string::npos)
                break;
        }
        if (::stat(native.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return ErrorPathNotFound; // a file stands where a folder was needed
        return ErrorSuccess;
    }
};

} // namespace

IFiles& Files() {
    static PosixFiles files;
    return files;
}

} // namespace prolamo::os
