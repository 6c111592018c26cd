// Start-up, lookups, aliases and pictures when memory runs out: the program's nothrow
// allocations are replaced by ones that can be told to fail, and nothing may crash.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <new>
#include <string>

#include "images/image_set.h"
#include "platform/sim/sim.h"
#include "tests/support/bmp_writer.h"
#include "tests/support/sim_fixture.h"

namespace {

// Only the nothrow forms are replaced: the program allocates through them alone, while the test
// framework and the standard containers use the throwing forms and keep working.
bool limited = false;
size_t allowed = 0;
size_t seen = 0;
constexpr size_t recordedSizes = 1 << 16;
size_t sizes[recordedSizes];

bool grant(size_t size) {
    if (seen < recordedSizes) sizes[seen] = size;
    ++seen;
    if (!limited) return true;
    if (allowed == 0) return false;
    --allowed;
    return true;
}

}  // namespace

void* operator new(size_t size, const std::nothrow_t&) noexcept {
    if (!grant(size)) return nullptr;
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    if (!grant(size)) return nullptr;
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}

namespace autorun::testing {
namespace {

// From now on the next n nothrow allocations succeed and every later one fails.
void failAfter(size_t n) {
    limited = true;
    allowed = n;
}

void stopFailing() {
    limited = false;
}

void startCounting() {
    seen = 0;
}

std::string textOf(const String& s) {
    return s.text() == nullptr ? std::string() : std::string(s.text(), s.length());
}

class OutOfMemory : public SimTest {
  protected:
    void TearDown() override {
        stopFailing();
        SimTest::TearDown();
    }
};

TEST_F(OutOfMemory, TheReplacedAllocatorSeesTheProgramsAllocations) {
    startCounting();
    String s("text");
    EXPECT_EQ(seen, 1u);
    EXPECT_EQ(sizes[0], 5u);
    failAfter(0);
    char* refused = new (std::nothrow) char[8];
    EXPECT_EQ(refused, nullptr);
    delete[] refused;
}

TEST_F(OutOfMemory, NoBufferForAutorunIniLeavesNoConfiguration) {
    std::string content = "[Main]\r\nAppName=Menu\r\n" + std::string(5000, ';');
    writeIni(content);
    startCounting();
    start();
    ASSERT_NE(app->configText, nullptr);
    size_t total = seen;
    size_t buffer = total;
    for (size_t i = 0; i < total && i < recordedSizes; ++i) {
        if (sizes[i] == content.size() + 1) buffer = i;
    }
    ASSERT_LT(buffer, total) << "no allocation of the file's size plus one was made";

    app.reset();
    sim::clearTrace();
    failAfter(buffer);
    start();
    stopFailing();
    EXPECT_EQ(app->configText, nullptr);
    EXPECT_EQ(textOf(app->baseDirectory), "C:\\menu\\");
    // The file was opened and closed again although nothing was kept.
    EXPECT_EQ(traced("fopen ").size(), 1u);
    EXPECT_EQ(traced("fclose").size(), 1u);
    app->lookup("Main", "AppName");
    EXPECT_EQ(app->currentValue.text(), nullptr);
}

TEST_F(OutOfMemory, FailedAssignmentLeavesAnEmptyStringAndIsCounted) {
    String s("old text");
    String source("new text");
    uint32_t before = String::allocationFailures();

    failAfter(0);
    s.assign("new text");
    stopFailing();
    EXPECT_EQ(s.length(), 0);
    EXPECT_EQ(s.text(), nullptr);
    EXPECT_EQ(String::allocationFailures(), before + 1);

    s = "again";
    failAfter(0);
    s.assign(source);
    stopFailing();
    EXPECT_EQ(s.length(), 0);
    EXPECT_EQ(s.text(), nullptr);
    EXPECT_EQ(String::allocationFailures(), before + 2);

    failAfter(0);
    String copy(source);
    stopFailing();
    EXPECT_EQ(copy.text(), nullptr);
    EXPECT_EQ(String::allocationFailures(), before + 3);

    // Assigning nothing needs no storage and is no failure.
    failAfter(0);
    s.assign("");
    stopFailing();
    EXPECT_EQ(String::allocationFailures(), before + 3);
}

TEST_F(OutOfMemory, ConcatWithoutMemoryGivesTheEmptyString) {
    String a("left");
    failAfter(0);
    const String& joined = concat(a, "right");
    const String& both = concat(a, a);
    stopFailing();
    EXPECT_EQ(joined.text(), nullptr);
    EXPECT_EQ(both.text(), nullptr);
}

// Every point at which memory can run out during start-up, a lookup and an alias rebuild.
TEST_F(OutOfMemory, StartUpSurvivesRunningOutAnywhere) {
    std::string content = "[Main]\r\nAppName=Menu\r\n[Registry]\r\nLang = Language\r\nTools\r\n";
    writeIni(content);
    sim::setRegistryString("Software", "Language", "en");
    startCounting();
    start();
    app->lookup("Main", "AppName");
    app->reloadAliases();
    size_t total = seen;
    ASSERT_GT(total, 0u);
    for (size_t n = 0; n <= total; ++n) {
        app.reset();
        failAfter(n);
        start();
        app->lookup("Main", "AppName");
        std::string value = textOf(app->currentValue);
        app->reloadAliases();
        stopFailing();
        if (app->configText != nullptr) {
            EXPECT_EQ(std::string(app->configText), content) << n;
        }
        EXPECT_TRUE(value.empty() || value == "Menu") << n << ": " << value;
        EXPECT_LE(app->aliases.count, app->aliases.capacity) << n;
        std::string base = textOf(app->baseDirectory);
        EXPECT_TRUE(base.empty() || base.back() == '\\') << n << ": " << base;
    }
}

// Every point at which memory can run out while pictures are loaded, realized and drawn.
TEST_F(OutOfMemory, PicturesSurviveRunningOutAnywhere) {
    writeFile("a.bmp", solidBmp(3, 2, 0x112233));
    writeFile("b.bmp", solidBmp(2, 2, 0x445566));
    String names[2] = {String("a.bmp"), String("b.bmp")};
    DeviceContext surface = sim::createSurface(4, 4, 0);
    for (size_t n = 0;; ++n) {
        ImageSet set;
        startCounting();
        failAfter(n);
        set.load(2, names);
        stopFailing();
        size_t used = seen;
        for (uint32_t i = 0; i < set.count; ++i) set.records[i].realize(surface);
        set.draw(surface, 0, 0, 1);
        if (set.count > 0) {
            ASSERT_EQ(set.count, 2u);
            for (uint32_t i = 0; i < set.count; ++i) {
                const ImageRecord& r = set.records[i];
                EXPECT_EQ(r.header.biWidth == 0, r.pixels == nullptr) << n << " picture " << i;
            }
        }
        if (used <= n) break;
    }
}

}  // namespace
}  // namespace autorun::testing
