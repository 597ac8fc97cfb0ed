#include "uNetworkSettings.h"

#include "classes/uHelpers.h"
#include "classes/uRegistry.h"
#include "os/Files.h"
#include "os/Registry.h"
#include "os/Text.h"

#include <vector>

namespace prolamo {

const TSettingClass& THostsFileSetting::StaticClass() {
    return MakeSettingClass<THostsFileSetting, TAbstractFileSetting>(
        "THostsFileSetting", {},
        {.caption = PROLAMO_TRANSLATE_NOOP("SettingKinds", "Hosts file"),
         .description = PROLAMO_TRANSLATE_NOOP("SettingKinds", "IP addresses of frequently used remote hosts"),
         .category = NetworkCategory,
         .imageIndex = 4});
}

std::string HostsFilePath() {
    const char d = os::PathDelimiter;
    return TOsHelper::GetSystemDirectory() + d + "drivers" + d + "etc" + d + "hosts";
}

void THostsFileSetting::SetFileName(const std::string& /*fileName*/) {
    throw EPropReadOnly("FileName");
}

// ---- discovery ----

namespace {

constexpr os::HResult kWbemNotFound = os::WbemErrorNotFound;
constexpr const char* kNetworkCardsKey = "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards\\";
constexpr const char* kInterfacesKey = "\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\";
constexpr std::uint32_t kKeyRead = 0x20019;

// The driver service name comes from the data file: escaped, it cannot leave the string literal.
std::u16string WqlString(const std::u16string& text) {
    std::u16string quoted = u"'";
    for (char16_t c : text) {
        if (c == u'\\' || c == u'\'')
            quoted += u'\\';
        quoted += c;
    }
    return quoted + u"'";
}

std::unique_ptr<os::IWmiObjectSet> Query(os::IWmiServices& services, const std::u16string& query) {
    std::unique_ptr<os::IWmiObjectSet> result;
    OleCheck(services.ExecQuery(query, u"WQL", os::WbemFlagForwardOnly, &result));
    return result;
}

// The next object of the set; null at its end.
std::unique_ptr<os::IWmiObject> Next(os::IWmiObjectSet& set) {
    std::unique_ptr<os::IWmiObject> object;
    const os::HResult hr = set.Next(&object);
    OleCheck(hr);
    return hr == os::SOk ? std::move(object) : nullptr;
}

std::string AsString(const os::WmiValue& value) {
    switch (value.type) {
    case os::WmiValue::Type::String:
        return os::Utf16ToUtf8(value.string);
    case os::WmiValue::Type::Integer:
        return std::to_string(value.integer);
    case os::WmiValue::Type::Boolean:
        return value.boolean ? "True" : "False";
    default:
        return {};
    }
}

// Array elements in order; a null or a non-array adds nothing.
void AppendArray(const os::WmiValue& value, TStrings& list) {
    if (value.type != os::WmiValue::Type::Array)
        return;
    for (const auto& element : value.elements)
        list.Add(AsString(element));
}

std::string ReadRegistryString(const std::string& key, const std::string& name, bool* opened) {
    TRegistry registry(kKeyRead);
    registry.SetRootKey(os::HKeyLocalMachine);
    *opened = registry.OpenKey(key, false);
    return *opened && registry.ValueExists(name) ? registry.ReadString(name) : std::string();
}

} // namespace

EWbemMethodNotSupportedError::EWbemMethodNotSupportedError(const std::string& propertyName)
    : EOSError(kWbemNotFound, Translated("Engine", WmiPropertyNotSupported, {propertyName})) {}

const TClassInfo& TAdapterInfo::StaticClass() {
    using A = TAdapterInfo;
    auto onlyStaticIP = [](const TPersistent& o) { return static_cast<const A&>(o).StaticIP(); };
    auto onlyStaticDNS = [](const TPersistent& o) { return static_cast<const A&>(o).StaticDNS(); };
    auto list = [](const char* name, TStrings& (A::*get)()) { return prop::Object(name, TTypeKind::Strings, get); };
    return MakeClassInfo<A, TCollectionItem>(
        "TAdapterInfo",
        {prop::String<A>("Name", nullptr, &A::SetName), prop::String<A>("Description", nullptr, &A::SetDescription),
         prop::WideString("AdapterName", &A::AdapterName, &A::SetAdapterName),
         prop::WideString("AdapterDescription", &A::AdapterDescription, &A::SetAdapterDescription),
         prop::Boolean("Enabled", &A::Enabled, &A::SetEnabled),
         prop::Boolean<A>("IPEnabled", nullptr, &A::SetIPEnabled),
         prop::Boolean("StaticIP", &A::StaticIP, &A::SetStaticIP),
         list("IpAddressList", &A::IpAddressList).StoredWhen(onlyStaticIP),
         list("SubnetMaskList", &A::SubnetMaskList).StoredWhen(onlyStaticIP),
         list("GatewayList", &A::GatewayList).StoredWhen(onlyStaticIP),
         list("WINSList", &A::WINSList).StoredWhen(onlyStaticIP),
         prop::Boolean("StaticDNS", &A::StaticDNS, &A::SetStaticDNS),
         list("DNSList", &A::DNSList).StoredWhen(onlyStaticDNS)});
}

void TAdapterInfo::SetName(const std::string& name) {
    adapterName_ = os::Utf8ToUtf16(name);
}

void TAdapterInfo::SetDescription(const std::string& description) {
    adapterDescription_ = os::Utf8ToUtf16(description);
}

void TAdapterInfo::SetIPEnabled(bool /*ipEnabled*/) {}

void TAdapterInfo::Assign(const TPersistent& source) {
    const auto* other = dynamic_cast<const TAdapterInfo*>(&source);
    if (other == nullptr) {
        TCollectionItem::Assign(source);
        return;
    }
    adapterName_ = other->adapterName_;
    adapterDescription_ = other->adapterDescription_;
    enabled_ = other->enabled_;
    staticIP_ = other->staticIP_;
    staticDNS_ = other->staticDNS_;
    ipAddresses_.Assign(other->ipAddresses_);
    subnetMasks_.Assign(other->subnetMasks_);
    gateways_.Assign(other->gateways_);
    winsServers_.Assign(other->winsServers_);
    dnsServers_.Assign(other->dnsServers_);
}

std::unique_ptr<os::IWmiServices> ConnectWmi() {
    std::unique_ptr<os::IWmiServices> services;
    OleCheck(os::Wmi().ConnectServer(u"", u"root\\cimv2", &services));
    return services;
}

void LoadAdapters(TAdapterInfoCollection& adapters) {
    const auto services = ConnectWmi();
    const auto found = Query(*services, u"select * from Win32_NetworkAdapter where NetConnectionID is not null");
    while (const auto object = Next(*found)) {
        auto adapter = std::make_unique<TAdapterInfo>();
        adapter->SetAdapterName(os::Utf8ToUtf16(AsString(GetWmiProperty(*object, "ServiceName"))));
        adapter->SetAdapterDescription(os::Utf8ToUtf16(AsString(GetWmiProperty(*object, "NetConnectionID"))));
        adapter->SetEnabled(IsConnectionEnabled(*object));
        if (adapter->Enabled()) {
            try {
                ReadAdapterConfiguration(*services, *adapter);
            } catch (const EAbort&) {
                continue; // enabled, but without TCP/IP: not a setting of this kind
            }
        }
        adapters.Add(std::move(adapter));
    }
}

void ReadAdapterConfiguration(os::IWmiServices& services, TAdapterInfo& adapter) {
    const auto found = Query(services, u"select * from Win32_NetworkAdapterConfiguration where IPEnabled = True and "
                                       u"ServiceName = " +
                                           WqlString(adapter.AdapterName()));
    const auto configuration = Next(*found);
    if (!configuration)
        throw EAbort();
    const os::WmiValue dhcp = GetWmiProperty(*configuration, "DHCPEnabled");
    adapter.SetStaticIP(!(dhcp.type == os::WmiValue::Type::Boolean && dhcp.boolean));
    if (adapter.StaticIP()) {
        AppendArray(GetWmiProperty(*configuration, "IPAddress"), adapter.IpAddressList());
        AppendArray(GetWmiProperty(*configuration, "IPSubnet"), adapter.SubnetMaskList());
        AppendArray(GetWmiProperty(*configuration, "DefaultIPGateway"), adapter.GatewayList());
        for (const char* wins : {"WINSPrimaryServer", "WINSSecondaryServer"})
            if (const os::WmiValue server = GetWmiProperty(*configuration, wins);
                server.type != os::WmiValue::Type::Null)
                adapter.WINSList().Add(AsString(server));
    }
    adapter.SetStaticDNS(HasStaticDns(GetWmiProperty(*configuration, "Index")));
    if (adapter.StaticDNS())
        AppendArray(GetWmiProperty(*configuration, "DNSServerSearchOrder"), adapter.DNSList());
}

os::WmiValue GetWmiProperty(os::IWmiObject& object, const std::string& propertyName) {
    os::WmiValue value;
    const os::HResult hr = object.GetProperty(os::Utf8ToUtf16(propertyName), &value);
    if (hr == kWbemNotFound)
        throw EWbemMethodNotSupportedError(propertyName);
    OleCheck(hr);
    return value;
}

bool HasStaticDns(const os::WmiValue& index) {
    if (index.type != os::WmiValue::Type::Integer)
        return true;
    bool opened = false;
    const std::string interfaceId = ReadRegistryString(
        kNetworkCardsKey + std::to_string(static_cast<std::int64_t>(index.integer) + 1), "ServiceName", &opened);
    if (!opened)
        return true;
    const std::string nameServer = ReadRegistryString(kInterfacesKey + interfaceId, "NameServer", &opened);
    return !opened || !nameServer.empty();
}

bool IsConnectionEnabled(os::IWmiObject& adapterObject) {
    const auto connection =
        TOsHelper::FindConnection(os::Utf8ToUtf16(AsString(GetWmiProperty(adapterObject, "NetConnectionID"))));
    return connection && TOsHelper::IsConnected(*connection);
}

// ---- the TCP/IP setting ----

namespace {

// Entries separated by commas; one holding a blank, a control character, a comma or a double
// quote is quoted with its quotes doubled; a single empty entry is "".
std::string CommaText(const TStrings& list) {
    if (list.Count() == 1 && list[0].empty())
        return "\"\"";
    std::string text;
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const std::string& entry = list[i];
        bool quote = false;
        for (unsigned char c : entry)
            quote = quote || c <= ' ' || c == ',' || c == '"';
        if (i > 0)
            text += ',';
        if (!quote) {
            text += entry;
            continue;
        }
        text += '"';
        for (char c : entry) {
            if (c == '"')
                text += '"';
            text += c;
        }
        text += '"';
    }
    return text;
}

bool IsSafeConnectionName(const std::string& name) {
    for (unsigned char c : name)
        if (c < ' ' || c == 0x7F || c == '"')
            return false;
    return true;
}

// Every entry a script line takes, before the first line is written: the script must not be
// able to say more than the value does.
void CheckScriptEntries(const TAdapterInfo& adapter) {
    auto check = [](const char* kind, const std::string& entry) {
        if (!IsDottedIPv4(entry))
            throw Exception(Translated("Engine", AddressEntryRefused, {Translated("Engine", kind), QuotedText(entry)}));
    };
    auto first = [&](const char* kind, const TStrings& list) {
        if (!list.Empty())
            check(kind, list[0]);
    };
    auto every = [&](const char* kind, const TStrings& list) {
        for (const std::string& entry : list)
            check(kind, entry);
    };
    if (adapter.StaticIP()) {
        // Only the first address, mask and gateway are written; the others may be IPv6.
        if (!adapter.IpAddressList().Empty() && !adapter.SubnetMaskList().Empty()) {
            first(PROLAMO_TRANSLATE_NOOP("Engine", "IP address"), adapter.IpAddressList());
            first(PROLAMO_TRANSLATE_NOOP("Engine", "subnet mask"), adapter.SubnetMaskList());
        }
        first(PROLAMO_TRANSLATE_NOOP("Engine", "gateway"), adapter.GatewayList());
        every(PROLAMO_TRANSLATE_NOOP("Engine", "WINS server"), adapter.WINSList());
    }
    if (adapter.StaticDNS())
        every(PROLAMO_TRANSLATE_NOOP("Engine", "DNS server"), adapter.DNSList());
}

// The process, thread and pipe of one shell run, closed in this order, then the script deleted,
// whatever happens.
class TShellRun {
public:
    explicit TShellRun(std::u16string fileName) : fileName_(std::move(fileName)) {}
    ~TShellRun() {
        os::IProcesses& p = os::Processes();
        for (os::Handle h : {info_.process, info_.thread, readEnd_, writeEnd_})
            if (h != os::NullHandle)
                p.CloseHandle(h);
        os::Files().DeleteFile(os::Utf16ToUtf8(fileName_));
    }
    TShellRun(const TShellRun&) = delete;
    TShellRun& operator=(const TShellRun&) = delete;

    void Run(std::u16string_view shell) {
        os::IProcesses& p = os::Processes();
        if (const os::ErrorCode e = p.CreatePipe(true, &readEnd_, &writeEnd_); e != os::ErrorSuccess)
            RaiseLastOSError(e);
        if (const os::ErrorCode e = p.SetHandleInformation(readEnd_, os::HandleFlagInherit, 0); e != os::ErrorSuccess)
            RaiseLastOSError(e);
        const std::u16string commandLine = std::u16string(shell) + u" -f \"" + fileName_ + u"\"";
        if (const os::ErrorCode e = p.CreateProcess(commandLine, true, os::CreateNoWindow, writeEnd_, &info_);
            e != os::ErrorSuccess)
            RaiseLastOSError(e);
        TShellOutputReader reader(readEnd_);
        while (p.WaitForSingleObject(info_.process, 0) == os::WaitTimeout)
            if (!reader.ReadAvailableOutput())
                p.Sleep(100);
        reader.ReadAvailableOutput();
        TTCPIPSetting::CheckNetshOutput(os::AnsiToUtf8(reader.Output()));
    }

private:
    std::u16string fileName_;
    os::Handle readEnd_ = os::NullHandle;
    os::Handle writeEnd_ = os::NullHandle;
    os::ProcessInformation info_;
};

} // namespace

bool IsDottedIPv4(std::string_view text) {
    int parts = 0;
    std::size_t i = 0;
    while (true) {
        int value = 0;
        std::size_t digits = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4; ++i, ++digits)
            value = value * 10 + (text[i] - '0');
        if (digits == 0 || digits > 3 || value > 255)
            return false;
        if (++parts == 4)
            return i == text.size();
        if (i >= text.size() || text[i] != '.')
            return false;
        ++i;
    }
}

const TClassInfo& TTCPIPSettingValue::StaticClass() {
    using V = TTCPIPSettingValue;
    return MakeClassInfo<V, TSettingValue>(
        "TTCPIPSettingValue",
        {prop::Object("Adapters", TTypeKind::Collection, static_cast<TAdapterInfoCollection& (V::*)()>(&V::Adapters))});
}

void TTCPIPSettingValue::Assign(const TPersistent& source) {
    if (const auto* value = dynamic_cast<const TTCPIPSettingValue*>(&source))
        adapters_.Assign(value->adapters_);
    TSettingValue::Assign(source);
}

std::string TTCPIPSettingValue::GetHint() const {
    TStrings lines;
    for (const TAdapterInfo& adapter : adapters_) {
        lines.Add(os::Utf16ToUtf8(adapter.AdapterDescription()) + "={");
        if (!adapter.Enabled()) {
            lines.Add(" Disabled");
        } else {
            if (adapter.StaticIP()) {
                lines.Add(" IP Address: " + CommaText(adapter.IpAddressList()));
                lines.Add(" Subnet mask: " + CommaText(adapter.SubnetMaskList()));
                lines.Add(" Gateway: " + CommaText(adapter.GatewayList()));
                if (!adapter.WINSList().Empty())
                    lines.Add(" WINS: " + CommaText(adapter.WINSList()));
            } else {
                lines.Add(" Use DHCP");
            }
            lines.Add(adapter.StaticDNS() ? " DNS: " + CommaText(adapter.DNSList())
                                          : std::string(" Obtain DNS server automatically"));
        }
        lines.Add("}");
    }
    return lines.Text();
}

const TSettingClass& TTCPIPSetting::StaticClass() {
    return MakeSettingClass<TTCPIPSetting, TSetting>(
        "TTCPIPSetting", {},
        {.caption = PROLAMO_TRANSLATE_NOOP("SettingKinds", "TCP/IP settings"),
         .description =
             PROLAMO_TRANSLATE_NOOP("SettingKinds", "IP address, subnet mask, gateway, DNS and WINS settings"),
         .category = NetworkCategory,
         .imageIndex = 2});
}

std::unique_ptr<TSettingValue> TTCPIPSetting::CaptureValue() {
    auto value = std::make_unique<TTCPIPSettingValue>();
    LoadAdapters(value->Adapters());
    return value;
}

void TTCPIPSetting::ApplyValue(const TSettingValue& value, TCheckResultList& results) {
    const auto* tcpip = dynamic_cast<const TTCPIPSettingValue*>(&value);
    if (tcpip == nullptr)
        throw EAssertionFailed("The TCP/IP setting was given another kind's value");
    for (const TAdapterInfo& adapter : tcpip->Adapters()) {
        try {
            ApplyAdapter(adapter);
        } catch (const std::exception& e) {
            AddError(results, os::Utf16ToUtf8(adapter.AdapterDescription()) + ": " + AdvisedMessage(e));
        }
    }
}

void TTCPIPSetting::ApplyAdapter(const TAdapterInfo& adapter) {
    SetConnectionState(adapter);
    if (!adapter.Enabled())
        return;
    TStrings script;
    BuildNetshScript(adapter, script);
    RunNetsh(SaveNetshScript(script));
}

void TTCPIPSetting::SetConnectionState(const TAdapterInfo& adapter) {
    const auto connection = TOsHelper::FindConnection(adapter.AdapterDescription());
    if (!connection)
        return;
    if (adapter.Enabled())
        TOsHelper::Connect(*connection);
    else
        TOsHelper::Disconnect(*connection);
}

void TTCPIPSetting::BuildNetshScript(const TAdapterInfo& adapter, TStrings& script) {
    const std::string name = os::Utf16ToUtf8(adapter.AdapterDescription());
    // The name goes into every line unquoted: one that could end its quotes or its line is refused.
    if (!IsSafeConnectionName(name))
        throw Exception(Translated("Engine", ConnectionNameRefused));
    CheckScriptEntries(adapter);
    const std::string named = " name=\"" + name + "\"";
    script.Add("pushd interface ip");
    if (adapter.StaticIP()) {
        if (!adapter.IpAddressList().Empty() && !adapter.SubnetMaskList().Empty())
            script.Add("set address" + named + " source=static addr=" + adapter.IpAddressList()[0] +
                       " mask=" + adapter.SubnetMaskList()[0]);
        if (!adapter.GatewayList().Empty())
            script.Add("set address" + named + " gateway=" + adapter.GatewayList()[0] + " gwmetric=0");
    } else {
        TAdapterInfo current;
        current.Assign(adapter);
        try {
            ReadAdapterConfiguration(*ConnectWmi(), current);
            if (current.StaticIP())
                script.Add("set address" + named + " source=dhcp");
        } catch (const EAbort&) {
            // no current configuration: nothing to switch back to DHCP
        }
    }
    auto servers = [&](const char* kind, const TStrings& list, const char* firstSuffix) {
        if (list.Empty()) {
            script.Add(std::string("set ") + kind + named + " source=static addr=none");
            return;
        }
        script.Add(std::string("set ") + kind + named + " source=static addr=" + list[0] + firstSuffix);
        for (std::size_t i = 1; i < list.Count(); ++i)
            script.Add(std::string("add ") + kind + named + " addr=" + list[i] + " index=" + std::to_string(i + 1));
    };
    if (adapter.StaticDNS())
        servers("dns", adapter.DNSList(), " register=PRIMARY");
    else
        script.Add("set dns" + named + " source=dhcp register=PRIMARY");
    if (adapter.StaticIP())
        servers("wins", adapter.WINSList(), "");
    else
        script.Add("set wins" + named + " source=dhcp");
    script.Add("popd");
}

std::u16string TTCPIPSetting::SaveNetshScript(const TStrings& script) {
    const std::string fileName = TOsHelper::GetTempFileName();
    const std::string text = os::Utf8ToAnsi(script.Text());
    if (const os::ErrorCode e = os::Files().WriteWholeFile(
            fileName, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
        e != os::ErrorSuccess) {
        os::Files().DeleteFile(fileName);
        RaiseLastOSError(e);
    }
    return os::Utf8ToUtf16(fileName);
}

void TTCPIPSetting::RunNetsh(const std::u16string& fileName, std::u16string_view shell) {
    TShellRun(fileName).Run(shell);
}

void TTCPIPSetting::CheckNetshOutput(const std::string& output) {
    std::size_t start = 0;
    while (start < output.size()) {
        const std::size_t end = output.find_first_of("\r\n", start);
        const std::string line = output.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty())
            throw Exception(line);
        if (end == std::string::npos)
            break;
        start = end + (output.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
}

} // namespace prolamo
