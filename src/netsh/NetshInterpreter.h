#pragma once
// The simulated machine's network shell: the "interface ip" commands that change an adapter's
// addresses, gateways, DNS and WINS servers, carried out against the machine's adapters.

#include <string>
#include <string_view>
#include <vector>

namespace prolamo::os::simulated {
class Machine;
}

namespace prolamo::netsh {

class NetshInterpreter {
public:
    explicit NetshInterpreter(os::simulated::Machine& machine) : machine_(machine) {}

    // Carries out one script line; what the shell prints for it, empty when it succeeded.
    std::string ExecuteLine(std::string_view line);
    // The same for a line already split into its words (from a command line).
    std::string Execute(const std::vector<std::string>& words);

private:
    std::string Command(const std::vector<std::string>& words);

    os::simulated::Machine& machine_;
    std::vector<std::string> context_;
    std::vector<std::vector<std::string>> pushed_;
};

// Words separated by blanks; double quotes group and are dropped.
std::vector<std::string> SplitWords(std::string_view line);

} // namespace prolamo::netsh
