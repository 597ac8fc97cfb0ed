#pragma once
// The history tests' fixture: configuration "Net" of test settings a, b, c, its profile "Office",
// and applies and undos through a history file in a temporary folder.

#include "support/ApplyResults.h"
#include "support/TempFolder.h"
#include "support/TestKinds.h"

#include "profiles/uProfileHistory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace prolamo::test {

class Silent final : public TProgressSender {
public:
    explicit Silent(std::vector<std::string>* lines = nullptr) : lines_(lines) {}
    void Start(int) override {}
    void SetStatus(const std::string& text) override {
        if (lines_)
            lines_->push_back(text);
    }
    void Step() override {}
    void Finish(const TCheckResultList& results) override {
        if (lines_)
            for (const TCheckResult& r : results)
                lines_->push_back(r.Text());
    }

private:
    std::vector<std::string>* lines_;
};

inline std::vector<std::uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class HistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestKinds();
        TestMachine() = {{"a", "alpha"}, {"b", "beta"}, {"c", "gamma"}};
    }

    // Configuration "Net" with settings a, b, c and profile "Office" captured now.
    TConfigurationProfile& Office() {
        TConfiguration& c = AddConfiguration(root, "Net", {"a", "b", "c"});
        TConfigurationProfile& profile = c.Profiles().Add(c.Profiles().NewProfile());
        profile.SetName("Office");
        profile.RefreshAll();
        return profile;
    }
    TConfiguration& Net() { return *root.Configurations().Find("Net"); }

    TApplyReport Apply(TConfigurationProfile& profile, bool yes = true) {
        TApplySnapshotter snapshotter(history, Net());
        TAnswer answer(yes);
        TProfileApplier applier(std::make_unique<Silent>(), answer);
        applier.SetGuard(&snapshotter);
        applier.ApplyProfile(profile);
        return applier.Report();
    }

    TApplyReport Undo(bool yes = true, std::vector<std::string>* lines = nullptr) {
        TApplyUndo undo(history, root);
        TAnswer answer(yes);
        return undo.Run(std::make_unique<Silent>(lines), answer);
    }

    TempFolder temp_;
    TConfigurations root;
    std::string file = temp_ / "qvt-history.db";
    TProfileHistory history{file};
};

inline std::string TextOf(const TSnapshotEntry& entry) {
    return entry.Value() ? static_cast<const TTestValue*>(entry.Value())->Text() : "no value";
}

} // namespace prolamo::test
