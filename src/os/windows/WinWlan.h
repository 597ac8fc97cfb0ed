#pragma once
// The WLAN service's client handle, shared by the network location and the wireless adapters.

#include "os/windows/WinSupport.h"

#include <wlanapi.h>

#include <algorithm>
#include <string>

namespace prolamo::os::windows {

// Without the service (a server, Wine) Handle() is null and no adapter is wireless.
class WlanClient {
public:
    WlanClient() {
        DWORD version = 0;
        if (::WlanOpenHandle(2, nullptr, &version, &handle_) != ERROR_SUCCESS)
            handle_ = nullptr;
    }
    ~WlanClient() {
        if (handle_)
            ::WlanCloseHandle(handle_, nullptr);
    }
    WlanClient(const WlanClient&) = delete;
    WlanClient& operator=(const WlanClient&) = delete;

    HANDLE Handle() const { return handle_; }

    // The SSID and profile of the network the adapter is connected to; false when it is not.
    bool CurrentConnection(const GUID& guid, std::string* ssid, std::u16string* profile) const {
        void* data = nullptr;
        DWORD size = 0;
        if (!handle_ || ::WlanQueryInterface(handle_, &guid, wlan_intf_opcode_current_connection, nullptr, &size, &data,
                                             nullptr) != ERROR_SUCCESS)
            return false;
        bool connected = false;
        if (size >= sizeof(WLAN_CONNECTION_ATTRIBUTES)) {
            const auto* attributes = static_cast<const WLAN_CONNECTION_ATTRIBUTES*>(data);
            const DOT11_SSID& dot11 = attributes->wlanAssociationAttributes.dot11Ssid;
            connected = attributes->isState == wlan_interface_state_connected;
            if (connected) {
                ssid->assign(reinterpret_cast<const char*>(dot11.ucSSID),
                             std::min<ULONG>(dot11.uSSIDLength, DOT11_SSID_MAX_LENGTH));
                *profile = FromWide(attributes->strProfileName);
            }
        }
        ::WlanFreeMemory(data);
        return connected;
    }

private:
    HANDLE handle_ = nullptr;
};

} // namespace prolamo::os::windows
