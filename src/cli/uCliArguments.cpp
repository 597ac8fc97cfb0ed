#include "uCliArguments.h"

#include <charconv>

namespace prolamo::cli {

namespace {

// A snapshot's number as the history lists it: 1 to 999.
int SnapshotNumber(const std::string& text) {
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || text.size() > 3 || number < 1)
        throw EUsage("--to needs the number of a snapshot that \"history\" lists, not \"" + text + "\"");
    return number;
}

} // namespace

TCliArguments ParseArguments(const std::vector<std::string>& arguments) {
    TCliArguments parsed;
    bool operandsOnly = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
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
        } else if (argument == "--managed") {
            parsed.managed = true;
        } else if (argument == "--to") {
            if (i + 1 == arguments.size())
                throw EUsage("--to needs the number of a snapshot that \"history\" lists");
            parsed.to = SnapshotNumber(arguments[++i]);
        } else if (argument.starts_with("--to=")) {
            parsed.to = SnapshotNumber(argument.substr(5));
        } else {
            throw EUsage("unknown option \"" + argument + "\"");
        }
    }
    return parsed;
}

} // namespace prolamo::cli
