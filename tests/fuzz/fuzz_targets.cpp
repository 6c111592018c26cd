// The fuzz targets, one per build of this file: FUZZ_BMP (a picture file), FUZZ_MENU (an
// autorun.ini, optionally followed by a .reg file after a line ";--registry--"), FUZZ_REG (a
// .reg file) and FUZZ_SCRIPT (an autorun-sim play script), each run on the simulated platform.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/application.h"
#include "images/image_set.h"
#include "platform/registry.h"
#include "platform/sim/sim.h"
#include "tools/autorun_sim/event_script.h"

using namespace autorun;
namespace fs = std::filesystem;

namespace {

// A folder on tmpfs where there is one: the targets write a file for every input.
const std::string& scratch() {
    static const std::string folder = [] {
        std::string path = std::string(fs::exists("/dev/shm") ? "/dev/shm" : "/tmp") +
                           "/autorun-fuzz-" + std::to_string(getpid());
        fs::create_directories(path);
        for (const auto& picture : fs::directory_iterator(AUTORUN_FUZZ_PICTURES))
            fs::copy_file(picture.path(), path / picture.path().filename(),
                          fs::copy_options::overwrite_existing);
        return path;
    }();
    return folder;
}

[[maybe_unused]] void writeScratch(const std::string& name, const std::string& content) {
    std::ofstream(scratch() + "/" + name, std::ios::binary) << content;
}

[[maybe_unused]] void freshMachine() {
    sim::reset();
    sim::setCurrentDirectory("C:\\menu");
    sim::mapFolder(scratch());
    sim::setWaitSlices(1);
}

// The whole program, fed the given events one at a time whenever its queue is empty.
[[maybe_unused]] void runMenu(const std::vector<tool::Event>& events) {
    size_t next = 0;
    sim::setIdleHandler([&] {
        if (next >= events.size()) return false;
        const tool::Event& e = events[next++];
        if (e.kind == tool::EventKind::move) sim::move(e.x, e.y);
        if (e.kind == tool::EventKind::down) sim::press(e.x, e.y);
        if (e.kind == tool::EventKind::doubleClick) sim::doubleClick(e.x, e.y);
        if (e.kind == tool::EventKind::message) sim::postToWindow(e.message);
        if (e.kind == tool::EventKind::erase) sim::invalidate(true);
        if (e.kind == tool::EventKind::registrySet) sim::setRegistryString(e.key, e.name, e.value);
        if (e.kind == tool::EventKind::registryDelete) sim::deleteRegistryValue(e.key, e.name);
        if (e.kind == tool::EventKind::shot) sim::clientImage(sim::mainWindow());
        return true;
    });
    {
        Application app;
        WinMain(nullptr, nullptr, nullptr, 0);
    }
    sim::reset();
}

// Reads a script; every line it refuses must say why.
[[maybe_unused]] std::vector<tool::Event> parseScript(const std::string& text) {
    std::istringstream in(text);
    std::vector<tool::Event> events;
    std::string line;
    while (std::getline(in, line) && events.size() < 64) {
        tool::Event event;
        std::string error;
        if (tool::parseEvent(line, event, error)) {
            if (event.kind != tool::EventKind::nothing) events.push_back(event);
        } else if (error.empty()) {
            __builtin_trap();
        }
    }
    return events;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
#if defined(FUZZ_BMP)
    freshMachine();
    writeScratch("p.bmp", input);
    DeviceContext dc = sim::createSurface(64, 48, 0x123456);
    {
        String names[2] = {"C:\\menu\\p.bmp", "missing.bmp"};
        ImageSet set;
        set.load(2, names);
        // Larger pictures take the same road through the conversion, only slower: realizing
        // them all would leave the fuzzer measuring the simulated surface.
        const BitmapInfoHeader& h = set.records[0].header;
        if (int64_t{h.biWidth} * set.records[0].height() <= int64_t{1} << 20) {
            for (uint32_t i = 0; i < set.count; ++i) set.records[i].realize(dc);
        }
        for (uint32_t i = 0; i < set.count; ++i) set.draw(dc, -3, 5, i);
    }
    sim::reset();
#elif defined(FUZZ_MENU)
    const std::string marker = "\n;--registry--\n";
    size_t split = input.find(marker);
    freshMachine();
    writeScratch("autorun.ini", input.substr(0, split));
    std::string error;
    if (split != std::string::npos)
        sim::loadRegistryText(input.substr(split + marker.size()), "fuzz.reg", error);
    {
        // The section index must find exactly what a search of the whole text finds.
        Application app;
        for (const char* name : {"Main", "Registry", "Button1", "button2", "Button1024"}) {
            String header(concat(concat(String("["), name), "]"));
            int32_t expected = find(header.text(), app.configText);
            app.sectionCursor = -7;
            bool found = app.openSection(name);
            if (found != (expected >= 0) ||
                (found && app.sectionCursor != expected + header.length()))
                __builtin_trap();
        }
    }
    runMenu(parseScript(
        "move 5 5\nmove 20 15\ndown 20 15\ndblclick 30 30\nmessage 1025\nmove -1 32767\n"
        "down 50 35\nerase\nregistry set Software\\Vendor Path C:\\x\nmessage 1025\n"
        "down 10 10\nshot s.png\n"));
#elif defined(FUZZ_REG)
    sim::reset();
    std::string error;
    if (sim::loadRegistryText(input, "fuzz.reg", error)) {
        delete[] platform::readRegistryText("Software\\Vendor", "Path");
        delete[] platform::readRegistryText("Software", "");
    } else if (error.rfind("fuzz.reg:", 0) != 0) {
        __builtin_trap();  // every refusal names the file and line
    }
    sim::reset();
#elif defined(FUZZ_SCRIPT)
    std::vector<tool::Event> events = parseScript(input);
    freshMachine();
    writeScratch("autorun.ini",
                 "[Main]\r\nBackGround=back.bmp\r\nButtons=1\r\n[Registry]\r\non=Vendor\\On\r\n"
                 "[Button1]\r\nTop=5\r\nLeft=5\r\nNABitmap=a.bmp\r\n"
                 "Action=RUN a.exe wait|REINIT\r\nActivate=ENABLE BUTTON1 on\r\n");
    runMenu(events);
#endif
    return 0;
}
