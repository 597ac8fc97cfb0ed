#include "Translation.h"

namespace prolamo {

namespace {

TTranslationLookup& Lookup() {
    static TTranslationLookup lookup = nullptr;
    return lookup;
}

} // namespace

void SetTranslationLookup(TTranslationLookup lookup) {
    Lookup() = lookup;
}

std::string Translated(const char* context, const char* english) {
    return Lookup() ? Lookup()(context, english) : std::string(english);
}

std::string Translated(const char* context, const char* english, std::initializer_list<std::string_view> arguments) {
    const std::string text = Translated(context, english);
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        // One digit: no message has more than nine arguments. An argument's own "%2" stays as it is.
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9' &&
            static_cast<std::size_t>(text[i + 1] - '1') < arguments.size()) {
            result += arguments.begin()[text[i + 1] - '1'];
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

std::string CountedText(int count, const char* one, const char* many) {
    return Translated("Engine", count == 1 ? one : many, {std::to_string(count)});
}

} // namespace prolamo
