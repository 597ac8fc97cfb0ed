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

// "office": a cable to the office network and the office's wireless network in reach; "home": no
// cable, the home's wireless network; "train": the train's wireless network, which hands out
// addresses but no gateway.
const std::vector<std::string>& NetworkNames();
// Attaches the wired and wireless adapters to the named network in one change, as arriving there
// would: cable, wireless network and what the network's DHCP server hands out. The adapters'
// own settings (switched on or off, static addresses) stay. ErrorNotFound for an unknown name.
ErrorCode MoveToNetwork(Machine& machine, std::string_view network);
// How often the resolver cache was flushed on this machine.
ErrorCode ReadResolverFlushes(Machine& machine, std::uint64_t* count);

} // namespace prolamo::os::simulated
