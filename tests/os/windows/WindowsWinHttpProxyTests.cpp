// The WinHTTP default proxy of Windows itself, read back both through WinHTTP and from the
// registry value, decoded as the simulated workstation writes it.

#include "os/WinHttpProxy.h"
#include "profiles/uSettingKinds.h"
#include "profiles/uWinHttpProxySettings.h"

#include "os/windows/WinSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace prolamo {
namespace {

std::vector<std::uint8_t> StoredSettings() {
    DWORD size = 0;
    const std::wstring key = os::windows::Wide(os::WinHttpSettingsKey);
    const std::wstring value = os::windows::Wide(os::WinHttpSettingsValue);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), value.c_str(), RRF_RT_REG_BINARY, nullptr, nullptr, &size) !=
        ERROR_SUCCESS)
        return {};
    std::vector<std::uint8_t> bytes(size);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), value.c_str(), RRF_RT_REG_BINARY, nullptr, bytes.data(),
                       &size) != ERROR_SUCCESS)
        return {};
    bytes.resize(size);
    return bytes;
}

// Puts the proxy found at the start back at the end.
class WindowsWinHttpProxy : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(os::WinHttpProxy().GetDefaultProxy(&saved_), os::ErrorSuccess); }
    void TearDown() override { os::WinHttpProxy().SetDefaultProxy(saved_); }

    os::WinHttpProxyInfo saved_;
};

TEST_F(WindowsWinHttpProxy, ASetProxyIsReadBackThroughWinHttpAndFromItsRegistryValue) {
    const os::WinHttpProxyInfo named{os::WinHttpAccessTypeNamedProxy, u"proxy.corp.example:8080",
                                     u"*.corp.example;<local>"};
    ASSERT_EQ(os::WinHttpProxy().SetDefaultProxy(named), os::ErrorSuccess);
    os::WinHttpProxyInfo read;
    ASSERT_EQ(os::WinHttpProxy().GetDefaultProxy(&read), os::ErrorSuccess);
    EXPECT_EQ(read, named);
    os::WinHttpProxyInfo stored;
    ASSERT_TRUE(os::DecodeWinHttpSettings(StoredSettings(), &stored)) << "the layout the simulated machine writes";
    EXPECT_EQ(stored, named);

    ASSERT_EQ(os::WinHttpProxy().SetDefaultProxy({}), os::ErrorSuccess);
    ASSERT_EQ(os::WinHttpProxy().GetDefaultProxy(&read), os::ErrorSuccess);
    EXPECT_EQ(read, os::WinHttpProxyInfo{});
    ASSERT_TRUE(os::DecodeWinHttpSettings(StoredSettings(), &stored));
    EXPECT_EQ(stored, os::WinHttpProxyInfo{});
}

TEST_F(WindowsWinHttpProxy, TheKindCapturesWhatItApplied) {
    RegisterSettingKinds();
    TWinHttpProxyValue value;
    value.SetUseProxy(true);
    value.SetProxyServer("http=p.example:80;https=p.example:443");
    value.SetProxyBypass("<local>");
    TWinHttpProxySetting setting;
    TCheckResultList results;
    setting.ApplyValue(value, results);
    EXPECT_TRUE(setting.CaptureValue()->Equals(value));
    value.SetUseProxy(false);
    value.SetProxyServer("");
    value.SetProxyBypass("");
    setting.ApplyValue(value, results);
    EXPECT_EQ(setting.CaptureValue()->GetHint(), WinHttpDirectHint);
}

} // namespace
} // namespace prolamo
