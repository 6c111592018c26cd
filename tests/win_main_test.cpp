// The running program: the window class, the centred window, the message loop and the procedure.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "buttons/menu_button.h"
#include "tests/support/menu_fixture.h"

namespace autorun::testing {
namespace {

constexpr uint32_t navy = 0x000080;
constexpr uint32_t red = 0xFF0000;
constexpr uint32_t green = 0x00FF00;
constexpr uint32_t blue = 0x0000FF;
constexpr uint32_t grey = 0x808080;

class WinMainTest : public MenuTest {
  protected:
    void SetUp() override {
        MenuTest::SetUp();
        writeBmp("n.bmp", 20, 10, red);
        writeBmp("a.bmp", 20, 10, green);
        writeBmp("p.bmp", 20, 10, blue);
        writeBmp("d.bmp", 20, 10, grey);
        writeBmp("back.bmp", 60, 40, navy);
    }

    // The index of the first trace line that begins with prefix, at or after from; -1: none.
    int64_t lineOf(const std::string& prefix, int64_t from = 0) const {
        const std::vector<std::string>& lines = sim::trace();
        for (size_t i = static_cast<size_t>(from); i < lines.size(); ++i)
            if (lines[i].rfind(prefix, 0) == 0) return static_cast<int64_t>(i);
        return -1;
    }
};

std::string button(int n, int left, int top, const std::string& more) {
    return "[Button" + std::to_string(n) + "]\r\nLeft=" + std::to_string(left) +
           "\r\nTop=" + std::to_string(top) +
           "\r\nNABitmap=n.bmp\r\nABitmap=a.bmp\r\nPBitmap=p.bmp\r\nDBitmap=d.bmp\r\n" + more;
}

struct GeometryRow {
    int32_t screenWidth, screenHeight;
    int32_t width, height;  // the background; 0: none
    bool caption;
    int32_t x, y, w, h;        // as CreateWindowExA is called
    int32_t clientX, clientY;  // where the client area lies on the screen
};

void PrintTo(const GeometryRow& row, std::ostream* os) {
    *os << row.width << "x" << row.height << " on " << row.screenWidth << "x" << row.screenHeight
        << (row.caption ? " with caption" : "");
}

class GeometryTable : public WinMainTest, public ::testing::WithParamInterface<GeometryRow> {};

TEST_P(GeometryTable, CentresTheWindowAndFitsTheClientArea) {
    const GeometryRow& row = GetParam();
    sim::setScreenSize(row.screenWidth, row.screenHeight);
    sim::setMetrics(19, 4, 4);
    std::string ini = "[Main]\r\nAppName=Menu\r\n";
    if (row.width > 0) {
        writeBmp("back.bmp", row.width, row.height, navy);
        ini += "BackGround=back.bmp\r\n";
    }
    if (row.caption) ini += "ShowCaption=1\r\n";
    writeIni(ini);
    start();
    EXPECT_EQ(runProgram({}), 0);

    std::string style = row.caption ? "0xa0000" : "0x80000000";
    EXPECT_EQ(traced("CreateWindowExA"),
              std::vector<std::string>{
                  "CreateWindowExA class=\"AutoRun_Kestu\" title=\"Menu\" style=" + style +
                  " x=" + std::to_string(row.x) + " y=" + std::to_string(row.y) +
                  " w=" + std::to_string(row.w) + " h=" + std::to_string(row.h)});
    EXPECT_EQ(traced("SetWindowPos"),
              std::vector<std::string>{"SetWindowPos cx=" + std::to_string(row.w) +
                                       " cy=" + std::to_string(row.h)});
    sim::WindowInfo info = sim::windowInfo(sim::mainWindow());
    EXPECT_EQ(info.clientScreen.left, row.clientX);
    EXPECT_EQ(info.clientScreen.top, row.clientY);
    EXPECT_EQ(info.client.right, row.width);
    EXPECT_EQ(info.client.bottom, row.height);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, GeometryTable,
    ::testing::Values(GeometryRow{1024, 768, 400, 300, false, 312, 234, 400, 300, 312, 234},
                      GeometryRow{1024, 768, 400, 300, true, 308, 220, 408, 327, 312, 243},
                      GeometryRow{1024, 768, 1200, 300, false, -88, 234, 1200, 300, -88, 234},
                      // Halving rounds towards minus infinity: -177 / 2 is -89, not -88.
                      GeometryRow{1024, 768, 1201, 301, false, -89, 233, 1201, 301, -89, 233},
                      GeometryRow{1024, 768, 1100, 800, true, -42, -30, 1108, 827, -38, -7},
                      GeometryRow{1023, 767, 400, 300, false, 311, 233, 400, 300, 311, 233},
                      GeometryRow{1024, 768, 0, 0, false, 512, 384, 0, 0, 512, 384},
                      GeometryRow{1024, 768, 0, 0, true, 508, 370, 8, 27, 512, 393}));

struct CaptionRow {
    const char* line;  // the ShowCaption line, or empty for none
    bool caption;
};

void PrintTo(const CaptionRow& row, std::ostream* os) {
    *os << (row.line[0] ? row.line : "(no ShowCaption)");
}

class CaptionTable : public WinMainTest, public ::testing::WithParamInterface<CaptionRow> {};

TEST_P(CaptionTable, OnlyTheTextOneGivesACaption) {
    writeIni(std::string("[Main]\r\n") + GetParam().line + "\r\n");
    start();
    runProgram({});
    EXPECT_EQ(sim::windowInfo(sim::mainWindow()).style,
              GetParam().caption ? ws::sysMenu | ws::minimizeBox : ws::popup);
}

INSTANTIATE_TEST_SUITE_P(
    Values, CaptionTable,
    ::testing::Values(CaptionRow{"ShowCaption=1", true}, CaptionRow{"ShowCaption =  1  ", true},
                      CaptionRow{"ShowCaption=yes", false}, CaptionRow{"ShowCaption=true", false},
                      CaptionRow{"ShowCaption=01", false}, CaptionRow{"ShowCaption=0", false},
                      CaptionRow{"ShowCaption=", false}, CaptionRow{"", false}));

TEST_F(WinMainTest, TheClassRecordAndTheMainKeysInTheirOrder) {
    writeFile("menu.ico", std::string("\0\0\1\0", 4) + "icon");
    writeBmp("back.bmp", 40, 30, navy);
    writeIni("[Main]\r\nIcon=menu.ico\r\nBackGround=back.bmp\r\nAppName=My Menu\r\n");
    start();
    sim::clearTrace();
    EXPECT_EQ(runProgram({}), 0);
    EXPECT_EQ(traced("LoadImageA"),
              std::vector<std::string>{
                  R"(LoadImageA file="C:\menu\menu.ico" type=1 flags=0x10 result=icon)"});
    EXPECT_EQ(traced("RegisterClassExA"),
              std::vector<std::string>{"RegisterClassExA class=\"AutoRun_Kestu\" style=0x8 "
                                       "procedure=yes icon=yes cursor=32512 brush=sys12 result=1"});
    // The background is opened as written, relative to the current directory.
    EXPECT_EQ(lineOf("fopen name=\"back.bmp\" mode=\"rb\" result=ok"), lineOf("fopen"));
    EXPECT_NE(traced("CreateWindowExA")[0].find(" title=\"My Menu\" "), std::string::npos);

    std::vector<int64_t> order = {lineOf("LoadImageA"),
                                  lineOf("LoadCursorA"),
                                  lineOf("GetSysColorBrush"),
                                  lineOf("RegisterClassExA"),
                                  lineOf("fopen name=\"back.bmp\""),
                                  lineOf("GetDC window=none"),
                                  lineOf("GetDeviceCaps index=8"),
                                  lineOf("GetDeviceCaps index=10"),
                                  lineOf("ReleaseDC"),
                                  lineOf("GetSystemMetrics index=4"),
                                  lineOf("GetSystemMetrics index=32"),
                                  lineOf("GetSystemMetrics index=33"),
                                  lineOf("CreateWindowExA"),
                                  lineOf("GetMessageA"),
                                  lineOf("UnregisterClassA class=\"AutoRun_Kestu\"")};
    for (size_t i = 0; i < order.size(); ++i) EXPECT_GE(order[i], 0) << i;
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
    // The background is drawn once the window exists, and again by the build of the menu, which
    // composes it off screen and then copies the whole to the window.
    EXPECT_EQ(countTraced("BitBlt x=0 y=0 w=40 h=30"), 3);
    EXPECT_GT(lineOf("BitBlt"), lineOf("GetDC window=main"));
    EXPECT_EQ(sim::trace().back(), "UnregisterClassA class=\"AutoRun_Kestu\"");
    EXPECT_FALSE(sim::classRegistered("AutoRun_Kestu"));
}

TEST_F(WinMainTest, WithoutIconTheBaseDirectoryAloneLoadsNothing) {
    writeIni("[Main]\r\nAppName=Menu\r\n");
    start();
    runProgram({});
    EXPECT_EQ(
        traced("LoadImageA"),
        std::vector<std::string>{R"(LoadImageA file="C:\menu\" type=1 flags=0x10 result=none)"});
    EXPECT_NE(traced("RegisterClassExA")[0].find(" icon=none "), std::string::npos);
}

TEST_F(WinMainTest, TheBackgroundIsNotJoinedToTheBaseDirectory) {
    writeBmp("pics/back.bmp", 40, 30, navy);
    writeIni("[Main]\r\nBackGround=pics\\back.bmp\r\nIcon=pics\\menu.ico\r\n");
    start();
    runProgram({});
    EXPECT_EQ(
        traced("fopen name=\"pics"),
        std::vector<std::string>{R"(fopen name="pics\back.bmp" mode="rb" result=ok size=3654)"});
    EXPECT_NE(traced("LoadImageA")[0].find(R"( file="C:\menu\pics\menu.ico" )"), std::string::npos);
    EXPECT_EQ(pixel(39, 29), navy);
}

TEST_F(WinMainTest, AClassThatCannotBeRegisteredEndsTheProgramAtOnce) {
    writeIni("[Main]\r\nButtons=1\r\n" + button(1, 0, 0, ""));
    start();
    WindowClass taken;
    taken.className = "AutoRun_Kestu";
    ASSERT_TRUE(platform::registerClass(taken));
    sim::clearTrace();
    EXPECT_EQ(runProgram({}), 0);
    EXPECT_EQ(traced("RegisterClassExA").size(), 1u);
    EXPECT_EQ(sim::trace().back().rfind("RegisterClassExA", 0), 0u);
    EXPECT_EQ(sim::mainWindow(), nullptr);
    EXPECT_EQ(app->buttons, nullptr);
}

TEST_F(WinMainTest, TheMenuIsDrawnOnceTheWindowExists) {
    writeIni("[Main]\r\nBackGround=back.bmp\r\nButtons=2\r\n" + button(1, 0, 0, "") +
             button(2, 30, 20, "Activate=ENABLE BUTTON2 missing\r\n"));
    start();
    runProgram({[&] {
        EXPECT_EQ(pixel(0, 0), red);
        EXPECT_EQ(pixel(30, 20), grey);
        EXPECT_EQ(pixel(59, 0), navy);
    }});
}

TEST_F(WinMainTest, TheLoopWaitsForMessagesWithGetMessage) {
    writeIni("[Main]\r\nButtons=1\r\n" + button(1, 0, 0, "Action=RUN a.exe\r\n"));
    start();
    runProgram({[] { sim::move(5, 5); }, [] { sim::click(5, 5); }});
    EXPECT_EQ(countTraced("PeekMessageA remove=1"), 0);
    std::vector<std::string> got = traced("GetMessageA");
    std::vector<std::string> expected = {"GetMessageA result=1 msg=512 wParam=0 lParam=0x50005",
                                         "GetMessageA result=1 msg=513 wParam=1 lParam=0x50005",
                                         "GetMessageA result=1 msg=514 wParam=0 lParam=0x50005",
                                         "GetMessageA result=1 msg=16 wParam=0 lParam=0x0",
                                         "GetMessageA result=0 msg=18 wParam=0 lParam=0x0"};
    EXPECT_EQ(got, expected);
    // Every message taken is translated and dispatched; the quit message ends the loop.
    EXPECT_EQ(countTraced("TranslateMessage"), 4);
    EXPECT_EQ(countTraced("DispatchMessageA"), 4);
}

TEST_F(WinMainTest, AFailingGetMessageEndsTheLoop) {
    writeIni("[Main]\r\n");
    start();
    EXPECT_EQ(runProgram({[] {
                  sim::failNextGetMessage();
                  sim::postToWindow(0x8000);
              }}),
              0);
    std::vector<std::string> got = traced("GetMessageA");
    EXPECT_EQ(got.back(), "GetMessageA result=-1");
    EXPECT_EQ(countTraced("GetMessageA result=-1"), 1);
    EXPECT_EQ(sim::trace().back(), "UnregisterClassA class=\"AutoRun_Kestu\"");
    EXPECT_EQ(countTraced("DefWindowProcA msg=32768"), 1);
}

TEST_F(WinMainTest, AWindowThatCannotBeCreatedEndsTheProgramAtOnce) {
    writeIni("[Main]\r\nButtons=1\r\n" + button(1, 0, 0, "Action=RUN a.exe\r\n"));
    start();
    sim::failNextCreateWindow();
    bool asked = false;
    EXPECT_EQ(runProgram({[&] { asked = true; }}), 0);
    // No loop ran, so nothing waited for input that could never come; no buttons were built.
    EXPECT_FALSE(asked);
    EXPECT_EQ(countTraced("GetMessageA"), 0);
    EXPECT_EQ(app->buttonCount, 0u);
    EXPECT_EQ(sim::trace().back(), "UnregisterClassA class=\"AutoRun_Kestu\"");
}

TEST_F(WinMainTest, TheExitCodeIsZeroWhateverTheQuitMessageCarries) {
    writeIni("[Main]\r\n");
    start();
    EXPECT_EQ(runProgram({[] { sim::postToWindow(wm::quit, 7); }}), 0);
    EXPECT_EQ(traced("GetMessageA").back(), "GetMessageA result=0 msg=18 wParam=7 lParam=0x0");
    EXPECT_TRUE(sim::windowInfo(sim::mainWindow()).exists);
}

TEST_F(WinMainTest, AQuickDoubleClickRunsTheActionOnce) {
    writeIni("[Main]\r\nButtons=1\r\n" + button(1, 0, 0, "Action=RUN a.exe\r\n"));
    start();
    runProgram({[] { sim::doubleClick(5, 5); }});
    EXPECT_EQ(sim::startedProcesses().size(), 1u);
    EXPECT_EQ(countTraced("DefWindowProcA msg=515"), 1);
}

// The reinitialise message rebuilds the menu whoever sends or posts it.
enum class Rebuild { sentFromOutside, postedFromOutside, reinitCommand };

class RebuildTable : public WinMainTest, public ::testing::WithParamInterface<Rebuild> {};

TEST_P(RebuildTable, ReadsTheRegistryAgainAndDropsTheHover) {
    writeIni("[Main]\r\nBackGround=back.bmp\r\nButtons=2\r\n[Registry]\r\nflag=Vendor\\Flag\r\n" +
             button(1, 0, 0, "Action=REINIT\r\n") +
             button(2, 30, 20, "Activate=ENABLE BUTTON2 flag\r\n"));
    start();
    Rebuild how = GetParam();
    runProgram({[] { sim::move(5, 5); },
                [&] {
                    EXPECT_EQ(pixel(0, 0), green);
                    EXPECT_EQ(pixel(30, 20), grey);
                    sim::setRegistryString("Software\\Vendor", "Flag", "on");
                    if (how == Rebuild::sentFromOutside) sim::sendFromOtherProcess(1025);
                    if (how == Rebuild::postedFromOutside) sim::postToWindow(1025);
                    if (how == Rebuild::reinitCommand) sim::click(5, 5);
                },
                [&] {
                    EXPECT_TRUE(app->buttons[1].enabled);
                    EXPECT_FALSE(app->buttons[0].hover);
                    EXPECT_EQ(app->buttons[0].state, stateNormal);
                    EXPECT_EQ(pixel(0, 0), red);
                    EXPECT_EQ(pixel(30, 20), red);
                }});
    EXPECT_TRUE(steps.empty());
    EXPECT_EQ(countTraced("RegOpenKeyExA"), 2);
}

INSTANTIATE_TEST_SUITE_P(Senders, RebuildTable,
                         ::testing::Values(Rebuild::sentFromOutside, Rebuild::postedFromOutside,
                                           Rebuild::reinitCommand));

TEST_F(WinMainTest, ReinitAfterAWaitedRunSeesWhatTheProgramWrote) {
    writeIni(
        "[Main]\r\nBackGround=back.bmp\r\nButtons=2\r\n[Registry]\r\ninstalled="
        "Vendor\\App\\Version\r\n" +
        button(1, 0, 0, "Action=RUN setup.exe wait|REINIT\r\n") +
        button(2, 30, 20, "Activate=DISABLE BUTTON2 installed\r\n"));
    sim::setWaitSlices(3);
    sim::setProcessHook([](const sim::ProcessRecord&) {
        sim::setRegistryString("Software\\Vendor\\App", "Version", "2.0");
    });
    std::vector<bool> enabledDuringWait;
    std::vector<uint32_t> shownDuringWait;
    sim::setWaitHook([&](int32_t) {
        enabledDuringWait.push_back(app->buttons[1].enabled);
        shownDuringWait.push_back(pixel(0, 0));
    });
    start();
    runProgram({[] { sim::click(5, 5); },
                [&] {
                    EXPECT_FALSE(app->buttons[1].enabled);
                    EXPECT_EQ(pixel(30, 20), grey);
                }});
    EXPECT_EQ(enabledDuringWait, (std::vector<bool>{true, true, true, true}));
    int64_t ended = lineOf("WaitForSingleObject ms=200 result=ended");
    int64_t rebuilt = lineOf("DispatchMessageA msg=1025");
    ASSERT_GE(ended, 0);
    EXPECT_GT(rebuilt, ended);
    EXPECT_GT(lineOf("RegOpenKeyExA", rebuilt), rebuilt);
    // During the wait the menu repaints after every slice, and the pressed picture stays.
    EXPECT_EQ(countTraced("SendMessageA msg=20"), 3);
    EXPECT_EQ(shownDuringWait, (std::vector<uint32_t>{blue, blue, blue, blue}));
}

TEST_F(WinMainTest, ItemsAfterCloseStillRunAndThenTheProgramEnds) {
    writeIni("[Main]\r\nButtons=1\r\n" +
             button(1, 0, 0, "Action=CLOSE|RUN a.exe|SHELL open readme.txt\r\n"));
    start();
    EXPECT_EQ(runProgram({[] { sim::click(5, 5); }, [] { sim::move(1, 1); }}), 0);
    ASSERT_EQ(sim::startedProcesses().size(), 1u);
    EXPECT_EQ(sim::shellOpens().size(), 1u);
    EXPECT_FALSE(sim::windowInfo(sim::mainWindow()).exists);
    EXPECT_EQ(steps.size(), 1u) << "the loop ended before the next input";
    int64_t posted = lineOf("PostMessageA window=main msg=16");
    int64_t run = lineOf("CreateProcessA");
    int64_t shell = lineOf("ShellExecuteA");
    int64_t closed = lineOf("DispatchMessageA msg=16");
    EXPECT_LT(posted, run);
    EXPECT_LT(run, shell);
    EXPECT_LT(shell, closed);
    EXPECT_GT(lineOf("PostQuitMessage code=0", closed), closed);
    EXPECT_EQ(sim::trace().back(), "UnregisterClassA class=\"AutoRun_Kestu\"");
}

TEST_F(WinMainTest, APaintRequestIsLeftToTheDefaultProcedureWhichErasesThroughTheMenu) {
    writeIni("[Main]\r\nBackGround=back.bmp\r\nButtons=1\r\n" + button(1, 0, 0, ""));
    start();
    int64_t mark = 0;
    runProgram({[&] {
                    mark = static_cast<int64_t>(sim::trace().size());
                    sim::invalidate(true);
                },
                [&] {
                    ASSERT_EQ(lineOf("DispatchMessageA msg=15", mark), mark + 2);
                    EXPECT_EQ(sim::trace()[mark + 3], "DefWindowProcA msg=15");
                    EXPECT_EQ(sim::trace()[mark + 4], "BitBlt x=0 y=0 w=60 h=40 to=memory");
                    EXPECT_EQ(sim::trace()[mark + 5], "BitBlt x=0 y=0 w=20 h=10 to=memory");
                    EXPECT_EQ(sim::trace()[mark + 6], "BitBlt x=0 y=0 w=60 h=40");
                    mark = static_cast<int64_t>(sim::trace().size());
                    sim::invalidate(false);
                },
                [&] {
                    // Without erasing, painting only validates: nothing is drawn.
                    EXPECT_EQ(lineOf("DefWindowProcA msg=15", mark), mark + 3);
                    EXPECT_EQ(lineOf("BitBlt", mark), -1);
                }});
}

struct RouteRow {
    uint32_t message;
    const char* effect;  // a trace line that handling the message causes
    bool toDefault;      // whether the message goes to DefWindowProcA
};

void PrintTo(const RouteRow& row, std::ostream* os) {
    *os << "message " << row.message;
}

class RouteTable : public WinMainTest, public ::testing::WithParamInterface<RouteRow> {};

TEST_P(RouteTable, TheProcedureHandlesFiveMessagesAndLeavesTheRestToTheDefault) {
    writeIni("[Main]\r\nButtons=1\r\n" + button(1, 0, 0, "Action=RUN a.exe\r\n"));
    start();
    openWindow();
    app->reinitialise();
    sim::clearTrace();
    intptr_t result = windowProc(app->mainWindow.hwnd, GetParam().message, 0, packPoint(5, 5));
    EXPECT_EQ(result, 0);
    EXPECT_GE(lineOf(GetParam().effect), 0);
    EXPECT_EQ(countTraced("DefWindowProcA msg=" + std::to_string(GetParam().message) + ""),
              GetParam().toDefault ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, RouteTable,
    ::testing::Values(RouteRow{wm::destroy, "PostQuitMessage code=0", false},
                      RouteRow{wm::eraseBackground, "BitBlt x=0 y=0 w=20 h=10", false},
                      RouteRow{wm::mouseMove, "BitBlt x=0 y=0 w=20 h=10", false},
                      RouteRow{wm::leftButtonDown, "CreateProcessA", false},
                      RouteRow{reinitialiseMessage, "fopen name=\"C:\\menu\\n.bmp\"", false},
                      RouteRow{wm::paint, "DefWindowProcA msg=15", true},
                      RouteRow{wm::close, "PostQuitMessage code=0", true},
                      RouteRow{wm::leftButtonUp, "DefWindowProcA msg=514", true},
                      RouteRow{wm::leftButtonDoubleClick, "DefWindowProcA msg=515", true},
                      RouteRow{wm::user, "DefWindowProcA msg=1024", true},
                      RouteRow{wm::user + 2, "DefWindowProcA msg=1026", true}));

}  // namespace
}  // namespace autorun::testing
