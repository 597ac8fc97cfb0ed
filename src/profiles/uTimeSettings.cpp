#include "uTimeSettings.h"

#include "classes/uHelpers.h"
#include "classes/uRegistry.h"
#include "framework/Exceptions.h"
#include "os/Privileges.h"
#include "os/Text.h"

#include <cstring>

namespace prolamo {

namespace {

void ReadDate(std::span<const std::uint8_t> data, os::SystemTime& date) {
    if (data.size() < 16)
        throw EReadError(Translated("Engine", texts::StreamReadError));
    std::uint16_t f[8];
    for (std::size_t i = 0; i < 8; ++i)
        f[i] = static_cast<std::uint16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    date = {f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7]};
}

std::span<const std::uint8_t> WriteDate(const os::SystemTime& date, std::array<std::uint8_t, 16>& bytes) {
    std::size_t i = 0;
    for (std::uint16_t f : {date.wYear, date.wMonth, date.wDayOfWeek, date.wDay, date.wHour, date.wMinute, date.wSecond,
                            date.wMilliseconds}) {
        bytes[i++] = static_cast<std::uint8_t>(f & 0xFF);
        bytes[i++] = static_cast<std::uint8_t>(f >> 8);
    }
    return bytes;
}

std::u16string NameOf(const char16_t (&field)[os::TimeZoneNameUnits]) {
    std::size_t n = 0;
    while (n < os::TimeZoneNameUnits && field[n] != u'\0')
        ++n;
    return std::u16string(field, n);
}

void PutName(char16_t (&field)[os::TimeZoneNameUnits], const std::u16string& name) {
    if (name.size() > TimeZoneNameLimit)
        throw Exception(Translated("Engine", TimeZoneNameTooLong, {os::Utf16ToUtf8(name)}));
    std::memset(field, 0, sizeof field);
    std::memcpy(field, name.data(), name.size() * sizeof(char16_t));
}

// Enables one privilege of the process token and puts its previous state back when it goes.
class TPrivilegeScope {
public:
    TPrivilegeScope() {
        os::Luid luid;
        os::ErrorCode e = os::Privileges().LookupPrivilegeValue(u"", os::SeTimeZoneName, &luid);
        // Systems before the time-zone privilege ask for the system-time one.
        if (e == os::ErrorNoSuchPrivilege)
            e = os::Privileges().LookupPrivilegeValue(u"", os::SeSystemtimeName, &luid);
        if (e != os::ErrorSuccess)
            RaiseLastOSError(e);
        if (e = os::Privileges().OpenProcessToken(os::TokenAdjustPrivileges | os::TokenQuery, &token_);
            e != os::ErrorSuccess)
            RaiseLastOSError(e);
        // Succeeds also when the account lacks the privilege; setting the zone then fails.
        if (e = os::Privileges().AdjustTokenPrivileges(token_, {{luid, os::SePrivilegeEnabled}}, &previous_, nullptr);
            e != os::ErrorSuccess) {
            os::Privileges().CloseHandle(token_);
            RaiseLastOSError(e);
        }
    }
    // Raises when the previous state cannot be put back; the token is closed either way.
    void Restore() {
        const os::ErrorCode e = os::Privileges().AdjustTokenPrivileges(token_, previous_, nullptr, nullptr);
        restored_ = true;
        if (e != os::ErrorSuccess)
            RaiseLastOSError(e);
    }
    ~TPrivilegeScope() {
        if (!restored_)
            os::Privileges().AdjustTokenPrivileges(token_, previous_, nullptr, nullptr);
        os::Privileges().CloseHandle(token_);
    }
    TPrivilegeScope(const TPrivilegeScope&) = delete;
    TPrivilegeScope& operator=(const TPrivilegeScope&) = delete;

private:
    os::HToken token_ = 0;
    std::vector<os::LuidAndAttributes> previous_;
    bool restored_ = false;
};

} // namespace

// ---- TTimeZoneSettingValue ----

const TClassInfo& TTimeZoneSettingValue::StaticClass() {
    using V = TTimeZoneSettingValue;
    return MakeClassInfo<V, TSettingValue>("TTimeZoneSettingValue",
                                           {prop::Integer("Bias", &V::Bias, &V::SetBias),
                                            prop::Integer("StandardBias", &V::StandardBias, &V::SetStandardBias),
                                            prop::Integer("DaylightBias", &V::DaylightBias, &V::SetDaylightBias),
                                            prop::WideString("StandardName", &V::StandardName, &V::SetStandardName),
                                            prop::WideString("DaylightName", &V::DaylightName, &V::SetDaylightName)});
}

void TTimeZoneSettingValue::SetInformation(const os::TimeZoneInformation& information) {
    bias_ = information.Bias;
    standardBias_ = information.StandardBias;
    daylightBias_ = information.DaylightBias;
    standardName_ = NameOf(information.StandardName);
    daylightName_ = NameOf(information.DaylightName);
    displayName_.clear();
    standardDate_ = information.StandardDate;
    daylightDate_ = information.DaylightDate;
}

os::TimeZoneInformation TTimeZoneSettingValue::Information() const {
    os::TimeZoneInformation information;
    information.Bias = bias_;
    information.StandardBias = standardBias_;
    information.DaylightBias = daylightBias_;
    PutName(information.StandardName, standardName_);
    PutName(information.DaylightName, daylightName_);
    information.StandardDate = standardDate_;
    information.DaylightDate = daylightDate_;
    return information;
}

void TTimeZoneSettingValue::Assign(const TPersistent& source) {
    TSettingValue::Assign(source);
    if (const auto* value = dynamic_cast<const TTimeZoneSettingValue*>(&source)) {
        bias_ = value->bias_;
        standardBias_ = value->standardBias_;
        daylightBias_ = value->daylightBias_;
        standardName_ = value->standardName_;
        daylightName_ = value->daylightName_;
        displayName_ = value->displayName_;
        standardDate_ = value->standardDate_;
        daylightDate_ = value->daylightDate_;
    }
}

void TTimeZoneSettingValue::DefineProperties(TFiler& filer) {
    TSettingValue::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "StandardDate", [this](std::span<const std::uint8_t> data) { ReadDate(data, standardDate_); },
        [this] { return WriteDate(standardDate_, dateBytes_); }, true);
    filer.DefineBinaryProperty(
        "DaylightDate", [this](std::span<const std::uint8_t> data) { ReadDate(data, daylightDate_); },
        [this] { return WriteDate(daylightDate_, dateBytes_); }, true);
}

std::string TTimeZoneSettingValue::GetHint() const {
    if (displayName_.empty()) {
        const std::string standardName = os::Utf16ToUtf8(standardName_);
        TRegistry registry(os::KeyQueryValue);
        registry.SetRootKey(os::HKeyLocalMachine);
        try {
            if (registry.OpenKey(TimeZonesKey + standardName, false))
                displayName_ = registry.ReadString("Display");
        } catch (const std::exception&) {
            // The hint never fails: the standard name stands in.
        }
        if (displayName_.empty())
            displayName_ = standardName;
    }
    return displayName_;
}

// ---- TTimeZoneSetting ----

const TSettingClass& TTimeZoneSetting::StaticClass() {
    return MakeSettingClass<TTimeZoneSetting, TSetting>(
        "TTimeZoneSetting", {},
        {.caption = PROLAMO_TRANSLATE_NOOP("SettingKinds", "Time zone"), .category = SystemCategory, .imageIndex = 6});
}

std::unique_ptr<TSettingValue> TTimeZoneSetting::CaptureValue() {
    auto value = std::make_unique<TTimeZoneSettingValue>();
    os::TimeZoneInformation information;
    std::uint32_t id = os::TimeZoneIdInvalid;
    const os::ErrorCode e = os::TimeZone().GetTimeZoneInformation(&information, &id);
    if (id == os::TimeZoneIdInvalid)
        RaiseLastOSError(e);
    value->SetInformation(information);
    return value;
}

void TTimeZoneSetting::ApplyValue(const TSettingValue& value, TCheckResultList& results) {
    const auto* zone = dynamic_cast<const TTimeZoneSettingValue*>(&value);
    if (zone == nullptr)
        throw EAssertionFailed("The time zone setting was given another kind's value");
    // Only an edited data file has longer names; refused before the token is touched.
    for (const std::u16string& name : {zone->StandardName(), zone->DaylightName()})
        if (name.size() > TimeZoneNameLimit) {
            AddError(results, Translated("Engine", TimeZoneNameTooLong, {os::Utf16ToUtf8(name)}));
            return;
        }
    const os::TimeZoneInformation information = zone->Information();
    TPrivilegeScope privilege;
    if (const os::ErrorCode e = os::TimeZone().SetTimeZoneInformation(information); e != os::ErrorSuccess)
        RaiseLastOSError(e);
    TOsHelper::BroadcastSettingChange();
    privilege.Restore();
}

} // namespace prolamo
