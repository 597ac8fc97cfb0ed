// System, temporary and shell folders (GetSystemDirectoryW, GetTempPathW, GetTempFileNameW,
// SHGetFolderPathW).

#include "os/Folders.h"
#include "os/windows/WinSupport.h"

namespace prolamo::os {

namespace {

using windows::FromWide;
using windows::LastErrorOr;
using windows::Wide;

// Both calls return the length without the zero, or the size needed with it when the buffer is
// too small, or 0 on failure.
ErrorCode FromPathCall(UINT result, std::uint32_t size, std::uint32_t* length) {
    if (result == 0)
        return LastErrorOr(ErrorGenFailure);
    *length = result;
    return result >= size ? ErrorInsufficientBuffer : ErrorSuccess;
}

class WinFolders final : public IFolders {
public:
    ErrorCode GetSystemDirectory(char16_t* buffer, std::uint32_t size, std::uint32_t* length) override {
        return FromPathCall(::GetSystemDirectoryW(reinterpret_cast<wchar_t*>(buffer), size), size, length);
    }

    ErrorCode GetTempPath(char16_t* buffer, std::uint32_t size, std::uint32_t* length) override {
        return FromPathCall(::GetTempPathW(size, reinterpret_cast<wchar_t*>(buffer)), size, length);
    }

    ErrorCode GetTempFileName(std::u16string_view pathName, std::u16string_view prefix, std::uint32_t unique,
                              std::u16string* tempFileName) override {
        wchar_t name[MAX_PATH] = {};
        if (::GetTempFileNameW(Wide(pathName).c_str(), Wide(prefix).c_str(), unique, name) == 0)
            return LastErrorOr(ErrorGenFailure);
        *tempFileName = FromWide(name);
        return ErrorSuccess;
    }

    HResult SHGetFolderPath(int csidl, std::uint32_t flags, char16_t* path) override {
        return static_cast<HResult>(
            ::SHGetFolderPathW(nullptr, csidl, nullptr, flags, reinterpret_cast<wchar_t*>(path)));
    }
};

} // namespace

IFolders& Folders() {
    static WinFolders folders;
    return folders;
}

} // namespace prolamo::os
