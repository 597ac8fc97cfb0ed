#include "uWatcherLock.h"

#include "os/Files.h"
#include "os/Processes.h"
#include "uSwitchRules.h"

#include <charconv>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace prolamo {

namespace {

constexpr std::string_view kProcessKey = "process = ";
constexpr std::string_view kProgramKey = "program = ";
constexpr std::size_t kMaxHolderSize = 4096;

std::string InFolder(const std::string& folder, std::string_view name) {
    return folder + os::PathDelimiter + std::string(name);
}

// What the holder noted; nothing for a file that is missing, unreadable or not in this form.
std::optional<TWatcherHolder> ReadHolder(const std::string& path) {
    std::vector<std::uint8_t> content;
    if (os::Files().ReadWholeFile(path, &content, kMaxHolderSize) != os::ErrorSuccess)
        return std::nullopt;
    TWatcherHolder holder;
    const std::string_view text(reinterpret_cast<const char*>(content.data()), content.size());
    for (std::size_t start = 0; start < text.size();) {
        const auto end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.starts_with(kProcessKey)) {
            const std::string_view number = line.substr(kProcessKey.size());
            if (std::from_chars(number.data(), number.data() + number.size(), holder.process).ec != std::errc{})
                return std::nullopt;
        } else if (line.starts_with(kProgramKey)) {
            holder.program = line.substr(kProgramKey.size());
        }
    }
    if (holder.process == 0)
        return std::nullopt;
    return holder;
}

} // namespace

std::string WatcherFolder() {
    return BesideDataFile(".watch");
}

std::optional<TWatcherLock> TWatcherLock::Take(const std::string& program, std::optional<TWatcherHolder>* holder,
                                               const std::string& folder) {
    const std::string holderFile = InFolder(folder, "holder");
    try {
        // The lock file is "<folder>\qvt.watch.lock"; the folder is made when missing.
        TDataFileLock lock(InFolder(folder, "qvt.watch"));
        const std::string text = std::string(kProcessKey) + std::to_string(os::Processes().GetCurrentProcessId()) +
                                 "\n" + std::string(kProgramKey) + program + "\n";
        // Only the message of a second watcher needs it: the lock holds without it.
        os::Files().WriteFileReplacing(holderFile,
                                       std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
        return TWatcherLock(std::move(lock), holderFile);
    } catch (const EDataFileLocked&) {
        *holder = ReadHolder(holderFile);
        return std::nullopt;
    }
}

TWatcherLock::TWatcherLock(TDataFileLock lock, std::string holderFile)
    : lock_(std::move(lock)), holderFile_(std::move(holderFile)) {}

TWatcherLock::TWatcherLock(TWatcherLock&& other) noexcept
    : lock_(std::move(other.lock_)), holderFile_(std::exchange(other.holderFile_, {})) {}

TWatcherLock::~TWatcherLock() {
    // Before the lock goes, so that the next holder's note is never deleted.
    if (!holderFile_.empty())
        os::Files().DeleteFile(holderFile_);
}

} // namespace prolamo
