// Text services of the system: UTF-8 and the ANSI code page through MultiByteToWideChar and
// WideCharToMultiByte, the user's collation through CompareStringEx, the tick count, the local time
// through the C runtime.

#include "os/Text.h"
#include "os/windows/WinSupport.h"

namespace prolamo::os {

std::u16string Utf8ToUtf16(std::string_view text) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int units = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), units);
    return windows::FromWide(wide);
}

std::string Utf16ToUtf8(std::u16string_view text) {
    if (text.empty())
        return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int size = static_cast<int>(text.size());
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, wide, size, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide, size, result.data(), bytes, nullptr, nullptr);
    return result;
}

std::string Utf8ToAnsi(std::string_view text) {
    const std::wstring wide = windows::Wide(Utf8ToUtf16(text));
    if (wide.empty())
        return {};
    const int size = static_cast<int>(wide.size());
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.data(), size, result.data(), bytes, nullptr, nullptr);
    return result;
}

std::string AnsiToUtf8(std::string_view text) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int units = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), units);
    return Utf16ToUtf8(windows::FromWide(wide));
}

int CompareLocale(std::string_view a, std::string_view b, bool ignoreCase) {
    const std::wstring wa = windows::Wide(Utf8ToUtf16(a)), wb = windows::Wide(Utf8ToUtf16(b));
    const int result =
        ::CompareStringEx(LOCALE_NAME_USER_DEFAULT, ignoreCase ? NORM_IGNORECASE : 0, wa.data(),
                          static_cast<int>(wa.size()), wb.data(), static_cast<int>(wb.size()), nullptr, nullptr, 0);
    if (result == 0) { // not comparable by the locale: fall back to code units
        const int c = wa.compare(wb);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    return result - CSTR_EQUAL;
}

std::uint32_t GetTickCount() {
    return ::GetTickCount();
}

bool LocalTime(std::time_t when, std::tm* local) {
    _tzset();
    return localtime_s(local, &when) == 0;
}

} // namespace prolamo::os
