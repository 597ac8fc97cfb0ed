#pragma once
// Chosen environment variables, written back as user or system variables.

#include "framework/Strings.h"
#include "uProfileSettings.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace prolamo {

inline constexpr const char* SystemEnvironmentKey =
    "\\System\\CurrentControlSet\\Control\\Session Manager\\Environment";
inline constexpr const char* UserEnvironmentKey = "\\Environment";

inline constexpr const char* EnvNameRefused = PROLAMO_TRANSLATE_NOOP(
    "Engine", "%1 is not a name an environment variable can have (it is empty or blank, or holds \"=\" or a control "
              "character)");
inline constexpr const char* EnvNotText = PROLAMO_TRANSLATE_NOOP(
    "Engine", "The variable %1 is not a text in the registry but a value of another type; it is not captured");
inline constexpr const char* EnvNotOverwritten = PROLAMO_TRANSLATE_NOOP(
    "Engine", "The variable %1 is not a text in the registry but a value of another type; it is left as it is");
inline constexpr const char* EnvNotSetForUser =
    PROLAMO_TRANSLATE_NOOP("Engine", "The variable %1 is not set for the user; it is not captured");
inline constexpr const char* EnvNotSetForMachine =
    PROLAMO_TRANSLATE_NOOP("Engine", "The variable %1 is not set for the machine; it is not captured");

// Whether Windows can hold a variable of this name: not empty, not only blanks, without "=" and
// control characters.
bool IsValidEnvironmentName(std::u16string_view name);

// Where a variable lives: machine-wide or per user.
enum class TEnvScope { System, User };

// A chosen name, in the setting's list as "TEMP=user" or "TEMP=machine" when the user picked the
// scope ("=" is in no variable's name), or bare: a bare name keeps the rule of older data files,
// the machine's variable when the machine key has the name, else the user's.
struct TEnvChoice {
    std::u16string name;
    std::optional<TEnvScope> scope;
};
TEnvChoice ParseEnvChoice(std::u16string_view entry);
std::u16string EnvChoiceText(const std::u16string& name, TEnvScope scope);
// "TEMP (user)", "TEMP (machine)": how lists show a name with its scope.
std::u16string EnvScopeLabel(const std::u16string& name, TEnvScope scope);

// The value names of the system or user key, sorted, without regard to case; empty when the key
// cannot be opened for reading and writing.
void GetEnvironmentNames(TEnvScope scope, TWideStrings& names);

class TEnvSetting : public TSetting {
    PROLAMO_SETTING_CLASS()

public:
    TEnvSetting() : names_(true) {}

    // Sorted without regard to case, each name once.
    TWideStrings& Names() { return names_; }
    const TWideStrings& Names() const { return names_; }
    // The names, each followed by CR LF; setting it replaces the list.
    std::u16string VariableNames() const { return names_.Text(); }
    void SetVariableNames(const std::u16string& text) { names_.SetText(text); }

    void Assign(const TPersistent& source) override;
    // Raises EnvNameRefused for the first name a variable cannot have.
    void CheckParameters() const override;
    // A name a variable cannot have, and a variable that is no text, are left out with a warning.
    std::unique_ptr<TSettingValue> CaptureValue() override;
    // Writes every line, then tells running programs once. A name a variable cannot have is an
    // error line; a variable that is no text is never overwritten (a warning line).
    void ApplyValue(const TSettingValue& value, TCheckResultList& results) override;

private:
    void CaptureScoped(const std::u16string& name, TEnvScope scope, TWideStrings& lines) const;

    TWideStrings names_;
};

class TEnvSettingValue : public TSettingValue {
    PROLAMO_CLASS()

public:
    // Name=value lines in capture order, of the bare names.
    TWideStrings& Values() { return values_; }
    const TWideStrings& Values() const { return values_; }
    // Name=value lines of the names chosen with their scope.
    TWideStrings& UserValues() { return userValues_; }
    TWideStrings& SystemValues() { return systemValues_; }
    TWideStrings& ScopedValues(TEnvScope scope) { return scope == TEnvScope::User ? userValues_ : systemValues_; }
    const TWideStrings& ScopedValues(TEnvScope scope) const {
        return scope == TEnvScope::User ? userValues_ : systemValues_;
    }

    void Assign(const TPersistent& source) override;
    std::string GetHint() const override;
    // Forgets the variables the setting no longer lists.
    void SettingChanged(const TSetting& setting) override;

private:
    TWideStrings values_;
    TWideStrings userValues_;
    TWideStrings systemValues_;
};

// One line of the check-list the editor shows.
struct TCheckListItem {
    std::u16string text;
    bool checked = false;
    // What the setting holds when the item is checked.
    std::u16string name;
};
// Shows the items under Caption, lets the user check them, answers whether OK was chosen.
using TCheckListDialog = std::function<bool(const std::string& caption, std::vector<TCheckListItem>& items)>;

class TEnvSettingEditor : public TSettingEditor {
public:
    // The front end plugs its dialog in once at start-up; without one, every edit is cancelled.
    static void SetCheckListDialog(TCheckListDialog dialog);

    // The user's and the machine's variables, each with its scope, and the names already chosen,
    // each once, sorted; a name a variable cannot have is not offered. A bare name chosen before is
    // offered, and kept bare, as the variable its rule reads.
    static std::vector<TCheckListItem> Candidates(const TEnvSetting& setting);
    bool Edit(TSetting& setting) override;
};

} // namespace prolamo
