#pragma once
// The user's mapped network drives, through the script host's network object.

#include "framework/Exceptions.h"
#include "framework/Strings.h"
#include "os/NetworkDrives.h"
#include "uProfileSettings.h"

#include <functional>
#include <memory>

namespace prolamo {

// A failed call of a COM object: its status code and the description of its error information,
// without the trailing line break and period.
class EOleException : public Exception {
public:
    EOleException(os::HResult code, const os::ErrorInfo& info);
    os::HResult ErrorCode() const { return errorCode_; }
    const std::u16string& Source() const { return source_; }

private:
    os::HResult errorCode_;
    std::u16string source_;
};

// Creates the network object; raises when it cannot be created.
class CoWshNetwork {
public:
    static std::unique_ptr<os::IWshNetwork> Create();
};

class TNetDriveSettingValue : public TSettingValue {
    PROLAMO_CLASS()

public:
    TNetDriveSettingValue() : drives_(true) {}

    // "H:=\\server\share" lines, sorted without regard to case, each once.
    TWideStrings& Drives() { return drives_; }
    const TWideStrings& Drives() const { return drives_; }

    void Assign(const TPersistent& source) override;
    // Every line followed by CR LF.
    std::string GetHint() const override;

private:
    TWideStrings drives_;
};

class TNetDriveSetting : public TSetting {
    PROLAMO_SETTING_CLASS()

public:
    std::unique_ptr<TSettingValue> CaptureValue() override;
    // Removes every mapping there is, then maps the value's drives; a drive that cannot be removed
    // is a warning line, one that cannot be mapped an error line, and it gets its previous mapping
    // back.
    void ApplyValue(const TSettingValue& value, TCheckResultList& results) override;
    // Shares are reached through the network the TCP/IP setting sets up.
    bool DependsOn(const TSetting& setting) const override;

    // How a retried mapping waits; a front end or a test may replace the real sleep.
    using TWait = std::function<void(std::uint32_t milliseconds)>;
    static void SetRetryWait(TWait wait);

private:
    // Maps Local again to what Removed held for it, once.
    void RestoreDrive(os::IWshNetwork& network, TWideStrings& removed, const std::u16string& local,
                      TCheckResultList& results) const;
};

} // namespace prolamo
