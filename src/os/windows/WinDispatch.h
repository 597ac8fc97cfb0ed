#pragma once
// Late-bound calls through IDispatch, as a script makes them: by name, with the error the object
// reports.

#include "os/Errors.h"
#include "os/Text.h"
#include "os/windows/WinCom.h"

#include <vector>

namespace prolamo::os::windows {

struct DispatchError {
    std::u16string source;
    std::u16string description;
};

// Calls member `id` as a method (or reads it as a property with DISPATCH_PROPERTYGET) with
// `arguments` in their written order. A failure the object describes fills `error`.
inline HRESULT InvokeId(IDispatch* object, DISPID id, WORD kind, std::vector<VARIANT> arguments, VARIANT* result,
                        DispatchError* error) {
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend()); // IDispatch takes them last first
    DISPPARAMS parameters{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    EXCEPINFO exception{};
    UINT badArgument = 0;
    HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters, result, &exception, &badArgument);
    if (hr == DISP_E_EXCEPTION) {
        if (exception.pfnDeferredFillIn)
            exception.pfnDeferredFillIn(&exception);
        hr = exception.scode != 0 ? exception.scode : MAKE_HRESULT(SEVERITY_ERROR, FACILITY_DISPATCH, exception.wCode);
        if (error)
            *error = {FromBstr(exception.bstrSource), FromBstr(exception.bstrDescription)};
        ::SysFreeString(exception.bstrSource);
        ::SysFreeString(exception.bstrDescription);
        ::SysFreeString(exception.bstrHelpFile);
    }
    // An object that leaves no description is described as the script host describes it: by the
    // system's text for the code.
    if (FAILED(hr) && error && error->description.empty())
        error->description = Utf8ToUtf16(SystemErrorText(static_cast<std::uint32_t>(hr)));
    return hr;
}

// The same, with the member named.
inline HRESULT Invoke(IDispatch* object, const wchar_t* name, WORD kind, std::vector<VARIANT> arguments,
                      VARIANT* result, DispatchError* error) {
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    const HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return FAILED(hr) ? hr : InvokeId(object, id, kind, std::move(arguments), result, error);
}

inline VARIANT StringArgument(const Bstr& text) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = text.get(); // borrowed: the Bstr outlives the call
    return v;
}

inline VARIANT BoolArgument(bool value) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

inline VARIANT IntArgument(std::int32_t value) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

inline VARIANT EmptyArgument() {
    VARIANT v;
    ::VariantInit(&v);
    return v;
}

} // namespace prolamo::os::windows
