#include "uSharedDataFile.h"

#include "classes/uPersistence.h"
#include "framework/Stream.h"
#include "uConfigTransfer.h"

#include <functional>
#include <optional>
#include <set>
#include <string_view>

namespace prolamo {

namespace {

std::uint64_t HashOf(TConfiguration& configuration) {
    std::vector<std::uint8_t> bytes;
    TWriter writer(bytes);
    writer.WriteProperties(configuration);
    return std::hash<std::string_view>{}(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// A configuration by its name; the second of a name (a file written before names were checked)
// is told apart by its position.
std::string KeyOf(const std::string& name, int repeat) {
    return repeat == 0 ? name : name + '\x1f' + std::to_string(repeat);
}

using THashes = std::map<std::string, std::uint64_t>;

// Each configuration of the collection by its key.
std::map<std::string, TConfiguration*> Index(const TConfigurationsCollection& configurations) {
    std::map<std::string, TConfiguration*> index;
    std::map<std::string, int> seen;
    for (TConfiguration& configuration : configurations)
        index.emplace(KeyOf(configuration.Name(), seen[configuration.Name()]++), &configuration);
    return index;
}

THashes HashesOf(const std::map<std::string, TConfiguration*>& index) {
    THashes hashes;
    for (const auto& [key, configuration] : index)
        hashes.emplace(key, HashOf(*configuration));
    return hashes;
}

std::optional<std::uint64_t> HashAt(const THashes& hashes, const std::string& key) {
    const auto found = hashes.find(key);
    return found == hashes.end() ? std::nullopt : std::optional<std::uint64_t>(found->second);
}

os::FileStamp StampOf(const std::string& path) {
    os::FileStamp stamp;
    os::Files().GetFileStamp(path, &stamp);
    return stamp;
}

std::string Quote(const std::string& name) {
    return "\"" + name + "\"";
}

} // namespace

TSharedDataFile::TSharedDataFile(std::string path)
    : path_(std::move(path)), history_(std::make_unique<TProfileHistory>()) {}

TDataFileLock TSharedDataFile::Lock() const {
    return WaitForDataFileLock(path_);
}

void TSharedDataFile::Open(const TDataFileLock&) {
    TPersistentData& data = GetPersistentData();
    // Saved only through Synchronize: a save at the end would write over what others wrote since.
    data.SetSaveOnFree(false);
    data.Load(path_);
    data.Register(GetConfigurationsRoot());
    stamp_ = StampOf(path_);
    base_ = HashesOf(Index(GetConfigurationsRoot().Configurations()));
    ReadHistory();
}

bool TSharedDataFile::ChangedOutside() const {
    return StampOf(path_) != stamp_ || StampOf(history_->FileName()) != historyStamp_;
}

void TSharedDataFile::HistoryWritten(const TDataFileLock&) {
    historyStamp_ = StampOf(history_->FileName());
}

TSyncReport TSharedDataFile::Synchronize(const TDataFileLock&) {
    TSyncReport report;
    if (StampOf(history_->FileName()) != historyStamp_)
        ReadHistory();
    const os::FileStamp now = StampOf(path_);
    // A file that went away takes nothing with it: memory is written back.
    THashes inFile = now == os::FileStamp{} ? THashes{} : base_;
    if (now != stamp_ && now != os::FileStamp{}) {
        TPersistentData file;
        file.SetSaveOnFree(false);
        file.Load(path_);
        TConfigurations empty;
        TConfigurations* theirs = &empty;
        for (TComponent* component : file.Components())
            if (auto* configurations = dynamic_cast<TConfigurations*>(component))
                theirs = configurations;
        inFile = TakeIn(*theirs, report);
        // What the file holds counts as read, even when the write below fails.
        base_ = inFile;
        stamp_ = now;
    }
    THashes mine = HashesOf(Index(GetConfigurationsRoot().Configurations()));
    if (mine != inFile) {
        GetPersistentData().Save();
        stamp_ = StampOf(path_);
        base_ = std::move(mine);
        report.wrote = true;
    }
    return report;
}

THashes TSharedDataFile::TakeIn(TConfigurations& theirs, TSyncReport& report) {
    TConfigurationsCollection& mine = GetConfigurationsRoot().Configurations();
    const std::map<std::string, TConfiguration*> ours = Index(mine);
    const std::map<std::string, TConfiguration*> inFile = Index(theirs.Configurations());
    const THashes ourHashes = HashesOf(ours);
    THashes fileHashes = HashesOf(inFile);
    std::set<std::string> keys;
    const auto keysOf = [&keys](const THashes& hashes) {
        for (const auto& entry : hashes)
            keys.insert(entry.first);
    };
    keysOf(ourHashes);
    keysOf(fileHashes);
    keysOf(base_);

    const auto takeTheirs = [&](TConfiguration& file) {
        std::unique_ptr<TCollectionItem> item = theirs.Configurations().Extract(file);
        mine.Add(std::unique_ptr<TConfiguration>(static_cast<TConfiguration*>(item.release())));
        report.tookIn = true;
    };
    std::vector<TConfiguration*> renamed; // this program's side of a change made on both
    mine.BeginUpdate();
    for (const std::string& key : keys) {
        const std::optional<std::uint64_t> base = HashAt(base_, key), own = HashAt(ourHashes, key),
                                           other = HashAt(fileHashes, key);
        if (own == other || other == base)
            continue;
        TConfiguration* here = own ? ours.at(key) : nullptr;
        TConfiguration* there = other ? inFile.at(key) : nullptr;
        if (own == base) {
            if (here)
                mine.Extract(*here).reset();
            if (there)
                takeTheirs(*there);
            else
                report.tookIn = true;
            continue;
        }
        // Changed on both sides: a change is kept rather than a deletion, and two changes both.
        if (!here) {
            report.conflicts.push_back("Another program changed configuration " + Quote(there->Name()) +
                                       " after it was deleted here; it is kept.");
            takeTheirs(*there);
        } else if (!there) {
            report.conflicts.push_back("Another program deleted configuration " + Quote(here->Name()) +
                                       " while it was changed here; it is kept.");
        } else {
            takeTheirs(*there);
            renamed.push_back(here);
        }
    }
    for (TConfiguration* configuration : renamed) {
        const std::string name = configuration->Name();
        configuration->SetName(FreeConfigurationName(mine, name));
        report.conflicts.push_back("Another program changed configuration " + Quote(name) +
                                   " while it was changed here; both are kept, the one changed here as " +
                                   Quote(configuration->Name()) + ".");
    }
    mine.EndUpdate();
    return fileHashes;
}

void TSharedDataFile::ReadHistory() {
    history_ = std::make_unique<TProfileHistory>(TProfileHistory::FileBeside(path_));
    historyStamp_ = StampOf(history_->FileName());
    historyError_.clear();
    try {
        history_->Load();
    } catch (const std::exception& e) {
        historyError_ = e.what();
    }
}

} // namespace prolamo
