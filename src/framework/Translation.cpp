#include "Translation.h"

#include <vector>

namespace prolamo {

namespace {

TTranslationLookup& Lookup() {
    static TTranslationLookup lookup = nullptr;
    return lookup;
}

// A keyed text: KeyOpen, the context, KeyArgument, the English text, KeyArgument before each
// argument (itself a text that may hold keyed texts), KeyClose. Control characters no text uses.
constexpr char KeyOpen = '\x1C';
constexpr char KeyClose = '\x1D';
constexpr char KeyArgument = '\x1F';
// Deeper keyed texts than any message makes are read as plain text, so no input runs deep.
constexpr int MaxKeyedDepth = 16;

thread_local int keyedTexts = 0;

// Text with its %1, %2... replaced by Arguments in order.
std::string Filled(const std::string& text, std::span<const std::string_view> arguments) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        // One digit: no message has more than nine arguments. An argument's own "%2" stays as it is.
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9' &&
            static_cast<std::size_t>(text[i + 1] - '1') < arguments.size()) {
            result += arguments[static_cast<std::size_t>(text[i + 1] - '1')];
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

std::string LookedUp(const char* context, const char* english) {
    return Lookup() ? Lookup()(context, english) : std::string(english);
}

std::string Keyed(const char* context, const char* english, std::span<const std::string_view> arguments) {
    std::string text = KeyOpen + std::string(context) + KeyArgument + english;
    for (const std::string_view argument : arguments)
        (text += KeyArgument) += argument;
    return text + KeyClose;
}

// Where TKeyedTexts are in force, the key for a later reader; elsewhere the text told now.
std::string Told(const char* context, const char* english, std::span<const std::string_view> arguments) {
    return keyedTexts > 0 ? Keyed(context, english, arguments) : Filled(LookedUp(context, english), arguments);
}

class TResolver {
public:
    TResolver(std::string_view text, bool useLookup) : text_(text), useLookup_(useLookup) {}

    // Plain text and keyed texts, up to the end or, within a keyed text, to its next mark.
    std::string Text(int depth) {
        std::string result;
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if ((c == KeyArgument || c == KeyClose) && depth > 0)
                return result;
            ++at_;
            if (c == KeyOpen && depth < MaxKeyedDepth)
                result += KeyedText(depth + 1);
            else if (!IsKeyedTextMark(c))
                result += c;
        }
        return result;
    }

private:
    // After its KeyOpen. One cut short is told as far as it goes.
    std::string KeyedText(int depth) {
        const std::string context = Text(depth);
        if (at_ == text_.size() || text_[at_++] != KeyArgument)
            return context;
        const std::string english = Text(depth);
        std::vector<std::string> arguments;
        while (at_ < text_.size() && text_[at_] == KeyArgument) {
            ++at_;
            arguments.push_back(Text(depth));
        }
        if (at_ < text_.size())
            ++at_; // its KeyClose
        const std::vector<std::string_view> views(arguments.begin(), arguments.end());
        return Filled(useLookup_ ? LookedUp(context.c_str(), english.c_str()) : english, views);
    }

    std::string_view text_;
    bool useLookup_;
    std::size_t at_ = 0;
};

} // namespace

TKeyedTexts::TKeyedTexts() {
    ++keyedTexts;
}

TKeyedTexts::~TKeyedTexts() {
    --keyedTexts;
}

std::string ResolvedText(std::string_view text) {
    return TResolver(text, true).Text(0);
}

std::string EnglishText(std::string_view text) {
    return TResolver(text, false).Text(0);
}

bool IsKeyedTextMark(char c) {
    return c == KeyOpen || c == KeyClose || c == KeyArgument;
}

void SetTranslationLookup(TTranslationLookup lookup) {
    Lookup() = lookup;
}

std::string Translated(const char* context, const char* english) {
    return Translated(context, english, {});
}

std::string Translated(const char* context, const char* english, std::initializer_list<std::string_view> arguments) {
    return Told(context, english, std::span(arguments.begin(), arguments.size()));
}

std::string Translated(const char* context, const char* english, std::span<const std::string> arguments) {
    const std::vector<std::string_view> views(arguments.begin(), arguments.end());
    return Told(context, english, views);
}

std::string CountedText(int count, const char* one, const char* many) {
    return Translated("Engine", count == 1 ? one : many, {std::to_string(count)});
}

} // namespace prolamo
