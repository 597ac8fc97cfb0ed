#include "support/SimulatedMachine.h"
#include "support/StreamChecks.h"
#include "support/TestKinds.h"

#include "classes/uHelpers.h"
#include "classes/uRegistry.h"
#include "framework/Exceptions.h"
#include "framework/Stream.h"
#include "os/IniFiles.h"
#include "os/Text.h"
#include "profiles/uFirefoxProxySettings.h"
#include "profiles/uIEProxySettings.h"
#include "profiles/uOperaProxySettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

using namespace prolamo;
using namespace prolamo::test;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteText(const std::filesystem::path& path, std::string_view text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

bool Contains(const Bytes& haystack, std::string_view needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

template <class V, class S> std::unique_ptr<V> Capture(S& setting) {
    std::unique_ptr<TSettingValue> value = setting.CreateValue();
    return std::unique_ptr<V>(static_cast<V*>(value.release()));
}

class BrowserProxyTest : public SimulatedMachineTest {
protected:
    void SetUp() override { RegisterTestKinds(); }
    TCheckResultList results;
};

// ---- Internet Explorer ----

class IEProxyTest : public BrowserProxyTest {
protected:
    static std::unique_ptr<TRegistry> Key(const std::string& path = InternetSettingsKey) {
        auto registry = std::make_unique<TRegistry>();
        EXPECT_TRUE(registry->OpenKey(path, true)) << path;
        return registry;
    }
    TIEProxySetting setting;
};

TEST_F(IEProxyTest, DescribesItself) {
    const TSettingClass& kind = TIEProxySetting::StaticClass();
    EXPECT_EQ(kind.GetCaption(), "Internet Explorer proxy");
    EXPECT_EQ(kind.GetDescription(), "Internet Explorer proxy settings");
    EXPECT_EQ(kind.GetCategory(), "Network");
    EXPECT_EQ(kind.GetImageIndex(), 3);
    EXPECT_EQ(kind.GetEditorClass(), nullptr);
}

TEST_F(IEProxyTest, CapturesTheSeededValuesAndRecords) {
    const auto value = Capture<TIEProxySettingValue>(setting);
    EXPECT_EQ(value->CreatorId(), setting.Id());
    EXPECT_FALSE(value->ProxyEnable());
    EXPECT_EQ(value->ProxyServer(), "proxy.corp.example:8080");
    EXPECT_EQ(value->ProxyOverride(), "*.corp.example;<local>");
    EXPECT_EQ(value->AutoConfigURL(), "");
    EXPECT_FALSE(value->UseAutoDetect());
    auto connections = Key(std::string(InternetSettingsKey) + "\\Connections");
    Bytes expected(ConnectionRecordLimit);
    expected.resize(connections->ReadBinaryData("DefaultConnectionSettings", expected));
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(value->ConnectionSettings(), expected);
    EXPECT_FALSE(value->LegacySettings().empty());
}

TEST_F(IEProxyTest, RecordsUpTo1024BytesAreCapturedAndLongerOnesRefused) {
    auto connections = Key(std::string(InternetSettingsKey) + "\\Connections");
    Bytes exact(1024);
    for (std::size_t i = 0; i < exact.size(); ++i)
        exact[i] = static_cast<std::uint8_t>(i * 31);
    connections->WriteBinaryData("DefaultConnectionSettings", exact);
    connections->WriteBinaryData("SavedLegacySettings", Bytes{});
    const auto value = Capture<TIEProxySettingValue>(setting);
    EXPECT_EQ(value->ConnectionSettings(), exact);
    EXPECT_TRUE(value->LegacySettings().empty()) << "a zero-length record is empty";

    exact.push_back(0);
    connections->WriteBinaryData("DefaultConnectionSettings", exact);
    EXPECT_EQ(MessageOf<ERegistryException>([&] { setting.CreateValue(); }),
              "Invalid data type for 'DefaultConnectionSettings'");
    connections->WriteBinaryData("DefaultConnectionSettings", Bytes{1, 2});
    connections->WriteString("SavedLegacySettings", "text");
    EXPECT_EQ(MessageOf<ERegistryException>([&] { setting.CreateValue(); }),
              "Invalid data type for 'SavedLegacySettings'");
}

TEST_F(IEProxyTest, ProxyEnableMustBeADword) {
    auto key = Key();
    key->DeleteValue("ProxyEnable");
    EXPECT_EQ(MessageOf<ERegistryException>([&] { setting.CreateValue(); }), "Failed to get data for 'ProxyEnable'");
    key->WriteString("ProxyEnable", "1");
    EXPECT_EQ(MessageOf<ERegistryException>([&] { setting.CreateValue(); }), "Invalid data type for 'ProxyEnable'");
}

TEST_F(IEProxyTest, AMissingKeyIsTheSystemsError) {
    // The registry layer deletes no keys; the store does.
    RemoveRegistryKey(Machine(), os::HKeyCurrentUser, os::Utf8ToUtf16(InternetSettingsKey));
    EXPECT_EQ(MessageOf<EOSError>([&] { setting.CreateValue(); }), EOSError(os::ErrorFileNotFound).Message());
}

TEST_F(IEProxyTest, ApplyWritesTheStringsOrRemovesEmptyOnesAndTheRecords) {
    auto value = std::make_unique<TIEProxySettingValue>();
    value->SetProxyServer("other:3128");
    value->SetProxyEnable(false);
    value->ConnectionSettings() = {9, 8, 7};
    setting.ApplyValue(*value, results);
    EXPECT_EQ(results.Count(), 0u);
    auto key = Key();
    EXPECT_EQ(key->ReadString("ProxyServer"), "other:3128") << "written even with the proxy off";
    EXPECT_EQ(key->ReadInteger("ProxyEnable"), 0);
    EXPECT_FALSE(key->ValueExists("ProxyOverride"));
    EXPECT_FALSE(key->ValueExists("AutoConfigURL"));
    auto connections = Key(std::string(InternetSettingsKey) + "\\Connections");
    Bytes record(16);
    record.resize(connections->ReadBinaryData("DefaultConnectionSettings", record));
    EXPECT_EQ(record, (Bytes{9, 8, 7}));
    EXPECT_FALSE(connections->ValueExists("SavedLegacySettings"));
    EXPECT_TRUE(Machine().Broadcasts().empty()) << "no notification after the write";

    const auto back = Capture<TIEProxySettingValue>(setting);
    EXPECT_EQ(back->ProxyOverride(), "");
    EXPECT_EQ(back->AutoConfigURL(), "");
    EXPECT_EQ(back->LegacySettings(), Bytes());
}

TEST_F(IEProxyTest, ApplyCreatesMissingKeysAndLeavesEmptyRecordsOut) {
    RemoveRegistryKey(Machine(), os::HKeyCurrentUser, os::Utf8ToUtf16(InternetSettingsKey));
    TIEProxySettingValue value;
    value.SetProxyEnable(true);
    value.SetAutoConfigURL("http://wpad/wpad.dat");
    setting.ApplyValue(value, results);
    const auto back = Capture<TIEProxySettingValue>(setting);
    EXPECT_TRUE(back->ProxyEnable());
    EXPECT_EQ(back->AutoConfigURL(), "http://wpad/wpad.dat");
    TRegistry connections;
    ASSERT_TRUE(connections.OpenKey(std::string(InternetSettingsKey) + "\\Connections", false));
    EXPECT_TRUE(connections.GetValueNames().empty());
}

TEST_F(IEProxyTest, RecordsSurviveTheDataFileByteForByteAndEmptyOnesAreNotWritten) {
    TIEProxySettingValue value;
    value.ConnectionSettings() = {0x46, 0, 0, 0, 0xFF, 0x00, 0x10};
    Bytes stored;
    auto back = StoredAndRead(value, &stored);
    EXPECT_EQ(back->ConnectionSettings(), value.ConnectionSettings());
    EXPECT_TRUE(back->LegacySettings().empty());
    EXPECT_TRUE(Contains(stored, "DefaultConnectionSettings"));
    EXPECT_FALSE(Contains(stored, "SavedLegacySettings"));
    // Binary tag, the frame's size, then the record's own 4-byte length.
    EXPECT_TRUE(Contains(stored, std::string_view("\x0A\x0B\0\0\0\x07\0\0\0\x46", 10)));
    EXPECT_FALSE(Contains(stored, "ProxyEnable")) << "False is the default";

    value.SetProxyEnable(true);
    value.SetUseAutoDetect(true);
    value.LegacySettings().assign(1024, 0xAB);
    back = StoredAndRead(value);
    EXPECT_TRUE(back->ProxyEnable());
    EXPECT_TRUE(back->UseAutoDetect());
    EXPECT_EQ(back->LegacySettings(), value.LegacySettings());

    auto copy = std::make_unique<TIEProxySettingValue>();
    copy->Assign(value);
    value.LegacySettings()[0] = 0;
    EXPECT_EQ(copy->LegacySettings()[0], 0xAB) << "a copy has its own bytes";
}

TEST_F(IEProxyTest, TheHintListsWhatIsSetEachLineEndedByCrLf) {
    TIEProxySettingValue value;
    EXPECT_EQ(value.GetHint(), "");
    value.SetProxyOverride("<local>");
    EXPECT_EQ(value.GetHint(), "Do not use proxy for \"<local>\"\r\n");
    value.SetProxyServer("p:1");
    EXPECT_EQ(value.GetHint(), "Do not use proxy for \"<local>\"\r\n") << "no server line while the proxy is off";
    value.SetProxyEnable(true);
    value.SetAutoConfigURL("http://a/b.pac");
    value.SetUseAutoDetect(true);
    EXPECT_EQ(value.GetHint(), "Automatically detect settings\r\n"
                               "Use automatic configuration script (http://a/b.pac)\r\n"
                               "Use proxy server \"p:1\"\r\n"
                               "Do not use proxy for \"<local>\"\r\n");
}

// ---- Firefox ----

class FirefoxProxyTest : public BrowserProxyTest {
protected:
    std::filesystem::path Firefox() { return Machine().RoamingAppDataFolder() / "Mozilla" / "Firefox"; }
    std::filesystem::path Prefs() { return Firefox() / "Profiles" / "k3x9v2qa.default-release" / "prefs.js"; }
    std::unique_ptr<TFirefoxProxySettingValue> CaptureValue() { return Capture<TFirefoxProxySettingValue>(setting); }
    static std::unique_ptr<TFirefoxProxySettingValue> ValueOf(std::initializer_list<std::string> lines) {
        auto value = std::make_unique<TFirefoxProxySettingValue>();
        for (const std::string& line : lines)
            value->Settings().Add(line);
        return value;
    }
    TFirefoxProxySetting setting;
};

TEST_F(FirefoxProxyTest, DescribesItself) {
    const TSettingClass& kind = TFirefoxProxySetting::StaticClass();
    EXPECT_EQ(kind.GetCaption(), "Firefox proxy");
    EXPECT_EQ(kind.GetDescription(), "Firefox proxy settings");
    EXPECT_EQ(kind.GetCategory(), "Network");
    EXPECT_EQ(kind.GetImageIndex(), 11);
    EXPECT_EQ(kind.GetEditorClass(), nullptr);
}

TEST_F(FirefoxProxyTest, TheFirstListedProfileIsFoundRelativeOrAbsolute) {
    // Every "/" of the path becomes "\\", the folder's own included.
    auto windows = [](std::string path) {
        std::replace(path.begin(), path.end(), '/', '\\');
        return path;
    };
    const std::string folder = TOsHelper::GetAppDataFolder() + "\\Mozilla\\Firefox\\";
    EXPECT_EQ(GetFirefoxPrefsFileName(), windows(folder + "Profiles/k3x9v2qa.default-release\\prefs.js"));
    WriteText(Firefox() / "profiles.ini", "[Profile0]\r\nPath=/abs/olute/x.default\r\nIsRelative=0\r\n");
    EXPECT_EQ(GetFirefoxPrefsFileName(), "\\abs\\olute\\x.default\\prefs.js");
    WriteText(Firefox() / "profiles.ini", "[Profile0]\r\nPath=Profiles/abc.default\r\nIsRelative=yes\r\n");
    EXPECT_EQ(GetFirefoxPrefsFileName(), "Profiles\\abc.default\\prefs.js") << "not a number: not relative";
    WriteText(Firefox() / "profiles.ini", "[Profile0]\r\nPath=Profiles/abc.default\r\nIsRelative=$1\r\n");
    EXPECT_EQ(GetFirefoxPrefsFileName(), windows(folder + "Profiles/abc.default\\prefs.js"));
    std::filesystem::remove(Firefox() / "profiles.ini");
    EXPECT_EQ(MessageOf<TFirefoxProfileNotFoundException>([] { GetFirefoxPrefsFileName(); }),
              "Firefox profile not found");
}

TEST_F(FirefoxProxyTest, PreferenceLinesFollowTheStandardFormExactly) {
    std::string name, text;
    EXPECT_TRUE(TPrefs::ParsePrefLine("user_pref(\"network.proxy.type\", 1);", name, text));
    EXPECT_EQ(name, "network.proxy.type");
    EXPECT_EQ(text, "1");
    EXPECT_TRUE(TPrefs::ParsePrefLine("USER_PREF(\"a\", \"x\", \"y\");", name, text)) << "letter case of the start";
    EXPECT_EQ(name, "a");
    EXPECT_EQ(text, "\"x\", \"y\"") << "the first separator divides";
    EXPECT_FALSE(TPrefs::ParsePrefLine("user_pref(\"network.proxy.ftp\",\"h\");", name, text)) << "no space";
    EXPECT_FALSE(TPrefs::ParsePrefLine("user_pref(\"a\", 1); ", name, text)) << "nothing may follow";
    EXPECT_FALSE(TPrefs::ParsePrefLine(" user_pref(\"a\", 1);", name, text)) << "nothing may precede";
    EXPECT_FALSE(TPrefs::ParsePrefLine("user_pref('a', 1);", name, text));
    EXPECT_FALSE(TPrefs::ParsePrefLine("// user_pref(\"a\", 1);", name, text));
}

TEST_F(FirefoxProxyTest, CapturesOnlyProxyPreferencesWithTheirLiteralText) {
    const auto value = CaptureValue();
    EXPECT_EQ(value->Settings().Value("network.proxy.type"), "1");
    EXPECT_EQ(value->Settings().Value("network.proxy.http"), "\"proxy.corp.example\"");
    EXPECT_EQ(value->Settings().Value("network.proxy.share_proxy_settings"), "true");
    EXPECT_EQ(value->Settings().IndexOfName("browser.startup.homepage"), -1);
    EXPECT_EQ(value->GetHint(), "http: \"proxy.corp.example\":8080\r\nssl: \"proxy.corp.example\":8080\r\n");

    WriteText(Prefs(), "user_pref(\"Network.Proxy.ftp\", \"x\");\nuser_pref(\"network.proxy.ftp\",\"y\");\n"
                       "USER_PREF(\"network.proxy.type\", 2);\n");
    const auto odd = CaptureValue();
    EXPECT_EQ(odd->Settings().Text(), "network.proxy.type=2\r\n") << "prefix with its case; no-space line skipped";
}

TEST_F(FirefoxProxyTest, ApplyReplacesHeldLinesRemovesOtherProxyLinesAndKeepsEverythingElse) {
    std::string expected = ReadText(Prefs());
    for (const char* gone : {"http\", \"proxy.corp.example\"", "http_port\", 8080",
                             "no_proxies_on\", \"localhost, 127.0.0.1, .corp.example\"", "share_proxy_settings\", true",
                             "ssl\", \"proxy.corp.example\"", "ssl_port\", 8080"}) {
        const std::string line = std::string("user_pref(\"network.proxy.") + gone + ");\r\n";
        ASSERT_NE(expected.find(line), std::string::npos) << line;
        expected.erase(expected.find(line), line.size());
    }
    const std::string typeLine = "user_pref(\"network.proxy.type\", 1);";
    expected.replace(expected.find(typeLine), typeLine.size(), "user_pref(\"network.proxy.type\", 0);");
    expected += "user_pref(\"network.proxy.socks\", \"s\");\r\n";
    setting.ApplyValue(*ValueOf({"network.proxy.type=0", "network.proxy.socks=\"s\""}), results);
    EXPECT_EQ(ReadText(Prefs()), expected) << "comments and other preferences stay, in place";
    EXPECT_EQ(results.Count(), 0u);
}

TEST_F(FirefoxProxyTest, AnAppliedValueIsWhatTheNextCaptureFinds) {
    const auto office = CaptureValue();
    WriteText(Prefs(), "// home\r\nuser_pref(\"network.proxy.http\", \"home.example\");\r\n"
                       "user_pref(\"network.proxy.http_port\", 3128);\r\nuser_pref(\"network.proxy.type\", 1);\r\n");
    const auto home = CaptureValue();
    setting.ApplyValue(*office, results);
    EXPECT_EQ(CaptureValue()->Settings().Text(), office->Settings().Text());
    setting.ApplyValue(*home, results);
    EXPECT_EQ(CaptureValue()->Settings().Text(), home->Settings().Text()) << "no office HTTPS proxy stays behind";
    EXPECT_EQ(CaptureValue()->GetHint(), "http: \"home.example\":3128");
    EXPECT_EQ(results.Count(), 0u);

    // Every preference line of a proxy name the value does not hold goes; a name in other letter
    // case is no proxy preference, and a line not in the standard form is no preference line.
    WriteText(Prefs(), "user_pref(\"network.proxy.ssl\", \"a\");\r\nuser_pref(\"Network.Proxy.ssl\", \"b\");\r\n"
                       "user_pref(\"network.proxy.ssl\",\"c\");\r\nuser_pref(\"network.proxy.ssl\", \"d\");\r\n"
                       "user_pref(\"network.proxy.typeX\", 1);\r\nuser_pref(\"network.proxyless\", 1);\r\n");
    setting.ApplyValue(*ValueOf({}), results);
    EXPECT_EQ(ReadText(Prefs()), "user_pref(\"Network.Proxy.ssl\", \"b\");\r\n"
                                 "user_pref(\"network.proxy.ssl\",\"c\");\r\nuser_pref(\"network.proxyless\", 1);\r\n");
    EXPECT_EQ(CaptureValue()->GetHint(), "No proxy");
}

TEST_F(FirefoxProxyTest, ALineWithoutTheStandardSpacingIsNeverReplacedAndLfBecomesCrLf) {
    WriteText(Prefs(), "// comment\nuser_pref(\"network.proxy.ftp\",\"old\");\nuser_pref(\"network.proxy.ftp\", "
                       "\"a\");\nuser_pref(\"network.proxy.ftp\", \"b\");\n");
    setting.ApplyValue(*ValueOf({"network.proxy.ftp=\"new\""}), results);
    EXPECT_EQ(ReadText(Prefs()), "// comment\r\nuser_pref(\"network.proxy.ftp\",\"old\");\r\n"
                                 "user_pref(\"network.proxy.ftp\", \"new\");\r\n"
                                 "user_pref(\"network.proxy.ftp\", \"b\");\r\n")
        << "the first standard line only";

    WriteText(Prefs(), "user_pref(\"network.proxy.ftp\",\"old\");");
    setting.ApplyValue(*ValueOf({"network.proxy.ftp=\"new\""}), results);
    EXPECT_EQ(ReadText(Prefs()),
              "user_pref(\"network.proxy.ftp\",\"old\");\r\nuser_pref(\"network.proxy.ftp\", \"new\");\r\n");
}

TEST_F(FirefoxProxyTest, WithoutAProfileCaptureIsEmptyAndApplyRaises) {
    std::filesystem::remove(Prefs());
    EXPECT_EQ(CaptureValue()->Settings().Count(), 0u) << "no preferences file";
    setting.ApplyValue(*ValueOf({"network.proxy.type=4"}), results);
    EXPECT_EQ(ReadText(Prefs()), "user_pref(\"network.proxy.type\", 4);\r\n") << "created with the applied lines";

    std::filesystem::remove_all(Firefox() / "Profiles");
    EXPECT_THROW(setting.ApplyValue(*ValueOf({"network.proxy.type=4"}), results), EFCreateError)
        << "its folder is not created";

    std::filesystem::remove(Firefox() / "profiles.ini");
    const auto none = CaptureValue();
    EXPECT_EQ(none->Settings().Count(), 0u);
    EXPECT_EQ(none->GetHint(), "No proxy");
    EXPECT_EQ(MessageOf<TFirefoxProfileNotFoundException>(
                  [&] { setting.ApplyValue(*ValueOf({"network.proxy.type=4"}), results); }),
              "Firefox profile not found");
    EXPECT_FALSE(std::filesystem::exists(Prefs()));
}

TEST(FirefoxLiterals, OnlyWhatAPreferenceLineCanHoldPasses) {
    for (const char* good : {"network.proxy.http", "a\\\"b", "back\\\\slash", "tab\\t", "B\xC3\xBCro", ""})
        EXPECT_TRUE(IsStringLiteralBody(good)) << good;
    for (const char* bad :
         {"a\"b", "line\nbreak", "cr\r", "end\\", "ls\xE2\x80\xA8", "ps\xE2\x80\xA9", "raw\ttab", "esc\\\n"})
        EXPECT_FALSE(IsStringLiteralBody(bad)) << bad;
    for (const char* good : {"1", "-5", "+7", "8080", "true", "false", "\"x\"", "\"\"", "\"a\\\"b\""})
        EXPECT_TRUE(IsPrefValueLiteral(good)) << good;
    for (const char* bad : {"", "-", "1.5", "0x10", "TRUE", "\"", "\"a\"b\"", "b=\"x\"", "1);",
                            "\"x\");\r\nuser_pref(\"y\", 1", "'x'", "\"x\" "})
        EXPECT_FALSE(IsPrefValueLiteral(bad)) << bad;
}

TEST_F(FirefoxProxyTest, StoredLinesThatWouldAddOrBreakPreferencesAreWarnedAndLeftOut) {
    const std::string before = ReadText(Prefs());
    auto count = [](const std::string& text, std::string_view what) {
        std::size_t n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    };
    const auto value = ValueOf({
        "network.proxy.http=\"x\");\r\nuser_pref(\"browser.startup.homepage\", \"http://evil.example/\"",
        "network.proxy.type=2);\nuser_pref(\"browser.startup.homepage\", \"http://evil.example/\"",
        "network.proxy.a\"b=1",
        "network.proxy.name=with=\"equals\"",
        "browser.startup.homepage=\"http://evil.example/\"",
        "network.proxy.ftp=\"f\\\"q\"",
        "network.proxy.ftp_port=21",
    });
    setting.ApplyValue(*value, results);
    std::vector<std::string> lines;
    for (const TCheckResult& r : results) {
        EXPECT_EQ(r.ResultType(), TCheckResultType::Warning) << r.Text();
        lines.push_back(r.Text());
    }
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Firefox proxy: The preference \"browser.startup.homepage=\\\"http://evil.example/\\\"\" is "
                         "not a proxy preference; it is left out",
                         "Firefox proxy: The preference \"network.proxy.a\\\"b=1\" cannot be written as one "
                         "well-formed user_pref line; it is left out",
                         "Firefox proxy: The preference \"network.proxy.http=\\\"x\\\");\\r\\nuser_pref(\\\""
                         "browser.startup.homepage\\\", \\\"http://evil.example/\\\"\" cannot be written as one "
                         "well-formed user_pref line; it is left out",
                         "Firefox proxy: The preference \"network.proxy.name=with=\\\"equals\\\"\" cannot be written "
                         "as one well-formed user_pref line; it is left out",
                         "Firefox proxy: The preference \"network.proxy.type=2);\\nuser_pref(\\\"browser.startup."
                         "homepage\\\", \\\"http://evil.example/\\\"\" cannot be written as one well-formed "
                         "user_pref line; it is left out"}));
    const std::string after = ReadText(Prefs());
    EXPECT_EQ(count(after, "browser.startup.homepage"), count(before, "browser.startup.homepage"));
    EXPECT_EQ(count(after, "evil"), 0u);
    EXPECT_EQ(count(after, "\r\n"), count(before, "\r\n") + 2 - 5)
        << "the two proxy lines that were well formed, less the five the value does not hold";
    EXPECT_EQ(after.find("network.proxy.ssl"), std::string::npos) << "not held: removed";
    EXPECT_NE(after.find("\r\nuser_pref(\"network.proxy.ftp\", \"f\\\"q\");\r\n"), std::string::npos);
    EXPECT_NE(after.find("\r\nuser_pref(\"network.proxy.ftp_port\", 21);\r\n"), std::string::npos);
    EXPECT_NE(after.find("user_pref(\"network.proxy.type\", 1);"), std::string::npos) << "held: left as it was";
    EXPECT_NE(after.find("user_pref(\"network.proxy.http\", \"proxy.corp.example\");"), std::string::npos);
}

TEST_F(FirefoxProxyTest, ACapturedNameWithAnEqualsSignIsWarnedAndLeftOut) {
    WriteText(Prefs(), "user_pref(\"network.proxy.a=b\", \"x\");\r\nuser_pref(\"network.proxy.type\", 1);\r\n");
    TCheckResultList warnings;
    const auto value = setting.CreateValue(&warnings);
    EXPECT_EQ(static_cast<TFirefoxProxySettingValue&>(*value).Settings().Text(), "network.proxy.type=1\r\n");
    ASSERT_EQ(warnings.Count(), 1u);
    EXPECT_EQ(warnings[0].Text(), "Firefox proxy: The preference \"network.proxy.a=b\" has \"=\" in its name, which "
                                  "the value cannot hold; it is not captured");
}

TEST_F(FirefoxProxyTest, AByteOrderMarkDoesNotHideTheFirstPreferenceAndIsKept) {
    WriteText(Prefs(), "\xEF\xBB\xBFuser_pref(\"network.proxy.type\", 4);\r\n// rest\r\n");
    EXPECT_EQ(CaptureValue()->Settings().Text(), "network.proxy.type=4\r\n");
    setting.ApplyValue(*ValueOf({"network.proxy.type=0"}), results);
    EXPECT_EQ(ReadText(Prefs()), "\xEF\xBB\xBFuser_pref(\"network.proxy.type\", 0);\r\n// rest\r\n")
        << "replaced, not appended after a line it did not see";
}

TEST_F(FirefoxProxyTest, AProfileWithoutPathIsNotFoundAndAbsolutePathsAreOnTheMachine) {
    WriteText(Firefox() / "profiles.ini", "[Profile0]\r\nName=broken\r\nIsRelative=1\r\n");
    EXPECT_EQ(MessageOf<TFirefoxProfileNotFoundException>([] { GetFirefoxPrefsFileName(); }),
              "Firefox profile not found");
    EXPECT_EQ(CaptureValue()->Settings().Count(), 0u);
    EXPECT_EQ(MessageOf<TFirefoxProfileNotFoundException>(
                  [&] { setting.ApplyValue(*ValueOf({"network.proxy.type=4"}), results); }),
              "Firefox profile not found");

    // As Firefox writes it on Windows: the system drive's path of the profile folder.
    const std::string absolute = "C:\\Users\\" + Machine().UserName() +
                                 "\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\k3x9v2qa.default-release";
    WriteText(Firefox() / "profiles.ini", "[Profile0]\r\nPath=" + absolute + "\r\nIsRelative=0\r\n");
    EXPECT_EQ(GetFirefoxPrefsFileName(), absolute + "\\prefs.js");
    EXPECT_EQ(CaptureValue()->Settings().Value("network.proxy.type"), "1") << "the seeded profile's file";
    setting.ApplyValue(*ValueOf({"network.proxy.type=4"}), results);
    EXPECT_NE(ReadText(Prefs()).find("user_pref(\"network.proxy.type\", 4);"), std::string::npos);
}

TEST_F(FirefoxProxyTest, TheHintFollowsTheProxyType) {
    EXPECT_EQ(ValueOf({"Network.Proxy.Type=4"})->GetHint(), "Auto-detect proxy configuration")
        << "the type is looked up without case";
    EXPECT_EQ(ValueOf({"network.proxy.type=2"})->GetHint(), "Automatic proxy configuration");
    EXPECT_EQ(ValueOf({"network.proxy.type=2", "network.proxy.autoconfig_url=\"http://a/p.pac\""})->GetHint(),
              "Automatic proxy configuration\r\n\"http://a/p.pac\"\r\n");
    EXPECT_EQ(ValueOf({"network.proxy.type=1", "network.proxy.ftp=\"f\""})->GetHint(), "") << "a host without its port";
    EXPECT_EQ(
        ValueOf({"network.proxy.type=1", "network.proxy.gopher=\"g\"", "network.proxy.gopher_port=70"})->GetHint(),
        "gopher: \"g\":70");
    EXPECT_EQ(ValueOf({"network.proxy.type=0"})->GetHint(), "No proxy");
    EXPECT_EQ(ValueOf({})->GetHint(), "No proxy");
}

// ---- Opera ----

class OperaProxyTest : public BrowserProxyTest {
protected:
    static std::filesystem::path Profile() {
        std::string path = TOperaProxySetting::GetOperaProfileFileName();
        std::replace(path.begin(), path.end(), '\\', '/');
        return path;
    }
    static std::unique_ptr<TOperaProxySettingValue> ValueOf(std::initializer_list<std::string> lines) {
        auto value = std::make_unique<TOperaProxySettingValue>();
        for (const std::string& line : lines)
            value->Settings().Add(line);
        return value;
    }
    TOperaProxySetting setting;
};

TEST_F(OperaProxyTest, DescribesItself) {
    const TSettingClass& kind = TOperaProxySetting::StaticClass();
    EXPECT_EQ(kind.GetCaption(), "Opera proxy");
    EXPECT_EQ(kind.GetDescription(), "Opera proxy settings");
    EXPECT_EQ(kind.GetCategory(), "Network");
    EXPECT_EQ(kind.GetImageIndex(), 12);
    EXPECT_EQ(TOperaProxySetting::GetOperaProfileFileName(),
              TOsHelper::GetAppDataFolder() + "\\Opera\\Opera\\profile\\opera6.ini");
}

TEST_F(OperaProxyTest, ApplyReplacesTheSectionAndKeepsTheOthers) {
    const auto captured = Capture<TOperaProxySettingValue>(setting);
    EXPECT_EQ(captured->Settings().Value("HTTP server"), "proxy.corp.example:8080");
    EXPECT_EQ(captured->Settings().Count(), 10u);
    EXPECT_EQ(captured->GetHint(), "No proxy");

    const std::string before = ReadText(Profile());
    setting.ApplyValue(*ValueOf({"Use HTTP=1", "HTTP server=home:3128", "Extra=x"}), results);
    std::string others = before;
    others.erase(others.find("[Proxy]"), others.find("[Network]") - others.find("[Proxy]"));
    EXPECT_EQ(ReadText(Profile()), others + "\r\n[Proxy]\r\nExtra=x\r\nHTTP server=home:3128\r\nUse HTTP=1\r\n")
        << "the other sections stay as they were; keys the value lacks are gone";
    const auto back = Capture<TOperaProxySettingValue>(setting);
    EXPECT_EQ(back->Settings().Text(), "Extra=x\r\nHTTP server=home:3128\r\nUse HTTP=1\r\n");
    EXPECT_EQ(back->GetHint(), "HTTP: home:3128");

    setting.ApplyValue(TOperaProxySettingValue(), results);
    EXPECT_EQ(ReadText(Profile()).find("[Proxy]"), std::string::npos) << "an empty value leaves no section";
    EXPECT_EQ(results.Count(), 0u);
}

TEST_F(OperaProxyTest, LinesThatWouldAddSectionsOrKeysAreWarnedAndNotWritten) {
    const std::string before = ReadText(Profile());
    setting.ApplyValue(
        *ValueOf({"HTTP server=home:3128\r\n[User Prefs]\r\nHome URL=http://evil.example/", "Use HTTP=1\n",
                  "[User Prefs]\r\nHome URL=x", "[Other]=1", ";Use FTP=1", "  =1", "Use FTP=1"}),
        results);
    std::vector<std::string> lines;
    for (const TCheckResult& r : results) {
        EXPECT_EQ(r.ResultType(), TCheckResultType::Warning) << r.Text();
        lines.push_back(r.Text());
    }
    ASSERT_EQ(lines.size(), 6u);
    for (const std::string& line : lines)
        EXPECT_NE(line.find("; it is not written"), std::string::npos) << line;
    EXPECT_EQ(lines[0], "Opera proxy: The line \"  =1\" would not stay one key of the section (a line break, no "
                        "key, or a key that starts a section or a comment); it is not written");
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "Opera proxy: The line \"HTTP server=home:3128\\r\\n[User Prefs]\\r\\nHome "
                        "URL=http://evil.example/\" would not stay one key of the section (a line break, no key, or "
                        "a key that starts a section or a comment); it is not written"),
              lines.end());
    const std::string after = ReadText(Profile());
    EXPECT_EQ(after.find("evil"), std::string::npos);
    EXPECT_EQ(std::count(after.begin(), after.end(), '['), std::count(before.begin(), before.end(), '['));
    const auto back = Capture<TOperaProxySettingValue>(setting);
    EXPECT_EQ(back->Settings().Text(), "Use FTP=1\r\n");
}

TEST_F(OperaProxyTest, AKeyStandingTwiceIsTheFirstForTheHintTheCaptureAndTheApply) {
    std::string text = ReadText(Profile());
    text.replace(text.find("[Proxy]\r\n"), 9,
                 "[Proxy]\r\nUse HTTP=1\r\nHTTP server=first:1\r\nuse http=0\r\n"
                 "HTTP server=second:2\r\n");
    WriteText(Profile(), text);
    const auto captured = Capture<TOperaProxySettingValue>(setting);
    EXPECT_EQ(captured->Settings().Value("Use HTTP"), "1");
    EXPECT_EQ(captured->Settings().Value("HTTP server"), "first:1");
    EXPECT_EQ(captured->GetHint(), "HTTP: first:1");
    std::u16string inEffect;
    os::IniFiles().GetPrivateProfileString(u"Proxy", u"HTTP server", u"", &inEffect, Profile().string());
    EXPECT_EQ(inEffect, u"first:1") << "what the ini functions read";

    // A data file may hold a key twice in other letter case: the one the hint shows is written.
    const auto twice = ValueOf({"Use HTTP=1", "http server=a:1", "HTTP server=b:2"});
    const std::size_t first = static_cast<std::size_t>(twice->Settings().IndexOfName("HTTP server"));
    const std::string shown = twice->Settings().ValueFromIndex(first);
    const std::string other = twice->Settings()[first == 1 ? 2 : 1];
    ASSERT_EQ(twice->GetHint(), "HTTP: " + shown);
    setting.ApplyValue(*twice, results);
    ASSERT_EQ(results.Count(), 1u);
    EXPECT_EQ(results[0].Text(), "Opera proxy: The key " + QuotedText(other.substr(0, other.find('='))) +
                                     " stands twice; only its first value is written");
    const auto back = Capture<TOperaProxySettingValue>(setting);
    EXPECT_EQ(back->GetHint(), twice->GetHint());
    EXPECT_EQ(back->Settings().Count(), 2u);
}

TEST_F(OperaProxyTest, AMissingProfileCapturesEmptyAndAppliesAsOneErrorLine) {
    std::filesystem::remove(Profile());
    EXPECT_EQ(Capture<TOperaProxySettingValue>(setting)->Settings().Count(), 0u);
    setting.ApplyValue(*ValueOf({"Use HTTP=1"}), results);
    ASSERT_EQ(results.Count(), 1u);
    EXPECT_EQ(results[0].ResultType(), TCheckResultType::Error);
    EXPECT_EQ(results[0].Text(), "Opera proxy: Opera profile not found");
    EXPECT_FALSE(std::filesystem::exists(Profile()));
}

TEST_F(OperaProxyTest, AFileThatCannotBeWrittenIsNamed) {
    std::filesystem::permissions(Profile(), std::filesystem::perms::owner_read);
    EXPECT_EQ(MessageOf<Exception>([&] { setting.ApplyValue(*ValueOf({"Use HTTP=1"}), results); }),
              "Unable to write to " + TOperaProxySetting::GetOperaProfileFileName());
}

TEST_F(OperaProxyTest, TheHintListsTheProtocolsInUseThenAutomaticConfiguration) {
    EXPECT_EQ(ValueOf({"use http=1", "http server=h:1"})->GetHint(), "HTTP: h:1") << "keys without case";
    EXPECT_EQ(ValueOf({"Use FTP=1", "FTP server=f:21", "Use HTTP=1", "HTTP server=h:1",
                       "Use Automatic Proxy Configuration=1", "Automatic Proxy Configuration URL=http://a/p"})
                  ->GetHint(),
              "HTTP: h:1\r\nFTP: f:21\r\nAutomatic proxy configuration: http://a/p\r\n");
    EXPECT_EQ(ValueOf({"Use HTTPS=0", "HTTPS server=s:443"})->GetHint(), "No proxy");
    EXPECT_EQ(ValueOf({"Use HTTPS=1"})->GetHint(), "HTTPS: ");
}

} // namespace
