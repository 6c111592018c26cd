// Fuzz target: one input is an autorun-sim play script. Every line goes through the event
// reader; the events it accepts are played to a small menu on the simulated platform.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "config/application.h"
#include "platform/sim/sim.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/bmp_writer.h"
#include "tools/autorun_sim/event_script.h"
#include "tools/autorun_sim/png_writer.h"

using namespace autorun;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::writeScratchFile("back.bmp", testing::solidBmp(60, 40, 0x204080));
    fuzzing::writeScratchFile("a.bmp", testing::solidBmp(20, 10, 0x00FF00));
    fuzzing::writeScratchFile("autorun.ini",
                              "[Main]\r\nBackGround=back.bmp\r\nButtons=1\r\n[Registry]\r\n"
                              "on=Vendor\\On\r\n[Button1]\r\nTop=5\r\nLeft=5\r\nNABitmap=a.bmp\r\n"
                              "Action=RUN a.exe wait|REINIT\r\nActivate=ENABLE BUTTON1 on\r\n");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::vector<tool::Event> events;
    std::string line;
    while (std::getline(in, line)) {
        tool::Event event;
        std::string error;
        if (tool::parseEvent(line, event, error)) {
            if (event.kind != tool::EventKind::nothing) events.push_back(event);
        } else if (error.empty()) {
            __builtin_trap();  // a refused line always says why
        }
    }
    fuzzing::freshMachine();
    size_t next = 0;
    sim::setIdleHandler([&] {
        if (next >= events.size() || next >= 64) return false;
        const tool::Event& e = events[next++];
        switch (e.kind) {
            case tool::EventKind::move:
                sim::move(e.x, e.y);
                break;
            case tool::EventKind::down:
                sim::press(e.x, e.y);
                break;
            case tool::EventKind::doubleClick:
                sim::doubleClick(e.x, e.y);
                break;
            case tool::EventKind::message:
                sim::postToWindow(e.message);
                break;
            case tool::EventKind::erase:
                sim::invalidate(true);
                break;
            case tool::EventKind::registrySet:
                sim::setRegistryString(e.key, e.name, e.value);
                break;
            case tool::EventKind::registryDelete:
                sim::deleteRegistryValue(e.key, e.name);
                break;
            case tool::EventKind::shot: {
                std::string reason;
                tool::writePng(fuzzing::scratchFolder() + "/shot.png",
                               sim::clientImage(sim::mainWindow()), reason);
                break;
            }
            case tool::EventKind::nothing:
                break;
        }
        return true;
    });
    {
        Application app;
        WinMain(nullptr, nullptr, nullptr, 0);
    }
    sim::reset();
    return 0;
}
