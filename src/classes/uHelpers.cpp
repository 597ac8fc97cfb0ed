#include "uHelpers.h"

#include "classes/uRegistry.h"
#include "framework/Exceptions.h"
#include "os/Folders.h"
#include "os/Security.h"
#include "os/Text.h"
#include "os/VersionInfo.h"
#include "os/WindowMessages.h"

#include <cstdio>
#include <cstring>

namespace prolamo {

namespace {

// Read, set value and create subkey.
constexpr std::uint32_t kRepairAccess = 0x2001F;

using FolderCall = os::ErrorCode (os::IFolders::*)(char16_t*, std::uint32_t, std::uint32_t*);

std::string FolderPath(FolderCall call) {
    char16_t buffer[os::MaxPath] = {};
    std::uint32_t length = 0;
    if (const os::ErrorCode e = (os::Folders().*call)(buffer, os::MaxPath, &length); e != os::ErrorSuccess)
        throw EOSError(e);
    return os::Utf16ToUtf8(std::u16string_view(buffer, length));
}

std::uint32_t Word32(const std::uint8_t* p) {
    std::uint32_t v = 0;
    std::memcpy(&v, p, sizeof v); // records are little-endian, as is every platform this runs on
    return v;
}

} // namespace

std::string TOsHelper::GetSystemDirectory() {
    return FolderPath(&os::IFolders::GetSystemDirectory);
}

std::string TOsHelper::GetTempPath() {
    return FolderPath(&os::IFolders::GetTempPath);
}

std::string TOsHelper::GetTempFileName() {
    std::u16string name;
    if (const os::ErrorCode e = os::Folders().GetTempFileName(os::Utf8ToUtf16(GetTempPath()), u"qvt", 0, &name);
        e != os::ErrorSuccess)
        throw EOSError(e);
    return os::Utf16ToUtf8(name);
}

std::string TOsHelper::GetSpecialFolder(int folder) {
    char16_t buffer[os::MaxPath] = {};
    if (os::Folders().SHGetFolderPath(folder, 0, buffer) != os::SOk)
        return {};
    return os::Utf16ToUtf8(buffer);
}

std::string TOsHelper::GetAppDataFolder() {
    return GetSpecialFolder(os::CsidlAppData);
}

bool TOsHelper::IsAdmin() {
    bool member = false;
    return os::Security().CheckTokenMembership(0, os::AdministratorsGroupSid, &member) == os::ErrorSuccess && member;
}

void TOsHelper::BroadcastSettingChange() {
    os::WindowMessages().SendNotifyMessage(os::HWndBroadcast, os::WmSettingChange, 0, 0);
}

os::INetConnectionManager& TOsHelper::GetConnectionManager() {
    static std::unique_ptr<os::INetConnectionManager> manager;
    if (!manager) {
        std::unique_ptr<os::INetConnectionManager> made;
        OleCheck(os::CreateConnectionManager(&made));
        manager = std::move(made);
    }
    return *manager;
}

std::unique_ptr<os::INetConnection> TOsHelper::FindConnection(const std::u16string& name) {
    std::vector<std::unique_ptr<os::INetConnection>> connections;
    OleCheck(GetConnectionManager().EnumConnections(&connections));
    for (auto& connection : connections) {
        os::NetConProperties properties;
        OleCheck(connection->GetProperties(&properties));
        if (properties.name == name)
            return std::move(connection);
    }
    return nullptr;
}

std::uint32_t TOsHelper::GetConnectionStatus(os::INetConnection& connection) {
    os::NetConProperties properties;
    OleCheck(connection.GetProperties(&properties));
    return properties.status;
}

bool TOsHelper::IsConnected(os::INetConnection& connection) {
    const std::uint32_t status = GetConnectionStatus(connection);
    return status == os::NetConStatusConnected || status == os::NetConStatusAuthenticationSucceeded;
}

void TOsHelper::Connect(os::INetConnection& connection) {
    OleCheck(connection.Connect());
}

void TOsHelper::Disconnect(os::INetConnection& connection) {
    OleCheck(connection.Disconnect());
}

void TOsHelper::EnsureNetCfgInstanceId() {
    try {
        TRegistry registry(kRepairAccess);
        registry.SetRootKey(os::HKeyLocalMachine);
        if (!registry.OpenKey(NetAdapterClassKey, true))
            return;
        if (!registry.ValueExists(NetCfgInstanceIdName))
            registry.WriteString(NetCfgInstanceIdName, "");
    } catch (const std::exception&) {
        // A repair that cannot be made must not keep the program from starting.
    }
}

void SortCollection(TCollection* collection, const TCollectionCompare& compare) {
    if (collection == nullptr || collection->Count() < 2)
        return;
    collection->Sort([&compare](const TCollectionItem& a, const TCollectionItem& b) { return compare(a, b) < 0; });
}

TFileVersion::TFileVersion(const std::string& fileName) {
    os::IVersionInfo& info = os::VersionInfo();
    std::uint32_t size = 0;
    if (const os::ErrorCode e = info.GetFileVersionInfoSize(fileName, &size); e != os::ErrorSuccess || size == 0)
        throw EOSError(e != os::ErrorSuccess ? e : os::ErrorResourceTypeNotFound);
    std::vector<std::uint8_t> record(size);
    if (const os::ErrorCode e = info.GetFileVersionInfo(fileName, size, record.data()); e != os::ErrorSuccess)
        throw EOSError(e);

    const void* value = nullptr;
    std::uint32_t length = 0;
    if (const os::ErrorCode e = info.VerQueryValue(record.data(), u"\\", &value, &length); e != os::ErrorSuccess)
        throw EOSError(e);
    const auto* fixed = static_cast<const std::uint8_t*>(value);
    for (std::size_t i = 0; i < fixed_.size() && (i + 1) * 4 <= length; ++i)
        fixed_[i] = Word32(fixed + i * 4);

    if (info.VerQueryValue(record.data(), u"\\VarFileInfo\\Translation", &value, &length) != os::ErrorSuccess)
        return;
    const auto* entries = static_cast<const std::uint8_t*>(value);
    for (std::uint32_t offset = 0; offset + 4 <= length; offset += 4) {
        const std::uint32_t stored = Word32(entries + offset);
        TVarFileInfo entry;
        entry.Translation = (stored << 16) | (stored >> 16);
        char table[9];
        std::snprintf(table, sizeof table, "%8.8X", static_cast<unsigned>(entry.Translation));
        const std::u16string query = u"\\StringFileInfo\\" + os::Utf8ToUtf16(table) + u"\\FileVersion";
        const void* text = nullptr;
        std::uint32_t characters = 0;
        if (info.VerQueryValue(record.data(), query, &text, &characters) == os::ErrorSuccess && text != nullptr) {
            const auto* bytes = static_cast<const std::uint8_t*>(text);
            for (std::uint32_t i = 0; i < characters; ++i) {
                const auto c = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
                if (c == u'\0')
                    break;
                entry.FileVersion.push_back(c);
            }
        }
        translations_.push_back(std::move(entry));
    }
}

std::string GetFileVersionString(const std::string& fileName) {
    try {
        const TFileVersion version(fileName);
        const std::uint32_t ms = version.FileVersionMS();
        const std::uint32_t ls = version.FileVersionLS();
        if (ms != 0 || ls != 0)
            return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." + std::to_string(ls >> 16) + "." +
                   std::to_string(ls & 0xFFFF);
        for (const TVarFileInfo& entry : version.Translations())
            if (!entry.FileVersion.empty())
                return os::Utf16ToUtf8(entry.FileVersion);
    } catch (const std::exception&) {
        // The version is only shown; a file without one shows nothing.
    }
    return {};
}

bool TShellOutputReader::ReadAvailableOutput() {
    os::IProcesses& p = os::Processes();
    std::uint32_t waiting = 0;
    if (const os::ErrorCode e = p.PeekNamedPipe(readEnd_, &waiting); e != os::ErrorSuccess)
        RaiseLastOSError(e);
    if (waiting == 0)
        return false;
    char piece[1024];
    while (waiting > 0) {
        std::uint32_t read = 0;
        const std::uint32_t size = waiting < sizeof piece ? waiting : static_cast<std::uint32_t>(sizeof piece);
        if (const os::ErrorCode e = p.ReadFile(readEnd_, piece, size, &read); e != os::ErrorSuccess)
            RaiseLastOSError(e);
        output_.append(piece, read);
        waiting -= read;
    }
    if (output_.size() > keep_)
        output_.erase(0, output_.size() - keep_);
    return true;
}

} // namespace prolamo
