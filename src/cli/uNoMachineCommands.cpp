// Windows: the machine is the real one, changed through its own control panels.

#include "uCliArguments.h"
#include "uMachineCommands.h"

namespace prolamo::cli {

const std::vector<TMachineCommand>& MachineCommands() {
    static const std::vector<TMachineCommand> none;
    return none;
}

std::string MachineHelpNote() {
    return {};
}

int RunMachineCommand(const std::string&, const std::vector<std::string>&, std::ostream&, std::ostream&) {
    return ExitUsage;
}

} // namespace prolamo::cli
