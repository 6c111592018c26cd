// Fuzz target: one input is an autorun.ini, optionally followed by a registry file after a
// line ";--registry--". The whole program runs on the simulated platform and is played a fixed
// sequence of moves, clicks, rebuilds and a close.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "config/application.h"
#include "platform/sim/sim.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/bmp_writer.h"

using namespace autorun;

namespace {

const std::string registryMarker = "\n;--registry--\n";

void writePictures() {
    fuzzing::writeScratchFile("a.bmp", testing::solidBmp(40, 20, 0x00FF00));
    fuzzing::writeScratchFile("b.bmp", testing::solidBmp(40, 20, 0xFFFF00));
    fuzzing::writeScratchFile("c.bmp", testing::solidBmp(30, 30, 0xFF0000));
    fuzzing::writeScratchFile("back.bmp", testing::solidBmp(200, 120, 0x204080));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    writePictures();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    std::string ini = input;
    std::string reg;
    size_t marker = input.find(registryMarker);
    if (marker != std::string::npos) {
        ini = input.substr(0, marker);
        reg = input.substr(marker + registryMarker.size());
    }
    fuzzing::freshMachine();
    fuzzing::writeScratchFile("autorun.ini", ini);
    std::string error;
    if (!reg.empty()) sim::loadRegistryText(reg, "fuzz.reg", error);

    std::vector<std::function<void()>> events = {
        [] { sim::move(5, 5); },
        [] { sim::move(20, 20); },
        [] { sim::click(20, 20); },
        [] { sim::doubleClick(30, 30); },
        [] { sim::postToWindow(1025); },
        [] { sim::move(-1, 70000); },
        [] { sim::click(100, 60); },
        [] { sim::sendFromOtherProcess(1025); },
        [] { sim::invalidate(true); },
        [] { sim::click(150, 40); },
        [] { sim::setRegistryString("Software\\Vendor", "Path", "C:\\x"); },
        [] { sim::postToWindow(1025); },
        [] { sim::click(10, 10); },
    };
    size_t next = 0;
    sim::setIdleHandler([&] {
        if (next >= events.size()) return false;
        events[next++]();
        return true;
    });
    {
        Application app;
        // The section index must find exactly what a search of the whole text finds.
        for (const char* name :
             {"Main", "Registry", "Button1", "button2", "BUTTON10", "Button1024"}) {
            String header(concat(concat(String("["), name), "]"));
            int32_t expected = find(header.text(), app.configText);
            app.sectionCursor = -7;
            bool found = app.openSection(name);
            if (found != (expected >= 0) ||
                (found && app.sectionCursor != expected + header.length())) {
                __builtin_trap();
            }
        }
        WinMain(nullptr, nullptr, nullptr, 0);
    }
    sim::reset();
    return 0;
}
