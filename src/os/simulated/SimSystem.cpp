#include "os/simulated/SimSystem.h"

#include "os/Registry.h"
#include "os/Sqlite.h"
#include "os/Text.h"
#include "os/simulated/Machine.h"
#include "os/simulated/RegistryStore.h"
#include "os/simulated/SqliteErrors.h"

#include <chrono>
#include <cstring>

namespace prolamo::os::simulated {

namespace {

// The LUIDs Windows gives these privileges.
constexpr std::uint32_t kSystemtime = 12;
constexpr std::uint32_t kShutdown = 19;
constexpr std::uint32_t kChangeNotify = 23;
constexpr std::uint32_t kUndock = 25;
constexpr std::uint32_t kIncreaseWorkingSet = 33;
constexpr std::uint32_t kTimeZone = 34;

struct PrivilegeName {
    const char16_t* name;
    std::uint32_t luid;
};
constexpr PrivilegeName kPrivilegeNames[] = {
    {u"SeSystemtimePrivilege", kSystemtime},
    {u"SeShutdownPrivilege", kShutdown},
    {u"SeChangeNotifyPrivilege", kChangeNotify},
    {u"SeUndockPrivilege", kUndock},
    {u"SeIncreaseWorkingSetPrivilege", kIncreaseWorkingSet},
    {u"SeTimeZonePrivilege", kTimeZone},
};

std::string TimeZonePrivilegeFact(const Machine& machine) {
    std::optional<std::string> fact;
    if (machine.ReadFact(FactTimeZonePrivilege, &fact) != ErrorSuccess || !fact)
        return "held";
    return *fact;
}

std::vector<std::uint8_t> Dword(std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 24)};
}

std::int32_t DwordOf(const std::vector<std::uint8_t>& data) {
    if (data.size() < 4)
        return 0;
    return static_cast<std::int32_t>(data[0] | (data[1] << 8) | (data[2] << 16) |
                                     (static_cast<std::uint32_t>(data[3]) << 24));
}

std::u16string TextOf(const std::vector<std::uint8_t>& data) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        const auto c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c == u'\0')
            break;
        text.push_back(c);
    }
    return text;
}

std::vector<std::uint8_t> SystemTimeData(const SystemTime& t) {
    std::vector<std::uint8_t> bytes;
    for (std::uint16_t field :
         {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds}) {
        bytes.push_back(static_cast<std::uint8_t>(field & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(field >> 8));
    }
    return bytes;
}

SystemTime SystemTimeOf(const std::vector<std::uint8_t>& data) {
    std::uint16_t f[8] = {};
    for (std::size_t i = 0; i < 8 && 2 * i + 1 < data.size(); ++i)
        f[i] = static_cast<std::uint16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    return {f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7]};
}

std::u16string NameOf(const char16_t (&field)[TimeZoneNameUnits]) {
    std::size_t n = 0;
    while (n < TimeZoneNameUnits && field[n] != u'\0')
        ++n;
    return std::u16string(field, n);
}

void SetName(char16_t (&field)[TimeZoneNameUnits], std::u16string_view name) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, name.data(), std::min(name.size(), TimeZoneNameUnits - 1) * sizeof(char16_t));
}

// The moment a transition rule of the record falls on in `year`, in minutes of the local clock
// that the rule is written in.
std::int64_t TransitionMinutes(const SystemTime& rule, int year) {
    using namespace std::chrono;
    const auto y = std::chrono::year(rule.wYear != 0 ? rule.wYear : year);
    const auto m = month(rule.wMonth);
    sys_days day;
    if (rule.wYear != 0) {
        day = sys_days(y / m / std::chrono::day(rule.wDay));
    } else if (rule.wDay >= 5) {
        day = sys_days(y / m / weekday_last(weekday(rule.wDayOfWeek)));
    } else {
        day = sys_days(y / m / weekday_indexed(weekday(rule.wDayOfWeek), rule.wDay));
    }
    return duration_cast<minutes>(day.time_since_epoch()).count() + rule.wHour * 60 + rule.wMinute;
}

// Standard or daylight time now, as GetTimeZoneInformation answers it.
std::uint32_t CurrentZoneId(const TimeZoneInformation& tz) {
    if (tz.StandardDate.wMonth == 0 || tz.DaylightDate.wMonth == 0)
        return TimeZoneIdUnknown;
    using namespace std::chrono;
    const std::int64_t utc = duration_cast<minutes>(system_clock::now().time_since_epoch()).count();
    const std::int64_t local = utc - tz.Bias - tz.StandardBias; // standard time
    const int year = static_cast<int>(year_month_day(floor<days>(sys_time<minutes>(minutes(local)))).year());
    const std::int64_t daylightStart = TransitionMinutes(tz.DaylightDate, year);
    // The return to standard time is given on the daylight clock.
    const std::int64_t daylightEnd = TransitionMinutes(tz.StandardDate, year) + tz.DaylightBias - tz.StandardBias;
    const bool daylight = daylightStart < daylightEnd ? local >= daylightStart && local < daylightEnd
                                                      : local >= daylightStart || local < daylightEnd;
    return daylight ? TimeZoneIdDaylight : TimeZoneIdStandard;
}

} // namespace

int StoreTimeZone(sqlite3* db, const TimeZoneInformation& tz) {
    std::int64_t key = 0;
    bool created = false;
    int rc = store::CreateKey(db, store::HiveLocalMachine, TimeZoneInformationKey, &key, &created);
    const std::pair<const char16_t*, std::pair<std::uint32_t, std::vector<std::uint8_t>>> values[] = {
        {u"Bias", {RegDword, Dword(tz.Bias)}},
        {u"StandardName", {RegSz, store::StringData(NameOf(tz.StandardName))}},
        {u"StandardBias", {RegDword, Dword(tz.StandardBias)}},
        {u"StandardStart", {RegBinary, SystemTimeData(tz.StandardDate)}},
        {u"DaylightName", {RegSz, store::StringData(NameOf(tz.DaylightName))}},
        {u"DaylightBias", {RegDword, Dword(tz.DaylightBias)}},
        {u"DaylightStart", {RegBinary, SystemTimeData(tz.DaylightDate)}},
    };
    for (const auto& [name, value] : values) {
        if (rc != SQLITE_OK)
            break;
        rc = store::SetValue(db, key, name, value.first, value.second);
    }
    return rc;
}

// ---- SimPrivileges ----

std::map<std::uint32_t, std::uint32_t> SimPrivileges::Held() const {
    // What a user's token holds on a current workstation, the change-notify privilege enabled.
    std::map<std::uint32_t, std::uint32_t> held = {{kShutdown, 0},
                                                   {kChangeNotify, SePrivilegeEnabledByDefault | SePrivilegeEnabled},
                                                   {kUndock, 0},
                                                   {kIncreaseWorkingSet, 0}};
    const std::string fact = TimeZonePrivilegeFact(machine_);
    if (fact == "held")
        held[kTimeZone] = 0;
    bool admin = false;
    if (machine_.ReadAdministrator(&admin) == ErrorSuccess && admin)
        held[kSystemtime] = 0;
    return held;
}

std::uint32_t SimPrivileges::Attributes(std::uint32_t luid, std::uint32_t initial) {
    const auto it = changed_.find(luid);
    return it == changed_.end() ? initial : it->second;
}

bool SimPrivileges::IsEnabled(std::uint32_t luid) {
    std::lock_guard lock(mutex_);
    const auto held = Held();
    const auto it = held.find(luid);
    return it != held.end() && (Attributes(luid, it->second) & SePrivilegeEnabled) != 0;
}

ErrorCode SimPrivileges::LookupPrivilegeValue(std::u16string_view systemName, std::u16string_view name, Luid* luid) {
    if (luid == nullptr)
        return ErrorInvalidParameter;
    if (!systemName.empty())
        return ErrorBadNetpath; // the simulated workstation is alone on its network
    if (machine_.Db() == nullptr)
        return machine_.OpenError();
    for (const PrivilegeName& p : kPrivilegeNames) {
        if (!store::SameName(p.name, name))
            continue;
        if (p.luid == kTimeZone && TimeZonePrivilegeFact(machine_) == "unknown")
            break;
        *luid = Luid{p.luid, 0};
        return ErrorSuccess;
    }
    return ErrorNoSuchPrivilege;
}

ErrorCode SimPrivileges::OpenProcessToken(std::uint32_t desiredAccess, HToken* token) {
    if (token == nullptr)
        return ErrorInvalidParameter;
    std::lock_guard lock(mutex_);
    *token = nextHandle_;
    nextHandle_ += 4;
    handles_.emplace(*token, desiredAccess);
    return ErrorSuccess;
}

ErrorCode SimPrivileges::AdjustTokenPrivileges(HToken token, const std::vector<LuidAndAttributes>& newState,
                                               std::vector<LuidAndAttributes>* previousState, ErrorCode* status) {
    if (status != nullptr)
        *status = ErrorSuccess;
    std::lock_guard lock(mutex_);
    const auto handle = handles_.find(token);
    if (handle == handles_.end())
        return ErrorInvalidHandle;
    if ((handle->second & TokenAdjustPrivileges) == 0 ||
        (previousState != nullptr && (handle->second & TokenQuery) == 0))
        return ErrorAccessDenied;
    const auto held = Held();
    std::vector<LuidAndAttributes> previous;
    bool allAssigned = true;
    for (const LuidAndAttributes& entry : newState) {
        const auto it = entry.Luid.HighPart == 0 ? held.find(entry.Luid.LowPart) : held.end();
        if (it == held.end()) {
            allAssigned = false;
            continue;
        }
        const std::uint32_t before = Attributes(it->first, it->second);
        const std::uint32_t after = (before & ~SePrivilegeEnabled) | (entry.Attributes & SePrivilegeEnabled);
        if (after == before)
            continue;
        previous.push_back({entry.Luid, before & SePrivilegeEnabled});
        changed_[it->first] = after;
    }
    if (previousState != nullptr)
        *previousState = std::move(previous);
    if (status != nullptr && !allAssigned)
        *status = ErrorNotAllAssigned;
    return ErrorSuccess;
}

ErrorCode SimPrivileges::GetTokenPrivileges(HToken token, std::vector<LuidAndAttributes>* privileges) {
    if (privileges == nullptr)
        return ErrorInvalidParameter;
    std::lock_guard lock(mutex_);
    const auto handle = handles_.find(token);
    if (handle == handles_.end())
        return ErrorInvalidHandle;
    if ((handle->second & TokenQuery) == 0)
        return ErrorAccessDenied;
    privileges->clear();
    for (const auto& [luid, initial] : Held())
        privileges->push_back({Luid{luid, 0}, Attributes(luid, initial)});
    return ErrorSuccess;
}

ErrorCode SimPrivileges::CloseHandle(HToken token) {
    std::lock_guard lock(mutex_);
    return handles_.erase(token) == 1 ? ErrorSuccess : ErrorInvalidHandle;
}

// ---- SimTimeZone ----

ErrorCode SimTimeZone::GetTimeZoneInformation(TimeZoneInformation* information, std::uint32_t* timeZoneId) {
    if (information == nullptr || timeZoneId == nullptr)
        return ErrorInvalidParameter;
    *timeZoneId = TimeZoneIdInvalid;
    if (machine_.Db() == nullptr)
        return machine_.OpenError();
    std::lock_guard lock(machine_.DbMutex());
    Transaction tx(machine_.Db(), Transaction::Kind::Read);
    std::int64_t key = 0;
    if (const int rc = store::FindKey(machine_.Db(), store::HiveLocalMachine, TimeZoneInformationKey, &key);
        rc != SQLITE_OK)
        return SqliteToWindowsError(rc);
    if (key == 0)
        return ErrorFileNotFound;
    std::vector<store::StoredValue> values;
    if (const int rc = store::GetValues(machine_.Db(), key, &values); rc != SQLITE_OK)
        return SqliteToWindowsError(rc);
    TimeZoneInformation tz;
    for (const store::StoredValue& v : values) {
        if (store::SameName(v.name, u"Bias"))
            tz.Bias = DwordOf(v.data);
        else if (store::SameName(v.name, u"StandardName"))
            SetName(tz.StandardName, TextOf(v.data));
        else if (store::SameName(v.name, u"StandardBias"))
            tz.StandardBias = DwordOf(v.data);
        else if (store::SameName(v.name, u"StandardStart"))
            tz.StandardDate = SystemTimeOf(v.data);
        else if (store::SameName(v.name, u"DaylightName"))
            SetName(tz.DaylightName, TextOf(v.data));
        else if (store::SameName(v.name, u"DaylightBias"))
            tz.DaylightBias = DwordOf(v.data);
        else if (store::SameName(v.name, u"DaylightStart"))
            tz.DaylightDate = SystemTimeOf(v.data);
    }
    *information = tz;
    *timeZoneId = CurrentZoneId(tz);
    return ErrorSuccess;
}

ErrorCode SimTimeZone::SetTimeZoneInformation(const TimeZoneInformation& information) {
    if (machine_.Db() == nullptr)
        return machine_.OpenError();
    // Systems that know the time-zone privilege ask for it; older ones for the system-time one.
    const bool knowsTimeZonePrivilege = TimeZonePrivilegeFact(machine_) != "unknown";
    if (!privileges_.IsEnabled(knowsTimeZonePrivilege ? kTimeZone : kSystemtime))
        return ErrorPrivilegeNotHeld;
    std::lock_guard lock(machine_.DbMutex());
    Transaction tx(machine_.Db(), Transaction::Kind::Write);
    if (tx.BeginCode() != SQLITE_OK)
        return SqliteToWindowsError(tx.BeginCode());
    if (const int rc = StoreTimeZone(machine_.Db(), information); rc != SQLITE_OK)
        return SqliteToWindowsError(rc);
    return SqliteToWindowsError(tx.Commit());
}

// ---- SimEnvironment ----

SimEnvironment::Variable* SimEnvironment::Find(std::u16string_view name) {
    for (Variable& v : *block_)
        if (store::SameName(v.name, name))
            return &v;
    return nullptr;
}

void SimEnvironment::Put(std::u16string_view name, std::u16string value) {
    if (Variable* v = Find(name))
        v->value = std::move(value);
    else
        block_->push_back({std::u16string(name), std::move(value)});
}

// %NAME% references to defined variables are replaced; others stay as written.
std::u16string SimEnvironment::Expand(std::u16string_view text) {
    std::u16string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t open = text.find(u'%', i);
        if (open == std::u16string_view::npos) {
            out.append(text.substr(i));
            break;
        }
        const std::size_t close = text.find(u'%', open + 1);
        if (close == std::u16string_view::npos) {
            out.append(text.substr(i));
            break;
        }
        out.append(text.substr(i, open - i));
        const Variable* v = close > open + 1 ? Find(text.substr(open + 1, close - open - 1)) : nullptr;
        if (v != nullptr) {
            out += v->value;
            i = close + 1;
        } else {
            out.append(text.substr(open, close - open)); // the second '%' may open the next reference
            i = close;
        }
    }
    return out;
}

ErrorCode SimEnvironment::Build() {
    if (block_)
        return ErrorSuccess;
    if (machine_.Db() == nullptr)
        return machine_.OpenError();
    std::vector<store::StoredValue> system, user;
    {
        std::lock_guard lock(machine_.DbMutex());
        Transaction tx(machine_.Db(), Transaction::Kind::Read);
        const std::pair<int, std::vector<store::StoredValue>*> keys[] = {{store::HiveLocalMachine, &system},
                                                                         {store::HiveCurrentUser, &user}};
        for (const auto& [hive, values] : keys) {
            const char16_t* path = hive == store::HiveLocalMachine
                                       ? u"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment"
                                       : u"Environment";
            std::int64_t key = 0;
            if (const int rc = store::FindKey(machine_.Db(), hive, path, &key); rc != SQLITE_OK)
                return SqliteToWindowsError(rc);
            if (key != 0)
                if (const int rc = store::GetValues(machine_.Db(), key, values); rc != SQLITE_OK)
                    return SqliteToWindowsError(rc);
        }
    }
    block_.emplace();
    auto native = [](const std::filesystem::path& p) { return Utf8ToUtf16(p.string()); };
    // As the session manager and the logon build it: the system's own variables, the machine's
    // plain then expandable values, the user's own variables, the user's values likewise; the
    // user's Path goes after the machine's.
    Put(u"SystemRoot", native(machine_.WindowsFolder()));
    Put(u"ProgramFiles", native(machine_.Folder() / "Program Files"));
    std::u16string systemPath;
    auto addValues = [&](const std::vector<store::StoredValue>& values, bool isUser) {
        for (bool expandable : {false, true})
            for (const store::StoredValue& v : values) {
                if ((v.type == RegExpandSz) != expandable || (v.type != RegSz && v.type != RegExpandSz))
                    continue;
                std::u16string value = expandable ? Expand(TextOf(v.data)) : TextOf(v.data);
                if (store::SameName(v.name, u"Path")) {
                    if (!isUser)
                        systemPath = value;
                    else if (!systemPath.empty())
                        value = systemPath + (systemPath.back() == u';' ? u"" : u";") + value;
                }
                Put(v.name, std::move(value));
            }
    };
    addValues(system, false);
    std::optional<std::string> userName;
    machine_.ReadFact("user_name", &userName);
    Put(u"USERNAME", Utf8ToUtf16(userName.value_or("User")));
    Put(u"USERPROFILE", native(machine_.ProfileFolder()));
    Put(u"APPDATA", native(machine_.RoamingAppDataFolder()));
    Put(u"LOCALAPPDATA", native(machine_.LocalAppDataFolder()));
    addValues(user, true);
    return ErrorSuccess;
}

ErrorCode SimEnvironment::GetEnvironmentVariable(std::u16string_view name, std::u16string* value) {
    if (value == nullptr)
        return ErrorInvalidParameter;
    value->clear();
    std::lock_guard lock(mutex_);
    if (const ErrorCode e = Build(); e != ErrorSuccess)
        return e;
    const Variable* v = name.empty() ? nullptr : Find(name);
    if (v == nullptr)
        return ErrorEnvvarNotFound;
    *value = v->value;
    return ErrorSuccess;
}

ErrorCode SimEnvironment::SetEnvironmentVariable(std::u16string_view name, const char16_t* value) {
    if (name.empty() || name.find(u'=') != std::u16string_view::npos)
        return ErrorInvalidParameter;
    std::lock_guard lock(mutex_);
    if (const ErrorCode e = Build(); e != ErrorSuccess)
        return e;
    if (value != nullptr) {
        Put(name, value);
        return ErrorSuccess;
    }
    std::erase_if(*block_, [&](const Variable& v) { return store::SameName(v.name, name); });
    return ErrorSuccess;
}

} // namespace prolamo::os::simulated
