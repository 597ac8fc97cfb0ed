#pragma once
// The queries the simulated instrumentation answers: select ... from Class [where condition], with
// and, or, not, parentheses, =, <> (or !=), is [not] null; property names, keywords and string
// comparisons ignore letter case.

#include "os/Wmi.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace prolamo::os::simulated {

// Whether an object passes; a property the object lacks sets *unknownProperty, which fails the
// query as Windows does.
using WqlCondition = std::function<bool(IWmiObject& object, bool* unknownProperty)>;

struct WqlQuery {
    std::u16string className;
    std::vector<std::u16string> selected; // empty: every property ("select *")
    WqlCondition condition;               // without a where clause every object passes
};

// False when the text is no query of that form.
bool ParseWql(std::u16string_view text, WqlQuery* query);

} // namespace prolamo::os::simulated
