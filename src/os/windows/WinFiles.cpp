// Whole-file operations through CreateFileW, ReadFile, WriteFile, ReplaceFileW and MoveFileExW.

#include "os/Files.h"
#include "os/windows/WinSupport.h"


#include <algorithm>
#include <atomic>

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

class WinFiles final : public IFiles {
public:
    ErrorCode GetFileAttributes(std::string_view path, std::uint32_t* attributes) override {
        const DWORD found = ::GetFileAttributesW(WidePath(path).c_str());
        *attributes = found;
        return found == INVALID_FILE_ATTRIBUTES ? LastErrorOr(ErrorFileNotFound) : ErrorSuccess;
    }

    ErrorCode ReadWholeFile(std::string_view path, std::vector<std::uint8_t>* content,
                            std::uint64_t sizeLimit) override {
        content->clear();
        Handle file(::CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid())
            return LastErrorOr(ErrorOpenFailed);
        // A pipe or a device would make the read wait for whoever writes to it.
        if (::GetFileType(file.get()) != FILE_TYPE_DISK)
            return ErrorInvalidFunction;
        DWORD high = 0;
        const DWORD low = ::GetFileSize(file.get(), &high);
        if (low == INVALID_FILE_SIZE && ::GetLastError() != ERROR_SUCCESS)
            return LastErrorOr(ErrorGenFailure);
        if (high != 0 || low > sizeLimit)
            return ErrorFileTooLarge;
        std::vector<std::uint8_t> bytes(low);
        DWORD total = 0;
        while (total < low) {
            DWORD read = 0;
            if (!::ReadFile(file.get(), bytes.data() + total, low - total, &read, nullptr))
                return LastErrorOr(ErrorGenFailure);
            if (read == 0)
                break; // the file shrank meanwhile
            total += read;
        }
        bytes.resize(total);
        *content = std::move(bytes);
        return ErrorSuccess;
    }

    ErrorCode WriteWholeFile(std::string_view path, std::span<const std::uint8_t> content) override {
        return WriteNewFile(WidePath(path), content);
    }

    ErrorCode WriteFileReplacing(std::string_view path, std::span<const std::uint8_t> content) override {
        static std::atomic<unsigned> counter{0};
        const std::wstring target = WidePath(path);
        const std::wstring fresh = target + L".~" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                   std::to_wstring(counter.fetch_add(1));
        if (const ErrorCode error = WriteNewFile(fresh, content); error != ErrorSuccess) {
            ::DeleteFileW(fresh.c_str());
            return error;
        }
        ErrorCode error = ErrorSuccess;
        if (::GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
            // Whoever has the file open without sharing its deletion keeps it from being replaced.
            const Handle probe(::CreateFileW(target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!probe.valid())
                error = LastErrorOr(ErrorSharingViolation);
        }
        // The new file sits in the same folder, so it inherits the permissions the old one had
        // (ReplaceFileW would copy them, but under Wine it leaves a file behind when it fails).
        if (error == ErrorSuccess &&
            !::MoveFileExW(fresh.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            error = LastErrorOr(ErrorGenFailure);
        if (error != ErrorSuccess)
            ::DeleteFileW(fresh.c_str());
        return error;
    }

    ErrorCode DeleteFile(std::string_view path) override {
        return ::DeleteFileW(WidePath(path).c_str()) ? ErrorSuccess : LastErrorOr(ErrorGenFailure);
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
