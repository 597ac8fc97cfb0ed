#pragma once
// The wireless adapters and the networks they connect to, through the WLAN service
// (WlanOpenHandle, WlanEnumInterfaces, WlanQueryInterface, WlanGetAvailableNetworkList,
// WlanConnect, WlanDisconnect). A network is named by its profile, which Windows names after the
// network's SSID unless the user renamed it.

#include "os/Errors.h"

#include <string>
#include <string_view>
#include <vector>

namespace prolamo::os {

struct WirelessInterface {
    std::u16string name;    // the connection name the user sees, "Wi-Fi"
    std::u16string profile; // the network it is connected to; empty when it is not
    bool operator==(const WirelessInterface&) const = default;
};

class IWireless {
public:
    virtual ~IWireless() = default;

    // The wireless adapters in the system's order; none without the WLAN service.
    virtual ErrorCode EnumInterfaces(std::vector<WirelessInterface>* interfaces) = 0;
    // The profiles of the networks the adapter sees now. ErrorNotFound for an adapter that is not
    // a wireless one.
    virtual ErrorCode GetNetworksInRange(std::u16string_view interfaceName, std::vector<std::u16string>* profiles) = 0;
    // Connects the adapter to the network of the profile; the connection is made in the background
    // and shows in EnumInterfaces once it is up.
    virtual ErrorCode Connect(std::u16string_view interfaceName, std::u16string_view profile) = 0;
    virtual ErrorCode Disconnect(std::u16string_view interfaceName) = 0;
};

IWireless& Wireless();

} // namespace prolamo::os
