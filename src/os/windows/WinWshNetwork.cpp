// The script host's network object (WScript.Network) through IDispatch, as a script uses it.

#include "os/NetworkDrives.h"
#include "os/windows/WinDispatch.h"

namespace prolamo::os {

namespace {

using namespace windows;

// {093FF999-1EA0-4079-9525-9614C3504B74} and IWshNetwork2 {24BE5A31-EDFE-11D2-B933-00104B365C9F}.
constexpr CLSID kWshNetwork = {0x093FF999, 0x1EA0, 0x4079, {0x95, 0x25, 0x96, 0x14, 0xC3, 0x50, 0x4B, 0x74}};
constexpr IID kIWshNetwork2 = {0x24BE5A31, 0xEDFE, 0x11D2, {0xB9, 0x33, 0x00, 0x10, 0x4B, 0x36, 0x5C, 0x9F}};

void Report(const DispatchError& from, ErrorInfo* to) {
    if (to)
        *to = {from.source, from.description};
}

class WinWshNetwork final : public IWshNetwork {
public:
    explicit WinWshNetwork(ComPtr<IDispatch> network) : network_(std::move(network)) {}

    HResult EnumNetworkDrives(std::vector<std::u16string>* items, ErrorInfo* error) override {
        DispatchError failure;
        Variant collection;
        HRESULT hr = Invoke(network_.get(), L"EnumNetworkDrives", DISPATCH_METHOD, {}, collection.get(), &failure);
        if (FAILED(hr) || (*collection).vt != VT_DISPATCH || (*collection).pdispVal == nullptr) {
            Report(failure, error);
            return static_cast<HResult>(FAILED(hr) ? hr : E_UNEXPECTED);
        }
        IDispatch* list = (*collection).pdispVal;
        Variant count;
        hr = Invoke(list, L"Count", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, count.get(), &failure);
        if (FAILED(hr) || FAILED(::VariantChangeType(count.get(), count.get(), 0, VT_I4))) {
            Report(failure, error);
            return static_cast<HResult>(FAILED(hr) ? hr : E_UNEXPECTED);
        }
        items->clear();
        for (LONG i = 0; i < (*count).lVal; ++i) {
            Variant item;
            hr = Invoke(list, L"Item", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {IntArgument(i)}, item.get(), &failure);
            if (FAILED(hr) || FAILED(::VariantChangeType(item.get(), item.get(), 0, VT_BSTR))) {
                Report(failure, error);
                return static_cast<HResult>(FAILED(hr) ? hr : E_UNEXPECTED);
            }
            items->push_back(FromBstr((*item).bstrVal));
        }
        return SOk;
    }

    HResult MapNetworkDrive(std::u16string_view localName, std::u16string_view remoteName, bool updateProfile,
                            const std::optional<std::u16string>& userName,
                            const std::optional<std::u16string>& password, ErrorInfo* error) override {
        const Bstr local(localName), remote(remoteName);
        const Bstr user(userName.value_or(u"")), secret(password.value_or(u""));
        DispatchError failure;
        const HRESULT hr = Invoke(network_.get(), L"MapNetworkDrive", DISPATCH_METHOD,
                                  {StringArgument(local), StringArgument(remote), BoolArgument(updateProfile),
                                   userName ? StringArgument(user) : EmptyArgument(),
                                   password ? StringArgument(secret) : EmptyArgument()},
                                  nullptr, &failure);
        if (FAILED(hr))
            Report(failure, error);
        return static_cast<HResult>(hr);
    }

    HResult RemoveNetworkDrive(std::u16string_view name, bool force, bool updateProfile, ErrorInfo* error) override {
        const Bstr drive(name);
        DispatchError failure;
        const HRESULT hr =
            Invoke(network_.get(), L"RemoveNetworkDrive", DISPATCH_METHOD,
                   {StringArgument(drive), BoolArgument(force), BoolArgument(updateProfile)}, nullptr, &failure);
        if (FAILED(hr))
            Report(failure, error);
        return static_cast<HResult>(hr);
    }

private:
    ComPtr<IDispatch> network_;
};

} // namespace

HResult CreateWshNetwork(std::unique_ptr<IWshNetwork>* network) {
    EnsureComApartment();
    ComPtr<IDispatch> created;
    const HRESULT hr = ::CoCreateInstance(kWshNetwork, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                          kIWshNetwork2, created.OutVoid());
    if (FAILED(hr))
        return static_cast<HResult>(hr);
    *network = std::make_unique<WinWshNetwork>(std::move(created));
    return SOk;
}

} // namespace prolamo::os
