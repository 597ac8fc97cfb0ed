#pragma once

#include "Translation.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace prolamo {

// The platform's exception hierarchy. Every failure carries the message the user sees.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// A failed operating-system call: "System Error.  Code: %d." + line break + the system's text.
class EOSError : public Exception {
public:
    explicit EOSError(std::uint32_t code);
    EOSError(std::uint32_t code, const std::string& message) : Exception(message), errorCode_(code) {}
    std::uint32_t ErrorCode() const { return errorCode_; }

private:
    std::uint32_t errorCode_;
};

// One sentence on what the user can do about a common operating-system error; empty for others.
std::string OSErrorAdvice(std::uint32_t code);
// What the user reads of an error: an operating-system error's message gains its advice, after
// the system's text, unless the message already advises.
std::string AdvisedMessage(const std::exception& error);
// The advice for a COM result that wraps an operating-system error (HRESULT_FROM_WIN32); none else.
std::string HResultAdvice(std::uint32_t resultCode);

// The operating-system error for a code a failed call left; 0 gives "A call to an OS function failed".
[[noreturn]] void RaiseLastOSError(std::uint32_t code);

// The silent exception: it ends an operation without a message for the user.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};

// A failed COM call: the system's text for the result code, else "OLE error %.8X".
class EOleSysError : public Exception {
public:
    explicit EOleSysError(std::uint32_t resultCode);
    std::uint32_t ErrorCode() const { return errorCode_; }

private:
    std::uint32_t errorCode_;
};

// Raises EOleSysError when the result code reports a failure (its top bit set).
void OleCheck(std::uint32_t resultCode);

// Why a file write failed, in words: the system's text for the code without its final period ("The
// disk is full" for either full-disk code), or "I/O error %d" for a code without a text.
std::string WriteFailureReason(std::uint32_t code);

// A failed file read or write, with the platform's I/O error code and text.
class EInOutError : public Exception {
public:
    explicit EInOutError(int code);
    EInOutError(int code, const std::string& message) : Exception(message), errorCode_(code) {}
    int ErrorCode() const { return errorCode_; }

private:
    int errorCode_;
};

class EConvertError : public Exception {
    using Exception::Exception;
};

class EStreamError : public Exception {
    using Exception::Exception;
};

class EFilerError : public EStreamError {
    using EStreamError::EStreamError;
};

class EReadError : public EFilerError {
    using EFilerError::EFilerError;
};

class EClassNotFound : public EFilerError {
    using EFilerError::EFilerError;
};

// Raised for a property without write access.
class EPropReadOnly : public Exception {
public:
    explicit EPropReadOnly(const std::string& property);
};

// A broken internal invariant: a program error, never caused by user input.
class EAssertionFailed : public Exception {
    using Exception::Exception;
};

class EListError : public Exception {
    using Exception::Exception;
};

class ERegistryException : public Exception {
    using Exception::Exception;
};

// Message texts of the platform, in one place: "Engine" texts that Translated tells.
namespace texts {
inline constexpr const char* InvalidStreamFormat = PROLAMO_TRANSLATE_NOOP("Engine", "Invalid stream format");
inline constexpr const char* StreamReadError = PROLAMO_TRANSLATE_NOOP("Engine", "Stream read error");
inline constexpr const char* ClassNotFound = PROLAMO_TRANSLATE_NOOP("Engine", "Class %1 not found");
inline constexpr const char* ErrorReading = PROLAMO_TRANSLATE_NOOP("Engine", "Error reading %1%2%3: %4");
inline constexpr const char* DuplicateClass = PROLAMO_TRANSLATE_NOOP("Engine", "A class named %1 already exists");
inline constexpr const char* AssignError = PROLAMO_TRANSLATE_NOOP("Engine", "Cannot assign a %1 to a %2");
inline constexpr const char* UnknownProperty = PROLAMO_TRANSLATE_NOOP("Engine", "Property %1 does not exist");
inline constexpr const char* PropertyReadOnly = PROLAMO_TRANSLATE_NOOP("Engine", "Property %1 is read-only");
inline constexpr const char* DuplicateProperty = PROLAMO_TRANSLATE_NOOP("Engine", "Property %1 is stored twice");
inline constexpr const char* DuplicateComponent =
    PROLAMO_TRANSLATE_NOOP("Engine", "A component named %1 already exists");
inline constexpr const char* InvalidUtf8 = PROLAMO_TRANSLATE_NOOP("Engine", "The text of %1 is not valid UTF-8");
inline constexpr const char* InvalidPropertyValue = PROLAMO_TRANSLATE_NOOP("Engine", "Invalid property value");
inline constexpr const char* ListIndexError = PROLAMO_TRANSLATE_NOOP("Engine", "List index out of bounds (%1)");
inline constexpr const char* UnknownOSError = PROLAMO_TRANSLATE_NOOP("Engine", "A call to an OS function failed");
// What a denied write adds after its error, when a protected system file is the likely cause.
inline constexpr const char* AdminHint = PROLAMO_TRANSLATE_NOOP("Engine", "You may need administrative privileges");
} // namespace texts

} // namespace prolamo
