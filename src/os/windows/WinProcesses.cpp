// Programs started with their output on a pipe (CreatePipe, CreateProcessW, WaitForSingleObject,
// PeekNamedPipe, ReadFile).

#include "os/Processes.h"
#include "os/windows/WinSupport.h"

namespace prolamo::os {

namespace {

using windows::LastErrorOr;

HANDLE Native(Handle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

Handle FromNative(HANDLE handle) {
    return reinterpret_cast<Handle>(handle);
}

class WinProcesses final : public IProcesses {
public:
    ErrorCode CreatePipe(bool inheritable, Handle* readEnd, Handle* writeEnd) override {
        SECURITY_ATTRIBUTES attributes{sizeof(attributes), nullptr, inheritable ? TRUE : FALSE};
        HANDLE reader = nullptr, writer = nullptr;
        if (!::CreatePipe(&reader, &writer, &attributes, 0))
            return LastErrorOr(ErrorGenFailure);
        *readEnd = FromNative(reader);
        *writeEnd = FromNative(writer);
        return ErrorSuccess;
    }

    ErrorCode SetHandleInformation(Handle handle, std::uint32_t mask, std::uint32_t flags) override {
        return ::SetHandleInformation(Native(handle), mask, flags) ? ErrorSuccess : LastErrorOr(ErrorInvalidHandle);
    }

    ErrorCode CreateProcess(std::u16string_view commandLine, bool inheritHandles, std::uint32_t creationFlags,
                            Handle standardOutput, ProcessInformation* information) override {
        // Only standard output is given: what the program writes to standard error is not its output.
        return Start(commandLine, {}, inheritHandles, creationFlags, standardOutput, nullptr, information);
    }

    ErrorCode CreateProcessIn(std::u16string_view commandLine, std::u16string_view folder, std::uint32_t creationFlags,
                              Handle output, ProcessInformation* information) override {
        // A program's messages of failure go to standard error: the user wants those most.
        return Start(commandLine, folder, true, creationFlags, output, Native(output), information);
    }

    ErrorCode GetExitCodeProcess(Handle process, std::uint32_t* exitCode) override {
        DWORD code = 0;
        if (!::GetExitCodeProcess(Native(process), &code))
            return LastErrorOr(ErrorInvalidHandle);
        *exitCode = code;
        return ErrorSuccess;
    }

    ErrorCode TerminateProcess(Handle process, std::uint32_t exitCode) override {
        return ::TerminateProcess(Native(process), exitCode) ? ErrorSuccess : LastErrorOr(ErrorAccessDenied);
    }

    std::uint32_t WaitForSingleObject(Handle handle, std::uint32_t milliseconds) override {
        return ::WaitForSingleObject(Native(handle), milliseconds);
    }

    ErrorCode PeekNamedPipe(Handle pipe, std::uint32_t* bytesAvailable) override {
        DWORD available = 0;
        if (!::PeekNamedPipe(Native(pipe), nullptr, 0, nullptr, &available, nullptr))
            return LastErrorOr(ErrorBrokenPipe);
        *bytesAvailable = available;
        return ErrorSuccess;
    }

    ErrorCode ReadFile(Handle handle, void* buffer, std::uint32_t size, std::uint32_t* bytesRead) override {
        DWORD read = 0;
        const BOOL done = ::ReadFile(Native(handle), buffer, size, &read, nullptr);
        *bytesRead = read;
        return done ? ErrorSuccess : LastErrorOr(ErrorGenFailure);
    }

    ErrorCode WriteFile(Handle handle, const void* buffer, std::uint32_t size, std::uint32_t* bytesWritten) override {
        DWORD written = 0;
        const BOOL done = ::WriteFile(Native(handle), buffer, size, &written, nullptr);
        *bytesWritten = written;
        return done ? ErrorSuccess : LastErrorOr(ErrorGenFailure);
    }

    ErrorCode CloseHandle(Handle handle) override {
        return ::CloseHandle(Native(handle)) ? ErrorSuccess : LastErrorOr(ErrorInvalidHandle);
    }

    void Sleep(std::uint32_t milliseconds) override { ::Sleep(milliseconds); }
    std::uint32_t GetCurrentProcessId() override { return ::GetCurrentProcessId(); }

private:
    static ErrorCode Start(std::u16string_view commandLine, std::u16string_view folder, bool inheritHandles,
                           std::uint32_t creationFlags, Handle standardOutput, HANDLE standardError,
                           ProcessInformation* information) {
        // CreateProcessW may write into the command line, so it gets a copy of its own.
        std::wstring line = windows::Wide(commandLine);
        const std::wstring directory = windows::Wide(folder);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = Native(standardOutput);
        startup.hStdError = standardError;
        PROCESS_INFORMATION started{};
        if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, inheritHandles ? TRUE : FALSE, creationFlags,
                              nullptr, directory.empty() ? nullptr : directory.c_str(), &startup, &started))
            return LastErrorOr(ErrorFileNotFound);
        information->process = FromNative(started.hProcess);
        information->thread = FromNative(started.hThread);
        return ErrorSuccess;
    }
};

} // namespace

IProcesses& Processes() {
    static WinProcesses processes;
    return processes;
}

} // namespace prolamo::os
