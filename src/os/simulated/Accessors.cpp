// The process's services answer from the current simulated machine.

#include "os/Environment.h"
#include "os/Folders.h"
#include "os/NetConnections.h"
#include "os/NetworkDrives.h"
#include "os/NetworkLocation.h"
#include "os/PrintSpooler.h"
#include "os/Privileges.h"
#include "os/Processes.h"
#include "os/Registry.h"
#include "os/Security.h"
#include "os/TimeZone.h"
#include "os/WindowMessages.h"
#include "os/Wmi.h"
#include "os/simulated/Machine.h"
#include "os/simulated/SimNetwork.h"
#include "os/simulated/SimPrinting.h"

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

IWmi& Wmi() {
    return simulated::CurrentMachine().Wmi();
}

IProcesses& Processes() {
    return simulated::CurrentMachine().Processes();
}

HResult CreateConnectionManager(std::unique_ptr<INetConnectionManager>* manager) {
    *manager = std::make_unique<simulated::SimConnectionManager>();
    return SOk;
}

INetworkLocation& NetworkLocation() {
    return simulated::CurrentMachine().NetworkLocation();
}

IPrintSpooler& PrintSpooler() {
    return simulated::CurrentMachine().PrintSpooler();
}

HResult CreateWshNetwork(std::unique_ptr<IWshNetwork>* network) {
    simulated::Machine& machine = simulated::CurrentMachine();
    if (machine.Db() == nullptr)
        return HResultFromWin32(machine.OpenError());
    *network = std::make_unique<simulated::SimWshNetwork>(machine);
    return SOk;
}

} // namespace prolamo::os
