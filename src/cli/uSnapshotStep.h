#pragma once
// The snapshot of an apply, saved before its first write; a snapshot that cannot be saved ends
// the run with nothing written.

#include "profiles/uProfileHistory.h"

#include <string>

namespace prolamo::cli {

class TSnapshotStep final : public IApplyGuard {
public:
    TSnapshotStep(TApplySnapshotter& snapshotter, const std::string& historyFile)
        : snapshotter_(snapshotter), historyFile_(historyFile) {}

    void BeforeApply(const TConfigurationProfile& profile, const TSettingsList& settings) override;

private:
    TApplySnapshotter& snapshotter_;
    const std::string& historyFile_;
};

} // namespace prolamo::cli
