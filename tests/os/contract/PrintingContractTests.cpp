// Printers and mapped network drives as both backends must answer them.

#include "Backend.h"

#include "os/NetworkDrives.h"
#include "os/PrintSpooler.h"
#include "os/Text.h"

#include "support/PrinterCalls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>

namespace prolamo::os::contract {
namespace {

constexpr std::uint32_t kAllPrinters = PrinterEnumLocal | PrinterEnumConnections;

struct Printer {
    std::u16string name;
    std::uint32_t attributes = 0;
    bool operator==(const Printer&) const = default;
};

std::u16string TextAt(const char16_t* text) {
    return text == nullptr ? std::u16string() : std::u16string(text);
}

// Both calls as a caller makes them: the size first, then the records, whose texts must lie in
// the caller's buffer behind them.
std::vector<Printer> Printers(std::uint32_t level, std::uint32_t flags = kAllPrinters) {
    std::uint32_t needed = 0, returned = 99;
    const ErrorCode sizing = PrintSpooler().EnumPrinters(flags, level, nullptr, 0, &needed, &returned);
    EXPECT_EQ(sizing, needed == 0 ? ErrorSuccess : ErrorInsufficientBuffer);
    EXPECT_EQ(returned, 0u);
    std::vector<std::max_align_t> storage(needed / sizeof(std::max_align_t) + 1);
    auto* buffer = reinterpret_cast<std::uint8_t*>(storage.data());
    std::vector<Printer> printers;
    if (PrintSpooler().EnumPrinters(flags, level, buffer, needed, &needed, &returned) != ErrorSuccess) {
        ADD_FAILURE() << "EnumPrinters refused the size it asked for";
        return printers;
    }
    const std::size_t recordSize = level == 4 ? sizeof(PrinterInfo4) : sizeof(PrinterInfo2);
    for (std::uint32_t i = 0; i < returned; ++i) {
        const char16_t* name = level == 4 ? reinterpret_cast<const PrinterInfo4*>(buffer)[i].pPrinterName
                                          : reinterpret_cast<const PrinterInfo2*>(buffer)[i].pPrinterName;
        const std::uint32_t attributes = level == 4 ? reinterpret_cast<const PrinterInfo4*>(buffer)[i].Attributes
                                                    : reinterpret_cast<const PrinterInfo2*>(buffer)[i].Attributes;
        const auto* at = reinterpret_cast<const std::uint8_t*>(name);
        EXPECT_GE(at, buffer + returned * recordSize);
        EXPECT_LT(at, buffer + needed);
        printers.push_back({TextAt(name), attributes});
    }
    return printers;
}

bool Lists(const std::vector<Printer>& printers, std::u16string_view name) {
    return std::any_of(printers.begin(), printers.end(), [&](const Printer& p) {
        return CompareLocale(Utf16ToUtf8(p.name), Utf16ToUtf8(name), true) == 0;
    });
}

ErrorCode DefaultPrinter(std::u16string* name) {
    char16_t buffer[1024];
    std::uint32_t size = 1024;
    const ErrorCode e = PrintSpooler().GetDefaultPrinter(buffer, &size);
    *name = e == ErrorSuccess ? std::u16string(buffer, size - 1) : std::u16string();
    return e;
}

using PrinterContract = BackendTest;

TEST_F(PrinterContract, BothLevelsListTheSamePrintersAndTheDefaultIsOneOfThem) {
    const std::vector<Printer> full = Printers(2);
    EXPECT_EQ(Printers(4), full);
    const std::size_t local = Printers(2, PrinterEnumLocal).size();
    EXPECT_EQ(local + Printers(2, PrinterEnumConnections).size(), full.size());
    for (const Printer& p : full) {
        EXPECT_FALSE(p.name.empty());
        EXPECT_NE(p.attributes & (PrinterAttributeLocal | PrinterAttributeNetwork), 0u) << Utf16ToUtf8(p.name);
    }
    std::uint32_t needed = 0, returned = 0;
    EXPECT_EQ(PrintSpooler().EnumPrinters(kAllPrinters, 3, nullptr, 0, &needed, &returned), ErrorInvalidLevel);

    std::u16string name;
    const ErrorCode e = DefaultPrinter(&name);
    if (full.empty()) {
        EXPECT_EQ(e, ErrorFileNotFound) << "no printer, no default";
        return;
    }
    ASSERT_EQ(e, ErrorSuccess);
    EXPECT_TRUE(Lists(full, name)) << Utf16ToUtf8(name);
    char16_t small[1];
    std::uint32_t size = 1;
    EXPECT_EQ(PrintSpooler().GetDefaultPrinter(small, &size), ErrorInsufficientBuffer);
    EXPECT_EQ(size, name.size() + 1) << "the size needed, its zero included";
}

TEST_F(PrinterContract, AMissingPrinterCannotBeOpenedConnectedOrMadeTheDefault) {
    constexpr std::u16string_view missing = u"Prolamo No Such Printer";
    std::u16string before;
    const ErrorCode hadDefault = DefaultPrinter(&before);
    HPrinter printer = 0;
    EXPECT_EQ(PrintSpooler().OpenPrinter(missing, &printer), ErrorInvalidPrinterName);
    EXPECT_EQ(PrintSpooler().SetDefaultPrinter(missing), ErrorInvalidPrinterName);
    EXPECT_EQ(PrintSpooler().AddPrinterConnection(missing), ErrorInvalidPrinterName) << "no server named";
    std::u16string after;
    EXPECT_EQ(DefaultPrinter(&after), hadDefault);
    EXPECT_EQ(after, before) << "a refused default changes nothing";
}

TEST_F(PrinterContract, AConnectionIsAddedListedMadeTheDefaultAndRemoved) {
    std::string reason;
    const std::u16string shared = OfferSharedPrinter(&reason);
    if (shared.empty())
        GTEST_SKIP() << reason;
    std::u16string before;
    const ErrorCode hadDefault = DefaultPrinter(&before);

    ASSERT_EQ(PrintSpooler().AddPrinterConnection(shared), ErrorSuccess);
    const std::vector<Printer> connections = Printers(2, PrinterEnumConnections);
    ASSERT_TRUE(Lists(connections, shared));
    for (const Printer& p : connections)
        EXPECT_NE(p.attributes & PrinterAttributeNetwork, 0u) << Utf16ToUtf8(p.name);
    EXPECT_EQ(PrintSpooler().AddPrinterConnection(shared), ErrorSuccess) << "connected already";
    EXPECT_EQ(Printers(2, PrinterEnumConnections).size(), connections.size()) << "listed once";

    ASSERT_EQ(PrintSpooler().SetDefaultPrinter(shared), ErrorSuccess);
    std::u16string name;
    ASSERT_EQ(DefaultPrinter(&name), ErrorSuccess);
    EXPECT_EQ(CompareLocale(Utf16ToUtf8(name), Utf16ToUtf8(shared), true), 0) << Utf16ToUtf8(name);

    if (hadDefault == ErrorSuccess) {
        EXPECT_EQ(PrintSpooler().SetDefaultPrinter(before), ErrorSuccess);
    }
    ASSERT_EQ(test::DeletePrinterNamed(shared), ErrorSuccess);
    EXPECT_FALSE(Lists(Printers(2), shared));
    HPrinter printer = 0;
    EXPECT_EQ(PrintSpooler().OpenPrinter(shared, &printer), ErrorInvalidPrinterName) << "gone";
    EXPECT_EQ(DefaultPrinter(&name), hadDefault);
    EXPECT_EQ(name, before);
}

// ---- drives ----

struct Outcome {
    HResult result = SOk;
    std::u16string description;
};

class DriveContract : public BackendTest {
protected:
    void SetUp() override {
        if (const std::string wine = WineVersion(); !wine.empty())
            GTEST_SKIP() << "Wine " << wine << "'s WshNetwork does not implement the drive calls (E_NOTIMPL)";
        ASSERT_EQ(CreateWshNetwork(&network_), SOk);
    }

    std::vector<std::u16string> Drives() {
        std::vector<std::u16string> items;
        ErrorInfo error;
        EXPECT_EQ(network_->EnumNetworkDrives(&items, &error), SOk);
        EXPECT_EQ(items.size() % 2, 0u) << "local and remote names by turns";
        return items;
    }
    Outcome Map(std::u16string_view local, std::u16string_view remote) {
        ErrorInfo error;
        const HResult hr = network_->MapNetworkDrive(local, remote, false, std::nullopt, std::nullopt, &error);
        return {hr, hr == SOk ? std::u16string() : error.Description};
    }
    Outcome Remove(std::u16string_view local) {
        ErrorInfo error;
        const HResult hr = network_->RemoveNetworkDrive(local, false, false, &error);
        return {hr, hr == SOk ? std::u16string() : error.Description};
    }

    std::unique_ptr<IWshNetwork> network_;
};

TEST_F(DriveContract, MissingDrivesAndServersFailWithTheSystemsCodesAndTexts) {
    const std::u16string letter = UnusedDriveLetter();
    const std::vector<std::u16string> before = Drives();

    const Outcome notMapped = Remove(letter);
    EXPECT_EQ(notMapped.result, HResultFromWin32(ErrorNotConnected));
    EXPECT_EQ(notMapped.description, u"This network connection does not exist.\r\n");
    const Outcome noServer = Map(letter, u"\\\\PROLAMO-NO-SUCH-SERVER\\Data");
    EXPECT_EQ(noServer.result, HResultFromWin32(ErrorBadNetpath));
    EXPECT_EQ(noServer.description, u"The network path was not found.\r\n");
    EXPECT_EQ(Map(letter.substr(0, 1), u"\\\\PROLAMO-NO-SUCH-SERVER\\Data").result, HResultFromWin32(ErrorBadDevice))
        << "a letter without its colon";
    EXPECT_EQ(Drives(), before) << "nothing mapped";
}

TEST_F(DriveContract, ADriveIsMappedListedRefusedTwiceAndRemoved) {
    std::string reason;
    const std::u16string share = OfferNetworkShare(&reason);
    if (share.empty())
        GTEST_SKIP() << reason;
    const std::u16string letter = UnusedDriveLetter();

    ASSERT_EQ(Map(letter, share).result, SOk);
    std::vector<std::u16string> drives = Drives();
    const auto at = std::find(drives.begin(), drives.end(), letter);
    ASSERT_NE(at, drives.end());
    ASSERT_EQ((at - drives.begin()) % 2, 0) << "a local name";
    EXPECT_EQ(*(at + 1), share);

    const Outcome again = Map(letter, share);
    EXPECT_EQ(again.result, HResultFromWin32(ErrorAlreadyAssigned));
    EXPECT_EQ(again.description, u"The local device name is already in use.\r\n");

    ASSERT_EQ(Remove(letter).result, SOk);
    drives = Drives();
    EXPECT_EQ(std::find(drives.begin(), drives.end(), letter), drives.end());
    EXPECT_EQ(Remove(letter).result, HResultFromWin32(ErrorNotConnected));
}

} // namespace
} // namespace prolamo::os::contract
