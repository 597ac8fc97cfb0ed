#pragma once

#include "support/TempFolder.h"

#include "os/simulated/Machine.h"

#include <gtest/gtest.h>

#include <memory>

namespace prolamo::test {

// A test on a fresh simulated workstation of its own, the process's current one meanwhile.
class SimulatedMachineTest : public ::testing::Test {
protected:
    os::simulated::Machine& Machine() { return *machine_; }

    TempFolder temp_;
    std::unique_ptr<os::simulated::Machine> machine_ = os::simulated::Machine::Open(temp_.Path() / "machine");
    os::simulated::ScopedCurrentMachine current_{*machine_};
};

} // namespace prolamo::test
