#pragma once
// Initialization files through the private-profile calls (GetPrivateProfileSectionW,
// GetPrivateProfileStringW, WritePrivateProfileStringW). Section and key names compare without
// regard to case; every line the call does not touch stays as it was, comments included.

#include "os/Errors.h"

#include <string>
#include <string_view>
#include <vector>

namespace prolamo::os {

class IIniFiles {
public:
    virtual ~IIniFiles() = default;

    // GetPrivateProfileSectionW: every "key=value" line of the section, in file order, key and
    // value trimmed of blanks. A missing file gives ErrorFileNotFound; a missing section no lines.
    virtual ErrorCode GetPrivateProfileSection(std::u16string_view section, std::string_view fileName,
                                               std::vector<std::u16string>* lines) = 0;
    // GetPrivateProfileStringW for one key: its value, or `defaultValue` when the file, the section
    // or the key is missing (then also ErrorFileNotFound). Quotes around the whole value are removed.
    virtual ErrorCode GetPrivateProfileString(std::u16string_view section, std::u16string_view key,
                                              std::u16string_view defaultValue, std::u16string* value,
                                              std::string_view fileName) = 0;
    // WritePrivateProfileStringW: a null keyName erases the whole section, a null value the key.
    // Otherwise the key's line is replaced, or added at the end of its section (the section at the
    // end of the file). A missing file is created; a missing folder is not (ErrorPathNotFound).
    virtual ErrorCode WritePrivateProfileString(const char16_t* appName, const char16_t* keyName, const char16_t* value,
                                                std::string_view fileName) = 0;
};

IIniFiles& IniFiles();

} // namespace prolamo::os
