#include "os/simulated/SimServiceControl.h"

#include "os/ServiceChannel.h"
#include "os/simulated/Machine.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace prolamo::os::simulated {

namespace {

std::filesystem::path PidFile(const Machine& machine) {
    return machine.Folder() / "service.pid";
}

// Windows gives a starting service 30 s to answer the service control manager (ServicesPipeTimeout);
// one that ends sooner is noticed at once.
constexpr auto kStartLimit = std::chrono::seconds(30);
constexpr auto kStopLimit = std::chrono::seconds(5);

enum class Waited { Reached, Ended, TimedOut };

// Waits until the service answers (or stops answering), until Limit, or until the process Started,
// a child of this one, has ended.
Waited WaitUntilRunning(bool running, std::chrono::steady_clock::duration limit, pid_t started) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (SwitchingServiceRuns() == running)
            return Waited::Reached;
        if (started > 0 && ::waitpid(started, nullptr, WNOHANG) == started)
            return Waited::Ended;
        if (std::chrono::steady_clock::now() >= deadline)
            return Waited::TimedOut;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

} // namespace

bool SwitchingServiceRuns() {
    std::unique_ptr<IServiceConnection> connection;
    return ConnectToService(&connection) == ErrorSuccess;
}

ErrorCode StartProgramWithRights(const Machine& machine, const std::string& name,
                                 const std::vector<std::string>& arguments, std::string_view rights, bool ownSession,
                                 pid_t* pid) {
    std::error_code ec;
    std::string program = (std::filesystem::read_symlink("/proc/self/exe", ec).parent_path() / name).string();
    if (ec || ::access(program.c_str(), X_OK) != 0)
        return ErrorFileNotFound;
    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view entry(*e);
        if (!entry.starts_with("PROLAMO_MACHINE=") && !entry.starts_with(std::string(ProcessRightsVariable) + "="))
            environment.emplace_back(entry);
    }
    environment.push_back("PROLAMO_MACHINE=" + machine.Folder().string());
    environment.push_back(std::string(ProcessRightsVariable) + "=" + std::string(rights));
    std::vector<char*> envp;
    for (auto& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = arguments;
    std::vector<char*> argv{program.data()};
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd = 0; fd < 3; ++fd)
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (ownSession)
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    const int rc = posix_spawn(pid, program.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return rc == 0 ? ErrorSuccess : ErrnoToWindowsError(rc, program);
}

ErrorCode StartSwitchingService(Machine& machine) {
    if (SwitchingServiceRuns())
        return ErrorAlreadyExists;
    // The service's own session, as the system account on this machine.
    pid_t pid = 0;
    if (const ErrorCode e = StartProgramWithRights(machine, "prolamo-service", {}, "system", true, &pid);
        e != ErrorSuccess)
        return e;
    std::ofstream(PidFile(machine)) << pid << "\n";
    switch (WaitUntilRunning(true, kStartLimit, pid)) {
    case Waited::Reached:
        return ErrorSuccess;
    case Waited::Ended:
        // One that lost a race with another start ends too; then that one answers.
        return SwitchingServiceRuns() ? ErrorAlreadyExists : ErrorProcessAborted;
    case Waited::TimedOut:
        break;
    }
    return ErrorTimeout;
}

ErrorCode StopSwitchingService(Machine& machine) {
    if (!SwitchingServiceRuns())
        return ErrorNotFound;
    pid_t pid = 0;
    std::ifstream(PidFile(machine)) >> pid;
    if (pid <= 0 || ::kill(pid, SIGTERM) != 0)
        return ErrorAccessDenied; // a service this machine did not start
    // The process id stays until the service has stopped, so that a stop that timed out can be repeated.
    if (WaitUntilRunning(false, kStopLimit, 0) != Waited::Reached)
        return ErrorTimeout;
    std::error_code ec;
    std::filesystem::remove(PidFile(machine), ec);
    ::waitpid(pid, nullptr, WNOHANG); // when this process started it
    return ErrorSuccess;
}

} // namespace prolamo::os::simulated
