// Privileges of the process token (LookupPrivilegeValueW, OpenProcessToken,
// AdjustTokenPrivileges, GetTokenInformation).

#include "os/Privileges.h"
#include "os/windows/WinSupport.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace prolamo::os {

namespace {

using windows::LastErrorOr;
using windows::Wide;

// TOKEN_PRIVILEGES with room for `count` entries; the structure declares only one.
std::vector<std::uint8_t> PrivilegesBuffer(std::size_t count) {
    return std::vector<std::uint8_t>(offsetof(TOKEN_PRIVILEGES, Privileges) +
                                     std::max<std::size_t>(count, 1) * sizeof(LUID_AND_ATTRIBUTES));
}

std::vector<LuidAndAttributes> ReadPrivileges(const std::vector<std::uint8_t>& buffer) {
    TOKEN_PRIVILEGES header{};
    std::memcpy(&header, buffer.data(), offsetof(TOKEN_PRIVILEGES, Privileges));
    std::vector<LuidAndAttributes> result;
    for (DWORD i = 0; i < header.PrivilegeCount; ++i) {
        LUID_AND_ATTRIBUTES entry{};
        std::memcpy(&entry, buffer.data() + offsetof(TOKEN_PRIVILEGES, Privileges) + i * sizeof(entry), sizeof(entry));
        result.push_back({{entry.Luid.LowPart, entry.Luid.HighPart}, entry.Attributes});
    }
    return result;
}

class WinPrivileges final : public IPrivileges {
public:
    ErrorCode LookupPrivilegeValue(std::u16string_view systemName, std::u16string_view name, Luid* luid) override {
        const std::wstring system = Wide(systemName);
        LUID found{};
        ::SetLastError(ERROR_SUCCESS);
        if (!::LookupPrivilegeValueW(system.empty() ? nullptr : system.c_str(), Wide(name).c_str(), &found))
            return LastErrorOr(ErrorNoSuchPrivilege);
        *luid = {found.LowPart, found.HighPart};
        return ErrorSuccess;
    }

    ErrorCode OpenProcessToken(std::uint32_t desiredAccess, HToken* token) override {
        HANDLE opened = nullptr;
        if (!::OpenProcessToken(::GetCurrentProcess(), desiredAccess, &opened))
            return LastErrorOr(ErrorAccessDenied);
        *token = reinterpret_cast<HToken>(opened);
        return ErrorSuccess;
    }

    ErrorCode AdjustTokenPrivileges(HToken token, const std::vector<LuidAndAttributes>& newState,
                                    std::vector<LuidAndAttributes>* previousState, ErrorCode* status) override {
        std::vector<std::uint8_t> wanted = PrivilegesBuffer(newState.size());
        const DWORD count = static_cast<DWORD>(newState.size());
        std::memcpy(wanted.data(), &count, sizeof(count));
        for (std::size_t i = 0; i < newState.size(); ++i) {
            const LUID_AND_ATTRIBUTES entry{{newState[i].Luid.LowPart, newState[i].Luid.HighPart},
                                            newState[i].Attributes};
            std::memcpy(wanted.data() + offsetof(TOKEN_PRIVILEGES, Privileges) + i * sizeof(entry), &entry,
                        sizeof(entry));
        }
        std::vector<std::uint8_t> before = PrivilegesBuffer(newState.size());
        DWORD beforeSize = 0;
        ::SetLastError(ERROR_SUCCESS);
        if (!::AdjustTokenPrivileges(reinterpret_cast<HANDLE>(token), FALSE,
                                     reinterpret_cast<TOKEN_PRIVILEGES*>(wanted.data()),
                                     previousState ? static_cast<DWORD>(before.size()) : 0,
                                     previousState ? reinterpret_cast<TOKEN_PRIVILEGES*>(before.data()) : nullptr,
                                     previousState ? &beforeSize : nullptr))
            return LastErrorOr(ErrorGenFailure);
        // Success with ERROR_NOT_ALL_ASSIGNED is how Windows says the token lacks a privilege.
        const DWORD outcome = ::GetLastError();
        if (status)
            *status = outcome;
        if (previousState)
            *previousState = ReadPrivileges(before);
        return ErrorSuccess;
    }

    ErrorCode GetTokenPrivileges(HToken token, std::vector<LuidAndAttributes>* privileges) override {
        const HANDLE handle = reinterpret_cast<HANDLE>(token);
        DWORD size = 0;
        ::GetTokenInformation(handle, TokenPrivileges, nullptr, 0, &size);
        if (size == 0)
            return LastErrorOr(ErrorGenFailure);
        std::vector<std::uint8_t> buffer(size);
        if (!::GetTokenInformation(handle, TokenPrivileges, buffer.data(), size, &size))
            return LastErrorOr(ErrorGenFailure);
        *privileges = ReadPrivileges(buffer);
        return ErrorSuccess;
    }

    ErrorCode CloseHandle(HToken token) override {
        return ::CloseHandle(reinterpret_cast<HANDLE>(token)) ? ErrorSuccess : LastErrorOr(ErrorInvalidHandle);
    }
};

} // namespace

IPrivileges& Privileges() {
    static WinPrivileges privileges;
    return privileges;
}

} // namespace prolamo::os
