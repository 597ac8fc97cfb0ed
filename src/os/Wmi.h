#pragma once
// The management instrumentation service as its scripting objects show it (SWbemLocator,
// SWbemServices.ExecQuery, SWbemObject.Properties_.Item(...).Value).

#include "os/Errors.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace prolamo::os {

inline constexpr HResult WbemErrorNotFound = 0x80041002;
inline constexpr HResult WbemErrorInvalidNamespace = 0x8004100E;
inline constexpr HResult WbemErrorInvalidClass = 0x80041010;
inline constexpr HResult WbemErrorInvalidQuery = 0x80041017;
inline constexpr HResult WbemErrorInvalidQueryType = 0x80041018;
inline constexpr HResult SFalse = 1;

// ExecQuery flag: the result set can be walked once, front to back.
inline constexpr std::int32_t WbemFlagForwardOnly = 32;

// The part of a VARIANT that instrumentation properties use.
struct WmiValue {
    enum class Type { Null, Boolean, Integer, String, Array };
    Type type = Type::Null;
    bool boolean = false;
    std::int32_t integer = 0; // VT_I4: WMI gives uint32 and uint16 properties so
    std::u16string string;
    std::vector<WmiValue> elements;

    static WmiValue Bool(bool value) { return {Type::Boolean, value, 0, {}, {}}; }
    static WmiValue Int(std::int32_t value) { return {Type::Integer, false, value, {}, {}}; }
    static WmiValue Str(std::u16string value) { return {Type::String, false, 0, std::move(value), {}}; }
    static WmiValue StrArray(const std::vector<std::u16string>& values) {
        WmiValue array{Type::Array, false, 0, {}, {}};
        for (const auto& v : values)
            array.elements.push_back(Str(v));
        return array;
    }
    bool operator==(const WmiValue&) const = default;
};

class IWmiObject {
public:
    virtual ~IWmiObject() = default;
    // WbemErrorNotFound when the object's class has no such property.
    virtual HResult GetProperty(std::u16string_view name, WmiValue* value) = 0;
};

// A query's result set, walked through its enumerator.
class IWmiObjectSet {
public:
    virtual ~IWmiObjectSet() = default;
    // SOk with the next object, SFalse at the end.
    virtual HResult Next(std::unique_ptr<IWmiObject>* object) = 0;
};

class IWmiServices {
public:
    virtual ~IWmiServices() = default;
    virtual HResult ExecQuery(std::u16string_view query, std::u16string_view language, std::int32_t flags,
                              std::unique_ptr<IWmiObjectSet>* result) = 0;
};

class IWmi {
public:
    virtual ~IWmi() = default;
    // CoCreateInstance of the locator, then ConnectServer; an empty server is the local machine.
    virtual HResult ConnectServer(std::u16string_view server, std::u16string_view nameSpace,
                                  std::unique_ptr<IWmiServices>* services) = 0;
};

IWmi& Wmi();

} // namespace prolamo::os
