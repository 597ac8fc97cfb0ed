#include "os/simulated/SimLocation.h"

#include "os/Text.h"
#include "os/simulated/Machine.h"
#include "os/simulated/SimNetwork.h"

#include <bitset>
#include <cstdint>
#include <cstdio>

namespace prolamo::os::simulated {

namespace {

constexpr const char* kFactResolverFlushes = "resolver_flushes";

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

struct Network {
    const char* name;
    Attachment wired;
    Attachment wireless;
};

const std::vector<Network>& Networks() {
    static const std::vector<Network> networks = {
        {"office",
         {true, "", "10.20.30.140", "255.255.255.0", "10.20.30.1", "00:1D:A2:6E:41:01", {"10.20.30.5"}, "corp.example"},
         {true, "CORP-WLAN", "10.20.40.77", "255.255.255.0", "10.20.40.1", "00:1D:A2:6E:41:02", {"10.20.30.5"},
          "corp.example"}},
        {"home",
         {false, "", "", "", "", "", {}, ""},
         {true, "FRITZ!Box 7590 QX", "192.168.178.23", "255.255.255.0", "192.168.178.1", "3C:A6:2F:0B:5E:11",
          {"192.168.178.1"}, "fritz.box"}},
        {"train",
         {false, "", "", "", "", "", {}, ""},
         {true, "WIFIonICE", "172.18.4.57", "255.255.0.0", "", "", {"172.18.0.1"}, ""}},
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
    const Network* network = nullptr;
    for (const Network& candidate : Networks())
        if (name == candidate.name)
            network = &candidate;
    if (!network)
        return ErrorNotFound;
    std::vector<AdapterRecord> adapters;
    if (const ErrorCode e = ReadAdapters(machine, &adapters); e != ErrorSuccess)
        return e;
    std::vector<AdapterRecord> attached;
    for (AdapterRecord& adapter : adapters) {
        if (!adapter.connectionName)
            continue; // hidden adapters have no network
        Attach(adapter, adapter.wireless ? network->wireless : network->wired);
        attached.push_back(std::move(adapter));
    }
    return WriteAdapters(machine, attached);
}

ErrorCode ReadResolverFlushes(Machine& machine, std::uint64_t* count) {
    std::optional<std::string> value;
    if (const ErrorCode e = machine.ReadFact(kFactResolverFlushes, &value); e != ErrorSuccess)
        return e;
    *count = value ? std::stoull(*value) : 0;
    return ErrorSuccess;
}

} // namespace prolamo::os::simulated
