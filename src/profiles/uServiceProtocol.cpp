#include "uServiceProtocol.h"

#include "framework/Stream.h"
#include "framework/Translation.h"
#include "uConfigTransfer.h"
#include "uEnvSettings.h"
#include "uHostsEntriesSettings.h"
#include "uNetworkSettings.h"
#include "uWinHttpProxySettings.h"

#include <typeinfo>

namespace prolamo {

namespace {

struct TReplyWord {
    TServiceReply::Kind kind;
    std::string_view word;
};
constexpr TReplyWord kReplyWords[] = {
    {TServiceReply::Kind::Status, "status"},   {TServiceReply::Kind::Step, "step"},
    {TServiceReply::Kind::Warning, "warning"}, {TServiceReply::Kind::Error, "error"},
    {TServiceReply::Kind::Done, "done"},       {TServiceReply::Kind::Refused, "refused"},
};

struct TKindName {
    TServiceKind kind;
    const char* name;
    const char* text;
};
constexpr TKindName kKinds[] = {
    {KindTcpIp, "TcpIp", "TCP/IP settings"},
    {KindConnections, "Connections", "network connections"},
    {KindResolverCache, "ResolverCache", "the flush of the name resolver cache"},
    {KindHostsFile, "HostsFile", "the hosts file"},
    {KindMachineEnvironment, "MachineEnvironment", "machine environment variables"},
    {KindWinHttpProxy, "WinHttpProxy", "the WinHTTP proxy"},
};

// Text as one piece of a reply line: no line break.
void AppendPlain(std::string& line, std::string_view text) {
    for (const char c : text)
        line += (static_cast<unsigned char>(c) < 0x20 && !IsKeyedTextMark(c)) || c == 0x7F ? ' ' : c;
}

// Only the machine's variables, by the user's own choice of scope.
bool OnlyMachineVariables(const TEnvSetting& setting, const TSettingValue* value) {
    for (std::size_t i = 0; i < setting.Names().Count(); ++i)
        if (ParseEnvChoice(setting.Names()[i]).scope != TEnvScope::System)
            return false;
    const auto* env = dynamic_cast<const TEnvSettingValue*>(value);
    return env == nullptr || (env->Values().Count() == 0 && env->ScopedValues(TEnvScope::User).Count() == 0);
}

} // namespace

std::string ServiceKindName(TServiceKind kind) {
    for (const TKindName& k : kKinds)
        if (k.kind == kind)
            return k.name;
    return {};
}

std::string ServiceKindText(TServiceKind kind) {
    for (const TKindName& k : kKinds)
        if (k.kind == kind)
            return k.text;
    return {};
}

std::uint32_t ServiceKindsOf(const TSetting& setting, const TSettingValue* value) {
    if (typeid(setting) == typeid(TTCPIPSetting))
        return KindTcpIp | KindConnections;
    if (typeid(setting) == typeid(THostsFileSetting) || typeid(setting) == typeid(THostsEntriesSetting))
        return KindHostsFile;
    if (typeid(setting) == typeid(TWinHttpProxySetting))
        return KindWinHttpProxy;
    if (const auto* env = dynamic_cast<const TEnvSetting*>(&setting);
        env != nullptr && typeid(setting) == typeid(TEnvSetting) && OnlyMachineVariables(*env, value))
        return KindMachineEnvironment;
    return 0;
}

void CheckServiceValue(const TSetting& setting, const TSettingValue* value) {
    if (value == nullptr)
        return;
    if (typeid(setting) == typeid(THostsEntriesSetting)) {
        const auto* entries = dynamic_cast<const THostsEntriesValue*>(value);
        if (entries == nullptr)
            throw EFilerError(Translated(
                "Engine", PROLAMO_TRANSLATE_NOOP("Engine", "The Hosts entries setting holds another kind's value")));
        for (const std::string& line : entries->Lines())
            CheckHostsEntry(line);
    } else if (typeid(setting) == typeid(TWinHttpProxySetting)) {
        const auto* proxy = dynamic_cast<const TWinHttpProxyValue*>(value);
        if (proxy == nullptr)
            throw EFilerError(Translated(
                "Engine", PROLAMO_TRANSLATE_NOOP("Engine", "The WinHTTP proxy setting holds another kind's value")));
        CheckWinHttpProxy(*proxy);
    }
}

std::string ServiceGreeting() {
    return "PROLAMO-SWITCHING " + std::to_string(ServiceProtocolVersion) + "\n";
}

std::vector<std::uint8_t> EncodeServiceRequest(const std::string& configurationName,
                                               const TConfigurationProfile& profile,
                                               std::span<TSetting* const> settings) {
    GetConfigurationsRoot();
    TConfigurations request;
    std::unique_ptr<TConfiguration> configuration = request.Configurations().NewConfiguration();
    configuration->SetName(configurationName);
    std::unique_ptr<TConfigurationProfile> copy = configuration->Profiles().NewProfile();
    copy->SetName(profile.Name());
    for (TSetting* setting : settings) {
        TSetting& added = configuration->AddSetting(setting->Clone());
        if (const TSettingValue* value = profile.FindValue(*setting))
            copy->SetValue(added, value->Clone());
    }
    configuration->Profiles().Add(std::move(copy));
    request.Configurations().Add(std::move(configuration));
    std::vector<std::uint8_t> stream;
    TWriter writer(stream);
    writer.WriteSignature();
    writer.WriteComponent(request);
    return stream;
}

std::unique_ptr<TConfigurations> ReadServiceRequest(std::span<const std::uint8_t> request) {
    if (request.size() > MaxServiceRequestSize)
        throw EFilerError(Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "The request is larger than %1 bytes"),
                                     {std::to_string(MaxServiceRequestSize)}));
    std::unique_ptr<TConfigurations> read = ReadConfigurationsRecord(request, MaxServiceRequestNesting);
    if (read->Configurations().Count() != 1 || read->Configurations()[0].Profiles().Count() != 1)
        throw EFilerError(Translated(
            "Engine", PROLAMO_TRANSLATE_NOOP("Engine", "A request holds one configuration with one profile")));
    return read;
}

std::string ServiceReplyText(const TServiceReply& reply) {
    return ResolvedText(reply.text);
}

std::string FormatServiceReply(const TServiceReply& reply) {
    std::string line;
    for (const TReplyWord& w : kReplyWords)
        if (w.kind == reply.kind)
            line = w.word;
    if (!reply.text.empty()) {
        line += ' ';
        AppendPlain(line, reply.text);
    }
    return line + "\n";
}

std::optional<TServiceReply> ParseServiceReply(std::string_view line) {
    const std::string_view word = line.substr(0, line.find(' '));
    for (const TReplyWord& w : kReplyWords)
        if (w.word == word) {
            return TServiceReply{
                w.kind, std::string(word.size() < line.size() ? line.substr(word.size() + 1) : std::string_view())};
        }
    return std::nullopt;
}

} // namespace prolamo
