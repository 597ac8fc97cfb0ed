#pragma once
// Starting a program with its standard output on an anonymous pipe, and reading that pipe while
// the program runs (CreatePipe, CreateProcessW, WaitForSingleObject, PeekNamedPipe, ReadFile);
// its exit code, and ending it (GetExitCodeProcess, TerminateProcess).

#include "os/Errors.h"

#include <cstdint>
#include <string_view>

namespace prolamo::os {

using Handle = std::uintptr_t;
inline constexpr Handle NullHandle = 0;

inline constexpr std::uint32_t HandleFlagInherit = 1;
inline constexpr std::uint32_t CreateNoWindow = 0x08000000;
inline constexpr std::uint32_t WaitObject0 = 0;
inline constexpr std::uint32_t WaitTimeout = 258;
inline constexpr std::uint32_t WaitFailed = 0xFFFFFFFF;
// GetExitCodeProcess's answer while the process runs.
inline constexpr std::uint32_t StillActive = 259;

struct ProcessInformation {
    Handle process = NullHandle;
    Handle thread = NullHandle;
};

class IProcesses {
public:
    virtual ~IProcesses() = default;

    virtual ErrorCode CreatePipe(bool inheritable, Handle* readEnd, Handle* writeEnd) = 0;
    virtual ErrorCode SetHandleInformation(Handle handle, std::uint32_t mask, std::uint32_t flags) = 0;
    // CreateProcessW without an application name: the program is the command line's first
    // argument, looked for beside the calling executable first. Standard output goes to
    // `standardOutput`; the caller's environment and folder are inherited.
    virtual ErrorCode CreateProcess(std::u16string_view commandLine, bool inheritHandles, std::uint32_t creationFlags,
                                    Handle standardOutput, ProcessInformation* information) = 0;
    // CreateProcessW of a program the user named, its command line as given: it runs in `folder`
    // (the caller's when empty; a missing one is ErrorDirectory), reads nothing, and writes both
    // its standard output and its standard error to `output`, which must be inheritable.
    virtual ErrorCode CreateProcessIn(std::u16string_view commandLine, std::u16string_view folder,
                                      std::uint32_t creationFlags, Handle output, ProcessInformation* information) = 0;
    // StillActive while the process runs.
    virtual ErrorCode GetExitCodeProcess(Handle process, std::uint32_t* exitCode) = 0;
    // Ends the process at once with `exitCode`; programs it started go on.
    virtual ErrorCode TerminateProcess(Handle process, std::uint32_t exitCode) = 0;
    // WaitObject0 when the process has ended, WaitTimeout when not within `milliseconds`.
    virtual std::uint32_t WaitForSingleObject(Handle handle, std::uint32_t milliseconds) = 0;
    // The bytes waiting in the pipe, without reading them.
    virtual ErrorCode PeekNamedPipe(Handle pipe, std::uint32_t* bytesAvailable) = 0;
    virtual ErrorCode ReadFile(Handle handle, void* buffer, std::uint32_t size, std::uint32_t* bytesRead) = 0;
    virtual ErrorCode WriteFile(Handle handle, const void* buffer, std::uint32_t size, std::uint32_t* bytesWritten) = 0;
    virtual ErrorCode CloseHandle(Handle handle) = 0;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    // The number the system knows this process by, for others to name it.
    virtual std::uint32_t GetCurrentProcessId() = 0;
};

IProcesses& Processes();

} // namespace prolamo::os
