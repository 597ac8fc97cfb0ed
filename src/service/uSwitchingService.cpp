#include "uSwitchingService.h"

#include "framework/Exceptions.h"
#include "os/EventLog.h"
#include "os/NetworkLocation.h"
#include "os/Text.h"
#include "profiles/uProfileUtils.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <stop_token>

namespace prolamo::service {

namespace {

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string KindList(std::uint32_t kinds) {
    std::string text;
    for (const TServiceKind kind : ServiceKinds)
        if (kinds & kind)
            text += (text.empty() ? "" : ", ") + ServiceKindText(kind);
    return text.empty() ? std::string("nothing") : text;
}

class TAudit {
public:
    TAudit(const os::ServiceCaller& caller, IReplySink& sink)
        : sink_(sink),
          head_("The user " + Quoted(caller.userName) + " (process " + std::to_string(caller.processId) + ")") {}

    void Refused(const std::string& why) { Report(os::EventType::Warning, head_ + ": request refused: " + why); }
    void Applied(const TConfiguration& configuration, const TConfigurationProfile& profile, std::uint32_t kinds,
                 int applied, int refused, int errors) {
        Report(errors > 0    ? os::EventType::Error
               : refused > 0 ? os::EventType::Warning
                             : os::EventType::Information,
               head_ + ": configuration " + Quoted(configuration.Name()) + ", profile " + Quoted(profile.Name()) +
                   "; " + KindList(kinds) + "; applied " + std::to_string(applied) + ", refused " +
                   std::to_string(refused) + ", errors " + std::to_string(errors));
    }

private:
    // The caller hears of a request that could not be recorded.
    void Report(os::EventType type, const std::string& text) {
        if (const os::ErrorCode e = os::EventLog().Report(type, os::Utf8ToUtf16(text)); e != os::ErrorSuccess)
            sink_.Reply(
                {TServiceReply::Kind::Warning,
                 Translated("Engine",
                            PROLAMO_TRANSLATE_NOOP("Engine", "The request could not be recorded in the event log: %1"),
                            {os::SystemErrorText(e)})});
    }
    IReplySink& sink_;
    std::string head_;
};

void Refuse(IReplySink& sink, TAudit& audit, const std::string& why) {
    audit.Refused(EnglishText(why));
    sink.Reply({TServiceReply::Kind::Refused, why});
}

void Apply(TConfiguration& configuration, const TServicePolicy& policy, const os::ServiceCaller& caller,
           IReplySink& sink, TAudit& audit) {
    TConfigurationProfile& profile = configuration.Profiles()[0];
    TSettingsList list(false);
    std::uint32_t requested = 0;
    for (TSetting* setting : configuration) {
        const TSettingValue* value = profile.FindValue(*setting);
        const std::uint32_t kinds = ServiceKindsOf(*setting, value);
        if (kinds == 0)
            return Refuse(sink, audit,
                          Translated("Engine",
                                     PROLAMO_TRANSLATE_NOOP(
                                         "Engine", "The switching service never applies %1; nothing was applied"),
                                     {setting->GetFullDisplayText()}));
        setting->CheckParameters();
        CheckServiceValue(*setting, value);
        requested |= kinds;
        if (value != nullptr)
            list.AddReference(*setting);
    }
    TSettings::SortForApply(list);
    const std::uint32_t allowed = AllowedKinds(policy, caller.administrator);
    // The lines for the settings, in their order.
    std::vector<TServiceReply> lines;
    TCheckResultList results;
    const auto takeResults = [&] {
        for (const TCheckResult& result : results)
            lines.push_back({result.ResultType() == TCheckResultType::Error ? TServiceReply::Kind::Error
                                                                            : TServiceReply::Kind::Warning,
                             result.Text()});
        results.Clear();
    };
    int applied = 0, refused = 0;
    bool resolutionChanged = false;
    for (TSetting* setting : list) {
        const std::string text = setting->GetDisplayText();
        const std::uint32_t missing = ServiceKindsOf(*setting, profile.FindValue(*setting)) & ~allowed;
        if (missing != 0) {
            for (const TServiceKind kind : ServiceKinds)
                if (missing & kind) {
                    lines.push_back({TServiceReply::Kind::Error,
                                     Translated("Engine", KindRefusedLine(kind), {text, PolicyServiceKinds})});
                    break;
                }
            ++refused;
            continue;
        }
        sink.Reply({TServiceReply::Kind::Status,
                    Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Applying %1..."), {text})});
        try {
            profile.ApplySetting(*setting, results);
        } catch (const std::exception& e) {
            results.AddError(text, AdvisedMessage(e));
        }
        takeResults();
        ++applied;
        resolutionChanged = resolutionChanged || setting->ChangesNameResolution();
        sink.Reply({TServiceReply::Kind::Step, {}});
    }
    if (resolutionChanged) {
        const std::string caption = Translated("Engine", ResolverCacheCaption);
        if ((allowed & KindResolverCache) == 0)
            lines.push_back({TServiceReply::Kind::Warning,
                             Translated("Engine", KindRefusedLine(KindResolverCache), {caption, PolicyServiceKinds})});
        else if (const os::ErrorCode e = os::NetworkLocation().FlushResolverCache(); e != os::ErrorSuccess)
            results.AddWarning(caption, EOSError(e).what());
        takeResults();
    }
    int errors = 0;
    for (const TServiceReply& line : lines) {
        errors += line.kind == TServiceReply::Kind::Error ? 1 : 0;
        sink.Reply(line);
    }
    audit.Applied(configuration, profile, requested, applied, refused, errors - refused);
    sink.Reply({TServiceReply::Kind::Done, {}});
}

// Writes the replies to the connection. Once KeepAlive is called, an empty line, which clients pass
// over, goes out every ServiceKeepAliveMs as well, until the last reply: a request waiting behind
// another user's, or a setting that takes long to apply, never looks like a service that stopped
// answering.
class TConnectionSink final : public IReplySink {
public:
    explicit TConnectionSink(os::IServiceConnection& connection) : connection_(connection) {}
    // A client that went away misses the rest; the apply goes on to its end.
    void Reply(const TServiceReply& reply) override {
        std::lock_guard lock(writing_);
        Write(FormatServiceReply(reply));
        ended_ = ended_ || reply.kind == TServiceReply::Kind::Done || reply.kind == TServiceReply::Kind::Refused;
    }
    void Greet(const std::string& greeting) {
        std::lock_guard lock(writing_);
        Write(greeting);
    }
    void KeepAlive() {
        keepAlive_ = std::jthread([this](std::stop_token stop) {
            std::mutex mutex;
            std::condition_variable_any wake;
            std::unique_lock wait(mutex);
            while (!wake.wait_for(wait, stop, std::chrono::milliseconds(ServiceKeepAliveMs),
                                  [&] { return stop.stop_requested(); })) {
                std::lock_guard lock(writing_);
                if (!ended_)
                    Write("\n");
            }
        });
    }

private:
    void Write(std::string_view bytes) {
        connection_.Write(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    }

    os::IServiceConnection& connection_;
    std::mutex writing_;
    bool ended_ = false;
    std::jthread keepAlive_; // last: stopped before the rest goes
};

// Reads exactly Into's size before the deadline.
bool ReadExactly(os::IServiceConnection& connection, std::span<std::uint8_t> into,
                 std::chrono::steady_clock::time_point deadline) {
    while (!into.empty()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        std::size_t done = 0;
        if (connection.Read(into, &done, static_cast<std::uint32_t>(left.count())) != os::ErrorSuccess || done == 0)
            return false;
        into = into.subspan(done);
    }
    return true;
}

} // namespace

void HandleRequest(std::span<const std::uint8_t> request, const os::ServiceCaller& caller,
                   IServicePolicyReader& policyReader, IReplySink& sink) {
    const TKeyedTexts keyed;
    TAudit audit(caller, sink);
    if (!caller.interactive)
        return Refuse(
            sink, audit,
            Translated("Engine",
                       PROLAMO_TRANSLATE_NOOP(
                           "Engine", "The switching service serves the users logged on at this computer only")));
    try {
        const TServicePolicy policy = policyReader.Read();
        if (!policy.enabled)
            return Refuse(
                sink, audit,
                Translated("Engine",
                           PROLAMO_TRANSLATE_NOOP("Engine", "The switching service is switched off (policy %1)"),
                           {PolicyServiceEnabled}));
        std::unique_ptr<TConfigurations> read = ReadServiceRequest(request);
        Apply(read->Configurations()[0], policy, caller, sink, audit);
    } catch (const std::exception& e) {
        Refuse(
            sink, audit,
            Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "The request was refused: %1"), {AdvisedMessage(e)}));
    }
}

void ServeConnection(os::IServiceConnection& connection, const os::ServiceCaller& caller, IServicePolicyReader& policy,
                     std::mutex& applying) {
    const TKeyedTexts keyed;
    TConnectionSink sink(connection);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ServiceTimeoutMs);
    const std::string greeting = ServiceGreeting();
    std::string heard(greeting.size(), '\0');
    if (!ReadExactly(connection, std::span(reinterpret_cast<std::uint8_t*>(heard.data()), heard.size()), deadline))
        return;
    // Plain English, which a client of any version reads whole.
    if (heard != greeting)
        return sink.Reply({TServiceReply::Kind::Refused,
                           "The switching service speaks protocol version " + std::to_string(ServiceProtocolVersion)});
    // A client that sent its request and went away still has it applied, and recorded.
    sink.Greet(greeting);
    std::uint8_t sizeBytes[4] = {};
    if (!ReadExactly(connection, sizeBytes, deadline))
        return;
    const std::uint32_t size =
        sizeBytes[0] | sizeBytes[1] << 8 | sizeBytes[2] << 16 | std::uint32_t{sizeBytes[3]} << 24;
    if (size > MaxServiceRequestSize)
        return sink.Reply({TServiceReply::Kind::Refused,
                           Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "The request is larger than %1 bytes"),
                                      {std::to_string(MaxServiceRequestSize)})});
    std::vector<std::uint8_t> request(size);
    if (!ReadExactly(connection, request, deadline))
        return;
    sink.KeepAlive();
    std::lock_guard lock(applying);
    HandleRequest(request, caller, policy, sink);
}

TSwitchingService::TSwitchingService(std::unique_ptr<os::IServiceListener> listener, IServicePolicyReader& policy)
    : listener_(std::move(listener)), policy_(policy) {}

TSwitchingService::~TSwitchingService() {
    for (Client& client : clients_)
        client.thread.join();
}

void TSwitchingService::ReapFinished() {
    for (auto it = clients_.begin(); it != clients_.end();)
        if (it->done->load()) {
            it->thread.join();
            it = clients_.erase(it);
        } else {
            ++it;
        }
}

void TSwitchingService::Run(const std::function<bool()>& stop) {
    while (!stop()) {
        ReapFinished();
        std::unique_ptr<os::IServiceConnection> connection;
        os::ServiceCaller caller;
        if (listener_->Accept(&connection, &caller, 250) != os::ErrorSuccess)
            continue;
        if (clients_.size() >= MaxClients) {
            const TKeyedTexts keyed;
            TConnectionSink(*connection)
                .Reply({TServiceReply::Kind::Refused,
                        Translated("Engine",
                                   PROLAMO_TRANSLATE_NOOP("Engine", "The switching service is busy; try again"))});
            continue;
        }
        auto done = std::make_shared<std::atomic<bool>>(false);
        clients_.push_back({std::thread([this, done, caller, owned = std::shared_ptr(std::move(connection))] {
                                ServeConnection(*owned, caller, policy_, applying_);
                                done->store(true);
                            }),
                            done});
    }
}

} // namespace prolamo::service
