// autorun-sim play: the traces of small menus, the shots read back pixel by pixel, the order in
// which events and the messages they cause are handled, and the refusal of bad script lines.
#include <gtest/gtest.h>

#include <ostream>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "tests/support/bmp_writer.h"
#include "tests/tools/png_reader.h"
#include "tests/tools/tool_runner.h"

namespace autorun::testing {
namespace {

using Lines = std::vector<std::string>;
using Pixel = std::function<uint32_t(int32_t, int32_t)>;

// Pictures end with two padding bytes, as the menu's reader expects, so that it shows every
// pixel of the file.
std::string picture(int32_t width, int32_t height, Pixel pixel) {
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.trailingBytes = 2;
    layout.pixel = std::move(pixel);
    return bmpFile(layout);
}

Pixel solid(uint32_t rgb) {
    return [rgb](int32_t, int32_t) { return rgb; };
}

uint32_t backgroundPixel(int32_t x, int32_t y) {
    return static_cast<uint32_t>((x * 3) & 0xFF) << 16 |
           static_cast<uint32_t>((y * 5) & 0xFF) << 8 | static_cast<uint32_t>((x + y) & 0xFF);
}

// The lines from the first that begins with first, count of them.
Lines segment(const Lines& lines, const std::string& first, size_t count) {
    auto it = std::find_if(lines.begin(), lines.end(),
                           [&first](const std::string& l) { return l.rfind(first, 0) == 0; });
    if (it == lines.end()) return {};
    size_t start = static_cast<size_t>(it - lines.begin());
    return Lines(lines.begin() + static_cast<long>(start),
                 lines.begin() + static_cast<long>(std::min(lines.size(), start + count)));
}

Lines starting(const Lines& lines, const std::string& prefix) {
    Lines out;
    for (const std::string& l : lines) {
        if (l.rfind(prefix, 0) == 0) out.push_back(l);
    }
    return out;
}

class PlayTest : public ToolTest {
  protected:
    ToolRun play(const std::string& script, const std::vector<std::string>& options = {},
                 const std::string& directory = "") {
        writeFile("script.txt", script);
        return run({"play", path("script.txt")}, options, "", directory);
    }
};

TEST_F(PlayTest, TraceOfACaptionMenuWithoutPicturesIsComplete) {
    writeIni("[Main]\r\nAppName=Setup Menu\r\nShowCaption=1\r\n");
    ToolRun r = play("", {"--cwd", "D:\\Menu"});
    ASSERT_EQ(r.status, 0) << r.err;
    // No background: the client area is 0 x 0, centred; the caption window is its frame alone.
    Lines expected = {
        "GetCurrentDirectoryA size=260 result=7",
        "fopen name=\"D:\\Menu\\autorun.ini\" mode=\"rb\" result=ok size=43",
        "fclose",
        "LoadImageA file=\"D:\\Menu\\\" type=1 flags=0x10 result=none",
        "LoadCursorA id=32512",
        "GetSysColorBrush index=12",
        "RegisterClassExA class=\"AutoRun_Kestu\" style=0x8 procedure=yes icon=none cursor=32512 "
        "brush=sys12 result=1",
        "fopen name=none mode=\"rb\" result=none",
        "GetDC window=none result=dc",
        "GetDeviceCaps index=8 result=1024",
        "GetDeviceCaps index=10 result=768",
        "ReleaseDC",
        "GetSystemMetrics index=4 result=19",
        "GetSystemMetrics index=32 result=4",
        "GetSystemMetrics index=33 result=4",
        "GetSystemMetrics index=4 result=19",
        "GetSystemMetrics index=32 result=4",
        "GetSystemMetrics index=33 result=4",
        "CreateWindowExA class=\"AutoRun_Kestu\" title=\"Setup Menu\" style=0xa0000 x=508 y=370 "
        "w=8 h=27",
        "ShowWindow cmd=5",
        "UpdateWindow",
        "DefWindowProcA msg=15",
        "GetClientRect result=0,0,0,0",
        "GetWindowRect result=508,370,516,397",
        "SetWindowPos cx=8 cy=27",
        "GetDC window=main result=dc",
        "CreateDIBitmap w=0 h=0 bits=0 result=none",
        "CreateCompatibleDC",
        "SelectObject",
        "GetMessageA result=1 msg=16 wParam=0 lParam=0x0",
        "TranslateMessage msg=16",
        "DispatchMessageA msg=16",
        "DefWindowProcA msg=16",
        "PostQuitMessage code=0",
        "GetMessageA result=0 msg=18 wParam=0 lParam=0x0",
        "UnregisterClassA class=\"AutoRun_Kestu\"",
        "ReleaseDC",
        "DeleteDC",
    };
    EXPECT_EQ(r.lines(), expected);
}

struct Placement {
    const char* name;
    const char* ini;
    std::vector<std::string> options;
    const char* create;
    const char* fit;
};

void PrintTo(const Placement& c, std::ostream* out) {
    *out << c.name;
}

class WindowPlacement : public PlayTest, public ::testing::WithParamInterface<Placement> {};

TEST_P(WindowPlacement, CentresTheWindowAndFitsItsClientAreaToTheBackground) {
    writeFile("back.bmp", picture(400, 300, solid(0x102030)));
    writeIni(GetParam().ini);
    ToolRun r = play("", GetParam().options);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(starting(r.lines(), "CreateWindowExA"), Lines{GetParam().create});
    EXPECT_EQ(starting(r.lines(), "SetWindowPos"), Lines{GetParam().fit});
}

INSTANTIATE_TEST_SUITE_P(
    Play, WindowPlacement,
    ::testing::Values(
        Placement{"Popup",
                  "[Main]\nBackGround=back.bmp\n",
                  {},
                  "CreateWindowExA class=\"AutoRun_Kestu\" title=none style=0x80000000 x=312 "
                  "y=234 w=400 h=300",
                  "SetWindowPos cx=400 cy=300"},
        Placement{"Caption",
                  "[Main]\nAppName=Disc  \"One\"\nShowCaption=1\nBackGround=back.bmp\n",
                  {},
                  "CreateWindowExA class=\"AutoRun_Kestu\" title=\"Disc  \"One\"\" style=0xa0000 "
                  "x=308 y=220 w=408 h=327",
                  "SetWindowPos cx=408 cy=327"},
        Placement{"CaptionOnAnotherScreen",
                  "[Main]\nShowCaption=1\nBackGround=back.bmp\n",
                  {"--screen", "800x600", "--metrics", "20,3,3"},
                  "CreateWindowExA class=\"AutoRun_Kestu\" title=none style=0xa0000 x=197 y=137 "
                  "w=406 h=326",
                  "SetWindowPos cx=406 cy=326"},
        Placement{"YesIsNoCaption",
                  "[Main]\nShowCaption=yes\nBackGround=back.bmp\n",
                  {},
                  "CreateWindowExA class=\"AutoRun_Kestu\" title=none style=0x80000000 x=312 "
                  "y=234 w=400 h=300",
                  "SetWindowPos cx=400 cy=300"}),
    [](const auto& info) { return std::string(info.param.name); });

// One button at (20, 10), 100 x 40, on a 400 x 300 background.
class OneButton : public PlayTest {
  protected:
    void menu(const std::string& action, const std::string& extra = "") {
        writeFile("back.bmp", picture(400, 300, backgroundPixel));
        writeFile("normal.bmp", picture(100, 40, solid(0xFF0000)));
        writeFile("hover.bmp", picture(100, 40, solid(0x00FF00)));
        writeFile("pressed.bmp", picture(100, 40, solid(0x0000FF)));
        writeIni(
            "[Main]\r\nBackGround=back.bmp\r\nButtons=1\r\n[Button1]\r\nTop=10\r\nLeft=20\r\n"
            "NABitmap=normal.bmp\r\nABitmap=hover.bmp\r\nPBitmap=pressed.bmp\r\nAction=" +
            action + "\r\n" + extra);
    }
};

TEST_F(OneButton, ClickOnRunWithWaitRepaintsEverySliceThenRebuilds) {
    menu("RUN setup.exe wait|REINIT");
    ToolRun r = play("down 30 20\n", {"--cwd", "D:\\Menu"});
    ASSERT_EQ(r.status, 0) << r.err;
    Lines redraw = {"BitBlt x=0 y=0 w=400 h=300 to=memory", "BitBlt x=20 y=10 w=100 h=40 to=memory",
                    "BitBlt x=0 y=0 w=400 h=300"};
    Lines expected = {
        "GetMessageA result=1 msg=513 wParam=1 lParam=0x14001e",
        "TranslateMessage msg=513",
        "DispatchMessageA msg=513",
        "BitBlt x=20 y=10 w=100 h=40",
        "CreateProcessA cmdline=\"D:\\Menu\\setup.exe\" dir=\"D:\\Menu\" flags=0x20 "
        "result=started",
        "WaitForSingleObject ms=200 result=timeout",
        "SendMessageA msg=20",
        redraw[0],
        redraw[1],
        redraw[2],
        "UpdateWindow",
        "PeekMessageA remove=0 result=0",
        "WaitForSingleObject ms=200 result=timeout",
        "SendMessageA msg=20",
        redraw[0],
        redraw[1],
        redraw[2],
        "UpdateWindow",
        "PeekMessageA remove=0 result=0",
        "WaitForSingleObject ms=200 result=ended",
        "CloseHandle",
        "CloseHandle",
        "PostMessageA window=main msg=1025 result=1",
        "GetMessageA result=1 msg=1025 wParam=0 lParam=0x0",
    };
    EXPECT_EQ(segment(r.lines(), "GetMessageA result=1 msg=513", expected.size()), expected);
}

TEST_F(OneButton, WaitSlicesSetHowLongAStartedProgramRuns) {
    menu("RUN Tools\\setup.exe wait");
    ToolRun r = play("down 20 10\n", {"--wait-slices", "0"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(starting(r.lines(), "CreateProcessA"),
              Lines{"CreateProcessA cmdline=\"C:\\menu\\Tools\\setup.exe\" dir=\"C:\\menu\\Tools\" "
                    "flags=0x20 result=started"});
    EXPECT_EQ(starting(r.lines(), "WaitForSingleObject"),
              Lines{"WaitForSingleObject ms=200 result=ended"});
    EXPECT_TRUE(starting(r.lines(), "SendMessageA").empty());
}

TEST_F(OneButton, ShellHandsTheDocumentToTheShellWithAndWithoutDirectory) {
    menu("SHELL open readme.txt|SHELL open docs\\manual.pdf docs|SHELL print x.txt");
    ToolRun r = play("down 120 50\n", {"--cwd", "D:\\Menu"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(starting(r.lines(), "ShellExecuteA"),
              (Lines{"ShellExecuteA op=\"open\" file=\"readme.txt\" dir=none show=10",
                     "ShellExecuteA op=\"open\" file=\"docs\\manual.pdf\" dir=\"D:\\Menu\\docs\" "
                     "show=10"}));
}

TEST_F(OneButton, CloseRunsTheRestOfTheListThenEndsTheProgram) {
    menu("CLOSE|RUN a.exe");
    ToolRun r = play("down 20 10\nmove 1 1\n");
    ASSERT_EQ(r.status, 0) << r.err;
    Lines expected = {
        "PostMessageA window=main msg=16 result=1",
        "CreateProcessA cmdline=\"C:\\menu\\a.exe\" dir=\"C:\\menu\" flags=0x20 result=started",
        "CloseHandle",
        "CloseHandle",
        "GetMessageA result=1 msg=16 wParam=0 lParam=0x0",
        "TranslateMessage msg=16",
        "DispatchMessageA msg=16",
        "DefWindowProcA msg=16",
        "PostQuitMessage code=0",
        "GetMessageA result=0 msg=18 wParam=0 lParam=0x0",
        "UnregisterClassA class=\"AutoRun_Kestu\"",
    };
    EXPECT_EQ(segment(r.lines(), "PostMessageA", expected.size()), expected);
    // The window closed before the last line; nothing dispatched the pointer move.
    EXPECT_TRUE(starting(r.lines(), "DispatchMessageA msg=512").empty());
    EXPECT_NE(r.err.find("script.txt:2: the menu had already closed"), std::string::npos) << r.err;
}

TEST_F(OneButton, ADoubleClickRunsTheActionOnce) {
    menu("RUN a.exe");
    ToolRun r = play("dblclick 30 20\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(starting(r.lines(), "CreateProcessA").size(), 1u);
    EXPECT_EQ(segment(r.lines(), "DispatchMessageA msg=515", 2),
              (Lines{"DispatchMessageA msg=515", "DefWindowProcA msg=515"}));
}

TEST_F(OneButton, EraseAndMessagesRedrawAndRebuild) {
    menu("");
    ToolRun r = play("erase\nmessage 1025\n");
    ASSERT_EQ(r.status, 0) << r.err;
    Lines erase = {"GetMessageA result=1 msg=15 wParam=0 lParam=0x0",
                   "TranslateMessage msg=15",
                   "DispatchMessageA msg=15",
                   "DefWindowProcA msg=15",
                   "BitBlt x=0 y=0 w=400 h=300 to=memory",
                   "BitBlt x=20 y=10 w=100 h=40 to=memory",
                   "BitBlt x=0 y=0 w=400 h=300"};
    EXPECT_EQ(segment(r.lines(), "GetMessageA result=1 msg=15", erase.size()), erase);
    Lines rebuild = segment(r.lines(), "DispatchMessageA msg=1025", 200);
    EXPECT_EQ(starting(rebuild, "fopen").size(), 4u);  // the three pictures and the missing one
}

TEST_F(OneButton, ShotsShowTheClientAreaPixelByPixel) {
    menu("");
    ToolRun r = play(
        "shot a.png\nmove 30 20\nshot b.png\ndown 30 20\nshot c.png\nmove 0 0\n"
        "shot d.png\n",
        {}, folder);
    ASSERT_EQ(r.status, 0) << r.err;
    uint32_t buttonColour[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFF0000};
    const char* names[] = {"a.png", "b.png", "c.png", "d.png"};
    for (int shot = 0; shot < 4; ++shot) {
        PngFile png = readPng(path(names[shot]));
        ASSERT_TRUE(png.ok) << names[shot];
        EXPECT_EQ(png.bitDepth, 8);
        EXPECT_EQ(png.colourType, 2);  // RGB
        EXPECT_EQ(png.interlace, 0);
        ASSERT_EQ(png.image.width, 400);
        ASSERT_EQ(png.image.height, 300);
        int32_t wrong = 0;
        for (int32_t y = 0; y < 300; ++y) {
            for (int32_t x = 0; x < 400; ++x) {
                bool onButton = x >= 20 && x < 120 && y >= 10 && y < 50;
                uint32_t expected = onButton ? buttonColour[shot] : backgroundPixel(x, y);
                if (png.image.at(x, y) != expected) ++wrong;
            }
        }
        EXPECT_EQ(wrong, 0) << names[shot];
    }
}

TEST_F(PlayTest, RegistryEventsTakeEffectAtTheNextRebuild) {
    writeFile("back.bmp", picture(200, 100, solid(0x000000)));
    writeFile("b1.bmp", picture(40, 20, solid(0x808080)));
    writeFile("on.bmp", picture(40, 20, solid(0x00FF00)));
    writeFile("off.bmp", picture(40, 20, solid(0xFF0000)));
    writeIni(
        "[Main]\nBackGround=back.bmp\nButtons=2\n"
        "[Registry]\nViewer=Vendor\\Viewer\\Path\n"
        "[Button1]\nTop=0\nLeft=0\nNABitmap=b1.bmp\nAction=REINIT\n"
        "Activate=ENABLE BUTTON2 Viewer\n"
        "[Button2]\nTop=50\nLeft=100\nNABitmap=on.bmp\nABitmap=on.bmp\nPBitmap=on.bmp\n"
        "DBitmap=off.bmp\n");
    // The shot after the click shows the rebuilt menu: REINIT's message has been handled.
    ToolRun r = play(
        "shot before.png\n"
        "registry set \"Software\\Vendor\\Viewer\" Path \"C:\\Program Files\\Viewer\"\n"
        "down 5 5\nshot after.png\n"
        "registry delete Software\\Vendor\\Viewer Path\nmessage 1025\nshot gone.png\n",
        {}, folder);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(starting(r.lines(), "RegQueryValueExA name=\"Path\" size=24 result=0 data="),
              Lines{"RegQueryValueExA name=\"Path\" size=24 result=0 data=\"C:\\Program "
                    "Files\\Viewer\""});
    const std::pair<const char*, uint32_t> shots[] = {
        {"before.png", 0xFF0000}, {"after.png", 0x00FF00}, {"gone.png", 0xFF0000}};
    for (const auto& [name, colour] : shots) {
        PngFile png = readPng(path(name));
        ASSERT_TRUE(png.ok) << name;
        EXPECT_EQ(png.image.at(100, 50), colour) << name;
        EXPECT_EQ(png.image.at(139, 69), colour) << name;
        EXPECT_EQ(png.image.at(5, 5), 0x808080u) << name;
    }
}

TEST_F(PlayTest, RelativeShotPathsAreRelativeToTheToolsOwnDirectory) {
    writeFile("back.bmp", picture(8, 4, solid(0x123456)));
    writeIni("[Main]\nBackGround=back.bmp\n");
    // A directory of its own inside the test folder, so that the fixture removes it.
    std::string elsewhere = path("elsewhere");
    std::filesystem::create_directory(elsewhere);
    ToolRun r = play("shot out.png\n", {}, elsewhere);
    EXPECT_EQ(r.status, 0) << r.err;
    PngFile png = readPng(elsewhere + "/out.png");
    EXPECT_TRUE(png.ok);
    EXPECT_EQ(png.image.at(7, 3), 0x123456u);
    EXPECT_FALSE(std::filesystem::exists(path("out.png")));
}

TEST_F(PlayTest, ScriptComesFromStandardInputWithoutAFile) {
    writeIni("[Main]\n");
    ToolRun r = run({"play"}, {}, "# nothing but a comment\n\nmove 1 2 3\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              "autorun-sim: stdin:3: move wants X Y, two whole numbers from -32768 to 32767\n");
}

struct Bad {
    const char* script;
    const char* message;
};

void PrintTo(const Bad& c, std::ostream* out) {
    *out << c.script;
}

class BadScripts : public PlayTest, public ::testing::WithParamInterface<Bad> {};

TEST_P(BadScripts, StopWithTheLineNumberAndExitCode2) {
    writeFile("back.bmp", picture(8, 4, solid(0x123456)));
    writeIni("[Main]\nBackGround=back.bmp\n");
    ToolRun r = play(GetParam().script, {}, folder);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              std::string("autorun-sim: ") + path("script.txt") + ":" + GetParam().message + "\n");
    // Events before the bad line were played, and the program still ended normally.
    EXPECT_EQ(starting(r.lines(), "DispatchMessageA msg=512").size(), 1u);
    EXPECT_EQ(starting(r.lines(), "UnregisterClassA").size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(path("first.png")));
}

INSTANTIATE_TEST_SUITE_P(
    Play, BadScripts,
    ::testing::Values(Bad{"move 1 1\nshot first.png\nclick 3 4\n",
                          "3: unknown event \"click\" (known: move, down, dblclick, key, message, "
                          "erase, registry, "
                          "shot)"},
                      Bad{"# setup\nmove 1 1\nshot first.png\n\nregistry set K N\n",
                          "5: registry wants: set KEY NAME VALUE, or delete KEY NAME (KEY below "
                          "HKEY_CURRENT_USER; \"\" for the default value)"},
                      Bad{"move 1 1\nshot first.png\nshot /nonexistent-dir/x.png\n",
                          "3: shot: /nonexistent-dir/x.png: No such file or directory"}));

TEST_F(PlayTest, AShotOfAnEmptyClientAreaIsRefused) {
    writeIni("[Main]\n");
    ToolRun r = play("shot x.png\n", {}, folder);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("script.txt:1: shot: the client area is 0 x 0 pixels"), std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(path("x.png")));
}

TEST_F(PlayTest, UsageErrorsExitWith2) {
    writeIni("[Main]\n");
    EXPECT_EQ(run({"play", "a", "b"}).status, 2);
    EXPECT_EQ(run({"play", path("missing.txt")}).status, 2);
    EXPECT_EQ(runTool({"--dir", path("nothing-here"), "play"}).status, 2);
}

}  // namespace
}  // namespace autorun::testing
