// The rules: their conditions on the network, their order, and their file as untrusted text.

#include "profiles/uProfileSettings.h"
#include "support/TempFolder.h"
#include "switching/uSwitchRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include <sys/stat.h>

namespace prolamo::test {
namespace {

os::ConnectedAdapter Adapter(std::u16string name, std::string address, int prefix, std::string gateway = {},
                             std::string mac = {}, std::string ssid = {}, std::u16string suffix = {}) {
    return {std::move(name), std::move(gateway), std::move(mac),
            std::move(ssid), std::move(suffix),  {{std::move(address), prefix}}};
}

const TNetworkFingerprint kHome{
    {Adapter(u"Wi-Fi", "192.168.178.23", 24, "192.168.178.1", "3C:A6:2F:0B:5E:11", "FRITZ!Box 7590 QX", u"fritz.box")}};
const TNetworkFingerprint kOffice{
    {Adapter(u"Ethernet", "10.20.30.41", 24, "10.20.30.1", "00:1D:A2:6E:41:01"),
     Adapter(u"Wi-Fi", "10.20.40.77", 24, "10.20.40.1", "", "CORP-WLAN", u"Corp.Example")}};
const TNetworkFingerprint kTrain{{Adapter(u"Wi-Fi", "172.18.4.57", 16, "", "", "WIFIonICE")}};

bool Holds(std::string_view key, std::string_view value, const TNetworkFingerprint& fingerprint) {
    std::string why;
    return TRuleCondition::Parse(key, value).Holds(fingerprint, &why);
}

TEST(RuleConditions, EachKindComparesWhatItNames) {
    EXPECT_TRUE(Holds("gateway-mac", "00-1d-a2-6e-41-01", kOffice)) << "dashes and small letters are the same address";
    EXPECT_FALSE(Holds("gateway-mac", "00:1D:A2:6E:41:02", kOffice)) << "an unresolved gateway has no address";
    EXPECT_TRUE(Holds("gateway", "10.20.40.1", kOffice));
    EXPECT_FALSE(Holds("gateway", "10.20.40.1", kHome));
    EXPECT_TRUE(Holds("ssid", "FRITZ!Box 7590 QX", kHome));
    EXPECT_FALSE(Holds("ssid", "fritz!box 7590 qx", kHome)) << "wireless names are exact";
    EXPECT_TRUE(Holds("dns-suffix", "corp.example", kOffice)) << "DNS names are not";
    EXPECT_TRUE(Holds("address-in", "10.20.0.0/16", kOffice));
    EXPECT_TRUE(Holds("address-in", "10.20.30.41/32", kOffice));
    EXPECT_FALSE(Holds("address-in", "10.20.30.40/32", kOffice));
    EXPECT_TRUE(Holds("address-in", "0.0.0.0/0", kTrain));
    EXPECT_FALSE(Holds("address-in", "0.0.0.0/0", {}));
}

TEST(RuleConditions, NoNetworkMeansNoGatewayAnywhere) {
    EXPECT_TRUE(Holds("no-network", "", {}));
    EXPECT_TRUE(Holds("no-network", "", kTrain));
    EXPECT_FALSE(Holds("no-network", "", kHome));
    std::string why;
    EXPECT_FALSE(TRuleCondition::Parse("no-network", "").Holds(kOffice, &why));
    EXPECT_EQ(why, "Ethernet has the gateway 10.20.30.1");
}

TEST(RuleConditions, ValuesAreCheckedAndWrittenCanonically) {
    EXPECT_EQ(TRuleCondition::Parse("gateway-mac", "3c-a6-2f-0b-5e-11").value, "3C:A6:2F:0B:5E:11");
    EXPECT_EQ(TRuleCondition::Parse("address-in", "10.20.30.41/16").value, "10.20.0.0/16");
    for (const auto& [key, value] :
         std::vector<std::pair<std::string, std::string>>{{"gateway-mac", "3C:A6:2F:0B:5E"},
                                                          {"gateway-mac", "3C:A6:2F:0B:5E:1G"},
                                                          {"gateway", "10.20.30"},
                                                          {"gateway", "10.20.30.256"},
                                                          {"gateway", "010.20.30.1"},
                                                          {"gateway", "10.20.30.1 "},
                                                          {"address-in", "10.20.0.0"},
                                                          {"address-in", "10.20.0.0/33"},
                                                          {"address-in", "10.20.0.0/-1"},
                                                          {"ssid", ""},
                                                          {"ssid", std::string(33, 'x')},
                                                          {"ssid", "a\x01"
                                                                   "b"},
                                                          {"dns-suffix", "corp example"},
                                                          {"no-network", "maybe"},
                                                          {"gateway-ip", "10.0.0.1"}})
        EXPECT_THROW(TRuleCondition::Parse(key, value), ERulesError) << key << " " << value;
}

TEST(Rules, FirstRuleWhoseConditionsAllHoldWins) {
    TSwitchRules rules;
    rules.rules.push_back({"Office wired",
                           "Location",
                           "Office",
                           false,
                           {TRuleCondition::Parse("dns-suffix", "corp.example"),
                            TRuleCondition::Parse("gateway-mac", "00:1D:A2:6E:41:01")}});
    rules.rules.push_back(
        {"Office", "Location", "Office Wi-Fi", false, {TRuleCondition::Parse("dns-suffix", "corp.example")}});
    rules.rules.push_back({"Anywhere", "Location", "Away", false, {TRuleCondition::Parse("address-in", "0.0.0.0/0")}});
    EXPECT_EQ(rules.FirstMatch(kOffice)->name, "Office wired");
    TNetworkFingerprint wireless = kOffice;
    wireless.adapters.erase(wireless.adapters.begin());
    EXPECT_EQ(rules.FirstMatch(wireless)->name, "Office") << "one condition of the first rule fails";
    EXPECT_EQ(rules.FirstMatch(kHome)->name, "Anywhere");
    EXPECT_EQ(rules.FirstMatch({}), nullptr);

    const auto verdicts = ExplainRule(rules.rules[0], wireless);
    ASSERT_EQ(verdicts.size(), 2u);
    EXPECT_TRUE(verdicts[0].holds);
    EXPECT_EQ(verdicts[0].why, "Wi-Fi has it");
    EXPECT_FALSE(verdicts[1].holds);
    EXPECT_EQ(verdicts[1].why, "no connected adapter has it");
}

// A configuration named Name with the profiles Profiles, in Root.
void AddConfiguration(TConfigurations& root, const std::string& name, std::initializer_list<const char*> profiles) {
    TConfiguration& configuration = root.Configurations().Add(root.Configurations().NewConfiguration());
    configuration.SetName(name);
    for (const char* profileName : profiles)
        configuration.Profiles().Add(configuration.Profiles().NewProfile()).SetName(profileName);
}

TEST(Rules, ARuleFindsTheUsersProfileFirstThenTheOrganisations) {
    TConfigurations own, managed;
    AddConfiguration(own, "Location", {"Home"});
    AddConfiguration(managed, "Location", {"Home", "Office"});
    AddConfiguration(managed, "Printers", {"Floor 3"});
    const auto found = [&](const char* configuration, const char* profile, const TConfigurations* organisation) {
        return FindRuleProfile(own, {"Rule", configuration, profile, false, {}}, organisation).profile;
    };
    EXPECT_EQ(found("Location", "Home", &managed), own.Configurations().Find("Location")->Profiles().Find("Home"));
    EXPECT_EQ(found("Location", "Office", &managed),
              managed.Configurations().Find("Location")->Profiles().Find("Office"));
    EXPECT_EQ(found("Printers", "Floor 3", &managed),
              managed.Configurations().Find("Printers")->Profiles().Find("Floor 3"));
    EXPECT_EQ(found("Printers", "Floor 3", nullptr), nullptr);
    EXPECT_EQ(found("Location", "Lab", &managed), nullptr);
    EXPECT_THROW(RuleProfile(own, {"Rule", "Printers", "Floor 3", false, {}}), ERulesError);
}

TEST(RulesFile, WrittenTextReadsBackTheSame) {
    TSwitchRules rules;
    rules.rules.push_back(
        {"Office",
         "Location",
         "Office = wired",
         true,
         {TRuleCondition::Parse("gateway-mac", "00:1d:a2:6e:41:01"), TRuleCondition::Parse("ssid", "Caf\xC3\xA9 # 1"),
          TRuleCondition::Parse("no-network", "")}});
    rules.rules.push_back(
        {"Zuhause", "Netz [alt]", "Home", false, {TRuleCondition::Parse("gateway", "192.168.178.1")}});
    const std::string text = FormatRules(rules);
    EXPECT_EQ(ParseRules(text).rules, rules.rules) << text;
    EXPECT_EQ(FormatRules(ParseRules(text)), text);
    EXPECT_NE(text.find("[Office]\nconfiguration = Location\nprofile = Office = wired\nask = yes\n"), std::string::npos)
        << text;
}

TEST(RulesFile, HandWrittenTextIsAccepted) {
    const TSwitchRules rules = ParseRules("; comment\r\n\r\n  [ Home ]\r\n\tProfile=Home\r\nconfiguration =Location\r\n"
                                          "ask = No\r\nssid = My Net\r\nno-network\r\n");
    ASSERT_EQ(rules.rules.size(), 1u);
    EXPECT_EQ(rules.rules[0].name, "Home");
    EXPECT_EQ(rules.rules[0].profile, "Home");
    EXPECT_EQ(rules.rules[0].configuration, "Location");
    EXPECT_FALSE(rules.rules[0].ask);
    ASSERT_EQ(rules.rules[0].conditions.size(), 2u);
    EXPECT_EQ(rules.rules[0].conditions[0].value, "My Net");
    EXPECT_TRUE(ParseRules("").rules.empty());
}

// A user's notes around, above and inside the rules.
const std::string kNotedText = "\xEF\xBB\xBF# My rules, kept by hand.\n"
                               "\n"
                               "; the office first\n"
                               "[Office]\n"
                               "configuration = Location\n"
                               "profile = Office\n"
                               "  # the docking station's gateway\n"
                               "gateway-mac = 00:1D:A2:6E:41:01\n"
                               "\n"
                               "# home: the FRITZ!Box\n"
                               "[Home]\n"
                               "configuration = Location\n"
                               "profile = Home\n"
                               "ssid = FRITZ!Box 7590 QX\n"
                               "\n"
                               "# rules to come: the train\n";

TEST(RulesFile, CommentsBlankLinesAndAByteOrderMarkOutliveARewrite) {
    TSwitchRules rules = ParseRules(kNotedText);
    ASSERT_EQ(rules.rules.size(), 2u);
    EXPECT_EQ(rules.rules[0].name, "Office") << "the byte-order mark is no part of the text";
    EXPECT_EQ(FormatRules(rules), kNotedText);
    EXPECT_EQ(FormatRules(ParseRules(kNotedText.substr(3))), kNotedText.substr(3)) << "no mark added";

    // Crlf line ends are read; the notes are written as they were, with the program's line ends.
    std::string crlf;
    for (const char c : kNotedText)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(FormatRules(ParseRules(crlf)), kNotedText);

    // A new rule comes after the last one, before the notes at the end.
    TSwitchRules added = rules;
    added.Add({"Train", "Location", "Away", false, {TRuleCondition::Parse("ssid", "WIFIonICE")}});
    EXPECT_EQ(FormatRules(added), kNotedText.substr(0, kNotedText.find("\n# rules to come")) +
                                      "\n[Train]\nconfiguration = Location\nprofile = Away\nssid = WIFIonICE\n"
                                      "\n# rules to come: the train\n");

    // A deleted rule takes the notes above it and in it along; the others stay.
    TSwitchRules deleted = rules;
    deleted.Remove("Office");
    EXPECT_EQ(FormatRules(deleted),
              "\xEF\xBB\xBF# My rules, kept by hand.\n\n" + kNotedText.substr(kNotedText.find("\n# home")));
    deleted.Remove("Home");
    EXPECT_EQ(FormatRules(deleted), "\xEF\xBB\xBF# My rules, kept by hand.\n\n\n# rules to come: the train\n");
    EXPECT_EQ(FormatRules(ParseRules(FormatRules(deleted))), FormatRules(deleted)) << "a file of notes only";

    // A rule replaced under a new name keeps its notes; a note on a condition that went is kept at
    // the rule's end.
    TSwitchRules replaced = rules;
    replaced.Replace("Office",
                     {"Work", "Location", "Office", true, {TRuleCondition::Parse("dns-suffix", "corp.example")}});
    const std::string work = FormatRules(replaced);
    EXPECT_NE(work.find("; the office first\n[Work]\nconfiguration = Location\nprofile = Office\nask = yes\n"
                        "dns-suffix = corp.example\n  # the docking station's gateway\n\n# home"),
              std::string::npos)
        << work;
}

TEST(RulesFile, BrokenTextSaysWhereAndWhy) {
    const std::string rule = "[R]\nconfiguration = C\nprofile = P\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"configuration = C\n", "line 1: a line before the first rule's heading"},
        {"[R\n", "line 1: a rule's heading is its name in brackets"},
        {"[]\n", "line 1: a rule's heading"},
        {rule + "ssid = A\n[R]\n", "line 5: a second rule named \"R\""},
        {rule + "colour = red\n", "line 4: unknown condition \"colour\""},
        {rule + "gateway\n", "line 4: expected key = value"},
        {rule + "profile = Q\nssid = A\n", "line 4: a second profile"},
        {rule + "ask = sometimes\n", "line 4: ask is yes or no"},
        {rule + "ssid = A\x07\n", "line 4: holds a control character"},
        {rule + "gateway = 1.2.3.4.5\n", "line 4: gateway needs an IPv4 address"},
        {"[R]\nprofile = P\nssid = A\n", "line 1: the rule \"R\" needs a configuration"},
        {"[R]\nconfiguration = C\nssid = A\n", "line 1: the rule \"R\" needs a profile"},
        {rule, "line 1: the rule \"R\" has no condition"},
        {rule + "ssid = " + std::string(5000, 'x') + "\n", "line 4: longer than 4096 characters"},
        {std::string(1024 * 1024 + 1, '#'), "the file is larger than"},
    };
    for (const auto& [text, message] : cases) {
        try {
            ParseRules(text);
            ADD_FAILURE() << "accepted: " << text.substr(0, 80);
        } catch (const ERulesError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(message, 0), 0u) << e.what() << "\n  expected: " << message;
        }
    }
}

TEST(Rules, ARuleNeedsNamesTheFileCanKeepAndACondition) {
    const TRuleCondition ssid = TRuleCondition::Parse("ssid", "A");
    EXPECT_NO_THROW(CheckRule({"R", "C", "P", false, {ssid}}));
    for (const TSwitchRule& rule : std::vector<TSwitchRule>{{"", "C", "P", false, {ssid}},
                                                            {"R]", "C", "P", false, {ssid}},
                                                            {"R", " C", "P", false, {ssid}},
                                                            {"R", "C", "P\n", false, {ssid}},
                                                            {"R", "C", "", false, {ssid}},
                                                            {"R", "C", "P", false, {}}})
        EXPECT_THROW(CheckRule(rule), ERulesError) << rule.name << "/" << rule.configuration << "/" << rule.profile;
}

TEST(Rules, ConditionsOfANetworkHoldForItAndPreferTheGatewaysHardwareAddress) {
    const auto texts = [](const TNetworkFingerprint& fingerprint) {
        std::vector<std::string> texts;
        for (const TNetworkCondition& offered : ConditionsOfNetwork(fingerprint)) {
            std::string why;
            EXPECT_TRUE(offered.condition.Holds(fingerprint, &why)) << offered.condition.Text();
            texts.push_back(offered.condition.Text() + " (" + offered.adapter + ")");
        }
        return texts;
    };
    EXPECT_EQ(texts(kHome),
              (std::vector<std::string>{"gateway-mac 3C:A6:2F:0B:5E:11 (Wi-Fi)", "ssid FRITZ!Box 7590 QX (Wi-Fi)",
                                        "dns-suffix fritz.box (Wi-Fi)"}));
    EXPECT_EQ(texts(kOffice),
              (std::vector<std::string>{"gateway-mac 00:1D:A2:6E:41:01 (Ethernet)", "gateway 10.20.40.1 (Wi-Fi)",
                                        "ssid CORP-WLAN (Wi-Fi)", "dns-suffix Corp.Example (Wi-Fi)"}))
        << "an unresolved gateway is offered by its address";
    EXPECT_EQ(texts(kTrain), std::vector<std::string>{"no-network ()"}) << "no adapter has a gateway";
    EXPECT_EQ(texts({}), std::vector<std::string>{"no-network ()"});

    // The same network on two adapters is offered once; a name the file cannot keep not at all.
    TNetworkFingerprint twice = kHome;
    twice.adapters.push_back(kHome.adapters[0]);
    twice.adapters[1].name = u"Ethernet";
    twice.adapters[1].ssid = "Bad\x01Name";
    EXPECT_EQ(texts(twice), texts(kHome));
}

TSwitchRule Named(std::string name, std::string profile = "Home") {
    return {std::move(name), "Location", std::move(profile), false, {TRuleCondition::Parse("ssid", "A")}};
}

std::vector<std::string> Names(const TSwitchRules& rules) {
    std::vector<std::string> names;
    for (const TSwitchRule& rule : rules.rules)
        names.push_back(rule.name);
    return names;
}

TEST(RulesFile, ANewFileExplainsItselfAndSeparatesItsRules) {
    TSwitchRules rules;
    rules.Add(Named("A"));
    rules.Add(Named("B"));
    const std::string text = FormatRules(rules);
    EXPECT_TRUE(text.starts_with("# Prolamo's switching rules")) << text;
    EXPECT_NE(text.find("no-network.\n\n[A]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("ssid = A\n\n[B]\n"), std::string::npos) << text;
    EXPECT_EQ(FormatRules(ParseRules(text)), text) << "no blank line is added at each rewrite";
    EXPECT_EQ(FormatRules(ParseRules("[A]\nconfiguration = Location\nprofile = Home\nssid = A\n")),
              "[A]\nconfiguration = Location\nprofile = Home\nssid = A\n")
        << "a file without the explanation does not get it";
}

TEST(Rules, ChangesKeepNamesUniqueAndTheOrderAsMoved) {
    TSwitchRules rules;
    rules.Add(Named("A"));
    rules.Add(Named("B"));
    rules.Add(Named("C"));
    EXPECT_THROW(rules.Add(Named("B")), ERulesError);
    EXPECT_THROW(rules.Add({"D", "Location", "Home", false, {}}), ERulesError) << "a rule without condition";

    rules.Move("C", true);
    EXPECT_EQ(Names(rules), (std::vector<std::string>{"A", "C", "B"}));
    rules.Move("A", true);
    rules.Move("B", false);
    EXPECT_EQ(Names(rules), (std::vector<std::string>{"A", "C", "B"})) << "the ends stay";
    rules.Move("A", false);
    EXPECT_EQ(Names(rules), (std::vector<std::string>{"C", "A", "B"}));

    rules.Replace("A", Named("A2", "Office"));
    EXPECT_EQ(Names(rules), (std::vector<std::string>{"C", "A2", "B"})) << "a renamed rule keeps its place";
    EXPECT_EQ(rules.rules[1].profile, "Office");
    rules.Replace("A2", Named("A2", "Home"));
    EXPECT_EQ(rules.rules[1].profile, "Home") << "its own name is no clash";
    const TSwitchRules before = rules;
    EXPECT_THROW(rules.Replace("A2", Named("C")), ERulesError);
    EXPECT_THROW(rules.Replace("X", Named("X")), ERulesError);
    EXPECT_THROW(rules.Remove("X"), ERulesError);
    EXPECT_THROW(rules.Move("X", true), ERulesError);
    EXPECT_EQ(rules, before);
    rules.Remove("C");
    EXPECT_EQ(Names(rules), (std::vector<std::string>{"A2", "B"}));
}

class RulesChangeTest : public ::testing::Test {
protected:
    std::string Text() const {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    TempFolder folder_;
    std::string path_ = folder_ / "qvt.rules";
};

TEST_F(RulesChangeTest, WaitsForALockThatIsReleasedSoon) {
    auto held = std::make_unique<TDataFileLock>(path_);
    int waits = 0;
    TRulesChange change(path_, [&] {
        if (++waits == 3)
            held.reset();
    });
    EXPECT_EQ(waits, 3);
    change.Rules().Add(Named("Home"));
    change.Save();
    EXPECT_EQ(LoadRules(path_).rules.size(), 1u);
}

TEST_F(RulesChangeTest, GivesUpOnALockThatStaysTakenAndLeavesTheFile) {
    SaveRules(path_, TSwitchRules{{Named("Home")}});
    const std::string before = Text();
    TDataFileLock held(path_);
    int waits = 0;
    EXPECT_THROW(TRulesChange(path_, [&] { ++waits; }), ERulesBusy);
    EXPECT_GT(waits, 0);
    EXPECT_EQ(Text(), before);
}

TEST_F(RulesChangeTest, RefusesAChangeMadeOnRulesTheFileNoLongerHolds) {
    SaveRules(path_, TSwitchRules{{Named("Home")}});
    const TSwitchRules shown = LoadRules(path_);
    {
        TRulesChange other(path_);
        other.Rules().Add(Named("Office"));
        other.Save();
    }
    TRulesChange change(path_);
    EXPECT_THROW(change.Expect(shown), ERulesChanged);
    EXPECT_NO_THROW(change.Expect(LoadRules(path_)));
}

// A window shows the rules its last change saved, and its next change is based on them.
TEST_F(RulesChangeTest, TheRulesAChangeSavedAreTheRulesTheFileHolds) {
    TSwitchRules shown;
    {
        TRulesChange change(path_);
        change.Rules().Add(Named("Home"));
        change.Save();
        shown = change.Rules();
    }
    TRulesChange next(path_);
    EXPECT_NO_THROW(next.Expect(shown));
}

TEST_F(RulesChangeTest, ARulesFileThatCannotBeReadOrWrittenIsNamed) {
    const auto message = [](const std::function<void()>& action) {
        try {
            action();
        } catch (const ERulesError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    std::filesystem::create_directory(path_);
    EXPECT_EQ(message([&] { LoadRules(path_); }), "the rules file " + path_ + " is a folder");
    EXPECT_EQ(message([&] { TRulesChange change(path_); }), "the rules file " + path_ + " is a folder");
    EXPECT_TRUE(message([&] { SaveRules(path_, {}); }).starts_with("the rules file " + path_ + " cannot be written: "));
    std::filesystem::remove(path_);

    ASSERT_EQ(::mkfifo(path_.c_str(), 0600), 0);
    EXPECT_EQ(message([&] { LoadRules(path_); }), "the rules file " + path_ + " is a device or a pipe, not a file");
    std::filesystem::remove(path_);

    std::filesystem::create_symlink(folder_ / "gone", path_);
    EXPECT_TRUE(message([&] { LoadRules(path_); }).starts_with("the rules file " + path_ + " cannot be read: "));
    std::filesystem::remove(path_);

    const std::string underAFile = folder_ / "file/qvt.rules";
    std::ofstream(folder_ / "file") << "x";
    EXPECT_TRUE(message([&] {
                    TRulesChange change(underAFile);
                }).starts_with("the rules file " + underAFile + " cannot be locked: "));
}

TEST_F(RulesChangeTest, TheLockIsHeldUntilTheChangeEnds) {
    std::optional<TRulesChange> change(std::in_place, path_);
    EXPECT_THROW(TDataFileLock{path_}, EDataFileLocked);
    change.reset();
    EXPECT_NO_THROW(TDataFileLock{path_});
}

} // namespace
} // namespace prolamo::test
