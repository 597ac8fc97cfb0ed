// The system's time zone record (GetTimeZoneInformation, SetTimeZoneInformation).

#include "os/TimeZone.h"
#include "os/windows/WinSupport.h"

#include <algorithm>

namespace prolamo::os {

namespace {

SYSTEMTIME ToNative(const SystemTime& t) {
    return {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

SystemTime FromNative(const SYSTEMTIME& t) {
    return {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

class WinTimeZone final : public ITimeZone {
public:
    ErrorCode GetTimeZoneInformation(TimeZoneInformation* information, std::uint32_t* timeZoneId) override {
        TIME_ZONE_INFORMATION native{};
        const DWORD id = ::GetTimeZoneInformation(&native);
        *timeZoneId = id;
        if (id == TIME_ZONE_ID_INVALID)
            return windows::LastErrorOr(ErrorGenFailure);
        information->Bias = native.Bias;
        std::copy_n(native.StandardName, TimeZoneNameUnits, information->StandardName);
        information->StandardDate = FromNative(native.StandardDate);
        information->StandardBias = native.StandardBias;
        std::copy_n(native.DaylightName, TimeZoneNameUnits, information->DaylightName);
        information->DaylightDate = FromNative(native.DaylightDate);
        information->DaylightBias = native.DaylightBias;
        return ErrorSuccess;
    }

    ErrorCode SetTimeZoneInformation(const TimeZoneInformation& information) override {
        TIME_ZONE_INFORMATION native{};
        native.Bias = information.Bias;
        std::copy_n(information.StandardName, TimeZoneNameUnits, native.StandardName);
        native.StandardDate = ToNative(information.StandardDate);
        native.StandardBias = information.StandardBias;
        std::copy_n(information.DaylightName, TimeZoneNameUnits, native.DaylightName);
        native.DaylightDate = ToNative(information.DaylightDate);
        native.DaylightBias = information.DaylightBias;
        return ::SetTimeZoneInformation(&native) ? ErrorSuccess : windows::LastErrorOr(ErrorGenFailure);
    }
};

} // namespace

ITimeZone& TimeZone() {
    static WinTimeZone timeZone;
    return timeZone;
}

} // namespace prolamo::os
