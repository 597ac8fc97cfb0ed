#pragma once
// The names of WriteFileReplacing's staging files: "<name>.<process id>-<hex>.new" beside the file.
// The hexadecimal part is random, so a process id that comes round again never meets a leftover.

#include <atomic>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>

namespace prolamo::os {

inline std::string StagingSuffix(unsigned long processId) {
    static std::atomic<std::uint64_t> counter{0};
    static const std::uint64_t salt = std::random_device{}() ^ (std::uint64_t{std::random_device{}()} << 32);
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%lu-%llx.new", processId, static_cast<unsigned long long>(salt + counter++));
    return suffix;
}

// Whether Entry, a name in the file's folder, is a staging file of the file named Base.
inline bool IsStagingOf(std::string_view entry, std::string_view base) {
    if (entry.size() <= base.size() + 1 || entry.substr(0, base.size()) != base || entry[base.size()] != '.')
        return false;
    std::string_view rest = entry.substr(base.size() + 1);
    if (rest.size() < 4 || rest.substr(rest.size() - 4) != ".new")
        return false;
    rest.remove_suffix(4);
    const auto dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == rest.size())
        return false;
    for (std::size_t i = 0; i < rest.size(); ++i)
        if (i != dash && !(i < dash ? std::isdigit(static_cast<unsigned char>(rest[i]))
                                    : std::isxdigit(static_cast<unsigned char>(rest[i]))))
            return false;
    return true;
}

} // namespace prolamo::os
