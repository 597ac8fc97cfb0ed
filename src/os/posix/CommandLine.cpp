#include "os/CommandLine.h"

namespace prolamo::os {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

// A terminal here decodes the bytes by its own locale; there is no code page to set.
Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;

} // namespace prolamo::os
