#include "uIEProxySettings.h"

#include "classes/uRegistry.h"
#include "framework/Exceptions.h"

#include <cstring>

namespace prolamo {

namespace {

constexpr const char* kAutoConfigURL = "AutoConfigURL";
constexpr const char* kProxyEnable = "ProxyEnable";
constexpr const char* kProxyServer = "ProxyServer";
constexpr const char* kProxyOverride = "ProxyOverride";
constexpr const char* kConnectionSettings = "DefaultConnectionSettings";
constexpr const char* kLegacySettings = "SavedLegacySettings";

std::vector<std::uint8_t> ReadRecord(const TRegistry& registry, const char* name) {
    std::vector<std::uint8_t> buffer(ConnectionRecordLimit);
    buffer.resize(registry.ReadBinaryData(name, buffer));
    return buffer;
}

void ReadFramed(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& record) {
    std::uint32_t length = 0;
    if (data.size() < sizeof length)
        throw EReadError(Translated("Engine", texts::StreamReadError));
    std::memcpy(&length, data.data(), sizeof length); // little-endian, as every platform this runs on
    if (data.size() - sizeof length < length)
        throw EReadError(Translated("Engine", texts::StreamReadError));
    record.assign(data.begin() + sizeof length, data.begin() + sizeof length + length);
}

std::span<const std::uint8_t> WriteFramed(const std::vector<std::uint8_t>& record, std::vector<std::uint8_t>& out) {
    const auto length = static_cast<std::uint32_t>(record.size());
    out.resize(sizeof length);
    std::memcpy(out.data(), &length, sizeof length);
    out.insert(out.end(), record.begin(), record.end());
    return out;
}

// An empty text means the value is not there at all.
void WriteOrDelete(TRegistry& registry, const char* name, const std::string& text) {
    if (text.empty())
        registry.DeleteValue(name);
    else
        registry.WriteString(name, text);
}

void WriteOrDelete(TRegistry& registry, const char* name, const std::vector<std::uint8_t>& record) {
    if (record.empty())
        registry.DeleteValue(name);
    else
        registry.WriteBinaryData(name, record);
}

} // namespace

// ---- TIEProxySettingValue ----

const TClassInfo& TIEProxySettingValue::StaticClass() {
    using V = TIEProxySettingValue;
    return MakeClassInfo<V, TSettingValue>("TIEProxySettingValue",
                                           {prop::Boolean("UseAutoDetect", &V::UseAutoDetect, &V::SetUseAutoDetect),
                                            prop::String("AutoConfigURL", &V::AutoConfigURL, &V::SetAutoConfigURL),
                                            prop::Boolean("ProxyEnable", &V::ProxyEnable, &V::SetProxyEnable),
                                            prop::String("ProxyServer", &V::ProxyServer, &V::SetProxyServer),
                                            prop::String("ProxyOverride", &V::ProxyOverride, &V::SetProxyOverride)});
}

void TIEProxySettingValue::Assign(const TPersistent& source) {
    if (const auto* value = dynamic_cast<const TIEProxySettingValue*>(&source)) {
        useAutoDetect_ = value->useAutoDetect_;
        autoConfigURL_ = value->autoConfigURL_;
        proxyEnable_ = value->proxyEnable_;
        proxyServer_ = value->proxyServer_;
        proxyOverride_ = value->proxyOverride_;
        connectionSettings_ = value->connectionSettings_;
        legacySettings_ = value->legacySettings_;
    }
    TSettingValue::Assign(source);
}

void TIEProxySettingValue::DefineProperties(TFiler& filer) {
    TSettingValue::DefineProperties(filer);
    filer.DefineBinaryProperty(
        kConnectionSettings, [this](std::span<const std::uint8_t> data) { ReadFramed(data, connectionSettings_); },
        [this] { return WriteFramed(connectionSettings_, framed_); }, !connectionSettings_.empty());
    filer.DefineBinaryProperty(
        kLegacySettings, [this](std::span<const std::uint8_t> data) { ReadFramed(data, legacySettings_); },
        [this] { return WriteFramed(legacySettings_, framed_); }, !legacySettings_.empty());
}

std::string TIEProxySettingValue::GetHint() const {
    std::string hint;
    if (useAutoDetect_)
        hint += Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Automatically detect settings")) + "\r\n";
    if (!autoConfigURL_.empty())
        hint += Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Use automatic configuration script (%1)"),
                           {autoConfigURL_}) +
                "\r\n";
    if (proxyEnable_ && !proxyServer_.empty())
        hint +=
            Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Use proxy server \"%1\""), {proxyServer_}) + "\r\n";
    if (!proxyOverride_.empty())
        hint +=
            Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Do not use proxy for \"%1\""), {proxyOverride_}) +
            "\r\n";
    return hint;
}

// ---- TIEProxySetting ----

const TSettingClass& TIEProxySetting::StaticClass() {
    return MakeSettingClass<TIEProxySetting, TSetting>(
        "TIEProxySetting", {},
        {.caption = PROLAMO_TRANSLATE_NOOP("SettingKinds", "Internet Explorer proxy"),
         .description = PROLAMO_TRANSLATE_NOOP("SettingKinds", "Internet Explorer proxy settings"),
         .category = NetworkCategory,
         .imageIndex = 3});
}

std::unique_ptr<TSettingValue> TIEProxySetting::CaptureValue() {
    auto value = std::make_unique<TIEProxySettingValue>();
    TRegistry registry(os::KeyRead);
    if (!registry.OpenKey(InternetSettingsKey, false))
        RaiseLastOSError(registry.LastError());
    value->SetAutoConfigURL(registry.ReadString(kAutoConfigURL));
    value->SetProxyEnable(registry.ReadInteger(kProxyEnable) != 0);
    value->SetProxyServer(registry.ReadString(kProxyServer));
    value->SetProxyOverride(registry.ReadString(kProxyOverride));
    if (!registry.OpenKey(ConnectionsKey, false))
        return value;
    value->ConnectionSettings() = ReadRecord(registry, kConnectionSettings);
    value->LegacySettings() = ReadRecord(registry, kLegacySettings);
    return value;
}

void TIEProxySetting::ApplyValue(const TSettingValue& value, TCheckResultList& /*results*/) {
    const auto* proxy = dynamic_cast<const TIEProxySettingValue*>(&value);
    if (proxy == nullptr)
        throw EAssertionFailed("The Internet Explorer proxy setting was given another kind's value");
    TRegistry registry(os::KeyWrite);
    if (!registry.OpenKey(InternetSettingsKey, true))
        RaiseLastOSError(registry.LastError());
    WriteOrDelete(registry, kAutoConfigURL, proxy->AutoConfigURL());
    registry.WriteInteger(kProxyEnable, proxy->ProxyEnable() ? 1 : 0);
    WriteOrDelete(registry, kProxyServer, proxy->ProxyServer());
    WriteOrDelete(registry, kProxyOverride, proxy->ProxyOverride());
    if (!registry.OpenKey(ConnectionsKey, true))
        return;
    WriteOrDelete(registry, kConnectionSettings, proxy->ConnectionSettings());
    WriteOrDelete(registry, kLegacySettings, proxy->LegacySettings());
}

} // namespace prolamo
