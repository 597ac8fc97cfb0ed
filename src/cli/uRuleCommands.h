#pragma once
// "prolamo-cli rule ...": the rules that switch profiles by the network, in their own file beside
// the data file; and "prolamo-cli watch", the watcher in the foreground.

#include <iosfwd>
#include <string>
#include <vector>

namespace prolamo {
class TConfigurations;
}

namespace prolamo::cli {

// NAME CONFIG PROFILE CONDITION...: appends a rule; the configuration and profile must exist.
// Managed: the organisation's configurations, which rules may name too; null when there are none.
int RuleAdd(const TConfigurations& root, const TConfigurations* managed, const std::vector<std::string>& operands,
            std::ostream& out);
int RuleDelete(const std::string& name, std::ostream& out);
// The organisation's rules first, marked; then the user's own.
int RuleList(std::ostream& out, std::ostream& err);
// Which rule matches the network now, and why each rule before it does not.
int RuleTest(const TConfigurations& root, const TConfigurations* managed, std::ostream& out, std::ostream& err);

// Runs the watcher for `seconds` (operand) or until the process is ended, logging each decision.
// Takes the data file's lock for each apply only.
int Watch(const std::vector<std::string>& operands, std::istream& in, std::ostream& out, std::ostream& err);

} // namespace prolamo::cli
