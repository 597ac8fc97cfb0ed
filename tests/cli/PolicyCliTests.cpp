// The organisation's policies through the command line: an administrator sets them on the
// simulated workstation, and `policy` tells every user what holds and where it came from.

#include "CliRunner.h"

#include <gtest/gtest.h>

namespace prolamo::test {
namespace {

// The line `policy` prints for Name.
std::string PolicyLine(const CliMachine& machine, const std::string& name) {
    const std::string out = machine.Ok({"policy"}).out;
    const std::size_t at = out.find(name + " ");
    if (at == std::string::npos)
        return {};
    return out.substr(at, out.find('\n', at) - at);
}

TEST(PolicyCli, AnAdministratorSetsAndClearsAPolicyAndPolicyTellsItsSource) {
    CliMachine machine;
    EXPECT_TRUE(Contains(PolicyLine(machine, "AllowUserConfigurations"), "1  (default)"));
    EXPECT_TRUE(Contains(PolicyLine(machine, "ManagedConfigurations"), "(not set)  (default)"));

    machine.Ok({"machine", "policy", "set", "managedconfigurations", "\\\\srv\\share\\office\x1b[2J.txt"});
    machine.Ok({"machine", "policy", "set", "AllowUserConfigurations", "0"});
    // The administrator's text reaches the terminal without its control characters.
    const std::string managed = PolicyLine(machine, "ManagedConfigurations");
    EXPECT_TRUE(Contains(managed, "\\\\srv\\share\\office")) << managed;
    EXPECT_TRUE(Contains(managed, "(machine policy)")) << managed;
    EXPECT_FALSE(Contains(managed, "\x1b")) << managed;
    EXPECT_TRUE(Contains(PolicyLine(machine, "AllowUserConfigurations"), "0  (machine policy)"));

    machine.Ok({"machine", "policy", "clear", "AllowUserConfigurations"});
    EXPECT_TRUE(Contains(PolicyLine(machine, "AllowUserConfigurations"), "1  (default)"));
    machine.Ok({"machine", "policy", "clear", "AllowUserConfigurations"}); // nothing to remove is no error
}

TEST(PolicyCli, WrongNamesValuesAndUsersAreRefused) {
    CliMachine machine;
    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"machine", "policy", "set", "Nothing", "1"},
          {"machine", "policy", "set", "AutomaticSwitching", "2"},
          {"machine", "policy", "set", "ServiceKinds", "TcpIp,Printers"},
          {"machine", "policy", "set", "AutomaticSwitching"},
          {"machine", "policy", "clear", "AutomaticSwitching", "0"},
          {"machine", "policy", "remove", "AutomaticSwitching"}}) {
        const CliResult result = machine.Run(wrong);
        EXPECT_NE(result.exitCode, 0) << wrong[2] << " " << wrong[3];
    }
    EXPECT_EQ(machine.Run({"machine", "policy", "set", "Nothing", "1"}).exitCode, 2);
    EXPECT_TRUE(Contains(PolicyLine(machine, "AutomaticSwitching"), "(not set)  (default)"));

    for (const char* user : {"standard", "administrator"}) {
        machine.Ok({"machine", "user", user});
        const CliResult refused = machine.Run({"machine", "policy", "set", "AutomaticSwitching", "1"});
        EXPECT_NE(refused.exitCode, 0) << user;
        EXPECT_TRUE(Contains(refused.err, "Access is denied")) << refused.err;
    }
    EXPECT_TRUE(Contains(PolicyLine(machine, "AutomaticSwitching"), "(not set)  (default)"));
}

} // namespace
} // namespace prolamo::test
