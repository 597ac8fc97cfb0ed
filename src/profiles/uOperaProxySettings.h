#pragma once
// The "Proxy" section of the logged-on user's Opera profile file.

#include "framework/Strings.h"
#include "uProfileSettings.h"

#include <string>

namespace prolamo {

inline constexpr const char* OperaProxySection = "Proxy";
inline constexpr const char* OperaProfileNotFound = PROLAMO_TRANSLATE_NOOP("Engine", "Opera profile not found");
inline constexpr const char* OperaWriteFailed = PROLAMO_TRANSLATE_NOOP("Engine", "Unable to write to %1");
inline constexpr const char* OperaLineRefused = PROLAMO_TRANSLATE_NOOP(
    "Engine", "The line %1 would not stay one key of the section (a line break, no key, or a key that starts a "
              "section or a comment); it is not written");
inline constexpr const char* OperaKeyTwice =
    PROLAMO_TRANSLATE_NOOP("Engine", "The key %1 stands twice; only its first value is written");

// One key=value line per key of the section: the first one of the file when a key stands twice, as
// the ini functions read it.
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
    // Replaces the section with the value's keys; a missing profile file is an error line. A line that
    // the file could not hold as one key, and a key's later lines, are warning lines.
    void ApplyValue(const TSettingValue& value, TCheckResultList& results) override;
};

} // namespace prolamo
