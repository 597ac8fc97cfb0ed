#pragma once
// Starting prolamo-cli with administrator rights after the system's consent prompt
// (ShellExecuteExW with the "runas" verb, then waiting for the process).

#include "os/Errors.h"

#include <cstdint>
#include <string>
#include <vector>

namespace prolamo::os {

inline constexpr ErrorCode ErrorCancelled = 1223; // the user said no to the consent prompt

class IElevation {
public:
    virtual ~IElevation() = default;
    // Runs prolamo-cli (beside the calling program) elevated with Arguments and waits for it.
    // ErrorCancelled when the user did not consent.
    virtual ErrorCode RunCliElevated(const std::vector<std::string>& arguments, std::uint32_t* exitCode) = 0;
};

IElevation& Elevation();

} // namespace prolamo::os
