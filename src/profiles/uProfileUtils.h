#pragma once

#include "uProfileSettings.h"

#include <memory>
#include <span>
#include <string>

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
};

// Asks the user a yes/no question; the front end provides it (message box, terminal prompt).
class IConfirmation {
public:
    virtual bool Confirm(const std::string& question) = 0;

protected:
    ~IConfirmation() = default;
};

inline constexpr const char* ResolverCacheCaption = "Name resolver cache";
inline constexpr const char* ApplyQuestion = "Do you really want to apply profile these settings?";

// Applies a profile's values, dependent settings last, recording every problem and going on.
class TProfileApplier {
public:
    TProfileApplier(std::unique_ptr<TProgressSender> sender, IConfirmation& confirmation);

    // Every setting of the profile's configuration; that list keeps the apply order afterwards.
    void ApplyProfile(TConfigurationProfile& profile);
    // The chosen settings of the profile's configuration, in the given order.
    void ApplyValues(TConfigurationProfile& profile, std::span<TSetting* const> settings);
    void Apply(TConfigurationProfile& profile, TSettingsList& list);

    TProgressSender& Sender() { return *sender_; }

private:
    static void FlushResolverCache(const TConfigurationProfile& profile, const TSettingsList& list,
                                   TCheckResultList& results);

    std::unique_ptr<TProgressSender> sender_;
    IConfirmation& confirmation_;
};

} // namespace prolamo
