#include "uServiceClient.h"

#include "classes/uHelpers.h"
#include "framework/Exceptions.h"
#include "framework/Translation.h"
#include "os/Elevation.h"
#include "os/Files.h"
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

// Takes one reply; true once the request is over.
bool TakeReply(const TServiceReply& reply, TProgressSender& sender, TCheckResultList& results) {
    switch (reply.kind) {
    case TServiceReply::Kind::Status:
        sender.SetStatus(reply.text);
        return false;
    case TServiceReply::Kind::Step:
        return false; // the client steps once per setting, whatever the service applied
    case TServiceReply::Kind::Warning:
        results.Add().Set(TCheckResultType::Warning, reply.text);
        return false;
    case TServiceReply::Kind::Error:
        results.Add().Set(TCheckResultType::Error, reply.text);
        return false;
    case TServiceReply::Kind::Refused:
        results.AddError(Translated("Engine", ServiceCaption), reply.text);
        return true;
    case TServiceReply::Kind::Done:
        break;
    }
    return true;
}

std::string NoAnswer() {
    return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "The switching service did not answer"));
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
        throw Exception(NoAnswer());
    if (line + "\n" != greeting) {
        const std::optional<TServiceReply> reply = ParseServiceReply(line);
        throw Exception(reply && reply->kind == TServiceReply::Kind::Refused ? reply->text : NoAnswer());
    }
    Send(connection, sizeBytes);
    Send(connection, request);
    while (reader.NextLine(&line))
        if (const std::optional<TServiceReply> reply = ParseServiceReply(line);
            reply && TakeReply(*reply, sender, results))
            return;
    results.AddError(Translated("Engine", ServiceCaption),
                     Translated("Engine", PROLAMO_TRANSLATE_NOOP(
                                              "Engine", "The switching service ended the request before it was done")));
}

// The owner-only temporary file's text, and the file gone.
std::vector<std::uint8_t> TakeFile(const std::string& name) {
    std::vector<std::uint8_t> content;
    const os::ErrorCode e = os::Files().ReadWholeFile(name, &content, MaxServiceRequestSize);
    os::Files().DeleteFile(name);
    if (e != os::ErrorSuccess)
        throw EOSError(e);
    return content;
}

// The same request, applied by prolamo-cli started with administrator rights; the request and its
// replies pass through owner-only temporary files.
void ApplyElevated(const std::vector<std::uint8_t>& request, std::span<TSetting* const> settings,
                   TProgressSender& sender, TCheckResultList& results) {
    const std::string requestFile = TOsHelper::GetTempFileName(), resultFile = TOsHelper::GetTempFileName();
    if (const os::ErrorCode e = os::Files().WriteWholeFile(requestFile, request); e != os::ErrorSuccess) {
        os::Files().DeleteFile(requestFile);
        os::Files().DeleteFile(resultFile);
        throw EOSError(e);
    }
    std::uint32_t exitCode = 0;
    const os::ErrorCode e = os::Elevation().RunCliElevated({ElevatedApplyCommand, requestFile, resultFile}, &exitCode);
    os::Files().DeleteFile(requestFile);
    if (e == os::ErrorCancelled) {
        os::Files().DeleteFile(resultFile);
        for (TSetting* setting : settings)
            setting->AddError(results, Translated("Engine", ElevationDeclined));
        return;
    }
    if (e != os::ErrorSuccess) {
        os::Files().DeleteFile(resultFile);
        throw EOSError(e);
    }
    const std::vector<std::uint8_t> replies = TakeFile(resultFile);
    std::string_view text(reinterpret_cast<const char*>(replies.data()), replies.size());
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        if (const std::optional<TServiceReply> reply = ParseServiceReply(text.substr(0, end));
            reply && TakeReply(*reply, sender, results))
            return;
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    results.AddError(
        Translated("Engine", ElevationQuestion),
        Translated("Engine",
                   PROLAMO_TRANSLATE_NOOP("Engine", "The elevated program ended before it was done (exit code %1)"),
                   {std::to_string(exitCode)}));
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

std::string RightsCaseTitle(TRightsCase rightsCase) {
    switch (rightsCase) {
    case TRightsCase::Administrator:
        return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Administrator"));
    case TRightsCase::FilteredAdministrator:
        return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Administrator without elevation"));
    case TRightsCase::UserWithService:
        return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Standard user with the switching service"));
    case TRightsCase::UserWithoutService:
        break;
    }
    return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Standard user without the switching service"));
}

std::string RightsCaseText(TRightsCase rightsCase) {
    const char* meaning = nullptr;
    switch (rightsCase) {
    case TRightsCase::Administrator:
        meaning = PROLAMO_TRANSLATE_NOOP("Engine", "this program applies every setting itself.");
        break;
    case TRightsCase::FilteredAdministrator:
        meaning = PROLAMO_TRANSLATE_NOOP(
            "Engine", "the TCP/IP settings, network connections, the hosts file, machine environment variables and "
                      "the WinHTTP proxy go to the switching service when it runs; without it they fail until the "
                      "program is started as an administrator.");
        break;
    case TRightsCase::UserWithService:
        meaning = PROLAMO_TRANSLATE_NOOP(
            "Engine", "the service applies the TCP/IP settings and network connections for you, and what else the "
                      "machine's policy allows; other settings that need administrator rights fail.");
        break;
    case TRightsCase::UserWithoutService:
        meaning = PROLAMO_TRANSLATE_NOOP(
            "Engine", "the TCP/IP settings, network connections, the hosts file, machine environment variables and "
                      "the WinHTTP proxy fail until an administrator starts the Prolamo switching service.");
        break;
    }
    return RightsCaseTitle(rightsCase) + ": " + Translated("Engine", meaning);
}

void ApplyThroughService(const TConfigurationProfile& profile, std::span<TSetting* const> settings,
                         os::ProcessRights rights, IConfirmation* consent, TProgressSender& sender,
                         TCheckResultList& results) {
    sender.SetStatus(
        Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Applying through the switching service...")));
    try {
        const std::vector<std::uint8_t> request = EncodeServiceRequest(ConfigurationNameOf(profile), profile, settings);
        std::unique_ptr<os::IServiceConnection> connection;
        if (os::ConnectToService(&connection) == os::ErrorSuccess)
            Converse(*connection, request, sender, results);
        else if (rights == os::ProcessRights::FilteredAdministrator && consent != nullptr &&
                 consent->Confirm(ElevationQuestionFor(settings)))
            ApplyElevated(request, settings, sender, results);
        else
            for (TSetting* setting : settings)
                setting->AddError(results, Translated("Engine", rights == os::ProcessRights::FilteredAdministrator &&
                                                                        consent != nullptr
                                                                    ? ElevationDeclined
                                                                    : ServiceNotRunning));
    } catch (const std::exception& e) {
        results.AddError(Translated("Engine", ServiceCaption), AdvisedMessage(e));
    }
    for (std::size_t i = 0; i < settings.size(); ++i)
        sender.Step();
}

std::string ElevationQuestionFor(std::span<TSetting* const> settings) {
    std::string text = Translated(
        "Engine",
        PROLAMO_TRANSLATE_NOOP("Engine", "%1?\n\nThe switching service does not run, and these settings need "
                                         "administrator rights:"),
        {Translated("Engine", ElevationQuestion)});
    for (const TSetting* setting : settings)
        text += "\n  " + setting->GetDisplayText();
    return text;
}

} // namespace prolamo
