// Error texts, text conversion and version records as both backends must answer them.

#include "Backend.h"

#include "os/Errors.h"
#include "os/Text.h"
#include "os/VersionInfo.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace prolamo::os::contract {
namespace {

TEST(ErrorTextContract, SystemCodesHaveALineEndedTextAndHResultsShareIt) {
    for (ErrorCode code : {ErrorFileNotFound, ErrorAccessDenied, ErrorSharingViolation, ErrorPrivilegeNotHeld}) {
        const std::string text = SystemErrorText(code);
        ASSERT_GT(text.size(), 2u) << code;
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << code;
        EXPECT_EQ(SystemErrorText(HResultFromWin32(code)), text) << code;
    }
    EXPECT_NE(SystemErrorText(ErrorFileNotFound), SystemErrorText(ErrorPathNotFound));
    EXPECT_EQ(SystemErrorText(54321), "");
}

TEST(TextContract, Utf8AndUtf16ConvertBothWaysAndMendIllFormedInput) {
    const std::string text = "ascii \xC3\xA4\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80"; // ä ß € 😀
    EXPECT_EQ(Utf8ToUtf16(text), u"ascii äß € 😀");
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
    const std::string withZero("a\0b", 3);
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(withZero)), withZero);
    EXPECT_EQ(Utf8ToUtf16("a\xFF"
                          "b"),
              u"a\uFFFDb");
    const std::u16string lone{u'x', static_cast<char16_t>(0xD800), u'y'};
    EXPECT_EQ(Utf16ToUtf8(lone), "x\xEF\xBF\xBDy");
}

TEST(TextContract, LocaleComparisonPutsLettersBeforeCase) {
    EXPECT_EQ(CompareLocale("apple", "Banana", false), -1);
    EXPECT_EQ(CompareLocale("Banana", "apple", false), 1);
    EXPECT_EQ(CompareLocale("b", "B", false), -1);
    EXPECT_EQ(CompareLocale("Home", "Home", false), 0);
    EXPECT_EQ(CompareLocale("Home", "HOME", true), 0);
    EXPECT_EQ(CompareLocale("\xC3\x84rger", "Zoo", false), -1) << "an umlaut sorts with its letter";
}

class VersionContract : public BackendTest {
protected:
    std::vector<std::uint8_t> Load(const std::string& file, ErrorCode* error) {
        std::uint32_t size = 0;
        *error = VersionInfo().GetFileVersionInfoSize(file, &size);
        if (*error != ErrorSuccess)
            return {};
        std::vector<std::uint8_t> block(size);
        *error = VersionInfo().GetFileVersionInfo(file, size, block.data());
        return block;
    }
};

TEST_F(VersionContract, TheTestProgramCarriesTheProjectsVersion) {
    ErrorCode error = ErrorGenFailure;
    const std::vector<std::uint8_t> block = Load(OwnExecutable(), &error);
    ASSERT_EQ(error, ErrorSuccess) << OwnExecutable();

    const void* value = nullptr;
    std::uint32_t length = 0;
    ASSERT_EQ(VersionInfo().VerQueryValue(block.data(), u"\\", &value, &length), ErrorSuccess);
    ASSERT_EQ(length, 52u);
    std::uint32_t fixed[13];
    std::memcpy(fixed, value, sizeof fixed);
    EXPECT_EQ(fixed[0], 0xFEEF04BDu);
    unsigned parts[3] = {};
    ASSERT_EQ(std::sscanf(PROLAMO_TEST_VERSION, "%u.%u.%u", &parts[0], &parts[1], &parts[2]), 3);
    EXPECT_EQ(fixed[2], (parts[0] << 16) | parts[1]);
    EXPECT_EQ(fixed[3], parts[2] << 16);

    ASSERT_EQ(VersionInfo().VerQueryValue(block.data(), u"\\VarFileInfo\\Translation", &value, &length), ErrorSuccess);
    ASSERT_EQ(length, 4u);
    std::uint32_t translation = 0;
    std::memcpy(&translation, value, 4);
    EXPECT_EQ(translation, 0x04B00409u) << "U.S. English, Unicode";

    ASSERT_EQ(VersionInfo().VerQueryValue(block.data(), u"\\StringFileInfo\\040904B0\\FileVersion", &value, &length),
              ErrorSuccess);
    ASSERT_GT(length, 0u);
    std::u16string text(static_cast<const char16_t*>(value), length);
    EXPECT_EQ(text.back(), u'\0') << "the length counts the terminating zero";
    EXPECT_EQ(Utf16ToUtf8(text.c_str()), std::string(PROLAMO_TEST_VERSION) + ".0");
    EXPECT_EQ(VersionInfo().VerQueryValue(block.data(), u"\\StringFileInfo\\040904B0\\NoSuchName", &value, &length),
              ErrorResourceTypeNotFound);
}

TEST_F(VersionContract, ShortBuffersAndFilesWithoutARecordAreRefused) {
    std::uint32_t size = 0;
    ASSERT_EQ(VersionInfo().GetFileVersionInfoSize(OwnExecutable(), &size), ErrorSuccess);
    std::vector<std::uint8_t> block(size);
    EXPECT_EQ(VersionInfo().GetFileVersionInfo(OwnExecutable(), size - 1, block.data()), ErrorInsufficientBuffer);

    WriteAll(PathOf("notes.txt"), "no version record in here");
    size = 99;
    EXPECT_NE(VersionInfo().GetFileVersionInfoSize(PathOf("notes.txt"), &size), ErrorSuccess);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(VersionInfo().GetFileVersionInfoSize(PathOf("missing.exe"), &size), ErrorFileNotFound);
}

} // namespace
} // namespace prolamo::os::contract
