#include "os/ServiceChannel.h"

namespace prolamo::os {

ServiceCaller CallerFromGroups(std::string userName, std::uint32_t processId,
                               const std::function<bool(const Sid&)>& member) {
    ServiceCaller caller;
    caller.userName = std::move(userName);
    caller.processId = processId;
    caller.interactive = member(InteractiveSid);
    caller.administrator = caller.interactive && member(AdministratorsGroupSid);
    return caller;
}

} // namespace prolamo::os
