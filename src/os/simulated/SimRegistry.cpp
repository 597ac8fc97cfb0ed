#include "os/Sqlite.h"
#include "os/simulated/Machine.h"
#include "os/simulated/RegistryStore.h"
#include "os/simulated/Services.h"
#include "os/simulated/SqliteErrors.h"

#include "os/Text.h"

#include <algorithm>
#include <cstring>

namespace prolamo::os::simulated {

namespace {

// Rights a user without administrative rights does not get on the local-machine hive.
constexpr std::uint32_t kWriteRights =
    KeySetValue | KeyCreateSubKey | KeyCreateLink | Delete | WriteDac | WriteOwner | GenericWrite | GenericAll;

int HiveOf(HKey key) {
    if (key == HKeyCurrentUser)
        return store::HiveCurrentUser;
    if (key == HKeyLocalMachine)
        return store::HiveLocalMachine;
    return 0;
}

// Subkey paths never start with a separator and have no empty parts; one trailing separator is
// tolerated.
bool NormalizeSubKey(std::u16string_view subKey, std::u16string* out) {
    if (!subKey.empty() && subKey.back() == u'\\')
        subKey.remove_suffix(1);
    if (subKey.empty()) {
        out->clear();
        return true;
    }
    if (subKey.front() == u'\\' || subKey.find(u"\\\\") != std::u16string_view::npos)
        return false;
    out->assign(subKey);
    return true;
}

char16_t AsciiLower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// The local-machine hive, and the user's policy key, which Windows' default rights leave to
// administrators so that a user cannot lift a policy.
bool AdministratorsOnly(int hive, std::u16string_view path) {
    if (hive == store::HiveLocalMachine)
        return true;
    constexpr std::u16string_view policies = u"software\\policies";
    if (hive != store::HiveCurrentUser || path.size() < policies.size() ||
        (path.size() > policies.size() && path[policies.size()] != u'\\'))
        return false;
    return std::equal(policies.begin(), policies.end(), path.begin(),
                      [](char16_t a, char16_t b) { return a == AsciiLower(b); });
}

// Hands the value's data to the caller as RegQueryValueEx does: the size it takes always, the data
// when the buffer holds it, ErrorMoreData when it does not.
ErrorCode CopyData(const std::vector<std::uint8_t>& bytes, std::uint8_t* data, std::uint32_t* dataSize) {
    if (dataSize == nullptr)
        return ErrorSuccess;
    const auto needed = static_cast<std::uint32_t>(bytes.size());
    if (data != nullptr && *dataSize < needed) {
        *dataSize = needed;
        return ErrorMoreData;
    }
    if (data != nullptr && needed > 0)
        std::memcpy(data, bytes.data(), needed);
    *dataSize = needed;
    return ErrorSuccess;
}

} // namespace

std::uint32_t SimRegistry::Granted(int hive, std::u16string_view path, std::uint32_t samDesired, bool* refused) {
    *refused = false;
    bool admin = false;
    const bool restricted =
        AdministratorsOnly(hive, path) && (machine_.ReadAdministrator(&admin) != ErrorSuccess || !admin);
    std::uint32_t granted = samDesired & ~(GenericRead | GenericWrite | GenericAll | MaximumAllowed);
    if (samDesired & GenericRead)
        granted |= KeyRead;
    if (samDesired & GenericWrite)
        granted |= KeyWrite;
    if (samDesired & GenericAll)
        granted |= KeyAllAccess;
    if (samDesired & MaximumAllowed)
        granted |= restricted ? KeyRead : KeyAllAccess;
    if (restricted && (samDesired & kWriteRights) != 0)
        *refused = true;
    return granted;
}

HKey SimRegistry::AddHandle(OpenKey key) {
    std::lock_guard lock(handlesMutex_);
    const HKey handle = nextHandle_;
    nextHandle_ += 4;
    handles_.emplace(handle, std::move(key));
    return handle;
}

ErrorCode SimRegistry::Lookup(HKey key, OpenKey* open) {
    if (const int hive = HiveOf(key); hive != 0) {
        bool refused = false;
        *open = OpenKey{hive, std::u16string(), Granted(hive, u"", KeyAllAccess, &refused)};
        if (refused)
            open->access = KeyRead;
        return ErrorSuccess;
    }
    std::lock_guard lock(handlesMutex_);
    const auto it = handles_.find(key);
    if (it == handles_.end())
        return ErrorInvalidHandle;
    *open = it->second;
    return ErrorSuccess;
}

ErrorCode SimRegistry::WithKey(HKey key, std::uint32_t right, const KeyUse& use) {
    if (machine_.Db() == nullptr)
        return machine_.OpenError();
    OpenKey open;
    if (const ErrorCode e = Lookup(key, &open); e != ErrorSuccess)
        return e;
    if ((open.access & right) == 0)
        return ErrorAccessDenied;

    std::lock_guard lock(machine_.DbMutex());
    const bool write = right == KeySetValue;
    Transaction tx(machine_.Db(), write ? Transaction::Kind::Write : Transaction::Kind::Read);
    if (write && tx.BeginCode() != SQLITE_OK)
        return SqliteToWindowsError(tx.BeginCode());
    // The open key may have been deleted by another process since.
    std::int64_t id = 0;
    if (const int rc = store::FindKey(machine_.Db(), open.hive, open.path, &id); rc != SQLITE_OK)
        return SqliteToWindowsError(rc);
    if (id == 0)
        return ErrorKeyDeleted;
    return use(open, id, tx);
}

ErrorCode SimRegistry::Resolve(HKey key, std::u16string_view subKey, OpenKey* target) {
    OpenKey base;
    if (const ErrorCode e = Lookup(key, &base); e != ErrorSuccess)
        return e;
    std::u16string relative;
    if (!NormalizeSubKey(subKey, &relative))
        return ErrorBadPathname;
    target->hive = base.hive;
    target->path = base.path;
    if (!relative.empty()) {
        if (!target->path.empty())
            target->path += u'\\';
        target->path += relative;
    }
    return ErrorSuccess;
}

ErrorCode SimRegistry::OpenKeyEx(HKey key, std::u16string_view subKey, std::uint32_t /*options*/,
                                 std::uint32_t samDesired, HKey* result) {
    if (result == nullptr)
        return ErrorInvalidParameter;
    if (machine_.Db() == nullptr)
        return machine_.OpenError();
    OpenKey target;
    if (const ErrorCode e = Resolve(key, subKey, &target); e != ErrorSuccess)
        return e;
    std::lock_guard lock(machine_.DbMutex());
    std::int64_t id = 0;
    if (const int rc = store::FindKey(machine_.Db(), target.hive, target.path, &id); rc != SQLITE_OK)
        return SqliteToWindowsError(rc);
    if (id == 0)
        return ErrorFileNotFound;
    bool refused = false;
    target.access = Granted(target.hive, target.path, samDesired, &refused);
    if (refused)
        return ErrorAccessDenied;
    *result = AddHandle(std::move(target));
    return ErrorSuccess;
}

ErrorCode SimRegistry::CreateKeyEx(HKey key, std::u16string_view subKey, std::uint32_t /*options*/,
                                   std::uint32_t samDesired, HKey* result, std::uint32_t* disposition) {
    if (result == nullptr)
        return ErrorInvalidParameter;
    if (machine_.Db() == nullptr)
        return machine_.OpenError();
    OpenKey parent, target;
    if (const ErrorCode e = Lookup(key, &parent); e != ErrorSuccess)
        return e;
    if (const ErrorCode e = Resolve(key, subKey, &target); e != ErrorSuccess)
        return e;
    bool refused = false;
    target.access = Granted(target.hive, target.path, samDesired, &refused);

    std::lock_guard lock(machine_.DbMutex());
    Transaction tx(machine_.Db(), Transaction::Kind::Write);
    if (tx.BeginCode() != SQLITE_OK)
        return SqliteToWindowsError(tx.BeginCode());
    std::int64_t id = 0;
    if (const int rc = store::FindKey(machine_.Db(), target.hive, target.path, &id); rc != SQLITE_OK)
        return SqliteToWindowsError(rc);
    if (refused)
        return ErrorAccessDenied;
    bool created = false;
    if (id == 0) {
        if ((parent.access & KeyCreateSubKey) == 0)
            return ErrorAccessDenied; // a new key is made through its parent's handle
        bool admin = false;
        if (AdministratorsOnly(target.hive, target.path) &&
            (machine_.ReadAdministrator(&admin) != ErrorSuccess || !admin))
            return ErrorAccessDenied; // creating a subkey is a write of its parent
        if (const int rc = store::CreateKey(machine_.Db(), target.hive, target.path, &id, &created); rc != SQLITE_OK)
            return SqliteToWindowsError(rc);
    }
    if (const int rc = tx.Commit(); rc != SQLITE_OK)
        return SqliteToWindowsError(rc);
    if (disposition != nullptr)
        *disposition = created ? RegCreatedNewKey : RegOpenedExistingKey;
    *result = AddHandle(std::move(target));
    return ErrorSuccess;
}

ErrorCode SimRegistry::CloseKey(HKey key) {
    if (HiveOf(key) != 0)
        return ErrorSuccess;
    std::lock_guard lock(handlesMutex_);
    return handles_.erase(key) == 1 ? ErrorSuccess : ErrorInvalidHandle;
}

ErrorCode SimRegistry::QueryValueEx(HKey key, std::u16string_view valueName, std::uint32_t* type, std::uint8_t* data,
                                    std::uint32_t* dataSize) {
    if (data != nullptr && dataSize == nullptr)
        return ErrorInvalidParameter;
    return WithKey(key, KeyQueryValue, [&](const OpenKey&, std::int64_t id, Transaction&) -> ErrorCode {
        Statement q(machine_.Db(), "SELECT type, data FROM reg_value WHERE key_id = ?1 AND folded = ?2");
        q.Bind(1, id).Bind(2, store::Fold(valueName));
        const int rc = q.Step();
        if (rc == SQLITE_DONE)
            return ErrorFileNotFound;
        if (rc != SQLITE_ROW)
            return SqliteToWindowsError(rc);
        const auto bytes = q.Blob(1);
        if (type != nullptr)
            *type = static_cast<std::uint32_t>(q.Int(0));
        return CopyData(bytes, data, dataSize);
    });
}

ErrorCode SimRegistry::SetValueEx(HKey key, std::u16string_view valueName, std::uint32_t type, const std::uint8_t* data,
                                  std::uint32_t dataSize) {
    if (data == nullptr && dataSize != 0)
        return ErrorInvalidParameter;
    return WithKey(key, KeySetValue, [&](const OpenKey&, std::int64_t id, Transaction& tx) -> ErrorCode {
        const std::span<const std::uint8_t> bytes(data, data == nullptr ? 0 : dataSize);
        if (const int rc = store::SetValue(machine_.Db(), id, valueName, type, bytes); rc != SQLITE_OK)
            return SqliteToWindowsError(rc);
        return SqliteToWindowsError(tx.Commit());
    });
}

ErrorCode SimRegistry::DeleteValue(HKey key, std::u16string_view valueName) {
    return WithKey(key, KeySetValue, [&](const OpenKey&, std::int64_t id, Transaction& tx) -> ErrorCode {
        Statement del(machine_.Db(), "DELETE FROM reg_value WHERE key_id = ?1 AND folded = ?2");
        del.Bind(1, id).Bind(2, store::Fold(valueName));
        if (const int rc = del.Step(); rc != SQLITE_DONE)
            return SqliteToWindowsError(rc);
        if (sqlite3_changes(machine_.Db()) == 0)
            return ErrorFileNotFound;
        return SqliteToWindowsError(tx.Commit());
    });
}

ErrorCode SimRegistry::EnumValue(HKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength,
                                 std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) {
    if (name == nullptr || nameLength == nullptr || (data != nullptr && dataSize == nullptr))
        return ErrorInvalidParameter;
    return WithKey(key, KeyQueryValue, [&](const OpenKey&, std::int64_t id, Transaction&) -> ErrorCode {
        Statement q(machine_.Db(),
                    "SELECT name, type, data FROM reg_value WHERE key_id = ?1 ORDER BY position LIMIT 1 OFFSET ?2");
        q.Bind(1, id).Bind(2, std::int64_t{index});
        const int rc = q.Step();
        if (rc == SQLITE_DONE)
            return ErrorNoMoreItems;
        if (rc != SQLITE_ROW)
            return SqliteToWindowsError(rc);
        const std::u16string valueName = Utf8ToUtf16(q.Text(0));
        const auto bytes = q.Blob(2);
        if (*nameLength <= valueName.size())
            return ErrorMoreData;
        std::memcpy(name, valueName.data(), valueName.size() * sizeof(char16_t));
        name[valueName.size()] = u'\0';
        *nameLength = static_cast<std::uint32_t>(valueName.size());
        if (type != nullptr)
            *type = static_cast<std::uint32_t>(q.Int(1));
        return CopyData(bytes, data, dataSize);
    });
}

ErrorCode SimRegistry::QueryInfoKey(HKey key, std::uint32_t* values, std::uint32_t* maxValueNameLength,
                                    std::uint32_t* maxValueLength) {
    return WithKey(key, KeyQueryValue, [&](const OpenKey&, std::int64_t id, Transaction&) -> ErrorCode {
        Statement q(machine_.Db(), "SELECT name, length(data) FROM reg_value WHERE key_id = ?1");
        q.Bind(1, id);
        std::uint32_t count = 0, longestName = 0, largestData = 0;
        int rc;
        while ((rc = q.Step()) == SQLITE_ROW) {
            ++count;
            longestName = std::max(longestName, static_cast<std::uint32_t>(Utf8ToUtf16(q.Text(0)).size()));
            largestData = std::max(largestData, static_cast<std::uint32_t>(q.Int(1)));
        }
        if (rc != SQLITE_DONE)
            return SqliteToWindowsError(rc);
        if (values != nullptr)
            *values = count;
        if (maxValueNameLength != nullptr)
            *maxValueNameLength = longestName;
        if (maxValueLength != nullptr)
            *maxValueLength = largestData;
        return ErrorSuccess;
    });
}

ErrorCode SimRegistry::EnumKeyEx(HKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength) {
    if (name == nullptr || nameLength == nullptr)
        return ErrorInvalidParameter;
    return WithKey(key, KeyEnumerateSubKeys, [&](const OpenKey& open, std::int64_t, Transaction&) -> ErrorCode {
        std::vector<std::u16string> names;
        if (const int rc = store::GetSubKeyNames(machine_.Db(), open.hive, open.path, &names); rc != SQLITE_OK)
            return SqliteToWindowsError(rc);
        if (index >= names.size())
            return ErrorNoMoreItems;
        const std::u16string& subKey = names[index];
        if (*nameLength <= subKey.size())
            return ErrorMoreData;
        std::memcpy(name, subKey.data(), subKey.size() * sizeof(char16_t));
        name[subKey.size()] = u'\0';
        *nameLength = static_cast<std::uint32_t>(subKey.size());
        return ErrorSuccess;
    });
}

} // namespace prolamo::os::simulated
