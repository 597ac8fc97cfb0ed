#pragma once

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace prolamo::test {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the built prolamo-cli on a machine of its own, as a user would from a shell.
class CliMachine {
public:
    CliMachine();

    const std::filesystem::path& Folder() const { return folder_.Path(); }
    std::string operator/(const std::string& name) const { return folder_ / name; }

    CliResult Run(const std::vector<std::string>& arguments, const std::string& input = {}) const;
    // Runs and fails the test unless the exit code is 0.
    CliResult Ok(const std::vector<std::string>& arguments, const std::string& input = {}) const;

    // The data file, once a command has written it; empty before.
    std::filesystem::path DataFile() const;
    // The hosts file of the seeded machine (present once any command ran).
    std::filesystem::path HostsFile() const;

private:
    TempFolder folder_;
    TempFolder scratch_;
};

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);
std::vector<std::uint8_t> Bytes(const std::string& text);
// Text holds Part; the failure shows the whole text.
::testing::AssertionResult Contains(const std::string& text, const std::string& part);
void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// A configuration "Location" with the TCP/IP setting and two profiles: "Home" as seeded, "Office"
// with the wired connection switched on.
void MakeLocations(const CliMachine& machine);

} // namespace prolamo::test
