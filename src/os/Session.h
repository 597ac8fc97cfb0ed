#pragma once
// The program's place in the user's session: requests to end it that come from outside its
// windows, and handing the foreground over to a running copy of the program.

namespace prolamo::os {

class ISession {
public:
    virtual ~ISession() = default;

    // From now on a request to end the program (SIGTERM, SIGHUP, SIGINT on this computer) is
    // noted instead of ending it at once, so that it can end in order. Windows ends a session
    // through the windows' WM_QUERYENDSESSION and WM_ENDSESSION, which need nothing here.
    virtual void CatchEndRequests() = 0;
    // Whether such a request came since CatchEndRequests.
    virtual bool EndRequested() = 0;
    // AllowSetForegroundWindow(ASFW_ANY): the program the user just started lets the running
    // copy it hands over to bring its window to the front.
    virtual void AllowForegroundHandover() = 0;
    // A file read through its own pages that another program cuts short meanwhile faults when
    // those pages are touched (SIGBUS here). From now on such a fault writes Message to standard
    // error and ends the process with ExitCode. Windows refuses to cut short a mapped file, so
    // there it needs nothing. Message must outlive the process.
    virtual void EndWhenAMappedFileIsCutShort(const char* message, int exitCode) = 0;
};

ISession& Session();

} // namespace prolamo::os
