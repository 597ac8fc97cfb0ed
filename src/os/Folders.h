#pragma once
// Well-known folders and temporary files (GetSystemDirectoryW, GetTempPathW, GetTempFileNameW,
// SHGetFolderPathW).

#include "os/Errors.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace prolamo::os {

inline constexpr std::uint32_t MaxPath = 260;

// Shell special folders (CSIDL values).
inline constexpr int CsidlPersonal = 0x0005;
inline constexpr int CsidlAppData = 0x001A;
inline constexpr int CsidlLocalAppData = 0x001C;
inline constexpr int CsidlWindows = 0x0024;
inline constexpr int CsidlSystem = 0x0025;
inline constexpr int CsidlProfile = 0x0028;
inline constexpr int CsidlFlagCreate = 0x8000;

class IFolders {
public:
    virtual ~IFolders() = default;

    // GetSystemDirectoryW into a buffer of `size` characters. On success *length is the path's
    // length without the zero; when the buffer is too small: ErrorInsufficientBuffer and *length
    // is the size needed including the zero (where Windows returns that size instead).
    virtual ErrorCode GetSystemDirectory(char16_t* buffer, std::uint32_t size, std::uint32_t* length) = 0;
    // GetTempPathW, same buffer rules; the path ends with a separator.
    virtual ErrorCode GetTempPath(char16_t* buffer, std::uint32_t size, std::uint32_t* length) = 0;
    // GetTempFileNameW: prefix (its first three characters), a hexadecimal number and ".tmp" in
    // `pathName`. With unique 0 the number is chosen and the file created empty and exclusively;
    // otherwise the name is only formed from the low 16 bits of `unique`.
    virtual ErrorCode GetTempFileName(std::u16string_view pathName, std::u16string_view prefix, std::uint32_t unique,
                                      std::u16string* tempFileName) = 0;
    // SHGetFolderPathW with no window and the current user's token. `path` holds MaxPath characters.
    // Returns an HRESULT: SOk, or EInvalidArg for a folder this workstation does not have.
    virtual HResult SHGetFolderPath(int csidl, std::uint32_t flags, char16_t* path) = 0;
};

IFolders& Folders();

} // namespace prolamo::os
