#pragma once

#include "os/simulated/Machine.h"

namespace prolamo::test {

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

} // namespace prolamo::test
