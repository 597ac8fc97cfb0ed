#include "uSnapshotStep.h"

#include <cstdlib>

namespace prolamo::cli {

namespace {

// Ends the process at once, as a kill would, right after the snapshot of an apply is saved and
// before anything is written: the test that the snapshot survives sets it.
constexpr const char* StopAfterSnapshot = "PROLAMO_CLI_STOP_AFTER_SNAPSHOT";
constexpr int ExitKilled = 137;

} // namespace

void TSnapshotStep::BeforeApply(const TConfigurationProfile& profile, const TSettingsList& settings) {
    try {
        snapshotter_.BeforeApply(profile, settings);
    } catch (const std::exception& e) {
        throw Exception("the state before the apply cannot be kept in " + historyFile_ + ": " + e.what() +
                        "\nNothing was applied.");
    }
    if (std::getenv(StopAfterSnapshot))
        std::_Exit(ExitKilled);
}

} // namespace prolamo::cli
