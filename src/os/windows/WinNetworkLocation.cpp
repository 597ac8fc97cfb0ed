// The networks the computer is on: GetAdaptersAddresses for the adapters, their addresses, gateways
// and DNS suffixes; the neighbour table for the gateway's hardware address; the WLAN service for
// the wireless network's name; IP interface and route change notifications for the change count;
// and DnsFlushResolverCache.

#include "os/NetworkLocation.h"

// Winsock 2 before <windows.h>, which would bring in the first Winsock's declarations.
#include <winsock2.h>
#include <ws2ipdef.h>

#include <iphlpapi.h>
#include <netioapi.h>

#include "os/windows/WinSupport.h"
#include "os/windows/WinWlan.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

// Exported by dnsapi.dll since Windows 2000, declared by no header.
extern "C" BOOL WINAPI DnsFlushResolverCache();

namespace prolamo::os {

namespace {

constexpr ULONG kAdapterFlags =
    GAA_FLAG_INCLUDE_GATEWAYS | GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;

std::string Dotted(const IN_ADDR& address) {
    const auto* b = reinterpret_cast<const unsigned char*>(&address);
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return text;
}

std::string HardwareAddress(const UCHAR* bytes, ULONG length) {
    std::string text;
    for (ULONG i = 0; i < length; ++i) {
        char part[4];
        std::snprintf(part, sizeof part, i ? ":%02X" : "%02X", bytes[i]);
        text += part;
    }
    return text;
}

const SOCKADDR_IN* Ipv4(const SOCKET_ADDRESS& address) {
    if (address.lpSockaddr == nullptr || address.lpSockaddr->sa_family != AF_INET)
        return nullptr;
    return reinterpret_cast<const SOCKADDR_IN*>(address.lpSockaddr);
}

struct TableDeleter {
    void operator()(MIB_IPNET_TABLE2* table) const { ::FreeMibTable(table); }
};

// The gateway's hardware address from the neighbour table, else from asking the network for it
// (which waits for an answer a few seconds at most); empty when nobody answers.
std::string GatewayMac(NET_IFINDEX interfaceIndex, const IN_ADDR& gateway) {
    MIB_IPNET_TABLE2* raw = nullptr;
    if (::GetIpNetTable2(AF_INET, &raw) == NO_ERROR) {
        const std::unique_ptr<MIB_IPNET_TABLE2, TableDeleter> table(raw);
        for (ULONG i = 0; i < table->NumEntries; ++i) {
            const MIB_IPNET_ROW2& row = table->Table[i];
            if (row.InterfaceIndex == interfaceIndex && row.Address.si_family == AF_INET &&
                row.Address.Ipv4.sin_addr.S_un.S_addr == gateway.S_un.S_addr && row.PhysicalAddressLength > 0 &&
                row.State != NlnsUnreachable && row.State != NlnsIncomplete)
                return HardwareAddress(row.PhysicalAddress, row.PhysicalAddressLength);
        }
    }
    MIB_IPNET_ROW2 row{};
    row.InterfaceIndex = interfaceIndex;
    row.Address.si_family = AF_INET;
    row.Address.Ipv4.sin_family = AF_INET;
    row.Address.Ipv4.sin_addr = gateway;
    if (::ResolveIpNetEntry2(&row, nullptr) == NO_ERROR && row.PhysicalAddressLength > 0)
        return HardwareAddress(row.PhysicalAddress, row.PhysicalAddressLength);
    return {};
}

// The wireless network's name; none when the adapter is not connected to one.
std::string Ssid(const windows::WlanClient& wlan, const NET_LUID& luid) {
    GUID guid{};
    std::string ssid;
    std::u16string profile;
    if (::ConvertInterfaceLuidToGuid(&luid, &guid) != NO_ERROR || !wlan.CurrentConnection(guid, &ssid, &profile))
        return {};
    return ssid;
}

// Without Details, neither the gateway's hardware address (which may mean asking the network) nor
// the wireless network's name is read.
ErrorCode ReadAdapters(std::vector<ConnectedAdapter>* connected, bool details) {
    ULONG size = 16 * 1024;
    std::unique_ptr<std::uint64_t[]> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 4 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer = std::make_unique<std::uint64_t[]>(size / sizeof(std::uint64_t) + 1);
        result = ::GetAdaptersAddresses(AF_INET, kAdapterFlags, nullptr,
                                        reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.get()), &size);
    }
    connected->clear();
    if (result == ERROR_NO_DATA)
        return ErrorSuccess;
    if (result != ERROR_SUCCESS)
        return result;
    const std::unique_ptr<windows::WlanClient> wlan = details ? std::make_unique<windows::WlanClient>() : nullptr;
    for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.get()); a; a = a->Next) {
        if (a->OperStatus != IfOperStatusUp || a->IfType == IF_TYPE_SOFTWARE_LOOPBACK)
            continue;
        ConnectedAdapter c;
        for (const IP_ADAPTER_UNICAST_ADDRESS* u = a->FirstUnicastAddress; u; u = u->Next)
            if (const SOCKADDR_IN* address = Ipv4(u->Address))
                c.addresses.push_back({Dotted(address->sin_addr), u->OnLinkPrefixLength});
        if (c.addresses.empty())
            continue;
        c.name = a->FriendlyName ? windows::FromWide(a->FriendlyName) : std::u16string();
        c.dnsSuffix = a->DnsSuffix ? windows::FromWide(a->DnsSuffix) : std::u16string();
        for (const IP_ADAPTER_GATEWAY_ADDRESS_LH* g = a->FirstGatewayAddress; g; g = g->Next)
            if (const SOCKADDR_IN* gateway = Ipv4(g->Address)) {
                c.gatewayAddress = Dotted(gateway->sin_addr);
                if (details)
                    c.gatewayMac = GatewayMac(a->IfIndex, gateway->sin_addr);
                break;
            }
        if (wlan && a->IfType == IF_TYPE_IEEE80211)
            c.ssid = Ssid(*wlan, a->Luid);
        connected->push_back(std::move(c));
    }
    return ErrorSuccess;
}

// Counts the system's notifications, and the changes a reading of the adapters shows since the
// last one: where the notifications never come (Wine answers them but never calls back), the count
// still moves.
class ChangeCounter {
public:
    ChangeCounter() {
        if (::NotifyIpInterfaceChange(AF_UNSPEC, &InterfaceChanged, this, FALSE, &interfaces_) != NO_ERROR)
            interfaces_ = nullptr;
        if (::NotifyRouteChange2(AF_INET, &RouteChanged, this, FALSE, &routes_) != NO_ERROR)
            routes_ = nullptr;
    }
    ~ChangeCounter() {
        if (interfaces_)
            ::CancelMibChangeNotify2(interfaces_);
        if (routes_)
            ::CancelMibChangeNotify2(routes_);
    }
    ChangeCounter(const ChangeCounter&) = delete;
    ChangeCounter& operator=(const ChangeCounter&) = delete;

    ErrorCode Read(std::uint64_t* count) {
        std::vector<ConnectedAdapter> now;
        if (const ErrorCode e = ReadAdapters(&now, false); e != ErrorSuccess)
            return e;
        std::lock_guard lock(pollMutex_);
        if (now != lastRead_) {
            lastRead_ = std::move(now);
            ++changes_;
        }
        *count = changes_.load();
        return ErrorSuccess;
    }

private:
    static void WINAPI InterfaceChanged(void* context, MIB_IPINTERFACE_ROW*, MIB_NOTIFICATION_TYPE) {
        ++static_cast<ChangeCounter*>(context)->changes_;
    }
    static void WINAPI RouteChanged(void* context, MIB_IPFORWARD_ROW2*, MIB_NOTIFICATION_TYPE) {
        ++static_cast<ChangeCounter*>(context)->changes_;
    }

    std::atomic<std::uint64_t> changes_{0};
    HANDLE interfaces_ = nullptr;
    HANDLE routes_ = nullptr;
    std::mutex pollMutex_;
    std::vector<ConnectedAdapter> lastRead_;
};

class WinNetworkLocation final : public INetworkLocation {
public:
    ErrorCode GetConnectedAdapters(std::vector<ConnectedAdapter>* adapters) override {
        return ReadAdapters(adapters, true);
    }

    ErrorCode GetChangeCount(std::uint64_t* count) override {
        std::call_once(counterOnce_, [this] { counter_ = std::make_unique<ChangeCounter>(); });
        return counter_->Read(count);
    }

    ErrorCode FlushResolverCache() override {
        return ::DnsFlushResolverCache() ? ErrorSuccess : windows::LastErrorOr(ErrorGenFailure);
    }

private:
    std::once_flag counterOnce_;
    std::unique_ptr<ChangeCounter> counter_;
};

} // namespace

INetworkLocation& NetworkLocation() {
    static WinNetworkLocation location;
    return location;
}

} // namespace prolamo::os
