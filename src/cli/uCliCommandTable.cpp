#include "uCliCommandTable.h"

#include "uCliArguments.h"
#include "uCliSession.h"
#include "uMachineCommands.h"
#include "uRuleCommands.h"
#include "uTerminal.h"

#include <algorithm>
#include <cstdint>

namespace prolamo::cli {

const std::vector<TCommand>& Commands() {
    using Ops = const std::vector<std::string>&;
    static const std::vector<TCommand> commands = {
        {{"list"}, "", 0, 0, TAccess::Read, [](TSession& s, Ops) { return s.List(); }},
        {{"config", "add"}, "NAME", 1, 1, TAccess::Change, [](TSession& s, Ops o) { return s.ConfigAdd(o[0]); }},
        {{"config", "delete"}, "NAME", 1, 1, TAccess::Change, [](TSession& s, Ops o) { return s.ConfigDelete(o[0]); }},
        {{"config", "export"},
         "CONFIG FILE",
         2,
         2,
         TAccess::Read,
         [](TSession& s, Ops o) { return s.ConfigExport(o[0], o[1]); }},
        {{"config", "import"},
         "[--rename] FILE",
         1,
         1,
         TAccess::Change,
         [](TSession& s, Ops o) { return s.ConfigImport(o[0]); }},
        {{"setting", "add"},
         "CONFIG KIND [ARG...]",
         2,
         SIZE_MAX,
         TAccess::Change,
         [](TSession& s, Ops o) { return s.SettingAdd(o[0], o[1], std::vector<std::string>(o.begin() + 2, o.end())); }},
        {{"profile", "add"},
         "CONFIG PROFILE",
         2,
         2,
         TAccess::Change,
         [](TSession& s, Ops o) { return s.ProfileAdd(o[0], o[1]); }},
        {{"profile", "delete"},
         "CONFIG PROFILE",
         2,
         2,
         TAccess::Change,
         [](TSession& s, Ops o) { return s.ProfileDelete(o[0], o[1]); }},
        {{"profile", "refresh"},
         "CONFIG PROFILE",
         2,
         2,
         TAccess::Change,
         [](TSession& s, Ops o) { return s.ProfileRefresh(o[0], o[1]); }},
        {{"profile", "show"},
         "CONFIG PROFILE",
         2,
         2,
         TAccess::Read,
         [](TSession& s, Ops o) { return s.ProfileShow(o[0], o[1]); }},
        // Changes the machine; holding the lock also keeps two runs from applying at once.
        {{"profile", "apply"},
         "CONFIG PROFILE",
         2,
         2,
         TAccess::Change,
         [](TSession& s, Ops o) { return s.ProfileApply(o[0], o[1]); }},
        {{"profile", "diff"},
         "CONFIG PROFILE",
         2,
         2,
         TAccess::Read,
         [](TSession& s, Ops o) { return s.ProfileDiff(o[0], o[1]); }},
        {{"profile", "undo"}, "[--to N]", 0, 0, TAccess::Change, [](TSession& s, Ops) { return s.ProfileUndo(); }},
        {{"profile", "undo-refresh"},
         "",
         0,
         0,
         TAccess::Change,
         [](TSession& s, Ops) { return s.ProfileUndoRefresh(); }},
        {{"history"}, "", 0, 0, TAccess::Read, [](TSession& s, Ops) { return s.HistoryList(); }},
        {{"datafile", "dump"}, "[FILE]", 0, 1, TAccess::None, nullptr},
        {{"rule", "add"},
         "NAME CONFIG PROFILE CONDITION... [ask]",
         4,
         SIZE_MAX,
         TAccess::Read,
         [](TSession& s, Ops o) { return RuleAdd(s.Root(), s.Managed(), o, s.Out()); }},
        {{"rule", "delete"}, "NAME", 1, 1, TAccess::Read, [](TSession& s, Ops o) { return RuleDelete(o[0], s.Out()); }},
        {{"rule", "list"}, "", 0, 0, TAccess::Read, [](TSession& s, Ops) { return RuleList(s.Out(), s.Err()); }},
        {{"rule", "test"},
         "",
         0,
         0,
         TAccess::Read,
         [](TSession& s, Ops) { return RuleTest(s.Root(), s.Managed(), s.Out(), s.Err()); }},
        {{"watch"}, "[SECONDS]", 0, 1, TAccess::Watch, nullptr},
        {{"policy"}, "", 0, 0, TAccess::Policy, nullptr},
    };
    static const std::vector<TCommand> withMachine = [] {
        std::vector<TCommand> all = commands;
        for (const TMachineCommand& m : MachineCommands())
            all.push_back({{"machine", m.verb}, m.operands, m.minOperands, m.maxOperands, TAccess::Machine, nullptr});
        return all;
    }();
    return withMachine;
}

bool EditsConfigurations(const TCommand& command) {
    static const std::vector<std::vector<std::string>> edits = {
        {"config", "add"},  {"config", "delete"},  {"config", "import"},   {"setting", "add"},
        {"profile", "add"}, {"profile", "delete"}, {"profile", "refresh"}, {"profile", "undo-refresh"}};
    return std::find(edits.begin(), edits.end(), command.words) != edits.end();
}

std::string Synopsis(const TCommand& command) {
    std::string text = Program;
    for (const std::string& word : command.words)
        text += " " + word;
    if (!command.operands.empty())
        text += " " + command.operands;
    return text;
}

const TCommand& FindCommand(const std::vector<std::string>& words, std::vector<std::string>* operands) {
    const TCommand* group = nullptr;
    for (const TCommand& command : Commands()) {
        if (command.words[0] != words[0])
            continue;
        group = &command;
        if (command.words.size() == 2 && (words.size() < 2 || words[1] != command.words[1]))
            continue;
        operands->assign(words.begin() + static_cast<std::ptrdiff_t>(command.words.size()), words.end());
        if (operands->size() < command.minOperands || operands->size() > command.maxOperands)
            throw EUsage("usage: " + Synopsis(command));
        return command;
    }
    if (!group)
        throw EUsage("unknown command " + Quote(words[0]));
    std::string choices;
    for (const TCommand& command : Commands())
        if (command.words[0] == words[0])
            choices += (choices.empty() ? "" : ", ") + command.words[1];
    if (words.size() < 2)
        throw EUsage(Quote(words[0]) + " needs one of: " + choices);
    throw EUsage("unknown " + words[0] + " command " + Quote(words[1]) + "; expected one of: " + choices);
}

} // namespace prolamo::cli
