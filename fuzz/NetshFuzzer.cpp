// libFuzzer entry: feeds arbitrary bytes to the simulated network shell as a script (netsh -f),
// line by line, against a seeded laptop's adapters. Every line must end in an answer text;
// anything else (a crash, a leak, a sanitizer report) is a find.
#include "FuzzMachine.h"

#include "netsh/NetshInterpreter.h"
#include "os/simulated/SimNetwork.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

using prolamo::os::simulated::AdapterRecord;

struct Laptop {
    prolamo::fuzz::FuzzMachine machine;
    std::vector<AdapterRecord> seeded;
    Laptop() {
        if (prolamo::os::simulated::ReadAdapters(machine.Machine(), &seeded) != prolamo::os::ErrorSuccess)
            std::abort();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Laptop laptop;
    // Each input starts from the seeded adapters, so a find does not depend on the inputs before it.
    for (const AdapterRecord& adapter : laptop.seeded)
        if (prolamo::os::simulated::WriteAdapter(laptop.machine.Machine(), adapter) != prolamo::os::ErrorSuccess)
            std::abort();
    prolamo::netsh::NetshInterpreter shell(laptop.machine.Machine());
    std::string_view script(reinterpret_cast<const char*>(data), size);
    while (!script.empty()) {
        const std::size_t end = script.find('\n');
        (void)shell.ExecuteLine(script.substr(0, end));
        script.remove_prefix(end == std::string_view::npos ? script.size() : end + 1);
    }
    return 0;
}
