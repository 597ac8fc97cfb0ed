#include "uProfileUtils.h"

#include "framework/Exceptions.h"
#include "os/NetworkLocation.h"
#include "uServiceClient.h"

#include <algorithm>

namespace prolamo {

std::string SettingsText(int count) {
    return CountedText(count, PROLAMO_TRANSLATE_NOOP("Engine", "%1 setting"),
                       PROLAMO_TRANSLATE_NOOP("Engine", "%1 settings"));
}

std::string TApplyReport::Summary() const {
    if (settings == 0 && errors == 0 && warnings == 0)
        return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "%1: nothing is captured in this profile yet"),
                          {title});
    std::string text = title + ": " + SettingsText(settings) + ", " +
                       (errors == 0 ? Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "no errors"))
                                    : CountedText(errors, PROLAMO_TRANSLATE_NOOP("Engine", "%1 error"),
                                                  PROLAMO_TRANSLATE_NOOP("Engine", "%1 errors")));
    if (warnings > 0)
        text += ", " + CountedText(warnings, PROLAMO_TRANSLATE_NOOP("Engine", "%1 warning"),
                                   PROLAMO_TRANSLATE_NOOP("Engine", "%1 warnings"));
    return text;
}

std::string ApplyQuestionFor(const TConfigurationProfile& profile, const TSettingsList& list) {
    std::string files, programs;
    for (const TSetting* setting : list) {
        if (!profile.FindValue(*setting))
            continue;
        if (!setting->GetChosenPath().empty())
            files += "\n  " + QuestionLine(setting->GetFullDisplayText());
        if (const std::optional<std::string> commandLine = setting->CommandLineToRun())
            programs += "\n  " + QuestionLine(*commandLine);
    }
    std::string question = Translated("Engine", ApplyQuestion);
    if (!files.empty())
        question +=
            "\n\n" + Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Files it writes or deletes:")) + files;
    if (!programs.empty())
        question += "\n\n" + Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Programs it runs:")) + programs;
    return question;
}

TProfileApplier::TProfileApplier(std::unique_ptr<TProgressSender> sender, IConfirmation& confirmation)
    : sender_(std::move(sender)), confirmation_(confirmation) {}

void TProfileApplier::ApplyProfile(TConfigurationProfile& profile) {
    if (profile.Settings())
        Apply(profile, *profile.Settings());
}

void TProfileApplier::ApplyValues(TConfigurationProfile& profile, std::span<TSetting* const> settings) {
    TSettingsList list(false);
    for (TSetting* setting : settings)
        list.AddReference(*setting);
    Apply(profile, list);
}

void TProfileApplier::FlushResolverCache(const TConfigurationProfile& profile, const TSettingsList& list,
                                         const std::vector<TSetting*>& byService, TCheckResultList& results) {
    const bool needed = std::any_of(list.begin(), list.end(), [&](const TSetting* setting) {
        return setting->ChangesNameResolution() && profile.FindValue(*setting) != nullptr &&
               std::find(byService.begin(), byService.end(), setting) == byService.end();
    });
    if (!needed)
        return;
    if (const os::ErrorCode e = os::NetworkLocation().FlushResolverCache(); e != os::ErrorSuccess)
        results.AddWarning(Translated("Engine", ResolverCacheCaption), EOSError(e).what());
}

void TProfileApplier::Apply(TConfigurationProfile& profile, TSettingsList& list) {
    report_ = TApplyReport{};
    report_.title = title_.empty()
                        ? Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Applied %1"), {profile.Name()})
                        : title_;
    if (!confirmation_.Confirm(ApplyQuestionFor(profile, list)))
        return;
    report_.confirmed = true;
    TSettings::SortForApply(list);
    if (guard_)
        guard_->BeforeApply(profile, list);
    TCheckResultList results;
    const auto finish = [&] {
        for (const TCheckResult& result : results)
            ++(result.ResultType() == TCheckResultType::Error ? report_.errors : report_.warnings);
        sender_->SetSummary(report_.Summary());
        sender_->Finish(results);
    };
    try {
        // What this process may not write goes to the switching service, which flushes after it.
        os::ProcessRights rights = os::ProcessRights::StandardUser;
        os::Security().ReadProcessRights(&rights);
        const std::vector<TSetting*> byService = SettingsForService(rights, profile, list);
        sender_->Start(static_cast<int>(list.Count()));
        for (TSetting* setting : list) {
            if (std::find(byService.begin(), byService.end(), setting) != byService.end()) {
                if (setting == byService.front())
                    ApplyThroughService(profile, byService, rights, offerElevation_ ? &confirmation_ : nullptr,
                                        *sender_, results);
                ++report_.settings;
                continue;
            }
            const std::string text = setting->GetDisplayText();
            sender_->SetStatus(Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Applying %1..."), {text}));
            if (profile.FindValue(*setting))
                ++report_.settings;
            try {
                profile.ApplySetting(*setting, results);
            } catch (const std::exception& e) {
                results.AddError(text, AdvisedMessage(e));
            }
            sender_->Step();
        }
        FlushResolverCache(profile, list, byService, results);
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

} // namespace prolamo
