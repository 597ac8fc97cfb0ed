// Brings the adapter table of a machine seeded by an earlier build up to this one.

#include "os/simulated/AdapterStore.h"

#include "os/Sqlite.h"

#include <stdexcept>
#include <string>

namespace prolamo::os::simulated {

namespace {

// Machines seeded before the adapter table knew the network it is attached to.
constexpr const char* kLocationColumns[] = {"wireless INTEGER NOT NULL DEFAULT 0", "media INTEGER NOT NULL DEFAULT 0",
                                            "ssid TEXT NOT NULL DEFAULT ''", "gateway_mac TEXT NOT NULL DEFAULT ''",
                                            "dns_suffix TEXT NOT NULL DEFAULT ''"};

} // namespace

// The seeded adapters get the values they would have been seeded with.
void AddLocationColumns(sqlite3* db) {
    Statement columns(db, "SELECT COUNT(*) FROM pragma_table_info('adapter') WHERE name = 'dns_suffix'");
    if (columns.Step() != SQLITE_ROW)
        throw std::runtime_error(std::string("reading the adapter table failed: ") + sqlite3_errmsg(db));
    if (columns.Int(0) != 0)
        return;
    for (const char* column : kLocationColumns)
        if (Exec(db, (std::string("ALTER TABLE adapter ADD COLUMN ") + column).c_str()) != SQLITE_OK)
            throw std::runtime_error(std::string("extending the adapter table failed: ") + sqlite3_errmsg(db));
    for (const AdapterRecord& a : LaptopAdapters()) {
        Statement q(db, "UPDATE adapter SET wireless = ?1, media = ?2, ssid = ?3, gateway_mac = ?4, dns_suffix = ?5 "
                        "WHERE idx = ?6 AND mac = ?7");
        q.Bind(1, a.wireless ? 1 : 0).Bind(2, a.mediaConnected ? 1 : 0).Bind(3, a.ssid).Bind(4, a.leaseGatewayMac);
        q.Bind(5, a.leaseDnsSuffix).Bind(6, a.index).Bind(7, a.macAddress);
        if (q.Step() != SQLITE_DONE)
            throw std::runtime_error(std::string("extending the adapter table failed: ") + sqlite3_errmsg(db));
    }
}

} // namespace prolamo::os::simulated
