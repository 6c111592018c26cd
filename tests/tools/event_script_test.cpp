// The event language of play: what each line means, and the reasons bad lines are refused.
#include "tools/autorun_sim/event_script.h"

#include <gtest/gtest.h>

#include <ostream>

namespace autorun::tool {
namespace {

struct GoodLine {
    const char* line;
    EventKind kind;
    int32_t x, y;
    uint32_t message;
    const char* key;
    const char* name;
    const char* value;
    const char* path;
};

void PrintTo(const GoodLine& c, std::ostream* out) {
    *out << c.line;
}

class GoodLines : public ::testing::TestWithParam<GoodLine> {};

TEST_P(GoodLines, ParseToTheirEvent) {
    const GoodLine& c = GetParam();
    Event event;
    std::string error;
    ASSERT_TRUE(parseEvent(c.line, event, error)) << error;
    EXPECT_EQ(event.kind, c.kind);
    EXPECT_EQ(event.x, c.x);
    EXPECT_EQ(event.y, c.y);
    EXPECT_EQ(event.message, c.message);
    EXPECT_EQ(event.key, c.key);
    EXPECT_EQ(event.name, c.name);
    EXPECT_EQ(event.value, c.value);
    EXPECT_EQ(event.path, c.path);
}

const EventKind nothing = EventKind::nothing;

INSTANTIATE_TEST_SUITE_P(
    Events, GoodLines,
    ::testing::Values(
        GoodLine{"", nothing, 0, 0, 0, "", "", "", ""},
        GoodLine{"   \t", nothing, 0, 0, 0, "", "", "", ""},
        GoodLine{"# move 1 2", nothing, 0, 0, 0, "", "", "", ""},
        GoodLine{"  # indented comment", nothing, 0, 0, 0, "", "", "", ""},
        GoodLine{"move 10 20", EventKind::move, 10, 20, 0, "", "", "", ""},
        GoodLine{"move\t-1  -32768\r", EventKind::move, -1, -32768, 0, "", "", "", ""},
        GoodLine{"down 32767 0", EventKind::down, 32767, 0, 0, "", "", "", ""},
        GoodLine{"dblclick 5 6", EventKind::doubleClick, 5, 6, 0, "", "", "", ""},
        GoodLine{"message 1025", EventKind::message, 0, 0, 1025, "", "", "", ""},
        GoodLine{"message 0x401", EventKind::message, 0, 0, 1025, "", "", "", ""},
        GoodLine{"message 4294967295", EventKind::message, 0, 0, 4294967295u, "", "", "", ""},
        GoodLine{"erase", EventKind::erase, 0, 0, 0, "", "", "", ""},
        GoodLine{"registry set Software\\Vendor\\App Path C:\\App", EventKind::registrySet, 0, 0, 0,
                 "Software\\Vendor\\App", "Path", "C:\\App", ""},
        GoodLine{"registry set \"Software\\My Vendor\" \"\" \"C:\\Program Files\\App\"",
                 EventKind::registrySet, 0, 0, 0, "Software\\My Vendor", "",
                 "C:\\Program Files\\App", ""},
        GoodLine{"registry set HKEY_CURRENT_USER\\Software\\V n \"\"", EventKind::registrySet, 0, 0,
                 0, "Software\\V", "n", "", ""},
        GoodLine{"registry delete hkcu\\Software\\V Path", EventKind::registryDelete, 0, 0, 0,
                 "Software\\V", "Path", "", ""},
        GoodLine{"shot out/menu.png", EventKind::shot, 0, 0, 0, "", "", "", "out/menu.png"},
        GoodLine{"shot \"my shot.png\"", EventKind::shot, 0, 0, 0, "", "", "", "my shot.png"}));

struct BadLine {
    const char* line;
    const char* reason;  // a part of the message
};

void PrintTo(const BadLine& c, std::ostream* out) {
    *out << c.line;
}

class BadLines : public ::testing::TestWithParam<BadLine> {};

TEST_P(BadLines, AreRefusedWithAReason) {
    Event event;
    std::string error;
    EXPECT_FALSE(parseEvent(GetParam().line, event, error));
    EXPECT_NE(error.find(GetParam().reason), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Events, BadLines,
    ::testing::Values(
        BadLine{"click 1 2", "unknown event \"click\""},
        BadLine{"Move 1 2", "unknown event \"Move\""}, BadLine{"move 1", "move wants X Y"},
        BadLine{"move 1 2 3", "move wants X Y"}, BadLine{"down a 2", "down wants X Y"},
        BadLine{"dblclick 1 32768", "dblclick wants X Y"}, BadLine{"move 1.5 2", "move wants X Y"},
        BadLine{"move 0x10 2", "move wants"},
        BadLine{"message", "message wants one message number"},
        BadLine{"message -1", "message wants"}, BadLine{"message 4294967296", "message wants"},
        BadLine{"message 12abc", "message wants"}, BadLine{"erase now", "erase takes no arguments"},
        BadLine{"registry", "registry wants"}, BadLine{"registry get K N", "registry wants"},
        BadLine{"registry set K N", "registry wants"},
        BadLine{"registry delete K", "registry wants"},
        BadLine{"registry delete \"\" N", "registry wants"},
        BadLine{"shot", "shot wants one file name"}, BadLine{"shot a.png b.png", "shot wants"},
        BadLine{"shot \"\"", "shot wants"}, BadLine{"shot \"a.png", "not closed"},
        BadLine{"shot \"a\"b.png", "followed by a blank"},
        BadLine{"shot a\"b\".png", "may only start a word"}));

}  // namespace
}  // namespace autorun::tool
