// The wireless adapters through the WLAN service; an adapter is named by its connection name
// (ConvertInterfaceGuidToLuid, ConvertInterfaceLuidToAlias).

#include "os/Wireless.h"

// Winsock 2 before the IP helper headers, as <windows.h> would bring in the first Winsock.
#include <winsock2.h>

#include <iphlpapi.h>
#include <netioapi.h>

#include "os/windows/WinSupport.h"
#include "os/windows/WinWlan.h"

#include <memory>
#include <utility>
#include <vector>

namespace prolamo::os {

namespace {

// wlanapi.h's flag of a network the adapter has a profile for; mingw-w64's header lacks it.
constexpr DWORD kNetworkHasProfile = 0x00000002;

struct WlanMemoryDeleter {
    void operator()(void* memory) const { ::WlanFreeMemory(memory); }
};

std::u16string ConnectionName(const GUID& guid) {
    NET_LUID luid{};
    wchar_t alias[NDIS_IF_MAX_STRING_SIZE + 1] = {};
    if (::ConvertInterfaceGuidToLuid(&guid, &luid) != NO_ERROR ||
        ::ConvertInterfaceLuidToAlias(&luid, alias, NDIS_IF_MAX_STRING_SIZE + 1) != NO_ERROR)
        return {};
    return windows::FromWide(alias);
}

// The adapters' GUIDs with their connection names.
ErrorCode Interfaces(const windows::WlanClient& wlan, std::vector<std::pair<GUID, std::u16string>>* found) {
    found->clear();
    if (!wlan.Handle())
        return ErrorSuccess;
    WLAN_INTERFACE_INFO_LIST* raw = nullptr;
    if (const DWORD e = ::WlanEnumInterfaces(wlan.Handle(), nullptr, &raw); e != ERROR_SUCCESS)
        return e;
    const std::unique_ptr<WLAN_INTERFACE_INFO_LIST, WlanMemoryDeleter> list(raw);
    for (DWORD i = 0; i < list->dwNumberOfItems; ++i)
        found->emplace_back(list->InterfaceInfo[i].InterfaceGuid, ConnectionName(list->InterfaceInfo[i].InterfaceGuid));
    return ErrorSuccess;
}

ErrorCode FindInterface(const windows::WlanClient& wlan, std::u16string_view name, GUID* guid) {
    std::vector<std::pair<GUID, std::u16string>> interfaces;
    if (const ErrorCode e = Interfaces(wlan, &interfaces); e != ErrorSuccess)
        return e;
    for (const auto& [id, connectionName] : interfaces)
        if (connectionName == name) {
            *guid = id;
            return ErrorSuccess;
        }
    return ErrorNotFound;
}

class WinWireless final : public IWireless {
public:
    ErrorCode EnumInterfaces(std::vector<WirelessInterface>* interfaces) override {
        const windows::WlanClient wlan;
        std::vector<std::pair<GUID, std::u16string>> found;
        if (const ErrorCode e = Interfaces(wlan, &found); e != ErrorSuccess)
            return e;
        interfaces->clear();
        for (const auto& [guid, name] : found) {
            WirelessInterface wireless{name, {}};
            std::string ssid;
            wlan.CurrentConnection(guid, &ssid, &wireless.profile);
            interfaces->push_back(std::move(wireless));
        }
        return ErrorSuccess;
    }

    ErrorCode GetNetworksInRange(std::u16string_view name, std::vector<std::u16string>* profiles) override {
        const windows::WlanClient wlan;
        GUID guid{};
        if (const ErrorCode e = FindInterface(wlan, name, &guid); e != ErrorSuccess)
            return e;
        WLAN_AVAILABLE_NETWORK_LIST* raw = nullptr;
        if (const DWORD e = ::WlanGetAvailableNetworkList(wlan.Handle(), &guid, 0, nullptr, &raw); e != ERROR_SUCCESS)
            return e;
        const std::unique_ptr<WLAN_AVAILABLE_NETWORK_LIST, WlanMemoryDeleter> list(raw);
        profiles->clear();
        for (DWORD i = 0; i < list->dwNumberOfItems; ++i)
            if (list->Network[i].dwFlags & kNetworkHasProfile)
                profiles->push_back(windows::FromWide(list->Network[i].strProfileName));
        return ErrorSuccess;
    }

    ErrorCode Connect(std::u16string_view name, std::u16string_view profile) override {
        const windows::WlanClient wlan;
        GUID guid{};
        if (const ErrorCode e = FindInterface(wlan, name, &guid); e != ErrorSuccess)
            return e;
        const std::wstring wideProfile = windows::Wide(profile);
        WLAN_CONNECTION_PARAMETERS parameters{};
        parameters.wlanConnectionMode = wlan_connection_mode_profile;
        parameters.strProfile = wideProfile.c_str();
        parameters.dot11BssType = dot11_BSS_type_any;
        return ::WlanConnect(wlan.Handle(), &guid, &parameters, nullptr);
    }

    ErrorCode Disconnect(std::u16string_view name) override {
        const windows::WlanClient wlan;
        GUID guid{};
        if (const ErrorCode e = FindInterface(wlan, name, &guid); e != ErrorSuccess)
            return e;
        return ::WlanDisconnect(wlan.Handle(), &guid, nullptr);
    }
};

} // namespace

IWireless& Wireless() {
    static WinWireless wireless;
    return wireless;
}

} // namespace prolamo::os
