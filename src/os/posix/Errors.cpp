#include "os/Errors.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace prolamo::os {

namespace {

struct ErrorText {
    ErrorCode code;
    const char* text;
};

// en-US texts of the system message table.
constexpr ErrorText kTexts[] = {
    {0, "The operation completed successfully."},
    {1, "Incorrect function."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {4, "The system cannot open the file."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough memory resources are available to process this command."},
    {13, "The data is invalid."},
    {17, "The system cannot move the file to a different disk drive."},
    {19, "The media is write protected."},
    {31, "A device attached to the system is not functioning."},
    {32, "The process cannot access the file because it is being used by another process."},
    {33, "The process cannot access the file because another process has locked a portion of the file."},
    {39, "The disk is full."},
    {53, "The network path was not found."},
    {67, "The network name cannot be found."},
    {80, "The file exists."},
    {85, "The local device name is already in use."},
    {87, "The parameter is incorrect."},
    {109, "The pipe has been ended."},
    {110, "The system cannot open the device or file specified."},
    {112, "There is not enough space on the disk."},
    {122, "The data area passed to a system call is too small."},
    {124, "The system call level is not correct."},
    {145, "The directory is not empty."},
    {161, "The specified path is invalid."},
    {170, "The requested resource is in use."},
    {183, "Cannot create a file when that file already exists."},
    {203, "The system could not find the environment option that was entered."},
    {206, "The filename or extension is too long."},
    {223, "The file size exceeds the limit allowed and cannot be saved."},
    {231, "All pipe instances are busy."},
    {234, "More data is available."},
    {259, "No more data is available."},
    {267, "The directory name is invalid."},
    {1010, "The configuration registry key is invalid."},
    {1016, "An I/O operation initiated by the registry failed unrecoverably. The registry could not read "
           "in, or write out, or flush, one of the files that contain the system's image of the registry."},
    {1018, "Illegal operation attempted on a registry key that has been marked for deletion."},
    {1067, "The process terminated unexpectedly."},
    {1117, "The request could not be performed because of an I/O device error."},
    {1168, "Element not found."},
    {1200, "The specified device name is invalid."},
    {1202, "The local device name has a remembered connection to another network resource."},
    {1203, "No network provider accepted the given network path."},
    {1219, "Multiple connections to a server or shared resource by the same user, using more than one user "
           "name, are not allowed. Disconnect all previous connections to the server or shared resource "
           "and try again."},
    {1222, "The network is not present or not started."},
    {1223, "The operation was canceled by the user."},
    {1300, "Not all privileges or groups referenced are assigned to the caller."},
    {1313, "A specified privilege does not exist."},
    {1314, "A required privilege is not held by the client."},
    {1351, "Configuration information could not be read from the domain controller, either because the "
           "machine is unavailable, or access has been denied."},
    {1400, "Invalid window handle."},
    {1460, "This operation returned because the timeout period expired."},
    {1801, "The printer name is invalid."},
    {1812, "The specified image file did not contain a resource section."},
    {1813, "The specified resource type cannot be found in the image file."},
    {2250, "This network connection does not exist."},
    {2404, "The device is in use by an active process and cannot be disconnected."},
};

bool ParentFolderExists(std::string_view path) {
    std::string native(path);
    for (char& c : native)
        if (c == '\\')
            c = '/';
    while (native.size() > 1 && native.back() == '/')
        native.pop_back();
    const auto slash = native.rfind('/');
    if (slash == std::string::npos)
        return !native.empty(); // relative name: its folder is the current one
    const std::string parent = slash == 0 ? std::string("/") : native.substr(0, slash);
    std::error_code ec;
    return std::filesystem::is_directory(parent, ec);
}

} // namespace

std::string SystemErrorText(std::uint32_t code) {
    if ((code & 0xFFFF0000u) == 0x80070000u)
        code &= 0xFFFFu;
    for (const auto& entry : kTexts)
        if (entry.code == code)
            return std::string(entry.text) + "\r\n";
    return {};
}

ErrorCode ErrnoToWindowsError(int errnoValue, std::string_view path) {
    switch (errnoValue) {
    case 0:
        return ErrorSuccess;
    case ENOENT:
        return path.empty() || !ParentFolderExists(path) ? ErrorPathNotFound : ErrorFileNotFound;
    case ENOTDIR:
        return ErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: // Windows refuses to open a folder as a file with "access denied"
        return ErrorAccessDenied;
    case EBUSY:
    case ETXTBSY:
        return ErrorSharingViolation;
    case EWOULDBLOCK:
        return ErrorLockViolation;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return ErrorDiskFull;
    case EEXIST:
        return ErrorFileExists;
    case ENAMETOOLONG:
        return ErrorFilenameExcedRange;
    case EMFILE:
    case ENFILE:
        return ErrorTooManyOpenFiles;
    case ENOMEM:
        return ErrorNotEnoughMemory;
    case EBADF:
        return ErrorInvalidHandle;
    case EINVAL:
        return ErrorInvalidParameter;
    case ENOTEMPTY:
        return ErrorDirNotEmpty;
    case EXDEV:
        return ErrorNotSameDevice;
    case EFBIG:
        return ErrorFileTooLarge;
    case EIO:
        return ErrorIoDevice;
    default:
        return ErrorGenFailure;
    }
}

} // namespace prolamo::os
