#pragma once
// The proxy preferences ("network.proxy.*") of the first profile in Firefox's profile list.

#include "framework/Exceptions.h"
#include "framework/Strings.h"
#include "uProfileSettings.h"

#include <string>
#include <vector>

namespace prolamo {

inline constexpr const char* FirefoxProxyPrefix = "network.proxy.";

class TFirefoxProfileNotFoundException : public Exception {
public:
    TFirefoxProfileNotFoundException() : Exception("Firefox profile not found") {}
};

// A file the preferences cannot be written to: "Cannot create file "%s". " and the system's reason.
class EFCreateError : public EInOutError {
public:
    EFCreateError(int code, const std::string& message) : EInOutError(code, message) {}
};

// <roaming application data>\Mozilla\Firefox\profiles.ini, section Profile0, + "\prefs.js".
// Raises TFirefoxProfileNotFoundException when the profile list is missing.
std::string GetFirefoxPrefsFileName();

// The lines of a preferences file, in file order.
class TPrefs {
public:
    // A missing profile gives no lines; other read errors are raised.
    void Load();
    // Every line followed by CR LF, replacing the file.
    void Save() const;
    // Dest gets name=value text of every preference line whose name starts with Prefix (letter
    // case significant), in file order.
    void GetPrefs(const std::string& prefix, TStrings& dest) const;
    // Replaces the first preference line of Name (letter case significant), else appends one.
    void SetPref(const std::string& name, const std::string& valueText);
    // A line made of user_pref(", the name, ", ", the value text and ");" exactly.
    static bool ParsePrefLine(const std::string& line, std::string& name, std::string& valueText);

    std::vector<std::string>& Lines() { return lines_; }
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    std::vector<std::string> lines_;
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
    std::unique_ptr<TSettingValue> CaptureValue() override;
    void ApplyValue(const TSettingValue& value, TCheckResultList& results) override;
};

} // namespace prolamo
