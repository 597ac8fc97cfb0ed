// netsh for the simulated workstation: "netsh -f FILE" carries out a script, and
// "netsh interface ip set ..." one command. Like the real shell it prints one line for each
// command it cannot carry out and nothing on success.

#include "netsh/NetshInterpreter.h"
#include "os/Errors.h"
#include "os/simulated/Machine.h"

#include <fstream>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace prolamo;
    std::vector<std::string> args(argv + 1, argv + argc);
    os::simulated::Machine& machine = os::simulated::CurrentMachine();
    if (machine.Db() == nullptr) {
        std::cout << os::SystemErrorText(machine.OpenError());
        return 1;
    }
    netsh::NetshInterpreter shell(machine);
    bool failed = false;
    auto print = [&failed](const std::string& text) {
        if (text.empty())
            return;
        std::cout << text;
        failed = true;
    };
    if (args.size() == 2 && (args[0] == "-f" || args[0] == "-F")) {
        std::ifstream script(args[1], std::ios::binary);
        if (!script) {
            std::cout << os::SystemErrorText(os::ErrorFileNotFound);
            return 1;
        }
        for (std::string line; std::getline(script, line);)
            print(shell.ExecuteLine(line));
    } else {
        print(shell.Execute(args));
    }
    std::cout.flush();
    return failed ? 1 : 0;
}
