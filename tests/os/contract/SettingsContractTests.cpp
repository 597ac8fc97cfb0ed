// The time zone, the process's environment and the network location as both backends must answer
// them.

#include "Backend.h"

#include "os/Environment.h"
#include "os/NetworkLocation.h"
#include "os/Privileges.h"
#include "os/Text.h"
#include "os/TimeZone.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace prolamo::os::contract {
namespace {

constexpr std::u16string_view kZones = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones";

std::u16string Name(const char16_t (&field)[TimeZoneNameUnits]) {
    return std::u16string(field, std::char_traits<char16_t>::length(field));
}

// Enables the privilege to change the time zone while it lives, as the program does around a change.
class TimeZonePrivilegeEnabled {
public:
    TimeZonePrivilegeEnabled() {
        Luid luid;
        ErrorCode e = Privileges().LookupPrivilegeValue(u"", SeTimeZoneName, &luid);
        if (e == ErrorNoSuchPrivilege) // systems before it ask for the system-time one
            e = Privileges().LookupPrivilegeValue(u"", SeSystemtimeName, &luid);
        EXPECT_EQ(e, ErrorSuccess);
        EXPECT_EQ(Privileges().OpenProcessToken(TokenAdjustPrivileges | TokenQuery, &token_), ErrorSuccess);
        ErrorCode status = ErrorGenFailure;
        EXPECT_EQ(Privileges().AdjustTokenPrivileges(token_, {{luid, SePrivilegeEnabled}}, &previous_, &status),
                  ErrorSuccess);
        EXPECT_EQ(status, ErrorSuccess) << "the user holds the privilege";
    }
    ~TimeZonePrivilegeEnabled() {
        Privileges().AdjustTokenPrivileges(token_, previous_, nullptr, nullptr);
        Privileges().CloseHandle(token_);
    }
    TimeZonePrivilegeEnabled(const TimeZonePrivilegeEnabled&) = delete;
    TimeZonePrivilegeEnabled& operator=(const TimeZonePrivilegeEnabled&) = delete;

private:
    HToken token_ = 0;
    std::vector<LuidAndAttributes> previous_;
};

class TimeZoneContract : public BackendTest {
protected:
    void SetUp() override {
        std::uint32_t id = TimeZoneIdInvalid;
        ASSERT_EQ(TimeZone().GetTimeZoneInformation(&original_, &id), ErrorSuccess);
    }
    void TearDown() override {
        TimeZoneInformation now;
        std::uint32_t id = TimeZoneIdInvalid;
        if (TimeZone().GetTimeZoneInformation(&now, &id) == ErrorSuccess && now == original_)
            return;
        TimeZonePrivilegeEnabled enabled;
        EXPECT_EQ(TimeZone().SetTimeZoneInformation(original_), ErrorSuccess) << "the zone is put back";
    }

    TimeZoneInformation original_;
};

TEST_F(TimeZoneContract, TheZoneIsReadWithAnIdThatMatchesItsRules) {
    TimeZoneInformation tz;
    std::uint32_t id = TimeZoneIdInvalid;
    ASSERT_EQ(TimeZone().GetTimeZoneInformation(&tz, &id), ErrorSuccess);
    EXPECT_EQ(tz, original_) << "nothing changed in between";
    EXPECT_FALSE(Name(tz.StandardName).empty());
    EXPECT_GE(tz.Bias, -14 * 60);
    EXPECT_LE(tz.Bias, 12 * 60);
    if (tz.DaylightDate.wMonth == 0) {
        EXPECT_EQ(id, TimeZoneIdUnknown) << "no daylight time";
    } else {
        EXPECT_TRUE(id == TimeZoneIdStandard || id == TimeZoneIdDaylight) << id;
    }
}

TEST_F(TimeZoneContract, SettingIsRefusedUntilThePrivilegeIsEnabledAndThenReadBackFieldForField) {
    TimeZoneInformation tokyo;
    tokyo.Bias = -540;
    tokyo.DaylightBias = -60;
    std::u16string_view(u"Tokyo Standard Time").copy(tokyo.StandardName, TimeZoneNameUnits - 1);
    std::u16string_view(u"Tokyo Daylight Time").copy(tokyo.DaylightName, TimeZoneNameUnits - 1);
    EXPECT_EQ(TimeZone().SetTimeZoneInformation(tokyo), ErrorPrivilegeNotHeld) << "held but not enabled";
    if (const std::string wine = WineVersion(); !wine.empty())
        GTEST_SKIP() << "Wine " << wine << " keeps the host's zone: it refuses a new one also with the privilege";
    {
        TimeZonePrivilegeEnabled enabled;
        ASSERT_EQ(TimeZone().SetTimeZoneInformation(tokyo), ErrorSuccess);
    }
    TimeZoneInformation back;
    std::uint32_t id = TimeZoneIdInvalid;
    ASSERT_EQ(TimeZone().GetTimeZoneInformation(&back, &id), ErrorSuccess);
    EXPECT_EQ(id, TimeZoneIdUnknown) << "no daylight time";
    EXPECT_EQ(back.Bias, tokyo.Bias);
    EXPECT_EQ(Name(back.StandardName), u"Tokyo Standard Time");
    EXPECT_EQ(back.DaylightDate, SystemTime{});
}

TEST_F(TimeZoneContract, TheDatabaseKnowsTheZonesByNameAndNotAMissingOne) {
    HKey zones = 0;
    ASSERT_EQ(Registry().OpenKeyEx(HKeyLocalMachine, kZones, 0, KeyRead, &zones), ErrorSuccess);
    HKey zone = 0;
    EXPECT_EQ(Registry().OpenKeyEx(zones, u"Prolamo No Such Zone", 0, KeyRead, &zone), ErrorFileNotFound);
    ASSERT_EQ(Registry().OpenKeyEx(zones, u"Tokyo Standard Time", 0, KeyRead, &zone), ErrorSuccess);
    std::uint32_t type = 0, size = 0;
    EXPECT_EQ(Registry().QueryValueEx(zone, u"TZI", &type, nullptr, &size), ErrorSuccess);
    EXPECT_EQ(type, RegBinary);
    EXPECT_EQ(size, 44u) << "biases and the two rules";
    std::uint8_t tzi[44] = {};
    EXPECT_EQ(Registry().QueryValueEx(zone, u"TZI", &type, tzi, &size), ErrorSuccess);
    EXPECT_EQ(tzi[0] | (tzi[1] << 8), 0xFDE4) << "a bias of -540 minutes";
    Registry().CloseKey(zone);
    Registry().CloseKey(zones);
}

// ---- environment ----

class EnvironmentContract : public BackendTest {
protected:
    void TearDown() override { Environment().SetEnvironmentVariable(kName, nullptr); }

    static constexpr std::u16string_view kName = u"PROLAMO_CONTRACT_VARIABLE";

    static ErrorCode Get(std::u16string_view name, std::u16string* value) {
        *value = u"stale";
        return Environment().GetEnvironmentVariable(name, value);
    }
};

TEST_F(EnvironmentContract, AVariableIsSetReadWithoutRegardToCaseChangedAndRemoved) {
    std::u16string value;
    EXPECT_EQ(Get(kName, &value), ErrorEnvvarNotFound);
    EXPECT_EQ(value, u"");

    ASSERT_EQ(Environment().SetEnvironmentVariable(kName, u"first \u00E4\u20AC"), ErrorSuccess);
    EXPECT_EQ(Get(u"prolamo_contract_variable", &value), ErrorSuccess);
    EXPECT_EQ(value, u"first \u00E4\u20AC");
    ASSERT_EQ(Environment().SetEnvironmentVariable(u"Prolamo_Contract_Variable", u"second"), ErrorSuccess);
    EXPECT_EQ(Get(kName, &value), ErrorSuccess);
    EXPECT_EQ(value, u"second") << "one variable, whatever the case of its name";

    ASSERT_EQ(Environment().SetEnvironmentVariable(kName, u""), ErrorSuccess);
    EXPECT_EQ(Get(kName, &value), ErrorSuccess) << "set, but empty";
    EXPECT_EQ(value, u"");

    ASSERT_EQ(Environment().SetEnvironmentVariable(kName, nullptr), ErrorSuccess);
    EXPECT_EQ(Get(kName, &value), ErrorEnvvarNotFound);
    EXPECT_EQ(value, u"");
}

TEST_F(EnvironmentContract, LongValuesComeBackWhole) {
    std::u16string longValue;
    for (int i = 0; longValue.size() < 5000; ++i)
        longValue += Utf8ToUtf16(std::to_string(i)) + u';';
    ASSERT_EQ(Environment().SetEnvironmentVariable(kName, longValue.c_str()), ErrorSuccess);
    std::u16string value;
    ASSERT_EQ(Get(kName, &value), ErrorSuccess);
    EXPECT_EQ(value, longValue);
}

// ---- network location ----

bool IsDotted(const std::string& address) {
    unsigned parts[4] = {};
    char end = 0;
    return std::sscanf(address.c_str(), "%u.%u.%u.%u%c", &parts[0], &parts[1], &parts[2], &parts[3], &end) == 4 &&
           parts[0] < 256 && parts[1] < 256 && parts[2] < 256 && parts[3] < 256;
}

bool IsHardwareAddress(const std::string& mac) {
    if (mac.size() != 17)
        return false;
    for (std::size_t i = 0; i < mac.size(); ++i) {
        const char c = mac[i];
        const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
        if (i % 3 == 2 ? c != ':' : !hex)
            return false;
    }
    return true;
}

using NetworkLocationContract = BackendTest;

TEST_F(NetworkLocationContract, ConnectedAdaptersAreNamedWithDottedAddressesAndTheirPrefixes) {
    std::vector<ConnectedAdapter> adapters;
    ASSERT_EQ(NetworkLocation().GetConnectedAdapters(&adapters), ErrorSuccess);
    for (const ConnectedAdapter& a : adapters) {
        const std::string name = Utf16ToUtf8(a.name);
        EXPECT_FALSE(name.empty());
        EXPECT_FALSE(a.addresses.empty()) << name << ": connected adapters have IPv4";
        for (const AdapterAddress& address : a.addresses) {
            EXPECT_TRUE(IsDotted(address.address)) << name << " " << address.address;
            EXPECT_GE(address.prefixLength, 0) << name;
            EXPECT_LE(address.prefixLength, 32) << name;
        }
        if (!a.gatewayAddress.empty()) {
            EXPECT_TRUE(IsDotted(a.gatewayAddress)) << name << " " << a.gatewayAddress;
        }
        if (!a.gatewayMac.empty()) { // empty while unresolved
            EXPECT_TRUE(IsHardwareAddress(a.gatewayMac)) << name << " " << a.gatewayMac;
        }
    }
    std::vector<ConnectedAdapter> again;
    ASSERT_EQ(NetworkLocation().GetConnectedAdapters(&again), ErrorSuccess);
    EXPECT_EQ(again, adapters) << "the same network read twice";
}

TEST_F(NetworkLocationContract, ReadingAndFlushingTheResolverChangeNoCount) {
    std::uint64_t first = 0, second = 1;
    ASSERT_EQ(NetworkLocation().GetChangeCount(&first), ErrorSuccess);
    EXPECT_EQ(NetworkLocation().FlushResolverCache(), ErrorSuccess);
    std::vector<ConnectedAdapter> adapters;
    ASSERT_EQ(NetworkLocation().GetConnectedAdapters(&adapters), ErrorSuccess);
    ASSERT_EQ(NetworkLocation().GetChangeCount(&second), ErrorSuccess);
    EXPECT_EQ(second, first) << "no adapter, address or route changed";
}

} // namespace
} // namespace prolamo::os::contract
