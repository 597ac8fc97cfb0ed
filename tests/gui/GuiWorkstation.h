#pragma once
// The workstation a GUI test runs on. Off Windows it is a fresh simulated one of the test's own;
// on Windows it is the system itself, whose data folder and start-up entry of the program belong to
// the test while it runs and are put back afterwards.

#include <filesystem>
#include <memory>
#include <string>

namespace prolamo::test {

class GuiWorkstation {
public:
    GuiWorkstation();
    ~GuiWorkstation();
    GuiWorkstation(const GuiWorkstation&) = delete;
    GuiWorkstation& operator=(const GuiWorkstation&) = delete;

    // A folder of the test's own, removed with the workstation.
    const std::filesystem::path& Scratch() const;
    // Where the shell keeps the user's documents, as the system itself says.
    std::string DocumentsFolder() const;

    bool IsAdministrator() const;
    // Why the user's administrator state cannot be chosen here, or empty.
    std::string AdministratorFixedReason() const;
    void SetAdministrator(bool administrator);

    // Why a program of the build drawn off screen cannot be asked to end from outside here, or
    // empty.
    std::string EndRequestUntestableReason() const;

    // A folder that is not the user's own, as a stranger's configuration may name one.
    std::string FolderOutsideTheUsersOwn() const;

    // A rule condition, "key = value", that holds for the network the workstation is on now.
    std::string ConditionOfCurrentNetwork() const;

    // The command the session starts at log-on for the program, or empty when there is none.
    std::string StartWithSessionCommand() const;

private:
    struct Backend;
    std::unique_ptr<Backend> backend_;
};

} // namespace prolamo::test
