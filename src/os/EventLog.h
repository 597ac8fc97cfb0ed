#pragma once
// The system's event log (RegisterEventSourceW, ReportEventW, DeregisterEventSource): the
// Application log, source "Prolamo".

#include "os/Errors.h"

#include <string_view>

namespace prolamo::os {

inline constexpr const char16_t* EventSourceName = u"Prolamo";

enum class EventType { Information, Warning, Error };

class IEventLog {
public:
    virtual ~IEventLog() = default;
    virtual ErrorCode Report(EventType type, std::u16string_view text) = 0;
};

IEventLog& EventLog();

} // namespace prolamo::os
