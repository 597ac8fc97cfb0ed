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

TEST(PolicyCli, WithoutUserConfigurationsTheEditingCommandsAreRefusedAndApplyingStillWorks) {
    CliMachine machine;
    machine.Ok({"config", "add", "Office"});
    machine.Ok({"setting", "add", "Office", "Time zone"});
    machine.Ok({"profile", "add", "Office", "Berlin"});
    machine.Ok({"profile", "refresh", "Office", "Berlin"});
    const std::string before = machine.Ok({"list"}).out;
    machine.Ok({"machine", "policy", "set", "AllowUserConfigurations", "0"});

    for (const std::vector<std::string>& edit :
         {std::vector<std::string>{"config", "add", "Home"},
          {"config", "delete", "Office"},
          {"setting", "add", "Office", "Printers"},
          {"profile", "add", "Office", "Paris"},
          {"profile", "delete", "Office", "Berlin"},
          {"profile", "refresh", "Office", "Berlin"},
          {"profile", "undo-refresh"},
          {"config", "import", "/nowhere/office.txt"}}) {
        const CliResult refused = machine.Run(edit);
        EXPECT_EQ(refused.exitCode, 5) << edit[0] << " " << edit[1];
        EXPECT_TRUE(Contains(refused.err, "policy AllowUserConfigurations does not let you")) << refused.err;
    }
    EXPECT_EQ(machine.Ok({"list"}).out, before);
    EXPECT_TRUE(Contains(machine.Ok({"--yes", "profile", "apply", "Office", "Berlin"}).out, "Applied Berlin"));
    machine.Ok({"profile", "show", "Office", "Berlin"});

    machine.Ok({"machine", "policy", "set", "AllowUserConfigurations", "1"});
    machine.Ok({"config", "add", "Home"});
}

} // namespace
} // namespace prolamo::test
