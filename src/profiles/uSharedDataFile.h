#pragma once
// The data file as a program that runs all session keeps it beside the other programs of this
// system (prolamo-cli, the watcher of another process): read into memory once, locked only while
// it is read or written, saved after every change, and what another program wrote meanwhile taken
// in, configuration by configuration, so that a save never overwrites a change it has not read.

#include "classes/uDataFileLock.h"
#include "os/Files.h"
#include "uProfileHistory.h"
#include "uProfileSettings.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace prolamo {

// What a synchronisation did.
struct TSyncReport {
    // Configurations of the file taken in: another program changed them.
    bool tookIn = false;
    bool wrote = false;
    // Changes made on both sides, each in a sentence for the user; nothing of either is lost.
    std::vector<std::string> conflicts;
};

class TSharedDataFile {
public:
    // The configurations are the process's root, held by its persistent data (GetPersistentData),
    // which Open reads and the saves write.
    explicit TSharedDataFile(std::string path);

    const std::string& Path() const { return path_; }

    // Waits for the lock as long as the other programs may hold it; raises EDataFileLocked.
    TDataFileLock Lock() const;

    // Reads the data file and the history beside it; a missing file is a first start. Raises the
    // reading error of the data file, and leaves it as it is. A history that cannot be read is
    // kept as one that refuses every change; HistoryError tells why.
    void Open(const TDataFileLock& lock);

    // Whether the data file or the history was written by another program since this one last
    // read or wrote them; a look at their stamps only, without the lock.
    bool ChangedOutside() const;

    // Under the lock: takes in what another program wrote since the last read or write, keeps
    // what changed here only, and writes the result when the file does not hold it yet. A
    // configuration changed on both sides is kept twice, this program's under a new name; one
    // deleted on one side and changed on the other is kept. Raises the reading error of a data
    // file that cannot be read, and the writing error; memory keeps every change, and the next
    // call tries again.
    TSyncReport Synchronize(const TDataFileLock& lock);

    // Notes that this program itself wrote the history under Lock, so that it is not read again.
    void HistoryWritten(const TDataFileLock& lock);

    // The history file beside the data file, read afresh by Synchronize (and Open) when another
    // program changed it.
    TProfileHistory& History() { return *history_; }
    const std::string& HistoryError() const { return historyError_; }

private:
    // The configurations' hashes by name; a name that repeats gets its position after it.
    using THashes = std::map<std::string, std::uint64_t>;

    void ReadHistory();
    // Merges Theirs, the file's configurations, into the root; returns the file's hashes.
    THashes TakeIn(TConfigurations& theirs, TSyncReport& report);
    void Write();

    std::string path_;
    std::unique_ptr<TProfileHistory> history_;
    std::string historyError_;
    // The file as last read or written.
    os::FileStamp stamp_;
    os::FileStamp historyStamp_;
    THashes base_;
};

} // namespace prolamo
