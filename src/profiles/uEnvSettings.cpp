#include "uEnvSettings.h"

#include "classes/uHelpers.h"
#include "classes/uRegistry.h"
#include "framework/Exceptions.h"
#include "os/Environment.h"
#include "os/Text.h"

#include <algorithm>

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

constexpr std::u16string_view kUserMarker = u"=user";
constexpr std::u16string_view kMachineMarker = u"=machine";

bool EndsWithMarker(std::u16string_view entry, std::u16string_view marker) {
    return entry.size() > marker.size() &&
           TWideStrings::CompareStrings(std::u16string(entry.substr(entry.size() - marker.size())),
                                        std::u16string(marker)) == 0;
}

// Writes every line of Lines into the key Scope gives its name; a name given twice is written with
// its first text.
void ApplyLines(const TSetting& setting, const TWideStrings& lines,
                const std::function<TEnvScope(const std::u16string&)>& scopeOf, TCheckResultList& results);

TCheckListDialog& Dialog() {
    static TCheckListDialog dialog;
    return dialog;
}

std::unique_ptr<TSettingEditor> NewEnvSettingEditor() {
    return std::make_unique<TEnvSettingEditor>();
}

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

TEnvChoice ParseEnvChoice(std::u16string_view entry) {
    if (EndsWithMarker(entry, kUserMarker))
        return {std::u16string(entry.substr(0, entry.size() - kUserMarker.size())), TEnvScope::User};
    if (EndsWithMarker(entry, kMachineMarker))
        return {std::u16string(entry.substr(0, entry.size() - kMachineMarker.size())), TEnvScope::System};
    return {std::u16string(entry), std::nullopt};
}

std::u16string EnvChoiceText(const std::u16string& name, TEnvScope scope) {
    return name + std::u16string(scope == TEnvScope::User ? kUserMarker : kMachineMarker);
}

std::u16string EnvScopeLabel(const std::u16string& name, TEnvScope scope) {
    return name + (scope == TEnvScope::User ? u" (user)" : u" (machine)");
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
        "TEnvSetting", {prop::WideString("VariableNames", &TEnvSetting::VariableNames, &TEnvSetting::SetVariableNames)},
        {.caption = PROLAMO_TRANSLATE_NOOP("SettingKinds", "Environment variables"),
         .description = PROLAMO_TRANSLATE_NOOP("SettingKinds", "User and system environment variables"),
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
        if (!IsValidEnvironmentName(ParseEnvChoice(name).name))
            throw Exception(Translated("Engine", EnvNameRefused, {QuotedText(os::Utf16ToUtf8(name))}));
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
    for (const std::u16string& entry : names_) {
        const TEnvChoice choice = ParseEnvChoice(entry);
        if (!IsValidEnvironmentName(choice.name)) {
            AddCaptureWarning(Translated("Engine", EnvNameRefused, {QuotedText(os::Utf16ToUtf8(entry))}));
            continue;
        }
        if (choice.scope) {
            CaptureScoped(choice.name, *choice.scope, value->ScopedValues(*choice.scope));
            continue;
        }
        const std::u16string& name = choice.name;
        const std::string valueName = os::Utf16ToUtf8(name);
        TRegistry* key =
            systemNames.IndexOf(name) >= 0 ? (systemOpen ? &systemKey : nullptr) : (userOpen ? &userKey : nullptr);
        std::u16string text;
        const TRegDataType type = key != nullptr ? key->GetDataType(valueName) : TRegDataType::Unknown;
        if (type == TRegDataType::String || type == TRegDataType::ExpandString) {
            text = os::Utf8ToUtf16(key->ReadString(valueName));
        } else if (key != nullptr && key->ValueExists(valueName)) {
            AddCaptureWarning(Translated("Engine", EnvNotText, {QuotedText(valueName)}));
            continue;
        } else {
            text = ProcessVariable(name);
        }
        value->Values().Add(name + u'=' + text);
    }
    return value;
}

// A variable its key lacks is left out: the process's value would be the other scope's.
void TEnvSetting::CaptureScoped(const std::u16string& name, TEnvScope scope, TWideStrings& lines) const {
    const std::string valueName = os::Utf16ToUtf8(name);
    TRegistry key(os::KeyRead);
    bool opened = OpenEnvironment(key, scope);
    if (!opened && key.LastError() != os::ErrorFileNotFound)
        RaiseLastOSError(key.LastError());
    const TRegDataType type = opened ? key.GetDataType(valueName) : TRegDataType::Unknown;
    if (type == TRegDataType::String || type == TRegDataType::ExpandString)
        lines.Add(name + u'=' + os::Utf8ToUtf16(key.ReadString(valueName)));
    else if (opened && key.ValueExists(valueName))
        AddCaptureWarning(Translated("Engine", EnvNotText, {QuotedText(valueName)}));
    else
        AddCaptureWarning(Translated("Engine", scope == TEnvScope::User ? EnvNotSetForUser : EnvNotSetForMachine,
                                     {QuotedText(valueName)}));
}

void TEnvSetting::ApplyValue(const TSettingValue& value, TCheckResultList& results) {
    const auto* env = dynamic_cast<const TEnvSettingValue*>(&value);
    if (env == nullptr)
        throw EAssertionFailed("The environment variables setting was given another kind's value");
    TWideStrings systemNames;
    GetEnvironmentNames(TEnvScope::System, systemNames);
    ApplyLines(
        *this, env->Values(),
        [&](const std::u16string& name) {
            return systemNames.IndexOf(name) >= 0 ? TEnvScope::System : TEnvScope::User;
        },
        results);
    // The user's first: an account that may not write the machine's still gets its own.
    for (const TEnvScope scope : {TEnvScope::User, TEnvScope::System})
        ApplyLines(
            *this, env->ScopedValues(scope), [scope](const std::u16string&) { return scope; }, results);
    TOsHelper::BroadcastSettingChange();
}

namespace {

void ApplyLines(const TSetting& setting, const TWideStrings& lines,
                const std::function<TEnvScope(const std::u16string&)>& scopeOf, TCheckResultList& results) {
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        const std::u16string name = NameOfLine(lines[i]);
        if (!IsValidEnvironmentName(name)) {
            setting.AddError(results, Translated("Engine", EnvNameRefused, {QuotedText(os::Utf16ToUtf8(name))}));
            continue;
        }
        const std::u16string text = lines.ValueFromIndex(static_cast<std::size_t>(lines.IndexOfName(name)));
        if (!WriteVariable(name, text, scopeOf(name)))
            setting.AddWarning(results, Translated("Engine", EnvNotOverwritten, {QuotedText(os::Utf16ToUtf8(name))}));
    }
}

} // namespace

// ---- TEnvSettingValue ----

const TClassInfo& TEnvSettingValue::StaticClass() {
    return MakeClassInfo<TEnvSettingValue, TSettingValue>(
        "TEnvSettingValue",
        {prop::Object("Values", TTypeKind::WideStrings,
                      static_cast<TWideStrings& (TEnvSettingValue::*)()>(&TEnvSettingValue::Values)),
         prop::Object("UserValues", TTypeKind::WideStrings, &TEnvSettingValue::UserValues),
         prop::Object("SystemValues", TTypeKind::WideStrings, &TEnvSettingValue::SystemValues)});
}

void TEnvSettingValue::Assign(const TPersistent& source) {
    TSettingValue::Assign(source);
    if (const auto* value = dynamic_cast<const TEnvSettingValue*>(&source)) {
        values_.Assign(value->values_);
        userValues_.Assign(value->userValues_);
        systemValues_.Assign(value->systemValues_);
    }
}

std::string TEnvSettingValue::GetHint() const {
    std::u16string hint = values_.Text();
    for (const TEnvScope scope : {TEnvScope::User, TEnvScope::System}) {
        const TWideStrings& lines = ScopedValues(scope);
        for (std::size_t i = 0; i < lines.Count(); ++i)
            hint += EnvScopeLabel(NameOfLine(lines[i]), scope) + u'=' + lines.ValueFromIndex(i) + u"\r\n";
    }
    return os::Utf16ToUtf8(hint);
}

void TEnvSettingValue::SettingChanged(const TSetting& setting) {
    const auto* env = dynamic_cast<const TEnvSetting*>(&setting);
    if (env == nullptr)
        throw EAssertionFailed("An environment value was told about another kind of setting");
    for (std::size_t i = values_.Count(); i-- > 0;)
        if (env->Names().IndexOf(NameOfLine(values_[i])) < 0)
            values_.Delete(i);
    for (const TEnvScope scope : {TEnvScope::User, TEnvScope::System}) {
        TWideStrings& lines = ScopedValues(scope);
        for (std::size_t i = lines.Count(); i-- > 0;)
            if (env->Names().IndexOf(EnvChoiceText(NameOfLine(lines[i]), scope)) < 0)
                lines.Delete(i);
    }
}

// ---- TEnvSettingEditor ----

void TEnvSettingEditor::SetCheckListDialog(TCheckListDialog dialog) {
    Dialog() = std::move(dialog);
}

std::vector<TCheckListItem> TEnvSettingEditor::Candidates(const TEnvSetting& setting) {
    TWideStrings userNames, systemNames;
    GetEnvironmentNames(TEnvScope::User, userNames);
    GetEnvironmentNames(TEnvScope::System, systemNames);
    const TWideStrings& chosen = setting.Names();
    std::vector<TCheckListItem> items;
    const auto offer = [&](const std::u16string& name, TEnvScope scope) {
        // A bare name is the variable its rule reads: that item, kept bare.
        const TEnvScope ruled = systemNames.IndexOf(name) >= 0 ? TEnvScope::System : TEnvScope::User;
        const bool bare = chosen.IndexOf(name) >= 0 && ruled == scope;
        const std::u16string entry = EnvChoiceText(name, scope);
        items.push_back({EnvScopeLabel(name, scope), bare || chosen.IndexOf(entry) >= 0, bare ? name : entry});
    };
    for (const std::u16string& name : userNames)
        offer(name, TEnvScope::User);
    for (const std::u16string& name : systemNames)
        offer(name, TEnvScope::System);
    for (const std::u16string& entry : chosen) {
        const TEnvChoice choice = ParseEnvChoice(entry);
        if (!choice.scope && userNames.IndexOf(choice.name) < 0 && systemNames.IndexOf(choice.name) < 0)
            items.push_back({choice.name, true, choice.name});
        else if (choice.scope && (*choice.scope == TEnvScope::User ? userNames : systemNames).IndexOf(choice.name) < 0)
            items.push_back({EnvScopeLabel(choice.name, *choice.scope), true, entry});
    }
    std::erase_if(items,
                  [](const TCheckListItem& item) { return !IsValidEnvironmentName(ParseEnvChoice(item.name).name); });
    std::stable_sort(items.begin(), items.end(), [](const TCheckListItem& a, const TCheckListItem& b) {
        return TWideStrings::CompareStrings(a.text, b.text) < 0;
    });
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
            env->Names().Add(item.name);
    return true;
}

} // namespace prolamo
