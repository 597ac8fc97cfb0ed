// Whole-file operations through CreateFileW, ReadFile, WriteFile, ReplaceFileW and MoveFileExW.

#include "os/Files.h"
#include "os/StagingNames.h"
#include "os/Text.h"
#include "os/windows/WinSupport.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace prolamo::os {

namespace {

using windows::LastErrorOr;
using windows::WidePath;

class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (valid())
            ::CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    // Closes now and reports a failing close, which can be where a write fails.
    ErrorCode Close() {
        const BOOL closed = ::CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return closed ? ErrorSuccess : LastErrorOr(ErrorGenFailure);
    }

private:
    HANDLE handle_;
};

ErrorCode WriteAll(HANDLE file, std::span<const std::uint8_t> content) {
    std::size_t done = 0;
    while (done < content.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, content.data() + done, chunk, &written, nullptr))
            return LastErrorOr(ErrorGenFailure);
        done += written;
    }
    return ErrorSuccess;
}

ErrorCode WriteNewFile(const std::wstring& path, std::span<const std::uint8_t> content) {
    Handle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return LastErrorOr(ErrorOpenFailed);
    if (::GetFileType(file.get()) != FILE_TYPE_DISK)
        return ErrorInvalidFunction;
    if (const ErrorCode error = WriteAll(file.get(), content); error != ErrorSuccess)
        return error;
    return file.Close();
}

// A writer keeps its staging file open until it is renamed, sharing nothing but its deletion, so a
// staging file that can be opened without sharing was left by a process that died.
void RemoveDeadStagingFiles(const std::wstring& target) {
    const auto slash = target.find_last_of(L'\\');
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : target.substr(0, slash + 1);
    const std::string base = Utf16ToUtf8(windows::FromWide(target.substr(folder.size())));
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW((target + L".*.new").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!IsStagingOf(Utf16ToUtf8(windows::FromWide(found.cFileName)), base))
            continue;
        // Deleted as the handle closes.
        const Handle dead(::CreateFileW((folder + found.cFileName).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

// CreateFile for reading with FILE_SHARE_READ, as a reader opens a file, of a file on a disk of at
// most sizeLimit bytes; Size is its size.
ErrorCode OpenForReading(std::string_view path, std::uint64_t sizeLimit, std::optional<Handle>* file, DWORD* size) {
    file->emplace(::CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!(*file)->valid())
        return LastErrorOr(ErrorOpenFailed);
    // A pipe or a device would make the read wait for whoever writes to it.
    if (::GetFileType((*file)->get()) != FILE_TYPE_DISK)
        return ErrorInvalidFunction;
    DWORD high = 0;
    const DWORD low = ::GetFileSize((*file)->get(), &high);
    if (low == INVALID_FILE_SIZE && ::GetLastError() != ERROR_SUCCESS)
        return LastErrorOr(ErrorGenFailure);
    if (high != 0 || low > sizeLimit)
        return ErrorFileTooLarge;
    *size = low;
    return ErrorSuccess;
}

// Reads up to Size bytes; *done says how many there were (fewer when the file shrank meanwhile).
ErrorCode ReadAll(HANDLE file, std::uint8_t* into, DWORD size, DWORD* done) {
    *done = 0;
    while (*done < size) {
        DWORD read = 0;
        if (!::ReadFile(file, into + *done, size - *done, &read, nullptr))
            return LastErrorOr(ErrorGenFailure);
        if (read == 0)
            break;
        *done += read;
    }
    return ErrorSuccess;
}

// Creates a staging file beside Target that no other writer shares, writes Content to it and
// flushes it; *staging keeps it open, so no cleaner takes it for a dead writer's.
ErrorCode WriteStagingFile(const std::wstring& target, std::span<const std::uint8_t> content, std::wstring* fresh,
                           std::optional<Handle>* staging) {
    RemoveDeadStagingFiles(target);
    HANDLE created = INVALID_HANDLE_VALUE;
    do {
        const std::string suffix = StagingSuffix(::GetCurrentProcessId());
        *fresh = target + std::wstring(suffix.begin(), suffix.end());
        created = ::CreateFileW(fresh->c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    } while (created == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_FILE_EXISTS);
    if (created == INVALID_HANDLE_VALUE)
        return LastErrorOr(ErrorOpenFailed);
    staging->emplace(created);
    ErrorCode error = WriteAll(created, content);
    if (error == ErrorSuccess && !::FlushFileBuffers(created))
        error = LastErrorOr(ErrorGenFailure);
    if (error != ErrorSuccess) {
        (*staging)->Close();
        ::DeleteFileW(fresh->c_str());
    }
    return error;
}

// The error of a failed move of the staging file Fresh, which is removed.
ErrorCode FailedMove(const std::wstring& fresh) {
    const ErrorCode error = LastErrorOr(ErrorGenFailure);
    ::DeleteFileW(fresh.c_str());
    return error;
}

// Empties the open file and writes Bytes from its start, flushed.
ErrorCode Overwrite(HANDLE file, std::span<const std::uint8_t> bytes) {
    if (::SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER || !::SetEndOfFile(file))
        return LastErrorOr(ErrorGenFailure);
    if (const ErrorCode error = WriteAll(file, bytes); error != ErrorSuccess)
        return error;
    return ::FlushFileBuffers(file) ? ErrorSuccess : LastErrorOr(ErrorGenFailure);
}

// Writes Content over the file in place, holding its old bytes to put them back when the write
// fails; a failed write frees the room they need.
ErrorCode WriteInPlaceKeepingOld(const std::wstring& target, std::span<const std::uint8_t> content, bool* unchanged) {
    Handle file(::CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return LastErrorOr(ErrorOpenFailed);
    DWORD high = 0;
    const DWORD low = ::GetFileSize(file.get(), &high);
    if (low == INVALID_FILE_SIZE && ::GetLastError() != ERROR_SUCCESS)
        return LastErrorOr(ErrorGenFailure);
    if (high != 0)
        return ErrorFileTooLarge;
    std::vector<std::uint8_t> old(low);
    DWORD done = 0;
    if (const ErrorCode error = ReadAll(file.get(), old.data(), low, &done); error != ErrorSuccess)
        return error;
    old.resize(done);
    if (const ErrorCode error = Overwrite(file.get(), content); error != ErrorSuccess) {
        *unchanged = Overwrite(file.get(), old) == ErrorSuccess;
        return error;
    }
    return file.Close();
}

class WinFiles final : public IFiles {
public:
    ErrorCode GetFileStamp(std::string_view path, FileStamp* stamp) override {
        *stamp = {};
        // No access asked and all sharing given: a writer holding the file does not stop the look.
        const Handle file(::CreateFileW(WidePath(path).c_str(), 0,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!file.valid())
            return LastErrorOr(ErrorFileNotFound);
        BY_HANDLE_FILE_INFORMATION info{};
        if (!::GetFileInformationByHandle(file.get(), &info))
            return LastErrorOr(ErrorInvalidFunction);
        // The write time moves in ticks of the system clock; a replacing write also gives the name
        // another file, and so another index.
        *stamp = {(std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow,
                  static_cast<std::int64_t>((std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                            info.ftLastWriteTime.dwLowDateTime),
                  (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
        return ErrorSuccess;
    }

    ErrorCode GetFileAttributes(std::string_view path, std::uint32_t* attributes) override {
        const DWORD found = ::GetFileAttributesW(WidePath(path).c_str());
        *attributes = found;
        return found == INVALID_FILE_ATTRIBUTES ? LastErrorOr(ErrorFileNotFound) : ErrorSuccess;
    }

    ErrorCode ReadWholeFile(std::string_view path, std::vector<std::uint8_t>* content,
                            std::uint64_t sizeLimit) override {
        content->clear();
        std::optional<Handle> file;
        DWORD size = 0;
        if (const ErrorCode e = OpenForReading(path, sizeLimit, &file, &size); e != ErrorSuccess)
            return e;
        std::vector<std::uint8_t> bytes(size);
        DWORD done = 0;
        if (const ErrorCode e = ReadAll(file->get(), bytes.data(), size, &done); e != ErrorSuccess)
            return e;
        bytes.resize(done);
        *content = std::move(bytes);
        return ErrorSuccess;
    }

    // Always a copy: a mapped file could not be replaced while the bytes are held.
    ErrorCode ReadFileBytes(std::string_view path, FileReading, std::shared_ptr<const FileBytes>* bytes,
                            std::uint64_t sizeLimit) override {
        bytes->reset();
        std::optional<Handle> file;
        DWORD size = 0;
        if (const ErrorCode e = OpenForReading(path, sizeLimit, &file, &size); e != ErrorSuccess)
            return e;
        auto copy = std::make_shared<FileBytesCopy>(size);
        DWORD done = 0;
        if (const ErrorCode e = ReadAll(file->get(), copy->Data(), size, &done); e != ErrorSuccess)
            return e;
        copy->SetSize(done);
        *bytes = std::move(copy);
        return ErrorSuccess;
    }

    ErrorCode WriteWholeFile(std::string_view path, std::span<const std::uint8_t> content) override {
        return WriteNewFile(WidePath(path), content);
    }

    ErrorCode WriteFileReplacing(std::string_view path, std::span<const std::uint8_t> content) override {
        const std::wstring target = WidePath(path);
        std::wstring fresh;
        std::optional<Handle> staging;
        if (const ErrorCode error = WriteStagingFile(target, content, &fresh, &staging); error != ErrorSuccess)
            return error;
        const auto fail = [&](ErrorCode error) {
            staging->Close();
            ::DeleteFileW(fresh.c_str());
            return error;
        };
        if (::GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
            // Whoever has the file open without sharing its deletion keeps it from being replaced.
            const Handle probe(::CreateFileW(target.c_str(), DELETE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!probe.valid())
                return fail(LastErrorOr(ErrorSharingViolation));
        }
        // Renamed while still open, so no cleaner takes it for a dead writer's. The new file sits in
        // the same folder, so it inherits the permissions the old one had (ReplaceFileW would copy
        // them, but under Wine it leaves a file behind when it fails).
        if (!::MoveFileExW(fresh.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return fail(LastErrorOr(ErrorGenFailure));
        return staging->Close();
    }

    ErrorCode WriteMachineFile(std::string_view path, std::span<const std::uint8_t> content, bool* unchanged) override {
        bool ignored = true;
        bool& left = unchanged != nullptr ? *unchanged : ignored;
        left = true;
        const std::wstring target = WidePath(path);
        const DWORD attributes = ::GetFileAttributesW(target.c_str());
        const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
        if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
            return ErrorAccessDenied;
        // A device has no attributes under Wine, but opens.
        const Handle look(::CreateFileW(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (look.valid() && ::GetFileType(look.get()) != FILE_TYPE_DISK)
            return ErrorInvalidFunction;
        // Several names share the file's content, and a replaced name would leave the others.
        bool linked = false;
        if (exists) {
            BY_HANDLE_FILE_INFORMATION info{};
            if (!look.valid() || !::GetFileInformationByHandle(look.get(), &info))
                return LastErrorOr(ErrorOpenFailed);
            linked = info.nNumberOfLinks > 1;
        }
        // Whoever has the file open without sharing its deletion keeps it from being replaced; the
        // write in place then says so. Asked first, since Wine's ReplaceFileW leaves a file behind
        // when it fails.
        const bool replaceable =
            !exists ||
            Handle(::CreateFileW(target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
                .valid();
        if (!linked && replaceable) {
            std::wstring fresh;
            std::optional<Handle> staging;
            const ErrorCode error = WriteStagingFile(target, content, &fresh, &staging);
            // A folder that takes no new file may still hold a writable file.
            if (error != ErrorSuccess && !(exists && error == ErrorAccessDenied))
                return error;
            if (error == ErrorSuccess) {
                // Closed first: ReplaceFileW opens the new file itself.
                if (const ErrorCode closed = staging->Close(); closed != ErrorSuccess) {
                    ::DeleteFileW(fresh.c_str());
                    return closed;
                }
                if (!exists)
                    return ::MoveFileExW(fresh.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) ? ErrorSuccess
                                                                                                : FailedMove(fresh);
                // Keeps the old file's attributes, security and streams on the new content.
                if (::ReplaceFileW(target.c_str(), fresh.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                                   nullptr))
                    return ErrorSuccess;
                // A file locked against deletion, or denied to it, may still be written in place.
                ::DeleteFileW(fresh.c_str());
            }
        }
        return WriteInPlaceKeepingOld(target, content, &left);
    }

    ErrorCode DeleteFile(std::string_view path) override {
        return ::DeleteFileW(WidePath(path).c_str()) ? ErrorSuccess : LastErrorOr(ErrorGenFailure);
    }

    ErrorCode GetFullPathName(std::string_view path, std::string* fullPath) override {
        fullPath->clear();
        const std::wstring wide = WidePath(path);
        std::wstring full(MAX_PATH, L'\0');
        DWORD length = ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length >= full.size()) {
            full.resize(length);
            length = ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        }
        if (length == 0 || length >= full.size())
            return LastErrorOr(ErrorBadPathname);
        full.resize(length);
        *fullPath = Utf16ToUtf8(windows::FromWide(full));
        return ErrorSuccess;
    }

    ErrorCode GetLinkTarget(std::string_view path, std::string* target) override {
        target->clear();
        const Handle file(::CreateFileW(WidePath(path).c_str(), 0,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!file.valid())
            return LastErrorOr(ErrorFileNotFound);
        std::wstring finalPath(MAX_PATH, L'\0');
        DWORD length = ::GetFinalPathNameByHandleW(file.get(), finalPath.data(), static_cast<DWORD>(finalPath.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length >= finalPath.size()) {
            finalPath.resize(length);
            length = ::GetFinalPathNameByHandleW(file.get(), finalPath.data(), static_cast<DWORD>(finalPath.size()),
                                                 FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        }
        if (length == 0 || length >= finalPath.size())
            return LastErrorOr(ErrorGenFailure);
        finalPath.resize(length);
        // The answer carries the long-path prefix, which a user never types.
        if (finalPath.starts_with(L"\\\\?\\UNC\\"))
            finalPath = L"\\" + finalPath.substr(7);
        else if (finalPath.starts_with(L"\\\\?\\"))
            finalPath = finalPath.substr(4);
        *target = Utf16ToUtf8(windows::FromWide(finalPath));
        return ErrorSuccess;
    }

    ErrorCode CreateDirectoryTree(std::string_view path) override {
        const int result = ::SHCreateDirectoryExW(nullptr, WidePath(path).c_str(), nullptr);
        // The shell answers ERROR_FILE_EXISTS or ERROR_ALREADY_EXISTS for a name that is taken.
        return result == ERROR_FILE_EXISTS ? ErrorAlreadyExists : static_cast<ErrorCode>(result);
    }
};

} // namespace

IFiles& Files() {
    static WinFiles files;
    return files;
}

} // namespace prolamo::os
