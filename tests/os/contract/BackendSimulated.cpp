// The contract tests' backend off Windows: a fresh simulated workstation per test.

#include "Backend.h"

#include "os/simulated/Machine.h"
#include "os/simulated/SimPrinting.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace prolamo::os::contract {

struct BackendTest::Backend {
    std::filesystem::path root; // the test's folder and its machine below it
    std::unique_ptr<simulated::Machine> machine;
    std::unique_ptr<simulated::ScopedCurrentMachine> current;
};

BackendTest::BackendTest() : backend_(std::make_unique<Backend>()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "prolamo-contract-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    backend_->root = pattern;
    folder_ = backend_->root / "files";
    std::filesystem::create_directory(folder_);
    backend_->machine = simulated::Machine::Open(backend_->root / "machine");
    backend_->current = std::make_unique<simulated::ScopedCurrentMachine>(*backend_->machine);
    keyPath_ = u"Software\\Prolamo Contract";
    if (Registry().CreateKeyEx(HKeyCurrentUser, keyPath_, 0, KeyAllAccess, &key_, nullptr) != ErrorSuccess)
        throw std::runtime_error("cannot create the test's registry key");
}

BackendTest::~BackendTest() {
    Registry().CloseKey(key_);
    const std::filesystem::path root = backend_->root;
    backend_.reset(); // the machine closes before its folder goes
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

std::string BackendTest::PathOf(std::string_view relative) const {
    return (folder_ / relative).string();
}

std::string BackendTest::FolderPath() const {
    return folder_.string();
}

std::u16string BackendTest::OfferSharedPrinter(std::string* reason) {
    const std::u16string printer = u"\\\\CONTRACT\\Plotter";
    if (simulated::AddSharedPrinter(*backend_->machine, printer, u"HP DesignJet") == ErrorSuccess)
        return printer;
    *reason = "the simulated network refused the shared printer";
    return {};
}

std::u16string BackendTest::OfferNetworkShare(std::string* reason) {
    const std::u16string share = u"\\\\CONTRACT\\Data";
    if (simulated::AddNetworkShare(*backend_->machine, share) == ErrorSuccess)
        return share;
    *reason = "the simulated network refused the share";
    return {};
}

// The seeded laptop has the disk C: and the drives H: and S:.
std::u16string BackendTest::UnusedDriveLetter() const {
    return u"P:";
}

FileHeldOpen::FileHeldOpen(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR);
    if (fd >= 0 && ::flock(fd, LOCK_EX) == 0)
        handle_ = fd;
    else if (fd >= 0)
        ::close(fd);
}

FileHeldOpen::~FileHeldOpen() {
    if (handle_ != -1)
        ::close(static_cast<int>(handle_));
}

void SetReadOnly(const std::string& path, bool readOnly) {
    ::chmod(path.c_str(), readOnly ? 0444 : 0644);
}

// The simulated workstation checks the attribute itself, as Windows does, also for root.
std::string ReadOnlyWritesAllowedReason() {
    return {};
}

std::string WineVersion() {
    return {};
}

std::string CreateSubkeyRightUncheckedReason() {
    return {};
}

std::string NullDevicePath() {
    return "/dev/null";
}

std::string OwnExecutable() {
    return std::filesystem::read_symlink("/proc/self/exe").string();
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const std::string& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace prolamo::os::contract
