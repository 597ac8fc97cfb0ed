#pragma once

#include "os/Errors.h"

namespace prolamo::os::simulated {

// Win32 code for an SQLite result code.
ErrorCode SqliteToWindowsError(int rc);

} // namespace prolamo::os::simulated
