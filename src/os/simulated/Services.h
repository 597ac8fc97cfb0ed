#pragma once
// The simulated machine's service implementations (internal to the backend).

#include "os/Folders.h"
#include "os/Registry.h"
#include "os/Security.h"
#include "os/WindowMessages.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace prolamo::os {
class Transaction;
}

namespace prolamo::os::simulated {

class Machine;

class SimRegistry final : public IRegistry {
public:
    explicit SimRegistry(Machine& machine) : machine_(machine) {}

    ErrorCode OpenKeyEx(HKey key, std::u16string_view subKey, std::uint32_t options, std::uint32_t samDesired,
                        HKey* result) override;
    ErrorCode CreateKeyEx(HKey key, std::u16string_view subKey, std::uint32_t options, std::uint32_t samDesired,
                          HKey* result, std::uint32_t* disposition) override;
    ErrorCode CloseKey(HKey key) override;
    ErrorCode QueryValueEx(HKey key, std::u16string_view valueName, std::uint32_t* type, std::uint8_t* data,
                           std::uint32_t* dataSize) override;
    ErrorCode SetValueEx(HKey key, std::u16string_view valueName, std::uint32_t type, const std::uint8_t* data,
                         std::uint32_t dataSize) override;
    ErrorCode DeleteValue(HKey key, std::u16string_view valueName) override;
    ErrorCode EnumValue(HKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength, std::uint32_t* type,
                        std::uint8_t* data, std::uint32_t* dataSize) override;
    ErrorCode QueryInfoKey(HKey key, std::uint32_t* values, std::uint32_t* maxValueNameLength,
                           std::uint32_t* maxValueLength) override;
    ErrorCode EnumKeyEx(HKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength) override;

private:
    // An open key is only its place and the rights granted at opening; the key itself is looked up
    // again on every call, since another process may change it.
    struct OpenKey {
        int hive = 0;
        std::u16string path;
        std::uint32_t access = 0;
    };
    ErrorCode Lookup(HKey key, OpenKey* open);
    // What a call does with an open key and its row, inside the transaction it is given.
    using KeyUse = std::function<ErrorCode(const OpenKey& open, std::int64_t id, Transaction& tx)>;
    // Runs Use under the machine's lock once the handle is found to grant Right: in a write
    // transaction, which Use commits, for KeySetValue, else in a read one.
    ErrorCode WithKey(HKey key, std::uint32_t right, const KeyUse& use);
    ErrorCode Resolve(HKey key, std::u16string_view subKey, OpenKey* target);
    std::uint32_t Granted(int hive, std::u16string_view path, std::uint32_t samDesired, bool* refused);
    HKey AddHandle(OpenKey key);

    Machine& machine_;
    std::mutex handlesMutex_;
    std::map<HKey, OpenKey> handles_;
    HKey nextHandle_ = 0x100;
};

class SimFolders final : public IFolders {
public:
    explicit SimFolders(Machine& machine) : machine_(machine) {}

    ErrorCode GetSystemDirectory(char16_t* buffer, std::uint32_t size, std::uint32_t* length) override;
    ErrorCode GetTempPath(char16_t* buffer, std::uint32_t size, std::uint32_t* length) override;
    ErrorCode GetTempFileName(std::u16string_view pathName, std::u16string_view prefix, std::uint32_t unique,
                              std::u16string* tempFileName) override;
    HResult SHGetFolderPath(int csidl, std::uint32_t flags, char16_t* path) override;

private:
    Machine& machine_;
};

class SimSecurity final : public ISecurity {
public:
    explicit SimSecurity(Machine& machine) : machine_(machine) {}
    ErrorCode CheckTokenMembership(std::uintptr_t token, const Sid& sid, bool* isMember) override;
    ErrorCode ReadProcessRights(ProcessRights* rights) override;

private:
    Machine& machine_;
};

class SimWindowMessages final : public IWindowMessages {
public:
    explicit SimWindowMessages(Machine& machine) : machine_(machine) {}
    ErrorCode SendNotifyMessage(HWnd window, std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) override;

private:
    Machine& machine_;
};

} // namespace prolamo::os::simulated
