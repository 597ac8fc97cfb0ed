// Requests to end the program are signals here; the handler only notes them.

#include "os/Session.h"

#include <csignal>
#include <initializer_list>

namespace prolamo::os {

namespace {

volatile std::sig_atomic_t endRequested = 0;

extern "C" void NoteEndRequest(int) { endRequested = 1; }

class PosixSession final : public ISession {
public:
    void CatchEndRequests() override {
        struct sigaction action {};
        action.sa_handler = NoteEndRequest;
        sigemptyset(&action.sa_mask);
        for (const int signal : {SIGTERM, SIGHUP, SIGINT})
            sigaction(signal, &action, nullptr);
    }

    bool EndRequested() override { return endRequested != 0; }

    // Desktops here give the window the focus it asks for.
    void AllowForegroundHandover() override {}
};

} // namespace

ISession& Session() {
    static PosixSession session;
    return session;
}

} // namespace prolamo::os
