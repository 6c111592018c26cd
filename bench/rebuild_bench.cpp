// How long the menu takes to rebuild a 100-button menu on message 1025, on the simulated
// platform: buttons, pictures, aliases read from the registry, Activate rules, whole redraw.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "config/application.h"
#include "platform/sim/sim.h"

namespace {

constexpr int buttonCount = 100;

void writeFile(const std::filesystem::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
}

// A menu of 100 buttons of 60 x 24 in a 10 x 10 grid, each with its four pictures, an Action
// and an Activate rule on one of ten registry aliases.
void writeMenu(const std::filesystem::path& folder) {
    for (const char* name : {"back", "normal", "hover", "pressed", "disabled"}) {
        std::string file = std::string(name) + ".bmp";
        std::filesystem::copy_file(std::filesystem::path(AUTORUN_BENCH_PICTURES) / file,
                                   folder / file);
    }
    std::string ini = "[Main]\r\nBackGround = back.bmp\r\nButtons = 100\r\n[Registry]\r\n";
    for (int a = 0; a < 10; ++a) {
        ini += "alias" + std::to_string(a) + " = Bench\\Key" + std::to_string(a) + "\\Value\r\n";
        if (a % 2 == 0) {
            autorun::sim::setRegistryString("Software\\Bench\\Key" + std::to_string(a), "Value",
                                            "C:\\Program Files\\Bench\\");
        }
    }
    for (int n = 1; n <= buttonCount; ++n) {
        int i = n - 1;
        ini += "[Button" + std::to_string(n) + "]\r\n";
        ini += "Left = " + std::to_string(10 + (i % 10) * 78) + "\r\n";
        ini += "Top = " + std::to_string(10 + (i / 10) * 38) + "\r\n";
        ini += "NABitmap = normal.bmp\r\nABitmap = hover.bmp\r\n";
        ini += "PBitmap = pressed.bmp\r\nDBitmap = disabled.bmp\r\n";
        ini += "Action = RUN setup" + std::to_string(n) + ".exe wait|REINIT\r\n";
        ini += "Activate = ENABLE BUTTON" + std::to_string(1 + i % 9) + " alias" +
               std::to_string(i % 10) + "\r\n";
    }
    writeFile(folder / "autorun.ini", ini);
}

void rebuildHundredButtons(benchmark::State& state) {
    autorun::sim::reset();
    char pattern[] = "/tmp/autorun-bench-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    std::filesystem::path folder = made;
    autorun::sim::mapFolder(folder.string());
    writeMenu(folder);

    autorun::Application app;
    // The program runs as it does for a user; once it waits for input, the rebuilds are timed
    // as the window procedure receives message 1025, and then no more input comes.
    autorun::sim::setIdleHandler([&state]() {
        autorun::WindowHandle window = autorun::sim::mainWindow();
        for (auto _ : state) {
            benchmark::DoNotOptimize(
                autorun::windowProc(window, autorun::reinitialiseMessage, 0, 0));
            // The simulated platform records every call; the record is not part of the menu.
            state.PauseTiming();
            autorun::sim::clearTrace();
            state.ResumeTiming();
        }
        return false;
    });
    autorun::WinMain(nullptr, nullptr, nullptr, 0);
    if (app.buttonCount != buttonCount) state.SkipWithError("the menu did not build 100 buttons");

    autorun::sim::reset();
    std::filesystem::remove_all(folder);
}

}  // namespace

BENCHMARK(rebuildHundredButtons)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
