// The contract tests' backend on Windows: the system itself. Each test's folder and registry key
// are removed afterwards.

#include "Backend.h"

#include "os/windows/WinSupport.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace prolamo::os::contract {

namespace {

std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

std::filesystem::path FromUtf8(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

// What the one running the tests names in `variable`, or empty with the reason.
std::u16string Named(const wchar_t* variable, const std::string& what, std::string* reason) {
    const wchar_t* value = ::_wgetenv(variable);
    if (value != nullptr && *value != L'\0')
        return windows::FromWide(value);
    *reason = "no " + what + " to use: set " + Utf8(variable) + " to one";
    return {};
}

} // namespace

struct BackendTest::Backend {};

BackendTest::BackendTest() {
    const std::wstring unique = std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(::GetTickCount());
    folder_ = std::filesystem::temp_directory_path() / (L"prolamo-contract-" + unique);
    std::filesystem::create_directories(folder_);
    keyPath_ = u"Software\\Prolamo Contract\\" + windows::FromWide(unique);
    if (Registry().CreateKeyEx(HKeyCurrentUser, keyPath_, 0, KeyAllAccess, &key_, nullptr) != ErrorSuccess)
        throw std::runtime_error("cannot create the test's registry key");
}

BackendTest::~BackendTest() {
    Registry().CloseKey(key_);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, windows::Wide(keyPath_).c_str());
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder_, ignored))
        ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove_all(folder_, ignored);
}

std::string BackendTest::PathOf(std::string_view relative) const {
    return Utf8(folder_ / std::filesystem::path(std::u8string(relative.begin(), relative.end())));
}

std::string BackendTest::FolderPath() const {
    return Utf8(folder_);
}

std::u16string BackendTest::OfferSharedPrinter(std::string* reason) {
    return Named(L"PROLAMO_CONTRACT_PRINTER", "shared printer (\\\\server\\printer)", reason);
}

std::u16string BackendTest::OfferNetworkShare(std::string* reason) {
    return Named(L"PROLAMO_CONTRACT_SHARE", "file share (\\\\server\\share)", reason);
}

std::u16string BackendTest::UnusedDriveLetter() const {
    const DWORD used = ::GetLogicalDrives();
    for (char16_t letter = u'Z'; letter > u'D'; --letter)
        if ((used & (1u << (letter - u'A'))) == 0)
            return {letter, u':'};
    throw std::runtime_error("every drive letter is in use");
}

FileHeldOpen::FileHeldOpen(const std::string& path) {
    const HANDLE file =
        ::CreateFileW(windows::WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        handle_ = reinterpret_cast<std::intptr_t>(file);
}

FileHeldOpen::~FileHeldOpen() {
    if (handle_ != -1)
        ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

void SetReadOnly(const std::string& path, bool readOnly) {
    ::SetFileAttributesW(windows::WidePath(path).c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
}

std::string ReadOnlyWritesAllowedReason() {
    // Wine keeps read-only as missing Unix write permission, which root ignores; its test
    // runner passes the Unix user id on.
    const char* uid = std::getenv("PROLAMO_UNIX_UID");
    return uid != nullptr && std::string(uid) == "0" ? "running under Wine as Unix root, which may write any file" : "";
}

std::string WineVersion() {
    using Getter = const char* (*)();
    const auto get = reinterpret_cast<Getter>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
    return get != nullptr ? get() : "";
}

std::string CreateSubkeyRightUncheckedReason() {
    const std::string wine = WineVersion();
    return wine.empty() ? "" : "Wine " + wine + " does not check the parent key's create-subkey right";
}

std::string NullDevicePath() {
    return "\\\\.\\NUL";
}

std::string OwnExecutable() {
    wchar_t name[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, name, MAX_PATH);
    return Utf8(std::filesystem::path(name));
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(FromUtf8(path), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const std::string& path, std::string_view bytes) {
    std::ofstream(FromUtf8(path), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace prolamo::os::contract
