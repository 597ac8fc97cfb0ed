// The GUI tests' workstation on Windows: the system itself. The program's data folder must not
// hold anything when the first test starts, so a user's own data is never touched; each test's is
// removed after it, and the program's start-up entry is put back as it was.

#include "GuiWorkstation.h"

#include "support/TempFolder.h"
#include "switching/uSwitchRules.h"

#include <windows.h>

#include <shlobj.h>

#include <optional>
#include <stdexcept>

namespace prolamo::test {

namespace {

constexpr const wchar_t* RunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* RunValue = L"Prolamo";

std::filesystem::path ShellFolder(int csidl) {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer)))
        throw std::runtime_error("the shell has no folder " + std::to_string(csidl));
    return buffer;
}

std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

// Any length: an entry read as missing would be deleted when it is put back.
std::optional<std::wstring> StartUpEntry() {
    DWORD size = 0;
    if (::RegGetValueW(HKEY_CURRENT_USER, RunKey, RunValue, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::wstring entry(size / sizeof(wchar_t), L'\0');
    if (::RegGetValueW(HKEY_CURRENT_USER, RunKey, RunValue, RRF_RT_REG_SZ, nullptr, entry.data(), &size) !=
        ERROR_SUCCESS)
        throw std::runtime_error("the program's start-up entry cannot be read");
    entry.resize(entry.find(L'\0'));
    return entry;
}

void RestoreStartUpEntry(const std::optional<std::wstring>& entry) {
    if (!entry) {
        ::RegDeleteKeyValueW(HKEY_CURRENT_USER, RunKey, RunValue);
        return;
    }
    ::RegSetKeyValueW(HKEY_CURRENT_USER, RunKey, RunValue, REG_SZ, entry->c_str(),
                      static_cast<DWORD>((entry->size() + 1) * sizeof(wchar_t)));
}

} // namespace

struct GuiWorkstation::Backend {
    TempFolder scratch;
    std::filesystem::path dataFolder = ShellFolder(CSIDL_APPDATA) / L"Orvenik" / L"QVT";
    std::optional<std::wstring> startUpEntry = StartUpEntry();

    Backend() {
        static bool firstChecked = false;
        std::error_code absent;
        if (!firstChecked && std::filesystem::exists(dataFolder, absent) &&
            !std::filesystem::is_empty(dataFolder, absent))
            throw std::runtime_error("The GUI tests need a user without Prolamo data; " + Utf8(dataFolder) +
                                     " holds files");
        firstChecked = true;
    }
    ~Backend() {
        std::error_code ignored;
        std::filesystem::remove_all(dataFolder, ignored);
        RestoreStartUpEntry(startUpEntry);
    }
};

GuiWorkstation::GuiWorkstation() : backend_(std::make_unique<Backend>()) {}
GuiWorkstation::~GuiWorkstation() = default;

const std::filesystem::path& GuiWorkstation::Scratch() const {
    return backend_->scratch.Path();
}

std::string GuiWorkstation::DocumentsFolder() const {
    return Utf8(ShellFolder(CSIDL_PERSONAL));
}

bool GuiWorkstation::IsAdministrator() const {
    return ::IsUserAnAdmin();
}

std::string GuiWorkstation::AdministratorFixedReason() const {
    return "Windows takes it from the user's token, which a test cannot change";
}

void GuiWorkstation::SetAdministrator(bool) {
    throw std::logic_error("the administrator state is fixed on Windows");
}

std::string GuiWorkstation::EndRequestUntestableReason() const {
    return "a program drawn off screen has no window to receive WM_CLOSE; the installer's test ends a "
           "Wine session under the program instead";
}

// The temporary folder is in the user's profile; the shared application data is every user's.
std::string GuiWorkstation::FolderOutsideTheUsersOwn() const {
    return Utf8(ShellFolder(CSIDL_COMMON_APPDATA));
}

// The first adapter's gateway, or no network at all.
std::string GuiWorkstation::ConditionOfCurrentNetwork() const {
    for (const os::ConnectedAdapter& adapter : ReadNetworkFingerprint().adapters)
        if (!adapter.gatewayAddress.empty())
            return "gateway = " + adapter.gatewayAddress;
    return "no-network";
}

std::string GuiWorkstation::StartWithSessionCommand() const {
    const std::optional<std::wstring> entry = StartUpEntry();
    return entry ? Utf8(std::filesystem::path(*entry)) : std::string();
}

} // namespace prolamo::test
