#include "netsh/NetshInterpreter.h"

#include "os/simulated/Machine.h"
#include "os/simulated/SimNetwork.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>

namespace prolamo::netsh {

namespace {

using os::simulated::AdapterRecord;

constexpr const char* kSyntax = "The syntax supplied for this command is not valid. Check help for the correct syntax.";
constexpr const char* kNoSuchInterface = "The filename, directory name, or volume label syntax is incorrect.";
constexpr const char* kElevation = "The requested operation requires elevation (Run as administrator).";
constexpr const char* kDhcpEnabled = "DHCP is already enabled on this interface.";
constexpr const char* kAlreadyExists = "The object already exists.";

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

bool IsIPv4(std::string_view text) {
    int parts = 0;
    std::size_t i = 0;
    while (i <= text.size()) {
        std::size_t digits = 0;
        int value = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            if (digits < 3) // more digits are refused below; their value could overflow
                value = value * 10 + (text[i] - '0');
            ++digits;
            ++i;
        }
        if (digits == 0 || digits > 3 || value > 255)
            return false;
        ++parts;
        if (i == text.size())
            break;
        if (text[i] != '.')
            return false;
        ++i;
    }
    return parts == 4;
}

bool IsMask(std::string_view text) {
    if (!IsIPv4(text))
        return false;
    std::uint32_t bits = 0;
    std::size_t start = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = text.find('.', start);
        bits = bits << 8 | static_cast<std::uint32_t>(std::stoi(std::string(text.substr(start, dot - start))));
        start = dot + 1;
    }
    const std::uint32_t inverted = ~bits;
    return (inverted & (inverted + 1)) == 0; // ones, then zeros
}

std::string InvalidParameter(std::string_view kind, std::string_view value) {
    return "Invalid " + std::string(kind) + " parameter (" + std::string(value) + "). It should be a valid IPv4 " +
           (kind == "mask" ? "subnet mask." : "address.");
}

// key=value arguments, keys in lower case; a word without "=" makes the command malformed.
std::optional<std::map<std::string, std::string>> Arguments(const std::vector<std::string>& words, std::size_t from) {
    std::map<std::string, std::string> arguments;
    for (std::size_t i = from; i < words.size(); ++i) {
        const auto equals = words[i].find('=');
        if (equals == std::string::npos || equals == 0)
            return std::nullopt;
        std::string key = Lower(words[i].substr(0, equals));
        if (key == "address")
            key = "addr";
        if (key == "interface")
            key = "name";
        arguments[key] = words[i].substr(equals + 1);
    }
    return arguments;
}

void Insert(std::vector<std::string>& servers, const std::string& server, std::size_t index) {
    const std::size_t at = index == 0 || index > servers.size() ? servers.size() : index - 1;
    servers.insert(servers.begin() + static_cast<std::ptrdiff_t>(at), server);
}

} // namespace

std::vector<std::string> SplitWords(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, any = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (any)
                words.push_back(word);
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any)
        words.push_back(word);
    return words;
}

std::string NetshInterpreter::ExecuteLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#')
        return {};
    return Execute(SplitWords(line));
}

std::string NetshInterpreter::Execute(const std::vector<std::string>& words) {
    if (words.empty())
        return {};
    const std::string verb = Lower(words[0]);
    if (verb == "pushd") {
        pushed_.push_back(context_);
        if (words.size() > 1) {
            std::vector<std::string> rest(words.begin() + 1, words.end());
            if (Lower(rest[0]) == "interface")
                context_.clear();
            for (const auto& w : rest)
                context_.push_back(Lower(w));
        }
        return {};
    }
    if (verb == "popd") {
        if (!pushed_.empty()) {
            context_ = pushed_.back();
            pushed_.pop_back();
        }
        return {};
    }
    std::vector<std::string> full;
    if (verb != "interface")
        full = context_;
    for (const auto& w : words)
        full.push_back(w);
    std::string message = Command(full);
    if (message.empty())
        return {};
    if (message == "?") {
        std::string line;
        for (const auto& w : words)
            line += (line.empty() ? "" : " ") + w;
        message = "The following command was not found: " + line + ".";
    }
    return message + "\r\n";
}

// "?" stands for a command the shell does not know.
std::string NetshInterpreter::Command(const std::vector<std::string>& words) {
    if (words.size() < 4 || Lower(words[0]) != "interface" || (Lower(words[1]) != "ip" && Lower(words[1]) != "ipv4"))
        return "?";
    const std::string action = Lower(words[2]);
    std::string object = Lower(words[3]);
    if (object == "dnsservers" || object == "dnsserver")
        object = "dns";
    if (object == "winsservers" || object == "winsserver")
        object = "wins";
    const bool set = action == "set", add = action == "add";
    if ((!set && !add) || (object != "address" && object != "dns" && object != "wins") || (add && object == "address"))
        return "?";
    const auto arguments = Arguments(words, 4);
    if (!arguments || !arguments->contains("name"))
        return kSyntax;
    auto argument = [&](const char* key) -> std::string {
        const auto it = arguments->find(key);
        return it == arguments->end() ? std::string() : it->second;
    };

    std::vector<AdapterRecord> adapters;
    if (const os::ErrorCode e = os::simulated::ReadAdapters(machine_, &adapters); e != os::ErrorSuccess)
        return os::SystemErrorText(e).substr(0, os::SystemErrorText(e).find('\r'));
    const std::string name = Lower(argument("name"));
    const auto found = std::find_if(adapters.begin(), adapters.end(), [&](const AdapterRecord& a) {
        return a.connectionName && Lower(*a.connectionName) == name;
    });
    if (found == adapters.end())
        return kNoSuchInterface;
    bool administrator = false;
    if (const os::ErrorCode e = machine_.ReadAdministrator(&administrator); e != os::ErrorSuccess)
        return os::SystemErrorText(e).substr(0, os::SystemErrorText(e).find('\r'));
    if (!administrator)
        return kElevation;
    AdapterRecord adapter = *found;
    const std::string source = Lower(argument("source"));
    const std::string address = argument("addr");

    if (object == "address") {
        if (source == "dhcp") {
            if (adapter.dhcp)
                return kDhcpEnabled;
            adapter.dhcp = true;
            adapter.addresses.clear();
            adapter.masks.clear();
            adapter.gateways.clear();
        } else if (source == "static") {
            const std::string mask = argument("mask");
            if (!IsIPv4(address))
                return InvalidParameter("address", address);
            if (!IsMask(mask))
                return InvalidParameter("mask", mask);
            adapter.dhcp = false;
            adapter.addresses = {address};
            adapter.masks = {mask};
            adapter.gateways.clear();
        } else if (!source.empty()) {
            return kSyntax;
        }
        if (arguments->contains("gateway")) {
            const std::string gateway = argument("gateway");
            if (Lower(gateway) == "none")
                adapter.gateways.clear();
            else if (!IsIPv4(gateway))
                return InvalidParameter("gateway", gateway);
            else
                adapter.gateways = {gateway};
        } else if (source.empty()) {
            return kSyntax;
        }
    } else {
        std::vector<std::string>& servers = object == "dns" ? adapter.dnsServers : adapter.winsServers;
        if (set && source == "dhcp") {
            servers.clear();
        } else if (set && source == "static") {
            if (Lower(address) == "none")
                servers.clear();
            else if (!IsIPv4(address))
                return InvalidParameter("address", address);
            else
                servers = {address};
        } else if (add && source.empty()) {
            if (!IsIPv4(address))
                return InvalidParameter("address", address);
            if (std::find(servers.begin(), servers.end(), address) != servers.end())
                return kAlreadyExists;
            const std::string index = argument("index");
            if (index.size() > 9 ||
                !std::all_of(index.begin(), index.end(), [](unsigned char c) { return std::isdigit(c); }))
                return kSyntax;
            Insert(servers, address, index.empty() ? 0 : static_cast<std::size_t>(std::stoul(index)));
        } else {
            return kSyntax;
        }
    }
    if (const os::ErrorCode e = os::simulated::WriteAdapter(machine_, adapter); e != os::ErrorSuccess)
        return os::SystemErrorText(e).substr(0, os::SystemErrorText(e).find('\r'));
    return {};
}

} // namespace prolamo::netsh
