// A client of the installed switching service, for the installer's test under Wine, whose user is
// always an administrator and so would write everything itself: it sends the service an apply
// of a TCP/IP setting as a standard user's program would, and prints the reply's lines.
// The value holds no adapters, so the request changes nothing on the machine.
#include "profiles/uNetworkSettings.h"
#include "profiles/uServiceClient.h"
#include "profiles/uSettingKinds.h"

#include <iostream>

namespace {

using namespace prolamo;

class TPrintingSender final : public TProgressSender {
public:
    void Start(int) override {}
    void SetStatus(const std::string& text) override { std::cout << "status: " << text << "\n"; }
    void Step() override {}
    void Finish(const TCheckResultList&) override {}
};

} // namespace

int main() {
    RegisterSettingKinds();
    GetConfigurationsRoot();
    TConfiguration configuration;
    configuration.SetName("Installer test");
    std::unique_ptr<TConfigurationProfile> profile = configuration.Profiles().NewProfile();
    profile->SetName("Through the pipe");
    TSetting& tcpip = configuration.AddSetting(std::make_unique<TTCPIPSetting>());
    auto value = std::make_unique<TTCPIPSettingValue>();
    value->SetCreatorId(tcpip.Id());
    profile->SetValue(tcpip, std::move(value));
    TSetting* settings[] = {&tcpip};
    TPrintingSender sender;
    TCheckResultList results;
    ApplyThroughService(*profile, settings, os::ProcessRights::StandardUser, nullptr, sender, results);
    for (const TCheckResult& result : results)
        std::cout << "result: " << result.Text() << "\n";
    return results.Count() == 0 ? 0 : 1;
}
