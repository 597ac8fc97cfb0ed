#include "TestKinds.h"

#include "framework/ClassRegistry.h"
#include "framework/Exceptions.h"
#include "framework/Stream.h"
#include "profiles/uSettingKinds.h"

namespace prolamo::test {

std::map<std::string, std::string>& TestMachine() {
    static std::map<std::string, std::string> machine;
    return machine;
}

const TSettingClass& TTestSetting::StaticClass() {
    return MakeSettingClass<TTestSetting, TSetting>(
        "TTestSetting", {prop::String("Key", &TTestSetting::Key, &TTestSetting::SetKey)},
        {.caption = "Test", .description = "A test kind", .category = OthersCategory, .imageIndex = 7});
}

void TTestSetting::Assign(const TPersistent& source) {
    if (const auto* setting = dynamic_cast<const TTestSetting*>(&source))
        key_ = setting->key_;
    TSetting::Assign(source);
}

std::unique_ptr<TSettingValue> TTestSetting::CaptureValue() {
    auto value = std::make_unique<TTestValue>();
    if (auto it = TestMachine().find(key_); it != TestMachine().end()) {
        if (it->second == "unreadable")
            throw Exception("cannot read " + key_);
        value->SetText(it->second);
    }
    return value;
}

void TTestSetting::ApplyValue(const TSettingValue& value, TCheckResultList& results) {
    const auto& testValue = dynamic_cast<const TTestValue&>(value);
    if (testValue.Text() == "fail")
        throw Exception("cannot apply " + key_);
    if (testValue.Text() == "denied")
        throw EOSError(5);
    if (testValue.Text() == "warn")
        AddWarning(results, "warned about " + key_);
    TestMachine()[key_] = testValue.Text();
}

const TSettingClass& TDependentTestSetting::StaticClass() {
    return MakeSettingClass<TDependentTestSetting, TTestSetting>("TDependentTestSetting", {},
                                                                 {.caption = "Dependent", .category = SystemCategory});
}

bool TDependentTestSetting::DependsOn(const TSetting& setting) const {
    return setting.InheritsFrom(TTestSetting::StaticClass()) &&
           !setting.InheritsFrom(TDependentTestSetting::StaticClass());
}

const TSettingClass& TBareTestSetting::StaticClass() {
    return MakeSettingClass<TBareTestSetting, TSetting>("TBareTestSetting", {},
                                                        {.caption = "Bare", .category = NetworkCategory});
}

std::unique_ptr<TSettingValue> TBareTestSetting::CaptureValue() {
    return std::make_unique<TTestValue>();
}

const TClassInfo& TTestValue::StaticClass() {
    return MakeClassInfo<TTestValue, TSettingValue>(
        "TTestValue", {prop::String("Text", &TTestValue::Text, &TTestValue::SetText),
                       prop::Integer("Number", &TTestValue::Number, &TTestValue::SetNumber).Default(-1),
                       prop::Boolean("Flag", &TTestValue::Flag, &TTestValue::SetFlag),
                       prop::WideString("Wide", &TTestValue::Wide, &TTestValue::SetWide),
                       prop::Object("Lines", TTypeKind::Strings, &TTestValue::Lines),
                       prop::Object("WideLines", TTypeKind::WideStrings, &TTestValue::WideLines)});
}

void TTestValue::Assign(const TPersistent& source) {
    if (const auto* value = dynamic_cast<const TTestValue*>(&source)) {
        text_ = value->text_;
        number_ = value->number_;
        flag_ = value->flag_;
        wide_ = value->wide_;
        lines_.Assign(value->lines_);
        wideLines_.Assign(value->wideLines_);
        blob_ = value->blob_;
    }
    TSettingValue::Assign(source);
}

void TTestValue::DefineProperties(TFiler& filer) {
    TSettingValue::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "Blob", [this](std::span<const std::uint8_t> data) { blob_.assign(data.begin(), data.end()); },
        [this] { return std::span<const std::uint8_t>(blob_); }, !blob_.empty());
}

void RegisterTestKinds() {
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    RegisterSettingKinds();
    RegisterClass(TTestValue::StaticClass());
    GetSettingClasses().RegisterClasses(
        {&TTestSetting::StaticClass(), &TDependentTestSetting::StaticClass(), &TBareTestSetting::StaticClass()});
}

TConfiguration& AddConfiguration(TConfigurations& root, const std::string& name,
                                 std::initializer_list<std::string> keys) {
    auto configuration = std::make_unique<TConfiguration>();
    configuration->SetName(name);
    for (const std::string& key : keys) {
        auto setting = std::make_unique<TTestSetting>();
        setting->SetKey(key);
        configuration->AddSetting(std::move(setting));
    }
    return root.Configurations().Add(std::move(configuration));
}

} // namespace prolamo::test
