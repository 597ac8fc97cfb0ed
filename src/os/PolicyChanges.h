#pragma once
// Whether the organisation's policies may have changed: the group policy change notifications of
// the machine and the user (RegisterGPNotification) and a change under the policy and preference
// keys (RegNotifyChangeKeyValue), which an administrator's or an MDM service's direct write makes.

#include <cstdint>

namespace prolamo::os {

// A number that changes whenever a policy may have changed; a reader compares it with the one it
// saw last and reads the policies again only then. Its value means nothing else. Cheap enough
// for every idle moment of a window. When the system cannot tell, it changes at every call.
std::uint64_t PolicyChangeCount();

} // namespace prolamo::os
