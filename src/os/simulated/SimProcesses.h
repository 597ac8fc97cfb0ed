#pragma once
// Processes and anonymous pipes of the simulated machine: real processes and pipes of the host
// behind Windows-shaped handles (internal to the backend).

#include "os/Processes.h"

#include <filesystem>
#include <map>
#include <mutex>

namespace prolamo::os::simulated {

class Machine;

class SimProcesses final : public IProcesses {
public:
    explicit SimProcesses(Machine& machine) : machine_(machine) {}
    ~SimProcesses() override;

    ErrorCode CreatePipe(bool inheritable, Handle* readEnd, Handle* writeEnd) override;
    ErrorCode SetHandleInformation(Handle handle, std::uint32_t mask, std::uint32_t flags) override;
    ErrorCode CreateProcess(std::u16string_view commandLine, bool inheritHandles, std::uint32_t creationFlags,
                            Handle standardOutput, ProcessInformation* information) override;
    ErrorCode CreateProcessIn(std::u16string_view commandLine, std::u16string_view folder, std::uint32_t creationFlags,
                              Handle output, ProcessInformation* information) override;
    ErrorCode GetExitCodeProcess(Handle process, std::uint32_t* exitCode) override;
    ErrorCode TerminateProcess(Handle process, std::uint32_t exitCode) override;
    std::uint32_t WaitForSingleObject(Handle handle, std::uint32_t milliseconds) override;
    ErrorCode PeekNamedPipe(Handle pipe, std::uint32_t* bytesAvailable) override;
    ErrorCode ReadFile(Handle handle, void* buffer, std::uint32_t size, std::uint32_t* bytesRead) override;
    ErrorCode WriteFile(Handle handle, const void* buffer, std::uint32_t size, std::uint32_t* bytesWritten) override;
    ErrorCode CloseHandle(Handle handle) override;
    void Sleep(std::uint32_t milliseconds) override;
    std::uint32_t GetCurrentProcessId() override;

private:
    struct Object {
        enum class Kind { Pipe, Process, Thread } kind = Kind::Pipe;
        int fd = -1; // a pipe end
        int pid = 0; // a process
        bool ended = false;
        bool inheritable = false;
        std::uint32_t exitCode = 0; // once ended
    };
    ErrorCode Spawn(std::u16string_view commandLine, const std::string& folder, bool inheritHandles,
                    Handle standardOutput, bool errorsToOutput, ProcessInformation* information);
    // Notes the end of the process when it has ended, waiting for it when Wait.
    void Reap(Object& object, bool wait);
    Handle Add(Object object);
    Object* Find(Handle handle);
    ErrorCode PipeEnd(Handle handle, int* fd);
    std::filesystem::path FindProgram(const std::string& name) const;

    Machine& machine_;
    std::mutex mutex_;
    std::map<Handle, Object> objects_;
    Handle next_ = 0x4000;
};

} // namespace prolamo::os::simulated
