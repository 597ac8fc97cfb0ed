#include "uProfileSettings.h"

#include "framework/AsciiText.h"
#include "framework/ClassRegistry.h"
#include "framework/Translation.h"
#include "framework/Utf8Text.h"
#include "os/Text.h"

#include <algorithm>
#include <climits>
#include <map>
#include <set>
#include <utility>

namespace prolamo {

namespace {

TConfigurations* currentRoot = nullptr;

// Tick counts repeat when settings are made within one millisecond; never hand out the same Id
// twice in one process.
std::uint32_t NextSettingId() {
    static std::uint32_t last = 0;
    static bool issued = false;
    std::uint32_t id = os::GetTickCount();
    if (issued && static_cast<std::int32_t>(id - last) <= 0)
        id = last + 1;
    last = id;
    issued = true;
    return id;
}

// "Configuration 1", "Configuration 2", ...: the first that no item of the collection carries,
// names compared folding a to z only. The name is the user's once made, so it is made in the
// user's language.
template <class Collection> std::string FirstFreeName(const Collection& collection, const char* pattern) {
    for (std::int64_t n = 1; n <= INT_MAX; ++n) {
        const std::string candidate = Translated("Engine", pattern, {std::to_string(n)});
        bool taken = false;
        for (const auto& item : collection)
            if (SameText(item.Name(), candidate)) {
                taken = true;
                break;
            }
        if (!taken)
            return candidate;
    }
    throw EListError(std::string("No free default name for ") + pattern);
}

std::string Quote(const std::string& text) {
    return "\"" + text + "\"";
}

template <class Item> void SortByName(TCollection& collection) {
    collection.Sort([](const TCollectionItem& a, const TCollectionItem& b) {
        return NameLess(static_cast<const Item&>(a).Name(), static_cast<const Item&>(b).Name());
    });
}

} // namespace

std::vector<std::uint8_t> Streamed(const TComponent& component) {
    std::vector<std::uint8_t> bytes;
    TWriter writer(bytes);
    writer.WriteComponent(const_cast<TComponent&>(component));
    return bytes;
}

bool NameLess(const std::string& a, const std::string& b) {
    return os::CompareLocale(a, b, false) < 0;
}

// ---- TSettingClass ----

std::unique_ptr<TSetting> TSettingClass::CreateSetting() const {
    std::unique_ptr<TPersistent> instance = Create();
    auto* setting = dynamic_cast<TSetting*>(instance.get());
    if (!setting)
        throw EConvertError(ClassName() + " is not a setting class");
    instance.release();
    return std::unique_ptr<TSetting>(setting);
}

// ---- TSetting ----

const TClassInfo& TSetting::StaticClass() {
    return MakeClassInfo<TSetting, TComponent>("TSetting", {prop::Cardinal("Id", &TSetting::Id, &TSetting::SetId)});
}

TSetting::TSetting() : id_(NextSettingId()) {}

void TSetting::Assign(const TPersistent& source) {
    if (const auto* setting = dynamic_cast<const TSetting*>(&source)) {
        id_ = setting->id_;
        return;
    }
    TComponent::Assign(source);
}

const TSettingClass& TSetting::SettingClass() const {
    return static_cast<const TSettingClass&>(ClassType());
}

std::unique_ptr<TSettingValue> TSetting::CreateValue(TCheckResultList* warnings) {
    // The list is this capture's only, also when it raises.
    struct Scope {
        TCheckResultList*& target;
        ~Scope() { target = nullptr; }
    } scope{captureWarnings_};
    captureWarnings_ = warnings;
    std::unique_ptr<TSettingValue> value = CaptureValue();
    value->SetCreatorId(id_);
    return value;
}

std::unique_ptr<TSettingValue> TSetting::CreateProfileValue(TCheckResultList* warnings) {
    if (!CommandLineToRun())
        return CreateValue(warnings);
    std::unique_ptr<TSettingValue> value = RecordRun();
    value->SetCreatorId(id_);
    return value;
}

std::unique_ptr<TSettingValue> TSetting::RecordRun() const {
    throw EAssertionFailed("A kind that runs no program was asked to record a run");
}

void TSetting::AddCaptureWarning(const std::string& message) const {
    if (captureWarnings_ != nullptr)
        AddWarning(*captureWarnings_, message);
}

bool TSetting::IsCreatorOf(const TSettingValue& value) const {
    return value.CreatorId() == id_;
}

std::unique_ptr<TSetting> TSetting::Clone() const {
    std::unique_ptr<TSetting> clone = SettingClass().CreateSetting();
    clone->Assign(*this);
    return clone;
}

bool TSetting::IsDoubleOf(const TSetting& other) const {
    if (&ClassType() != &other.ClassType())
        return false;
    // Compared as stored, so every parameter counts; Id and name only tell settings apart.
    const std::unique_ptr<TSetting> same = other.Clone();
    same->SetId(id_);
    same->SetName(Name());
    return Streamed(*this) == Streamed(*same);
}

std::string TSetting::GetDisplayText() const {
    const std::string details = GetDetails();
    return details.empty() ? GetCaption() : GetCaption() + " (" + details + ")";
}

std::string TSetting::GetFullDisplayText() const {
    const std::string full = GetChosenPath().empty() ? CommandLineToRun().value_or("") : GetChosenPath();
    return full.empty() ? GetDisplayText() : GetCaption() + " (" + full + ")";
}

std::string QuotedText(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c == '\r') {
            quoted += "\\r";
        } else if (c == '\n') {
            quoted += "\\n";
        } else if (c == '\t') {
            quoted += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            quoted += "\\x";
            quoted += kHex[byte >> 4];
            quoted += kHex[byte & 0xF];
        } else {
            quoted += c;
        }
    }
    return quoted + '"';
}

std::string QuestionLine(std::string_view text) {
    const bool control =
        std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
    return control ? QuotedText(text) : std::string(text);
}

std::string JoinHint(const std::vector<std::string>& lines) {
    if (lines.size() == 1)
        return lines.front();
    std::string hint;
    for (const std::string& line : lines)
        hint += line + "\r\n";
    return hint;
}

std::string NameFault(const std::string& name, TNamedKind what) {
    const bool profile = what == TNamedKind::Profile;
    if (name.empty())
        return Translated("Engine", profile ? PROLAMO_TRANSLATE_NOOP("Engine", "a profile needs a name")
                                            : PROLAMO_TRANSLATE_NOOP("Engine", "a configuration needs a name"));
    if (HasControlCharacter(name))
        return Translated(
            "Engine",
            profile ? PROLAMO_TRANSLATE_NOOP("Engine", "a profile name cannot hold control characters: %1")
                    : PROLAMO_TRANSLATE_NOOP("Engine", "a configuration name cannot hold control characters: %1"),
            {QuotedText(name)});
    return {};
}

void TSetting::AddWarning(TCheckResultList& results, const std::string& message) const {
    results.AddWarning(GetDisplayText(), message);
}

void TSetting::AddError(TCheckResultList& results, const std::string& message) const {
    results.AddError(GetDisplayText(), message);
}

// ---- TSettingValue ----

const TClassInfo& TSettingValue::StaticClass() {
    return MakeClassInfo<TSettingValue, TComponent>(
        "TSettingValue", {prop::Cardinal("CreatorId", &TSettingValue::CreatorId, &TSettingValue::SetCreatorId),
                          prop::String<TSettingValue>("Hint", &TSettingValue::GetHint, nullptr)});
}

void TSettingValue::Assign(const TPersistent& source) {
    if (const auto* value = dynamic_cast<const TSettingValue*>(&source)) {
        creatorId_ = value->creatorId_;
        return;
    }
    TComponent::Assign(source);
}

const TClassInfo& TSettingLinesValue::StaticClass() {
    return MakeClassInfo<TSettingLinesValue, TSettingValue>(
        "TSettingLinesValue",
        {prop::Object("Settings", TTypeKind::Strings,
                      static_cast<TStrings& (TSettingLinesValue::*)()>(&TSettingLinesValue::Settings))});
}

void TSettingLinesValue::Assign(const TPersistent& source) {
    // Lines of one kind mean nothing to another.
    if (const auto* value = dynamic_cast<const TSettingLinesValue*>(&source);
        value && &value->ClassType() == &ClassType())
        settings_.Assign(value->settings_);
    TSettingValue::Assign(source);
}

std::unique_ptr<TSettingValue> TSettingValue::Clone() const {
    std::unique_ptr<TPersistent> instance = ClassType().Create();
    auto* clone = dynamic_cast<TSettingValue*>(instance.get());
    instance.release();
    std::unique_ptr<TSettingValue> result(clone);
    result->Assign(*this);
    return result;
}

bool TSettingValue::Equals(const TSettingValue& other) const {
    if (&ClassType() != &other.ClassType())
        return false;
    return Streamed(*this) == Streamed(other);
}

// ---- TConfigurationProfile ----

const TClassInfo& TConfigurationProfile::StaticClass() {
    return MakeClassInfo<TConfigurationProfile, TCollectionItem>(
        "TConfigurationProfile", {prop::String("Name", &TConfigurationProfile::Name, &TConfigurationProfile::SetName)});
}

void TConfigurationProfile::SetName(const std::string& name) {
    name_ = name;
    Changed();
}

void TConfigurationProfile::Assign(const TPersistent& source) {
    const auto* profile = dynamic_cast<const TConfigurationProfile*>(&source);
    if (!profile) {
        TCollectionItem::Assign(source);
        return;
    }
    if (profile == this)
        return;
    name_ = profile->name_;
    settings_ = profile->settings_;
    values_.Clear();
    for (const TSettingValue* value : profile->values_)
        values_.Add(value->Clone());
    Changed();
}

void TConfigurationProfile::DefineProperties(TFiler& filer) {
    TCollectionItem::DefineProperties(filer);
    values_.DefineProperties(filer, "Values");
}

std::unique_ptr<TConfigurationProfile> TConfigurationProfile::Clone() const {
    auto clone = std::make_unique<TConfigurationProfile>();
    clone->Assign(*this);
    return clone;
}

int TConfigurationProfile::IndexOfValue(const TSetting& setting) const {
    for (std::size_t i = 0; i < values_.Count(); ++i)
        if (setting.IsCreatorOf(values_[i]))
            return static_cast<int>(i);
    return -1;
}

TSettingValue* TConfigurationProfile::FindValue(const TSetting& setting) const {
    const int i = IndexOfValue(setting);
    return i < 0 ? nullptr : &values_[static_cast<std::size_t>(i)];
}

TSetting* TConfigurationProfile::FindCreator(const TSettingValue& value) const {
    if (!settings_)
        return nullptr;
    for (TSetting* setting : *settings_)
        if (setting->IsCreatorOf(value))
            return setting;
    return nullptr;
}

void TConfigurationProfile::SetValue(const TSetting& setting, std::unique_ptr<TSettingValue> value) {
    for (std::size_t i = values_.Count(); i-- > 0;)
        if (setting.IsCreatorOf(values_[i]))
            values_.Delete(i);
    if (value)
        values_.Add(std::move(value));
}

void TConfigurationProfile::RefreshValue(TSetting& setting, TCheckResultList* warnings) {
    SetValue(setting, setting.CreateProfileValue(warnings));
}

void TConfigurationProfile::RefreshAll(TCheckResultList* warnings) {
    if (!settings_)
        return;
    for (TSetting* setting : *settings_)
        RefreshValue(*setting, warnings);
}

void TConfigurationProfile::RemoveOrphans() {
    for (std::size_t i = values_.Count(); i-- > 0;)
        if (!FindCreator(values_[i]))
            values_.Delete(i);
}

void TConfigurationProfile::ApplySetting(TSetting& setting, TCheckResultList& results) const {
    if (const TSettingValue* value = FindValue(setting))
        setting.ApplyValue(*value, results);
}

// ---- TConfigurationProfiles ----

void TConfigurationProfiles::Assign(const TPersistent& source) {
    const auto* profiles = dynamic_cast<const TConfigurationProfiles*>(&source);
    if (!profiles) {
        TCollection::Assign(source);
        return;
    }
    if (profiles == this)
        return;
    BeginUpdate();
    Clear();
    for (const TConfigurationProfile& profile : *profiles)
        Add(profile.Clone());
    EndUpdate();
}

std::unique_ptr<TConfigurationProfile> TConfigurationProfiles::NewProfile() const {
    auto profile = std::make_unique<TConfigurationProfile>();
    profile->SetSettings(&settings_);
    profile->SetName(FirstFreeName(*this, PROLAMO_TRANSLATE_NOOP("Engine", "Profile %1")));
    return profile;
}

TConfigurationProfile* TConfigurationProfiles::Find(const std::string& name) const {
    for (TConfigurationProfile& profile : *this)
        if (profile.Name() == name)
            return &profile;
    return nullptr;
}

void TConfigurationProfiles::RemoveValuesOf(const TSetting& setting) {
    for (TConfigurationProfile& profile : *this)
        profile.SetValue(setting, nullptr);
}

void TConfigurationProfiles::SettingChanged(const TSetting& setting) {
    for (TConfigurationProfile& profile : *this)
        if (TSettingValue* value = profile.FindValue(setting))
            value->SettingChanged(setting);
}

void TConfigurationProfiles::RemoveOrphans() {
    for (TConfigurationProfile& profile : *this)
        profile.RemoveOrphans();
}

void TConfigurationProfiles::Notify(TCollectionItem& item, Action action) {
    if (action == Action::Added)
        static_cast<TConfigurationProfile&>(item).SetSettings(&settings_);
}

void TConfigurationProfiles::Update(TCollectionItem*) {
    if (!Updating())
        SortByName<TConfigurationProfile>(*this);
}

// ---- TSettings ----

TSettings::TSettings() : TSettingsList(true), profiles_(std::make_unique<TConfigurationProfiles>(*this)) {}

TSettings::~TSettings() {
    // The profiles go first: removing each setting's values from them one by one is wasted work.
    profiles_.reset();
    Clear();
}

void TSettings::Notify(TSetting& setting, Action action) {
    if (action == Action::Deleting && profiles_)
        profiles_->RemoveValuesOf(setting);
}

void TSettings::Assign(const TSettings& source) {
    if (&source == this)
        return;
    Clear();
    for (const TSetting* setting : source)
        Add(setting->Clone());
    profiles_->Assign(source.Profiles());
}

void TSettings::SortForApply(TSettingsList& list) {
    // Each setting's depth in the dependency graph; a stable sort by depth keeps the list order
    // of settings that do not depend on each other.
    std::vector<TSetting*>& items = list.Items();
    std::map<const TSetting*, std::size_t> depth;
    std::set<const TSetting*> visiting;
    auto depthOf = [&](auto&& self, const TSetting* setting) -> std::size_t {
        if (auto it = depth.find(setting); it != depth.end())
            return it->second;
        if (!visiting.insert(setting).second)
            return 0; // a cycle has no order to keep
        std::size_t d = 0;
        for (const TSetting* other : items)
            if (other != setting && setting->DependsOn(*other))
                d = std::max(d, self(self, other) + 1);
        visiting.erase(setting);
        depth[setting] = d;
        return d;
    };
    for (const TSetting* setting : items)
        depthOf(depthOf, setting);
    std::stable_sort(items.begin(), items.end(), [&](const TSetting* a, const TSetting* b) {
        return std::pair(a->ApplyPhase(), depth[a]) < std::pair(b->ApplyPhase(), depth[b]);
    });
}

void TSettings::DefineProperties(TFiler& filer, const std::string& name) {
    TSettingsList::DefineProperties(filer, name);
    filer.DefineProperty(
        "Profiles",
        [this](TReader& reader) {
            reader.ReadCollection(*profiles_);
            profiles_->RemoveOrphans();
        },
        [this](TWriter& writer) {
            profiles_->RemoveOrphans();
            writer.WriteCollection(*profiles_);
        },
        profiles_->Count() > 0);
}

// ---- TConfiguration ----

const TClassInfo& TConfiguration::StaticClass() {
    return MakeClassInfo<TConfiguration, TCollectionItem>(
        "TConfiguration", {prop::String("Name", &TConfiguration::Name, &TConfiguration::SetName)});
}

void TConfiguration::SetName(const std::string& name) {
    name_ = name;
    Changed();
}

void TConfiguration::Assign(const TPersistent& source) {
    const auto* configuration = dynamic_cast<const TConfiguration*>(&source);
    if (!configuration) {
        TCollectionItem::Assign(source);
        return;
    }
    if (configuration == this)
        return;
    name_ = configuration->name_;
    settings_.Assign(configuration->settings_);
    Changed();
}

void TConfiguration::DefineProperties(TFiler& filer) {
    TCollectionItem::DefineProperties(filer);
    settings_.DefineProperties(filer, "Settings");
}

TSetting& TConfiguration::AddSetting(std::unique_ptr<TSetting> setting) {
    return settings_.Add(std::move(setting));
}

void TConfiguration::DeleteSetting(TSetting& setting) {
    Profiles().RemoveValuesOf(setting);
    settings_.Remove(setting);
}

void TConfiguration::SettingChanged(const TSetting& setting) {
    Profiles().SettingChanged(setting);
}

const TSetting* TConfiguration::FindDouble(const TSetting& setting, const TSetting* replaced) const {
    for (const TSetting* each : settings_)
        if (each != replaced && each->IsDoubleOf(setting))
            return each;
    return nullptr;
}

std::string ConfigurationNameTaken(const std::string& name) {
    return "a configuration named " + Quote(name) + " already exists";
}

std::string ProfileNameTaken(const std::string& configuration, const std::string& name) {
    return "configuration " + Quote(configuration) + " already has a profile named " + Quote(name);
}

std::string SettingTaken(const TSetting& setting) {
    return "the configuration already has the setting " + Quote(setting.GetFullDisplayText());
}

// ---- TConfigurationsCollection ----

std::unique_ptr<TConfiguration> TConfigurationsCollection::NewConfiguration() const {
    auto configuration = std::make_unique<TConfiguration>();
    configuration->SetName(FirstFreeName(*this, PROLAMO_TRANSLATE_NOOP("Engine", "Configuration %1")));
    return configuration;
}

TConfiguration* TConfigurationsCollection::Find(const std::string& name) const {
    for (TConfiguration& configuration : *this)
        if (configuration.Name() == name)
            return &configuration;
    return nullptr;
}

void TConfigurationsCollection::Update(TCollectionItem*) {
    if (!Updating())
        SortByName<TConfiguration>(*this);
}

// ---- TConfigurations ----

const TClassInfo& TConfigurations::StaticClass() {
    return MakeClassInfo<TConfigurations, TComponent>(
        "TConfigurations", {prop::Object("Configurations", TTypeKind::Collection,
                                         static_cast<TConfigurationsCollection& (TConfigurations::*)()>(
                                             &TConfigurations::Configurations))});
}

TConfigurations::TConfigurations() {
    SetName("Configurations");
    if (!currentRoot)
        currentRoot = this;
}

TConfigurations::~TConfigurations() {
    if (currentRoot == this)
        currentRoot = nullptr;
}

TConfigurations& GetConfigurationsRoot() {
    if (!currentRoot) {
        // Held until the data file takes it over; freed at program end otherwise.
        static TComponent holder;
        holder.InsertComponent(std::make_unique<TConfigurations>());
    }
    return *currentRoot;
}

// ---- TSettingClasses ----

void TSettingClasses::Register(const TSettingClass& settingClass) {
    RegisterClass(settingClass);
    classes_.push_back(&settingClass);
}

void TSettingClasses::RegisterClasses(std::initializer_list<const TSettingClass*> classes) {
    for (const TSettingClass* settingClass : classes)
        Register(*settingClass);
}

const TSettingClass* TSettingClasses::Find(std::string_view captionOrClassName) const {
    for (const TSettingClass* settingClass : classes_)
        if (SameText(settingClass->CaptionKey(), captionOrClassName) ||
            SameText(settingClass->ClassName(), captionOrClassName))
            return settingClass;
    return nullptr;
}

std::vector<std::string> TSettingClasses::Categories() const {
    std::vector<std::string> categories;
    for (const TSettingClass* settingClass : classes_) {
        const std::string category = settingClass->GetCategory();
        if (std::none_of(categories.begin(), categories.end(),
                         [&](const std::string& c) { return os::CompareLocale(c, category, true) == 0; }))
            categories.push_back(category);
    }
    std::sort(categories.begin(), categories.end(),
              [](const std::string& a, const std::string& b) { return os::CompareLocale(a, b, true) < 0; });
    auto others = std::find(categories.begin(), categories.end(), Translated("SettingKinds", OthersCategory));
    if (others != categories.end())
        std::rotate(others, others + 1, categories.end());
    return categories;
}

TSettingClasses& GetSettingClasses() {
    static TSettingClasses instance;
    return instance;
}

} // namespace prolamo
