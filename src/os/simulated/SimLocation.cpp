#include "os/simulated/SimLocation.h"

#include "os/Text.h"
#include "os/Wireless.h"
#include "os/simulated/Machine.h"
#include "os/simulated/SimNetwork.h"

#include <bitset>
#include <cstdint>
#include <cstdio>

namespace prolamo::os::simulated {

namespace {

constexpr const char* kFactResolverFlushes = "resolver_flushes";
constexpr const char* kFactLocation = "network_location";

// What one network's DHCP server and radio give an adapter; an empty ssid means no wireless
// network in reach, a wired side that is not `cable` has no cable in.
struct Attachment {
    bool connected = false;
    std::string ssid;
    std::string address;
    std::string mask;
    std::string gateway;
    std::string gatewayMac;
    std::vector<std::string> dnsServers;
    std::string dnsSuffix;
};

// The wireless networks in reach; the adapter connects to the first on arrival.
struct Network {
    const char* name;
    Attachment wired;
    std::vector<Attachment> wireless;
};

const std::vector<Network>& Networks() {
    static const std::vector<Network> networks = {
        {"office",
         {true, "", "10.20.30.140", "255.255.255.0", "10.20.30.1", "00:1D:A2:6E:41:01", {"10.20.30.5"}, "corp.example"},
         {{true,
           "CORP-WLAN",
           "10.20.40.77",
           "255.255.255.0",
           "10.20.40.1",
           "00:1D:A2:6E:41:02",
           {"10.20.30.5"},
           "corp.example"},
          // The guest network: out of the staff network, behind a router of its own.
          {true,
           "CORP-GUEST",
           "10.99.10.57",
           "255.255.255.0",
           "10.99.10.1",
           "02:5A:17:C3:90:0E",
           {"10.99.10.1"},
           "guest.corp.example"}}},
        {"home",
         {false, "", "", "", "", "", {}, ""},
         {{true,
           "FRITZ!Box 7590 QX",
           "192.168.178.23",
           "255.255.255.0",
           "192.168.178.1",
           "3C:A6:2F:0B:5E:11",
           {"192.168.178.1"},
           "fritz.box"}}},
        {"train",
         {false, "", "", "", "", "", {}, ""},
         {{true, "WIFIonICE", "172.18.4.57", "255.255.0.0", "", "", {"172.18.0.1"}, ""}}},
    };
    return networks;
}

void Attach(AdapterRecord& adapter, const Attachment& attachment) {
    adapter.mediaConnected = attachment.connected;
    adapter.ssid = adapter.wireless ? attachment.ssid : std::string();
    if (!attachment.connected)
        return; // the last lease is kept, as Windows keeps it until it expires
    adapter.leaseAddress = attachment.address;
    adapter.leaseMask = attachment.mask;
    adapter.leaseGateway = attachment.gateway;
    adapter.leaseGatewayMac = attachment.gatewayMac;
    adapter.leaseDnsServers = attachment.dnsServers;
    adapter.leaseDnsSuffix = attachment.dnsSuffix;
}

int PrefixLength(const std::string& mask) {
    unsigned a = 0, b = 0, c = 0, d = 0;
    char end = 0;
    if (std::sscanf(mask.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &end) != 4 || a > 255 || b > 255 || c > 255 ||
        d > 255)
        return 0;
    return static_cast<int>(std::bitset<32>((a << 24) | (b << 16) | (c << 8) | d).count());
}

const Network* FindNetwork(std::string_view name) {
    for (const Network& candidate : Networks())
        if (name == candidate.name)
            return &candidate;
    return nullptr;
}

// Where the machine is; a machine that never moved is at home, as it is seeded.
const Network& CurrentNetwork(Machine& machine, ErrorCode* error) {
    std::optional<std::string> name;
    *error = machine.ReadFact(kFactLocation, &name);
    const Network* network = FindNetwork(name.value_or("home"));
    return network ? *network : *FindNetwork("home");
}

// The wireless adapter of that connection name, switched on, read with the others.
ErrorCode FindWirelessAdapter(Machine& machine, std::u16string_view name, std::vector<AdapterRecord>* adapters,
                              AdapterRecord** found) {
    if (const ErrorCode e = ReadAdapters(machine, adapters); e != ErrorSuccess)
        return e;
    for (AdapterRecord& adapter : *adapters)
        if (adapter.wireless && adapter.enabled && adapter.connectionName &&
            Utf8ToUtf16(*adapter.connectionName) == name) {
            *found = &adapter;
            return ErrorSuccess;
        }
    return ErrorNotFound;
}

// The simulated WLAN service answers from the machine current at each call.
class SimWireless final : public IWireless {
public:
    ErrorCode EnumInterfaces(std::vector<WirelessInterface>* interfaces) override {
        std::vector<AdapterRecord> adapters;
        if (const ErrorCode e = ReadAdapters(CurrentMachine(), &adapters); e != ErrorSuccess)
            return e;
        interfaces->clear();
        for (const AdapterRecord& a : adapters)
            if (a.wireless && a.connectionName && a.enabled)
                interfaces->push_back(
                    {Utf8ToUtf16(*a.connectionName), a.mediaConnected ? Utf8ToUtf16(a.ssid) : std::u16string()});
        return ErrorSuccess;
    }
    ErrorCode GetNetworksInRange(std::u16string_view name, std::vector<std::u16string>* profiles) override {
        std::vector<AdapterRecord> adapters;
        AdapterRecord* adapter = nullptr;
        if (const ErrorCode e = FindWirelessAdapter(CurrentMachine(), name, &adapters, &adapter); e != ErrorSuccess)
            return e;
        ErrorCode e = ErrorSuccess;
        const Network& network = CurrentNetwork(CurrentMachine(), &e);
        profiles->clear();
        for (const Attachment& attachment : network.wireless)
            profiles->push_back(Utf8ToUtf16(attachment.ssid));
        return e;
    }
    ErrorCode Connect(std::u16string_view name, std::u16string_view profile) override {
        return ConnectWireless(CurrentMachine(), Utf16ToUtf8(name), Utf16ToUtf8(profile));
    }
    ErrorCode Disconnect(std::u16string_view name) override {
        std::vector<AdapterRecord> adapters;
        AdapterRecord* adapter = nullptr;
        if (const ErrorCode e = FindWirelessAdapter(CurrentMachine(), name, &adapters, &adapter); e != ErrorSuccess)
            return e;
        if (!adapter->mediaConnected)
            return ErrorSuccess;
        adapter->mediaConnected = false;
        adapter->ssid.clear();
        return WriteAdapter(CurrentMachine(), *adapter);
    }
};

} // namespace

ErrorCode SimNetworkLocation::GetConnectedAdapters(std::vector<ConnectedAdapter>* connected) {
    std::vector<AdapterRecord> adapters;
    if (const ErrorCode e = ReadAdapters(machine_, &adapters); e != ErrorSuccess)
        return e;
    connected->clear();
    for (const AdapterRecord& a : adapters) {
        if (!a.connectionName || !a.enabled || !a.ipEnabled || !a.mediaConnected)
            continue;
        ConnectedAdapter c;
        c.name = Utf8ToUtf16(*a.connectionName);
        if (a.dhcp) {
            if (a.leaseAddress.empty())
                continue; // no lease: no IPv4 address
            c.addresses.push_back({a.leaseAddress, PrefixLength(a.leaseMask)});
        } else {
            for (std::size_t i = 0; i < a.addresses.size(); ++i)
                c.addresses.push_back({a.addresses[i], i < a.masks.size() ? PrefixLength(a.masks[i]) : 0});
        }
        c.gatewayAddress = !a.gateways.empty() ? a.gateways.front() : a.dhcp ? a.leaseGateway : std::string();
        // Only the network's own gateway answers the neighbour discovery.
        if (!c.gatewayAddress.empty() && c.gatewayAddress == a.leaseGateway)
            c.gatewayMac = a.leaseGatewayMac;
        c.ssid = a.wireless ? a.ssid : std::string();
        c.dnsSuffix = a.dhcp ? Utf8ToUtf16(a.leaseDnsSuffix) : std::u16string();
        connected->push_back(std::move(c));
    }
    return ErrorSuccess;
}

ErrorCode SimNetworkLocation::GetChangeCount(std::uint64_t* count) {
    return ReadNetworkChanges(machine_, count);
}

ErrorCode SimNetworkLocation::FlushResolverCache() {
    std::uint64_t flushes = 0;
    if (const ErrorCode e = ReadResolverFlushes(machine_, &flushes); e != ErrorSuccess)
        return e;
    try {
        machine_.SetFact(kFactResolverFlushes, std::to_string(flushes + 1));
    } catch (const std::exception&) {
        return ErrorRegistryIoFailed;
    }
    return ErrorSuccess;
}

const std::vector<std::string>& NetworkNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (const Network& network : Networks())
            all.emplace_back(network.name);
        return all;
    }();
    return names;
}

ErrorCode MoveToNetwork(Machine& machine, std::string_view name) {
    const Network* network = FindNetwork(name);
    if (!network)
        return ErrorNotFound;
    try {
        machine.SetFact(kFactLocation, network->name);
    } catch (const std::exception&) {
        return ErrorRegistryIoFailed;
    }
    std::vector<AdapterRecord> adapters;
    if (const ErrorCode e = ReadAdapters(machine, &adapters); e != ErrorSuccess)
        return e;
    std::vector<AdapterRecord> attached;
    for (AdapterRecord& adapter : adapters) {
        if (!adapter.connectionName)
            continue; // hidden adapters have no network
        Attach(adapter, !adapter.wireless            ? network->wired
                        : !network->wireless.empty() ? network->wireless.front()
                                                     : Attachment{});
        attached.push_back(std::move(adapter));
    }
    return WriteAdapters(machine, attached);
}

ErrorCode ConnectWireless(Machine& machine, std::string_view adapterName, std::string_view ssid) {
    std::vector<AdapterRecord> adapters;
    AdapterRecord* adapter = nullptr;
    if (const ErrorCode e = FindWirelessAdapter(machine, Utf8ToUtf16(adapterName), &adapters, &adapter);
        e != ErrorSuccess)
        return e;
    ErrorCode e = ErrorSuccess;
    const Network& network = CurrentNetwork(machine, &e);
    if (e != ErrorSuccess)
        return e;
    for (const Attachment& attachment : network.wireless)
        if (attachment.ssid == ssid) {
            if (adapter->mediaConnected && adapter->ssid == ssid)
                return ErrorSuccess; // connected already: nothing changes
            Attach(*adapter, attachment);
            return WriteAdapter(machine, *adapter);
        }
    return ErrorNoNetwork;
}

std::vector<std::string> WirelessNetworksInRange(Machine& machine) {
    ErrorCode e = ErrorSuccess;
    std::vector<std::string> names;
    for (const Attachment& attachment : CurrentNetwork(machine, &e).wireless)
        names.push_back(attachment.ssid);
    return names;
}

ErrorCode ReadResolverFlushes(Machine& machine, std::uint64_t* count) {
    std::optional<std::string> value;
    if (const ErrorCode e = machine.ReadFact(kFactResolverFlushes, &value); e != ErrorSuccess)
        return e;
    *count = value ? std::stoull(*value) : 0;
    return ErrorSuccess;
}

} // namespace prolamo::os::simulated

namespace prolamo::os {

IWireless& Wireless() {
    static simulated::SimWireless wireless;
    return wireless;
}

} // namespace prolamo::os
