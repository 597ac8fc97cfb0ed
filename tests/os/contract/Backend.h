#pragma once
// What a contract test needs from the backend it runs on: the simulated workstation off Windows,
// the system itself on Windows. Each test gets a folder and a current-user registry key of its own.

#include "os/Registry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace prolamo::os::contract {

class BackendTest : public ::testing::Test {
protected:
    BackendTest();
    ~BackendTest() override;

    // A UTF-8 path below this test's folder.
    std::string PathOf(std::string_view relative) const;
    // The folder's own UTF-8 path, without a separator at the end.
    std::string FolderPath() const;
    const std::filesystem::path& Folder() const { return folder_; }
    // HKEY_CURRENT_USER-relative path of this test's own key, and a handle to it with all access.
    const std::u16string& KeyPath() const { return keyPath_; }
    HKey Key() const { return key_; }
    // A printer a print server shares, "\\server\printer", that the user may connect to; empty
    // with the reason when this backend has none.
    std::u16string OfferSharedPrinter(std::string* reason);
    // A file share, "\\server\share", that the user may map a drive to; empty with the reason
    // when this backend has none.
    std::u16string OfferNetworkShare(std::string* reason);
    // A drive letter, "P:", that names neither a disk nor a mapped drive.
    std::u16string UnusedDriveLetter() const;

private:
    struct Backend;
    std::unique_ptr<Backend> backend_;
    std::filesystem::path folder_;
    std::u16string keyPath_;
    HKey key_ = 0;
};

// Keeps a file open for writing, as another program editing it does, until destroyed.
class FileHeldOpen {
public:
    explicit FileHeldOpen(const std::string& path);
    ~FileHeldOpen();
    FileHeldOpen(const FileHeldOpen&) = delete;
    FileHeldOpen& operator=(const FileHeldOpen&) = delete;
    bool Held() const { return handle_ != -1; }

private:
    std::intptr_t handle_ = -1;
};

// Sets or clears the read-only state of a file the way the platform keeps it.
void SetReadOnly(const std::string& path, bool readOnly);
// Why writes to read-only files cannot be refused here (the process runs as root), or empty.
std::string ReadOnlyWritesAllowedReason();
// Wine's version when the tests run under Wine, else empty.
std::string WineVersion();
// Why this backend lets a handle without the create-subkey right create subkeys, or empty.
std::string CreateSubkeyRightUncheckedReason();
// A device that reads as empty and swallows writes: /dev/null, or NUL on Windows.
std::string NullDevicePath();
// The running test program's own file.
std::string OwnExecutable();

std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, std::string_view bytes);

} // namespace prolamo::os::contract
