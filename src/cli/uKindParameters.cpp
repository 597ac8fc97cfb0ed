#include "uKindParameters.h"

#include "os/Text.h"
#include "profiles/uSettingKinds.h"
#include "uCliArguments.h"
#include "uTerminal.h"

#include <algorithm>
#include <filesystem>

namespace prolamo::cli {

// Through char8_t: a path made of a plain string is in the ANSI code page on Windows.
std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    const auto absolute = std::filesystem::absolute(std::u8string(path.begin(), path.end()), error);
    const std::u8string normal = absolute.lexically_normal().u8string();
    return error ? path : std::string(normal.begin(), normal.end());
}

const TPropInfo* ParameterOf(const TSettingClass& kind) {
    const auto& base = TSetting::StaticClass().Properties();
    for (const TPropInfo* prop : kind.Properties()) {
        if (std::find(base.begin(), base.end(), prop) != base.end() || !prop->Writable() || !prop->Readable())
            continue;
        if (prop->kind == TTypeKind::String || prop->kind == TTypeKind::WideString ||
            prop->kind == TTypeKind::Integer || prop->kind == TTypeKind::Cardinal)
            return prop;
    }
    return nullptr;
}

std::vector<const TPropInfo*> OtherParametersOf(const TSettingClass& kind, const TPropInfo& first) {
    const auto& base = TSetting::StaticClass().Properties();
    std::vector<const TPropInfo*> others;
    for (const TPropInfo* prop : kind.Properties())
        if (prop != &first && std::find(base.begin(), base.end(), prop) == base.end() && prop->Writable() &&
            prop->Readable() && !prop->IsObject())
            others.push_back(prop);
    return others;
}

std::string OtherParametersText(const std::vector<const TPropInfo*>& others) {
    std::string text;
    for (const TPropInfo* prop : others)
        text += (text.empty() ? "" : " ") + prop->name + "=...";
    return text;
}

bool IsNameList(const TPropInfo& prop) {
    return prop.name.size() > 5 && prop.name.compare(prop.name.size() - 5, 5, "Names") == 0;
}

std::string KindList() {
    std::string list;
    for (const TSettingClass* kind : GetSettingClasses()) {
        list += list.empty() ? "" : ", ";
        list += Quote(kind->GetCaption());
    }
    return list.empty() ? "none" : list;
}

void SetParameter(TSetting& setting, const TPropInfo& prop, const std::string& argument) {
    switch (prop.kind) {
    case TTypeKind::String:
        // Paths are kept absolute: the setting is applied later, from any folder.
        prop.setString(setting, (prop.name == "FileName" || prop.name == "WorkingFolder") && !argument.empty()
                                    ? AbsolutePath(argument)
                                    : argument);
        return;
    case TTypeKind::Boolean:
        if (argument != "yes" && argument != "no")
            throw EUsage(prop.name + " is yes or no, not " + Quote(argument));
        prop.setOrdinal(setting, argument == "yes" ? 1 : 0);
        return;
    case TTypeKind::WideString:
        prop.setWide(setting, os::Utf8ToUtf16(argument));
        return;
    default: {
        std::size_t used = 0;
        long long number = 0;
        try {
            number = std::stoll(argument, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used == 0 || used != argument.size())
            throw EUsage(prop.name + " must be a number, not " + Quote(argument));
        prop.setOrdinal(setting, number);
        return;
    }
    }
}

} // namespace prolamo::cli
