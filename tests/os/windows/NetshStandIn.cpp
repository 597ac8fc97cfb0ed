// A stand-in for the network shell, built as netsh.exe beside the Windows test program, which
// CreateProcessW finds before the system's. Called as `netsh.exe -f "script"`, it carries out the
// script's own lines and ignores every other one (the `interface ip` commands), as a shell that
// accepts them would:
//   print TEXT     TEXT and CR LF on standard output
//   bytes N        N bytes 'x' on standard output, no line end
//   stderr TEXT    TEXT and CR LF on standard error
//   await NAME     waits until the named event is set (at most a minute)
//   exit N         ends at once with the exit code N
// A missing or unreadable script is reported as one output line, so the caller sees it.

#include <windows.h>

#include <shellapi.h>

#include <string>

namespace {

void Write(DWORD stream, const std::string& bytes) {
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(stream), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

bool ReadScript(const wchar_t* path, std::string* text) {
    const HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    char piece[4096];
    DWORD read = 0;
    while (::ReadFile(file, piece, sizeof piece, &read, nullptr) && read > 0)
        text->append(piece, read);
    ::CloseHandle(file);
    return true;
}

void Carry(const std::string& line) {
    const std::size_t blank = line.find(' ');
    const std::string verb = line.substr(0, blank);
    const std::string rest = blank == std::string::npos ? std::string() : line.substr(blank + 1);
    if (verb == "print") {
        Write(STD_OUTPUT_HANDLE, rest + "\r\n");
    } else if (verb == "bytes") {
        Write(STD_OUTPUT_HANDLE, std::string(std::stoul(rest), 'x'));
    } else if (verb == "stderr") {
        Write(STD_ERROR_HANDLE, rest + "\r\n");
    } else if (verb == "await") {
        const HANDLE event = ::OpenEventA(SYNCHRONIZE, FALSE, rest.c_str());
        if (event == nullptr) {
            Write(STD_OUTPUT_HANDLE, "no event " + rest + "\r\n");
            return;
        }
        ::WaitForSingleObject(event, 60000);
        ::CloseHandle(event);
    } else if (verb == "exit") {
        ::ExitProcess(static_cast<UINT>(std::stoul(rest)));
    }
}

} // namespace

int main() {
    int count = 0;
    wchar_t** args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::string script;
    if (args == nullptr || count != 3 || std::wstring(args[1]) != L"-f" || !ReadScript(args[2], &script)) {
        Write(STD_OUTPUT_HANDLE, "The stand-in shell takes -f and a readable script.\r\n");
        return 1;
    }
    ::LocalFree(args);
    std::size_t start = 0;
    while (start < script.size()) {
        std::size_t end = script.find("\r\n", start);
        if (end == std::string::npos)
            end = script.size();
        Carry(script.substr(start, end - start));
        start = end + 2;
    }
    return 0;
}
