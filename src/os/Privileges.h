#pragma once
// Privileges of the process token (LookupPrivilegeValueW, OpenProcessToken,
// AdjustTokenPrivileges, GetTokenInformation(TokenPrivileges), CloseHandle).

#include "os/Errors.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace prolamo::os {

using HToken = std::uintptr_t;

struct Luid {
    std::uint32_t LowPart = 0;
    std::int32_t HighPart = 0;
    bool operator==(const Luid&) const = default;
};

struct LuidAndAttributes {
    os::Luid Luid;
    std::uint32_t Attributes = 0;
    bool operator==(const LuidAndAttributes&) const = default;
};

inline constexpr std::uint32_t SePrivilegeEnabledByDefault = 0x1;
inline constexpr std::uint32_t SePrivilegeEnabled = 0x2;

inline constexpr std::uint32_t TokenAdjustPrivileges = 0x0020;
inline constexpr std::uint32_t TokenQuery = 0x0008;

inline constexpr const char16_t* SeTimeZoneName = u"SeTimeZonePrivilege";
inline constexpr const char16_t* SeSystemtimeName = u"SeSystemtimePrivilege";

class IPrivileges {
public:
    virtual ~IPrivileges() = default;

    // LookupPrivilegeValueW; an empty systemName is the local system. ErrorNoSuchPrivilege for a
    // name the system does not know.
    virtual ErrorCode LookupPrivilegeValue(std::u16string_view systemName, std::u16string_view name, Luid* luid) = 0;
    // OpenProcessToken(GetCurrentProcess(), desiredAccess, token).
    virtual ErrorCode OpenProcessToken(std::uint32_t desiredAccess, HToken* token) = 0;
    // AdjustTokenPrivileges without disabling all: sets each entry's SePrivilegeEnabled state and,
    // when previousState is given, reports the former state of the privileges it changed (the form
    // that, passed back as newState, restores them). Like Windows it succeeds when the token lacks a
    // privilege; *status (may be null) then is ErrorNotAllAssigned, else ErrorSuccess. Needs
    // TokenAdjustPrivileges, and TokenQuery for previousState.
    virtual ErrorCode AdjustTokenPrivileges(HToken token, const std::vector<LuidAndAttributes>& newState,
                                            std::vector<LuidAndAttributes>* previousState, ErrorCode* status) = 0;
    // GetTokenInformation(TokenPrivileges): every privilege the token holds with its attributes.
    virtual ErrorCode GetTokenPrivileges(HToken token, std::vector<LuidAndAttributes>* privileges) = 0;
    // CloseHandle of a token.
    virtual ErrorCode CloseHandle(HToken token) = 0;
};

IPrivileges& Privileges();

} // namespace prolamo::os
