#include "uProfileHistory.h"

#include "framework/Stream.h"
#include "os/Files.h"

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

std::string Quote(const std::string& name) { return "\"" + name + "\""; }

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
    throw ENothingToUndo(message);
}

TConfiguration& ConfigurationOf(TConfigurations& root, const TProfileSnapshot& snapshot) {
    if (TConfiguration* configuration = root.Configurations().Find(snapshot.Configuration()))
        return *configuration;
    throw EListError("The configuration " + Quote(snapshot.Configuration()) + " of " + snapshot.Description() +
                     " no longer exists");
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
    // The zone is read again each time: the user may have changed it since the last look.
#ifdef _WIN32
    _tzset();
    const bool converted = localtime_s(&local, &when) == 0;
#else
    tzset();
    const bool converted = localtime_r(&when, &local) != nullptr;
#endif
    char text[32];
    if (!converted || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) == 0)
        return utc + " UTC";
    return text;
}

} // namespace

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

std::string TProfileSnapshot::KindName() const { return NameOf(kind_).name; }

void TProfileSnapshot::SetKindName(const std::string& name) {
    for (const TKindName& entry : KindNames)
        if (name == entry.name) {
            kind_ = entry.kind;
            return;
        }
    throw EReadError("Unknown kind of snapshot " + Quote(name));
}

const TSnapshotEntry* TProfileSnapshot::FindEntry(std::uint32_t settingId) const {
    for (const TSnapshotEntry& entry : entries_)
        if (entry.SettingId() == settingId)
            return &entry;
    return nullptr;
}

std::string TProfileSnapshot::Description() const {
    return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "the %1 of %2 (%3) at %4"),
                      {Translated("Engine", NameOf(kind_).what), profile_, configuration_, LocalTime(time_)});
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
}

// ---- TProfileHistory ----

const TClassInfo& TProfileHistory::StaticClass() {
    return MakeClassInfo<TProfileHistory, TComponent>(
        "TProfileHistory",
        {prop::Object("Snapshots", TTypeKind::Collection,
                      static_cast<TProfileSnapshots& (TProfileHistory::*)()>(&TProfileHistory::Snapshots))});
}

TProfileHistory::TProfileHistory(std::string fileName) : fileName_(std::move(fileName)) { SetName("ProfileHistory"); }

std::string TProfileHistory::FileBeside(const std::string& dataFile) {
    const auto slash = dataFile.find_last_of("\\/");
    const auto dot = dataFile.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? dataFile.substr(0, dot) : dataFile) + "-history.dfm";
}

void TProfileHistory::Load() {
    std::uint32_t attributes = os::InvalidFileAttributes;
    if (fileName_.empty() || os::Files().GetFileAttributes(fileName_, &attributes) != os::ErrorSuccess)
        return;
    try {
        std::vector<std::uint8_t> content;
        if (const os::ErrorCode code = os::Files().ReadWholeFile(fileName_, &content); code != os::ErrorSuccess)
            throw EOSError(code);
        ReadComponentResource(content, *this, false);
    } catch (...) {
        loadFailed_ = true;
        snapshots_.Clear();
        throw;
    }
}

TProfileSnapshot* TProfileHistory::Newest(std::initializer_list<TSnapshotKind> kinds) const {
    for (std::size_t i = snapshots_.Count(); i-- > 0;)
        for (TSnapshotKind kind : kinds)
            if (snapshots_[i].Kind() == kind)
                return &snapshots_[i];
    return nullptr;
}

TProfileSnapshot* TProfileHistory::NewestApply(const std::string& configuration) const {
    for (std::size_t i = snapshots_.Count(); i-- > 0;)
        if (snapshots_[i].Kind() == TSnapshotKind::Apply && snapshots_[i].Configuration() == configuration)
            return &snapshots_[i];
    return nullptr;
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
    std::map<const TCollectionItem*, std::size_t> rank; // the order before the change
    for (std::size_t i = 0; i < snapshots_.Count(); ++i)
        rank[&snapshots_[i]] = i;
    std::vector<std::unique_ptr<TCollectionItem>> removed;
    if (old)
        removed.push_back(snapshots_.Extract(*old));
    const bool adding = snapshot != nullptr;
    if (adding)
        snapshots_.Add(std::move(snapshot));
    while (snapshots_.Count() > Capacity)
        removed.push_back(snapshots_.Extract(snapshots_[0]));
    try {
        Save();
    } catch (...) {
        // The list as it was, so that memory and file tell the same.
        if (adding)
            snapshots_.Delete(snapshots_.Count() - 1);
        for (std::unique_ptr<TCollectionItem>& item : removed)
            static_cast<TCollection&>(snapshots_).Add(std::move(item));
        snapshots_.Sort([&](const TCollectionItem& a, const TCollectionItem& b) { return rank.at(&a) < rank.at(&b); });
        throw;
    }
}

void TProfileHistory::Save() {
    if (loadFailed_)
        throw EFilerError("The history file " + fileName_ + " cannot be read; it is left as it is");
    if (fileName_.empty())
        return;
    const std::vector<std::uint8_t> content = WriteComponentResource(*this);
    if (const os::ErrorCode code = os::Files().WriteFileReplacing(fileName_, content); code != os::ErrorSuccess)
        throw EOSError(code);
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
                                                  const TConfigurationProfile& profile,
                                                  const TSettingsList& settings) {
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

TApplyUndo::TApplyUndo(TProfileHistory& history, TConfigurations& root)
    : history_(history), snapshot_(NewestOrRaise(history, {TSnapshotKind::Apply, TSnapshotKind::Undo}, "There is no apply to undo")),
      configuration_(ConfigurationOf(root, snapshot_)) {
    for (TSetting* setting : configuration_) {
        const TSnapshotEntry* entry = snapshot_.FindEntry(setting->Id());
        if (!entry)
            continue;
        if (!entry->Failure().empty())
            leftAlone_.push_back(Translated(
                "Engine", PROLAMO_TRANSLATE_NOOP("Engine", "%1: its state could not be read before the %2: %3"),
                {setting->GetDisplayText(), Translated("Engine", NameOf(snapshot_.Kind()).what), entry->Failure()}));
        else if (entry->Value())
            settings_.push_back(setting);
    }
    for (const TSnapshotEntry& entry : snapshot_.Entries())
        if (!FindSetting(configuration_, entry.SettingId()))
            leftAlone_.push_back(entry.Setting() + ": the setting no longer exists");
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
                                {Translated("Engine", NameOf(snapshot_.Kind()).what), snapshot_.Profile()}));
    applier.ApplyValues(before, settings_);
    return applier.Report();
}

// ---- Refresh and its undo ----

std::string TRefreshReport::Text() const {
    const int count = static_cast<int>(captured.size());
    if (!failed)
        return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Captured %1 into %2"), {SettingsText(count), profile});
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
    history.Add(std::move(snapshot));

    TRefreshReport report;
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
    TProfileSnapshot& snapshot = NewestOrRaise(history, {TSnapshotKind::Refresh}, "There is no refresh to undo");
    TConfiguration& configuration = ConfigurationOf(root, snapshot);
    TConfigurationProfile* profile = configuration.Profiles().Find(snapshot.Profile());
    if (!profile)
        throw EListError("The profile " + Quote(snapshot.Profile()) + " of " + snapshot.Description() +
                         " no longer exists");
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
    undo.text = Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Put back %1 of %2 as they were before its refresh at %3"),
                           {SettingsText(undo.restored), profile->Name(), LocalTime(kept->Time())});
    return undo;
}

} // namespace prolamo
