#pragma once
// The network connections folder's connection manager (INetConnectionManager, INetConnection).

#include "os/Errors.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace prolamo::os {

// NETCON_STATUS values the program tells apart.
inline constexpr std::uint32_t NetConStatusDisconnected = 0;
inline constexpr std::uint32_t NetConStatusConnected = 2;
inline constexpr std::uint32_t NetConStatusHardwareDisabled = 5;
inline constexpr std::uint32_t NetConStatusMediaDisconnected = 7;
inline constexpr std::uint32_t NetConStatusAuthenticationSucceeded = 9;

inline constexpr HResult EAccessDenied = 0x80070005;

// NETCON_PROPERTIES, the fields the program reads.
struct NetConProperties {
    std::u16string guid; // "{...}"
    std::u16string name; // the connection name the user sees
    std::u16string deviceName;
    std::uint32_t status = NetConStatusDisconnected;
};

class INetConnection {
public:
    virtual ~INetConnection() = default;
    virtual HResult GetProperties(NetConProperties* properties) = 0;
    virtual HResult Connect() = 0;
    virtual HResult Disconnect() = 0;
};

class INetConnectionManager {
public:
    virtual ~INetConnectionManager() = default;
    // EnumConnections(NCME_DEFAULT), walked to the end.
    virtual HResult EnumConnections(std::vector<std::unique_ptr<INetConnection>>* connections) = 0;
};

// CoCreateInstance of the connection manager in its local server.
HResult CreateConnectionManager(std::unique_ptr<INetConnectionManager>* manager);

} // namespace prolamo::os
