#include "os/CommandLine.h"
#include "uCliArguments.h"
#include "uCliCommands.h"

#include <iostream>

namespace {

// A command that only reads works on the data file's own pages; when another program cuts the
// file short meanwhile, the run ends as for a file that cannot be read, with nothing written.
constexpr const char* kDataFileCutShort = "prolamo-cli: the data file was cut short by another program while it "
                                          "was read; nothing was written.\n";

} // namespace

int main(int argc, char** argv) {
    prolamo::os::EndWhenMappedFileIsCut(kDataFileCutShort, prolamo::cli::ExitUnreadableFile);
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
