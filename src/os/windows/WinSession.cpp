#include "os/Session.h"

#include <windows.h>

namespace prolamo::os {

namespace {

class WinSession final : public ISession {
public:
    // A desktop program's session ends through its windows' messages, which Qt turns into
    // commitDataRequest and aboutToQuit.
    void CatchEndRequests() override {}
    bool EndRequested() override { return false; }

    // Without it Windows only flashes the running copy's taskbar button.
    void AllowForegroundHandover() override { ::AllowSetForegroundWindow(ASFW_ANY); }

    void EndWhenAMappedFileIsCutShort(const char*, int) override {}
};

} // namespace

ISession& Session() {
    static WinSession session;
    return session;
}

} // namespace prolamo::os
