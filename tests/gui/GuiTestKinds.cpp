#include "GuiTestKinds.h"

#include "framework/Exceptions.h"

namespace prolamo::test {

namespace {

class TEditedTestEditor : public TSettingEditor {
public:
    bool Edit(TSetting& setting) override {
        ++TEditedTestSetting::Edits();
        auto& keys = TEditedTestSetting::NextKeys();
        if (keys.empty())
            return false;
        const std::optional<std::string> key = keys.front();
        keys.pop_front();
        if (!key)
            return false;
        dynamic_cast<TTestSetting&>(setting).SetKey(*key);
        return true;
    }
};

} // namespace

const TSettingClass& TEditedTestSetting::StaticClass() {
    return MakeSettingClass<TEditedTestSetting, TTestSetting>(
        "TEditedTestSetting", {},
        {.caption = "Edited",
         .description = "A kind with an editor",
         .category = OthersCategory,
         .editorClass = []() -> std::unique_ptr<TSettingEditor> { return std::make_unique<TEditedTestEditor>(); },
         .imageIndex = 10});
}

std::deque<std::optional<std::string>>& TEditedTestSetting::NextKeys() {
    static std::deque<std::optional<std::string>> keys;
    return keys;
}

int& TEditedTestSetting::Edits() {
    static int edits = 0;
    return edits;
}

const TSettingClass& TBrokenTestSetting::StaticClass() {
    return MakeSettingClass<TBrokenTestSetting, TTestSetting>("TBrokenTestSetting", {},
                                                              {.caption = "Broken", .category = SystemCategory});
}

std::unique_ptr<TSettingValue> TBrokenTestSetting::CaptureValue() {
    throw Exception("cannot read " + Key());
}

void RegisterGuiTestKinds() {
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    RegisterTestKinds();
    GetSettingClasses().RegisterClasses({&TEditedTestSetting::StaticClass(), &TBrokenTestSetting::StaticClass()});
}

} // namespace prolamo::test
