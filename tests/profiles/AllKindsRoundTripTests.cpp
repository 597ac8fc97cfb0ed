#include "support/SimulatedMachine.h"
#include "support/TestKinds.h"

#include "classes/uPersistence.h"
#include "framework/Stream.h"
#include "profiles/uEnvSettings.h"
#include "profiles/uFileSettings.h"
#include "profiles/uFirefoxProxySettings.h"
#include "profiles/uIEProxySettings.h"
#include "profiles/uNetDriveSettings.h"
#include "profiles/uNetworkSettings.h"
#include "profiles/uOperaProxySettings.h"
#include "profiles/uPrinterSettings.h"
#include "profiles/uTimeSettings.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace prolamo;
using namespace prolamo::test;

namespace {

class AllKindsRoundTripTest : public SimulatedMachineTest {
protected:
    void SetUp() override { RegisterTestKinds(); }
};

// Every registered kind in one configuration, captured from the seeded workstation (plus values
// that exercise what capture leaves empty), saved, loaded, and saved again.
TEST_F(AllKindsRoundTripTest, ADataFileWithEveryKindIsReadBackIdentically) {
    const std::string filePath = temp_ / "some.txt";
    std::ofstream(filePath, std::ios::binary) << "content\r\n";
    const std::string path = temp_ / "Orvenik/QVT/qvt.dfm";
    std::vector<std::uint8_t> first;
    std::size_t kinds = 0;
    {
        TPersistentData data;
        auto& root = static_cast<TConfigurations&>(data.InsertComponent(std::make_unique<TConfigurations>()));
        TConfiguration& configuration = root.Configurations().Add(root.Configurations().NewConfiguration());
        std::uint32_t id = 1000;
        for (const TSettingClass* kind : GetSettingClasses()) {
            std::unique_ptr<TSetting> setting = kind->CreateSetting();
            setting->SetId(++id);
            if (auto* file = dynamic_cast<TFileSetting*>(setting.get()))
                file->SetFileName(filePath);
            if (auto* env = dynamic_cast<TEnvSetting*>(setting.get()))
                env->SetVariableNames(u"Path\r\nTEMP\r\nUndefined\r\n");
            configuration.AddSetting(std::move(setting));
            ++kinds;
        }
        TConfigurationProfile& office = configuration.Profiles().Add(configuration.Profiles().NewProfile());
        office.SetName("Office");
        office.RefreshAll();
        TConfigurationProfile& edited = configuration.Profiles().Add(office.Clone());
        edited.SetName("Edited");
        for (TSettingValue* value : edited.Values()) {
            if (auto* ie = dynamic_cast<TIEProxySettingValue*>(value)) {
                ie->SetUseAutoDetect(true);
                ie->SetAutoConfigURL("http://wpad/wpad.dat");
                ie->LegacySettings().clear();
            }
            if (auto* tz = dynamic_cast<TTimeZoneSettingValue*>(value))
                tz->SetStandardName(u"Zone \u00e9\u6771");
            if (auto* env = dynamic_cast<TEnvSettingValue*>(value))
                env->Values().Add(u"Extra=\u00fc");
            if (auto* printers = dynamic_cast<TPrinterSettingValue*>(value))
                printers->Printers()[0].SetIsDefault(false);
            if (auto* drives = dynamic_cast<TNetDriveSettingValue*>(value))
                drives->Drives().Add(u"Z:=\\\\NAS01\\B\u00fcro");
            if (auto* tcpip = dynamic_cast<TTCPIPSettingValue*>(value)) {
                TAdapterInfo& office = tcpip->Adapters().Add();
                office.SetAdapterName(u"e1dexpress");
                office.SetAdapterDescription(u"B\u00fcro LAN");
                office.SetEnabled(true);
                office.SetStaticIP(true);
                office.IpAddressList().Add("10.1.2.3");
                office.SubnetMaskList().Add("255.255.0.0");
                office.WINSList().Add("");
                office.SetStaticDNS(true);
                office.DNSList().Add("10.1.0.5");
                office.DNSList().Add("10.1.0.6");
            }
        }
        data.Load(path);
        data.Save();
        std::ifstream in(path, std::ios::binary);
        first.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_GE(kinds, 7u);

    TPersistentData data;
    data.Load(path);
    auto& root = static_cast<TConfigurations&>(*data.Components().at(0));
    const TConfiguration& configuration = root.Configurations()[0];
    ASSERT_EQ(configuration.Settings().Count(), kinds);
    for (const TConfigurationProfile& profile : configuration.Profiles())
        EXPECT_EQ(profile.Values().Count(), kinds) << profile.Name();
    EXPECT_EQ(WriteComponentResource(data), first) << "written again, byte for byte";

    const auto& edited = configuration.Profiles()[0];
    ASSERT_EQ(edited.Name(), "Edited");
    const auto& office = configuration.Profiles()[1];
    for (std::size_t i = 0; i < kinds; ++i) {
        const TSettingValue& a = edited.Values()[i];
        const TSettingValue& b = office.Values()[i];
        EXPECT_EQ(a.ClassName(), b.ClassName());
        const bool changed = dynamic_cast<const TIEProxySettingValue*>(&a) ||
                             dynamic_cast<const TTimeZoneSettingValue*>(&a) ||
                             dynamic_cast<const TEnvSettingValue*>(&a) ||
                             dynamic_cast<const TPrinterSettingValue*>(&a) ||
                             dynamic_cast<const TNetDriveSettingValue*>(&a) ||
                             dynamic_cast<const TTCPIPSettingValue*>(&a);
        EXPECT_EQ(a.Equals(b), !changed) << a.ClassName();
    }
}

} // namespace
