#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace prolamo::cli {

// The command-line front end: one command per run over the same data file as the desktop
// program. Loads the data file at most once and saves it at most once, and only when the command
// changed it; changing commands hold the data file's lock from before the load until after the
// save.
class TCli {
public:
    TCli(std::istream& in, std::ostream& out, std::ostream& err) : in_(in), out_(out), err_(err) {}

    // Returns the process's exit code (uCliArguments.h).
    int Run(const std::vector<std::string>& arguments);
    // For a program that ends right after Run: the data loaded is left to the end of the process
    // rather than freed piece by piece.
    void SetEndsProcess() { endsProcess_ = true; }

    static std::string HelpText();

private:
    std::istream& in_;
    std::ostream& out_;
    std::ostream& err_;
    bool endsProcess_ = false;
};

} // namespace prolamo::cli
