#include "os/simulated/SimProcesses.h"

#include "os/Text.h"
#include "os/simulated/Machine.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace prolamo::os::simulated {

namespace {

// The arguments of a command line, split as the C runtime of a Windows program splits them:
// blanks separate, double quotes group, a backslash escapes a double quote.
std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> args;
    std::string current;
    bool quoted = false, any = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\\' && i + 1 < line.size() && line[i + 1] == '"') {
            current += '"';
            ++i;
            any = true;
        } else if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (any)
                args.push_back(current);
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any)
        args.push_back(current);
    return args;
}

std::filesystem::path OwnFolder() {
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
}

bool IsProgram(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

} // namespace

SimProcesses::~SimProcesses() {
    for (auto& [handle, object] : objects_)
        if (object.kind == Object::Kind::Pipe)
            ::close(object.fd);
}

Handle SimProcesses::Add(Object object) {
    const Handle handle = next_;
    next_ += 4;
    objects_.emplace(handle, object);
    return handle;
}

SimProcesses::Object* SimProcesses::Find(Handle handle) {
    const auto it = objects_.find(handle);
    return it == objects_.end() ? nullptr : &it->second;
}

ErrorCode SimProcesses::CreatePipe(bool inheritable, Handle* readEnd, Handle* writeEnd) {
    // Windows has no broken-pipe signal: a write to a pipe without readers fails with a code.
    ::signal(SIGPIPE, SIG_IGN);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return ErrnoToWindowsError(errno, {});
    std::lock_guard lock(mutex_);
    *readEnd = Add({Object::Kind::Pipe, fds[0], 0, false, inheritable});
    *writeEnd = Add({Object::Kind::Pipe, fds[1], 0, false, inheritable});
    return ErrorSuccess;
}

ErrorCode SimProcesses::SetHandleInformation(Handle handle, std::uint32_t mask, std::uint32_t flags) {
    std::lock_guard lock(mutex_);
    Object* object = Find(handle);
    if (object == nullptr)
        return ErrorInvalidHandle;
    if ((mask & HandleFlagInherit) != 0)
        object->inheritable = (flags & HandleFlagInherit) != 0;
    return ErrorSuccess;
}

// Like Windows, a bare program name is looked for beside the calling executable first, then in
// the machine's system folder, then in the folders of PATH; "name.exe" also finds the Linux
// program "name".
std::filesystem::path SimProcesses::FindProgram(const std::string& name) const {
    if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos)
        return IsProgram(name) ? std::filesystem::path(name) : std::filesystem::path();
    std::vector<std::string> names{name};
    if (name.size() > 4 && Utf8ToUtf16(name.substr(name.size() - 4)) == u".exe")
        names.push_back(name.substr(0, name.size() - 4));
    std::vector<std::filesystem::path> folders{OwnFolder(), machine_.SystemFolder()};
    if (const char* path = std::getenv("PATH"))
        for (std::string_view rest = path; !rest.empty();) {
            const std::size_t colon = std::min(rest.find(':'), rest.size());
            if (colon > 0)
                folders.emplace_back(rest.substr(0, colon));
            rest.remove_prefix(std::min(colon + 1, rest.size()));
        }
    for (const auto& folder : folders)
        for (const auto& candidate : names)
            if (IsProgram(folder / candidate))
                return folder / candidate;
    return {};
}

ErrorCode SimProcesses::CreateProcess(std::u16string_view commandLine, bool inheritHandles, std::uint32_t,
                                      Handle standardOutput, ProcessInformation* information) {
    return Spawn(commandLine, {}, inheritHandles, standardOutput, false, information);
}

ErrorCode SimProcesses::CreateProcessIn(std::u16string_view commandLine, std::u16string_view folder, std::uint32_t,
                                        Handle output, ProcessInformation* information) {
    return Spawn(commandLine, Utf16ToUtf8(folder), true, output, true, information);
}

ErrorCode SimProcesses::Spawn(std::u16string_view commandLine, const std::string& folder, bool inheritHandles,
                              Handle standardOutput, bool errorsToOutput, ProcessInformation* information) {
    const std::vector<std::string> args = SplitCommandLine(Utf16ToUtf8(commandLine));
    if (args.empty())
        return ErrorFileNotFound;
    const std::filesystem::path program = FindProgram(args[0]);
    if (program.empty())
        return ErrorFileNotFound;
    std::error_code ec;
    if (!folder.empty() && !std::filesystem::is_directory(folder, ec))
        return ErrorDirectory;

    std::lock_guard lock(mutex_);
    const Object* output = Find(standardOutput);
    if (output == nullptr || output->kind != Object::Kind::Pipe)
        return ErrorInvalidHandle;
    // The child sees only the handles it may inherit: an inheritable output, no input.
    const bool passOutput = inheritHandles && output->inheritable;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (passOutput)
        posix_spawn_file_actions_adddup2(&actions, output->fd, 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (passOutput && errorsToOutput)
        posix_spawn_file_actions_adddup2(&actions, output->fd, 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (!folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());

    // The child works on the same machine as its parent.
    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e)
        if (std::string_view(*e).substr(0, 16) != "PROLAMO_MACHINE=")
            environment.emplace_back(*e);
    environment.push_back("PROLAMO_MACHINE=" + machine_.Folder().string());
    std::vector<char*> envp;
    for (auto& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argvText = args;
    argvText[0] = program.string();
    std::vector<char*> argv;
    for (auto& a : argvText)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return ErrnoToWindowsError(rc, program.string());
    information->process = Add({Object::Kind::Process, -1, pid});
    information->thread = Add({Object::Kind::Thread, -1, pid});
    return ErrorSuccess;
}

void SimProcesses::Reap(Object& object, bool wait) {
    int status = 0;
    const pid_t r = ::waitpid(object.pid, &status, wait ? 0 : WNOHANG);
    if (r == object.pid) {
        object.ended = true;
        // Windows has no signals: a program ended by one gets the shell's code for it.
        object.exitCode = WIFEXITED(status) ? static_cast<std::uint32_t>(WEXITSTATUS(status))
                                            : 128u + static_cast<std::uint32_t>(WTERMSIG(status));
    } else if (r < 0 && errno == ECHILD) {
        object.ended = true;
    }
}

ErrorCode SimProcesses::GetExitCodeProcess(Handle process, std::uint32_t* exitCode) {
    std::lock_guard lock(mutex_);
    Object* object = Find(process);
    if (object == nullptr || object->kind != Object::Kind::Process)
        return ErrorInvalidHandle;
    if (!object->ended)
        Reap(*object, false);
    *exitCode = object->ended ? object->exitCode : StillActive;
    return ErrorSuccess;
}

ErrorCode SimProcesses::TerminateProcess(Handle process, std::uint32_t exitCode) {
    std::lock_guard lock(mutex_);
    Object* object = Find(process);
    if (object == nullptr || object->kind != Object::Kind::Process)
        return ErrorInvalidHandle;
    if (object->ended)
        return ErrorAccessDenied; // as Windows answers for a process that has exited
    if (::kill(object->pid, SIGKILL) != 0)
        return ErrnoToWindowsError(errno, {});
    Reap(*object, true);
    object->exitCode = exitCode;
    return ErrorSuccess;
}

std::uint32_t SimProcesses::WaitForSingleObject(Handle handle, std::uint32_t milliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            Object* object = Find(handle);
            if (object == nullptr || object->kind != Object::Kind::Process)
                return WaitFailed;
            if (!object->ended)
                Reap(*object, false);
            if (object->ended)
                return WaitObject0;
        }
        if (milliseconds != 0xFFFFFFFF && std::chrono::steady_clock::now() >= deadline)
            return WaitTimeout;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

ErrorCode SimProcesses::PeekNamedPipe(Handle pipe, std::uint32_t* bytesAvailable) {
    std::lock_guard lock(mutex_);
    const Object* object = Find(pipe);
    if (object == nullptr || object->kind != Object::Kind::Pipe)
        return ErrorInvalidHandle;
    int available = 0;
    if (::ioctl(object->fd, FIONREAD, &available) != 0)
        return ErrnoToWindowsError(errno, {});
    if (available == 0) {
        // Windows reports a pipe whose every writer has gone as broken.
        pollfd p{object->fd, POLLIN, 0};
        if (::poll(&p, 1, 0) > 0 && (p.revents & POLLHUP) != 0)
            return ErrorBrokenPipe;
    }
    *bytesAvailable = static_cast<std::uint32_t>(available);
    return ErrorSuccess;
}

ErrorCode SimProcesses::PipeEnd(Handle handle, int* fd) {
    std::lock_guard lock(mutex_);
    const Object* object = Find(handle);
    if (object == nullptr || object->kind != Object::Kind::Pipe)
        return ErrorInvalidHandle;
    *fd = object->fd;
    return ErrorSuccess;
}

ErrorCode SimProcesses::ReadFile(Handle handle, void* buffer, std::uint32_t size, std::uint32_t* bytesRead) {
    int fd = -1;
    if (const ErrorCode e = PipeEnd(handle, &fd); e != ErrorSuccess)
        return e;
    const ssize_t n = ::read(fd, buffer, size);
    if (n < 0)
        return ErrnoToWindowsError(errno, {});
    *bytesRead = static_cast<std::uint32_t>(n);
    return n == 0 && size > 0 ? ErrorBrokenPipe : ErrorSuccess;
}

ErrorCode SimProcesses::WriteFile(Handle handle, const void* buffer, std::uint32_t size, std::uint32_t* bytesWritten) {
    int fd = -1;
    if (const ErrorCode e = PipeEnd(handle, &fd); e != ErrorSuccess)
        return e;
    const ssize_t n = ::write(fd, buffer, size);
    if (n < 0)
        return errno == EPIPE ? ErrorBrokenPipe : ErrnoToWindowsError(errno, {});
    *bytesWritten = static_cast<std::uint32_t>(n);
    return ErrorSuccess;
}

ErrorCode SimProcesses::CloseHandle(Handle handle) {
    std::lock_guard lock(mutex_);
    Object* object = Find(handle);
    if (object == nullptr)
        return ErrorInvalidHandle;
    if (object->kind == Object::Kind::Pipe) {
        ::close(object->fd);
    } else if (object->kind == Object::Kind::Process && !object->ended) {
        // Closing the handle does not end the process; reap it if it has ended, so no zombie stays.
        Reap(*object, false);
    }
    objects_.erase(handle);
    return ErrorSuccess;
}

void SimProcesses::Sleep(std::uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::uint32_t SimProcesses::GetCurrentProcessId() {
    return static_cast<std::uint32_t>(::getpid());
}

} // namespace prolamo::os::simulated
