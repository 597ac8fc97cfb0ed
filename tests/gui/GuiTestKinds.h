#pragma once

#include "support/TestKinds.h"

#include <deque>
#include <string>

namespace prolamo::test {

// A kind with a parameter editor whose answers the test queues: each Edit takes the next key
// (nullopt: the user cancels) and counts the call.
class TEditedTestSetting : public TTestSetting {
    PROLAMO_SETTING_CLASS()

public:
    static std::deque<std::optional<std::string>>& NextKeys();
    static int& Edits();
};

// A kind whose capture always fails, as a setting whose object has vanished would.
class TBrokenTestSetting : public TTestSetting {
    PROLAMO_SETTING_CLASS()

public:
    std::unique_ptr<TSettingValue> CaptureValue() override;
};

// The model, the real kinds, the shared test kinds and the two above, once.
void RegisterGuiTestKinds();

} // namespace prolamo::test
