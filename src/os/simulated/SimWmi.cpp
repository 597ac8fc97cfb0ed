// The instrumentation's network adapter classes over the adapter table.

#include "os/simulated/SimNetwork.h"

#include "os/Text.h"
#include "os/simulated/AdapterStore.h"
#include "os/simulated/RegistryStore.h"
#include "os/simulated/Wql.h"

#include <cstdio>

namespace prolamo::os::simulated {

namespace {

using Property = std::pair<std::u16string, WmiValue>;

class PropertyObject final : public IWmiObject {
public:
    explicit PropertyObject(std::vector<Property> properties) : properties_(std::move(properties)) {}
    HResult GetProperty(std::u16string_view name, WmiValue* value) override {
        for (const auto& [n, v] : properties_)
            if (store::SameName(n, name)) {
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
        {u"NetConnectionStatus", connected ? WmiValue::Int(static_cast<std::int32_t>(
                                                 a.enabled ? NetConStatusConnected : NetConStatusDisconnected))
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
        if (!store::SameName(language, u"WQL"))
            return WbemErrorInvalidQueryType;
        WqlQuery wql;
        if (!ParseWql(query, &wql))
            return WbemErrorInvalidQuery;
        std::vector<Property> (*properties)(const AdapterRecord&);
        if (store::SameName(wql.className, u"Win32_NetworkAdapter"))
            properties = AdapterProperties;
        else if (store::SameName(wql.className, u"Win32_NetworkAdapterConfiguration"))
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
            const bool passes = wql.condition(object, &unknownProperty);
            if (unknownProperty)
                return WbemErrorInvalidQuery;
            if (!passes)
                continue;
            if (wql.selected.empty()) {
                objects.push_back(std::make_unique<PropertyObject>(object));
                continue;
            }
            std::vector<Property> chosen;
            for (const auto& name : wql.selected) {
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

} // namespace

HResult SimWmi::ConnectServer(std::u16string_view server, std::u16string_view nameSpace,
                              std::unique_ptr<IWmiServices>* services) {
    const std::string host = store::Fold(server);
    if (!host.empty() && host != "." && host != "LOCALHOST")
        return HResultFromWin32(1722); // RPC_S_SERVER_UNAVAILABLE: the simulated machine is alone
    if (!store::SameName(nameSpace, u"root\\cimv2"))
        return WbemErrorInvalidNamespace;
    *services = std::make_unique<SimWmiServices>(machine_);
    return SOk;
}

} // namespace prolamo::os::simulated
