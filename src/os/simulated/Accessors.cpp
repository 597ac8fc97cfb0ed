// The process's services answer from the current simulated machine.

#include "os/Environment.h"
#include "os/Folders.h"
#include "os/Privileges.h"
#include "os/Registry.h"
#include "os/Security.h"
#include "os/TimeZone.h"
#include "os/WindowMessages.h"
#include "os/simulated/Machine.h"

namespace prolamo::os {

IRegistry& Registry() {
    return simulated::CurrentMachine().Registry();
}

IFolders& Folders() {
    return simulated::CurrentMachine().Folders();
}

ISecurity& Security() {
    return simulated::CurrentMachine().Security();
}

IWindowMessages& WindowMessages() {
    return simulated::CurrentMachine().WindowMessages();
}

ITimeZone& TimeZone() {
    return simulated::CurrentMachine().TimeZone();
}

IPrivileges& Privileges() {
    return simulated::CurrentMachine().Privileges();
}

IEnvironment& Environment() {
    return simulated::CurrentMachine().Environment();
}

} // namespace prolamo::os
