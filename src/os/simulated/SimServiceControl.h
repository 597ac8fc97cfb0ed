#pragma once
// The simulated workstation's service control: starts prolamo-service (found beside the calling
// program) as the system account, stops it, and tells whether it runs, as the service control
// manager does on Windows.

#include "os/Errors.h"

namespace prolamo::os::simulated {

class Machine;

// ErrorAlreadyExists when it runs already; ErrorTimeout when it did not answer within 5 s.
ErrorCode StartSwitchingService(Machine& machine);
// ErrorNotFound (the service is not active) when it does not run.
ErrorCode StopSwitchingService(Machine& machine);
// Whether it answers on its socket.
bool SwitchingServiceRuns();

} // namespace prolamo::os::simulated
