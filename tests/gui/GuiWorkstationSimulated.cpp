// The GUI tests' workstation off Windows: a simulated one in a temporary folder, the process's
// current machine meanwhile and the one of the programs it starts, with the desktop's
// configuration folder there too.

#include "GuiWorkstation.h"

#include "os/simulated/Machine.h"
#include "support/TempFolder.h"

#include <cstdlib>
#include <fstream>
#include <optional>

namespace prolamo::test {

namespace {

// An environment variable set for the test's time, and put back as it was.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        if (const char* before = std::getenv(name))
            before_ = before;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() {
        if (before_)
            ::setenv(name_, before_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> before_;
};

} // namespace

struct GuiWorkstation::Backend {
    TempFolder scratch;
    std::unique_ptr<os::simulated::Machine> machine = os::simulated::Machine::Open(scratch.Path() / "machine");
    os::simulated::ScopedCurrentMachine current{*machine};
    ScopedVariable configHome{"XDG_CONFIG_HOME", (scratch.Path() / "config").string()};
    // The programs a test starts work on the same machine.
    ScopedVariable machineFolder{"PROLAMO_MACHINE", (scratch.Path() / "machine").string()};
};

GuiWorkstation::GuiWorkstation() : backend_(std::make_unique<Backend>()) {}
GuiWorkstation::~GuiWorkstation() = default;

const std::filesystem::path& GuiWorkstation::Scratch() const {
    return backend_->scratch.Path();
}

std::string GuiWorkstation::DocumentsFolder() const {
    return backend_->machine->DocumentsFolder().string();
}

bool GuiWorkstation::IsAdministrator() const {
    return backend_->machine->IsAdministrator();
}

std::string GuiWorkstation::AdministratorFixedReason() const {
    return {};
}

void GuiWorkstation::SetAdministrator(bool administrator) {
    backend_->machine->SetAdministrator(administrator);
}

std::string GuiWorkstation::EndRequestUntestableReason() const {
    return {};
}

// The scratch folder lies outside the simulated machine.
std::string GuiWorkstation::FolderOutsideTheUsersOwn() const {
    return backend_->scratch.Path().string();
}

// The seeded laptop is at home, on its wireless network.
std::string GuiWorkstation::ConditionOfCurrentNetwork() const {
    return "ssid = FRITZ!Box 7590 QX";
}

std::string GuiWorkstation::StartWithSessionCommand() const {
    std::ifstream entry(backend_->scratch.Path() / "config" / "autostart" / "prolamo.desktop");
    for (std::string line; std::getline(entry, line);)
        if (line.starts_with("Exec="))
            return line.substr(5);
    return {};
}

} // namespace prolamo::test
