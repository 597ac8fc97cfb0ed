#pragma once
// What the simulated machine's adapters tell of the network they are on, and the machine's
// networks a laptop moves between (internal to the backend, and the control surface of the
// command-line machine commands and the tests).

#include "os/NetworkLocation.h"

#include <string>
#include <string_view>
#include <vector>

namespace prolamo::os::simulated {

class Machine;

class SimNetworkLocation final : public INetworkLocation {
public:
    explicit SimNetworkLocation(Machine& machine) : machine_(machine) {}
    ErrorCode GetConnectedAdapters(std::vector<ConnectedAdapter>* adapters) override;
    ErrorCode GetChangeCount(std::uint64_t* count) override;
    // Counted in the machine, so that a test or a user can see that it happened.
    ErrorCode FlushResolverCache() override;

private:
    Machine& machine_;
};

// "office": a cable to the office network, the office's wireless network and its guest network
// "CORP-GUEST" in reach; "home": no
// cable, the home's wireless network; "train": the train's wireless network, which hands out
// addresses but no gateway.
const std::vector<std::string>& NetworkNames();
// Attaches the wired and wireless adapters to the named network in one change, as arriving there
// would: cable, wireless network and what the network's DHCP server hands out. The adapters'
// own settings (switched on or off, static addresses) stay. ErrorNotFound for an unknown name.
ErrorCode MoveToNetwork(Machine& machine, std::string_view network);
// Connects the named wireless adapter to a network in reach where the machine is, as the user
// would from the system tray. ErrorNotFound for an adapter that is no wireless one or is switched
// off; ErrorNoNetwork for a network out of reach.
ErrorCode ConnectWireless(Machine& machine, std::string_view adapterName, std::string_view ssid);
// The wireless networks in reach where the machine is, the one it connects to on arrival first.
std::vector<std::string> WirelessNetworksInRange(Machine& machine);
// How often the resolver cache was flushed on this machine.
ErrorCode ReadResolverFlushes(Machine& machine, std::uint64_t* count);

} // namespace prolamo::os::simulated
