#pragma once
// Token membership test (CheckTokenMembership with an initialised SID) and the rights of the process
// as User Account Control leaves them (GetTokenInformation: TokenUser, TokenElevationType).

#include "os/Errors.h"

#include <cstdint>
#include <vector>

namespace prolamo::os {

struct Sid {
    std::uint64_t authority = 0; // the 48-bit identifier authority
    std::vector<std::uint32_t> subAuthorities;
    bool operator==(const Sid&) const = default;
};

// S-1-5-32-544, the built-in Administrators group.
inline const Sid AdministratorsGroupSid{5, {32, 544}};
// S-1-5-32-545, the built-in Users group.
inline const Sid UsersGroupSid{5, {32, 545}};

// S-1-5-18, the system account (LocalSystem).
inline const Sid LocalSystemSid{5, {18}};

// What the process's token may do.
enum class ProcessRights {
    StandardUser,
    FilteredAdministrator, // an administrator's process that was not started elevated
    Administrator,         // elevated, or an administrator without User Account Control
    System,                // the system account: the services' process
};

// Whether the process may write what only administrators may write.
inline bool HoldsAdministrativeRights(ProcessRights rights) {
    return rights == ProcessRights::Administrator || rights == ProcessRights::System;
}

class ISecurity {
public:
    virtual ~ISecurity() = default;

    // CheckTokenMembership; token 0 means the calling thread's effective token.
    virtual ErrorCode CheckTokenMembership(std::uintptr_t token, const Sid& sid, bool* isMember) = 0;
    // The rights of the process's own token.
    virtual ErrorCode ReadProcessRights(ProcessRights* rights) = 0;
};

ISecurity& Security();

} // namespace prolamo::os
