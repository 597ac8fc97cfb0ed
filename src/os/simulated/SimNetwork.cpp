#include "os/simulated/SimNetwork.h"

#include "os/Registry.h"
#include "os/Text.h"
#include "os/simulated/Machine.h"
#include "os/simulated/RegistryStore.h"
#include "os/Sqlite.h"

#include <cctype>
#include <cstdio>
#include <functional>
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

// Machines seeded before the adapter table knew the network it is attached to.
constexpr const char* kLocationColumns[] = {
    "wireless INTEGER NOT NULL DEFAULT 0", "media INTEGER NOT NULL DEFAULT 0", "ssid TEXT NOT NULL DEFAULT ''",
    "gateway_mac TEXT NOT NULL DEFAULT ''", "dns_suffix TEXT NOT NULL DEFAULT ''"};
constexpr const char* kFactNetworkChanges = "network_changes";

constexpr const char* kFactSeeded = "seeded_network";

constexpr const char16_t* kNetClassKey =
    u"SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}";
constexpr const char16_t* kNetworkCardsKey = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards\\";
constexpr const char16_t* kTcpipInterfacesKey = u"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\";
constexpr const char16_t* kNetBtInterfacesKey = u"SYSTEM\\CurrentControlSet\\Services\\NetBT\\Parameters\\Interfaces\\Tcpip_";

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

std::vector<std::u16string> Wide(const std::vector<std::string>& list) {
    std::vector<std::u16string> wide;
    for (const auto& item : list)
        wide.push_back(Utf8ToUtf16(item));
    return wide;
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

int Store(sqlite3* db, const AdapterRecord& a) {
    Statement q(db, "INSERT OR REPLACE INTO adapter(idx, description, service_name, connection_name, guid, mac, "
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

// A laptop at home: a wired adapter without a cable, switched off away from the office and still
// holding the office's static addresses, a wireless one on DHCP in the home network, and two
// hidden adapters without a connection.
std::vector<AdapterRecord> LaptopAdapters() {
    AdapterRecord wired;
    wired.index = 0;
    wired.description = "Intel(R) Ethernet Connection (7) I219-LM";
    wired.serviceName = "e1dexpress";
    wired.connectionName = "Ethernet";
    wired.guid = "{6B1F3C2A-9D44-4E7B-A1C0-5E2D8F7A3B10}";
    wired.macAddress = "3C:52:82:1A:7F:04";
    wired.ipEnabled = true;
    wired.dhcp = false;
    wired.addresses = {"10.20.30.41"};
    wired.masks = {"255.255.255.0"};
    wired.gateways = {"10.20.30.1"};
    wired.dnsServers = {"10.20.30.5", "10.20.30.6"};
    wired.winsServers = {"10.20.30.7"};
    wired.leaseAddress = "10.20.30.140";
    wired.leaseMask = "255.255.255.0";
    wired.leaseGateway = "10.20.30.1";
    wired.leaseDnsServers = {"10.20.30.5"};
    wired.leaseGatewayMac = "00:1D:A2:6E:41:01";
    wired.leaseDnsSuffix = "corp.example";

    AdapterRecord wireless;
    wireless.index = 1;
    wireless.description = "Intel(R) Wi-Fi 6 AX201 160MHz";
    wireless.serviceName = "Netwtw10";
    wireless.connectionName = "Wi-Fi";
    wireless.guid = "{C3A9E51D-2F86-4B0E-9D7A-41F0B6E28C55}";
    wireless.macAddress = "F8:5E:A0:3D:91:C2";
    wireless.enabled = true;
    wireless.ipEnabled = true;
    wireless.leaseAddress = "192.168.178.23";
    wireless.leaseMask = "255.255.255.0";
    wireless.leaseGateway = "192.168.178.1";
    wireless.leaseDnsServers = {"192.168.178.1"};
    wireless.wireless = true;
    wireless.mediaConnected = true;
    wireless.ssid = "FRITZ!Box 7590 QX";
    wireless.leaseGatewayMac = "3C:A6:2F:0B:5E:11";
    wireless.leaseDnsSuffix = "fritz.box";

    AdapterRecord wan;
    wan.index = 2;
    wan.description = "WAN Miniport (IP)";
    wan.serviceName = "NdisWan";
    wan.enabled = true;

    AdapterRecord debug;
    debug.index = 3;
    debug.description = "Microsoft Kernel Debug Network Adapter";
    debug.serviceName = "kdnic";
    debug.enabled = true;
    return {wired, wireless, wan, debug};
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

// ---- instrumentation objects ----

using Property = std::pair<std::u16string, WmiValue>;

class PropertyObject final : public IWmiObject {
public:
    explicit PropertyObject(std::vector<Property> properties) : properties_(std::move(properties)) {}
    HResult GetProperty(std::u16string_view name, WmiValue* value) override {
        for (const auto& [n, v] : properties_)
            if (store::Fold(n) == store::Fold(name)) {
                *value = v;
                return SOk;
            }
        return WbemErrorNotFound;
    }
    const std::vector<Property>& Properties() const { return properties_; }

private:
    std::vector<Property> properties_;
};

WmiValue Str(const std::string& s) {
    return WmiValue::Str(Utf8ToUtf16(s));
}
WmiValue OptionalStr(const std::optional<std::string>& s) {
    return s ? Str(*s) : WmiValue{};
}
// Windows gives no array at all where a list is empty.
WmiValue Array(const std::vector<std::string>& list) {
    return list.empty() ? WmiValue{} : WmiValue::StrArray(Wide(list));
}

std::vector<Property> AdapterProperties(const AdapterRecord& a) {
    const bool connected = a.connectionName.has_value();
    char caption[16];
    std::snprintf(caption, sizeof caption, "[%08d] ", a.index);
    return {
        {u"AdapterType", a.guid ? WmiValue::Str(u"Ethernet 802.3") : WmiValue{}},
        {u"Caption", Str(caption + a.description)},
        {u"Description", Str(a.description)},
        {u"DeviceID", Str(std::to_string(a.index))},
        {u"GUID", OptionalStr(a.guid)},
        {u"Index", WmiValue::Int(a.index)},
        {u"MACAddress", a.macAddress.empty() ? WmiValue{} : Str(a.macAddress)},
        {u"Name", Str(a.description)},
        {u"NetConnectionID", OptionalStr(a.connectionName)},
        {u"NetConnectionStatus",
         connected ? WmiValue::Int(static_cast<std::int32_t>(a.enabled ? NetConStatusConnected
                                                                        : NetConStatusDisconnected))
                   : WmiValue{}},
        {u"NetEnabled", connected ? WmiValue::Bool(a.enabled) : WmiValue{}},
        {u"PhysicalAdapter", WmiValue::Bool(a.guid.has_value())},
        {u"ServiceName", Str(a.serviceName)},
    };
}

std::vector<Property> ConfigurationProperties(const AdapterRecord& a) {
    const bool ipEnabled = a.ipEnabled && a.enabled;
    std::vector<std::string> addresses, masks, gateways, dns;
    if (ipEnabled) {
        addresses = a.dhcp ? std::vector<std::string>{a.leaseAddress} : a.addresses;
        masks = a.dhcp ? std::vector<std::string>{a.leaseMask} : a.masks;
        gateways = !a.gateways.empty() || !a.dhcp || a.leaseGateway.empty() ? a.gateways
                                                                             : std::vector<std::string>{a.leaseGateway};
        dns = !a.dnsServers.empty() || !a.dhcp ? a.dnsServers : a.leaseDnsServers;
    }
    char caption[16];
    std::snprintf(caption, sizeof caption, "[%08d] ", a.index);
    const bool wins = ipEnabled && !a.winsServers.empty();
    return {
        {u"Caption", Str(caption + a.description)},
        {u"DefaultIPGateway", Array(gateways)},
        {u"Description", Str(a.description)},
        {u"DHCPEnabled", WmiValue::Bool(a.dhcp)},
        {u"DHCPServer", ipEnabled && a.dhcp ? Str(a.leaseGateway) : WmiValue{}},
        {u"DNSServerSearchOrder", Array(dns)},
        {u"Index", WmiValue::Int(a.index)},
        {u"InterfaceIndex", WmiValue::Int(a.index + 10)},
        {u"IPAddress", Array(addresses)},
        {u"IPEnabled", WmiValue::Bool(ipEnabled)},
        {u"IPSubnet", Array(masks)},
        {u"MACAddress", a.macAddress.empty() ? WmiValue{} : Str(a.macAddress)},
        {u"ServiceName", Str(a.serviceName)},
        {u"SettingID", OptionalStr(a.guid)},
        {u"WINSPrimaryServer", wins ? Str(a.winsServers[0]) : WmiValue{}},
        {u"WINSSecondaryServer", wins && a.winsServers.size() > 1 ? Str(a.winsServers[1]) : WmiValue{}},
    };
}

// ---- WQL: select ... from Class [where condition], with and, or, not, parentheses, =, <>,
// is [not] null ----

struct Token {
    enum class Kind { Word, String, Number, Symbol, End } kind = Kind::End;
    std::u16string text;
};

class WqlParser {
public:
    explicit WqlParser(std::u16string_view query) : query_(query) { Advance(); }

    // An object passes the condition; a property the class lacks fails the query.
    using Condition = std::function<bool(const PropertyObject&, bool* unknownProperty)>;

    bool Parse(std::u16string* className, std::vector<std::u16string>* selected, Condition* condition) {
        if (!Keyword(u"select"))
            return false;
        if (Symbol(u"*")) {
            selected->clear();
        } else {
            do {
                if (token_.kind != Token::Kind::Word)
                    return false;
                selected->push_back(token_.text);
                Advance();
            } while (Symbol(u","));
        }
        if (!Keyword(u"from") || token_.kind != Token::Kind::Word)
            return false;
        *className = token_.text;
        Advance();
        *condition = [](const PropertyObject&, bool*) { return true; };
        if (Keyword(u"where") && !Expression(condition))
            return false;
        return token_.kind == Token::Kind::End && !failed_;
    }

private:
    static bool Same(std::u16string_view a, std::u16string_view b) { return store::Fold(a) == store::Fold(b); }

    bool Keyword(std::u16string_view word) {
        if (token_.kind != Token::Kind::Word || !Same(token_.text, word))
            return false;
        Advance();
        return true;
    }
    bool Symbol(std::u16string_view symbol) {
        if (token_.kind != Token::Kind::Symbol || token_.text != symbol)
            return false;
        Advance();
        return true;
    }

    bool Expression(Condition* result) { return Chain(u"or", &WqlParser::Term, result); }
    bool Term(Condition* result) { return Chain(u"and", &WqlParser::Factor, result); }
    // Operands joined by one operator, left to right.
    bool Chain(std::u16string_view op, bool (WqlParser::*operand)(Condition*), Condition* result) {
        Condition left;
        if (!(this->*operand)(&left))
            return false;
        const bool isOr = op == u"or";
        while (Keyword(op)) {
            Condition right;
            if (!(this->*operand)(&right))
                return false;
            left = [l = left, r = right, isOr](const PropertyObject& o, bool* u) {
                return isOr ? l(o, u) || r(o, u) : l(o, u) && r(o, u);
            };
        }
        *result = left;
        return true;
    }
    bool Factor(Condition* result) {
        if (Keyword(u"not")) {
            Condition inner;
            if (!Factor(&inner))
                return false;
            *result = [inner](const PropertyObject& o, bool* u) { return !inner(o, u); };
            return true;
        }
        if (Symbol(u"(")) {
            return Expression(result) && Symbol(u")");
        }
        if (token_.kind != Token::Kind::Word)
            return false;
        const std::u16string property = token_.text;
        Advance();
        auto value = [property](const PropertyObject& o, bool* unknown) {
            WmiValue v;
            if (const_cast<PropertyObject&>(o).GetProperty(property, &v) != SOk)
                *unknown = true;
            return v;
        };
        if (Keyword(u"is")) {
            const bool negated = Keyword(u"not");
            if (!Keyword(u"null"))
                return false;
            *result = [value, negated](const PropertyObject& o, bool* u) {
                return (value(o, u).type == WmiValue::Type::Null) != negated;
            };
            return true;
        }
        bool equal;
        if (Symbol(u"="))
            equal = true;
        else if (Symbol(u"<>") || Symbol(u"!="))
            equal = false;
        else
            return false;
        WmiValue literal;
        if (token_.kind == Token::Kind::String)
            literal = WmiValue::Str(token_.text);
        else if (token_.kind == Token::Kind::Number)
            literal = WmiValue::Int(std::stoi(Utf16ToUtf8(token_.text)));
        else if (token_.kind == Token::Kind::Word && (Same(token_.text, u"true") || Same(token_.text, u"false")))
            literal = WmiValue::Bool(Same(token_.text, u"true"));
        else
            return false;
        Advance();
        *result = [value, literal, equal](const PropertyObject& o, bool* u) {
            const WmiValue v = value(o, u);
            if (v.type == WmiValue::Type::Null)
                return false; // a comparison with null is never true, either way
            const bool same = v.type == literal.type &&
                              (v.type == WmiValue::Type::String ? Same(v.string, literal.string) : v == literal);
            return same == equal;
        };
        return true;
    }

    void Advance() {
        while (pos_ < query_.size() && (query_[pos_] == u' ' || query_[pos_] == u'\t' || query_[pos_] == u'\r' ||
                                        query_[pos_] == u'\n'))
            ++pos_;
        token_ = Token{};
        if (pos_ >= query_.size())
            return;
        const char16_t c = query_[pos_];
        auto isWordChar = [](char16_t ch) { return ch == u'_' || (ch < 128 && std::isalnum(static_cast<int>(ch))); };
        if (c == u'\'' || c == u'"') {
            // String literals take backslash escapes: \' \" and \\.
            token_.kind = Token::Kind::String;
            ++pos_;
            while (pos_ < query_.size() && query_[pos_] != c) {
                if (query_[pos_] == u'\\' && pos_ + 1 < query_.size())
                    ++pos_;
                token_.text.push_back(query_[pos_++]);
            }
            if (pos_ >= query_.size())
                failed_ = true; // unterminated
            else
                ++pos_;
        } else if (c < 128 && std::isdigit(static_cast<int>(c))) {
            token_.kind = Token::Kind::Number;
            while (pos_ < query_.size() && query_[pos_] < 128 && std::isdigit(static_cast<int>(query_[pos_])))
                token_.text.push_back(query_[pos_++]);
        } else if (isWordChar(c)) {
            token_.kind = Token::Kind::Word;
            while (pos_ < query_.size() && isWordChar(query_[pos_]))
                token_.text.push_back(query_[pos_++]);
        } else {
            token_.kind = Token::Kind::Symbol;
            const std::u16string_view two = query_.substr(pos_, 2);
            if (two == u"<>" || two == u"!=") {
                token_.text = std::u16string(two);
                pos_ += 2;
            } else {
                token_.text = std::u16string(1, c);
                ++pos_;
            }
        }
    }

    std::u16string_view query_;
    std::size_t pos_ = 0;
    Token token_;
    bool failed_ = false;
};

class ObjectSet final : public IWmiObjectSet {
public:
    explicit ObjectSet(std::vector<std::unique_ptr<IWmiObject>> objects) : objects_(std::move(objects)) {}
    HResult Next(std::unique_ptr<IWmiObject>* object) override {
        if (next_ >= objects_.size())
            return SFalse;
        *object = std::move(objects_[next_++]);
        return SOk;
    }

private:
    std::vector<std::unique_ptr<IWmiObject>> objects_;
    std::size_t next_ = 0;
};

class SimWmiServices final : public IWmiServices {
public:
    explicit SimWmiServices(Machine& machine) : machine_(machine) {}

    HResult ExecQuery(std::u16string_view query, std::u16string_view language, std::int32_t,
                      std::unique_ptr<IWmiObjectSet>* result) override {
        if (store::Fold(language) != "WQL")
            return WbemErrorInvalidQueryType;
        std::u16string className;
        std::vector<std::u16string> selected;
        WqlParser::Condition condition;
        if (!WqlParser(query).Parse(&className, &selected, &condition))
            return WbemErrorInvalidQuery;
        std::vector<Property> (*properties)(const AdapterRecord&);
        if (store::Fold(className) == "WIN32_NETWORKADAPTER")
            properties = AdapterProperties;
        else if (store::Fold(className) == "WIN32_NETWORKADAPTERCONFIGURATION")
            properties = ConfigurationProperties;
        else
            return WbemErrorInvalidClass;

        std::vector<AdapterRecord> adapters;
        if (const ErrorCode e = ReadAdapters(machine_, &adapters); e != ErrorSuccess)
            return HResultFromWin32(e);
        std::vector<std::unique_ptr<IWmiObject>> objects;
        for (const AdapterRecord& adapter : adapters) {
            PropertyObject object(properties(adapter));
            bool unknownProperty = false;
            const bool passes = condition(object, &unknownProperty);
            if (unknownProperty)
                return WbemErrorInvalidQuery;
            if (!passes)
                continue;
            if (selected.empty()) {
                objects.push_back(std::make_unique<PropertyObject>(object));
                continue;
            }
            std::vector<Property> chosen;
            for (const auto& name : selected) {
                WmiValue v;
                if (object.GetProperty(name, &v) != SOk)
                    return WbemErrorInvalidQuery;
                chosen.emplace_back(name, v);
            }
            objects.push_back(std::make_unique<PropertyObject>(std::move(chosen)));
        }
        *result = std::make_unique<ObjectSet>(std::move(objects));
        return SOk;
    }

private:
    Machine& machine_;
};

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

// A machine seeded before: the columns are added, and the seeded adapters get the values they
// would have been seeded with.
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

} // namespace

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
        if (const int rc = Store(machine.Db(), adapter); rc != SQLITE_OK)
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
        if (const int rc = Store(db, adapter); rc != SQLITE_OK)
            throw std::runtime_error(std::string("seeding the adapters failed: ") + sqlite3_errstr(rc));
    machine.SetFact(kFactSeeded, "1");
}

HResult SimWmi::ConnectServer(std::u16string_view server, std::u16string_view nameSpace,
                              std::unique_ptr<IWmiServices>* services) {
    const std::string host = store::Fold(server);
    if (!host.empty() && host != "." && host != "LOCALHOST")
        return HResultFromWin32(1722); // RPC_S_SERVER_UNAVAILABLE: the simulated machine is alone
    if (store::Fold(nameSpace) != "ROOT\\CIMV2")
        return WbemErrorInvalidNamespace;
    *services = std::make_unique<SimWmiServices>(machine_);
    return SOk;
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
