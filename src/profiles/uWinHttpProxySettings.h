#pragma once
// "WinHTTP proxy": the machine-wide proxy that services and command-line tools use
// ("netsh winhttp"), apart from the browsers' proxies. Setting it takes an administrator.

#include "uProfileSettings.h"

#include <string>

namespace prolamo {

inline constexpr const char* WinHttpDirectHint = PROLAMO_TRANSLATE_NOOP("Engine", "Direct access (no proxy server)");
// Longer lists are refused: the value keeps each list's length in a DWORD, but no real list
// comes near this.
inline constexpr std::size_t LongestWinHttpList = 4096;
inline constexpr const char* WinHttpProxyNeedsServer =
    PROLAMO_TRANSLATE_NOOP("Engine", "A WinHTTP proxy that is used needs its proxy server");
inline constexpr const char* WinHttpListRefused = PROLAMO_TRANSLATE_NOOP(
    "Engine", "The WinHTTP %1 %2 cannot be set: it holds a control character or is longer than 4096 characters");

class TWinHttpProxyValue : public TSettingValue {
    PROLAMO_CLASS()

public:
    // Through a proxy; otherwise direct, and the lists are empty.
    bool UseProxy() const { return useProxy_; }
    void SetUseProxy(bool value) { useProxy_ = value; }
    // "proxy.corp.example:8080", or per scheme "http=a:80;https=b:443".
    std::string ProxyServer() const { return proxyServer_; }
    void SetProxyServer(const std::string& value) { proxyServer_ = value; }
    // "*.corp.example;<local>"
    std::string ProxyBypass() const { return proxyBypass_; }
    void SetProxyBypass(const std::string& value) { proxyBypass_ = value; }

    void Assign(const TPersistent& source) override;
    // WinHttpDirectHint, or "Proxy server X, bypass list Y".
    std::string GetHint() const override;

private:
    bool useProxy_ = false;
    std::string proxyServer_;
    std::string proxyBypass_;
};

class TWinHttpProxySetting : public TSetting {
    PROLAMO_SETTING_CLASS()

public:
    std::unique_ptr<TSettingValue> CaptureValue() override;
    // ApplyWinHttpProxy.
    void ApplyValue(const TSettingValue& value, TCheckResultList& results) override;
};

// Raises WinHttpProxyNeedsServer or WinHttpListRefused for a value read from an untrusted file.
void CheckWinHttpProxy(const TWinHttpProxyValue& value);
// Checks the value and makes it the machine's WinHTTP default proxy, nothing else: what the
// switching service can run for a standard user. A process without administrator rights is
// refused with access denied.
void ApplyWinHttpProxy(const TWinHttpProxyValue& value);

} // namespace prolamo
