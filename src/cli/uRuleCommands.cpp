#include "uRuleCommands.h"

#include "classes/uDataFileLock.h"
#include "classes/uPersistence.h"
#include "profiles/uProfileSettings.h"
#include "switching/uAutomaticApply.h"
#include "switching/uNetworkWatcher.h"
#include "uCliArguments.h"
#include "uTerminal.h"

#include <algorithm>
#include <ctime>
#include <istream>
#include <optional>
#include <ostream>
#include <thread>

namespace prolamo::cli {

namespace {

std::string Quote(const std::string& name) { return "\"" + name + "\""; }

std::string Describe(const TSwitchRule& rule) {
    return Quote(rule.name) + ": profile " + Quote(rule.profile) + " of " + Quote(rule.configuration) +
           (rule.ask ? ", asks first" : "");
}

// Rule changes are read, changed and written under the rules file's own lock, so that two of them
// at once cannot lose one; the data file's lock stays free for the desktop program.
class TRulesChange {
public:
    TRulesChange() : path_(RulesFilePath()), lock_(Lock(path_)), rules_(LoadRules(path_)) {}

    TSwitchRules& Rules() { return rules_; }
    void Save() { SaveRules(path_, rules_); }

private:
    static TDataFileLock Lock(const std::string& path) {
        try {
            return TDataFileLock(path);
        } catch (const EDataFileLocked&) {
            throw Exception("the rules file " + path + " is being changed by another program; try again");
        }
    }

    std::string path_;
    TDataFileLock lock_;
    TSwitchRules rules_;
};

TSwitchRules Load() { return LoadRules(RulesFilePath()); }

const TConfigurationProfile* FindProfile(const TConfigurations& root, const TSwitchRule& rule) {
    const TConfiguration* configuration = root.Configurations().Find(rule.configuration);
    return configuration ? configuration->Profiles().Find(rule.profile) : nullptr;
}

std::string LocalTime() {
    const std::time_t now = std::time(nullptr);
    char text[16] = {};
    std::strftime(text, sizeof text, "%H:%M:%S", std::localtime(&now));
    return text;
}

// The watcher of prolamo-cli: the data file is loaded, locked and saved for each apply only.
class TDataFileTarget final : public ISwitchTarget {
public:
    TDataFileTarget(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

    TSwitchRules Rules() override { return Load(); }

    bool Confirm(const TSwitchRule& rule) override {
        TTerminalConfirmation confirmation(in_, out_, false);
        return confirmation.Confirm("The network matches rule " + Quote(rule.name) + ". Apply profile " +
                                    Quote(rule.profile) + " of configuration " + Quote(rule.configuration) + "?");
    }

    bool Apply(const TSwitchRule& rule) override {
        const std::string path = DataFilePath();
        std::optional<TDataFileLock> lock;
        try {
            lock.emplace(path);
        } catch (const EDataFileLocked& e) {
            Log(TerminalText(e.what()) + ".");
            return false;
        }
        TPersistentData& data = GetPersistentData();
        data.SetSaveOnFree(false);
        struct Release {
            ~Release() { FreePersistentData(); }
        } release;
        data.Load(path);
        data.Register(GetConfigurationsRoot());
        TConfiguration* configuration = GetConfigurationsRoot().Configurations().Find(rule.configuration);
        TConfigurationProfile* profile = configuration ? configuration->Profiles().Find(rule.profile) : nullptr;
        if (!profile)
            throw ERulesError("the rule " + Quote(rule.name) + " names profile " + Quote(rule.profile) + " of " +
                              Quote(rule.configuration) + ", which does not exist");
        const std::vector<TSetting*> before(configuration->begin(), configuration->end());
        TProfileHistory history(TProfileHistory::FileBeside(path));
        history.Load();
        ApplyAutomatically(history, *configuration, *profile, std::make_unique<TTerminalProgressSender>(out_));
        Log("\"prolamo-cli profile undo\" undoes it.");
        // The configuration keeps its apply order, as after any apply.
        if (!std::equal(before.begin(), before.end(), configuration->begin(), configuration->end()))
            data.Save();
        return true;
    }

    void Log(const std::string& line) override { out_ << LocalTime() << "  " << TerminalLine(line) << std::endl; }

private:
    std::istream& in_;
    std::ostream& out_;
};

} // namespace

int RuleAdd(const TConfigurations& root, const std::vector<std::string>& operands, std::ostream& out) {
    TSwitchRule rule{operands[0], operands[1], operands[2], false, {}};
    for (std::size_t i = 3; i < operands.size(); ++i) {
        const std::string& argument = operands[i];
        if (argument == "ask") {
            rule.ask = true;
            continue;
        }
        const auto equals = argument.find('=');
        try {
            rule.conditions.push_back(TRuleCondition::Parse(
                argument.substr(0, equals), equals == std::string::npos ? std::string() : argument.substr(equals + 1)));
        } catch (const ERulesError& e) {
            throw EUsage(e.what());
        }
    }
    try {
        CheckRule(rule);
    } catch (const ERulesError& e) {
        throw EUsage(e.what());
    }
    if (!FindProfile(root, rule))
        throw EUsage("configuration " + Quote(rule.configuration) + " has no profile " + Quote(rule.profile));
    TRulesChange change;
    if (change.Rules().Find(rule.name))
        throw EUsage("a rule named " + Quote(rule.name) + " already exists");
    change.Rules().rules.push_back(rule);
    change.Save();
    out << "Added rule " << Describe(rule) << " as rule " << change.Rules().rules.size() << ".\n";
    return ExitOk;
}

int RuleDelete(const std::string& name, std::ostream& out) {
    TRulesChange change;
    auto& rules = change.Rules().rules;
    const auto found = std::find_if(rules.begin(), rules.end(), [&](const TSwitchRule& r) { return r.name == name; });
    if (found == rules.end())
        throw EUsage("there is no rule named " + Quote(name));
    rules.erase(found);
    change.Save();
    out << "Deleted rule " << Quote(name) << ".\n";
    return ExitOk;
}

int RuleList(std::ostream& out) {
    const TSwitchRules rules = Load();
    if (rules.rules.empty())
        out << "No rules.\n";
    for (std::size_t i = 0; i < rules.rules.size(); ++i) {
        out << i + 1 << ". " << TerminalText(Describe(rules.rules[i])) << "\n";
        for (const TRuleCondition& condition : rules.rules[i].conditions)
            out << "     " << TerminalText(condition.Text()) << "\n";
    }
    return ExitOk;
}

int RuleTest(const TConfigurations& root, std::ostream& out) {
    const TSwitchRules rules = Load();
    const TNetworkFingerprint fingerprint = ReadNetworkFingerprint();
    out << "Network\n";
    if (fingerprint.adapters.empty())
        out << "  not connected\n";
    for (const os::ConnectedAdapter& adapter : fingerprint.adapters)
        out << "  " << TerminalText(DescribeAdapter(adapter)) << "\n";
    const TSwitchRule* match = rules.FirstMatch(fingerprint);
    out << "Rules\n";
    if (rules.rules.empty())
        out << "  none\n";
    for (const TSwitchRule& rule : rules.rules) {
        const auto verdicts = ExplainRule(rule, fingerprint);
        const bool matches =
            std::all_of(verdicts.begin(), verdicts.end(), [](const TConditionVerdict& v) { return v.holds; });
        out << "  " << TerminalText(Quote(rule.name)) << (matches ? " matches" : " does not match") << "\n";
        for (const TConditionVerdict& verdict : verdicts)
            out << "    " << (verdict.holds ? "yes " : "no  ") << TerminalText(verdict.condition->Text()) << ": "
                << TerminalText(verdict.why) << "\n";
    }
    if (!match) {
        out << "No rule matches: the watcher applies nothing.\n";
        return ExitOk;
    }
    out << "Rule " << TerminalText(Quote(match->name)) << " is the first that matches: the watcher "
        << (match->ask ? "asks to apply" : "applies") << " profile " << TerminalText(Quote(match->profile))
        << " of configuration " << TerminalText(Quote(match->configuration)) << ".\n";
    if (!FindProfile(root, *match))
        out << "That profile does not exist; the watcher reports it and applies nothing.\n";
    return ExitOk;
}

int Watch(const std::vector<std::string>& operands, std::istream& in, std::ostream& out, std::ostream&) {
    std::optional<TWatchClock::duration> length;
    if (!operands.empty()) {
        const std::string& text = operands[0];
        if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), [](char c) {
                return c >= '0' && c <= '9';
            }))
            throw EUsage("watch takes the number of seconds to run, not " + Quote(text));
        length = std::chrono::seconds(std::stol(text));
    }
    TDataFileTarget target(in, out);
    TNetworkWatcher watcher(SystemNetworkSource(), SystemWatchClock(), target);
    const TWatchClock::time_point start = TWatchClock::now();
    while (!length || TWatchClock::now() - start < *length) {
        watcher.Poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    return ExitOk;
}

} // namespace prolamo::cli
