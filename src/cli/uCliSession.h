#pragma once
// One run of one command of prolamo-cli over the loaded data file: what each command does.

#include "profiles/uProfileHistory.h"
#include "profiles/uProfileSettings.h"
#include "uCliArguments.h"

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace prolamo::cli {

// The history file exists but cannot be read; it is left as it is.
class EUnreadableHistory : public Exception {
    using Exception::Exception;
};

// One run of one command over the loaded data.
class TSession {
public:
    TSession(std::istream& in, std::ostream& out, std::ostream& err, const TCliArguments& options,
             const std::string& historyFile);

    bool Changed() const { return changed_; }
    // What the command did, to be told once the data file holds it.
    const std::string& Report() const { return report_; }
    const TConfigurations& Root() const { return root_; }
    std::ostream& Out() { return out_; }
    std::ostream& Err() { return err_; }

    // The organisation's configurations, read once per run; its warning goes to standard error.
    TConfigurations* Managed();

    // The user's configurations, then the organisation's, marked; a name both use is listed twice.
    int List();

    // Names from a file: a line break in one must not make a line of its own.
    void ListConfiguration(const TConfiguration& configuration, bool managed);
    int ConfigAdd(const std::string& name);
    int ConfigDelete(const std::string& name);
    int SettingAdd(const std::string& configurationName, const std::string& kindName,
                   const std::vector<std::string>& arguments);
    int ProfileAdd(const std::string& configurationName, const std::string& name);
    int ProfileDelete(const std::string& configurationName, const std::string& name);

    // Like the desktop program: a failing capture ends the refresh there, the values captured
    // before it are kept. The values before it go to the history first.
    int ProfileRefresh(const std::string& configurationName, const std::string& name);
    int ProfileUndoRefresh();
    int ProfileDiff(const std::string& configurationName, const std::string& name);
    int ProfileShow(const std::string& configurationName, const std::string& name);
    int ProfileApply(const std::string& configurationName, const std::string& name);
    int ProfileUndo();

    // Newest first, numbered as profile undo --to takes them; each stored value's hash is checked.
    int HistoryList();

    // The data file could not be saved: a refresh's snapshot would undo a refresh that is lost.
    void SaveFailed();
    int ConfigExport(const std::string& name, const std::string& file);
    int ConfigImport(const std::string& file);

private:
    TConfigurationsCollection& Configurations() { return root_.Configurations(); }

    // Read when a command first needs it; only a command that holds the data file's lock changes it.
    TProfileHistory& History(THistoryAccess access = THistoryAccess::Change);
    TConfiguration* FindManaged(const std::string& name);

    // One of the user's own, to change: the organisation's are refused as such.
    TConfiguration& FindConfiguration(const std::string& name);

    // To apply, preview or show: the user's own, else the organisation's; --managed takes the
    // organisation's of a name both use.
    TConfiguration& FindToApply(const std::string& name);
    static TConfigurationProfile& FindProfile(const TConfiguration& configuration, const std::string& name);
    static void CheckName(const std::string& name, const char* what);
    void Changed(const std::string& report);

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

} // namespace prolamo::cli
