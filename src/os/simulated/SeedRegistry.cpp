// What a workstation's registry holds before the program first runs: the Internet settings with a
// proxy switched off, the environment and the Windows version.

#include "os/Registry.h"
#include "os/Text.h"
#include "os/simulated/RegistryStore.h"

#include <stdexcept>
#include <string>

namespace prolamo::os::simulated::store {

namespace {

// Connections\DefaultConnectionSettings: version, change counter, flags (direct), then the
// length-prefixed proxy server, bypass list and configuration script address.
std::vector<std::uint8_t> ConnectionSettings(std::string_view proxy, std::string_view bypass) {
    std::vector<std::uint8_t> bytes;
    auto put = [&bytes](std::uint32_t v) {
        const auto d = DwordData(v);
        bytes.insert(bytes.end(), d.begin(), d.end());
    };
    auto putText = [&](std::string_view s) {
        put(static_cast<std::uint32_t>(s.size()));
        bytes.insert(bytes.end(), s.begin(), s.end());
    };
    put(0x46);
    put(3);
    put(0x01);
    putText(proxy);
    putText(bypass);
    putText("");
    bytes.resize(bytes.size() + 32, 0);
    return bytes;
}

class Seeder {
public:
    explicit Seeder(sqlite3* db) : db_(db) {}

    void Key(int hive, std::u16string_view path) {
        bool created = false;
        Check(CreateKey(db_, hive, path, &key_, &created));
    }
    void String(std::u16string_view name, std::u16string_view text, std::uint32_t type = RegSz) {
        Check(SetValue(db_, key_, name, type, StringData(text)));
    }
    void Dword(std::u16string_view name, std::uint32_t value) {
        Check(SetValue(db_, key_, name, RegDword, DwordData(value)));
    }
    void Binary(std::u16string_view name, const std::vector<std::uint8_t>& bytes) {
        Check(SetValue(db_, key_, name, RegBinary, bytes));
    }

private:
    static void Check(int rc) {
        if (rc != SQLITE_OK)
            throw std::runtime_error(std::string("seeding the registry failed: ") + sqlite3_errstr(rc));
    }
    sqlite3* db_;
    std::int64_t key_ = 0;
};

} // namespace

void SeedRegistry(sqlite3* db, std::u16string_view userName) {
    Seeder s(db);
    const std::string proxy = "proxy.corp.example:8080";
    const std::string bypass = "*.corp.example;<local>";

    s.Key(HiveCurrentUser, u"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");
    s.Dword(u"ProxyEnable", 0);
    s.String(u"ProxyServer", Utf8ToUtf16(proxy));
    s.String(u"ProxyOverride", Utf8ToUtf16(bypass));
    s.Key(HiveCurrentUser, u"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections");
    s.Binary(u"DefaultConnectionSettings", ConnectionSettings(proxy, bypass));
    s.Binary(u"SavedLegacySettings", ConnectionSettings(proxy, bypass));

    s.Key(HiveCurrentUser, u"Environment");
    s.String(u"Path", u"%USERPROFILE%\\AppData\\Local\\Microsoft\\WindowsApps;", RegExpandSz);
    s.String(u"TEMP", u"%USERPROFILE%\\AppData\\Local\\Temp", RegExpandSz);
    s.String(u"TMP", u"%USERPROFILE%\\AppData\\Local\\Temp", RegExpandSz);

    s.Key(HiveLocalMachine, u"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment");
    s.String(u"ComSpec", u"%SystemRoot%\\system32\\cmd.exe", RegExpandSz);
    s.String(u"DriverData", u"C:\\Windows\\System32\\Drivers\\DriverData");
    s.String(u"NUMBER_OF_PROCESSORS", u"8");
    s.String(u"OS", u"Windows_NT");
    s.String(u"Path",
             u"%SystemRoot%\\system32;%SystemRoot%;%SystemRoot%\\System32\\Wbem;"
             u"%SYSTEMROOT%\\System32\\WindowsPowerShell\\v1.0\\;%SYSTEMROOT%\\System32\\OpenSSH\\",
             RegExpandSz);
    s.String(u"PATHEXT", u".COM;.EXE;.BAT;.CMD;.VBS;.VBE;.JS;.JSE;.WSF;.WSH;.MSC");
    s.String(u"PROCESSOR_ARCHITECTURE", u"AMD64");
    s.String(u"PSModulePath",
             u"%ProgramFiles%\\WindowsPowerShell\\Modules;%SystemRoot%\\system32\\WindowsPowerShell\\v1."
             u"0\\Modules",
             RegExpandSz);
    s.String(u"TEMP", u"%SystemRoot%\\TEMP", RegExpandSz);
    s.String(u"TMP", u"%SystemRoot%\\TEMP", RegExpandSz);
    s.String(u"USERNAME", u"SYSTEM");
    s.String(u"windir", u"%SystemRoot%", RegExpandSz);

    s.Key(HiveLocalMachine, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
    s.String(u"ProductName", u"Windows 10 Pro");
    s.String(u"EditionID", u"Professional");
    s.String(u"DisplayVersion", u"22H2");
    s.String(u"CurrentBuild", u"19045");
    s.String(u"CurrentBuildNumber", u"19045");
    s.Dword(u"CurrentMajorVersionNumber", 10);
    s.Dword(u"CurrentMinorVersionNumber", 0);
    s.String(u"CurrentVersion", u"6.3");
    s.String(u"RegisteredOwner", userName);
    s.String(u"SystemRoot", u"C:\\Windows");
}

} // namespace prolamo::os::simulated::store
