// The switching service's named pipe. The client's end: CreateFileW, WaitNamedPipeW. The
// service's: CreateNamedPipeW with a security descriptor that admits the system account and
// interactively logged-on users only, and PIPE_REJECT_REMOTE_CLIENTS; the caller's groups are
// read by impersonating it. Both: ReadFile/WriteFile with overlapped waits for the time limits.

#include "os/ServiceChannel.h"
#include "os/Text.h"
#include "os/windows/WinSupport.h"

#include <sddl.h>

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

std::wstring PipeName() {
    return L"\\\\.\\pipe\\" + windows::Wide(SwitchingServiceName);
}

bool CheckTokenMembershipOf(HANDLE token, const Sid& sid) {
    bool member = false;
    return Security().CheckTokenMembership(reinterpret_cast<std::uintptr_t>(token), sid, &member) == ErrorSuccess &&
           member;
}

// Member of Sid, for the token or, when it is a filtered one, its linked administrator's token.
bool TokenMember(HANDLE token, const Sid& sid) {
    if (CheckTokenMembershipOf(token, sid))
        return true;
    TOKEN_LINKED_TOKEN linked{};
    DWORD size = 0;
    if (!::GetTokenInformation(token, TokenLinkedToken, &linked, sizeof linked, &size))
        return false;
    const bool member = CheckTokenMembershipOf(linked.LinkedToken, sid);
    ::CloseHandle(linked.LinkedToken);
    return member;
}

std::string TokenUserName(HANDLE token) {
    std::uint8_t buffer[512];
    DWORD size = 0;
    if (!::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size))
        return {};
    wchar_t name[256], domain[256];
    DWORD nameSize = 256, domainSize = 256;
    SID_NAME_USE use{};
    if (!::LookupAccountSidW(nullptr, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, name, &nameSize, domain,
                             &domainSize, &use))
        return {};
    return Utf16ToUtf8(windows::FromWide(std::wstring(domain) + L"\\" + name));
}

class PipeListener final : public IServiceListener {
public:
    ErrorCode Create() {
        // The system account: everything; interactively logged-on users: read and write.
        if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;GA;;;SY)(A;;GRGW;;;IU)", SDDL_REVISION_1,
                                                                    &descriptor_, nullptr))
            return LastErrorOr(ErrorGenFailure);
        event_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        return event_ != nullptr ? NewInstance(true) : LastErrorOr(ErrorGenFailure);
    }
    ~PipeListener() override {
        if (pipe_ != INVALID_HANDLE_VALUE)
            ::CloseHandle(pipe_);
        if (event_ != nullptr)
            ::CloseHandle(event_);
        if (descriptor_ != nullptr)
            ::LocalFree(descriptor_);
    }

    ErrorCode Accept(std::unique_ptr<IServiceConnection>* connection, ServiceCaller* caller,
                     std::uint32_t milliseconds) override {
        if (!pending_) {
            ::ResetEvent(event_);
            overlapped_ = {};
            overlapped_.hEvent = event_;
            if (!::ConnectNamedPipe(pipe_, &overlapped_)) {
                const DWORD error = ::GetLastError();
                if (error == ERROR_IO_PENDING)
                    pending_ = true;
                else if (error != ERROR_PIPE_CONNECTED)
                    return error;
            }
        }
        if (pending_) {
            if (::WaitForSingleObject(event_, milliseconds) != WAIT_OBJECT_0)
                return ErrorTimeout;
            pending_ = false;
            DWORD ignored = 0;
            if (!::GetOverlappedResult(pipe_, &overlapped_, &ignored, FALSE))
                return LastErrorOr(ErrorGenFailure);
        }
        ULONG processId = 0;
        ::GetNamedPipeClientProcessId(pipe_, &processId);
        std::string name;
        bool interactive = false, administrator = false;
        if (::ImpersonateNamedPipeClient(pipe_)) {
            HANDLE token = nullptr;
            if (::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
                name = TokenUserName(token);
                interactive = TokenMember(token, InteractiveSid);
                administrator = TokenMember(token, AdministratorsGroupSid);
                ::CloseHandle(token);
            }
            ::RevertToSelf();
        }
        *caller = CallerFromGroups(name, processId, [&](const Sid& sid) {
            return sid == InteractiveSid ? interactive : sid == AdministratorsGroupSid && administrator;
        });
        *connection = std::make_unique<PipeConnection>(pipe_);
        pipe_ = INVALID_HANDLE_VALUE;
        return NewInstance(false);
    }

private:
    ErrorCode NewInstance(bool first) {
        SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor_, FALSE};
        pipe_ = ::CreateNamedPipeW(
            PipeName().c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
            PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, PIPE_UNLIMITED_INSTANCES,
            4096, 4096, 0, &attributes);
        if (pipe_ != INVALID_HANDLE_VALUE)
            return ErrorSuccess;
        const ErrorCode e = LastErrorOr(ErrorGenFailure);
        return first && e == ErrorAccessDenied ? ErrorAlreadyExists : e; // another service holds the name
    }

    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
    HANDLE event_ = nullptr;
    HANDLE pipe_ = INVALID_HANDLE_VALUE;
    OVERLAPPED overlapped_{};
    bool pending_ = false;
};

} // namespace

ErrorCode ListenForClients(std::unique_ptr<IServiceListener>* listener) {
    auto made = std::make_unique<PipeListener>();
    if (const ErrorCode e = made->Create(); e != ErrorSuccess)
        return e;
    *listener = std::move(made);
    return ErrorSuccess;
}

ErrorCode ConnectToService(std::unique_ptr<IServiceConnection>* connection) {
    const std::wstring name = PipeName();
    for (int attempt = 0; attempt < 2; ++attempt) {
        // Identification only: the service may learn who calls, not act as the caller elsewhere.
        const HANDLE pipe =
            ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
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
