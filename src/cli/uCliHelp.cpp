// prolamo-cli --help: the commands, the setting kinds and their parameters, the options and the
// exit codes.

#include "uCliCommands.h"

#include "profiles/uProfileHistory.h"
#include "profiles/uSettingKinds.h"
#include "uCliArguments.h"
#include "uCliCommandTable.h"
#include "uKindParameters.h"
#include "uMachineCommands.h"
#include "uTerminal.h"

#include <sstream>

namespace prolamo::cli {
namespace {

constexpr std::size_t HelpWidth = 90;
constexpr std::size_t HelpIndent = 20;

// A command's description broken at spaces into lines of the help's width, each indented.
std::string Wrapped(const std::string& text) {
    std::string wrapped, word;
    std::size_t column = HelpIndent;
    std::istringstream words(text);
    while (words >> word) {
        if (column > HelpIndent && column + 1 + word.size() > HelpWidth) {
            wrapped += "\n" + std::string(HelpIndent, ' ');
            column = HelpIndent;
        } else if (column > HelpIndent) {
            wrapped += ' ';
            ++column;
        }
        wrapped += word;
        column += word.size();
    }
    return wrapped;
}

} // namespace

std::string TCli::HelpText() {
    RegisterSettingKinds();
    std::ostringstream text;
    text << "Usage: " << Program << " [--yes] COMMAND...\n"
         << "Switches groups of workstation settings between saved states, on the same data file as\n"
         << "the desktop program.\n\nCommands:\n";
    for (const TCommand& command : Commands())
        text << "  " << Synopsis(command) << '\n';
    text << "\n  list              every configuration with its settings and profiles\n"
         << "  setting add       KIND is a kind's caption or class name; ARG is its parameter,\n"
         << "                    required for the kinds that have one (the file path for \"File\");\n"
         << "                    \"Environment variables\" takes the variables' names, one or more;\n"
         << "                    NAME=user or NAME=machine keeps that scope's variable (a bare name:\n"
         << "                    the machine's when the machine has it, else the user's);\n"
         << "                    a kind's further parameters follow as NAME=VALUE: \"Program\" takes\n"
         << "                    its command line, then WorkingFolder=FOLDER, RunBefore=yes (run it\n"
         << "                    before the other settings; after them otherwise) and TimeLimit=SECONDS\n"
         << "                    (60 unless given); \"Hosts entries\" takes the name of its block\n"
         << "  config export     writes the configuration with its settings, profiles and values\n"
         << "                    to FILE as text (the data file's own text form)\n"
         << "  config import     adds the configurations of such a FILE; a name that exists is\n"
         << "                    refused, unless --rename gives the new one a free name; a file\n"
         << "                    path must be absolute, and files written outside your own\n"
         << "                    folder and programs it runs are listed and asked about\n"
         << "  profile refresh   captures the machine's current state into the profile; the\n"
         << "                    values it replaces are kept in the history\n"
         << "  profile show      every setting of the configuration with its value's summary\n"
         << "  profile diff      what an apply would change: each setting now and after, and the\n"
         << "                    programs it would run; exits 0 when nothing would change, 1 when\n"
         << "                    something would (or cannot be read); changes nothing\n"
         << "  profile apply     writes the profile back to the machine after asking for\n"
         << "                    confirmation; prints each step and every warning and error;\n"
         << "                    the state it overwrites is kept in the history first\n"
         << "  profile undo      applies the state kept before the last apply (as apply does,\n"
         << "                    with its confirmation); an undo can itself be undone once;\n"
         << "                    --to N applies the state of snapshot N of \"history\" instead\n"
         << "  profile undo-refresh\n"
         << "                    puts back the values the last profile refresh replaced\n"
         << "  history           the kept snapshots, newest first and numbered: local time, kind,\n"
         << "                    configuration / profile, and the settings; a snapshot whose kept\n"
         << "                    values no longer match their hashes is marked damaged\n"
         << "  datafile dump     the data file (or FILE) as text: every record with its class, name\n"
         << "                    and properties, also of classes this program does not know; exits\n"
         << "                    with 3 when the program cannot load it\n"
         << "  rule add          a rule that applies the profile when every CONDITION holds:\n"
         << "                    gateway-mac=MAC, gateway=ADDRESS, ssid=NAME, dns-suffix=SUFFIX,\n"
         << "                    address-in=ADDRESS/BITS or no-network (no gateway); \"ask\" makes\n"
         << "                    the watcher ask first. Rules are tried in order, the first match wins\n"
         << "  rule test         which rule matches the network now, and why\n"
         << "  watch             applies the matching rule's profile whenever the network changes\n"
         << "                    and stays (5 s; 2 min to switch back), for SECONDS or until ended;\n"
         << "                    one program watches at a time (this or the desktop program)\n"
         << "  policy            every policy of the organisation with its effective value and where\n"
         << "                    it came from: machine policy, user policy, installer preference or\n"
         << "                    default\n";
    for (const TMachineCommand& m : MachineCommands()) {
        const std::string label = "  machine " + m.verb;
        text << label
             << (label.size() < HelpIndent ? std::string(HelpIndent - label.size(), ' ')
                                           : "\n" + std::string(HelpIndent, ' '))
             << Wrapped(m.help) << "\n";
    }
    text << "\nSetting kinds:";
    for (const TSettingClass* kind : GetSettingClasses()) {
        const TPropInfo* parameter = ParameterOf(*kind);
        const std::string line = "\n  " + Quote(kind->GetCaption()) + " (" + kind->ClassName() + ")" +
                                 (parameter ? ", ARG: " + parameter->name + (IsNameList(*parameter) ? "..." : "") : "");
        text << line;
        if (parameter && !IsNameList(*parameter))
            if (const auto others = OtherParametersOf(*kind, *parameter); !others.empty()) {
                const std::string more = "[" + OtherParametersText(others) + "]";
                text << (line.size() + more.size() > HelpWidth ? "\n    " : " ") << more;
            }
    }
    text << (GetSettingClasses().Classes().empty() ? " none\n" : "\n") << "\nOptions:\n"
         << "  -y, --yes    answer yes to the confirmation of profile apply and profile undo, and\n"
         << "               to config import's question about files outside your own folder and\n"
         << "               programs it runs\n"
         << "  --rename     config import: a configuration whose name exists gets a free one\n"
         << "  --to N       profile undo: the snapshot numbered N by history\n"
         << "  --managed    profile apply, diff and show: the configuration managed by your\n"
         << "               organisation, when one of your own has the same name\n"
         << "  -h, --help   this text\n"
         << "  --           every later argument is a name, even when it starts with '-'\n\n";
    text << MachineHelpNote() << "Commands that change the data file wait a few seconds while another Prolamo\n"
         << "program (the desktop program, another " << Program << ") holds its lock, then refuse.\n"
         << "The desktop program holds it only while it saves or applies, and shows what\n"
         << "the commands changed.\n"
         << "The history of the last " << TProfileHistory::Capacity << " applies, undos and refreshes is "
         << "kept beside the data file,\nin " << TProfileHistory::FileBeside(DataFileName) << ".\n"
         << "\nExit codes:\n"
         << "  0  done\n"
         << "  1  the command failed: an apply run reported an error, a capture failed, or the data\n"
         << "     file could not be saved; profile diff: something would change\n"
         << "  2  bad arguments, or an unknown configuration, profile or setting kind\n"
         << "  3  the data file or the history file cannot be read (it is left untouched)\n"
         << "  4  another program is changing the data file; watch: another program watches\n"
         << "  5  your organisation's policy does not let you create, edit or delete configurations,\n"
         << "     or lets you apply only the configurations it manages\n"
         << "  6  the configuration is managed by your organisation and cannot be changed\n";
    return text.str();
}

} // namespace prolamo::cli
