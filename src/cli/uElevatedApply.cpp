#include "uElevatedApply.h"

#include "os/Environment.h"
#include "os/Files.h"
#include "os/Processes.h"
#include "os/Security.h"
#include "os/Text.h"
#include "profiles/uServiceClient.h"
#include "service/uSwitchingService.h"
#include "uCliArguments.h"

namespace prolamo::cli {

namespace {

class TAllKinds final : public service::IServicePolicyReader {
public:
    service::TServicePolicy Read() override { return {}; }
};

class TCollectedReplies final : public service::IReplySink {
public:
    void Reply(const TServiceReply& reply) override { text += FormatServiceReply(reply); }
    std::string text;
};

std::string UserName() {
    std::u16string name;
    os::Environment().GetEnvironmentVariable(u"USERNAME", &name);
    return os::Utf16ToUtf8(name);
}

} // namespace

int RunElevatedApply(const std::string& requestFile, const std::string& resultFile) {
    TCollectedReplies replies;
    os::ProcessRights rights = os::ProcessRights::StandardUser;
    std::vector<std::uint8_t> request;
    if (os::Security().ReadProcessRights(&rights) != os::ErrorSuccess || !os::HoldsAdministrativeRights(rights))
        replies.Reply({TServiceReply::Kind::Refused, "This program was not started with administrator rights"});
    else if (const os::ErrorCode e = os::Files().ReadWholeFile(requestFile, &request, MaxServiceRequestSize);
             e != os::ErrorSuccess)
        replies.Reply({TServiceReply::Kind::Refused, "The request cannot be read: " + os::SystemErrorText(e)});
    else {
        os::ServiceCaller caller;
        caller.userName = UserName();
        caller.processId = os::Processes().GetCurrentProcessId();
        caller.administrator = true;
        caller.interactive = true;
        TAllKinds policy;
        service::HandleRequest(request, caller, policy, replies);
    }
    const os::ErrorCode e = os::Files().WriteWholeFile(
        resultFile, std::span(reinterpret_cast<const std::uint8_t*>(replies.text.data()), replies.text.size()));
    return e == os::ErrorSuccess ? ExitOk : ExitFailed;
}

} // namespace prolamo::cli
