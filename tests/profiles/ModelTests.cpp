#include "support/TestKinds.h"

#include <gtest/gtest.h>

using namespace prolamo;
using namespace prolamo::test;

namespace {

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestKinds();
        TestMachine() = {{"a", "alpha"}, {"b", "beta"}, {"c", "gamma"}};
    }
    TConfigurations root;
};

std::vector<std::string> ProfileNames(const TConfiguration& configuration) {
    std::vector<std::string> names;
    for (const TConfigurationProfile& p : configuration.Profiles())
        names.push_back(p.Name());
    return names;
}

TConfigurationProfile& AddProfile(TConfiguration& configuration, const std::string& name) {
    std::unique_ptr<TConfigurationProfile> profile = configuration.Profiles().NewProfile();
    profile->SetName(name);
    return configuration.Profiles().Add(std::move(profile));
}

std::string TextOf(const TSettingValue* value) {
    return static_cast<const TTestValue*>(value)->Text();
}

} // namespace

TEST_F(ModelTest, KindsAnswerTheirClassFunctionsWithDefaults) {
    const TSettingClass& bare = TBareTestSetting::StaticClass();
    EXPECT_EQ(bare.GetDescription(), "Bare") << "the caption stands in for a missing description";
    EXPECT_EQ(bare.GetImageIndex(), -1);
    EXPECT_EQ(bare.GetEditorClass(), nullptr);
    EXPECT_EQ(TTestSetting::StaticClass().GetDescription(), "A test kind");

    TBareTestSetting plain;
    EXPECT_EQ(plain.GetDisplayText(), "Bare");
    TTestSetting keyed;
    keyed.SetKey("k");
    EXPECT_EQ(keyed.GetDisplayText(), "Test (k)");
}

TEST_F(ModelTest, CloneKeepsClassIdAndParameters) {
    TDependentTestSetting setting;
    setting.SetKey("a");
    std::unique_ptr<TSetting> clone = setting.Clone();
    EXPECT_EQ(&clone->ClassType(), &TDependentTestSetting::StaticClass());
    EXPECT_EQ(clone->Id(), setting.Id());
    EXPECT_EQ(static_cast<TTestSetting&>(*clone).Key(), "a");
    EXPECT_NE(clone.get(), &setting);
}

TEST_F(ModelTest, SettingsMadeInOneMillisecondGetDistinctIds) {
    TTestSetting first, second, third;
    EXPECT_NE(first.Id(), second.Id());
    EXPECT_NE(second.Id(), third.Id());
    EXPECT_NE(first.Id(), third.Id());
}

TEST_F(ModelTest, CreateValueStampsTheCreatorAndCaptureAloneDoesNot) {
    TTestSetting setting;
    setting.SetKey("a");
    EXPECT_EQ(setting.CaptureValue()->CreatorId(), 0u);
    std::unique_ptr<TSettingValue> value = setting.CreateValue();
    EXPECT_EQ(value->CreatorId(), setting.Id());
    EXPECT_TRUE(setting.IsCreatorOf(*value));
    EXPECT_EQ(TextOf(value.get()), "alpha");
}

TEST_F(ModelTest, AssignFromAnotherClassIsRefused) {
    TTestSetting setting;
    TTestValue value;
    try {
        setting.Assign(value);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TTestValue to a TTestSetting");
    }
}

TEST_F(ModelTest, ValuesCompareByKindAndContent) {
    TTestValue a, b;
    a.SetText("x");
    b.SetText("x");
    a.Blob() = {1, 2};
    b.Blob() = {1, 2};
    EXPECT_TRUE(a.Equals(b));
    b.Blob() = {1, 3};
    EXPECT_FALSE(a.Equals(b));
    b.Blob() = {1, 2};
    b.SetCreatorId(9);
    EXPECT_FALSE(a.Equals(b));
}

TEST_F(ModelTest, ADoubleIsASettingOfTheSameKindWithTheSameParameters) {
    TConfiguration& configuration = root.Configurations().Add();
    const TSetting& bare = configuration.AddSetting(std::make_unique<TBareTestSetting>());
    auto keyed = std::make_unique<TTestSetting>();
    keyed->SetKey("a");
    const TSetting& a = configuration.AddSetting(std::move(keyed));

    EXPECT_EQ(configuration.FindDouble(TBareTestSetting()), &bare) << "a kind without parameters";
    TTestSetting same;
    same.SetKey("a");
    same.SetName("Renamed"); // names and Ids tell settings apart, they are no parameters
    EXPECT_EQ(configuration.FindDouble(same), &a);
    TTestSetting other;
    other.SetKey("b");
    EXPECT_EQ(configuration.FindDouble(other), nullptr);
    TDependentTestSetting otherKind;
    otherKind.SetKey("a");
    EXPECT_EQ(configuration.FindDouble(otherKind), nullptr);
    // An edited copy of a setting is no double of the setting it replaces.
    EXPECT_EQ(configuration.FindDouble(*a.Clone(), &a), nullptr);
}

TEST_F(ModelTest, DefaultNamesIgnoreTheCaseOfLettersOnly) {
    AddConfiguration(root, "Configuration 1", {});
    AddConfiguration(root, "configuration 2", {});
    EXPECT_EQ(root.Configurations().NewConfiguration()->Name(), "Configuration 3");

    TConfiguration& c = root.Configurations()[0];
    EXPECT_EQ(c.Profiles().NewProfile()->Name(), "Profile 1");
    AddProfile(c, "PROFILE 1");
    AddProfile(c, "Profile 02");
    EXPECT_EQ(c.Profiles().NewProfile()->Name(), "Profile 2") << "\"Profile 02\" is another name";
    EXPECT_EQ(c.Profiles().NewProfile()->Settings(), &c.Settings());
}

TEST_F(ModelTest, CollectionsStayInLocaleNameOrderWithCaseSignificant) {
    for (const char* name : {"beta", "Alpha", "alpha", "Beta", "Ärger", "zeta"})
        AddConfiguration(root, name, {});
    std::vector<std::string> names;
    for (const TConfiguration& c : root.Configurations())
        names.push_back(c.Name());
    EXPECT_EQ(names, (std::vector<std::string>{"alpha", "Alpha", "Ärger", "beta", "Beta", "zeta"}));

    TConfiguration& c = root.Configurations()[0];
    AddProfile(c, "Office");
    TConfigurationProfile& home = AddProfile(c, "Home");
    AddProfile(c, "Garden");
    home.SetName("Zoo");
    EXPECT_EQ(ProfileNames(c), (std::vector<std::string>{"Garden", "Office", "Zoo"}));
    auto renamed = std::make_unique<TConfigurationProfile>();
    renamed->Assign(c.Profiles()[0]);
    renamed->SetName("Attic");
    c.Profiles()[2].Assign(*renamed);
    EXPECT_EQ(ProfileNames(c), (std::vector<std::string>{"Attic", "Garden", "Office"}));
}

TEST_F(ModelTest, RefreshTwiceLeavesOneValuePerSetting) {
    TConfiguration& c = AddConfiguration(root, "C", {"a", "b"});
    TConfigurationProfile& p = AddProfile(c, "P");
    p.RefreshAll();
    TestMachine()["a"] = "changed";
    p.RefreshAll();
    ASSERT_EQ(p.Values().Count(), 2u);
    EXPECT_EQ(TextOf(p.FindValue(c.Settings()[0])), "changed");
}

TEST_F(ModelTest, FailingCaptureKeepsTheOldValueAndStopsTheRefresh) {
    // A setting whose capture raises, between two that work.
    class TFailingCapture : public TTestSetting {
    public:
        std::unique_ptr<TSettingValue> CaptureValue() override { throw Exception("unreadable"); }
    };
    TConfiguration& c = AddConfiguration(root, "C", {"a"});
    c.AddSetting(std::make_unique<TFailingCapture>());
    TTestSetting& last = static_cast<TTestSetting&>(c.AddSetting(std::make_unique<TTestSetting>()));
    last.SetKey("b");
    TConfigurationProfile& p = AddProfile(c, "P");
    auto old = std::make_unique<TTestValue>();
    old->SetText("old");
    old->SetCreatorId(c.Settings()[1].Id());
    p.Values().Add(std::move(old));

    EXPECT_THROW(p.RefreshAll(), Exception);
    EXPECT_EQ(TextOf(p.FindValue(c.Settings()[0])), "alpha");
    EXPECT_EQ(TextOf(p.FindValue(c.Settings()[1])), "old");
    EXPECT_EQ(p.FindValue(last), nullptr);
}

TEST_F(ModelTest, DeletingASettingRemovesItsValuesFromEveryProfile) {
    TConfiguration& c = AddConfiguration(root, "C", {"a", "b"});
    for (const char* name : {"P1", "P2", "P3"})
        AddProfile(c, name).RefreshAll();
    TSetting& a = c.Settings()[0];
    const std::uint32_t aId = a.Id();
    c.DeleteSetting(a);
    ASSERT_EQ(c.Settings().Count(), 1u);
    for (const TConfigurationProfile& p : c.Profiles()) {
        ASSERT_EQ(p.Values().Count(), 1u);
        EXPECT_NE(p.Values()[0].CreatorId(), aId);
    }
}

TEST_F(ModelTest, AddingASettingLeavesProfilesAlone) {
    TConfiguration& c = AddConfiguration(root, "C", {"a"});
    TConfigurationProfile& p = AddProfile(c, "P");
    p.RefreshAll();
    auto b = std::make_unique<TTestSetting>();
    b->SetKey("b");
    TSetting& added = c.AddSetting(std::move(b));
    EXPECT_EQ(p.Values().Count(), 1u);
    EXPECT_EQ(p.FindValue(added), nullptr);
}

TEST_F(ModelTest, EditingACopyKeepsValuesAttachedAndCarriesDeletionsBack) {
    TConfiguration& c = AddConfiguration(root, "C", {"a", "b"});
    AddProfile(c, "P").RefreshAll();

    TConfiguration copy;
    copy.Assign(c);
    ASSERT_EQ(copy.Profiles().Count(), 1u);
    EXPECT_EQ(copy.Profiles()[0].Values().Count(), 2u);
    EXPECT_EQ(copy.Profiles()[0].Settings(), &copy.Settings()) << "copied profiles belong to the copy";
    copy.DeleteSetting(copy.Settings()[0]);
    copy.SetName("Renamed");
    c.Assign(copy);

    EXPECT_EQ(c.Name(), "Renamed");
    ASSERT_EQ(c.Settings().Count(), 1u);
    const TConfigurationProfile& p = c.Profiles()[0];
    ASSERT_EQ(p.Values().Count(), 1u);
    EXPECT_EQ(p.FindCreator(p.Values()[0]), &c.Settings()[0]);
    EXPECT_EQ(TextOf(p.FindValue(c.Settings()[0])), "beta");
}

TEST_F(ModelTest, OrphansAreRemoved) {
    TConfiguration& c = AddConfiguration(root, "C", {"a"});
    TConfigurationProfile& p = AddProfile(c, "P");
    p.RefreshAll();
    auto orphan = std::make_unique<TTestValue>();
    orphan->SetCreatorId(c.Settings()[0].Id() + 1);
    p.Values().Add(std::move(orphan));
    c.Profiles().RemoveOrphans();
    ASSERT_EQ(p.Values().Count(), 1u);
    EXPECT_EQ(p.Values()[0].CreatorId(), c.Settings()[0].Id());
}

TEST_F(ModelTest, SettingClassRegistryKeepsRegistrationOrderAndBuildsCategoryTabs) {
    std::vector<std::string> captions;
    for (const TSettingClass* kind : GetSettingClasses())
        captions.push_back(kind->GetCaption());
    EXPECT_EQ(captions, (std::vector<std::string>{"File", "Hosts file", "TCP/IP settings", "Internet Explorer proxy",
                                                  "Firefox proxy", "Opera proxy", "Time zone", "Environment variables",
                                                  "Printers", "Network drives", "Program", "Hosts entries",
                                                  "Wireless network", "WinHTTP proxy", "Test", "Dependent", "Bare"}));
    EXPECT_EQ(GetSettingClasses().Categories(), (std::vector<std::string>{"Network", "System", "Others"}));
    EXPECT_EQ(GetSettingClasses().Find("dependent"), &TDependentTestSetting::StaticClass());
    EXPECT_EQ(GetSettingClasses().Find("TBareTestSetting"), &TBareTestSetting::StaticClass());
    EXPECT_EQ(GetSettingClasses().Find("nothing"), nullptr);

    TSettingClasses withFiles;
    static const TSettingClass files("TFilesKind", &TSetting::StaticClass(), nullptr, {},
                                     {.caption = "F", .category = FilesCategory});
    withFiles.RegisterClasses({&TTestSetting::StaticClass(), &files, &TBareTestSetting::StaticClass()});
    EXPECT_EQ(withFiles.Categories(), (std::vector<std::string>{"Files", "Network", "Others"}));
}

TEST_F(ModelTest, TheFirstConfigurationsObjectIsTheRoot) {
    EXPECT_EQ(&GetConfigurationsRoot(), &root);
    TConfigurations second;
    EXPECT_EQ(&GetConfigurationsRoot(), &root);
    EXPECT_EQ(root.Name(), "Configurations");
}
