#pragma once

#include "framework/Strings.h"
#include "profiles/uProfileSettings.h"

#include <map>
#include <string>

namespace prolamo::test {

// The state test kinds capture and apply: a map from key to text, standing in for a machine.
std::map<std::string, std::string>& TestMachine();

// Captures and applies TestMachine()[Key]. A stored text "fail" makes ApplyValue raise, "denied"
// raise access denied of the system, a machine's text "unreadable" CaptureValue.
class TTestSetting : public TSetting {
    PROLAMO_SETTING_CLASS()

public:
    std::string Key() const { return key_; }
    void SetKey(const std::string& key) { key_ = key; }
    void Assign(const TPersistent& source) override;
    std::unique_ptr<TSettingValue> CaptureValue() override;
    void ApplyValue(const TSettingValue& value, TCheckResultList& results) override;
    std::string GetDetails() const override { return key_; }

private:
    std::string key_;
};

// Applied after every TTestSetting, like printers after TCP/IP.
class TDependentTestSetting : public TTestSetting {
    PROLAMO_SETTING_CLASS()

public:
    bool DependsOn(const TSetting& setting) const override;
};

// A kind that overrides none of the optional class functions.
class TBareTestSetting : public TSetting {
    PROLAMO_SETTING_CLASS()

public:
    std::unique_ptr<TSettingValue> CaptureValue() override;
    void ApplyValue(const TSettingValue&, TCheckResultList&) override {}
};

// A value holding one property of every stored kind, and a binary stream-only property.
class TTestValue : public TSettingValue {
    PROLAMO_CLASS()

public:
    TTestValue() : lines_(true) {}

    std::string Text() const { return text_; }
    void SetText(const std::string& text) { text_ = text; }
    std::int32_t Number() const { return number_; }
    void SetNumber(std::int32_t number) { number_ = number; }
    bool Flag() const { return flag_; }
    void SetFlag(bool flag) { flag_ = flag; }
    std::u16string Wide() const { return wide_; }
    void SetWide(const std::u16string& wide) { wide_ = wide; }
    TStrings& Lines() { return lines_; }
    TWideStrings& WideLines() { return wideLines_; }
    std::vector<std::uint8_t>& Blob() { return blob_; }

    std::string GetHint() const override { return text_; }
    void Assign(const TPersistent& source) override;
    void DefineProperties(TFiler& filer) override;

private:
    std::string text_;
    std::int32_t number_ = -1;
    bool flag_ = false;
    std::u16string wide_;
    TStrings lines_;
    TWideStrings wideLines_;
    std::vector<std::uint8_t> blob_;
};

// Registers the model and the test kinds once.
void RegisterTestKinds();

// A configuration with one setting per key, and profiles captured from TestMachine().
TConfiguration& AddConfiguration(TConfigurations& root, const std::string& name,
                                 std::initializer_list<std::string> keys);

} // namespace prolamo::test
