#pragma once

#include "os/Sha256.h"
#include "uProfileUtils.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace prolamo {

// What a snapshot holds: the machine's state before an apply or before an undo of one, or a
// profile's values before a refresh.
enum class TSnapshotKind { Apply, Undo, Refresh };

// One setting's state in a snapshot: its value, or why it could not be read. Without both, the
// profile held no value of the setting before the refresh.
class TSnapshotEntry : public TCollectionItem {
    PROLAMO_CLASS()

public:
    std::uint32_t SettingId() const { return settingId_; }
    void SetSettingId(std::uint32_t id) { settingId_ = id; }
    // The setting as the lists showed it when the snapshot was taken ("File (notes.txt)").
    std::string Setting() const { return setting_; }
    void SetSetting(const std::string& text) { setting_ = text; }
    // Why the setting's state could not be read; empty when it was.
    std::string Failure() const { return failure_; }
    void SetFailure(const std::string& message) { failure_ = message; }

    // The value once read (TProfileHistory::ReadValues); a stored snapshot's values stay on disk
    // until asked for.
    const TSettingValue* Value() const { return value_.Empty() ? nullptr : &value_[0]; }
    void SetValue(std::unique_ptr<TSettingValue> value);
    // Whether the setting had a value, read or not.
    bool HasValue() const { return Value() || content_; }
    // The SHA-256 of the stored value's bytes, when it is stored.
    const std::optional<os::Sha256Digest>& Content() const { return content_; }
    void SetContent(const os::Sha256Digest& content) { content_ = content; }
    void DropValue() { value_.Clear(); }

    void Assign(const TPersistent& source) override;
    void DefineProperties(TFiler& filer) override;

private:
    std::uint32_t settingId_ = 0;
    std::string setting_;
    std::string failure_;
    TSettingValueList value_; // at most one
    std::optional<os::Sha256Digest> content_;
};

class TSnapshotEntries : public TTypedCollection<TSnapshotEntry> {};

// What was there before one run, with which configuration and profile, and when.
class TProfileSnapshot : public TCollectionItem {
    PROLAMO_CLASS()

public:
    TSnapshotKind Kind() const { return kind_; }
    void SetKind(TSnapshotKind kind) { kind_ = kind; }
    std::string Configuration() const { return configuration_; }
    void SetConfiguration(const std::string& name) { configuration_ = name; }
    std::string Profile() const { return profile_; }
    void SetProfile(const std::string& name) { profile_ = name; }
    // UTC, "2026-12-07 09:20:45"; set to the current time when the snapshot is made.
    std::string Time() const { return time_; }
    void SetTime(const std::string& time) { time_ = time; }
    TSnapshotEntries& Entries() { return entries_; }
    const TSnapshotEntries& Entries() const { return entries_; }
    const TSnapshotEntry* FindEntry(std::uint32_t settingId) const;

    // "the apply of Office (Network) at 2026-12-07 09:20:45 UTC"
    std::string Description() const;
    // "apply", "undo", "refresh", in the user's language
    std::string KindText() const;
    // Time as the user's clock shows it: "2026-12-07 10:20:45".
    std::string LocalTimeText() const;
    // The settings it holds, as the lists showed them, with ", " between.
    std::string SettingsText() const;

    // The row that keeps it in the history file; 0 when it is not stored.
    std::int64_t Key() const { return key_; }
    void SetKey(std::int64_t key) { key_ = key; }
    // A stored value of it no longer matches its hash: it is never applied.
    bool Damaged() const { return damaged_; }
    void SetDamaged() { damaged_ = true; }

    void Assign(const TPersistent& source) override;

private:
    std::string KindName() const;
    void SetKindName(const std::string& name);

    TSnapshotKind kind_ = TSnapshotKind::Apply;
    std::string configuration_;
    std::string profile_;
    std::string time_;
    TSnapshotEntries entries_;
    std::int64_t key_ = 0;
    bool damaged_ = false;
};

class TProfileSnapshots : public TTypedCollection<TProfileSnapshot> {};

// A snapshot whose stored content does not match its hash.
class EDamagedSnapshot : public Exception {
    using Exception::Exception;
};

// How a history file is opened: only the holder of the data file's lock changes it.
enum class THistoryAccess { Read, Change };

// The history database beside the data file (SQLite): the newest Capacity snapshots, oldest
// first, each with its entries; a value's bytes are stored once by their SHA-256, however many
// snapshots hold them. Every change is one transaction, and only the holder of the data file's
// lock makes one. Snapshots are listed from memory; their values are read on demand. Its
// published list is what the old history file held, in the data file's format: it reads that
// file for the migration.
class TProfileHistory : public TComponent {
    PROLAMO_CLASS()

public:
    static constexpr std::size_t Capacity = 20;

    // No file name: kept in memory only.
    explicit TProfileHistory(std::string fileName = {});
    ~TProfileHistory() override;

    // "<folder of the data file>/qvt-history.db" for ".../qvt.dfm".
    static std::string FileBeside(const std::string& dataFile);
    // The history file of earlier versions, in the data file's format: "qvt-history.dfm".
    static std::string OldFileBeside(const std::string& dataFile);

    const std::string& FileName() const { return fileName_; }
    // Reads the list when the file exists. An unreadable file raises the reading error and is left
    // as it is; the history then refuses every change, so it is never overwritten. With Change,
    // a history of the old format beside it is migrated first: it stays until the new file holds
    // all of it, and is then removed; one that cannot be read is set aside (Notice tells where).
    // With Read, an old file is listed as it is.
    void Load(THistoryAccess access = THistoryAccess::Change);
    // What the migration did that the user should know; empty when nothing.
    const std::string& Notice() const { return notice_; }

    TProfileSnapshots& Snapshots() { return snapshots_; }
    const TProfileSnapshots& Snapshots() const { return snapshots_; }
    // The newest snapshot of one of the kinds, or nothing.
    TProfileSnapshot* Newest(std::initializer_list<TSnapshotKind> kinds) const;
    // The newest snapshot of an apply of a profile of Configuration, the user's own in Root or the
    // organisation's in Managed: the profile applied last. Both may use a name, and so its snapshots.
    TProfileSnapshot* NewestApply(TConfigurations& root, const TConfiguration& configuration,
                                  TConfigurations* managed) const;
    // The snapshot listed as Number, the newest being 1; nothing beyond the list.
    TProfileSnapshot* Listed(std::size_t number) const;
    // The stored snapshot of Key, also after the list was read again; nothing when it is gone.
    TProfileSnapshot* Find(std::int64_t key) const;

    // Reads the values of Snapshot's entries, checking each content's hash; a mismatch marks the
    // snapshot damaged and raises EDamagedSnapshot, which names it.
    void ReadValues(TProfileSnapshot& snapshot);
    // Checks the hashes of every snapshot's stored values without keeping them, each content
    // once; the snapshots that fail are marked damaged.
    void CheckAll();

    // Each change is saved at once; a failed save raises and leaves both the file and the list as
    // they were.
    // Appends Snapshot, dropping the oldest beyond Capacity.
    TProfileSnapshot& Add(std::unique_ptr<TProfileSnapshot> snapshot);
    // Takes Old off the list and appends Snapshot (when given), in one transaction.
    void Replace(TProfileSnapshot& old, std::unique_ptr<TProfileSnapshot> snapshot);
    void Remove(TProfileSnapshot& snapshot) { Replace(snapshot, nullptr); }

private:
    class TDatabase;

    void Change(TProfileSnapshot* old, std::unique_ptr<TProfileSnapshot> snapshot);
    void Migrate(const std::string& oldFile);
    void ReadOldFile(const std::string& oldFile);
    TDatabase& Writable();
    // One transaction: removes the snapshot of key Removed (0: none), stores Added, keeps the
    // newest Capacity and the contents they reference. Afterwards the added snapshots know their
    // keys and contents, and hold their values no more.
    void Write(std::int64_t removed, std::span<TProfileSnapshot* const> added);
    // The stored bytes of each entry of Snapshot with a stored value, in entry order; raises
    // EDamagedSnapshot on a mismatch. A content in FoundWhole, when given, is not hashed again,
    // and one found whole is added.
    std::vector<std::vector<std::uint8_t>> VerifiedContents(TProfileSnapshot& snapshot,
                                                            std::set<os::Sha256Digest>* foundWhole);

    std::string fileName_;
    THistoryAccess access_ = THistoryAccess::Change;
    bool loadFailed_ = false;
    std::string notice_;
    std::unique_ptr<TDatabase> database_;
    TProfileSnapshots snapshots_;
};

// The current time as a snapshot stores it; the front ends use the history's clock through it.
std::string SnapshotTime();

// Nothing of the asked kind is kept.
class ENothingToUndo : public Exception {
    using Exception::Exception;
};

// Records, before an apply writes anything, the machine's state of exactly the settings about to
// be applied (those the profile holds a value of), through their capture, which never changes
// the machine. A capture that fails is recorded as such and the run goes on. Give it to the
// applier with SetGuard; a snapshot that cannot be saved ends the run before anything is written.
class TApplySnapshotter final : public IApplyGuard {
public:
    TApplySnapshotter(TProfileHistory& history, const TConfiguration& configuration);

    void BeforeApply(const TConfigurationProfile& profile, const TSettingsList& settings) override;
    // The snapshot the last run saved; nothing before a run.
    const TProfileSnapshot* Recorded() const { return recorded_; }

private:
    TProfileHistory& history_;
    const TConfiguration& configuration_;
    TProfileSnapshot* recorded_ = nullptr;
};

// Captures the machine's state of Settings (those Profile holds a value of) into a new snapshot
// of Kind; the caller adds it to a history.
std::unique_ptr<TProfileSnapshot> CaptureSnapshot(TSnapshotKind kind, const TConfiguration& configuration,
                                                  const TConfigurationProfile& profile, const TSettingsList& settings);

// The configuration Snapshot was made of: the user's own of its name, or the organisation's (among
// Managed); when both use the name, the one that holds the snapshot's settings. Raises EListError
// when neither has it.
TConfiguration& ConfigurationOf(TConfigurations& root, const TProfileSnapshot& snapshot,
                                TConfigurations* managed = nullptr);

// Undo of the newest apply (or of the newest undo, which gives the apply back once): applies the
// snapshot's values through the normal applier, with its confirmation, order, error isolation
// and progress. Settings whose state could not be read, and settings deleted since, are left
// alone. Once the user confirmed, the snapshot leaves the list; undoing an apply puts the
// machine's state before the undo in its place, undoing an undo puts nothing.
class TApplyUndo {
public:
    // Undoes Chosen, or the newest apply or undo when none is given. Raises ENothingToUndo when
    // the history keeps no apply, or Chosen is a refresh; EListError when the snapshot's
    // configuration is gone; EDamagedSnapshot when its stored values are damaged. The snapshot's
    // configuration is looked for among the user's own and then the Managed ones.
    TApplyUndo(TProfileHistory& history, TConfigurations& root, TProfileSnapshot* chosen = nullptr,
               TConfigurations* managed = nullptr);

    // The snapshot leaves the history once Run is confirmed: Snapshot and Title hold until then.
    const TProfileSnapshot& Snapshot() const { return snapshot_; }
    TConfiguration& Configuration() const { return configuration_; }
    // "Undo the apply of Office (Network) at 2026-12-07 09:20:45 UTC"
    std::string Title() const;
    // One line per setting left alone, with why: "File (notes.txt): its state could not be read
    // before the apply: ...", "File (old.txt): the setting no longer exists".
    const std::vector<std::string>& LeftAlone() const { return leftAlone_; }
    // Settings the undo writes, in the configuration's list order.
    const std::vector<TSetting*>& Settings() const { return settings_; }

    // Runs the undo; the report tells whether the user confirmed and what happened
    // ("Undid the apply of Office: 3 settings, no errors").
    TApplyReport Run(std::unique_ptr<TProgressSender> sender, IConfirmation& confirmation);

private:
    TProfileHistory& history_;
    TProfileSnapshot& snapshot_;
    TConfiguration& configuration_;
    std::vector<TSetting*> settings_;
    std::vector<std::string> leftAlone_;
};

// The outcome of a refresh, for the status line or message of the front end.
struct TRefreshReport {
    // What the refresh replaced, in the history; a front end whose save of the refreshed
    // profile fails removes it.
    TProfileSnapshot* snapshot = nullptr;
    std::string profile;
    std::vector<const TSetting*> captured; // in list order
    int total = 0;
    const TSetting* failed = nullptr; // the capture that ended the refresh
    std::string error;
    std::vector<std::string> warnings; // what the captures left out, as result texts

    // "Captured 3 settings into Office"; on a failure "Captured 1 of 3 settings into Office;
    // File (notes.txt) could not be read: ..."
    std::string Text() const;
};

// Refresh that can be undone: keeps the profile's values of Settings (all of the configuration's
// when empty) in the history, then captures them in list order. A failing capture ends the
// refresh there, as a refresh always did; the values captured before it stay.
TRefreshReport RefreshWithHistory(TProfileHistory& history, const TConfiguration& configuration,
                                  TConfigurationProfile& profile, std::span<TSetting* const> settings = {});

struct TRefreshUndo {
    TConfiguration* configuration = nullptr;
    TConfigurationProfile* profile = nullptr;
    int restored = 0;

    // "Put back 3 settings of Office as they were before its refresh at 2026-12-07 09:20:45 UTC"
    std::string text;
};

// Puts the values back that the newest refresh replaced (settings without a value then have
// none again; settings deleted since are passed over) and takes the snapshot off the list.
// Raises ENothingToUndo when no refresh is kept, EListError when its configuration or profile is
// gone (the snapshot then stays).
TRefreshUndo UndoRefresh(TProfileHistory& history, TConfigurations& root);

} // namespace prolamo
