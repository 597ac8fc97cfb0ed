#include "Exceptions.h"

#include "Translation.h"
#include "os/Errors.h"
#include "os/Separators.h"

#include <cstdio>

namespace prolamo {

namespace {

std::string InOutText(int code) {
    switch (code) {
    case 2:
        return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "File not found"));
    case 3:
        return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Invalid filename"));
    case 4:
        return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Too many open files"));
    case 5:
        return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "File access denied"));
    case 100:
        return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Read beyond end of file"));
    case 101:
        return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Disk full"));
    case 106:
        return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Invalid numeric input"));
    default:
        return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "I/O error %1"), {std::to_string(code)});
    }
}

// The system text without the line break FormatMessage ends it with, and without its final period.
std::string SystemText(std::uint32_t code) {
    std::string text = os::SystemErrorText(code);
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.'))
        text.pop_back();
    return text;
}

} // namespace

EOSError::EOSError(std::uint32_t code)
    : Exception(
          Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "System Error.  Code: %1."), {std::to_string(code)}) +
          std::string(os::LineBreak) + SystemText(code)),
      errorCode_(code) {}

std::string OSErrorAdvice(std::uint32_t code) {
    switch (code) {
    case 3:
        return Translated(
            "Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Check that the folder exists and that its drive is connected"));
    case 5:
        return Translated(
            "Engine",
            PROLAMO_TRANSLATE_NOOP("Engine",
                                   "You may need administrative rights: start Prolamo as administrator and try again"));
    case 32:
        return Translated("Engine",
                          PROLAMO_TRANSLATE_NOOP("Engine", "Close the program that has the file open and try again"));
    case 112:
        return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Free some space on the disk and try again"));
    case 1314:
        return Translated("Engine",
                          PROLAMO_TRANSLATE_NOOP("Engine", "Your account lacks the right this needs: start Prolamo "
                                                           "as administrator and try again"));
    default:
        return {};
    }
}

std::string HResultAdvice(std::uint32_t resultCode) {
    return (resultCode & 0xFFFF0000u) == 0x80070000u ? OSErrorAdvice(resultCode & 0xFFFFu) : std::string();
}

std::string AdvisedMessage(const std::exception& error) {
    std::string message = error.what();
    std::string advice;
    if (const auto* osError = dynamic_cast<const EOSError*>(&error))
        advice = OSErrorAdvice(osError->ErrorCode());
    else if (const auto* oleError = dynamic_cast<const EOleSysError*>(&error))
        advice = HResultAdvice(oleError->ErrorCode());
    // The file settings add their own hint on access; one piece of advice is enough.
    if (advice.empty() || message.find(advice) != std::string::npos ||
        message.find(Translated("Engine", texts::AdminHint)) != std::string::npos)
        return message;
    return message + ". " + advice;
}

void RaiseLastOSError(std::uint32_t code) {
    if (code == 0)
        throw EOSError(0, Translated("Engine", texts::UnknownOSError));
    throw EOSError(code);
}

namespace {
std::string OleErrorText(std::uint32_t resultCode) {
    std::string text = SystemText(resultCode);
    if (!text.empty())
        return text;
    char hex[9];
    std::snprintf(hex, sizeof hex, "%.8X", static_cast<unsigned>(resultCode));
    return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "OLE error %1"), {hex});
}
} // namespace

EOleSysError::EOleSysError(std::uint32_t resultCode) : Exception(OleErrorText(resultCode)), errorCode_(resultCode) {}

void OleCheck(std::uint32_t resultCode) {
    if ((resultCode & 0x80000000u) != 0)
        throw EOleSysError(resultCode);
}

std::string WriteFailureReason(std::uint32_t code) {
    if (code == os::ErrorDiskFull || code == os::ErrorHandleDiskFull)
        return SystemText(os::ErrorHandleDiskFull);
    const std::string text = SystemText(code);
    return text.empty() ? InOutText(static_cast<int>(code)) : text;
}

EInOutError::EInOutError(int code) : Exception(InOutText(code)), errorCode_(code) {}

EPropReadOnly::EPropReadOnly(const std::string& property)
    : Exception(Translated("Engine", texts::PropertyReadOnly, {property})) {}

} // namespace prolamo
