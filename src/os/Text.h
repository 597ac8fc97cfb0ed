#pragma once
// Text services: UTF-8 / UTF-16 and code page conversion, the user's locale comparison, the tick count
// and the local time.

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace prolamo::os {

// Ill-formed input is replaced by U+FFFD, as MultiByteToWideChar does without MB_ERR_INVALID_CHARS.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// The single-byte text other programs read and write (a script for the network shell, what it
// prints): the system's ANSI code page on Windows, UTF-8 on the simulated workstation.
std::string Utf8ToAnsi(std::string_view text);
std::string AnsiToUtf8(std::string_view text);

// Compares by the collation of the user's locale, like CompareString(LOCALE_USER_DEFAULT):
// letter case counts unless ignoreCase is set. Returns -1, 0 or 1.
int CompareLocale(std::string_view a, std::string_view b, bool ignoreCase);

// Milliseconds since the machine started, wrapping after 49.7 days like GetTickCount.
std::uint32_t GetTickCount();

// The moment in the computer's time zone, read again at each call: the user may have changed it
// since the last one. False when the moment cannot be converted.
bool LocalTime(std::time_t when, std::tm* local);

} // namespace prolamo::os
