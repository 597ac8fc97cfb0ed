#include "uEnvSettings.h"

#include "classes/uHelpers.h"
#include "classes/uRegistry.h"
#include "framework/Exceptions.h"
#include "os/Environment.h"
#include "os/Text.h"

namespace prolamo {

namespace {

// Read and write: the machine key is thereby closed to accounts that may not change it.
constexpr std::uint32_t kEnvironmentAccess = 0x2001F;

bool OpenEnvironment(TRegistry& registry, TEnvScope scope) {
    registry.SetRootKey(scope == TEnvScope::System ? os::HKeyLocalMachine : os::HKeyCurrentUser);
    return registry.OpenKey(scope == TEnvScope::System ? SystemEnvironmentKey : UserEnvironmentKey, false);
}

// "%NAME%" somewhere in the text: it only means something to an expandable string.
bool HoldsReference(const std::u16string& text) {
    for (std::size_t open = text.find(u'%'); open != std::u16string::npos;) {
        const std::size_t close = text.find(u'%', open + 1);
        if (close == std::u16string::npos)
            return false;
        if (close > open + 1)
            return true;
        open = close;
    }
    return false;
}

// False when the variable is there as a value of another type, which is left alone.
bool WriteVariable(const std::u16string& name, const std::u16string& text, TEnvScope scope) {
    TRegistry registry(kEnvironmentAccess);
    if (!OpenEnvironment(registry, scope))
        throw EOSError(os::ErrorAccessDenied);
    const std::string valueName = os::Utf16ToUtf8(name);
    const TRegDataType type = registry.GetDataType(valueName);
    const bool exists = type != TRegDataType::Unknown || registry.ValueExists(valueName);
    bool written = true;
    if (type == TRegDataType::ExpandString || (!exists && HoldsReference(text)))
        registry.WriteExpandString(valueName, os::Utf16ToUtf8(text));
    else if (type == TRegDataType::String || !exists)
        registry.WriteString(valueName, os::Utf16ToUtf8(text));
    else
        written = false;
    registry.CloseKey();
    return written;
}

std::u16string ProcessVariable(const std::u16string& name) {
    std::u16string value;
    if (os::Environment().GetEnvironmentVariable(name, &value) != os::ErrorSuccess)
        value.clear();
    return value;
}

std::u16string NameOfLine(const std::u16string& line) {
    const std::size_t eq = line.find(u'=');
    return eq == std::u16string::npos ? line : line.substr(0, eq);
}

TCheckListDialog& Dialog() {
    static TCheckListDialog dialog;
    return dialog;
}

std::unique_ptr<TSettingEditor> NewEnvSettingEditor() { return std::make_unique<TEnvSettingEditor>(); }

} // namespace

bool IsValidEnvironmentName(std::u16string_view name) {
    bool blank = true;
    for (const char16_t c : name) {
        if (c == u'=' || c < u' ' || c == 0x7F)
            return false;
        blank = blank && (c == u' ' || c == u'\t');
    }
    return !blank;
}

void GetEnvironmentNames(TEnvScope scope, TWideStrings& names) {
    names.Clear();
    names.SetSorted(true);
    TRegistry registry(kEnvironmentAccess);
    if (!OpenEnvironment(registry, scope))
        return;
    for (const std::string& name : registry.GetValueNames())
        names.Add(os::Utf8ToUtf16(name));
    registry.CloseKey();
}

// ---- TEnvSetting ----

const TSettingClass& TEnvSetting::StaticClass() {
    return MakeSettingClass<TEnvSetting, TSetting>(
        "TEnvSetting",
        {prop::WideString("VariableNames", &TEnvSetting::VariableNames, &TEnvSetting::SetVariableNames)},
        {.caption = "Environment variables",
         .description = "User and system environment variables",
         .category = SystemCategory,
         .editorClass = &NewEnvSettingEditor,
         .imageIndex = 7});
}

void TEnvSetting::Assign(const TPersistent& source) {
    TSetting::Assign(source);
    if (const auto* setting = dynamic_cast<const TEnvSetting*>(&source))
        names_.Assign(setting->names_);
}

void TEnvSetting::CheckParameters() const {
    for (const std::u16string& name : names_)
        if (!IsValidEnvironmentName(name))
            throw Exception(Format(EnvNameRefused, {QuotedText(os::Utf16ToUtf8(name))}));
}

// Each variable as the key that an apply writes it to stores it, so a later apply puts back the
// same text and type; only a variable that key lacks comes from this process's environment.
std::unique_ptr<TSettingValue> TEnvSetting::CaptureValue() {
    auto value = std::make_unique<TEnvSettingValue>();
    value->Values().Clear();
    TWideStrings systemNames;
    GetEnvironmentNames(TEnvScope::System, systemNames);
    TRegistry systemKey(kEnvironmentAccess), userKey(kEnvironmentAccess);
    const bool systemOpen = OpenEnvironment(systemKey, TEnvScope::System);
    const bool userOpen = OpenEnvironment(userKey, TEnvScope::User);
    for (const std::u16string& name : names_) {
        const std::string valueName = os::Utf16ToUtf8(name);
        if (!IsValidEnvironmentName(name)) {
            AddCaptureWarning(Format(EnvNameRefused, {QuotedText(valueName)}));
            continue;
        }
        TRegistry* key = systemNames.IndexOf(name) >= 0 ? (systemOpen ? &systemKey : nullptr)
                                                        : (userOpen ? &userKey : nullptr);
        std::u16string text;
        const TRegDataType type = key != nullptr ? key->GetDataType(valueName) : TRegDataType::Unknown;
        if (type == TRegDataType::String || type == TRegDataType::ExpandString) {
            text = os::Utf8ToUtf16(key->ReadString(valueName));
        } else if (key != nullptr && key->ValueExists(valueName)) {
            AddCaptureWarning(Format(EnvNotText, {QuotedText(valueName)}));
            continue;
        } else {
            text = ProcessVariable(name);
        }
        value->Values().Add(name + u'=' + text);
    }
    return value;
}

void TEnvSetting::ApplyValue(const TSettingValue& value, TCheckResultList& results) {
    const auto* env = dynamic_cast<const TEnvSettingValue*>(&value);
    if (env == nullptr)
        throw EAssertionFailed("The environment variables setting was given another kind's value");
    TWideStrings systemNames;
    GetEnvironmentNames(TEnvScope::System, systemNames);
    const TWideStrings& values = env->Values();
    for (std::size_t i = 0; i < values.Count(); ++i) {
        const std::u16string name = NameOfLine(values[i]);
        if (!IsValidEnvironmentName(name)) {
            AddError(results, Format(EnvNameRefused, {QuotedText(os::Utf16ToUtf8(name))}));
            continue;
        }
        // A name given twice is written with its first text.
        const std::u16string text = values.ValueFromIndex(static_cast<std::size_t>(values.IndexOfName(name)));
        if (!WriteVariable(name, text, systemNames.IndexOf(name) >= 0 ? TEnvScope::System : TEnvScope::User))
            AddWarning(results, Format(EnvNotOverwritten, {QuotedText(os::Utf16ToUtf8(name))}));
    }
    TOsHelper::BroadcastSettingChange();
}

// ---- TEnvSettingValue ----

const TClassInfo& TEnvSettingValue::StaticClass() {
    return MakeClassInfo<TEnvSettingValue, TSettingValue>(
        "TEnvSettingValue",
        {prop::Object("Values", TTypeKind::WideStrings,
                      static_cast<TWideStrings& (TEnvSettingValue::*)()>(&TEnvSettingValue::Values))});
}

void TEnvSettingValue::Assign(const TPersistent& source) {
    TSettingValue::Assign(source);
    if (const auto* value = dynamic_cast<const TEnvSettingValue*>(&source))
        values_.Assign(value->values_);
}

std::string TEnvSettingValue::GetHint() const { return os::Utf16ToUtf8(values_.Text()); }

void TEnvSettingValue::SettingChanged(const TSetting& setting) {
    const auto* env = dynamic_cast<const TEnvSetting*>(&setting);
    if (env == nullptr)
        throw EAssertionFailed("An environment value was told about another kind of setting");
    for (std::size_t i = values_.Count(); i-- > 0;)
        if (env->Names().IndexOf(NameOfLine(values_[i])) < 0)
            values_.Delete(i);
}

// ---- TEnvSettingEditor ----

void TEnvSettingEditor::SetCheckListDialog(TCheckListDialog dialog) { Dialog() = std::move(dialog); }

std::vector<TCheckListItem> TEnvSettingEditor::Candidates(const TEnvSetting& setting) {
    TWideStrings candidates, systemNames;
    GetEnvironmentNames(TEnvScope::User, candidates);
    GetEnvironmentNames(TEnvScope::System, systemNames);
    for (const std::u16string& name : systemNames)
        candidates.Add(name);
    for (const std::u16string& name : setting.Names())
        candidates.Add(name);
    std::vector<TCheckListItem> items;
    for (const std::u16string& name : candidates)
        if (IsValidEnvironmentName(name))
            items.push_back({name, setting.Names().IndexOf(name) >= 0});
    return items;
}

bool TEnvSettingEditor::Edit(TSetting& setting) {
    auto* env = dynamic_cast<TEnvSetting*>(&setting);
    if (env == nullptr)
        throw EAssertionFailed("The environment variables editor was given another kind of setting");
    if (!Dialog())
        return false;
    std::vector<TCheckListItem> items = Candidates(*env);
    if (!Dialog()(env->GetCaption(), items))
        return false;
    env->Names().Clear();
    for (const TCheckListItem& item : items)
        if (item.checked)
            env->Names().Add(item.text);
    return true;
}

} // namespace prolamo
