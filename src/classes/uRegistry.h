#pragma once
// Registry access for the setting kinds: one root, at most one open key, string, DWORD and binary
// values. Failures to open are answered with false; a value that is not there reads as absent, one
// that cannot be read (refused, key gone, any other system error) raises the system's EOSError.

#include "framework/Translation.h"
#include "os/Registry.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace prolamo {

enum class TRegDataType { Unknown, String, ExpandString, Integer, Binary };

inline constexpr const char* RegInvalidDataType = PROLAMO_TRANSLATE_NOOP("Engine", "Invalid data type for '%1'");
inline constexpr const char* RegGetDataFailed = PROLAMO_TRANSLATE_NOOP("Engine", "Failed to get data for '%1'");
inline constexpr const char* RegSetDataFailed = PROLAMO_TRANSLATE_NOOP("Engine", "Failed to set data for '%1'");

class TRegistry {
public:
    // The access mask that OpenKey asks for; HKEY_CURRENT_USER is the root.
    explicit TRegistry(std::uint32_t access = os::KeyAllAccess);
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    os::HKey RootKey() const { return rootKey_; }
    // Closes the open key.
    void SetRootKey(os::HKey rootKey);
    std::uint32_t Access() const { return access_; }
    void SetAccess(std::uint32_t access) { access_ = access; }

    // A path with a leading backslash, or any path while no key is open, starts at the root;
    // otherwise it is below the open key. False when the key is missing (and not to be created)
    // or the access is refused; the previous key then stays open.
    bool OpenKey(std::string_view key, bool canCreate);
    // The code the system gave the last OpenKey that failed (the "last error" of the open).
    os::ErrorCode LastError() const { return lastError_; }
    void CloseKey();
    bool HasOpenKey() const { return currentKey_ != 0; }
    os::HKey CurrentKey() const { return currentKey_; }
    // The open key's path below the root, without a leading backslash.
    const std::string& CurrentPath() const { return currentPath_; }

    // The queries below raise EOSError when the system cannot tell (access refused, key deleted).
    bool ValueExists(std::string_view name) const;
    // Unknown also for a missing value.
    TRegDataType GetDataType(std::string_view name) const;
    std::vector<std::string> GetValueNames() const;

    // REG_SZ and REG_EXPAND_SZ as stored; missing or zero-length: empty.
    std::string ReadString(std::string_view name) const;
    std::int32_t ReadInteger(std::string_view name) const;
    // Copies a binary (or otherwise typed) value into Buffer and answers its length; a missing value
    // gives 0. String and DWORD values, and values longer than Buffer, are refused.
    std::size_t ReadBinaryData(std::string_view name, std::span<std::uint8_t> buffer) const;

    void WriteString(std::string_view name, std::string_view value);
    void WriteExpandString(std::string_view name, std::string_view value);
    void WriteInteger(std::string_view name, std::int32_t value);
    void WriteBinaryData(std::string_view name, std::span<const std::uint8_t> data);
    // An absent value is no error; false only when the key refuses the deletion.
    bool DeleteValue(std::string_view name);

private:
    struct DataInfo {
        std::uint32_t type = os::RegNone;
        std::uint32_t size = 0;
    };
    bool GetDataInfo(std::string_view name, DataInfo* info) const;
    // Reads the value into Buffer; raises "Failed to get data" when the value went away meanwhile.
    std::uint32_t GetData(std::string_view name, std::uint8_t* buffer, std::uint32_t size, std::uint32_t* type) const;
    void PutData(std::string_view name, std::uint32_t type, const std::uint8_t* data, std::uint32_t size);
    void WriteText(std::string_view name, std::string_view value, std::uint32_t type);

    os::HKey rootKey_ = os::HKeyCurrentUser;
    os::HKey currentKey_ = 0;
    std::string currentPath_;
    std::uint32_t access_;
    os::ErrorCode lastError_ = os::ErrorSuccess;
};

} // namespace prolamo
