#pragma once
// The simulated machine's time zone, process token and process environment (internal to the
// backend). The token and the environment belong to this process, as on Windows: they live in
// memory; the time zone belongs to the machine and lives in its registry.

#include "os/Environment.h"
#include "os/Privileges.h"
#include "os/TimeZone.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace prolamo::os::simulated {

class Machine;

// Facts about the time-zone privilege: "held" (absent: held, as for every user of current
// Windows), "not_held", or "unknown" (a system that has no such privilege and asks for the
// system-time privilege instead, which administrators hold).
inline constexpr const char* FactTimeZonePrivilege = "time_zone_privilege";

inline constexpr const char16_t* TimeZoneInformationKey = u"SYSTEM\\CurrentControlSet\\Control\\TimeZoneInformation";

class SimPrivileges final : public IPrivileges {
public:
    explicit SimPrivileges(Machine& machine) : machine_(machine) {}

    ErrorCode LookupPrivilegeValue(std::u16string_view systemName, std::u16string_view name, Luid* luid) override;
    ErrorCode OpenProcessToken(std::uint32_t desiredAccess, HToken* token) override;
    ErrorCode AdjustTokenPrivileges(HToken token, const std::vector<LuidAndAttributes>& newState,
                                    std::vector<LuidAndAttributes>* previousState, ErrorCode* status) override;
    ErrorCode GetTokenPrivileges(HToken token, std::vector<LuidAndAttributes>* privileges) override;
    ErrorCode CloseHandle(HToken token) override;

    // Whether the process token has the privilege enabled now.
    bool IsEnabled(std::uint32_t luid);

private:
    // The privileges the user holds, by LUID, with the attributes a new token gives them.
    std::map<std::uint32_t, std::uint32_t> Held() const;
    std::uint32_t Attributes(std::uint32_t luid, std::uint32_t initial);

    Machine& machine_;
    std::mutex mutex_;
    std::map<HToken, std::uint32_t> handles_;        // handle -> granted access
    std::map<std::uint32_t, std::uint32_t> changed_; // attributes set since the process started
    HToken nextHandle_ = 0x2000;
};

class SimTimeZone final : public ITimeZone {
public:
    SimTimeZone(Machine& machine, SimPrivileges& privileges) : machine_(machine), privileges_(privileges) {}

    ErrorCode GetTimeZoneInformation(TimeZoneInformation* information, std::uint32_t* timeZoneId) override;
    ErrorCode SetTimeZoneInformation(const TimeZoneInformation& information) override;

private:
    Machine& machine_;
    SimPrivileges& privileges_;
};

class SimEnvironment final : public IEnvironment {
public:
    explicit SimEnvironment(Machine& machine) : machine_(machine) {}

    ErrorCode GetEnvironmentVariable(std::u16string_view name, std::u16string* value) override;
    ErrorCode SetEnvironmentVariable(std::u16string_view name, const char16_t* value) override;

private:
    struct Variable {
        std::u16string name;
        std::u16string value;
    };
    // Built the first time the block is asked for, which stands for the start of the process.
    ErrorCode Build();
    Variable* Find(std::u16string_view name);
    void Put(std::u16string_view name, std::u16string value);
    std::u16string Expand(std::u16string_view text);

    Machine& machine_;
    std::mutex mutex_;
    std::optional<std::vector<Variable>> block_;
};

// Writes the time zone record into the machine's registry as Windows keeps it (used by seeding too).
// The caller holds a write transaction.
int StoreTimeZone(sqlite3* db, const TimeZoneInformation& information);

// Adds the browsers' profile files, the time zone database and the current zone once per machine.
// The caller holds a write transaction.
void SeedBrowsersAndTime(Machine& machine);

} // namespace prolamo::os::simulated
