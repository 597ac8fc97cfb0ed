#pragma once

#include "profiles/uProfileHistory.h"
#include "profiles/uProfileUtils.h"

#include <memory>

namespace prolamo {

// Applies the profile a rule chose, without the apply question (a rule that asks has asked
// already), after keeping the machine's state before it in the history, so that the apply can be
// undone. A snapshot that cannot be saved raises before anything is written. Every apply the
// watcher makes goes through here, in every front end; the caller holds the data file's lock.
TApplyReport ApplyAutomatically(TProfileHistory& history, TConfiguration& configuration, TConfigurationProfile& profile,
                                std::unique_ptr<TProgressSender> sender);

// Whether the machine no longer holds Profile: an apply would change one of its settings. A
// setting whose state cannot be read does not count; an apply would not mend it either.
bool MovedAwayFrom(const TConfigurationProfile& profile);

} // namespace prolamo
