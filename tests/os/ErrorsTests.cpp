#include "TestSupport.h"

#include "os/Errors.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace prolamo::os {
namespace {

TEST(SystemErrorText, GivesTheSystemTextWithItsLineEnd) {
    EXPECT_EQ(SystemErrorText(ErrorFileNotFound), "The system cannot find the file specified.\r\n");
    EXPECT_EQ(SystemErrorText(ErrorAccessDenied), "Access is denied.\r\n");
    EXPECT_EQ(SystemErrorText(ErrorSharingViolation),
              "The process cannot access the file because it is being used by another process.\r\n");
    EXPECT_EQ(SystemErrorText(ErrorNotConnected), "This network connection does not exist.\r\n");
    EXPECT_EQ(SystemErrorText(ErrorResourceTypeNotFound),
              "The specified resource type cannot be found in the image file.\r\n");
}

TEST(SystemErrorText, Win32HResultsShareTheirCodesTextAndUnknownCodesHaveNone) {
    EXPECT_EQ(HResultFromWin32(ErrorBadNetName), 0x80070043u);
    EXPECT_EQ(HResultFromWin32(ErrorSuccess), 0u);
    EXPECT_EQ(SystemErrorText(0x80070043), SystemErrorText(ErrorBadNetName));
    EXPECT_EQ(SystemErrorText(EInvalidArg), "The parameter is incorrect.\r\n");
    EXPECT_EQ(SystemErrorText(54321), "");
    EXPECT_EQ(SystemErrorText(0x80041002), ""); // not a system-table message
}

TEST(ErrnoMapping, MissingFileOrMissingFolder) {
    test::TempFolder temp;
    EXPECT_EQ(ErrnoToWindowsError(ENOENT, (temp.Path() / "absent.txt").string()), ErrorFileNotFound);
    EXPECT_EQ(ErrnoToWindowsError(ENOENT, (temp.Path() / "no" / "absent.txt").string()), ErrorPathNotFound);
    EXPECT_EQ(ErrnoToWindowsError(ENOENT, temp.Path().string() + "\\no\\absent.txt"), ErrorPathNotFound);
    EXPECT_EQ(ErrnoToWindowsError(ENOTDIR, "/etc/passwd/x"), ErrorPathNotFound);
}

TEST(ErrnoMapping, RefusalsBusyFilesAndFullDisks) {
    for (int e : {EACCES, EPERM, EROFS, EISDIR})
        EXPECT_EQ(ErrnoToWindowsError(e), ErrorAccessDenied) << e;
    EXPECT_EQ(ErrnoToWindowsError(EBUSY), ErrorSharingViolation);
    EXPECT_EQ(ErrnoToWindowsError(ETXTBSY), ErrorSharingViolation);
    EXPECT_EQ(ErrnoToWindowsError(ENOSPC), ErrorDiskFull);
    EXPECT_EQ(ErrnoToWindowsError(EEXIST), ErrorFileExists);
    EXPECT_EQ(ErrnoToWindowsError(ENAMETOOLONG), ErrorFilenameExcedRange);
    EXPECT_EQ(ErrnoToWindowsError(0), ErrorSuccess);
    EXPECT_EQ(SystemErrorText(ErrnoToWindowsError(ENOSPC)), "There is not enough space on the disk.\r\n");
}

} // namespace
} // namespace prolamo::os
