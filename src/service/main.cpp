// prolamo-service on the simulated workstation: started as the system account by
// "prolamo-cli machine service start", it serves the socket in the machine folder until it is
// told to end (SIGTERM).

#include "os/Security.h"
#include "os/ServiceChannel.h"
#include "os/Session.h"
#include "profiles/uSettingKinds.h"
#include "service/uSwitchingService.h"

#include <iostream>

int main() {
    using namespace prolamo;
    os::ProcessRights rights = os::ProcessRights::StandardUser;
    if (os::Security().ReadProcessRights(&rights) != os::ErrorSuccess || rights != os::ProcessRights::System) {
        std::cerr
            << "prolamo-service runs as the system account: start it with \"prolamo-cli machine service start\"\n";
        return 2;
    }
    RegisterSettingKinds();
    os::Session().CatchEndRequests();
    std::unique_ptr<os::IServiceListener> listener;
    if (const os::ErrorCode e = os::ListenForClients(&listener); e != os::ErrorSuccess) {
        std::cerr << (e == os::ErrorAlreadyExists ? std::string("The switching service is running already\n")
                                                  : os::SystemErrorText(e));
        return 1;
    }
    service::TRegistryPolicyReader policy;
    service::TSwitchingService(std::move(listener), policy).Run([] { return os::Session().EndRequested(); });
    return 0;
}
