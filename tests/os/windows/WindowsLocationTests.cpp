// The network location service of Windows itself, checked against the system's own address table
// (GetIpAddrTable). Under Wine there is no WLAN service, so no adapter has a wireless name.

#include "os/NetworkLocation.h"
#include "os/Wireless.h"

#include <winsock2.h>

#include <iphlpapi.h>

#include "os/windows/WinSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <regex>
#include <set>

namespace prolamo {
namespace {

bool UnderWine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::set<std::string> SystemAddresses() {
    ULONG size = 0;
    ::GetIpAddrTable(nullptr, &size, FALSE);
    auto buffer = std::make_unique<std::uint8_t[]>(size);
    auto* table = reinterpret_cast<MIB_IPADDRTABLE*>(buffer.get());
    std::set<std::string> addresses;
    if (::GetIpAddrTable(table, &size, FALSE) != NO_ERROR)
        return addresses;
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const auto* b = reinterpret_cast<const unsigned char*>(&table->table[i].dwAddr);
        char text[16];
        std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
        addresses.insert(text);
    }
    return addresses;
}

TEST(WindowsLocation, ConnectedAdaptersAreTheSystemsWithTheirAddressesAndNoLoopback) {
    std::vector<os::ConnectedAdapter> adapters;
    ASSERT_EQ(os::NetworkLocation().GetConnectedAdapters(&adapters), os::ErrorSuccess);
    const std::set<std::string> system = SystemAddresses();
    const std::regex dotted(R"(\d{1,3}\.\d{1,3}\.\d{1,3}\.\d{1,3})");
    const std::regex mac(R"(([0-9A-F]{2}:)*[0-9A-F]{2})");
    for (const os::ConnectedAdapter& adapter : adapters) {
        EXPECT_FALSE(adapter.name.empty());
        ASSERT_FALSE(adapter.addresses.empty()) << "only adapters with IPv4 count";
        for (const os::AdapterAddress& address : adapter.addresses) {
            EXPECT_TRUE(std::regex_match(address.address, dotted)) << address.address;
            EXPECT_EQ(system.count(address.address), 1u) << address.address << " is not the system's";
            EXPECT_NE(address.address.rfind("127.", 0), 0u) << "loopback is no network";
            EXPECT_GE(address.prefixLength, 1);
            EXPECT_LE(address.prefixLength, 32);
        }
        if (!adapter.gatewayAddress.empty())
            EXPECT_TRUE(std::regex_match(adapter.gatewayAddress, dotted)) << adapter.gatewayAddress;
        if (!adapter.gatewayMac.empty())
            EXPECT_TRUE(std::regex_match(adapter.gatewayMac, mac)) << adapter.gatewayMac;
        if (UnderWine())
            EXPECT_EQ(adapter.ssid, "") << "Wine has no WLAN service";
        RecordProperty("adapter", os::Utf16ToUtf8(adapter.name) + " " + adapter.addresses[0].address + "/" +
                                      std::to_string(adapter.addresses[0].prefixLength) + " gateway " +
                                      adapter.gatewayAddress + " " + adapter.gatewayMac);
    }
}

TEST(WindowsLocation, TheChangeCountIsReadAgainAndAgainWithoutAChange) {
    std::uint64_t first = 0, second = 0;
    ASSERT_EQ(os::NetworkLocation().GetChangeCount(&first), os::ErrorSuccess);
    ASSERT_EQ(os::NetworkLocation().GetChangeCount(&second), os::ErrorSuccess);
    EXPECT_GE(second, first);
    if (UnderWine())
        EXPECT_EQ(second, first) << "nothing changes the network of the test prefix";
}

TEST(WindowsLocation, TheResolverCacheIsFlushed) {
    EXPECT_EQ(os::NetworkLocation().FlushResolverCache(), os::ErrorSuccess);
}

// Connecting needs the WLAN service and real hardware, which Wine does not have.
TEST(WindowsWireless, AnAdapterThatIsNotThereIsNotFound) {
    std::vector<os::WirelessInterface> interfaces;
    ASSERT_EQ(os::Wireless().EnumInterfaces(&interfaces), os::ErrorSuccess);
    if (UnderWine())
        EXPECT_TRUE(interfaces.empty());
    for (const os::WirelessInterface& wireless : interfaces)
        EXPECT_FALSE(wireless.name.empty());
    std::vector<std::u16string> profiles;
    EXPECT_EQ(os::Wireless().GetNetworksInRange(u"No such adapter", &profiles), os::ErrorNotFound);
    EXPECT_EQ(os::Wireless().Connect(u"No such adapter", u"CORP-WLAN"), os::ErrorNotFound);
    EXPECT_EQ(os::Wireless().Disconnect(u"No such adapter"), os::ErrorNotFound);
}

} // namespace
} // namespace prolamo
