#pragma once
// The program's arguments and its console, in the UTF-8 the engine holds.

#include <string>
#include <vector>

namespace prolamo::os {

// The arguments after the program's name, in UTF-8. Windows gives main's argv in the ANSI code
// page, which cannot hold every name or path: there they come from the UTF-16 command line
// (GetCommandLineW, CommandLineToArgvW) instead. Elsewhere they are argv as it is.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// While it lives, a console shows the UTF-8 the program writes (SetConsoleOutputCP(CP_UTF8), the
// code page it had put back afterwards). Terminals elsewhere take UTF-8 as it is.
class Utf8Console {
public:
    Utf8Console();
    ~Utf8Console();
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    unsigned previous_ = 0;
};

} // namespace prolamo::os
