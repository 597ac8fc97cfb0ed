// libFuzzer entry: arbitrary bytes as an initialization file (ANSI or UTF-16 with its mark) for the
// private-profile calls: reading a section and a key, writing a key, removing a key and a section.
// Every call must answer with a code; a key just written must read back as written. Anything else
// (a crash, a leak, a sanitizer report, a lost write) is a find.
#include "FuzzMachine.h"

#include "os/Files.h"
#include "os/IniFiles.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace prolamo::os;
    static prolamo::fuzz::FuzzMachine machine;
    static const std::string file = (machine.Folder() / "fuzz.ini").string();
    if (Files().WriteWholeFile(file, std::span(data, size)) != ErrorSuccess)
        std::abort();
    IIniFiles& ini = IniFiles();
    std::vector<std::u16string> lines;
    std::u16string value;
    (void)ini.GetPrivateProfileSection(u"Proxy", file, &lines);
    (void)ini.GetPrivateProfileString(u"Profile0", u"Path", u"-", &value, file);
    if (ini.WritePrivateProfileString(u"Proxy", u"HTTP server", u"proxy:8080", file) != ErrorSuccess)
        std::abort();
    if (ini.GetPrivateProfileString(u"Proxy", u"HTTP server", u"", &value, file) != ErrorSuccess ||
        value != u"proxy:8080")
        std::abort();
    (void)ini.WritePrivateProfileString(u"Proxy", u"Use HTTP", nullptr, file);
    (void)ini.WritePrivateProfileString(u"Profile0", nullptr, nullptr, file);
    return 0;
}
