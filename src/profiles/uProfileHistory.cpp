#include "uProfileHistory.h"

#include "framework/Stream.h"
#include "os/Files.h"
#include "os/Sqlite.h"
#include "os/Text.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>

namespace prolamo {

namespace {

struct TKindName {
    TSnapshotKind kind;
    const char* name;
    const char* what; // in descriptions: "the apply of Office"
};

constexpr TKindName KindNames[] = {
    {TSnapshotKind::Apply, "Apply", PROLAMO_TRANSLATE_NOOP("Engine", "apply")},
    {TSnapshotKind::Undo, "Undo", PROLAMO_TRANSLATE_NOOP("Engine", "undo")},
    {TSnapshotKind::Refresh, "Refresh", PROLAMO_TRANSLATE_NOOP("Engine", "refresh")},
};

const TKindName& NameOf(TSnapshotKind kind) {
    for (const TKindName& entry : KindNames)
        if (entry.kind == kind)
            return entry;
    throw EAssertionFailed("A snapshot kind without a name");
}

std::string Quote(const std::string& name) {
    return "\"" + name + "\"";
}

TSnapshotKind KindNamed(const std::string& name) {
    for (const TKindName& entry : KindNames)
        if (name == entry.name)
            return entry.kind;
    throw EReadError(
        Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Unknown kind of snapshot %1"), {Quote(name)}));
}

TSetting* FindSetting(const TConfiguration& configuration, std::uint32_t id) {
    for (TSetting* setting : configuration)
        if (setting->Id() == id)
            return setting;
    return nullptr;
}

TProfileSnapshot& NewestOrRaise(const TProfileHistory& history, std::initializer_list<TSnapshotKind> kinds,
                                const char* message) {
    if (TProfileSnapshot* snapshot = history.Newest(kinds))
        return *snapshot;
    throw ENothingToUndo(Translated("Engine", message));
}

// A stored UTC time as the user's clock shows it; a time that cannot be read stays as stored.
std::string LocalTime(const std::string& utc) {
    using namespace std::chrono;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (std::sscanf(utc.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) != 6)
        return utc + " UTC";
    const year_month_day read{year(y), month(static_cast<unsigned>(mo)), day(static_cast<unsigned>(d))};
    if (!read.ok())
        return utc + " UTC";
    const std::time_t when = system_clock::to_time_t(sys_days(read) + hours(h) + minutes(mi) + seconds(s));
    std::tm local{};
    char text[32];
    if (!os::LocalTime(when, &local) || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) == 0)
        return utc + " UTC";
    return text;
}

} // namespace

TConfiguration& ConfigurationOf(TConfigurations& root, const TProfileSnapshot& snapshot, TConfigurations* managed) {
    TConfiguration* own = root.Configurations().Find(snapshot.Configuration());
    TConfiguration* organisation = managed ? managed->Configurations().Find(snapshot.Configuration()) : nullptr;
    const auto holdsSnapshot = [&](const TConfiguration* configuration) {
        if (configuration)
            for (const TSnapshotEntry& entry : snapshot.Entries())
                if (FindSetting(*configuration, entry.SettingId()))
                    return true;
        return false;
    };
    if (organisation && (!own || (!holdsSnapshot(own) && holdsSnapshot(organisation))))
        return *organisation;
    if (own)
        return *own;
    throw EListError(Translated("Engine",
                                PROLAMO_TRANSLATE_NOOP("Engine", "The configuration %1 of %2 no longer exists"),
                                {Quote(snapshot.Configuration()), snapshot.Description()}));
}

// ---- TSnapshotEntry ----

const TClassInfo& TSnapshotEntry::StaticClass() {
    return MakeClassInfo<TSnapshotEntry, TCollectionItem>(
        "TSnapshotEntry", {prop::Cardinal("SettingId", &TSnapshotEntry::SettingId, &TSnapshotEntry::SetSettingId),
                           prop::String("Setting", &TSnapshotEntry::Setting, &TSnapshotEntry::SetSetting),
                           prop::String("Failure", &TSnapshotEntry::Failure, &TSnapshotEntry::SetFailure)});
}

void TSnapshotEntry::SetValue(std::unique_ptr<TSettingValue> value) {
    value_.Clear();
    if (value)
        value_.Add(std::move(value));
}

void TSnapshotEntry::Assign(const TPersistent& source) {
    const auto* entry = dynamic_cast<const TSnapshotEntry*>(&source);
    if (!entry) {
        TCollectionItem::Assign(source);
        return;
    }
    settingId_ = entry->settingId_;
    setting_ = entry->setting_;
    failure_ = entry->failure_;
    content_ = entry->content_;
    SetValue(entry->Value() ? entry->Value()->Clone() : nullptr);
}

void TSnapshotEntry::DefineProperties(TFiler& filer) {
    TCollectionItem::DefineProperties(filer);
    value_.DefineProperties(filer, "Value");
}

// ---- TProfileSnapshot ----

const TClassInfo& TProfileSnapshot::StaticClass() {
    return MakeClassInfo<TProfileSnapshot, TCollectionItem>(
        "TProfileSnapshot",
        {prop::String("Kind", &TProfileSnapshot::KindName, &TProfileSnapshot::SetKindName),
         prop::String("Configuration", &TProfileSnapshot::Configuration, &TProfileSnapshot::SetConfiguration),
         prop::String("Profile", &TProfileSnapshot::Profile, &TProfileSnapshot::SetProfile),
         prop::String("Time", &TProfileSnapshot::Time, &TProfileSnapshot::SetTime),
         prop::Object("Entries", TTypeKind::Collection,
                      static_cast<TSnapshotEntries& (TProfileSnapshot::*)()>(&TProfileSnapshot::Entries))});
}

std::string TProfileSnapshot::KindName() const {
    return NameOf(kind_).name;
}

void TProfileSnapshot::SetKindName(const std::string& name) {
    kind_ = KindNamed(name);
}

const TSnapshotEntry* TProfileSnapshot::FindEntry(std::uint32_t settingId) const {
    for (const TSnapshotEntry& entry : entries_)
        if (entry.SettingId() == settingId)
            return &entry;
    return nullptr;
}

std::string TProfileSnapshot::KindText() const {
    return Translated("Engine", NameOf(kind_).what);
}

std::string TProfileSnapshot::LocalTimeText() const {
    return LocalTime(time_);
}

std::string TProfileSnapshot::SettingsText() const {
    std::string text;
    for (const TSnapshotEntry& entry : entries_)
        text += (text.empty() ? "" : ", ") + entry.Setting();
    return text;
}

std::string TProfileSnapshot::Description() const {
    return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "the %1 of %2 (%3) at %4"),
                      {KindText(), profile_, configuration_, LocalTime(time_)});
}

void TProfileSnapshot::Assign(const TPersistent& source) {
    const auto* snapshot = dynamic_cast<const TProfileSnapshot*>(&source);
    if (!snapshot) {
        TCollectionItem::Assign(source);
        return;
    }
    kind_ = snapshot->kind_;
    configuration_ = snapshot->configuration_;
    profile_ = snapshot->profile_;
    time_ = snapshot->time_;
    entries_.Assign(snapshot->entries_);
    damaged_ = snapshot->damaged_;
}

// ---- TProfileHistory ----

namespace {

constexpr const char* Pragmas = "PRAGMA foreign_keys=ON; PRAGMA synchronous=FULL";
// Auto-vacuum gives the pages of removed content back to the file system at each commit: the
// file stays about as large as what it holds. It must be set before the first table, and setting
// it on a file that has it still commits a write, so a file is asked first.
constexpr const char* FullAutoVacuum = "PRAGMA auto_vacuum=FULL";
constexpr int AutoVacuumFull = 1;
constexpr const char* Schema = R"(
CREATE TABLE IF NOT EXISTS content(hash BLOB PRIMARY KEY, bytes BLOB NOT NULL);
CREATE TABLE IF NOT EXISTS snapshot(id INTEGER PRIMARY KEY, kind TEXT NOT NULL, configuration TEXT NOT NULL,
  profile TEXT NOT NULL, time TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS entry(snapshot INTEGER NOT NULL REFERENCES snapshot(id) ON DELETE CASCADE,
  position INTEGER NOT NULL, setting_id INTEGER NOT NULL, setting TEXT NOT NULL, failure TEXT NOT NULL,
  content BLOB REFERENCES content(hash), PRIMARY KEY(snapshot, position)) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS entry_content ON entry(content);
)";
// Another program reading it holds the file for a moment at most.
constexpr int BusyTimeoutMs = 5000;

std::span<const std::uint8_t> BytesOf(const os::Sha256Digest& digest) {
    return digest;
}

os::Sha256Digest DigestOf(const std::vector<std::uint8_t>& bytes) {
    os::Sha256Digest digest{};
    if (bytes.size() == digest.size())
        std::copy(bytes.begin(), bytes.end(), digest.begin());
    return digest;
}

std::unique_ptr<TSettingValue> ValueFrom(std::span<const std::uint8_t> bytes) {
    TReader reader(bytes);
    std::unique_ptr<TComponent> component = reader.ReadComponent();
    auto* value = dynamic_cast<TSettingValue*>(component.get());
    if (!value)
        throw EReadError(Translated("Engine", texts::AssignError,
                                    {component->ClassName(), TSettingValue::StaticClass().ClassName()}));
    component.release();
    return std::unique_ptr<TSettingValue>(value);
}

// The name with Suffix in place of its extension.
std::string Beside(const std::string& file, const char* suffix) {
    const auto slash = file.find_last_of("\\/");
    const auto dot = file.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? file.substr(0, dot) : file) + suffix;
}

std::vector<std::uint8_t> ReadWhole(const std::string& path) {
    std::vector<std::uint8_t> content;
    if (const os::ErrorCode code = os::Files().ReadWholeFile(path, &content); code != os::ErrorSuccess)
        throw EOSError(code);
    return content;
}

bool FileExists(const std::string& path) {
    std::uint32_t attributes = os::InvalidFileAttributes;
    return os::Files().GetFileAttributes(path, &attributes) == os::ErrorSuccess;
}

} // namespace

// One connection to the history file.
class TProfileHistory::TDatabase {
public:
    TDatabase(const std::string& fileName, THistoryAccess access) {
        const int flags = access == THistoryAccess::Read ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
        sqlite3* db = nullptr;
        const int code = sqlite3_open_v2(fileName.c_str(), &db, flags, nullptr);
        db_.reset(db);
        Check(code);
        sqlite3_busy_timeout(db_.get(), BusyTimeoutMs);
        if (access == THistoryAccess::Change) {
            Check(os::Exec(db_.get(), Pragmas));
            if (AutoVacuum() != AutoVacuumFull)
                Check(os::Exec(db_.get(), FullAutoVacuum));
        }
    }

    sqlite3* Db() const { return db_.get(); }

    int AutoVacuum() const {
        os::Statement query(db_.get(), "PRAGMA auto_vacuum");
        return Step(query) == SQLITE_ROW ? static_cast<int>(query.Int(0)) : 0;
    }

    // Whether the file holds the history's tables: a migration that failed left none.
    bool HasSchema() const {
        os::Statement query(db_.get(), "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'snapshot'");
        return Step(query) == SQLITE_ROW;
    }

    // Raises the reading or writing error of a call that did not end with Code.
    void Check(int code, int expected = SQLITE_OK) const {
        if (code != expected)
            throw EFilerError(db_ ? sqlite3_errmsg(db_.get()) : sqlite3_errstr(code));
    }
    int Step(os::Statement& statement) const {
        const int code = statement.Step();
        if (code != SQLITE_ROW && code != SQLITE_DONE)
            Check(code);
        return code;
    }

    void ReadList(TProfileSnapshots& snapshots) const {
        os::Statement list(db_.get(), "SELECT id, kind, configuration, profile, time FROM snapshot ORDER BY id");
        std::map<std::int64_t, TProfileSnapshot*> byKey;
        while (Step(list) == SQLITE_ROW) {
            TProfileSnapshot& snapshot = snapshots.Add();
            snapshot.SetKey(list.Int(0));
            snapshot.SetKind(KindNamed(list.Text(1)));
            snapshot.SetConfiguration(list.Text(2));
            snapshot.SetProfile(list.Text(3));
            snapshot.SetTime(list.Text(4));
            byKey[snapshot.Key()] = &snapshot;
        }
        os::Statement entries(
            db_.get(), "SELECT snapshot, setting_id, setting, failure, content FROM entry ORDER BY snapshot, position");
        while (Step(entries) == SQLITE_ROW) {
            const auto owner = byKey.find(entries.Int(0));
            if (owner == byKey.end())
                continue;
            TSnapshotEntry& entry = owner->second->Entries().Add();
            entry.SetSettingId(static_cast<std::uint32_t>(entries.Int(1)));
            entry.SetSetting(entries.Text(2));
            entry.SetFailure(entries.Text(3));
            if (!entries.IsNull(4))
                entry.SetContent(DigestOf(entries.Blob(4)));
        }
    }

    // Stores Snapshot and its values' contents that are not stored yet; returns its key and each
    // entry's content.
    std::pair<std::int64_t, std::vector<std::optional<os::Sha256Digest>>> Store(const TProfileSnapshot& snapshot) {
        os::Statement insert(db_.get(), "INSERT INTO snapshot(kind, configuration, profile, time) VALUES(?, ?, ?, ?)");
        insert.Bind(1, NameOf(snapshot.Kind()).name).Bind(2, snapshot.Configuration()).Bind(3, snapshot.Profile());
        insert.Bind(4, snapshot.Time());
        Check(Step(insert), SQLITE_DONE);
        const std::int64_t key = sqlite3_last_insert_rowid(db_.get());
        std::vector<std::optional<os::Sha256Digest>> contents;
        std::int64_t position = 0;
        for (const TSnapshotEntry& entry : snapshot.Entries()) {
            std::optional<os::Sha256Digest> content = entry.Content();
            if (entry.Value())
                content = StoreContent(Streamed(*entry.Value()));
            os::Statement row(db_.get(), "INSERT INTO entry(snapshot, position, setting_id, setting, failure, content) "
                                         "VALUES(?, ?, ?, ?, ?, ?)");
            row.Bind(1, key).Bind(2, position++).Bind(3, std::int64_t{entry.SettingId()}).Bind(4, entry.Setting());
            row.Bind(5, entry.Failure());
            if (content)
                row.Bind(6, BytesOf(*content));
            Check(Step(row), SQLITE_DONE);
            contents.push_back(content);
        }
        return {key, std::move(contents)};
    }

    void Delete(std::int64_t key) {
        os::Statement remove(db_.get(), "DELETE FROM snapshot WHERE id = ?");
        remove.Bind(1, key);
        Check(Step(remove), SQLITE_DONE);
    }

    // Keeps the newest Capacity snapshots and the contents they reference.
    void Trim() {
        os::Statement old(db_.get(),
                          "DELETE FROM snapshot WHERE id NOT IN (SELECT id FROM snapshot ORDER BY id DESC LIMIT ?)");
        old.Bind(1, static_cast<std::int64_t>(Capacity));
        Check(Step(old), SQLITE_DONE);
        Check(os::Exec(db_.get(),
                       "DELETE FROM content WHERE hash NOT IN (SELECT content FROM entry WHERE content IS NOT NULL)"));
    }

    // The stored bytes of Content, or nothing when they are gone.
    std::optional<std::vector<std::uint8_t>> Content(const os::Sha256Digest& content) const {
        os::Statement read(db_.get(), "SELECT bytes FROM content WHERE hash = ?");
        read.Bind(1, BytesOf(content));
        if (Step(read) != SQLITE_ROW)
            return std::nullopt;
        return read.Blob(0);
    }

private:
    struct Close {
        void operator()(sqlite3* db) const { sqlite3_close(db); }
    };

    // A content already stored adds nothing.
    os::Sha256Digest StoreContent(const std::vector<std::uint8_t>& bytes) {
        const os::Sha256Digest digest = os::Sha256(bytes);
        os::Statement insert(db_.get(), "INSERT INTO content(hash, bytes) SELECT ?1, ?2 WHERE NOT EXISTS "
                                        "(SELECT 1 FROM content WHERE hash = ?1)");
        insert.Bind(1, BytesOf(digest)).Bind(2, std::span<const std::uint8_t>(bytes));
        Check(Step(insert), SQLITE_DONE);
        return digest;
    }

    std::unique_ptr<sqlite3, Close> db_;
};

const TClassInfo& TProfileHistory::StaticClass() {
    return MakeClassInfo<TProfileHistory, TComponent>(
        "TProfileHistory",
        {prop::Object("Snapshots", TTypeKind::Collection,
                      static_cast<TProfileSnapshots& (TProfileHistory::*)()>(&TProfileHistory::Snapshots))});
}

TProfileHistory::TProfileHistory(std::string fileName) : fileName_(std::move(fileName)) {
    SetName("ProfileHistory");
}

TProfileHistory::~TProfileHistory() = default;

std::string TProfileHistory::FileBeside(const std::string& dataFile) {
    return Beside(dataFile, "-history.db");
}

std::string TProfileHistory::OldFileBeside(const std::string& dataFile) {
    return Beside(dataFile, "-history.dfm");
}

void TProfileHistory::Load(THistoryAccess access) {
    if (fileName_.empty())
        return;
    access_ = access;
    try {
        const std::string old = Beside(fileName_, ".dfm");
        const bool hasOld = FileExists(old);
        if (FileExists(fileName_)) {
            database_ = std::make_unique<TDatabase>(fileName_, access);
            if (database_->HasSchema()) {
                database_->ReadList(snapshots_);
                // The migration committed but ended before it removed the old file.
                if (hasOld && access == THistoryAccess::Change)
                    os::Files().DeleteFile(old);
                return;
            }
            // A migration that failed left the file without tables; the old file is still there.
        }
        if (!hasOld)
            return;
        if (access == THistoryAccess::Change)
            Migrate(old);
        else
            ReadOldFile(old);
    } catch (...) {
        loadFailed_ = true;
        snapshots_.Clear();
        throw;
    }
}

void TProfileHistory::ReadOldFile(const std::string& oldFile) {
    ReadComponentResource(ReadWhole(oldFile), *this, false);
}

void TProfileHistory::Migrate(const std::string& oldFile) {
    const std::vector<std::uint8_t> content = ReadWhole(oldFile);
    try {
        ReadComponentResource(content, *this, false);
    } catch (const std::exception& e) {
        snapshots_.Clear();
        // Set aside whole, for the user or a later version to read; a new history begins.
        const std::string aside = oldFile + ".damaged";
        if (const os::ErrorCode code = os::Files().WriteFileReplacing(aside, content); code != os::ErrorSuccess)
            throw EOSError(code);
        os::Files().DeleteFile(oldFile);
        notice_ =
            Translated("Engine",
                       PROLAMO_TRANSLATE_NOOP("Engine", "The history file %1 cannot be read (%2); it was set aside "
                                                        "as %3 and a new history begins."),
                       {oldFile, e.what(), aside});
        return;
    }
    std::vector<TProfileSnapshot*> all;
    for (TProfileSnapshot& snapshot : snapshots_)
        all.push_back(&snapshot);
    // All in one transaction: the old file goes only once the new one holds everything.
    Write(0, all);
    os::Files().DeleteFile(oldFile);
}

TProfileHistory::TDatabase& TProfileHistory::Writable() {
    if (access_ == THistoryAccess::Read)
        throw EAssertionFailed("A history read for listing is changed");
    if (!database_) {
        // An empty file is an empty database; made first so that it is the owner's only.
        if (!FileExists(fileName_))
            if (const os::ErrorCode code = os::Files().WriteFileReplacing(fileName_, {}); code != os::ErrorSuccess)
                throw EOSError(code);
        database_ = std::make_unique<TDatabase>(fileName_, THistoryAccess::Change);
    }
    return *database_;
}

void TProfileHistory::Write(std::int64_t removed, std::span<TProfileSnapshot* const> added) {
    TDatabase& database = Writable();
    std::vector<std::pair<std::int64_t, std::vector<std::optional<os::Sha256Digest>>>> stored;
    {
        os::Transaction transaction(database.Db(), os::Transaction::Kind::Write);
        database.Check(transaction.BeginCode());
        database.Check(os::Exec(database.Db(), Schema));
        if (removed != 0)
            database.Delete(removed);
        for (const TProfileSnapshot* snapshot : added)
            stored.push_back(database.Store(*snapshot));
        database.Trim();
        database.Check(transaction.Commit());
    }
    // The values are on disk now; memory keeps what lists them.
    for (std::size_t i = 0; i < added.size(); ++i) {
        added[i]->SetKey(stored[i].first);
        for (std::size_t e = 0; e < added[i]->Entries().Count(); ++e) {
            TSnapshotEntry& entry = added[i]->Entries()[e];
            if (const std::optional<os::Sha256Digest>& content = stored[i].second[e])
                entry.SetContent(*content);
            entry.DropValue();
        }
    }
}

TProfileSnapshot* TProfileHistory::Newest(std::initializer_list<TSnapshotKind> kinds) const {
    for (std::size_t i = snapshots_.Count(); i-- > 0;)
        for (TSnapshotKind kind : kinds)
            if (snapshots_[i].Kind() == kind)
                return &snapshots_[i];
    return nullptr;
}

TProfileSnapshot* TProfileHistory::NewestApply(TConfigurations& root, const TConfiguration& configuration,
                                               TConfigurations* managed) const {
    for (std::size_t i = snapshots_.Count(); i-- > 0;) {
        TProfileSnapshot& snapshot = snapshots_[i];
        if (snapshot.Kind() == TSnapshotKind::Apply && snapshot.Configuration() == configuration.Name() &&
            &ConfigurationOf(root, snapshot, managed) == &configuration)
            return &snapshot;
    }
    return nullptr;
}

TProfileSnapshot* TProfileHistory::Listed(std::size_t number) const {
    return number >= 1 && number <= snapshots_.Count() ? &snapshots_[snapshots_.Count() - number] : nullptr;
}

TProfileSnapshot* TProfileHistory::Find(std::int64_t key) const {
    for (std::size_t i = 0; i < snapshots_.Count(); ++i)
        if (snapshots_[i].Key() == key)
            return &snapshots_[i];
    return nullptr;
}

std::vector<std::vector<std::uint8_t>> TProfileHistory::VerifiedContents(TProfileSnapshot& snapshot,
                                                                         std::set<os::Sha256Digest>* foundWhole) {
    std::vector<std::vector<std::uint8_t>> contents;
    for (const TSnapshotEntry& entry : snapshot.Entries()) {
        if (entry.Value() || !entry.Content())
            continue;
        const os::Sha256Digest& content = *entry.Content();
        std::optional<std::vector<std::uint8_t>> bytes = database_ ? database_->Content(content) : std::nullopt;
        if (!bytes || (!(foundWhole && foundWhole->contains(content)) && os::Sha256(*bytes) != content)) {
            snapshot.SetDamaged();
            throw EDamagedSnapshot(Translated(
                "Engine",
                bytes
                    ? PROLAMO_TRANSLATE_NOOP("Engine", "The history's snapshot of %1 is damaged: the value of %2 kept "
                                                       "in %3 does not match its hash; it cannot be applied")
                    : PROLAMO_TRANSLATE_NOOP("Engine", "The history's snapshot of %1 is damaged: the value of %2 kept "
                                                       "in %3 is missing; it cannot be applied"),
                {snapshot.Description(), entry.Setting(), fileName_}));
        }
        if (foundWhole)
            foundWhole->insert(content);
        contents.push_back(std::move(*bytes));
    }
    return contents;
}

void TProfileHistory::ReadValues(TProfileSnapshot& snapshot) {
    // What is about to be applied is checked every time, whatever an earlier look found.
    std::vector<std::vector<std::uint8_t>> contents = VerifiedContents(snapshot, nullptr);
    std::size_t next = 0;
    for (TSnapshotEntry& entry : snapshot.Entries())
        if (!entry.Value() && entry.Content()) {
            try {
                entry.SetValue(ValueFrom(contents[next++]));
            } catch (const std::exception& e) {
                snapshot.SetDamaged();
                throw EDamagedSnapshot(Translated(
                    "Engine",
                    PROLAMO_TRANSLATE_NOOP(
                        "Engine", "The history's snapshot of %1 is damaged: the value of %2 cannot be read: %3"),
                    {snapshot.Description(), entry.Setting(), e.what()}));
            }
        }
}

void TProfileHistory::CheckAll() {
    std::set<os::Sha256Digest> foundWhole;
    for (TProfileSnapshot& snapshot : snapshots_)
        try {
            VerifiedContents(snapshot, &foundWhole);
        } catch (const EDamagedSnapshot&) {
            // Marked damaged; the others are checked still.
        }
}

TProfileSnapshot& TProfileHistory::Add(std::unique_ptr<TProfileSnapshot> snapshot) {
    TProfileSnapshot& added = *snapshot;
    Change(nullptr, std::move(snapshot));
    return added;
}

void TProfileHistory::Replace(TProfileSnapshot& old, std::unique_ptr<TProfileSnapshot> snapshot) {
    Change(&old, std::move(snapshot));
}

void TProfileHistory::Change(TProfileSnapshot* old, std::unique_ptr<TProfileSnapshot> snapshot) {
    if (loadFailed_)
        throw EFilerError(Translated(
            "Engine", PROLAMO_TRANSLATE_NOOP("Engine", "The history file %1 cannot be read; it is left as it is"),
            {fileName_}));
    if (!fileName_.empty()) {
        std::vector<TProfileSnapshot*> added;
        if (snapshot)
            added.push_back(snapshot.get());
        Write(old ? old->Key() : 0, added);
    }
    // Memory follows the file once it holds the change.
    if (old)
        snapshots_.Extract(*old).reset();
    if (snapshot)
        snapshots_.Add(std::move(snapshot));
    while (snapshots_.Count() > Capacity)
        snapshots_.Delete(0);
}

std::string SnapshotTime() {
    using namespace std::chrono;
    const auto now = floor<seconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date(day);
    const hh_mm_ss time(now - day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return text;
}

// ---- Snapshots of applies ----

std::unique_ptr<TProfileSnapshot> CaptureSnapshot(TSnapshotKind kind, const TConfiguration& configuration,
                                                  const TConfigurationProfile& profile, const TSettingsList& settings) {
    auto snapshot = std::make_unique<TProfileSnapshot>();
    snapshot->SetKind(kind);
    snapshot->SetConfiguration(configuration.Name());
    snapshot->SetProfile(profile.Name());
    snapshot->SetTime(SnapshotTime());
    for (TSetting* setting : settings) {
        if (!profile.FindValue(*setting))
            continue; // the run leaves it alone
        TSnapshotEntry& entry = snapshot->Entries().Add();
        entry.SetSettingId(setting->Id());
        entry.SetSetting(setting->GetDisplayText());
        try {
            entry.SetValue(setting->CreateValue());
        } catch (const std::exception& e) {
            entry.SetFailure(e.what());
        }
    }
    return snapshot;
}

TApplySnapshotter::TApplySnapshotter(TProfileHistory& history, const TConfiguration& configuration)
    : history_(history), configuration_(configuration) {}

void TApplySnapshotter::BeforeApply(const TConfigurationProfile& profile, const TSettingsList& settings) {
    recorded_ = &history_.Add(CaptureSnapshot(TSnapshotKind::Apply, configuration_, profile, settings));
}

// ---- Undo of an apply ----

namespace {

TProfileSnapshot& MachineState(TProfileHistory& history, TProfileSnapshot* chosen) {
    if (!chosen)
        return NewestOrRaise(history, {TSnapshotKind::Apply, TSnapshotKind::Undo},
                             PROLAMO_TRANSLATE_NOOP("Engine", "There is no apply to undo"));
    if (chosen->Kind() == TSnapshotKind::Refresh)
        throw ENothingToUndo(
            Translated("Engine",
                       PROLAMO_TRANSLATE_NOOP("Engine", "The snapshot of %1 holds the profile's values "
                                                        "before it, not the machine's state; undo the "
                                                        "refresh instead"),
                       {chosen->Description()}));
    return *chosen;
}

} // namespace

TApplyUndo::TApplyUndo(TProfileHistory& history, TConfigurations& root, TProfileSnapshot* chosen,
                       TConfigurations* managed)
    : history_(history), snapshot_(MachineState(history, chosen)),
      configuration_(ConfigurationOf(root, snapshot_, managed)) {
    history_.ReadValues(snapshot_);
    for (TSetting* setting : configuration_) {
        const TSnapshotEntry* entry = snapshot_.FindEntry(setting->Id());
        if (!entry)
            continue;
        // A kind that runs a program had no state to read: its own words say why, not a failure.
        if (!entry->Failure().empty())
            leftAlone_.push_back(
                setting->CommandLineToRun()
                    ? setting->GetDisplayText() + ": " + entry->Failure()
                    : Translated("Engine",
                                 PROLAMO_TRANSLATE_NOOP("Engine", "%1: its state could not be read before the %2: %3"),
                                 {setting->GetDisplayText(), snapshot_.KindText(), entry->Failure()}));
        else if (entry->HasValue())
            settings_.push_back(setting);
    }
    for (const TSnapshotEntry& entry : snapshot_.Entries())
        if (!FindSetting(configuration_, entry.SettingId()))
            leftAlone_.push_back(Translated(
                "Engine", PROLAMO_TRANSLATE_NOOP("Engine", "%1: the setting no longer exists"), {entry.Setting()}));
}

std::string TApplyUndo::Title() const {
    return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Undo %1"), {snapshot_.Description()});
}

namespace {

// Once the undo is confirmed: the machine's state before it replaces the snapshot of an apply,
// so the undo can be undone in turn; the snapshot of an undo just goes.
class TUndoGuard final : public IApplyGuard {
public:
    TUndoGuard(TProfileHistory& history, TProfileSnapshot& snapshot, const TConfiguration& configuration)
        : history_(history), snapshot_(snapshot), configuration_(configuration) {}

    void BeforeApply(const TConfigurationProfile& profile, const TSettingsList& settings) override {
        if (snapshot_.Kind() == TSnapshotKind::Apply)
            history_.Replace(snapshot_, CaptureSnapshot(TSnapshotKind::Undo, configuration_, profile, settings));
        else
            history_.Remove(snapshot_);
    }

private:
    TProfileHistory& history_;
    TProfileSnapshot& snapshot_;
    const TConfiguration& configuration_;
};

} // namespace

TApplyReport TApplyUndo::Run(std::unique_ptr<TProgressSender> sender, IConfirmation& confirmation) {
    TConfigurationProfile before;
    before.SetSettings(&configuration_.Settings());
    before.SetName(snapshot_.Profile());
    for (const TSetting* setting : settings_)
        before.Values().Add(snapshot_.FindEntry(setting->Id())->Value()->Clone());
    TUndoGuard guard(history_, snapshot_, configuration_);
    TProfileApplier applier(std::move(sender), confirmation);
    applier.SetGuard(&guard);
    applier.SetTitle(Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Undid the %1 of %2"),
                                {snapshot_.KindText(), snapshot_.Profile()}));
    applier.ApplyValues(before, settings_);
    return applier.Report();
}

// ---- Refresh and its undo ----

std::string TRefreshReport::Text() const {
    const int count = static_cast<int>(captured.size());
    if (!failed)
        return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Captured %1 into %2"),
                          {SettingsText(count), profile});
    return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Captured %1 of %2 into %3; %4 could not be read: %5"),
                      {std::to_string(count), SettingsText(total), profile, failed->GetDisplayText(), error});
}

TRefreshReport RefreshWithHistory(TProfileHistory& history, const TConfiguration& configuration,
                                  TConfigurationProfile& profile, std::span<TSetting* const> settings) {
    std::vector<TSetting*> list(settings.begin(), settings.end());
    if (list.empty())
        list.assign(configuration.begin(), configuration.end());
    auto snapshot = std::make_unique<TProfileSnapshot>();
    snapshot->SetKind(TSnapshotKind::Refresh);
    snapshot->SetConfiguration(configuration.Name());
    snapshot->SetProfile(profile.Name());
    snapshot->SetTime(SnapshotTime());
    for (const TSetting* setting : list) {
        TSnapshotEntry& entry = snapshot->Entries().Add();
        entry.SetSettingId(setting->Id());
        entry.SetSetting(setting->GetDisplayText());
        if (const TSettingValue* value = profile.FindValue(*setting))
            entry.SetValue(value->Clone());
    }
    TRefreshReport report;
    report.snapshot = &history.Add(std::move(snapshot));
    report.profile = profile.Name();
    report.total = static_cast<int>(list.size());
    for (TSetting* setting : list) {
        TCheckResultList warnings;
        try {
            profile.RefreshValue(*setting, &warnings);
        } catch (const std::exception& e) {
            report.failed = setting;
            report.error = e.what();
            break;
        }
        for (const TCheckResult& warning : warnings)
            report.warnings.push_back(warning.Text());
        report.captured.push_back(setting);
    }
    return report;
}

TRefreshUndo UndoRefresh(TProfileHistory& history, TConfigurations& root) {
    TProfileSnapshot& snapshot = NewestOrRaise(history, {TSnapshotKind::Refresh},
                                               PROLAMO_TRANSLATE_NOOP("Engine", "There is no refresh to undo"));
    TConfiguration& configuration = ConfigurationOf(root, snapshot);
    TConfigurationProfile* profile = configuration.Profiles().Find(snapshot.Profile());
    if (!profile)
        throw EListError(Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "The profile %1 of %2 no longer exists"),
                                    {Quote(snapshot.Profile()), snapshot.Description()}));
    history.ReadValues(snapshot);
    const auto kept = std::make_unique<TProfileSnapshot>();
    kept->Assign(snapshot);
    // The history changes first: when it cannot be saved, the profile stays as it is.
    history.Remove(snapshot);

    TRefreshUndo undo{&configuration, profile, 0, {}};
    for (const TSnapshotEntry& entry : kept->Entries()) {
        const TSetting* setting = FindSetting(configuration, entry.SettingId());
        if (!setting)
            continue;
        profile->SetValue(*setting, entry.Value() ? entry.Value()->Clone() : nullptr);
        ++undo.restored;
    }
    undo.text = Translated("Engine",
                           PROLAMO_TRANSLATE_NOOP("Engine", "Put back %1 of %2 as they were before its refresh at %3"),
                           {SettingsText(undo.restored), profile->Name(), LocalTime(kept->Time())});
    return undo;
}

} // namespace prolamo
