// Error texts from the system's message table (FormatMessageW), in the user's language.

#include "os/Errors.h"
#include "os/windows/WinSupport.h"

namespace prolamo::os {

std::string SystemErrorText(std::uint32_t code) {
    if ((code & 0xFFFF0000u) == 0x80070000u)
        code &= 0xFFFFu;
    wchar_t* text = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                         nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length == 0 || text == nullptr)
        return {};
    std::string result = Utf16ToUtf8(windows::FromWide(std::wstring_view(text, length)));
    ::LocalFree(text);
    return result;
}

} // namespace prolamo::os
