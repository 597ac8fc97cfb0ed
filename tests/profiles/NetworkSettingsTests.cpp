#include "support/SimulatedMachine.h"
#include "support/StreamChecks.h"
#include "support/TestKinds.h"

#include "framework/Exceptions.h"
#include "os/Processes.h"
#include "os/Text.h"
#include "os/simulated/SimNetwork.h"
#include "profiles/uNetworkSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

using namespace prolamo;
using namespace prolamo::test;
using os::simulated::AdapterRecord;

namespace {

std::vector<std::string> Lines(const TStrings& list) {
    return list.Lines();
}

class TcpipTest : public SimulatedMachineTest {
protected:
    void SetUp() override { RegisterTestKinds(); }

    AdapterRecord Adapter(const std::string& connection) {
        std::vector<AdapterRecord> adapters;
        EXPECT_EQ(os::simulated::ReadAdapters(Machine(), &adapters), os::ErrorSuccess);
        for (const auto& a : adapters)
            if (a.connectionName == connection)
                return a;
        ADD_FAILURE() << "no adapter " << connection;
        return {};
    }
    void Put(const AdapterRecord& adapter) {
        ASSERT_EQ(os::simulated::WriteAdapter(Machine(), adapter), os::ErrorSuccess);
    }

    std::unique_ptr<TTCPIPSettingValue> Capture() {
        TTCPIPSetting setting;
        auto value = setting.CaptureValue();
        return std::unique_ptr<TTCPIPSettingValue>(static_cast<TTCPIPSettingValue*>(value.release()));
    }
    std::vector<std::string> Results(const TTCPIPSettingValue& value) {
        TTCPIPSetting setting;
        TCheckResultList results;
        setting.ApplyValue(value, results);
        std::vector<std::string> lines;
        for (const TCheckResult& r : results)
            lines.push_back(r.Text());
        return lines;
    }
    std::vector<std::string> Script(const TAdapterInfo& adapter) {
        TStrings script;
        TTCPIPSetting::BuildNetshScript(adapter, script);
        return script.Lines();
    }
    // Scripts left in the user's temporary folder.
    std::size_t LeftScripts() {
        std::size_t count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(Machine().TempFolder()))
            count += entry.path().filename().string().starts_with("qvt");
        return count;
    }
};

std::unique_ptr<TAdapterInfo> StaticAdapter(const std::u16string& name) {
    auto adapter = std::make_unique<TAdapterInfo>();
    adapter->SetAdapterName(u"e1dexpress");
    adapter->SetAdapterDescription(name);
    adapter->SetEnabled(true);
    adapter->SetStaticIP(true);
    adapter->IpAddressList().Add("10.1.2.3");
    adapter->SubnetMaskList().Add("255.255.0.0");
    adapter->GatewayList().Add("10.1.0.1");
    adapter->SetStaticDNS(true);
    return adapter;
}

TEST_F(TcpipTest, DiscoveryListsConnectedAdaptersWithTheirStateOnly) {
    const auto value = Capture();
    ASSERT_EQ(value->Adapters().Count(), 2u); // the hidden adapters have no connection name
    const TAdapterInfo& wired = value->Adapters()[0];
    EXPECT_EQ(wired.AdapterName(), u"e1dexpress");
    EXPECT_EQ(wired.AdapterDescription(), u"Ethernet");
    EXPECT_FALSE(wired.Enabled());
    EXPECT_FALSE(wired.StaticIP()); // a disabled adapter's configuration is not read
    EXPECT_TRUE(wired.IpAddressList().Empty());
    const TAdapterInfo& wireless = value->Adapters()[1];
    EXPECT_EQ(wireless.AdapterDescription(), u"Wi-Fi");
    EXPECT_TRUE(wireless.Enabled());
    EXPECT_FALSE(wireless.StaticIP());
    EXPECT_FALSE(wireless.StaticDNS()); // "NameServer" is empty: the servers come from DHCP
    EXPECT_TRUE(wireless.IpAddressList().Empty() && wireless.GatewayList().Empty() && wireless.DNSList().Empty());
}

TEST_F(TcpipTest, DiscoveryReadsStaticAddressesAndHandSetServers) {
    AdapterRecord wired = Adapter("Ethernet");
    wired.enabled = true;
    wired.winsServers = {"10.20.30.7", "10.20.30.8"};
    Put(wired);
    const auto value = Capture();
    const TAdapterInfo& adapter = value->Adapters()[0];
    EXPECT_TRUE(adapter.Enabled());
    EXPECT_TRUE(adapter.StaticIP());
    EXPECT_EQ(Lines(adapter.IpAddressList()), (std::vector<std::string>{"10.20.30.41"}));
    EXPECT_EQ(Lines(adapter.SubnetMaskList()), (std::vector<std::string>{"255.255.255.0"}));
    EXPECT_EQ(Lines(adapter.GatewayList()), (std::vector<std::string>{"10.20.30.1"}));
    EXPECT_EQ(Lines(adapter.WINSList()), (std::vector<std::string>{"10.20.30.7", "10.20.30.8"}));
    EXPECT_TRUE(adapter.StaticDNS());
    EXPECT_EQ(Lines(adapter.DNSList()), (std::vector<std::string>{"10.20.30.5", "10.20.30.6"}));
}

TEST_F(TcpipTest, AServerListThatCannotBeReadFailsTheCaptureRatherThanReadingAsDhcp) {
    AdapterRecord wired = Adapter("Ethernet");
    wired.enabled = true;
    Put(wired);
    ASSERT_TRUE(Capture()->Adapters()[0].StaticDNS());
    const RegistryValueReadsRefused refused(Machine());
    EXPECT_EQ(MessageOf<EOSError>([&] { Capture(); }), EOSError(os::ErrorAccessDenied).Message());
}

TEST_F(TcpipTest, DiscoveryEdgeCases) {
    // Enabled, but TCP/IP unbound: left out.
    AdapterRecord wireless = Adapter("Wi-Fi");
    wireless.ipEnabled = false;
    Put(wireless);
    // Without a NetworkCards key its DNS servers count as hand-set, so the lease's are kept.
    AdapterRecord tethered;
    tethered.index = 7;
    tethered.description = "Remote NDIS based Internet Sharing Device";
    tethered.serviceName = "usbrndis6";
    tethered.connectionName = "Ethernet 2";
    tethered.enabled = tethered.ipEnabled = true;
    tethered.leaseAddress = "172.20.10.2";
    tethered.leaseMask = "255.255.255.240";
    tethered.leaseDnsServers = {"172.20.10.1"};
    Put(tethered);
    // Sharing the wired adapter's driver: reads the configuration the query yields first, the
    // disabled wired one has none, so it is the tethered one's.
    AdapterRecord twin = tethered;
    twin.index = 8;
    twin.connectionName = "Ethernet 3";
    twin.serviceName = "usbrndis6";
    twin.leaseDnsServers = {"172.20.10.9"};
    Put(twin);

    const auto value = Capture();
    std::vector<std::u16string> names;
    for (const TAdapterInfo& a : value->Adapters())
        names.push_back(a.AdapterDescription());
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Ethernet", u"Ethernet 2", u"Ethernet 3"}));
    for (std::size_t i : {1u, 2u}) {
        EXPECT_TRUE(value->Adapters()[i].StaticDNS());
        EXPECT_EQ(Lines(value->Adapters()[i].DNSList()), (std::vector<std::string>{"172.20.10.1"}));
    }
}

TEST_F(TcpipTest, ServiceNameCannotLeaveItsQueryString) {
    TAdapterInfo adapter;
    for (const char16_t* hostile : {u"x' or ServiceName <> '", u"x\\' or IPEnabled = True or ServiceName = '"}) {
        adapter.SetAdapterName(hostile);
        EXPECT_THROW(ReadAdapterConfiguration(*ConnectWmi(), adapter), EAbort) << os::Utf16ToUtf8(hostile);
    }
    adapter.SetAdapterName(u"Netwtw10");
    EXPECT_NO_THROW(ReadAdapterConfiguration(*ConnectWmi(), adapter));
}

TEST_F(TcpipTest, MissingPropertyIsReportedByName) {
    class Empty final : public os::IWmiObject {
        os::HResult GetProperty(std::u16string_view, os::WmiValue*) override { return os::WbemErrorNotFound; }
    } object;
    EXPECT_EQ(MessageOf<EWbemMethodNotSupportedError>([&] { GetWmiProperty(object, "ServiceName"); }),
              "Property \"ServiceName\" not supported");
}

TEST_F(TcpipTest, ScriptsFollowTheAdapterState) {
    // Static, one address, one gateway, two DNS servers, no WINS: seven lines.
    auto office = StaticAdapter(u"Ethernet");
    office->DNSList().Add("10.1.0.5");
    office->DNSList().Add("10.1.0.6");
    EXPECT_EQ(Script(*office), (std::vector<std::string>{
                                   "pushd interface ip",
                                   "set address name=\"Ethernet\" source=static addr=10.1.2.3 mask=255.255.0.0",
                                   "set address name=\"Ethernet\" gateway=10.1.0.1 gwmetric=0",
                                   "set dns name=\"Ethernet\" source=static addr=10.1.0.5 register=PRIMARY",
                                   "add dns name=\"Ethernet\" addr=10.1.0.6 index=2",
                                   "set wins name=\"Ethernet\" source=static addr=none",
                                   "popd",
                               }));

    // Three servers of each kind; no addresses: no static address line, the rest stays.
    auto servers = StaticAdapter(u"Ethernet");
    servers->IpAddressList().Clear();
    for (const char* s : {"10.0.0.1", "10.0.0.2", "10.0.0.3"}) {
        servers->DNSList().Add(s);
        servers->WINSList().Add(s);
    }
    const auto lines = Script(*servers);
    EXPECT_EQ(lines[1], "set address name=\"Ethernet\" gateway=10.1.0.1 gwmetric=0");
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.end() - 1),
              (std::vector<std::string>{"set dns name=\"Ethernet\" source=static addr=10.0.0.1 register=PRIMARY",
                                        "add dns name=\"Ethernet\" addr=10.0.0.2 index=2",
                                        "add dns name=\"Ethernet\" addr=10.0.0.3 index=3",
                                        "set wins name=\"Ethernet\" source=static addr=10.0.0.1",
                                        "add wins name=\"Ethernet\" addr=10.0.0.2 index=2",
                                        "add wins name=\"Ethernet\" addr=10.0.0.3 index=3"}));

    // Hand-set DNS without servers->
    auto none = StaticAdapter(u"Ethernet");
    EXPECT_EQ(Script(*none)[3], "set dns name=\"Ethernet\" source=static addr=none");
}

TEST_F(TcpipTest, DhcpAddressLineOnlyWhenTheAdapterIsStaticNow) {
    TAdapterInfo dhcp;
    dhcp.SetAdapterName(u"Netwtw10");
    dhcp.SetAdapterDescription(u"Wi-Fi");
    dhcp.SetEnabled(true);
    const std::vector<std::string> alreadyDhcp{"pushd interface ip",
                                               "set dns name=\"Wi-Fi\" source=dhcp register=PRIMARY",
                                               "set wins name=\"Wi-Fi\" source=dhcp", "popd"};
    EXPECT_EQ(Script(dhcp), alreadyDhcp);

    AdapterRecord wireless = Adapter("Wi-Fi");
    wireless.dhcp = false;
    wireless.addresses = {"192.168.1.9"};
    wireless.masks = {"255.255.255.0"};
    Put(wireless);
    EXPECT_EQ(Script(dhcp)[1], "set address name=\"Wi-Fi\" source=dhcp");

    dhcp.SetAdapterName(u"gone"); // no configuration to read: no address line
    EXPECT_EQ(Script(dhcp),
              (std::vector<std::string>{"pushd interface ip", "set dns name=\"Wi-Fi\" source=dhcp register=PRIMARY",
                                        "set wins name=\"Wi-Fi\" source=dhcp", "popd"}));
}

TEST_F(TcpipTest, HostileConnectionNamesGetNoScript) {
    auto stored = StaticAdapter(u"Wi-Fi\" source=dhcp\r\nset address name=\"Ethernet");
    auto value = std::make_unique<TTCPIPSettingValue>();
    value->Adapters().Add().Assign(*stored);
    value->Adapters().Add().Assign(*StaticAdapter(u"Tab\there"));
    value->Adapters().Add().Assign(*StaticAdapter(u"Quote\"d"));
    const auto results = Results(*value);
    ASSERT_EQ(results.size(), 3u);
    for (const auto& line : results)
        EXPECT_NE(line.find(std::string(": ") + ConnectionNameRefused), std::string::npos) << line;
    EXPECT_EQ(LeftScripts(), 0u);
    EXPECT_EQ(Adapter("Wi-Fi").dhcp, true);
    EXPECT_TRUE(Adapter("Ethernet").addresses == std::vector<std::string>{"10.20.30.41"});
}

TEST(TcpipAddresses, OnlyDottedFourPartAddressesPass) {
    for (const char* good : {"0.0.0.0", "10.20.30.6", "255.255.255.255", "192.168.001.010"})
        EXPECT_TRUE(IsDottedIPv4(good)) << good;
    for (const char* bad : {"", "10.20.30", "10.20.30.6.7", "256.1.1.1", "1.1.1.1000", "1..1.1", ".1.1.1", "1.1.1.1.",
                            " 1.1.1.1", "1.1.1.1 ", "1.1.1.a", "fe80::1", "1.1.1.1\r\n", "+1.1.1.1"})
        EXPECT_FALSE(IsDottedIPv4(bad)) << bad;
}

TEST_F(TcpipTest, EntriesThatCouldAddOrRedirectCommandsGetNoScript) {
    const AdapterRecord wiredBefore = Adapter("Ethernet");
    auto value = std::make_unique<TTCPIPSettingValue>();
    // A DNS entry that adds a command for another adapter.
    auto dns = StaticAdapter(u"Wi-Fi");
    dns->DNSList().Add("10.20.30.6\r\nset address name=Ethernet source=static addr=6.6.6.6 mask=255.0.0.0");
    value->Adapters().Add().Assign(*dns);
    // An address that moves its command to the other adapter.
    auto moved = StaticAdapter(u"Wi-Fi");
    moved->IpAddressList().Clear();
    moved->IpAddressList().Add("6.6.6.6 name=Ethernet");
    value->Adapters().Add().Assign(*moved);
    auto gateway = StaticAdapter(u"Wi-Fi");
    gateway->GatewayList().Clear();
    gateway->GatewayList().Add("10.1.0.1 gwmetric=9");
    value->Adapters().Add().Assign(*gateway);
    auto wins = StaticAdapter(u"Wi-Fi");
    wins->WINSList().Add("10.1.0.7");
    wins->WINSList().Add("");
    value->Adapters().Add().Assign(*wins);
    auto mask = StaticAdapter(u"Wi-Fi");
    mask->SubnetMaskList().Clear();
    mask->SubnetMaskList().Add("255.255.0.0,1");
    value->Adapters().Add().Assign(*mask);
    // A well-formed one after them is still applied.
    auto good = StaticAdapter(u"Wi-Fi");
    good->IpAddressList().Add("fe80::1"); // further addresses are not written, so not checked
    good->DNSList().Add("10.1.0.5");
    good->WINSList().Add("10.1.0.7");
    value->Adapters().Add().Assign(*good);

    EXPECT_EQ(Results(*value),
              (std::vector<std::string>{
                  "TCP/IP settings: Wi-Fi: The DNS server entry \"10.20.30.6\\r\\nset address name=Ethernet "
                  "source=static addr=6.6.6.6 mask=255.0.0.0\" is not a dotted IPv4 address; no script is written "
                  "for the adapter",
                  "TCP/IP settings: Wi-Fi: The IP address entry \"6.6.6.6 name=Ethernet\" is not a dotted IPv4 "
                  "address; no script is written for the adapter",
                  "TCP/IP settings: Wi-Fi: The gateway entry \"10.1.0.1 gwmetric=9\" is not a dotted IPv4 address; "
                  "no script is written for the adapter",
                  "TCP/IP settings: Wi-Fi: The WINS server entry \"\" is not a dotted IPv4 address; no script is "
                  "written for the adapter",
                  "TCP/IP settings: Wi-Fi: The subnet mask entry \"255.255.0.0,1\" is not a dotted IPv4 address; no "
                  "script is written for the adapter"}));
    EXPECT_EQ(Adapter("Ethernet"), wiredBefore);
    const AdapterRecord wireless = Adapter("Wi-Fi");
    EXPECT_EQ(wireless.addresses, std::vector<std::string>{"10.1.2.3"});
    EXPECT_EQ(wireless.dnsServers, std::vector<std::string>{"10.1.0.5"});
    EXPECT_EQ(wireless.winsServers, std::vector<std::string>{"10.1.0.7"});
    EXPECT_EQ(LeftScripts(), 0u);
    EXPECT_THROW(Script(*moved), Exception);
}

TEST_F(TcpipTest, ApplyRestoresTheCapturedMachine) {
    const auto captured = Capture();
    const AdapterRecord wiredBefore = Adapter("Ethernet");
    const AdapterRecord wirelessBefore = Adapter("Wi-Fi");

    // Away from it: the wired adapter switched on, the wireless one given a static address and DNS.
    AdapterRecord wired = wiredBefore;
    wired.enabled = true;
    Put(wired);
    AdapterRecord wireless = wirelessBefore;
    wireless.dhcp = false;
    wireless.addresses = {"10.9.8.7"};
    wireless.masks = {"255.0.0.0"};
    wireless.gateways = {"10.0.0.1"};
    wireless.dnsServers = {"10.0.0.53"};
    wireless.winsServers = {"10.0.0.54"};
    Put(wireless);

    EXPECT_EQ(Results(*captured), std::vector<std::string>{});
    EXPECT_EQ(Adapter("Ethernet"), wiredBefore);
    EXPECT_EQ(Adapter("Wi-Fi"), wirelessBefore);
    EXPECT_EQ(LeftScripts(), 0u);

    // Capturing changes nothing; capturing again gives the same value.
    EXPECT_TRUE(Capture()->Equals(*captured));
}

TEST_F(TcpipTest, StaticProfileIsWrittenThroughTheShell) {
    auto value = std::make_unique<TTCPIPSettingValue>();
    auto office = StaticAdapter(u"Wi-Fi");
    office->DNSList().Add("10.1.0.5");
    office->DNSList().Add("10.1.0.6");
    office->WINSList().Add("10.1.0.7");
    value->Adapters().Add().Assign(*office);
    EXPECT_EQ(Results(*value), std::vector<std::string>{});
    const AdapterRecord wireless = Adapter("Wi-Fi");
    EXPECT_FALSE(wireless.dhcp);
    EXPECT_EQ(wireless.addresses, std::vector<std::string>{"10.1.2.3"});
    EXPECT_EQ(wireless.masks, std::vector<std::string>{"255.255.0.0"});
    EXPECT_EQ(wireless.gateways, std::vector<std::string>{"10.1.0.1"});
    EXPECT_EQ(wireless.dnsServers, (std::vector<std::string>{"10.1.0.5", "10.1.0.6"}));
    EXPECT_EQ(wireless.winsServers, std::vector<std::string>{"10.1.0.7"});
    EXPECT_TRUE(Capture()->Adapters()[1].StaticDNS()); // the registry agrees with the adapter
}

TEST_F(TcpipTest, EachAdapterFailsOnItsOwn) {
    auto value = std::make_unique<TTCPIPSettingValue>();
    auto gone = StaticAdapter(u"Ethernet 9"); // its connection no longer exists
    value->Adapters().Add().Assign(*gone);
    // Disabled, with addresses a script would set: it gets none.
    auto off = StaticAdapter(u"Wi-Fi");
    off->SetEnabled(false);
    value->Adapters().Add().Assign(*off);
    EXPECT_EQ(Results(*value),
              std::vector<std::string>{
                  "TCP/IP settings: Ethernet 9: The filename, directory name, or volume label syntax is incorrect."});
    EXPECT_FALSE(Adapter("Wi-Fi").enabled); // the later adapter was still applied
    EXPECT_TRUE(Adapter("Wi-Fi").dhcp);
    EXPECT_EQ(LeftScripts(), 0u);
}

TEST_F(TcpipTest, SwitchingConnectionsTakesAdministrativeRights) {
    Machine().SetAdministrator(false);
    auto value = std::make_unique<TTCPIPSettingValue>();
    TAdapterInfo off;
    off.SetAdapterDescription(u"Wi-Fi");
    value->Adapters().Add().Assign(off);
    EXPECT_EQ(Results(*value), std::vector<std::string>{"TCP/IP settings: Wi-Fi: Access is denied. You may need "
                                                        "administrative rights: start Prolamo as administrator and "
                                                        "try again"});
    EXPECT_TRUE(Adapter("Wi-Fi").enabled);
}

TEST_F(TcpipTest, ShellThatCannotStartFailsAndTheScriptGoes) {
    TStrings script;
    script.Add("popd");
    const std::u16string file = TTCPIPSetting::SaveNetshScript(script);
    EXPECT_EQ(LeftScripts(), 1u);
    const std::string message = MessageOf<EOSError>([&] { TTCPIPSetting::RunNetsh(file, u"no-such-shell.exe"); });
    EXPECT_EQ(message.rfind("System Error.  Code: 2.", 0), 0u) << message;
    EXPECT_EQ(LeftScripts(), 0u);
}

TEST(NetshOutput, EmptyLinesPassOtherLinesFail) {
    EXPECT_NO_THROW(TTCPIPSetting::CheckNetshOutput(""));
    EXPECT_NO_THROW(TTCPIPSetting::CheckNetshOutput("\r\n\n\r\r\n"));
    EXPECT_EQ(MessageOf<Exception>([] { TTCPIPSetting::CheckNetshOutput("\r\n  \r\nsecond\r\n"); }), "  ");
    EXPECT_EQ(MessageOf<Exception>([] { TTCPIPSetting::CheckNetshOutput("\n\rfirst\rsecond"); }), "first");
}

TEST_F(TcpipTest, OutputOfExactlyOnePieceIsReadWithoutWaiting) {
    os::IProcesses& p = os::Processes();
    os::Handle readEnd = 0, writeEnd = 0;
    ASSERT_EQ(p.CreatePipe(false, &readEnd, &writeEnd), os::ErrorSuccess);
    const std::string bytes(1024, 'x');
    std::uint32_t written = 0;
    ASSERT_EQ(p.WriteFile(writeEnd, bytes.data(), 1024, &written), os::ErrorSuccess);
    TShellOutputReader reader(readEnd);
    EXPECT_TRUE(reader.ReadAvailableOutput()); // the writer stays open: a read beyond 1024 would hang
    EXPECT_EQ(reader.Output(), bytes);
    EXPECT_FALSE(reader.ReadAvailableOutput());
    ASSERT_EQ(p.WriteFile(writeEnd, "tail", 4, &written), os::ErrorSuccess);
    EXPECT_TRUE(reader.ReadAvailableOutput());
    EXPECT_EQ(reader.Output().size(), 1028u);
    p.CloseHandle(readEnd);
    p.CloseHandle(writeEnd);
}

TEST(TcpipHint, ListsEveryAdapter) {
    TTCPIPSettingValue value;
    TAdapterInfo& off = value.Adapters().Add();
    off.SetAdapterDescription(u"Ethernet");
    TAdapterInfo& dhcp = value.Adapters().Add();
    dhcp.SetAdapterDescription(u"Wi-Fi");
    dhcp.SetEnabled(true);
    TAdapterInfo& office = value.Adapters().Add();
    office.Assign(*StaticAdapter(u"Office"));
    office.GatewayList().Clear();
    office.GatewayList().Add("");
    office.WINSList().Add("a b");
    office.WINSList().Add("say \"hi\"");
    office.DNSList().Add("1.1.1.1");
    office.DNSList().Add("8.8.8.8");
    EXPECT_EQ(value.GetHint(), "Ethernet={\r\n Disabled\r\n}\r\n"
                               "Wi-Fi={\r\n Use DHCP\r\n Obtain DNS server automatically\r\n}\r\n"
                               "Office={\r\n IP Address: 10.1.2.3\r\n Subnet mask: 255.255.0.0\r\n Gateway: \"\"\r\n"
                               " WINS: \"a b\",\"say \"\"hi\"\"\"\r\n DNS: 1.1.1.1,8.8.8.8\r\n}\r\n");
}

TEST(TcpipValue, StoresOnlyWhatTheStateNeedsAndReadsTheOldLayout) {
    TTCPIPSettingValue value;
    TAdapterInfo& dhcp = value.Adapters().Add();
    dhcp.SetAdapterName(u"Netwtw10");
    dhcp.SetAdapterDescription(u"Wi-Fi");
    dhcp.SetEnabled(true);
    dhcp.IpAddressList().Add("left over"); // not stored: DHCP
    value.Adapters().Add().Assign(*StaticAdapter(u"Ethernet"));
    std::vector<std::uint8_t> stored;
    const auto back = StoredAndRead(value, &stored);
    EXPECT_TRUE(back->Adapters()[0].IpAddressList().Empty());
    EXPECT_EQ(Lines(back->Adapters()[1].GatewayList()), std::vector<std::string>{"10.1.0.1"});
    EXPECT_TRUE(back->Equals(*StoredAndRead(*back)));
    EXPECT_EQ(back->GetHint().find("left over"), std::string::npos);

    // An adapter as an older program wrote it.
    std::vector<std::uint8_t> old;
    {
        TWriter w(old);
        w.WriteShortString("Adapters");
        w.WriteValueType(TValueType::Collection);
        w.WriteListBegin();
        w.WriteShortString("Name");
        w.WriteString("E1G60");
        w.WriteShortString("Description");
        w.WriteString("Local Area Connection");
        w.WriteShortString("Enabled");
        w.WriteBoolean(true);
        w.WriteShortString("IPEnabled");
        w.WriteBoolean(true);
        w.WriteListEnd();
        w.WriteListEnd();
        w.WriteListEnd();
    }
    TTCPIPSettingValue loaded;
    TReader reader(old);
    reader.ReadProperties(loaded);
    ASSERT_EQ(loaded.Adapters().Count(), 1u);
    EXPECT_EQ(loaded.Adapters()[0].AdapterName(), u"E1G60");
    EXPECT_EQ(loaded.Adapters()[0].AdapterDescription(), u"Local Area Connection");
    EXPECT_TRUE(loaded.Adapters()[0].Enabled());
    std::vector<std::uint8_t> again;
    StoredAndRead(loaded, &again);
    const std::string text(again.begin(), again.end());
    for (const char* gone : {"\x04Name",
                             "\x0B"
                             "Description",
                             "\x09IPEnabled"})
        EXPECT_EQ(text.find(gone), std::string::npos) << gone;
    EXPECT_NE(text.find("\x12"
                        "AdapterDescription"),
              std::string::npos);
}

} // namespace
