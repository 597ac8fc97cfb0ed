#include "uServicePolicy.h"

#include "framework/AsciiText.h"
#include "framework/Exceptions.h"

#include <algorithm>

namespace prolamo::service {

TServicePolicy TRegistryPolicyReader::Read() {
    TServicePolicy policy;
    if (const TPolicyValue enabled = ReadPolicy(PolicyServiceEnabled); enabled.number)
        policy.enabled = *enabled.number != 0;
    if (const TPolicyValue kinds = ReadPolicy(PolicyServiceKinds); kinds.text)
        policy.userKinds = ParseServiceKinds(*kinds.text);
    return policy;
}

std::uint32_t ParseServiceKinds(std::string_view text) {
    std::uint32_t kinds = 0;
    constexpr std::string_view separators = " \t,;";
    while (!text.empty()) {
        const std::size_t end = std::min(text.find_first_of(separators), text.size());
        if (const std::string_view word = text.substr(0, end); !word.empty()) {
            const auto* found = std::find_if(std::begin(ServiceKinds), std::end(ServiceKinds),
                                             [word](TServiceKind k) { return SameText(ServiceKindName(k), word); });
            if (found == std::end(ServiceKinds))
                throw Exception("The policy ServiceKinds names \"" + std::string(word) +
                                "\", which is no kind the switching service applies");
            kinds |= *found;
        }
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return kinds;
}

std::uint32_t AllowedKinds(const TServicePolicy& policy, bool administrator) {
    if (!policy.enabled)
        return 0;
    return administrator ? AllServiceKinds : policy.userKinds.value_or(DefaultUserKinds);
}

std::string KindRefusedText(TServiceKind kind) {
    return "The switching service may not apply " + ServiceKindText(kind) + " for you (policy " + PolicyServiceKinds +
           ")";
}

} // namespace prolamo::service
