// The Program kind on the simulated workstation, whose programs are real processes of the host.

#include "support/SimulatedMachine.h"
#include "support/StreamChecks.h"
#include "support/TestKinds.h"

#include "framework/StreamText.h"
#include "profiles/uConfigTransfer.h"
#include "profiles/uProfileHistory.h"
#include "profiles/uProfilePreview.h"
#include "profiles/uProfileUtils.h"
#include "profiles/uProgramSettings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>

using namespace prolamo;
using namespace prolamo::test;

namespace {

// What a run told: each status line, then each result line.
class RecordingSender final : public TProgressSender {
public:
    explicit RecordingSender(std::vector<std::string>& lines) : lines_(lines) {}
    void Start(int) override {}
    void SetStatus(const std::string& text) override { lines_.push_back(text); }
    void Step() override {}
    void Finish(const TCheckResultList& results) override {
        for (const TCheckResult& result : results)
            lines_.push_back(result.Text());
    }

private:
    std::vector<std::string>& lines_;
};

class Yes final : public IConfirmation {
public:
    bool Confirm(const std::string& question) override {
        asked = question;
        return true;
    }
    std::string asked;
};

std::size_t LinesIn(const std::string& path) {
    std::ifstream in(path);
    std::size_t count = 0;
    for (std::string line; std::getline(in, line);)
        ++count;
    return count;
}

class ProgramSettingTest : public SimulatedMachineTest {
protected:
    void SetUp() override { RegisterTestKinds(); }

    // A program setting of a shell script, in Configuration with a captured profile "Office".
    TProgramSetting& AddProgram(const std::string& script, std::int32_t timeLimit = DefaultTimeLimit) {
        auto setting = std::make_unique<TProgramSetting>();
        setting->SetCommandLine("/bin/sh -c \"" + script + "\"");
        setting->SetTimeLimit(timeLimit);
        setting->SetId(next_++);
        return static_cast<TProgramSetting&>(configuration.AddSetting(std::move(setting)));
    }
    TConfigurationProfile& Office() {
        if (TConfigurationProfile* office = configuration.Profiles().Find("Office"))
            return *office;
        TConfigurationProfile& office = configuration.Profiles().Add(configuration.Profiles().NewProfile());
        office.SetName("Office");
        office.RefreshAll();
        return office;
    }
    // The status and result lines of an apply of Office.
    std::vector<std::string> Apply(IApplyGuard* guard = nullptr) {
        std::vector<std::string> lines;
        TProfileApplier applier(std::make_unique<RecordingSender>(lines), yes);
        applier.SetGuard(guard);
        applier.ApplyProfile(Office());
        return lines;
    }
    std::string Results() {
        std::string text;
        for (const std::string& line : Apply())
            if (!line.starts_with("Applying "))
                text += line + "|";
        return text;
    }

    std::string counter = temp_ / "runs.txt";
    TConfigurations root;
    TConfiguration& configuration = root.Configurations().Add(root.Configurations().NewConfiguration());
    Yes yes;
    std::uint32_t next_ = 100;
};

} // namespace

TEST_F(ProgramSettingTest, AnExitCodeOtherThanZeroIsAnErrorWithTheLastLinesPrintedOnEitherOutput) {
    AddProgram("echo first; echo second >&2; printf 'a\\nb\\n\\033]0;title\\007\\n\\nc\\n'; exit 3");
    EXPECT_EQ(Results(), "Program (sh): ended with exit code 3; the last lines it printed:\n"
                         "  second\n  a\n  b\n  ?]0;title?\n  c|")
        << "blank lines are passed over, control characters cannot reach a terminal";

    configuration.DeleteSetting(configuration.Settings()[0]);
    AddProgram("echo all is well; exit 0");
    EXPECT_EQ(Results(), "") << "a program that succeeds is no error, whatever it prints";
}

TEST_F(ProgramSettingTest, AProgramPastItsTimeLimitIsEndedAndSaysSo) {
    AddProgram("echo started; exec sleep 30", 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Results(), "Program (sh): was still running after its time limit of 1 s and was ended; the last "
                         "lines it printed:\n  started|");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << "it did not wait for the end";
}

TEST_F(ProgramSettingTest, AMissingProgramOrFolderIsAnErrorWithTheSystemsCode) {
    auto& missing = AddProgram("true");
    missing.SetCommandLine("\"" + (temp_ / "no such program") + "\" --now");
    EXPECT_EQ(missing.GetDetails(), "no such program");
    EXPECT_EQ(Results(), "Program (no such program): cannot be started: System Error.  Code: 2.\n"
                         "The system cannot find the file specified|");

    missing.SetCommandLine("/bin/sh -c pwd");
    missing.SetWorkingFolder((temp_ / "gone"));
    EXPECT_EQ(Results(), "Program (sh): cannot be started: System Error.  Code: 267.\n"
                         "The directory name is invalid|");
}

TEST_F(ProgramSettingTest, TheProgramRunsInItsWorkingFolder) {
    auto& program = AddProgram("pwd; exit 1");
    const std::string folder = std::filesystem::canonical(temp_.Path()).string();
    program.SetWorkingFolder(folder);
    EXPECT_EQ(Results(), "Program (sh): ended with exit code 1; the last lines it printed:\n  " + folder + "|");
}

TEST_F(ProgramSettingTest, ProgramsRunBeforeOrAfterTheOtherSettingsAsEachSays) {
    auto& after = AddProgram("true");
    TestMachine() = {{"a", "alpha"}};
    auto test = std::make_unique<TTestSetting>();
    test->SetKey("a");
    configuration.AddSetting(std::move(test));
    auto& before = AddProgram("true");
    before.SetRunBefore(true);
    after.SetCommandLine("/bin/sh -c \"exit 0\" after");
    const std::vector<std::string> lines = Apply();
    EXPECT_EQ(lines, (std::vector<std::string>{"Applying Program (sh)...", "Applying Test (a)...",
                                               "Applying Program (sh)..."}));
    EXPECT_EQ(&configuration.Settings()[0], &before);
    EXPECT_EQ(&configuration.Settings()[2], &after);
}

TEST_F(ProgramSettingTest, ARefreshRecordsTheProgramThePreviewSaysItWillRunAndTheQuestionNamesIt) {
    TProgramSetting& program = AddProgram("echo ran >> '" + counter + "'");
    EXPECT_EQ(MessageOf<Exception>([&] { program.CreateValue(); }), ProgramNothingToCapture)
        << "the machine holds nothing of a program";
    TConfigurationProfile& office = Office();
    ASSERT_NE(office.FindValue(program), nullptr);
    EXPECT_EQ(office.FindValue(program)->GetHint(), ProgramRecordedHint);

    const TProfilePreview preview = PreviewProfile(office);
    ASSERT_EQ(preview.changes.size(), 1u);
    EXPECT_EQ(preview.changes[0].state, TChangeState::WillRun);
    EXPECT_EQ(preview.changes[0].after, program.CommandLine());
    EXPECT_EQ(preview.changes[0].text, "Program (" + program.CommandLine() + ")");
    EXPECT_EQ(preview.Summary(), "Nothing will change, 1 will run");
    EXPECT_FALSE(preview.AnyChange());
    EXPECT_EQ(preview.Count(TChangeState::WillChange), 0) << "a program does not make the watcher apply again";
    EXPECT_FALSE(std::filesystem::exists(counter)) << "the preview ran nothing";

    Apply();
    EXPECT_EQ(yes.asked, std::string(ApplyQuestion) + "\n\nPrograms it runs:\n  " + program.CommandLine());
    EXPECT_EQ(LinesIn(counter), 1u);
}

TEST_F(ProgramSettingTest, AnUndoDoesNotRunTheProgramAgainAndSaysWhy) {
    TestMachine() = {{"a", "alpha"}};
    auto test = std::make_unique<TTestSetting>();
    test->SetKey("a");
    configuration.AddSetting(std::move(test));
    AddProgram("echo ran >> '" + counter + "'");
    Office();
    TestMachine()["a"] = "home";

    TProfileHistory history;
    TApplySnapshotter snapshotter(history, configuration);
    Apply(&snapshotter);
    EXPECT_EQ(TestMachine()["a"], "alpha");
    ASSERT_EQ(LinesIn(counter), 1u);

    TApplyUndo undo(history, root);
    ASSERT_EQ(undo.LeftAlone().size(), 1u);
    EXPECT_EQ(undo.LeftAlone()[0], std::string("Program (sh): ") + ProgramNothingToCapture)
        << "a program had nothing to read; nothing failed";
    std::vector<std::string> lines;
    undo.Run(std::make_unique<RecordingSender>(lines), yes);
    EXPECT_EQ(lines, (std::vector<std::string>{"Applying Test (a)..."}));
    EXPECT_EQ(TestMachine()["a"], "home");
    EXPECT_EQ(LinesIn(counter), 1u) << "the undo did not run the program";
}

TEST_F(ProgramSettingTest, AnImportListsItsCommandLinesAndRefusesParametersTheProgramWouldNot) {
    TProgramSetting& program = AddProgram("true");
    program.SetWorkingFolder(temp_.Path().string());
    Office();
    configuration.SetName("Site");
    const std::string exported = ExportConfigurations({&configuration});
    const std::unique_ptr<TConfigurations> imported = ReadExport(exported);
    EXPECT_EQ(ImportCautions(*imported),
              "Its Program settings run:\n  " + program.CommandLine() + " (configuration Site)");
    const TProgramSetting& back = static_cast<const TProgramSetting&>(imported->Configurations()[0].Settings()[0]);
    EXPECT_TRUE(back.IsDoubleOf(program));

    // A text of someone else's making may hold what the program would never have stored.
    const auto refused = [&](const std::function<void(TProgramSetting&)>& change) {
        TConfigurations other;
        TConfiguration& copy = other.Configurations().Add(other.Configurations().NewConfiguration());
        copy.Assign(configuration);
        change(static_cast<TProgramSetting&>(copy.Settings()[0]));
        return MessageOf<EFilerError>([&] { ReadExport(ExportConfigurations({&copy})); });
    };
    EXPECT_EQ(refused([](TProgramSetting& s) { s.SetTimeLimit(0); }),
              "The configuration \"Site\", setting " + QuotedText("Program (" + program.CommandLine() + ")") +
                  ": The time limit of a Program setting is 1 to 86400 seconds, not 0");
    EXPECT_NE(refused([](TProgramSetting& s) { s.SetCommandLine("x\ny"); }).find("control character"),
              std::string::npos);
    EXPECT_NE(refused([](TProgramSetting& s) { s.SetWorkingFolder("relative"); }).find("absolute path"),
              std::string::npos);
}

TEST(ProgramParameters, AreCheckedWhereTheUserEntersThemAndBeforeAnythingRuns) {
    TProgramSetting program;
    const auto fault = [&] {
        try {
            program.CheckParameters();
            return std::string();
        } catch (const Exception& e) {
            return e.Message();
        }
    };
    EXPECT_EQ(fault(), ProgramNeedsCommandLine);
    program.SetCommandLine(" \t");
    EXPECT_EQ(fault(), ProgramNeedsCommandLine);
    program.SetCommandLine("backup.cmd\r\nformat c:");
    EXPECT_EQ(fault(),
              "The command line of a Program setting holds a control character, which would hide what it runs");
    program.SetCommandLine("backup.cmd /quiet");
    EXPECT_EQ(fault(), "");
    program.SetWorkingFolder("scripts");
    EXPECT_EQ(fault(), "The working folder of a Program setting must be an absolute path without \"..\", not scripts");
    program.SetWorkingFolder("C:\\Tools\\..\\Windows");
    EXPECT_NE(fault(), "");
    program.SetWorkingFolder("C:\\Tools");
    for (const std::int32_t limit : {0, -5, LongestTimeLimit + 1}) {
        program.SetTimeLimit(limit);
        EXPECT_EQ(fault(), "The time limit of a Program setting is 1 to 86400 seconds, not " + std::to_string(limit));
    }
    program.SetTimeLimit(LongestTimeLimit);
    EXPECT_EQ(fault(), "");

    TCheckResultList results;
    program.SetTimeLimit(0);
    EXPECT_THROW(program.ApplyValue(TProgramSettingValue(), results), Exception) << "a data file's value never runs";
}

TEST(ProgramParameters, TheListsNameTheProgramWithoutItsFolderAndQuotes) {
    EXPECT_EQ(ProgramNameOf("\"C:\\Program Files\\VPN\\vpn.exe\" connect"), "vpn.exe");
    EXPECT_EQ(ProgramNameOf("  C:\\Tools\\sync.cmd /now"), "sync.cmd");
    EXPECT_EQ(ProgramNameOf("/usr/bin/env  sh"), "env");
    EXPECT_EQ(ProgramNameOf("\"unclosed quote"), "unclosed quote");
    EXPECT_EQ(ProgramNameOf("notepad"), "notepad");
    EXPECT_EQ(ProgramNameOf(" "), "");
}
