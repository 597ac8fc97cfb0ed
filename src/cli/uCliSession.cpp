#include "uCliSession.h"

#include "classes/uPolicy.h"
#include "framework/StreamText.h"
#include "framework/Translation.h"
#include "framework/Utf8Text.h"
#include "os/Files.h"
#include "profiles/uConfigTransfer.h"
#include "profiles/uProfilePreview.h"
#include "profiles/uProfileUtils.h"
#include "profiles/uServiceClient.h"
#include "profiles/uSettingKinds.h"
#include "switching/uManaged.h"
#include "uElevatedApply.h"
#include "uKindParameters.h"
#include "uSnapshotStep.h"
#include "uTerminal.h"

#include <algorithm>
#include <filesystem>
#include <iomanip>
#include <istream>
#include <ostream>
#include <sstream>

namespace prolamo::cli {

namespace {

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

} // namespace

TSession::TSession(std::istream& in, std::ostream& out, std::ostream& err, const TCliArguments& options,
                   const std::string& historyFile)
    : in_(in), out_(out), err_(err), yes_(options.yes), rename_(options.rename), managed_(options.managed),
      to_(options.to), root_(GetConfigurationsRoot()), history_(historyFile) {}

TConfigurations* TSession::Managed() {
    if (!managedLoaded_) {
        TManagedConfigurations loaded = LoadManagedConfigurations();
        if (!loaded.warning.empty())
            err_ << Program << ": " << TerminalLine(loaded.warning) << '\n';
        managedConfigurations_ = std::move(loaded.configurations);
        managedLoaded_ = true;
    }
    return managedConfigurations_.get();
}

int TSession::List() {
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

void TSession::ListConfiguration(const TConfiguration& configuration, bool managed) {
    out_ << TerminalLine(configuration.Name()) << (managed ? std::string("  (") + ManagedMark + ")" : "") << '\n';
    out_ << "  Settings:" << (configuration.Settings().Empty() ? " none" : "") << '\n';
    for (const TSetting* setting : configuration)
        out_ << "    " << TerminalLine(setting->GetFullDisplayText()) << '\n';
    out_ << "  Profiles:" << (configuration.Profiles().Count() == 0 ? " none" : "") << '\n';
    for (const TConfigurationProfile& profile : configuration.Profiles())
        out_ << "    " << TerminalLine(profile.Name()) << '\n';
}

int TSession::ConfigAdd(const std::string& name) {
    CheckName(name, TNamedKind::Configuration);
    if (Configurations().Find(name))
        throw EUsage(ConfigurationNameTaken(name));
    auto configuration = Configurations().NewConfiguration();
    configuration->SetName(name);
    Configurations().Add(std::move(configuration));
    Changed("Added configuration " + Quote(name) + ".\n");
    return ExitOk;
}

int TSession::ConfigDelete(const std::string& name) {
    TConfiguration& configuration = FindConfiguration(name);
    Configurations().Delete(static_cast<std::size_t>(configuration.Index()));
    Changed("Deleted configuration " + Quote(name) + ".\n");
    return ExitOk;
}

int TSession::SettingAdd(const std::string& configurationName, const std::string& kindName,
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
    Changed("Added setting " + Quote(added.GetDisplayText()) + " to configuration " + Quote(configurationName) + ".\n");
    return ExitOk;
}

int TSession::ProfileAdd(const std::string& configurationName, const std::string& name) {
    TConfiguration& configuration = FindConfiguration(configurationName);
    CheckName(name, TNamedKind::Profile);
    if (configuration.Profiles().Find(name))
        throw EUsage(ProfileNameTaken(configurationName, name));
    auto profile = configuration.Profiles().NewProfile();
    profile->SetName(name);
    configuration.Profiles().Add(std::move(profile));
    Changed("Added profile " + Quote(name) + " to configuration " + Quote(configurationName) + ".\n");
    return ExitOk;
}

int TSession::ProfileDelete(const std::string& configurationName, const std::string& name) {
    TConfiguration& configuration = FindConfiguration(configurationName);
    TConfigurationProfile& profile = FindProfile(configuration, name);
    configuration.Profiles().Delete(static_cast<std::size_t>(profile.Index()));
    Changed("Deleted profile " + Quote(name) + " of configuration " + Quote(configurationName) + ".\n");
    return ExitOk;
}

int TSession::ProfileRefresh(const std::string& configurationName, const std::string& name) {
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

int TSession::ProfileUndoRefresh() {
    const TRefreshUndo undo = UndoRefresh(History(), root_);
    Changed(TerminalLine(undo.text) + ".\n");
    return ExitOk;
}

int TSession::ProfileDiff(const std::string& configurationName, const std::string& name) {
    TConfiguration& configuration = FindToApply(configurationName);
    const TConfigurationProfile& profile = FindProfile(configuration, name);
    const TProfilePreview preview = PreviewProfile(profile);
    out_ << "Profile " << Quote(name) << " of configuration " << Quote(configurationName) << ": " << preview.Summary()
         << '\n';
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

int TSession::ProfileShow(const std::string& configurationName, const std::string& name) {
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

int TSession::ProfileApply(const std::string& configurationName, const std::string& name) {
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

int TSession::ProfileUndo() {
    TProfileSnapshot* chosen = nullptr;
    if (to_) {
        chosen = History().Listed(static_cast<std::size_t>(*to_));
        if (!chosen)
            throw EUsage("the history lists " +
                         CountedText(static_cast<int>(History().Snapshots().Count()), "%1 snapshot", "%1 snapshots") +
                         "; there is no number " + std::to_string(*to_));
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

int TSession::HistoryList() {
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
        out_ << "\n      "
             << (snapshot->Entries().Count() == 0 ? "no settings" : TerminalLine(snapshot->SettingsText())) << '\n';
    }
    return ExitOk;
}

void TSession::SaveFailed() {
    if (refreshed_)
        history_.Remove(*refreshed_);
}

int TSession::ConfigExport(const std::string& name, const std::string& file) {
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

int TSession::ConfigImport(const std::string& file) {
    const std::string path = AbsolutePath(file);
    std::error_code error;
    if (const auto size = std::filesystem::file_size(path, error); !error && size > MaxTextSize) {
        err_ << Program << ": " << TerminalLine(file) << " cannot be imported: it is larger than "
             << (MaxTextSize >> 20) << " MB\n";
        return ExitFailed;
    }
    std::vector<std::uint8_t> content;
    if (const os::ErrorCode code = os::Files().ReadWholeFile(path, &content); code != os::ErrorSuccess) {
        err_ << Program << ": cannot read " << TerminalLine(file) << ": " << TerminalText(EOSError(code).what())
             << '\n';
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

TProfileHistory& TSession::History(THistoryAccess access) {
    if (!historyLoaded_) {
        try {
            history_.Load(access);
            if (!history_.Notice().empty())
                err_ << "Warning: " << TerminalText(history_.Notice()) << '\n';
        } catch (const std::exception& e) {
            throw EUnreadableHistory("the history file " + history_.FileName() + " cannot be read: " +
                                     TerminalText(e.what()) + "\nIt was left as it is; nothing was changed.");
        }
        historyLoaded_ = true;
    }
    return history_;
}

TConfiguration* TSession::FindManaged(const std::string& name) {
    TConfigurations* managed = Managed();
    return managed ? managed->Configurations().Find(name) : nullptr;
}

TConfiguration& TSession::FindConfiguration(const std::string& name) {
    if (TConfiguration* configuration = Configurations().Find(name))
        return *configuration;
    if (FindManaged(name))
        throw EManagedConfiguration("the configuration " + Quote(name) + " is " + ManagedMark +
                                    " and cannot be changed");
    throw EUsage("unknown configuration " + Quote(name));
}

TConfiguration& TSession::FindToApply(const std::string& name) {
    if (!managed_)
        if (TConfiguration* configuration = Configurations().Find(name))
            return *configuration;
    if (TConfiguration* configuration = FindManaged(name))
        return *configuration;
    throw EUsage((managed_ ? "no configuration managed by your organisation is named " : "unknown configuration ") +
                 Quote(name));
}

TConfigurationProfile& TSession::FindProfile(const TConfiguration& configuration, const std::string& name) {
    if (TConfigurationProfile* profile = configuration.Profiles().Find(name))
        return *profile;
    throw EUsage("configuration " + Quote(configuration.Name()) + " has no profile " + Quote(name));
}

void TSession::CheckName(const std::string& name, TNamedKind what) {
    if (const std::string fault = NameFault(name, what); !fault.empty())
        throw EUsage(fault);
}

void TSession::Changed(const std::string& report) {
    changed_ = true;
    report_ += report;
}

} // namespace prolamo::cli
