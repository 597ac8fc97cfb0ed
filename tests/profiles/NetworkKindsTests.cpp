// The Wireless network and WinHTTP proxy kinds on the simulated workstation: capture, apply,
// preview, undo, export and import, and what an apply refuses.

#include "support/ApplyResults.h"
#include "support/SimulatedMachine.h"
#include "support/StreamChecks.h"
#include "support/TestKinds.h"

#include "classes/uRegistry.h"
#include "os/NetworkLocation.h"
#include "os/Text.h"
#include "os/WinHttpProxy.h"
#include "os/simulated/SimLocation.h"
#include "profiles/uConfigTransfer.h"
#include "profiles/uProfileHistory.h"
#include "profiles/uProfilePreview.h"
#include "profiles/uProfileUtils.h"
#include "profiles/uServiceClient.h"
#include "profiles/uWinHttpProxySettings.h"
#include "profiles/uWirelessSettings.h"

#include <gtest/gtest.h>

using namespace prolamo;
using namespace prolamo::test;

namespace {

using Quiet = TResultLines;
using Yes = TAlwaysYes;

class NetworkKindsTest : public SimulatedMachineTest {
protected:
    void SetUp() override { RegisterTestKinds(); }

    // A configuration of one setting of Kind, with a profile "Saved" captured from the machine.
    TConfigurationProfile& Captured(const TSettingClass& kind) {
        TConfiguration& configuration = root.Configurations().Add(root.Configurations().NewConfiguration());
        configuration.SetName(kind.GetCaption());
        configuration.AddSetting(kind.CreateSetting());
        TConfigurationProfile& saved = configuration.Profiles().Add(configuration.Profiles().NewProfile());
        saved.SetName("Saved");
        saved.RefreshAll();
        return saved;
    }
    template <class V> V& ValueOf(TConfigurationProfile& profile) {
        return static_cast<V&>(*profile.FindValue((*profile.Settings())[0]));
    }
    // The result lines of the apply, kept for an undo in History.
    std::vector<std::string> Apply(TConfigurationProfile& profile) {
        auto sender = std::make_unique<Quiet>();
        Quiet& quiet = *sender;
        Yes yes;
        TProfileApplier applier(std::move(sender), yes);
        TApplySnapshotter snapshotter(history, root.Configurations()[0]); // each test has one
        applier.SetGuard(&snapshotter);
        applier.ApplyProfile(profile);
        return quiet.lines;
    }
    void Undo() {
        Yes yes;
        TApplyUndo(history, root).Run(std::make_unique<Quiet>(), yes);
    }
    std::string WirelessNow() {
        std::vector<os::ConnectedAdapter> adapters;
        EXPECT_EQ(os::NetworkLocation().GetConnectedAdapters(&adapters), os::ErrorSuccess);
        for (const os::ConnectedAdapter& adapter : adapters)
            if (!adapter.ssid.empty())
                return adapter.ssid + " " + adapter.gatewayMac;
        return "none";
    }
    std::vector<std::uint8_t> WinHttpSettings() {
        TRegistry registry(os::KeyQueryValue);
        registry.SetRootKey(os::HKeyLocalMachine);
        if (!registry.OpenKey(os::Utf16ToUtf8(os::WinHttpSettingsKey), false))
            return {};
        std::vector<std::uint8_t> bytes(256);
        bytes.resize(registry.ReadBinaryData(os::Utf16ToUtf8(os::WinHttpSettingsValue), bytes));
        return bytes;
    }

    TConfigurations root;
    TProfileHistory history;
};

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
    return {values.begin(), values.end()};
}

} // namespace

// ---- Wireless network ----

TEST_F(NetworkKindsTest, AWirelessProfileConnectsToAnotherNetworkInRangeAndIsUndone) {
    ASSERT_EQ(os::simulated::MoveToNetwork(Machine(), "office"), os::ErrorSuccess);
    EXPECT_EQ(os::simulated::WirelessNetworksInRange(Machine()), (std::vector<std::string>{"CORP-WLAN", "CORP-GUEST"}));
    TConfigurationProfile& guest = Captured(TWirelessSetting::StaticClass());
    EXPECT_EQ(ValueOf<TWirelessValue>(guest).GetHint(), "Wi-Fi: CORP-WLAN");
    ValueOf<TWirelessValue>(guest).SetList({{"Wi-Fi", "CORP-GUEST"}});

    TProfilePreview preview = PreviewProfile(guest);
    ASSERT_EQ(preview.changes.size(), 1u);
    EXPECT_EQ(preview.changes[0].state, TChangeState::WillChange);
    EXPECT_EQ(preview.changes[0].now, "Wi-Fi: CORP-WLAN");
    EXPECT_EQ(preview.changes[0].after, "Wi-Fi: CORP-GUEST");

    std::uint64_t before = 0, after = 0;
    ASSERT_EQ(os::NetworkLocation().GetChangeCount(&before), os::ErrorSuccess);
    EXPECT_EQ(Apply(guest), std::vector<std::string>{});
    ASSERT_EQ(os::NetworkLocation().GetChangeCount(&after), os::ErrorSuccess);
    EXPECT_GT(after, before) << "a watcher sees the switch as a change of the network";
    EXPECT_EQ(WirelessNow(), "CORP-GUEST 02:5A:17:C3:90:0E") << "the guest network's own gateway";
    EXPECT_EQ(PreviewProfile(guest).changes[0].state, TChangeState::Unchanged);

    Undo();
    EXPECT_EQ(WirelessNow(), "CORP-WLAN 00:1D:A2:6E:41:02");

    // An adapter on its network already is left alone: not even the count a watcher looks at moves.
    guest.RefreshAll();
    ASSERT_EQ(os::NetworkLocation().GetChangeCount(&before), os::ErrorSuccess);
    EXPECT_EQ(Apply(guest), std::vector<std::string>{});
    ASSERT_EQ(os::NetworkLocation().GetChangeCount(&after), os::ErrorSuccess);
    EXPECT_EQ(before, after);
}

TEST_F(NetworkKindsTest, ANetworkOutOfRangeOrAMissingAdapterIsAnErrorLineAndTheRestGoesOn) {
    TConfigurationProfile& office = Captured(TWirelessSetting::StaticClass());
    EXPECT_EQ(ValueOf<TWirelessValue>(office).GetHint(), "Wi-Fi: FRITZ!Box 7590 QX") << "the seeded laptop is at home";
    ValueOf<TWirelessValue>(office).SetList({{"WLAN 2", "CORP-WLAN"}, {"Wi-Fi", "CORP-WLAN"}});
    EXPECT_EQ(Apply(office), (std::vector<std::string>{
                                 "Wireless network: WLAN 2: there is no such wireless adapter, or it is switched off",
                                 "Wireless network: Wi-Fi: the wireless network \"CORP-WLAN\" is not in range"}));
    EXPECT_EQ(WirelessNow(), "FRITZ!Box 7590 QX 3C:A6:2F:0B:5E:11");

    // A value without a network disconnects; a machine whose radio is off has no adapter.
    ValueOf<TWirelessValue>(office).SetList({{"Wi-Fi", ""}});
    EXPECT_EQ(ValueOf<TWirelessValue>(office).GetHint(), "Wi-Fi: not connected");
    EXPECT_EQ(Apply(office), std::vector<std::string>{});
    EXPECT_EQ(WirelessNow(), "none");
    Undo();
    EXPECT_EQ(WirelessNow(), "FRITZ!Box 7590 QX 3C:A6:2F:0B:5E:11");
}

TEST_F(NetworkKindsTest, WirelessNamesFromAFileAreCheckedBeforeTheServiceSeesThem) {
    TConfigurationProfile& saved = Captured(TWirelessSetting::StaticClass());
    TConfiguration& configuration = *root.Configurations().Find("Wireless network");
    const std::unique_ptr<TConfigurations> imported = ReadExport(ExportConfigurations({&configuration}));
    EXPECT_TRUE(imported->Configurations()[0].Profiles()[0].Values()[0].Equals(ValueOf<TWirelessValue>(saved)));

    for (const std::string connections : {"Wi-Fi CORP-WLAN\r\n", "Wi-Fi\tCORP\x1B[2J\r\n", "\tCORP-WLAN\r\n"}) {
        ValueOf<TWirelessValue>(saved).SetConnections(connections);
        const std::vector<std::string> lines = Apply(saved);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_NE(lines[0].find("cannot name a wireless adapter or network"), std::string::npos) << lines[0];
    }
    EXPECT_EQ(WirelessNow(), "FRITZ!Box 7590 QX 3C:A6:2F:0B:5E:11");
}

// ---- WinHTTP proxy ----

TEST(WinHttpSettingsLayout, EncodesAndDecodesTheRegistryValue) {
    const os::WinHttpProxyInfo named{os::WinHttpAccessTypeNamedProxy, u"p:80", u"<local>"};
    const std::vector<std::uint8_t> bytes = os::EncodeWinHttpSettings(named);
    EXPECT_EQ(bytes, Bytes({0x28, 0,   0,   0,   0, 0, 0, 0, 3,   0,   0,   0,   4,   0,   0,  0,
                            'p',  ':', '8', '0', 7, 0, 0, 0, '<', 'l', 'o', 'c', 'a', 'l', '>'}));
    os::WinHttpProxyInfo decoded;
    ASSERT_TRUE(os::DecodeWinHttpSettings(bytes, &decoded));
    EXPECT_EQ(decoded, named);
    const std::vector<std::uint8_t> direct = os::EncodeWinHttpSettings({os::WinHttpAccessTypeNoProxy, u"p:80", u""});
    EXPECT_EQ(direct, Bytes({0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

    // Another version and bytes after the lists are read; a list past the end is not.
    std::vector<std::uint8_t> other = bytes;
    other[0] = 0x18;
    other.insert(other.end(), {0, 0, 0, 0});
    ASSERT_TRUE(os::DecodeWinHttpSettings(other, &decoded));
    EXPECT_EQ(decoded, named);
    std::vector<std::uint8_t> overlong = bytes;
    overlong[12] = 200;
    EXPECT_FALSE(os::DecodeWinHttpSettings(overlong, &decoded));
    EXPECT_FALSE(os::DecodeWinHttpSettings(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 10), &decoded));
}

TEST_F(NetworkKindsTest, TheWinHttpProxyIsWrittenInWindowsLayoutPreviewedAndUndone) {
    TConfigurationProfile& office = Captured(TWinHttpProxySetting::StaticClass());
    EXPECT_EQ(ValueOf<TWinHttpProxyValue>(office).GetHint(), WinHttpDirectHint) << "none set: direct";
    TWinHttpProxyValue& value = ValueOf<TWinHttpProxyValue>(office);
    value.SetUseProxy(true);
    value.SetProxyServer("proxy.corp.example:8080");
    value.SetProxyBypass("*.corp.example;<local>");
    EXPECT_EQ(PreviewProfile(office).changes[0].after,
              "Proxy server proxy.corp.example:8080, bypass list *.corp.example;<local>");
    EXPECT_EQ(PreviewProfile(office).changes[0].state, TChangeState::WillChange);

    EXPECT_EQ(Apply(office), std::vector<std::string>{});
    os::WinHttpProxyInfo stored;
    ASSERT_TRUE(os::DecodeWinHttpSettings(WinHttpSettings(), &stored));
    EXPECT_EQ(stored, (os::WinHttpProxyInfo{os::WinHttpAccessTypeNamedProxy, u"proxy.corp.example:8080",
                                            u"*.corp.example;<local>"}));
    EXPECT_EQ(PreviewProfile(office).changes[0].state, TChangeState::Unchanged);

    Undo();
    EXPECT_EQ(WinHttpSettings(), os::EncodeWinHttpSettings({}));
    office.RefreshAll();
    EXPECT_EQ(ValueOf<TWinHttpProxyValue>(office).GetHint(), WinHttpDirectHint);
}

TEST_F(NetworkKindsTest, AStandardUserReadsTheWinHttpProxyButChangesItOnlyThroughTheService) {
    TConfigurationProfile& office = Captured(TWinHttpProxySetting::StaticClass());
    ValueOf<TWinHttpProxyValue>(office).SetUseProxy(true);
    ValueOf<TWinHttpProxyValue>(office).SetProxyServer("proxy:3128");
    Machine().SetAdministrator(false);
    office.RefreshAll();
    EXPECT_EQ(ValueOf<TWinHttpProxyValue>(office).GetHint(), WinHttpDirectHint);
    ValueOf<TWinHttpProxyValue>(office).SetUseProxy(true);
    ValueOf<TWinHttpProxyValue>(office).SetProxyServer("proxy:3128");
    // The line the other kinds the service applies give when it does not run.
    EXPECT_EQ(Apply(office), std::vector<std::string>{std::string("WinHTTP proxy: ") + ServiceNotRunning});
    // The user's own process is refused by the system.
    const std::string refused = MessageOf<Exception>([&] { ApplyWinHttpProxy(ValueOf<TWinHttpProxyValue>(office)); });
    EXPECT_NE(refused.find("Access is denied"), std::string::npos) << refused;
    EXPECT_EQ(WinHttpSettings(), std::vector<std::uint8_t>{});
}

TEST_F(NetworkKindsTest, WinHttpValuesFromAFileAreCheckedAndRoundTrip) {
    TConfigurationProfile& saved = Captured(TWinHttpProxySetting::StaticClass());
    TWinHttpProxyValue& value = ValueOf<TWinHttpProxyValue>(saved);
    value.SetUseProxy(true);
    value.SetProxyServer("http=p:80;https=p:443");
    TConfiguration& configuration = *root.Configurations().Find("WinHTTP proxy");
    const std::unique_ptr<TConfigurations> imported = ReadExport(ExportConfigurations({&configuration}));
    EXPECT_TRUE(imported->Configurations()[0].Profiles()[0].Values()[0].Equals(value));

    value.SetProxyServer(" ");
    EXPECT_EQ(MessageOf<Exception>([&] { ApplyWinHttpProxy(value); }), WinHttpProxyNeedsServer);
    value.SetProxyServer("p:80\r\nevil");
    EXPECT_EQ(MessageOf<Exception>([&] { ApplyWinHttpProxy(value); }),
              "The WinHTTP proxy server \"p:80\\r\\nevil\" cannot be set: it holds a control character or is "
              "longer "
              "than 4096 characters");
    value.SetProxyServer("p:80");
    value.SetProxyBypass(std::string(LongestWinHttpList + 1, 'x'));
    EXPECT_THROW(ApplyWinHttpProxy(value), Exception);
    EXPECT_EQ(WinHttpSettings(), std::vector<std::uint8_t>{});
}
