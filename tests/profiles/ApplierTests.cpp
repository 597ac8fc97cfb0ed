#include "support/ApplyResults.h"
#include "support/TestKinds.h"

#include "framework/Exceptions.h"
#include "profiles/uProfileUtils.h"

#include <gtest/gtest.h>

using namespace prolamo;
using namespace prolamo::test;

namespace {

// Records every call of the applier in order, as one text each.
struct Recorder {
    std::vector<std::string> calls;
    std::vector<std::pair<TCheckResultType, std::string>> results;
    std::string summary;
    int throwOnStep = 0; // the Step call that raises, counting from 1; 0: none
};

class RecordingSender : public TProgressSender {
public:
    explicit RecordingSender(Recorder& recorder) : recorder_(recorder) {}
    void Start(int count) override { recorder_.calls.push_back("Start " + std::to_string(count)); }
    void SetStatus(const std::string& text) override { recorder_.calls.push_back(text); }
    void Step() override {
        recorder_.calls.push_back("Step");
        if (++steps_ == recorder_.throwOnStep)
            throw Exception("the window went away");
    }
    void SetSummary(const std::string& summary) override { recorder_.summary = summary; }
    void Finish(const TCheckResultList& results) override {
        recorder_.calls.push_back("Finish " + std::to_string(results.Count()));
        for (const TCheckResult& r : results)
            recorder_.results.emplace_back(r.ResultType(), r.Text());
    }

private:
    Recorder& recorder_;
    int steps_ = 0;
};

class ApplierTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestKinds();
        TestMachine() = {{"a", "alpha"}, {"b", "beta"}, {"c", "gamma"}};
    }

    TConfigurationProfile& AddProfile(TConfiguration& configuration) {
        TConfigurationProfile& profile = configuration.Profiles().Add(configuration.Profiles().NewProfile());
        profile.RefreshAll();
        return profile;
    }

    template <class Kind = TTestSetting> TSetting& AddSetting(TConfiguration& configuration, const std::string& key) {
        auto setting = std::make_unique<Kind>();
        setting->SetKey(key);
        return configuration.AddSetting(std::move(setting));
    }

    TProfileApplier Applier(IConfirmation& confirmation) {
        return TProfileApplier(std::make_unique<RecordingSender>(recorder), confirmation);
    }

    static std::vector<std::string> Keys(const TSettingsList& list) {
        std::vector<std::string> keys;
        for (const TSetting* s : list)
            keys.push_back(static_cast<const TTestSetting*>(s)->Key());
        return keys;
    }

    TConfigurations root;
    Recorder recorder;
};

} // namespace

TEST_F(ApplierTest, AFailingSettingBecomesOneErrorLineAndTheRunGoesOn) {
    TConfiguration& c = AddConfiguration(root, "Net", {"a", "b", "c"});
    TestMachine()["b"] = "fail";
    TConfigurationProfile& profile = AddProfile(c);
    TestMachine() = {{"a", "changed"}, {"b", "changed"}, {"c", "changed"}};

    TAnswer yes(true);
    Applier(yes).ApplyProfile(profile);

    EXPECT_EQ(yes.questions, (std::vector<std::string>{"Do you really want to apply profile these settings?"}));
    EXPECT_EQ(recorder.calls,
              (std::vector<std::string>{"Start 3", "Applying Test (a)...", "Step", "Applying Test (b)...", "Step",
                                        "Applying Test (c)...", "Step", "Finish 1"}));
    ASSERT_EQ(recorder.results.size(), 1u);
    EXPECT_EQ(recorder.results[0].first, TCheckResultType::Error);
    EXPECT_EQ(recorder.results[0].second, "Test (b): cannot apply b");
    EXPECT_EQ(TestMachine()["a"], "alpha");
    EXPECT_EQ(TestMachine()["b"], "changed");
    EXPECT_EQ(TestMachine()["c"], "gamma") << "the setting after the failing one is still applied";
}

TEST_F(ApplierTest, AnOperatingSystemErrorLineCarriesItsAdvice) {
    TConfiguration& c = AddConfiguration(root, "Net", {"a"});
    TestMachine()["a"] = "denied";
    TConfigurationProfile& profile = AddProfile(c);

    TAnswer yes(true);
    Applier(yes).ApplyProfile(profile);
    ASSERT_EQ(recorder.results.size(), 1u);
    EXPECT_EQ(recorder.results[0].second, "Test (a): System Error.  Code: 5.\nAccess is denied. You may need "
                                          "administrative rights: start Prolamo as administrator and try again");
}

TEST_F(ApplierTest, AnApplyOfAProfileWithoutValuesSaysNothingIsCapturedInIt) {
    TConfiguration& c = AddConfiguration(root, "Net", {"a", "b"});
    TConfigurationProfile& profile = c.Profiles().Add(c.Profiles().NewProfile());
    profile.SetName("Empty");

    TAnswer yes(true);
    TProfileApplier applier = Applier(yes);
    applier.ApplyProfile(profile);
    EXPECT_EQ(recorder.summary, "Applied Empty: nothing is captured in this profile yet");
    EXPECT_EQ(applier.Report().settings, 0);
}

TEST_F(ApplierTest, LinesKeepTheOrderTheSettingsAddedThem) {
    TConfiguration& c = AddConfiguration(root, "Net", {"a", "b", "c"});
    TestMachine() = {{"a", "warn"}, {"b", "fail"}, {"c", "warn"}};
    TConfigurationProfile& profile = AddProfile(c);

    TAnswer yes(true);
    Applier(yes).ApplyProfile(profile);
    ASSERT_EQ(recorder.results.size(), 3u);
    EXPECT_EQ(recorder.results[0], std::make_pair(TCheckResultType::Warning, std::string("Test (a): warned about a")));
    EXPECT_EQ(recorder.results[1], std::make_pair(TCheckResultType::Error, std::string("Test (b): cannot apply b")));
    EXPECT_EQ(recorder.results[2], std::make_pair(TCheckResultType::Warning, std::string("Test (c): warned about c")));
}

TEST_F(ApplierTest, SettingsWithoutAValuePassSilentlyButStillStep) {
    TConfiguration& c = AddConfiguration(root, "Net", {"a"});
    TConfigurationProfile& profile = AddProfile(c);
    AddSetting(c, "b"); // added after the refresh: the profile holds no value for it
    TestMachine() = {{"a", "changed"}, {"b", "untouched"}};

    TAnswer yes(true);
    Applier(yes).ApplyProfile(profile);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"Start 2", "Applying Test (a)...", "Step",
                                                        "Applying Test (b)...", "Step", "Finish 0"}));
    EXPECT_EQ(recorder.summary, "Applied Profile 1: 1 setting, no errors") << "only settings with a value count";
    EXPECT_EQ(TestMachine()["a"], "alpha");
    EXPECT_EQ(TestMachine()["b"], "untouched");
}

TEST_F(ApplierTest, DependentSettingsComeLastAndTheListKeepsTheNewOrder) {
    TConfiguration& c = AddConfiguration(root, "Net", {});
    AddSetting<TDependentTestSetting>(c, "d1");
    AddSetting(c, "a");
    AddSetting<TDependentTestSetting>(c, "d2");
    AddSetting(c, "b");
    TestMachine() = {{"a", "1"}, {"b", "2"}, {"d1", "3"}, {"d2", "4"}};
    TConfigurationProfile& profile = AddProfile(c);

    TAnswer yes(true);
    Applier(yes).ApplyProfile(profile);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"Start 4", "Applying Test (a)...", "Step",
                                                        "Applying Test (b)...", "Step", "Applying Dependent (d1)...",
                                                        "Step", "Applying Dependent (d2)...", "Step", "Finish 0"}));
    EXPECT_EQ(Keys(c.Settings()), (std::vector<std::string>{"a", "b", "d1", "d2"}))
        << "independent settings keep their list order";
}

TEST_F(ApplierTest, AnsweringNoChangesNothing) {
    TConfiguration& c = AddConfiguration(root, "Net", {});
    AddSetting<TDependentTestSetting>(c, "d");
    AddSetting(c, "a");
    TConfigurationProfile& profile = AddProfile(c);
    TestMachine() = {{"a", "changed"}, {"d", "changed"}};

    TAnswer no(false);
    Applier(no).ApplyProfile(profile);
    EXPECT_EQ(no.questions.size(), 1u);
    EXPECT_TRUE(recorder.calls.empty()) << "no progress at all";
    EXPECT_EQ(TestMachine()["a"], "changed");
    EXPECT_EQ(TestMachine()["d"], "changed");
    EXPECT_EQ(Keys(c.Settings()), (std::vector<std::string>{"d", "a"})) << "the list is not reordered";
}

TEST_F(ApplierTest, ApplyValuesRunsOnlyTheChosenSettingsInTheirOrder) {
    TConfiguration& c = AddConfiguration(root, "Net", {"a", "b", "c"});
    TConfigurationProfile& profile = AddProfile(c);
    TestMachine() = {{"a", "changed"}, {"b", "changed"}, {"c", "changed"}};

    TAnswer yes(true);
    std::vector<TSetting*> chosen{&c.Settings()[2], &c.Settings()[0]};
    Applier(yes).ApplyValues(profile, chosen);
    EXPECT_EQ(yes.questions.size(), 1u);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"Start 2", "Applying Test (c)...", "Step",
                                                        "Applying Test (a)...", "Step", "Finish 0"}));
    EXPECT_EQ(TestMachine()["a"], "alpha");
    EXPECT_EQ(TestMachine()["b"], "changed") << "not chosen";
    EXPECT_EQ(TestMachine()["c"], "gamma");
    EXPECT_EQ(Keys(c.Settings()), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(c.Settings().Count(), 3u) << "the temporary list owned nothing";
}

TEST_F(ApplierTest, FinishIsCalledWhenTheSinkItselfRaises) {
    TConfiguration& c = AddConfiguration(root, "Net", {"a", "b", "c"});
    TConfigurationProfile& profile = AddProfile(c);
    recorder.throwOnStep = 1;

    TAnswer yes(true);
    EXPECT_THROW(Applier(yes).ApplyProfile(profile), Exception);
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{"Start 3", "Applying Test (a)...", "Step", "Finish 0"}));
}

TEST_F(ApplierTest, TheSummaryCountsTheAppliedSettingsAndTheirProblems) {
    TConfiguration& c = AddConfiguration(root, "Net", {"a", "b", "c"});
    TestMachine() = {{"a", "warn"}, {"b", "fail"}, {"c", "gamma"}};
    TConfigurationProfile& profile = AddProfile(c);
    profile.SetName("Office");

    TAnswer yes(true);
    TProfileApplier applier = Applier(yes);
    applier.ApplyProfile(profile);
    EXPECT_EQ(recorder.summary, "Applied Office: 3 settings, 1 error, 1 warning");
    EXPECT_TRUE(applier.Report().confirmed);
    EXPECT_EQ(applier.Report().Summary(), recorder.summary);

    TestMachine() = {{"a", "alpha"}, {"b", "beta"}, {"c", "gamma"}};
    profile.RefreshAll();
    applier.SetTitle("Undid the apply of Office");
    applier.ApplyProfile(profile);
    EXPECT_EQ(recorder.summary, "Undid the apply of Office: 3 settings, no errors");

    TAnswer no(false);
    TProfileApplier declined = Applier(no);
    declined.ApplyProfile(profile);
    EXPECT_FALSE(declined.Report().confirmed);
}

// Stands for the history: sees the machine before the first write, or refuses the run.
class Guard final : public IApplyGuard {
public:
    explicit Guard(bool refuse) : refuse_(refuse) {}
    void BeforeApply(const TConfigurationProfile&, const TSettingsList& settings) override {
        for (const TSetting* s : settings)
            seen.push_back(static_cast<const TTestSetting*>(s)->Key() + "=" +
                           TestMachine()[static_cast<const TTestSetting*>(s)->Key()]);
        if (refuse_)
            throw Exception("no room for the snapshot");
    }
    std::vector<std::string> seen;

private:
    bool refuse_;
};

TEST_F(ApplierTest, TheGuardSeesTheOrderedSettingsBeforeAnythingIsWrittenAndCanStopTheRun) {
    TConfiguration& c = AddConfiguration(root, "Net", {});
    AddSetting<TDependentTestSetting>(c, "d");
    AddSetting(c, "a");
    TConfigurationProfile& profile = AddProfile(c);
    TestMachine() = {{"a", "changed"}, {"d", "changed"}};

    TAnswer no(false);
    Guard unused(false);
    TProfileApplier declined = Applier(no);
    declined.SetGuard(&unused);
    declined.ApplyProfile(profile);
    EXPECT_TRUE(unused.seen.empty()) << "a declined run takes no snapshot";

    TAnswer yes(true);
    Guard refusing(true);
    TProfileApplier stopped = Applier(yes);
    stopped.SetGuard(&refusing);
    EXPECT_THROW(stopped.ApplyProfile(profile), Exception);
    EXPECT_EQ(refusing.seen, (std::vector<std::string>{"a=changed", "d=changed"})) << "in apply order";
    EXPECT_TRUE(recorder.calls.empty()) << "no progress, nothing written";
    EXPECT_EQ(TestMachine()["a"], "changed");

    Guard guard(false);
    TProfileApplier applier = Applier(yes);
    applier.SetGuard(&guard);
    applier.ApplyProfile(profile);
    EXPECT_EQ(guard.seen, (std::vector<std::string>{"a=changed", "d=changed"}));
    EXPECT_EQ(TestMachine()["a"], "alpha");
}
