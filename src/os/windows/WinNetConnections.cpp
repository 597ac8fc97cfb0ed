// The network connections folder's connection manager (netshell's INetConnectionManager).

#include "os/NetConnections.h"
#include "os/windows/WinCom.h"

#include <netcon.h>

namespace prolamo::os {

namespace {

using windows::ComPtr;

// {BA126AD1-2166-11D1-B1D0-00805FC1270E} and {C08956A2-1CD3-11D1-B1C5-00805FC1270E}.
constexpr CLSID kConnectionManager = {0xBA126AD1, 0x2166, 0x11D1, {0xB1, 0xD0, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};
constexpr IID kINetConnectionManager = {0xC08956A2, 0x1CD3, 0x11D1, {0xB1, 0xC5, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};

std::u16string GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    ::StringFromGUID2(guid, text, 40);
    return windows::FromWide(text);
}

class WinNetConnection final : public INetConnection {
public:
    explicit WinNetConnection(ComPtr<::INetConnection> connection) : connection_(std::move(connection)) {}

    HResult GetProperties(NetConProperties* properties) override {
        NETCON_PROPERTIES* found = nullptr;
        const HRESULT hr = connection_->GetProperties(&found);
        if (FAILED(hr) || found == nullptr)
            return static_cast<HResult>(FAILED(hr) ? hr : E_POINTER);
        properties->guid = GuidText(found->guidId);
        properties->name = windows::FromWide(found->pszwName ? found->pszwName : L"");
        properties->deviceName = windows::FromWide(found->pszwDeviceName ? found->pszwDeviceName : L"");
        properties->status = static_cast<std::uint32_t>(found->Status);
        // NcFreeNetconProperties lives in netshell.dll; these are its parts.
        ::CoTaskMemFree(found->pszwName);
        ::CoTaskMemFree(found->pszwDeviceName);
        ::CoTaskMemFree(found);
        return SOk;
    }

    HResult Connect() override { return static_cast<HResult>(connection_->Connect()); }
    HResult Disconnect() override { return static_cast<HResult>(connection_->Disconnect()); }

private:
    ComPtr<::INetConnection> connection_;
};

class WinNetConnectionManager final : public INetConnectionManager {
public:
    explicit WinNetConnectionManager(ComPtr<::INetConnectionManager> manager) : manager_(std::move(manager)) {}

    HResult EnumConnections(std::vector<std::unique_ptr<INetConnection>>* connections) override {
        ComPtr<IEnumNetConnection> walk;
        const HRESULT hr = manager_->EnumConnections(NCME_DEFAULT, walk.Out());
        if (FAILED(hr))
            return static_cast<HResult>(hr);
        connections->clear();
        for (;;) {
            ComPtr<::INetConnection> next;
            ULONG fetched = 0;
            const HRESULT step = walk->Next(1, next.Out(), &fetched);
            if (FAILED(step))
                return static_cast<HResult>(step); // a broken walk is not the end of the list
            if (step != S_OK || fetched == 0)
                break;
            connections->push_back(std::make_unique<WinNetConnection>(std::move(next)));
        }
        return SOk;
    }

private:
    ComPtr<::INetConnectionManager> manager_;
};

} // namespace

HResult CreateConnectionManager(std::unique_ptr<INetConnectionManager>* manager) {
    windows::EnsureComApartment();
    ComPtr<::INetConnectionManager> created;
    const HRESULT hr = ::CoCreateInstance(kConnectionManager, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_NO_CODE_DOWNLOAD,
                                          kINetConnectionManager, created.OutVoid());
    if (FAILED(hr))
        return static_cast<HResult>(hr);
    *manager = std::make_unique<WinNetConnectionManager>(std::move(created));
    return SOk;
}

} // namespace prolamo::os
