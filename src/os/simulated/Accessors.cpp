// The process's services answer from the current simulated machine.

#include "os/Folders.h"
#include "os/Registry.h"
#include "os/Security.h"
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

} // namespace prolamo::os
