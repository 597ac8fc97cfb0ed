#pragma once
// The simulated machine's network adapters, their instrumentation classes and their connections
// (internal to the backend, and the control surface of the network-shell stand-in and the
// command-line machine commands).

#include "os/NetConnections.h"
#include "os/Wmi.h"

#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace prolamo::os::simulated {

class Machine;

// One adapter as the machine keeps it. Lists hold IPv4 addresses in order.
struct AdapterRecord {
    int index = 0; // Win32_NetworkAdapter.Index; NetworkCards\<index + 1> belongs to it
    std::string description;
    std::string serviceName;
    std::optional<std::string> connectionName; // none for hidden adapters
    std::optional<std::string> guid;
    std::string macAddress;
    bool enabled = false;   // the connection is switched on
    bool ipEnabled = false; // TCP/IP is bound to it
    bool dhcp = true;
    std::vector<std::string> addresses; // static ones
    std::vector<std::string> masks;
    std::vector<std::string> gateways;    // set by hand; override the lease's
    std::vector<std::string> dnsServers;  // set by hand; empty: the lease's
    std::vector<std::string> winsServers; // set by hand
    // What the DHCP server hands out.
    std::string leaseAddress;
    std::string leaseMask;
    std::string leaseGateway;
    std::vector<std::string> leaseDnsServers;
    // The network the adapter is attached to: whether a cable is in or a wireless network is in
    // reach, the wireless network's name, the hardware address of the lease's gateway and the
    // connection's DNS suffix the DHCP server gives.
    bool wireless = false;
    bool mediaConnected = false;
    std::string ssid;
    std::string leaseGatewayMac;
    std::string leaseDnsSuffix;
    bool operator==(const AdapterRecord&) const = default;
};

// Adapters in index order.
ErrorCode ReadAdapters(Machine& machine, std::vector<AdapterRecord>* adapters);
// Rewrites the adapter with the record's index, and its TCP/IP registry values to agree; each
// write counts as one network change.
ErrorCode WriteAdapter(Machine& machine, const AdapterRecord& adapter);
// Several adapters in one transaction, so that no reader sees half of the change.
ErrorCode WriteAdapters(Machine& machine, const std::vector<AdapterRecord>& adapters);
// The count of network changes NetworkLocation() reports.
ErrorCode ReadNetworkChanges(Machine& machine, std::uint64_t* count);

// Creates the adapter table and seeds a laptop's adapters once per machine; the caller holds a
// write transaction.
void SeedNetwork(Machine& machine);

class SimWmi final : public IWmi {
public:
    explicit SimWmi(Machine& machine) : machine_(machine) {}
    HResult ConnectServer(std::u16string_view server, std::u16string_view nameSpace,
                          std::unique_ptr<IWmiServices>* services) override;

private:
    Machine& machine_;
};

// The program keeps one manager for its lifetime: it answers from the machine current at each call.
class SimConnectionManager final : public INetConnectionManager {
public:
    HResult EnumConnections(std::vector<std::unique_ptr<INetConnection>>* connections) override;
};

} // namespace prolamo::os::simulated
