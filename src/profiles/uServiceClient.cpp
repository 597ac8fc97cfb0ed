#include "uServiceClient.h"

#include "framework/Exceptions.h"
#include "os/ServiceChannel.h"

#include <chrono>

namespace prolamo {

namespace {

// The configuration that holds Profile, for the service's record.
std::string ConfigurationNameOf(const TConfigurationProfile& profile) {
    for (const TConfiguration& configuration : GetConfigurationsRoot().Configurations())
        if (&configuration.Settings() == profile.Settings())
            return configuration.Name();
    return profile.Name();
}

class TReplyReader {
public:
    explicit TReplyReader(os::IServiceConnection& connection) : connection_(connection) {}

    // The next line without its line end; false when the service closed or went silent.
    bool NextLine(std::string* line) {
        for (;;) {
            if (const std::size_t end = buffer_.find('\n'); end != std::string::npos) {
                *line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                return true;
            }
            std::uint8_t chunk[4096];
            std::size_t done = 0;
            if (connection_.Read(chunk, &done, ServiceTimeoutMs) != os::ErrorSuccess || done == 0)
                return false;
            buffer_.append(reinterpret_cast<const char*>(chunk), done);
        }
    }

private:
    os::IServiceConnection& connection_;
    std::string buffer_;
};

void Send(os::IServiceConnection& connection, std::span<const std::uint8_t> bytes) {
    if (const os::ErrorCode e = connection.Write(bytes); e != os::ErrorSuccess)
        throw EOSError(e);
}

// Sends the request and follows the replies; raises when the service cannot be reached.
void Converse(os::IServiceConnection& connection, const std::vector<std::uint8_t>& request, TProgressSender& sender,
              TCheckResultList& results) {
    const std::string greeting = ServiceGreeting();
    Send(connection, std::span(reinterpret_cast<const std::uint8_t*>(greeting.data()), greeting.size()));
    const std::uint32_t size = static_cast<std::uint32_t>(request.size());
    const std::uint8_t sizeBytes[4] = {static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
                                       static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 24)};
    TReplyReader reader(connection);
    std::string line;
    if (!reader.NextLine(&line))
        throw Exception("The switching service did not answer");
    if (line + "\n" != greeting) {
        const std::optional<TServiceReply> reply = ParseServiceReply(line);
        throw Exception(reply && reply->kind == TServiceReply::Kind::Refused ? reply->text
                                                                           : "The switching service did not answer");
    }
    Send(connection, sizeBytes);
    Send(connection, request);
    while (reader.NextLine(&line)) {
        const std::optional<TServiceReply> reply = ParseServiceReply(line);
        if (!reply)
            continue;
        switch (reply->kind) {
        case TServiceReply::Kind::Status:
            sender.SetStatus(reply->text);
            break;
        case TServiceReply::Kind::Step:
            break; // the client steps once per setting, whatever the service applied
        case TServiceReply::Kind::Warning:
            results.Add().Set(TCheckResultType::Warning, reply->text);
            break;
        case TServiceReply::Kind::Error:
            results.Add().Set(TCheckResultType::Error, reply->text);
            break;
        case TServiceReply::Kind::Refused:
            results.AddError(ServiceCaption, reply->text);
            return;
        case TServiceReply::Kind::Done:
            return;
        }
    }
    results.AddError(ServiceCaption, "The switching service ended the request before it was done");
}

} // namespace

std::vector<TSetting*> SettingsForService(os::ProcessRights rights, const TConfigurationProfile& profile,
                                          const TSettingsList& list) {
    std::vector<TSetting*> settings;
    if (os::HoldsAdministrativeRights(rights))
        return settings;
    for (TSetting* setting : list)
        if (const TSettingValue* value = profile.FindValue(*setting); value && ServiceKindsOf(*setting, value) != 0)
            settings.push_back(setting);
    return settings;
}

TRightsCase CurrentRightsCase() {
    os::ProcessRights rights = os::ProcessRights::StandardUser;
    os::Security().ReadProcessRights(&rights);
    if (os::HoldsAdministrativeRights(rights))
        return TRightsCase::Administrator;
    if (rights == os::ProcessRights::FilteredAdministrator)
        return TRightsCase::FilteredAdministrator;
    std::unique_ptr<os::IServiceConnection> connection;
    return os::ConnectToService(&connection) == os::ErrorSuccess ? TRightsCase::UserWithService
                                                                : TRightsCase::UserWithoutService;
}

std::string RightsCaseText(TRightsCase rightsCase) {
    switch (rightsCase) {
    case TRightsCase::Administrator:
        return "Administrator: this program applies every setting itself.";
    case TRightsCase::FilteredAdministrator:
        return "Administrator without elevation: the TCP/IP settings, network connections, the hosts file and "
               "machine environment variables go to the switching service when it runs; without it they fail "
               "until the program is started as an administrator.";
    case TRightsCase::UserWithService:
        return "Standard user with the switching service: the service applies the TCP/IP settings and network "
               "connections for you, and what else the machine's policy allows; other settings that need "
               "administrator rights fail.";
    case TRightsCase::UserWithoutService:
        break;
    }
    return "Standard user without the switching service: the TCP/IP settings, network connections, the hosts file "
           "and machine environment variables fail until an administrator starts the Prolamo switching service.";
}

void ApplyThroughService(const TConfigurationProfile& profile, std::span<TSetting* const> settings,
                         TProgressSender& sender, TCheckResultList& results) {
    sender.SetStatus("Applying through the switching service...");
    std::unique_ptr<os::IServiceConnection> connection;
    if (os::ConnectToService(&connection) != os::ErrorSuccess) {
        for (TSetting* setting : settings) {
            setting->AddError(results, ServiceNotRunning);
            sender.Step();
        }
        return;
    }
    try {
        Converse(*connection, EncodeServiceRequest(ConfigurationNameOf(profile), profile, settings), sender, results);
    } catch (const std::exception& e) {
        results.AddError(ServiceCaption, AdvisedMessage(e));
    }
    for (std::size_t i = 0; i < settings.size(); ++i)
        sender.Step();
}

} // namespace prolamo
