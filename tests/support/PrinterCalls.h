#pragma once

#include "os/PrintSpooler.h"

#include <gtest/gtest.h>

#include <string_view>

namespace prolamo::test {

// Deletes a printer, or the user's connection to one, as a caller does: open it by name, delete
// through the handle, close the handle.
inline os::ErrorCode DeletePrinterNamed(std::u16string_view name) {
    os::HPrinter printer = 0;
    if (const os::ErrorCode e = os::PrintSpooler().OpenPrinter(name, &printer); e != os::ErrorSuccess)
        return e;
    const os::ErrorCode e = os::PrintSpooler().DeletePrinter(printer);
    EXPECT_EQ(os::PrintSpooler().ClosePrinter(printer), os::ErrorSuccess);
    return e;
}

} // namespace prolamo::test
