#include "uSwitchRules.h"

#include "framework/Translation.h"

#include "classes/uPersistence.h"
#include "os/Files.h"
#include "os/Text.h"
#include "profiles/uProfileSettings.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <thread>
#include <utility>

namespace prolamo {

namespace {

// The file is written by people and by this program; anything larger is not a rules file.
constexpr std::size_t kMaxFileSize = 1024 * 1024;
constexpr std::size_t kMaxLineLength = 4096;
constexpr std::size_t kMaxSsidBytes = 32;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

constexpr TConditionName kConditionNames[] = {
    {TConditionKind::GatewayMac, "gateway-mac", PROLAMO_TRANSLATE_NOOP("Engine", "gateway hardware address")},
    {TConditionKind::Gateway, "gateway", PROLAMO_TRANSLATE_NOOP("Engine", "gateway")},
    {TConditionKind::Ssid, "ssid", PROLAMO_TRANSLATE_NOOP("Engine", "wireless network")},
    {TConditionKind::DnsSuffix, "dns-suffix", PROLAMO_TRANSLATE_NOOP("Engine", "DNS suffix")},
    {TConditionKind::AddressIn, "address-in", PROLAMO_TRANSLATE_NOOP("Engine", "address in")},
    {TConditionKind::NoNetwork, "no-network", PROLAMO_TRANSLATE_NOOP("Engine", "no network")},
};

const TConditionName& NameOf(TConditionKind kind) {
    for (const TConditionName& name : kConditionNames)
        if (name.kind == kind)
            return name;
    return kConditionNames[0];
}

std::string Quote(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool HasControl(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// A dotted IPv4 address; nothing for anything else (leading zeros, missing parts, signs).
std::optional<std::uint32_t> ParseIpv4(std::string_view text) {
    std::uint32_t address = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (text.empty() || text.front() != '.')
                return std::nullopt;
            text.remove_prefix(1);
        }
        std::size_t digits = 0;
        unsigned value = 0;
        while (digits < text.size() && digits < 4 && text[digits] >= '0' && text[digits] <= '9')
            value = value * 10 + static_cast<unsigned>(text[digits++] - '0');
        if (digits == 0 || digits > 3 || value > 255 || (digits > 1 && text[0] == '0'))
            return std::nullopt;
        text.remove_prefix(digits);
        address = (address << 8) | value;
    }
    if (!text.empty())
        return std::nullopt;
    return address;
}

// "00:1d:a2:6e:41:01" or "00-1D-A2-6E-41-01" as "00:1D:A2:6E:41:01".
std::optional<std::string> CanonicalMac(std::string_view text) {
    if (text.size() != 17)
        return std::nullopt;
    std::string mac;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (i % 3 == 2) {
            if (c != ':' && c != '-')
                return std::nullopt;
            mac += ':';
        } else if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) {
            mac += c;
        } else if (c >= 'a' && c <= 'f') {
            mac += static_cast<char>(c - 'a' + 'A');
        } else {
            return std::nullopt;
        }
    }
    return mac;
}

struct TRange {
    std::uint32_t network;
    std::uint32_t mask;
};

std::optional<TRange> ParseCidr(std::string_view text) {
    const auto slash = text.find('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    const auto address = ParseIpv4(text.substr(0, slash));
    const std::string_view length = text.substr(slash + 1);
    if (!address || length.empty() || length.size() > 2 ||
        !std::all_of(length.begin(), length.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int bits = std::stoi(std::string(length));
    if (bits > 32)
        return std::nullopt;
    const std::uint32_t mask = bits == 0 ? 0 : ~std::uint32_t{0} << (32 - bits);
    return TRange{*address & mask, mask};
}

std::string Dotted(std::uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, (address >> 16) & 0xFF, (address >> 8) & 0xFF,
                  address & 0xFF);
    return text;
}

std::string AdapterName(const os::ConnectedAdapter& adapter) {
    return os::Utf16ToUtf8(adapter.name);
}

void CheckName(const std::string& name, const char* what) {
    if (name.empty())
        throw ERulesError(std::string("a rule needs a ") + what);
    if (HasControl(name) || Trim(name) != name)
        throw ERulesError(std::string("the ") + what + " " + Quote(name) +
                          " has a control character or a space at an end, which the rules file cannot keep");
}

} // namespace

TNetworkFingerprint ReadNetworkFingerprint() {
    TNetworkFingerprint fingerprint;
    if (const os::ErrorCode e = os::NetworkLocation().GetConnectedAdapters(&fingerprint.adapters);
        e != os::ErrorSuccess)
        throw EOSError(e);
    return fingerprint;
}

std::string DescribeAdapter(const os::ConnectedAdapter& a) {
    std::string text = AdapterName(a) + ":";
    for (std::size_t i = 0; i < a.addresses.size(); ++i)
        text += (i ? ", " : " ") + a.addresses[i].address + "/" + std::to_string(a.addresses[i].prefixLength);
    text += ",";
    if (!a.ssid.empty())
        text +=
            " " + Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "wireless network %1"), {Quote(a.ssid)}) + ",";
    const std::string gateway =
        a.gatewayAddress.empty() ? Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "none")) : a.gatewayAddress;
    text += " " + Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "gateway %1"), {gateway});
    if (!a.gatewayMac.empty())
        text += " (" + a.gatewayMac + ")";
    if (!a.dnsSuffix.empty())
        text += ", " +
                Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "DNS suffix %1"), {os::Utf16ToUtf8(a.dnsSuffix)});
    return text;
}

std::span<const TConditionName> ConditionNames() {
    return kConditionNames;
}

TRuleCondition TRuleCondition::Parse(std::string_view key, std::string_view value) {
    const TConditionName* name = nullptr;
    for (const TConditionName& candidate : kConditionNames)
        if (key == candidate.key)
            name = &candidate;
    if (!name) {
        std::string keys;
        for (const TConditionName& candidate : kConditionNames)
            keys += (keys.empty() ? "" : ", ") + std::string(candidate.key);
        throw ERulesError("unknown condition " + Quote(key) + "; the conditions are " + keys);
    }
    TRuleCondition condition;
    condition.kind = name->kind;
    auto bad = [&](const char* expected) {
        return ERulesError(std::string(name->key) + " needs " + expected + ", not " + Quote(value));
    };
    switch (condition.kind) {
    case TConditionKind::GatewayMac: {
        const auto mac = CanonicalMac(value);
        if (!mac)
            throw bad("a hardware address such as 00:1D:A2:6E:41:01");
        condition.value = *mac;
        break;
    }
    case TConditionKind::Gateway: {
        const auto address = ParseIpv4(value);
        if (!address)
            throw bad("an IPv4 address such as 192.168.1.1");
        condition.value = Dotted(*address);
        break;
    }
    case TConditionKind::Ssid:
        if (value.empty() || value.size() > kMaxSsidBytes || HasControl(value) || Trim(value) != value)
            throw bad("a wireless network's name of 1 to 32 bytes, without control characters or spaces at its ends");
        condition.value = value;
        break;
    case TConditionKind::DnsSuffix:
        if (value.empty() || value.size() > 255 || HasControl(value) || value.find(' ') != std::string_view::npos)
            throw bad("a DNS suffix such as corp.example");
        condition.value = value;
        break;
    case TConditionKind::AddressIn: {
        const auto range = ParseCidr(value);
        if (!range)
            throw bad("an address range such as 10.20.0.0/16");
        condition.value = Dotted(range->network) + std::string(value.substr(value.find('/')));
        break;
    }
    case TConditionKind::NoNetwork:
        if (!value.empty() && Lower(value) != "yes")
            throw ERulesError("no-network takes no value");
        break;
    }
    return condition;
}

namespace {
std::string HasIt(const os::ConnectedAdapter& adapter) {
    return Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "%1 has it"), {AdapterName(adapter)});
}
} // namespace

std::string TRuleCondition::Key() const {
    return NameOf(kind).key;
}

std::string TRuleCondition::Text() const {
    return kind == TConditionKind::NoNetwork ? Key() : Key() + " " + value;
}

bool TRuleCondition::Holds(const TNetworkFingerprint& fingerprint, std::string* why) const {
    const std::string caption = NameOf(kind).caption;
    if (kind == TConditionKind::NoNetwork) {
        for (const os::ConnectedAdapter& adapter : fingerprint.adapters)
            if (!adapter.gatewayAddress.empty()) {
                *why = Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "%1 has the gateway %2"),
                                  {AdapterName(adapter), adapter.gatewayAddress});
                return false;
            }
        *why = fingerprint.adapters.empty()
                   ? Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "no adapter is connected"))
                   : Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "no connected adapter has a gateway"));
        return true;
    }
    const std::optional<TRange> range = kind == TConditionKind::AddressIn ? ParseCidr(value) : std::nullopt;
    for (const os::ConnectedAdapter& adapter : fingerprint.adapters) {
        switch (kind) {
        case TConditionKind::GatewayMac:
            if (!adapter.gatewayMac.empty() && CanonicalMac(adapter.gatewayMac) == value) {
                *why = Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "%1's gateway %2 has it"),
                                  {AdapterName(adapter), adapter.gatewayAddress});
                return true;
            }
            break;
        case TConditionKind::Gateway:
            if (adapter.gatewayAddress == value) {
                *why = HasIt(adapter);
                return true;
            }
            break;
        case TConditionKind::Ssid:
            if (adapter.ssid == value) {
                *why = Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "%1 is connected to it"),
                                  {AdapterName(adapter)});
                return true;
            }
            break;
        case TConditionKind::DnsSuffix:
            if (Lower(os::Utf16ToUtf8(adapter.dnsSuffix)) == Lower(value)) {
                *why = HasIt(adapter);
                return true;
            }
            break;
        case TConditionKind::AddressIn:
            for (const os::AdapterAddress& address : adapter.addresses)
                if (const auto a = ParseIpv4(address.address); a && range && (*a & range->mask) == range->network) {
                    *why = Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "%1 has %2"),
                                      {AdapterName(adapter), address.address});
                    return true;
                }
            break;
        case TConditionKind::NoNetwork:
            break;
        }
    }
    *why = fingerprint.adapters.empty()
               ? Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "no adapter is connected"))
               : Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "no connected adapter has it"));
    return false;
}

std::vector<TNetworkCondition> ConditionsOfNetwork(const TNetworkFingerprint& fingerprint) {
    std::vector<TNetworkCondition> conditions;
    bool gateway = false;
    const auto add = [&conditions](const os::ConnectedAdapter& adapter, TConditionKind kind, const std::string& value) {
        try {
            TNetworkCondition found{TRuleCondition::Parse(NameOf(kind).key, value), AdapterName(adapter)};
            if (std::none_of(conditions.begin(), conditions.end(),
                             [&found](const TNetworkCondition& c) { return c.condition == found.condition; }))
                conditions.push_back(std::move(found));
        } catch (const ERulesError&) {
            // A name the rules file cannot keep (control characters, too long) is not offered.
        }
    };
    for (const os::ConnectedAdapter& adapter : fingerprint.adapters) {
        if (adapter.gatewayAddress.empty())
            continue;
        gateway = true;
        if (!adapter.gatewayMac.empty())
            add(adapter, TConditionKind::GatewayMac, adapter.gatewayMac);
        else
            add(adapter, TConditionKind::Gateway, adapter.gatewayAddress);
        if (!adapter.ssid.empty())
            add(adapter, TConditionKind::Ssid, adapter.ssid);
        if (!adapter.dnsSuffix.empty())
            add(adapter, TConditionKind::DnsSuffix, os::Utf16ToUtf8(adapter.dnsSuffix));
    }
    if (!gateway)
        conditions.push_back({TRuleCondition::Parse(NameOf(TConditionKind::NoNetwork).key, ""), {}});
    return conditions;
}

std::string DescribeProfile(const TSwitchRule& rule) {
    return "profile " + Quote(rule.profile) + " of " + Quote(rule.configuration);
}

TRuleProfile FindRuleProfile(const TConfigurations& root, const TSwitchRule& rule, const TConfigurations* managed) {
    for (const TConfigurations* configurations : {&root, managed}) {
        TConfiguration* configuration =
            configurations ? configurations->Configurations().Find(rule.configuration) : nullptr;
        if (TConfigurationProfile* profile = configuration ? configuration->Profiles().Find(rule.profile) : nullptr)
            return {configuration, profile};
    }
    return {};
}

TRuleProfile RuleProfile(const TConfigurations& root, const TSwitchRule& rule, const TConfigurations* managed) {
    const TRuleProfile found = FindRuleProfile(root, rule, managed);
    if (!found.profile)
        throw ERulesError("the rule " + Quote(rule.name) + " names " + DescribeProfile(rule) +
                          ", which does not exist");
    return found;
}

TSwitchRule* TSwitchRules::Find(std::string_view name) {
    const auto found = std::find_if(rules.begin(), rules.end(), [&](const TSwitchRule& r) { return r.name == name; });
    return found == rules.end() ? nullptr : &*found;
}

std::vector<TConditionVerdict> ExplainRule(const TSwitchRule& rule, const TNetworkFingerprint& fingerprint) {
    std::vector<TConditionVerdict> verdicts;
    for (const TRuleCondition& condition : rule.conditions) {
        TConditionVerdict verdict{&condition, false, {}};
        verdict.holds = condition.Holds(fingerprint, &verdict.why);
        verdicts.push_back(std::move(verdict));
    }
    return verdicts;
}

const TSwitchRule* TSwitchRules::FirstMatch(const TNetworkFingerprint& fingerprint) const {
    for (const TSwitchRule& rule : rules) {
        const auto verdicts = ExplainRule(rule, fingerprint);
        if (!verdicts.empty() &&
            std::all_of(verdicts.begin(), verdicts.end(), [](const TConditionVerdict& v) { return v.holds; }))
            return &rule;
    }
    return nullptr;
}

std::vector<TSwitchRule>::iterator TSwitchRules::Existing(std::string_view name) {
    TSwitchRule* rule = Find(name);
    if (!rule)
        throw ERulesError("there is no rule named " + Quote(name));
    return rules.begin() + (rule - rules.data());
}

void TSwitchRules::Add(const TSwitchRule& rule) {
    CheckRule(rule);
    if (Find(rule.name))
        throw ERulesError("a rule named " + Quote(rule.name) + " already exists");
    rules.push_back(rule);
}

void TSwitchRules::Replace(std::string_view name, const TSwitchRule& rule) {
    const auto at = Existing(name);
    CheckRule(rule);
    if (rule.name != name && Find(rule.name))
        throw ERulesError("a rule named " + Quote(rule.name) + " already exists");
    *at = rule;
    // The notes stay with the rule under its new name.
    if (const auto found = notes.find(name); found != notes.end() && rule.name != name) {
        auto node = notes.extract(found);
        node.key() = rule.name;
        notes.insert(std::move(node));
    }
}

void TSwitchRules::Remove(std::string_view name) {
    rules.erase(Existing(name));
    if (const auto found = notes.find(name); found != notes.end())
        notes.erase(found);
}

void TSwitchRules::Move(std::string_view name, bool up) {
    const auto at = Existing(name);
    if (up && at != rules.begin())
        std::iter_swap(at, at - 1);
    else if (!up && at + 1 != rules.end())
        std::iter_swap(at, at + 1);
}

void CheckRule(const TSwitchRule& rule) {
    CheckName(rule.name, "name");
    if (rule.name.find_first_of("[]") != std::string::npos)
        throw ERulesError("the rule name " + Quote(rule.name) + " has a bracket, which the rules file cannot keep");
    CheckName(rule.configuration, "configuration");
    CheckName(rule.profile, "profile");
    if (rule.conditions.empty())
        throw ERulesError("the rule " + Quote(rule.name) + " has no condition; it needs at least one");
}

std::vector<std::string> ExplainRules(const TSwitchRules& rules, const TNetworkFingerprint& fingerprint,
                                      const TConfigurations& root, const TConfigurations* managed) {
    std::vector<std::string> lines{Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Network"))};
    if (fingerprint.adapters.empty())
        lines.push_back("  " + Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "not connected")));
    for (const os::ConnectedAdapter& adapter : fingerprint.adapters)
        lines.push_back("  " + DescribeAdapter(adapter));
    lines.push_back(Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "Rules")));
    if (rules.rules.empty())
        lines.push_back("  " + Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "none")));
    // The verdicts line up after the longer of the two words.
    std::string yes = Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "yes"));
    std::string no = Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "no"));
    const std::size_t width = std::max(yes.size(), no.size()) + 1;
    yes.resize(width, ' ');
    no.resize(width, ' ');
    for (const TSwitchRule& rule : rules.rules) {
        const auto verdicts = ExplainRule(rule, fingerprint);
        const bool matches =
            std::all_of(verdicts.begin(), verdicts.end(), [](const TConditionVerdict& v) { return v.holds; });
        lines.push_back(
            "  " + (matches ? Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "%1 matches"), {Quote(rule.name)})
                            : Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "%1 does not match"),
                                         {Quote(rule.name)})));
        for (const TConditionVerdict& verdict : verdicts)
            lines.push_back("    " + (verdict.holds ? yes : no) + verdict.condition->Text() + ": " + verdict.why);
    }
    const TSwitchRule* match = rules.FirstMatch(fingerprint);
    if (!match) {
        lines.push_back(
            Translated("Engine", PROLAMO_TRANSLATE_NOOP("Engine", "No rule matches: the watcher applies nothing.")));
        return lines;
    }
    const char* const chosen =
        match->ask ? PROLAMO_TRANSLATE_NOOP("Engine", "Rule %1 is the first that matches: the watcher asks to apply "
                                                      "profile %2 of configuration %3.")
                   : PROLAMO_TRANSLATE_NOOP("Engine", "Rule %1 is the first that matches: the watcher applies profile "
                                                      "%2 of configuration %3.");
    lines.push_back(
        Translated("Engine", chosen, {Quote(match->name), Quote(match->profile), Quote(match->configuration)}));
    if (!FindRuleProfile(root, *match, managed).profile)
        lines.push_back(Translated(
            "Engine", PROLAMO_TRANSLATE_NOOP(
                          "Engine", "That profile does not exist; the watcher reports it and applies nothing.")));
    return lines;
}

TSwitchRules ParseRules(std::string_view text) {
    if (text.size() > kMaxFileSize)
        throw ERulesError("the file is larger than " + std::to_string(kMaxFileSize) + " bytes");
    TSwitchRules rules;
    if (text.starts_with(kByteOrderMark)) {
        rules.byteOrderMark = true;
        text.remove_prefix(kByteOrderMark.size());
    }
    TSwitchRule* rule = nullptr;
    bool hasConfiguration = false, hasProfile = false, hasAsk = false;
    std::size_t ruleLine = 0;
    // Comment and blank lines not placed yet: they belong to the line that follows them.
    std::vector<std::string> notes;
    auto finish = [&] {
        if (!rule)
            return;
        if (!hasConfiguration || !hasProfile)
            throw ERulesError("line " + std::to_string(ruleLine) + ": the rule " + Quote(rule->name) + " needs " +
                              (hasConfiguration ? "a profile" : "a configuration"));
        try {
            CheckRule(*rule);
        } catch (const ERulesError& e) {
            throw ERulesError("line " + std::to_string(ruleLine) + ": " + e.what());
        }
    };
    std::size_t lineNumber = 0;
    for (std::size_t start = 0; start < text.size();) {
        ++lineNumber;
        const auto newline = text.find('\n', start);
        std::string_view line =
            text.substr(start, newline == std::string_view::npos ? std::string_view::npos : newline - start);
        start = newline == std::string_view::npos ? text.size() : newline + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        if (line.size() > kMaxLineLength)
            throw ERulesError(where + "longer than " + std::to_string(kMaxLineLength) + " characters");
        if (std::any_of(line.begin(), line.end(), [](char c) { return c != '\t' && HasControl({&c, 1}); }))
            throw ERulesError(where + "holds a control character");
        const std::string_view written = line;
        line = Trim(line);
        if (line.empty() || line.front() == '#' || line.front() == ';') {
            notes.emplace_back(written);
            continue;
        }
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3)
                throw ERulesError(where + "a rule's heading is its name in brackets, such as [Office]");
            finish();
            const std::string name(Trim(line.substr(1, line.size() - 2)));
            if (rules.Find(name))
                throw ERulesError(where + "a second rule named " + Quote(name));
            if (!rule) {
                // The file's own words end at the last blank line above the first rule; the lines
                // below it speak of that rule.
                const auto blank = std::find_if(notes.rbegin(), notes.rend(),
                                                [](const std::string& note) { return Trim(note).empty(); });
                rules.heading.emplace(notes.begin(), blank.base());
                notes.erase(notes.begin(), blank.base());
            }
            if (!notes.empty())
                rules.notes[name].before = std::exchange(notes, {});
            rules.rules.push_back({name, {}, {}, false, {}});
            rule = &rules.rules.back();
            hasConfiguration = hasProfile = hasAsk = false;
            ruleLine = lineNumber;
            continue;
        }
        if (!rule)
            throw ERulesError(where + "a line before the first rule's heading");
        const auto equals = line.find('=');
        const std::string key = Lower(Trim(line.substr(0, equals)));
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view{} : Trim(line.substr(equals + 1));
        std::string noteKey = key;
        try {
            if (key == "configuration" || key == "profile") {
                bool& seen = key == "configuration" ? hasConfiguration : hasProfile;
                if (seen)
                    throw ERulesError("a second " + key);
                if (value.empty())
                    throw ERulesError(key + " needs a name");
                seen = true;
                (key == "configuration" ? rule->configuration : rule->profile) = value;
            } else if (key == "ask") {
                if (hasAsk)
                    throw ERulesError("a second ask");
                if (Lower(value) != "yes" && Lower(value) != "no")
                    throw ERulesError("ask is yes or no, not " + Quote(value));
                hasAsk = true;
                rule->ask = Lower(value) == "yes";
            } else {
                if (equals == std::string_view::npos && key != "no-network")
                    throw ERulesError("expected key = value");
                rule->conditions.push_back(TRuleCondition::Parse(key, value));
                noteKey = rule->conditions.back().Text();
            }
        } catch (const ERulesError& e) {
            throw ERulesError(where + e.what());
        }
        if (!notes.empty())
            rules.notes[rule->name].inside.emplace_back(std::move(noteKey), std::exchange(notes, {}));
    }
    finish();
    if (!rule && !text.empty())
        rules.heading = std::move(notes);
    else
        rules.closing = std::move(notes);
    return rules;
}

std::string FormatRules(const TSwitchRules& rules) {
    std::string text(rules.byteOrderMark ? kByteOrderMark : "");
    bool blankAbove = true; // nothing above yet needs a blank line
    const auto write = [&](std::string_view line) {
        text.append(line).append("\n");
        blankAbove = Trim(line).empty();
    };
    const auto writeAll = [&](const std::vector<std::string>& lines) {
        for (const std::string& line : lines)
            write(line);
    };
    if (rules.heading)
        writeAll(*rules.heading);
    else
        for (const char* line :
             {"# Prolamo's switching rules: when the network changes, the first rule whose conditions",
              "# all hold has its profile applied. Conditions: gateway-mac, gateway, ssid, dns-suffix,",
              "# address-in (a range such as 10.20.0.0/16) and no-network."})
            write(line);
    for (const TSwitchRule& rule : rules.rules) {
        const auto found = rules.notes.find(rule.name);
        const TRuleNotes* notes = found == rules.notes.end() ? nullptr : &found->second;
        std::vector<bool> placed(notes ? notes->inside.size() : 0);
        // A line with the comments that stood above it.
        const auto writeLine = [&](const std::string& key, const std::string& line) {
            for (std::size_t i = 0; i < placed.size(); ++i)
                if (!placed[i] && notes->inside[i].first == key) {
                    writeAll(notes->inside[i].second);
                    placed[i] = true;
                }
            write(line);
        };
        if (notes)
            writeAll(notes->before);
        else if (!blankAbove)
            write("");
        write("[" + rule.name + "]");
        writeLine("configuration", "configuration = " + rule.configuration);
        writeLine("profile", "profile = " + rule.profile);
        if (rule.ask)
            writeLine("ask", "ask = yes");
        for (const TRuleCondition& condition : rule.conditions)
            writeLine(condition.Text(), condition.kind == TConditionKind::NoNetwork
                                            ? condition.Key()
                                            : condition.Key() + " = " + condition.value);
        for (std::size_t i = 0; i < placed.size(); ++i)
            if (!placed[i])
                writeAll(notes->inside[i].second);
    }
    writeAll(rules.closing);
    return text;
}

std::string BesideDataFile(std::string_view extension) {
    const std::string path = DataFilePath();
    return path.substr(0, path.find_last_of('.')) + std::string(extension);
}

std::string RulesFilePath() {
    return BesideDataFile(".rules");
}

TSwitchRules LoadRules(const std::string& path) {
    std::uint32_t attributes = os::InvalidFileAttributes;
    if (os::Files().GetFileAttributes(path, &attributes) != os::ErrorSuccess)
        return {};
    if (attributes & os::FileAttributeDirectory)
        throw ERulesError("the rules file " + path + " is a folder");
    if (attributes & os::FileAttributeDevice)
        throw ERulesError("the rules file " + path + " is a device or a pipe, not a file");
    std::vector<std::uint8_t> content;
    if (const os::ErrorCode e = os::Files().ReadWholeFile(path, &content); e != os::ErrorSuccess)
        throw ERulesError("the rules file " + path + " cannot be read: " + WriteFailureReason(e));
    try {
        return ParseRules(std::string_view(reinterpret_cast<const char*>(content.data()), content.size()));
    } catch (const ERulesError& e) {
        throw ERulesError(path + ", " + e.what());
    }
}

void SaveRules(const std::string& path, const TSwitchRules& rules) {
    const auto slash = path.find_last_of("\\/");
    if (slash != std::string::npos)
        os::Files().CreateDirectoryTree(path.substr(0, slash));
    const std::string text = FormatRules(rules);
    if (const os::ErrorCode e = os::Files().WriteFileReplacing(
            path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
        e != os::ErrorSuccess)
        throw ERulesError("the rules file " + path + " cannot be written: " + WriteFailureReason(e));
}

TRulesChange::TRulesChange(std::string path, const TWait& wait) : path_(std::move(path)) {
    try {
        lock_ = std::make_unique<TDataFileLock>(WaitForDataFileLock(
            path_, Tries, wait ? wait : [] { std::this_thread::sleep_for(PauseBeforeRetry); }));
    } catch (const EDataFileLocked&) {
        throw ERulesBusy("the rules file " + path_ + " is in use by another Prolamo program; try again");
    } catch (const EOSError& e) {
        throw ERulesError("the rules file " + path_ + " cannot be locked: " + WriteFailureReason(e.ErrorCode()));
    }
    rules_ = LoadRules(path_);
}

void TRulesChange::Save() {
    SaveRules(path_, rules_);
    rules_ = ParseRules(FormatRules(rules_));
}

void TRulesChange::Expect(const TSwitchRules& shown) const {
    if (rules_ != shown)
        throw ERulesChanged("the rules file " + path_ + " was changed by another program meanwhile");
}

} // namespace prolamo
