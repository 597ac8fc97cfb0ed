#include "framework/Exceptions.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace prolamo;

TEST(Exceptions, OperatingSystemErrorCarriesCodeAndSystemText) {
    const EOSError error(5);
    EXPECT_EQ(error.ErrorCode(), 5u);
    EXPECT_EQ(error.Message(), "System Error.  Code: 5.\nAccess is denied");
}

TEST(Exceptions, CommonOperatingSystemErrorsGainAdviceAfterTheSystemText) {
    EXPECT_EQ(AdvisedMessage(EOSError(5)), "System Error.  Code: 5.\nAccess is denied. You may need administrative "
                                           "rights: start Prolamo as administrator and try again");
    for (const std::uint32_t code : {3u, 32u, 112u, 1314u}) {
        const std::string message = EOSError(code).Message();
        const std::string advised = AdvisedMessage(EOSError(code));
        EXPECT_EQ(advised.rfind(message + ". ", 0), 0u) << advised;
        EXPECT_EQ(advised.substr(message.size() + 2), OSErrorAdvice(code));
        EXPECT_FALSE(OSErrorAdvice(code).empty()) << code;
    }
    EXPECT_EQ(AdvisedMessage(EOSError(2)), EOSError(2).Message()) << "no advice for a missing file";
    EXPECT_EQ(AdvisedMessage(Exception("plain")), "plain");
    const EOSError hinted(5, "System Error.  Code: 5.\nAccess is denied. You may need administrative privileges");
    EXPECT_EQ(AdvisedMessage(hinted), hinted.Message()) << "one piece of advice";
}

namespace {

// The desktop program's German for the texts an operating-system error is told with.
std::string German(const char* context, const char* english) {
    static const std::map<std::string, std::string> known{
        {"System Error.  Code: %1.", "Systemfehler.  Code: %1."},
        {"You may need administrative rights: start Prolamo as administrator and try again",
         "Sie brauchen vielleicht Administratorrechte: Starten Sie Prolamo als Administrator"},
        {"You may need administrative privileges", "Sie brauchen vielleicht Administratorrechte"},
        {"File access denied", "Dateizugriff verweigert"}};
    const auto found = known.find(english);
    return std::string(context) == "Engine" && found != known.end() ? found->second : english;
}

} // namespace

TEST(Exceptions, AnOperatingSystemErrorAndItsAdviceAreToldInTheFrontEndsLanguage) {
    SetTranslationLookup(&German);
    const EOSError denied(5);
    const std::string advised = AdvisedMessage(denied);
    const EOSError hinted(5, "Dateizugriff verweigert. Sie brauchen vielleicht Administratorrechte");
    const std::string hintedAdvised = AdvisedMessage(hinted);
    const std::string fileError = EInOutError(5).Message();
    SetTranslationLookup(nullptr);
    EXPECT_EQ(advised, "Systemfehler.  Code: 5.\nAccess is denied. Sie brauchen vielleicht Administratorrechte: "
                       "Starten Sie Prolamo als Administrator");
    EXPECT_EQ(hintedAdvised, hinted.Message()) << "the German hint is advice enough";
    EXPECT_EQ(fileError, "Dateizugriff verweigert");
    EXPECT_EQ(AdvisedMessage(EOSError(5)), "System Error.  Code: 5.\nAccess is denied. You may need administrative "
                                           "rights: start Prolamo as administrator and try again")
        << "English again without the lookup";
}

TEST(Exceptions, ComResultsThatWrapAnOperatingSystemErrorGainItsAdvice) {
    EXPECT_EQ(HResultAdvice(0x80070005u), OSErrorAdvice(5));
    EXPECT_EQ(HResultAdvice(0x80070020u), OSErrorAdvice(32));
    EXPECT_EQ(HResultAdvice(0x80004005u), "") << "E_FAIL wraps no system error";
    EXPECT_EQ(HResultAdvice(0x00070005u), "") << "not a failure";
    EXPECT_EQ(HResultAdvice(0x80070002u), "") << "a system error without advice";
    const EOleSysError denied(0x80070005u);
    EXPECT_EQ(AdvisedMessage(denied), std::string(denied.what()) + ". " + OSErrorAdvice(5));
}

TEST(Exceptions, FileErrorTexts) {
    EXPECT_EQ(EInOutError(2).Message(), "File not found");
    EXPECT_EQ(EInOutError(3).Message(), "Invalid filename");
    EXPECT_EQ(EInOutError(5).Message(), "File access denied");
    EXPECT_EQ(EInOutError(100).Message(), "Read beyond end of file");
    EXPECT_EQ(EInOutError(101).Message(), "Disk full");
    EXPECT_EQ(EInOutError(32).Message(), "I/O error 32");
}
