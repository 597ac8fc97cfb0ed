#pragma once
// What tells the networks the computer is on apart, read for each connected adapter
// (GetAdaptersAddresses; the neighbour table, GetIpNetTable2 / ResolveIpNetEntry2, for the
// gateway's hardware address; the WLAN service, WlanEnumInterfaces / WlanQueryInterface, for the
// wireless network's name); a count of network changes (NotifyIpInterfaceChange,
// NotifyRouteChange2); and the name resolver's cache (DnsFlushResolverCache).

#include "os/Errors.h"

#include <cstdint>
#include <string>
#include <vector>

namespace prolamo::os {

// An IPv4 unicast address of an adapter, dotted, with its on-link prefix length.
struct AdapterAddress {
    std::string address;
    int prefixLength = 0;
    bool operator==(const AdapterAddress&) const = default;
};

// An adapter that is up and has IPv4; the fields it lacks are empty.
struct ConnectedAdapter {
    std::u16string name;        // the connection name the user sees
    std::string gatewayAddress; // the first IPv4 default gateway, dotted
    std::string gatewayMac;     // its hardware address, "00:1D:A2:6E:41:01"; empty when unresolved
    std::string ssid;           // the wireless network's name as its bytes (mostly UTF-8)
    std::u16string dnsSuffix;   // the connection's DNS suffix
    std::vector<AdapterAddress> addresses;
    bool operator==(const ConnectedAdapter&) const = default;
};

class INetworkLocation {
public:
    virtual ~INetworkLocation() = default;

    // The connected adapters in the system's order.
    virtual ErrorCode GetConnectedAdapters(std::vector<ConnectedAdapter>* adapters) = 0;
    // A number that changes whenever an adapter, an address or a route changes; a watcher compares
    // it with the one it saw last. Its value means nothing else.
    virtual ErrorCode GetChangeCount(std::uint64_t* count) = 0;
    // Forgets every name the resolver has cached, so that a new hosts file or DNS server is used at
    // once.
    virtual ErrorCode FlushResolverCache() = 0;
};

INetworkLocation& NetworkLocation();

} // namespace prolamo::os
