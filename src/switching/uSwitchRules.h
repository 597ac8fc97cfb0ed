#pragma once
// Rules that pick a profile by the network the computer is on. They live in a text file of their
// own beside the data file, one section a rule, in the order they are tried:
//
//   [Office]
//   configuration = Location
//   profile = Office
//   dns-suffix = corp.example
//   gateway-mac = 00:1D:A2:6E:41:01
//
// Every condition of a rule must hold, and the first rule whose conditions hold wins.

#include "classes/uDataFileLock.h"
#include "framework/Exceptions.h"
#include "os/NetworkLocation.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace prolamo {

class TConfiguration;
class TConfigurationProfile;
class TConfigurations;

// What the computer's connected adapters show of the network it is on.
struct TNetworkFingerprint {
    std::vector<os::ConnectedAdapter> adapters;
    bool operator==(const TNetworkFingerprint&) const = default;
};

// Reads the fingerprint from the operating system; raises EOSError.
TNetworkFingerprint ReadNetworkFingerprint();
// "Wi-Fi: 192.168.178.23/24, wireless network "Home", gateway 192.168.178.1 (3C:A6:2F:0B:5E:11),
// DNS suffix fritz.box"
std::string DescribeAdapter(const os::ConnectedAdapter& adapter);

enum class TConditionKind { GatewayMac, Gateway, Ssid, DnsSuffix, AddressIn, NoNetwork };

struct TConditionName {
    TConditionKind kind;
    const char* key;     // as the file writes it: "gateway-mac"
    const char* caption; // for people: "gateway hardware address"
};
// Every kind, in the order the file's comment and the rules window name them.
std::span<const TConditionName> ConditionNames();

// One condition on the fingerprint. Each but "no-network" holds when one connected adapter shows
// the value; "no-network" holds when no connected adapter has a default gateway.
struct TRuleCondition {
    TConditionKind kind = TConditionKind::NoNetwork;
    std::string value; // as written in the file: MAC and address in their canonical spelling

    // Parses "key=value" or "no-network" as the command line and the file give it; raises
    // ERulesError with what is wrong.
    static TRuleCondition Parse(std::string_view key, std::string_view value);
    std::string Key() const;
    // "gateway-mac 00:1D:A2:6E:41:01", for messages.
    std::string Text() const;
    // Whether it holds, and which adapter shows it or why not.
    bool Holds(const TNetworkFingerprint& fingerprint, std::string* why) const;
    bool operator==(const TRuleCondition&) const = default;
};

// A condition that holds on the network the computer is on now, with the adapter that shows it.
struct TNetworkCondition {
    TRuleCondition condition;
    std::string adapter;
};

// What a rule could ask of the network the fingerprint shows, for each connected adapter with a
// gateway: its gateway's hardware address (its address while that is unresolved, a weaker mark:
// many homes use the same one), its wireless network and its DNS suffix. "no-network" when no
// adapter has a gateway.
std::vector<TNetworkCondition> ConditionsOfNetwork(const TNetworkFingerprint& fingerprint);

struct TSwitchRule {
    std::string name;
    std::string configuration;
    std::string profile;
    bool ask = false; // ask the user before applying
    std::vector<TRuleCondition> conditions;
    bool managed = false; // the organisation's: tried first, not the user's to change
    bool operator==(const TSwitchRule&) const = default;
};

// "profile "Office" of "Location"", for messages.
std::string DescribeProfile(const TSwitchRule& rule);

// The configuration and profile a rule names: the user's own in Root, else the organisation's in
// Managed; both null when the profile does not exist.
struct TRuleProfile {
    TConfiguration* configuration = nullptr;
    TConfigurationProfile* profile = nullptr;
};
TRuleProfile FindRuleProfile(const TConfigurations& root, const TSwitchRule& rule,
                             const TConfigurations* managed = nullptr);
// As FindRuleProfile, but raises ERulesError when the profile does not exist.
TRuleProfile RuleProfile(const TConfigurations& root, const TSwitchRule& rule,
                         const TConfigurations* managed = nullptr);

// A rules file that cannot be read or a rule that cannot be made: the message says where and why.
class ERulesError : public Exception {
    using Exception::Exception;
};

// One condition's verdict for "rule test".
struct TConditionVerdict {
    const TRuleCondition* condition;
    bool holds;
    std::string why;
};

// The comment and blank lines around a rule in its file, as written, so that a rewrite keeps them.
struct TRuleNotes {
    // Above its heading.
    std::vector<std::string> before;
    // In its body, each group by the key of the line below it ("profile", "ssid = Home"); a group
    // whose line is gone is written at the body's end.
    std::vector<std::pair<std::string, std::vector<std::string>>> inside;
    bool operator==(const TRuleNotes&) const = default;
};

struct TSwitchRules {
    std::vector<TSwitchRule> rules;
    // What the file holds besides its rules, for a rewrite: the lines above the first rule up to
    // the last blank one (nothing for a file not written yet: it gets the usual explanation), the
    // notes of each rule by its name, the lines below the last rule, and a UTF-8 byte-order mark.
    std::optional<std::vector<std::string>> heading;
    std::map<std::string, TRuleNotes, std::less<>> notes;
    std::vector<std::string> closing;
    bool byteOrderMark = false;

    TSwitchRule* Find(std::string_view name);
    // The first rule whose conditions all hold; nullptr when none does.
    const TSwitchRule* FirstMatch(const TNetworkFingerprint& fingerprint) const;

    // The changes the command line and the rules window make; each checks the rule and raises
    // ERulesError, changing nothing, for a rule it cannot take or a name it cannot find.
    // Appends Rule as the last one tried.
    void Add(const TSwitchRule& rule);
    // Puts Rule in the place of the rule named Name.
    void Replace(std::string_view name, const TSwitchRule& rule);
    void Remove(std::string_view name);
    // Moves the rule named Name one place earlier (Up) or later; at the end it stays.
    void Move(std::string_view name, bool up);

    bool operator==(const TSwitchRules&) const = default;

private:
    std::vector<TSwitchRule>::iterator Existing(std::string_view name);
};

// Every condition of the rule with its verdict; the rule matches when all hold.
std::vector<TConditionVerdict> ExplainRule(const TSwitchRule& rule, const TNetworkFingerprint& fingerprint);

// Checks what a rule may hold (names, at least one condition); raises ERulesError.
void CheckRule(const TSwitchRule& rule);

// "rule test" line by line: the network's adapters, each rule with its conditions' verdicts, and
// what the watcher does, with a word when the profile it would apply does not exist in Root.
std::vector<std::string> ExplainRules(const TSwitchRules& rules, const TNetworkFingerprint& fingerprint,
                                      const TConfigurations& root, const TConfigurations* managed = nullptr);

// The file's text, its comments and blank lines kept; raises ERulesError naming the line.
TSwitchRules ParseRules(std::string_view text);
std::string FormatRules(const TSwitchRules& rules);

// "qvt<Extension>" beside the data file.
std::string BesideDataFile(std::string_view extension);
// "qvt.rules" beside the data file.
std::string RulesFilePath();
// A missing file holds no rules. Raises ERulesError for a file that is not a rules file or cannot
// be read (a folder, a pipe, no permission), naming it.
TSwitchRules LoadRules(const std::string& path);
// Replaces the file in one step (a new one is readable by its owner only); raises ERulesError
// naming it.
void SaveRules(const std::string& path, const TSwitchRules& rules);

// The rules file's lock stays taken by another program; a change is not made.
class ERulesBusy : public Exception {
    using Exception::Exception;
};
// The file no longer holds the rules a change was based on: another program changed it.
class ERulesChanged : public Exception {
    using Exception::Exception;
};

// One change of the rules file: read, changed and written under the file's own lock, so that two
// changes at once cannot lose one; the data file's lock stays free. On this computer's own file
// system a lock also locks its folder, so the data file's lock beside it keeps this one out too:
// a lock that is taken is tried again for a short while before the change gives up.
class TRulesChange {
public:
    // Between two tries; by default a pause of PauseBeforeRetry.
    using TWait = std::function<void()>;
    static constexpr int Tries = 40;
    static constexpr std::chrono::milliseconds PauseBeforeRetry{50};

    // Takes the lock and reads the file. Raises ERulesBusy when the lock stays taken, and what
    // LoadRules raises.
    explicit TRulesChange(std::string path = RulesFilePath(), const TWait& wait = {});

    // Raises ERulesChanged when the file does not hold Shown, the rules the change was made on.
    void Expect(const TSwitchRules& shown) const;
    TSwitchRules& Rules() { return rules_; }
    // Writes the rules; Rules() is then what the file holds, as a later change reads it.
    void Save();

private:
    std::string path_;
    std::unique_ptr<TDataFileLock> lock_;
    TSwitchRules rules_;
};

} // namespace prolamo
