// The whole program when memory runs out: the program's nothrow allocations are replaced by
// ones that can be told to fail, and at every point where one fails the menu must go on
// without crashing, leaking handles or drawing objects, and show what it still has.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>

#include "config/application.h"
#include "platform/sim/sim.h"

namespace {

// Only the nothrow forms are replaced: the program allocates through them alone, while the test
// framework and the standard containers use the throwing forms and keep working.
size_t seen = 0;
size_t refuseFrom = SIZE_MAX;
size_t refuseTo = SIZE_MAX;
constexpr size_t recorded = 4096;
size_t sizes[recorded];

void* grant(size_t size, bool array) noexcept {
    size_t number = seen++;
    if (number < recorded) sizes[number] = size;
    if (number >= refuseFrom && number < refuseTo) return nullptr;
    try {
        return array ? ::operator new[](size) : ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return grant(size, false);
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return grant(size, true);
}

namespace autorun {
namespace {

namespace fs = std::filesystem;

class OutOfMemory : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("autorun-memory-" + std::to_string(getpid()));
        fs::create_directories(folder);
        fs::copy(AUTORUN_TEST_PICTURES, folder, fs::copy_options::recursive);
        std::ofstream(folder / "autorun.ini", std::ios::binary) << ini;
    }
    void TearDown() override {
        refuseFrom = refuseTo = SIZE_MAX;
        sim::reset();
        fs::remove_all(folder);
    }

    // Runs the program from a fresh machine: a hover, a click whose REINIT rebuilds the menu.
    // Returns the number of nothrow allocations it made.
    size_t run(size_t from, size_t to) {
        sim::reset();
        sim::mapFolder(folder.string());
        sim::setRegistryString("Software\\Tools", "Flag", "on");
        int events = 0;
        sim::setIdleHandler([&] {
            if (events == 0) sim::move(10, 10);
            if (events == 1) sim::click(10, 10);
            return events++ < 2;
        });
        seen = 0;
        refuseFrom = from;
        refuseTo = to;
        {
            Application app;
            EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);
        }
        refuseFrom = refuseTo = SIZE_MAX;
        EXPECT_EQ(sim::openProcessHandles(), 0);
        EXPECT_EQ(sim::liveDrawingObjects(), 0);
        return seen;
    }

    // The trace lines that begin with prefix.
    static size_t count(const std::string& prefix) {
        size_t n = 0;
        for (const std::string& line : sim::trace()) n += line.rfind(prefix, 0) == 0;
        return n;
    }

    fs::path folder;
    const std::string ini =
        "[Main]\r\nAppName=Menu\r\nShowCaption=1\r\nBackGround=back.bmp\r\nButtons=2\r\n"
        "[Registry]\r\nflag=Tools\\Flag\r\nLang = Language\r\n[Button1]\r\nLeft=5\r\nTop=5\r\n"
        "NABitmap=a.bmp\r\nABitmap=b.bmp\r\nAction=RUN a.exe wait|REINIT\r\n"
        "Activate=ENABLE BUTTON2 flag\r\n[Button2]\r\nLeft=30\r\nTop=5\r\nNABitmap=c.bmp\r\n";
};

TEST_F(OutOfMemory, TheMenuSurvivesEveryAllocationFailingAndAllLaterOnesToo) {
    size_t total = run(SIZE_MAX, SIZE_MAX);
    ASSERT_GT(total, 20u);
    for (size_t n = 0; n < total; ++n) {
        SCOPED_TRACE("allocations refused from number " + std::to_string(n));
        run(n, n + 1);
        run(n, SIZE_MAX);
        EXPECT_EQ(count("UnregisterClassW"), 1u);
        // A button whose place could not be read is hidden, never drawn in the corner.
        EXPECT_EQ(count("BitBlt x=0 y=0 w=20 ") + count("BitBlt x=0 y=0 w=12 "), 0u);
    }
}

TEST_F(OutOfMemory, NoMemoryForTheFileLeavesAnEmptyMenu) {
    size_t total = run(SIZE_MAX, SIZE_MAX);
    size_t buffer = 0;
    while (buffer < total && sizes[buffer] != ini.size() + 1) ++buffer;
    ASSERT_LT(buffer, total) << "no allocation of the file's size plus one";
    run(buffer, buffer + 1);
    EXPECT_EQ(count("_wfopen name=\"C:\\menu\\autorun.ini\""), 1u);
    EXPECT_EQ(count("CreateWindowExW class=\"AutoRun_Kestu\" title=none style=0x80000000"), 1u);
    EXPECT_EQ(count("BitBlt"), 0u);
    EXPECT_EQ(count("CreateProcessW"), 0u);
}

TEST_F(OutOfMemory, NoMemoryForTheButtonsLeavesTheBackgroundAlone) {
    size_t total = run(SIZE_MAX, SIZE_MAX);
    size_t full = count("BitBlt");
    // Find the allocation whose failure loses every button but keeps the background: the click
    // then runs nothing.
    bool found = false;
    for (size_t n = 0; n < total && !found; ++n) {
        run(n, n + 1);
        found = count("BitBlt x=0 y=0 w=60 h=40") > 0 && count("BitBlt x=5 y=5") == 0 &&
                count("BitBlt x=30 y=5") == 0 && count("CreateProcessW") == 0;
    }
    EXPECT_TRUE(found);
    EXPECT_GT(full, 3u);
}

}  // namespace
}  // namespace autorun
