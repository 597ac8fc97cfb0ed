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
        throw Exception(Format(OperaWriteFailed, {file}));
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
        lines.push_back("Automatic proxy configuration: " + Settings().Value("Automatic Proxy Configuration URL"));
    if (lines.empty())
        return "No proxy";
    if (lines.size() == 1)
        return lines.front();
    std::string hint;
    for (const std::string& line : lines)
        hint += line + "\r\n";
    return hint;
}

// ---- TOperaProxySetting ----

const TSettingClass& TOperaProxySetting::StaticClass() {
    return MakeSettingClass<TOperaProxySetting, TSetting>("TOperaProxySetting", {},
                                                          {.caption = "Opera proxy",
                                                           .description = "Opera proxy settings",
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
    for (const std::u16string& line : lines)
        value->Settings().Add(os::Utf16ToUtf8(line));
    return value;
}

void TOperaProxySetting::ApplyValue(const TSettingValue& value, TCheckResultList& results) {
    const std::string file = GetOperaProfileFileName();
    if (!FileExists(file)) {
        AddError(results, OperaProfileNotFound);
        return;
    }
    const auto* proxy = dynamic_cast<const TOperaProxySettingValue*>(&value);
    if (proxy == nullptr)
        throw EAssertionFailed("The Opera proxy setting was given another kind's value");
    Write(file, nullptr, nullptr);
    const TStrings& settings = proxy->Settings();
    for (std::size_t i = 0; i < settings.Count(); ++i) {
        const std::u16string key = os::Utf8ToUtf16(settings.Name(i));
        const std::u16string text = os::Utf8ToUtf16(settings.ValueFromIndex(i));
        Write(file, key.c_str(), text.c_str());
    }
}

} // namespace prolamo
