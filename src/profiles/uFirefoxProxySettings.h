#pragma once
// The proxy preferences ("network.proxy.*") of the first profile in Firefox's profile list.

#include "framework/Exceptions.h"
#include "framework/Strings.h"
#include "uProfileSettings.h"

#include <set>
#include <string>
#include <vector>

namespace prolamo {

inline constexpr const char* FirefoxProxyPrefix = "network.proxy.";

class TFirefoxProfileNotFoundException : public Exception {
public:
    TFirefoxProfileNotFoundException()
        : Exception(Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Firefox profile not found"))) {}
};

// A file the preferences cannot be written to: "Cannot create file "%s". " and the system's reason.
class EFCreateError : public EInOutError {
public:
    EFCreateError(int code, const std::string& message) : EInOutError(code, message) {}
};

inline constexpr const char* FirefoxLineRefused = PROLAMO_TRANSLATE_NOOP(
    "Engine", "The preference %1 cannot be written as one well-formed user_pref line; it is left out");
inline constexpr const char* FirefoxNotProxy =
    PROLAMO_TRANSLATE_NOOP("Engine", "The preference %1 is not a proxy preference; it is left out");
inline constexpr const char* FirefoxNameWithEquals = PROLAMO_TRANSLATE_NOOP(
    "Engine", "The preference %1 has \"=\" in its name, which the value cannot hold; it is not captured");

// <roaming application data>\Mozilla\Firefox\profiles.ini, section Profile0, + "\prefs.js".
// Raises TFirefoxProfileNotFoundException when the profile list is missing or names no path.
std::string GetFirefoxPrefsFileName();

// The text between the quotes of a JavaScript string literal: no line break or other control
// character, every double quote and backslash escaped.
bool IsStringLiteralBody(std::string_view body);
// What a preference line may hold as its value: a string literal, an integer, true or false.
bool IsPrefValueLiteral(std::string_view text);

// The lines of a preferences file, in file order.
class TPrefs {
public:
    // A missing profile gives no lines; other read errors are raised. A byte-order mark is kept
    // apart from the first line.
    void Load();
    // Every line followed by CR LF, replacing the file; the byte-order mark it had comes first.
    void Save() const;
    // Dest gets name=value text of every preference line whose name starts with Prefix (letter
    // case significant), in file order. A name holding "=" cannot be told from its value there:
    // it goes to LeftOut instead, when given.
    void GetPrefs(const std::string& prefix, TStrings& dest, std::vector<std::string>* leftOut = nullptr) const;
    // Replaces the first preference line of Name (letter case significant), else appends one.
    // False, and nothing changed, when Name and ValueText do not make a well-formed line.
    bool SetPref(const std::string& name, const std::string& valueText);
    // Removes every preference line whose name starts with Prefix and is not one of Kept (letter
    // case significant); other lines stay in their order.
    void RemovePrefs(const std::string& prefix, const std::set<std::string>& kept);
    // A line made of user_pref(", the name, ", ", the value text and ");" exactly.
    static bool ParsePrefLine(const std::string& line, std::string& name, std::string& valueText);

    std::vector<std::string>& Lines() { return lines_; }
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    std::vector<std::string> lines_;
    bool byteOrderMark_ = false;
};

// Lines of a preference name, "=" and the preference's literal text.
class TFirefoxProxySettingValue : public TSettingLinesValue {
    PROLAMO_CLASS()

public:
    std::string GetHint() const override;
};

class TFirefoxProxySetting : public TSetting {
    PROLAMO_SETTING_CLASS()

public:
    // A preference whose name holds "=" is left out with a warning.
    std::unique_ptr<TSettingValue> CaptureValue() override;
    // The file's proxy preferences that the value does not hold are removed, so that Firefox takes
    // its defaults for them. A line that is no proxy preference, or would not be one well-formed
    // preference line, is left out with a warning.
    void ApplyValue(const TSettingValue& value, TCheckResultList& results) override;
};

} // namespace prolamo
