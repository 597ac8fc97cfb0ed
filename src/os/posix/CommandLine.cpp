#include "os/CommandLine.h"

#include <csignal>
#include <cstring>
#include <unistd.h>

namespace prolamo::os {

namespace {

// Set before the handler is installed; the handler only reads them.
const char* g_cutMessage = "";
int g_cutExitCode = 1;

extern "C" void MappedFileCut(int) {
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, g_cutMessage, std::strlen(g_cutMessage));
    ::_exit(g_cutExitCode);
}

} // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

// A terminal here decodes the bytes by its own locale; there is no code page to set.
Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;

void EndWhenMappedFileIsCut(const char* message, int exitCode) {
    g_cutMessage = message;
    g_cutExitCode = exitCode;
    std::signal(SIGBUS, MappedFileCut);
}

} // namespace prolamo::os
