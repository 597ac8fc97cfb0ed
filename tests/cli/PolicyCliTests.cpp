// The organisation's policies through the command line: an administrator sets them on the
// simulated workstation, and `policy` tells every user what holds and where it came from.

#include "CliRunner.h"

#include <gtest/gtest.h>

#include <filesystem>

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
    for (const std::vector<std::string>& wrong : {std::vector<std::string>{"machine", "policy", "set", "Nothing", "1"},
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

    for (const std::vector<std::string>& edit : {std::vector<std::string>{"config", "add", "Home"},
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
    // The user applies only the organisation's configurations; looking at the own ones stays.
    const CliResult applied = machine.Run({"--yes", "profile", "apply", "Office", "Berlin"});
    EXPECT_EQ(applied.exitCode, 5);
    EXPECT_TRUE(Contains(applied.err, "lets you apply only the configurations it manages")) << applied.err;
    EXPECT_FALSE(Contains(applied.out, "Applying")) << applied.out;
    machine.Ok({"profile", "show", "Office", "Berlin"});

    machine.Ok({"machine", "policy", "set", "AllowUserConfigurations", "1"});
    machine.Ok({"config", "add", "Home"});
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

TEST(PolicyCli, ManagedConfigurationsAreListedMarkedAndKeptWhenTheShareIsGoneOrTheFileDamaged) {
    CliMachine machine;
    MakeLocations(machine);
    const std::string share = machine / "office.txt";
    machine.Ok({"config", "export", "Location", share});
    machine.Ok({"machine", "policy", "set", "ManagedConfigurations", share});
    const std::vector<std::uint8_t> dataFile = ReadBytes(machine.DataFile());

    const CliResult listed = machine.Ok({"list"});
    EXPECT_EQ(listed.err, "");
    // The user's own and the organisation's of the same name, the managed one marked.
    EXPECT_EQ(Count(listed.out, "Location\n"), 1u) << listed.out;
    EXPECT_EQ(Count(listed.out, "Location  (Managed by your organisation)\n"), 1u) << listed.out;
    EXPECT_EQ(Count(listed.out, "    Office\n"), 2u) << listed.out;

    std::filesystem::remove(share);
    const CliResult away = machine.Ok({"list"});
    EXPECT_EQ(away.out, listed.out) << "the kept copy stands in for the share";
    EXPECT_EQ(Count(away.err, "\n"), 1u) << away.err;
    EXPECT_TRUE(Contains(away.err, "cannot be read")) << away.err;
    EXPECT_TRUE(Contains(away.err, "the last copy read is used")) << away.err;

    WriteBytes(share, Bytes("object Configurations: TConfigurations\n  garbage\n"));
    const CliResult damaged = machine.Ok({"list"});
    EXPECT_EQ(damaged.out, listed.out) << "a damaged file does not replace the kept copy";
    EXPECT_EQ(Count(damaged.err, "\n"), 1u) << damaged.err;
    EXPECT_EQ(ReadBytes(machine.DataFile()), dataFile) << "the user's data file never changes because of them";

    machine.Ok({"machine", "policy", "clear", "ManagedConfigurations"});
    const CliResult cleared = machine.Ok({"list"});
    EXPECT_EQ(Count(cleared.out, "Managed by your organisation"), 0u) << cleared.out;
    EXPECT_EQ(cleared.err, "");
}

// Location (Home: no network, Office: Ethernet) exported to the share the policy names; the
// user's own Location is gone, so the name is the organisation's alone.
std::string ShareLocations(const CliMachine& machine) {
    MakeLocations(machine);
    const std::string share = machine / "office.txt";
    machine.Ok({"config", "export", "Location", share});
    machine.Ok({"config", "delete", "Location"});
    machine.Ok({"machine", "policy", "set", "ManagedConfigurations", share});
    return share;
}

TEST(PolicyCli, AManagedConfigurationIsPreviewedAppliedAndUndoneAndNeverSaved) {
    CliMachine machine;
    ShareLocations(machine);
    const std::vector<std::uint8_t> dataFile = ReadBytes(machine.DataFile());

    EXPECT_EQ(machine.Run({"profile", "diff", "Location", "Office"}).exitCode, 1) << "Ethernet is not connected";
    EXPECT_TRUE(Contains(machine.Ok({"profile", "show", "Location", "Office"}).out, "TCP/IP"));
    EXPECT_TRUE(Contains(machine.Ok({"--yes", "profile", "apply", "Location", "Office"}).out, "Applied Office"));
    EXPECT_EQ(machine.Run({"profile", "diff", "Location", "Office"}).exitCode, 0);
    EXPECT_TRUE(Contains(machine.Ok({"history"}).out, "Location / Office"));

    const CliResult undone = machine.Ok({"--yes", "profile", "undo"});
    EXPECT_FALSE(Contains(undone.out, "Left alone")) << undone.out;
    EXPECT_EQ(machine.Run({"profile", "diff", "Location", "Office"}).exitCode, 1) << undone.out;
    EXPECT_EQ(machine.Run({"profile", "diff", "Location", "Home"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(machine.DataFile()), dataFile) << "the organisation's configuration is not the user's to save";
}

TEST(PolicyCli, AManagedConfigurationCannotBeChangedAndSaysWhy) {
    CliMachine machine;
    ShareLocations(machine);
    const std::string listed = machine.Ok({"list"}).out;
    for (const std::vector<std::string>& edit : {std::vector<std::string>{"config", "delete", "Location"},
                                                 {"setting", "add", "Location", "Time zone"},
                                                 {"profile", "add", "Location", "Paris"},
                                                 {"profile", "delete", "Location", "Home"},
                                                 {"profile", "refresh", "Location", "Home"}}) {
        const CliResult refused = machine.Run(edit);
        EXPECT_EQ(refused.exitCode, 6) << edit[0] << " " << edit[1];
        EXPECT_TRUE(Contains(refused.err, "\"Location\" is Managed by your organisation")) << refused.err;
    }
    EXPECT_EQ(machine.Ok({"list"}).out, listed);
    EXPECT_EQ(machine.Run({"config", "delete", "Nowhere"}).exitCode, 2);
    EXPECT_EQ(machine.Run({"--managed", "config", "add", "Nowhere"}).exitCode, 2);
}

TEST(PolicyCli, OnANameBothUseManagedChoosesTheOrganisationsAndUndoFindsIt) {
    CliMachine machine;
    ShareLocations(machine);
    machine.Ok({"config", "add", "Location"});
    machine.Ok({"setting", "add", "Location", "Time zone"});
    machine.Ok({"profile", "add", "Location", "Home"});
    machine.Ok({"profile", "refresh", "Location", "Home"});

    EXPECT_EQ(machine.Run({"profile", "show", "Location", "Office"}).exitCode, 2) << "the user's own has no Office";
    EXPECT_TRUE(Contains(machine.Ok({"--managed", "profile", "show", "Location", "Home"}).out, "TCP/IP"));
    EXPECT_FALSE(Contains(machine.Ok({"profile", "show", "Location", "Home"}).out, "TCP/IP"));
    EXPECT_TRUE(
        Contains(machine.Ok({"--yes", "--managed", "profile", "apply", "Location", "Office"}).out, "Applied Office"));
    EXPECT_EQ(machine.Run({"--managed", "profile", "diff", "Location", "Office"}).exitCode, 0);

    const CliResult undone = machine.Ok({"--yes", "profile", "undo"});
    EXPECT_FALSE(Contains(undone.out, "no longer exists")) << undone.out;
    EXPECT_EQ(machine.Run({"--managed", "profile", "diff", "Location", "Office"}).exitCode, 1) << undone.out;
    EXPECT_EQ(machine.Run({"--managed", "profile", "apply", "Mine", "Home"}).exitCode, 2);

    // The user applies only the organisation's configurations.
    machine.Ok({"machine", "policy", "set", "AllowUserConfigurations", "0"});
    EXPECT_EQ(machine.Run({"--yes", "profile", "apply", "Location", "Home"}).exitCode, 5);
    machine.Ok({"--yes", "--managed", "profile", "apply", "Location", "Office"});
}

TEST(PolicyCli, ARuleAppliesAManagedConfigurationAndTheDataFileStaysAsItIs) {
    CliMachine machine;
    ShareLocations(machine);
    EXPECT_EQ(machine.Run({"rule", "add", "Office", "Nowhere", "Office", "dns-suffix=corp.example"}).exitCode, 2);
    machine.Ok({"rule", "add", "Office", "Location", "Office", "dns-suffix=corp.example"});
    machine.Ok({"machine", "network", "office"});
    const std::string test = machine.Ok({"rule", "test"}).out;
    EXPECT_TRUE(Contains(test, "Rule \"Office\" is the first that matches")) << test;
    EXPECT_FALSE(Contains(test, "does not exist")) << test;
    const std::vector<std::uint8_t> dataFile = ReadBytes(machine.DataFile());

    const CliResult watched = machine.Run({"watch", "7"});
    EXPECT_EQ(watched.exitCode, 0) << watched.err;
    EXPECT_TRUE(Contains(watched.out, "Applied Office: 1 setting, no errors\n")) << watched.out;
    EXPECT_EQ(machine.Run({"profile", "diff", "Location", "Office"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(machine.DataFile()), dataFile);
}

TEST(PolicyCli, UnderAllowUserConfigurationsZeroTheWatcherAppliesOnlyTheOrganisationsConfigurations) {
    CliMachine machine;
    MakeLocations(machine);
    const std::string share = machine / "office.txt";
    machine.Ok({"config", "export", "Location", share});
    machine.Ok({"machine", "policy", "set", "ManagedConfigurations", share});
    machine.Ok({"rule", "add", "Office", "Location", "Office", "dns-suffix=corp.example"});
    machine.Ok({"machine", "network", "office"});
    machine.Ok({"machine", "policy", "set", "AllowUserConfigurations", "0"});

    // Both have Location: the user's own is found first, and is not applied.
    const CliResult refused = machine.Run({"watch", "7"});
    EXPECT_EQ(refused.exitCode, 0) << refused.err;
    const std::string why = "Not applying rule \"Office\" (profile \"Office\" of \"Location\"): Your organisation's "
                            "policy AllowUserConfigurations lets you apply only the configurations it manages.\n";
    EXPECT_TRUE(Contains(refused.out, why)) << refused.out;
    EXPECT_EQ(refused.out.find(why), refused.out.rfind(why)) << "one line: " << refused.out;
    EXPECT_FALSE(Contains(refused.out, "Applied")) << refused.out;
    EXPECT_EQ(machine.Run({"profile", "diff", "Location", "Office"}).exitCode, 1);

    machine.Ok({"machine", "policy", "clear", "AllowUserConfigurations"});
    machine.Ok({"config", "delete", "Location"});
    machine.Ok({"machine", "policy", "set", "AllowUserConfigurations", "0"});
    const CliResult applied = machine.Run({"watch", "7"});
    EXPECT_TRUE(Contains(applied.out, "Applied Office: 1 setting, no errors\n")) << applied.out;
    EXPECT_FALSE(Contains(applied.out, "Not applying")) << applied.out;
}

TEST(PolicyCli, ManagedRulesComeFirstAreMarkedCannotBeDeletedAndAreKeptWhenTheShareIsGone) {
    CliMachine machine;
    MakeLocations(machine);
    // The organisation's rules file, written as the user's is, then put on the share.
    machine.Ok({"rule", "add", "Corporate", "Location", "Office", "address-in=0.0.0.0/0"});
    const std::string share = machine / "office.rules";
    std::filesystem::copy_file(machine.DataFile().parent_path() / "qvt.rules", share);
    machine.Ok({"rule", "delete", "Corporate"});
    machine.Ok({"rule", "add", "Home", "Location", "Home", "ssid=FRITZ!Box 7590 QX"});
    EXPECT_TRUE(Contains(machine.Ok({"rule", "test"}).out, "Rule \"Home\" is the first that matches"));

    machine.Ok({"machine", "policy", "set", "ManagedRules", share});
    const std::vector<std::uint8_t> shared = ReadBytes(share);
    const CliResult listed = machine.Ok({"rule", "list"});
    EXPECT_EQ(listed.err, "");
    EXPECT_TRUE(
        Contains(listed.out, "1. \"Corporate\": profile \"Office\" of \"Location\"  (Managed by your organisation)\n"))
        << listed.out;
    EXPECT_TRUE(Contains(listed.out, "2. \"Home\": profile \"Home\" of \"Location\"\n")) << listed.out;
    EXPECT_TRUE(Contains(machine.Ok({"rule", "test"}).out, "Rule \"Corporate\" is the first that matches"));

    const CliResult refused = machine.Run({"rule", "delete", "Corporate"});
    EXPECT_EQ(refused.exitCode, 6);
    EXPECT_TRUE(Contains(refused.err, "\"Corporate\" is Managed by your organisation")) << refused.err;
    EXPECT_EQ(ReadBytes(share), shared);
    EXPECT_TRUE(Contains(machine.Ok({"rule", "list"}).out, "Corporate"));

    std::filesystem::remove(share);
    const CliResult away = machine.Ok({"rule", "list"});
    EXPECT_EQ(away.out, listed.out) << "the kept copy stands in for the share";
    EXPECT_EQ(Count(away.err, "\n"), 1u) << away.err;
    EXPECT_TRUE(Contains(away.err, "The managed rules of")) << away.err;

    machine.Ok({"machine", "policy", "clear", "ManagedRules"});
    EXPECT_FALSE(Contains(machine.Ok({"rule", "list"}).out, "Corporate"));
}

TEST(PolicyCli, AManagedFileThatWasNeverReadWarnsAndListsOnlyTheUsersOwn) {
    CliMachine machine;
    machine.Ok({"config", "add", "Mine"});
    machine.Ok({"machine", "policy", "set", "ManagedConfigurations", "\\\\srv\\share\\office.txt"});
    const CliResult listed = machine.Ok({"list"});
    EXPECT_TRUE(Contains(listed.out, "Mine\n"));
    EXPECT_FALSE(Contains(listed.out, "Managed by your organisation"));
    EXPECT_TRUE(Contains(listed.err, "no copy of them is kept")) << listed.err;
}

} // namespace
} // namespace prolamo::test
