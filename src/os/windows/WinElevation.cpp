// The consent prompt: ShellExecuteExW with "runas" on prolamo-cli.exe beside this program, then
// WaitForSingleObject and GetExitCodeProcess.

#include "os/Elevation.h"
#include "os/Text.h"
#include "os/windows/WinSupport.h"

#include <shellapi.h>

namespace prolamo::os {

namespace {

using windows::LastErrorOr;

// One argument as CommandLineToArgvW reads it back: quoted, inner quotes and the backslashes
// before them doubled.
std::wstring Quoted(const std::wstring& argument) {
    std::wstring text = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        text.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        text += c;
    }
    text.append(backslashes * 2, L'\\');
    return text + L"\"";
}

class WinElevation final : public IElevation {
public:
    ErrorCode RunCliElevated(const std::vector<std::string>& arguments, std::uint32_t* exitCode) override {
        wchar_t own[32768];
        const DWORD length = ::GetModuleFileNameW(nullptr, own, 32768);
        if (length == 0 || length >= 32768)
            return LastErrorOr(ErrorFilenameExcedRange);
        std::wstring program(own, length);
        program = program.substr(0, program.find_last_of(L'\\') + 1) + L"prolamo-cli.exe";
        std::wstring parameters;
        for (const std::string& argument : arguments)
            parameters += (parameters.empty() ? L"" : L" ") + Quoted(windows::Wide(Utf8ToUtf16(argument)));
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
        info.lpVerb = L"runas";
        info.lpFile = program.c_str();
        info.lpParameters = parameters.c_str();
        info.nShow = SW_HIDE;
        if (!::ShellExecuteExW(&info))
            return LastErrorOr(ErrorGenFailure); // ERROR_CANCELLED when the user said no
        if (info.hProcess == nullptr)
            return ErrorGenFailure;
        ::WaitForSingleObject(info.hProcess, INFINITE);
        DWORD code = 0;
        const BOOL read = ::GetExitCodeProcess(info.hProcess, &code);
        ::CloseHandle(info.hProcess);
        if (!read)
            return LastErrorOr(ErrorGenFailure);
        *exitCode = code;
        return ErrorSuccess;
    }
};

} // namespace

IElevation& Elevation() {
    static WinElevation elevation;
    return elevation;
}

} // namespace prolamo::os
