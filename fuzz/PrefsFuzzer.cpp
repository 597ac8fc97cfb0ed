// libFuzzer entry: arbitrary bytes as the Firefox profile's prefs.js on a seeded workstation; the
// Firefox proxy setting captures them, shows the hint and applies the captured value back (which
// rewrites the file). Every input must either work or raise the platform's exception; anything
// else (a crash, a leak, a sanitizer report) is a find.
#include "FuzzMachine.h"

#include "classes/uResultList.h"
#include "framework/Exceptions.h"
#include "os/Files.h"
#include "profiles/uFirefoxProxySettings.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static prolamo::fuzz::FuzzMachine machine;
    static const std::string prefs = prolamo::GetFirefoxPrefsFileName();
    if (prolamo::os::Files().WriteWholeFile(prefs, std::span(data, size)) != prolamo::os::ErrorSuccess)
        std::abort();
    prolamo::TFirefoxProxySetting setting;
    try {
        const auto captured = setting.CaptureValue();
        (void)captured->GetHint();
        prolamo::TCheckResultList results;
        setting.ApplyValue(*captured, results);
        (void)setting.CaptureValue();
    } catch (const prolamo::Exception&) {
    }
    return 0;
}
