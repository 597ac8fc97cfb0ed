#include "framework/Translation.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace prolamo;

namespace {

// A front end's catalogue: a few texts of one context, turned around to tell them apart.
std::string Backwards(const char* context, const char* english) {
    static const std::map<std::string, std::string> known{
        {"Applied %1", "%1 angewendet"}, {"%1 of %2", "%2: %1"}, {"%1 setting", "%1 Einstellung"}};
    const auto found = known.find(english);
    return std::string(context) == "Engine" && found != known.end() ? found->second : english;
}

class TranslationTest : public ::testing::Test {
protected:
    void TearDown() override { SetTranslationLookup(nullptr); }
};

} // namespace

TEST_F(TranslationTest, WithoutALookupTheEnglishTextStaysWithItsArgumentsInPlace) {
    EXPECT_EQ(Translated("Engine", "Applied %1"), "Applied %1");
    EXPECT_EQ(Translated("Engine", "Applied %1", {"Office"}), "Applied Office");
    EXPECT_EQ(CountedText(1, "%1 setting", "%1 settings"), "1 setting");
    EXPECT_EQ(CountedText(0, "%1 setting", "%1 settings"), "0 settings");
    EXPECT_EQ(CountedText(2, "%1 setting", "%1 settings"), "2 settings");
}

TEST_F(TranslationTest, ALookupTranslatesByContextAndEnglishTextAndMayMoveTheArguments) {
    SetTranslationLookup(&Backwards);
    EXPECT_EQ(Translated("Engine", "Applied %1", {"Office"}), "Office angewendet");
    EXPECT_EQ(Translated("Engine", "%1 of %2", {"3", "5"}), "5: 3");
    EXPECT_EQ(Translated("Other", "Applied %1", {"Office"}), "Applied Office") << "another context";
    EXPECT_EQ(Translated("Engine", "Unknown %1", {"x"}), "Unknown x") << "a text the lookup does not know";
    EXPECT_EQ(CountedText(1, "%1 setting", "%1 settings"), "1 Einstellung");
}

TEST_F(TranslationTest, ArgumentsAreInsertedOnceAndMarksWithoutAnArgumentStay) {
    // An argument's own "%2" is a name, not a place for the next argument.
    EXPECT_EQ(Translated("Engine", "%1 and %2", {"100%2", "b"}), "100%2 and b");
    EXPECT_EQ(Translated("Engine", "%1, %3, 50%", {"a"}), "a, %3, 50%");
    EXPECT_EQ(Translated("Engine", "%", {}), "%");
}
