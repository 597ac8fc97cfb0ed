#include "support/SimulatedMachine.h"
#include "support/TestKinds.h"

#include "classes/uPersistence.h"
#include "framework/Stream.h"
#include "framework/StreamText.h"
#include "profiles/uConfigTransfer.h"
#include "profiles/uEnvSettings.h"
#include "profiles/uFileSettings.h"
#include "profiles/uFirefoxProxySettings.h"
#include "profiles/uHostsEntriesSettings.h"
#include "profiles/uIEProxySettings.h"
#include "profiles/uNetDriveSettings.h"
#include "profiles/uNetworkSettings.h"
#include "profiles/uOperaProxySettings.h"
#include "profiles/uPrinterSettings.h"
#include "profiles/uProgramSettings.h"
#include "profiles/uTimeSettings.h"
#include "profiles/uWinHttpProxySettings.h"
#include "profiles/uWirelessSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>

using namespace prolamo;
using namespace prolamo::test;

namespace {

class AllKindsRoundTripTest : public SimulatedMachineTest {
protected:
    void SetUp() override { RegisterTestKinds(); }
};

// Every registered kind in one configuration, captured from the seeded workstation into
// "Office", and "Edited" with values that exercise what capture leaves empty. Returns the
// number of kinds.
std::size_t AddEveryKind(TConfigurations& root, const std::string& filePath) {
    std::size_t kinds = 0;
    TConfiguration& configuration = root.Configurations().Add(root.Configurations().NewConfiguration());
    std::uint32_t id = 1000;
    for (const TSettingClass* kind : GetSettingClasses()) {
        std::unique_ptr<TSetting> setting = kind->CreateSetting();
        setting->SetId(++id);
        if (auto* file = dynamic_cast<TFileSetting*>(setting.get()))
            file->SetFileName(filePath);
        if (auto* env = dynamic_cast<TEnvSetting*>(setting.get()))
            env->SetVariableNames(u"Path\r\nTEMP\r\nUndefined\r\n");
        if (auto* program = dynamic_cast<TProgramSetting*>(setting.get())) {
            program->SetCommandLine("\"C:\\Tools\\B\u00fcro VPN\\vpn.exe\" connect office");
            program->SetWorkingFolder("C:\\Tools");
            program->SetRunBefore(true);
            program->SetTimeLimit(90);
        }
        if (auto* entries = dynamic_cast<THostsEntriesSetting*>(setting.get()))
            entries->SetBlockName("B\u00fcro");
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
        if (auto* entries = dynamic_cast<THostsEntriesValue*>(value))
            entries->SetEntries("10.1.0.20 intranet\r\n10.1.0.21 wiki\r\n");
        if (auto* wireless = dynamic_cast<TWirelessValue*>(value))
            wireless->SetList({{"Wi-Fi", "B\u00fcro G\u00e4ste"}, {"WLAN 2", ""}});
        if (auto* proxy = dynamic_cast<TWinHttpProxyValue*>(value)) {
            proxy->SetUseProxy(true);
            proxy->SetProxyServer("http=proxy.corp.example:8080;https=proxy.corp.example:8443");
            proxy->SetProxyBypass("*.corp.example;<local>");
        }
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
    return kinds;
}

// Every kind saved, loaded, and saved again.
TEST_F(AllKindsRoundTripTest, ADataFileWithEveryKindIsReadBackIdentically) {
    const std::string filePath = temp_ / "some.txt";
    std::ofstream(filePath, std::ios::binary) << "content\r\n";
    const std::string path = temp_ / "Orvenik/QVT/qvt.dfm";
    std::vector<std::uint8_t> first;
    std::size_t kinds = 0;
    {
        TPersistentData data;
        auto& root = static_cast<TConfigurations&>(data.InsertComponent(std::make_unique<TConfigurations>()));
        kinds = AddEveryKind(root, filePath);
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
        const bool changed =
            dynamic_cast<const TIEProxySettingValue*>(&a) || dynamic_cast<const TTimeZoneSettingValue*>(&a) ||
            dynamic_cast<const TEnvSettingValue*>(&a) || dynamic_cast<const TPrinterSettingValue*>(&a) ||
            dynamic_cast<const TNetDriveSettingValue*>(&a) || dynamic_cast<const THostsEntriesValue*>(&a) ||
            dynamic_cast<const TWirelessValue*>(&a) || dynamic_cast<const TWinHttpProxyValue*>(&a) ||
            dynamic_cast<const TTCPIPSettingValue*>(&a);
        EXPECT_EQ(a.Equals(b), !changed) << a.ClassName();
    }
}

// Text and stream carry the same data: the text form of every kind reads back to the identical
// stream, and what is imported from it exports to the identical text.
TEST_F(AllKindsRoundTripTest, TheTextFormOfEveryKindReadsBackToTheIdenticalStream) {
    const std::string filePath = temp_ / "some.bin";
    {
        std::ofstream file(filePath, std::ios::binary);
        for (int i = 0; i < 256; ++i)
            file.put(static_cast<char>(i));
    }
    TConfigurations root;
    const std::size_t kinds = AddEveryKind(root, filePath);
    TConfiguration& configuration = root.Configurations()[0];
    configuration.SetName("Every kind");
    for (TSettingValue* value : configuration.Profiles()[0].Values())
        if (auto* env = dynamic_cast<TEnvSettingValue*>(value))
            env->Values().Add(u"\u6771\u4eac=\u5927\u962a"); // kept as UTF-16 in the stream

    std::vector<std::uint8_t> stream;
    TWriter writer(stream);
    writer.WriteSignature();
    writer.WriteComponent(root);
    const std::string text = ObjectBinaryToText(stream);
    EXPECT_EQ(ObjectTextToBinary(text), stream);
    for (const char* part : {"object Configurations: TConfigurations\n", "      Name = 'Every kind'\n",
                             "            object TTCPIPSettingValue\n", "W'\xE6\x9D\xB1\xE4\xBA\xAC=",
                             "000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F\n"})
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;

    const std::string exported = ExportConfigurations({&configuration});
    EXPECT_EQ(exported, text) << "the export is the configurations record of the data file";
    const std::unique_ptr<TConfigurations> imported = ReadExport(exported);
    ASSERT_EQ(imported->Configurations().Count(), 1u);
    const TConfiguration& back = imported->Configurations()[0];
    ASSERT_EQ(back.Settings().Count(), kinds);
    for (std::size_t i = 0; i < kinds; ++i) {
        EXPECT_EQ(back.Settings()[i].ClassName(), configuration.Settings()[i].ClassName());
        EXPECT_EQ(back.Settings()[i].Id(), configuration.Settings()[i].Id());
    }
    ASSERT_EQ(back.Profiles().Count(), 2u);
    for (std::size_t p = 0; p < 2; ++p)
        for (std::size_t i = 0; i < kinds; ++i)
            EXPECT_TRUE(back.Profiles()[p].Values()[i].Equals(configuration.Profiles()[p].Values()[i]))
                << back.Profiles()[p].Values()[i].ClassName();
    EXPECT_EQ(ExportConfigurations({&back}), exported);
}

TEST_F(AllKindsRoundTripTest, ImportRefusesWhatTheProgramCouldNotHaveWrittenAndTakenNames) {
    TConfigurations root;
    AddConfiguration(root, "Net", {"a", "b"});
    for (const char* name : {"Home", "Office"}) {
        auto profile = root.Configurations()[0].Profiles().NewProfile();
        profile->SetName(name);
        root.Configurations()[0].Profiles().Add(std::move(profile));
    }
    const std::string text = ExportConfigurations({&root.Configurations()[0]});

    const auto refused = [](const std::string& broken) {
        try {
            ReadExport(broken);
        } catch (const EFilerError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    const auto edited = [&](const std::string& from, const std::string& to) {
        std::string copy = text;
        copy.replace(copy.find(from), from.size(), to);
        return copy;
    };
    EXPECT_EQ(refused("object Data: TPersistentData\nend\n"), "The text holds a TPersistentData, not configurations");
    EXPECT_NE(refused(edited("TTestSetting", "TNoSuchSetting")).find("Class TNoSuchSetting not found"),
              std::string::npos);
    const std::string firstId =
        text.substr(text.find("Id = "), text.find('\n', text.find("Id = ")) - text.find("Id = "));
    const std::string secondId =
        text.substr(text.rfind("Id = "), text.find('\n', text.rfind("Id = ")) - text.rfind("Id = "));
    EXPECT_NE(refused(edited(secondId, firstId)).find("holds two settings with the Id"), std::string::npos);
    // The names a configuration or profile could not be given.
    EXPECT_EQ(refused(edited("Name = 'Net'", "Name = ''")), "a configuration needs a name");
    EXPECT_EQ(refused(edited("Name = 'Net'", "Name = 'red'#27'[31m'#10'x'")),
              "a configuration name cannot hold control characters: \"red\\x1B[31m\\nx\"");
    EXPECT_EQ(refused(edited("Name = 'Net'", "Name = #0")),
              "a configuration name cannot hold control characters: \"\\x00\"")
        << "the whole name, not the text before its first zero";
    EXPECT_EQ(refused(edited("Name = 'Home'", "Name = ''")), "The configuration \"Net\": a profile needs a name");
    EXPECT_EQ(refused(edited("Name = 'Home'", "Name = 'tab'#9")),
              "The configuration \"Net\": a profile name cannot hold control characters: \"tab\\t\"");
    EXPECT_EQ(refused(edited("Name = 'Home'", "Name = 'Office'")), "The configuration \"Net\" holds two profiles named "
                                                                   "\"Office\"");
    EXPECT_EQ(NameFault("Caf\xC3\xA9 (2)", "profile"), "") << "what the add commands take, import takes";
    const std::string line = std::to_string(std::count(text.begin(), text.begin() + text.find("'Net'"), '\n') + 1);
    EXPECT_EQ(refused(edited("'Net'", "'Caf'#233")), "Line " + line + ": The text of Name is not valid UTF-8");
    EXPECT_NE(refused(edited("Name = 'Net'", "Colour = 'Net'")).find("Colour"), std::string::npos);
    EXPECT_EQ(refused(edited("'Net'", "'Net")), "Line 4: a text that does not end on its line");

    const std::unique_ptr<TConfigurations> imported = ReadExport(text);
    EXPECT_THROW(ImportConfigurations(root, *imported, false), EImportConflict);
    EXPECT_EQ(root.Configurations().Count(), 1u);
    EXPECT_EQ(ImportConfigurations(root, *imported, true), std::vector<std::string>{"Net (2)"});
    EXPECT_EQ(ImportConfigurations(root, *imported, true), std::vector<std::string>{"Net (3)"});
    const TConfiguration& copy = *root.Configurations().Find("Net (2)");
    EXPECT_EQ(copy.Settings().Count(), 2u);
    EXPECT_EQ(copy.Settings()[0].Id(), root.Configurations().Find("Net")->Settings()[0].Id());
}

} // namespace

namespace {

// Count configurations in an export, named "Site 0" to "Site Count/3 - 1", each name three
// times, plus one "Site 2 (2)"; each holds one profile named after its place, so a copy can be
// told from the others.
std::unique_ptr<TConfigurations> ExportOfSites(int count) {
    std::vector<std::unique_ptr<TConfiguration>> made;
    std::vector<const TConfiguration*> exported;
    for (int i = 0; i <= count; ++i) {
        auto configuration = std::make_unique<TConfiguration>();
        configuration->SetName(i == count ? "Site 2 (2)" : "Site " + std::to_string(i / 3));
        auto profile = configuration->Profiles().NewProfile();
        profile->SetName("From " + std::to_string(i));
        configuration->Profiles().Add(std::move(profile));
        exported.push_back(configuration.get());
        made.push_back(std::move(configuration));
    }
    return ReadExport(ExportConfigurations(exported));
}

} // namespace

TEST_F(AllKindsRoundTripTest, ImportOfHundredsGivesFreeNamesInTheImportsOrderAndKeepsTheCollectionSorted) {
    constexpr int Count = 300;
    TConfigurations root;
    for (const char* name : {"Site 1", "Site 1 (2)", "Site 5"})
        root.Configurations().Add(root.Configurations().NewConfiguration()).SetName(name);
    const std::unique_ptr<TConfigurations> imported = ExportOfSites(Count);
    ASSERT_EQ(imported->Configurations().Count(), static_cast<std::size_t>(Count + 1));

    // "Site 1" and "Site 1 (2)" exist, so Site 1's copies start at (3); Site 5's at (2); a
    // name of a "(2)" form is numbered in its turn like any other.
    std::vector<std::string> expected;
    std::map<std::string, int> seen;
    std::map<std::string, std::string> profileOf;
    for (const TConfiguration& configuration : imported->Configurations()) {
        const std::string& name = configuration.Name();
        const int number = ++seen[name] + (name == "Site 1" ? 2 : name == "Site 5" ? 1 : 0);
        const std::string given = name == "Site 2 (2)" ? "Site 2 (2) (2)"
                                  : number == 1        ? name
                                                       : name + " (" + std::to_string(number) + ")";
        expected.push_back(given);
        profileOf[given] = configuration.Profiles()[0].Name();
    }
    EXPECT_EQ(expected[0], "Site 0");
    EXPECT_EQ(std::count(expected.begin(), expected.end(), "Site 1 (5)"), 1);
    EXPECT_EQ(std::count(expected.begin(), expected.end(), "Site 2 (3)"), 1);
    EXPECT_EQ(std::count(expected.begin(), expected.end(), "Site 99 (3)"), 1);

    EXPECT_EQ(ImportConfigurations(root, *imported, true), expected);
    const TConfigurationsCollection& configurations = root.Configurations();
    ASSERT_EQ(configurations.Count(), static_cast<std::size_t>(Count + 4));
    for (std::size_t i = 1; i < configurations.Count(); ++i)
        EXPECT_TRUE(NameLess(configurations[i - 1].Name(), configurations[i].Name()))
            << configurations[i - 1].Name() << " before " << configurations[i].Name();
    for (const auto& [name, profile] : profileOf) {
        const TConfiguration* copy = configurations.Find(name);
        ASSERT_NE(copy, nullptr) << name;
        ASSERT_EQ(copy->Profiles().Count(), 1u) << name;
        EXPECT_EQ(copy->Profiles()[0].Name(), profile) << name;
    }
    EXPECT_EQ(configurations.Find("Site 5")->Profiles().Count(), 0u) << "the one there before stays";
    EXPECT_EQ(FreeConfigurationName(configurations, "Site 1"), "Site 1 (6)");
    EXPECT_EQ(FreeConfigurationName(configurations, "Site 2 (2)"), "Site 2 (2) (3)");
    EXPECT_EQ(FreeConfigurationName(configurations, "Site 100"), "Site 100");
}

TEST_F(AllKindsRoundTripTest, ImportOfHundredsWithoutRenamingRefusesTheFirstTakenNameAndAddsNothing) {
    const auto refusal = [](TConfigurations& root, const TConfigurations& imported) {
        try {
            ImportConfigurations(root, imported, false);
        } catch (const EImportConflict& e) {
            return std::string(e.what());
        }
        return std::string("imported");
    };
    TConfigurations root;
    root.Configurations().Add(root.Configurations().NewConfiguration()).SetName("Site 5");
    const std::unique_ptr<TConfigurations> threeOfEach = ExportOfSites(300);
    // In the import's (name) order "Site 0" comes twice before "Site 5" is reached.
    EXPECT_EQ(refusal(root, *threeOfEach), "A configuration named \"Site 0\" exists already");
    EXPECT_EQ(root.Configurations().Count(), 1u);

    // One of each name: only the name already there stands in the way.
    auto distinct = std::make_unique<TConfigurations>();
    for (const TConfiguration& configuration : threeOfEach->Configurations())
        if (!distinct->Configurations().Find(configuration.Name()))
            distinct->Configurations().Add(std::make_unique<TConfiguration>()).Assign(configuration);
    ASSERT_EQ(distinct->Configurations().Count(), 101u);
    EXPECT_EQ(refusal(root, *distinct), "A configuration named \"Site 5\" exists already");
    EXPECT_EQ(root.Configurations().Count(), 1u);

    root.Configurations().Delete(0);
    EXPECT_EQ(refusal(root, *distinct), "imported");
    std::vector<std::string> names;
    for (const TConfiguration& configuration : root.Configurations())
        names.push_back(configuration.Name());
    std::vector<std::string> imported;
    for (const TConfiguration& configuration : distinct->Configurations())
        imported.push_back(configuration.Name());
    EXPECT_EQ(names, imported) << "every name as it was, in the same order";
}
