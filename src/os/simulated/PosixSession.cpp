// Requests to end the program are signals here; the handler only notes them.

#include "os/Session.h"

#include <csignal>
#include <cstring>
#include <initializer_list>
#include <unistd.h>

namespace prolamo::os {

namespace {

volatile std::sig_atomic_t endRequested = 0;

extern "C" void NoteEndRequest(int) {
    endRequested = 1;
}

const char* cutShortMessage = "";
int cutShortExitCode = 1;

// Only calls that are safe in a signal handler.
extern "C" void EndForCutShortFile(int) {
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, cutShortMessage, std::strlen(cutShortMessage));
    ::_exit(cutShortExitCode);
}

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

    void EndWhenAMappedFileIsCutShort(const char* message, int exitCode) override {
        cutShortMessage = message;
        cutShortExitCode = exitCode;
        std::signal(SIGBUS, EndForCutShortFile);
    }
};

} // namespace

ISession& Session() {
    static PosixSession session;
    return session;
}

} // namespace prolamo::os
