// An XDG autostart file: desktops that follow the freedesktop.org autostart rules start what its
// Exec line names when the user's session starts.

#include "os/Files.h"
#include "os/StartupEntry.h"

#include <cstdlib>
#include <string>

namespace prolamo::os {

namespace {

class XdgStartupEntry final : public IStartupEntry {
public:
    std::string Place() override { return Folder() + "/prolamo.desktop"; }

    bool Exists() override {
        std::uint32_t attributes = 0;
        return Files().GetFileAttributes(Place(), &attributes) == ErrorSuccess;
    }

    ErrorCode Write(std::string_view command) override {
        if (const ErrorCode error = Files().CreateDirectoryTree(Folder());
            error != ErrorSuccess && error != ErrorAlreadyExists)
            return error;
        const std::string entry = "[Desktop Entry]\nType=Application\nName=Prolamo\n"
                                  "Comment=Switches workstation settings by the network\nExec=" +
                                  std::string(command) + "\nIcon=prolamo\nX-GNOME-Autostart-enabled=true\n";
        return Files().WriteFileReplacing(Place(), {reinterpret_cast<const std::uint8_t*>(entry.data()), entry.size()});
    }

    ErrorCode Remove() override {
        const ErrorCode error = Files().DeleteFile(Place());
        return error == ErrorFileNotFound || error == ErrorPathNotFound ? ErrorSuccess : error;
    }

private:
    static std::string Folder() {
        if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
            return std::string(config) + "/autostart";
        const char* home = std::getenv("HOME");
        return std::string(home && *home ? home : ".") + "/.config/autostart";
    }
};

} // namespace

IStartupEntry& StartupEntry() {
    static XdgStartupEntry entry;
    return entry;
}

} // namespace prolamo::os
