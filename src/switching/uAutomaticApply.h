#pragma once

#include "profiles/uProfileUtils.h"

#include <memory>

namespace prolamo {

// Applies the profile a rule chose, without the apply question (a rule that asks has asked
// already). Every apply the watcher makes goes through here, in every front end.
void ApplyAutomatically(TConfigurationProfile& profile, std::unique_ptr<TProgressSender> sender);

} // namespace prolamo
