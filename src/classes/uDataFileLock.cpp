#include "uDataFileLock.h"

#include "os/FileLock.h"
#include "os/Files.h"

#include <thread>
#include <utility>

namespace prolamo {

EDataFileLocked::EDataFileLocked(const std::string& dataFile)
    : Exception(Translated("Engine",
                           PROLAMO_TRANSLATE_NOOP("Engine", "The data file %1 is in use by another Prolamo program; "
                                                            "close that program and try again"),
                           {dataFile})) {}

TDataFileLock::TDataFileLock(const std::string& dataFile)
    : lockFile_(LockFileOf(dataFile)), handle_(os::InvalidLockHandle) {
    const auto slash = dataFile.find_last_of("\\/");
    if (slash != std::string::npos && slash > 0)
        os::Files().CreateDirectoryTree(dataFile.substr(0, slash)); // an existing folder is fine
    const os::ErrorCode code = os::FileLocks().TryLock(lockFile_, &handle_);
    if (code == os::ErrorLockViolation)
        throw EDataFileLocked(dataFile);
    if (code != os::ErrorSuccess)
        throw EOSError(code);
}

TDataFileLock::TDataFileLock(TDataFileLock&& other) noexcept
    : lockFile_(std::move(other.lockFile_)), handle_(std::exchange(other.handle_, os::InvalidLockHandle)) {}

TDataFileLock::~TDataFileLock() {
    os::FileLocks().Unlock(handle_);
}

TDataFileLock WaitForDataFileLock(const std::string& dataFile, int tries, const std::function<void()>& pause) {
    for (int attempt = 1;; ++attempt) {
        try {
            return TDataFileLock(dataFile);
        } catch (const EDataFileLocked&) {
            if (attempt >= tries)
                throw;
        }
        if (pause)
            pause();
        else
            std::this_thread::sleep_for(DataFileLockPause);
    }
}

} // namespace prolamo
