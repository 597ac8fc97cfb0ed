#pragma once
// The Windows registry, call for call (RegOpenKeyExW and friends). Arguments mean what they mean
// to Windows; every call returns the Win32 code Windows returns.

#include "os/Errors.h"

#include <cstdint>
#include <string_view>

namespace prolamo::os {

using HKey = std::uintptr_t;

// The predefined keys carry their Windows values, sign-extended on 64-bit as in <winreg.h>.
inline constexpr HKey HKeyCurrentUser = static_cast<HKey>(static_cast<std::intptr_t>(std::int32_t(-2147483647)));
inline constexpr HKey HKeyLocalMachine = static_cast<HKey>(static_cast<std::intptr_t>(std::int32_t(-2147483646)));

// Value types.
inline constexpr std::uint32_t RegNone = 0;
inline constexpr std::uint32_t RegSz = 1;
inline constexpr std::uint32_t RegExpandSz = 2;
inline constexpr std::uint32_t RegBinary = 3;
inline constexpr std::uint32_t RegDword = 4;
inline constexpr std::uint32_t RegMultiSz = 7;
inline constexpr std::uint32_t RegQword = 11;

// Access rights.
inline constexpr std::uint32_t KeyQueryValue = 0x0001;
inline constexpr std::uint32_t KeySetValue = 0x0002;
inline constexpr std::uint32_t KeyCreateSubKey = 0x0004;
inline constexpr std::uint32_t KeyEnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t KeyNotify = 0x0010;
inline constexpr std::uint32_t KeyCreateLink = 0x0020;
inline constexpr std::uint32_t Delete = 0x00010000;
inline constexpr std::uint32_t ReadControl = 0x00020000;
inline constexpr std::uint32_t WriteDac = 0x00040000;
inline constexpr std::uint32_t WriteOwner = 0x00080000;
inline constexpr std::uint32_t MaximumAllowed = 0x02000000;
inline constexpr std::uint32_t GenericAll = 0x10000000;
inline constexpr std::uint32_t GenericWrite = 0x40000000;
inline constexpr std::uint32_t GenericRead = 0x80000000;
inline constexpr std::uint32_t KeyRead = 0x20019;
inline constexpr std::uint32_t KeyWrite = 0x20006;
inline constexpr std::uint32_t KeyAllAccess = 0xF003F;

// Options and dispositions of RegCreateKeyEx.
inline constexpr std::uint32_t RegOptionNonVolatile = 0;
inline constexpr std::uint32_t RegOptionVolatile = 1;
inline constexpr std::uint32_t RegCreatedNewKey = 1;
inline constexpr std::uint32_t RegOpenedExistingKey = 2;

class IRegistry {
public:
    virtual ~IRegistry() = default;

    // RegOpenKeyExW. An empty subKey opens a new handle to `key` itself.
    virtual ErrorCode OpenKeyEx(HKey key, std::u16string_view subKey, std::uint32_t options, std::uint32_t samDesired,
                                HKey* result) = 0;
    // RegCreateKeyExW without class and security attributes; disposition may be null.
    virtual ErrorCode CreateKeyEx(HKey key, std::u16string_view subKey, std::uint32_t options, std::uint32_t samDesired,
                                  HKey* result, std::uint32_t* disposition) = 0;
    // RegCloseKey; closing a predefined key succeeds and does nothing.
    virtual ErrorCode CloseKey(HKey key) = 0;
    // RegQueryValueExW: `dataSize` is in bytes; a null `data` asks for the size only; a buffer too
    // small gives ErrorMoreData with the needed size in *dataSize. String data is UTF-16LE as stored.
    virtual ErrorCode QueryValueEx(HKey key, std::u16string_view valueName, std::uint32_t* type, std::uint8_t* data,
                                   std::uint32_t* dataSize) = 0;
    // RegSetValueExW: stores the bytes as given (strings should include their terminating zero).
    virtual ErrorCode SetValueEx(HKey key, std::u16string_view valueName, std::uint32_t type, const std::uint8_t* data,
                                 std::uint32_t dataSize) = 0;
    // RegDeleteValueW.
    virtual ErrorCode DeleteValue(HKey key, std::u16string_view valueName) = 0;
    // RegEnumValueW: *nameLength is in characters, on entry the buffer size including the zero, on
    // success the name length without it. type, data and dataSize may be null. Past the last value:
    // ErrorNoMoreItems.
    virtual ErrorCode EnumValue(HKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength,
                                std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) = 0;
    // RegEnumKeyExW without class and last-write time: the name of the index-th subkey, in the
    // registry's order; *nameLength as for EnumValue. Needs KeyEnumerateSubKeys. Past the last
    // subkey: ErrorNoMoreItems.
    virtual ErrorCode EnumKeyEx(HKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength) = 0;
    // RegQueryInfoKeyW reduced to its value counters (each may be null): number of values, longest
    // value name in characters without the zero, largest data in bytes.
    virtual ErrorCode QueryInfoKey(HKey key, std::uint32_t* values, std::uint32_t* maxValueNameLength,
                                   std::uint32_t* maxValueLength) = 0;
};

// The registry of the workstation this process runs on.
IRegistry& Registry();

} // namespace prolamo::os
