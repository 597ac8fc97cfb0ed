#include "support/SimulatedMachine.h"
#include "support/StreamChecks.h"
#include "support/TestKinds.h"

#include "framework/Exceptions.h"
#include "os/Text.h"
#include "os/simulated/SimPrinting.h"
#include "profiles/uNetDriveSettings.h"
#include "profiles/uNetworkSettings.h"
#include "profiles/uPrinterSettings.h"
#include "profiles/uTimeSettings.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace prolamo;
using namespace prolamo::test;

namespace {

const std::u16string kLaser = u"\\\\PRINTSRV\\Office-Laser";
const std::u16string kColor = u"\\\\PRINTSRV\\Office-Color";
const std::u16string kCopier = u"\\\\PRINTSRV\\Floor2-Copier";
const std::u16string kPdf = u"Microsoft Print to PDF";

template <class V, class S> std::unique_ptr<V> Capture(S& setting) {
    std::unique_ptr<TSettingValue> value = setting.CreateValue();
    return std::unique_ptr<V>(static_cast<V*>(value.release()));
}

std::vector<std::string> Lines(const TCheckResultList& results) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < results.Count(); ++i)
        lines.push_back((results[i].ResultType() == TCheckResultType::Error ? "error: " : "warning: ") +
                        results[i].Text());
    return lines;
}

std::string OSMessage(os::ErrorCode code) {
    return EOSError(code).Message();
}

// ---- Printers ----

class PrinterSettingTest : public SimulatedMachineTest {
protected:
    void SetUp() override { RegisterTestKinds(); }

    // Names in the value's order, the default marked with "*".
    static std::vector<std::u16string> Listed(const TPrinterSettingValue& value) {
        std::vector<std::u16string> names;
        for (const TPrinterInfo& info : value.Printers())
            names.push_back((info.IsDefault() ? u"*" : u"") + info.PrinterName());
        return names;
    }
    std::vector<std::u16string> OnMachine() { return Listed(*TPrinterSettingValue::CreateCurrent()); }
    static void Add(TPrinterSettingValue& value, const std::u16string& name, bool isDefault = false) {
        auto info = std::make_unique<TPrinterInfo>();
        info->SetPrinterName(name);
        info->SetIsDefault(isDefault);
        value.Printers().Add(std::move(info));
    }
    void Delete(const std::u16string& name) {
        os::HPrinter printer = 0;
        ASSERT_EQ(os::PrintSpooler().OpenPrinter(name, &printer), os::ErrorSuccess);
        ASSERT_EQ(os::PrintSpooler().DeletePrinter(printer), os::ErrorSuccess);
        os::PrintSpooler().ClosePrinter(printer);
    }

    TPrinterSetting setting;
    TCheckResultList results;
};

TEST_F(PrinterSettingTest, DescribesItself) {
    const TSettingClass& printers = TPrinterSetting::StaticClass();
    EXPECT_EQ(printers.GetCaption(), "Printers");
    EXPECT_EQ(printers.GetDescription(), "Printers");
    EXPECT_EQ(printers.GetCategory(), "System");
    EXPECT_EQ(printers.GetImageIndex(), 8);
    EXPECT_EQ(printers.GetEditorClass(), nullptr);
    EXPECT_EQ(setting.GetDisplayText(), "Printers");
    const TSettingClass& drives = TNetDriveSetting::StaticClass();
    EXPECT_EQ(drives.GetCaption(), "Network drives");
    EXPECT_EQ(drives.GetDescription(), "Network drives");
    EXPECT_EQ(drives.GetCategory(), "Network");
    EXPECT_EQ(drives.GetImageIndex(), 9);
    EXPECT_EQ(drives.GetEditorClass(), nullptr);
}

TEST_F(PrinterSettingTest, PrintersAndDrivesAreAppliedAfterTheTCPIPSettingOnly) {
    TTCPIPSetting tcpip;
    TNetDriveSetting drives;
    TTimeZoneSetting zone;
    for (const TSetting* dependent : std::initializer_list<const TSetting*>{&setting, &drives}) {
        EXPECT_TRUE(dependent->DependsOn(tcpip)) << dependent->GetCaption();
        EXPECT_FALSE(tcpip.DependsOn(*dependent));
        EXPECT_FALSE(dependent->DependsOn(zone));
        EXPECT_FALSE(dependent->DependsOn(setting));
        EXPECT_FALSE(dependent->DependsOn(drives));
    }
    TSettingsList list(false);
    list.AddReference(setting);
    list.AddReference(drives);
    list.AddReference(tcpip);
    TSettings::SortForApply(list);
    EXPECT_EQ(&list[0], &tcpip);
}

TEST_F(PrinterSettingTest, CaptureListsTheDefaultFirstThenTheOthersInCodeUnitOrder) {
    auto value = Capture<TPrinterSettingValue>(setting);
    EXPECT_EQ(Listed(*value), (std::vector<std::u16string>{u"*" + kLaser, kPdf}));
    EXPECT_EQ(value->GetHint(), os::Utf16ToUtf8(kLaser + u"\r\n" + kPdf));
    EXPECT_EQ(value->CreatorId(), setting.Id());

    ASSERT_EQ(os::PrintSpooler().AddPrinterConnection(kColor), os::ErrorSuccess);
    ASSERT_EQ(os::PrintSpooler().AddPrinterConnection(kCopier), os::ErrorSuccess);
    ASSERT_EQ(os::simulated::InstallLocalPrinter(Machine(), u"archive", u"Generic / Text Only", u"FILE:"),
              os::ErrorSuccess);
    ASSERT_EQ(os::PrintSpooler().SetDefaultPrinter(kColor), os::ErrorSuccess);
    // Upper-case letters, then the backslash, then lower-case letters: no locale order.
    EXPECT_EQ(OnMachine(), (std::vector<std::u16string>{u"*" + kColor, kPdf, kCopier, kLaser, u"archive"}));
    EXPECT_EQ(TPrinterSettingValue().GetHint(), "");
}

TEST_F(PrinterSettingTest, AMachineWithMorePrintersThanTheOldFixedBufferHeldIsCapturedWhole) {
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(os::simulated::InstallLocalPrinter(Machine(),
                                                     u"Label printer " + os::Utf8ToUtf16(std::to_string(1000 + i)),
                                                     u"ZDesigner ZD421-203dpi ZPL", u"USB001"),
                  os::ErrorSuccess);
    const auto value = Capture<TPrinterSettingValue>(setting);
    ASSERT_EQ(value->Printers().Count(), 302u);
    EXPECT_EQ(Listed(*value).front(), u"*" + kLaser);
    EXPECT_EQ(Listed(*value).back(), kPdf);
    EXPECT_EQ(value->Printers()[1].PrinterName(), u"Label printer 1000");
    setting.ApplyValue(*value, results);
    EXPECT_EQ(results.Count(), 0u);
}

TEST_F(PrinterSettingTest, ApplyingWhatWasCapturedChangesNothing) {
    const auto value = Capture<TPrinterSettingValue>(setting);
    setting.ApplyValue(*value, results);
    EXPECT_EQ(results.Count(), 0u);
    EXPECT_EQ(OnMachine(), Listed(*value));
}

TEST_F(PrinterSettingTest, ApplyDeletesNewPrintersAndReconnectsMissingOnesAsDefault) {
    const auto office = Capture<TPrinterSettingValue>(setting);
    Delete(kLaser);
    ASSERT_EQ(os::PrintSpooler().AddPrinterConnection(kColor), os::ErrorSuccess);
    ASSERT_EQ(os::PrintSpooler().SetDefaultPrinter(kColor), os::ErrorSuccess);
    setting.ApplyValue(*office, results);
    EXPECT_EQ(results.Count(), 0u) << Lines(results).front();
    EXPECT_EQ(OnMachine(), Listed(*office));
}

TEST_F(PrinterSettingTest, APrinterBothListsHoldKeepsTheMachinesDefault) {
    const auto office = Capture<TPrinterSettingValue>(setting);
    ASSERT_EQ(os::PrintSpooler().SetDefaultPrinter(kPdf), os::ErrorSuccess);
    setting.ApplyValue(*office, results);
    EXPECT_EQ(results.Count(), 0u);
    EXPECT_EQ(OnMachine(), (std::vector<std::u16string>{u"*" + kPdf, kLaser}));
}

TEST_F(PrinterSettingTest, ANoDefaultStateIsCapturedAndAppliedAsSuch) {
    Delete(kLaser);
    const auto none = Capture<TPrinterSettingValue>(setting);
    EXPECT_EQ(Listed(*none), std::vector<std::u16string>{kPdf});
    Add(*none, kColor);

    ASSERT_EQ(os::PrintSpooler().AddPrinterConnection(kLaser), os::ErrorSuccess);
    ASSERT_EQ(os::PrintSpooler().SetDefaultPrinter(kLaser), os::ErrorSuccess);
    setting.ApplyValue(*none, results);
    EXPECT_EQ(results.Count(), 0u);
    EXPECT_EQ(OnMachine(), (std::vector<std::u16string>{kPdf, kColor})) << "connected, and no default set";
    char16_t name[64];
    std::uint32_t size = 64;
    EXPECT_EQ(os::PrintSpooler().GetDefaultPrinter(name, &size), os::ErrorFileNotFound);
}

TEST_F(PrinterSettingTest, FailuresOnSinglePrintersAreWarningsAndTheOthersAreStillHandled) {
    const auto office = Capture<TPrinterSettingValue>(setting);
    Add(*office, u"\\\\PRINTSRV\\Gone");
    Delete(kPdf);
    ASSERT_EQ(os::simulated::InstallLocalPrinter(Machine(), u"Fax", u"Microsoft Shared Fax Driver", u"SHRFAX:"),
              os::ErrorSuccess);
    Delete(kLaser);
    Machine().SetAdministrator(false);
    setting.ApplyValue(*office, results);
    EXPECT_EQ(Lines(results), (std::vector<std::string>{
                                  // Access denied tells what to do about it; an invalid name has nothing to add.
                                  "warning: Printers: Error deleting printer Fax: " + OSMessage(os::ErrorAccessDenied) +
                                      ". " + OSErrorAdvice(os::ErrorAccessDenied),
                                  "warning: Printers: Error installing printer Microsoft Print to PDF: " +
                                      OSMessage(os::ErrorInvalidPrinterName),
                                  "warning: Printers: Error installing printer \\\\PRINTSRV\\Gone: " +
                                      OSMessage(os::ErrorInvalidPrinterName)}))
        << "a local printer cannot come back through a connection";
    EXPECT_EQ(OnMachine(), (std::vector<std::u16string>{u"*" + kLaser, u"Fax"}));
}

TEST_F(PrinterSettingTest, NamesThatDifferInLetterCaseAreDifferentPrinters) {
    TPrinterSettingValue value;
    Add(value, u"\\\\printsrv\\office-laser", true);
    Add(value, u"microsoft print to pdf");
    setting.ApplyValue(value, results);
    EXPECT_EQ(Lines(results), std::vector<std::string>{"warning: Printers: Error installing printer microsoft print "
                                                       "to pdf: " +
                                                       OSMessage(os::ErrorInvalidPrinterName)});
    EXPECT_EQ(OnMachine(), std::vector<std::u16string>{u"*" + kLaser}) << "deleted, then connected again";
}

TEST_F(PrinterSettingTest, PrintersRoundTripThroughTheDataFileWithTheDefaultFlagOnlyWhenSet) {
    auto value = Capture<TPrinterSettingValue>(setting);
    Add(*value, u"\\\\PRINTSRV\\B\u00fcro \u6771");
    std::vector<std::uint8_t> stored;
    const auto back = StoredAndRead(*value, &stored);
    EXPECT_EQ(Listed(*back), Listed(*value));
    EXPECT_TRUE(back->Equals(*value));
    const std::string flag = "IsDefault";
    EXPECT_EQ(std::search(std::search(stored.begin(), stored.end(), flag.begin(), flag.end()) + 1, stored.end(),
                          flag.begin(), flag.end()),
              stored.end())
        << "written once";
    TPrinterSettingValue copy;
    copy.Assign(*value);
    EXPECT_EQ(Listed(copy), Listed(*value));
}

// ---- Network drives ----

class NetDriveSettingTest : public SimulatedMachineTest {
protected:
    void SetUp() override {
        RegisterTestKinds();
        TNetDriveSetting::SetRetryWait([this](std::uint32_t ms) { waits_.push_back(ms); });
    }
    void TearDown() override {
        TNetDriveSetting::SetRetryWait([](std::uint32_t) {});
    }
    static std::vector<std::u16string> OnMachine() {
        TNetDriveSetting setting;
        return Capture<TNetDriveSettingValue>(setting)->Drives().Lines();
    }
    std::u16string Home() { return u"H:=\\\\FILESRV\\home\\" + os::Utf8ToUtf16(Machine().UserName()); }

    TNetDriveSetting setting;
    TCheckResultList results;
    std::vector<std::uint32_t> waits_;
};

TEST_F(NetDriveSettingTest, CaptureHoldsTheMappingsAsSortedLines) {
    const auto value = Capture<TNetDriveSettingValue>(setting);
    EXPECT_EQ(value->Drives().Lines(), (std::vector<std::u16string>{Home(), u"S:=\\\\FILESRV\\Shared"}));
    EXPECT_EQ(value->GetHint(), os::Utf16ToUtf8(Home() + u"\r\nS:=\\\\FILESRV\\Shared\r\n"));
    EXPECT_EQ(TNetDriveSettingValue().GetHint(), "");
}

TEST_F(NetDriveSettingTest, ApplyingTheCapturedDrivesAgainRemapsThemWithoutALine) {
    const auto value = Capture<TNetDriveSettingValue>(setting);
    for (int run = 0; run < 2; ++run)
        setting.ApplyValue(*value, results);
    EXPECT_EQ(results.Count(), 0u) << Lines(results).front();
    EXPECT_EQ(OnMachine(), value->Drives().Lines());
}

TEST_F(NetDriveSettingTest, AProfileWithoutDrivesUnmapsEverything) {
    setting.ApplyValue(TNetDriveSettingValue(), results);
    EXPECT_EQ(results.Count(), 0u);
    EXPECT_TRUE(OnMachine().empty());
}

TEST_F(NetDriveSettingTest, EachDriveThatFailsGivesOneLineAndTheOthersAreStillMapped) {
    TNetDriveSettingValue value;
    value.Drives().Add(u"P:=\\\\NOSUCH\\Projects");
    value.Drives().Add(u"Q:=\\\\FILESRV\\Projects");
    value.Drives().Add(u"S:=\\\\NAS01\\Backup");
    value.Drives().Add(u"s:=\\\\FILESRV\\Shared"); // only an edited data file holds two lines for a letter
    Machine().SetFact(os::simulated::FactDrivesInUse, "S:");
    setting.ApplyValue(value, results);
    EXPECT_EQ(Lines(results),
              (std::vector<std::string>{
                  "warning: Network drives: Error deleting network drive S: The device is in use by an active process "
                  "and cannot be disconnected",
                  "error: Network drives: Error installing network drive P: The network path was not found",
                  "error: Network drives: Error installing network drive s: The local device name is already in use",
                  "error: Network drives: Error installing network drive S: The local device name is already in use"}));
    EXPECT_EQ(OnMachine(), (std::vector<std::u16string>{u"Q:=\\\\FILESRV\\Projects", u"S:=\\\\FILESRV\\Shared"}));
}

TEST_F(NetDriveSettingTest, AnUnreachableDomainIsWaitedForUpToFiveTimes) {
    const auto value = Capture<TNetDriveSettingValue>(setting);
    Machine().SetFact(os::simulated::FactUnreachableDomainMaps, "4");
    setting.ApplyValue(*value, results);
    EXPECT_EQ(results.Count(), 0u);
    EXPECT_EQ(waits_, (std::vector<std::uint32_t>(4, 1000)));
    EXPECT_EQ(OnMachine(), value->Drives().Lines());

    waits_.clear();
    Machine().SetFact(os::simulated::FactUnreachableDomainMaps, "7");
    setting.ApplyValue(*value, results);
    EXPECT_EQ(waits_.size(), 6u) << "five for the first drive, one for the restore of its previous mapping";
    const std::string unreachable = "Configuration information could not be read from the domain controller, "
                                    "either because the machine is unavailable, or access has been denied";
    EXPECT_EQ(Lines(results),
              (std::vector<std::string>{"error: Network drives: Error installing network drive H: " + unreachable,
                                        "warning: Network drives: Network drive H: keeps its previous mapping " +
                                            os::Utf16ToUtf8(Home().substr(3))}));
    EXPECT_EQ(OnMachine(), value->Drives().Lines());

    results.Clear();
    Machine().SetFact(os::simulated::FactUnreachableDomainMaps, "12");
    setting.ApplyValue(*value, results);
    EXPECT_EQ(Lines(results),
              (std::vector<std::string>{"error: Network drives: Error installing network drive H: " + unreachable,
                                        "error: Network drives: Error restoring network drive H: " + unreachable}));
    EXPECT_EQ(OnMachine(), std::vector<std::u16string>{u"S:=\\\\FILESRV\\Shared"});
}

TEST_F(NetDriveSettingTest, ADriveWhoseNewShareIsGoneKeepsItsPreviousMapping) {
    TNetDriveSettingValue value;
    value.Drives().Add(u"S:=\\\\NOSUCH\\Shared");
    value.Drives().Add(u"T:=\\\\NOSUCH\\Other"); // no previous mapping: nothing to restore
    setting.ApplyValue(value, results);
    EXPECT_EQ(Lines(results),
              (std::vector<std::string>{
                  "error: Network drives: Error installing network drive S: The network path was not found",
                  "warning: Network drives: Network drive S: keeps its previous mapping \\\\FILESRV\\Shared",
                  "error: Network drives: Error installing network drive T: The network path was not found"}));
    EXPECT_EQ(OnMachine(), std::vector<std::u16string>{u"S:=\\\\FILESRV\\Shared"}) << "H: was not in the value";
}

TEST_F(NetDriveSettingTest, DrivesRoundTripThroughTheDataFile) {
    auto value = Capture<TNetDriveSettingValue>(setting);
    value->Drives().Add(u"Z:=\\\\NAS01\\B\u00fcro");
    const auto back = StoredAndRead(*value);
    EXPECT_EQ(back->Drives().Lines(), value->Drives().Lines());
    EXPECT_TRUE(back->Drives().Sorted());
    TNetDriveSettingValue copy;
    copy.Assign(*value);
    EXPECT_TRUE(copy.Equals(*value));
}

} // namespace
