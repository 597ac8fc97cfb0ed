#include "os/CommandLine.h"
#include "os/windows/WinSupport.h"

#include <shellapi.h>

namespace prolamo::os {

std::vector<std::string> CommandLineArguments(int /*argc*/, char** /*argv*/) {
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    if (wide == nullptr)
        return arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(Utf16ToUtf8(windows::FromWide(wide[i])));
    ::LocalFree(wide);
    return arguments;
}

Utf8Console::Utf8Console() : previous_(::GetConsoleOutputCP()) {
    if (previous_ != 0)
        ::SetConsoleOutputCP(CP_UTF8);
}

Utf8Console::~Utf8Console() {
    if (previous_ != 0)
        ::SetConsoleOutputCP(previous_);
}

} // namespace prolamo::os
