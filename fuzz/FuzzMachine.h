#pragma once
// A simulated workstation of the fuzzer's own, seeded once in a new folder below the temporary
// folder (on tmpfs where there is one, since inputs write files), current for the whole process
// and removed at its end.

#include "os/simulated/Machine.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>

namespace prolamo::fuzz {

class FuzzMachine {
public:
    FuzzMachine() {
        const char* shm = "/dev/shm";
        const std::filesystem::path base =
            std::filesystem::is_directory(shm) ? std::filesystem::path(shm) : std::filesystem::temp_directory_path();
        std::string pattern = (base / "prolamo-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create the fuzzer's machine folder");
        folder_ = pattern;
        machine_ = os::simulated::Machine::Open(folder_ / "machine");
        current_ = std::make_unique<os::simulated::ScopedCurrentMachine>(*machine_);
    }
    ~FuzzMachine() {
        current_.reset();
        machine_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    FuzzMachine(const FuzzMachine&) = delete;
    FuzzMachine& operator=(const FuzzMachine&) = delete;

    os::simulated::Machine& Machine() { return *machine_; }
    const std::filesystem::path& Folder() const { return folder_; }

private:
    std::filesystem::path folder_;
    std::unique_ptr<os::simulated::Machine> machine_;
    std::unique_ptr<os::simulated::ScopedCurrentMachine> current_;
};

} // namespace prolamo::fuzz
