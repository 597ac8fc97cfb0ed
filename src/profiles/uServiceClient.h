#pragma once
// The programs' side of the switching service: what a process without administrative rights
// hands to the service instead of writing it, and the apply of those settings through it.

#include "os/Security.h"
#include "uProfileUtils.h"
#include "uServiceProtocol.h"

#include <span>
#include <string>
#include <vector>

namespace prolamo {

inline constexpr const char* ServiceCaption = "Switching service";
// What would make an apply work that needs rights this process lacks.
inline constexpr const char* ServiceNotRunning =
    "This needs administrator rights, and the switching service does not run: an administrator can start "
    "the Prolamo switching service, or apply as an administrator";

// The settings of List (in its order) that Profile holds a value for and this process, with
// Rights, cannot write itself but the switching service could.
std::vector<TSetting*> SettingsForService(os::ProcessRights rights, const TConfigurationProfile& profile,
                                          const TSettingsList& list);

// Applies Settings with Profile's values through the switching service, reporting its progress to
// Sender (one step per setting) and its result lines to Results. Without a service every setting
// gets ServiceNotRunning; a service that refuses the request gives one line that says why.
void ApplyThroughService(const TConfigurationProfile& profile, std::span<TSetting* const> settings,
                         TProgressSender& sender, TCheckResultList& results);

// Which case holds for this process's applies, as the main window's marker tells it.
enum class TRightsCase { Administrator, FilteredAdministrator, UserWithService, UserWithoutService };
// The process's rights and whether the switching service answers.
TRightsCase CurrentRightsCase();
// The case in words, and what it means for an apply.
std::string RightsCaseText(TRightsCase rightsCase);

} // namespace prolamo
