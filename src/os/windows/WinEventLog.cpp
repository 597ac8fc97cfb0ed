// The Application log under the source "Prolamo" (RegisterEventSourceW, ReportEventW,
// DeregisterEventSource); the installer registers the source.

#include "os/EventLog.h"
#include "os/windows/WinSupport.h"

namespace prolamo::os {

namespace {

using windows::LastErrorOr;

class WinEventLog final : public IEventLog {
public:
    ErrorCode Report(EventType type, std::u16string_view text) override {
        const HANDLE source = ::RegisterEventSourceW(nullptr, windows::WidePointer(EventSourceName));
        if (source == nullptr)
            return LastErrorOr(ErrorGenFailure);
        const std::wstring message = windows::Wide(text);
        const wchar_t* strings[] = {message.c_str()};
        const WORD kind = type == EventType::Error     ? EVENTLOG_ERROR_TYPE
                          : type == EventType::Warning ? EVENTLOG_WARNING_TYPE
                                                       : EVENTLOG_INFORMATION_TYPE;
        // Event 1 is "%1" in EventCreate.exe's messages, which the installer names for the source.
        const BOOL reported = ::ReportEventW(source, kind, 0, 1, nullptr, 1, 0, strings, nullptr);
        const ErrorCode error = reported ? ErrorSuccess : LastErrorOr(ErrorGenFailure);
        ::DeregisterEventSource(source);
        return error;
    }
};

} // namespace

IEventLog& EventLog() {
    static WinEventLog log;
    return log;
}

} // namespace prolamo::os
