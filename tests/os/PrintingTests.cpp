#include "TestSupport.h"

#include "os/NetworkDrives.h"
#include "os/PrintSpooler.h"
#include "os/Text.h"
#include "os/simulated/SimPrinting.h"

#include "support/PrinterCalls.h"
#include "support/SimulatedMachine.h"

#include <gtest/gtest.h>

#include <cstring>

namespace prolamo::os::test {
namespace {

constexpr std::u16string_view kLaser = u"\\\\PRINTSRV\\Office-Laser";
constexpr std::u16string_view kColor = u"\\\\PRINTSRV\\Office-Color";
constexpr std::u16string_view kPdf = u"Microsoft Print to PDF";

struct Printer {
    std::u16string name;
    std::u16string server;
    std::u16string port;
    std::uint32_t attributes = 0;
};

std::u16string TextAt(const char16_t* text) {
    return text == nullptr ? u"(null)" : std::u16string(text);
}

// Both calls as a caller makes them: the size first, then the records.
std::vector<Printer> Printers(std::uint32_t flags = PrinterEnumLocal | PrinterEnumConnections,
                              std::uint32_t level = 2) {
    std::uint32_t needed = 0, returned = 99;
    const ErrorCode sizing = PrintSpooler().EnumPrinters(flags, level, nullptr, 0, &needed, &returned);
    EXPECT_EQ(sizing, needed == 0 ? ErrorSuccess : ErrorInsufficientBuffer) << "none at all fit in no buffer";
    EXPECT_EQ(returned, 0u);
    std::vector<std::max_align_t> storage(needed / sizeof(std::max_align_t) + 1);
    auto* buffer = reinterpret_cast<std::uint8_t*>(storage.data());
    EXPECT_EQ(PrintSpooler().EnumPrinters(flags, level, buffer, needed, &needed, &returned), ErrorSuccess);
    std::vector<Printer> printers;
    for (std::uint32_t i = 0; i < returned; ++i) {
        if (level == 4) {
            const auto& r = reinterpret_cast<const PrinterInfo4*>(buffer)[i];
            printers.push_back({TextAt(r.pPrinterName), TextAt(r.pServerName), {}, r.Attributes});
            continue;
        }
        const auto& r = reinterpret_cast<const PrinterInfo2*>(buffer)[i];
        // Every text lies inside the caller's buffer, behind the records.
        for (const char16_t* text : {r.pPrinterName, r.pPortName, r.pDriverName}) {
            EXPECT_GE(reinterpret_cast<const std::uint8_t*>(text), buffer + returned * sizeof(PrinterInfo2));
            EXPECT_LT(reinterpret_cast<const std::uint8_t*>(text), buffer + needed);
        }
        printers.push_back({TextAt(r.pPrinterName), TextAt(r.pServerName), TextAt(r.pPortName), r.Attributes});
    }
    return printers;
}

std::vector<std::u16string> Names(const std::vector<Printer>& printers) {
    std::vector<std::u16string> names;
    for (const Printer& p : printers)
        names.push_back(p.name);
    return names;
}

std::u16string DefaultPrinter(ErrorCode* error = nullptr) {
    char16_t buffer[1024];
    std::uint32_t size = 1024;
    const ErrorCode e = PrintSpooler().GetDefaultPrinter(buffer, &size);
    if (error != nullptr)
        *error = e;
    return e == ErrorSuccess ? std::u16string(buffer, size - 1) : std::u16string();
}

constexpr auto Delete = prolamo::test::DeletePrinterNamed;

using PrintSpoolerTest = MachineTest;

TEST_F(PrintSpoolerTest, ASeededLaptopHasALocalPrinterAndTheDefaultOfficeConnection) {
    const auto printers = Printers();
    ASSERT_EQ(printers.size(), 2u);
    EXPECT_EQ(printers[0].name, kPdf);
    EXPECT_EQ(printers[0].server, u"(null)");
    EXPECT_EQ(printers[0].port, u"PORTPROMPT:");
    EXPECT_EQ(printers[0].attributes, PrinterAttributeLocal);
    EXPECT_EQ(printers[1].name, kLaser);
    EXPECT_EQ(printers[1].server, u"\\\\PRINTSRV");
    EXPECT_EQ(printers[1].attributes, PrinterAttributeNetwork);
    EXPECT_EQ(DefaultPrinter(), kLaser);

    EXPECT_EQ(Names(Printers(PrinterEnumConnections)), std::vector<std::u16string>{std::u16string(kLaser)});
    EXPECT_EQ(Names(Printers(PrinterEnumLocal, 4)), std::vector<std::u16string>{std::u16string(kPdf)});
    std::uint32_t needed = 0, returned = 0;
    EXPECT_EQ(PrintSpooler().EnumPrinters(PrinterEnumLocal, 1, nullptr, 0, &needed, &returned), ErrorInvalidLevel);
}

TEST_F(PrintSpoolerTest, ABufferOneByteShortReturnsNothingAndTheSizeNeeded) {
    std::uint32_t needed = 0, returned = 0;
    const std::uint32_t flags = PrinterEnumLocal | PrinterEnumConnections;
    ASSERT_EQ(PrintSpooler().EnumPrinters(flags, 2, nullptr, 0, &needed, &returned), ErrorInsufficientBuffer);
    std::vector<std::max_align_t> storage(needed / sizeof(std::max_align_t) + 1);
    auto* buffer = reinterpret_cast<std::uint8_t*>(storage.data());
    std::uint32_t again = 0;
    EXPECT_EQ(PrintSpooler().EnumPrinters(flags, 2, buffer, needed - 1, &again, &returned), ErrorInsufficientBuffer);
    EXPECT_EQ(again, needed);
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(PrintSpooler().EnumPrinters(flags, 2, buffer, needed, &again, &returned), ErrorSuccess);
    EXPECT_EQ(returned, 2u);
}

TEST_F(PrintSpoolerTest, TheDefaultPrinterIsAskedForWithItsSizeAndMayBeMissing) {
    char16_t small[4];
    std::uint32_t size = 4;
    EXPECT_EQ(PrintSpooler().GetDefaultPrinter(small, &size), ErrorInsufficientBuffer);
    EXPECT_EQ(size, kLaser.size() + 1);

    ASSERT_EQ(Delete(kLaser), ErrorSuccess);
    ErrorCode e = ErrorSuccess;
    DefaultPrinter(&e);
    EXPECT_EQ(e, ErrorFileNotFound);
    EXPECT_EQ(SystemErrorText(e), "The system cannot find the file specified.\r\n");

    EXPECT_EQ(PrintSpooler().SetDefaultPrinter(kColor), ErrorInvalidPrinterName) << "not connected";
    EXPECT_EQ(PrintSpooler().SetDefaultPrinter(u"MICROSOFT PRINT TO PDF"), ErrorSuccess);
    EXPECT_EQ(DefaultPrinter(), kPdf) << "names are found without regard to case";
}

TEST_F(PrintSpoolerTest, AnEmptyDefaultKeepsTheDefaultOrPicksTheFirstPrinter) {
    EXPECT_EQ(PrintSpooler().SetDefaultPrinter(u""), ErrorSuccess);
    EXPECT_EQ(DefaultPrinter(), kLaser);
    ASSERT_EQ(Delete(kLaser), ErrorSuccess);
    EXPECT_EQ(PrintSpooler().SetDefaultPrinter(u""), ErrorSuccess);
    EXPECT_EQ(DefaultPrinter(), kPdf);
}

TEST_F(PrintSpoolerTest, ConnectionsAreMadeOnlyToPrintersTheServersShare) {
    EXPECT_EQ(PrintSpooler().AddPrinterConnection(u"\\\\PRINTSRV\\Nowhere"), ErrorInvalidPrinterName);
    EXPECT_EQ(PrintSpooler().AddPrinterConnection(u"\\\\OTHER\\Office-Color"), ErrorInvalidPrinterName);
    EXPECT_EQ(PrintSpooler().AddPrinterConnection(kPdf), ErrorInvalidPrinterName) << "a local printer";
    EXPECT_EQ(PrintSpooler().AddPrinterConnection(u"\\\\printsrv\\office-color"), ErrorSuccess);
    EXPECT_EQ(PrintSpooler().AddPrinterConnection(kColor), ErrorSuccess) << "connected already";
    EXPECT_EQ(Names(Printers()),
              (std::vector<std::u16string>{std::u16string(kPdf), std::u16string(kLaser), std::u16string(kColor)}))
        << "named as the server spells it, once";
    EXPECT_EQ(DefaultPrinter(), kLaser);
}

TEST_F(PrintSpoolerTest, DeletingALocalPrinterTakesAnAdministratorAndHandlesEndWhenClosed) {
    machine_->SetAdministrator(false);
    EXPECT_EQ(Delete(kPdf), ErrorAccessDenied);
    EXPECT_EQ(Delete(kLaser), ErrorSuccess) << "the user's own connection";
    machine_->SetAdministrator(true);
    EXPECT_EQ(Delete(kPdf), ErrorSuccess);
    EXPECT_TRUE(Printers().empty());
    EXPECT_EQ(Delete(kPdf), ErrorInvalidPrinterName);

    ASSERT_EQ(PrintSpooler().AddPrinterConnection(kColor), ErrorSuccess);
    HPrinter first = 0, second = 0;
    ASSERT_EQ(PrintSpooler().OpenPrinter(kColor, &first), ErrorSuccess);
    ASSERT_EQ(PrintSpooler().OpenPrinter(kColor, &second), ErrorSuccess);
    EXPECT_EQ(PrintSpooler().DeletePrinter(first), ErrorSuccess);
    EXPECT_EQ(PrintSpooler().DeletePrinter(second), ErrorInvalidPrinterName) << "deleted through the other handle";
    EXPECT_EQ(PrintSpooler().ClosePrinter(first), ErrorSuccess);
    EXPECT_EQ(PrintSpooler().ClosePrinter(first), ErrorInvalidHandle);
    EXPECT_EQ(PrintSpooler().DeletePrinter(first), ErrorInvalidHandle);
    EXPECT_EQ(PrintSpooler().ClosePrinter(second), ErrorSuccess);
}

TEST_F(PrintSpoolerTest, AnotherProcessOnTheSameMachineSeesEveryChange) {
    auto other = simulated::Machine::Open(machine_->Folder());
    ASSERT_EQ(other->PrintSpooler().AddPrinterConnection(kColor), ErrorSuccess);
    ASSERT_EQ(other->PrintSpooler().SetDefaultPrinter(kColor), ErrorSuccess);
    EXPECT_EQ(Names(Printers()).back(), kColor);
    EXPECT_EQ(DefaultPrinter(), kColor);
}

// ---- drives ----

std::vector<std::u16string> Drives() {
    std::unique_ptr<IWshNetwork> network;
    EXPECT_EQ(CreateWshNetwork(&network), SOk);
    std::vector<std::u16string> items;
    ErrorInfo error;
    EXPECT_EQ(network->EnumNetworkDrives(&items, &error), SOk);
    return items;
}

struct Failure {
    HResult result = SOk;
    std::u16string description;
};

Failure Map(std::u16string_view local, std::u16string_view remote) {
    std::unique_ptr<IWshNetwork> network;
    EXPECT_EQ(CreateWshNetwork(&network), SOk);
    ErrorInfo error;
    const HResult hr = network->MapNetworkDrive(local, remote, true, std::nullopt, std::nullopt, &error);
    if (hr == SOk)
        return {};
    EXPECT_EQ(error.Source, u"WSHNetwork.MapNetworkDrive");
    return {hr, error.Description};
}

Failure Remove(std::u16string_view local) {
    std::unique_ptr<IWshNetwork> network;
    EXPECT_EQ(CreateWshNetwork(&network), SOk);
    ErrorInfo error;
    const HResult hr = network->RemoveNetworkDrive(local, false, true, &error);
    return hr == SOk ? Failure{} : Failure{hr, error.Description};
}

using WshNetworkTest = MachineTest;

TEST_F(WshNetworkTest, ASeededLaptopHasTheHomeAndSharedDrivesAsPairs) {
    const std::u16string home = u"\\\\FILESRV\\home\\" + Utf8ToUtf16(machine_->UserName());
    EXPECT_EQ(Drives(), (std::vector<std::u16string>{u"H:", home, u"S:", u"\\\\FILESRV\\Shared"}));
}

TEST_F(WshNetworkTest, MappingFailsAsWindowsDoes) {
    EXPECT_EQ(Map(u"S:", u"\\\\FILESRV\\Projects").result, 0x80070055u);
    EXPECT_EQ(Map(u"s:", u"\\\\FILESRV\\Projects").description, u"The local device name is already in use.\r\n");
    EXPECT_EQ(Map(u"C:", u"\\\\FILESRV\\Projects").result, 0x80070055u) << "the system disk";
    EXPECT_EQ(Map(u"P", u"\\\\FILESRV\\Projects").result, HResultFromWin32(ErrorBadDevice));
    EXPECT_EQ(Map(u"P:", u"\\\\NOSUCH\\Projects").result, 0x80070035u);
    const Failure noShare = Map(u"P:", u"\\\\FILESRV\\Nothing");
    EXPECT_EQ(noShare.result, 0x80070043u);
    EXPECT_EQ(noShare.description, u"The network name cannot be found.\r\n");
    EXPECT_EQ(Map(u"P:", u"D:\\Projects").result, HResultFromWin32(ErrorNoNetOrBadPath));
    EXPECT_EQ(Drives().size(), 4u);

    EXPECT_EQ(Map(u"p:", u"\\\\filesrv\\projects\\2024").result, SOk) << "a folder of a share";
    EXPECT_EQ(Drives().at(2), u"P:");
    EXPECT_EQ(Drives().at(3), u"\\\\filesrv\\projects\\2024") << "the remote name as given";
}

TEST_F(WshNetworkTest, AnUnreachableDomainFailsTheNextMappingsOnly) {
    machine_->SetFact(simulated::FactUnreachableDomainMaps, "2");
    for (int i = 0; i < 2; ++i) {
        const Failure f = Map(u"P:", u"\\\\FILESRV\\Projects");
        EXPECT_EQ(f.result, 0x80070547u);
        EXPECT_EQ(f.description, u"Configuration information could not be read from the domain controller, either "
                                 u"because the machine is unavailable, or access has been denied.\r\n");
    }
    EXPECT_EQ(Map(u"P:", u"\\\\FILESRV\\Projects").result, SOk);
}

TEST_F(WshNetworkTest, RemovingADriveFailsWhenItIsNotMappedOrInUseUnlessForced) {
    EXPECT_EQ(Remove(u"h:").result, SOk);
    const Failure again = Remove(u"H:");
    EXPECT_EQ(again.result, 0x800708CAu);
    EXPECT_EQ(again.description, u"This network connection does not exist.\r\n");
    EXPECT_EQ(Remove(u"\\\\FILESRV\\Shared").result, 0x800708CAu);

    machine_->SetFact(simulated::FactDrivesInUse, "P: S:");
    const Failure inUse = Remove(u"S:");
    EXPECT_EQ(inUse.result, 0x80070964u);
    EXPECT_EQ(inUse.description, u"The device is in use by an active process and cannot be disconnected.\r\n");
    std::unique_ptr<IWshNetwork> network;
    ASSERT_EQ(CreateWshNetwork(&network), SOk);
    ErrorInfo error;
    ASSERT_EQ(network->RemoveNetworkDrive(u"S:", true, true, &error), SOk) << "forced";
    EXPECT_EQ(Map(u"S:", u"\\\\FILESRV\\Shared").result, SOk);
    EXPECT_EQ(Drives(), (std::vector<std::u16string>{u"S:", u"\\\\FILESRV\\Shared"}));
    EXPECT_EQ(Map(u"H:", u"\\\\NAS01\\Backup").result, SOk);
    EXPECT_EQ(Drives().at(1), u"\\\\NAS01\\Backup");
}

TEST_F(WshNetworkTest, TheNetworkCanOfferMoreSharesAndPrinters) {
    ASSERT_EQ(simulated::AddNetworkShare(*machine_, u"\\\\NEWSRV\\Data"), ErrorSuccess);
    EXPECT_EQ(simulated::AddNetworkShare(*machine_, u"NEWSRV\\Data"), ErrorBadNetName);
    EXPECT_EQ(Map(u"N:", u"\\\\NEWSRV\\Data").result, SOk);
    ASSERT_EQ(simulated::AddSharedPrinter(*machine_, u"\\\\NEWSRV\\Plotter", u"HP DesignJet"), ErrorSuccess);
    EXPECT_EQ(PrintSpooler().AddPrinterConnection(u"\\\\NEWSRV\\Plotter"), ErrorSuccess);
    ASSERT_EQ(simulated::InstallLocalPrinter(*machine_, u"Fax", u"Microsoft Shared Fax Driver", u"SHRFAX:"),
              ErrorSuccess);
    EXPECT_EQ(simulated::InstallLocalPrinter(*machine_, u"fax", u"x", u"x"), ErrorAlreadyExists);
    EXPECT_EQ(Names(Printers(PrinterEnumLocal)), (std::vector<std::u16string>{std::u16string(kPdf), u"Fax"}));
}

TEST(PrintingSeeding, MachinesSeededBeforeGetPrintersAndDrivesOnceAndKeepTheUsersChanges) {
    TempFolder temp;
    const auto folder = temp.Path() / "m";
    {
        auto machine = simulated::Machine::Open(folder);
        // As a machine seeded before printers and drives existed.
        using prolamo::test::EarlierLayout;
        prolamo::test::RevertToEarlierLayout(*machine, EarlierLayout::WithoutPrintersAndDrives);
    }
    {
        auto machine = simulated::Machine::Open(folder);
        simulated::ScopedCurrentMachine current(*machine);
        EXPECT_EQ(Printers().size(), 2u);
        EXPECT_EQ(Drives().size(), 4u);
        ASSERT_EQ(Delete(kPdf), ErrorSuccess);
        ASSERT_EQ(Remove(u"S:").result, SOk);
    }
    auto machine = simulated::Machine::Open(folder);
    simulated::ScopedCurrentMachine current(*machine);
    EXPECT_EQ(Names(Printers()), std::vector<std::u16string>{std::u16string(kLaser)});
    EXPECT_EQ(Drives().size(), 2u);
}

} // namespace
} // namespace prolamo::os::test
