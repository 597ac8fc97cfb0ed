#pragma once
// The simulated workstation's service control: starts prolamo-service (found beside the calling
// program) as the system account, stops it, and tells whether it runs, as the service control
// manager does on Windows.

#include "os/Errors.h"

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace prolamo::os::simulated {

class Machine;

// Starts the program Name beside the calling one on Machine, its standard handles on /dev/null,
// with the process rights Rights (ProcessRightsVariable), in a session of its own when asked.
ErrorCode StartProgramWithRights(const Machine& machine, const std::string& name,
                                 const std::vector<std::string>& arguments, std::string_view rights, bool ownSession,
                                 pid_t* pid);

// ErrorAlreadyExists when it runs already; ErrorProcessAborted when it ended without answering;
// ErrorTimeout when it did not answer within 30 s, as Windows allows a service.
ErrorCode StartSwitchingService(Machine& machine);
// ErrorNotFound (the service is not active) when it does not run.
ErrorCode StopSwitchingService(Machine& machine);
// Whether it answers on its socket.
bool SwitchingServiceRuns();

} // namespace prolamo::os::simulated
