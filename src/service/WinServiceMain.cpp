// prolamo-service.exe: the Windows service ProlamoSwitching (StartServiceCtrlDispatcherW,
// RegisterServiceCtrlHandlerExW, SetServiceStatus). It serves the named pipe on a thread of its
// own until the service control manager stops it or the system shuts down. "prolamo-service.exe
// start" asks the service control manager to start the installed service: the installer's way to
// start it at once without failing the install when it cannot.

#include "os/ServiceChannel.h"
#include "profiles/uSettingKinds.h"
#include "service/uSwitchingService.h"

#include <windows.h>

#include <atomic>
#include <string_view>

namespace {

using namespace prolamo;

wchar_t kName[] = L"ProlamoSwitching"; // os::SwitchingServiceName
SERVICE_STATUS_HANDLE g_status = nullptr;
std::atomic<bool> g_stop{false};

void Report(DWORD state, DWORD exitCode = NO_ERROR) {
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWin32ExitCode = exitCode;
    status.dwWaitHint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : 3000;
    ::SetServiceStatus(g_status, &status);
}

DWORD WINAPI Control(DWORD control, DWORD, void*, void*) {
    if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) {
        Report(SERVICE_STOP_PENDING);
        g_stop = true;
        return NO_ERROR;
    }
    return control == SERVICE_CONTROL_INTERROGATE ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
}

void WINAPI ServiceMain(DWORD, wchar_t**) {
    g_status = ::RegisterServiceCtrlHandlerExW(kName, Control, nullptr);
    if (g_status == nullptr)
        return;
    Report(SERVICE_START_PENDING);
    RegisterSettingKinds();
    std::unique_ptr<os::IServiceListener> listener;
    if (const os::ErrorCode e = os::ListenForClients(&listener); e != os::ErrorSuccess) {
        Report(SERVICE_STOPPED, e);
        return;
    }
    Report(SERVICE_RUNNING);
    {
        service::TRegistryPolicyReader policy;
        service::TSwitchingService(std::move(listener), policy).Run([] { return g_stop.load(); });
    }
    Report(SERVICE_STOPPED);
}

// Closes a service control manager handle on every path.
struct TScHandle {
    SC_HANDLE handle;
    ~TScHandle() {
        if (handle != nullptr)
            ::CloseServiceHandle(handle);
    }
};

int StartInstalledService() {
    const TScHandle manager{::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT)};
    if (manager.handle == nullptr)
        return static_cast<int>(::GetLastError());
    const TScHandle service{::OpenServiceW(manager.handle, kName, SERVICE_START)};
    if (service.handle == nullptr)
        return static_cast<int>(::GetLastError());
    if (!::StartServiceW(service.handle, 0, nullptr) && ::GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
        return static_cast<int>(::GetLastError());
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wstring_view(argv[1]) == L"start")
        return StartInstalledService();
    const SERVICE_TABLE_ENTRYW table[] = {{kName, ServiceMain}, {nullptr, nullptr}};
    return ::StartServiceCtrlDispatcherW(table) ? 0 : static_cast<int>(::GetLastError());
}
