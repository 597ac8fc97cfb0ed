// The switching service's channel on the simulated workstation: a Unix socket in the machine
// folder, open to the machine's own user only. The peer's credentials say who calls; the
// simulated user's facts say what that user is.

#include "os/ServiceChannel.h"
#include "os/simulated/Machine.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace prolamo::os {

namespace {

class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int Get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

ErrorCode SocketAddress(sockaddr_un* address) {
    const std::string path = (simulated::CurrentMachine().Folder() / "service.socket").string();
    *address = {};
    address->sun_family = AF_UNIX;
    if (path.size() >= sizeof address->sun_path)
        return ErrorFilenameExcedRange;
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return ErrorSuccess;
}

// Waits until the descriptor is ready for `events`.
ErrorCode Wait(int fd, short events, std::uint32_t milliseconds) {
    pollfd p{fd, events, 0};
    for (;;) {
        const int rc = ::poll(&p, 1, static_cast<int>(milliseconds));
        if (rc > 0)
            return ErrorSuccess;
        if (rc == 0)
            return ErrorTimeout;
        if (errno != EINTR)
            return ErrnoToWindowsError(errno);
    }
}

class UnixConnection final : public IServiceConnection {
public:
    explicit UnixConnection(int fd) : socket_(fd) {}

    ErrorCode Write(std::span<const std::uint8_t> bytes) override {
        while (!bytes.empty()) {
            const ssize_t sent = ::send(socket_.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent < 0) {
                if (errno == EINTR)
                    continue;
                return errno == EPIPE || errno == ECONNRESET ? ErrorBrokenPipe : ErrnoToWindowsError(errno);
            }
            bytes = bytes.subspan(static_cast<std::size_t>(sent));
        }
        return ErrorSuccess;
    }

    ErrorCode Read(std::span<std::uint8_t> into, std::size_t* done, std::uint32_t milliseconds) override {
        *done = 0;
        if (const ErrorCode e = Wait(socket_.Get(), POLLIN, milliseconds); e != ErrorSuccess)
            return e;
        for (;;) {
            const ssize_t got = ::recv(socket_.Get(), into.data(), into.size(), 0);
            if (got >= 0) {
                *done = static_cast<std::size_t>(got);
                return ErrorSuccess;
            }
            if (errno == ECONNRESET)
                return ErrorSuccess; // a client that went away is a closed one
            if (errno != EINTR)
                return ErrnoToWindowsError(errno);
        }
    }

private:
    Socket socket_;
};

class UnixListener final : public IServiceListener {
public:
    UnixListener(int fd, std::string path) : socket_(fd), path_(std::move(path)) {}
    ~UnixListener() override { ::unlink(path_.c_str()); }
    int Descriptor() const { return socket_.Get(); }

    ErrorCode Accept(std::unique_ptr<IServiceConnection>* connection, ServiceCaller* caller,
                     std::uint32_t milliseconds) override {
        if (const ErrorCode e = Wait(socket_.Get(), POLLIN, milliseconds); e != ErrorSuccess)
            return e;
        const int fd = ::accept4(socket_.Get(), nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            return errno == EAGAIN || errno == ECONNABORTED ? ErrorTimeout : ErrnoToWindowsError(errno);
        auto made = std::make_unique<UnixConnection>(fd);
        ucred credentials{};
        socklen_t size = sizeof credentials;
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
            return ErrnoToWindowsError(errno);
        simulated::Machine& machine = simulated::CurrentMachine();
        // The machine's user is the Linux account that owns it; any other account is no one logged on here.
        const bool owner = credentials.uid == ::geteuid();
        *caller = CallerFromGroups(owner ? machine.UserName() : std::string(),
                                   static_cast<std::uint32_t>(credentials.pid), [&](const Sid& sid) {
                                       return owner && (sid == InteractiveSid ||
                                                        (sid == AdministratorsGroupSid &&
                                                         machine.ReadUser() != simulated::Machine::User::Standard));
                                   });
        *connection = std::move(made);
        return ErrorSuccess;
    }

private:
    Socket socket_;
    std::string path_;
};

} // namespace

ErrorCode ConnectToService(std::unique_ptr<IServiceConnection>* connection) {
    sockaddr_un address{};
    if (const ErrorCode e = SocketAddress(&address); e != ErrorSuccess)
        return e;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return ErrnoToWindowsError(errno);
    auto made = std::make_unique<UnixConnection>(fd);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return errno == ENOENT || errno == ECONNREFUSED ? ErrorFileNotFound
               : errno == EAGAIN                        ? ErrorPipeBusy
                                                        : ErrnoToWindowsError(errno);
    *connection = std::move(made);
    return ErrorSuccess;
}

ErrorCode ListenForClients(std::unique_ptr<IServiceListener>* listener) {
    sockaddr_un address{};
    if (const ErrorCode e = SocketAddress(&address); e != ErrorSuccess)
        return e;
    // A socket that answers belongs to a running service; one that does not was left by a dead one.
    if (std::unique_ptr<IServiceConnection> probe; ConnectToService(&probe) == ErrorSuccess)
        return ErrorAlreadyExists;
    ::unlink(address.sun_path);
    Socket socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (socket.Get() < 0)
        return ErrnoToWindowsError(errno);
    // Owner only from the start: the socket is made under a mask that leaves others out.
    const mode_t mask = ::umask(0077);
    const int bound = ::bind(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const int bindError = errno;
    ::umask(mask);
    if (bound != 0)
        return ErrnoToWindowsError(bindError);
    auto made = std::make_unique<UnixListener>(socket.Release(), address.sun_path);
    if (::listen(made->Descriptor(), 64) != 0)
        return ErrnoToWindowsError(errno);
    *listener = std::move(made);
    return ErrorSuccess;
}

} // namespace prolamo::os
