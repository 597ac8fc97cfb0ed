#include "uResultList.h"

namespace prolamo {

const TClassInfo& TCheckResult::StaticClass() {
    return MakeClassInfo<TCheckResult, TCollectionItem>("TCheckResult");
}

void TCheckResultList::AddWarning(const std::string& caption, const std::string& message) {
    Add().Set(TCheckResultType::Warning, caption + ": " + message);
}

void TCheckResultList::AddError(const std::string& caption, const std::string& message) {
    Add().Set(TCheckResultType::Error, caption + ": " + message);
}

bool TCheckResultList::HasErrors() const {
    for (const TCheckResult& result : *this)
        if (result.ResultType() == TCheckResultType::Error)
            return true;
    return false;
}

} // namespace prolamo
