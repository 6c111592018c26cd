// Fuzz target: one input is one .reg file for the simulated registry.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/registry.h"
#include "platform/sim/sim.h"

using namespace autorun;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    sim::reset();
    std::string error;
    std::string content(reinterpret_cast<const char*>(data), size);
    if (sim::loadRegistryText(content, "fuzz.reg", error)) {
        delete[] platform::readRegistryText("Software\\Vendor", "Path");
        delete[] platform::readRegistryText("Software", "");
    } else if (error.rfind("fuzz.reg:", 0) != 0) {
        __builtin_trap();  // every refusal names the file and line
    }
    sim::reset();
    return 0;
}
