#pragma once
// The machine's WinHTTP default proxy, which services and command-line tools use
// (WinHttpGetDefaultProxyConfiguration, WinHttpSetDefaultProxyConfiguration). Windows keeps it in
// the registry value "WinHttpSettings"; setting it takes an administrator.

#include "os/Errors.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace prolamo::os {

inline constexpr std::uint32_t WinHttpAccessTypeNoProxy = 1;
inline constexpr std::uint32_t WinHttpAccessTypeNamedProxy = 3;

inline constexpr const char16_t* WinHttpSettingsKey =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
inline constexpr const char16_t* WinHttpSettingsValue = u"WinHttpSettings";

struct WinHttpProxyInfo {
    std::uint32_t accessType = WinHttpAccessTypeNoProxy;
    std::u16string proxy;  // "proxy:8080" or "http=a:80;https=b:443"
    std::u16string bypass; // "*.corp.example;<local>"
    bool operator==(const WinHttpProxyInfo&) const = default;
};

// The value's layout: a DWORD 0x28, a DWORD counter, a DWORD of flags (1 direct, 2 through a
// proxy), then the proxy list and the bypass list, each a DWORD length and that many bytes in the
// ANSI code page. All DWORDs little-endian.
std::vector<std::uint8_t> EncodeWinHttpSettings(const WinHttpProxyInfo& info);
// False for bytes that do not hold that layout; bytes after the bypass list are left alone.
bool DecodeWinHttpSettings(std::span<const std::uint8_t> bytes, WinHttpProxyInfo* info);

class IWinHttpProxy {
public:
    virtual ~IWinHttpProxy() = default;
    // No proxy when none was ever set.
    virtual ErrorCode GetDefaultProxy(WinHttpProxyInfo* info) = 0;
    // ErrorAccessDenied for a process without administrator rights; ErrorInvalidParameter for
    // another access type, or a named proxy without a proxy list.
    virtual ErrorCode SetDefaultProxy(const WinHttpProxyInfo& info) = 0;
};

IWinHttpProxy& WinHttpProxy();

} // namespace prolamo::os
