// The Run value of the user's own key: Explorer starts what it names at every sign-in.

#include "os/StartupEntry.h"
#include "os/windows/WinSupport.h"

namespace prolamo::os {

namespace {

constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kRunValue = L"Prolamo";

class WinStartupEntry final : public IStartupEntry {
public:
    std::string Place() override {
        return "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Prolamo";
    }

    bool Exists() override {
        return ::RegGetValueW(HKEY_CURRENT_USER, kRunKey, kRunValue, RRF_RT_REG_SZ, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
    }

    ErrorCode Write(std::string_view command) override {
        const std::wstring value = windows::Wide(Utf8ToUtf16(command));
        HKEY key = nullptr;
        LSTATUS status =
            ::RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
        if (status != ERROR_SUCCESS)
            return static_cast<ErrorCode>(status);
        status = ::RegSetValueExW(key, kRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                  static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
        return static_cast<ErrorCode>(status);
    }

    ErrorCode Remove() override {
        const LSTATUS status = ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, kRunValue);
        return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : static_cast<ErrorCode>(status);
    }
};

} // namespace

IStartupEntry& StartupEntry() {
    static WinStartupEntry entry;
    return entry;
}

} // namespace prolamo::os
