#pragma once
// Token membership test (CheckTokenMembership with an initialised SID).

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

class ISecurity {
public:
    virtual ~ISecurity() = default;

    // CheckTokenMembership; token 0 means the calling thread's effective token.
    virtual ErrorCode CheckTokenMembership(std::uintptr_t token, const Sid& sid, bool* isMember) = 0;
};

ISecurity& Security();

} // namespace prolamo::os
