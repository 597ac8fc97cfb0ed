#pragma once
// The environment block of this process (GetEnvironmentVariableW, SetEnvironmentVariableW).
// Names compare without regard to case.

#include "os/Errors.h"

#include <string>
#include <string_view>

namespace prolamo::os {

class IEnvironment {
public:
    virtual ~IEnvironment() = default;

    // ErrorEnvvarNotFound, with an empty value, when the process has no such variable.
    virtual ErrorCode GetEnvironmentVariable(std::u16string_view name, std::u16string* value) = 0;
    // Changes this process's block only; a null value removes the variable.
    virtual ErrorCode SetEnvironmentVariable(std::u16string_view name, const char16_t* value) = 0;
};

IEnvironment& Environment();

} // namespace prolamo::os
