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

inline constexpr const char* ServiceCaption = PROLAMO_TRANSLATE_NOOP("Engine", "Switching service");
// What would make an apply work that needs rights this process lacks.
inline constexpr const char* ServiceNotRunning = PROLAMO_TRANSLATE_NOOP(
    "Engine", "This needs administrator rights, and the switching service does not run: an administrator can start "
              "the Prolamo switching service, or apply as an administrator");

// The settings of List (in its order) that Profile holds a value for and this process, with
// Rights, cannot write itself but the switching service could.
std::vector<TSetting*> SettingsForService(os::ProcessRights rights, const TConfigurationProfile& profile,
                                          const TSettingsList& list);

// What an administrator without elevation is offered, once per apply, when the service cannot
// take the settings; and the line of each setting when the answer is no.
inline constexpr const char* ElevationQuestion = PROLAMO_TRANSLATE_NOOP("Engine", "Apply with administrator rights");
inline constexpr const char* ElevationDeclined = PROLAMO_TRANSLATE_NOOP(
    "Engine", "This needs administrator rights, and it was not applied with them; the switching service does not run");
// The question for Settings: ElevationQuestion and the settings it is about.
std::string ElevationQuestionFor(std::span<TSetting* const> settings);
// The command of prolamo-cli that the elevated process runs: REQUEST-FILE RESULT-FILE.
inline constexpr const char* ElevatedApplyCommand = "elevated-apply";

// Applies Settings with Profile's values through the switching service, reporting its progress to
// Sender (one step per setting) and its result lines to Results. Without a service, an
// administrator without elevation (Rights) is asked through Consent, when given, whether to apply
// them with administrator rights; every other caller gets ServiceNotRunning for each setting. A
// service that refuses the request gives one line that says why.
void ApplyThroughService(const TConfigurationProfile& profile, std::span<TSetting* const> settings,
                         os::ProcessRights rights, IConfirmation* consent, TProgressSender& sender,
                         TCheckResultList& results);

// Which case holds for this process's applies, as the main window's marker tells it.
enum class TRightsCase { Administrator, FilteredAdministrator, UserWithService, UserWithoutService };
// The process's rights and whether the switching service answers.
TRightsCase CurrentRightsCase();
// The case in a few words: "Standard user with the switching service".
std::string RightsCaseTitle(TRightsCase rightsCase);
// The case in words, and what it means for an apply.
std::string RightsCaseText(TRightsCase rightsCase);

} // namespace prolamo
