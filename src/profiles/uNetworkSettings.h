#pragma once
// Network setting kinds: the hosts file, and the TCP/IP state of every network adapter, found
// through the instrumentation service and restored through the network shell.

#include "classes/uHelpers.h"
#include "framework/Collection.h"
#include "framework/Exceptions.h"
#include "framework/Strings.h"
#include "os/Wmi.h"
#include "uFileSettings.h"

#include <memory>
#include <string>

namespace prolamo {

// <system folder>\drivers\etc\hosts
std::string HostsFilePath();

// The system's hosts file; its path is fixed, so it has no parameters.
class THostsFileSetting : public TAbstractFileSetting {
    PROLAMO_SETTING_CLASS()

public:
    std::string GetFileName() const override { return HostsFilePath(); }
    // The path cannot be chosen: raises EPropReadOnly.
    void SetFileName(const std::string& fileName) override;
    bool ChangesNameResolution() const override { return true; }
};

// An instrumentation object without a property that discovery reads.
class EWbemMethodNotSupportedError : public EOSError {
public:
    explicit EWbemMethodNotSupportedError(const std::string& propertyName);
};

inline constexpr const char* WmiPropertyNotSupported =
    PROLAMO_TRANSLATE_NOOP("Engine", "Property \"%1\" not supported");
inline constexpr const char* ConnectionNameRefused = PROLAMO_TRANSLATE_NOOP(
    "Engine", "The connection name holds a double quote or a control character; no script is written for it");
// The list ("IP address", "DNS server", ...) and the entry, quoted with its control characters escaped.
inline constexpr const char* AddressEntryRefused = PROLAMO_TRANSLATE_NOOP(
    "Engine", "The %1 entry %2 is not a dotted IPv4 address; no script is written for the adapter");

// Four decimal parts of 0 to 255 separated by dots, nothing else.
bool IsDottedIPv4(std::string_view text);

// One adapter's TCP/IP state. A disabled adapter carries only its names; the address lists are
// kept only for static addresses and the DNS list only for hand-set DNS servers.
class TAdapterInfo : public TCollectionItem {
    PROLAMO_CLASS()

public:
    // The names of an older layout of the data file, read into the current ones.
    void SetName(const std::string& name);
    void SetDescription(const std::string& description);
    // Read from older data files and ignored.
    void SetIPEnabled(bool ipEnabled);

    // The driver service name: selects the adapter's configuration.
    std::u16string AdapterName() const { return adapterName_; }
    void SetAdapterName(const std::u16string& name) { adapterName_ = name; }
    // The connection name the user sees; what the connection list and the network shell use.
    std::u16string AdapterDescription() const { return adapterDescription_; }
    void SetAdapterDescription(const std::u16string& description) { adapterDescription_ = description; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    bool StaticIP() const { return staticIP_; }
    void SetStaticIP(bool staticIP) { staticIP_ = staticIP; }
    bool StaticDNS() const { return staticDNS_; }
    void SetStaticDNS(bool staticDNS) { staticDNS_ = staticDNS; }

    TStrings& IpAddressList() { return ipAddresses_; }
    const TStrings& IpAddressList() const { return ipAddresses_; }
    TStrings& SubnetMaskList() { return subnetMasks_; }
    const TStrings& SubnetMaskList() const { return subnetMasks_; }
    TStrings& GatewayList() { return gateways_; }
    const TStrings& GatewayList() const { return gateways_; }
    TStrings& WINSList() { return winsServers_; }
    const TStrings& WINSList() const { return winsServers_; }
    TStrings& DNSList() { return dnsServers_; }
    const TStrings& DNSList() const { return dnsServers_; }

    void Assign(const TPersistent& source) override;

private:
    std::u16string adapterName_;
    std::u16string adapterDescription_;
    bool enabled_ = false;
    bool staticIP_ = false;
    bool staticDNS_ = false;
    TStrings ipAddresses_;
    TStrings subnetMasks_;
    TStrings gateways_;
    TStrings winsServers_;
    TStrings dnsServers_;
};

// The adapters in the order of discovery.
class TAdapterInfoCollection : public TTypedCollection<TAdapterInfo> {};

// A connection to the local namespace "root\cimv2"; raises the platform's error.
std::unique_ptr<os::IWmiServices> ConnectWmi();
// Every adapter that has a network connection; an enabled one without TCP/IP is left out.
void LoadAdapters(TAdapterInfoCollection& adapters);
// The adapter's current addresses and DNS servers, found by its driver service name. Raises
// EAbort when the adapter has no IP-enabled configuration.
void ReadAdapterConfiguration(os::IWmiServices& services, TAdapterInfo& adapter);
os::WmiValue GetWmiProperty(os::IWmiObject& object, const std::string& propertyName);
// Whether the configuration with this index has hand-set DNS servers; true when that cannot be told.
bool HasStaticDns(const os::WmiValue& index);
bool IsConnectionEnabled(os::IWmiObject& adapterObject);

class TTCPIPSettingValue : public TSettingValue {
    PROLAMO_CLASS()

public:
    TAdapterInfoCollection& Adapters() { return adapters_; }
    const TAdapterInfoCollection& Adapters() const { return adapters_; }

    void Assign(const TPersistent& source) override;
    // Per adapter: its name line, its addresses or " Use DHCP", its DNS servers, "}".
    std::string GetHint() const override;

private:
    TAdapterInfoCollection adapters_;
};

class TTCPIPSetting : public TSetting {
    PROLAMO_SETTING_CLASS()

public:
    std::unique_ptr<TSettingValue> CaptureValue() override;
    // Each adapter on its own: a failure is that adapter's error line and the next one goes on.
    void ApplyValue(const TSettingValue& value, TCheckResultList& results) override;
    bool ChangesNameResolution() const override { return true; } // the DNS servers

    static void ApplyAdapter(const TAdapterInfo& adapter);
    static void SetConnectionState(const TAdapterInfo& adapter);
    static void BuildNetshScript(const TAdapterInfo& adapter, TStrings& script);
    // A new temporary file holding the lines; its name.
    static std::u16string SaveNetshScript(const TStrings& script);
    // Runs `shell -f "FileName"`, raises with the first line it prints, and deletes the file.
    static void RunNetsh(const std::u16string& fileName, std::u16string_view shell = u"netsh.exe");
    // Raises with the first non-empty line.
    static void CheckNetshOutput(const std::string& output);
};

} // namespace prolamo
