// The demo menu as it is shipped: check finds nothing in it, and a click on every button asks
// Windows for the programs, documents and directories that the demo's reference promises.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/tools/tool_runner.h"

namespace autorun::testing {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class DemoTest : public ToolTest {
  protected:
    void SetUp() override {
        ToolTest::SetUp();
        // The folder as scripts/demo assembles it: the file, the readme, the pictures drawn at
        // build time and the installer (whose contents do not matter here).
        for (const char* name : {"autorun.ini", "readme.txt"})
            fs::copy_file(fs::path(AUTORUN_DEMO_DIR) / name, fs::path(folder) / name,
                          fs::copy_options::overwrite_existing);
        fs::copy(AUTORUN_DEMO_PICTURES_DIR, folder,
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        writeFile("setup.exe", "MZ");
    }
};

Lines calls(const Lines& trace) {
    Lines out;
    for (const std::string& line : trace) {
        for (const char* name : {"CreateProcessA ", "WaitForSingleObject ", "ShellExecuteA ",
                                 "ShellExecuteExA ", "PostMessageA "}) {
            if (line.rfind(name, 0) == 0) out.push_back(line);
        }
    }
    return out;
}

TEST_F(DemoTest, CheckFindsNothing) {
    ToolRun r = run({"check"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "");
}

TEST_F(DemoTest, EveryButtonRunsWhatTheReferenceSays) {
    writeFile("tour.play",
              "# Install, then Read me, then the still disabled Start demo\n"
              "down 150 130\n"
              "down 150 184\n"
              "down 150 238\n"
              "# what the demo installer writes, then the rebuild its REINIT asks for\n"
              "registry set Software\\AutorunMenuDemo InstallDir "
              "\"C:\\Program Files\\Autorun Menu Demo\\\"\n"
              "message 1025\n"
              "# Start demo is enabled now, Install disabled; then Close\n"
              "down 150 238\n"
              "down 150 130\n"
              "down 150 292\n"
              "down 150 184\n");
    ToolRun r = run({"play", path("tour.play")}, {"--cwd", "D:\\Menu"});
    ASSERT_EQ(r.status, 0) << r.err;
    Lines expected = {
        "CreateProcessA cmdline=\"D:\\Menu\\setup.exe\" dir=\"D:\\Menu\" flags=0x20 "
        "result=started",
        "WaitForSingleObject ms=200 result=timeout",
        "WaitForSingleObject ms=200 result=timeout",
        "WaitForSingleObject ms=200 result=ended",
        "PostMessageA window=main msg=1025 result=1",
        "ShellExecuteA op=\"open\" file=\"readme.txt\" dir=\"D:\\Menu\\\" show=10",
        "CreateProcessA cmdline=\"\"C:\\Program Files\\Autorun Menu Demo\\setup.exe\" /start\" "
        "dir=\"C:\\Program Files\\Autorun Menu Demo\" flags=0x20 result=started",
        "PostMessageA window=main msg=16 result=1",
    };
    EXPECT_EQ(calls(r.lines()), expected);
    // Close ended the menu: the last click was not played.
    EXPECT_NE(r.err.find("tour.play:12: the menu had already closed"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace autorun::testing
