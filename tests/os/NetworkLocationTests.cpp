#include "TestSupport.h"
#include "support/SimulatedMachine.h"

#include "os/NetworkLocation.h"
#include "os/Text.h"
#include "os/simulated/SimLocation.h"
#include "os/simulated/SimNetwork.h"

#include <gtest/gtest.h>

namespace prolamo::os::test {
namespace {

using simulated::AdapterRecord;

class LocationTest : public AdapterTest {
protected:
    std::vector<ConnectedAdapter> Connected() {
        std::vector<ConnectedAdapter> adapters;
        EXPECT_EQ(NetworkLocation().GetConnectedAdapters(&adapters), ErrorSuccess);
        return adapters;
    }
    std::uint64_t Changes() {
        std::uint64_t count = 0;
        EXPECT_EQ(NetworkLocation().GetChangeCount(&count), ErrorSuccess);
        return count;
    }
    void MoveTo(std::string_view network) { ASSERT_EQ(simulated::MoveToNetwork(*machine_, network), ErrorSuccess); }
};

TEST_F(LocationTest, SeededLaptopIsAtHomeOnItsWirelessNetwork) {
    const auto adapters = Connected();
    ASSERT_EQ(adapters.size(), 1u); // the wired adapter is switched off and has no cable
    const ConnectedAdapter& wifi = adapters[0];
    EXPECT_EQ(wifi.name, u"Wi-Fi");
    EXPECT_EQ(wifi.ssid, "FRITZ!Box 7590 QX");
    EXPECT_EQ(wifi.gatewayAddress, "192.168.178.1");
    EXPECT_EQ(wifi.gatewayMac, "3C:A6:2F:0B:5E:11");
    EXPECT_EQ(wifi.dnsSuffix, u"fritz.box");
    EXPECT_EQ(wifi.addresses, (std::vector<AdapterAddress>{{"192.168.178.23", 24}}));
}

TEST_F(LocationTest, MovingKeepsTheAdaptersOwnSettings) {
    MoveTo("office");
    auto adapters = Connected();
    ASSERT_EQ(adapters.size(), 1u);
    EXPECT_EQ(adapters[0].ssid, "CORP-WLAN");
    EXPECT_EQ(adapters[0].dnsSuffix, u"corp.example");
    EXPECT_EQ(adapters[0].addresses, (std::vector<AdapterAddress>{{"10.20.40.77", 24}}));
    EXPECT_FALSE(Adapter("Ethernet").enabled) << "arriving does not switch a connection on";

    // Switched on, the wired connection has its static addresses and gateway, which is the office's.
    AdapterRecord wired = Adapter("Ethernet");
    wired.enabled = true;
    ASSERT_EQ(simulated::WriteAdapter(*machine_, wired), ErrorSuccess);
    adapters = Connected();
    ASSERT_EQ(adapters.size(), 2u);
    EXPECT_EQ(adapters[0].name, u"Ethernet");
    EXPECT_EQ(adapters[0].addresses, (std::vector<AdapterAddress>{{"10.20.30.41", 24}}));
    EXPECT_EQ(adapters[0].gatewayAddress, "10.20.30.1");
    EXPECT_EQ(adapters[0].gatewayMac, "00:1D:A2:6E:41:01");
    EXPECT_EQ(adapters[0].ssid, "");
    EXPECT_EQ(adapters[0].dnsSuffix, u"") << "a static connection has no suffix from DHCP";

    // At home the cable is out: switched on or not, the wired adapter is not connected.
    MoveTo("home");
    adapters = Connected();
    ASSERT_EQ(adapters.size(), 1u);
    EXPECT_EQ(adapters[0].name, u"Wi-Fi");
    EXPECT_TRUE(Adapter("Ethernet").enabled);
    EXPECT_EQ(Adapter("Ethernet").addresses, std::vector<std::string>{"10.20.30.41"});
}

TEST_F(LocationTest, TrainNetworkHasNoGatewayAndASwitchedOffAdapterNoNetwork) {
    MoveTo("train");
    auto adapters = Connected();
    ASSERT_EQ(adapters.size(), 1u);
    EXPECT_EQ(adapters[0].ssid, "WIFIonICE");
    EXPECT_EQ(adapters[0].gatewayAddress, "");
    EXPECT_EQ(adapters[0].gatewayMac, "");
    EXPECT_EQ(adapters[0].addresses, (std::vector<AdapterAddress>{{"172.18.4.57", 16}}));

    AdapterRecord wifi = Adapter("Wi-Fi");
    wifi.enabled = false;
    ASSERT_EQ(simulated::WriteAdapter(*machine_, wifi), ErrorSuccess);
    EXPECT_TRUE(Connected().empty());
    EXPECT_EQ(simulated::MoveToNetwork(*machine_, "moon"), ErrorNotFound);
}

TEST_F(LocationTest, AGatewaySetByHandThatIsNotTheNetworksHasNoHardwareAddress) {
    AdapterRecord wifi = Adapter("Wi-Fi");
    wifi.gateways = {"192.168.178.254"};
    ASSERT_EQ(simulated::WriteAdapter(*machine_, wifi), ErrorSuccess);
    const auto adapters = Connected();
    ASSERT_EQ(adapters.size(), 1u);
    EXPECT_EQ(adapters[0].gatewayAddress, "192.168.178.254");
    EXPECT_EQ(adapters[0].gatewayMac, "");
}

TEST_F(LocationTest, EveryWriteCountsOnceAndReadingCountsNothing) {
    const std::uint64_t start = Changes();
    Connected();
    EXPECT_EQ(Changes(), start);
    MoveTo("office"); // both adapters in one change
    EXPECT_EQ(Changes(), start + 1);
    ASSERT_EQ(simulated::WriteAdapter(*machine_, Adapter("Ethernet")), ErrorSuccess);
    EXPECT_EQ(Changes(), start + 2);
    // Another process on the same machine sees the same count.
    const auto other = simulated::Machine::Open(machine_->Folder());
    std::uint64_t seen = 0;
    EXPECT_EQ(other->NetworkLocation().GetChangeCount(&seen), ErrorSuccess);
    EXPECT_EQ(seen, start + 2);
}

TEST_F(LocationTest, ResolverFlushesAreCounted) {
    std::uint64_t flushes = 99;
    ASSERT_EQ(simulated::ReadResolverFlushes(*machine_, &flushes), ErrorSuccess);
    EXPECT_EQ(flushes, 0u);
    EXPECT_EQ(NetworkLocation().FlushResolverCache(), ErrorSuccess);
    EXPECT_EQ(NetworkLocation().FlushResolverCache(), ErrorSuccess);
    ASSERT_EQ(simulated::ReadResolverFlushes(*machine_, &flushes), ErrorSuccess);
    EXPECT_EQ(flushes, 2u);
}

// A machine seeded by a build before these columns, which also knew no layout mark.
TEST(LocationUpgrade, AMachineSeededWithoutTheNetworkColumnsGetsThem) {
    TempFolder temp;
    const auto folder = temp.Path() / "machine";
    prolamo::test::RevertToEarlierLayout(*simulated::Machine::Open(folder),
                                         prolamo::test::EarlierLayout::WithoutNetworkColumns);

    const auto machine = simulated::Machine::Open(folder);
    std::vector<ConnectedAdapter> adapters;
    ASSERT_EQ(machine->NetworkLocation().GetConnectedAdapters(&adapters), ErrorSuccess);
    ASSERT_EQ(adapters.size(), 1u);
    EXPECT_EQ(adapters[0].ssid, "FRITZ!Box 7590 QX");
    EXPECT_EQ(adapters[0].gatewayMac, "3C:A6:2F:0B:5E:11");
}

} // namespace
} // namespace prolamo::os::test
