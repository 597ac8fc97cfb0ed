// The Windows services that only the system itself answers in these forms: the process token,
// the time zone, the environment block, group membership and window messages.

#include "os/Environment.h"
#include "os/Errors.h"
#include "os/Privileges.h"
#include "os/Security.h"
#include "os/Text.h"
#include "os/TimeZone.h"
#include "os/WindowMessages.h"
#include "os/windows/WinSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace prolamo::os {
namespace {

// Every user holds the shutdown privilege, disabled until asked for (so does Wine's token); Wine
// does not know the time zone privilege.
constexpr const char16_t* kShutdownName = u"SeShutdownPrivilege";

bool UnderWine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

class TokenTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Privileges().LookupPrivilegeValue(u"", kShutdownName, &privilege_), ErrorSuccess);
        ASSERT_EQ(Privileges().OpenProcessToken(TokenAdjustPrivileges | TokenQuery, &token_), ErrorSuccess);
    }
    void TearDown() override {
        if (token_ != 0) {
            EXPECT_EQ(Privileges().CloseHandle(token_), ErrorSuccess);
        }
    }
    std::uint32_t PrivilegeAttributes() {
        std::vector<LuidAndAttributes> held;
        EXPECT_EQ(Privileges().GetTokenPrivileges(token_, &held), ErrorSuccess);
        const auto found = std::find_if(held.begin(), held.end(), [&](const auto& p) { return p.Luid == privilege_; });
        return found == held.end() ? 0xFFFFFFFF : found->Attributes;
    }
    ErrorCode SetPrivilege(bool enabled, std::vector<LuidAndAttributes>* previous = nullptr) {
        return Adjust(privilege_, enabled, previous);
    }
    ErrorCode Adjust(const Luid& luid, bool enabled, std::vector<LuidAndAttributes>* previous = nullptr) {
        ErrorCode status = ErrorGenFailure;
        const ErrorCode error =
            Privileges().AdjustTokenPrivileges(token_, {{luid, enabled ? SePrivilegeEnabled : 0}}, previous, &status);
        return error != ErrorSuccess ? error : status;
    }

    Luid privilege_;
    HToken token_ = 0;
};

TEST_F(TokenTest, PrivilegesAreLookedUpByName) {
    Luid systemTime, timeZone;
    ASSERT_EQ(Privileges().LookupPrivilegeValue(u"", SeSystemtimeName, &systemTime), ErrorSuccess);
    EXPECT_NE(systemTime, privilege_);
    if (!UnderWine()) {
        ASSERT_EQ(Privileges().LookupPrivilegeValue(u"", SeTimeZoneName, &timeZone), ErrorSuccess);
        EXPECT_NE(timeZone, systemTime);
    }
    Luid none;
    EXPECT_EQ(Privileges().LookupPrivilegeValue(u"", u"SeNoSuchPrivilege", &none), ErrorNoSuchPrivilege);
}

TEST_F(TokenTest, EnablingReportsTheFormerStateWhichRestoresIt) {
    ASSERT_NE(PrivilegeAttributes(), 0xFFFFFFFFu) << "every user holds the shutdown privilege";
    ASSERT_EQ(SetPrivilege(false), ErrorSuccess);
    EXPECT_EQ(PrivilegeAttributes() & SePrivilegeEnabled, 0u);

    std::vector<LuidAndAttributes> previous;
    ASSERT_EQ(SetPrivilege(true, &previous), ErrorSuccess);
    EXPECT_NE(PrivilegeAttributes() & SePrivilegeEnabled, 0u);
    ASSERT_EQ(previous.size(), 1u);
    EXPECT_EQ(previous[0].Luid, privilege_);
    EXPECT_EQ(previous[0].Attributes & SePrivilegeEnabled, 0u);

    ErrorCode status = ErrorGenFailure;
    ASSERT_EQ(Privileges().AdjustTokenPrivileges(token_, previous, nullptr, &status), ErrorSuccess);
    EXPECT_EQ(status, ErrorSuccess);
    EXPECT_EQ(PrivilegeAttributes() & SePrivilegeEnabled, 0u);
}

TEST_F(TokenTest, TheTimeZoneIsReadAndNotSetWithoutTheEnabledPrivilege) {
    TimeZoneInformation zone;
    std::uint32_t id = TimeZoneIdInvalid;
    ASSERT_EQ(TimeZone().GetTimeZoneInformation(&zone, &id), ErrorSuccess);
    EXPECT_TRUE(id == TimeZoneIdUnknown || id == TimeZoneIdStandard || id == TimeZoneIdDaylight) << id;
    EXPECT_NE(zone.StandardName[0], u'\0');
    EXPECT_EQ(zone.StandardName[TimeZoneNameUnits - 1], u'\0');

    Luid timeZone;
    if (Privileges().LookupPrivilegeValue(u"", SeTimeZoneName, &timeZone) == ErrorSuccess) {
        ASSERT_EQ(Adjust(timeZone, false), ErrorSuccess);
    }
    TimeZoneInformation other = zone;
    other.Bias = zone.Bias == 0 ? 60 : 0;
    EXPECT_EQ(TimeZone().SetTimeZoneInformation(other), ErrorPrivilegeNotHeld);
    TimeZoneInformation after;
    ASSERT_EQ(TimeZone().GetTimeZoneInformation(&after, &id), ErrorSuccess);
    EXPECT_EQ(after, zone);
}

TEST(CodePageTest, OtherProgramsGetTheAnsiCodePage) {
    const std::string name = "B\u00fcro LAN"; // UTF-8 inside the program
    const std::string ansi = Utf8ToAnsi(name);
    if (::GetACP() == 1252)
        EXPECT_EQ(ansi, "B\xFCro LAN");
    EXPECT_EQ(AnsiToUtf8(ansi), name);
    EXPECT_EQ(Utf8ToAnsi("plain"), "plain");
    EXPECT_EQ(AnsiToUtf8(""), "");
}

TEST(EnvironmentTest, VariablesAreSetReadAndRemovedInThisProcess) {
    std::u16string value = u"stale";
    EXPECT_EQ(Environment().GetEnvironmentVariable(u"PROLAMO_NO_SUCH_VARIABLE", &value), ErrorEnvvarNotFound);
    EXPECT_EQ(value, u"");

    const std::u16string longValue(1000, u'x'); // longer than the first buffer tried
    ASSERT_EQ(Environment().SetEnvironmentVariable(u"Prolamo_Test", longValue.c_str()), ErrorSuccess);
    ASSERT_EQ(Environment().GetEnvironmentVariable(u"PROLAMO_TEST", &value), ErrorSuccess);
    EXPECT_EQ(value, longValue);
    ASSERT_EQ(Environment().SetEnvironmentVariable(u"PROLAMO_TEST", u"%TEMP%\\ü"), ErrorSuccess);
    ASSERT_EQ(Environment().GetEnvironmentVariable(u"prolamo_test", &value), ErrorSuccess);
    EXPECT_EQ(value, u"%TEMP%\\ü") << "not expanded";
    ASSERT_EQ(Environment().SetEnvironmentVariable(u"PROLAMO_TEST", nullptr), ErrorSuccess);
    EXPECT_EQ(Environment().GetEnvironmentVariable(u"PROLAMO_TEST", &value), ErrorEnvvarNotFound);
}

TEST(SecurityTest, MembershipIsTestedAgainstTheProcessToken) {
    bool member = false;
    EXPECT_EQ(Security().CheckTokenMembership(0, UsersGroupSid, &member), ErrorSuccess);
    bool administrator = false;
    EXPECT_EQ(Security().CheckTokenMembership(0, AdministratorsGroupSid, &administrator), ErrorSuccess);
    // A SID that no token holds: S-1-5-21-1-2-3-4242.
    bool stranger = true;
    EXPECT_EQ(Security().CheckTokenMembership(0, Sid{5, {21, 1, 2, 3, 4242}}, &stranger), ErrorSuccess);
    EXPECT_FALSE(stranger);
    EXPECT_EQ(Security().CheckTokenMembership(0, Sid{5, {}}, &stranger), ErrorInvalidParameter);
}

struct Received {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};
Received g_received;
constexpr UINT kProbe = WM_USER + 1;

LRESULT CALLBACK Record(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kProbe)
        g_received = {message, wParam, lParam};
    return ::DefWindowProcW(window, message, wParam, lParam);
}

TEST(WindowMessagesTest, NotificationsReachTheWindowWithTheirParameters) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Record;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ProlamoTestListener";
    ASSERT_NE(::RegisterClassW(&windowClass), 0);
    const HWND window = ::CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                          windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    // A window of this thread gets the message at once, without a message loop.
    EXPECT_EQ(WindowMessages().SendNotifyMessage(reinterpret_cast<HWnd>(window), kProbe, 7, 42), ErrorSuccess);
    EXPECT_EQ(g_received.message, kProbe);
    EXPECT_EQ(g_received.wParam, 7u);
    EXPECT_EQ(g_received.lParam, 42);
    ::DestroyWindow(window);
    EXPECT_EQ(WindowMessages().SendNotifyMessage(reinterpret_cast<HWnd>(window), kProbe, 0, 0),
              ErrorInvalidWindowHandle);
}

TEST(WindowMessagesTest, TheSettingsChangeIsBroadcastWithoutWaiting) {
    if (UnderWine())
        GTEST_SKIP() << "Wine refuses WM_SETTINGCHANGE from SendNotifyMessage with 1159 (synchronous only)";
    EXPECT_EQ(WindowMessages().SendNotifyMessage(HWndBroadcast, WmSettingChange, 0, 0), ErrorSuccess);
}

} // namespace
} // namespace prolamo::os
