#pragma once

#include "uProfileSettings.h"

#include <memory>
#include <span>
#include <string>
#include <vector>

namespace prolamo {

// Where an apply run reports its progress; the front end's window or terminal.
class TProgressSender {
public:
    virtual ~TProgressSender() = default;
    virtual void Start(int count) = 0;
    virtual void SetStatus(const std::string& text) = 0;
    virtual void Step() = 0;
    // Results are freed when this returns; keep a copy of what is needed.
    virtual void Finish(const TCheckResultList& results) = 0;
    // The run's outcome in one line ("Applied Office: 4 settings, no errors"), told just before
    // Finish.
    virtual void SetSummary(const std::string& /*summary*/) {}
};

// Asks the user a yes/no question; the front end provides it (message box, terminal prompt).
class IConfirmation {
public:
    virtual bool Confirm(const std::string& question) = 0;

protected:
    ~IConfirmation() = default;
};

// Told once a run is confirmed and ordered, before anything is written. Raising ends the run
// before its first setting: nothing is written, the sink is not started.
class IApplyGuard {
public:
    virtual void BeforeApply(const TConfigurationProfile& profile, const TSettingsList& settings) = 0;

protected:
    ~IApplyGuard() = default;
};

inline constexpr const char* ResolverCacheCaption = PROLAMO_TRANSLATE_NOOP("Engine", "Name resolver cache");

// "1 setting", "3 settings", in the user's language.
std::string SettingsText(int count);

inline constexpr const char* ApplyQuestion =
    PROLAMO_TRANSLATE_NOOP("Engine", "Do you really want to apply profile these settings?");

// ApplyQuestion followed by the full path of every file the apply of List writes or deletes, and
// the command line of every program it runs.
std::string ApplyQuestionFor(const TConfigurationProfile& profile, const TSettingsList& list);

// What one run did.
struct TApplyReport {
    bool confirmed = false;
    std::string title; // "Applied Office"
    int settings = 0;  // settings whose value was applied, with or without problems
    int errors = 0;
    int warnings = 0;

    // "Applied Office: 4 settings, no errors", "Applied Office: 1 setting, 2 errors, 1 warning".
    std::string Summary() const;
};

// Applies a profile's values, dependent settings last, recording every problem and going on.
// Result and status lines name a setting as the lists show it ("File (notes.txt)").
class TProfileApplier {
public:
    TProfileApplier(std::unique_ptr<TProgressSender> sender, IConfirmation& confirmation);

    // Every setting of the profile's configuration; that list keeps the apply order afterwards.
    void ApplyProfile(TConfigurationProfile& profile);
    // The chosen settings of the profile's configuration, in the given order.
    void ApplyValues(TConfigurationProfile& profile, std::span<TSetting* const> settings);
    void Apply(TConfigurationProfile& profile, TSettingsList& list);

    // Called before the first write of every run (the history's snapshot); not owned.
    void SetGuard(IApplyGuard* guard) { guard_ = guard; }
    // Whether an administrator without elevation is offered to apply with administrator rights
    // what the switching service cannot take; automatic switching never asks.
    void SetOfferElevation(bool offer) { offerElevation_ = offer; }
    // Replaces "Applied <profile>" at the start of the summary.
    void SetTitle(std::string title) { title_ = std::move(title); }
    // The last run's outcome; not confirmed before any run.
    const TApplyReport& Report() const { return report_; }

    TProgressSender& Sender() { return *sender_; }

private:
    static void FlushResolverCache(const TConfigurationProfile& profile, const TSettingsList& list,
                                   const std::vector<TSetting*>& byService, TCheckResultList& results);

    std::unique_ptr<TProgressSender> sender_;
    IConfirmation& confirmation_;
    IApplyGuard* guard_ = nullptr;
    bool offerElevation_ = true;
    std::string title_;
    TApplyReport report_;
};

} // namespace prolamo
