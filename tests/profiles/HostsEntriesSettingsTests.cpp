// The Hosts entries kind: its block of the hosts file, the lines around it kept byte for byte.

#include "support/ApplyResults.h"
#include "support/SimulatedMachine.h"
#include "support/StreamChecks.h"
#include "support/TestKinds.h"

#include "profiles/uConfigTransfer.h"
#include "profiles/uHostsEntriesSettings.h"
#include "profiles/uNetworkSettings.h"
#include "profiles/uProfileHistory.h"
#include "profiles/uProfilePreview.h"
#include "profiles/uProfileUtils.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace prolamo;
using namespace prolamo::test;

namespace {

using Quiet = TResultLines;
using Yes = TAlwaysYes;

std::string ReadHosts() {
    std::ifstream in(HostsFilePath(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteHosts(const std::string& content) {
    std::ofstream(HostsFilePath(), std::ios::binary) << content;
}

class HostsEntriesTest : public SimulatedMachineTest {
protected:
    void SetUp() override { RegisterTestKinds(); }

    // A configuration owning the block Name, with a profile "Office" of Lines.
    TConfigurationProfile& Owner(const std::string& name, const std::vector<std::string>& lines) {
        TConfiguration& configuration = root.Configurations().Add(root.Configurations().NewConfiguration());
        configuration.SetName(name);
        auto setting = std::make_unique<THostsEntriesSetting>();
        setting->SetBlockName(name);
        TSetting& added = configuration.AddSetting(std::move(setting));
        TConfigurationProfile& office = configuration.Profiles().Add(configuration.Profiles().NewProfile());
        office.SetName("Office");
        auto value = std::make_unique<THostsEntriesValue>();
        value->SetLines(lines);
        value->SetCreatorId(added.Id());
        office.SetValue(added, std::move(value));
        return office;
    }
    // The result lines of the apply.
    std::vector<std::string> Apply(TConfigurationProfile& profile, IApplyGuard* guard = nullptr) {
        auto sender = std::make_unique<Quiet>();
        Quiet& quiet = *sender;
        Yes yes;
        TProfileApplier applier(std::move(sender), yes);
        applier.SetGuard(guard);
        applier.ApplyProfile(profile);
        return quiet.lines;
    }

    TConfigurations root;
};

} // namespace

TEST(HostsBlock, OnlyTheBlocksLinesChangeEveryOtherByteStays) {
    const std::string crlf = "127.0.0.1 localhost\r\n# BEGIN Prolamo VPN\r\n10.0.0.1 old\r\n# END Prolamo VPN\r\n"
                             "::1 localhost\r\n";
    EXPECT_EQ(ReplaceHostsBlock(crlf, "VPN", {"10.0.0.2 new", "10.0.0.3 more"}),
              "127.0.0.1 localhost\r\n# BEGIN Prolamo VPN\r\n10.0.0.2 new\r\n10.0.0.3 more\r\n# END Prolamo VPN\r\n"
              "::1 localhost\r\n");
    EXPECT_EQ(ReplaceHostsBlock(crlf, "VPN", {}), "127.0.0.1 localhost\r\n::1 localhost\r\n") << "removed";
    EXPECT_EQ(ReplaceHostsBlock(crlf, "Lab", {}), crlf) << "a missing block stays missing";
    EXPECT_EQ(HostsBlockLines(crlf, "VPN"), std::vector<std::string>{"10.0.0.1 old"});
    EXPECT_EQ(HostsBlockLines(crlf, "vpn"), std::vector<std::string>{}) << "names are matched exactly";

    // A new block goes at the end, its lines ended as the file ends its own.
    EXPECT_EQ(ReplaceHostsBlock("a\nb", "Lab", {"10.9.9.9 lab"}),
              "a\nb\n# BEGIN Prolamo Lab\n10.9.9.9 lab\n# END Prolamo Lab\n");
    EXPECT_EQ(ReplaceHostsBlock("", "Lab", {"10.9.9.9 lab"}),
              "# BEGIN Prolamo Lab\r\n10.9.9.9 lab\r\n# END Prolamo Lab\r\n");
    // Stray carriage returns, tabs and odd bytes of other lines are theirs.
    const std::string odd = "x\t\xFF\r\r\n# BEGIN Prolamo B\n# END Prolamo B";
    EXPECT_EQ(ReplaceHostsBlock(odd, "B", {"1.2.3.4\tb"}),
              "x\t\xFF\r\r\n# BEGIN Prolamo B\r\n1.2.3.4\tb\r\n# END Prolamo B\r\n");
}

TEST(HostsBlock, MarkersThatDoNotPairUpAndEntriesThatWouldBreakTheBlockAreRefused) {
    const std::vector<std::pair<std::string, std::string>> broken = {
        {"# BEGIN Prolamo VPN\n1.1.1.1 a\n", "The hosts file's block \"VPN\" begins on line 1 but never ends"},
        {"a\n# END Prolamo VPN\n", "The hosts file's block \"VPN\" ends on line 2 but never begins"},
        {"# BEGIN Prolamo VPN\n# END Prolamo VPN\n# END Prolamo VPN\n",
         "The hosts file's block \"VPN\" ends on line 3 but never begins"},
        {"# BEGIN Prolamo VPN\n# END Prolamo VPN\n# BEGIN Prolamo VPN\n# END Prolamo VPN\n",
         "The hosts file holds the block \"VPN\" twice, from line 1 and from line 3"},
    };
    for (const auto& [text, message] : broken) {
        const std::string& content = text; // a lambda may not capture a structured binding here
        EXPECT_EQ(MessageOf<Exception>([&] { HostsBlockLines(content, "VPN"); }), message);
        EXPECT_EQ(MessageOf<Exception>([&] { ReplaceHostsBlock(content, "VPN", {"1.2.3.4 x"}); }), message);
    }
    for (const std::string entry : {"1.2.3.4 a\r\n5.6.7.8 b", "# END Prolamo VPN", "# BEGIN Prolamo Other", "a\x1B[2J"})
        EXPECT_EQ(MessageOf<Exception>([&] { ReplaceHostsBlock("", "VPN", {entry}); }),
                  "The entry " + QuotedText(entry) +
                      " cannot be written to the hosts file: it holds a control character, or it would read as a "
                      "block's marker line");
}

TEST_F(HostsEntriesTest, ABlockKeepsTheLinesAnotherProgramWroteBetweenTwoApplies) {
    const std::string seeded = ReadHosts();
    TConfigurationProfile& vpn = Owner("VPN", {"10.8.0.1 vpn-gateway"});
    TSetting& setting = (*vpn.Settings())[0];
    EXPECT_EQ(static_cast<THostsEntriesValue&>(*setting.CreateValue()).Lines(), std::vector<std::string>{})
        << "no markers: an empty block";
    EXPECT_EQ(Apply(vpn), std::vector<std::string>{});
    EXPECT_EQ(ReadHosts(), seeded + "# BEGIN Prolamo VPN\r\n10.8.0.1 vpn-gateway\r\n# END Prolamo VPN\r\n");

    // A container tool adds its line before the block and after it.
    const std::string theirs = "172.17.0.2 db.container\r\n";
    WriteHosts(theirs + ReadHosts() + theirs);
    static_cast<THostsEntriesValue&>(*vpn.FindValue(setting)).SetLines(std::vector<std::string>{"10.8.0.9 vpn-new"});
    Apply(vpn);
    EXPECT_EQ(ReadHosts(),
              theirs + seeded + "# BEGIN Prolamo VPN\r\n10.8.0.9 vpn-new\r\n# END Prolamo VPN\r\n" + theirs);

    vpn.RefreshAll();
    EXPECT_EQ(vpn.FindValue(setting)->GetHint(), "10.8.0.9 vpn-new\r\n");
    static_cast<THostsEntriesValue&>(*vpn.FindValue(setting)).SetLines(std::vector<std::string>{});
    EXPECT_EQ(vpn.FindValue(setting)->GetHint(), NoHostsEntriesHint);
    Apply(vpn);
    EXPECT_EQ(ReadHosts(), theirs + seeded + theirs) << "an empty value removes the block and its markers";
}

TEST_F(HostsEntriesTest, TwoConfigurationsOwnTwoBlocksOfTheSameFile) {
    const std::string seeded = ReadHosts();
    TConfigurationProfile& vpn = Owner("VPN", {"10.8.0.1 vpn"});
    TConfigurationProfile& lab = Owner("Lab", {"192.168.50.1 lab", "192.168.50.2 printer.lab"});
    Apply(vpn);
    Apply(lab);
    const std::string vpnBlock = "# BEGIN Prolamo VPN\r\n10.8.0.1 vpn\r\n# END Prolamo VPN\r\n";
    EXPECT_EQ(ReadHosts(), seeded + vpnBlock +
                               "# BEGIN Prolamo Lab\r\n192.168.50.1 lab\r\n192.168.50.2 printer.lab\r\n"
                               "# END Prolamo Lab\r\n");
    TSetting& labSetting = (*lab.Settings())[0];
    static_cast<THostsEntriesValue&>(*lab.FindValue(labSetting)).SetLines(std::vector<std::string>{});
    Apply(lab);
    EXPECT_EQ(ReadHosts(), seeded + vpnBlock) << "the other block stays";
}

TEST_F(HostsEntriesTest, PreviewUndoAndTheRefusalOfAStandardUserAreThoseOfTheHostsFile) {
    const std::string seeded = ReadHosts();
    TConfigurationProfile& vpn = Owner("VPN", {"10.8.0.1 vpn"});
    TConfiguration& configuration = *root.Configurations().Find("VPN");
    TProfilePreview preview = PreviewProfile(vpn);
    ASSERT_EQ(preview.changes.size(), 1u);
    EXPECT_EQ(preview.changes[0].state, TChangeState::WillChange);
    EXPECT_EQ(preview.changes[0].text, "Hosts entries (VPN)");
    EXPECT_EQ(preview.changes[0].now, NoHostsEntriesHint);

    TProfileHistory history;
    TApplySnapshotter snapshotter(history, configuration);
    Apply(vpn, &snapshotter);
    EXPECT_EQ(PreviewProfile(vpn).changes[0].state, TChangeState::Unchanged);
    Yes yes;
    TApplyUndo(history, root).Run(std::make_unique<Quiet>(), yes);
    EXPECT_EQ(ReadHosts(), seeded) << "the undo removed the block it had not found";

    // Without the rights to write the hosts file, both kinds are refused alike.
    std::filesystem::permissions(HostsFilePath(), std::filesystem::perms::owner_read);
    THostsFileSetting hostsFile;
    const std::unique_ptr<TSettingValue> whole = hostsFile.CreateValue();
    TCheckResultList results;
    const std::string refusal = MessageOf<EInOutError>([&] { hostsFile.ApplyValue(*whole, results); });
    EXPECT_NE(refusal.find(texts::AdminHint), std::string::npos);
    EXPECT_EQ(Apply(vpn), std::vector<std::string>{"Hosts entries (VPN): " + refusal});
    EXPECT_EQ(ReadHosts(), seeded);
}

TEST_F(HostsEntriesTest, BlockNamesAreCheckedWhereEnteredAndOnImport) {
    THostsEntriesSetting setting;
    for (const std::string name : {"", " VPN", "VPN\t", "V\nPN"}) {
        setting.SetBlockName(name);
        EXPECT_EQ(MessageOf<Exception>([&] { setting.CheckParameters(); }),
                  QuotedText(name) + " cannot name a block of the hosts file: a name is not empty, holds no control "
                                     "character and neither starts nor ends with a blank");
        EXPECT_THROW(setting.CreateValue(), Exception);
    }
    setting.SetBlockName("VPN of B\u00fcro #2");
    EXPECT_NO_THROW(setting.CheckParameters());

    TConfigurationProfile& vpn = Owner("VPN", {"10.8.0.1 vpn"});
    TConfiguration& configuration = *root.Configurations().Find("VPN");
    const std::unique_ptr<TConfigurations> imported = ReadExport(ExportConfigurations({&configuration}));
    const TConfiguration& back = imported->Configurations()[0];
    EXPECT_TRUE(back.Profiles()[0].Values()[0].Equals(*vpn.FindValue(configuration.Settings()[0])));
    EXPECT_EQ(ImportCautions(*imported), "");
    static_cast<THostsEntriesSetting&>(configuration.Settings()[0]).SetBlockName("x\ny");
    EXPECT_THROW(ReadExport(ExportConfigurations({&configuration})), EFilerError);
}
