#pragma once
// What the Windows backend's files share: <windows.h> and the conversions at its boundary.
// This layer's UTF-16 strings are char16_t; Windows' are wchar_t, also 16 bits wide here.

#include "os/Errors.h"
#include "os/Text.h"

#include <windows.h>

#include <shlobj.h>
#include <winver.h>

// The interfaces name their calls as Windows does; these macros would rename the overriding
// members, and this backend calls the ...W functions by their own names anyway.
#undef CreateProcess
#undef DeleteFile
#undef GetEnvironmentVariable
#undef GetFileAttributes
#undef GetFullPathName
#undef GetFileVersionInfo
#undef GetFileVersionInfoSize
#undef GetPrivateProfileSection
#undef GetPrivateProfileString
#undef GetSystemDirectory
#undef GetTempFileName
#undef GetTempPath
#undef LookupPrivilegeValue
#undef SendNotifyMessage
#undef SetEnvironmentVariable
#undef SHGetFolderPath
#undef VerQueryValue
#undef WritePrivateProfileString

#include <cstdint>
#include <string>
#include <string_view>

namespace prolamo::os::windows {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline std::wstring Wide(std::u16string_view text) {
    return {text.begin(), text.end()};
}

inline const wchar_t* WidePointer(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}

inline std::u16string FromWide(std::wstring_view text) {
    return {text.begin(), text.end()};
}

// A UTF-8 path of this layer as Windows takes it, with '/' turned into '\'.
inline std::wstring WidePath(std::string_view path) {
    std::wstring wide = Wide(Utf8ToUtf16(path));
    for (wchar_t& c : wide)
        if (c == L'/')
            c = L'\\';
    return wide;
}

// A DWORD to hand to Windows in place of an optional std::uint32_t: it starts with the caller's
// value and gives back what Windows left in it.
class DwordArgument {
public:
    explicit DwordArgument(std::uint32_t* target) : target_(target), value_(target ? *target : 0) {}
    ~DwordArgument() {
        if (target_)
            *target_ = value_;
    }
    DwordArgument(const DwordArgument&) = delete;
    DwordArgument& operator=(const DwordArgument&) = delete;
    DWORD* get() { return target_ ? &value_ : nullptr; }

private:
    std::uint32_t* target_;
    DWORD value_;
};

inline ErrorCode LastErrorOr(ErrorCode fallback) {
    const DWORD error = ::GetLastError();
    return error != ERROR_SUCCESS ? error : fallback;
}

} // namespace prolamo::os::windows
