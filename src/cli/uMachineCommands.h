#pragma once
// "prolamo-cli machine ...": looks at and changes the simulated workstation the way its own
// control panels would, so that a user can see what an apply changed. Windows has its own control
// panels: there the list is empty.

#include <iosfwd>
#include <string>
#include <vector>

namespace prolamo::cli {

struct TMachineCommand {
    std::string verb;
    std::string operands; // for messages
    std::size_t minOperands;
    std::size_t maxOperands;
    std::string help;
};

const std::vector<TMachineCommand>& MachineCommands();
// The help text's sentence about the machine the commands work on, or nothing.
std::string MachineHelpNote();

// Runs the machine command `verb`; returns the exit code.
int RunMachineCommand(const std::string& verb, const std::vector<std::string>& operands, std::ostream& out,
                      std::ostream& err);

} // namespace prolamo::cli
