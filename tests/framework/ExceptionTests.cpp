#include "framework/Exceptions.h"

#include <gtest/gtest.h>

using namespace prolamo;

TEST(Exceptions, OperatingSystemErrorCarriesCodeAndSystemText) {
    const EOSError error(5);
    EXPECT_EQ(error.ErrorCode(), 5u);
    EXPECT_EQ(error.Message(), "System Error.  Code: 5.\nAccess is denied");
}

TEST(Exceptions, FileErrorTexts) {
    EXPECT_EQ(EInOutError(2).Message(), "File not found");
    EXPECT_EQ(EInOutError(3).Message(), "Invalid filename");
    EXPECT_EQ(EInOutError(5).Message(), "File access denied");
    EXPECT_EQ(EInOutError(100).Message(), "Read beyond end of file");
    EXPECT_EQ(EInOutError(101).Message(), "Disk full");
    EXPECT_EQ(EInOutError(32).Message(), "I/O error 32");
}

TEST(Exceptions, FormatFillsPlaceholdersInOrder) {
    EXPECT_EQ(Format(texts::ErrorReading, {"Comp", ".", "Prop", "bad"}), "Error reading Comp.Prop: bad");
    EXPECT_EQ(Format(texts::AssignError, {"TA", "TB"}), "Cannot assign a TA to a TB");
    EXPECT_EQ(EPropReadOnly("Hint").Message(), "Property Hint is read-only");
}
