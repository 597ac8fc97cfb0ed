#pragma once
// The Internet Explorer proxy of the logged-on user: four registry values and the two connection
// records, kept as opaque bytes.

#include "uProfileSettings.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace prolamo {

inline constexpr const char* InternetSettingsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
inline constexpr const char* ConnectionsKey = "Connections";
// The records are read into a buffer of this many bytes; a longer one is refused.
inline constexpr std::size_t ConnectionRecordLimit = 1024;

class TIEProxySettingValue : public TSettingValue {
    PROLAMO_CLASS()

public:
    bool UseAutoDetect() const { return useAutoDetect_; }
    void SetUseAutoDetect(bool value) { useAutoDetect_ = value; }
    std::string AutoConfigURL() const { return autoConfigURL_; }
    void SetAutoConfigURL(const std::string& value) { autoConfigURL_ = value; }
    bool ProxyEnable() const { return proxyEnable_; }
    void SetProxyEnable(bool value) { proxyEnable_ = value; }
    std::string ProxyServer() const { return proxyServer_; }
    void SetProxyServer(const std::string& value) { proxyServer_ = value; }
    std::string ProxyOverride() const { return proxyOverride_; }
    void SetProxyOverride(const std::string& value) { proxyOverride_ = value; }
    // "DefaultConnectionSettings" and "SavedLegacySettings" of the Connections key.
    std::vector<std::uint8_t>& ConnectionSettings() { return connectionSettings_; }
    const std::vector<std::uint8_t>& ConnectionSettings() const { return connectionSettings_; }
    std::vector<std::uint8_t>& LegacySettings() { return legacySettings_; }
    const std::vector<std::uint8_t>& LegacySettings() const { return legacySettings_; }

    void Assign(const TPersistent& source) override;
    // Each record as a 4-byte little-endian length and its bytes; an empty one is not written.
    void DefineProperties(TFiler& filer) override;
    std::string GetHint() const override;

private:
    bool useAutoDetect_ = false;
    std::string autoConfigURL_;
    bool proxyEnable_ = false;
    std::string proxyServer_;
    std::string proxyOverride_;
    std::vector<std::uint8_t> connectionSettings_;
    std::vector<std::uint8_t> legacySettings_;
    mutable std::vector<std::uint8_t> framed_; // what the writer was last handed
};

class TIEProxySetting : public TSetting {
    PROLAMO_SETTING_CLASS()

public:
    std::unique_ptr<TSettingValue> CaptureValue() override;
    // Adds no result lines; the first failure is raised.
    void ApplyValue(const TSettingValue& value, TCheckResultList& results) override;
};

} // namespace prolamo
