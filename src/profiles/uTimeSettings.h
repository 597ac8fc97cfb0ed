#pragma once
// The machine's time zone: the system's time zone record, kept field for field.

#include "os/TimeZone.h"
#include "uProfileSettings.h"

#include <array>
#include <cstdint>
#include <string>

namespace prolamo {

inline constexpr const char* TimeZonesKey = "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\";
// Characters a name may have: its field holds 32 units with the terminating zero.
inline constexpr std::size_t TimeZoneNameLimit = os::TimeZoneNameUnits - 1;
inline constexpr const char* TimeZoneNameTooLong =
    PROLAMO_TRANSLATE_NOOP("Engine", "The time zone name \"%1\" is longer than 31 characters");

class TTimeZoneSettingValue : public TSettingValue {
    PROLAMO_CLASS()

public:
    std::int32_t Bias() const { return bias_; }
    void SetBias(std::int32_t value) { bias_ = value; }
    std::int32_t StandardBias() const { return standardBias_; }
    void SetStandardBias(std::int32_t value) { standardBias_ = value; }
    std::int32_t DaylightBias() const { return daylightBias_; }
    void SetDaylightBias(std::int32_t value) { daylightBias_ = value; }
    std::u16string StandardName() const { return standardName_; }
    void SetStandardName(const std::u16string& value) { standardName_ = value; }
    std::u16string DaylightName() const { return daylightName_; }
    void SetDaylightName(const std::u16string& value) { daylightName_ = value; }
    const os::SystemTime& StandardDate() const { return standardDate_; }
    void SetStandardDate(const os::SystemTime& value) { standardDate_ = value; }
    const os::SystemTime& DaylightDate() const { return daylightDate_; }
    void SetDaylightDate(const os::SystemTime& value) { daylightDate_ = value; }

    // The record's fields from the system's answer, names up to their first zero.
    void SetInformation(const os::TimeZoneInformation& information);
    // Raises when a name does not fit its field.
    os::TimeZoneInformation Information() const;

    void Assign(const TPersistent& source) override;
    // "StandardDate" and "DaylightDate": 16 bytes each, always written.
    void DefineProperties(TFiler& filer) override;
    // The zone's display name from the time zone database, else the standard name.
    std::string GetHint() const override;

private:
    std::int32_t bias_ = 0;
    std::int32_t standardBias_ = 0;
    std::int32_t daylightBias_ = 0;
    std::u16string standardName_;
    std::u16string daylightName_;
    os::SystemTime standardDate_;
    os::SystemTime daylightDate_;
    mutable std::string displayName_; // not stored
    mutable std::array<std::uint8_t, 16> dateBytes_{};
};

class TTimeZoneSetting : public TSetting {
    PROLAMO_SETTING_CLASS()

public:
    std::unique_ptr<TSettingValue> CaptureValue() override;
    // Enables the time-zone privilege around the change and restores it whatever happens; a name
    // longer than its field is refused with an error line.
    void ApplyValue(const TSettingValue& value, TCheckResultList& results) override;
};

} // namespace prolamo
