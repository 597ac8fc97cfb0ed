#include "uAutomaticApply.h"

#include "profiles/uProfilePreview.h"

namespace prolamo {

namespace {

class TAnsweredYes final : public IConfirmation {
public:
    bool Confirm(const std::string&) override { return true; }
};

} // namespace

TApplyReport ApplyAutomatically(TProfileHistory& history, TConfiguration& configuration, TConfigurationProfile& profile,
                                std::unique_ptr<TProgressSender> sender) {
    TAnsweredYes yes;
    TApplySnapshotter snapshot(history, configuration);
    TProfileApplier applier(std::move(sender), yes);
    applier.SetGuard(&snapshot);
    applier.SetOfferElevation(false); // only the switching service, never a prompt of its own
    applier.ApplyProfile(profile);
    return applier.Report();
}

bool MovedAwayFrom(const TConfigurationProfile& profile) {
    return PreviewProfile(profile).Count(TChangeState::WillChange) > 0;
}

} // namespace prolamo
