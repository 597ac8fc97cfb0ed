#pragma once
// The one place where tests control the simulated workstation beyond what its services offer: a
// fresh machine per test, faults of its registry and its disk, keys removed behind the registry's
// back. No test touches the machine's database itself.

#include "support/TempFolder.h"

#include "os/Registry.h"
#include "os/simulated/FileFaults.h"
#include "os/simulated/Machine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace prolamo::test {

// A test on a fresh simulated workstation of its own, the process's current one meanwhile.
class SimulatedMachineTest : public ::testing::Test {
protected:
    os::simulated::Machine& Machine() { return *machine_; }

    TempFolder temp_;
    std::unique_ptr<os::simulated::Machine> machine_ = os::simulated::Machine::Open(temp_.Path() / "machine");
    os::simulated::ScopedCurrentMachine current_{*machine_};
};

// Removes a key of HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE with its subkeys and values, as a
// workstation that never had it (the registry layer deletes no keys). Throws std::runtime_error
// when the machine refuses.
void RemoveRegistryKey(os::simulated::Machine& machine, os::HKey root, std::u16string_view path);

// Machines that earlier builds seeded, for tests that opening one brings it up to date.
enum class EarlierLayout {
    // Before printers, print servers, file shares and mapped drives.
    WithoutPrintersAndDrives,
    // Before the time zones; the browsers' files, which came with them, stay for the test to remove.
    WithoutTimeZones,
    // Before the adapters knew their wireless network, medium, gateway's hardware address and DNS
    // suffix; such a build wrote no layout mark either.
    WithoutNetworkColumns,
};
// Turns Machine into one an earlier build left; it is brought up to date when next opened.
// Throws std::runtime_error when the machine refuses.
void RevertToEarlierLayout(os::simulated::Machine& machine, EarlierLayout layout);

// While it lives, every query of a registry value on Machine is refused with access denied, as a
// value the user may not read; keys still open and list their values.
class RegistryValueReadsRefused {
public:
    explicit RegistryValueReadsRefused(os::simulated::Machine& machine);
    ~RegistryValueReadsRefused();
    RegistryValueReadsRefused(const RegistryValueReadsRefused&) = delete;
    RegistryValueReadsRefused& operator=(const RegistryValueReadsRefused&) = delete;

private:
    os::simulated::Machine& machine_;
};

// While it lives, each write of a file puts down at most `bytes` bytes of it and then fails as on a
// full disk (ErrorDiskFull); in every machine and outside them.
class FileWritesFailAfter {
public:
    explicit FileWritesFailAfter(std::uint64_t bytes) { os::simulated::SetFileWriteRoom(bytes); }
    ~FileWritesFailAfter() { os::simulated::SetFileWriteRoom(std::nullopt); }
    FileWritesFailAfter(const FileWritesFailAfter&) = delete;
    FileWritesFailAfter& operator=(const FileWritesFailAfter&) = delete;
};

} // namespace prolamo::test
