#pragma once
// The VS_VERSIONINFO record in its binary form: built for the program's own executable, parsed by
// VerQueryValue where the operating system does not do it.

#include "os/Errors.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace prolamo::os {

inline constexpr std::uint32_t FixedFileInfoSignature = 0xFEEF04BD;

// VS_FIXEDFILEINFO: 13 words in this order.
struct FixedFileInfo {
    std::uint32_t signature = FixedFileInfoSignature;
    std::uint32_t strucVersion = 0x00010000;
    std::uint32_t fileVersionMs = 0;
    std::uint32_t fileVersionLs = 0;
    std::uint32_t productVersionMs = 0;
    std::uint32_t productVersionLs = 0;
    std::uint32_t fileFlagsMask = 0x3F;
    std::uint32_t fileFlags = 0;
    std::uint32_t fileOs = 0x00040004; // VOS_NT_WINDOWS32
    std::uint32_t fileType = 1;        // VFT_APP
    std::uint32_t fileSubtype = 0;
    std::uint32_t fileDateMs = 0;
    std::uint32_t fileDateLs = 0;

    std::array<std::uint32_t, 13> Words() const;
};

struct VersionStringTable {
    std::u16string name; // eight hexadecimal digits: language, then code page ("040904B0")
    std::vector<std::pair<std::u16string, std::u16string>> strings;
};

struct VersionRecordContent {
    FixedFileInfo fixed;
    std::vector<VersionStringTable> stringTables;
    // Entries of \VarFileInfo\Translation as stored: language in the low half, code page in the high.
    std::vector<std::uint32_t> translations;
};

std::vector<std::uint8_t> BuildVersionRecord(const VersionRecordContent& content);

// Where a well-formed record starts in `bytes`, and its length.
std::optional<std::pair<std::size_t, std::size_t>> FindVersionRecord(std::span<const std::uint8_t> bytes);

// VerQueryValue over a record of which `block` is the start (its length is in its header).
ErrorCode QueryVersionValue(const void* block, std::u16string_view subBlock, const void** buffer,
                            std::uint32_t* length);

} // namespace prolamo::os
