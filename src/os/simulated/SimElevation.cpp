// The consent prompt of the simulated workstation is a machine fact that tests and the user set
// ("prolamo-cli machine consent yes|no"); a yes starts prolamo-cli as an elevated process.

#include "os/Elevation.h"
#include "os/simulated/Machine.h"
#include "os/simulated/SimServiceControl.h"

#include <sys/wait.h>

#include <cerrno>

namespace prolamo::os {

namespace {

class SimElevation final : public IElevation {
public:
    ErrorCode RunCliElevated(const std::vector<std::string>& arguments, std::uint32_t* exitCode) override {
        simulated::Machine& machine = simulated::CurrentMachine();
        std::optional<std::string> answer;
        if (const ErrorCode e = machine.ReadFact(simulated::ConsentFact, &answer); e != ErrorSuccess)
            return e;
        if (answer != "yes")
            return ErrorCancelled;
        pid_t pid = 0;
        if (const ErrorCode e =
                simulated::StartProgramWithRights(machine, "prolamo-cli", arguments, "elevated", false, &pid);
            e != ErrorSuccess)
            return e;
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0)
            if (errno != EINTR)
                return ErrnoToWindowsError(errno);
        *exitCode = WIFEXITED(status) ? static_cast<std::uint32_t>(WEXITSTATUS(status)) : 255u;
        return ErrorSuccess;
    }
};

} // namespace

IElevation& Elevation() {
    static SimElevation elevation;
    return elevation;
}

} // namespace prolamo::os
