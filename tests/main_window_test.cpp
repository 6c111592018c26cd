// The main window: its styles, the first estimate of its frame, the fitting step and the drawing.
#include "shell/main_window.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tests/support/bmp_writer.h"
#include "tests/support/sim_fixture.h"

namespace autorun::testing {
namespace {

const char* const testClass = "MainWindowTest";
constexpr uint32_t teal = 0x008080;

intptr_t plainProcedure(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return platform::defWindowProc(window, message, wParam, lParam);
}

class MainWindowTest : public SimTest {
  protected:
    void SetUp() override {
        SimTest::SetUp();
        WindowClass windowClass;
        windowClass.procedure = plainProcedure;
        windowClass.className = testClass;
        platform::registerClass(windowClass);
    }

    // A window with the background file (empty: none), the title and the caption flag.
    void prepare(MainWindow& window, const std::string& background, const char* title,
                 bool caption) {
        String name(background.c_str());
        window.setup(&name, 1, String(title), caption);
        sim::clearTrace();
    }

    // The names of the window calls that create made, in order.
    std::vector<std::string> calls() const {
        const std::set<std::string> wanted = {
            "GetSystemMetrics", "CreateWindowExA", "ShowWindow",     "UpdateWindow",
            "GetClientRect",    "GetWindowRect",   "SetWindowPos",   "GetDC",
            "CreateDIBitmap",   "BitBlt",          "DefWindowProcA", "ReleaseDC"};
        std::vector<std::string> names;
        for (const std::string& line : sim::trace()) {
            std::string name = line.substr(0, line.find(' '));
            if (wanted.count(name) > 0) names.push_back(name);
        }
        return names;
    }
};

TEST_F(MainWindowTest, WithoutCaptionThePopupIsCreatedAtTheClientPlaceWithThePictureSize) {
    writeFile("back.bmp", solidBmp(400, 300, teal));
    MainWindow window;
    prepare(window, "back.bmp", "Menu", false);
    window.create(testClass, 312, 234, nullptr);
    EXPECT_EQ(traced("CreateWindowExA"),
              std::vector<std::string>{"CreateWindowExA class=\"MainWindowTest\" title=\"Menu\" "
                                       "style=0x80000000 x=312 y=234 w=400 h=300"});
    EXPECT_EQ(traced("SetWindowPos"), std::vector<std::string>{"SetWindowPos cx=400 cy=300"});
    EXPECT_TRUE(traced("GetSystemMetrics").empty());
    sim::WindowInfo info = sim::windowInfo(window.hwnd);
    EXPECT_TRUE(info.visible);
    EXPECT_EQ(info.clientScreen.left, 312);
    EXPECT_EQ(info.clientScreen.top, 234);
    EXPECT_EQ(info.client.right, 400);
    EXPECT_EQ(info.client.bottom, 300);
}

TEST_F(MainWindowTest, WithCaptionTheFrameAndCaptionOfTheMetricsSurroundTheClientArea) {
    writeFile("back.bmp", solidBmp(400, 300, teal));
    sim::setMetrics(19, 4, 4);
    MainWindow window;
    prepare(window, "back.bmp", "Menu", true);
    window.create(testClass, 312, 243, nullptr);
    EXPECT_EQ(traced("GetSystemMetrics"),
              (std::vector<std::string>{"GetSystemMetrics index=4 result=19",
                                        "GetSystemMetrics index=32 result=4",
                                        "GetSystemMetrics index=33 result=4"}));
    EXPECT_EQ(traced("CreateWindowExA"),
              std::vector<std::string>{"CreateWindowExA class=\"MainWindowTest\" title=\"Menu\" "
                                       "style=0xa0000 x=308 y=220 w=408 h=327"});
    EXPECT_EQ(traced("SetWindowPos"), std::vector<std::string>{"SetWindowPos cx=408 cy=327"});
    sim::WindowInfo info = sim::windowInfo(window.hwnd);
    EXPECT_EQ(info.client.right, 400);
    EXPECT_EQ(info.client.bottom, 300);
    EXPECT_EQ(info.clientScreen.left, 312);
    EXPECT_EQ(info.clientScreen.top, 243);
}

TEST_F(MainWindowTest, TheFittingStepCorrectsTheSizeByWhatTheRealFrameTakes) {
    writeFile("back.bmp", solidBmp(400, 300, teal));
    sim::setMetrics(18, 4, 4);
    sim::setWindowFrame(16, 3, 3);
    MainWindow window;
    prepare(window, "back.bmp", "Menu", true);
    window.create(testClass, 312, 242, nullptr);
    EXPECT_EQ(traced("GetWindowRect"),
              std::vector<std::string>{"GetWindowRect result=308,220,716,546"});
    EXPECT_EQ(traced("GetClientRect"),
              std::vector<std::string>{"GetClientRect result=0,0,402,304"});
    EXPECT_EQ(traced("SetWindowPos"), std::vector<std::string>{"SetWindowPos cx=406 cy=322"});
    sim::WindowInfo info = sim::windowInfo(window.hwnd);
    EXPECT_EQ(info.client.right, 400);
    EXPECT_EQ(info.client.bottom, 300);
    // Only the size is corrected; the corner is off by what the frame differs.
    EXPECT_EQ(info.window.left, 308);
    EXPECT_EQ(info.window.top, 220);
    EXPECT_EQ(info.clientScreen.left, 311);
    EXPECT_EQ(info.clientScreen.top, 239);
}

TEST_F(MainWindowTest, ACaptionThatTheMetricsOverstateMakesTheWindowShrink) {
    writeFile("back.bmp", solidBmp(100, 50, teal));
    sim::setMetrics(30, 8, 8);
    sim::setWindowFrame(20, 2, 2);
    MainWindow window;
    prepare(window, "back.bmp", "", true);
    window.create(testClass, 50, 50, nullptr);
    EXPECT_EQ(traced("SetWindowPos"), std::vector<std::string>{"SetWindowPos cx=104 cy=74"});
    sim::WindowInfo info = sim::windowInfo(window.hwnd);
    EXPECT_EQ(info.client.right, 100);
    EXPECT_EQ(info.client.bottom, 50);
}

TEST_F(MainWindowTest, CreateShowsFitsThenKeepsTheContextAndRealizesTheBackground) {
    writeFile("back.bmp", solidBmp(40, 30, teal));
    MainWindow window;
    prepare(window, "back.bmp", "Menu", false);
    window.create(testClass, 0, 0, nullptr);
    EXPECT_EQ(calls(), (std::vector<std::string>{"CreateWindowExA", "ShowWindow", "UpdateWindow",
                                                 "DefWindowProcA", "DefWindowProcA",
                                                 "GetClientRect", "GetWindowRect", "SetWindowPos",
                                                 "GetDC", "CreateDIBitmap"}));
    EXPECT_EQ(traced("ShowWindow"), std::vector<std::string>{"ShowWindow cmd=5"});
    EXPECT_NE(window.windowDC, nullptr);
    EXPECT_EQ(window.rect.left, 0);
    EXPECT_EQ(window.rect.top, 0);
    EXPECT_EQ(window.rect.right, 40);
    EXPECT_EQ(window.rect.bottom, 30);
}

TEST_F(MainWindowTest, TheBackgroundIsDrawnAtTheClientOriginWhereverTheWindowLies) {
    writeFile("back.bmp", solidBmp(1200, 300, teal));
    MainWindow window;
    prepare(window, "back.bmp", "Menu", false);
    window.create(testClass, -88, 234, nullptr);
    EXPECT_EQ(window.rect.left, 0);
    EXPECT_EQ(window.rect.right, 1200);
    sim::clearTrace();
    window.drawBackground();
    EXPECT_EQ(traced("BitBlt"), std::vector<std::string>{"BitBlt x=0 y=0 w=1200 h=300"});
    sim::Image image = sim::clientImage(window.hwnd);
    EXPECT_EQ(image.at(0, 0), teal);
    EXPECT_EQ(image.at(1199, 299), teal);
}

TEST_F(MainWindowTest, NothingIsDrawnBeforeCreate) {
    writeFile("back.bmp", solidBmp(40, 30, teal));
    MainWindow window;
    prepare(window, "back.bmp", "Menu", false);
    window.drawBackground();
    EXPECT_TRUE(traced("BitBlt").empty());
}

TEST_F(MainWindowTest, AnEmptyTitleCreatesTheWindowWithoutTitleText) {
    MainWindow window;
    prepare(window, "", "", false);
    window.create(testClass, 10, 10, nullptr);
    EXPECT_EQ(traced("CreateWindowExA"),
              std::vector<std::string>{"CreateWindowExA class=\"MainWindowTest\" title=none "
                                       "style=0x80000000 x=10 y=10 w=0 h=0"});
    EXPECT_FALSE(sim::windowInfo(window.hwnd).title.has_value());
}

TEST_F(MainWindowTest, WithoutBackgroundTheClientAreaIsFittedToNothing) {
    sim::setMetrics(19, 4, 4);
    MainWindow window;
    prepare(window, "missing.bmp", "Menu", true);
    window.create(testClass, 512, 393, nullptr);
    EXPECT_EQ(traced("CreateWindowExA"),
              std::vector<std::string>{"CreateWindowExA class=\"MainWindowTest\" title=\"Menu\" "
                                       "style=0xa0000 x=508 y=370 w=8 h=27"});
    EXPECT_EQ(traced("SetWindowPos"), std::vector<std::string>{"SetWindowPos cx=8 cy=27"});
    EXPECT_EQ(sim::windowInfo(window.hwnd).client.right, 0);
    sim::clearTrace();
    window.drawBackground();
    EXPECT_TRUE(traced("BitBlt").empty());
}

TEST_F(MainWindowTest, AWindowThatCannotBeCreatedLeavesTheLaterCallsWithoutEffect) {
    writeFile("back.bmp", solidBmp(40, 30, teal));
    MainWindow window;
    prepare(window, "back.bmp", "Menu", false);
    window.create("NoSuchClass", 0, 0, nullptr);
    EXPECT_EQ(window.hwnd, nullptr);
    // A null window would give the screen's context; the menu must not draw on the screen.
    EXPECT_EQ(window.windowDC, nullptr);
    EXPECT_TRUE(traced("GetDC").empty());
    window.drawBackground();
    EXPECT_TRUE(traced("BitBlt").empty());
}

TEST_F(MainWindowTest, DestroyingTheWindowObjectReleasesTheKeptContextAndThePicture) {
    writeFile("back.bmp", solidBmp(40, 30, teal));
    {
        MainWindow window;
        prepare(window, "back.bmp", "Menu", false);
        window.create(testClass, 0, 0, nullptr);
        sim::clearTrace();
    }
    EXPECT_EQ(traced("ReleaseDC").size(), 1u);
    EXPECT_EQ(sim::liveDrawingObjects(), 0);
}

}  // namespace
}  // namespace autorun::testing
