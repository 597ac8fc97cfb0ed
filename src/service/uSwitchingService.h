#pragma once
// The switching service: applies, for the user who calls, the settings that need rights the
// user's own programs lack, and nothing else. It learns who calls from the system, checks every
// request as untrusted input, asks the policy what the caller may have applied, and records
// every request in the system's event log.

#include "os/ServiceChannel.h"
#include "profiles/uServiceProtocol.h"
#include "uServicePolicy.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <span>
#include <thread>

namespace prolamo::service {

class IReplySink {
public:
    virtual void Reply(const TServiceReply& reply) = 0;

protected:
    ~IReplySink() = default;
};

// Handles one request of Caller: replies, applies what is allowed, records it. Never raises.
void HandleRequest(std::span<const std::uint8_t> request, const os::ServiceCaller& caller, IServicePolicyReader& policy,
                   IReplySink& sink);

// While a request waits for Applying or is applied, an empty line, which clients pass over, goes to
// its client this often: well within the client's patience (ServiceTimeoutMs), however long the
// other request or one setting takes.
inline constexpr std::uint32_t ServiceKeepAliveMs = ServiceTimeoutMs / 4;

// Serves one connection: the greeting, one request, the replies. Never raises.
void ServeConnection(os::IServiceConnection& connection, const os::ServiceCaller& caller, IServicePolicyReader& policy,
                     std::mutex& applying);

// Accepts clients until Stop says so, each on a thread of its own, at most MaxClients at once
// (the others are refused at once); one request is applied at a time.
class TSwitchingService {
public:
    static constexpr std::size_t MaxClients = 16;

    TSwitchingService(std::unique_ptr<os::IServiceListener> listener, IServicePolicyReader& policy);
    ~TSwitchingService();
    TSwitchingService(const TSwitchingService&) = delete;
    TSwitchingService& operator=(const TSwitchingService&) = delete;

    void Run(const std::function<bool()>& stop);

private:
    struct Client {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    void ReapFinished();

    std::unique_ptr<os::IServiceListener> listener_;
    IServicePolicyReader& policy_;
    std::mutex applying_;
    std::list<Client> clients_;
};

} // namespace prolamo::service
