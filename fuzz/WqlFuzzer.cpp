// libFuzzer entry: arbitrary bytes (UTF-8) as a query for the simulated instrumentation. A query
// the parser takes has its condition run against an object with a value of each type; a query it
// refuses is done. Anything else (a crash, a leak, a sanitizer report, a stack overflow) is a find.
#include "os/Text.h"
#include "os/simulated/Wql.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

using namespace prolamo::os;

class Object final : public IWmiObject {
public:
    HResult GetProperty(std::u16string_view name, WmiValue* value) override {
        if (name == u"Index")
            *value = WmiValue::Int(3);
        else if (name == u"ServiceName")
            *value = WmiValue::Str(u"Netwtw10");
        else if (name == u"NetEnabled")
            *value = WmiValue::Bool(true);
        else if (name == u"IPAddress")
            *value = WmiValue::StrArray({u"192.168.178.23"});
        else if (name == u"GUID")
            *value = WmiValue{};
        else
            return WbemErrorNotFound;
        return SOk;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    simulated::WqlQuery query;
    if (!simulated::ParseWql(Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size)), &query))
        return 0;
    Object object;
    bool unknownProperty = false;
    (void)query.condition(object, &unknownProperty);
    return 0;
}
