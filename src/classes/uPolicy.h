#pragma once
// The organisation's policies: the one table of the values Prolamo reads, and the reader that
// finds each one's effective value in the machine policy, the user policy, the installer's
// preference or the built-in default, in that order.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace prolamo {

inline constexpr const char* PolicyKey = "SOFTWARE\\Policies\\Orvenik\\Prolamo";
inline constexpr const char* PreferenceKey = "SOFTWARE\\Orvenik\\Prolamo";

enum class TPolicyType { Number, Text };
// Machine: read from HKLM only, as the switching service's policies are (its user is the system).
enum class TPolicyScope { MachineAndUser, Machine };

struct TPolicyInfo {
    const char* name;
    TPolicyType type;
    TPolicyScope scope;
    // Nothing: the policy is not set unless someone sets it.
    std::optional<std::int32_t> defaultNumber;
    const char* explanation;
};

inline constexpr const char* PolicyServiceEnabled = "ServiceEnabled";
inline constexpr const char* PolicyServiceKinds = "ServiceKinds";
inline constexpr const char* PolicyManagedConfigurations = "ManagedConfigurations";
inline constexpr const char* PolicyManagedRules = "ManagedRules";
inline constexpr const char* PolicyAllowUserConfigurations = "AllowUserConfigurations";
inline constexpr const char* PolicyAutomaticSwitching = "AutomaticSwitching";

// Every policy Prolamo reads; the administrative template is checked against this table.
std::span<const TPolicyInfo> Policies();
// Nullptr for a name the table does not hold (compared without regard to case).
const TPolicyInfo* FindPolicy(std::string_view name);

// Why a command that creates, edits or deletes a configuration is refused.
inline constexpr const char* UserConfigurationsLocked =
    "Your organisation's policy AllowUserConfigurations does not let you create, edit or delete configurations.";

// Why applying one of the user's own configurations is refused.
inline constexpr const char* OnlyManagedConfigurations =
    "Your organisation's policy AllowUserConfigurations lets you apply only the configurations it manages.";

enum class TPolicySource { MachinePolicy, UserPolicy, InstallerPreference, Default };

// "machine policy", "user policy", "installer preference", "default".
const char* PolicySourceText(TPolicySource source);

struct TPolicyValue {
    TPolicySource source = TPolicySource::Default;
    // Set for a Number policy that has a value.
    std::optional<std::int32_t> number;
    // Set for a Text policy that has a value.
    std::optional<std::string> text;

    bool IsSet() const { return number.has_value() || text.has_value(); }
};

// The policy's effective value. A value of the wrong type counts as not there, as Windows'
// own policy readers treat it; a key that cannot be read raises the system's EOSError.
TPolicyValue ReadPolicy(const TPolicyInfo& policy);
// For a name of the table.
TPolicyValue ReadPolicy(std::string_view name);

// The policies' effective values for a reader that looks often (a window at every idle moment):
// read again only when the system says that a policy may have changed.
class TPolicyCache {
public:
    // As ReadPolicy.
    TPolicyValue Read(std::string_view name);

private:
    std::optional<std::uint64_t> changes_;
    std::map<std::string, TPolicyValue, std::less<>> values_;
};

// "1", "\\\\srv\\share\\office.txt" or "(not set)".
std::string PolicyValueText(const TPolicyValue& value);

} // namespace prolamo
