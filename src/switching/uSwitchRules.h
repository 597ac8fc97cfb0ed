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

#include "framework/Exceptions.h"
#include "os/NetworkLocation.h"

#include <string>
#include <string_view>
#include <vector>

namespace prolamo {

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

struct TSwitchRule {
    std::string name;
    std::string configuration;
    std::string profile;
    bool ask = false; // ask the user before applying
    std::vector<TRuleCondition> conditions;
    bool operator==(const TSwitchRule&) const = default;
};

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

struct TSwitchRules {
    std::vector<TSwitchRule> rules;

    TSwitchRule* Find(std::string_view name);
    // The first rule whose conditions all hold; nullptr when none does.
    const TSwitchRule* FirstMatch(const TNetworkFingerprint& fingerprint) const;
    bool operator==(const TSwitchRules&) const = default;
};

// Every condition of the rule with its verdict; the rule matches when all hold.
std::vector<TConditionVerdict> ExplainRule(const TSwitchRule& rule, const TNetworkFingerprint& fingerprint);

// Checks what a rule may hold (names, at least one condition); raises ERulesError.
void CheckRule(const TSwitchRule& rule);

// The file's text; raises ERulesError naming the line.
TSwitchRules ParseRules(std::string_view text);
std::string FormatRules(const TSwitchRules& rules);

// "qvt.rules" beside the data file.
std::string RulesFilePath();
// A missing file holds no rules. Raises ERulesError for a file that is not a rules file, EOSError
// when it cannot be read.
TSwitchRules LoadRules(const std::string& path);
// Replaces the file in one step (a new one is readable by its owner only); raises EOSError.
void SaveRules(const std::string& path, const TSwitchRules& rules);

} // namespace prolamo
