#pragma once
// The local channel between the programs and the switching service: on Windows the named pipe
// \\.\pipe\ProlamoSwitching, on the simulated workstation a Unix socket in the machine folder.
// Both ends learn who is at the other end from the system, never from what is sent.

#include "os/Errors.h"
#include "os/Security.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace prolamo::os {

inline constexpr const char16_t* SwitchingServiceName = u"ProlamoSwitching";

class IServiceConnection {
public:
    virtual ~IServiceConnection() = default;
    // Writes all bytes; ErrorBrokenPipe when the other end went away.
    virtual ErrorCode Write(std::span<const std::uint8_t> bytes) = 0;
    // Reads what is there, waiting up to `milliseconds`: *done 0 means the other end closed.
    // ErrorTimeout when nothing came in time.
    virtual ErrorCode Read(std::span<std::uint8_t> into, std::size_t* done, std::uint32_t milliseconds) = 0;
};

// Who called, as the system tells it.
struct ServiceCaller {
    std::string userName;
    std::uint32_t processId = 0;
    // Member of Administrators (whether or not the calling process was elevated).
    bool administrator = false;
    // A user logged on at this computer; the service serves no one else.
    bool interactive = false;
};

// S-1-5-4, INTERACTIVE: users logged on at this computer.
inline const Sid InteractiveSid{5, {4}};

// The caller, from the groups of the caller's token as the system answers for them (Member:
// CheckTokenMembership on the client's token, and on its linked token, so that an administrator's
// filtered token counts as an administrator's). The seam where tests give any groups.
ServiceCaller CallerFromGroups(std::string userName, std::uint32_t processId,
                               const std::function<bool(const Sid&)>& member);

class IServiceListener {
public:
    virtual ~IServiceListener() = default;
    // The next client, waiting up to `milliseconds` (ErrorTimeout when none came).
    virtual ErrorCode Accept(std::unique_ptr<IServiceConnection>* connection, ServiceCaller* caller,
                             std::uint32_t milliseconds) = 0;
};

// The client's end; ErrorFileNotFound when the service does not listen.
ErrorCode ConnectToService(std::unique_ptr<IServiceConnection>* connection);
// The service's end; only one listens at a time (ErrorAlreadyExists, or ErrorPipeBusy on Windows).
ErrorCode ListenForClients(std::unique_ptr<IServiceListener>* listener);

} // namespace prolamo::os
