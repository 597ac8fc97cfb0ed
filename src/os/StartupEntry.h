#pragma once
// The user's entry that starts the desktop program with the session: the Run value under
// HKEY_CURRENT_USER on Windows, an XDG autostart file elsewhere.

#include "os/Errors.h"

#include <string>
#include <string_view>

namespace prolamo::os {

class IStartupEntry {
public:
    virtual ~IStartupEntry() = default;

    // Where the entry lives, as the user would look for it.
    virtual std::string Place() = 0;
    virtual bool Exists() = 0;
    // Writes or replaces the entry so that the session runs Command, a command line.
    virtual ErrorCode Write(std::string_view command) = 0;
    // Removes the entry; none is no error.
    virtual ErrorCode Remove() = 0;
};

IStartupEntry& StartupEntry();

} // namespace prolamo::os
