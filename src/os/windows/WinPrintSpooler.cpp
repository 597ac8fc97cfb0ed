// The print spooler through winspool's wide-character calls.

#include "os/PrintSpooler.h"
#include "os/windows/WinSupport.h"

#include <winspool.h>

#include <cstddef>

// As in WinSupport.h: the members carry these names.
#undef AddPrinterConnection
#undef EnumPrinters
#undef GetDefaultPrinter
#undef OpenPrinter
#undef SetDefaultPrinter

namespace prolamo::os {

namespace {

using windows::LastErrorOr;
using windows::Wide;

// The spooler writes its records straight into the caller's buffer: the layouts must be the same.
#define PROLAMO_SAME_FIELD(ours, theirs, field) static_assert(offsetof(ours, field) == offsetof(theirs, field))
static_assert(sizeof(PrinterInfo2) == sizeof(PRINTER_INFO_2W));
PROLAMO_SAME_FIELD(PrinterInfo2, PRINTER_INFO_2W, pServerName);
PROLAMO_SAME_FIELD(PrinterInfo2, PRINTER_INFO_2W, pPrinterName);
PROLAMO_SAME_FIELD(PrinterInfo2, PRINTER_INFO_2W, pShareName);
PROLAMO_SAME_FIELD(PrinterInfo2, PRINTER_INFO_2W, pPortName);
PROLAMO_SAME_FIELD(PrinterInfo2, PRINTER_INFO_2W, pDriverName);
PROLAMO_SAME_FIELD(PrinterInfo2, PRINTER_INFO_2W, pDevMode);
PROLAMO_SAME_FIELD(PrinterInfo2, PRINTER_INFO_2W, pSecurityDescriptor);
PROLAMO_SAME_FIELD(PrinterInfo2, PRINTER_INFO_2W, Attributes);
PROLAMO_SAME_FIELD(PrinterInfo2, PRINTER_INFO_2W, Status);
PROLAMO_SAME_FIELD(PrinterInfo2, PRINTER_INFO_2W, AveragePPM);
static_assert(sizeof(PrinterInfo4) == sizeof(PRINTER_INFO_4W));
PROLAMO_SAME_FIELD(PrinterInfo4, PRINTER_INFO_4W, pPrinterName);
PROLAMO_SAME_FIELD(PrinterInfo4, PRINTER_INFO_4W, pServerName);
PROLAMO_SAME_FIELD(PrinterInfo4, PRINTER_INFO_4W, Attributes);
#undef PROLAMO_SAME_FIELD

class WinPrintSpooler final : public IPrintSpooler {
public:
    ErrorCode GetDefaultPrinter(char16_t* buffer, std::uint32_t* size) override {
        DWORD length = *size;
        const BOOL found = ::GetDefaultPrinterW(reinterpret_cast<wchar_t*>(buffer), &length);
        *size = length;
        return found ? ErrorSuccess : LastErrorOr(ErrorFileNotFound);
    }

    ErrorCode SetDefaultPrinter(std::u16string_view printerName) override {
        const std::wstring name = Wide(printerName);
        return ::SetDefaultPrinterW(name.empty() ? nullptr : name.c_str()) ? ErrorSuccess
                                                                           : LastErrorOr(ErrorInvalidPrinterName);
    }

    ErrorCode EnumPrinters(std::uint32_t flags, std::uint32_t level, std::uint8_t* buffer, std::uint32_t bufferSize,
                           std::uint32_t* needed, std::uint32_t* returned) override {
        DWORD bytes = 0, count = 0;
        const BOOL listed = ::EnumPrintersW(flags, nullptr, level, buffer, bufferSize, &bytes, &count);
        *needed = bytes;
        *returned = listed ? count : 0;
        return listed ? ErrorSuccess : LastErrorOr(ErrorInsufficientBuffer);
    }

    ErrorCode AddPrinterConnection(std::u16string_view printerName) override {
        std::wstring name = Wide(printerName);
        return ::AddPrinterConnectionW(name.data()) ? ErrorSuccess : LastErrorOr(ErrorInvalidPrinterName);
    }

    ErrorCode OpenPrinter(std::u16string_view printerName, HPrinter* printer) override {
        std::wstring name = Wide(printerName);
        HANDLE opened = nullptr;
        if (!::OpenPrinterW(name.data(), &opened, nullptr))
            return LastErrorOr(ErrorInvalidPrinterName);
        *printer = reinterpret_cast<HPrinter>(opened);
        return ErrorSuccess;
    }

    ErrorCode DeletePrinter(HPrinter printer) override {
        return ::DeletePrinter(reinterpret_cast<HANDLE>(printer)) ? ErrorSuccess : LastErrorOr(ErrorAccessDenied);
    }

    ErrorCode ClosePrinter(HPrinter printer) override {
        return ::ClosePrinter(reinterpret_cast<HANDLE>(printer)) ? ErrorSuccess : LastErrorOr(ErrorInvalidHandle);
    }
};

} // namespace

IPrintSpooler& PrintSpooler() {
    static WinPrintSpooler spooler;
    return spooler;
}

} // namespace prolamo::os
