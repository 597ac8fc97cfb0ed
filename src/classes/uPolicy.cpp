#include "uPolicy.h"

#include "classes/uRegistry.h"
#include "framework/AsciiText.h"
#include "framework/Exceptions.h"
#include "os/Errors.h"
#include "os/PolicyChanges.h"

#include <algorithm>
#include <iterator>

namespace prolamo {

namespace {

constexpr TPolicyInfo kPolicies[] = {
    {PolicyServiceEnabled, TPolicyType::Number, TPolicyScope::Machine, 1,
     "0: the switching service refuses every request. 1 or not configured: it serves the requests its other "
     "policies allow."},
    {PolicyServiceKinds, TPolicyType::Text, TPolicyScope::Machine, std::nullopt,
     "The kinds of settings the switching service applies for users who are not administrators, separated by "
     "commas: TcpIp, Connections, ResolverCache, HostsFile, MachineEnvironment. Not configured: TCP/IP settings, "
     "network connections and the resolver cache."},
    {PolicyManagedConfigurations, TPolicyType::Text, TPolicyScope::MachineAndUser, std::nullopt,
     "The path (local or \\\\server\\share\\...) of a file in Prolamo's export format. Its configurations appear in "
     "every user's lists, marked as managed; users apply them but cannot change them."},
    {PolicyManagedRules, TPolicyType::Text, TPolicyScope::MachineAndUser, std::nullopt,
     "The path (local or \\\\server\\share\\...) of a rules file. Its rules come before the user's own and cannot "
     "be changed by the user."},
    {PolicyAllowUserConfigurations, TPolicyType::Number, TPolicyScope::MachineAndUser, 1,
     "0: users apply only managed configurations and cannot create, edit or delete their own. 1 or not "
     "configured: they can."},
    {PolicyAutomaticSwitching, TPolicyType::Number, TPolicyScope::MachineAndUser, std::nullopt,
     "0: configurations are never switched automatically. 1: automatic switching is on. Not configured: the "
     "user's choice."},
};

struct TLayer {
    os::HKey root;
    const char* key;
    TPolicySource source;
};

constexpr TLayer kLayers[] = {
    {os::HKeyLocalMachine, PolicyKey, TPolicySource::MachinePolicy},
    {os::HKeyCurrentUser, PolicyKey, TPolicySource::UserPolicy},
    {os::HKeyLocalMachine, PreferenceKey, TPolicySource::InstallerPreference},
};

// The layer's value, or nothing when the key, the value or a value of the policy's type is not there.
std::optional<TPolicyValue> ReadLayer(const TLayer& layer, const TPolicyInfo& policy) {
    TRegistry registry(os::KeyQueryValue);
    registry.SetRootKey(layer.root);
    if (!registry.OpenKey(layer.key, false)) {
        if (registry.LastError() == os::ErrorFileNotFound)
            return std::nullopt;
        throw EOSError(registry.LastError());
    }
    const TRegDataType type = registry.GetDataType(policy.name);
    TPolicyValue value;
    value.source = layer.source;
    if (policy.type == TPolicyType::Number && type == TRegDataType::Integer)
        value.number = registry.ReadInteger(policy.name);
    else if (policy.type == TPolicyType::Text && (type == TRegDataType::String || type == TRegDataType::ExpandString))
        value.text = registry.ReadString(policy.name);
    // An empty text is what the installer writes for a property not given.
    if (!value.IsSet() || value.text == "")
        return std::nullopt;
    return value;
}

} // namespace

std::span<const TPolicyInfo> Policies() {
    return kPolicies;
}

const TPolicyInfo* FindPolicy(std::string_view name) {
    const auto* found = std::find_if(std::begin(kPolicies), std::end(kPolicies),
                                     [name](const TPolicyInfo& p) { return SameText(p.name, name); });
    return found == std::end(kPolicies) ? nullptr : found;
}

const char* PolicySourceText(TPolicySource source) {
    switch (source) {
    case TPolicySource::MachinePolicy:
        return "machine policy";
    case TPolicySource::UserPolicy:
        return "user policy";
    case TPolicySource::InstallerPreference:
        return "installer preference";
    case TPolicySource::Default:
        break;
    }
    return "default";
}

TPolicyValue ReadPolicy(const TPolicyInfo& policy) {
    for (const TLayer& layer : kLayers)
        if (policy.scope == TPolicyScope::MachineAndUser || layer.source != TPolicySource::UserPolicy)
            if (std::optional<TPolicyValue> value = ReadLayer(layer, policy))
                return *value;
    TPolicyValue value;
    value.number = policy.defaultNumber;
    return value;
}

TPolicyValue ReadPolicy(std::string_view name) {
    const TPolicyInfo* policy = FindPolicy(name);
    if (policy == nullptr)
        throw Exception("Prolamo has no policy \"" + std::string(name) + "\"");
    return ReadPolicy(*policy);
}

TPolicyValue TPolicyCache::Read(std::string_view name) {
    // Counted before the read, so that a change while reading is read again next time.
    if (const std::uint64_t changes = os::PolicyChangeCount(); changes != changes_) {
        values_.clear();
        changes_ = changes;
    }
    auto found = values_.find(name);
    if (found == values_.end())
        found = values_.emplace(std::string(name), ReadPolicy(name)).first;
    return found->second;
}

std::string PolicyValueText(const TPolicyValue& value) {
    if (value.number)
        return std::to_string(*value.number);
    if (value.text)
        return *value.text;
    return "(not set)";
}

} // namespace prolamo
