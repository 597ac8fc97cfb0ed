#include "uWirelessSettings.h"

#include "os/Text.h"
#include "os/Wireless.h"

#include <algorithm>

namespace prolamo {

namespace {

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

// A name from an untrusted file reaches the WLAN service only when this holds.
void CheckName(const std::string& name) {
    if (name.empty() || std::any_of(name.begin(), name.end(), IsControl))
        throw Exception(Translated("Engine", WirelessNameRefused, {QuotedText(name)}));
}

// The lines of a value, each ended by CR LF.
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find("\r\n", start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

} // namespace

// ---- TWirelessValue ----

const TClassInfo& TWirelessValue::StaticClass() {
    return MakeClassInfo<TWirelessValue, TSettingValue>(
        "TWirelessValue", {prop::String("Connections", &TWirelessValue::Connections, &TWirelessValue::SetConnections)});
}

std::vector<TWirelessConnection> TWirelessValue::List() const {
    std::vector<TWirelessConnection> list;
    for (const std::string& line : SplitLines(connections_)) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos)
            throw Exception(Translated("Engine", WirelessNameRefused, {QuotedText(line)}));
        TWirelessConnection connection{line.substr(0, tab), line.substr(tab + 1)};
        CheckName(connection.adapter);
        if (!connection.network.empty())
            CheckName(connection.network);
        list.push_back(std::move(connection));
    }
    return list;
}

void TWirelessValue::SetList(const std::vector<TWirelessConnection>& list) {
    connections_.clear();
    for (const TWirelessConnection& connection : list)
        connections_ += connection.adapter + '\t' + connection.network + "\r\n";
}

void TWirelessValue::Assign(const TPersistent& source) {
    if (const auto* value = dynamic_cast<const TWirelessValue*>(&source))
        connections_ = value->connections_;
    TSettingValue::Assign(source);
}

std::string TWirelessValue::GetHint() const {
    std::string hint;
    for (const std::string& line : SplitLines(connections_)) {
        const std::size_t tab = line.find('\t');
        const std::string network = tab == std::string::npos ? std::string() : line.substr(tab + 1);
        hint += (hint.empty() ? "" : "\r\n") + line.substr(0, tab) + ": " +
                (network.empty() ? Translated("Engine", WirelessNotConnected) : network);
    }
    return hint.empty() ? Translated("Engine", NoWirelessAdapterHint) : hint;
}

// ---- TWirelessSetting ----

const TSettingClass& TWirelessSetting::StaticClass() {
    return MakeSettingClass<TWirelessSetting, TSetting>(
        "TWirelessSetting", {},
        {.caption = PROLAMO_TRANSLATE_NOOP("SettingKinds", "Wireless network"),
         .description =
             PROLAMO_TRANSLATE_NOOP("SettingKinds", "The wireless network each wireless adapter connects to"),
         .category = NetworkCategory,
         .imageIndex = 2});
}

std::unique_ptr<TSettingValue> TWirelessSetting::CaptureValue() {
    std::vector<os::WirelessInterface> interfaces;
    if (const os::ErrorCode e = os::Wireless().EnumInterfaces(&interfaces); e != os::ErrorSuccess)
        RaiseLastOSError(e);
    std::vector<TWirelessConnection> list;
    for (const os::WirelessInterface& wireless : interfaces)
        list.push_back({os::Utf16ToUtf8(wireless.name), os::Utf16ToUtf8(wireless.profile)});
    auto value = std::make_unique<TWirelessValue>();
    value->SetList(list);
    return value;
}

void TWirelessSetting::ApplyValue(const TSettingValue& value, TCheckResultList& results) {
    const auto* wireless = dynamic_cast<const TWirelessValue*>(&value);
    if (wireless == nullptr)
        throw EAssertionFailed("The Wireless network setting was given another kind's value");
    const std::vector<TWirelessConnection> wanted = wireless->List();
    os::IWireless& service = os::Wireless();
    std::vector<os::WirelessInterface> interfaces;
    if (const os::ErrorCode e = service.EnumInterfaces(&interfaces); e != os::ErrorSuccess)
        RaiseLastOSError(e);
    for (const TWirelessConnection& connection : wanted) {
        const std::u16string adapter = os::Utf8ToUtf16(connection.adapter);
        const std::u16string network = os::Utf8ToUtf16(connection.network);
        const auto now = std::find_if(interfaces.begin(), interfaces.end(),
                                      [&](const os::WirelessInterface& i) { return i.name == adapter; });
        if (now == interfaces.end()) {
            AddError(results, Translated("Engine", WirelessAdapterMissing, {connection.adapter}));
            continue;
        }
        if (now->profile == network)
            continue;
        if (network.empty()) {
            if (const os::ErrorCode e = service.Disconnect(adapter); e != os::ErrorSuccess)
                RaiseLastOSError(e);
            continue;
        }
        std::vector<std::u16string> inRange;
        if (const os::ErrorCode e = service.GetNetworksInRange(adapter, &inRange); e != os::ErrorSuccess)
            RaiseLastOSError(e);
        if (std::find(inRange.begin(), inRange.end(), network) == inRange.end()) {
            AddError(results,
                     Translated("Engine", WirelessNotInRange, {connection.adapter, QuotedText(connection.network)}));
            continue;
        }
        if (const os::ErrorCode e = service.Connect(adapter, network); e != os::ErrorSuccess)
            RaiseLastOSError(e);
    }
}

} // namespace prolamo
