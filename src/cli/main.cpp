#include "os/CommandLine.h"
#include "uCliCommands.h"

#include <iostream>

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const prolamo::os::Utf8Console console;
    const int code =
        prolamo::cli::TCli(std::cin, std::cout, std::cerr).Run(prolamo::os::CommandLineArguments(argc, argv));
    // Written while the console still takes UTF-8.
    std::cout.flush();
    std::cerr.flush();
    return code;
}
