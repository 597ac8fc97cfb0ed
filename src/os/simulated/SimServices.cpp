#include "os/Sqlite.h"
#include "os/simulated/Machine.h"
#include "os/simulated/Services.h"
#include "os/simulated/SqliteErrors.h"

#include "os/Text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>

namespace prolamo::os::simulated {

namespace {

ErrorCode CopyToBuffer(const std::u16string& text, char16_t* buffer, std::uint32_t size, std::uint32_t* length) {
    if (length == nullptr || (buffer == nullptr && size != 0))
        return ErrorInvalidParameter;
    if (text.size() >= size) {
        *length = static_cast<std::uint32_t>(text.size() + 1);
        return ErrorInsufficientBuffer;
    }
    std::memcpy(buffer, text.data(), text.size() * sizeof(char16_t));
    buffer[text.size()] = u'\0';
    *length = static_cast<std::uint32_t>(text.size());
    return ErrorSuccess;
}

std::string NativePath(std::u16string_view path) {
    std::string native = Utf16ToUtf8(path);
    for (char& c : native)
        if (c == '\\')
            c = '/';
    return native;
}

std::u16string Hex(std::uint32_t value) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string text;
    do {
        text.insert(text.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return text;
}

} // namespace

ErrorCode SimFolders::GetSystemDirectory(char16_t* buffer, std::uint32_t size, std::uint32_t* length) {
    if (machine_.Db() == nullptr)
        return machine_.OpenError();
    return CopyToBuffer(Utf8ToUtf16(machine_.SystemFolder().string()), buffer, size, length);
}

ErrorCode SimFolders::GetTempPath(char16_t* buffer, std::uint32_t size, std::uint32_t* length) {
    if (machine_.Db() == nullptr)
        return machine_.OpenError();
    return CopyToBuffer(Utf8ToUtf16(machine_.TempFolder().string() + "/"), buffer, size, length);
}

ErrorCode SimFolders::GetTempFileName(std::u16string_view pathName, std::u16string_view prefix, std::uint32_t unique,
                                      std::u16string* tempFileName) {
    if (tempFileName == nullptr)
        return ErrorInvalidParameter;
    const std::string folder = NativePath(pathName);
    struct stat st {};
    if (folder.empty() || ::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return ErrorDirectory;

    std::u16string base(pathName);
    if (base.back() != u'\\' && base.back() != u'/')
        base += u'/';
    base += prefix.substr(0, 3);

    if (unique != 0) {
        *tempFileName = base + Hex(unique & 0xFFFF) + u".tmp";
        return ErrorSuccess;
    }
    // Windows starts from the clock and counts up until a name is free.
    std::uint32_t number = (GetTickCount() ^ static_cast<std::uint32_t>(::getpid())) & 0xFFFF;
    for (std::uint32_t tries = 0; tries < 0xFFFF; ++tries) {
        number = number % 0xFFFF + 1; // 1 ... 0xFFFF; 0 means "choose" to the caller
        const std::u16string candidate = base + Hex(number) + u".tmp";
        const std::string native = NativePath(candidate);
        const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
        if (fd >= 0) {
            ::fchmod(fd, S_IRUSR | S_IWUSR); // owner only, whatever the umask
            ::close(fd);
            *tempFileName = candidate;
            return ErrorSuccess;
        }
        if (errno != EEXIST)
            return ErrnoToWindowsError(errno, native);
    }
    return ErrorFileExists;
}

HResult SimFolders::SHGetFolderPath(int csidl, std::uint32_t /*flags*/, char16_t* path) {
    if (path == nullptr)
        return EInvalidArg;
    path[0] = u'\0';
    if (machine_.Db() == nullptr)
        return HResultFromWin32(machine_.OpenError());
    std::filesystem::path folder;
    switch (csidl & 0xFF) {
    case CsidlPersonal:
        folder = machine_.DocumentsFolder();
        break;
    case CsidlAppData:
        folder = machine_.RoamingAppDataFolder();
        break;
    case CsidlLocalAppData:
        folder = machine_.LocalAppDataFolder();
        break;
    case CsidlWindows:
        folder = machine_.WindowsFolder();
        break;
    case CsidlSystem:
        folder = machine_.SystemFolder();
        break;
    case CsidlProfile:
        folder = machine_.ProfileFolder();
        break;
    default:
        return EInvalidArg;
    }
    std::error_code ec;
    if ((csidl & CsidlFlagCreate) != 0)
        std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, ec))
        return EFail; // a known folder that does not exist, as SHGetFolderPathW reports it
    const std::u16string text = Utf8ToUtf16(folder.string());
    if (text.size() >= MaxPath)
        return HResultFromWin32(ErrorInsufficientBuffer);
    std::memcpy(path, text.data(), text.size() * sizeof(char16_t));
    path[text.size()] = u'\0';
    return SOk;
}

ErrorCode SimSecurity::CheckTokenMembership(std::uintptr_t token, const Sid& sid, bool* isMember) {
    if (isMember == nullptr)
        return ErrorInvalidParameter;
    *isMember = false;
    if (token != 0)
        return ErrorInvalidHandle;
    if (sid == AdministratorsGroupSid)
        return machine_.ReadAdministrator(isMember); // a filtered token holds the group for deny only
    if (sid == LocalSystemSid) {
        ProcessRights rights = ProcessRights::StandardUser;
        const ErrorCode e = machine_.ReadProcessRights(&rights);
        *isMember = rights == ProcessRights::System;
        return e;
    }
    // The interactive user is in the groups every logged-on user is in, and nothing else.
    static const Sid kAlwaysMember[] = {
        UsersGroupSid,
        {1, {0}},  // Everyone
        {5, {4}},  // INTERACTIVE
        {5, {11}}, // Authenticated Users
    };
    for (const Sid& s : kAlwaysMember)
        if (s == sid)
            *isMember = true;
    return ErrorSuccess;
}

ErrorCode SimSecurity::ReadProcessRights(ProcessRights* rights) {
    return machine_.ReadProcessRights(rights);
}

ErrorCode SimWindowMessages::SendNotifyMessage(HWnd window, std::uint32_t message, std::uintptr_t wParam,
                                               std::intptr_t lParam) {
    if (window != HWndBroadcast)
        return ErrorInvalidWindowHandle; // the simulated desktop has no windows of its own
    if (machine_.Db() == nullptr)
        return machine_.OpenError();
    const auto now =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    std::lock_guard lock(machine_.DbMutex());
    Statement insert(machine_.Db(),
                     "INSERT INTO broadcast(unix_ms, window, message, wparam, lparam) VALUES (?1, ?2, ?3, ?4, ?5)");
    insert.Bind(1, std::int64_t{now})
        .Bind(2, static_cast<std::int64_t>(window))
        .Bind(3, std::int64_t{message})
        .Bind(4, static_cast<std::int64_t>(wParam))
        .Bind(5, static_cast<std::int64_t>(lParam));
    const int rc = insert.Step();
    return rc == SQLITE_DONE ? ErrorSuccess : SqliteToWindowsError(rc);
}

} // namespace prolamo::os::simulated
