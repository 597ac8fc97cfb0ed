// The walk-through of a standard user: what the user's own programs may not write goes through
// the switching service, by the machine's policy, and every request is in the machine's log.

#include "CliRunner.h"

#include "profiles/uServiceClient.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

namespace prolamo::test {
namespace {

// A service started for the test, stopped at its end whatever happened.
class TServiceRun {
public:
    explicit TServiceRun(const CliMachine& machine) : machine_(machine) {
        EXPECT_EQ(machine.Ok({"machine", "service", "start"}).out, "The switching service is running\n");
    }
    ~TServiceRun() { machine_.Run({"machine", "service", "stop"}); }

private:
    const CliMachine& machine_;
};

std::string Text(const std::filesystem::path& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

const std::string kWired = "Ethernet (Intel(R) Ethernet Connection (7) I219-LM): ";

// Profile "Home" of configuration "Net" (TCP/IP and the hosts file) as seeded; then an
// administrator wires the laptop and names a host. The hosts file before and after.
std::pair<std::string, std::string> MakeNetAndMoveAway(const CliMachine& machine) {
    machine.Ok({"config", "add", "Net"});
    machine.Ok({"setting", "add", "Net", "TCP/IP settings"});
    machine.Ok({"setting", "add", "Net", "Hosts file"});
    machine.Ok({"profile", "add", "Net", "Home"});
    machine.Ok({"profile", "refresh", "Net", "Home"});
    const std::string hosts = Text(machine.HostsFile());
    machine.Ok({"machine", "connect", "Ethernet"});
    std::ofstream(machine.HostsFile(), std::ios::app) << "10.1.1.1 intranet\r\n";
    return {hosts, Text(machine.HostsFile())};
}

TEST(ServiceCli, AStandardUserSwitchesThroughTheServiceAsThePolicyAllows) {
    CliMachine machine;
    const auto [hosts, changedHosts] = MakeNetAndMoveAway(machine);
    machine.Ok({"machine", "user", "standard"});

    const CliResult alone = machine.Run({"--yes", "profile", "apply", "Net", "Home"});
    EXPECT_EQ(alone.exitCode, 1);
    EXPECT_TRUE(Contains(alone.out + alone.err, std::string("TCP/IP settings: ") + ServiceNotRunning));
    EXPECT_TRUE(Contains(alone.out + alone.err, std::string("Hosts file: ") + ServiceNotRunning));
    EXPECT_TRUE(Contains(machine.Ok({"machine", "show"}).out, kWired + "enabled"));

    TServiceRun service(machine);
    const CliResult first = machine.Run({"--yes", "profile", "apply", "Net", "Home"});
    EXPECT_EQ(first.exitCode, 1);
    EXPECT_TRUE(
        Contains(first.out + first.err,
                 "Hosts file: The switching service may not apply the hosts file for you (policy ServiceKinds)"));
    EXPECT_TRUE(Contains(machine.Ok({"machine", "show"}).out, kWired + "disabled"));
    EXPECT_EQ(Text(machine.HostsFile()), changedHosts);

    // The policy is the administrators' to set.
    EXPECT_TRUE(Contains(machine.Run({"machine", "policy", "set", "ServiceKinds", "TcpIp,Connections,HostsFile"}).err,
                         "Access is denied"));
    machine.Ok({"machine", "user", "elevated"});
    machine.Ok({"machine", "policy", "set", "ServiceKinds", "TcpIp,Connections,ResolverCache,HostsFile"});
    machine.Ok({"machine", "user", "standard"});
    EXPECT_TRUE(
        Contains(machine.Ok({"--yes", "profile", "apply", "Net", "Home"}).out, "Applied Home: 2 settings, no errors"));
    EXPECT_EQ(Text(machine.HostsFile()), hosts);

    // The undo writes the hosts file back through the service too.
    const CliResult undo = machine.Ok({"--yes", "profile", "undo"});
    EXPECT_TRUE(Contains(undo.out, "Applying through the switching service..."));
    EXPECT_EQ(Text(machine.HostsFile()), changedHosts);

    const std::string events = machine.Ok({"machine", "events"}).out;
    std::size_t requests = 0;
    for (std::size_t at = 0; (at = events.find("Prolamo  The user \"User\"", at)) != std::string::npos; ++at)
        ++requests;
    EXPECT_EQ(requests, 3u) << events;
    EXPECT_TRUE(Contains(events, "Warning  Prolamo  The user \"User\" (process "));
    EXPECT_TRUE(Contains(events, "configuration \"Net\", profile \"Home\"; TCP/IP settings, network connections, the "
                                 "hosts file; applied 1, refused 1, errors 0"));
}

// Configuration "Site": the WinHTTP proxy and the hosts block "VPN"; profile "Corp" with a proxy and
// two entries, profile "Direct" with neither.
void ImportSite(const CliMachine& machine) {
    const std::string value = R"(
            object TWinHttpProxyValue
              CreatorId = 1
              UseProxy = True
              ProxyServer = 'proxy.corp.example:8080'
              ProxyBypass = '<local>'
            end
            object THostsEntriesValue
              CreatorId = 2
              Entries = '10.8.0.1 vpn.corp.example'#13#10'10.8.0.2 git.corp.example'#13#10
            end)";
    std::ofstream(machine / "site.txt") << R"(object Configurations: TConfigurations
  Configurations = <
    item
      Name = 'Site'
      Settings = (
        object TWinHttpProxySetting
          Id = 1
        end
        object THostsEntriesSetting
          Id = 2
          BlockName = 'VPN'
        end
      )
      Profiles = <
        item
          Name = 'Corp'
          Values = ()" << value << R"()
        end
        item
          Name = 'Direct'
          Values = (
            object TWinHttpProxyValue
              CreatorId = 1
            end
            object THostsEntriesValue
              CreatorId = 2
            end)
        end
      >
    end
  >
end
)";
    machine.Ok({"--yes", "config", "import", machine / "site.txt"});
}

TEST(ServiceCli, TheWinHttpProxyAndHostsEntriesOfAStandardUserGoThroughTheServiceWhenThePolicyAllows) {
    CliMachine machine;
    ImportSite(machine);
    machine.Ok({"machine", "user", "standard"});
    std::ofstream(machine.HostsFile(), std::ios::app | std::ios::binary) << "10.1.1.1 intranet\r\n";
    const std::string hosts = Text(machine.HostsFile());
    const std::string direct = "Profile \"Direct\" of configuration \"Site\": Nothing will change";
    EXPECT_TRUE(Contains(machine.Ok({"profile", "diff", "Site", "Direct"}).out, direct));

    TServiceRun service(machine);
    const CliResult refused = machine.Run({"--yes", "profile", "apply", "Site", "Corp"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(Contains(refused.out + refused.err, "WinHTTP proxy: The switching service may not apply the WinHTTP "
                                                    "proxy for you (policy ServiceKinds)"));
    EXPECT_TRUE(Contains(refused.out + refused.err, "Hosts entries (VPN): The switching service may not apply the "
                                                    "hosts file for you (policy ServiceKinds)"));
    EXPECT_EQ(Text(machine.HostsFile()), hosts);
    EXPECT_TRUE(Contains(machine.Ok({"profile", "diff", "Site", "Direct"}).out, direct));

    machine.Ok({"machine", "user", "elevated"});
    machine.Ok({"machine", "policy", "set", "ServiceKinds", "TcpIp,Connections,ResolverCache,HostsFile,WinHttpProxy"});
    machine.Ok({"machine", "user", "standard"});
    EXPECT_TRUE(
        Contains(machine.Ok({"--yes", "profile", "apply", "Site", "Corp"}).out, "Applied Corp: 2 settings, no errors"));
    EXPECT_TRUE(Contains(machine.Ok({"profile", "diff", "Site", "Corp"}).out,
                         "Profile \"Corp\" of configuration \"Site\": Nothing will change"));
    EXPECT_EQ(Text(machine.HostsFile()), hosts + "# BEGIN Prolamo VPN\r\n10.8.0.1 vpn.corp.example\r\n"
                                                 "10.8.0.2 git.corp.example\r\n# END Prolamo VPN\r\n");

    // Another program adds its line after the block; the undo takes only the block and the proxy back.
    std::ofstream(machine.HostsFile(), std::ios::app | std::ios::binary) << "10.2.2.2 tool.local\r\n";
    const CliResult undo = machine.Ok({"--yes", "profile", "undo"});
    EXPECT_TRUE(Contains(undo.out, "Applying through the switching service..."));
    EXPECT_EQ(Text(machine.HostsFile()), hosts + "10.2.2.2 tool.local\r\n");
    EXPECT_TRUE(Contains(machine.Ok({"profile", "diff", "Site", "Direct"}).out, direct));
    EXPECT_TRUE(Contains(machine.Ok({"machine", "events"}).out,
                         "configuration \"Site\", profile \"Corp\"; the hosts file, the WinHTTP proxy; applied 0, "
                         "refused 2, errors 0"));
}

TEST(ServiceCli, TheServiceRunsOnceAndOnlyAsTheSystem) {
    CliMachine machine;
    EXPECT_EQ(machine.Ok({"machine", "service", "status"}).out, "The switching service is stopped\n");
    {
        TServiceRun service(machine);
        EXPECT_TRUE(
            Contains(machine.Run({"machine", "service", "start"}).err, "The switching service is running already"));
    }
    EXPECT_EQ(machine.Ok({"machine", "service", "status"}).out, "The switching service is stopped\n");
    EXPECT_TRUE(Contains(machine.Run({"machine", "service", "stop"}).err, "The switching service is not running"));
    const std::string service = (std::filesystem::path(PROLAMO_CLI_PATH).parent_path() / "prolamo-service").string();
    const std::string started = "PROLAMO_MACHINE='" + machine.Folder().string() + "' '" + service + "' 2>/dev/null";
    EXPECT_EQ(WEXITSTATUS(std::system(started.c_str())), 2);
}

// A service that cannot listen ends at its start: the start tells so instead of waiting for an answer,
// and a start once the way is clear works.
TEST(ServiceCli, AServiceThatEndsAtItsStartIsReportedAsEnded) {
    CliMachine machine;
    const auto notASocket = machine.Folder() / "service.socket";
    std::filesystem::create_directory(notASocket);
    const CliResult start = machine.Run({"machine", "service", "start"});
    EXPECT_NE(start.exitCode, 0);
    EXPECT_TRUE(Contains(start.err, "The process terminated unexpectedly"));
    EXPECT_EQ(machine.Ok({"machine", "service", "status"}).out, "The switching service is stopped\n");

    std::filesystem::remove(notASocket);
    TServiceRun service(machine);
    EXPECT_EQ(machine.Ok({"machine", "service", "status"}).out, "The switching service is running\n");
}

// An administrator without elevation and without the service is asked once, and the system's
// consent prompt (the machine's answer here) decides.
TEST(ServiceCli, AnAdministratorWithoutElevationAppliesAfterConsent) {
    CliMachine machine;
    const auto [hosts, changedHosts] = MakeNetAndMoveAway(machine);
    machine.Ok({"machine", "user", "administrator"});

    // The question comes once for both settings; a no at it, or at the system's prompt, writes nothing.
    const CliResult declined = machine.Run({"profile", "apply", "Net", "Home"}, "y\nn\n");
    EXPECT_EQ(declined.exitCode, 1);
    EXPECT_TRUE(Contains(declined.out, std::string(ElevationQuestion) + "?"));
    EXPECT_TRUE(Contains(declined.out + declined.err, std::string("Hosts file: ") + ElevationDeclined));
    machine.Ok({"machine", "consent", "no"});
    const CliResult refused = machine.Run({"--yes", "profile", "apply", "Net", "Home"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(Contains(refused.out + refused.err, std::string("TCP/IP settings: ") + ElevationDeclined));
    EXPECT_TRUE(Contains(machine.Ok({"machine", "show"}).out, kWired + "enabled"));
    EXPECT_EQ(Text(machine.HostsFile()), changedHosts);

    machine.Ok({"machine", "consent", "yes"});
    EXPECT_TRUE(
        Contains(machine.Ok({"--yes", "profile", "apply", "Net", "Home"}).out, "Applied Home: 2 settings, no errors"));
    EXPECT_TRUE(Contains(machine.Ok({"machine", "show"}).out, kWired + "disabled"));
    EXPECT_EQ(Text(machine.HostsFile()), hosts);
    // The request and result files went with the apply.
    const auto temp =
        machine.HostsFile().parent_path().parent_path().parent_path().parent_path().parent_path() / "Users";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(temp))
        EXPECT_NE(entry.path().parent_path().filename(), "Temp") << entry.path();
}

// The watcher of a standard user switches the network through the service, without asking.
TEST(ServiceCli, TheWatcherOfAStandardUserSwitchesThroughTheService) {
    CliMachine machine;
    MakeLocations(machine);
    machine.Ok({"rule", "add", "Office", "Location", "Office", "dns-suffix=corp.example"});
    machine.Ok({"machine", "network", "office"});
    machine.Ok({"machine", "user", "standard"});
    TServiceRun service(machine);
    const CliResult watched = machine.Run({"watch", "7"});
    EXPECT_EQ(watched.exitCode, 0) << watched.err;
    EXPECT_TRUE(Contains(watched.out, "Applied Office: 1 setting, no errors\n"));
    EXPECT_TRUE(Contains(machine.Ok({"machine", "show"}).out, kWired + "enabled"));
}

} // namespace
} // namespace prolamo::test
