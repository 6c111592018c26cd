// The whole program on a simulated machine that misbehaves as Windows can and autorun-sim cannot
// show: installers that need elevation, programs that do not start, a window or class that
// cannot be had, a failing message loop, messages other programs send while one is waited for,
// a real frame thinner than the metrics say.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "config/application.h"
#include "platform/sim/sim.h"
#include "platform/window_system.h"

namespace autorun {
namespace {

namespace fs = std::filesystem;

// Button 1 (a.bmp, 20 x 10 at 5,5) runs the action; button 2 at 30,5 is enabled by "flag".
const std::string menu =
    "[Main]\r\nBackGround=back.bmp\r\nShowCaption=1\r\nButtons=2\r\n[Registry]\r\n"
    "flag=Tools\\Flag\r\n[Button1]\r\nLeft=5\r\nTop=5\r\nNABitmap=a.bmp\r\nPBitmap=b.bmp\r\n"
    "Action=";
const std::string button2 =
    "\r\n[Button2]\r\nLeft=30\r\nTop=5\r\nNABitmap=c.bmp\r\n"
    "Activate=ENABLE BUTTON2 flag\r\n";

struct Scenario {
    const char* name;
    const char* action;
    std::function<void()> machine;  // sets the simulated machine up before the start
    // Trace lines, each given by its beginning, that must occur in this order; a line given
    // with a leading "!" must occur nowhere.
    std::vector<std::string> expected;
    int32_t exitCode = 0;  // what WinMain returns
};

bool isElevated(const std::string& commandLine) {
    return commandLine.find("setup.exe") != std::string::npos;
}

const Scenario scenarios[] = {
    {"ElevatedInstallerIsStartedByTheShellAndWaitedFor",
     "RUN setup.exe wait|RUN b.exe",
     [] { sim::setElevationRequired(isElevated); },
     {R"(CreateProcessW cmdline="C:\menu\setup.exe" dir="C:\menu" flags=0x20 result=elevation-required)",
      R"(ShellExecuteExW op="open" file="C:\menu\setup.exe" params=none dir="C:\menu" mask=0x40 result=started)",
      "WaitForSingleObject ms=200 result=timeout", "WaitForSingleObject ms=200 result=ended",
      "CloseHandle", R"(CreateProcessW cmdline="C:\menu\b.exe")"}},
    {"ElevatedInstallerKeepsItsArgumentAndAnUnquotedPath",
     "RUN setup.exe /s",
     [] {
         sim::setElevationRequired(isElevated);
         sim::setCurrentDirectory("C:\\my menu");
     },
     {R"(CreateProcessW cmdline=""C:\my menu\setup.exe" /s")",
      R"(ShellExecuteExW op="open" file="C:\my menu\setup.exe" params="/s" dir="C:\my menu")",
      "!WaitForSingleObject"}},
    {"DeclinedElevationLeavesNothingToWaitFor",
     "RUN setup.exe wait|RUN b.exe",
     [] {
         sim::setElevationRequired(isElevated);
         sim::setElevationDeclined(true);
     },
     {"ShellExecuteExW", R"(CreateProcessW cmdline="C:\menu\b.exe")", "!WaitForSingleObject"}},
    {"AProgramThatCannotStartIsNotWaitedFor",
     "RUN gone.exe wait|RUN b.exe",
     [] {
         sim::setProgramMissing(
             [](const std::string& line) { return line.find("gone") != std::string::npos; });
     },
     {R"(CreateProcessW cmdline="C:\menu\gone.exe")", R"(CreateProcessW cmdline="C:\menu\b.exe")",
      "!WaitForSingleObject"}},
    {"ARebuildSentDuringTheWaitLetsTheCommandsFinish",
     "RUN a.exe wait|RUN after.exe",
     [] {
         sim::setWaitSlices(3);
         sim::setWaitHook([](int32_t wait) {
             if (wait != 2) return;
             sim::setRegistryString("Software\\Tools", "Flag", "yes");
             sim::sendFromOtherProcess(reinitialiseMessage);
         });
     },
     {"WaitForSingleObject ms=200 result=timeout", "WaitForSingleObject ms=200 result=timeout",
      R"(RegQueryValueExW name="Flag" size=4 result=0 data="yes")",
      R"(_wfopen name="C:\menu\c.bmp")", "WaitForSingleObject ms=200 result=timeout",
      "WaitForSingleObject ms=200 result=ended", R"(CreateProcessW cmdline="C:\menu\after.exe")"}},
    {"ACloseSentDuringTheWaitLetsTheCommandsFinish",
     "RUN a.exe wait|RUN after.exe",
     [] {
         sim::setWaitHook([](int32_t wait) {
             if (wait == 1) sim::sendFromOtherProcess(wm::close);
         });
     },
     {"WaitForSingleObject ms=200 result=timeout", "DefWindowProcW msg=16", "PostQuitMessage",
      "WaitForSingleObject ms=200 result=ended", R"(CreateProcessW cmdline="C:\menu\after.exe")",
      "GetMessageW result=0 msg=18", "UnregisterClassW"}},
    {"AWindowThatCannotBeCreatedEndsTheProgramAtOnce",
     "RUN a.exe",
     [] { sim::failNextCreateWindow(); },
     {"CreateWindowExW", "UnregisterClassW", "!GetMessageW", "!_wfopen name=\"C:\\menu\\a.bmp\""},
     1},
    {"ATakenClassEndsTheProgramAtOnce",
     "RUN a.exe",
     [] {
         WindowClass taken;
         taken.className = "AutoRun_Kestu";
         platform::registerClass(taken);
         sim::clearTrace();
     },
     {"RegisterClassExW class=\"AutoRun_Kestu\" style=0x8 procedure=yes icon=none cursor=32512 "
      "brush=sys12 result=0",
      "!CreateWindowExW", "!GetMessageW"},
     1},
    {"WithoutACurrentDirectoryTheMenuReadsWhereItRuns",
     "RUN b.exe",
     [] { sim::setCurrentDirectory(""); },
     {"GetCurrentDirectoryW size=260 result=0",
      R"(_wfopen name=".\autorun.ini" mode="rb" result=ok)"}},
    {"AFailingGetMessageEndsTheLoop",
     "RUN a.exe",
     [] { sim::failNextGetMessage(); },
     {"GetMessageW result=-1", "UnregisterClassW", "!CreateProcessW"},
     1},
    {"TheFittingStepCorrectsTheSizeByWhatTheRealFrameTakes",
     "RUN a.exe",
     [] { sim::setWindowFrame(16, 2, 3); },
     {"CreateWindowExW class=\"AutoRun_Kestu\" title=none style=0xa0000 x=478 y=350 w=68 h=67",
      "GetClientRect result=0,0,64,45", "GetWindowRect result=478,350,546,417",
      "SetWindowPos cx=64 cy=62"}},
};

void PrintTo(const Scenario& s, std::ostream* out) {
    *out << s.name;
}

class ProgramOnAMisbehavingMachine : public ::testing::TestWithParam<Scenario> {
  protected:
    void SetUp() override {
        sim::reset();
        folder = fs::temp_directory_path() / ("autorun-platform-" + std::to_string(getpid()));
        fs::create_directories(folder);
        fs::copy(AUTORUN_TEST_PICTURES, folder, fs::copy_options::recursive);
        sim::mapFolder(folder.string());
    }
    void TearDown() override {
        sim::reset();
        fs::remove_all(folder);
    }
    fs::path folder;
};

TEST_P(ProgramOnAMisbehavingMachine, TraceShowsWhatTheMenuAsksOfWindows) {
    const Scenario& s = GetParam();
    std::ofstream(folder / "autorun.ini", std::ios::binary) << menu + s.action + button2;
    s.machine();
    int clicks = 1;
    sim::setIdleHandler([&] {
        if (clicks-- == 0) return false;
        sim::click(10, 10);
        return true;
    });
    {
        Application app;
        EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), s.exitCode);
    }
    EXPECT_EQ(sim::openProcessHandles(), 0);
    EXPECT_EQ(sim::liveDrawingObjects(), 0);
    const std::vector<std::string>& trace = sim::trace();
    size_t at = 0;
    for (const std::string& line : s.expected) {
        auto begins = [&](const std::string& traced, const std::string& prefix) {
            return traced.rfind(prefix, 0) == 0;
        };
        if (line[0] == '!') {
            for (const std::string& traced : trace)
                EXPECT_FALSE(begins(traced, line.substr(1))) << "unexpected: " << traced;
            continue;
        }
        while (at < trace.size() && !begins(trace[at], line)) ++at;
        if (at == trace.size()) {
            std::string all;
            for (const std::string& traced : trace) all += traced + "\n";
            FAIL() << "not in the trace (in this order): " << line << "\ntrace:\n" << all;
        }
        ++at;
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ProgramOnAMisbehavingMachine, ::testing::ValuesIn(scenarios),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace autorun
