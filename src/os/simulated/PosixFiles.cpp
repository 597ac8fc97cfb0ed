// Whole-file operations on this computer's own file system. Windows share modes are imitated with
// advisory locks: a reader holds a shared lock and a writer an exclusive one while the file is
// open, so programs using this layer see each other's sharing violations.

#include "os/Files.h"
#include "os/StagingNames.h"
#include "os/simulated/FileFaults.h"
#include "os/simulated/Machine.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

namespace prolamo::os {

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

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

// The Windows folder takes writes from administrators and the system only, as its access list does.
// The path's folder is followed to where it leads; its last part is taken as it is.
ErrorCode CheckSystemFolderWrite(const std::string& native) {
    simulated::Machine& machine = simulated::CurrentMachine();
    std::error_code ec;
    const std::filesystem::path windows = std::filesystem::weakly_canonical(machine.WindowsFolder(), ec);
    const std::filesystem::path path(native);
    const std::filesystem::path target = std::filesystem::weakly_canonical(path.parent_path(), ec) / path.filename();
    if (ec || std::mismatch(windows.begin(), windows.end(), target.begin(), target.end()).first != windows.end())
        return ErrorSuccess;
    bool administrator = false;
    if (const ErrorCode e = machine.ReadAdministrator(&administrator); e != ErrorSuccess)
        return e;
    return administrator ? ErrorSuccess : ErrorAccessDenied;
}

// The path on this system of a file a call writes or deletes, once it may: ErrorPathNotFound for
// a path with none, else as CheckSystemFolderWrite.
ErrorCode PathToWrite(std::string_view path, std::string* native) {
    *native = NativePath(path);
    if (native->empty())
        return ErrorPathNotFound;
    return CheckSystemFolderWrite(*native);
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
    int Release() { return std::exchange(fd_, -1); }
    // Closing can report a failed delayed write.
    int Close() {
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }

private:
    int fd_;
};

// A writer holds an exclusive lock on its staging file until it is renamed, so one that can be
// locked was left by a process that died.
// Removes the staging files that killed writers of Native left beside it.
void RemoveDeadStagingFiles(const std::string& native) {
    const auto slash = native.find_last_of('/');
    const std::string folder = slash == 0 ? "/" : native.substr(0, slash);
    const std::string base = native.substr(slash + 1);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsStagingOf(entry->d_name, base))
            continue;
        const std::string path = folder + "/" + entry->d_name;
        Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        struct stat st {};
        if (fd.Get() >= 0 && ::fstat(fd.Get(), &st) == 0 && S_ISREG(st.st_mode) &&
            ::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.c_str());
    }
    ::closedir(dir);
}

// A new staging file, locked, with Mode less the umask. A cleaner may have taken and removed it
// between its creation and the lock: then it has no name any more and another one is made.
ErrorCode CreateStagingFile(const std::string& native, mode_t mode, std::string* staging, int* descriptor) {
    for (;;) {
        *staging = native + StagingSuffix(static_cast<unsigned long>(::getpid()));
        Fd fd(::open(staging->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode));
        if (fd.Get() < 0 && errno == EEXIST)
            continue;
        if (fd.Get() < 0)
            return ErrnoToWindowsError(errno, native);
        struct stat st {};
        if (::flock(fd.Get(), LOCK_EX) != 0 || ::fstat(fd.Get(), &st) != 0)
            return ErrnoToWindowsError(errno, native);
        if (st.st_nlink == 0)
            continue;
        *descriptor = fd.Release();
        return ErrorSuccess;
    }
}

// A folder is refused as Windows refuses it; devices, pipes and sockets hold no bytes to keep.
ErrorCode CheckRegularFile(const struct stat& st) {
    if (S_ISDIR(st.st_mode))
        return ErrorAccessDenied;
    return S_ISREG(st.st_mode) ? ErrorSuccess : ErrorInvalidFunction;
}

// A regular file open for reading: its path on this system, the descriptor and its size.
struct OpenedFile {
    std::string native;
    std::optional<Fd> fd;
    std::size_t size = 0;
};

// Opens a regular file of at most sizeLimit bytes for reading and holds the shared lock a reader
// holds on Windows.
ErrorCode OpenForReading(std::string_view path, std::uint64_t sizeLimit, OpenedFile* file) {
    file->native = NativePath(path);
    const std::string& native = file->native;
    if (native.empty())
        return ErrorPathNotFound;
    // Not blocking: opening a pipe would otherwise wait for a writer.
    const int fd = file->fd.emplace(::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)).Get();
    if (fd < 0)
        return ErrnoToWindowsError(errno, native);
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return ErrnoToWindowsError(errno, native);
    if (const ErrorCode e = CheckRegularFile(st); e != ErrorSuccess)
        return e;
    if (static_cast<std::uint64_t>(st.st_size) > sizeLimit)
        return ErrorFileTooLarge;
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0)
        return errno == EWOULDBLOCK ? ErrorSharingViolation : ErrnoToWindowsError(errno, native);
    file->size = static_cast<std::size_t>(st.st_size);
    return ErrorSuccess;
}

// Reads up to Size bytes; *done says how many there were (fewer when the file shrank meanwhile).
ErrorCode ReadAll(int fd, std::uint8_t* into, std::size_t size, const std::string& native, std::size_t* done) {
    *done = 0;
    while (*done < size) {
        const ssize_t n = ::read(fd, into + *done, size - *done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return ErrnoToWindowsError(errno, native);
        if (n == 0)
            break;
        *done += static_cast<std::size_t>(n);
    }
    return ErrorSuccess;
}

constexpr std::uint64_t kUnlimitedRoom = UINT64_MAX;
std::atomic<std::uint64_t> writeRoom{kUnlimitedRoom}; // SetFileWriteRoom

// Writes all of Bytes at the file's position; an errno, or 0.
int WriteFully(int fd, std::span<const std::uint8_t> bytes) {
    const std::uint64_t room = writeRoom.load();
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (done >= room)
            return ENOSPC;
        const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size() - done, room - done));
        const ssize_t n = ::write(fd, bytes.data() + done, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// Whose file a replacing write writes: the program's own data are its owner's only; a file of the
// machine keeps its owner, and a new one gets the user's default permissions.
enum class Whose { Program, Machine };

// Writes Content to a locked staging file beside Native, flushes it and renames it over Native.
// Existing is the file replaced, or null; the new file takes its permissions. *impossible says
// that nothing was written because the folder takes no new file or the owner cannot be kept.
ErrorCode ReplaceThroughStaging(const std::string& native, const struct stat* existing, Whose whose,
                                std::span<const std::uint8_t> content, bool* impossible) {
    *impossible = false;
    RemoveDeadStagingFiles(native);
    // The new content goes to a file of its own in the same folder, so the rename cannot cross
    // file systems.
    std::string staging;
    int descriptor = -1;
    const mode_t mode = whose == Whose::Program ? S_IRUSR | S_IWUSR : 0666;
    if (const ErrorCode error = CreateStagingFile(native, mode, &staging, &descriptor); error != ErrorSuccess) {
        *impossible = error == ErrorAccessDenied;
        return error;
    }
    Fd fd(descriptor);
    const auto fail = [&staging](int error, const std::string& where) {
        ::unlink(staging.c_str());
        return ErrnoToWindowsError(error, where);
    };
    if (existing != nullptr) {
        if (whose == Whose::Machine && (existing->st_uid != ::geteuid() || existing->st_gid != ::getegid()) &&
            ::fchown(fd.Get(), existing->st_uid, existing->st_gid) != 0) {
            *impossible = true;
            return fail(errno, native);
        }
        // After the owner: giving it clears the set-id bits.
        ::fchmod(fd.Get(), existing->st_mode & 07777);
    }
    if (const int error = WriteFully(fd.Get(), content); error != 0 || ::fsync(fd.Get()) != 0)
        return fail(error != 0 ? error : errno, native);
    // Renamed while still locked, so no cleaner takes it for a dead writer's.
    if (::rename(staging.c_str(), native.c_str()) != 0)
        return fail(errno, native);
    if (fd.Close() != 0)
        return ErrnoToWindowsError(errno, native);
    // The rename itself lasts once the folder is on the disk.
    const auto slash = native.find_last_of('/');
    if (const Fd folder(::open(slash == 0 ? "/" : native.substr(0, slash).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        folder.Get() >= 0)
        ::fsync(folder.Get());
    return ErrorSuccess;
}

// Empties the open file and writes Bytes from its start, flushed; an errno, or 0.
int Overwrite(int fd, std::span<const std::uint8_t> bytes) {
    if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0)
        return errno;
    if (const int error = WriteFully(fd, bytes); error != 0)
        return error;
    return ::fsync(fd) == 0 ? 0 : errno;
}

// Writes Content over the open file of OldSize bytes in place, holding its old bytes to put them
// back when the write fails; a failed write frees the room they need.
ErrorCode OverwriteKeepingOld(int fd, std::size_t oldSize, const std::string& native,
                              std::span<const std::uint8_t> content, bool* unchanged) {
    std::vector<std::uint8_t> old(oldSize);
    std::size_t done = 0;
    if (const ErrorCode e = ReadAll(fd, old.data(), oldSize, native, &done); e != ErrorSuccess)
        return e;
    old.resize(done);
    if (const int error = Overwrite(fd, content); error != 0) {
        *unchanged = Overwrite(fd, old) == 0;
        return ErrnoToWindowsError(error, native);
    }
    return ErrorSuccess;
}

// A file's pages, mapped for reading until the last holder lets go.
class MappedBytes final : public FileBytes {
public:
    MappedBytes(void* pages, std::size_t size) : pages_(pages), size_(size) {}
    ~MappedBytes() override { ::munmap(pages_, size_); }
    MappedBytes(const MappedBytes&) = delete;
    MappedBytes& operator=(const MappedBytes&) = delete;
    std::span<const std::uint8_t> Bytes() const override { return {static_cast<const std::uint8_t*>(pages_), size_}; }

private:
    void* pages_;
    std::size_t size_;
};

class PosixFiles final : public IFiles {
public:
    ErrorCode GetFileStamp(std::string_view path, FileStamp* stamp) override {
        if (stamp == nullptr)
            return ErrorInvalidParameter;
        *stamp = {};
        const std::string native = NativePath(path);
        if (native.empty())
            return ErrorPathNotFound;
        struct stat st {};
        if (::stat(native.c_str(), &st) != 0)
            return ErrnoToWindowsError(errno, native);
        // A replacing write gives the name a new inode; the change time moves with every write.
        *stamp = {static_cast<std::uint64_t>(st.st_size),
                  static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec,
                  static_cast<std::uint64_t>(st.st_ino) ^
                      (static_cast<std::uint64_t>(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec)};
        return ErrorSuccess;
    }

    ErrorCode GetFileAttributes(std::string_view path, std::uint32_t* attributes) override {
        if (attributes == nullptr)
            return ErrorInvalidParameter;
        *attributes = InvalidFileAttributes;
        const std::string native = NativePath(path);
        if (native.empty())
            return ErrorPathNotFound;
        struct stat st {};
        if (::stat(native.c_str(), &st) != 0) {
            const int error = errno;
            // A link whose target is missing still exists, as Windows reports a dangling link.
            if (error == ENOENT && ::lstat(native.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
                *attributes = FileAttributeArchive | FileAttributeReparsePoint;
                return ErrorSuccess;
            }
            return ErrnoToWindowsError(error, native);
        }
        std::uint32_t result = S_ISDIR(st.st_mode) ? FileAttributeDirectory : FileAttributeArchive;
        if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode))
            result |= FileAttributeDevice;
        if ((st.st_mode & S_IWUSR) == 0)
            result |= FileAttributeReadonly;
        // Windows tells a link by its own attributes, whatever it leads to.
        if (struct stat own{}; ::lstat(native.c_str(), &own) == 0 && S_ISLNK(own.st_mode))
            result |= FileAttributeReparsePoint;
        *attributes = result;
        return ErrorSuccess;
    }

    ErrorCode ReadWholeFile(std::string_view path, std::vector<std::uint8_t>* content,
                            std::uint64_t sizeLimit) override {
        if (content == nullptr)
            return ErrorInvalidParameter;
        content->clear();
        OpenedFile file;
        if (const ErrorCode e = OpenForReading(path, sizeLimit, &file); e != ErrorSuccess)
            return e;
        std::vector<std::uint8_t> bytes(file.size);
        std::size_t done = 0;
        if (const ErrorCode e = ReadAll(file.fd->Get(), bytes.data(), file.size, file.native, &done); e != ErrorSuccess)
            return e;
        bytes.resize(done);
        *content = std::move(bytes);
        return ErrorSuccess;
    }

    ErrorCode ReadFileBytes(std::string_view path, FileReading reading, std::shared_ptr<const FileBytes>* bytes,
                            std::uint64_t sizeLimit) override {
        if (bytes == nullptr)
            return ErrorInvalidParameter;
        bytes->reset();
        OpenedFile file;
        if (const ErrorCode e = OpenForReading(path, sizeLimit, &file); e != ErrorSuccess)
            return e;
        const std::size_t size = file.size;
        // An empty file cannot be mapped; it is an empty copy.
        if (reading == FileReading::Mapped && size > 0) {
            void* pages = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.fd->Get(), 0);
            if (pages != MAP_FAILED) {
                // The mapping keeps the open file, and with it the reader's lock, which would refuse
                // every save until the bytes are let go; they are read now as far as sharing goes.
                ::flock(file.fd->Get(), LOCK_UN);
                *bytes = std::make_shared<const MappedBytes>(pages, size);
                return ErrorSuccess;
            }
        }
        auto copy = std::make_shared<FileBytesCopy>(size);
        std::size_t done = 0;
        if (const ErrorCode e = ReadAll(file.fd->Get(), copy->Data(), size, file.native, &done); e != ErrorSuccess)
            return e;
        copy->SetSize(done);
        *bytes = std::move(copy);
        return ErrorSuccess;
    }

    ErrorCode WriteWholeFile(std::string_view path, std::span<const std::uint8_t> content) override {
        std::string native;
        if (const ErrorCode e = PathToWrite(path, &native); e != ErrorSuccess)
            return e;
        // The attribute, not the process's rights, decides: root and administrators are refused too.
        if (struct stat st{}; ::stat(native.c_str(), &st) == 0) {
            if (const ErrorCode e = CheckRegularFile(st); e != ErrorSuccess)
                return e;
            if ((st.st_mode & S_IWUSR) == 0)
                return ErrorAccessDenied;
        }
        // Not O_TRUNC: the file is emptied only once nobody else has it open.
        Fd fd(::open(native.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666));
        if (fd.Get() < 0)
            return ErrnoToWindowsError(errno, native);
        if (struct stat st{}; ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
            return ErrorInvalidFunction; // became something else since
        if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
            return errno == EWOULDBLOCK ? ErrorSharingViolation : ErrnoToWindowsError(errno, native);
        if (::ftruncate(fd.Get(), 0) != 0)
            return ErrnoToWindowsError(errno, native);
        if (const int error = WriteFully(fd.Get(), content); error != 0)
            return ErrnoToWindowsError(error, native);
        if (fd.Close() != 0)
            return ErrnoToWindowsError(errno, native);
        return ErrorSuccess;
    }

    ErrorCode WriteFileReplacing(std::string_view path, std::span<const std::uint8_t> content) override {
        std::string native;
        if (const ErrorCode e = PathToWrite(path, &native); e != ErrorSuccess)
            return e;
        // A link is replaced by a file of its own, not followed: its target's permissions are
        // not the data's.
        struct stat st {};
        const bool exists = ::lstat(native.c_str(), &st) == 0 && !S_ISLNK(st.st_mode);
        if (exists) {
            if (S_ISDIR(st.st_mode) || (st.st_mode & S_IWUSR) == 0)
                return ErrorAccessDenied; // a folder, or a file with the read-only attribute
            Fd current(::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
            if (current.Get() >= 0 && ::flock(current.Get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
                return ErrorSharingViolation;
        }
        bool impossible = false;
        return ReplaceThroughStaging(native, exists ? &st : nullptr, Whose::Program, content, &impossible);
    }

    ErrorCode WriteMachineFile(std::string_view path, std::span<const std::uint8_t> content, bool* unchanged) override {
        bool ignored = true;
        bool& left = unchanged != nullptr ? *unchanged : ignored;
        left = true;
        std::string native = NativePath(path);
        if (native.empty())
            return ErrorPathNotFound;
        // A link stands for the file it names, which is the one written.
        if (char* real = ::realpath(native.c_str(), nullptr)) {
            native = real;
            ::free(real);
        }
        if (const ErrorCode e = CheckSystemFolderWrite(native); e != ErrorSuccess)
            return e;
        bool impossible = false;
        struct stat st {};
        if (::stat(native.c_str(), &st) != 0) {
            if (errno != ENOENT)
                return ErrnoToWindowsError(errno, native);
            return ReplaceThroughStaging(native, nullptr, Whose::Machine, content, &impossible);
        }
        if (const ErrorCode e = CheckRegularFile(st); e != ErrorSuccess)
            return e;
        if ((st.st_mode & S_IWUSR) == 0)
            return ErrorAccessDenied; // the read-only attribute, which binds root as well
        Fd current(::open(native.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
        if (current.Get() < 0)
            return ErrnoToWindowsError(errno, native);
        if (::flock(current.Get(), LOCK_EX | LOCK_NB) != 0)
            return errno == EWOULDBLOCK ? ErrorSharingViolation : ErrnoToWindowsError(errno, native);
        if (::fstat(current.Get(), &st) != 0 || !S_ISREG(st.st_mode))
            return ErrorInvalidFunction; // became something else since
        // A rename would part the file from its other names.
        if (st.st_nlink == 1) {
            const ErrorCode e = ReplaceThroughStaging(native, &st, Whose::Machine, content, &impossible);
            if (!impossible)
                return e;
        }
        return OverwriteKeepingOld(current.Get(), static_cast<std::size_t>(st.st_size), native, content, &left);
    }

    ErrorCode DeleteFile(std::string_view path) override {
        std::string native;
        if (const ErrorCode e = PathToWrite(path, &native); e != ErrorSuccess)
            return e;
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

    ErrorCode GetFullPathName(std::string_view path, std::string* fullPath) override {
        fullPath->clear();
        const std::string native = NativePath(path);
        if (native.empty())
            return ErrorPathNotFound;
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(native, error);
        if (error)
            return ErrnoToWindowsError(error.value(), native);
        *fullPath = absolute.lexically_normal().string();
        return ErrorSuccess;
    }

    ErrorCode GetLinkTarget(std::string_view path, std::string* target) override {
        target->clear();
        const std::string native = NativePath(path);
        if (native.empty())
            return ErrorPathNotFound;
        char* resolved = ::realpath(native.c_str(), nullptr);
        if (resolved == nullptr)
            return ErrnoToWindowsError(errno, native);
        *target = resolved;
        std::free(resolved);
        return ErrorSuccess;
    }

    ErrorCode CreateDirectoryTree(std::string_view path) override {
        std::string native = NativePath(path);
        while (native.size() > 1 && native.back() == '/')
            native.pop_back();
        if (native.empty() || native.front() != '/')
            return ErrorBadPathname; // only full paths, as SHCreateDirectoryEx takes
        if (const ErrorCode e = CheckSystemFolderWrite(native); e != ErrorSuccess)
            return e;
        struct stat st {};
        if (::stat(native.c_str(), &st) == 0)
            return ErrorAlreadyExists;
        for (std::size_t slash = native.find('/', 1);; slash = native.find('/', slash + 1)) {
            const std::string part = native.substr(0, slash);
            // Folders made here hold per-user data: their owner's only.
            if (::mkdir(part.c_str(), S_IRWXU) != 0 && errno != EEXIST)
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

namespace simulated {

void SetFileWriteRoom(std::optional<std::uint64_t> bytes) {
    writeRoom = bytes.value_or(kUnlimitedRoom);
}

} // namespace simulated

IFiles& Files() {
    static PosixFiles files;
    return files;
}

} // namespace prolamo::os
