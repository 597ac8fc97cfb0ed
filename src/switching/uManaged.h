#pragma once
// What the organisation deploys: the configurations of the file the policy ManagedConfigurations
// names. The file is untrusted and read as an import is; its last good copy is kept beside the
// data file, so that a laptop away from the share keeps its managed configurations. Nothing of
// the user's data file changes because of them.

#include "profiles/uProfileSettings.h"
#include "uSwitchRules.h"

#include <memory>
#include <optional>
#include <string>

namespace prolamo {

// A configuration kept by its name and its list, the user's own or the organisation's, so that it
// is found again later without holding an object that reading the lists anew may free. A name
// both use is the organisation's when the object is not the user's.
class TConfigurationPlace {
public:
    TConfigurationPlace() = default;
    explicit TConfigurationPlace(const TConfiguration& configuration);

    // The configuration now, among the user's own or among Managed; none when it is gone.
    TConfiguration* Find(TConfigurations* managed) const;
    bool operator==(const TConfigurationPlace&) const = default;

private:
    std::string name_;
    bool organisations_ = false;
};

struct TManagedConfigurations {
    // Null when no policy names a file, or the file cannot be read and no copy is kept.
    std::unique_ptr<TConfigurations> configurations;
    // Why the kept copy (or nothing) is used: the file cannot be read or is damaged; empty when
    // the file was read or no policy names one. Holds the administrator's path as it is.
    std::string warning;
};

// "qvt.managed.txt" beside the data file.
std::string ManagedCopyPath();

// The configurations of the file the policy names, which then becomes the kept copy; the kept
// copy when the file cannot be read or is damaged. Raises only when the policy itself cannot be read.
TManagedConfigurations LoadManagedConfigurations(const std::string& keptCopy = ManagedCopyPath());

// The rules of the file the policy ManagedRules names, read as the user's rules file is and
// marked managed; kept and used when the file cannot be read, as the configurations are.
struct TManagedRules {
    TSwitchRules rules;
    std::string warning;
};
// "qvt.managed.rules" beside the data file.
std::string ManagedRulesCopyPath();
TManagedRules LoadManagedRules(const std::string& keptCopy = ManagedRulesCopyPath());

// The rules the watcher tries: the organisation's first, then the user's own.
TSwitchRules RulesInForce(const TSwitchRules& own, const TSwitchRules& managed);

// Why the watcher may not apply the rule's profile: under AllowUserConfigurations=0 the user's own
// configuration, found first in Root, is not applied (OnlyManagedConfigurations). Nothing when it
// may, or when Root lacks the profile and the organisation's is applied.
std::optional<std::string> PolicyRefusal(const TConfigurations& root, const TSwitchRule& rule);

// "Managed by your organisation".
inline constexpr const char* ManagedMark = "Managed by your organisation";

} // namespace prolamo
