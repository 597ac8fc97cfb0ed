#include "os/simulated/SimNetwork.h"

#include "os/simulated/AdapterStore.h"

#include "os/Registry.h"
#include "os/Sqlite.h"
#include "os/Text.h"
#include "os/simulated/Machine.h"
#include "os/simulated/RegistryStore.h"
#include "os/simulated/SqliteErrors.h"

#include <cstdio>
#include <stdexcept>

namespace prolamo::os::simulated {

namespace {

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS adapter(
    idx INTEGER PRIMARY KEY,
    description TEXT NOT NULL,
    service_name TEXT NOT NULL,
    connection_name TEXT,
    guid TEXT,
    mac TEXT NOT NULL,
    enabled INTEGER NOT NULL,
    ip_enabled INTEGER NOT NULL,
    dhcp INTEGER NOT NULL,
    addresses TEXT NOT NULL,
    masks TEXT NOT NULL,
    gateways TEXT NOT NULL,
    dns TEXT NOT NULL,
    wins TEXT NOT NULL,
    lease_address TEXT NOT NULL,
    lease_mask TEXT NOT NULL,
    lease_gateway TEXT NOT NULL,
    lease_dns TEXT NOT NULL,
    wireless INTEGER NOT NULL DEFAULT 0,
    media INTEGER NOT NULL DEFAULT 0,
    ssid TEXT NOT NULL DEFAULT '',
    gateway_mac TEXT NOT NULL DEFAULT '',
    dns_suffix TEXT NOT NULL DEFAULT '');
)sql";

constexpr const char* kFactNetworkChanges = "network_changes";

constexpr const char* kFactSeeded = "seeded_network";

constexpr const char16_t* kNetClassKey =
    u"SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}";
constexpr const char16_t* kNetworkCardsKey = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards\\";
constexpr const char16_t* kTcpipInterfacesKey = u"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\";
constexpr const char16_t* kNetBtInterfacesKey =
    u"SYSTEM\\CurrentControlSet\\Services\\NetBT\\Parameters\\Interfaces\\Tcpip_";

std::string Join(const std::vector<std::string>& list, char separator) {
    std::string text;
    for (const auto& item : list) {
        if (!text.empty())
            text += separator;
        text += item;
    }
    return text;
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> list;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto comma = text.find(',', start);
        const auto end = comma == std::string::npos ? text.size() : comma;
        list.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return list;
}

// Keeps the registry's TCP/IP values of the adapter in step with its record, as Windows does.
int SyncRegistry(sqlite3* db, const AdapterRecord& a) {
    if (!a.guid)
        return SQLITE_OK;
    const std::u16string guid = Utf8ToUtf16(*a.guid);
    std::int64_t key = 0;
    bool created = false;
    auto put = [&](std::u16string_view name, std::uint32_t type, const std::vector<std::uint8_t>& data) {
        return store::SetValue(db, key, name, type, data);
    };
    auto text = [](const std::string& s) { return store::StringData(Utf8ToUtf16(s)); };
    int rc = SQLITE_OK;
    auto check = [&rc](int r) { return (rc = r) == SQLITE_OK; };

    char classKey[8];
    std::snprintf(classKey, sizeof classKey, "\\%04d", a.index);
    if (!check(store::CreateKey(db, store::HiveLocalMachine, kNetClassKey + Utf8ToUtf16(classKey), &key, &created)) ||
        !check(put(u"DriverDesc", RegSz, text(a.description))) ||
        !check(put(u"NetCfgInstanceID", RegSz, store::StringData(guid))))
        return rc;

    if (!check(store::CreateKey(db, store::HiveLocalMachine,
                                kNetworkCardsKey + Utf8ToUtf16(std::to_string(a.index + 1)), &key, &created)) ||
        !check(put(u"ServiceName", RegSz, store::StringData(guid))) ||
        !check(put(u"Description", RegSz, text(a.description))))
        return rc;

    const bool isStatic = !a.dhcp;
    if (!check(store::CreateKey(db, store::HiveLocalMachine, kTcpipInterfacesKey + guid, &key, &created)) ||
        !check(put(u"EnableDHCP", RegDword, store::DwordData(a.dhcp ? 1 : 0))) ||
        !check(put(u"IPAddress", RegMultiSz,
                   store::MultiStringData(isStatic ? Wide(a.addresses) : std::vector<std::u16string>{u"0.0.0.0"}))) ||
        !check(put(u"SubnetMask", RegMultiSz,
                   store::MultiStringData(isStatic ? Wide(a.masks) : std::vector<std::u16string>{u"0.0.0.0"}))) ||
        !check(put(u"DefaultGateway", RegMultiSz, store::MultiStringData(Wide(a.gateways)))) ||
        !check(put(u"NameServer", RegSz, text(Join(a.dnsServers, ',')))) ||
        !check(put(u"DhcpIPAddress", RegSz, text(a.dhcp ? a.leaseAddress : ""))) ||
        !check(put(u"DhcpSubnetMask", RegSz, text(a.dhcp ? a.leaseMask : ""))) ||
        !check(put(u"DhcpNameServer", RegSz, text(a.dhcp ? Join(a.leaseDnsServers, ' ') : ""))))
        return rc;

    if (!check(store::CreateKey(db, store::HiveLocalMachine, kNetBtInterfacesKey + guid, &key, &created)) ||
        !check(put(u"NameServerList", RegMultiSz, store::MultiStringData(Wide(a.winsServers)))))
        return rc;
    return SQLITE_OK;
}

AdapterRecord Read(const Statement& q) {
    AdapterRecord a;
    a.index = static_cast<int>(q.Int(0));
    a.description = q.Text(1);
    a.serviceName = q.Text(2);
    if (!q.IsNull(3))
        a.connectionName = q.Text(3);
    if (!q.IsNull(4))
        a.guid = q.Text(4);
    a.macAddress = q.Text(5);
    a.enabled = q.Int(6) != 0;
    a.ipEnabled = q.Int(7) != 0;
    a.dhcp = q.Int(8) != 0;
    a.addresses = Split(q.Text(9));
    a.masks = Split(q.Text(10));
    a.gateways = Split(q.Text(11));
    a.dnsServers = Split(q.Text(12));
    a.winsServers = Split(q.Text(13));
    a.leaseAddress = q.Text(14);
    a.leaseMask = q.Text(15);
    a.leaseGateway = q.Text(16);
    a.leaseDnsServers = Split(q.Text(17));
    a.wireless = q.Int(18) != 0;
    a.mediaConnected = q.Int(19) != 0;
    a.ssid = q.Text(20);
    a.leaseGatewayMac = q.Text(21);
    a.leaseDnsSuffix = q.Text(22);
    return a;
}

// ---- connections ----

class SimConnection final : public INetConnection {
public:
    SimConnection(Machine& machine, int index) : machine_(machine), index_(index) {}

    HResult GetProperties(NetConProperties* properties) override {
        AdapterRecord adapter;
        if (const HResult hr = Find(&adapter); hr != SOk)
            return hr;
        properties->guid = Utf8ToUtf16(adapter.guid.value_or(""));
        properties->name = Utf8ToUtf16(adapter.connectionName.value_or(""));
        properties->deviceName = Utf8ToUtf16(adapter.description);
        properties->status = adapter.enabled ? NetConStatusConnected : NetConStatusDisconnected;
        return SOk;
    }
    HResult Connect() override { return Switch(true); }
    HResult Disconnect() override { return Switch(false); }

private:
    HResult Find(AdapterRecord* found) {
        std::vector<AdapterRecord> adapters;
        if (const ErrorCode e = ReadAdapters(machine_, &adapters); e != ErrorSuccess)
            return HResultFromWin32(e);
        for (auto& a : adapters)
            if (a.index == index_ && a.connectionName) {
                *found = std::move(a);
                return SOk;
            }
        return HResultFromWin32(ErrorNotFound);
    }
    // Switching a connection on or off takes administrative rights.
    HResult Switch(bool on) {
        bool administrator = false;
        if (const ErrorCode e = machine_.ReadAdministrator(&administrator); e != ErrorSuccess)
            return HResultFromWin32(e);
        if (!administrator)
            return EAccessDenied;
        AdapterRecord adapter;
        if (const HResult hr = Find(&adapter); hr != SOk)
            return hr;
        adapter.enabled = on;
        return HResultFromWin32(WriteAdapter(machine_, adapter));
    }

    Machine& machine_;
    int index_;
};

} // namespace

std::vector<std::u16string> Wide(const std::vector<std::string>& list) {
    std::vector<std::u16string> wide;
    for (const auto& item : list)
        wide.push_back(Utf8ToUtf16(item));
    return wide;
}

int StoreAdapter(sqlite3* db, const AdapterRecord& a) {
    Statement q(db,
                "INSERT OR REPLACE INTO adapter(idx, description, service_name, connection_name, guid, mac, "
                "enabled, ip_enabled, dhcp, addresses, masks, gateways, dns, wins, lease_address, lease_mask, "
                "lease_gateway, lease_dns, wireless, media, ssid, gateway_mac, dns_suffix) VALUES (?1, ?2, ?3, ?4, ?5, "
                "?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19, ?20, ?21, ?22, ?23)");
    if (!q.Ok())
        return q.PrepareCode();
    q.Bind(1, a.index).Bind(2, a.description).Bind(3, a.serviceName);
    if (a.connectionName)
        q.Bind(4, *a.connectionName);
    if (a.guid)
        q.Bind(5, *a.guid);
    q.Bind(6, a.macAddress).Bind(7, a.enabled ? 1 : 0).Bind(8, a.ipEnabled ? 1 : 0).Bind(9, a.dhcp ? 1 : 0);
    q.Bind(10, Join(a.addresses, ',')).Bind(11, Join(a.masks, ',')).Bind(12, Join(a.gateways, ','));
    q.Bind(13, Join(a.dnsServers, ',')).Bind(14, Join(a.winsServers, ','));
    q.Bind(15, a.leaseAddress).Bind(16, a.leaseMask).Bind(17, a.leaseGateway).Bind(18, Join(a.leaseDnsServers, ','));
    q.Bind(19, a.wireless ? 1 : 0).Bind(20, a.mediaConnected ? 1 : 0).Bind(21, a.ssid).Bind(22, a.leaseGatewayMac);
    q.Bind(23, a.leaseDnsSuffix);
    const int rc = q.Step();
    return rc == SQLITE_DONE ? SyncRegistry(db, a) : rc;
}

ErrorCode ReadAdapters(Machine& machine, std::vector<AdapterRecord>* adapters) {
    if (machine.Db() == nullptr)
        return machine.OpenError();
    std::lock_guard lock(machine.DbMutex());
    Transaction tx(machine.Db(), Transaction::Kind::Read);
    if (tx.BeginCode() != SQLITE_OK)
        return SqliteToWindowsError(tx.BeginCode());
    Statement q(machine.Db(), "SELECT idx, description, service_name, connection_name, guid, mac, enabled, ip_enabled, "
                              "dhcp, addresses, masks, gateways, dns, wins, lease_address, lease_mask, lease_gateway, "
                              "lease_dns, wireless, media, ssid, gateway_mac, dns_suffix FROM adapter ORDER BY idx");
    if (!q.Ok())
        return SqliteToWindowsError(q.PrepareCode());
    adapters->clear();
    int rc;
    while ((rc = q.Step()) == SQLITE_ROW)
        adapters->push_back(Read(q));
    return rc == SQLITE_DONE ? ErrorSuccess : SqliteToWindowsError(rc);
}

ErrorCode WriteAdapter(Machine& machine, const AdapterRecord& adapter) {
    return WriteAdapters(machine, {adapter});
}

ErrorCode WriteAdapters(Machine& machine, const std::vector<AdapterRecord>& adapters) {
    if (machine.Db() == nullptr)
        return machine.OpenError();
    std::lock_guard lock(machine.DbMutex());
    Transaction tx(machine.Db(), Transaction::Kind::Write);
    if (tx.BeginCode() != SQLITE_OK)
        return SqliteToWindowsError(tx.BeginCode());
    for (const AdapterRecord& adapter : adapters)
        if (const int rc = StoreAdapter(machine.Db(), adapter); rc != SQLITE_OK)
            return SqliteToWindowsError(rc);
    Statement count(machine.Db(), "INSERT INTO fact(key, value) VALUES (?1, '1') ON CONFLICT(key) "
                                  "DO UPDATE SET value = CAST(value AS INTEGER) + 1");
    count.Bind(1, kFactNetworkChanges);
    if (const int rc = count.Step(); rc != SQLITE_DONE)
        return SqliteToWindowsError(rc);
    return SqliteToWindowsError(tx.Commit());
}

ErrorCode ReadNetworkChanges(Machine& machine, std::uint64_t* count) {
    std::optional<std::string> value;
    if (const ErrorCode e = machine.ReadFact(kFactNetworkChanges, &value); e != ErrorSuccess)
        return e;
    *count = value ? std::stoull(*value) : 0;
    return ErrorSuccess;
}

void SeedNetwork(Machine& machine) {
    sqlite3* db = machine.Db();
    if (Exec(db, kSchema) != SQLITE_OK)
        throw std::runtime_error(std::string("creating the adapter table failed: ") + sqlite3_errmsg(db));
    std::optional<std::string> seeded;
    if (machine.ReadFact(kFactSeeded, &seeded) != ErrorSuccess)
        throw std::runtime_error(sqlite3_errmsg(db));
    if (seeded) {
        AddLocationColumns(db);
        return;
    }
    for (const AdapterRecord& adapter : LaptopAdapters())
        if (const int rc = StoreAdapter(db, adapter); rc != SQLITE_OK)
            throw std::runtime_error(std::string("seeding the adapters failed: ") + sqlite3_errstr(rc));
    machine.SetFact(kFactSeeded, "1");
}

HResult SimConnectionManager::EnumConnections(std::vector<std::unique_ptr<INetConnection>>* connections) {
    Machine& machine = CurrentMachine();
    std::vector<AdapterRecord> adapters;
    if (const ErrorCode e = ReadAdapters(machine, &adapters); e != ErrorSuccess)
        return HResultFromWin32(e);
    connections->clear();
    for (const auto& adapter : adapters)
        if (adapter.connectionName)
            connections->push_back(std::make_unique<SimConnection>(machine, adapter.index));
    return SOk;
}

} // namespace prolamo::os::simulated
