// Fuzz target: one input is one picture file, loaded, realized on the simulated surface and drawn.
#include <cstddef>
#include <cstdint>

#include "buttons/menu_button.h"
#include "platform/sim/sim.h"
#include "tests/fuzz/fuzz_support.h"

using namespace autorun;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::freshMachine();
    fuzzing::writeScratchFile("p.bmp", data, size);
    DeviceContext dc = sim::createSurface(64, 48, 0x123456);
    {
        // The picture, a missing one that falls back to it, and the disabled state.
        String names[2] = {"C:\\menu\\p.bmp", "missing.bmp"};
        MenuButton button;
        button.setup(2, names, Rect{-3, 5, 0, 0}, dc);
        for (int32_t state = 0; state < 2; ++state) {
            button.state = state;
            button.drawState(dc);
        }
        button.enabled = false;
        button.drawState(dc);
    }
    sim::reset();
    return 0;
}
