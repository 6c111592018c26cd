// Fuzz target: one input is one picture file, loaded, realized on the simulated surface and drawn.
#include <cstddef>
#include <cstdint>

#include "images/image_set.h"
#include "platform/sim/sim.h"
#include "tests/fuzz/fuzz_support.h"

using namespace autorun;

constexpr int64_t realizedPixels = int64_t{1} << 20;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::freshMachine();
    fuzzing::writeScratchFile("p.bmp", data, size);
    DeviceContext dc = sim::createSurface(64, 48, 0x123456);
    {
        // The picture, and a missing one that falls back to it.
        String names[2] = {"C:\\menu\\p.bmp", "missing.bmp"};
        ImageSet set;
        set.load(2, names);
        // Larger pictures take the same road through the conversion, only slower: realizing
        // them all would leave the fuzzer measuring the simulated surface.
        const BitmapInfoHeader& h = set.records[0].header;
        if (int64_t{h.biWidth} * set.records[0].height() <= realizedPixels) {
            for (uint32_t i = 0; i < set.count; ++i) set.records[i].realize(dc);
        }
        for (uint32_t i = 0; i < set.count; ++i) set.draw(dc, -3, 5, i);
    }
    sim::reset();
    return 0;
}
