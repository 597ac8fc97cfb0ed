#pragma once
// Windows error codes as this layer returns them, and their system texts.
// Names are spelled in CamelCase so that they never collide with the macros of <windows.h>.

#include <cstdint>
#include <string>
#include <string_view>

namespace prolamo::os {

using ErrorCode = std::uint32_t; // a Win32 error code (GetLastError / LSTATUS)
using HResult = std::uint32_t;   // an HRESULT, kept unsigned so it prints as Windows shows it

inline constexpr ErrorCode ErrorSuccess = 0;
inline constexpr ErrorCode ErrorInvalidFunction = 1;
inline constexpr ErrorCode ErrorFileNotFound = 2;
inline constexpr ErrorCode ErrorPathNotFound = 3;
inline constexpr ErrorCode ErrorTooManyOpenFiles = 4;
inline constexpr ErrorCode ErrorAccessDenied = 5;
inline constexpr ErrorCode ErrorInvalidHandle = 6;
inline constexpr ErrorCode ErrorNotEnoughMemory = 8;
inline constexpr ErrorCode ErrorInvalidData = 13;
inline constexpr ErrorCode ErrorNotSameDevice = 17;
inline constexpr ErrorCode ErrorWriteProtect = 19;
inline constexpr ErrorCode ErrorGenFailure = 31;
inline constexpr ErrorCode ErrorSharingViolation = 32;
inline constexpr ErrorCode ErrorLockViolation = 33;
inline constexpr ErrorCode ErrorHandleDiskFull = 39;
inline constexpr ErrorCode ErrorBadNetpath = 53;
inline constexpr ErrorCode ErrorBadNetName = 67;
inline constexpr ErrorCode ErrorFileExists = 80;
inline constexpr ErrorCode ErrorAlreadyAssigned = 85;
inline constexpr ErrorCode ErrorInvalidParameter = 87;
inline constexpr ErrorCode ErrorBrokenPipe = 109;
inline constexpr ErrorCode ErrorOpenFailed = 110;
inline constexpr ErrorCode ErrorDiskFull = 112;
inline constexpr ErrorCode ErrorInsufficientBuffer = 122;
inline constexpr ErrorCode ErrorInvalidLevel = 124;
inline constexpr ErrorCode ErrorDirNotEmpty = 145;
inline constexpr ErrorCode ErrorBadPathname = 161;
inline constexpr ErrorCode ErrorBusy = 170;
inline constexpr ErrorCode ErrorAlreadyExists = 183;
inline constexpr ErrorCode ErrorEnvvarNotFound = 203;
inline constexpr ErrorCode ErrorFilenameExcedRange = 206;
inline constexpr ErrorCode ErrorFileTooLarge = 223;
inline constexpr ErrorCode ErrorPipeBusy = 231;
inline constexpr ErrorCode ErrorMoreData = 234;
inline constexpr ErrorCode ErrorNoMoreItems = 259;
inline constexpr ErrorCode ErrorDirectory = 267;
inline constexpr ErrorCode ErrorBadKey = 1010;
inline constexpr ErrorCode ErrorRegistryIoFailed = 1016;
inline constexpr ErrorCode ErrorKeyDeleted = 1018;
inline constexpr ErrorCode ErrorProcessAborted = 1067;
inline constexpr ErrorCode ErrorIoDevice = 1117;
inline constexpr ErrorCode ErrorNotFound = 1168;
inline constexpr ErrorCode ErrorBadDevice = 1200;
inline constexpr ErrorCode ErrorDeviceAlreadyRemembered = 1202;
inline constexpr ErrorCode ErrorNoNetOrBadPath = 1203;
inline constexpr ErrorCode ErrorSessionCredentialConflict = 1219;
inline constexpr ErrorCode ErrorNoNetwork = 1222;
inline constexpr ErrorCode ErrorNotAllAssigned = 1300;
inline constexpr ErrorCode ErrorNoSuchPrivilege = 1313;
inline constexpr ErrorCode ErrorPrivilegeNotHeld = 1314;
inline constexpr ErrorCode ErrorCantAccessDomainInfo = 1351;
inline constexpr ErrorCode ErrorInvalidWindowHandle = 1400;
inline constexpr ErrorCode ErrorTimeout = 1460;
inline constexpr ErrorCode ErrorInvalidPrinterName = 1801;
inline constexpr ErrorCode ErrorResourceDataNotFound = 1812;
inline constexpr ErrorCode ErrorResourceTypeNotFound = 1813;
inline constexpr ErrorCode ErrorNotConnected = 2250;
inline constexpr ErrorCode ErrorDeviceInUse = 2404;

inline constexpr HResult SOk = 0;
inline constexpr HResult EFail = 0x80004005;
inline constexpr HResult EInvalidArg = 0x80070057;

constexpr HResult HResultFromWin32(ErrorCode code) {
    return code == 0 || (code & 0x80000000u) != 0 ? code : (code & 0xFFFFu) | 0x80070000u;
}

// The text FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM) gives for the code (on Windows in the user's
// language, on the simulated workstation in en-US), with its trailing "\r\n". HRESULTs of the
// FACILITY_WIN32 form give the text of their Win32 code. A code without a known text gives an
// empty string, as a failed FormatMessage leaves nothing.
std::string SystemErrorText(std::uint32_t code);

#ifndef _WIN32
// Maps an errno of a file operation to the code Windows gives for the same failure. ENOENT
// becomes ErrorPathNotFound instead of ErrorFileNotFound when the folder of `path` is missing.
// Only the simulated workstation has errno values to map.
ErrorCode ErrnoToWindowsError(int errnoValue, std::string_view path = {});
#endif

} // namespace prolamo::os
