#include "os/simulated/Machine.h"
#include "os/simulated/SqliteErrors.h"

#include "os/Registry.h"
#include "os/Sqlite.h"
#include "os/Text.h"
#include "os/simulated/RegistryStore.h"
#include "os/simulated/Services.h"
#include "os/simulated/SimLocation.h"
#include "os/simulated/SimNetwork.h"
#include "os/simulated/SimPrinting.h"
#include "os/simulated/SimProcesses.h"
#include "os/simulated/SimSystem.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace prolamo::os::simulated {

class Machine::Services {
public:
    explicit Services(Machine& m)
        : registry(m), folders(m), security(m), messages(m), privileges(m), timeZone(m, privileges), environment(m),
          wmi(m), processes(m), spooler(m), location(m) {}
    SimRegistry registry;
    SimFolders folders;
    SimSecurity security;
    SimWindowMessages messages;
    SimPrivileges privileges;
    SimTimeZone timeZone;
    SimEnvironment environment;
    SimWmi wmi;
    SimProcesses processes;
    SimPrintSpooler spooler;
    SimNetworkLocation location;
};

namespace {

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS fact(key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS reg_key(
    id INTEGER PRIMARY KEY,
    hive INTEGER NOT NULL,
    path TEXT NOT NULL,
    folded TEXT NOT NULL,
    UNIQUE(hive, folded));
CREATE TABLE IF NOT EXISTS reg_value(
    key_id INTEGER NOT NULL REFERENCES reg_key(id),
    name TEXT NOT NULL,
    folded TEXT NOT NULL,
    position INTEGER NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    PRIMARY KEY(key_id, folded));
CREATE TABLE IF NOT EXISTS broadcast(
    id INTEGER PRIMARY KEY,
    unix_ms INTEGER NOT NULL,
    window INTEGER NOT NULL,
    message INTEGER NOT NULL,
    wparam INTEGER NOT NULL,
    lparam INTEGER NOT NULL);
INSERT OR IGNORE INTO reg_key(hive, path, folded) VALUES (1, '', ''), (2, '', '');
)sql";

constexpr const char* kFactSeeded = "seeded";
// "1": an administrator whose programs start elevated (what machines seeded earlier hold), "filtered":
// an administrator under User Account Control, "0": a standard user.
constexpr const char* kFactAdministrator = "administrator";
constexpr const char* kUserElevated = "1";
constexpr const char* kUserFiltered = "filtered";
constexpr const char* kUserStandard = "0";
constexpr const char* kFactUserName = "user_name";
constexpr const char* kFactProfile = "profile_folder"; // relative to the machine folder
// What the seeding of this build gives a machine. A machine that holds it needs no seeding step,
// so opening it is a read instead of a write transaction that parses the schema and runs every
// step. Change it whenever Seed or a step it calls gives an existing machine something new.
constexpr const char* kFactLayout = "layout";
constexpr const char* kLayout = "2026-12-locations";

constexpr const char* kHostsText = "# Hosts file of this workstation.\r\n"
                                   "#\r\n"
                                   "# Each line maps an IP address to host names: the address first, then\r\n"
                                   "# the names, separated by at least one space. Text after a '#' is a\r\n"
                                   "# comment.\r\n"
                                   "#\r\n"
                                   "# For example:\r\n"
                                   "#\r\n"
                                   "#      10.20.30.40     fileserver.corp.example     # file server\r\n"
                                   "#      10.20.30.41     intranet.corp.example\r\n"
                                   "\r\n"
                                   "# localhost is resolved by DNS itself.\r\n"
                                   "#\t127.0.0.1       localhost\r\n"
                                   "#\t::1             localhost\r\n";

std::string InitialUserName() {
    const char* user = std::getenv("USER");
    return user != nullptr && *user != '\0' ? std::string(user) : std::string("User");
}

std::atomic<Machine*> g_current{nullptr};

// Lets one process at a time open the machine. SQLite refuses the switch to WAL at once, without
// waiting, when two processes make it on a new database together (each holds the shared lock the
// other's switch must wait for), and seeding one process after the other needs no timeout.
class OpeningLock {
public:
    explicit OpeningLock(const std::filesystem::path& file)
        : fd_(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        if (fd_ < 0)
            throw std::runtime_error("cannot open " + file.string() + ": " + std::strerror(errno));
        while (::flock(fd_, LOCK_EX) != 0)
            if (errno != EINTR)
                throw std::runtime_error("cannot lock " + file.string() + ": " + std::strerror(errno));
    }
    ~OpeningLock() { ::close(fd_); }
    OpeningLock(const OpeningLock&) = delete;
    OpeningLock& operator=(const OpeningLock&) = delete;

private:
    int fd_;
};

} // namespace

Machine::Machine(std::filesystem::path folder, std::string* failure)
    : folder_(std::move(folder)), services_(std::make_unique<Services>(*this)) {
    try {
        std::error_code ec;
        std::filesystem::create_directories(folder_, ec);
        if (ec)
            throw std::runtime_error(ec.message());
        const OpeningLock opening(folder_ / "machine.lock");
        const std::string dbPath = (folder_ / "machine.db").string();
        if (const int rc = sqlite3_open_v2(dbPath.c_str(), &db_,
                                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
            rc != SQLITE_OK)
            throw std::runtime_error(sqlite3_errstr(rc));
        // Several processes share the machine: readers never block the writer, and a writer waits
        // for another rather than failing at once.
        sqlite3_busy_timeout(db_, 5000);
        if (Exec(db_, "PRAGMA journal_mode=WAL") != SQLITE_OK || Exec(db_, "PRAGMA synchronous=NORMAL") != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db_));
        Seed();
    } catch (const std::exception& e) {
        *failure = "cannot open the machine in " + folder_.string() + ": " + e.what();
        openError_ = ErrorOpenFailed;
        sqlite3_close(db_);
        db_ = nullptr;
    }
}

namespace {

void SetMode(const std::filesystem::path& path, std::filesystem::perms mode) {
    std::error_code ec;
    std::filesystem::permissions(path, mode, ec);
    if (ec)
        throw std::runtime_error("cannot set the mode of " + path.string() + ": " + ec.message());
}

// Dir and the folders between Base and it, each with Mode.
void MakeFolders(const std::filesystem::path& base, const std::filesystem::path& dir, std::filesystem::perms mode) {
    std::filesystem::path folder = base;
    for (const auto& part : dir.lexically_relative(base)) {
        folder /= part;
        std::error_code ec;
        std::filesystem::create_directory(folder, ec);
        if (ec)
            throw std::runtime_error("cannot create " + folder.string() + ": " + ec.message());
        SetMode(folder, mode);
    }
}

} // namespace

void Machine::Seed() {
    std::optional<std::string> layout, profile;
    // A new database has no fact table yet: that read fails and the machine is seeded.
    if (ReadFact(kFactLayout, &layout) == ErrorSuccess && layout == kLayout &&
        ReadFact(kFactProfile, &profile) == ErrorSuccess && profile) {
        profileFolder_ = folder_ / *profile;
        return;
    }
    Transaction tx(db_, Transaction::Kind::Write);
    if (tx.BeginCode() != SQLITE_OK || Exec(db_, kSchema) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db_));
    std::optional<std::string> seeded;
    if (ReadFact(kFactSeeded, &seeded) != ErrorSuccess || ReadFact(kFactProfile, &profile) != ErrorSuccess)
        throw std::runtime_error(sqlite3_errmsg(db_));
    if (seeded && profile) {
        profileFolder_ = folder_ / *profile;
        SeedBrowsersAndTime(*this);
        SeedNetwork(*this);
        SeedPrintersAndDrives(*this);
        SetFact(kFactLayout, kLayout);
        if (const int rc = tx.Commit(); rc != SQLITE_OK)
            throw std::runtime_error(sqlite3_errstr(rc));
        return;
    }

    // First use: lay out the folders and the data, all inside the write transaction so that a
    // second process opening the same machine waits and then finds it seeded.
    const std::string userName = InitialUserName();
    const std::string relativeProfile = "Users/" + userName;
    profileFolder_ = folder_ / relativeProfile;
    // The modes a workstation gives them, whatever the umask: the machine's own folders and the
    // hosts file are everybody's to read and only an administrator's to change; a profile is
    // its user's alone.
    using std::filesystem::perms;
    constexpr perms kSystemFolder =
        perms::owner_all | perms::group_read | perms::group_exec | perms::others_read | perms::others_exec;
    constexpr perms kSystemFile = perms::owner_read | perms::owner_write | perms::group_read | perms::others_read;
    SetMode(folder_, kSystemFolder);
    MakeFolders(folder_, SystemFolder() / "drivers" / "etc", kSystemFolder);
    MakeFolders(folder_, profileFolder_.parent_path(), kSystemFolder);
    for (const auto& dir : {RoamingAppDataFolder(), TempFolder(), DocumentsFolder()})
        MakeFolders(profileFolder_.parent_path(), dir, perms::owner_all);
    const auto hosts = SystemFolder() / "drivers" / "etc" / "hosts";
    if (std::error_code ec; !std::filesystem::exists(hosts, ec)) {
        std::ofstream out(hosts, std::ios::binary);
        out << kHostsText;
        if (!out)
            throw std::runtime_error("cannot write " + hosts.string());
    }
    SetMode(hosts, kSystemFile);
    store::SeedRegistry(db_, Utf8ToUtf16(userName));
    // An administrator in an elevated terminal, so that the program works out of the box.
    SetFact(kFactAdministrator, kUserElevated);
    SetFact(kFactUserName, userName);
    SetFact(kFactProfile, relativeProfile);
    SetFact(kFactSeeded, "1");
    SeedBrowsersAndTime(*this);
    SeedNetwork(*this);
    SeedPrintersAndDrives(*this);
    SetFact(kFactLayout, kLayout);
    if (const int rc = tx.Commit(); rc != SQLITE_OK)
        throw std::runtime_error(sqlite3_errstr(rc));
}

std::unique_ptr<Machine> Machine::Open(const std::filesystem::path& folder) {
    std::string failure;
    std::unique_ptr<Machine> machine(new Machine(folder, &failure));
    if (!failure.empty())
        throw std::runtime_error(failure);
    return machine;
}

Machine::~Machine() {
    sqlite3_close(db_);
}

std::filesystem::path Machine::WindowsFolder() const {
    return folder_ / "Windows";
}
std::filesystem::path Machine::SystemFolder() const {
    return WindowsFolder() / "System32";
}
std::filesystem::path Machine::ProfileFolder() const {
    return profileFolder_;
}
std::filesystem::path Machine::RoamingAppDataFolder() const {
    return profileFolder_ / "AppData" / "Roaming";
}
std::filesystem::path Machine::LocalAppDataFolder() const {
    return profileFolder_ / "AppData" / "Local";
}
std::filesystem::path Machine::TempFolder() const {
    return LocalAppDataFolder() / "Temp";
}
std::filesystem::path Machine::DocumentsFolder() const {
    return profileFolder_ / "Documents";
}

ErrorCode Machine::ReadFact(std::string_view key, std::optional<std::string>* value) const {
    if (db_ == nullptr)
        return openError_;
    std::lock_guard lock(dbMutex_);
    Statement q(db_, "SELECT value FROM fact WHERE key = ?1");
    q.Bind(1, key);
    const int rc = q.Step();
    if (rc == SQLITE_ROW)
        *value = q.Text(0);
    else if (rc == SQLITE_DONE)
        value->reset();
    else
        return SqliteToWindowsError(rc);
    return ErrorSuccess;
}

ErrorCode Machine::ReadProcessRights(ProcessRights* rights) const {
    *rights = ProcessRights::StandardUser;
    const char* started = std::getenv(ProcessRightsVariable);
    if (started != nullptr && std::string_view(started) == "system") {
        if (db_ == nullptr)
            return openError_;
        *rights = ProcessRights::System;
        return ErrorSuccess;
    }
    std::optional<std::string> value;
    if (const ErrorCode e = ReadFact(kFactAdministrator, &value); e != ErrorSuccess)
        return e;
    if (value == kUserElevated)
        *rights = ProcessRights::Administrator;
    else if (value == kUserFiltered)
        *rights = started != nullptr && std::string_view(started) == "elevated" ? ProcessRights::Administrator
                                                                                : ProcessRights::FilteredAdministrator;
    return ErrorSuccess;
}

ErrorCode Machine::ReadAdministrator(bool* administrator) const {
    ProcessRights rights = ProcessRights::StandardUser;
    const ErrorCode e = ReadProcessRights(&rights);
    *administrator = HoldsAdministrativeRights(rights);
    return e;
}

std::optional<std::string> Machine::Fact(std::string_view key) const {
    std::optional<std::string> value;
    if (const ErrorCode e = ReadFact(key, &value); e != ErrorSuccess)
        throw std::runtime_error("reading machine fact failed with code " + std::to_string(e));
    return value;
}

void Machine::SetFact(std::string_view key, std::string_view value) {
    if (db_ == nullptr)
        throw std::runtime_error("the machine is not open");
    std::lock_guard lock(dbMutex_);
    Statement q(db_, "INSERT INTO fact(key, value) VALUES (?1, ?2) ON CONFLICT(key) DO UPDATE SET value = ?2");
    q.Bind(1, key).Bind(2, value);
    if (const int rc = q.Step(); rc != SQLITE_DONE)
        throw std::runtime_error(std::string("writing machine fact failed: ") + sqlite3_errstr(rc));
}

bool Machine::IsAdministrator() const {
    return ReadUser() == User::ElevatedAdministrator;
}

void Machine::SetAdministrator(bool administrator) {
    SetUser(administrator ? User::ElevatedAdministrator : User::Standard);
}

void Machine::SetUser(User user) {
    SetFact(kFactAdministrator, user == User::Standard        ? kUserStandard
                                : user == User::Administrator ? kUserFiltered
                                                              : kUserElevated);
}

Machine::User Machine::ReadUser() const {
    const std::optional<std::string> value = Fact(kFactAdministrator);
    return value == kUserElevated   ? User::ElevatedAdministrator
           : value == kUserFiltered ? User::Administrator
                                    : User::Standard;
}

std::string Machine::UserName() const {
    return Fact(kFactUserName).value_or(std::string());
}

void Machine::SetUserName(std::string_view name) {
    SetFact(kFactUserName, name);
}

std::vector<BroadcastRecord> Machine::Broadcasts() const {
    if (db_ == nullptr)
        throw std::runtime_error("the machine is not open");
    std::lock_guard lock(dbMutex_);
    Statement q(db_, "SELECT unix_ms, window, message, wparam, lparam FROM broadcast ORDER BY id");
    std::vector<BroadcastRecord> records;
    int rc;
    while ((rc = q.Step()) == SQLITE_ROW)
        records.push_back({q.Int(0), static_cast<std::uintptr_t>(q.Int(1)), static_cast<std::uint32_t>(q.Int(2)),
                           static_cast<std::uintptr_t>(q.Int(3)), static_cast<std::intptr_t>(q.Int(4))});
    if (rc != SQLITE_DONE)
        throw std::runtime_error(std::string("reading the broadcast log failed: ") + sqlite3_errstr(rc));
    return records;
}

IRegistry& Machine::Registry() {
    return services_->registry;
}
IFolders& Machine::Folders() {
    return services_->folders;
}
ISecurity& Machine::Security() {
    return services_->security;
}
IWindowMessages& Machine::WindowMessages() {
    return services_->messages;
}
ITimeZone& Machine::TimeZone() {
    return services_->timeZone;
}
IPrivileges& Machine::Privileges() {
    return services_->privileges;
}
IEnvironment& Machine::Environment() {
    return services_->environment;
}
IWmi& Machine::Wmi() {
    return services_->wmi;
}
IProcesses& Machine::Processes() {
    return services_->processes;
}
IPrintSpooler& Machine::PrintSpooler() {
    return services_->spooler;
}
INetworkLocation& Machine::NetworkLocation() {
    return services_->location;
}

ScopedCurrentMachine::ScopedCurrentMachine(Machine& machine) : previous_(g_current.exchange(&machine)) {}

ScopedCurrentMachine::~ScopedCurrentMachine() {
    g_current.store(previous_);
}

Machine& CurrentMachine() {
    if (Machine* current = g_current.load())
        return *current;
    static const std::unique_ptr<Machine> fallback = [] {
        std::string failure;
        std::unique_ptr<Machine> m(new Machine(DefaultMachineFolder(), &failure));
        if (!failure.empty())
            std::fprintf(stderr, "prolamo: %s\n", failure.c_str()); // its services now fail with a code
        return m;
    }();
    return *fallback;
}

std::filesystem::path DefaultMachineFolder() {
    if (const char* explicitFolder = std::getenv("PROLAMO_MACHINE"); explicitFolder && *explicitFolder)
        return explicitFolder;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
        return std::filesystem::path(data) / "prolamo" / "machine";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / ".local" / "share" / "prolamo" / "machine";
}

} // namespace prolamo::os::simulated
