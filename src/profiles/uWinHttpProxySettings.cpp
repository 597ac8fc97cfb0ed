#include "uWinHttpProxySettings.h"

#include "os/Text.h"
#include "os/WinHttpProxy.h"

#include <algorithm>

namespace prolamo {

namespace {

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

void CheckList(const std::string& list, const char* what) {
    if (list.size() > LongestWinHttpList || std::any_of(list.begin(), list.end(), IsControl))
        throw Exception(Translated("Engine", WinHttpListRefused, {Translated("Engine", what), QuotedText(list)}));
}

} // namespace

// ---- TWinHttpProxyValue ----

const TClassInfo& TWinHttpProxyValue::StaticClass() {
    using V = TWinHttpProxyValue;
    return MakeClassInfo<V, TSettingValue>("TWinHttpProxyValue",
                                           {prop::Boolean("UseProxy", &V::UseProxy, &V::SetUseProxy),
                                            prop::String("ProxyServer", &V::ProxyServer, &V::SetProxyServer),
                                            prop::String("ProxyBypass", &V::ProxyBypass, &V::SetProxyBypass)});
}

void TWinHttpProxyValue::Assign(const TPersistent& source) {
    if (const auto* value = dynamic_cast<const TWinHttpProxyValue*>(&source)) {
        useProxy_ = value->useProxy_;
        proxyServer_ = value->proxyServer_;
        proxyBypass_ = value->proxyBypass_;
    }
    TSettingValue::Assign(source);
}

std::string TWinHttpProxyValue::GetHint() const {
    if (!useProxy_)
        return Translated("Engine", WinHttpDirectHint);
    return "Proxy server " + proxyServer_ + ", bypass list " + (proxyBypass_.empty() ? "(none)" : proxyBypass_);
}

// ---- TWinHttpProxySetting ----

const TSettingClass& TWinHttpProxySetting::StaticClass() {
    return MakeSettingClass<TWinHttpProxySetting, TSetting>(
        "TWinHttpProxySetting", {},
        {.caption = PROLAMO_TRANSLATE_NOOP("SettingKinds", "WinHTTP proxy"),
         .description = PROLAMO_TRANSLATE_NOOP(
             "SettingKinds", "The machine-wide proxy of services and command-line tools (netsh winhttp)"),
         .category = NetworkCategory,
         .imageIndex = 3});
}

std::unique_ptr<TSettingValue> TWinHttpProxySetting::CaptureValue() {
    os::WinHttpProxyInfo info;
    if (const os::ErrorCode e = os::WinHttpProxy().GetDefaultProxy(&info); e != os::ErrorSuccess)
        RaiseLastOSError(e);
    auto value = std::make_unique<TWinHttpProxyValue>();
    if (info.accessType == os::WinHttpAccessTypeNamedProxy) {
        value->SetUseProxy(true);
        value->SetProxyServer(os::Utf16ToUtf8(info.proxy));
        value->SetProxyBypass(os::Utf16ToUtf8(info.bypass));
    }
    return value;
}

void TWinHttpProxySetting::ApplyValue(const TSettingValue& value, TCheckResultList& /*results*/) {
    const auto* proxy = dynamic_cast<const TWinHttpProxyValue*>(&value);
    if (proxy == nullptr)
        throw EAssertionFailed("The WinHTTP proxy setting was given another kind's value");
    ApplyWinHttpProxy(*proxy);
}

void CheckWinHttpProxy(const TWinHttpProxyValue& value) {
    if (!value.UseProxy())
        return;
    if (value.ProxyServer().find_first_not_of(" \t") == std::string::npos)
        throw Exception(Translated("Engine", WinHttpProxyNeedsServer));
    CheckList(value.ProxyServer(), PROLAMO_TRANSLATE_NOOP("Engine", "proxy server"));
    CheckList(value.ProxyBypass(), PROLAMO_TRANSLATE_NOOP("Engine", "bypass list"));
}

void ApplyWinHttpProxy(const TWinHttpProxyValue& value) {
    CheckWinHttpProxy(value);
    os::WinHttpProxyInfo info;
    if (value.UseProxy())
        info = {os::WinHttpAccessTypeNamedProxy, os::Utf8ToUtf16(value.ProxyServer()),
                os::Utf8ToUtf16(value.ProxyBypass())};
    if (const os::ErrorCode e = os::WinHttpProxy().SetDefaultProxy(info); e != os::ErrorSuccess)
        RaiseLastOSError(e);
}

} // namespace prolamo
