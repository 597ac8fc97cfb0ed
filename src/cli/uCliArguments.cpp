#include "uCliArguments.h"

namespace prolamo::cli {

TCliArguments ParseArguments(const std::vector<std::string>& arguments) {
    TCliArguments parsed;
    bool operandsOnly = false;
    for (const std::string& argument : arguments) {
        if (operandsOnly || argument.empty() || argument[0] != '-' || argument == "-") {
            parsed.words.push_back(argument);
        } else if (argument == "--") {
            operandsOnly = true;
        } else if (argument == "--help" || argument == "-h") {
            parsed.help = true;
        } else if (argument == "--yes" || argument == "-y") {
            parsed.yes = true;
        } else if (argument == "--rename") {
            parsed.rename = true;
        } else {
            throw EUsage("unknown option \"" + argument + "\"");
        }
    }
    return parsed;
}

} // namespace prolamo::cli
