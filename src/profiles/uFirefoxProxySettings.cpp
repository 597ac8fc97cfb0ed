#include "uFirefoxProxySettings.h"

#include "classes/uHelpers.h"
#include "os/Errors.h"
#include "os/Files.h"
#include "os/IniFiles.h"
#include "os/Text.h"

#include <algorithm>
#include <cctype>

namespace prolamo {

namespace {

constexpr std::string_view kPrefStart = "user_pref(\"";
constexpr std::string_view kPrefEnd = ");";
constexpr std::string_view kSeparator = "\", ";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool FileExists(const std::string& path) {
    std::uint32_t attributes = os::InvalidFileAttributes;
    return os::Files().GetFileAttributes(path, &attributes) == os::ErrorSuccess &&
           (attributes & os::FileAttributeDirectory) == 0;
}

std::string IniString(const std::string& file, const char16_t* section, const char16_t* key) {
    std::u16string value;
    os::IniFiles().GetPrivateProfileString(section, key, u"", &value, file);
    return os::Utf16ToUtf8(value);
}

// Decimal, or hexadecimal after "$" or "0x"; anything else is no number.
bool ParseInteger(const std::string& text, long long& number) {
    std::size_t i = 0;
    const bool negative = i < text.size() && (text[i] == '-' || text[i] == '+') && text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return false;
    long long value = 0;
    for (; i < text.size(); ++i) {
        const int c = std::tolower(static_cast<unsigned char>(text[i]));
        const int digit = std::isdigit(c) ? c - '0' : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0 || value > (1LL << 40))
            return false;
        value = value * base + digit;
    }
    number = negative ? -value : value;
    return true;
}

// The value text of Name in name=value lines, looked up without regard to case.
std::string ValueOf(const TStrings& lines, const std::string& name) {
    return lines.Value(name);
}

} // namespace

std::string GetFirefoxPrefsFileName() {
    const std::string list = TOsHelper::GetAppDataFolder() + "\\Mozilla\\Firefox\\profiles.ini";
    if (!FileExists(list))
        throw TFirefoxProfileNotFoundException();
    std::string path = IniString(list, u"Profile0", u"Path");
    if (path.empty())
        throw TFirefoxProfileNotFoundException(); // not the root folder's prefs.js
    long long relative = 0;
    if (ParseInteger(IniString(list, u"Profile0", u"IsRelative"), relative) && relative != 0)
        path = list.substr(0, list.find_last_of('\\') + 1) + path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path + "\\prefs.js";
}

bool IsStringLiteralBody(std::string_view body) {
    for (std::size_t i = 0; i < body.size(); ++i) {
        const auto c = static_cast<unsigned char>(body[i]);
        if (c < 0x20 || c == 0x7F || c == '"')
            return false;
        // U+2028 and U+2029 end a line in JavaScript too.
        if (body.substr(i, 3) == "\xE2\x80\xA8" || body.substr(i, 3) == "\xE2\x80\xA9")
            return false;
        if (c == '\\') {
            if (++i >= body.size() || static_cast<unsigned char>(body[i]) < 0x20)
                return false; // an escape needs its character, and cannot continue the line
        }
    }
    return true;
}

bool IsPrefValueLiteral(std::string_view text) {
    if (text == "true" || text == "false")
        return true;
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return IsStringLiteralBody(text.substr(1, text.size() - 2));
    const std::size_t digits = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    return text.size() > digits && std::all_of(text.begin() + static_cast<std::ptrdiff_t>(digits), text.end(),
                                               [](char c) { return c >= '0' && c <= '9'; });
}

// ---- TPrefs ----

void TPrefs::Load() {
    try {
        if (!FileExists(GetFirefoxPrefsFileName()))
            throw TFirefoxProfileNotFoundException();
        std::vector<std::uint8_t> bytes;
        if (const os::ErrorCode e = os::Files().ReadWholeFile(GetFirefoxPrefsFileName(), &bytes); e != os::ErrorSuccess)
            throw EInOutError(static_cast<int>(e));
        std::string text(bytes.begin(), bytes.end());
        byteOrderMark_ = text.starts_with(kByteOrderMark);
        if (byteOrderMark_)
            text.erase(0, kByteOrderMark.size());
        TStrings split;
        split.SetText(text);
        lines_ = split.Lines();
    } catch (const TFirefoxProfileNotFoundException&) {
        lines_.clear();
    }
}

void TPrefs::Save() const {
    const std::string path = GetFirefoxPrefsFileName();
    std::string text(byteOrderMark_ ? kByteOrderMark : std::string_view());
    for (const std::string& line : lines_)
        text += line + "\r\n";
    if (const os::ErrorCode e = os::Files().WriteMachineFile(
            path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), nullptr);
        e != os::ErrorSuccess) {
        std::string reason = os::SystemErrorText(e);
        while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n'))
            reason.pop_back();
        throw EFCreateError(
            static_cast<int>(e),
            Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Cannot create file \"%1\". %2"), {path, reason}));
    }
}

bool TPrefs::ParsePrefLine(const std::string& line, std::string& name, std::string& valueText) {
    if (line.size() < kPrefStart.size() + kPrefEnd.size())
        return false;
    for (std::size_t i = 0; i < kPrefStart.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(line[i])) != kPrefStart[i])
            return false;
    if (line.compare(line.size() - kPrefEnd.size(), kPrefEnd.size(), kPrefEnd) != 0)
        return false;
    const std::string inner = line.substr(kPrefStart.size(), line.size() - kPrefStart.size() - kPrefEnd.size());
    const std::size_t separator = inner.find(kSeparator);
    if (separator == std::string::npos)
        return false;
    name = inner.substr(0, separator);
    valueText = inner.substr(separator + kSeparator.size());
    return true;
}

void TPrefs::GetPrefs(const std::string& prefix, TStrings& dest, std::vector<std::string>* leftOut) const {
    dest.Clear();
    std::string name, valueText;
    for (const std::string& line : lines_) {
        if (!ParsePrefLine(line, name, valueText) || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        if (name.find('=') == std::string::npos)
            dest.Add(name + "=" + valueText);
        else if (leftOut != nullptr)
            leftOut->push_back(name);
    }
}

bool TPrefs::SetPref(const std::string& name, const std::string& valueText) {
    if (!IsStringLiteralBody(name) || !IsPrefValueLiteral(valueText))
        return false;
    const std::string newLine =
        std::string(kPrefStart) + name + std::string(kSeparator) + valueText + std::string(kPrefEnd);
    std::string lineName, lineValue;
    for (std::string& line : lines_)
        if (ParsePrefLine(line, lineName, lineValue) && lineName == name) {
            line = newLine;
            return true;
        }
    lines_.push_back(newLine);
    return true;
}

void TPrefs::RemovePrefs(const std::string& prefix, const std::set<std::string>& kept) {
    std::string name, valueText;
    std::erase_if(lines_, [&](const std::string& line) {
        return ParsePrefLine(line, name, valueText) && name.starts_with(prefix) && !kept.contains(name);
    });
}

// ---- TFirefoxProxySettingValue ----

const TClassInfo& TFirefoxProxySettingValue::StaticClass() {
    return MakeClassInfo<TFirefoxProxySettingValue, TSettingLinesValue>("TFirefoxProxySettingValue");
}

std::string TFirefoxProxySettingValue::GetHint() const {
    const std::string prefix = FirefoxProxyPrefix;
    const std::string type = ValueOf(Settings(), prefix + "type");
    std::vector<std::string> lines;
    if (type == "4") {
        lines.push_back(Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Auto-detect proxy configuration")));
    } else if (type == "1") {
        for (const char* protocol : {"http", "ftp", "gopher", "socks", "ssl"}) {
            const std::string host = ValueOf(Settings(), prefix + protocol);
            const std::string port = ValueOf(Settings(), prefix + protocol + "_port");
            if (!host.empty() && !port.empty())
                lines.push_back(std::string(protocol) + ": " + host + ":" + port);
        }
    } else if (type == "2") {
        lines.push_back(Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Automatic proxy configuration")));
        if (const std::string url = ValueOf(Settings(), prefix + "autoconfig_url"); !url.empty())
            lines.push_back(url);
    } else {
        lines.push_back(Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "No proxy")));
    }
    return JoinHint(lines);
}

// ---- TFirefoxProxySetting ----

const TSettingClass& TFirefoxProxySetting::StaticClass() {
    return MakeSettingClass<TFirefoxProxySetting, TSetting>(
        "TFirefoxProxySetting", {},
        {.caption = PROLAMO_TRANSLATE_NOOP("SettingKinds", "Firefox proxy"),
         .description = PROLAMO_TRANSLATE_NOOP("SettingKinds", "Firefox proxy settings"),
         .category = NetworkCategory,
         .imageIndex = 11});
}

std::unique_ptr<TSettingValue> TFirefoxProxySetting::CaptureValue() {
    TPrefs prefs;
    prefs.Load();
    auto value = std::make_unique<TFirefoxProxySettingValue>();
    std::vector<std::string> leftOut;
    prefs.GetPrefs(FirefoxProxyPrefix, value->Settings(), &leftOut);
    for (const std::string& name : leftOut)
        AddCaptureWarning(Translated("Engine", FirefoxNameWithEquals, {QuotedText(name)}));
    return value;
}

void TFirefoxProxySetting::ApplyValue(const TSettingValue& value, TCheckResultList& results) {
    TPrefs prefs;
    prefs.Load();
    const auto* proxy = dynamic_cast<const TFirefoxProxySettingValue*>(&value);
    if (proxy == nullptr)
        throw EAssertionFailed("The Firefox proxy setting was given another kind's value");
    const TStrings& settings = proxy->Settings();
    const std::string prefix = FirefoxProxyPrefix;
    // What the value does not hold was at Firefox's default when it was captured.
    std::set<std::string> held;
    for (std::size_t i = 0; i < settings.Count(); ++i)
        held.insert(settings.Name(i));
    prefs.RemovePrefs(prefix, held);
    for (std::size_t i = 0; i < settings.Count(); ++i) {
        // The value comes from the data file: it may hold anything.
        const std::string name = settings.Name(i);
        if (name.compare(0, prefix.size(), prefix) != 0)
            AddWarning(results, Translated("Engine", FirefoxNotProxy, {QuotedText(settings[i])}));
        else if (!prefs.SetPref(name, settings.ValueFromIndex(i)))
            AddWarning(results, Translated("Engine", FirefoxLineRefused, {QuotedText(settings[i])}));
    }
    prefs.Save();
}

} // namespace prolamo
