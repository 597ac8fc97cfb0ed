#pragma once
// How this computer separates the folders of a path and the lines of a text: the layers above use
// these instead of a platform branch of their own.

#include <string_view>

namespace prolamo::os {

#ifdef _WIN32
// The separator the program puts between folders when it builds a path.
inline constexpr char PathDelimiter = '\\';
// What separates folders in a path the user chose (a drive letter's colon too).
inline constexpr std::string_view PathSeparators = "\\:";
// What ends a line of text the program shows or writes.
inline constexpr std::string_view LineBreak = "\r\n";
#else
inline constexpr char PathDelimiter = '/';
inline constexpr std::string_view PathSeparators = "/";
inline constexpr std::string_view LineBreak = "\n";
#endif

} // namespace prolamo::os
