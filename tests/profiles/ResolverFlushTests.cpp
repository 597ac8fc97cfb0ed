// An apply that wrote the hosts file or the DNS servers flushes the name resolver's cache once;
// other applies leave it.

#include "support/SimulatedMachine.h"
#include "support/TestKinds.h"

#include "os/simulated/SimLocation.h"
#include "profiles/uFileSettings.h"
#include "profiles/uNetworkSettings.h"
#include "profiles/uProfileUtils.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace prolamo;
using namespace prolamo::test;

namespace {

class QuietSender final : public TProgressSender {
public:
    void Start(int) override {}
    void SetStatus(const std::string&) override {}
    void Step() override {}
    void Finish(const TCheckResultList& results) override { lines = results.Count(); }
    std::size_t lines = 0;
};

class Yes final : public IConfirmation {
public:
    bool Confirm(const std::string&) override { return true; }
};

class ResolverFlushTest : public SimulatedMachineTest {
protected:
    std::uint64_t Flushes() {
        std::uint64_t count = 0;
        EXPECT_EQ(os::simulated::ReadResolverFlushes(Machine(), &count), os::ErrorSuccess);
        return count;
    }
    void Apply(TConfigurationProfile& profile) {
        Yes yes;
        TProfileApplier(std::make_unique<QuietSender>(), yes).ApplyProfile(profile);
    }
    TConfigurations root;
};

TEST_F(ResolverFlushTest, HostsFileOrTcpIpFlushOnceOtherKindsNever) {
    const std::string notes = (Machine().DocumentsFolder() / "notes.txt").string();
    std::ofstream(notes) << "proxy=office\n";
    TConfiguration& configuration = root.Configurations().Add(root.Configurations().NewConfiguration());
    auto file = std::make_unique<TFileSetting>();
    file->SetFileName(notes);
    configuration.AddSetting(std::move(file));
    TConfigurationProfile& onlyFile = configuration.Profiles().Add(configuration.Profiles().NewProfile());
    onlyFile.RefreshAll();
    Apply(onlyFile);
    EXPECT_EQ(Flushes(), 0u);

    TSetting& hosts = configuration.AddSetting(std::make_unique<THostsFileSetting>());
    Apply(onlyFile); // the profile has no hosts value: nothing written, nothing flushed
    EXPECT_EQ(Flushes(), 0u);
    onlyFile.RefreshValue(hosts);
    configuration.AddSetting(std::make_unique<TTCPIPSetting>());
    onlyFile.RefreshAll();
    Apply(onlyFile);
    EXPECT_EQ(Flushes(), 1u) << "one flush after both";
}

} // namespace
