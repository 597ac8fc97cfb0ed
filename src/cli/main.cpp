#include "os/CommandLine.h"
#include "uCliArguments.h"
#include "uCliCommands.h"

#include <iostream>

#ifndef _WIN32
#include <csignal>
#include <unistd.h>

namespace {

// A command that only reads works on the data file's own pages; when another program cuts the
// file short meanwhile, touching them raises SIGBUS. The run ends as for a file that cannot be
// read, with nothing written.
extern "C" void DataFileCutShort(int) {
    static const char message[] = "prolamo-cli: the data file was cut short by another program while it was "
                                  "read; nothing was written.\n";
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, message, sizeof message - 1);
    ::_exit(prolamo::cli::ExitUnreadableFile);
}

} // namespace
#endif

int main(int argc, char** argv) {
#ifndef _WIN32
    std::signal(SIGBUS, DataFileCutShort);
#endif
    std::ios::sync_with_stdio(false);
    const prolamo::os::Utf8Console console;
    prolamo::cli::TCli cli(std::cin, std::cout, std::cerr);
    cli.SetEndsProcess();
    const int code = cli.Run(prolamo::os::CommandLineArguments(argc, argv));
    // Written while the console still takes UTF-8.
    std::cout.flush();
    std::cerr.flush();
    return code;
}
