#include "support/SimulatedMachine.h"

#include "classes/uPolicy.h"
#include "classes/uRegistry.h"
#include "framework/Exceptions.h"
#include "os/PolicyChanges.h"

#include <gtest/gtest.h>

#include <set>

using namespace prolamo;
using namespace prolamo::test;

namespace {

class PolicyTest : public SimulatedMachineTest {
protected:
    // Writes (or with no value removes) a policy value as an administrator's tool does.
    static void Put(os::HKey root, const char* key, const char* name, std::optional<std::int32_t> number,
                    std::optional<std::string> text = std::nullopt) {
        TRegistry registry;
        registry.SetRootKey(root);
        ASSERT_TRUE(registry.OpenKey(key, true)) << key;
        if (number)
            registry.WriteInteger(name, *number);
        else if (text)
            registry.WriteString(name, *text);
        else
            ASSERT_TRUE(registry.DeleteValue(name));
    }

    // Whether the current user may create Key under Root and write a value there.
    static bool MayWrite(os::HKey root, const char* key) {
        TRegistry registry;
        registry.SetRootKey(root);
        if (!registry.OpenKey(key, true))
            return false;
        try {
            registry.WriteInteger("Probe", 1);
        } catch (const Exception&) {
            return false;
        }
        return true;
    }
};

} // namespace

TEST_F(PolicyTest, TheMachinePolicyWinsOverTheUsersOverTheInstallersPreferenceOverTheDefault) {
    const char* name = PolicyManagedConfigurations;
    EXPECT_FALSE(ReadPolicy(name).IsSet());
    EXPECT_EQ(ReadPolicy(name).source, TPolicySource::Default);

    Put(os::HKeyLocalMachine, PreferenceKey, name, std::nullopt, "\\\\srv\\share\\installer.txt");
    EXPECT_EQ(ReadPolicy(name).source, TPolicySource::InstallerPreference);
    EXPECT_EQ(ReadPolicy(name).text, "\\\\srv\\share\\installer.txt");

    Put(os::HKeyCurrentUser, PolicyKey, name, std::nullopt, "C:\\user.txt");
    EXPECT_EQ(ReadPolicy(name).source, TPolicySource::UserPolicy);
    EXPECT_EQ(ReadPolicy(name).text, "C:\\user.txt");

    Put(os::HKeyLocalMachine, PolicyKey, name, std::nullopt, "C:\\machine.txt");
    const TPolicyValue machine = ReadPolicy(name);
    EXPECT_EQ(machine.source, TPolicySource::MachinePolicy);
    EXPECT_EQ(machine.text, "C:\\machine.txt");
    EXPECT_FALSE(machine.number);

    // Removing the machine's value uncovers the user's again.
    Put(os::HKeyLocalMachine, PolicyKey, name, std::nullopt);
    EXPECT_EQ(ReadPolicy(name).text, "C:\\user.txt");
    // Another policy is not affected by this one's values.
    EXPECT_EQ(ReadPolicy(PolicyManagedRules).source, TPolicySource::Default);
}

TEST_F(PolicyTest, DefaultsAndValuesOfTheWrongTypeFallThrough) {
    EXPECT_EQ(ReadPolicy(PolicyAllowUserConfigurations).number, 1);
    EXPECT_EQ(ReadPolicy(PolicyServiceEnabled).number, 1);
    EXPECT_FALSE(ReadPolicy(PolicyAutomaticSwitching).IsSet()) << "unset: the user's choice";
    EXPECT_EQ(PolicyValueText(ReadPolicy(PolicyAutomaticSwitching)), "(not set)");

    // A text where a DWORD belongs counts as not there: the next layer's value is used.
    Put(os::HKeyLocalMachine, PolicyKey, PolicyAllowUserConfigurations, std::nullopt, "0");
    Put(os::HKeyLocalMachine, PreferenceKey, PolicyAllowUserConfigurations, 0);
    const TPolicyValue allow = ReadPolicy(PolicyAllowUserConfigurations);
    EXPECT_EQ(allow.source, TPolicySource::InstallerPreference);
    EXPECT_EQ(allow.number, 0);
    EXPECT_EQ(PolicyValueText(allow), "0");

    Put(os::HKeyLocalMachine, PolicyKey, PolicyManagedRules, 7);
    EXPECT_EQ(ReadPolicy(PolicyManagedRules).source, TPolicySource::Default);
    // The installer writes an empty text for a property it was not given.
    Put(os::HKeyLocalMachine, PreferenceKey, PolicyManagedRules, std::nullopt, "");
    EXPECT_EQ(ReadPolicy(PolicyManagedRules).source, TPolicySource::Default);
    EXPECT_FALSE(ReadPolicy(PolicyManagedRules).IsSet());

    // The switching service's policies are the machine's alone: the service's user is the system.
    Put(os::HKeyCurrentUser, PolicyKey, PolicyServiceEnabled, 0);
    EXPECT_EQ(ReadPolicy(PolicyServiceEnabled).source, TPolicySource::Default);
    EXPECT_EQ(ReadPolicy(PolicyServiceEnabled).number, 1);
}

TEST_F(PolicyTest, TheTableNamesEachPolicyOnceAndIsSearchedWithoutRegardToCase) {
    std::set<std::string> names;
    for (const TPolicyInfo& policy : Policies()) {
        EXPECT_TRUE(names.insert(policy.name).second) << policy.name;
        EXPECT_NE(std::string(policy.explanation), "");
        EXPECT_TRUE(policy.type == TPolicyType::Number || !policy.defaultNumber) << policy.name;
    }
    ASSERT_NE(FindPolicy("managedconfigurations"), nullptr);
    EXPECT_STREQ(FindPolicy("managedconfigurations")->name, PolicyManagedConfigurations);
    EXPECT_EQ(FindPolicy("Managed"), nullptr);
    EXPECT_THROW(ReadPolicy("NoSuchPolicy"), Exception);
}

// Windows leaves both policy keys to administrators; a user's own keys stay the user's.
TEST_F(PolicyTest, OnlyAnAdministratorWritesThePolicyKeys) {
    using User = os::simulated::Machine::User;
    for (const User user : {User::Standard, User::Administrator}) {
        Machine().SetUser(user);
        EXPECT_FALSE(MayWrite(os::HKeyLocalMachine, PolicyKey));
        EXPECT_FALSE(MayWrite(os::HKeyLocalMachine, PreferenceKey));
        EXPECT_FALSE(MayWrite(os::HKeyCurrentUser, PolicyKey));
        EXPECT_FALSE(MayWrite(os::HKeyCurrentUser, "software\\POLICIES"));
        EXPECT_TRUE(MayWrite(os::HKeyCurrentUser, "SOFTWARE\\PoliciesOfMine"));
        EXPECT_TRUE(MayWrite(os::HKeyCurrentUser, "SOFTWARE\\Orvenik\\Prolamo"));
    }
    Machine().SetUser(User::ElevatedAdministrator);
    EXPECT_TRUE(MayWrite(os::HKeyCurrentUser, PolicyKey));
    EXPECT_TRUE(MayWrite(os::HKeyLocalMachine, PolicyKey));

    // The key made, a user who is no administrator still reads but cannot change it.
    Put(os::HKeyCurrentUser, PolicyKey, PolicyAutomaticSwitching, 0);
    Machine().SetUser(User::Standard);
    EXPECT_FALSE(MayWrite(os::HKeyCurrentUser, PolicyKey));
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("SOFTWARE", false));
    EXPECT_FALSE(registry.OpenKey("Policies\\Orvenik\\Prolamo", true)) << "through a handle of its parent";
    EXPECT_EQ(registry.LastError(), os::ErrorAccessDenied);
    EXPECT_EQ(ReadPolicy(PolicyAutomaticSwitching).number, 0);
}

TEST_F(PolicyTest, TheCacheReadsAgainOnlyWhenAPolicyMayHaveChangedHereOrInAnotherProgram) {
    const std::uint64_t before = os::PolicyChangeCount();
    EXPECT_FALSE(ReadPolicy(PolicyAutomaticSwitching).IsSet());
    EXPECT_EQ(os::PolicyChangeCount(), before) << "reading changes nothing, so a reader reads once";

    TPolicyCache cache;
    EXPECT_EQ(cache.Read(PolicyAllowUserConfigurations).source, TPolicySource::Default);
    Put(os::HKeyLocalMachine, PolicyKey, PolicyAllowUserConfigurations, 0);
    EXPECT_EQ(cache.Read(PolicyAllowUserConfigurations).number, 0);
    {
        // Another program: its own connection to the same machine.
        const std::unique_ptr<os::simulated::Machine> other = os::simulated::Machine::Open(temp_.Path() / "machine");
        const os::simulated::ScopedCurrentMachine current(*other);
        Put(os::HKeyCurrentUser, PolicyKey, PolicyAutomaticSwitching, 1);
        Put(os::HKeyLocalMachine, PolicyKey, PolicyAllowUserConfigurations, std::nullopt);
    }
    EXPECT_EQ(cache.Read(PolicyAllowUserConfigurations).source, TPolicySource::Default);
    EXPECT_EQ(cache.Read(PolicyAutomaticSwitching).source, TPolicySource::UserPolicy);
}
