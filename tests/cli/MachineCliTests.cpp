// The walk-through of the README: capture the machine, change it with the machine commands and
// the network shell, apply the profile, and the machine is as it was.

#include "CliRunner.h"

#include "os/simulated/Machine.h"
#include "os/simulated/SimNetwork.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

namespace prolamo::test {
namespace {

// The network shell lies beside prolamo-cli, as netsh.exe lies in the system folder.
std::string Netsh() {
    return (std::filesystem::path(PROLAMO_CLI_PATH).parent_path() / "netsh").string();
}

int RunNetsh(const CliMachine& machine, const std::string& arguments) {
    const std::string command =
        "PROLAMO_MACHINE='" + machine.Folder().string() + "' '" + Netsh() + "' " + arguments + " >/dev/null";
    return std::system(command.c_str());
}

TEST(MachineCli, ApplyPutsTheCapturedMachineBack) {
    CliMachine machine;
    machine.Ok({"config", "add", "Location"});
    for (const char* kind : {"TCP/IP settings", "Time zone", "Printers", "Network drives"})
        machine.Ok({"setting", "add", "Location", kind});
    machine.Ok({"profile", "add", "Location", "Home"});
    machine.Ok({"profile", "refresh", "Location", "Home"});
    const std::string home = machine.Ok({"machine", "show"}).out;
    EXPECT_TRUE(Contains(home, "Wi-Fi (Intel(R) Wi-Fi 6 AX201 160MHz): enabled\n    address   DHCP"));

    ASSERT_EQ(RunNetsh(machine, "interface ip set address name=Wi-Fi source=static addr=10.0.0.5 "
                                "mask=255.255.255.0 gateway=10.0.0.1"),
              0);
    machine.Ok({"machine", "connect", "Ethernet"});
    machine.Ok({"machine", "timezone", "Tokyo Standard Time"});
    machine.Ok({"machine", "printer-delete", "\\\\PRINTSRV\\Office-Laser"});
    machine.Ok({"machine", "drive-unmap", "S:"});
    const std::string away = machine.Ok({"machine", "show"}).out;
    for (const char* change : {"address   10.0.0.5/255.255.255.0",
                               "Ethernet (Intel(R) Ethernet Connection (7) "
                               "I219-LM): enabled",
                               "Osaka, Sapporo, Tokyo"})
        EXPECT_TRUE(Contains(away, change));
    EXPECT_FALSE(Contains(away, "Office-Laser"));

    const CliResult applied = machine.Ok({"--yes", "profile", "apply", "Location", "Home"});
    EXPECT_TRUE(Contains(applied.out, "Applied Home: 4 settings, no errors\n"));
    EXPECT_EQ(machine.Ok({"machine", "show"}).out, home);
}

TEST(MachineCli, CommandsRefuseWhatTheMachineDoesNotHave) {
    CliMachine machine;
    const CliResult connection = machine.Run({"machine", "connect", "ethernet"}); // names are exact
    EXPECT_EQ(connection.exitCode, 2);
    EXPECT_TRUE(Contains(connection.err, "no network connection \"ethernet\""));
    EXPECT_EQ(machine.Run({"machine", "timezone", "Atlantis Standard Time"}).exitCode, 2);
    const CliResult printer = machine.Run({"machine", "printer-delete", "No Such Printer"});
    EXPECT_EQ(printer.exitCode, 1);
    EXPECT_TRUE(Contains(printer.err, "The printer name is invalid"));
    EXPECT_EQ(machine.Run({"machine", "show", "extra"}).exitCode, 2);
    EXPECT_TRUE(machine.DataFile().empty()); // machine commands leave the data file alone
}

TEST(MachineCli, ShowEscapesTheControlCharactersOfAnAdaptersNames) {
    CliMachine machine;
    machine.Ok({"list"}); // seeds the machine
    {
        const auto opened = os::simulated::Machine::Open(machine.Folder());
        std::vector<os::simulated::AdapterRecord> adapters;
        ASSERT_EQ(os::simulated::ReadAdapters(*opened, &adapters), os::ErrorSuccess);
        const auto wifi =
            std::find_if(adapters.begin(), adapters.end(), [](const auto& a) { return a.connectionName == "Wi-Fi"; });
        ASSERT_NE(wifi, adapters.end());
        wifi->description = "red\x1B[31m\nfake: enabled\xC2\x9B";
        wifi->connectionName = "Wi\tFi\n";
        ASSERT_EQ(os::simulated::WriteAdapter(*opened, *wifi), os::ErrorSuccess);
    }
    const std::string shown = machine.Ok({"machine", "show"}).out;
    EXPECT_TRUE(Contains(shown, "\n  Wi\\x09Fi\\x0A (red\\x1B[31m\\x0Afake: enabled\\xC2\\x9B): enabled\n"));
    EXPECT_EQ(shown.find('\x1B'), std::string::npos);
}

} // namespace
} // namespace prolamo::test
