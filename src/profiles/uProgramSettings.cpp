#include "uProgramSettings.h"

#include "classes/uHelpers.h"
#include "framework/Utf8Text.h"
#include "os/Processes.h"
#include "os/Text.h"
#include "uFileSettings.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace prolamo {

namespace {

// Output beyond this is dropped from its front: only the last lines are shown.
constexpr std::size_t KeptOutput = 64 * 1024;
// What the program's exit code is when it is ended at its time limit.
constexpr std::uint32_t EndedExitCode = 1;

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

struct TProgramOutcome {
    os::ErrorCode startError = os::ErrorSuccess;
    bool ended = false; // at its time limit
    std::uint32_t exitCode = 0;
    std::string output;
};

// The process, its thread and the pipe of one run, closed whatever happens.
class TProgramRun {
public:
    TProgramRun() = default;
    ~TProgramRun() {
        os::IProcesses& p = os::Processes();
        for (os::Handle h : {info_.process, info_.thread, readEnd_, writeEnd_})
            if (h != os::NullHandle)
                p.CloseHandle(h);
    }
    TProgramRun(const TProgramRun&) = delete;
    TProgramRun& operator=(const TProgramRun&) = delete;

    TProgramOutcome Run(const std::string& commandLine, const std::string& folder, std::chrono::milliseconds limit) {
        os::IProcesses& p = os::Processes();
        TProgramOutcome outcome;
        if (const os::ErrorCode e = p.CreatePipe(true, &readEnd_, &writeEnd_); e != os::ErrorSuccess)
            RaiseLastOSError(e);
        if (const os::ErrorCode e = p.SetHandleInformation(readEnd_, os::HandleFlagInherit, 0); e != os::ErrorSuccess)
            RaiseLastOSError(e);
        outcome.startError = p.CreateProcessIn(os::Utf8ToUtf16(commandLine), os::Utf8ToUtf16(folder),
                                               os::CreateNoWindow, writeEnd_, &info_);
        if (outcome.startError != os::ErrorSuccess)
            return outcome;
        TShellOutputReader reader(readEnd_, KeptOutput);
        const auto start = std::chrono::steady_clock::now();
        while (p.WaitForSingleObject(info_.process, 0) == os::WaitTimeout) {
            if (std::chrono::steady_clock::now() - start >= limit) {
                if (const os::ErrorCode e = p.TerminateProcess(info_.process, EndedExitCode); e != os::ErrorSuccess)
                    RaiseLastOSError(e);
                p.WaitForSingleObject(info_.process, 5000);
                outcome.ended = true;
                break;
            }
            if (!reader.ReadAvailableOutput())
                p.Sleep(50);
        }
        reader.ReadAvailableOutput();
        outcome.output = reader.Output();
        if (const os::ErrorCode e = p.GetExitCodeProcess(info_.process, &outcome.exitCode); e != os::ErrorSuccess)
            RaiseLastOSError(e);
        return outcome;
    }

private:
    os::Handle readEnd_ = os::NullHandle;
    os::Handle writeEnd_ = os::NullHandle;
    os::ProcessInformation info_;
};

// The last lines of Output that hold more than blanks, in UTF-8 (a program of the system prints in
// its code page), with control characters shown as "?" so that none can fake a line of its own.
std::vector<std::string> LastLines(const std::string& output) {
    const std::string text = IsValidUtf8(output) ? output : os::AnsiToUtf8(output);
    std::vector<std::string> lines;
    std::size_t end = text.size();
    while (end > 0 && lines.size() < ShownOutputLines) {
        const std::size_t found = text.find_last_of("\r\n", end - 1);
        const std::size_t start = found == std::string::npos ? 0 : found + 1;
        std::string line = text.substr(start, end - start);
        end = found == std::string::npos ? 0 : found;
        if (line.find_first_not_of(" \t") == std::string::npos)
            continue;
        std::replace_if(
            line.begin(), line.end(), [](char c) { return IsControl(c) && c != '\t'; }, '?');
        lines.insert(lines.begin(), std::move(line));
    }
    return lines;
}

// Windows' status codes are told in hexadecimal, as the system shows them.
std::string ExitCodeText(std::uint32_t code) {
    if (code < 0x10000)
        return std::to_string(code);
    char text[11];
    std::snprintf(text, sizeof text, "0x%08X", code);
    return text;
}

std::string FaultOf(const TProgramOutcome& outcome, std::int32_t timeLimit) {
    if (outcome.startError != os::ErrorSuccess)
        return Translated("Engine", ProgramCannotStart, {EOSError(outcome.startError).Message()});
    std::string fault;
    if (outcome.ended)
        fault = Translated("Engine", ProgramPastTimeLimit, {std::to_string(timeLimit)});
    else if (outcome.exitCode != 0)
        fault = Translated("Engine", ProgramExitCode, {ExitCodeText(outcome.exitCode)});
    else
        return {};
    const std::vector<std::string> lines = LastLines(outcome.output);
    if (!lines.empty()) {
        fault = Translated("Engine", ProgramLastLines, {fault});
        for (const std::string& line : lines)
            fault += "\n  " + line;
    }
    return fault;
}

} // namespace

std::string ProgramNameOf(const std::string& commandLine) {
    const std::size_t first = commandLine.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    std::string program;
    if (commandLine[first] == '"') {
        const std::size_t close = commandLine.find('"', first + 1);
        program = commandLine.substr(first + 1, close == std::string::npos ? std::string::npos : close - first - 1);
    } else {
        program = commandLine.substr(first, commandLine.find_first_of(" \t", first) - first);
    }
    // Both separators, whatever the system: the command line is Windows' form.
    const std::size_t slash = program.find_last_of("\\/");
    return slash == std::string::npos ? program : program.substr(slash + 1);
}

// ---- TProgramSetting ----

const TSettingClass& TProgramSetting::StaticClass() {
    using S = TProgramSetting;
    return MakeSettingClass<S, TSetting>(
        "TProgramSetting",
        {prop::String("CommandLine", &S::CommandLine, &S::SetCommandLine),
         prop::String("WorkingFolder", &S::WorkingFolder, &S::SetWorkingFolder),
         prop::Boolean("RunBefore", &S::RunBefore, &S::SetRunBefore),
         prop::Integer("TimeLimit", &S::TimeLimit, &S::SetTimeLimit).Default(DefaultTimeLimit)},
        {.caption = PROLAMO_TRANSLATE_NOOP("SettingKinds", "Program"),
         .description =
             PROLAMO_TRANSLATE_NOOP("SettingKinds", "A program or script to run before or after the other settings"),
         .category = OthersCategory,
         .editorClass = &TProgramSettingEditor::New,
         .imageIndex = 10});
}

void TProgramSetting::Assign(const TPersistent& source) {
    if (const auto* setting = dynamic_cast<const TProgramSetting*>(&source)) {
        commandLine_ = setting->commandLine_;
        workingFolder_ = setting->workingFolder_;
        runBefore_ = setting->runBefore_;
        timeLimit_ = setting->timeLimit_;
    }
    TSetting::Assign(source);
}

void TProgramSetting::CheckParameters() const {
    if (commandLine_.find_first_not_of(" \t") == std::string::npos)
        throw Exception(Translated("Engine", ProgramNeedsCommandLine));
    if (std::any_of(commandLine_.begin(), commandLine_.end(), IsControl))
        throw Exception(Translated("Engine", ProgramCommandLineControlCharacter));
    if (std::any_of(workingFolder_.begin(), workingFolder_.end(), IsControl))
        throw Exception(Translated("Engine", ProgramFolderControlCharacter));
    if (!workingFolder_.empty() && !PathFault(workingFolder_, {}).empty())
        throw Exception(Translated("Engine", ProgramFolderRefused, {workingFolder_}));
    if (timeLimit_ < 1 || timeLimit_ > LongestTimeLimit)
        throw Exception(Translated("Engine", ProgramTimeLimitRefused, {std::to_string(timeLimit_)}));
}

std::unique_ptr<TSettingValue> TProgramSetting::CaptureValue() {
    throw Exception(Translated("Engine", ProgramNothingToCapture));
}

std::unique_ptr<TSettingValue> TProgramSetting::RecordRun() const {
    return std::make_unique<TProgramSettingValue>();
}

void TProgramSetting::ApplyValue(const TSettingValue& value, TCheckResultList& results) {
    if (dynamic_cast<const TProgramSettingValue*>(&value) == nullptr)
        throw EAssertionFailed("The Program setting was given another kind's value");
    // Parameters from a data file are checked here, before anything runs.
    CheckParameters();
    const TProgramOutcome outcome = TProgramRun().Run(commandLine_, workingFolder_, std::chrono::seconds(timeLimit_));
    if (const std::string fault = FaultOf(outcome, timeLimit_); !fault.empty())
        AddError(results, fault);
}

// ---- TProgramSettingValue ----

const TClassInfo& TProgramSettingValue::StaticClass() {
    return MakeClassInfo<TProgramSettingValue, TSettingValue>("TProgramSettingValue");
}

} // namespace prolamo
