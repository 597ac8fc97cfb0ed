#pragma once
// prolamo-cli's commands: their words, operands, what they take of the data file, and how a
// command line finds one.

#include <cstddef>
#include <string>
#include <vector>

namespace prolamo::cli {

class TSession;

// Machine commands work on the workstation alone, not on the data file; the watcher takes the
// data file for each apply only.
enum class TAccess { None, Read, Change, Machine, Watch, Policy };

struct TCommand {
    std::vector<std::string> words;
    std::string operands; // for messages
    std::size_t minOperands;
    std::size_t maxOperands;
    TAccess access;
    int (*run)(TSession&, const std::vector<std::string>&);
};

const std::vector<TCommand>& Commands();
// The commands that create, edit or delete the user's configurations; apply and undo only change
// the machine.
bool EditsConfigurations(const TCommand& command);
// "prolamo-cli profile apply CONFIG PROFILE"
std::string Synopsis(const TCommand& command);
// The command that the words name; the rest of the words become its operands.
const TCommand& FindCommand(const std::vector<std::string>& words, std::vector<std::string>* operands);

} // namespace prolamo::cli
