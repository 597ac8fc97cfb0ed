#pragma once
// "Program": a program or script the apply runs, before or after the other settings.

#include "uProfileSettings.h"

#include <cstdint>
#include <optional>
#include <string>

namespace prolamo {

inline constexpr std::int32_t DefaultTimeLimit = 60;    // seconds
inline constexpr std::int32_t LongestTimeLimit = 86400; // a day
// How many of the last lines a program printed an error line shows.
inline constexpr std::size_t ShownOutputLines = 5;

inline constexpr const char* ProgramNothingToCapture = PROLAMO_TRANSLATE_NOOP(
    "Engine", "a program has no state to read back: an undo cannot take back what it did, so it does not run it again");
inline constexpr const char* ProgramRecordedHint = PROLAMO_TRANSLATE_NOOP("Engine", "Runs when the profile is applied");
inline constexpr const char* ProgramNeedsCommandLine =
    PROLAMO_TRANSLATE_NOOP("Engine", "A Program setting needs the command line it runs");
inline constexpr const char* ProgramCommandLineControlCharacter = PROLAMO_TRANSLATE_NOOP(
    "Engine", "The command line of a Program setting holds a control character, which would hide what it runs");
inline constexpr const char* ProgramFolderControlCharacter = PROLAMO_TRANSLATE_NOOP(
    "Engine", "The working folder of a Program setting holds a control character, which would hide what it runs");
inline constexpr const char* ProgramFolderRefused = PROLAMO_TRANSLATE_NOOP(
    "Engine", "The working folder of a Program setting must be an absolute path without \"..\", not %1");
inline constexpr const char* ProgramTimeLimitRefused =
    PROLAMO_TRANSLATE_NOOP("Engine", "The time limit of a Program setting is 1 to 86400 seconds, not %1");
inline constexpr const char* ProgramCannotStart = PROLAMO_TRANSLATE_NOOP("Engine", "cannot be started: %1");
inline constexpr const char* ProgramExitCode = PROLAMO_TRANSLATE_NOOP("Engine", "ended with exit code %1");
inline constexpr const char* ProgramPastTimeLimit =
    PROLAMO_TRANSLATE_NOOP("Engine", "was still running after its time limit of %1 s and was ended");
// The fault, then the program's last lines.
inline constexpr const char* ProgramLastLines = PROLAMO_TRANSLATE_NOOP("Engine", "%1; the last lines it printed:");

// The program named first on a command line, without its quotes and folders: "vpn.exe" of
// "\"C:\Program Files\VPN\vpn.exe\" connect".
std::string ProgramNameOf(const std::string& commandLine);

class TProgramSetting : public TSetting {
    PROLAMO_SETTING_CLASS()

public:
    std::string CommandLine() const { return commandLine_; }
    void SetCommandLine(const std::string& commandLine) { commandLine_ = commandLine; }
    // Empty: the folder the program that applies runs in.
    std::string WorkingFolder() const { return workingFolder_; }
    void SetWorkingFolder(const std::string& folder) { workingFolder_ = folder; }
    // Runs before the other settings of the apply; otherwise after them.
    bool RunBefore() const { return runBefore_; }
    void SetRunBefore(bool before) { runBefore_ = before; }
    // Seconds; a program still running then is ended.
    std::int32_t TimeLimit() const { return timeLimit_; }
    void SetTimeLimit(std::int32_t seconds) { timeLimit_ = seconds; }

    void Assign(const TPersistent& source) override;
    // A command line that is not blank, no control characters, an absolute working folder and a
    // time limit of 1 s to a day.
    void CheckParameters() const override;
    // Raises ProgramNothingToCapture: the machine holds nothing of a program to capture.
    std::unique_ptr<TSettingValue> CaptureValue() override;
    std::unique_ptr<TSettingValue> RecordRun() const override;
    // Runs the program as the user, without a window, and waits for it up to the time limit. A
    // program that cannot start, ends with an exit code other than 0 or is ended at its time limit
    // is an error line with the last lines it printed.
    void ApplyValue(const TSettingValue& value, TCheckResultList& results) override;
    std::string GetDetails() const override { return ProgramNameOf(commandLine_); }
    std::optional<std::string> CommandLineToRun() const override { return commandLine_; }
    int ApplyPhase() const override { return runBefore_ ? -1 : 1; }

private:
    std::string commandLine_;
    std::string workingFolder_;
    bool runBefore_ = false;
    std::int32_t timeLimit_ = DefaultTimeLimit;
};

// Records that a profile runs the program; it holds nothing else.
class TProgramSettingValue : public TSettingValue {
    PROLAMO_CLASS()

public:
    std::string GetHint() const override { return Translated("Engine", ProgramRecordedHint); }
};

using TProgramSettingEditor = TDialogSettingEditor<TProgramSetting>;

} // namespace prolamo
