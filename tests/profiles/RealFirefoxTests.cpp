// The Firefox proxy setting against the real Firefox, where it is installed: the preferences it
// wrote, captured and applied over others, are what it reads back.

#include "support/SimulatedMachine.h"

#include "profiles/uFirefoxProxySettings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace prolamo;
using namespace prolamo::test;

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

fs::path FindFirefox() {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "");
    // A folder of PATH that this user may not look into holds nothing for it.
    std::error_code unreadable;
    for (std::string folder; std::getline(folders, folder, ':');)
        for (const char* name : {"firefox-esr", "firefox"})
            if (!folder.empty() && fs::exists(fs::path(folder) / name, unreadable))
                return fs::path(folder) / name;
    return {};
}

class RealFirefoxTest : public SimulatedMachineTest {
protected:
    fs::path Profile() {
        return Machine().RoamingAppDataFolder() / "Mozilla" / "Firefox" / "Profiles" / "k3x9v2qa.default-release";
    }
    // Firefox reads the profile's prefs.js (and user.js), and rewrites prefs.js when it ends. Its
    // home and caches stay in the test's folder.
    void RunFirefox() {
        const fs::path home = temp_.Path() / "home";
        const fs::path shot = temp_.Path() / "shot.png";
        fs::create_directories(home);
        fs::remove(shot);
        const std::string command =
            "env HOME='" + home.string() + "' XDG_CONFIG_HOME='" + (home / ".config").string() + "' XDG_CACHE_HOME='" +
            (home / ".cache").string() + "' MOZ_CRASHREPORTER_DISABLE=1 timeout 90 '" + firefox_.string() +
            "' --headless --no-remote --profile '" + Profile().string() + "' --screenshot '" + shot.string() +
            "' about:blank >'" + (temp_.Path() / "firefox.log").string() + "' 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << ReadText(temp_.Path() / "firefox.log");
        ASSERT_TRUE(fs::exists(shot)) << ReadText(temp_.Path() / "firefox.log");
    }
    std::unique_ptr<TFirefoxProxySettingValue> Capture() {
        std::unique_ptr<TSettingValue> value = setting.CreateValue();
        return std::unique_ptr<TFirefoxProxySettingValue>(static_cast<TFirefoxProxySettingValue*>(value.release()));
    }

    fs::path firefox_ = FindFirefox();
    TFirefoxProxySetting setting;
};

TEST_F(RealFirefoxTest, ProxyPreferencesFirefoxWroteComeBackAsCapturedAfterAnApplyOverOthers) {
    if (firefox_.empty())
        GTEST_SKIP() << "no firefox-esr or firefox on PATH (scripts/install-deps.sh installs firefox-esr): "
                        "the apply is not checked against the real Firefox";
    const fs::path prefs = Profile() / "prefs.js";
    const std::string office = ReadText(prefs); // the seeded office proxy, HTTPS included
    ASSERT_NE(office.find("\"network.proxy.ssl\""), std::string::npos);

    // Home: only an HTTP proxy, which Firefox takes from user.js and writes into a new prefs.js.
    fs::remove(prefs);
    std::ofstream(Profile() / "user.js") << "user_pref(\"network.proxy.type\", 1);\n"
                                            "user_pref(\"network.proxy.http\", \"home.example\");\n"
                                            "user_pref(\"network.proxy.http_port\", 3128);\n"
                                            "user_pref(\"network.proxy.no_proxies_on\", \"nas.home\");\n";
    ASSERT_NO_FATAL_FAILURE(RunFirefox());
    fs::remove(Profile() / "user.js"); // it would set the home proxy again at every start
    const auto home = Capture();
    TFirefoxProxySettingValue written;
    for (const char* line : {"network.proxy.type=1", "network.proxy.http=\"home.example\"",
                             "network.proxy.http_port=3128", "network.proxy.no_proxies_on=\"nas.home\""})
        written.Settings().Add(line);
    ASSERT_EQ(home->Settings().Text(), written.Settings().Text()) << ReadText(prefs);

    std::ofstream(prefs, std::ios::binary) << office;
    TCheckResultList results;
    setting.ApplyValue(*home, results);
    EXPECT_EQ(results.Count(), 0u);
    ASSERT_NO_FATAL_FAILURE(RunFirefox());
    const std::string rewritten = ReadText(prefs);
    ASSERT_NE(rewritten.find("user_pref(\"browser.startup.homepage\", \"https://intranet.corp.example/\");"),
              std::string::npos)
        << "Firefox read the applied file and kept its other preferences:\n"
        << rewritten;
    EXPECT_EQ(Capture()->Settings().Text(), home->Settings().Text()) << rewritten;
}

} // namespace
