#pragma once

#include "uProfileSettings.h"

#include <string>
#include <vector>

namespace prolamo {

// What an apply of a profile would do to one setting.
enum class TChangeState {
    Unchanged,   // the machine holds the stored value already
    WillChange,  // now and after differ
    CannotRead,  // the machine's state could not be captured
    NotCaptured, // the profile holds no value: an apply leaves the setting alone
    WillRun,     // a program the apply runs; it changes no state the preview could show
};

struct TSettingChange {
    const TSetting* setting = nullptr;
    std::string text; // the setting as the lists show it, a chosen file by its full path
    TChangeState state = TChangeState::Unchanged;
    std::string now;   // the machine's state, as the value's hint shows it
    std::string after; // the stored value's hint; the command line of a program that will run
    std::string error; // why the state could not be read
};

// "What will change": each setting of the profile's configuration in list order, the machine's
// state now against the stored value, compared with the kinds' equality, and the programs the
// apply runs. Captures only, so computing it never changes the machine.
struct TProfilePreview {
    std::vector<TSettingChange> changes;

    // Something will change, or might: a state that cannot be read counts.
    bool AnyChange() const;
    int Count(TChangeState state) const;
    // "2 settings will change, 1 unchanged, 1 cannot be read"; "Nothing will change, 3 unchanged,
    // 1 will run"
    std::string Summary() const;
};

TProfilePreview PreviewProfile(const TConfigurationProfile& profile);
// One setting of the preview, for a front end that compares a setting at a time.
TSettingChange PreviewSetting(const TConfigurationProfile& profile, TSetting& setting);

enum class TLineChange { Kept, Removed, Added };

struct TLineDifference {
    TLineChange change = TLineChange::Kept;
    std::string line;

    bool operator==(const TLineDifference&) const = default;
};

// A value shown over several lines (a file, the hosts file, environment variables).
bool IsMultiLine(const std::string& hint);
// Before turned into After line by line: the fewest lines removed and added, the rest kept, in
// order. Line breaks may be LF or CR LF.
std::vector<TLineDifference> LineDifference(const std::string& before, const std::string& after);

// The state's words as the preview shows them: "unchanged", "will change", "cannot be read",
// "not captured", "will run".
std::string ChangeStateText(TChangeState state);

} // namespace prolamo
