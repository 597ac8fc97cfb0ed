#include "ClassRegistry.h"

#include "AsciiText.h"
#include "Exceptions.h"

#include <algorithm>
#include <map>

namespace prolamo {

namespace {

// Class names compare without regard to the case of a to z, as identifiers do; the loader looks
// up a class for every record, so letters are folded in place rather than in copies.
struct IdentifierLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return static_cast<unsigned char>(AsciiUpper(x)) < static_cast<unsigned char>(AsciiUpper(y));
        });
    }
};

std::map<std::string, const TClassInfo*, IdentifierLess>& Registry() {
    static std::map<std::string, const TClassInfo*, IdentifierLess> registry;
    return registry;
}

} // namespace

void RegisterClass(const TClassInfo& info) {
    auto [it, inserted] = Registry().try_emplace(info.ClassName(), &info);
    if (!inserted && it->second != &info)
        throw EFilerError(Translated("Engine", texts::DuplicateClass, {info.ClassName()}));
}

void RegisterClasses(std::initializer_list<const TClassInfo*> classes) {
    for (const TClassInfo* info : classes)
        RegisterClass(*info);
}

const TClassInfo* GetClass(std::string_view name) {
    auto it = Registry().find(name);
    return it == Registry().end() ? nullptr : it->second;
}

const TClassInfo& FindClass(std::string_view name) {
    if (const TClassInfo* info = GetClass(name))
        return *info;
    throw EClassNotFound(Translated("Engine", texts::ClassNotFound, {name}));
}

void UnregisterClass(const TClassInfo& info) {
    auto it = Registry().find(info.ClassName());
    if (it != Registry().end() && it->second == &info)
        Registry().erase(it);
}

} // namespace prolamo
