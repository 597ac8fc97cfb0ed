// The token membership test (AllocateAndInitializeSid, CheckTokenMembership) and the process's
// rights (OpenProcessToken, GetTokenInformation).

#include "os/Security.h"
#include "os/windows/WinSupport.h"

namespace prolamo::os {

namespace {

using windows::LastErrorOr;

class WinSecurity final : public ISecurity {
public:
    ErrorCode CheckTokenMembership(std::uintptr_t token, const Sid& sid, bool* isMember) override {
        *isMember = false;
        if (sid.subAuthorities.empty() || sid.subAuthorities.size() > 8)
            return ErrorInvalidParameter;
        SID_IDENTIFIER_AUTHORITY authority{};
        for (int i = 0; i < 6; ++i) // big-endian, as the SID stores it
            authority.Value[i] = static_cast<BYTE>(sid.authority >> (8 * (5 - i)));
        DWORD sub[8] = {};
        for (std::size_t i = 0; i < sid.subAuthorities.size(); ++i)
            sub[i] = sid.subAuthorities[i];
        PSID native = nullptr;
        if (!::AllocateAndInitializeSid(&authority, static_cast<BYTE>(sid.subAuthorities.size()), sub[0], sub[1],
                                        sub[2], sub[3], sub[4], sub[5], sub[6], sub[7], &native))
            return LastErrorOr(ErrorGenFailure);
        BOOL member = FALSE;
        const BOOL checked = ::CheckTokenMembership(reinterpret_cast<HANDLE>(token), native, &member);
        const ErrorCode error = checked ? ErrorSuccess : LastErrorOr(ErrorGenFailure);
        ::FreeSid(native);
        *isMember = checked && member;
        return error;
    }

    ErrorCode ReadProcessRights(ProcessRights* rights) override {
        *rights = ProcessRights::StandardUser;
        bool member = false;
        if (const ErrorCode e = CheckTokenMembership(0, LocalSystemSid, &member); e != ErrorSuccess)
            return e;
        if (member) {
            *rights = ProcessRights::System;
            return ErrorSuccess;
        }
        if (const ErrorCode e = CheckTokenMembership(0, AdministratorsGroupSid, &member); e != ErrorSuccess)
            return e;
        if (member) {
            *rights = ProcessRights::Administrator;
            return ErrorSuccess;
        }
        // A filtered administrator's token holds Administrators for deny only; its elevation type tells.
        HANDLE token = nullptr;
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
            return LastErrorOr(ErrorGenFailure);
        TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
        DWORD size = 0;
        const BOOL read = ::GetTokenInformation(token, TokenElevationType, &type, sizeof type, &size);
        const ErrorCode error = read ? ErrorSuccess : LastErrorOr(ErrorGenFailure);
        ::CloseHandle(token);
        if (read && type == TokenElevationTypeLimited)
            *rights = ProcessRights::FilteredAdministrator;
        return error;
    }
};

} // namespace

ISecurity& Security() {
    static WinSecurity security;
    return security;
}

} // namespace prolamo::os
