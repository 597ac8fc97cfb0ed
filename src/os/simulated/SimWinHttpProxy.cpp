// The WinHTTP default proxy of the simulated machine: the registry value Windows keeps it in, in
// Windows' layout, written with the caller's rights.

#include "os/Registry.h"
#include "os/WinHttpProxy.h"
#include "os/simulated/Machine.h"

namespace prolamo::os {

namespace {

// Closes the key it holds.
class TKey {
public:
    ~TKey() {
        if (key_ != 0)
            Registry().CloseKey(key_);
    }
    HKey* Out() { return &key_; }
    HKey Get() const { return key_; }

private:
    HKey key_ = 0;
};

class TSimWinHttpProxy final : public IWinHttpProxy {
public:
    ErrorCode GetDefaultProxy(WinHttpProxyInfo* info) override {
        IRegistry& registry = Registry();
        TKey key;
        ErrorCode e = registry.OpenKeyEx(HKeyLocalMachine, WinHttpSettingsKey, 0, KeyQueryValue, key.Out());
        std::vector<std::uint8_t> bytes;
        std::uint32_t type = 0, size = 0;
        if (e == ErrorSuccess)
            e = registry.QueryValueEx(key.Get(), WinHttpSettingsValue, &type, nullptr, &size);
        if (e == ErrorFileNotFound) {
            *info = WinHttpProxyInfo{};
            return ErrorSuccess;
        }
        if (e != ErrorSuccess)
            return e;
        bytes.resize(size);
        if (e = registry.QueryValueEx(key.Get(), WinHttpSettingsValue, &type, bytes.data(), &size); e != ErrorSuccess)
            return e;
        bytes.resize(size);
        return type == RegBinary && DecodeWinHttpSettings(bytes, info) ? ErrorSuccess : ErrorInvalidData;
    }

    ErrorCode SetDefaultProxy(const WinHttpProxyInfo& info) override {
        if (info.accessType != WinHttpAccessTypeNoProxy &&
            (info.accessType != WinHttpAccessTypeNamedProxy || info.proxy.empty()))
            return ErrorInvalidParameter;
        IRegistry& registry = Registry();
        TKey key;
        if (const ErrorCode e = registry.CreateKeyEx(HKeyLocalMachine, WinHttpSettingsKey, RegOptionNonVolatile,
                                                     KeySetValue, key.Out(), nullptr);
            e != ErrorSuccess)
            return e;
        const std::vector<std::uint8_t> bytes = EncodeWinHttpSettings(info);
        return registry.SetValueEx(key.Get(), WinHttpSettingsValue, RegBinary, bytes.data(),
                                   static_cast<std::uint32_t>(bytes.size()));
    }
};

} // namespace

IWinHttpProxy& WinHttpProxy() {
    static TSimWinHttpProxy proxy;
    return proxy;
}

} // namespace prolamo::os
