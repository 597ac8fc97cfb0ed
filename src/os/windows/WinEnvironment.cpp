// The process environment (GetEnvironmentVariableW, SetEnvironmentVariableW).

#include "os/Environment.h"
#include "os/windows/WinSupport.h"

namespace prolamo::os {

namespace {

using windows::FromWide;
using windows::LastErrorOr;
using windows::Wide;

class WinEnvironment final : public IEnvironment {
public:
    ErrorCode GetEnvironmentVariable(std::u16string_view name, std::u16string* value) override {
        const std::wstring wideName = Wide(name);
        std::wstring buffer(256, L'\0');
        for (;;) {
            ::SetLastError(ERROR_SUCCESS);
            const DWORD length =
                ::GetEnvironmentVariableW(wideName.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
            if (length == 0) {
                // 0 is also the length of a variable that is set but empty.
                value->clear();
                return ::GetLastError();
            }
            if (length < buffer.size()) {
                *value = FromWide(std::wstring_view(buffer.data(), length));
                return ErrorSuccess;
            }
            buffer.resize(length); // the size needed, zero included
        }
    }

    ErrorCode SetEnvironmentVariable(std::u16string_view name, const char16_t* value) override {
        return ::SetEnvironmentVariableW(Wide(name).c_str(), windows::WidePointer(value))
                   ? ErrorSuccess
                   : LastErrorOr(ErrorGenFailure);
    }
};

} // namespace

IEnvironment& Environment() {
    static WinEnvironment environment;
    return environment;
}

} // namespace prolamo::os
