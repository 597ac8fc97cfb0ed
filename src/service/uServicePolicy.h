#pragma once
// Who may have the switching service apply what: the kinds it applies, and the policies
// ServiceEnabled and ServiceKinds that narrow or widen them.

#include "classes/uPolicy.h"
#include "profiles/uServiceProtocol.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace prolamo::service {

// The service's policies by the names the service's code has always used.
using prolamo::PolicyServiceEnabled;
using prolamo::PolicyServiceKinds;

struct TServicePolicy {
    bool enabled = true;
    // The kinds for users who are not administrators; nothing: DefaultUserKinds.
    std::optional<std::uint32_t> userKinds;
};

// Where the policy comes from; the policy reader's registry keys outside the tests.
class IServicePolicyReader {
public:
    virtual ~IServicePolicyReader() = default;
    // Raises when a value is there but cannot be read.
    virtual TServicePolicy Read() = 0;
};

// ServiceEnabled (DWORD, 0 switches the service off) and ServiceKinds (text: the kinds' names,
// separated by commas, semicolons or blanks), as ReadPolicy finds them.
class TRegistryPolicyReader final : public IServicePolicyReader {
public:
    TServicePolicy Read() override;
};

// The kinds named in a ServiceKinds text (ServiceKindName's names, without regard to case);
// raises for a name it does not know.
std::uint32_t ParseServiceKinds(std::string_view text);
// The kinds the service applies for a caller.
std::uint32_t AllowedKinds(const TServicePolicy& policy, bool administrator);
// The "Engine" text of a line telling that the policy keeps Kind from the caller: its %1 is what was
// refused (a setting), its %2 the policy's name.
const char* KindRefusedLine(TServiceKind kind);

} // namespace prolamo::service
