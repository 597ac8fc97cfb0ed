#pragma once
// The simulated workstation's Application log: the events the machine keeps, oldest first.

#include "os/EventLog.h"

#include <cstdint>
#include <string>
#include <vector>

namespace prolamo::os::simulated {

class Machine;

struct EventRecord {
    std::int64_t unixTimeMs = 0;
    EventType type = EventType::Information;
    std::string source;
    std::string text;
};

ErrorCode ReadEvents(Machine& machine, std::vector<EventRecord>* events);

} // namespace prolamo::os::simulated
