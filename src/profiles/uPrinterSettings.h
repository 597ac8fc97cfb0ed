#pragma once
// The user's printers (local ones and connections to shared ones) and which one is the default.

#include "framework/Collection.h"
#include "os/PrintSpooler.h"
#include "uProfileSettings.h"

#include <string>

namespace prolamo {

class TPrinterInfo : public TCollectionItem {
    PROLAMO_CLASS()

public:
    TPrinterInfo() = default;
    // An item from one record of the spooler.
    TPrinterInfo(const os::PrinterInfo2& info, bool isDefault);

    std::u16string PrinterName() const { return printerName_; }
    void SetPrinterName(const std::u16string& name) { printerName_ = name; }
    bool IsDefault() const { return isDefault_; }
    void SetIsDefault(bool isDefault) { isDefault_ = isDefault; }

    void Assign(const TPersistent& source) override;

private:
    std::u16string printerName_;
    bool isDefault_ = false;
};

class TPrinterInfoCollection : public TTypedCollection<TPrinterInfo> {
public:
    // Exactly this name, letter case included.
    bool Contains(const std::u16string& printerName) const;
};

class TPrinterSettingValue : public TSettingValue {
    PROLAMO_CLASS()

public:
    // The machine's printers now, the default first, the others by name in code-unit order. A
    // machine without a default printer gives a value with none marked.
    static std::unique_ptr<TPrinterSettingValue> CreateCurrent();

    TPrinterInfoCollection& Printers() { return printers_; }
    const TPrinterInfoCollection& Printers() const { return printers_; }

    void Assign(const TPersistent& source) override;
    // The printer names, one per line.
    std::string GetHint() const override;

private:
    TPrinterInfoCollection printers_;
};

class TPrinterSetting : public TSetting {
    PROLAMO_SETTING_CLASS()

public:
    std::unique_ptr<TSettingValue> CaptureValue() override;
    // Deletes the printers the value lacks, then connects the ones the machine lacks; a failure
    // on one printer is a warning line.
    void ApplyValue(const TSettingValue& value, TCheckResultList& results) override;
    // Printers are reached through the network the TCP/IP setting sets up.
    bool DependsOn(const TSetting& setting) const override;

private:
    void InstallPrinter(const std::u16string& printerName, bool isDefault, TCheckResultList& results) const;
    void RemovePrinter(const std::u16string& printerName, TCheckResultList& results) const;
};

} // namespace prolamo
