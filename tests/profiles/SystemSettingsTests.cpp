#include "support/SimulatedMachine.h"
#include "support/StreamChecks.h"
#include "support/TestKinds.h"

#include "classes/uRegistry.h"
#include "framework/Exceptions.h"
#include "framework/Stream.h"
#include "os/Environment.h"
#include "os/Privileges.h"
#include "os/Registry.h"
#include "os/Text.h"
#include "profiles/uEnvSettings.h"
#include "profiles/uProfileUtils.h"
#include "profiles/uTimeSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace prolamo;
using namespace prolamo::test;

namespace {

using Bytes = std::vector<std::uint8_t>;

template <class V, class S> std::unique_ptr<V> Capture(S& setting) {
    std::unique_ptr<TSettingValue> value = setting.CreateValue();
    return std::unique_ptr<V>(static_cast<V*>(value.release()));
}

os::TimeZoneInformation Current() {
    os::TimeZoneInformation tz;
    std::uint32_t id = 0;
    EXPECT_EQ(os::TimeZone().GetTimeZoneInformation(&tz, &id), os::ErrorSuccess);
    return tz;
}

// Attributes of the time-zone privilege in the process token.
std::uint32_t TimeZonePrivilege() {
    os::HToken token = 0;
    EXPECT_EQ(os::Privileges().OpenProcessToken(os::TokenQuery, &token), os::ErrorSuccess);
    std::vector<os::LuidAndAttributes> privileges;
    os::Privileges().GetTokenPrivileges(token, &privileges);
    os::Privileges().CloseHandle(token);
    for (const auto& p : privileges)
        if (p.Luid.LowPart == 34)
            return p.Attributes;
    return 0xFFFFFFFF;
}

class TimeZoneSettingTest : public SimulatedMachineTest {
protected:
    void SetUp() override { RegisterTestKinds(); }
    std::unique_ptr<TTimeZoneSettingValue> Zone(const std::u16string& standard, std::int32_t bias) {
        auto value = std::make_unique<TTimeZoneSettingValue>();
        value->SetStandardName(standard);
        value->SetDaylightName(u"Daylight");
        value->SetBias(bias);
        value->SetDaylightBias(-60);
        return value;
    }
    TTimeZoneSetting setting;
    TCheckResultList results;
};

TEST_F(TimeZoneSettingTest, DescribesItself) {
    const TSettingClass& kind = TTimeZoneSetting::StaticClass();
    EXPECT_EQ(kind.GetCaption(), "Time zone");
    EXPECT_EQ(kind.GetDescription(), "Time zone");
    EXPECT_EQ(kind.GetCategory(), "System");
    EXPECT_EQ(kind.GetImageIndex(), 6);
    EXPECT_EQ(kind.GetEditorClass(), nullptr);
}

TEST_F(TimeZoneSettingTest, CaptureThenApplyLeavesTheRecordUnchangedFieldForField) {
    const os::TimeZoneInformation before = Current();
    const auto value = Capture<TTimeZoneSettingValue>(setting);
    EXPECT_EQ(value->StandardName(), u"Pacific Standard Time");
    EXPECT_EQ(value->GetHint(), "(UTC-08:00) Pacific Time (US & Canada)");
    setting.ApplyValue(*Zone(u"Tokyo Standard Time", -540), results);
    EXPECT_EQ(Current().Bias, -540);
    setting.ApplyValue(*value, results);
    EXPECT_EQ(Current(), before);
    EXPECT_EQ(results.Count(), 0u);
    EXPECT_EQ(TimeZonePrivilege(), 0u) << "disabled again afterwards";
    const auto broadcasts = Machine().Broadcasts();
    ASSERT_EQ(broadcasts.size(), 2u) << "one per apply";
    EXPECT_EQ(broadcasts[0].message, 0x001Au);
    EXPECT_EQ(broadcasts[0].window, 0xFFFFu);
}

TEST_F(TimeZoneSettingTest, AZoneWithoutDaylightTimeIsCapturedAsTheSystemReportsIt) {
    auto tokyo = Zone(u"Tokyo Standard Time", -540);
    setting.ApplyValue(*tokyo, results);
    const auto value = Capture<TTimeZoneSettingValue>(setting);
    EXPECT_EQ(value->StandardDate(), os::SystemTime{});
    EXPECT_EQ(value->DaylightDate(), os::SystemTime{});
    EXPECT_EQ(value->DaylightName(), u"Daylight");
    EXPECT_EQ(value->GetHint(), "(UTC+09:00) Osaka, Sapporo, Tokyo");
}

TEST_F(TimeZoneSettingTest, TheHintFallsBackToTheStandardName) {
    EXPECT_EQ(Zone(u"Malay Peninsula Standard Time", -480)->GetHint(), "Malay Peninsula Standard Time")
        << "its key is named Singapore Standard Time";
    EXPECT_EQ(Zone(u"", 0)->GetHint(), "");
    auto value = Zone(u"W. Europe Standard Time", -60);
    EXPECT_EQ(value->GetHint(), "(UTC+01:00) Amsterdam, Berlin, Bern, Rome, Stockholm, Vienna");
    TTimeZoneSettingValue copy;
    copy.Assign(*value);
    EXPECT_EQ(copy.GetHint(), value->GetHint());
}

TEST_F(TimeZoneSettingTest, AUserWithoutThePrivilegeGetsTheSystemsErrorAndTheTokenIsRestored) {
    Machine().SetFact("time_zone_privilege", "not_held");
    const os::TimeZoneInformation before = Current();
    EXPECT_EQ(MessageOf<EOSError>([&] { setting.ApplyValue(*Zone(u"UTC", 0), results); }),
              EOSError(os::ErrorPrivilegeNotHeld).Message());
    EXPECT_EQ(Current(), before);
    EXPECT_TRUE(Machine().Broadcasts().empty());

    Machine().SetFact("time_zone_privilege", "held");
    // Enabled before the apply: it stays enabled afterwards.
    os::HToken token = 0;
    ASSERT_EQ(os::Privileges().OpenProcessToken(os::TokenAdjustPrivileges, &token), os::ErrorSuccess);
    ASSERT_EQ(
        os::Privileges().AdjustTokenPrivileges(token, {{os::Luid{34, 0}, os::SePrivilegeEnabled}}, nullptr, nullptr),
        os::ErrorSuccess);
    os::Privileges().CloseHandle(token);
    setting.ApplyValue(*Zone(u"UTC", 0), results);
    EXPECT_EQ(TimeZonePrivilege(), os::SePrivilegeEnabled);
}

TEST_F(TimeZoneSettingTest, SystemsWithoutTheTimeZonePrivilegeUseTheSystemTimeOne) {
    Machine().SetFact("time_zone_privilege", "unknown");
    setting.ApplyValue(*Zone(u"UTC", 0), results);
    EXPECT_EQ(Current().Bias, 0);
    Machine().SetAdministrator(false);
    EXPECT_EQ(MessageOf<EOSError>([&] { setting.ApplyValue(*Zone(u"Tokyo Standard Time", -540), results); }),
              EOSError(os::ErrorPrivilegeNotHeld).Message());
}

TEST_F(TimeZoneSettingTest, NamesLongerThan31CharactersAreRefusedWithAnErrorLine) {
    const os::TimeZoneInformation before = Current();
    const std::u16string longName(32, u'x');
    setting.ApplyValue(*Zone(longName, 0), results);
    ASSERT_EQ(results.Count(), 1u);
    EXPECT_EQ(results[0].ResultType(), TCheckResultType::Error);
    EXPECT_EQ(results[0].Text(),
              "Time zone: The time zone name \"" + std::string(32, 'x') + "\" is longer than 31 characters");
    EXPECT_EQ(Current(), before);
    EXPECT_TRUE(Machine().Broadcasts().empty());

    const std::u16string longest(31, u'y');
    auto fits = Zone(longest, 0);
    fits->SetDaylightName(longest);
    setting.ApplyValue(*fits, results);
    EXPECT_EQ(results.Count(), 1u);
    EXPECT_EQ(Capture<TTimeZoneSettingValue>(setting)->DaylightName(), longest);
}

TEST_F(TimeZoneSettingTest, DatesAreSixteenBytesAlwaysWrittenAndZeroWhenMissing) {
    auto value = Zone(u"GMT Standard Time", 0);
    value->SetStandardDate({0, 10, 0, 5, 2, 0, 0, 0});
    value->SetDaylightDate({2031, 3, 0x1234, 5, 1, 59, 58, 999});
    Bytes stored;
    auto back = StoredAndRead(*value, &stored);
    EXPECT_EQ(back->StandardDate(), value->StandardDate());
    EXPECT_EQ(back->DaylightDate(), value->DaylightDate());
    EXPECT_EQ(back->Bias(), 0);
    const std::string text("\x0C"
                           "DaylightDate\x0A\x10\0\0\0\xEF\x07\x03\0\x34\x12",
                           24);
    const Bytes dates(text.begin(), text.end());
    EXPECT_NE(std::search(stored.begin(), stored.end(), dates.begin(), dates.end()), stored.end());
    for (const char* name : {"Bias", "StandardBias", "DaylightBias", "StandardDate"})
        EXPECT_NE(std::search(stored.begin(), stored.end(), name, name + std::strlen(name)), stored.end()) << name;

    Bytes withoutDates;
    {
        TWriter writer(withoutDates);
        writer.WriteListEnd();
    }
    TReader reader(withoutDates);
    TTimeZoneSettingValue fresh;
    reader.ReadProperties(fresh);
    EXPECT_EQ(fresh.StandardDate(), os::SystemTime{});
    EXPECT_EQ(fresh.DaylightDate(), os::SystemTime{});
}

// ---- Environment variables ----

class EnvSettingTest : public SimulatedMachineTest {
protected:
    void SetUp() override { RegisterTestKinds(); }
    static std::unique_ptr<TRegistry> Key(TEnvScope scope) {
        auto registry = std::make_unique<TRegistry>();
        registry->SetRootKey(scope == TEnvScope::System ? os::HKeyLocalMachine : os::HKeyCurrentUser);
        EXPECT_TRUE(registry->OpenKey(scope == TEnvScope::System ? SystemEnvironmentKey : UserEnvironmentKey, false));
        return registry;
    }
    static std::unique_ptr<TEnvSettingValue> ValueOf(std::initializer_list<std::u16string> lines) {
        auto value = std::make_unique<TEnvSettingValue>();
        for (const auto& line : lines)
            value->Values().Add(line);
        return value;
    }
    TEnvSetting& Choose(std::initializer_list<std::u16string> names) {
        for (const auto& name : names)
            setting.Names().Add(name);
        return setting;
    }
    TEnvSetting setting;
    TCheckResultList results;
};

TEST_F(EnvSettingTest, DescribesItself) {
    const TSettingClass& kind = TEnvSetting::StaticClass();
    EXPECT_EQ(kind.GetCaption(), "Environment variables");
    EXPECT_EQ(kind.GetDescription(), "User and system environment variables");
    EXPECT_EQ(kind.GetCategory(), "System");
    EXPECT_EQ(kind.GetImageIndex(), 7);
    ASSERT_NE(kind.GetEditorClass(), nullptr);
    EXPECT_NE(dynamic_cast<TEnvSettingEditor*>(kind.GetEditorClass()().get()), nullptr);
}

TEST_F(EnvSettingTest, NamesAreSortedOnceWithoutRegardToCase) {
    setting.SetVariableNames(u"B\r\nA\r\nA\r\n");
    EXPECT_EQ(setting.VariableNames(), u"A\r\nB\r\n");
    setting.Names().Add(u"Path");
    setting.Names().Add(u"PATH");
    EXPECT_EQ(setting.VariableNames(), u"A\r\nB\r\nPath\r\n");
    const std::unique_ptr<TSetting> clone = setting.Clone();
    EXPECT_EQ(static_cast<TEnvSetting&>(*clone).VariableNames(), u"A\r\nB\r\nPath\r\n");
}

TEST_F(EnvSettingTest, CaptureReadsTheKeyTheApplyWritesAsStored) {
    Choose({u"TEMP", u"ComSpec", u"OS", u"Undefined", u"path"});
    const auto value = Capture<TEnvSettingValue>(setting);
    EXPECT_EQ(value->Values().Text(),
              u"ComSpec=%SystemRoot%\\system32\\cmd.exe\r\n"
              u"OS=Windows_NT\r\n"
              u"path=%SystemRoot%\\system32;%SystemRoot%;%SystemRoot%\\System32\\Wbem;"
              u"%SYSTEMROOT%\\System32\\WindowsPowerShell\\v1.0\\;%SYSTEMROOT%\\System32\\OpenSSH\\\r\n"
              u"TEMP=%SystemRoot%\\TEMP\r\n"
              u"Undefined=\r\n")
        << "the machine's values, unexpanded, in the names' order";
    EXPECT_EQ(value->GetHint(), os::Utf16ToUtf8(value->Values().Text()));

    auto user = Key(TEnvScope::User);
    user->WriteString("OnlyUser", "mine");
    os::Environment().SetEnvironmentVariable(u"OnlyProcess", u"from the process");
    Choose({u"OnlyUser", u"OnlyProcess"});
    const auto more = Capture<TEnvSettingValue>(setting);
    EXPECT_EQ(more->Values().Value(u"OnlyUser"), u"mine");
    EXPECT_EQ(more->Values().Value(u"OnlyProcess"), u"from the process") << "neither key has it";
}

TEST_F(EnvSettingTest, CaptureChangeApplyCaptureGivesTheFirstValueAndPathDoesNotGrow) {
    Choose({u"Path", u"TEMP"});
    const auto first = Capture<TEnvSettingValue>(setting);
    setting.ApplyValue(*ValueOf({u"Path=C:\\other", u"TEMP=C:\\t"}), results);
    EXPECT_EQ(Key(TEnvScope::System)->ReadString("Path"), "C:\\other");
    for (int i = 0; i < 3; ++i)
        setting.ApplyValue(*first, results);
    const auto again = Capture<TEnvSettingValue>(setting);
    EXPECT_EQ(again->Values().Lines(), first->Values().Lines());
    auto system = Key(TEnvScope::System);
    EXPECT_EQ(system->GetDataType("Path"), TRegDataType::ExpandString);
    EXPECT_EQ(system->ReadString("Path").find("WindowsApps"), std::string::npos) << "the user's part stays out";
    EXPECT_EQ(Key(TEnvScope::User)->ReadString("TEMP"), "%USERPROFILE%\\AppData\\Local\\Temp")
        << "a machine variable goes to the machine key only";
    EXPECT_EQ(results.Count(), 0u);
    EXPECT_EQ(Machine().Broadcasts().size(), 4u) << "one broadcast per apply";
}

TEST_F(EnvSettingTest, ApplyKeepsTheTypeAndSkipsNumbersAndBinaries) {
    auto user = Key(TEnvScope::User);
    user->WriteInteger("Counter", 5);
    user->WriteBinaryData("Blob", Bytes{1, 2});
    setting.ApplyValue(*ValueOf({u"TEMP=%TMP%\\x", u"Counter=6", u"Blob=b", u"New=", u"OS=Other", u"os=Third"}),
                       results);
    EXPECT_EQ(user->ReadString("TEMP"), "%USERPROFILE%\\AppData\\Local\\Temp") << "TEMP is the machine's";
    auto system = Key(TEnvScope::System);
    EXPECT_EQ(system->GetDataType("TEMP"), TRegDataType::ExpandString);
    EXPECT_EQ(system->ReadString("TEMP"), "%TMP%\\x");
    EXPECT_EQ(system->ReadString("OS"), "Other") << "a name given twice is written with its first text";
    EXPECT_EQ(system->GetDataType("OS"), TRegDataType::String);
    EXPECT_EQ(user->ReadInteger("Counter"), 5);
    Bytes blob(4);
    EXPECT_EQ(user->ReadBinaryData("Blob", blob), 2u);
    EXPECT_TRUE(user->ValueExists("New"));
    EXPECT_EQ(user->GetDataType("New"), TRegDataType::String);
    EXPECT_FALSE(system->ValueExists("New")) << "an undefined name becomes a user variable";
}

TEST(EnvNames, WhatWindowsCannotHoldIsNoName) {
    for (const char16_t* good : {u"Path", u"A B", u"_", u"JAVA_HOME", u"ProgramFiles(x86)", u"B\u00fcro"})
        EXPECT_TRUE(IsValidEnvironmentName(good));
    for (const std::u16string& bad : std::vector<std::u16string>{
             u"", u" ", u" \t ", u"A=B", u"=C:", u"A\r\nB", u"Tab\there", std::u16string(u"Nul\0x", 5), u"Del\x7F"})
        EXPECT_FALSE(IsValidEnvironmentName(bad));
}

TEST_F(EnvSettingTest, NamesAVariableCannotHaveAreRefusedAtEntryCaptureAndApply) {
    Choose({u"OS", u"A=B"});
    EXPECT_EQ(MessageOf<Exception>([&] { setting.CheckParameters(); }),
              "\"A=B\" is not a name an environment variable can have (it is empty or blank, or holds \"=\" or a "
              "control character)");
    TCheckResultList warnings;
    const auto captured = setting.CreateValue(&warnings);
    EXPECT_EQ(static_cast<TEnvSettingValue&>(*captured).Values().Text(), u"OS=Windows_NT\r\n");
    ASSERT_EQ(warnings.Count(), 1u);
    EXPECT_EQ(warnings[0].ResultType(), TCheckResultType::Warning);

    setting.ApplyValue(*ValueOf({u"=C:=C:\\evil", u" =blank", u"Bad\r\nName=x", u"Fine=yes"}), results);
    std::vector<std::string> lines;
    for (const TCheckResult& r : results) {
        EXPECT_EQ(r.ResultType(), TCheckResultType::Error) << r.Text();
        lines.push_back(r.Text());
    }
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Environment variables: \"\" is not a name an environment variable can have (it is empty "
                         "or blank, or holds \"=\" or a control character)",
                         "Environment variables: \" \" is not a name an environment variable can have (it is empty "
                         "or blank, or holds \"=\" or a control character)",
                         "Environment variables: \"Bad\\r\\nName\" is not a name an environment variable can have "
                         "(it is empty or blank, or holds \"=\" or a control character)"}));
    auto user = Key(TEnvScope::User);
    EXPECT_EQ(user->ReadString("Fine"), "yes") << "the valid lines are still written";
    EXPECT_FALSE(user->ValueExists(""));
    EXPECT_FALSE(user->ValueExists(" "));

    setting.Names().Clear();
    Choose({u"OS", u"Path"});
    EXPECT_NO_THROW(setting.CheckParameters());
}

TEST_F(EnvSettingTest, TheEditorDoesNotOfferNamesAVariableCannotHave) {
    Key(TEnvScope::User)->WriteString("Bad=Name", "x");
    Key(TEnvScope::User)->WriteString("Line\r\nBreak", "x");
    ASSERT_TRUE(Key(TEnvScope::User)->ValueExists("Bad=Name")) << "the registry holds such names";
    Choose({u"OS", u" "}); // a data file may hold one
    std::vector<std::u16string> offered;
    TEnvSettingEditor::SetCheckListDialog([&](const std::string&, std::vector<TCheckListItem>& items) {
        for (auto& item : items) {
            offered.push_back(item.text);
            item.checked = true;
        }
        return true;
    });
    TEnvSettingEditor editor;
    ASSERT_TRUE(editor.Edit(setting));
    TEnvSettingEditor::SetCheckListDialog({});
    EXPECT_NE(std::find(offered.begin(), offered.end(), u"OS (machine)"), offered.end());
    for (const std::u16string& name : offered)
        EXPECT_TRUE(IsValidEnvironmentName(name)) << os::Utf16ToUtf8(name);
    EXPECT_NO_THROW(setting.CheckParameters()) << "what the editor chose can be entered";
}

TEST_F(EnvSettingTest, AVariableGoneAtApplyIsCreatedExpandableWhenItRefersToOthers) {
    setting.ApplyValue(
        *ValueOf({u"JAVA_HOME=%ProgramFiles%\\Java\\jdk-21", u"Plain=C:\\Java", u"Percent=100%", u"Doubled=50%% off"}),
        results);
    EXPECT_EQ(results.Count(), 0u);
    auto user = Key(TEnvScope::User);
    EXPECT_EQ(user->GetDataType("JAVA_HOME"), TRegDataType::ExpandString);
    EXPECT_EQ(user->ReadString("JAVA_HOME"), "%ProgramFiles%\\Java\\jdk-21");
    for (const char* plain : {"Plain", "Percent", "Doubled"})
        EXPECT_EQ(user->GetDataType(plain), TRegDataType::String) << plain;
    // A variable that is there keeps its type, whatever its text.
    user->WriteString("Existing", "x");
    setting.ApplyValue(*ValueOf({u"Existing=%TEMP%\\y"}), results);
    EXPECT_EQ(user->GetDataType("Existing"), TRegDataType::String);
}

TEST_F(EnvSettingTest, AVariableOfAnotherTypeIsNeitherCapturedAsEmptyNorOverwritten) {
    auto user = Key(TEnvScope::User);
    const std::u16string multi(u"one\0two\0\0", 9);
    ASSERT_EQ(os::Registry().SetValueEx(user->CurrentKey(), u"Multi", os::RegMultiSz,
                                        reinterpret_cast<const std::uint8_t*>(multi.data()),
                                        static_cast<std::uint32_t>(multi.size() * 2)),
              os::ErrorSuccess);
    user->WriteInteger("Counter", 5);
    Choose({u"Multi", u"Counter", u"OS"});
    TCheckResultList warnings;
    const auto captured = setting.CreateValue(&warnings);
    EXPECT_EQ(static_cast<TEnvSettingValue&>(*captured).Values().Text(), u"OS=Windows_NT\r\n");
    ASSERT_EQ(warnings.Count(), 2u);
    EXPECT_EQ(warnings[0].Text(), "Environment variables: The variable \"Counter\" is not a text in the registry but a "
                                  "value of another type; it is not captured");
    EXPECT_EQ(warnings[1].Text(), "Environment variables: The variable \"Multi\" is not a text in the registry but a "
                                  "value of another type; it is not captured");

    setting.ApplyValue(*ValueOf({u"Multi=", u"Counter=6"}), results);
    ASSERT_EQ(results.Count(), 2u);
    EXPECT_EQ(results[0].Text(), "Environment variables: The variable \"Multi\" is not a text in the registry but a "
                                 "value of another type; it is left as it is");
    EXPECT_EQ(results[0].ResultType(), TCheckResultType::Warning);
    std::uint32_t type = 0, size = 0;
    ASSERT_EQ(os::Registry().QueryValueEx(user->CurrentKey(), u"Multi", &type, nullptr, &size), os::ErrorSuccess);
    EXPECT_EQ(type, os::RegMultiSz);
    EXPECT_EQ(size, multi.size() * 2);
    EXPECT_EQ(user->ReadInteger("Counter"), 5);
}

TEST_F(EnvSettingTest, ANonAdministratorWritesEverythingToTheUserKey) {
    Machine().SetAdministrator(false);
    TWideStrings systemNames;
    GetEnvironmentNames(TEnvScope::System, systemNames);
    EXPECT_EQ(systemNames.Count(), 0u) << "the machine key is not opened for writing";
    Choose({u"Path", u"OS"});
    const auto value = Capture<TEnvSettingValue>(setting);
    EXPECT_EQ(value->Values().Value(u"Path"), u"%USERPROFILE%\\AppData\\Local\\Microsoft\\WindowsApps;");
    setting.ApplyValue(*ValueOf({u"Path=C:\\mine", u"OS=Mine"}), results);
    Machine().SetAdministrator(true);
    auto user = Key(TEnvScope::User);
    auto system = Key(TEnvScope::System);
    EXPECT_EQ(user->ReadString("Path"), "C:\\mine");
    EXPECT_EQ(user->GetDataType("Path"), TRegDataType::ExpandString);
    EXPECT_EQ(user->ReadString("OS"), "Mine");
    EXPECT_EQ(system->ReadString("OS"), "Windows_NT");
}

TEST_F(EnvSettingTest, AKeyThatCannotBeOpenedStopsTheApplyWithAccessDenied) {
    RemoveRegistryKey(Machine(), os::HKeyCurrentUser, u"Environment");
    EXPECT_EQ(MessageOf<EOSError>([&] {
                  setting.ApplyValue(*ValueOf({u"OS=x", u"Mine=y", u"TEMP=z"}), results);
              }),
              EOSError(os::ErrorAccessDenied).Message());
    EXPECT_EQ(Key(TEnvScope::System)->ReadString("OS"), "x") << "written before the failure";
    EXPECT_EQ(Key(TEnvScope::System)->ReadString("TEMP"), "%SystemRoot%\\TEMP") << "not after it";
    EXPECT_TRUE(Machine().Broadcasts().empty());

    setting.ApplyValue(TEnvSettingValue(), results);
    EXPECT_EQ(Machine().Broadcasts().size(), 1u) << "an empty value still tells the programs";
    EXPECT_EQ(TEnvSettingValue().GetHint(), "");
}

// Collects the lines an apply run ends with, as the progress window would list them.
class ResultLines : public TProgressSender {
public:
    explicit ResultLines(std::vector<std::string>& lines) : lines_(lines) {}
    void Start(int) override {}
    void SetStatus(const std::string&) override {}
    void Step() override {}
    void Finish(const TCheckResultList& results) override {
        for (const TCheckResult& r : results)
            lines_.push_back(r.Text());
    }

private:
    std::vector<std::string>& lines_;
};

class Yes final : public IConfirmation {
public:
    bool Confirm(const std::string&) override { return true; }
};

TEST_F(EnvSettingTest, AVariableThatCannotBeReadFailsTheRefreshAndIsAnErrorLineOfTheApply) {
    TConfiguration configuration;
    TEnvSetting& env = static_cast<TEnvSetting&>(configuration.AddSetting(std::make_unique<TEnvSetting>()));
    env.Names().Add(u"TEMP");
    TConfigurationProfile& profile = configuration.Profiles().Add(configuration.Profiles().NewProfile());
    profile.RefreshAll();
    const std::u16string captured = static_cast<const TEnvSettingValue&>(*profile.FindValue(env)).Values().Text();
    ASSERT_EQ(captured, u"TEMP=%SystemRoot%\\TEMP\r\n");

    Key(TEnvScope::System)->WriteString("TEMP", "C:\\Elsewhere");
    const RegistryValueReadsRefused refused(Machine());
    EXPECT_EQ(MessageOf<EOSError>([&] { profile.RefreshAll(); }), EOSError(os::ErrorAccessDenied).Message());
    EXPECT_EQ(static_cast<const TEnvSettingValue&>(*profile.FindValue(env)).Values().Text(), captured)
        << "the refresh stored no empty value in its place";

    std::vector<std::string> lines;
    Yes yes;
    TProfileApplier(std::make_unique<ResultLines>(lines), yes).ApplyProfile(profile);
    EXPECT_EQ(lines,
              (std::vector<std::string>{"Environment variables: " + AdvisedMessage(EOSError(os::ErrorAccessDenied))}));
}

TEST_F(EnvSettingTest, AUsersAndTheMachinesTempAreCapturedAndAppliedEachInItsOwnKey) {
    Choose({u"TEMP=user", u"temp=MACHINE"});
    EXPECT_NO_THROW(setting.CheckParameters());
    const auto value = Capture<TEnvSettingValue>(setting);
    EXPECT_TRUE(value->Values().Empty());
    EXPECT_EQ(value->UserValues().Text(), u"TEMP=%USERPROFILE%\\AppData\\Local\\Temp\r\n");
    EXPECT_EQ(value->SystemValues().Text(), u"temp=%SystemRoot%\\TEMP\r\n");
    EXPECT_EQ(value->GetHint(),
              "TEMP (user)=%USERPROFILE%\\AppData\\Local\\Temp\r\ntemp (machine)=%SystemRoot%\\TEMP\r\n");

    Key(TEnvScope::User)->WriteString("TEMP", "C:\\u");
    Key(TEnvScope::System)->WriteString("TEMP", "C:\\m");
    setting.ApplyValue(*value, results);
    EXPECT_EQ(results.Count(), 0u);
    EXPECT_EQ(Key(TEnvScope::User)->ReadString("TEMP"), "%USERPROFILE%\\AppData\\Local\\Temp");
    EXPECT_EQ(Key(TEnvScope::System)->ReadString("TEMP"), "%SystemRoot%\\TEMP");

    // Without administrative rights the machine's is still read, and only the user's is written.
    Machine().SetAdministrator(false);
    EXPECT_EQ(Capture<TEnvSettingValue>(setting)->SystemValues().Text(), u"temp=%SystemRoot%\\TEMP\r\n");
    auto mine = ValueOf({});
    mine->UserValues().Add(u"TEMP=C:\\mine");
    setting.ApplyValue(*mine, results);
    EXPECT_EQ(Key(TEnvScope::User)->ReadString("TEMP"), "C:\\mine");
    mine->SystemValues().Add(u"TEMP=C:\\all");
    EXPECT_EQ(MessageOf<EOSError>([&] { setting.ApplyValue(*mine, results); }),
              EOSError(os::ErrorAccessDenied).Message());
    Machine().SetAdministrator(true);
    EXPECT_EQ(Key(TEnvScope::System)->ReadString("TEMP"), "%SystemRoot%\\TEMP");

    // A variable its key lacks is not taken from the process, which holds the other scope's.
    setting.SetVariableNames(u"OS=user\r\n");
    TCheckResultList warnings;
    EXPECT_TRUE(setting.CreateValue(&warnings)->GetHint().empty());
    ASSERT_EQ(warnings.Count(), 1u);
    EXPECT_EQ(warnings[0].Text(),
              "Environment variables: The variable \"OS\" is not set for the user; it is not captured");
}

TEST_F(EnvSettingTest, OlderDataFilesAreWrittenAsBeforeAndApplyByTheirRule) {
    // The bytes the program wrote before scopes existed.
    const auto text = [](Bytes& out, const std::string& s) {
        out.push_back(static_cast<std::uint8_t>(s.size()));
        out.insert(out.end(), s.begin(), s.end());
    };
    Bytes oldSetting;
    text(oldSetting, "Id");
    oldSetting.insert(oldSetting.end(), {2, 7});
    text(oldSetting, "VariableNames");
    oldSetting.push_back(6);
    text(oldSetting, "TEMP\r\n");
    oldSetting.push_back(0);
    Bytes oldValue;
    text(oldValue, "CreatorId");
    oldValue.insert(oldValue.end(), {2, 7});
    text(oldValue, "Values.Strings");
    oldValue.push_back(1);
    oldValue.push_back(6);
    text(oldValue, "TEMP=C:\\old");
    oldValue.insert(oldValue.end(), {0, 0});

    TEnvSetting read;
    TReader(oldSetting).ReadProperties(read);
    TEnvSettingValue value;
    TReader(oldValue).ReadProperties(value);
    Bytes again;
    EXPECT_EQ(StoredAndRead(read, &again)->VariableNames(), u"TEMP\r\n");
    EXPECT_EQ(again, oldSetting);
    StoredAndRead(value, &again);
    EXPECT_EQ(again, oldValue);

    // Bare TEMP is the machine's, where the machine key has it.
    read.ApplyValue(value, results);
    EXPECT_EQ(Key(TEnvScope::System)->ReadString("TEMP"), "C:\\old");
    EXPECT_EQ(Key(TEnvScope::User)->ReadString("TEMP"), "%USERPROFILE%\\AppData\\Local\\Temp");

    // Scoped names and lines go beside the old ones and come back as they were.
    read.SetVariableNames(u"TEMP\r\nTEMP=user\r\n");
    value.UserValues().Add(u"TEMP=C:\\u");
    value.SystemValues().Add(u"Path=C:\\p");
    EXPECT_EQ(StoredAndRead(read)->VariableNames(), u"TEMP\r\nTEMP=user\r\n");
    const auto back = StoredAndRead(value);
    EXPECT_EQ(back->Values().Text(), u"TEMP=C:\\old\r\n");
    EXPECT_EQ(back->UserValues().Text(), u"TEMP=C:\\u\r\n");
    EXPECT_EQ(back->SystemValues().Text(), u"Path=C:\\p\r\n");

    // Unchoosing drops the line of that scope only.
    value.SettingChanged(read);
    EXPECT_EQ(value.Values().Text(), u"TEMP=C:\\old\r\n");
    EXPECT_EQ(value.UserValues().Text(), u"TEMP=C:\\u\r\n");
    EXPECT_TRUE(value.SystemValues().Empty());
}

TEST_F(EnvSettingTest, UncheckedNamesLeaveEveryProfileAndNewOnesAddNothing) {
    TConfigurations root;
    TConfiguration& configuration = root.Configurations().Add(root.Configurations().NewConfiguration());
    auto owned = std::make_unique<TEnvSetting>();
    owned->SetVariableNames(u"OS\r\nPath\r\nTEMP\r\n");
    TEnvSetting& env = static_cast<TEnvSetting&>(configuration.AddSetting(std::move(owned)));
    for (int i = 0; i < 2; ++i)
        configuration.Profiles().Add(configuration.Profiles().NewProfile()).RefreshAll();
    env.SetVariableNames(u"path\r\nTEMP\r\nWindir\r\n");
    configuration.SettingChanged(env);
    for (const TConfigurationProfile& profile : configuration.Profiles()) {
        const auto& value = static_cast<const TEnvSettingValue&>(*profile.FindValue(env));
        ASSERT_EQ(value.Values().Count(), 2u);
        EXPECT_EQ(value.Values().Name(0), u"Path") << "kept whatever the case of the name";
        EXPECT_EQ(value.Values().Name(1), u"TEMP");
    }
}

TEST_F(EnvSettingTest, TheEditorOffersUserThenMachineVariablesAndTheChosenNames) {
    Choose({u"Chosen", u"os"});
    const auto candidates = TEnvSettingEditor::Candidates(setting);
    std::vector<std::u16string> names, checked;
    for (const auto& item : candidates) {
        names.push_back(item.text);
        if (item.checked)
            checked.push_back(item.text);
    }
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end(),
                               [](const auto& a, const auto& b) { return TWideStrings::CompareStrings(a, b) < 0; }));
    EXPECT_EQ(std::count(names.begin(), names.end(), u"Path (user)"), 1) << "in both keys, listed once for each";
    EXPECT_EQ(std::count(names.begin(), names.end(), u"Path (machine)"), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), u"ComSpec (machine)"), 1);
    EXPECT_EQ(checked, (std::vector<std::u16string>{u"Chosen", u"OS (machine)"})) << "bare OS is the machine's";
    const auto os = std::find_if(candidates.begin(), candidates.end(),
                                 [](const auto& i) { return i.checked && i.text != u"Chosen"; });
    EXPECT_EQ(os->name, u"OS") << "kept bare, spelled as the key spells it";

    Machine().SetAdministrator(false);
    std::vector<std::u16string> userOnly;
    for (const auto& item : TEnvSettingEditor::Candidates(setting))
        userOnly.push_back(item.text);
    EXPECT_EQ(userOnly, (std::vector<std::u16string>{u"Chosen", u"os", u"Path (user)", u"TEMP (user)", u"TMP (user)"}));

    TEnvSettingEditor editor;
    TEnvSettingEditor::SetCheckListDialog({});
    EXPECT_FALSE(editor.Edit(setting)) << "no dialog: cancelled";
    std::string shownCaption;
    TEnvSettingEditor::SetCheckListDialog([&](const std::string& caption, std::vector<TCheckListItem>& items) {
        shownCaption = caption;
        for (auto& item : items)
            item.checked = item.text == u"TMP (user)" || item.text == u"Path (user)";
        return true;
    });
    EXPECT_TRUE(editor.Edit(setting));
    EXPECT_EQ(shownCaption, "Environment variables");
    EXPECT_EQ(setting.VariableNames(), u"Path=user\r\nTMP=user\r\n");
    TEnvSettingEditor::SetCheckListDialog([](const std::string&, std::vector<TCheckListItem>& items) {
        items.clear();
        return false;
    });
    EXPECT_FALSE(editor.Edit(setting));
    EXPECT_EQ(setting.VariableNames(), u"Path=user\r\nTMP=user\r\n") << "cancel changes nothing";

    Machine().SetAdministrator(true);
    setting.SetVariableNames(u"TEMP\r\n");
    TEnvSettingEditor::SetCheckListDialog([](const std::string&, std::vector<TCheckListItem>& items) {
        for (auto& item : items)
            item.checked = item.checked || item.text == u"TEMP (user)";
        return true;
    });
    EXPECT_TRUE(editor.Edit(setting));
    EXPECT_EQ(setting.VariableNames(), u"TEMP\r\nTEMP=user\r\n") << "the bare TEMP, the machine's, stays bare";
    TEnvSettingEditor::SetCheckListDialog({});
    TEnvSettingEditor::SetCheckListDialog({});
}

} // namespace
