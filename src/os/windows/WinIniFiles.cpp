// Initialization files through the private-profile calls of kernel32.

#include "os/IniFiles.h"
#include "os/windows/WinSupport.h"

namespace prolamo::os {

namespace {

using windows::FromWide;
using windows::LastErrorOr;
using windows::Wide;
using windows::WidePath;
using windows::WidePointer;

std::u16string_view Trimmed(std::u16string_view text) {
    const auto first = text.find_first_not_of(u" \t");
    if (first == std::u16string_view::npos)
        return {};
    const auto last = text.find_last_not_of(u" \t");
    return text.substr(first, last - first + 1);
}

// The private-profile calls give no code for a missing file; the file's attributes do.
ErrorCode MissingFileError(const std::wstring& file) {
    return ::GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES ? LastErrorOr(ErrorFileNotFound)
                                                                         : ErrorSuccess;
}

class WinIniFiles final : public IIniFiles {
public:
    ErrorCode GetPrivateProfileSection(std::u16string_view section, std::string_view fileName,
                                       std::vector<std::u16string>* lines) override {
        const std::wstring file = WidePath(fileName);
        const std::wstring name = Wide(section);
        lines->clear();
        if (const ErrorCode missing = MissingFileError(file); missing != ErrorSuccess)
            return missing;
        std::wstring buffer(4096, L'\0');
        DWORD copied = 0;
        for (;;) {
            copied = ::GetPrivateProfileSectionW(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                                 file.c_str());
            // A full buffer is reported as its size less two.
            if (copied + 2 < buffer.size())
                break;
            buffer.resize(buffer.size() * 2);
        }
        std::wstring_view rest(buffer.data(), copied);
        while (!rest.empty()) {
            const auto end = rest.find(L'\0');
            const std::u16string line = FromWide(rest.substr(0, end));
            rest = end == std::wstring_view::npos ? std::wstring_view{} : rest.substr(end + 1);
            const auto equals = line.find(u'=');
            if (equals == std::u16string::npos || Trimmed(line).starts_with(u';'))
                continue;
            const std::u16string_view view(line);
            lines->push_back(std::u16string(Trimmed(view.substr(0, equals))) + u"=" +
                             std::u16string(Trimmed(view.substr(equals + 1))));
        }
        return ErrorSuccess;
    }

    ErrorCode GetPrivateProfileString(std::u16string_view section, std::u16string_view key,
                                      std::u16string_view defaultValue, std::u16string* value,
                                      std::string_view fileName) override {
        const std::wstring file = WidePath(fileName);
        const std::wstring sectionName = Wide(section), keyName = Wide(key);
        // Asked twice with two different defaults, a present key gives the same answer both times.
        const std::wstring first = Read(sectionName, keyName, L"\x1", file);
        if (first != L"\x1") {
            *value = FromWide(first);
            return ErrorSuccess;
        }
        if (Read(sectionName, keyName, L"\x2", file) == L"\x1") {
            *value = u"\x1";
            return ErrorSuccess;
        }
        *value = std::u16string(defaultValue);
        return ErrorFileNotFound;
    }

    ErrorCode WritePrivateProfileString(const char16_t* appName, const char16_t* keyName, const char16_t* value,
                                        std::string_view fileName) override {
        return ::WritePrivateProfileStringW(WidePointer(appName), WidePointer(keyName), WidePointer(value),
                                            WidePath(fileName).c_str())
                   ? ErrorSuccess
                   : LastErrorOr(ErrorGenFailure);
    }

private:
    static std::wstring Read(const std::wstring& section, const std::wstring& key, const wchar_t* defaultValue,
                             const std::wstring& file) {
        std::wstring buffer(1024, L'\0');
        for (;;) {
            const DWORD copied = ::GetPrivateProfileStringW(section.c_str(), key.c_str(), defaultValue, buffer.data(),
                                                            static_cast<DWORD>(buffer.size()), file.c_str());
            // A value cut to fit is reported as the buffer's size less one.
            if (copied + 1 < buffer.size()) {
                buffer.resize(copied);
                return buffer;
            }
            buffer.resize(buffer.size() * 2);
        }
    }
};

} // namespace

IIniFiles& IniFiles() {
    static WinIniFiles iniFiles;
    return iniFiles;
}

} // namespace prolamo::os
