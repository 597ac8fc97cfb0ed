#include "uMachineCommands.h"

#include "classes/uHelpers.h"
#include "classes/uRegistry.h"
#include "framework/Exceptions.h"
#include "os/NetworkDrives.h"
#include "os/PrintSpooler.h"
#include "os/Text.h"
#include "os/Wireless.h"
#include "os/simulated/Machine.h"
#include "os/simulated/SimEventLog.h"
#include "os/simulated/SimLocation.h"
#include "os/simulated/SimNetwork.h"
#include "os/simulated/SimServiceControl.h"
#include "profiles/uTimeSettings.h"
#include "service/uServicePolicy.h"
#include "switching/uSwitchRules.h"
#include "uCliArguments.h"
#include "uTerminal.h"

#include <cstring>
#include <ctime>
#include <ostream>

namespace prolamo::cli {

namespace {

using os::simulated::AdapterRecord;

std::string Join(const std::vector<std::string>& list) {
    std::string text;
    for (const auto& item : list)
        text += (text.empty() ? "" : ", ") + item;
    return text;
}

std::string Addresses(const std::vector<std::string>& addresses, const std::vector<std::string>& masks) {
    std::string text;
    for (std::size_t i = 0; i < addresses.size(); ++i)
        text += (i ? ", " : "") + addresses[i] + (i < masks.size() ? "/" + masks[i] : std::string());
    return text;
}

void ShowAdapters(std::ostream& out) {
    std::vector<AdapterRecord> adapters;
    if (const os::ErrorCode e = os::simulated::ReadAdapters(os::simulated::CurrentMachine(), &adapters);
        e != os::ErrorSuccess)
        throw EOSError(e);
    out << "Network adapters\n";
    for (const AdapterRecord& a : adapters) {
        if (!a.connectionName)
            continue;
        out << "  " << TerminalLine(*a.connectionName) << " (" << TerminalLine(a.description)
            << "): " << (a.enabled ? "enabled" : "disabled") << "\n";
        if (!a.ipEnabled)
            continue;
        if (a.dhcp)
            out << "    address   DHCP" << (a.enabled ? ", leased " + a.leaseAddress + "/" + a.leaseMask : "") << "\n";
        else
            out << "    address   " << Addresses(a.addresses, a.masks) << "\n";
        const auto gateways = !a.gateways.empty() || !a.dhcp ? a.gateways : std::vector<std::string>{a.leaseGateway};
        out << "    gateway   " << (gateways.empty() ? "none" : Join(gateways)) << "\n";
        out << "    DNS       "
            << (!a.dnsServers.empty() ? Join(a.dnsServers)
                : a.dhcp              ? "from DHCP (" + Join(a.leaseDnsServers) + ")"
                                      : std::string("none"))
            << "\n";
        out << "    WINS      " << (a.winsServers.empty() ? "none" : Join(a.winsServers)) << "\n";
    }
}

// What a watcher sees of the network the machine is on.
void ShowLocation(std::ostream& out) {
    const std::vector<os::ConnectedAdapter> adapters = ReadNetworkFingerprint().adapters;
    out << "Network location\n";
    if (adapters.empty())
        out << "  not connected\n";
    for (const os::ConnectedAdapter& adapter : adapters)
        out << "  " << TerminalText(DescribeAdapter(adapter)) << "\n";
}

std::string DefaultPrinter() {
    char16_t name[512];
    std::uint32_t size = 512;
    const os::ErrorCode e = os::PrintSpooler().GetDefaultPrinter(name, &size);
    if (e == os::ErrorFileNotFound)
        return {};
    if (e != os::ErrorSuccess)
        throw EOSError(e);
    return os::Utf16ToUtf8(name);
}

void ShowPrinters(std::ostream& out) {
    const std::uint32_t flags = os::PrinterEnumLocal | os::PrinterEnumConnections;
    std::uint32_t needed = 0, returned = 0;
    os::ErrorCode e = os::PrintSpooler().EnumPrinters(flags, 4, nullptr, 0, &needed, &returned);
    std::vector<std::uint64_t> buffer((needed + 7) / 8);
    if (e == os::ErrorInsufficientBuffer)
        e = os::PrintSpooler().EnumPrinters(flags, 4, reinterpret_cast<std::uint8_t*>(buffer.data()),
                                            static_cast<std::uint32_t>(buffer.size() * 8), &needed, &returned);
    if (e != os::ErrorSuccess)
        throw EOSError(e);
    const std::string defaultPrinter = DefaultPrinter();
    out << "Printers\n";
    if (returned == 0)
        out << "  none\n";
    for (std::uint32_t i = 0; i < returned; ++i) {
        os::PrinterInfo4 info;
        std::memcpy(&info, reinterpret_cast<const std::uint8_t*>(buffer.data()) + i * sizeof info, sizeof info);
        const std::string name = os::Utf16ToUtf8(info.pPrinterName);
        out << "  " << TerminalText(name) << (name == defaultPrinter ? " (default)" : "") << "\n";
    }
}

std::unique_ptr<os::IWshNetwork> Network() {
    std::unique_ptr<os::IWshNetwork> network;
    OleCheck(os::CreateWshNetwork(&network));
    return network;
}

void ShowDrives(std::ostream& out) {
    std::vector<std::u16string> items;
    os::ErrorInfo error;
    OleCheck(Network()->EnumNetworkDrives(&items, &error));
    out << "Network drives\n";
    if (items.size() < 2)
        out << "  none\n";
    for (std::size_t i = 0; i + 1 < items.size(); i += 2)
        out << "  " << os::Utf16ToUtf8(items[i]) << " " << TerminalText(os::Utf16ToUtf8(items[i + 1])) << "\n";
}

void ShowTimeZone(std::ostream& out) {
    TTimeZoneSetting setting;
    out << "Time zone\n  " << setting.CaptureValue()->GetHint() << "\n";
}

int Show(std::ostream& out) {
    ShowAdapters(out);
    ShowLocation(out);
    ShowPrinters(out);
    ShowDrives(out);
    ShowTimeZone(out);
    return ExitOk;
}

int SwitchConnection(const std::string& name, bool on) {
    const auto connection = TOsHelper::FindConnection(os::Utf8ToUtf16(name));
    if (!connection)
        throw EUsage("the machine has no network connection \"" + name + "\"");
    on ? TOsHelper::Connect(*connection) : TOsHelper::Disconnect(*connection);
    return ExitOk;
}

int DeletePrinter(const std::string& name) {
    os::HPrinter printer = 0;
    if (const os::ErrorCode e = os::PrintSpooler().OpenPrinter(os::Utf8ToUtf16(name), &printer); e != os::ErrorSuccess)
        throw EOSError(e);
    const os::ErrorCode e = os::PrintSpooler().DeletePrinter(printer);
    os::PrintSpooler().ClosePrinter(printer);
    if (e != os::ErrorSuccess)
        throw EOSError(e);
    return ExitOk;
}

int SetDefaultPrinter(const std::string& name) {
    if (const os::ErrorCode e = os::PrintSpooler().SetDefaultPrinter(os::Utf8ToUtf16(name)); e != os::ErrorSuccess)
        throw EOSError(e);
    return ExitOk;
}

int Unmap(const std::string& drive) {
    os::ErrorInfo error;
    if (const os::HResult hr = Network()->RemoveNetworkDrive(os::Utf8ToUtf16(drive), true, true, &error); hr != os::SOk)
        throw Exception(os::Utf16ToUtf8(error.Description));
    return ExitOk;
}

int Map(const std::string& drive, const std::string& share) {
    os::ErrorInfo error;
    if (const os::HResult hr =
            Network()->MapNetworkDrive(os::Utf8ToUtf16(drive), os::Utf8ToUtf16(share), true, {}, {}, &error);
        hr != os::SOk)
        throw Exception(os::Utf16ToUtf8(error.Description));
    return ExitOk;
}

int MoveTo(const std::string& network) {
    const os::ErrorCode e = os::simulated::MoveToNetwork(os::simulated::CurrentMachine(), network);
    if (e == os::ErrorNotFound)
        throw EUsage("the machine knows no network \"" + network + "\"; the networks are " +
                     Join(os::simulated::NetworkNames()));
    if (e != os::ErrorSuccess)
        throw EOSError(e);
    return ExitOk;
}

// As the system tray's list of networks: the first wireless adapter switched on connects.
int ConnectWireless(const std::string& ssid) {
    os::simulated::Machine& machine = os::simulated::CurrentMachine();
    std::vector<os::WirelessInterface> interfaces;
    if (const os::ErrorCode e = os::Wireless().EnumInterfaces(&interfaces); e != os::ErrorSuccess)
        throw EOSError(e);
    if (interfaces.empty())
        throw Exception("the machine has no wireless adapter switched on");
    const os::ErrorCode e = os::simulated::ConnectWireless(machine, os::Utf16ToUtf8(interfaces.front().name), ssid);
    if (e == os::ErrorNoNetwork)
        throw Exception("the wireless network \"" + ssid +
                        "\" is not in range; in range: " + Join(os::simulated::WirelessNetworksInRange(machine)));
    if (e != os::ErrorSuccess)
        throw EOSError(e);
    return ExitOk;
}

int ControlService(const std::string& action, std::ostream& out) {
    os::simulated::Machine& machine = os::simulated::CurrentMachine();
    os::ErrorCode e = os::ErrorSuccess;
    if (action == "start")
        e = os::simulated::StartSwitchingService(machine);
    else if (action == "stop")
        e = os::simulated::StopSwitchingService(machine);
    else if (action != "status")
        throw EUsage("the service can be started, stopped or asked for its status, not \"" + action + "\"");
    if (e == os::ErrorAlreadyExists)
        throw Exception("The switching service is running already");
    if (e == os::ErrorNotFound)
        throw Exception("The switching service is not running");
    if (e != os::ErrorSuccess)
        throw EOSError(e);
    out << "The switching service is " << (os::simulated::SwitchingServiceRuns() ? "running" : "stopped") << "\n";
    return ExitOk;
}

std::string EventTime(std::int64_t unixTimeMs) {
    const std::time_t when = static_cast<std::time_t>(unixTimeMs / 1000);
    std::tm local{};
    char text[32] = {};
    if (localtime_r(&when, &local) == nullptr || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) == 0)
        return std::to_string(unixTimeMs);
    return text;
}

int ShowEvents(std::ostream& out) {
    std::vector<os::simulated::EventRecord> events;
    if (const os::ErrorCode e = os::simulated::ReadEvents(os::simulated::CurrentMachine(), &events);
        e != os::ErrorSuccess)
        throw EOSError(e);
    static constexpr const char* kTypes[] = {"Information", "Warning", "Error"};
    out << "Application log\n";
    if (events.empty())
        out << "  none\n";
    for (const auto& event : events)
        out << "  " << EventTime(event.unixTimeMs) << "  " << kTypes[static_cast<int>(event.type)] << "  "
            << TerminalLine(event.source) << "  " << TerminalText(event.text) << "\n";
    return ExitOk;
}

// As an administrator's policy editor does: the value under the machine's policy key, or none.
int SetPolicy(const std::vector<std::string>& o) {
    const bool set = o[0] == "set";
    if ((!set && o[0] != "clear") || o.size() != (set ? 3u : 2u))
        throw EUsage("machine policy takes \"set NAME VALUE\" or \"clear NAME\"");
    const TPolicyInfo* policy = FindPolicy(o[1]);
    if (policy == nullptr) {
        std::string names;
        for (const TPolicyInfo& p : Policies())
            names += (names.empty() ? "" : ", ") + std::string(p.name);
        throw EUsage("the policies are " + names + ", not \"" + o[1] + "\"");
    }
    if (set && policy->type == TPolicyType::Number && o[2] != "0" && o[2] != "1")
        throw EUsage(std::string(policy->name) + " is 0 or 1");
    if (set && policy->name == std::string_view(PolicyServiceKinds))
        service::ParseServiceKinds(o[2]);
    TRegistry registry(os::KeyAllAccess);
    registry.SetRootKey(os::HKeyLocalMachine);
    if (!registry.OpenKey(PolicyKey, true))
        throw EOSError(registry.LastError());
    if (!set) {
        if (!registry.DeleteValue(policy->name))
            throw Exception(std::string("The policy ") + policy->name + " cannot be removed");
    } else if (policy->type == TPolicyType::Number) {
        registry.WriteInteger(policy->name, o[2] == "1");
    } else {
        registry.WriteString(policy->name, o[2]);
    }
    return ExitOk;
}

int SetUser(const std::string& user) {
    using User = os::simulated::Machine::User;
    static const std::pair<const char*, User> kUsers[] = {{"standard", User::Standard},
                                                          {"administrator", User::Administrator},
                                                          {"elevated", User::ElevatedAdministrator}};
    for (const auto& [word, kind] : kUsers)
        if (user == word) {
            os::simulated::CurrentMachine().SetUser(kind);
            return ExitOk;
        }
    throw EUsage("the user is \"standard\", \"administrator\" or \"elevated\", not \"" + user + "\"");
}

// As the clock settings do: the zone's record from the time zone database.
int SetTimeZone(const std::string& key, std::ostream& err) {
    TRegistry registry(os::KeyQueryValue);
    registry.SetRootKey(os::HKeyLocalMachine);
    if (key.empty() || !registry.OpenKey(TimeZonesKey + key, false))
        throw EUsage("the machine knows no time zone \"" + key + "\"");
    std::uint8_t tzi[44] = {};
    if (registry.ReadBinaryData("TZI", std::span(tzi)) != sizeof tzi)
        throw EUsage("the time zone \"" + key + "\" has no valid record");
    auto word = [&tzi](std::size_t at) {
        std::int32_t v;
        std::memcpy(&v, tzi + at, sizeof v);
        return v;
    };
    auto date = [&tzi](std::size_t at) {
        os::SystemTime t;
        std::memcpy(&t, tzi + at, sizeof t);
        return t;
    };
    TTimeZoneSettingValue zone;
    zone.SetBias(word(0));
    zone.SetStandardBias(word(4));
    zone.SetDaylightBias(word(8));
    zone.SetStandardDate(date(12));
    zone.SetDaylightDate(date(28));
    zone.SetStandardName(os::Utf8ToUtf16(registry.ReadString("Std")));
    zone.SetDaylightName(os::Utf8ToUtf16(registry.ReadString("Dlt")));
    TTimeZoneSetting setting;
    TCheckResultList results;
    setting.ApplyValue(zone, results);
    for (const TCheckResult& result : results)
        err << "error: " << TerminalText(result.Text()) << "\n";
    return results.Count() == 0 ? ExitOk : ExitFailed;
}

} // namespace

const std::vector<TMachineCommand>& MachineCommands() {
    static const std::vector<TMachineCommand> commands = {
        {"show", "", 0, 0, "the adapters, printers, network drives and time zone"},
        {"connect", "CONNECTION", 1, 1, "switches a network connection on"},
        {"disconnect", "CONNECTION", 1, 1, "switches a network connection off"},
        {"printer-delete", "PRINTER", 1, 1, "removes a printer or printer connection"},
        {"printer-default", "PRINTER", 1, 1, "makes a printer the default one"},
        {"drive-map", "DRIVE SHARE", 2, 2, "maps a network drive, e.g. S: \\\\FILESRV\\shared"},
        {"drive-unmap", "DRIVE", 1, 1, "removes a mapped network drive"},
        {"timezone", "ZONE", 1, 1, "moves the clock to a zone of the time zone database"},
        {"network", "office|home|train", 1, 1, "takes the laptop to another network (cable, wireless, DHCP)"},
        {"wireless", "NAME", 1, 1, "connects to a wireless network in range, as from the system tray"},
        {"service", "start|stop|status", 1, 1, "starts or stops the switching service, or tells whether it runs"},
        {"events", "", 0, 0, "the machine's Application log: every request to the switching service"},
        {"policy", "set|clear NAME [VALUE]", 2, 3,
         "sets or removes a machine policy, as an administrator: ServiceEnabled, AllowUserConfigurations, "
         "AutomaticSwitching 0|1, ServiceKinds \"TcpIp,Connections,...\", ManagedConfigurations, ManagedRules FILE"},
        {"consent", "yes|no", 1, 1,
         "how the user answers the consent prompt that asks to apply with administrator rights"},
        {"user", "standard|administrator|elevated", 1, 1,
         "makes the user a standard user, an administrator under User Account Control, or an administrator "
         "whose programs start elevated (a fresh machine's user)"},
    };
    return commands;
}

std::string MachineHelpNote() {
    return "The workstation is the simulated machine in $PROLAMO_MACHINE (default\n"
           "~/.local/share/prolamo/machine).\n";
}

int RunMachineCommand(const std::string& verb, const std::vector<std::string>& o, std::ostream& out,
                      std::ostream& err) {
    if (verb == "show")
        return Show(out);
    if (verb == "connect" || verb == "disconnect")
        return SwitchConnection(o[0], verb == "connect");
    if (verb == "printer-delete")
        return DeletePrinter(o[0]);
    if (verb == "printer-default")
        return SetDefaultPrinter(o[0]);
    if (verb == "drive-map")
        return Map(o[0], o[1]);
    if (verb == "drive-unmap")
        return Unmap(o[0]);
    if (verb == "network")
        return MoveTo(o[0]);
    if (verb == "wireless")
        return ConnectWireless(o[0]);
    if (verb == "user")
        return SetUser(o[0]);
    if (verb == "consent") {
        if (o[0] != "yes" && o[0] != "no")
            throw EUsage("the answer is \"yes\" or \"no\", not \"" + o[0] + "\"");
        os::simulated::CurrentMachine().SetFact(os::simulated::ConsentFact, o[0]);
        return ExitOk;
    }
    if (verb == "service")
        return ControlService(o[0], out);
    if (verb == "events")
        return ShowEvents(out);
    if (verb == "policy")
        return SetPolicy(o);
    return SetTimeZone(o[0], err);
}

} // namespace prolamo::cli
