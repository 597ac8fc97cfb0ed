#include "support/SimulatedMachine.h"

#include "os/Sqlite.h"
#include "os/simulated/RegistryStore.h"
#include "os/simulated/SimSystem.h"

#include <sqlite3.h>

#include <cstring>
#include <mutex>
#include <stdexcept>

namespace prolamo::test {

namespace {

constexpr std::u16string_view kTimeZonesKey = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones";

// A value is looked up by its folded name; listing walks the key's values by position instead.
int RefuseValueLookups(void*, int action, const char* table, const char* column, const char*, const char*) {
    const bool lookup = action == SQLITE_READ && table != nullptr && column != nullptr &&
                        std::strcmp(table, "reg_value") == 0 && std::strcmp(column, "folded") == 0;
    return lookup ? SQLITE_DENY : SQLITE_OK;
}

} // namespace

void RemoveRegistryKey(os::simulated::Machine& machine, os::HKey root, std::u16string_view path) {
    namespace store = os::simulated::store;
    const std::int64_t hive = root == os::HKeyCurrentUser ? store::HiveCurrentUser : store::HiveLocalMachine;
    // The key and every key below it; LIKE would take the names' own '%' and '_' for patterns.
    constexpr const char* keys = "SELECT id FROM reg_key WHERE hive = ?1 AND (folded = ?2 OR "
                                 "substr(folded, 1, length(?2) + 1) = ?2 || '\\')";
    std::lock_guard lock(machine.DbMutex());
    os::Transaction transaction(machine.Db(), os::Transaction::Kind::Write);
    os::Statement values(machine.Db(), std::string("DELETE FROM reg_value WHERE key_id IN (") + keys + ")");
    os::Statement rows(machine.Db(), std::string("DELETE FROM reg_key WHERE id IN (") + keys + ")");
    const std::string folded = store::Fold(path);
    if (transaction.BeginCode() != SQLITE_OK || values.Bind(1, hive).Bind(2, folded).Step() != SQLITE_DONE ||
        rows.Bind(1, hive).Bind(2, folded).Step() != SQLITE_DONE || transaction.Commit() != SQLITE_OK)
        throw std::runtime_error("the machine refused to remove the key");
}

void RevertToEarlierLayout(os::simulated::Machine& machine, EarlierLayout layout) {
    const char* sql = "";
    switch (layout) {
    case EarlierLayout::WithoutPrintersAndDrives:
        sql = "DROP TABLE printer; DROP TABLE shared_printer; DROP TABLE net_share; DROP TABLE net_drive;"
              "DELETE FROM fact WHERE key IN ('seeded_printers_drives', 'layout');";
        break;
    case EarlierLayout::WithoutTimeZones:
        RemoveRegistryKey(machine, os::HKeyLocalMachine, kTimeZonesKey);
        RemoveRegistryKey(machine, os::HKeyLocalMachine, os::simulated::TimeZoneInformationKey);
        sql = "DELETE FROM fact WHERE key IN ('seeded_browsers_time', 'layout');";
        break;
    case EarlierLayout::WithoutNetworkColumns:
        sql = "ALTER TABLE adapter DROP COLUMN wireless; ALTER TABLE adapter DROP COLUMN media;"
              "ALTER TABLE adapter DROP COLUMN ssid; ALTER TABLE adapter DROP COLUMN gateway_mac;"
              "ALTER TABLE adapter DROP COLUMN dns_suffix; DELETE FROM fact WHERE key = 'layout';";
        break;
    }
    std::lock_guard lock(machine.DbMutex());
    if (os::Exec(machine.Db(), sql) != SQLITE_OK)
        throw std::runtime_error(std::string("the machine refused to go back to an earlier layout: ") +
                                 sqlite3_errmsg(machine.Db()));
}

RegistryValueReadsRefused::RegistryValueReadsRefused(os::simulated::Machine& machine) : machine_(machine) {
    std::lock_guard lock(machine_.DbMutex());
    sqlite3_set_authorizer(machine_.Db(), &RefuseValueLookups, nullptr);
}

RegistryValueReadsRefused::~RegistryValueReadsRefused() {
    std::lock_guard lock(machine_.DbMutex());
    sqlite3_set_authorizer(machine_.Db(), nullptr, nullptr);
}

} // namespace prolamo::test
