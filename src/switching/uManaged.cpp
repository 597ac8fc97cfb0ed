#include "uManaged.h"

#include "classes/uPolicy.h"
#include "framework/Exceptions.h"
#include "framework/StreamText.h"
#include "os/Files.h"
#include "profiles/uConfigTransfer.h"
#include "uSwitchRules.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace prolamo {

namespace {

// The file's bytes, up to the import's limit; raises with the reason it cannot be read.
void ReadBytes(const std::string& path, std::vector<std::uint8_t>* content) {
    if (const os::ErrorCode e = os::Files().ReadWholeFile(path, content, MaxTextSize); e != os::ErrorSuccess)
        throw EOSError(e);
}

// The file's configurations; raises with the reason it cannot be read or is damaged.
std::unique_ptr<TConfigurations> ReadManaged(const std::string& path, std::vector<std::uint8_t>* content) {
    ReadBytes(path, content);
    std::unique_ptr<TConfigurations> read =
        ReadExport(std::string_view(reinterpret_cast<const char*>(content->data()), content->size()));
    if (read->Configurations().Count() == 0)
        throw EFilerError(Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "it holds no configuration")));
    return read;
}

// What the file the policy Name names holds, read by Read, which becomes the kept copy; the kept
// copy when the file cannot be read or Read refuses it. What names the kind in the warning.
template <class Content, class Reader>
std::string LoadManagedFile(const char* name, const char* what, const std::string& keptCopy, Reader read,
                            Content* loaded) {
    const TPolicyValue policy = ReadPolicy(name);
    if (!policy.text)
        return {};
    std::vector<std::uint8_t> content;
    std::string reason;
    try {
        *loaded = read(*policy.text, &content);
        // A copy that cannot be kept costs only the next time away from the share.
        os::Files().WriteFileReplacing(keptCopy, content);
        return {};
    } catch (const std::exception& e) {
        // One line: the system's messages come in two.
        reason = e.what();
        std::replace(reason.begin(), reason.end(), '\n', ' ');
    }
    const std::string prefix =
        std::string("The managed ") + what + " of " + *policy.text + " cannot be read (" + reason;
    try {
        *loaded = read(keptCopy, &content);
        return prefix + "); the last copy read is used.";
    } catch (const std::exception&) {
        return prefix + "), and no copy of them is kept.";
    }
}

} // namespace

TConfigurationPlace::TConfigurationPlace(const TConfiguration& configuration)
    : name_(configuration.Name()),
      organisations_(GetConfigurationsRoot().Configurations().Find(name_) != &configuration) {}

TConfiguration* TConfigurationPlace::Find(TConfigurations* managed) const {
    TConfigurations* list = organisations_ ? managed : &GetConfigurationsRoot();
    return list ? list->Configurations().Find(name_) : nullptr;
}

std::string ManagedCopyPath() {
    return BesideDataFile(".managed.txt");
}

std::string ManagedRulesCopyPath() {
    return BesideDataFile(".managed.rules");
}

TManagedConfigurations LoadManagedConfigurations(const std::string& keptCopy) {
    TManagedConfigurations managed;
    managed.warning =
        LoadManagedFile(PolicyManagedConfigurations, "configurations", keptCopy, ReadManaged, &managed.configurations);
    return managed;
}

TManagedRules LoadManagedRules(const std::string& keptCopy) {
    TManagedRules managed;
    const auto read = [](const std::string& path, std::vector<std::uint8_t>* content) {
        ReadBytes(path, content);
        TSwitchRules rules =
            ParseRules(std::string_view(reinterpret_cast<const char*>(content->data()), content->size()));
        for (TSwitchRule& rule : rules.rules)
            rule.managed = true;
        return rules;
    };
    managed.warning = LoadManagedFile(PolicyManagedRules, "rules", keptCopy, read, &managed.rules);
    return managed;
}

std::optional<std::string> PolicyRefusal(const TConfigurations& root, const TSwitchRule& rule) {
    if (!FindRuleProfile(root, rule).profile || ReadPolicy(PolicyAllowUserConfigurations).number != 0)
        return std::nullopt;
    return OnlyManagedConfigurations;
}

TSwitchRules RulesInForce(const TSwitchRules& own, const TSwitchRules& managed) {
    TSwitchRules rules;
    rules.rules = managed.rules;
    rules.rules.insert(rules.rules.end(), own.rules.begin(), own.rules.end());
    return rules;
}

} // namespace prolamo
