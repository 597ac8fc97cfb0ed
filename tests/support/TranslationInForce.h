#pragma once

#include "framework/Translation.h"

#include <map>
#include <string>

namespace prolamo::test {

// While alive, the engine's "Engine" texts are looked up in Known, as the desktop program looks them
// up in its translation; texts it does not know stay English.
class TTranslationInForce {
public:
    explicit TTranslationInForce(std::map<std::string, std::string> known) {
        Known() = std::move(known);
        SetTranslationLookup(&Lookup);
    }
    ~TTranslationInForce() {
        SetTranslationLookup(nullptr);
        Known().clear();
    }
    TTranslationInForce(const TTranslationInForce&) = delete;
    TTranslationInForce& operator=(const TTranslationInForce&) = delete;

private:
    static std::map<std::string, std::string>& Known() {
        static std::map<std::string, std::string> known;
        return known;
    }
    static std::string Lookup(const char* context, const char* english) {
        const auto found = Known().find(english);
        return std::string(context) == "Engine" && found != Known().end() ? found->second : english;
    }
};

} // namespace prolamo::test
