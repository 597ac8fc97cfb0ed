#pragma once
// The "Proxy" section of the logged-on user's Opera profile file.

#include "framework/Strings.h"
#include "uProfileSettings.h"

#include <string>

namespace prolamo {

inline constexpr const char* OperaProxySection = "Proxy";
inline constexpr const char* OperaProfileNotFound = "Opera profile not found";
inline constexpr const char* OperaWriteFailed = "Unable to write to %s";

// One key=value line per key of the section.
class TOperaProxySettingValue : public TSettingLinesValue {
    PROLAMO_CLASS()

public:
    std::string GetHint() const override;
};

class TOperaProxySetting : public TSetting {
    PROLAMO_SETTING_CLASS()

public:
    // <roaming application data>\Opera\Opera\profile\opera6.ini
    static std::string GetOperaProfileFileName();

    std::unique_ptr<TSettingValue> CaptureValue() override;
    // Replaces the section with the value's keys; a missing profile file is an error line.
    void ApplyValue(const TSettingValue& value, TCheckResultList& results) override;
};

} // namespace prolamo
