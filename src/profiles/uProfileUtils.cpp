#include "uProfileUtils.h"

#include "framework/Exceptions.h"
#include "os/NetworkLocation.h"

#include <algorithm>

namespace prolamo {

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
                                         TCheckResultList& results) {
    const bool needed = std::any_of(list.begin(), list.end(), [&profile](const TSetting* setting) {
        return setting->ChangesNameResolution() && profile.FindValue(*setting) != nullptr;
    });
    if (!needed)
        return;
    if (const os::ErrorCode e = os::NetworkLocation().FlushResolverCache(); e != os::ErrorSuccess)
        results.AddWarning(ResolverCacheCaption, EOSError(e).what());
}

void TProfileApplier::Apply(TConfigurationProfile& profile, TSettingsList& list) {
    if (!confirmation_.Confirm(ApplyQuestion))
        return;
    TSettings::SortForApply(list);
    TCheckResultList results;
    try {
        sender_->Start(static_cast<int>(list.Count()));
        for (TSetting* setting : list) {
            sender_->SetStatus("Applying " + setting->GetCaption() + "...");
            try {
                profile.ApplySetting(*setting, results);
            } catch (const std::exception& e) {
                results.AddError(setting->GetCaption(), e.what());
            }
            sender_->Step();
        }
        FlushResolverCache(profile, list, results);
    } catch (...) {
        sender_->Finish(results);
        throw;
    }
    sender_->Finish(results);
}

} // namespace prolamo
