// The private-profile calls over this computer's files. A file is ANSI (here UTF-8) or UTF-16LE
// with its byte-order mark, as Windows reads them; it is rewritten in its own encoding, and lines
// that a call does not change are written back byte for byte.

#include "os/Files.h"
#include "os/IniFiles.h"
#include "os/Text.h"
#include "os/simulated/RegistryStore.h"

#include <optional>

namespace prolamo::os {

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Line {
    Bytes raw; // without its line break, in the file's encoding
    Bytes eol;
};

class IniFile {
public:
    // A missing file reads as empty with *exists false.
    ErrorCode Load(std::string_view fileName, bool* exists) {
        Bytes bytes;
        *exists = false;
        if (const ErrorCode e = Files().ReadWholeFile(fileName, &bytes); e != ErrorSuccess)
            return e == ErrorFileNotFound || e == ErrorPathNotFound ? ErrorSuccess : e;
        *exists = true;
        std::size_t start = 0;
        if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
            utf16_ = true;
            start = 2;
        } else if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
            start = 3;
        }
        bom_.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(start));
        const std::size_t unit = utf16_ ? 2 : 1;
        auto at = [&](std::size_t i) -> char16_t {
            return utf16_ ? static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)) : static_cast<char16_t>(bytes[i]);
        };
        Line line;
        for (std::size_t i = start; i + unit <= bytes.size();) {
            const char16_t c = at(i);
            if (c == u'\r' || c == u'\n') {
                line.eol.assign(bytes.begin() + static_cast<std::ptrdiff_t>(i),
                                bytes.begin() + static_cast<std::ptrdiff_t>(i + unit));
                i += unit;
                if (c == u'\r' && i + unit <= bytes.size() && at(i) == u'\n') {
                    line.eol.insert(line.eol.end(), bytes.begin() + static_cast<std::ptrdiff_t>(i),
                                    bytes.begin() + static_cast<std::ptrdiff_t>(i + unit));
                    i += unit;
                }
                lines_.push_back(std::move(line));
                line = Line();
                continue;
            }
            line.raw.insert(line.raw.end(), bytes.begin() + static_cast<std::ptrdiff_t>(i),
                            bytes.begin() + static_cast<std::ptrdiff_t>(i + unit));
            i += unit;
        }
        if (!line.raw.empty())
            lines_.push_back(std::move(line));
        return ErrorSuccess;
    }

    ErrorCode Save(std::string_view fileName) const {
        Bytes bytes = bom_;
        for (const Line& line : lines_) {
            bytes.insert(bytes.end(), line.raw.begin(), line.raw.end());
            bytes.insert(bytes.end(), line.eol.begin(), line.eol.end());
        }
        return Files().WriteMachineFile(fileName, bytes, nullptr);
    }

    std::u16string Text(std::size_t index) const {
        const Bytes& raw = lines_[index].raw;
        if (!utf16_)
            return Utf8ToUtf16(std::string(raw.begin(), raw.end()));
        std::u16string text;
        for (std::size_t i = 0; i + 1 < raw.size(); i += 2)
            text.push_back(static_cast<char16_t>(raw[i] | (raw[i + 1] << 8)));
        return text;
    }

    Line MakeLine(std::u16string_view text) const {
        Line line;
        if (utf16_) {
            for (char16_t c : text) {
                line.raw.push_back(static_cast<std::uint8_t>(c & 0xFF));
                line.raw.push_back(static_cast<std::uint8_t>(c >> 8));
            }
            line.eol = {'\r', 0, '\n', 0};
        } else {
            const std::string utf8 = Utf16ToUtf8(text);
            line.raw.assign(utf8.begin(), utf8.end());
            line.eol = {'\r', '\n'};
        }
        return line;
    }

    std::size_t Count() const { return lines_.size(); }
    std::vector<Line>& Lines() { return lines_; }

    // The section's header line and the end of its lines (the next header or the end of the file).
    bool FindSection(std::u16string_view name, std::size_t* header, std::size_t* end) const {
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            std::u16string section;
            if (!SectionName(Text(i), &section) || !simulated::store::SameName(section, name))
                continue;
            *header = i;
            *end = i + 1;
            for (std::u16string next; *end < lines_.size() && !SectionName(Text(*end), &next);)
                ++*end;
            return true;
        }
        return false;
    }

    static bool SectionName(std::u16string_view line, std::u16string* name) {
        line = Trim(line);
        if (line.empty() || line.front() != u'[')
            return false;
        const std::size_t close = line.find(u']');
        *name = std::u16string(Trim(line.substr(1, close == std::u16string_view::npos ? line.npos : close - 1)));
        return true;
    }

    // Key and value of a "key=value" line; comments and lines without "=" are none.
    static bool KeyValue(std::u16string_view line, std::u16string* key, std::u16string* value) {
        const std::u16string_view trimmed = Trim(line);
        if (trimmed.empty() || trimmed.front() == u';')
            return false;
        const std::size_t eq = trimmed.find(u'=');
        if (eq == std::u16string_view::npos)
            return false;
        *key = std::u16string(Trim(trimmed.substr(0, eq)));
        *value = std::u16string(Trim(trimmed.substr(eq + 1)));
        return !key->empty();
    }

    static std::u16string_view Trim(std::u16string_view text) {
        while (!text.empty() && (text.front() == u' ' || text.front() == u'\t'))
            text.remove_prefix(1);
        while (!text.empty() && (text.back() == u' ' || text.back() == u'\t'))
            text.remove_suffix(1);
        return text;
    }

private:
    bool utf16_ = false;
    Bytes bom_;
    std::vector<Line> lines_;
};

class SimIniFiles final : public IIniFiles {
public:
    ErrorCode GetPrivateProfileSection(std::u16string_view section, std::string_view fileName,
                                       std::vector<std::u16string>* lines) override {
        if (lines == nullptr)
            return ErrorInvalidParameter;
        lines->clear();
        IniFile file;
        bool exists = false;
        if (const ErrorCode e = file.Load(fileName, &exists); e != ErrorSuccess)
            return e;
        if (!exists)
            return ErrorFileNotFound;
        std::size_t header = 0, end = 0;
        if (!file.FindSection(section, &header, &end))
            return ErrorSuccess;
        for (std::size_t i = header + 1; i < end; ++i) {
            std::u16string key, value;
            if (IniFile::KeyValue(file.Text(i), &key, &value))
                lines->push_back(key + u'=' + value);
        }
        return ErrorSuccess;
    }

    ErrorCode GetPrivateProfileString(std::u16string_view section, std::u16string_view key,
                                      std::u16string_view defaultValue, std::u16string* value,
                                      std::string_view fileName) override {
        if (value == nullptr)
            return ErrorInvalidParameter;
        value->assign(defaultValue);
        IniFile file;
        bool exists = false;
        if (const ErrorCode e = file.Load(fileName, &exists); e != ErrorSuccess)
            return e;
        std::size_t header = 0, end = 0;
        if (!exists || !file.FindSection(section, &header, &end))
            return ErrorFileNotFound;
        for (std::size_t i = header + 1; i < end; ++i) {
            std::u16string k, v;
            if (!IniFile::KeyValue(file.Text(i), &k, &v) || !simulated::store::SameName(k, key))
                continue;
            if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
                v = v.substr(1, v.size() - 2);
            *value = std::move(v);
            return ErrorSuccess;
        }
        return ErrorFileNotFound;
    }

    ErrorCode WritePrivateProfileString(const char16_t* appName, const char16_t* keyName, const char16_t* value,
                                        std::string_view fileName) override {
        if (appName == nullptr)
            return ErrorInvalidParameter;
        IniFile file;
        bool exists = false;
        if (const ErrorCode e = file.Load(fileName, &exists); e != ErrorSuccess)
            return e;
        auto& lines = file.Lines();
        std::size_t header = 0, end = 0;
        const bool found = file.FindSection(appName, &header, &end);
        if (keyName == nullptr) {
            if (!found)
                return ErrorSuccess;
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(header),
                        lines.begin() + static_cast<std::ptrdiff_t>(end));
            return file.Save(fileName);
        }
        const std::u16string_view key(keyName);
        std::optional<std::size_t> existing;
        std::size_t lastEntry = header;
        if (found) {
            for (std::size_t i = header + 1; i < end; ++i) {
                const std::u16string text = file.Text(i);
                if (!IniFile::Trim(text).empty())
                    lastEntry = i;
                std::u16string k, v;
                if (!existing && IniFile::KeyValue(text, &k, &v) && simulated::store::SameName(k, key))
                    existing = i;
            }
        }
        if (value == nullptr) {
            if (!existing)
                return ErrorSuccess;
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(*existing));
            return file.Save(fileName);
        }
        const std::u16string entry = std::u16string(key) + u'=' + value;
        if (existing) {
            Line replaced = file.MakeLine(entry);
            replaced.eol = lines[*existing].eol.empty() ? replaced.eol : lines[*existing].eol;
            lines[*existing] = std::move(replaced);
        } else if (found) {
            if (lines[lastEntry].eol.empty())
                lines[lastEntry].eol = file.MakeLine(u"").eol;
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastEntry + 1), file.MakeLine(entry));
        } else {
            if (!lines.empty() && lines.back().eol.empty())
                lines.back().eol = file.MakeLine(u"").eol;
            if (!lines.empty() && !IniFile::Trim(file.Text(lines.size() - 1)).empty())
                lines.push_back(file.MakeLine(u""));
            lines.push_back(file.MakeLine(u"[" + std::u16string(appName) + u"]"));
            lines.push_back(file.MakeLine(entry));
        }
        return file.Save(fileName);
    }
};

} // namespace

IIniFiles& IniFiles() {
    static SimIniFiles files;
    return files;
}

} // namespace prolamo::os
