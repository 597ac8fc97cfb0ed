// Management instrumentation through its scripting objects (SWbemLocator, SWbemServices,
// SWbemObjectSet, SWbemObject.Properties_), late-bound as a script uses them.

#include "os/Wmi.h"
#include "os/windows/WinDispatch.h"

namespace prolamo::os {

namespace {

using namespace windows;

// WbemScripting.SWbemLocator, {76A64158-CB41-11D1-8B02-00600806D9B6}.
constexpr CLSID kSWbemLocator = {0x76A64158, 0xCB41, 0x11D1, {0x8B, 0x02, 0x00, 0x60, 0x08, 0x06, 0xD9, 0xB6}};
constexpr WORD kGet = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

WmiValue FromVariant(const VARIANT& v);

WmiValue FromSafeArray(SAFEARRAY* array, VARTYPE elementType) {
    WmiValue result{WmiValue::Type::Array, false, 0, {}, {}};
    LONG lower = 0, upper = -1;
    if (array == nullptr || ::SafeArrayGetDim(array) != 1 || FAILED(::SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(::SafeArrayGetUBound(array, 1, &upper)))
        return result;
    for (LONG i = lower; i <= upper; ++i) {
        Variant element;
        if (elementType == VT_VARIANT) {
            if (FAILED(::SafeArrayGetElement(array, &i, element.get())))
                continue;
        } else {
            element.get()->vt = elementType;
            if (FAILED(::SafeArrayGetElement(array, &i, &element.get()->bstrVal)))
                continue;
        }
        result.elements.push_back(FromVariant(*element));
    }
    return result;
}

WmiValue FromVariant(const VARIANT& v) {
    if (v.vt == VT_EMPTY || v.vt == VT_NULL)
        return {};
    if (v.vt == VT_BOOL)
        return WmiValue::Bool(v.boolVal != VARIANT_FALSE);
    if (v.vt == VT_BSTR)
        return WmiValue::Str(FromBstr(v.bstrVal));
    if ((v.vt & VT_ARRAY) != 0)
        return FromSafeArray(v.parray, static_cast<VARTYPE>(v.vt & VT_TYPEMASK));
    Variant number;
    if (SUCCEEDED(::VariantChangeType(number.get(), const_cast<VARIANT*>(&v), 0, VT_I4)))
        return WmiValue::Int((*number).lVal);
    Variant text;
    if (SUCCEEDED(::VariantChangeType(text.get(), const_cast<VARIANT*>(&v), 0, VT_BSTR)))
        return WmiValue::Str(FromBstr((*text).bstrVal));
    return {};
}

// The dispatch interface a call returned, with a reference of its own.
HRESULT TakeDispatch(Variant& value, ComPtr<IDispatch>* object) {
    if ((*value).vt != VT_DISPATCH || (*value).pdispVal == nullptr)
        return E_UNEXPECTED;
    (*value).pdispVal->AddRef();
    *object = ComPtr<IDispatch>((*value).pdispVal);
    return S_OK;
}

class WinWmiObject final : public IWmiObject {
public:
    explicit WinWmiObject(ComPtr<IDispatch> object) : object_(std::move(object)) {}

    HResult GetProperty(std::u16string_view name, WmiValue* value) override {
        Variant propertiesValue;
        HRESULT hr = Invoke(object_.get(), L"Properties_", kGet, {}, propertiesValue.get(), nullptr);
        ComPtr<IDispatch> properties, property;
        if (SUCCEEDED(hr))
            hr = TakeDispatch(propertiesValue, &properties);
        const Bstr propertyName(name);
        Variant propertyValue;
        if (SUCCEEDED(hr))
            hr = Invoke(properties.get(), L"Item", kGet, {StringArgument(propertyName)}, propertyValue.get(), nullptr);
        if (SUCCEEDED(hr))
            hr = TakeDispatch(propertyValue, &property);
        Variant data;
        if (SUCCEEDED(hr))
            hr = Invoke(property.get(), L"Value", kGet, {}, data.get(), nullptr);
        if (FAILED(hr))
            return static_cast<HResult>(hr);
        *value = FromVariant(*data);
        return SOk;
    }

private:
    ComPtr<IDispatch> object_;
};

class WinWmiObjectSet final : public IWmiObjectSet {
public:
    explicit WinWmiObjectSet(ComPtr<IEnumVARIANT> items) : items_(std::move(items)) {}

    HResult Next(std::unique_ptr<IWmiObject>* object) override {
        Variant item;
        ULONG fetched = 0;
        const HRESULT hr = items_->Next(1, item.get(), &fetched);
        if (FAILED(hr))
            return static_cast<HResult>(hr);
        if (hr != S_OK || fetched == 0)
            return SFalse;
        ComPtr<IDispatch> found;
        if (const HRESULT taken = TakeDispatch(item, &found); FAILED(taken))
            return static_cast<HResult>(taken);
        *object = std::make_unique<WinWmiObject>(std::move(found));
        return SOk;
    }

private:
    ComPtr<IEnumVARIANT> items_;
};

class WinWmiServices final : public IWmiServices {
public:
    explicit WinWmiServices(ComPtr<IDispatch> services) : services_(std::move(services)) {}

    HResult ExecQuery(std::u16string_view query, std::u16string_view language, std::int32_t flags,
                      std::unique_ptr<IWmiObjectSet>* result) override {
        const Bstr text(query), queryLanguage(language);
        Variant setValue;
        HRESULT hr =
            Invoke(services_.get(), L"ExecQuery", DISPATCH_METHOD,
                   {StringArgument(text), StringArgument(queryLanguage), IntArgument(flags)}, setValue.get(), nullptr);
        ComPtr<IDispatch> set;
        if (SUCCEEDED(hr))
            hr = TakeDispatch(setValue, &set);
        Variant enumerator;
        if (SUCCEEDED(hr))
            hr = InvokeId(set.get(), DISPID_NEWENUM, kGet, {}, enumerator.get(), nullptr);
        ComPtr<IEnumVARIANT> items;
        if (SUCCEEDED(hr)) {
            IUnknown* unknown =
                (*enumerator).vt == VT_UNKNOWN || (*enumerator).vt == VT_DISPATCH ? (*enumerator).punkVal : nullptr;
            hr = unknown ? unknown->QueryInterface(IID_IEnumVARIANT, items.OutVoid()) : E_UNEXPECTED;
        }
        if (FAILED(hr))
            return static_cast<HResult>(hr);
        *result = std::make_unique<WinWmiObjectSet>(std::move(items));
        return SOk;
    }

private:
    ComPtr<IDispatch> services_;
};

class WinWmi final : public IWmi {
public:
    HResult ConnectServer(std::u16string_view server, std::u16string_view nameSpace,
                          std::unique_ptr<IWmiServices>* services) override {
        EnsureComApartment();
        ComPtr<IDispatch> locator;
        HRESULT hr = ::CoCreateInstance(kSWbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, locator.OutVoid());
        const Bstr serverName(server), path(nameSpace);
        Variant connected;
        if (SUCCEEDED(hr))
            hr = Invoke(locator.get(), L"ConnectServer", DISPATCH_METHOD,
                        {StringArgument(serverName), StringArgument(path)}, connected.get(), nullptr);
        ComPtr<IDispatch> found;
        if (SUCCEEDED(hr))
            hr = TakeDispatch(connected, &found);
        if (FAILED(hr))
            return static_cast<HResult>(hr);
        *services = std::make_unique<WinWmiServices>(std::move(found));
        return SOk;
    }
};

} // namespace

IWmi& Wmi() {
    static WinWmi wmi;
    return wmi;
}

} // namespace prolamo::os
