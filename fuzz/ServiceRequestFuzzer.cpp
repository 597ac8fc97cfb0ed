// libFuzzer entry: feeds arbitrary bytes to the switching service's request reader, which reads
// what any local program sends. Every input must either be read or raise the platform's
// exception; what is read must be classified without a fault.
#include "framework/Exceptions.h"
#include "profiles/uServiceProtocol.h"
#include "profiles/uSettingKinds.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool registered = [] {
        prolamo::RegisterSettingKinds();
        return true;
    }();
    (void)registered;
    try {
        const auto request = prolamo::ReadServiceRequest({data, size});
        const prolamo::TConfiguration& configuration = request->Configurations()[0];
        for (const prolamo::TSetting* setting : configuration)
            (void)prolamo::ServiceKindsOf(*setting, configuration.Profiles()[0].FindValue(*setting));
    } catch (const prolamo::Exception&) {
    }
    return 0;
}
