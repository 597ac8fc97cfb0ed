#include "uCliCommands.h"

#include "classes/uDataFileLock.h"
#include "classes/uPersistence.h"
#include "classes/uPolicy.h"
#include "framework/Utf8Text.h"
#include "os/Files.h"
#include "os/Text.h"
#include "profiles/uProfileHistory.h"
#include "profiles/uServiceClient.h"
#include "profiles/uSettingKinds.h"
#include "uCliArguments.h"
#include "uCliCommandTable.h"
#include "uCliSession.h"
#include "uDataFileDump.h"
#include "uElevatedApply.h"
#include "uMachineCommands.h"
#include "uRuleCommands.h"
#include "uTerminal.h"

#include <filesystem>
#include <iomanip>
#include <optional>
#include <ostream>

namespace prolamo::cli {

namespace {

// The history file of earlier versions has a root of its own.
bool IsOldHistoryFile(const std::string& path) {
    const auto nameOf = [](const std::string& file) { return std::filesystem::path(file).filename(); };
    return nameOf(path) == nameOf(TProfileHistory::OldFileBeside(DataFileName));
}

int Dump(const std::string& path, std::ostream& out, std::ostream& err) {
    std::vector<std::uint8_t> content;
    if (const os::ErrorCode code = os::Files().ReadWholeFile(path, &content); code != os::ErrorSuccess) {
        err << Program << ": cannot read " << TerminalLine(path) << ": " << TerminalMessage(EOSError(code).what())
            << '\n';
        return ExitUnreadableFile;
    }
    out << "# " << TerminalLine(path) << ", " << content.size() << " bytes\n";
    try {
        DumpDataFile(content, out);
    } catch (const EDumpError& e) {
        out << std::flush;
        err << Program << ": " << TerminalLine(path) << " cannot be read at offset " << e.Offset() << ": "
            << TerminalMessage(e.what()) << '\n';
        return ExitUnreadableFile;
    }
    // Every record can be shown, yet the program may still refuse the file (a class it does not
    // have, a property stored twice): the exit code tells, as the other commands would.
    try {
        if (IsOldHistoryFile(path)) {
            TProfileHistory history;
            ReadComponentResource(content, history, false);
        } else {
            TPersistentData check;
            check.SetSaveOnFree(false);
            check.Load(path);
        }
    } catch (const std::exception& e) {
        out << std::flush;
        err << Program << ": " << TerminalLine(path) << " cannot be loaded: " << TerminalMessage(e.what()) << '\n';
        return ExitUnreadableFile;
    }
    return ExitOk;
}

// Each policy's effective value and the layer it came from; the values are the administrator's
// text, so they go through TerminalLine.
int ShowPolicies(std::ostream& out) {
    for (const TPolicyInfo& policy : Policies()) {
        const TPolicyValue value = ReadPolicy(policy);
        out << std::left << std::setw(24) << policy.name << TerminalLine(PolicyValueText(value)) << "  ("
            << PolicySourceText(value.source) << ")\n";
    }
    return ExitOk;
}

} // namespace

int TCli::Run(const std::vector<std::string>& arguments) {
    try {
        for (const std::string& argument : arguments)
            if (!IsValidUtf8(argument))
                throw EUsage("the argument " + Quote(argument) + " is not UTF-8 text");
        const TCliArguments parsed = ParseArguments(arguments);
        if (parsed.help) {
            out_ << HelpText();
            return ExitOk;
        }
        if (parsed.words.empty())
            throw EUsage("no command given");
        // Not a command for people: an apply started this process with administrator rights.
        if (parsed.words.size() == 3 && parsed.words[0] == ElevatedApplyCommand) {
            InitializeEngine();
            return RunElevatedApply(parsed.words[1], parsed.words[2]);
        }
        std::vector<std::string> operands;
        const TCommand& command = FindCommand(parsed.words, &operands);
        if (parsed.yes && command.words != std::vector<std::string>{"profile", "apply"} &&
            command.words != std::vector<std::string>{"profile", "undo"} &&
            command.words != std::vector<std::string>{"config", "import"})
            throw EUsage("--yes belongs to profile apply, profile undo and config import only");
        if (parsed.to && command.words != std::vector<std::string>{"profile", "undo"})
            throw EUsage("--to belongs to profile undo only");
        if (parsed.rename && command.words != std::vector<std::string>{"config", "import"})
            throw EUsage("--rename belongs to config import only");
        if (parsed.managed && command.words != std::vector<std::string>{"profile", "apply"} &&
            command.words != std::vector<std::string>{"profile", "diff"} &&
            command.words != std::vector<std::string>{"profile", "show"})
            throw EUsage("--managed belongs to profile apply, profile diff and profile show only");

        InitializeEngine();
        if (EditsConfigurations(command) && ReadPolicy(PolicyAllowUserConfigurations).number == 0) {
            err_ << Program << ": " << UserConfigurationsLocked << "\n";
            return ExitPolicy;
        }
        if (command.access == TAccess::Machine)
            return RunMachineCommand(command.words[1], operands, out_, err_);
        if (command.access == TAccess::Watch)
            return Watch(operands, in_, out_, err_);
        if (command.access == TAccess::Policy)
            return ShowPolicies(out_);
        if (command.access == TAccess::None)
            return Dump(operands.empty() ? DataFilePath() : operands[0], out_, err_);

        // Before the lock, which would make the data file's folder.
        const std::string path = DataFilePath();
        std::optional<TDataFileLock> lock;
        if (command.access == TAccess::Change) {
            try {
                // The desktop program holds the lock for a moment at each of its saves.
                lock.emplace(WaitForDataFileLock(path));
            } catch (const EDataFileLocked& e) {
                err_ << Program << ": " << TerminalMessage(e.what()) << ".\n";
                return ExitLocked;
            }
        }
        TPersistentData& data = GetPersistentData();
        // Written below, once, and only when the command changed something.
        data.SetSaveOnFree(false);
        struct Release {
            bool endsProcess;
            ~Release() { endsProcess ? LeavePersistentDataToProcessEnd() : FreePersistentData(); }
        } release{endsProcess_};
        try {
            // A command that only reads is over before anyone could rewrite the file: its pages
            // serve, and nothing is copied.
            data.Load(path, command.access == TAccess::Read ? os::FileReading::Mapped : os::FileReading::Copy);
        } catch (const std::exception& e) {
            err_ << Program << ": the data file " << TerminalLine(path)
                 << " cannot be read: " << TerminalMessage(e.what()) << "\nIt was left as it is; \"" << Program
                 << " datafile dump\" shows how far it can be read.\n";
            return ExitUnreadableFile;
        }
        data.Register(GetConfigurationsRoot());

        TSession session(in_, out_, err_, parsed, TProfileHistory::FileBeside(path));
        int code = ExitOk;
        try {
            code = command.run(session, operands);
        } catch (const EUnreadableHistory& e) {
            err_ << Program << ": " << e.what() << '\n';
            return ExitUnreadableFile;
        }
        if (session.Changed()) {
            try {
                data.Save();
            } catch (const std::exception& e) {
                err_ << Program << ": the data file " << TerminalLine(path)
                     << " cannot be saved: " << TerminalText(e.what()) << "\nThe previous file was kept.\n";
                try {
                    session.SaveFailed();
                } catch (const std::exception& history) {
                    err_ << Program << ": " << TerminalText(history.what()) << '\n';
                }
                return ExitFailed;
            }
        }
        out_ << session.Report();
        return code;
    } catch (const EDataFolderNotFound& e) {
        err_ << Program << ": " << e.what() << "; nothing was read or written.\n";
        return ExitUnreadableFile;
    } catch (const EUsage& e) {
        err_ << Program << ": " << TerminalMessage(e.what()) << "\nTry \"" << Program << " --help\".\n";
        return ExitUsage;
    } catch (const EManagedConfiguration& e) {
        err_ << Program << ": " << TerminalMessage(e.what()) << ".\n";
        return ExitManaged;
    } catch (const std::exception& e) {
        err_ << Program << ": " << TerminalText(e.what()) << '\n';
        return ExitFailed;
    }
}

} // namespace prolamo::cli
