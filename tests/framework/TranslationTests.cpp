#include "framework/Translation.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>

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

// Texts made where the reader's language is unknown keep their keys, nested as they were made,
// and are told in the reader's language once read.
TEST_F(TranslationTest, KeyedTextsAreToldWhereTheyAreReadWithTheirArgumentsFirst) {
    std::string made;
    {
        const TKeyedTexts keyed;
        SetTranslationLookup(&Backwards); // the maker's lookup is not asked
        made = "Log: " + Translated("Engine", "%1 of %2", {Translated("Engine", "Applied %1", {"Office"}), "5"}) +
               ", " + CountedText(1, "%1 setting", "%1 settings");
    }
    EXPECT_EQ(made.find("angewendet"), std::string::npos);
    EXPECT_EQ(ResolvedText(made), "Log: 5: Office angewendet, 1 Einstellung");
    EXPECT_EQ(EnglishText(made), "Log: Applied Office of 5, 1 setting") << "whatever the lookup";
    SetTranslationLookup(nullptr);
    EXPECT_EQ(ResolvedText(made), "Log: Applied Office of 5, 1 setting");
    EXPECT_EQ(Translated("Engine", "Applied %1", {"Office"}), "Applied Office") << "no keys once it is gone";
    EXPECT_EQ(ResolvedText("100% of %1, plain"), "100% of %1, plain");
}

TEST_F(TranslationTest, OnlyTheThreadThatKeysItsTextsKeysThem) {
    SetTranslationLookup(&Backwards);
    const TKeyedTexts keyed;
    std::string told;
    std::thread([&] { told = Translated("Engine", "Applied %1", {"Office"}); }).join();
    EXPECT_EQ(told, "Office angewendet");
    EXPECT_NE(Translated("Engine", "Applied %1", {"Office"}), "Office angewendet");
}

// What is read may come from anywhere: broken keys are told as far as they go, stray marks are
// dropped, and no nesting runs the reader deep.
TEST_F(TranslationTest, BrokenKeyedTextsAreToldAsFarAsTheyGo) {
    SetTranslationLookup(&Backwards);
    std::string whole;
    {
        const TKeyedTexts keyed;
        whole = Translated("Engine", "Applied %1", {"Office"});
    }
    EXPECT_EQ(ResolvedText(whole.substr(0, whole.size() - 1)), "Office angewendet") << "no close";
    EXPECT_EQ(ResolvedText(whole.substr(0, 7)), "Engine") << "no text after the context";
    EXPECT_EQ(ResolvedText("a\x1D"
                           "b\x1F"
                           "c"),
              "abc");
    EXPECT_EQ(ResolvedText(whole + "\x1D" + whole), "Office angewendetOffice angewendet");
    const std::string deep = std::string(100000, '\x1C') + "x" + std::string(100000, '\x1D');
    EXPECT_EQ(ResolvedText(deep), "x") << "a context alone, at every level";
    EXPECT_EQ(ResolvedText(std::string(100000, '\x1C') + whole).find('\x1C'), std::string::npos);
}
