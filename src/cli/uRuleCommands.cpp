#include "uRuleCommands.h"

#include "classes/uDataFileLock.h"
#include "classes/uPersistence.h"
#include "profiles/uProfileSettings.h"
#include "switching/uAutomaticApply.h"
#include "switching/uManaged.h"
#include "switching/uNetworkWatcher.h"
#include "switching/uWatcherLock.h"
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

std::string Describe(const TSwitchRule& rule) {
    return Quote(rule.name) + ": " + DescribeProfile(rule) + (rule.ask ? ", asks first" : "");
}

TSwitchRules Load() {
    return LoadRules(RulesFilePath());
}

// The organisation's rules, then the user's; the warning of a managed file that cannot be read goes to Err.
TSwitchRules LoadInForce(std::ostream* err) {
    const TManagedRules managed = LoadManagedRules();
    if (err && !managed.warning.empty())
        *err << Program << ": " << TerminalLine(managed.warning) << '\n';
    return RulesInForce(Load(), managed.rules);
}

std::string LocalTime() {
    const std::time_t now = std::time(nullptr);
    char text[16] = {};
    std::strftime(text, sizeof text, "%H:%M:%S", std::localtime(&now));
    return text;
}

// Loads the data file for one decision of the watcher and frees it afterwards; Work saves it when
// it changed it.
template <class Work> auto WithDataFile(const std::string& path, Work work) {
    TPersistentData& data = GetPersistentData();
    data.SetSaveOnFree(false);
    struct Release {
        ~Release() { FreePersistentData(); }
    } release;
    data.Load(path);
    data.Register(GetConfigurationsRoot());
    return work(data);
}

// The watcher of prolamo-cli: the data file is loaded, locked and saved for each apply only.
class TDataFileTarget final : public ISwitchTarget {
public:
    TDataFileTarget(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

    TSwitchRules Rules() override { return LoadInForce(nullptr); }

    bool Confirm(const TSwitchRule& rule) override {
        TTerminalConfirmation confirmation(in_, out_, false);
        return confirmation.Confirm(RuleQuestion(rule));
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
        return WithDataFile(path, [&](TPersistentData& data) {
            const TManagedConfigurations managed = LoadManagedConfigurations();
            if (!managed.warning.empty())
                Log(managed.warning);
            const TRuleProfile found = RuleProfile(GetConfigurationsRoot(), rule, managed.configurations.get());
            TConfiguration& configuration = *found.configuration;
            const std::vector<TSetting*> before(configuration.begin(), configuration.end());
            TProfileHistory history(TProfileHistory::FileBeside(path));
            history.Load();
            ApplyAutomatically(history, configuration, *found.profile, std::make_unique<TTerminalProgressSender>(out_));
            Log("\"prolamo-cli profile undo\" undoes it.");
            // The user's configuration keeps its apply order, as after any apply; the
            // organisation's are not saved.
            if (GetConfigurationsRoot().Configurations().Find(rule.configuration) == &configuration &&
                !std::equal(before.begin(), before.end(), configuration.begin(), configuration.end()))
                data.Save();
            return true;
        });
    }

    // Reads only, as MovedAway does.
    std::optional<std::string> Refusal(const TSwitchRule& rule) override {
        return WithDataFile(DataFilePath(),
                            [&rule](TPersistentData&) { return PolicyRefusal(GetConfigurationsRoot(), rule); });
    }

    // Reads only: the data file's lock stays free.
    bool MovedAway(const TSwitchRule& rule) override {
        return WithDataFile(DataFilePath(), [&rule](TPersistentData&) {
            const TManagedConfigurations managed = LoadManagedConfigurations();
            return MovedAwayFrom(*RuleProfile(GetConfigurationsRoot(), rule, managed.configurations.get()).profile);
        });
    }

    void Log(const std::string& line) override { out_ << LocalTime() << "  " << TerminalLine(line) << std::endl; }

    std::optional<bool> SwitchingPolicy() override { return SystemSwitchingPolicy(); }

private:
    std::istream& in_;
    std::ostream& out_;
};

} // namespace

int RuleAdd(const TConfigurations& root, const TConfigurations* managed, const std::vector<std::string>& operands,
            std::ostream& out) {
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
    if (!FindRuleProfile(root, rule, managed).profile)
        throw EUsage("configuration " + Quote(rule.configuration) + " has no profile " + Quote(rule.profile));
    TRulesChange change;
    try {
        change.Rules().Add(rule);
    } catch (const ERulesError& e) {
        throw EUsage(e.what());
    }
    change.Save();
    out << "Added rule " << Describe(rule) << " as rule " << change.Rules().rules.size() << ".\n";
    return ExitOk;
}

int RuleDelete(const std::string& name, std::ostream& out) {
    TRulesChange change;
    const TSwitchRules managed = LoadManagedRules().rules;
    if (!change.Rules().Find(name) && std::any_of(managed.rules.begin(), managed.rules.end(),
                                                  [&](const TSwitchRule& rule) { return rule.name == name; }))
        throw EManagedConfiguration("the rule " + Quote(name) + " is " + ManagedMark + " and cannot be changed");
    try {
        change.Rules().Remove(name);
    } catch (const ERulesError& e) {
        throw EUsage(e.what());
    }
    change.Save();
    out << "Deleted rule " << Quote(name) << ".\n";
    return ExitOk;
}

int RuleList(std::ostream& out, std::ostream& err) {
    const TSwitchRules rules = LoadInForce(&err);
    if (rules.rules.empty())
        out << "No rules.\n";
    for (std::size_t i = 0; i < rules.rules.size(); ++i) {
        out << i + 1 << ". " << TerminalText(Describe(rules.rules[i]))
            << (rules.rules[i].managed ? std::string("  (") + ManagedMark + ")" : "") << "\n";
        for (const TRuleCondition& condition : rules.rules[i].conditions)
            out << "     " << TerminalText(condition.Text()) << "\n";
    }
    return ExitOk;
}

int RuleTest(const TConfigurations& root, const TConfigurations* managed, std::ostream& out, std::ostream& err) {
    for (const std::string& line : ExplainRules(LoadInForce(&err), ReadNetworkFingerprint(), root, managed))
        out << TerminalLine(line) << "\n";
    return ExitOk;
}

int Watch(const std::vector<std::string>& operands, std::istream& in, std::ostream& out, std::ostream& err) {
    std::optional<TWatchClock::duration> length;
    if (!operands.empty()) {
        const std::string& text = operands[0];
        if (text.empty() || text.size() > 9 ||
            !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
            throw EUsage("watch takes the number of seconds to run, not " + Quote(text));
        length = std::chrono::seconds(std::stol(text));
    }
    std::optional<TWatcherHolder> holder;
    const std::optional<TWatcherLock> watching = TWatcherLock::Take("prolamo-cli watch", &holder);
    if (!watching) {
        err << Program << ": the network is watched already by "
            << (holder ? TerminalText(holder->program) + " (process " + std::to_string(holder->process) + ")"
                       : std::string("another Prolamo program"))
            << "; one program watches at a time, so this one ends.\n";
        return ExitLocked;
    }
    TDataFileTarget target(in, out);
    TSwitchMemoryFile memory;
    TNetworkWatcher watcher(SystemNetworkSource(), SystemWatchClock(), target, memory);
    const TWatchClock::time_point start = TWatchClock::now();
    while (!length || TWatchClock::now() - start < *length) {
        watcher.Poll();
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    return ExitOk;
}

} // namespace prolamo::cli
