// libFuzzer entry: feeds arbitrary bytes to the data file reader. Every input must either load
// or raise the platform's exception; anything else (a crash, a leak, a sanitizer report) is a find.
#include "classes/uPersistence.h"
#include "framework/Exceptions.h"
#include "framework/Stream.h"
#include "profiles/uProfileSettings.h"
#include "profiles/uSettingKinds.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool registered = [] {
        prolamo::RegisterSettingKinds();
        return true;
    }();
    (void)registered;
    prolamo::TPersistentData root;
    try {
        prolamo::ReadComponentResource({data, size}, root, true);
        // Whatever was read must also write back.
        (void)prolamo::WriteComponentResource(root);
    } catch (const prolamo::Exception&) {
    }
    return 0;
}
