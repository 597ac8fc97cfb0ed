#include "os/Text.h"

#include <unicode/ucol.h>
#include <unicode/uloc.h>
#include <unicode/ustring.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <memory>

namespace prolamo::os {

namespace {

struct CollatorCloser {
    void operator()(UCollator* c) const { ucol_close(c); }
};
using CollatorPtr = std::unique_ptr<UCollator, CollatorCloser>;

// Opening a collator is costly and sorting calls this many times; one per thread and strength
// because a collator must not be shared between threads.
UCollator* UserCollator(bool ignoreCase) {
    thread_local CollatorPtr collators[2];
    CollatorPtr& slot = collators[ignoreCase ? 1 : 0];
    if (!slot) {
        UErrorCode status = U_ZERO_ERROR;
        // The default locale comes from LANG/LC_*. The C locale is no choice of language, and ICU's
        // collation for it is code-point order (all capitals first); Windows would use its default
        // order there, which is the root collation.
        const char* locale = uloc_getDefault();
        if (std::strcmp(locale, "en_US_POSIX") == 0)
            locale = "";
        slot.reset(ucol_open(locale, &status));
        if (U_FAILURE(status)) {
            status = U_ZERO_ERROR;
            slot.reset(ucol_open("", &status)); // root collation
        }
        if (slot)
            ucol_setStrength(slot.get(), ignoreCase ? UCOL_SECONDARY : UCOL_TERTIARY);
    }
    return slot.get();
}

} // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
    if (text.empty())
        return {};
    std::u16string result(text.size(), u'\0'); // UTF-16 never needs more units than UTF-8 bytes
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(result.data()), static_cast<int32_t>(result.size()), &length,
                         text.data(), static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
    result.resize(U_SUCCESS(status) ? static_cast<std::size_t>(length) : 0);
    return result;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    if (text.empty())
        return {};
    std::string result(text.size() * 3, '\0'); // a unit yields at most 3 bytes, a pair 4
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(result.data(), static_cast<int32_t>(result.size()), &length,
                       reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()), 0xFFFD, nullptr,
                       &status);
    result.resize(U_SUCCESS(status) ? static_cast<std::size_t>(length) : 0);
    return result;
}

int CompareLocale(std::string_view a, std::string_view b, bool ignoreCase) {
    UCollator* collator = UserCollator(ignoreCase);
    if (collator == nullptr) {
        const int c = a.compare(b);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult r = ucol_strcollUTF8(collator, a.data(), static_cast<int32_t>(a.size()), b.data(),
                                                static_cast<int32_t>(b.size()), &status);
    return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

// The simulated workstation's programs speak UTF-8.
std::string Utf8ToAnsi(std::string_view text) {
    return std::string(text);
}

std::string AnsiToUtf8(std::string_view text) {
    return std::string(text);
}

std::uint32_t GetTickCount() {
#ifdef CLOCK_BOOTTIME
    // Counts suspended time too, as the Windows tick count does.
    timespec ts{};
    if (clock_gettime(CLOCK_BOOTTIME, &ts) == 0)
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                                          static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u);
#endif
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(ms.count());
}

bool LocalTime(std::time_t when, std::tm* local) {
    tzset();
    return localtime_r(&when, local) != nullptr;
}

} // namespace prolamo::os
