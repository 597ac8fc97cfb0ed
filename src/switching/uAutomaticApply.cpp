#include "uAutomaticApply.h"

namespace prolamo {

namespace {

class TAnsweredYes final : public IConfirmation {
public:
    bool Confirm(const std::string&) override { return true; }
};

} // namespace

void ApplyAutomatically(TConfigurationProfile& profile, std::unique_ptr<TProgressSender> sender) {
    TAnsweredYes yes;
    TProfileApplier applier(std::move(sender), yes);
    applier.ApplyProfile(profile);
}

} // namespace prolamo
