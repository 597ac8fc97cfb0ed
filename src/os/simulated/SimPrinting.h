#pragma once
// The simulated machine's printers and mapped drives, and the print servers and file shares its
// network offers (internal to the backend, and the control surface of the tests and the
// command-line machine commands).

#include "os/NetworkDrives.h"
#include "os/PrintSpooler.h"

#include <map>
#include <mutex>
#include <string>

namespace prolamo::os::simulated {

class Machine;

class SimPrintSpooler final : public IPrintSpooler {
public:
    explicit SimPrintSpooler(Machine& machine) : machine_(machine) {}

    ErrorCode GetDefaultPrinter(char16_t* buffer, std::uint32_t* size) override;
    ErrorCode SetDefaultPrinter(std::u16string_view printerName) override;
    ErrorCode EnumPrinters(std::uint32_t flags, std::uint32_t level, std::uint8_t* buffer, std::uint32_t bufferSize,
                           std::uint32_t* needed, std::uint32_t* returned) override;
    ErrorCode AddPrinterConnection(std::u16string_view printerName) override;
    ErrorCode OpenPrinter(std::u16string_view printerName, HPrinter* printer) override;
    ErrorCode DeletePrinter(HPrinter printer) override;
    ErrorCode ClosePrinter(HPrinter printer) override;

private:
    Machine& machine_;
    std::mutex handlesMutex_;
    std::map<HPrinter, std::int64_t> handles_; // handle -> printer row
    HPrinter nextHandle_ = 0x3000;
};

class SimWshNetwork final : public IWshNetwork {
public:
    explicit SimWshNetwork(Machine& machine) : machine_(machine) {}

    HResult EnumNetworkDrives(std::vector<std::u16string>* items, ErrorInfo* error) override;
    HResult MapNetworkDrive(std::u16string_view localName, std::u16string_view remoteName, bool updateProfile,
                            const std::optional<std::u16string>& userName,
                            const std::optional<std::u16string>& password, ErrorInfo* error) override;
    HResult RemoveNetworkDrive(std::u16string_view name, bool force, bool updateProfile, ErrorInfo* error) override;

private:
    Machine& machine_;
};

// The next that many drive mappings fail because the domain controller cannot be reached, as
// right after a switch of networks. Absent: none.
inline constexpr const char* FactUnreachableDomainMaps = "unreachable_domain_maps";

// Drive letters an active process holds files open on, separated by blanks: removing such a
// drive without force fails. Absent: none.
inline constexpr const char* FactDrivesInUse = "drives_in_use";

// A printer a print server of the network shares, "\\server\printer", so that the user can
// connect to it.
ErrorCode AddSharedPrinter(Machine& machine, std::u16string_view printerName, std::u16string_view driver);
// A printer installed on the machine itself.
ErrorCode InstallLocalPrinter(Machine& machine, std::u16string_view printerName, std::u16string_view driver,
                              std::u16string_view port);
// A share a file server of the network offers, "\\server\share".
ErrorCode AddNetworkShare(Machine& machine, std::u16string_view path);

// Creates the tables and seeds a laptop's printers and drives once per machine, also for machines
// seeded before; the caller holds a write transaction.
void SeedPrintersAndDrives(Machine& machine);

} // namespace prolamo::os::simulated
