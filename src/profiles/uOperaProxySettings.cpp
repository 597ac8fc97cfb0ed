#include "uOperaProxySettings.h"

#include "classes/uHelpers.h"
#include "framework/Exceptions.h"
#include "os/Files.h"
#include "os/IniFiles.h"
#include "os/Text.h"

namespace prolamo {

namespace {

bool FileExists(const std::string& path) {
    std::uint32_t attributes = os::InvalidFileAttributes;
    return os::Files().GetFileAttributes(path, &attributes) == os::ErrorSuccess &&
           (attributes & os::FileAttributeDirectory) == 0;
}

void Write(const std::string& file, const char16_t* key, const char16_t* value) {
    const std::u16string section = os::Utf8ToUtf16(OperaProxySection);
    if (os::IniFiles().WritePrivateProfileString(section.c_str(), key, value, file) != os::ErrorSuccess)
        throw Exception(Translated("Engine", OperaWriteFailed, {file}));
}

// What the file reads back as this one key and value.
bool IsWritableLine(const std::string& key, const std::string& text) {
    const std::size_t start = key.find_first_not_of(" \t");
    if (start == std::string::npos || key[start] == '[' || key[start] == ';')
        return false;
    for (const std::string* part : {&key, &text})
        if (part->find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
            return false;
    return true;
}

} // namespace

// ---- TOperaProxySettingValue ----

const TClassInfo& TOperaProxySettingValue::StaticClass() {
    return MakeClassInfo<TOperaProxySettingValue, TSettingLinesValue>("TOperaProxySettingValue");
}

std::string TOperaProxySettingValue::GetHint() const {
    std::vector<std::string> lines;
    for (const char* protocol : {"HTTP", "HTTPS", "FTP"})
        if (Settings().Value(std::string("Use ") + protocol) == "1")
            lines.push_back(std::string(protocol) + ": " + Settings().Value(std::string(protocol) + " server"));
    if (Settings().Value("Use Automatic Proxy Configuration") == "1")
        lines.push_back(Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Automatic proxy configuration: %1"),
                                   {Settings().Value("Automatic Proxy Configuration URL")}));
    if (lines.empty())
        return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "No proxy"));
    return JoinHint(lines);
}

// ---- TOperaProxySetting ----

const TSettingClass& TOperaProxySetting::StaticClass() {
    return MakeSettingClass<TOperaProxySetting, TSetting>(
        "TOperaProxySetting", {},
        {.caption = PROLAMO_TRANSLATE_NOOP("SettingKinds", "Opera proxy"),
         .description = PROLAMO_TRANSLATE_NOOP("SettingKinds", "Opera proxy settings"),
         .category = NetworkCategory,
         .imageIndex = 12});
}

std::string TOperaProxySetting::GetOperaProfileFileName() {
    return TOsHelper::GetAppDataFolder() + "\\Opera\\Opera\\profile\\opera6.ini";
}

std::unique_ptr<TSettingValue> TOperaProxySetting::CaptureValue() {
    auto value = std::make_unique<TOperaProxySettingValue>();
    const std::string file = GetOperaProfileFileName();
    if (!FileExists(file))
        return value;
    std::vector<std::u16string> lines;
    if (const os::ErrorCode e =
            os::IniFiles().GetPrivateProfileSection(os::Utf8ToUtf16(OperaProxySection), file, &lines);
        e != os::ErrorSuccess)
        RaiseLastOSError(e);
    for (const std::u16string& line : lines) {
        const std::string text = os::Utf16ToUtf8(line);
        if (value->Settings().IndexOfName(text.substr(0, text.find('='))) < 0)
            value->Settings().Add(text);
    }
    return value;
}

void TOperaProxySetting::ApplyValue(const TSettingValue& value, TCheckResultList& results) {
    const std::string file = GetOperaProfileFileName();
    if (!FileExists(file)) {
        AddError(results, Translated("Engine", OperaProfileNotFound));
        return;
    }
    const auto* proxy = dynamic_cast<const TOperaProxySettingValue*>(&value);
    if (proxy == nullptr)
        throw EAssertionFailed("The Opera proxy setting was given another kind's value");
    Write(file, nullptr, nullptr);
    const TStrings& settings = proxy->Settings();
    for (std::size_t i = 0; i < settings.Count(); ++i) {
        const std::string key = settings.Name(i);
        const std::string text = settings.ValueFromIndex(i);
        if (!IsWritableLine(key, text)) {
            AddWarning(results, Translated("Engine", OperaLineRefused, {QuotedText(settings[i])}));
        } else if (settings.IndexOfName(key) != static_cast<int>(i)) {
            AddWarning(results, Translated("Engine", OperaKeyTwice, {QuotedText(key)})); // the hint shows the first
        } else {
            const std::u16string wideKey = os::Utf8ToUtf16(key);
            const std::u16string wideText = os::Utf8ToUtf16(text);
            Write(file, wideKey.c_str(), wideText.c_str());
        }
    }
}

} // namespace prolamo
