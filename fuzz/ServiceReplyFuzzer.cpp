// libFuzzer entry: feeds arbitrary bytes, line by line, to the client's reading of the switching
// service's replies, as a program squatting on the service's channel could send them. Every line
// must be read or passed over, and told, without a fault.
#include "framework/Translation.h"
#include "profiles/uServiceProtocol.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

// A front end's lookup that moves the arguments, so that telling a keyed text fills them anew.
std::string Reordered(const char*, const char* english) {
    return std::string("%2 %1 ") + english;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    prolamo::SetTranslationLookup(&Reordered);
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        if (const auto reply = prolamo::ParseServiceReply(rest.substr(0, end)))
            (void)prolamo::ServiceReplyText(*reply);
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return 0;
}
