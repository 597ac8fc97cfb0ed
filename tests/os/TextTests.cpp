#include "os/Text.h"

#include <unicode/uloc.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace prolamo::os {
namespace {

TEST(TextConversion, RoundTripsEveryPlaneIncludingSurrogatePairs) {
    const std::string text = "ascii \xC3\xA4\xC3\x9F \xE2\x82\xAC \xF0\x9D\x84\x9E \xF0\x9F\x98\x80"; // ä ß € 𝄞 😀
    const std::u16string wide = Utf8ToUtf16(text);
    EXPECT_EQ(wide, u"ascii äß € 𝄞 😀");
    EXPECT_EQ(wide.size(), 16u); // each of the last two takes a surrogate pair
    EXPECT_EQ(Utf16ToUtf8(wide), text);
    EXPECT_EQ(Utf8ToUtf16(""), u"");
    EXPECT_EQ(Utf16ToUtf8(u""), "");
    const std::string withZero("a\0b", 3);
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(withZero)), withZero);
}

TEST(TextConversion, IllFormedInputBecomesReplacementCharacters) {
    EXPECT_EQ(Utf8ToUtf16("a\xFF"
                          "b"),
              u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("\xE2\x82"), u"\uFFFD"); // cut-off sequence
    const std::u16string lone{u'x', static_cast<char16_t>(0xD800), u'y'};
    EXPECT_EQ(Utf16ToUtf8(lone), "x\xEF\xBF\xBDy");
}

TEST(LocaleComparison, OrdersByLettersBeforeCase) {
    // Unlike byte order, which puts every capital before every small letter.
    EXPECT_EQ(CompareLocale("apple", "Banana", false), -1);
    EXPECT_EQ(CompareLocale("Banana", "apple", false), 1);
    EXPECT_EQ(CompareLocale("a", "B", false), -1);
    // Case decides only between otherwise equal texts, small letters first.
    EXPECT_EQ(CompareLocale("b", "B", false), -1);
    EXPECT_EQ(CompareLocale("B", "b", false), 1);
    EXPECT_EQ(CompareLocale("Home", "Home", false), 0);
    EXPECT_EQ(CompareLocale("Home", "home", true), 0);
    EXPECT_EQ(CompareLocale("HOME", "office", true), -1);
    // Accents still count when case does not.
    EXPECT_NE(CompareLocale("resume", "r\xC3\xA9sum\xC3\xA9", true), 0);
}

TEST(LocaleComparison, SortsProfileNamesAsAUserExpects) {
    std::vector<std::string> names = {"office", "Home", "home", "\xC3\x84rger", "Zoo", "alpha"};
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return CompareLocale(a, b, false) < 0; });
    EXPECT_EQ(names, (std::vector<std::string>{"alpha", "\xC3\x84rger", "home", "Home", "office", "Zoo"}));
}

TEST(LocaleComparison, TheCLocaleStillSortsLettersBeforeCase) {
    // Collators are made per thread, so a new thread picks up the changed default locale.
    const std::string previous = uloc_getDefault();
    UErrorCode status = U_ZERO_ERROR;
    uloc_setDefault("en_US_POSIX", &status); // what ICU makes of LANG=C
    int smallBeforeCapital = 0, ignoringCase = 1;
    std::thread([&] {
        smallBeforeCapital = CompareLocale("a", "B", false);
        ignoringCase = CompareLocale("Home", "home", true);
    }).join();
    uloc_setDefault(previous.c_str(), &status);
    EXPECT_EQ(smallBeforeCapital, -1);
    EXPECT_EQ(ignoringCase, 0);
}

TEST(TickCount, CountsMillisecondsSinceTheMachineStarted) {
    std::ifstream uptimeFile("/proc/uptime");
    double uptime = 0;
    if (!(uptimeFile >> uptime))
        GTEST_SKIP() << "no /proc/uptime to compare with";
    const double ticks = static_cast<double>(GetTickCount());
    const double expected = std::fmod(uptime * 1000.0, 4294967296.0);
    EXPECT_NEAR(ticks, expected, 2000.0);
}

} // namespace
} // namespace prolamo::os
