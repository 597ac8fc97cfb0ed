#pragma once

#include "framework/Exceptions.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace prolamo {

// Another program of this system holds the data file's lock.
class EDataFileLocked : public Exception {
public:
    explicit EDataFileLocked(const std::string& dataFile);
};

// Only one program may change the data file at a time: the desktop program holds this lock while
// it reads or writes the file or runs an apply, the command line while a changing command runs. The lock is advisory,
// on
// "<data file>.lock" beside the data file, and goes when its holder ends, however it ends.
class TDataFileLock {
public:
    // Takes the lock, creating the data file's folder when missing. Raises EDataFileLocked while
    // another holder has it, EOSError when the lock file cannot be made.
    explicit TDataFileLock(const std::string& dataFile);
    ~TDataFileLock();
    TDataFileLock(TDataFileLock&& other) noexcept;
    TDataFileLock(const TDataFileLock&) = delete;
    TDataFileLock& operator=(const TDataFileLock&) = delete;

    const std::string& LockFile() const { return lockFile_; }

    static std::string LockFileOf(const std::string& dataFile) { return dataFile + ".lock"; }

private:
    std::string lockFile_;
    std::intptr_t handle_;
};

// Takes the lock, trying again while another program holds it: the other programs of this system
// hold it only for a moment, to read or write the file. Pause runs between two tries (none: a
// sleep of DataFileLockPause). Raises EDataFileLocked after Tries tries.
inline constexpr std::chrono::milliseconds DataFileLockPause{20};
// A front end waits about 3 seconds for the data file's lock before it gives up.
inline constexpr int DataFileLockTries = 150;
TDataFileLock WaitForDataFileLock(const std::string& dataFile, int tries = DataFileLockTries,
                                  const std::function<void()>& pause = {});

} // namespace prolamo
