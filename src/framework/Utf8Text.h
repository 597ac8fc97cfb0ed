#pragma once
// Checks of UTF-8 text taken from outside: the command line, the data file.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace prolamo {

// Well-formed UTF-8: no stray or missing continuation bytes, no overlong forms, no surrogates, nothing
// above U+10FFFF.
inline bool IsValidUtf8(std::string_view text) {
    const auto* s = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        const std::uint8_t c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t extra;
        std::uint8_t low = 0x80, high = 0xBF; // the range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            low = c == 0xE0 ? 0xA0 : 0x80;
            high = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (size - i <= extra || s[i + 1] < low || s[i + 1] > high)
            return false;
        for (std::size_t k = 2; k <= extra; ++k)
            if ((s[i + k] & 0xC0) != 0x80)
                return false;
        i += extra + 1;
    }
    return true;
}

// The C0 controls, DEL and, in UTF-8, the C1 controls (U+0080 to U+009F).
inline bool IsControlAt(std::string_view text, std::size_t i) {
    const auto c = static_cast<std::uint8_t>(text[i]);
    return c < 0x20 || c == 0x7F ||
           (c == 0xC2 && i + 1 < text.size() && static_cast<std::uint8_t>(text[i + 1]) <= 0x9F &&
            static_cast<std::uint8_t>(text[i + 1]) >= 0x80);
}

inline bool HasControlCharacter(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (IsControlAt(text, i))
            return true;
    return false;
}

} // namespace prolamo
