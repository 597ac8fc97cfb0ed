#pragma once

#include <initializer_list>
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
// Count in words of the "Engine" context, One or Many by the count, with %1 the count: "1 setting".
std::string CountedText(int count, const char* one, const char* many);

} // namespace prolamo
