#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

// Marks an English text of the engine that the desktop program shows in the user's language:
// lupdate collects it as it collects QT_TRANSLATE_NOOP, the engine passes it to Translated.
#define PROLAMO_TRANSLATE_NOOP(context, text) text

namespace prolamo {

// The engine keeps its texts in English, each keyed by a context and the English text itself. A
// front end that shows them in another language installs a lookup of that key (the desktop
// program: Qt's translations); without one, and for a key the lookup does not know, the English
// text stays.
using TTranslationLookup = std::string (*)(const char* context, const char* english);
void SetTranslationLookup(TTranslationLookup lookup);

std::string Translated(const char* context, const char* english);
// Translated, with %1, %2... replaced by Arguments in order (a translation may move them).
std::string Translated(const char* context, const char* english, std::initializer_list<std::string_view> arguments);
std::string Translated(const char* context, const char* english, std::span<const std::string> arguments);
// While one lives on a thread, Translated there tells nothing itself: it returns its context, text
// and arguments as a keyed text, for ResolvedText to tell later, in the reader's language. For texts
// made where the reader's language is unknown (the switching service) and read elsewhere.
class TKeyedTexts {
public:
    TKeyedTexts();
    ~TKeyedTexts();
    TKeyedTexts(const TKeyedTexts&) = delete;
    TKeyedTexts& operator=(const TKeyedTexts&) = delete;
};
// Text with each keyed text in it told through the lookup (English without one), its arguments
// first. Marks that form no keyed text are dropped; the rest of the text stays as it is.
std::string ResolvedText(std::string_view text);
// The same in English, whatever the lookup: for records that are not read by the user.
std::string EnglishText(std::string_view text);
// The marks a keyed text is made of: a piece of text that travels must keep them.
bool IsKeyedTextMark(char c);

// Count in words of the "Engine" context, One or Many by the count, with %1 the count: "1 setting".
std::string CountedText(int count, const char* one, const char* many);

} // namespace prolamo
