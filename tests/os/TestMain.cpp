#include "TestSupport.h"

#include <gtest/gtest.h>

#include <unicode/uloc.h>

#include <cstdlib>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Collation results depend on the user's language; the tests expect English.
    UErrorCode status = U_ZERO_ERROR;
    uloc_setDefault("en_US", &status);
    // Anything that reaches the default machine must not touch the user's real one.
    prolamo::os::test::TempFolder fallback;
    ::setenv("PROLAMO_MACHINE", (fallback.Path() / "default-machine").c_str(), 1);
    return RUN_ALL_TESTS();
}
