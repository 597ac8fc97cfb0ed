#pragma once
// The time zone record of the system (GetTimeZoneInformation, SetTimeZoneInformation).

#include "os/Errors.h"

#include <cstdint>

namespace prolamo::os {

// SYSTEMTIME. In a time zone record, year 0 makes it a rule: day of week 0 is Sunday and day 1 to 5
// the week of the month, 5 the last.
struct SystemTime {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;
    std::uint16_t wDayOfWeek = 0;
    std::uint16_t wDay = 0;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;
    bool operator==(const SystemTime&) const = default;
};

// Units of each name field, the terminating zero included.
inline constexpr std::size_t TimeZoneNameUnits = 32;

// TIME_ZONE_INFORMATION, field for field.
struct TimeZoneInformation {
    std::int32_t Bias = 0; // minutes; UTC = local time + Bias
    char16_t StandardName[TimeZoneNameUnits] = {};
    SystemTime StandardDate;
    std::int32_t StandardBias = 0;
    char16_t DaylightName[TimeZoneNameUnits] = {};
    SystemTime DaylightDate;
    std::int32_t DaylightBias = 0;
    bool operator==(const TimeZoneInformation&) const = default;
};

// What GetTimeZoneInformation returns.
inline constexpr std::uint32_t TimeZoneIdUnknown = 0; // the zone has no daylight time
inline constexpr std::uint32_t TimeZoneIdStandard = 1;
inline constexpr std::uint32_t TimeZoneIdDaylight = 2;
inline constexpr std::uint32_t TimeZoneIdInvalid = 0xFFFFFFFF;

class ITimeZone {
public:
    virtual ~ITimeZone() = default;

    // GetTimeZoneInformation: *timeZoneId is one of the ids above, TimeZoneIdInvalid on failure.
    virtual ErrorCode GetTimeZoneInformation(TimeZoneInformation* information, std::uint32_t* timeZoneId) = 0;
    // SetTimeZoneInformation: needs the time zone privilege (or, on old systems, the system time
    // privilege) enabled in the process token, else ErrorPrivilegeNotHeld.
    virtual ErrorCode SetTimeZoneInformation(const TimeZoneInformation& information) = 0;
};

ITimeZone& TimeZone();

} // namespace prolamo::os
