#include "TestSupport.h"

#include "netsh/NetshInterpreter.h"
#include "os/NetConnections.h"
#include "os/Processes.h"
#include "os/Text.h"
#include "os/Wmi.h"
#include "os/simulated/SimNetwork.h"

#include <gtest/gtest.h>

#include <fstream>

namespace prolamo::os::test {
namespace {

using simulated::AdapterRecord;

class NetworkTest : public AdapterTest {
protected:
    // Each object's value of Property, for the query.
    std::vector<WmiValue> Select(std::u16string_view query, std::u16string_view property, HResult* result = nullptr) {
        std::unique_ptr<IWmiServices> services;
        EXPECT_EQ(Wmi().ConnectServer(u"", u"root\\CIMV2", &services), SOk);
        std::unique_ptr<IWmiObjectSet> set;
        const HResult hr = services->ExecQuery(query, u"WQL", WbemFlagForwardOnly, &set);
        if (result)
            *result = hr;
        std::vector<WmiValue> values;
        if (hr != SOk)
            return values;
        std::unique_ptr<IWmiObject> object;
        while (set->Next(&object) == SOk) {
            WmiValue v;
            EXPECT_EQ(object->GetProperty(property, &v), SOk);
            values.push_back(v);
        }
        return values;
    }
};

TEST_F(NetworkTest, QueriesSelectLikeWql) {
    EXPECT_EQ(Select(u"select * from Win32_NetworkAdapter where NetConnectionID is not null", u"NetConnectionID"),
              (std::vector<WmiValue>{WmiValue::Str(u"Ethernet"), WmiValue::Str(u"Wi-Fi")}));
    // Hidden adapters have no connection: null, not empty.
    EXPECT_EQ(Select(u"SELECT * FROM win32_networkadapter WHERE NetConnectionID IS NULL", u"NetConnectionStatus"),
              (std::vector<WmiValue>{WmiValue{}, WmiValue{}}));
    // String comparison ignores letter case; a disabled adapter's configuration is not IP-enabled.
    EXPECT_EQ(Select(u"select * from Win32_NetworkAdapterConfiguration where IPEnabled = True and ServiceName = "
                     u"'NETWTW10'",
                     u"IPAddress"),
              std::vector<WmiValue>{WmiValue::StrArray({u"192.168.178.23"})});
    EXPECT_TRUE(Select(u"select * from Win32_NetworkAdapterConfiguration where IPEnabled = True and ServiceName = "
                       u"'e1dexpress'",
                       u"Index")
                    .empty());
    EXPECT_EQ(
        Select(u"select Index from Win32_NetworkAdapter where (Index = 1 or Index = 3) and not Index = 3", u"Index"),
        std::vector<WmiValue>{WmiValue::Int(1)});
    // Escapes keep a quote inside its literal.
    EXPECT_TRUE(
        Select(u"select * from Win32_NetworkAdapter where ServiceName = 'x\\' or Index <> \\'-1'", u"Index").empty());
}

TEST_F(NetworkTest, BadQueriesAreRefusedWithWmiCodes) {
    HResult hr = SOk;
    Select(u"select * from Win32_Nothing", u"Index", &hr);
    EXPECT_EQ(hr, WbemErrorInvalidClass);
    for (const char16_t* bad : {u"select * from Win32_NetworkAdapter where",
                                u"select * from Win32_NetworkAdapter "
                                u"where ServiceName = 'open",
                                u"select * from Win32_NetworkAdapter where NoSuchProperty = 1", u"delete everything"}) {
        Select(bad, u"Index", &hr);
        EXPECT_EQ(hr, WbemErrorInvalidQuery) << Utf16ToUtf8(bad);
    }
    std::unique_ptr<IWmiServices> services;
    EXPECT_EQ(Wmi().ConnectServer(u"", u"root\\default", &services), WbemErrorInvalidNamespace);
    ASSERT_EQ(Wmi().ConnectServer(u".", u"root\\cimv2", &services), SOk);
    std::unique_ptr<IWmiObjectSet> set;
    EXPECT_EQ(services->ExecQuery(u"select * from Win32_NetworkAdapter", u"SQL", 0, &set), WbemErrorInvalidQueryType);
    ASSERT_EQ(services->ExecQuery(u"select * from Win32_NetworkAdapter", u"WQL", 0, &set), SOk);
    std::unique_ptr<IWmiObject> object;
    ASSERT_EQ(set->Next(&object), SOk);
    WmiValue v;
    EXPECT_EQ(object->GetProperty(u"NoSuchProperty", &v), WbemErrorNotFound);
}

TEST_F(NetworkTest, ConnectionsSwitchTheirAdapters) {
    std::unique_ptr<INetConnectionManager> manager;
    ASSERT_EQ(CreateConnectionManager(&manager), SOk);
    std::vector<std::unique_ptr<INetConnection>> connections;
    ASSERT_EQ(manager->EnumConnections(&connections), SOk);
    ASSERT_EQ(connections.size(), 2u);
    NetConProperties wired;
    ASSERT_EQ(connections[0]->GetProperties(&wired), SOk);
    EXPECT_EQ(wired.name, u"Ethernet");
    EXPECT_EQ(wired.status, NetConStatusDisconnected);
    EXPECT_EQ(connections[0]->Connect(), SOk);
    ASSERT_EQ(connections[0]->GetProperties(&wired), SOk);
    EXPECT_EQ(wired.status, NetConStatusConnected);
    EXPECT_EQ(Select(u"select * from Win32_NetworkAdapter where Index = 0", u"NetEnabled"),
              std::vector<WmiValue>{WmiValue::Bool(true)});

    machine_->SetAdministrator(false);
    EXPECT_EQ(connections[0]->Disconnect(), EAccessDenied);
    EXPECT_TRUE(Adapter("Ethernet").enabled);
}

TEST_F(NetworkTest, ProcessesRunWithTheirOutputOnAPipe) {
    IProcesses& p = Processes();
    Handle readEnd = 0, writeEnd = 0;
    ASSERT_EQ(p.CreatePipe(true, &readEnd, &writeEnd), ErrorSuccess);
    ASSERT_EQ(p.SetHandleInformation(readEnd, HandleFlagInherit, 0), ErrorSuccess);
    ProcessInformation info;
    EXPECT_EQ(p.CreateProcess(u"no-such-program.exe -f x", true, CreateNoWindow, writeEnd, &info), ErrorFileNotFound);
    // The shell stand-in lies beside this test program; it works on the caller's machine.
    ASSERT_EQ(p.CreateProcess(u"netsh.exe interface ip set address name=\"Nowhere\" source=dhcp", true, CreateNoWindow,
                              writeEnd, &info),
              ErrorSuccess);
    while (p.WaitForSingleObject(info.process, 0) == WaitTimeout)
        p.Sleep(10);
    std::uint32_t waiting = 0;
    ASSERT_EQ(p.PeekNamedPipe(readEnd, &waiting), ErrorSuccess);
    std::string output(waiting, '\0');
    std::uint32_t read = 0;
    ASSERT_EQ(p.ReadFile(readEnd, output.data(), waiting, &read), ErrorSuccess);
    EXPECT_EQ(output, "The filename, directory name, or volume label syntax is incorrect.\r\n");
    for (Handle h : {info.process, info.thread, readEnd, writeEnd})
        EXPECT_EQ(p.CloseHandle(h), ErrorSuccess);
    EXPECT_EQ(p.CloseHandle(readEnd), ErrorInvalidHandle);
}

TEST_F(NetworkTest, ShellCarriesOutTheScriptCommands) {
    netsh::NetshInterpreter shell(*machine_);
    for (const char* line :
         {"pushd interface ip", "set address name=\"Wi-Fi\" source=static addr=10.1.2.3 mask=255.255.0.0",
          "set address name=\"wi-fi\" gateway=10.1.0.1 gwmetric=0",
          "set dns name=\"Wi-Fi\" source=static addr=10.1.0.5 register=PRIMARY",
          "add dns name=\"Wi-Fi\" addr=10.1.0.7 index=2", "add dns name=\"Wi-Fi\" addr=10.1.0.6 index=2",
          "set wins name=\"Wi-Fi\" source=static addr=none", "add wins name=\"Wi-Fi\" addr=10.1.0.8", "popd", "",
          "# a comment"})
        EXPECT_EQ(shell.ExecuteLine(line), "") << line;
    AdapterRecord wireless = Adapter("Wi-Fi");
    EXPECT_FALSE(wireless.dhcp);
    EXPECT_EQ(wireless.addresses, std::vector<std::string>{"10.1.2.3"});
    EXPECT_EQ(wireless.masks, std::vector<std::string>{"255.255.0.0"});
    EXPECT_EQ(wireless.gateways, std::vector<std::string>{"10.1.0.1"});
    EXPECT_EQ(wireless.dnsServers, (std::vector<std::string>{"10.1.0.5", "10.1.0.6", "10.1.0.7"}));
    EXPECT_EQ(wireless.winsServers, std::vector<std::string>{"10.1.0.8"});

    // Back to DHCP; asking again is refused as Windows refuses it.
    EXPECT_EQ(shell.ExecuteLine("interface ip set address name=\"Wi-Fi\" source=dhcp"), "");
    EXPECT_EQ(shell.ExecuteLine("interface ip set address name=\"Wi-Fi\" source=dhcp"),
              "DHCP is already enabled on this interface.\r\n");
    EXPECT_EQ(shell.ExecuteLine("interface ip set dns name=\"Wi-Fi\" source=dhcp register=PRIMARY"), "");
    wireless = Adapter("Wi-Fi");
    EXPECT_TRUE(wireless.dhcp && wireless.addresses.empty() && wireless.gateways.empty() &&
                wireless.dnsServers.empty());
}

TEST_F(NetworkTest, ShellPrintsOneLineForEachCommandItCannotCarryOut) {
    netsh::NetshInterpreter shell(*machine_);
    shell.ExecuteLine("pushd interface ip");
    const std::pair<const char*, const char*> cases[] = {
        {"set address name=\"Nowhere\" source=dhcp",
         "The filename, directory name, or volume label syntax is incorrect."},
        {"set address name=\"Wi-Fi\" source=static addr=10.1.2.300 mask=255.255.0.0",
         "Invalid address parameter (10.1.2.300). It should be a valid IPv4 address."},
        {"set address name=\"Wi-Fi\" source=static addr=10.1.2.3 mask=255.0.255.0",
         "Invalid mask parameter (255.0.255.0). It should be a valid IPv4 subnet mask."},
        {"set dns name=\"Wi-Fi\" source=static addr=dns.example", "Invalid address parameter (dns.example). It should "
                                                                  "be a valid IPv4 address."},
        {"set address \"Wi-Fi\" dhcp", "The syntax supplied for this command is not valid. Check help for the correct "
                                       "syntax."},
        {"frobnicate now", "The following command was not found: frobnicate now."},
    };
    for (const auto& [line, message] : cases)
        EXPECT_EQ(shell.ExecuteLine(line), std::string(message) + "\r\n") << line;
    EXPECT_TRUE(Adapter("Wi-Fi").dhcp);

    machine_->SetAdministrator(false);
    EXPECT_EQ(shell.ExecuteLine("set wins name=\"Wi-Fi\" source=dhcp"),
              "The requested operation requires elevation (Run as administrator).\r\n");
}

} // namespace
} // namespace prolamo::os::test
