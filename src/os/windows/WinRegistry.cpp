// The registry through the wide-character Reg* functions of advapi32.

#include "os/Registry.h"
#include "os/windows/WinSupport.h"

namespace prolamo::os {

namespace {

using windows::DwordArgument;
using windows::Wide;

HKEY Native(HKey key) {
    return reinterpret_cast<HKEY>(key);
}

class WinRegistry final : public IRegistry {
public:
    ErrorCode OpenKeyEx(HKey key, std::u16string_view subKey, std::uint32_t options, std::uint32_t samDesired,
                        HKey* result) override {
        HKEY opened = nullptr;
        const LSTATUS status = ::RegOpenKeyExW(Native(key), Wide(subKey).c_str(), options, samDesired, &opened);
        if (status == ERROR_SUCCESS)
            *result = reinterpret_cast<HKey>(opened);
        return static_cast<ErrorCode>(status);
    }

    ErrorCode CreateKeyEx(HKey key, std::u16string_view subKey, std::uint32_t options, std::uint32_t samDesired,
                          HKey* result, std::uint32_t* disposition) override {
        HKEY created = nullptr;
        DwordArgument how(disposition);
        const LSTATUS status = ::RegCreateKeyExW(Native(key), Wide(subKey).c_str(), 0, nullptr, options, samDesired,
                                                 nullptr, &created, how.get());
        if (status == ERROR_SUCCESS)
            *result = reinterpret_cast<HKey>(created);
        return static_cast<ErrorCode>(status);
    }

    ErrorCode CloseKey(HKey key) override { return static_cast<ErrorCode>(::RegCloseKey(Native(key))); }

    ErrorCode QueryValueEx(HKey key, std::u16string_view valueName, std::uint32_t* type, std::uint8_t* data,
                           std::uint32_t* dataSize) override {
        DwordArgument valueType(type), size(dataSize);
        return static_cast<ErrorCode>(
            ::RegQueryValueExW(Native(key), Wide(valueName).c_str(), nullptr, valueType.get(), data, size.get()));
    }

    ErrorCode SetValueEx(HKey key, std::u16string_view valueName, std::uint32_t type, const std::uint8_t* data,
                         std::uint32_t dataSize) override {
        return static_cast<ErrorCode>(::RegSetValueExW(Native(key), Wide(valueName).c_str(), 0, type, data, dataSize));
    }

    ErrorCode DeleteValue(HKey key, std::u16string_view valueName) override {
        return static_cast<ErrorCode>(::RegDeleteValueW(Native(key), Wide(valueName).c_str()));
    }

    ErrorCode EnumValue(HKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength, std::uint32_t* type,
                        std::uint8_t* data, std::uint32_t* dataSize) override {
        DwordArgument length(nameLength), valueType(type), size(dataSize);
        return static_cast<ErrorCode>(::RegEnumValueW(Native(key), index, reinterpret_cast<wchar_t*>(name),
                                                      length.get(), nullptr, valueType.get(), data, size.get()));
    }

    ErrorCode EnumKeyEx(HKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength) override {
        DwordArgument length(nameLength);
        return static_cast<ErrorCode>(::RegEnumKeyExW(Native(key), index, reinterpret_cast<wchar_t*>(name),
                                                      length.get(), nullptr, nullptr, nullptr, nullptr));
    }

    ErrorCode QueryInfoKey(HKey key, std::uint32_t* values, std::uint32_t* maxValueNameLength,
                           std::uint32_t* maxValueLength) override {
        DwordArgument count(values), longestName(maxValueNameLength), largest(maxValueLength);
        return static_cast<ErrorCode>(::RegQueryInfoKeyW(Native(key), nullptr, nullptr, nullptr, nullptr, nullptr,
                                                         nullptr, count.get(), longestName.get(), largest.get(),
                                                         nullptr, nullptr));
    }
};

} // namespace

IRegistry& Registry() {
    static WinRegistry registry;
    return registry;
}

} // namespace prolamo::os
