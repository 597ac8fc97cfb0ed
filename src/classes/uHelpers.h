#pragma once
// The small services the program takes from the operating system: well-known folders, temporary
// files, the administrator test, the settings-changed broadcast, the start-up registry repair,
// the network connections, version records, the sorting of collections and the reading of what a
// started program prints.

#include "framework/Collection.h"
#include "os/NetConnections.h"
#include "os/Processes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace prolamo {

class TOsHelper {
public:
    TOsHelper() = delete;

    // Raise the operating-system error when the system cannot answer.
    static std::string GetSystemDirectory();
    static std::string GetTempPath();
    // A new, empty file only its owner may use, "qvt" + a hexadecimal number, in the temporary folder.
    static std::string GetTempFileName();
    // The shell's special folder (CSIDL number), not created; empty when the shell has none.
    static std::string GetSpecialFolder(int folder);
    // The user's roaming application-data folder.
    static std::string GetAppDataFolder();
    // Membership of the built-in Administrators group; a failed test counts as no.
    static bool IsAdmin();
    // Tells every top-level window that system settings changed, without waiting for them.
    static void BroadcastSettingChange();
    // Gives the first network adapter's class key an empty "NetCfgInstanceID" when it has none.
    // Never raises; without write access to the local machine it changes nothing.
    static void EnsureNetCfgInstanceId();

    // The machine's network connection manager, made on first use and kept for the process.
    // Raises the platform's error when it cannot be made.
    static os::INetConnectionManager& GetConnectionManager();
    // The first connection whose name is exactly Name (letter case counts); null when none is.
    static std::unique_ptr<os::INetConnection> FindConnection(const std::u16string& name);
    static std::uint32_t GetConnectionStatus(os::INetConnection& connection);
    // Connected, or authenticated.
    static bool IsConnected(os::INetConnection& connection);
    // Raise the platform's error when the connection refuses.
    static void Connect(os::INetConnection& connection);
    static void Disconnect(os::INetConnection& connection);
};

inline constexpr const char* NetCfgInstanceIdName = "NetCfgInstanceID";
inline constexpr const char* NetAdapterClassKey =
    "\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}\\0000";

// Negative, zero or positive as A sorts before, with or after B.
using TCollectionCompare = std::function<int(const TCollectionItem& a, const TCollectionItem& b)>;

// Sorts the items in place (not stable); nothing for an absent collection or fewer than two items.
void SortCollection(TCollection* collection, const TCollectionCompare& compare);

// One language of a version record.
struct TVarFileInfo {
    // Language in the high 16 bits, code page in the low 16 bits.
    std::uint32_t Translation = 0;
    std::u16string FileVersion;
};

// The version record of a file. Construction raises the operating-system error when the file has
// no record or it cannot be read.
class TFileVersion {
public:
    explicit TFileVersion(const std::string& fileName);

    // Signature, structure version, file version (MS, LS), product version (MS, LS), flags mask,
    // flags, OS, type, subtype, date (MS, LS).
    const std::array<std::uint32_t, 13>& FixedInfo() const { return fixed_; }
    std::uint32_t FileVersionMS() const { return fixed_[2]; }
    std::uint32_t FileVersionLS() const { return fixed_[3]; }
    const std::vector<TVarFileInfo>& Translations() const { return translations_; }

private:
    std::array<std::uint32_t, 13> fixed_{};
    std::vector<TVarFileInfo> translations_;
};

// "major.minor.release.build" from the fixed part, else the first non-empty string-table version;
// empty when the file has neither or cannot be read.
std::string GetFileVersionString(const std::string& fileName);

// What a started program prints while it runs, drained from its pipe without waiting; of a
// program that may print without end, only the last Keep bytes.
class TShellOutputReader {
public:
    explicit TShellOutputReader(os::Handle readEnd, std::size_t keep = SIZE_MAX) : readEnd_(readEnd), keep_(keep) {}
    // Moves the bytes waiting in the pipe into Output; false when none were waiting.
    bool ReadAvailableOutput();
    const std::string& Output() const { return output_; }

private:
    os::Handle readEnd_;
    std::size_t keep_;
    std::string output_;
};

} // namespace prolamo
