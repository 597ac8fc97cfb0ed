// The WinHTTP default proxy through WinHTTP itself, which writes the registry value with the
// caller's rights.

#include "os/WinHttpProxy.h"

#include "os/windows/WinSupport.h"

#include <winhttp.h>

namespace prolamo::os {

namespace {

std::u16string Taken(LPWSTR text) {
    if (text == nullptr)
        return {};
    std::u16string copy = windows::FromWide(text);
    ::GlobalFree(text);
    return copy;
}

class WinWinHttpProxy final : public IWinHttpProxy {
public:
    ErrorCode GetDefaultProxy(WinHttpProxyInfo* info) override {
        WINHTTP_PROXY_INFO raw{};
        if (!::WinHttpGetDefaultProxyConfiguration(&raw))
            return ::GetLastError();
        info->accessType = raw.dwAccessType;
        info->proxy = Taken(raw.lpszProxy);
        info->bypass = Taken(raw.lpszProxyBypass);
        return ErrorSuccess;
    }

    ErrorCode SetDefaultProxy(const WinHttpProxyInfo& info) override {
        std::wstring proxy = windows::Wide(info.proxy);
        std::wstring bypass = windows::Wide(info.bypass);
        WINHTTP_PROXY_INFO raw{};
        raw.dwAccessType = info.accessType;
        raw.lpszProxy = proxy.empty() ? nullptr : proxy.data();
        raw.lpszProxyBypass = bypass.empty() ? nullptr : bypass.data();
        return ::WinHttpSetDefaultProxyConfiguration(&raw) ? ErrorSuccess : ::GetLastError();
    }
};

} // namespace

IWinHttpProxy& WinHttpProxy() {
    static WinWinHttpProxy proxy;
    return proxy;
}

} // namespace prolamo::os
