#pragma once
// "Wireless network": the network each wireless adapter is connected to, by the name of its
// profile; an apply connects to it where it is in range.

#include "uProfileSettings.h"

#include <string>
#include <vector>

namespace prolamo {

inline constexpr const char* NoWirelessAdapterHint = PROLAMO_TRANSLATE_NOOP("Engine", "No wireless adapter");
inline constexpr const char* WirelessNotConnected = PROLAMO_TRANSLATE_NOOP("Engine", "not connected");
inline constexpr const char* WirelessNotInRange =
    PROLAMO_TRANSLATE_NOOP("Engine", "%1: the wireless network %2 is not in range");
inline constexpr const char* WirelessAdapterMissing =
    PROLAMO_TRANSLATE_NOOP("Engine", "%1: there is no such wireless adapter, or it is switched off");
inline constexpr const char* WirelessNameRefused = PROLAMO_TRANSLATE_NOOP(
    "Engine", "%1 cannot name a wireless adapter or network: it is empty or holds a control character");

struct TWirelessConnection {
    std::string adapter; // the connection name, "Wi-Fi"
    std::string network; // the profile's name; empty when the adapter is not connected
    bool operator==(const TWirelessConnection&) const = default;
};

class TWirelessValue : public TSettingValue {
    PROLAMO_CLASS()

public:
    // One line per adapter, "ADAPTER" TAB "NETWORK" and CR LF, as the data file keeps it.
    std::string Connections() const { return connections_; }
    void SetConnections(const std::string& connections) { connections_ = connections; }
    // Raises WirelessNameRefused for a line that does not hold two names.
    std::vector<TWirelessConnection> List() const;
    void SetList(const std::vector<TWirelessConnection>& list);

    void Assign(const TPersistent& source) override;
    // "Wi-Fi: CORP-WLAN" per adapter, or NoWirelessAdapterHint.
    std::string GetHint() const override;

private:
    std::string connections_;
};

class TWirelessSetting : public TSetting {
    PROLAMO_SETTING_CLASS()

public:
    std::unique_ptr<TSettingValue> CaptureValue() override;
    // Connects each adapter of the value to its network, or disconnects it; an adapter that is
    // connected to it already is left alone. A network out of range or a missing adapter is an
    // error line and the other adapters still go on.
    void ApplyValue(const TSettingValue& value, TCheckResultList& results) override;
    bool ChangesNameResolution() const override { return true; }
};

} // namespace prolamo
