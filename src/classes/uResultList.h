#pragma once

#include "framework/Collection.h"

#include <cstdint>
#include <string>

namespace prolamo {

enum class TCheckResultType : std::uint8_t { Warning = 0, Error = 1 };

// One line of an apply run's log: the setting as the lists show it, ": " and the message.
class TCheckResult : public TCollectionItem {
    PROLAMO_CLASS()

public:
    TCheckResultType ResultType() const { return resultType_; }
    const std::string& Text() const { return text_; }
    void Set(TCheckResultType type, std::string text) {
        resultType_ = type;
        text_ = std::move(text);
    }

private:
    TCheckResultType resultType_ = TCheckResultType::Warning;
    std::string text_;
};

// The results of one run, in the order they were added.
class TCheckResultList : public TTypedCollection<TCheckResult> {
public:
    void AddWarning(const std::string& caption, const std::string& message);
    void AddError(const std::string& caption, const std::string& message);
    bool HasErrors() const;
};

} // namespace prolamo
