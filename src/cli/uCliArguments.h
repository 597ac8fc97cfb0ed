#pragma once

#include "framework/Exceptions.h"

#include <optional>
#include <string>
#include <vector>

namespace prolamo::cli {

inline constexpr const char* Program = "prolamo-cli";

// What the process tells its caller; --help lists them.
enum ExitCode : int {
    ExitOk = 0,
    ExitFailed = 1,         // an apply run produced an error line, a capture or the save failed
    ExitChanges = 1,        // profile diff: an apply would change something
    ExitUsage = 2,          // bad arguments, or an unknown configuration, profile or kind
    ExitUnreadableFile = 3, // the data file exists but cannot be read; it is left as it is
    ExitLocked = 4,         // another program holds the data file's lock, or watches the network
    ExitPolicy = 5,         // the organisation's policy does not let the user change configurations
    ExitManaged = 6,        // the configuration is the organisation's and cannot be changed
};

// Bad arguments or names that do not exist; reported with exit code 2.
class EUsage : public Exception {
    using Exception::Exception;
};

// A command that would change one of the organisation's configurations; exit code 6.
class EManagedConfiguration : public Exception {
    using Exception::Exception;
};

struct TCliArguments {
    std::vector<std::string> words; // the command's words and operands, options taken out
    bool help = false;
    bool yes = false;
    bool rename = false;
    bool managed = false;  // profile apply, diff, show: the organisation's configuration of the name
    std::optional<int> to; // profile undo --to N: the snapshot numbered N by "history"
};

// Options may stand anywhere; "--" makes every later argument an operand, even one starting with '-'.
TCliArguments ParseArguments(const std::vector<std::string>& arguments);

} // namespace prolamo::cli
