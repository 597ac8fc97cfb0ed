#pragma once
// One watcher of the network per user. Two watchers side by side would each keep their own memory
// of the profiles a rule left, and one could switch back within the hold-off the other respects:
// the desktop program and "prolamo-cli watch" hold this lock for as long as they watch, and note
// beside it which process holds it.
//
// The lock lives in a folder of its own below the data file's: on this computer's own file system
// a lock also locks the folder holding its file, and a lock held for a whole session beside the
// data file would keep out every change of the data file and the rules.

#include "classes/uDataFileLock.h"

#include <cstdint>
#include <optional>
#include <string>

namespace prolamo {

// The program that watches, as it noted itself.
struct TWatcherHolder {
    std::uint32_t process = 0;
    std::string program; // "prolamo-cli watch"
    bool operator==(const TWatcherHolder&) const = default;
};

// "qvt.watch" beside the data file: the folder that holds the watcher's lock and its holder.
std::string WatcherFolder();

class TWatcherLock {
public:
    // Takes the lock for this process and notes it as Program's. Nothing while another program
    // holds it; *Holder then says which, when it could be read (it is noted just after the lock is
    // taken, and a reader may come between); it is left alone otherwise. Raises EOSError when the
    // lock cannot be made.
    static std::optional<TWatcherLock> Take(const std::string& program, std::optional<TWatcherHolder>* holder,
                                            const std::string& folder = WatcherFolder());

    ~TWatcherLock();
    TWatcherLock(TWatcherLock&& other) noexcept;
    TWatcherLock(const TWatcherLock&) = delete;
    TWatcherLock& operator=(const TWatcherLock&) = delete;
    TWatcherLock& operator=(TWatcherLock&&) = delete;

private:
    TWatcherLock(TDataFileLock lock, std::string holderFile);

    TDataFileLock lock_;
    std::string holderFile_; // empty once moved from
};

} // namespace prolamo
