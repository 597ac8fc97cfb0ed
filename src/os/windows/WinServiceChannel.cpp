// The client's end of the switching service's named pipe (CreateFileW, WaitNamedPipeW,
// ReadFile/WriteFile with overlapped waits for the time limits).

#include "os/ServiceChannel.h"
#include "os/windows/WinSupport.h"

#include <algorithm>

namespace prolamo::os {

namespace {

using windows::LastErrorOr;

class PipeConnection final : public IServiceConnection {
public:
    explicit PipeConnection(HANDLE pipe) : pipe_(pipe), event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~PipeConnection() override {
        ::CloseHandle(pipe_);
        if (event_ != nullptr)
            ::CloseHandle(event_);
    }
    PipeConnection(const PipeConnection&) = delete;
    PipeConnection& operator=(const PipeConnection&) = delete;

    ErrorCode Write(std::span<const std::uint8_t> bytes) override {
        while (!bytes.empty()) {
            DWORD done = 0;
            const ErrorCode e = Transfer(false, const_cast<std::uint8_t*>(bytes.data()), bytes.size(), &done, INFINITE);
            if (e != ErrorSuccess)
                return e == ERROR_NO_DATA ? ErrorBrokenPipe : e;
            bytes = bytes.subspan(done);
        }
        return ErrorSuccess;
    }

    ErrorCode Read(std::span<std::uint8_t> into, std::size_t* done, std::uint32_t milliseconds) override {
        DWORD got = 0;
        const ErrorCode e = Transfer(true, into.data(), into.size(), &got, milliseconds);
        *done = got;
        return e == ErrorBrokenPipe ? ErrorSuccess : e; // the other end closed
    }

private:
    ErrorCode Transfer(bool reading, std::uint8_t* data, std::size_t size, DWORD* done, DWORD milliseconds) {
        if (event_ == nullptr)
            return ErrorNotEnoughMemory;
        OVERLAPPED overlapped{};
        overlapped.hEvent = event_;
        const DWORD count = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 20));
        const BOOL ok = reading ? ::ReadFile(pipe_, data, count, nullptr, &overlapped)
                                : ::WriteFile(pipe_, data, count, nullptr, &overlapped);
        if (!ok && ::GetLastError() != ERROR_IO_PENDING)
            return LastErrorOr(ErrorGenFailure);
        if (::WaitForSingleObject(event_, milliseconds) != WAIT_OBJECT_0) {
            ::CancelIo(pipe_);
            ::GetOverlappedResult(pipe_, &overlapped, done, TRUE);
            return ErrorTimeout;
        }
        if (!::GetOverlappedResult(pipe_, &overlapped, done, FALSE))
            return LastErrorOr(ErrorGenFailure);
        return ErrorSuccess;
    }

    HANDLE pipe_;
    HANDLE event_;
};

} // namespace

ErrorCode ConnectToService(std::unique_ptr<IServiceConnection>* connection) {
    const std::wstring name = L"\\\\.\\pipe\\" + windows::Wide(SwitchingServiceName);
    for (int attempt = 0; attempt < 2; ++attempt) {
        // Identification only: the service may learn who calls, not act as the caller elsewhere.
        const HANDLE pipe = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
                                          nullptr);
        if (pipe != INVALID_HANDLE_VALUE) {
            *connection = std::make_unique<PipeConnection>(pipe);
            return ErrorSuccess;
        }
        const ErrorCode e = LastErrorOr(ErrorGenFailure);
        if (e != ErrorPipeBusy || !::WaitNamedPipeW(name.c_str(), 2000))
            return e;
    }
    return ErrorPipeBusy;
}

} // namespace prolamo::os
