#include "uPrinterSettings.h"

#include "classes/uHelpers.h"
#include "framework/Exceptions.h"
#include "os/Text.h"
#include "uNetworkSettings.h"

#include <cstddef>
#include <vector>

namespace prolamo {

namespace {

constexpr std::uint32_t kDefaultNameUnits = 1024;

// The default printer's name; empty when the machine has none, which is a state like any other.
std::u16string DefaultPrinterName() {
    char16_t name[kDefaultNameUnits];
    std::uint32_t size = kDefaultNameUnits;
    const os::ErrorCode e = os::PrintSpooler().GetDefaultPrinter(name, &size);
    if (e == os::ErrorFileNotFound)
        return {};
    if (e != os::ErrorSuccess)
        RaiseLastOSError(e);
    return std::u16string(name, size > 0 ? size - 1 : 0);
}

// The system's text, and what the user can do about the common errors.
std::string OSErrorMessage(os::ErrorCode code) {
    return AdvisedMessage(EOSError(code));
}

} // namespace

// ---- TPrinterInfo ----

const TClassInfo& TPrinterInfo::StaticClass() {
    return MakeClassInfo<TPrinterInfo, TCollectionItem>(
        "TPrinterInfo", {prop::WideString("PrinterName", &TPrinterInfo::PrinterName, &TPrinterInfo::SetPrinterName),
                         prop::Boolean("IsDefault", &TPrinterInfo::IsDefault, &TPrinterInfo::SetIsDefault)});
}

TPrinterInfo::TPrinterInfo(const os::PrinterInfo2& info, bool isDefault)
    : printerName_(info.pPrinterName != nullptr ? info.pPrinterName : u""), isDefault_(isDefault) {}

void TPrinterInfo::Assign(const TPersistent& source) {
    if (const auto* info = dynamic_cast<const TPrinterInfo*>(&source)) {
        printerName_ = info->printerName_;
        isDefault_ = info->isDefault_;
        return;
    }
    TCollectionItem::Assign(source);
}

bool TPrinterInfoCollection::Contains(const std::u16string& printerName) const {
    for (const TPrinterInfo& info : *this)
        if (info.PrinterName() == printerName)
            return true;
    return false;
}

// ---- TPrinterSettingValue ----

const TClassInfo& TPrinterSettingValue::StaticClass() {
    return MakeClassInfo<TPrinterSettingValue, TSettingValue>(
        "TPrinterSettingValue", {prop::Object("Printers", TTypeKind::Collection,
                                              static_cast<TPrinterInfoCollection& (TPrinterSettingValue::*)()>(
                                                  &TPrinterSettingValue::Printers))});
}

std::unique_ptr<TPrinterSettingValue> TPrinterSettingValue::CreateCurrent() {
    auto value = std::make_unique<TPrinterSettingValue>();
    const std::u16string defaultName = DefaultPrinterName();

    // The spooler tells the size the records need; another process may add a printer between the
    // two calls, so the size is asked again until the records fit.
    const std::uint32_t flags = os::PrinterEnumLocal | os::PrinterEnumConnections;
    std::vector<std::max_align_t> buffer;
    std::uint32_t needed = 0, returned = 0;
    os::ErrorCode e = os::PrintSpooler().EnumPrinters(flags, 2, nullptr, 0, &needed, &returned);
    while (e == os::ErrorInsufficientBuffer) {
        buffer.resize(needed / sizeof(std::max_align_t) + 1);
        e = os::PrintSpooler().EnumPrinters(flags, 2, reinterpret_cast<std::uint8_t*>(buffer.data()),
                                            static_cast<std::uint32_t>(buffer.size() * sizeof(std::max_align_t)),
                                            &needed, &returned);
    }
    if (e != os::ErrorSuccess)
        RaiseLastOSError(e);

    const auto* records = reinterpret_cast<const os::PrinterInfo2*>(buffer.data());
    for (std::uint32_t i = 0; i < returned; ++i) {
        const bool isDefault = records[i].pPrinterName != nullptr && records[i].pPrinterName == defaultName;
        value->printers_.Add(std::make_unique<TPrinterInfo>(records[i], isDefault));
    }
    SortCollection(&value->printers_, [](const TCollectionItem& a, const TCollectionItem& b) {
        const auto& x = static_cast<const TPrinterInfo&>(a);
        const auto& y = static_cast<const TPrinterInfo&>(b);
        if (x.IsDefault() != y.IsDefault())
            return x.IsDefault() ? -1 : 1;
        return x.PrinterName().compare(y.PrinterName());
    });
    return value;
}

void TPrinterSettingValue::Assign(const TPersistent& source) {
    TSettingValue::Assign(source);
    if (const auto* value = dynamic_cast<const TPrinterSettingValue*>(&source))
        printers_.Assign(value->printers_);
}

std::string TPrinterSettingValue::GetHint() const {
    std::u16string hint;
    for (const TPrinterInfo& info : printers_) {
        if (!hint.empty())
            hint += u"\r\n";
        hint += info.PrinterName();
    }
    return os::Utf16ToUtf8(hint);
}

// ---- TPrinterSetting ----

const TSettingClass& TPrinterSetting::StaticClass() {
    return MakeSettingClass<TPrinterSetting, TSetting>(
        "TPrinterSetting", {},
        {.caption = PROLAMO_TRANSLATE_NOOP("SettingKinds", "Printers"), .category = SystemCategory, .imageIndex = 8});
}

bool TPrinterSetting::DependsOn(const TSetting& setting) const {
    return setting.InheritsFrom(TTCPIPSetting::StaticClass()) || TSetting::DependsOn(setting);
}

std::unique_ptr<TSettingValue> TPrinterSetting::CaptureValue() {
    return TPrinterSettingValue::CreateCurrent();
}

void TPrinterSetting::ApplyValue(const TSettingValue& value, TCheckResultList& results) {
    const auto* printers = dynamic_cast<const TPrinterSettingValue*>(&value);
    if (printers == nullptr)
        throw EAssertionFailed("The printer setting was given another kind's value");
    const std::unique_ptr<TPrinterSettingValue> current = TPrinterSettingValue::CreateCurrent();
    for (const TPrinterInfo& info : current->Printers())
        if (!printers->Printers().Contains(info.PrinterName()))
            RemovePrinter(info.PrinterName(), results);
    // The default is set only for a printer connected here: one both lists hold is left alone.
    for (const TPrinterInfo& info : printers->Printers())
        if (!current->Printers().Contains(info.PrinterName()))
            InstallPrinter(info.PrinterName(), info.IsDefault(), results);
}

void TPrinterSetting::InstallPrinter(const std::u16string& printerName, bool isDefault,
                                     TCheckResultList& results) const {
    os::ErrorCode e = os::PrintSpooler().AddPrinterConnection(printerName);
    if (e == os::ErrorSuccess && isDefault)
        e = os::PrintSpooler().SetDefaultPrinter(printerName);
    if (e != os::ErrorSuccess)
        AddWarning(results, Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Error installing printer %1: %2"),
                                       {os::Utf16ToUtf8(printerName), OSErrorMessage(e)}));
}

// A printer that cannot be opened ends the whole apply; one that cannot be deleted is a warning.
void TPrinterSetting::RemovePrinter(const std::u16string& printerName, TCheckResultList& results) const {
    os::HPrinter printer = 0;
    if (const os::ErrorCode e = os::PrintSpooler().OpenPrinter(printerName, &printer); e != os::ErrorSuccess)
        RaiseLastOSError(e);
    if (const os::ErrorCode e = os::PrintSpooler().DeletePrinter(printer); e != os::ErrorSuccess)
        AddWarning(results, Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Error deleting printer %1: %2"),
                                       {os::Utf16ToUtf8(printerName), OSErrorMessage(e)}));
    os::PrintSpooler().ClosePrinter(printer);
}

} // namespace prolamo
