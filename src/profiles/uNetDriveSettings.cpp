#include "uNetDriveSettings.h"

#include "os/Text.h"
#include "uNetworkSettings.h"

#include <chrono>
#include <thread>

namespace prolamo {

namespace {

// The domain controller may not answer yet right after the network changed.
constexpr os::HResult kCantAccessDomainInfo = 0x80070547;
constexpr int kMapAttempts = 6;
constexpr std::uint32_t kRetryWaitMs = 1000;

std::string TrimmedDescription(const std::u16string& description) {
    std::string text = os::Utf16ToUtf8(description);
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.'))
        text.pop_back();
    return text;
}

TNetDriveSetting::TWait& RetryWait() {
    static TNetDriveSetting::TWait wait = [](std::uint32_t milliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    };
    return wait;
}

bool Failed(os::HResult hr) {
    return (hr & 0x80000000u) != 0;
}

void Check(os::HResult hr, const os::ErrorInfo& info) {
    if (Failed(hr))
        throw EOleException(hr, info);
}

// A drive's failure with the advice of the operating-system error it wraps (HRESULT_FROM_WIN32).
std::string DriveFailure(const Exception& e) {
    const auto* ole = dynamic_cast<const EOleException*>(&e);
    const std::string advice = ole ? HResultAdvice(ole->ErrorCode()) : std::string();
    return advice.empty() ? e.Message() : e.Message() + ". " + advice;
}

std::u16string LocalName(const std::u16string& line) {
    return line.substr(0, line.find(u'='));
}

std::u16string RemoteName(const std::u16string& line) {
    const std::size_t eq = line.find(u'=');
    return eq == std::u16string::npos ? std::u16string() : line.substr(eq + 1);
}

// The current mappings as "local=remote" lines, each through a network object of its own.
void ReadDrives(TWideStrings& drives) {
    const std::unique_ptr<os::IWshNetwork> network = CoWshNetwork::Create();
    std::vector<std::u16string> items;
    os::ErrorInfo info;
    Check(network->EnumNetworkDrives(&items, &info), info);
    for (std::size_t k = 0; k + 1 < items.size(); k += 2)
        drives.Add(items[k] + u'=' + items[k + 1]);
}

void MapDrive(os::IWshNetwork& network, const std::u16string& local, const std::u16string& remote) {
    for (int attempt = 1;; ++attempt) {
        os::ErrorInfo info;
        const os::HResult hr = network.MapNetworkDrive(local, remote, true, std::nullopt, std::nullopt, &info);
        if (hr == kCantAccessDomainInfo && attempt < kMapAttempts) {
            RetryWait()(kRetryWaitMs);
            continue;
        }
        Check(hr, info);
        return;
    }
}

} // namespace

EOleException::EOleException(os::HResult code, const os::ErrorInfo& info)
    : Exception(TrimmedDescription(info.Description)), errorCode_(code), source_(info.Source) {}

std::unique_ptr<os::IWshNetwork> CoWshNetwork::Create() {
    std::unique_ptr<os::IWshNetwork> network;
    // Nothing was there to leave error information: the system's text for the code stands in.
    if (const os::HResult hr = os::CreateWshNetwork(&network); Failed(hr))
        throw EOleException(hr, {u"", os::Utf8ToUtf16(os::SystemErrorText(hr))});
    return network;
}

// ---- TNetDriveSettingValue ----

const TClassInfo& TNetDriveSettingValue::StaticClass() {
    return MakeClassInfo<TNetDriveSettingValue, TSettingValue>(
        "TNetDriveSettingValue",
        {prop::Object("Drives", TTypeKind::WideStrings,
                      static_cast<TWideStrings& (TNetDriveSettingValue::*)()>(&TNetDriveSettingValue::Drives))});
}

void TNetDriveSettingValue::Assign(const TPersistent& source) {
    TSettingValue::Assign(source);
    if (const auto* value = dynamic_cast<const TNetDriveSettingValue*>(&source))
        drives_.Assign(value->drives_);
}

std::string TNetDriveSettingValue::GetHint() const {
    return os::Utf16ToUtf8(drives_.Text());
}

// ---- TNetDriveSetting ----

const TSettingClass& TNetDriveSetting::StaticClass() {
    return MakeSettingClass<TNetDriveSetting, TSetting>(
        "TNetDriveSetting", {},
        {.caption = PROLAMO_TRANSLATE_NOOP("SettingKinds", "Network drives"),
         .category = NetworkCategory,
         .imageIndex = 9});
}

bool TNetDriveSetting::DependsOn(const TSetting& setting) const {
    return setting.InheritsFrom(TTCPIPSetting::StaticClass()) || TSetting::DependsOn(setting);
}

void TNetDriveSetting::SetRetryWait(TWait wait) {
    RetryWait() = std::move(wait);
}

std::unique_ptr<TSettingValue> TNetDriveSetting::CaptureValue() {
    auto value = std::make_unique<TNetDriveSettingValue>();
    ReadDrives(value->Drives());
    return value;
}

// Every mapping goes, also one the value maps again: a mapping is never compared with the value.
void TNetDriveSetting::ApplyValue(const TSettingValue& value, TCheckResultList& results) {
    const auto* drives = dynamic_cast<const TNetDriveSettingValue*>(&value);
    if (drives == nullptr)
        throw EAssertionFailed("The network drive setting was given another kind's value");
    const std::unique_ptr<os::IWshNetwork> network = CoWshNetwork::Create();
    TWideStrings current(true);
    ReadDrives(current);
    // The mappings that were removed, so that a drive whose new mapping fails gets its old one back.
    TWideStrings removed(true);
    for (const std::u16string& line : current) {
        os::ErrorInfo info;
        const std::u16string local = LocalName(line);
        if (const os::HResult hr = network->RemoveNetworkDrive(local, false, true, &info); Failed(hr))
            AddWarning(results,
                       Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Error deleting network drive %1 %2"),
                                  {os::Utf16ToUtf8(local), DriveFailure(EOleException(hr, info))}));
        else
            removed.Add(line);
    }
    for (const std::u16string& line : drives->Drives()) {
        const std::u16string local = LocalName(line);
        try {
            MapDrive(*network, local, RemoteName(line));
        } catch (const Exception& e) {
            AddError(results,
                     Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Error installing network drive %1 %2"),
                                {os::Utf16ToUtf8(local), DriveFailure(e)}));
            RestoreDrive(*network, removed, local, results);
        }
    }
}

void TNetDriveSetting::RestoreDrive(os::IWshNetwork& network, TWideStrings& removed, const std::u16string& local,
                                    TCheckResultList& results) const {
    const int index = removed.IndexOfName(local);
    if (index < 0)
        return;
    const std::u16string previous = RemoteName(removed[static_cast<std::size_t>(index)]);
    removed.Delete(static_cast<std::size_t>(index)); // a letter the value holds twice is restored once
    try {
        MapDrive(network, local, previous);
        AddWarning(results,
                   Translated("Engine",
                              PROLAMO_TRANSLATE_NOOP("Engine", "Network drive %1 keeps its previous mapping %2"),
                              {os::Utf16ToUtf8(local), os::Utf16ToUtf8(previous)}));
    } catch (const Exception& e) {
        AddError(results, Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Error restoring network drive %1 %2"),
                                     {os::Utf16ToUtf8(local), DriveFailure(e)}));
    }
}

} // namespace prolamo
