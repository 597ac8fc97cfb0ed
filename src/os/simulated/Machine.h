#pragma once
// The simulated workstation: a machine folder holding real Windows-like folders and machine.db
// (registry, machine facts, log of broadcast messages). Several processes may use one machine at
// once; every call is its own short transaction and nothing another process could change is kept
// in memory.

#include "os/Errors.h"
#include "os/Security.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace prolamo::os {
class IRegistry;
class IFolders;
class ISecurity;
class IWindowMessages;
class ITimeZone;
class IPrivileges;
class IEnvironment;
class IWmi;
class IProcesses;
class IPrintSpooler;
class INetworkLocation;
} // namespace prolamo::os

namespace prolamo::os::simulated {

struct BroadcastRecord {
    std::int64_t unixTimeMs = 0;
    std::uintptr_t window = 0;
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

class Machine {
public:
    // Opens the machine in `folder`, creating and seeding it on first use. Throws
    // std::runtime_error when the folder or its database cannot be set up.
    static std::unique_ptr<Machine> Open(const std::filesystem::path& folder);
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    const std::filesystem::path& Folder() const { return folder_; }
    std::filesystem::path WindowsFolder() const;
    std::filesystem::path SystemFolder() const; // <Windows>/System32
    std::filesystem::path ProfileFolder() const;
    std::filesystem::path RoamingAppDataFolder() const;
    std::filesystem::path LocalAppDataFolder() const;
    std::filesystem::path TempFolder() const;
    std::filesystem::path DocumentsFolder() const;

    // Machine facts; the setters throw std::runtime_error when the database refuses the write.
    // The user's processes hold administrative rights: an elevated administrator (or none).
    bool IsAdministrator() const;
    // True: an administrator whose programs start elevated; false: a standard user.
    void SetAdministrator(bool administrator);
    // Who the logged-on user is, and how the user's programs start.
    enum class User { Standard, Administrator, ElevatedAdministrator };
    void SetUser(User user);
    User ReadUser() const;
    std::string UserName() const;
    void SetUserName(std::string_view name);
    std::optional<std::string> Fact(std::string_view key) const;
    void SetFact(std::string_view key, std::string_view value);

    std::vector<BroadcastRecord> Broadcasts() const;

    // The services as this machine answers them.
    IRegistry& Registry();
    IFolders& Folders();
    ISecurity& Security();
    IWindowMessages& WindowMessages();
    ITimeZone& TimeZone();
    IPrivileges& Privileges();
    // The environment block of this process, built from the registry when first asked for.
    IEnvironment& Environment();
    IWmi& Wmi();
    // Processes started from this process, on this machine.
    IProcesses& Processes();
    IPrintSpooler& PrintSpooler();
    INetworkLocation& NetworkLocation();

    // For the service implementations: the connection, held under DbMutex(); the code every call
    // fails with when the machine could not be opened; a fact without throwing.
    sqlite3* Db() const { return db_; }
    std::recursive_mutex& DbMutex() const { return dbMutex_; }
    ErrorCode OpenError() const { return openError_; }
    ErrorCode ReadFact(std::string_view key, std::optional<std::string>* value) const;
    // Whether this process holds administrative rights (HoldsAdministrativeRights).
    ErrorCode ReadAdministrator(bool* administrator) const;
    // The rights of this process: the user's, unless the process was started with other rights
    // (ProcessRightsVariable), which its children inherit.
    ErrorCode ReadProcessRights(ProcessRights* rights) const;

private:
    class Services;
    Machine(std::filesystem::path folder, std::string* failure);
    void Seed();

    std::filesystem::path folder_;
    std::filesystem::path profileFolder_; // fixed when the machine is seeded
    sqlite3* db_ = nullptr;
    mutable std::recursive_mutex dbMutex_;
    ErrorCode openError_ = ErrorSuccess;
    std::unique_ptr<Services> services_;

    friend Machine& CurrentMachine();
};

// Makes `machine` the process's current one until destroyed; nests.
class ScopedCurrentMachine {
public:
    explicit ScopedCurrentMachine(Machine& machine);
    ~ScopedCurrentMachine();
    ScopedCurrentMachine(const ScopedCurrentMachine&) = delete;
    ScopedCurrentMachine& operator=(const ScopedCurrentMachine&) = delete;

private:
    Machine* previous_;
};

// The machine that the free service accessors (os::Registry() ...) answer from: the innermost
// ScopedCurrentMachine, else the machine in DefaultMachineFolder(), opened on first use. If that
// cannot be opened, its services fail with ErrorOpenFailed.
Machine& CurrentMachine();

// The environment variable that gives a process on the simulated workstation other rights than the
// user's: "system" (the switching service) or "elevated" (an administrator's program started
// elevated; ignored for a standard user). A simulation of rights, not a security boundary: the
// Linux user owns the machine folder.
inline constexpr const char* ProcessRightsVariable = "PROLAMO_PROCESS_RIGHTS";

// The machine fact that answers the consent prompt: "yes", anything else is no.
inline constexpr const char* ConsentFact = "consent";

// $PROLAMO_MACHINE, else $XDG_DATA_HOME/prolamo/machine, else ~/.local/share/prolamo/machine.
std::filesystem::path DefaultMachineFolder();

} // namespace prolamo::os::simulated
