#include "support/RegistryFaults.h"

#include <sqlite3.h>

#include <cstring>
#include <mutex>

namespace prolamo::test {

namespace {

// A value is looked up by its folded name; listing walks the key's values by position instead.
int RefuseValueLookups(void*, int action, const char* table, const char* column, const char*, const char*) {
    const bool lookup = action == SQLITE_READ && table != nullptr && column != nullptr &&
                        std::strcmp(table, "reg_value") == 0 && std::strcmp(column, "folded") == 0;
    return lookup ? SQLITE_DENY : SQLITE_OK;
}

} // namespace

RegistryValueReadsRefused::RegistryValueReadsRefused(os::simulated::Machine& machine) : machine_(machine) {
    std::lock_guard lock(machine_.DbMutex());
    sqlite3_set_authorizer(machine_.Db(), &RefuseValueLookups, nullptr);
}

RegistryValueReadsRefused::~RegistryValueReadsRefused() {
    std::lock_guard lock(machine_.DbMutex());
    sqlite3_set_authorizer(machine_.Db(), nullptr, nullptr);
}

} // namespace prolamo::test
