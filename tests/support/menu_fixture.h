// A fixture for the menu's tests: pictures, the menu's window, whole program runs, trace counts.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/sim/sim.h"
#include "platform/window_system.h"
#include "tests/support/bmp_writer.h"
#include "tests/support/sim_fixture.h"

namespace autorun::testing {

// The pointer position as window messages carry it: x in the low, y in the high 16 bits.
inline intptr_t packPoint(int32_t x, int32_t y) {
    return static_cast<intptr_t>((static_cast<uint32_t>(y) & 0xFFFF) << 16 |
                                 (static_cast<uint32_t>(x) & 0xFFFF));
}

class MenuTest : public SimTest {
  protected:
    void writeBmp(const std::string& name, int32_t width, int32_t height, uint32_t rgb) {
        writeFile(name, solidBmp(width, height, rgb));
    }

    // Registers the menu's window class and creates its window, with the background file when
    // one is named, as the program does before it builds the buttons.
    void openWindow(const std::string& background = "") {
        WindowClass windowClass;
        windowClass.procedure = windowProc;
        windowClass.className = "AutoRun_Kestu";
        ASSERT_TRUE(platform::registerClass(windowClass));
        String name(background.c_str());
        app->mainWindow.setup(&name, 1, String(), false);
        app->mainWindow.create("AutoRun_Kestu", 0, 0, nullptr);
        ASSERT_NE(app->mainWindow.hwnd, nullptr);
    }

    // Runs the whole program on the application built by start(). Whenever the window system has
    // nothing to deliver it takes the next step; after the last one it closes the window.
    int32_t runProgram(std::vector<std::function<void()>> programSteps) {
        steps.assign(programSteps.begin(), programSteps.end());
        sim::setIdleHandler([this] {
            if (steps.empty()) return false;
            std::function<void()> step = steps.front();
            steps.pop_front();
            step();
            return true;
        });
        return WinMain(nullptr, nullptr, nullptr, 10);
    }

    int32_t countTraced(const std::string& prefix) const {
        return static_cast<int32_t>(traced(prefix).size());
    }

    // The pixel of the main window's client area; outside it, a value no pixel has.
    uint32_t pixel(int32_t x, int32_t y) const {
        sim::Image image = sim::clientImage(sim::mainWindow());
        if (x < 0 || y < 0 || x >= image.width || y >= image.height) return outside;
        return image.at(x, y);
    }

    static constexpr uint32_t outside = 0xFF000000;

    std::deque<std::function<void()>> steps;
};

}  // namespace autorun::testing
