#pragma once
// The print spooler (winspool.drv), wide-character calls: the user's printers, printer
// connections and the default printer. Every call returns the Win32 code GetLastError gives.

#include "os/Errors.h"

#include <cstdint>
#include <string_view>

namespace prolamo::os {

using HPrinter = std::uintptr_t;

// EnumPrinters flags.
inline constexpr std::uint32_t PrinterEnumLocal = 0x00000002;
inline constexpr std::uint32_t PrinterEnumConnections = 0x00000004;

// PRINTER_INFO attributes.
inline constexpr std::uint32_t PrinterAttributeShared = 0x00000008;
inline constexpr std::uint32_t PrinterAttributeNetwork = 0x00000010;
inline constexpr std::uint32_t PrinterAttributeLocal = 0x00000040;

// PRINTER_INFO_2W, field for field; absent texts are null. The texts lie in the caller's buffer
// behind the records.
struct PrinterInfo2 {
    char16_t* pServerName;
    char16_t* pPrinterName;
    char16_t* pShareName;
    char16_t* pPortName;
    char16_t* pDriverName;
    char16_t* pComment;
    char16_t* pLocation;
    void* pDevMode;
    char16_t* pSepFile;
    char16_t* pPrintProcessor;
    char16_t* pDatatype;
    char16_t* pParameters;
    void* pSecurityDescriptor;
    std::uint32_t Attributes;
    std::uint32_t Priority;
    std::uint32_t DefaultPriority;
    std::uint32_t StartTime;
    std::uint32_t UntilTime;
    std::uint32_t Status;
    std::uint32_t cJobs;
    std::uint32_t AveragePPM;
};

// PRINTER_INFO_4W, the quick level.
struct PrinterInfo4 {
    char16_t* pPrinterName;
    char16_t* pServerName;
    std::uint32_t Attributes;
};

class IPrintSpooler {
public:
    virtual ~IPrintSpooler() = default;

    // GetDefaultPrinterW: *size is in characters, on entry the buffer's size, on return the name's
    // length with its zero. No default printer: ErrorFileNotFound; a buffer too small:
    // ErrorInsufficientBuffer with the size needed.
    virtual ErrorCode GetDefaultPrinter(char16_t* buffer, std::uint32_t* size) = 0;
    // SetDefaultPrinterW. An empty name keeps the default, or when there is none makes the first
    // printer of the enumeration the default; an unknown printer: ErrorInvalidPrinterName.
    virtual ErrorCode SetDefaultPrinter(std::u16string_view printerName) = 0;
    // EnumPrintersW on this machine (no server name), levels 2 and 4: the records, then their
    // texts, in `buffer`. A buffer smaller than *needed bytes: ErrorInsufficientBuffer, nothing
    // returned; call with size 0 to learn the size.
    virtual ErrorCode EnumPrinters(std::uint32_t flags, std::uint32_t level, std::uint8_t* buffer,
                                   std::uint32_t bufferSize, std::uint32_t* needed, std::uint32_t* returned) = 0;
    // AddPrinterConnectionW: connects the user to a shared printer, "\\server\printer".
    virtual ErrorCode AddPrinterConnection(std::u16string_view printerName) = 0;
    // OpenPrinterW without defaults: the handle carries the rights the user holds on the printer.
    virtual ErrorCode OpenPrinter(std::u16string_view printerName, HPrinter* printer) = 0;
    // DeletePrinter: removes the opened printer, or the user's connection to it.
    virtual ErrorCode DeletePrinter(HPrinter printer) = 0;
    virtual ErrorCode ClosePrinter(HPrinter printer) = 0;
};

// The spooler of the workstation this process runs on.
IPrintSpooler& PrintSpooler();

} // namespace prolamo::os
