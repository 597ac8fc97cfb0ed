// What a workstation holds for the browser proxies, the time zone and the environment: the
// browsers' profile files, the time zone database and the current zone.

#include "os/Registry.h"
#include "os/Sqlite.h"
#include "os/Text.h"
#include "os/TimeZone.h"
#include "os/simulated/Machine.h"
#include "os/simulated/RegistryStore.h"
#include "os/simulated/SimSystem.h"

#include <fstream>
#include <stdexcept>
#include <system_error>

namespace prolamo::os::simulated {

namespace {

constexpr const char16_t* kTimeZonesKey = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones";

struct Zone {
    const char16_t* key;
    const char16_t* display;
    const char16_t* standard;
    const char16_t* daylight;
    std::int32_t bias;
    SystemTime standardDate; // back to standard time, on the daylight clock
    SystemTime daylightDate;
};

constexpr SystemTime Rule(std::uint16_t month, std::uint16_t week, std::uint16_t hour) {
    return SystemTime{0, month, 0, week, hour, 0, 0, 0};
}
constexpr SystemTime kNone{};

// Current rules; zones without daylight time have zero dates. Keys and standard names differ for
// some zones, as on Windows.
const Zone kZones[] = {
    {u"Hawaiian Standard Time", u"(UTC-10:00) Hawaii", u"Hawaiian Standard Time", u"Hawaiian Daylight Time", 600, kNone,
     kNone},
    {u"Pacific Standard Time", u"(UTC-08:00) Pacific Time (US & Canada)", u"Pacific Standard Time",
     u"Pacific Daylight Time", 480, Rule(11, 1, 2), Rule(3, 2, 2)},
    {u"Mountain Standard Time", u"(UTC-07:00) Mountain Time (US & Canada)", u"Mountain Standard Time",
     u"Mountain Daylight Time", 420, Rule(11, 1, 2), Rule(3, 2, 2)},
    {u"Central Standard Time", u"(UTC-06:00) Central Time (US & Canada)", u"Central Standard Time",
     u"Central Daylight Time", 360, Rule(11, 1, 2), Rule(3, 2, 2)},
    {u"Eastern Standard Time", u"(UTC-05:00) Eastern Time (US & Canada)", u"Eastern Standard Time",
     u"Eastern Daylight Time", 300, Rule(11, 1, 2), Rule(3, 2, 2)},
    {u"E. South America Standard Time", u"(UTC-03:00) Brasilia", u"E. South America Standard Time",
     u"E. South America Daylight Time", 180, kNone, kNone},
    {u"UTC", u"(UTC) Coordinated Universal Time", u"Coordinated Universal Time", u"Coordinated Universal Time", 0,
     kNone, kNone},
    {u"GMT Standard Time", u"(UTC+00:00) Dublin, Edinburgh, Lisbon, London", u"GMT Standard Time", u"GMT Daylight Time",
     0, Rule(10, 5, 2), Rule(3, 5, 1)},
    {u"W. Europe Standard Time", u"(UTC+01:00) Amsterdam, Berlin, Bern, Rome, Stockholm, Vienna",
     u"W. Europe Standard Time", u"W. Europe Daylight Time", -60, Rule(10, 5, 3), Rule(3, 5, 2)},
    {u"Central Europe Standard Time", u"(UTC+01:00) Belgrade, Bratislava, Budapest, Ljubljana, Prague",
     u"Central Europe Standard Time", u"Central Europe Daylight Time", -60, Rule(10, 5, 3), Rule(3, 5, 2)},
    {u"Romance Standard Time", u"(UTC+01:00) Brussels, Copenhagen, Madrid, Paris", u"Romance Standard Time",
     u"Romance Daylight Time", -60, Rule(10, 5, 3), Rule(3, 5, 2)},
    {u"FLE Standard Time", u"(UTC+02:00) Helsinki, Kyiv, Riga, Sofia, Tallinn, Vilnius", u"FLE Standard Time",
     u"FLE Daylight Time", -120, Rule(10, 5, 4), Rule(3, 5, 3)},
    {u"Arabian Standard Time", u"(UTC+04:00) Abu Dhabi, Muscat", u"Arabian Standard Time", u"Arabian Daylight Time",
     -240, kNone, kNone},
    {u"India Standard Time", u"(UTC+05:30) Chennai, Kolkata, Mumbai, New Delhi", u"India Standard Time",
     u"India Daylight Time", -330, kNone, kNone},
    {u"China Standard Time", u"(UTC+08:00) Beijing, Chongqing, Hong Kong, Urumqi", u"China Standard Time",
     u"China Daylight Time", -480, kNone, kNone},
    {u"Singapore Standard Time", u"(UTC+08:00) Kuala Lumpur, Singapore", u"Malay Peninsula Standard Time",
     u"Malay Peninsula Daylight Time", -480, kNone, kNone},
    {u"Tokyo Standard Time", u"(UTC+09:00) Osaka, Sapporo, Tokyo", u"Tokyo Standard Time", u"Tokyo Daylight Time", -540,
     kNone, kNone},
    {u"AUS Eastern Standard Time", u"(UTC+10:00) Canberra, Melbourne, Sydney", u"AUS Eastern Standard Time",
     u"AUS Eastern Daylight Time", -600, Rule(4, 1, 3), Rule(10, 1, 2)},
    {u"New Zealand Standard Time", u"(UTC+12:00) Auckland, Wellington", u"New Zealand Standard Time",
     u"New Zealand Daylight Time", -720, Rule(4, 1, 3), Rule(9, 5, 2)},
};

// The zone the machine starts in; Windows Setup picks it for an en-US installation.
constexpr const char16_t* kInitialZone = u"Pacific Standard Time";

constexpr const char* kFactSeeded = "seeded_browsers_time";

void Put(std::vector<std::uint8_t>& bytes, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void Put(std::vector<std::uint8_t>& bytes, const SystemTime& t) {
    for (std::uint16_t f : {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds}) {
        bytes.push_back(static_cast<std::uint8_t>(f & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(f >> 8));
    }
}

// REG_TZI_FORMAT: Bias, StandardBias, DaylightBias, StandardDate, DaylightDate.
std::vector<std::uint8_t> Tzi(const Zone& zone) {
    std::vector<std::uint8_t> bytes;
    Put(bytes, static_cast<std::uint32_t>(zone.bias));
    Put(bytes, 0u);
    Put(bytes, static_cast<std::uint32_t>(-60));
    Put(bytes, zone.standardDate);
    Put(bytes, zone.daylightDate);
    return bytes;
}

void Check(int rc) {
    if (rc != SQLITE_OK)
        throw std::runtime_error(std::string("seeding the registry failed: ") + sqlite3_errstr(rc));
}

void SeedTimeZones(sqlite3* db) {
    std::int64_t existing = 0;
    Check(store::FindKey(db, store::HiveLocalMachine, kTimeZonesKey, &existing));
    if (existing == 0) {
        for (const Zone& zone : kZones) {
            std::int64_t key = 0;
            bool created = false;
            Check(store::CreateKey(db, store::HiveLocalMachine, std::u16string(kTimeZonesKey) + u"\\" + zone.key, &key,
                                   &created));
            Check(store::SetValue(db, key, u"Display", RegSz, store::StringData(zone.display)));
            Check(store::SetValue(db, key, u"Dlt", RegSz, store::StringData(zone.daylight)));
            Check(store::SetValue(db, key, u"Std", RegSz, store::StringData(zone.standard)));
            Check(store::SetValue(db, key, u"TZI", RegBinary, Tzi(zone)));
        }
    }
    Check(store::FindKey(db, store::HiveLocalMachine, TimeZoneInformationKey, &existing));
    if (existing != 0)
        return;
    for (const Zone& zone : kZones) {
        if (std::u16string_view(zone.key) != kInitialZone)
            continue;
        TimeZoneInformation tz;
        tz.Bias = zone.bias;
        tz.DaylightBias = -60;
        tz.StandardDate = zone.standardDate;
        tz.DaylightDate = zone.daylightDate;
        std::u16string_view(zone.standard).copy(tz.StandardName, TimeZoneNameUnits - 1);
        std::u16string_view(zone.daylight).copy(tz.DaylightName, TimeZoneNameUnits - 1);
        Check(StoreTimeZone(db, tz));
        std::int64_t key = 0;
        Check(store::FindKey(db, store::HiveLocalMachine, TimeZoneInformationKey, &key));
        Check(store::SetValue(db, key, u"TimeZoneKeyName", RegSz, store::StringData(zone.key)));
    }
}

constexpr const char* kProfilesIni = "[Install308046B0AF4A39CB]\r\n"
                                     "Default=Profiles/k3x9v2qa.default-release\r\n"
                                     "Locked=1\r\n"
                                     "\r\n"
                                     "[Profile1]\r\n"
                                     "Name=default\r\n"
                                     "IsRelative=1\r\n"
                                     "Path=Profiles/p7d1m0zt.default\r\n"
                                     "Default=1\r\n"
                                     "\r\n"
                                     "[Profile0]\r\n"
                                     "Name=default-release\r\n"
                                     "IsRelative=1\r\n"
                                     "Path=Profiles/k3x9v2qa.default-release\r\n"
                                     "\r\n"
                                     "[General]\r\n"
                                     "StartWithLastProfile=1\r\n"
                                     "Version=2\r\n";

constexpr const char* kPrefsJs =
    "// Mozilla User Preferences\r\n"
    "\r\n"
    "// DO NOT EDIT THIS FILE.\r\n"
    "//\r\n"
    "// If you make changes to this file while the application is running,\r\n"
    "// the changes will be overwritten when the application exits.\r\n"
    "//\r\n"
    "// To change a preference value, you can either:\r\n"
    "// - modify it via the UI (e.g. via about:config in the browser); or\r\n"
    "// - set it within a user.js file in your profile.\r\n"
    "\r\n"
    "user_pref(\"app.normandy.first_run\", false);\r\n"
    "user_pref(\"browser.download.dir\", \"C:\\\\Users\\\\User\\\\Downloads\");\r\n"
    "user_pref(\"browser.startup.homepage\", \"https://intranet.corp.example/\");\r\n"
    "user_pref(\"network.cookie.cookieBehavior\", 5);\r\n"
    "user_pref(\"network.proxy.http\", \"proxy.corp.example\");\r\n"
    "user_pref(\"network.proxy.http_port\", 8080);\r\n"
    "user_pref(\"network.proxy.no_proxies_on\", \"localhost, 127.0.0.1, .corp.example\");\r\n"
    "user_pref(\"network.proxy.share_proxy_settings\", true);\r\n"
    "user_pref(\"network.proxy.ssl\", \"proxy.corp.example\");\r\n"
    "user_pref(\"network.proxy.ssl_port\", 8080);\r\n"
    "user_pref(\"network.proxy.type\", 1);\r\n"
    "user_pref(\"privacy.sanitize.pending\", \"[]\");\r\n";

constexpr const char* kOperaIni = "Opera Preferences version 2.1\r\n"
                                  "; Do not edit this file while Opera is running\r\n"
                                  "; This file is stored in UTF-8 encoding\r\n"
                                  "\r\n"
                                  "[User Prefs]\r\n"
                                  "Show Startup Dialog=0\r\n"
                                  "Home URL=https://intranet.corp.example/\r\n"
                                  "Startup Type=2\r\n"
                                  "\r\n"
                                  "[Proxy]\r\n"
                                  "Use HTTP=0\r\n"
                                  "Use HTTPS=0\r\n"
                                  "Use FTP=0\r\n"
                                  "HTTP server=proxy.corp.example:8080\r\n"
                                  "HTTPS server=proxy.corp.example:8080\r\n"
                                  "FTP server=\r\n"
                                  "Use Automatic Proxy Configuration=0\r\n"
                                  "Automatic Proxy Configuration URL=\r\n"
                                  "No Proxy Servers=localhost\r\n"
                                  "Use Proxy On Local Names Check=0\r\n"
                                  "\r\n"
                                  "[Network]\r\n"
                                  "Max Connections Server=8\r\n"
                                  "Enable HTTP 1.1 for proxy=1\r\n"
                                  "\r\n"
                                  "[Cache]\r\n"
                                  "Docs Modification=2\r\n"
                                  "Images Modification=2\r\n";

void WriteNew(const std::filesystem::path& file, const char* text) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    if (ec)
        throw std::runtime_error("cannot create " + file.parent_path().string() + ": " + ec.message());
    if (std::filesystem::exists(file, ec))
        return;
    std::ofstream out(file, std::ios::binary);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

void SeedBrowserFiles(const std::filesystem::path& roaming) {
    const auto firefox = roaming / "Mozilla" / "Firefox";
    if (!std::filesystem::exists(firefox / "profiles.ini")) {
        WriteNew(firefox / "Profiles" / "k3x9v2qa.default-release" / "prefs.js", kPrefsJs);
        std::filesystem::create_directories(firefox / "Profiles" / "p7d1m0zt.default");
        WriteNew(firefox / "profiles.ini", kProfilesIni);
    }
    WriteNew(roaming / "Opera" / "Opera" / "profile" / "opera6.ini", kOperaIni);
}

} // namespace

// Once per machine, also for machines seeded before these existed: what is missing is added, and
// what the user removed later stays removed.
void SeedBrowsersAndTime(Machine& machine) {
    std::optional<std::string> done;
    if (machine.ReadFact(kFactSeeded, &done) != ErrorSuccess)
        throw std::runtime_error(sqlite3_errmsg(machine.Db()));
    if (done)
        return;
    SeedTimeZones(machine.Db());
    SeedBrowserFiles(machine.RoamingAppDataFolder());
    machine.SetFact(kFactSeeded, "1");
}

} // namespace prolamo::os::simulated
