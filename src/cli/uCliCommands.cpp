#include "uCliCommands.h"

#include "classes/uDataFileLock.h"
#include "classes/uPersistence.h"
#include "classes/uPolicy.h"
#include "framework/Utf8Text.h"
#include "framework/StreamText.h"
#include "os/Files.h"
#include "os/Text.h"
#include "profiles/uConfigTransfer.h"
#include "profiles/uProfileHistory.h"
#include "profiles/uProfilePreview.h"
#include "profiles/uProfileSettings.h"
#include "profiles/uProfileUtils.h"
#include "profiles/uServiceClient.h"
#include "profiles/uSettingKinds.h"
#include "switching/uManaged.h"
#include "uCliArguments.h"
#include "uDataFileDump.h"
#include "uElevatedApply.h"
#include "uRuleCommands.h"
#include "uTerminal.h"
#include "uMachineCommands.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>

namespace prolamo::cli {

namespace {

constexpr const char* Program = "prolamo-cli";

// A name for a message; it may come from the data file, so it is shown with controls escaped.
std::string Quote(const std::string& name) {
    return "\"" + TerminalLine(name) + "\"";
}

// The one parameter a kind takes from the command line: its first own published text or number
// property (the file path for "File"); nothing for kinds without parameters.
const TPropInfo* ParameterOf(const TSettingClass& kind) {
    const auto& base = TSetting::StaticClass().Properties();
    for (const TPropInfo* prop : kind.Properties()) {
        if (std::find(base.begin(), base.end(), prop) != base.end() || !prop->Writable() || !prop->Readable())
            continue;
        if (prop->kind == TTypeKind::String || prop->kind == TTypeKind::WideString ||
            prop->kind == TTypeKind::Integer || prop->kind == TTypeKind::Cardinal)
            return prop;
    }
    return nullptr;
}

// The kind's other parameters, given as NAME=VALUE after the first (a Program's WorkingFolder).
std::vector<const TPropInfo*> OtherParametersOf(const TSettingClass& kind, const TPropInfo& first) {
    const auto& base = TSetting::StaticClass().Properties();
    std::vector<const TPropInfo*> others;
    for (const TPropInfo* prop : kind.Properties())
        if (prop != &first && std::find(base.begin(), base.end(), prop) == base.end() && prop->Writable() &&
            prop->Readable() && !prop->IsObject())
            others.push_back(prop);
    return others;
}

// "WorkingFolder=... RunBefore=... TimeLimit=..."
std::string OtherParametersText(const std::vector<const TPropInfo*>& others) {
    std::string text;
    for (const TPropInfo* prop : others)
        text += (text.empty() ? "" : " ") + prop->name + "=...";
    return text;
}

// A parameter such as VariableNames holds one name per line.
bool IsNameList(const TPropInfo& prop) {
    return prop.name.size() > 5 && prop.name.compare(prop.name.size() - 5, 5, "Names") == 0;
}

std::string KindList() {
    std::string list;
    for (const TSettingClass* kind : GetSettingClasses()) {
        list += list.empty() ? "" : ", ";
        list += Quote(kind->GetCaption());
    }
    return list.empty() ? "none" : list;
}

// Through char8_t: a path made of a plain string is in the ANSI code page on Windows.
std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    const auto absolute = std::filesystem::absolute(std::u8string(path.begin(), path.end()), error);
    const std::u8string normal = absolute.lexically_normal().u8string();
    return error ? path : std::string(normal.begin(), normal.end());
}

void SetParameter(TSetting& setting, const TPropInfo& prop, const std::string& argument) {
    switch (prop.kind) {
    case TTypeKind::String:
        // Paths are kept absolute: the setting is applied later, from any folder.
        prop.setString(setting, (prop.name == "FileName" || prop.name == "WorkingFolder") && !argument.empty()
                                    ? AbsolutePath(argument)
                                    : argument);
        return;
    case TTypeKind::Boolean:
        if (argument != "yes" && argument != "no")
            throw EUsage(prop.name + " is yes or no, not " + Quote(argument));
        prop.setOrdinal(setting, argument == "yes" ? 1 : 0);
        return;
    case TTypeKind::WideString:
        prop.setWide(setting, os::Utf8ToUtf16(argument));
        return;
    default: {
        std::size_t used = 0;
        long long number = 0;
        try {
            number = std::stoll(argument, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used == 0 || used != argument.size())
            throw EUsage(prop.name + " must be a number, not " + Quote(argument));
        prop.setOrdinal(setting, number);
        return;
    }
    }
}

// A hint of many lines (a file's content) goes below its label, indented; one line goes beside it.
void WriteHint(std::ostream& out, const std::string& hint, const std::string& indent) {
    const std::string text = TerminalText(hint);
    if (text.find('\n') == std::string::npos) {
        out << ' ' << text << '\n';
        return;
    }
    out << '\n';
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        out << indent << "| " << line << '\n';
}

// The history file exists but cannot be read; it is left as it is.
class EUnreadableHistory : public Exception {
    using Exception::Exception;
};

// Ends the process at once, as a kill would, right after the snapshot of an apply is saved and
// before anything is written: the test that the snapshot survives sets it.
constexpr const char* StopAfterSnapshot = "PROLAMO_CLI_STOP_AFTER_SNAPSHOT";
constexpr int ExitKilled = 137;

// The snapshot of an apply, saved before its first write; a snapshot that cannot be saved ends
// the run with nothing written.
class TSnapshotStep final : public IApplyGuard {
public:
    TSnapshotStep(TApplySnapshotter& snapshotter, const std::string& historyFile)
        : snapshotter_(snapshotter), historyFile_(historyFile) {}

    void BeforeApply(const TConfigurationProfile& profile, const TSettingsList& settings) override {
        try {
            snapshotter_.BeforeApply(profile, settings);
        } catch (const std::exception& e) {
            throw Exception("the state before the apply cannot be kept in " + historyFile_ + ": " + e.what() +
                            "\nNothing was applied.");
        }
        if (std::getenv(StopAfterSnapshot))
            std::_Exit(ExitKilled);
    }

private:
    TApplySnapshotter& snapshotter_;
    const std::string& historyFile_;
};

// One run of one command over the loaded data.
class TSession {
public:
    TSession(std::istream& in, std::ostream& out, std::ostream& err, const TCliArguments& options,
             const std::string& historyFile)
        : in_(in), out_(out), err_(err), yes_(options.yes), rename_(options.rename), managed_(options.managed),
          to_(options.to),
          root_(GetConfigurationsRoot()), history_(historyFile) {}

    bool Changed() const { return changed_; }
    // What the command did, to be told once the data file holds it.
    const std::string& Report() const { return report_; }
    const TConfigurations& Root() const { return root_; }
    std::ostream& Out() { return out_; }
    std::ostream& Err() { return err_; }

    // The organisation's configurations, read once per run; its warning goes to standard error.
    TConfigurations* Managed() {
        if (!managedLoaded_) {
            TManagedConfigurations loaded = LoadManagedConfigurations();
            if (!loaded.warning.empty())
                err_ << Program << ": " << TerminalLine(loaded.warning) << '\n';
            managedConfigurations_ = std::move(loaded.configurations);
            managedLoaded_ = true;
        }
        return managedConfigurations_.get();
    }

    // The user's configurations, then the organisation's, marked; a name both use is listed twice.
    int List() {
        const TConfigurations* managed = Managed();
        const std::size_t managedCount = managed ? managed->Configurations().Count() : 0;
        if (Configurations().Count() == 0 && managedCount == 0) {
            out_ << "No configurations.\n";
            return ExitOk;
        }
        for (const TConfiguration& configuration : Configurations())
            ListConfiguration(configuration, false);
        if (managedCount > 0)
            for (const TConfiguration& configuration : managed->Configurations())
                ListConfiguration(configuration, true);
        return ExitOk;
    }

    // Names from a file: a line break in one must not make a line of its own.
    void ListConfiguration(const TConfiguration& configuration, bool managed) {
        out_ << TerminalLine(configuration.Name()) << (managed ? std::string("  (") + ManagedMark + ")" : "") << '\n';
        out_ << "  Settings:" << (configuration.Settings().Empty() ? " none" : "") << '\n';
        for (const TSetting* setting : configuration)
            out_ << "    " << TerminalLine(setting->GetFullDisplayText()) << '\n';
        out_ << "  Profiles:" << (configuration.Profiles().Count() == 0 ? " none" : "") << '\n';
        for (const TConfigurationProfile& profile : configuration.Profiles())
            out_ << "    " << TerminalLine(profile.Name()) << '\n';
    }

    int ConfigAdd(const std::string& name) {
        CheckName(name, "configuration");
        if (Configurations().Find(name))
            throw EUsage(ConfigurationNameTaken(name));
        auto configuration = Configurations().NewConfiguration();
        configuration->SetName(name);
        Configurations().Add(std::move(configuration));
        Changed("Added configuration " + Quote(name) + ".\n");
        return ExitOk;
    }

    int ConfigDelete(const std::string& name) {
        TConfiguration& configuration = FindConfiguration(name);
        Configurations().Delete(static_cast<std::size_t>(configuration.Index()));
        Changed("Deleted configuration " + Quote(name) + ".\n");
        return ExitOk;
    }

    int SettingAdd(const std::string& configurationName, const std::string& kindName,
                   const std::vector<std::string>& arguments) {
        TConfiguration& configuration = FindConfiguration(configurationName);
        const TSettingClass* kind = GetSettingClasses().Find(kindName);
        if (!kind)
            throw EUsage("unknown setting kind " + Quote(kindName) + "; the kinds are " + KindList());
        const TPropInfo* parameter = ParameterOf(*kind);
        // After the first parameter, a kind's other ones come as NAME=VALUE.
        std::vector<std::pair<const TPropInfo*, std::string>> named;
        if (parameter && arguments.size() > 1 && !IsNameList(*parameter)) {
            const std::vector<const TPropInfo*> others = OtherParametersOf(*kind, *parameter);
            if (others.empty())
                throw EUsage("the setting kind " + Quote(kind->GetCaption()) + " takes one " + parameter->name);
            for (std::size_t i = 1; i < arguments.size(); ++i) {
                const std::size_t equals = arguments[i].find('=');
                const auto other = std::find_if(others.begin(), others.end(), [&](const TPropInfo* prop) {
                    return equals != std::string::npos && arguments[i].compare(0, equals, prop->name) == 0;
                });
                if (other == others.end())
                    throw EUsage("the setting kind " + Quote(kind->GetCaption()) + " takes one " + parameter->name +
                                 ", then " + OtherParametersText(others) + ", not " + Quote(arguments[i]));
                named.emplace_back(*other, arguments[i].substr(equals + 1));
            }
        }
        const std::vector<std::string> firstArguments =
            named.empty() ? arguments : std::vector<std::string>(arguments.begin(), arguments.begin() + 1);
        // A list of names is its lines, one name an argument: an argument that would be no line or
        // more than one is refused rather than lost or split.
        if (parameter && IsNameList(*parameter))
            for (const std::string& one : firstArguments)
                if (one.empty() || one.find_first_of("\r\n") != std::string::npos)
                    throw EUsage("a name of " + parameter->name + " is one line of text, not " + Quote(one));
        std::optional<std::string> argument;
        for (const std::string& one : firstArguments)
            argument = argument ? *argument + "\r\n" + one : one;
        if (parameter && !argument)
            throw EUsage("the setting kind " + Quote(kind->GetCaption()) + " needs its " + parameter->name);
        if (!parameter && argument)
            throw EUsage("the setting kind " + Quote(kind->GetCaption()) + " takes no argument");
        std::unique_ptr<TSetting> setting = kind->CreateSetting();
        if (parameter)
            SetParameter(*setting, *parameter, *argument);
        for (const auto& [prop, value] : named)
            SetParameter(*setting, *prop, value);
        try {
            setting->CheckParameters();
        } catch (const Exception& e) {
            throw EUsage(e.Message());
        }
        if (configuration.FindDouble(*setting))
            throw EUsage(SettingTaken(*setting));
        // Ids are tick counts; two settings made within one tick would share their values.
        while (std::any_of(configuration.begin(), configuration.end(),
                           [&](const TSetting* other) { return other->Id() == setting->Id(); }))
            setting->SetId(setting->Id() + 1);
        const TSetting& added = configuration.AddSetting(std::move(setting));
        Changed("Added setting " + Quote(added.GetDisplayText()) + " to configuration " +
                Quote(configurationName) + ".\n");
        return ExitOk;
    }

    int ProfileAdd(const std::string& configurationName, const std::string& name) {
        TConfiguration& configuration = FindConfiguration(configurationName);
        CheckName(name, "profile");
        if (configuration.Profiles().Find(name))
            throw EUsage(ProfileNameTaken(configurationName, name));
        auto profile = configuration.Profiles().NewProfile();
        profile->SetName(name);
        configuration.Profiles().Add(std::move(profile));
        Changed("Added profile " + Quote(name) + " to configuration " + Quote(configurationName) + ".\n");
        return ExitOk;
    }

    int ProfileDelete(const std::string& configurationName, const std::string& name) {
        TConfiguration& configuration = FindConfiguration(configurationName);
        TConfigurationProfile& profile = FindProfile(configuration, name);
        configuration.Profiles().Delete(static_cast<std::size_t>(profile.Index()));
        Changed("Deleted profile " + Quote(name) + " of configuration " + Quote(configurationName) + ".\n");
        return ExitOk;
    }

    // Like the desktop program: a failing capture ends the refresh there, the values captured
    // before it are kept. The values before it go to the history first.
    int ProfileRefresh(const std::string& configurationName, const std::string& name) {
        TConfiguration& configuration = FindConfiguration(configurationName);
        TConfigurationProfile& profile = FindProfile(configuration, name);
        const TRefreshReport report = RefreshWithHistory(History(), configuration, profile);
        refreshed_ = report.snapshot;
        for (const std::string& warning : report.warnings)
            out_ << "Warning: " << TerminalText(warning) << '\n';
        for (const TSetting* setting : report.captured)
            out_ << "Captured " << TerminalLine(setting->GetDisplayText()) << ".\n";
        if (report.failed) {
            if (!report.captured.empty())
                Changed({});
            err_ << Program << ": cannot capture " << TerminalLine(report.failed->GetDisplayText()) << ": "
                 << TerminalText(report.error) << '\n';
            return ExitFailed;
        }
        Changed("Refreshed profile " + Quote(name) + " of configuration " + Quote(configurationName) + ".\n");
        return ExitOk;
    }

    int ProfileUndoRefresh() {
        const TRefreshUndo undo = UndoRefresh(History(), root_);
        Changed(TerminalLine(undo.text) + ".\n");
        return ExitOk;
    }

    int ProfileDiff(const std::string& configurationName, const std::string& name) {
        TConfiguration& configuration = FindToApply(configurationName);
        const TConfigurationProfile& profile = FindProfile(configuration, name);
        const TProfilePreview preview = PreviewProfile(profile);
        out_ << "Profile " << Quote(name) << " of configuration " << Quote(configurationName) << ": "
             << preview.Summary() << '\n';
        for (const TSettingChange& change : preview.changes) {
            out_ << "  " << TerminalLine(change.text) << ": " << ChangeStateText(change.state);
            if (change.state == TChangeState::CannotRead)
                out_ << ": " << TerminalText(change.error);
            if (change.state == TChangeState::WillRun)
                out_ << ": " << TerminalLine(change.after);
            out_ << '\n';
            if (change.state != TChangeState::WillChange)
                continue;
            out_ << "    now:";
            WriteHint(out_, change.now, "      ");
            out_ << "    after:";
            WriteHint(out_, change.after, "      ");
        }
        return preview.AnyChange() ? ExitChanges : ExitOk;
    }

    int ProfileShow(const std::string& configurationName, const std::string& name) {
        TConfiguration& configuration = FindToApply(configurationName);
        const TConfigurationProfile& profile = FindProfile(configuration, name);
        out_ << "Profile " << Quote(name) << " of configuration " << Quote(configurationName) << '\n';
        if (configuration.Settings().Empty())
            out_ << "  no settings\n";
        for (const TSetting* setting : configuration) {
            const TSettingValue* value = profile.FindValue(*setting);
            out_ << "  " << TerminalLine(setting->GetFullDisplayText()) << ":";
            if (!value) {
                out_ << " not captured\n";
                continue;
            }
            WriteHint(out_, value->GetHint(), "    ");
        }
        return ExitOk;
    }

    int ProfileApply(const std::string& configurationName, const std::string& name) {
        TConfiguration& configuration = FindToApply(configurationName);
        const bool own = Configurations().Find(configurationName) == &configuration;
        if (own && ReadPolicy(PolicyAllowUserConfigurations).number == 0) {
            err_ << Program << ": " << OnlyManagedConfigurations << "\n";
            return ExitPolicy;
        }
        TConfigurationProfile& profile = FindProfile(configuration, name);
        const std::vector<TSetting*> before(configuration.begin(), configuration.end());
        TApplySnapshotter snapshotter(History(), configuration);
        TSnapshotStep snapshot(snapshotter, history_.FileName());
        TTerminalConfirmation confirmation(in_, out_, yes_);
        auto sender = std::make_unique<TTerminalProgressSender>(out_);
        const TTerminalProgressSender& progress = *sender;
        TProfileApplier applier(std::move(sender), confirmation);
        applier.SetGuard(&snapshot);
        applier.ApplyProfile(profile);
        if (!progress.Finished()) {
            out_ << "Nothing was applied.\n";
            return ExitOk;
        }
        for (const TSnapshotEntry& entry : snapshotter.Recorded()->Entries())
            if (!entry.Failure().empty())
                out_ << "Not kept for undo: " << TerminalLine(entry.Setting()) << ": " << TerminalText(entry.Failure())
                     << '\n';
        // The user's configuration keeps its apply order, as in the desktop program; the
        // organisation's are not the user's to save.
        changed_ = own && !std::equal(before.begin(), before.end(), configuration.begin(), configuration.end());
        return progress.Errors() > 0 ? ExitFailed : ExitOk;
    }

    int ProfileUndo() {
        TProfileSnapshot* chosen = nullptr;
        if (to_) {
            chosen = History().Listed(static_cast<std::size_t>(*to_));
            if (!chosen)
                throw EUsage("the history lists " + std::to_string(History().Snapshots().Count()) +
                             " snapshots; there is no number " + std::to_string(*to_));
        }
        TApplyUndo undo(History(), root_, chosen, Managed());
        out_ << TerminalLine(undo.Title()) << '\n';
        for (const std::string& line : undo.LeftAlone())
            out_ << "Left alone: " << TerminalText(line) << '\n';
        TTerminalConfirmation confirmation(in_, out_, yes_);
        // The run owns its sender and frees it when it ends; the report tells what happened.
        const TApplyReport report = undo.Run(std::make_unique<TTerminalProgressSender>(out_), confirmation);
        if (!report.confirmed) {
            out_ << "Nothing was applied.\n";
            return ExitOk;
        }
        return report.errors > 0 ? ExitFailed : ExitOk;
    }

    // Newest first, numbered as profile undo --to takes them; each stored value's hash is checked.
    int HistoryList() {
        TProfileHistory& history = History(THistoryAccess::Read);
        if (history.Snapshots().Count() == 0)
            out_ << "The history is empty.\n";
        history.CheckAll();
        for (std::size_t number = 1; TProfileSnapshot* snapshot = history.Listed(number); ++number) {
            out_ << std::setw(2) << number << "  " << snapshot->LocalTimeText() << "  " << std::left << std::setw(7)
                 << snapshot->KindText() << std::right << "  " << TerminalLine(snapshot->Configuration()) << " / "
                 << TerminalLine(snapshot->Profile());
            if (snapshot->Damaged())
                out_ << "  (damaged)";
            out_ << "\n      " << (snapshot->Entries().Count() == 0 ? "no settings" : TerminalLine(snapshot->SettingsText()))
                 << '\n';
        }
        return ExitOk;
    }

    // The data file could not be saved: a refresh's snapshot would undo a refresh that is lost.
    void SaveFailed() {
        if (refreshed_)
            history_.Remove(*refreshed_);
    }

    int ConfigExport(const std::string& name, const std::string& file) {
        const TConfiguration& configuration = FindConfiguration(name);
        const std::string text = ExportConfigurations({&configuration});
        const std::string path = AbsolutePath(file);
        const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        if (const os::ErrorCode code = os::Files().WriteFileReplacing(path, bytes); code != os::ErrorSuccess) {
            err_ << Program << ": cannot write " << TerminalLine(file) << ": " << TerminalText(EOSError(code).what())
                 << '\n';
            return ExitFailed;
        }
        out_ << "Exported configuration " << Quote(name) << " to " << TerminalLine(file) << ".\n";
        return ExitOk;
    }

    int ConfigImport(const std::string& file) {
        const std::string path = AbsolutePath(file);
        std::error_code error;
        if (const auto size = std::filesystem::file_size(path, error); !error && size > MaxTextSize) {
            err_ << Program << ": " << TerminalLine(file) << " cannot be imported: it is larger than " << (MaxTextSize >> 20)
                 << " MB\n";
            return ExitFailed;
        }
        std::vector<std::uint8_t> content;
        if (const os::ErrorCode code = os::Files().ReadWholeFile(path, &content); code != os::ErrorSuccess) {
            err_ << Program << ": cannot read " << TerminalLine(file) << ": " << TerminalText(EOSError(code).what()) << '\n';
            return ExitFailed;
        }
        std::unique_ptr<TConfigurations> imported;
        try {
            imported = ReadExport(std::string_view(reinterpret_cast<const char*>(content.data()), content.size()));
            if (imported->Configurations().Count() == 0)
                throw EFilerError("it holds no configuration");
        } catch (const std::exception& e) {
            err_ << Program << ": " << TerminalLine(file) << " cannot be imported: " << TerminalText(e.what()) << '\n';
            return ExitFailed;
        }
        // Files of someone else's making outside the user's own folder, and programs it would run,
        // are the user's to allow.
        if (const std::string cautions = ImportCautions(*imported); !cautions.empty()) {
            out_ << TerminalText(cautions) << '\n';
            TTerminalConfirmation confirmation(in_, out_, yes_);
            if (!confirmation.Confirm(ImportQuestion)) {
                out_ << "Nothing was imported.\n";
                return ExitOk;
            }
        }
        std::vector<std::string> names;
        try {
            names = ImportConfigurations(root_, *imported, rename_);
        } catch (const EImportConflict& e) {
            throw EUsage(std::string(e.what()) + "; --rename imports it under a free name");
        }
        std::size_t i = 0;
        for (const TConfiguration& configuration : imported->Configurations()) {
            std::string report = "Imported configuration " + Quote(configuration.Name());
            if (names[i] != configuration.Name())
                report += " as " + Quote(names[i]);
            Changed(report + ".\n");
            ++i;
        }
        return ExitOk;
    }

private:
    TConfigurationsCollection& Configurations() { return root_.Configurations(); }

    // Read when a command first needs it; only a command that holds the data file's lock changes it.
    TProfileHistory& History(THistoryAccess access = THistoryAccess::Change) {
        if (!historyLoaded_) {
            try {
                history_.Load(access);
                if (!history_.Notice().empty())
                    err_ << "Warning: " << TerminalText(history_.Notice()) << '\n';
            } catch (const std::exception& e) {
                throw EUnreadableHistory("the history file " + history_.FileName() +
                                         " cannot be read: " + TerminalText(e.what()) +
                                         "\nIt was left as it is; nothing was changed.");
            }
            historyLoaded_ = true;
        }
        return history_;
    }

    TConfiguration* FindManaged(const std::string& name) {
        TConfigurations* managed = Managed();
        return managed ? managed->Configurations().Find(name) : nullptr;
    }

    // One of the user's own, to change: the organisation's are refused as such.
    TConfiguration& FindConfiguration(const std::string& name) {
        if (TConfiguration* configuration = Configurations().Find(name))
            return *configuration;
        if (FindManaged(name))
            throw EManagedConfiguration("the configuration " + Quote(name) + " is " + ManagedMark +
                                        " and cannot be changed");
        throw EUsage("unknown configuration " + Quote(name));
    }

    // To apply, preview or show: the user's own, else the organisation's; --managed takes the
    // organisation's of a name both use.
    TConfiguration& FindToApply(const std::string& name) {
        if (!managed_)
            if (TConfiguration* configuration = Configurations().Find(name))
                return *configuration;
        if (TConfiguration* configuration = FindManaged(name))
            return *configuration;
        throw EUsage((managed_ ? "no configuration managed by your organisation is named " : "unknown configuration ") +
                     Quote(name));
    }

    static TConfigurationProfile& FindProfile(const TConfiguration& configuration, const std::string& name) {
        if (TConfigurationProfile* profile = configuration.Profiles().Find(name))
            return *profile;
        throw EUsage("configuration " + Quote(configuration.Name()) + " has no profile " + Quote(name));
    }

    static void CheckName(const std::string& name, const char* what) {
        if (const std::string fault = NameFault(name, what); !fault.empty())
            throw EUsage(fault);
    }

    void Changed(const std::string& report) {
        changed_ = true;
        report_ += report;
    }

    std::istream& in_;
    std::ostream& out_;
    std::ostream& err_;
    bool yes_;
    bool rename_;
    bool managed_;
    std::optional<int> to_;
    TConfigurations& root_;
    TProfileHistory history_;
    TProfileSnapshot* refreshed_ = nullptr;
    bool historyLoaded_ = false;
    std::unique_ptr<TConfigurations> managedConfigurations_;
    bool managedLoaded_ = false;
    bool changed_ = false;
    std::string report_;
};

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

const std::vector<TCommand>& Commands() {
    using Ops = const std::vector<std::string>&;
    static const std::vector<TCommand> commands = {
        {{"list"}, "", 0, 0, TAccess::Read, [](TSession& s, Ops) { return s.List(); }},
        {{"config", "add"}, "NAME", 1, 1, TAccess::Change, [](TSession& s, Ops o) { return s.ConfigAdd(o[0]); }},
        {{"config", "delete"}, "NAME", 1, 1, TAccess::Change,
         [](TSession& s, Ops o) { return s.ConfigDelete(o[0]); }},
        {{"config", "export"}, "CONFIG FILE", 2, 2, TAccess::Read,
         [](TSession& s, Ops o) { return s.ConfigExport(o[0], o[1]); }},
        {{"config", "import"}, "[--rename] FILE", 1, 1, TAccess::Change,
         [](TSession& s, Ops o) { return s.ConfigImport(o[0]); }},
        {{"setting", "add"}, "CONFIG KIND [ARG...]", 2, SIZE_MAX, TAccess::Change,
         [](TSession& s, Ops o) { return s.SettingAdd(o[0], o[1], std::vector<std::string>(o.begin() + 2, o.end())); }},
        {{"profile", "add"}, "CONFIG PROFILE", 2, 2, TAccess::Change,
         [](TSession& s, Ops o) { return s.ProfileAdd(o[0], o[1]); }},
        {{"profile", "delete"}, "CONFIG PROFILE", 2, 2, TAccess::Change,
         [](TSession& s, Ops o) { return s.ProfileDelete(o[0], o[1]); }},
        {{"profile", "refresh"}, "CONFIG PROFILE", 2, 2, TAccess::Change,
         [](TSession& s, Ops o) { return s.ProfileRefresh(o[0], o[1]); }},
        {{"profile", "show"}, "CONFIG PROFILE", 2, 2, TAccess::Read,
         [](TSession& s, Ops o) { return s.ProfileShow(o[0], o[1]); }},
        // Changes the machine; holding the lock also keeps two runs from applying at once.
        {{"profile", "apply"}, "CONFIG PROFILE", 2, 2, TAccess::Change,
         [](TSession& s, Ops o) { return s.ProfileApply(o[0], o[1]); }},
        {{"profile", "diff"}, "CONFIG PROFILE", 2, 2, TAccess::Read,
         [](TSession& s, Ops o) { return s.ProfileDiff(o[0], o[1]); }},
        {{"profile", "undo"}, "[--to N]", 0, 0, TAccess::Change, [](TSession& s, Ops) { return s.ProfileUndo(); }},
        {{"profile", "undo-refresh"}, "", 0, 0, TAccess::Change,
         [](TSession& s, Ops) { return s.ProfileUndoRefresh(); }},
        {{"history"}, "", 0, 0, TAccess::Read, [](TSession& s, Ops) { return s.HistoryList(); }},
        {{"datafile", "dump"}, "[FILE]", 0, 1, TAccess::None, nullptr},
        {{"rule", "add"}, "NAME CONFIG PROFILE CONDITION... [ask]", 4, SIZE_MAX, TAccess::Read,
         [](TSession& s, Ops o) { return RuleAdd(s.Root(), s.Managed(), o, s.Out()); }},
        {{"rule", "delete"}, "NAME", 1, 1, TAccess::Read, [](TSession& s, Ops o) { return RuleDelete(o[0], s.Out()); }},
        {{"rule", "list"}, "", 0, 0, TAccess::Read, [](TSession& s, Ops) { return RuleList(s.Out(), s.Err()); }},
        {{"rule", "test"}, "", 0, 0, TAccess::Read, [](TSession& s, Ops) { return RuleTest(s.Root(), s.Managed(), s.Out(), s.Err()); }},
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

// The commands that create, edit or delete the user's configurations; apply and undo only change
// the machine.
bool EditsConfigurations(const TCommand& command) {
    static const std::vector<std::vector<std::string>> edits = {
        {"config", "add"},     {"config", "delete"},    {"config", "import"},  {"setting", "add"},
        {"profile", "add"},    {"profile", "delete"},   {"profile", "refresh"}, {"profile", "undo-refresh"}};
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

// The history file of earlier versions has a root of its own.
bool IsOldHistoryFile(const std::string& path) {
    const auto nameOf = [](const std::string& file) { return std::filesystem::path(file).filename(); };
    return nameOf(path) == nameOf(TProfileHistory::OldFileBeside(DataFileName));
}

int Dump(const std::string& path, std::ostream& out, std::ostream& err) {
    std::vector<std::uint8_t> content;
    if (const os::ErrorCode code = os::Files().ReadWholeFile(path, &content); code != os::ErrorSuccess) {
        err << Program << ": cannot read " << TerminalLine(path) << ": "
            << TerminalMessage(EOSError(code).what()) << '\n';
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
        err << Program << ": " << TerminalLine(path) << " cannot be loaded: " << TerminalMessage(e.what())
            << '\n';
        return ExitUnreadableFile;
    }
    return ExitOk;
}

// Each policy's effective value and the layer it came from; the values are the administrator's
// text, so they go through TerminalLine.
int ShowPolicies(std::ostream& out) {
    for (const TPolicyInfo& policy : Policies()) {
        const TPolicyValue value = ReadPolicy(policy);
        out << std::left << std::setw(24) << policy.name << TerminalLine(PolicyValueText(value))
            << "  (" << PolicySourceText(value.source) << ")\n";
    }
    return ExitOk;
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
        text << label << (label.size() < 20 ? std::string(20 - label.size(), ' ') : "\n" + std::string(20, ' '))
             << m.help << "\n";
    }
    text << "\nSetting kinds:";
    for (const TSettingClass* kind : GetSettingClasses()) {
        const TPropInfo* parameter = ParameterOf(*kind);
        text << "\n  " << Quote(kind->GetCaption()) << " (" << kind->ClassName() << ")"
             << (parameter ? ", ARG: " + parameter->name + (IsNameList(*parameter) ? "..." : "") : std::string());
        if (parameter && !IsNameList(*parameter))
            if (const auto others = OtherParametersOf(*kind, *parameter); !others.empty())
                text << " [" << OtherParametersText(others) << "]";
    }
    text << (GetSettingClasses().Classes().empty() ? " none\n" : "\n")
         << "\nOptions:\n"
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
                 << " cannot be read: " << TerminalMessage(e.what()) << "\nIt was left as it is; \""
                 << Program << " datafile dump\" shows how far it can be read.\n";
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
