// The switching service's decisions and its resistance to hostile callers, on a simulated
// workstation. The caller's groups are given by the test (the seam a Windows token would fill).

#include "support/SimulatedMachine.h"
#include "support/TestKinds.h"
#include "support/TranslationInForce.h"

#include "classes/uRegistry.h"
#include "framework/Stream.h"
#include "framework/StreamText.h"
#include "os/Registry.h"
#include "os/ServiceChannel.h"
#include "os/WinHttpProxy.h"
#include "os/simulated/SimEventLog.h"
#include "os/simulated/SimNetwork.h"
#include "profiles/uEnvSettings.h"
#include "profiles/uFileSettings.h"
#include "profiles/uHostsEntriesSettings.h"
#include "profiles/uNetworkSettings.h"
#include "profiles/uServiceClient.h"
#include "profiles/uWinHttpProxySettings.h"
#include "service/uSwitchingService.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <future>
#include <mutex>
#include <sstream>
#include <thread>

using namespace prolamo;
using namespace prolamo::service;
using namespace prolamo::test;

namespace {

class TFixedPolicy final : public IServicePolicyReader {
public:
    TServicePolicy policy;
    TServicePolicy Read() override { return policy; }
};

class TRecordingSink final : public IReplySink {
public:
    void Reply(const TServiceReply& reply) override { replies.push_back(reply); }
    std::string Lines(TServiceReply::Kind kind) const {
        std::string text;
        for (const TServiceReply& r : replies)
            if (r.kind == kind)
                text += ServiceReplyText(r) + "\n";
        return text;
    }
    std::vector<TServiceReply> replies;
};

// One configuration and profile whose values are captured from the machine as it is now.
class TRequest {
public:
    TRequest() {
        GetConfigurationsRoot();
        configuration_.SetName("Office");
        profile_ = configuration_.Profiles().NewProfile();
        profile_->SetName("Desk");
    }
    TSetting& Add(std::unique_ptr<TSetting> setting) {
        TSetting& added = configuration_.AddSetting(std::move(setting));
        profile_->SetValue(added, added.CreateValue());
        return added;
    }
    TConfigurationProfile& Profile() { return *profile_; }
    std::vector<std::uint8_t> Encode() {
        std::vector<TSetting*> settings(configuration_.begin(), configuration_.end());
        return EncodeServiceRequest(configuration_.Name(), *profile_, settings);
    }

private:
    TConfiguration configuration_;
    std::unique_ptr<TConfigurationProfile> profile_;
};

// The profile's Wi-Fi adapter gets a static Address, as a request may carry it.
void SetWiFiAddress(TConfigurationProfile& profile, TSetting& tcpip, const std::string& address) {
    for (TAdapterInfo& adapter : static_cast<TTCPIPSettingValue&>(*profile.FindValue(tcpip)).Adapters())
        if (adapter.AdapterDescription() == u"Wi-Fi") {
            adapter.SetStaticIP(true);
            adapter.IpAddressList().Clear();
            adapter.IpAddressList().Add(address);
            adapter.SubnetMaskList().Clear();
            adapter.SubnetMaskList().Add("255.0.0.0");
        }
}

class ServiceTest : public SimulatedMachineTest {
protected:
    void SetUp() override {
        RegisterTestKinds();
        ::setenv(os::simulated::ProcessRightsVariable, "system", 1); // this process is the service
        user_.userName = "User";
        user_.processId = 4242;
        user_.interactive = true;
    }
    void TearDown() override { ::unsetenv(os::simulated::ProcessRightsVariable); }

    os::simulated::AdapterRecord Adapter(const std::string& connection) {
        std::vector<os::simulated::AdapterRecord> adapters;
        EXPECT_EQ(os::simulated::ReadAdapters(Machine(), &adapters), os::ErrorSuccess);
        for (const auto& a : adapters)
            if (a.connectionName == connection)
                return a;
        ADD_FAILURE() << connection;
        return {};
    }
    // The Wi-Fi adapter moved to a static address, and the hosts file changed, since the capture.
    void ChangeMachine() {
        auto wifi = Adapter("Wi-Fi");
        wifi.dhcp = false;
        wifi.addresses = {"10.9.9.9"};
        wifi.masks = {"255.0.0.0"};
        ASSERT_EQ(os::simulated::WriteAdapter(Machine(), wifi), os::ErrorSuccess);
        std::ofstream(Hosts(), std::ios::app) << "10.1.1.1 intranet\r\n";
    }
    std::filesystem::path Hosts() { return Machine().SystemFolder() / "drivers" / "etc" / "hosts"; }
    std::string HostsText() {
        std::stringstream text;
        text << std::ifstream(Hosts(), std::ios::binary).rdbuf();
        return text.str();
    }
    os::WinHttpProxyInfo MachineProxy() {
        os::WinHttpProxyInfo info;
        EXPECT_EQ(os::WinHttpProxy().GetDefaultProxy(&info), os::ErrorSuccess);
        return info;
    }
    std::vector<os::simulated::EventRecord> Events() {
        std::vector<os::simulated::EventRecord> events;
        EXPECT_EQ(os::simulated::ReadEvents(Machine(), &events), os::ErrorSuccess);
        return events;
    }
    TRecordingSink Handle(std::span<const std::uint8_t> request) {
        TRecordingSink sink;
        HandleRequest(request, user_, policy_, sink);
        return sink;
    }

    os::ServiceCaller user_;
    TFixedPolicy policy_;
};

TEST(ServicePolicy, KindsFollowTheCallersGroupsAndThePolicy) {
    EXPECT_EQ(ParseServiceKinds("tcpip, Connections;HOSTSFILE  resolvercache"),
              KindTcpIp | KindConnections | KindHostsFile | KindResolverCache);
    EXPECT_EQ(ParseServiceKinds("winhttpproxy,MachineEnvironment"), KindWinHttpProxy | KindMachineEnvironment);
    EXPECT_EQ(ParseServiceKinds(""), 0u);
    EXPECT_THROW(ParseServiceKinds("TcpIp,Registry"), Exception);

    TServicePolicy policy;
    EXPECT_EQ(AllowedKinds(policy, false), KindTcpIp | KindConnections | KindResolverCache);
    EXPECT_EQ(AllowedKinds(policy, true), AllServiceKinds);
    policy.userKinds = KindHostsFile;
    EXPECT_EQ(AllowedKinds(policy, false), std::uint32_t{KindHostsFile});
    EXPECT_EQ(AllowedKinds(policy, true), AllServiceKinds); // the policy is about users who are not administrators
    policy.enabled = false;
    EXPECT_EQ(AllowedKinds(policy, true), 0u);
    for (const TServiceKind kind : ServiceKinds)
        EXPECT_EQ(Translated("Engine", KindRefusedLine(kind), {"X", "ServiceKinds"}),
                  "X: The switching service may not apply " + ServiceKindText(kind) + " for you (policy ServiceKinds)");
    // Like the hosts file, the machine-wide proxy is the administrators' unless the policy widens it.
    EXPECT_EQ(DefaultUserKinds & (KindWinHttpProxy | KindHostsFile), 0u);
}

// What the system answers for the caller's token decides, never the request: a caller who is not
// logged on here is no administrator whatever its groups.
TEST(ServiceCaller, GroupsOfTheTokenMakeTheCaller) {
    const auto caller = [](bool interactive, bool administrators) {
        return os::CallerFromGroups("PC\\anna", 77, [=](const os::Sid& sid) {
            return sid == os::InteractiveSid ? interactive : sid == os::AdministratorsGroupSid && administrators;
        });
    };
    EXPECT_TRUE(caller(true, true).administrator);
    EXPECT_TRUE(caller(true, true).interactive);
    EXPECT_FALSE(caller(true, false).administrator);
    EXPECT_FALSE(caller(false, true).administrator);
    EXPECT_FALSE(caller(false, true).interactive);
    EXPECT_EQ(caller(true, false).userName, "PC\\anna");
    EXPECT_EQ(caller(true, false).processId, 77u);
    // And what the service then allows each of them.
    TServicePolicy policy;
    EXPECT_EQ(AllowedKinds(policy, caller(true, false).administrator) & KindHostsFile, 0u);
    EXPECT_NE(AllowedKinds(policy, caller(true, true).administrator) & KindHostsFile, 0u);
}

TEST_F(ServiceTest, ThePolicyIsReadFromTheMachinesPolicyKey) {
    EXPECT_TRUE(TRegistryPolicyReader().Read().enabled);
    EXPECT_FALSE(TRegistryPolicyReader().Read().userKinds);
    TRegistry registry(os::KeyAllAccess);
    registry.SetRootKey(os::HKeyLocalMachine);
    ASSERT_TRUE(registry.OpenKey(PolicyKey, true));
    registry.WriteInteger(PolicyServiceEnabled, 0);
    registry.WriteString(PolicyServiceKinds, "HostsFile");
    const TServicePolicy read = TRegistryPolicyReader().Read();
    EXPECT_FALSE(read.enabled);
    EXPECT_EQ(read.userKinds, std::uint32_t{KindHostsFile});
    registry.WriteString(PolicyServiceKinds, "Everything");
    EXPECT_THROW(TRegistryPolicyReader().Read(), Exception);
}

TEST_F(ServiceTest, AStandardUserGetsTcpIpButNotTheHostsFileUntilThePolicyAllowsIt) {
    TRequest request;
    request.Add(std::make_unique<TTCPIPSetting>());
    request.Add(std::make_unique<THostsFileSetting>());
    const std::string hosts = HostsText();
    ChangeMachine();
    const std::string changedHosts = HostsText();

    TRecordingSink sink = Handle(request.Encode());
    EXPECT_TRUE(Adapter("Wi-Fi").dhcp);
    EXPECT_EQ(HostsText(), changedHosts);
    EXPECT_EQ(sink.Lines(TServiceReply::Kind::Error),
              "Hosts file: The switching service may not apply the hosts file for you (policy ServiceKinds)\n");
    EXPECT_EQ(sink.replies.back().kind, TServiceReply::Kind::Done);
    ASSERT_EQ(Events().size(), 1u);
    EXPECT_EQ(Events()[0].type, os::EventType::Warning);
    EXPECT_EQ(Events()[0].text, "The user \"User\" (process 4242): configuration \"Office\", profile \"Desk\"; TCP/IP "
                                "settings, network connections, the hosts file; applied 1, refused 1, errors 0");

    policy_.policy.userKinds = AllServiceKinds;
    sink = Handle(request.Encode());
    EXPECT_EQ(sink.Lines(TServiceReply::Kind::Error), "");
    EXPECT_EQ(HostsText(), hosts);
    EXPECT_EQ(Events().back().type, os::EventType::Information);
}

TEST_F(ServiceTest, AStandardUserGetsTheWinHttpProxyAndHostsEntriesOnlyWhenThePolicyAllowsThem) {
    TRequest request;
    auto block = std::make_unique<THostsEntriesSetting>();
    block->SetBlockName("VPN");
    TSetting& entries = request.Add(std::move(block));
    const std::vector<std::string> lines = {"10.8.0.1\tvpn.corp.example", "10.8.0.2 git.corp.example"};
    static_cast<THostsEntriesValue&>(*request.Profile().FindValue(entries)).SetLines(lines);
    TSetting& proxy = request.Add(std::make_unique<TWinHttpProxySetting>());
    auto& proxyValue = static_cast<TWinHttpProxyValue&>(*request.Profile().FindValue(proxy));
    proxyValue.SetUseProxy(true);
    proxyValue.SetProxyServer("proxy.corp.example:8080");
    proxyValue.SetProxyBypass("*.corp.example;<local>");
    // Another program's lines, one without its line break at the end.
    std::ofstream(Hosts(), std::ios::app | std::ios::binary) << "10.1.1.1 intranet\r\n127.0.0.1 tool.local";
    const std::string hosts = HostsText();

    TRecordingSink sink = Handle(request.Encode());
    EXPECT_EQ(sink.Lines(TServiceReply::Kind::Error),
              "Hosts entries (VPN): The switching service may not apply the hosts file for you (policy ServiceKinds)\n"
              "WinHTTP proxy: The switching service may not apply the WinHTTP proxy for you (policy ServiceKinds)\n");
    EXPECT_EQ(HostsText(), hosts);
    EXPECT_EQ(MachineProxy(), os::WinHttpProxyInfo{});
    EXPECT_EQ(Events().back().text, "The user \"User\" (process 4242): configuration \"Office\", profile \"Desk\"; the "
                                    "hosts file, the WinHTTP proxy; applied 0, refused 2, errors 0");

    policy_.policy.userKinds = KindHostsFile | KindWinHttpProxy;
    sink = Handle(request.Encode());
    EXPECT_EQ(sink.Lines(TServiceReply::Kind::Error), "");
    // The resolver cache's flush stays the administrators' and is only a warning.
    EXPECT_EQ(sink.Lines(TServiceReply::Kind::Warning),
              "Name resolver cache: The switching service may not apply the flush of the name resolver "
              "cache for you (policy ServiceKinds)\n");
    EXPECT_EQ(HostsText(), hosts + "\r\n# BEGIN Prolamo VPN\r\n10.8.0.1\tvpn.corp.example\r\n10.8.0.2 "
                                   "git.corp.example\r\n# END Prolamo VPN\r\n");
    EXPECT_EQ(MachineProxy(), (os::WinHttpProxyInfo{os::WinHttpAccessTypeNamedProxy, u"proxy.corp.example:8080",
                                                    u"*.corp.example;<local>"}));
    EXPECT_EQ(Events().back().type, os::EventType::Information);

    // The undo's values: no block, direct access; the other program's lines stay byte for byte.
    static_cast<THostsEntriesValue&>(*request.Profile().FindValue(entries)).SetLines({});
    proxyValue.SetUseProxy(false);
    proxyValue.SetProxyServer("");
    proxyValue.SetProxyBypass("");
    EXPECT_EQ(Handle(request.Encode()).Lines(TServiceReply::Kind::Error), "");
    EXPECT_EQ(HostsText(), hosts + "\r\n");
    EXPECT_EQ(MachineProxy(), os::WinHttpProxyInfo{});
}

TEST_F(ServiceTest, AnAdministratorGetsEveryKindAndNoOneElseAnything) {
    TRequest request;
    request.Add(std::make_unique<THostsFileSetting>());
    const std::string hosts = HostsText();
    ChangeMachine();
    const std::string changedHosts = HostsText();

    os::ServiceCaller remote = user_;
    remote.interactive = false;
    TRecordingSink sink;
    HandleRequest(request.Encode(), remote, policy_, sink);
    EXPECT_EQ(sink.Lines(TServiceReply::Kind::Refused),
              "The switching service serves the users logged on at this computer only\n");

    user_.administrator = true;
    policy_.policy.enabled = false;
    EXPECT_EQ(Handle(request.Encode()).Lines(TServiceReply::Kind::Refused),
              "The switching service is switched off (policy ServiceEnabled)\n");
    EXPECT_EQ(HostsText(), changedHosts);

    policy_.policy.enabled = true;
    EXPECT_EQ(Handle(request.Encode()).Lines(TServiceReply::Kind::Error), "");
    EXPECT_EQ(HostsText(), hosts);
    EXPECT_EQ(Events().size(), 3u); // refusals are recorded too
}

TEST_F(ServiceTest, HostileRequestsLeaveTheMachineUntouched) {
    user_.administrator = true;
    policy_.policy.userKinds = AllServiceKinds;
    ChangeMachine();
    const std::string hosts = HostsText();
    const auto before = Adapter("Wi-Fi");
    const auto refusedWithoutWrites = [&](std::span<const std::uint8_t> bytes, const std::string& why) -> std::string {
        SCOPED_TRACE(why);
        const TRecordingSink sink = Handle(bytes);
        if (sink.replies.empty()) {
            ADD_FAILURE() << "no reply";
            return {};
        }
        EXPECT_EQ(sink.replies.back().kind, TServiceReply::Kind::Refused) << ServiceReplyText(sink.replies.back());
        EXPECT_EQ(HostsText(), hosts);
        EXPECT_EQ(Adapter("Wi-Fi").addresses, before.addresses);
        EXPECT_EQ(MachineProxy(), os::WinHttpProxyInfo{});
        return ServiceReplyText(sink.replies.back());
    };

    // A File setting names its own path; with it, not even the TCP/IP setting beside it is applied.
    const auto target = Machine().SystemFolder() / "drivers" / "etc" / "hosts";
    {
        TRequest request;
        request.Add(std::make_unique<TTCPIPSetting>());
        auto file = std::make_unique<TFileSetting>();
        file->SetFileName(target.string());
        request.Add(std::move(file));
        std::ofstream(target, std::ios::app) << "";
        EXPECT_EQ(refusedWithoutWrites(request.Encode(), "file"),
                  "The switching service never applies File (" + target.string() + "); nothing was applied");
    }
    // A variable of the user's is a registry key of the user's, which the user's programs write.
    {
        TRequest request;
        auto env = std::make_unique<TEnvSetting>();
        env->Names().Add(EnvChoiceText(u"PROLAMO_TEST", TEnvScope::User));
        request.Add(std::move(env));
        EXPECT_NE(refusedWithoutWrites(request.Encode(), "user variable").find("never applies"), std::string::npos);
    }
    // A block name or an entry that would break out of the block, a proxy value that would put a
    // line break or a stray byte into the machine's setting, or a value of another kind: the whole
    // request is refused before the TCP/IP setting beside them is applied.
    const auto refusedHosts = [&](const std::string& name, const std::vector<std::string>& lines) {
        TRequest request;
        request.Add(std::make_unique<TTCPIPSetting>());
        auto block = std::make_unique<THostsEntriesSetting>();
        block->SetBlockName(name);
        TSetting& added = request.Add(std::move(block));
        static_cast<THostsEntriesValue&>(*request.Profile().FindValue(added)).SetLines(lines);
        return refusedWithoutWrites(request.Encode(), "hosts block " + name);
    };
    {
        // The program never makes such a name; a hostile client writes the bytes itself.
        const std::string name = "VPN||10.6.6.6 update.example";
        TRequest request;
        auto block = std::make_unique<THostsEntriesSetting>();
        block->SetBlockName(name);
        request.Add(std::move(block));
        std::vector<std::uint8_t> bytes = request.Encode();
        const auto at = std::search(bytes.begin(), bytes.end(), name.begin(), name.end());
        ASSERT_NE(at, bytes.end());
        at[3] = '\r';
        at[4] = '\n';
        EXPECT_NE(refusedWithoutWrites(bytes, "block name").find("cannot name a block"), std::string::npos);
    }
    EXPECT_NE(refusedHosts("VPN", {"10.8.0.1 vpn", "# END Prolamo VPN", "10.6.6.6 update.example"})
                  .find("would read as a block's marker line"),
              std::string::npos);
    EXPECT_NE(refusedHosts("VPN", {"10.8.0.1 vpn\x1b[2J"}).find("holds a control character"), std::string::npos);
    const auto refusedProxy = [&](std::unique_ptr<TSettingValue> value, const std::string& why) {
        TRequest request;
        request.Add(std::make_unique<TTCPIPSetting>());
        TSetting& proxy = request.Add(std::make_unique<TWinHttpProxySetting>());
        value->SetCreatorId(proxy.Id());
        request.Profile().SetValue(proxy, std::move(value));
        return refusedWithoutWrites(request.Encode(), why);
    };
    const auto proxyValue = [](const std::string& server, const std::string& bypass) {
        auto value = std::make_unique<TWinHttpProxyValue>();
        value->SetUseProxy(true);
        value->SetProxyServer(server);
        value->SetProxyBypass(bypass);
        return value;
    };
    EXPECT_NE(refusedProxy(proxyValue("proxy:8080\nhttps=evil:443", ""), "server").find("WinHTTP proxy server"),
              std::string::npos);
    EXPECT_NE(refusedProxy(proxyValue("proxy:8080", std::string(LongestWinHttpList + 1, 'a')), "bypass")
                  .find("WinHTTP bypass list"),
              std::string::npos);
    EXPECT_NE(refusedProxy(proxyValue(" ", ""), "no server").find(WinHttpProxyNeedsServer), std::string::npos);
    EXPECT_NE(refusedProxy(std::make_unique<THostsEntriesValue>(), "other kind").find("another kind's value"),
              std::string::npos);

    // Bytes that are no request, cut short, too deep or too large.
    const std::vector<std::uint8_t> valid = [] {
        TRequest request;
        request.Add(std::make_unique<TTCPIPSetting>());
        return request.Encode();
    }();
    refusedWithoutWrites(std::span(valid).first(valid.size() - 7), "truncated");
    std::vector<std::uint8_t> random(4096);
    std::uint32_t seed = 12345;
    for (auto& b : random)
        b = static_cast<std::uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
    refusedWithoutWrites(random, "random");
    std::string deep;
    for (int i = 0; i < MaxServiceRequestNesting + 2; ++i)
        deep += "object C" + std::to_string(i) + ": TConfigurations\n";
    for (int i = 0; i < MaxServiceRequestNesting + 2; ++i)
        deep += "end\n";
    const std::string tooDeep = refusedWithoutWrites(ObjectTextToBinary(deep), "deep");
    EXPECT_NE(tooDeep.find(texts::InvalidStreamFormat), std::string::npos) << tooDeep;
    std::vector<std::uint8_t> large(valid);
    large.resize(MaxServiceRequestSize + 1);
    refusedWithoutWrites(large, "large");
}

TEST_F(ServiceTest, AnAddressThatCarriesMoreThanAnAddressIsRefusedForItsAdapter) {
    TRequest request;
    TSetting& tcpip = request.Add(std::make_unique<TTCPIPSetting>());
    SetWiFiAddress(request.Profile(), tcpip, "10.0.0.9 name=Ethernet");
    const TRecordingSink sink = Handle(request.Encode());
    EXPECT_NE(sink.Lines(TServiceReply::Kind::Error).find("is not a dotted IPv4 address"), std::string::npos);
    EXPECT_TRUE(Adapter("Wi-Fi").dhcp);
}

// Talks to a running service the way a client does, line by line.
class TRawClient {
public:
    bool Connect() { return os::ConnectToService(&connection_) == os::ErrorSuccess; }
    void Send(std::span<const std::uint8_t> bytes) { connection_->Write(bytes); }
    void Send(const std::string& text) {
        Send(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    }
    void SendRequest(const std::vector<std::uint8_t>& request) {
        Send(ServiceGreeting());
        const auto size = static_cast<std::uint32_t>(request.size());
        const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
                                       static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 24)};
        Send(bytes);
        Send(request);
    }
    // Everything the service said until it closed, less the empty lines that only say it is there.
    std::string Answer() {
        std::string text;
        std::uint8_t chunk[1024];
        std::size_t done = 0;
        while (connection_->Read(chunk, &done, 20000) == os::ErrorSuccess && done > 0)
            text.append(reinterpret_cast<const char*>(chunk), done);
        std::string said;
        for (std::size_t at = 0, next = 0; at < text.size(); at = next) {
            next = std::min(text.find('\n', at), text.size() - 1) + 1;
            if (text.compare(at, next - at, "\n") != 0)
                said.append(text, at, next - at);
        }
        return said;
    }
    // The next Size bytes, or fewer when the service is silent longer than a client waits.
    std::string Read(std::size_t size) {
        std::string text;
        std::uint8_t chunk[1024];
        std::size_t done = 0;
        while (text.size() < size &&
               connection_->Read(std::span(chunk, std::min(sizeof chunk, size - text.size())), &done,
                                 ServiceTimeoutMs) == os::ErrorSuccess &&
               done > 0)
            text.append(reinterpret_cast<const char*>(chunk), done);
        return text;
    }
    void Close() { connection_.reset(); }

private:
    std::unique_ptr<os::IServiceConnection> connection_;
};

class RunningServiceTest : public ServiceTest {
protected:
    void SetUp() override {
        ServiceTest::SetUp();
        std::unique_ptr<os::IServiceListener> listener;
        ASSERT_EQ(os::ListenForClients(&listener), os::ErrorSuccess);
        service_ = std::make_unique<TSwitchingService>(std::move(listener), policy_);
        thread_ = std::thread([this] { service_->Run([this] { return stop_.load(); }); });
    }
    void TearDown() override {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        service_.reset();
        ServiceTest::TearDown();
    }
    // An empty request: one configuration, one profile, nothing to apply.
    std::vector<std::uint8_t> EmptyRequest() { return TRequest().Encode(); }

    std::unique_ptr<TSwitchingService> service_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

// The main window's marker: the process's rights, and for a standard user whether the service runs.
TEST_F(RunningServiceTest, TheMarkerTellsWhichCaseHolds) {
    using User = os::simulated::Machine::User;
    EXPECT_EQ(CurrentRightsCase(), TRightsCase::Administrator); // the system, as the service's process
    ::unsetenv(os::simulated::ProcessRightsVariable);
    const std::pair<User, TRightsCase> cases[] = {{User::ElevatedAdministrator, TRightsCase::Administrator},
                                                  {User::Administrator, TRightsCase::FilteredAdministrator},
                                                  {User::Standard, TRightsCase::UserWithService}};
    for (const auto& [user, expected] : cases) {
        Machine().SetUser(user);
        EXPECT_EQ(CurrentRightsCase(), expected);
    }
    stop_ = true;
    thread_.join();
    service_.reset(); // the socket goes with the listener
    EXPECT_EQ(CurrentRightsCase(), TRightsCase::UserWithoutService);
    EXPECT_EQ(RightsCaseText(TRightsCase::UserWithoutService).rfind("Standard user without the switching service: ", 0),
              0u);
}

TEST_F(RunningServiceTest, ASecondServiceAndAStrangerAreTurnedAway) {
    std::unique_ptr<os::IServiceListener> second;
    EXPECT_EQ(os::ListenForClients(&second), os::ErrorAlreadyExists);
    TRawClient old;
    ASSERT_TRUE(old.Connect());
    old.Send("PROLAMO-SWITCHING 1\n");
    EXPECT_EQ(old.Answer(), "refused The switching service speaks protocol version 3\n")
        << "a client that knows no keyed texts reads the refusal whole";
    TRawClient client;
    ASSERT_TRUE(client.Connect());
    client.SendRequest(EmptyRequest());
    EXPECT_EQ(client.Answer(), ServiceGreeting() + "done\n");
}

// The service runs without the user's language: its own lines and the kinds' lines it applies
// travel as keyed texts, and a client in German tells them in German.
TEST_F(RunningServiceTest, AClientTellsTheServicesLinesInItsLanguage) {
    Machine().SetUser(os::simulated::Machine::User::Standard);
    TRequest request;
    TSetting& tcpip = request.Add(std::make_unique<TTCPIPSetting>());
    TSetting& hosts = request.Add(std::make_unique<THostsFileSetting>());
    SetWiFiAddress(request.Profile(), tcpip, "10.0.0.256");
    const TTranslationInForce german(
        {{"Applying %1...", "%1 wird angewendet..."},
         {"%1: The switching service may not apply the hosts file for you (policy %2)",
          "%1: Der Umschaltdienst darf die hosts-Datei nicht für Sie anwenden (Richtlinie %2)"},
         {"The %1 entry %2 is not a dotted IPv4 address; no script is written for the adapter",
          "Der Eintrag %2 (%1) ist keine IPv4-Adresse"}});
    TRawClient raw;
    ASSERT_TRUE(raw.Connect());
    raw.SendRequest(request.Encode());
    const std::string answer = raw.Answer();
    EXPECT_NE(answer.find("Applying %1..."), std::string::npos) << answer;
    EXPECT_EQ(answer.find("wird angewendet"), std::string::npos) << "the service tells nothing in its own language";
    EXPECT_EQ(std::count(answer.begin(), answer.end(), '\n'), 6) << "greeting, status, step, two lines, done";

    class TStatuses final : public TProgressSender {
    public:
        void Start(int) override {}
        void SetStatus(const std::string& text) override { shown.push_back(text); }
        void Step() override {}
        void Finish(const TCheckResultList&) override {}
        std::vector<std::string> shown;
    } sender;
    std::vector<TSetting*> settings{&tcpip, &hosts};
    TCheckResultList results;
    ApplyThroughService(request.Profile(), settings, os::ProcessRights::StandardUser, nullptr, sender, results);
    EXPECT_NE(std::find(sender.shown.begin(), sender.shown.end(), tcpip.GetDisplayText() + " wird angewendet..."),
              sender.shown.end());
    ASSERT_EQ(results.Count(), 2u);
    EXPECT_EQ(results[0].Text(), tcpip.GetDisplayText() + ": Wi-Fi: Der Eintrag \"10.0.0.256\" (IP address) ist keine "
                                                          "IPv4-Adresse");
    EXPECT_EQ(results[1].Text(), hosts.GetDisplayText() +
                                     ": Der Umschaltdienst darf die hosts-Datei nicht für Sie anwenden (Richtlinie "
                                     "ServiceKinds)");
}

// A service of the first protocol version refuses this client's greeting; the client says so,
// with the service's own words, and applies nothing.
TEST_F(ServiceTest, AClientOfAnotherVersionIsRefusedCleanly) {
    std::unique_ptr<os::IServiceListener> listener;
    ASSERT_EQ(os::ListenForClients(&listener), os::ErrorSuccess);
    std::thread oldService([&] {
        std::unique_ptr<os::IServiceConnection> connection;
        os::ServiceCaller caller;
        if (listener->Accept(&connection, &caller, 20000) != os::ErrorSuccess)
            return;
        std::uint8_t greeting[64];
        std::size_t done = 0;
        connection->Read(greeting, &done, 20000);
        const std::string refusal = "refused The switching service speaks protocol version 1\n";
        connection->Write(std::span(reinterpret_cast<const std::uint8_t*>(refusal.data()), refusal.size()));
    });
    TRequest request;
    TSetting& tcpip = request.Add(std::make_unique<TTCPIPSetting>());
    class TQuiet final : public TProgressSender {
        void Start(int) override {}
        void SetStatus(const std::string&) override {}
        void Step() override {}
        void Finish(const TCheckResultList&) override {}
    } sender;
    std::vector<TSetting*> settings{&tcpip};
    TCheckResultList results;
    ApplyThroughService(request.Profile(), settings, os::ProcessRights::StandardUser, nullptr, sender, results);
    oldService.join();
    ASSERT_EQ(results.Count(), 1u);
    EXPECT_EQ(results[0].Text(), "Switching service: The switching service speaks protocol version 1");
}

TEST(ServiceProtocol, AReplyIsOneLineThatKeepsItsKeyedTextsWhole) {
    std::string text;
    {
        const TKeyedTexts keyed;
        text = Translated("Engine", "%1: cannot %2", {"a\tb", "c\r\nd"});
    }
    const std::string line = FormatServiceReply({TServiceReply::Kind::Error, text});
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << "no argument breaks the line";
    EXPECT_EQ(line.find('\t'), std::string::npos);
    const std::optional<TServiceReply> back = ParseServiceReply(line.substr(0, line.size() - 1));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->kind, TServiceReply::Kind::Error);
    EXPECT_EQ(ServiceReplyText(*back), "a b: cannot c  d");

    EXPECT_EQ(FormatServiceReply({TServiceReply::Kind::Done, {}}), "done\n");
    EXPECT_EQ(FormatServiceReply({TServiceReply::Kind::Refused, "busy\tnow"}), "refused busy now\n");
    const std::optional<TServiceReply> plain = ParseServiceReply("warning 100% of %1 done");
    ASSERT_TRUE(plain);
    EXPECT_EQ(ServiceReplyText(*plain), "100% of %1 done") << "a plain text is shown as it came";
    EXPECT_FALSE(ParseServiceReply("applied\tx"));
}

TEST_F(RunningServiceTest, ClientsThatVanishCostTheServiceNothing) {
    {
        TRawClient silent; // connects and says nothing: its time runs out, the others go on
        ASSERT_TRUE(silent.Connect());
        TRawClient halfway;
        ASSERT_TRUE(halfway.Connect());
        const std::vector<std::uint8_t> request = EmptyRequest();
        halfway.Send(ServiceGreeting());
        halfway.Send(std::vector<std::uint8_t>{0x00, 0x10, 0x00, 0x00});
        halfway.Send(std::span(request).first(10));
        halfway.Close();
        TRawClient deaf;
        ASSERT_TRUE(deaf.Connect());
        deaf.SendRequest(request);
        deaf.Close();
        TRawClient huge;
        ASSERT_TRUE(huge.Connect());
        huge.Send(ServiceGreeting());
        huge.Send(std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0x7F});
        EXPECT_EQ(ResolvedText(huge.Answer()),
                  ServiceGreeting() + "refused The request is larger than 1048576 bytes\n");
        TRawClient next;
        ASSERT_TRUE(next.Connect());
        next.SendRequest(request);
        EXPECT_EQ(next.Answer(), ServiceGreeting() + "done\n");
    }
    // The deaf client's request is applied too, maybe after the last one's.
    for (int i = 0; i < 100 && Events().size() < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(Events().size(), 2u);
}

// A request hears from the service before its client would give up, however long it waits for
// another request or takes itself (here its policy is slow to read), and nothing follows its last line.
TEST_F(ServiceTest, AClientHearsFromTheServiceWhileItsRequestWaitsOrTakesLong) {
    class TSlowPolicy final : public IServicePolicyReader {
    public:
        explicit TSlowPolicy(TServicePolicy policy) : policy_(policy) {}
        TServicePolicy Read() override {
            reading = true;
            released_.wait();
            return policy_;
        }
        void Release() { release_.set_value(); }
        std::atomic<bool> reading{false};

    private:
        TServicePolicy policy_;
        std::promise<void> release_;
        std::shared_future<void> released_ = release_.get_future().share();
    } slow(policy_.policy);
    std::unique_ptr<os::IServiceListener> listener;
    ASSERT_EQ(os::ListenForClients(&listener), os::ErrorSuccess);
    TRawClient client;
    ASSERT_TRUE(client.Connect());
    std::unique_ptr<os::IServiceConnection> connection;
    os::ServiceCaller caller;
    ASSERT_EQ(listener->Accept(&connection, &caller, 20000), os::ErrorSuccess);
    std::mutex applying;
    std::unique_lock other(applying); // another request is being applied
    std::thread serving([&] {
        ServeConnection(*connection, user_, slow, applying);
        connection.reset(); // as the service closes it
    });
    client.SendRequest(TRequest().Encode());
    EXPECT_EQ(client.Read(ServiceGreeting().size() + 1), ServiceGreeting() + "\n");
    EXPECT_FALSE(slow.reading);
    other.unlock();
    EXPECT_EQ(client.Read(1), "\n");
    EXPECT_TRUE(slow.reading);
    EXPECT_TRUE(Events().empty());
    slow.Release();
    const std::string answer = client.Answer();
    EXPECT_EQ(answer.substr(answer.find_first_not_of('\n')), "done\n");
    serving.join();
    EXPECT_EQ(Events().size(), 1u);
}

TEST_F(RunningServiceTest, FiftyClientsAtOnceAreServedOrToldTheServiceIsBusy) {
    std::atomic<int> served{0}, busy{0}, other{0};
    const std::vector<std::uint8_t> request = EmptyRequest();
    std::vector<std::thread> clients;
    for (int i = 0; i < 50; ++i)
        clients.emplace_back([&] {
            TRawClient client;
            if (!client.Connect()) {
                ++other;
                return;
            }
            client.SendRequest(request);
            const std::string answer = ResolvedText(client.Answer());
            if (answer == ServiceGreeting() + "done\n")
                ++served;
            else if (answer == "refused The switching service is busy; try again\n")
                ++busy;
            else
                ++other;
        });
    for (std::thread& t : clients)
        t.join();
    EXPECT_EQ(other.load(), 0);
    EXPECT_EQ(served + busy, 50);
    EXPECT_GT(served.load(), 0);
    EXPECT_EQ(Events().size(), static_cast<std::size_t>(served.load()));
}

} // namespace
