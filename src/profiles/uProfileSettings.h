#pragma once

#include "classes/uPersistence.h"
#include "classes/uResultList.h"
#include "framework/Collection.h"
#include "framework/Component.h"
#include "framework/Exceptions.h"
#include "framework/Strings.h"
#include "framework/Translation.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace prolamo {

inline constexpr const char* NetworkCategory = PROLAMO_TRANSLATE_NOOP("SettingKinds", "Network");
inline constexpr const char* FilesCategory = PROLAMO_TRANSLATE_NOOP("SettingKinds", "Files");
inline constexpr const char* SystemCategory = PROLAMO_TRANSLATE_NOOP("SettingKinds", "System");
inline constexpr const char* OthersCategory = PROLAMO_TRANSLATE_NOOP("SettingKinds", "Others");

class TSetting;
class TSettingValue;
class TSettings;
class TConfigurationProfile;
class TConfigurationProfiles;

// Edits the parameters of one setting kind.
class TSettingEditor {
public:
    virtual ~TSettingEditor() = default;
    // Shows the kind's dialog; changes Setting and answers true when the user confirms.
    virtual bool Edit(TSetting& setting) = 0;
};

using TSettingEditorClass = std::unique_ptr<TSettingEditor> (*)();

// The editor of a kind T whose parameters a dialog of the front end edits in place: the front end
// plugs its dialog in once at start-up; without one, every edit is cancelled.
template <class T> class TDialogSettingEditor : public TSettingEditor {
public:
    // Changes the setting and answers true when the user confirms.
    using TDialog = std::function<bool(T& setting)>;

    static void SetDialog(TDialog dialog) { Dialog() = std::move(dialog); }
    static std::unique_ptr<TSettingEditor> New() { return std::make_unique<TDialogSettingEditor<T>>(); }

    bool Edit(TSetting& setting) override {
        auto* typed = dynamic_cast<T*>(&setting);
        if (typed == nullptr)
            throw EAssertionFailed("An editor was given another kind of setting");
        return Dialog() && Dialog()(*typed);
    }

private:
    static TDialog& Dialog() {
        static TDialog dialog;
        return dialog;
    }
};

// What a kind tells about itself without an instance.
struct TSettingTraits {
    std::string caption;
    std::string description; // empty: the caption
    std::string category;
    TSettingEditorClass editorClass = nullptr;
    int imageIndex = -1;
};

// The class reference of a setting kind, answering the kind's class functions.
class TSettingClass : public TClassInfo {
public:
    TSettingClass(std::string name, const TClassInfo* parent, Factory factory, std::vector<TPropInfo> properties,
                  TSettingTraits traits)
        : TClassInfo(std::move(name), parent, std::move(factory), std::move(properties)), traits_(std::move(traits)) {}

    // In the user's language, where the front end translates; CaptionKey is the English caption.
    std::string GetCaption() const { return Translated("SettingKinds", traits_.caption.c_str()); }
    const std::string& CaptionKey() const { return traits_.caption; }
    std::string GetDescription() const {
        return traits_.description.empty() ? GetCaption() : Translated("SettingKinds", traits_.description.c_str());
    }
    std::string GetCategory() const { return Translated("SettingKinds", traits_.category.c_str()); }
    TSettingEditorClass GetEditorClass() const { return traits_.editorClass; }
    int GetImageIndex() const { return traits_.imageIndex; }
    std::unique_ptr<TSetting> CreateSetting() const;

private:
    TSettingTraits traits_;
};

template <class T, class Base>
const TSettingClass& MakeSettingClass(std::string name, std::vector<TPropInfo> properties, TSettingTraits traits) {
    static_assert(std::is_base_of_v<Base, T>);
    static const TSettingClass info(std::move(name), &Base::StaticClass(), FactoryOf<T, Base>(), std::move(properties),
                                    std::move(traits));
    return info;
}

// Declares the class reference of a setting kind.
#define PROLAMO_SETTING_CLASS()                                                                                        \
public:                                                                                                                \
    static const ::prolamo::TSettingClass& StaticClass();                                                              \
    /* StaticClass builds its arguments on every call; the stream asks once per property. */                           \
    const ::prolamo::TClassInfo& ClassType() const override {                                                          \
        static const ::prolamo::TClassInfo& info = StaticClass();                                                      \
        return info;                                                                                                   \
    }                                                                                                                  \
                                                                                                                       \
private:

// One kind of machine state that a configuration watches. Its identity is Id, kept by copies.
class TSetting : public TComponent {
    PROLAMO_CLASS()

public:
    TSetting();

    std::uint32_t Id() const { return id_; }
    void SetId(std::uint32_t id) { id_ = id; }

    void Assign(const TPersistent& source) override;

    // Reads the machine's current state for this setting into a new value; never changes the machine.
    virtual std::unique_ptr<TSettingValue> CaptureValue() = 0;
    // Writes Value back to the machine, reporting problems in Results or by raising.
    virtual void ApplyValue(const TSettingValue& value, TCheckResultList& results) = 0;
    virtual std::string GetDetails() const { return {}; }
    // The file an apply writes where the setting's parameter chooses it (the File kind's path);
    // empty for kinds that write places of their own.
    virtual std::string GetChosenPath() const { return {}; }
    // Raises when a parameter holds what the kind cannot work with; the front ends ask it where the
    // user enters parameters (a data file is checked where its values are applied).
    virtual void CheckParameters() const {}
    // True when this setting must be applied after Setting.
    virtual bool DependsOn(const TSetting& /*setting*/) const { return false; }
    // Where an apply takes the setting: before every other (-1), among them (0), after them (1).
    virtual int ApplyPhase() const { return 0; }
    // The command line an apply runs, for a kind that runs a program instead of holding a state of
    // the machine. It has nothing to capture (CaptureValue raises why), so a refresh stores what
    // RecordRun gives, the preview says it will run, and an undo leaves it alone.
    virtual std::optional<std::string> CommandLineToRun() const { return std::nullopt; }
    // For a kind that runs a program: a value that records that the profile runs it.
    virtual std::unique_ptr<TSettingValue> RecordRun() const;
    // True when applying it can change how names resolve (the hosts file, DNS servers): an apply
    // then flushes the resolver's cache, which would otherwise go on answering from before.
    virtual bool ChangesNameResolution() const { return false; }

    const TSettingClass& SettingClass() const;
    std::string GetCaption() const { return SettingClass().GetCaption(); }

    // CaptureValue with the value stamped as created by this setting. What the capture had to leave
    // out of the value is a warning line in Warnings, when given.
    std::unique_ptr<TSettingValue> CreateValue(TCheckResultList* warnings = nullptr);
    // What a refresh stores: CreateValue, or RecordRun stamped alike for a kind that runs a program.
    std::unique_ptr<TSettingValue> CreateProfileValue(TCheckResultList* warnings = nullptr);
    bool IsCreatorOf(const TSettingValue& value) const;
    // A new instance of the same class with the same Id and parameters.
    std::unique_ptr<TSetting> Clone() const;
    // Other watches the same state: it is of the same kind with the same parameters (any other of
    // a kind without parameters, a File setting of the same path).
    bool IsDoubleOf(const TSetting& other) const;
    std::string GetDisplayText() const;
    // The display text with a chosen path or a command line in full, where a user decides what
    // will be written or run: "File (C:\Users\me\notes.txt)" where the lists show
    // "File (notes.txt)".
    std::string GetFullDisplayText() const;
    // A result line that names this setting as the lists show it.
    void AddWarning(TCheckResultList& results, const std::string& message) const;
    void AddError(TCheckResultList& results, const std::string& message) const;

protected:
    // For CaptureValue: a warning line for the caller of CreateValue; dropped when it gave no list.
    void AddCaptureWarning(const std::string& message) const;

private:
    std::uint32_t id_;
    TCheckResultList* captureWarnings_ = nullptr;
};

// One captured state of one setting, linked to it by CreatorId.
class TSettingValue : public TComponent {
    PROLAMO_CLASS()

public:
    std::uint32_t CreatorId() const { return creatorId_; }
    void SetCreatorId(std::uint32_t id) { creatorId_ = id; }

    void Assign(const TPersistent& source) override;
    // One-line summary for tooltips.
    virtual std::string GetHint() const { return {}; }
    // Setting's parameters were changed by the user.
    virtual void SettingChanged(const TSetting& /*setting*/) {}

    std::unique_ptr<TSettingValue> Clone() const;
    // Same kind and the same stored content (what the data file would hold for it).
    bool Equals(const TSettingValue& other) const;

private:
    std::uint32_t creatorId_ = 0;
};

// A value that is a sorted list of name=value lines (a browser's proxy preferences).
class TSettingLinesValue : public TSettingValue {
    PROLAMO_CLASS()

public:
    TSettingLinesValue() : settings_(true) {}

    TStrings& Settings() { return settings_; }
    const TStrings& Settings() const { return settings_; }

    void Assign(const TPersistent& source) override;

private:
    TStrings settings_;
};

class TSettingsList : public TPersistentComponentList<TSetting> {
public:
    explicit TSettingsList(bool ownsObjects) : TPersistentComponentList<TSetting>(ownsObjects) {}
};

// What the data file would hold for Component: its record with its children.
std::vector<std::uint8_t> Streamed(const TComponent& component);

class TSettingValueList : public TPersistentComponentList<TSettingValue> {
public:
    TSettingValueList() : TPersistentComponentList<TSettingValue>(true) {}
};

// A named snapshot: at most one value per setting of its configuration.
class TConfigurationProfile : public TCollectionItem {
    PROLAMO_CLASS()

public:
    TConfigurationProfile() = default;

    std::string Name() const { return name_; }
    // Reports the change, so the profiles are re-sorted.
    void SetName(const std::string& name);
    TSettings* Settings() const { return settings_; }
    void SetSettings(TSettings* settings) { settings_ = settings; }
    TSettingValueList& Values() { return values_; }
    const TSettingValueList& Values() const { return values_; }

    void Assign(const TPersistent& source) override;
    void DefineProperties(TFiler& filer) override;
    std::unique_ptr<TConfigurationProfile> Clone() const;

    int IndexOfValue(const TSetting& setting) const;
    TSettingValue* FindValue(const TSetting& setting) const;
    TSetting* FindCreator(const TSettingValue& value) const;
    // Replaces every value of Setting by Value (or by nothing).
    void SetValue(const TSetting& setting, std::unique_ptr<TSettingValue> value);
    // Captures first, so a failing capture keeps the old value. Warnings gets what the captures
    // had to leave out.
    void RefreshValue(TSetting& setting, TCheckResultList* warnings = nullptr);
    void RefreshAll(TCheckResultList* warnings = nullptr);
    void RemoveOrphans();
    void ApplySetting(TSetting& setting, TCheckResultList& results) const;

private:
    std::string name_;
    TSettings* settings_ = nullptr;
    TSettingValueList values_;
};

// The profiles of one configuration, kept in name order.
class TConfigurationProfiles : public TTypedCollection<TConfigurationProfile> {
public:
    explicit TConfigurationProfiles(TSettings& settings) : settings_(settings) {}

    TSettings& Settings() const { return settings_; }
    void Assign(const TPersistent& source) override;

    // A profile outside the collection, with the first free default name.
    std::unique_ptr<TConfigurationProfile> NewProfile() const;
    TConfigurationProfile* Find(const std::string& name) const;
    void RemoveValuesOf(const TSetting& setting);
    void SettingChanged(const TSetting& setting);
    void RemoveOrphans();

protected:
    void Notify(TCollectionItem& item, Action action) override;
    void Update(TCollectionItem* item) override;

private:
    TSettings& settings_;
};

// The owning settings list of a configuration, with the configuration's profiles.
class TSettings : public TSettingsList {
public:
    TSettings();
    ~TSettings() override;

    TConfigurationProfiles& Profiles() { return *profiles_; }
    const TConfigurationProfiles& Profiles() const { return *profiles_; }

    // Copies of Source's settings (same Ids) and profiles.
    void Assign(const TSettings& source);
    // Orders the settings by their apply phase, and within it moves every setting behind the
    // settings it depends on; otherwise keeps the list order.
    void SortForApply() { SortForApply(*this); }
    static void SortForApply(TSettingsList& list);
    void DefineProperties(TFiler& filer, const std::string& name) override;

protected:
    void Notify(TSetting& setting, Action action) override;

private:
    std::unique_ptr<TConfigurationProfiles> profiles_;
};

// A named set of settings and its profiles.
class TConfiguration : public TCollectionItem {
    PROLAMO_CLASS()

public:
    TConfiguration() = default;

    std::string Name() const { return name_; }
    void SetName(const std::string& name);
    TSettings& Settings() { return settings_; }
    const TSettings& Settings() const { return settings_; }
    TConfigurationProfiles& Profiles() { return settings_.Profiles(); }
    const TConfigurationProfiles& Profiles() const { return settings_.Profiles(); }
    auto begin() const { return settings_.begin(); }
    auto end() const { return settings_.end(); }

    void Assign(const TPersistent& source) override;
    void DefineProperties(TFiler& filer) override;

    TSetting& AddSetting(std::unique_ptr<TSetting> setting);
    void DeleteSetting(TSetting& setting);
    void SettingChanged(const TSetting& setting);
    // The setting, other than Replaced, that Setting would double; nothing when there is none.
    const TSetting* FindDouble(const TSetting& setting, const TSetting* replaced = nullptr) const;

private:
    std::string name_;
    TSettings settings_;
};

// The configurations, kept in name order.
class TConfigurationsCollection : public TTypedCollection<TConfiguration> {
public:
    // A configuration outside the collection, with the first free default name.
    std::unique_ptr<TConfiguration> NewConfiguration() const;
    TConfiguration* Find(const std::string& name) const;

protected:
    void Update(TCollectionItem* item) override;
};

// The root of everything stored; the first one constructed is the process's root.
class TConfigurations : public TComponent {
    PROLAMO_CLASS()

public:
    TConfigurations();
    ~TConfigurations() override;

    TConfigurationsCollection& Configurations() { return configurations_; }
    const TConfigurationsCollection& Configurations() const { return configurations_; }
    void SetConfigurations(const TConfigurationsCollection& configurations) { configurations_.Assign(configurations); }

private:
    TConfigurationsCollection configurations_;
};

// The refusals of a name or a setting that would be there twice, worded alike by every front end:
// "a configuration named "Home" already exists", "configuration "Network" already has a profile
// named "Home"", "the configuration already has the setting "File (C:\notes.txt)"".
std::string ConfigurationNameTaken(const std::string& name);
std::string ProfileNameTaken(const std::string& configuration, const std::string& name);
std::string SettingTaken(const TSetting& setting);

// The root, constructed on first use when none exists yet.
TConfigurations& GetConfigurationsRoot();

// Text from a data file or a machine file for a result line: in double quotes, with quotes,
// backslashes and control characters escaped, so that it cannot break or fake the line.
std::string QuotedText(std::string_view text);
// Text as one line of a question: as it is, or by QuotedText when a control character in it
// could start a line of its own.
std::string QuestionLine(std::string_view text);
// A hint of several lines: a single line as it is, else each line ended by a line break.
std::string JoinHint(const std::vector<std::string>& lines);

enum class TNamedKind { Configuration, Profile };
// Why Name cannot name a What, with the name quoted by QuotedText; empty when it can. Names are
// shown in lists and on terminals: not empty, no control characters.
std::string NameFault(const std::string& name, TNamedKind what);

// Orders names by the user's locale, letter case significant.
bool NameLess(const std::string& a, const std::string& b);

// The setting kinds in registration order.
class TSettingClasses {
public:
    // Enters the class in the streaming registry, then appends it.
    void Register(const TSettingClass& settingClass);
    void RegisterClasses(std::initializer_list<const TSettingClass*> classes);
    const std::vector<const TSettingClass*>& Classes() const { return classes_; }
    auto begin() const { return classes_.begin(); }
    auto end() const { return classes_.end(); }
    // By caption or class name, without regard to case; nothing when unknown.
    const TSettingClass* Find(std::string_view captionOrClassName) const;
    // The distinct categories, locale order ignoring case, "Others" last.
    std::vector<std::string> Categories() const;

private:
    std::vector<const TSettingClass*> classes_;
};

TSettingClasses& GetSettingClasses();

} // namespace prolamo
