#pragma once
// A setting kind's parameters as the command line gives them: the first one as an argument, the
// others as NAME=VALUE.

#include "profiles/uProfileSettings.h"

#include <string>
#include <vector>

namespace prolamo::cli {

// The one parameter a kind takes from the command line: its first own published text or number
// property (the file path for "File"); nothing for kinds without parameters.
const TPropInfo* ParameterOf(const TSettingClass& kind);
// The kind's other parameters, given as NAME=VALUE after the first (a Program's WorkingFolder).
std::vector<const TPropInfo*> OtherParametersOf(const TSettingClass& kind, const TPropInfo& first);
// "WorkingFolder=... RunBefore=... TimeLimit=..."
std::string OtherParametersText(const std::vector<const TPropInfo*>& others);
// A parameter such as VariableNames holds one name per line.
bool IsNameList(const TPropInfo& prop);
// Every kind's caption, quoted, for a message.
std::string KindList();
// A path of the command line made absolute, for use from any folder later.
std::string AbsolutePath(const std::string& path);
// Sets a parameter from its argument; paths become absolute.
void SetParameter(TSetting& setting, const TPropInfo& prop, const std::string& argument);

} // namespace prolamo::cli
