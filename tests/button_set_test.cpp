// The button set: building from autorun.ini, the Activate rules, hit testing, hover and redraw.
#include <gtest/gtest.h>

#include <array>
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
constexpr uint32_t yellow = 0xFFFF00;

// A [Button<n>] section with the four pictures, its place and an Action that names it.
std::string section(int n, int left, int top, const std::string& more = "") {
    std::string s = "[Button" + std::to_string(n) + "]\r\n";
    s += "Left=" + std::to_string(left) + "\r\nTop=" + std::to_string(top) + "\r\n";
    s += "NABitmap=n.bmp\r\nABitmap=a.bmp\r\nPBitmap=p.bmp\r\nDBitmap=d.bmp\r\n";
    s += "Action=RUN b" + std::to_string(n) + ".exe\r\n";
    return s + more;
}

class ButtonSetTest : public MenuTest {
  protected:
    void SetUp() override {
        MenuTest::SetUp();
        writeBmp("back.bmp", 200, 120, navy);
        writeBmp("n.bmp", 100, 40, red);
        writeBmp("a.bmp", 100, 40, green);
        writeBmp("p.bmp", 100, 40, blue);
        writeBmp("d.bmp", 100, 40, grey);
        writeBmp("small.bmp", 10, 10, red);
        writeBmp("yellow.bmp", 100, 40, yellow);
    }

    // Builds the menu from this configuration as the program does at start.
    void build(const std::string& ini) {
        writeIni(ini);
        start();
        openWindow("back.bmp");
        app->reinitialise();
        sim::clearTrace();
    }

    // The processes that clicks started, by command line.
    std::vector<std::string> started() const {
        std::vector<std::string> lines;
        for (const sim::ProcessRecord& p : sim::startedProcesses()) lines.push_back(p.commandLine);
        return lines;
    }

    int32_t redraws() {
        int32_t n = countTraced("BitBlt");
        sim::clearTrace();
        return n;
    }
};

TEST_F(ButtonSetTest, CompleteSectionsGiveEnabledVisibleButtonsAtTheirPlaces) {
    build("[Main]\r\nButtons=3\r\n" + section(1, 0, 0) + section(2, 100, 40) + section(3, 50, 80));
    ASSERT_EQ(app->buttonCount, 3u);
    const int32_t places[3][2] = {{0, 0}, {100, 40}, {50, 80}};
    for (int i = 0; i < 3; ++i) {
        const MenuButton& b = app->buttons[i];
        EXPECT_FALSE(b.hidden);
        EXPECT_TRUE(b.enabled);
        EXPECT_EQ(b.rect.left, places[i][0]);
        EXPECT_EQ(b.rect.top, places[i][1]);
        EXPECT_EQ(b.rect.right, places[i][0] + 100);
        EXPECT_EQ(b.rect.bottom, places[i][1] + 40);
        EXPECT_EQ(pixel(places[i][0], places[i][1]), red);
    }
    EXPECT_EQ(pixel(199, 0), navy);
}

TEST_F(ButtonSetTest, TheCountIsReadLikeAtoi) {
    build("[Main]\r\nButtons=2abc\r\n" + section(1, 0, 0) + section(2, 0, 50) +
          section(3, 100, 50));
    EXPECT_EQ(app->buttonCount, 2u);
    EXPECT_EQ(pixel(100, 50), navy);
}

TEST_F(ButtonSetTest, ButtonsWithoutPlaceAreHiddenAndKeepTheirNumber) {
    build("[Main]\r\nButtons=3\r\n[Button1]\r\nTop=0\r\nNABitmap=n.bmp\r\nAction=RUN b1.exe\r\n" +
          section(3, 100, 80, "Activate=ENABLE BUTTON2 a\r\n"));
    ASSERT_EQ(app->buttonCount, 3u);
    EXPECT_TRUE(app->buttons[0].hidden) << "Left is missing";
    EXPECT_TRUE(app->buttons[1].hidden) << "no section at all";
    EXPECT_FALSE(app->buttons[2].hidden);
    EXPECT_EQ(app->buttons[2].rect.left, 100) << "button 3 still reads [Button3]";
    // A rule may target a hidden button, without any visible effect.
    EXPECT_FALSE(app->buttons[1].enabled);
    EXPECT_EQ(pixel(0, 0), navy);
    app->handleClick(packPoint(0, 0));
    app->handleClick(packPoint(5, 5));
    app->handlePointerMove(packPoint(0, 0));
    app->redrawAll();
    EXPECT_EQ(started(), std::vector<std::string>{});
    EXPECT_EQ(app->buttons[0].state, stateNormal);
    EXPECT_EQ(redraws(), 3) << "background and button 3, composed, then the whole";
}

TEST_F(ButtonSetTest, NumbersWithoutDigitsReadAsZero) {
    build("[Main]\r\nButtons=1\r\n[Button1]\r\nLeft=12px\r\nTop=abc\r\nNABitmap=n.bmp\r\n");
    EXPECT_FALSE(app->buttons[0].hidden);
    EXPECT_EQ(app->buttons[0].rect.left, 12);
    EXPECT_EQ(app->buttons[0].rect.top, 0);
}

TEST_F(ButtonSetTest, ASectionBeyondTheCountIsIgnored) {
    build("[Main]\r\nButtons=3\r\n" + section(1, 0, 0) + section(2, 100, 0) + section(3, 0, 40) +
          section(4, 100, 80));
    EXPECT_EQ(app->buttonCount, 3u);
    EXPECT_EQ(pixel(150, 100), navy);
    app->handleClick(packPoint(150, 100));
    EXPECT_TRUE(started().empty());
}

TEST_F(ButtonSetTest, PicturePathsAreTheBaseDirectoryAndTheValueUnchanged) {
    build(
        "[Main]\r\nButtons=1\r\n[Button1]\r\nLeft=0\r\nTop=0\r\nNABitmap=n.bmp\r\n"
        "ABitmap=C:\\pic.bmp\r\n");
    app->reinitialise();
    std::vector<std::string> opened = traced("fopen");
    // Loading stops at the first picture that does not open.
    EXPECT_EQ(opened, (std::vector<std::string>{
                          R"(fopen name="C:\menu\n.bmp" mode="rb" result=ok size=12054)",
                          R"(fopen name="C:\menu\C:\pic.bmp" mode="rb" result=none)"}));
}

struct CountRow {
    const char* value;  // null: no Buttons key
};

void PrintTo(const CountRow& row, std::ostream* os) {
    *os << "Buttons=" << (row.value ? row.value : "(none)");
}

class CountTable : public ButtonSetTest, public ::testing::WithParamInterface<CountRow> {};

// Issue: a negative count, or one whose array cannot be had, gives no buttons instead of a crash.
TEST_P(CountTable, GivesNoButtons) {
    std::string main = GetParam().value ? std::string("Buttons=") + GetParam().value + "\r\n" : "";
    build("[Main]\r\n" + main + section(1, 0, 0));
    EXPECT_EQ(app->buttonCount, 0u);
    app->handlePointerMove(packPoint(5, 5));
    app->handleClick(packPoint(5, 5));
    EXPECT_TRUE(started().empty());
    app->redrawAll();
    EXPECT_EQ(traced("BitBlt"), (std::vector<std::string>{"BitBlt x=0 y=0 w=200 h=120 to=memory",
                                                          "BitBlt x=0 y=0 w=200 h=120"}));
    EXPECT_EQ(pixel(5, 5), navy);
}

INSTANTIATE_TEST_SUITE_P(Counts, CountTable,
                         ::testing::Values(CountRow{nullptr}, CountRow{""}, CountRow{"0"},
                                           CountRow{"abc"}, CountRow{"-1"}, CountRow{"-2147483647"},
                                           CountRow{"2147483647"}));

// The Activate table: button 1's rules over three buttons; alias a holds a text when aSet, alias
// e never does, alias b always does.
struct RuleRow {
    const char* activate;
    bool aSet;
    std::array<bool, 3> enabled;
};

void PrintTo(const RuleRow& row, std::ostream* os) {
    *os << '\'' << row.activate << '\'' << (row.aSet ? " (a set)" : " (a empty)");
}

class ActivateTable : public ButtonSetTest, public ::testing::WithParamInterface<RuleRow> {};

TEST_P(ActivateTable, SetsTheTargetsEnabledFlag) {
    const RuleRow& row = GetParam();
    if (row.aSet) sim::setRegistryString("Software\\T", "A", "x");
    sim::setRegistryString("Software\\T", "B", "y");
    build(
        "[Main]\r\nButtons=3\r\n[Registry]\r\na=T\\A\r\ne=T\\E\r\nb=T\\B\r\n"
        "[Button1]\r\nLeft=0\r\nTop=0\r\nNABitmap=small.bmp\r\nActivate=" +
        std::string(row.activate) +
        "\r\n[Button2]\r\nLeft=20\r\nTop=0\r\nNABitmap=small.bmp\r\n"
        "[Button3]\r\nLeft=40\r\nTop=0\r\nNABitmap=small.bmp\r\n");
    ASSERT_EQ(app->buttonCount, 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(app->buttons[i].enabled, row.enabled[i]) << "button " << i + 1;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ActivateTable,
    ::testing::Values(
        RuleRow{"ENABLE BUTTON2 a|DISABLE BUTTON3 a", true, {true, true, false}},
        RuleRow{"ENABLE BUTTON2 a|DISABLE BUTTON3 a", false, {true, false, true}},
        RuleRow{"enable button2 a", false, {true, false, true}},
        RuleRow{"Disable Button3 b", false, {true, true, false}},
        RuleRow{"ENABLE BUTTON12 e", false, {false, true, true}},
        RuleRow{"ENABLE BUTTON2 e||DISABLE BUTTON3 b", false, {true, false, true}},
        RuleRow{"ENABLE BUTTON2 e| |DISABLE BUTTON3 b", false, {true, false, true}},
        RuleRow{"TOGGLE BUTTON2 e|ENABLE BUTTON3 e", false, {true, true, true}},
        RuleRow{"ENABLE BUTTON2 e|TOGGLE BUTTON2 b|DISABLE BUTTON3 b", false, {true, false, true}},
        RuleRow{"ENABLED BUTTON2 e|DISABLE BUTTON3 b", false, {true, true, true}},
        RuleRow{"ENABLE KNOB2 e|DISABLE BUTTON3 b", false, {true, true, true}},
        RuleRow{"ENABLE\tBUTTON2 e|DISABLE BUTTON3 b", false, {true, true, true}},
        RuleRow{"DISABLE BUTTON2 nosuchalias", false, {true, true, true}},
        RuleRow{"ENABLE BUTTON2 nosuchalias", false, {true, false, true}},
        RuleRow{"ENABLE BUTTON2 e|ENABLE BUTTON2 b", false, {true, true, true}},
        RuleRow{"ENABLE BUTTON2 b|ENABLE BUTTON2 e", false, {true, false, true}},
        RuleRow{"ENABLE BUTTON2 e extra words", false, {true, false, true}},
        RuleRow{"  DISABLE    BUTTON3    b  |", false, {true, true, false}},
        RuleRow{"ENABLE MYBUTTON3 e", false, {true, true, true}},
        RuleRow{"DISABLE BUTTON1 B", false, {false, true, true}},
        // Issue: an item whose digit names no existing button, or without its alias, is skipped.
        RuleRow{"ENABLE BUTTON0 e|DISABLE BUTTON3 b", false, {true, true, false}},
        RuleRow{"ENABLE BUTTON4 e|DISABLE BUTTON3 b", false, {true, true, false}},
        RuleRow{"ENABLE BUTTON9 e|DISABLE BUTTON3 b", false, {true, true, false}},
        RuleRow{"ENABLE BUTTONX e|DISABLE BUTTON3 b", false, {true, true, false}},
        RuleRow{"ENABLE BUTTON e|DISABLE BUTTON3 b", false, {true, true, false}},
        RuleRow{"ENABLE XBUTTON2 e|DISABLE BUTTON3 b", false, {true, true, false}},
        RuleRow{"ENABLE BUTTON2|DISABLE BUTTON3 b", false, {true, true, false}},
        RuleRow{"ENABLE|DISABLE BUTTON3 b", false, {true, true, false}},
        RuleRow{"DISABLE BUTTON2|ENABLE BUTTON3 e", false, {true, true, false}}));

struct OrderRow {
    const char* button1Rules;
    const char* button2Rules;
    bool button2Enabled;
};

void PrintTo(const OrderRow& row, std::ostream* os) {
    *os << '\'' << row.button1Rules << "' / '" << row.button2Rules << '\'';
}

class RuleOrderTable : public ButtonSetTest, public ::testing::WithParamInterface<OrderRow> {};

TEST_P(RuleOrderTable, LaterButtonsRulesDecide) {
    sim::setRegistryString("Software\\T", "A", "x");
    sim::setRegistryString("Software\\T", "B", "y");
    build("[Main]\r\nButtons=2\r\n[Registry]\r\na=T\\A\r\nb=T\\B\r\n" +
          section(1, 0, 0, std::string("Activate=") + GetParam().button1Rules + "\r\n") +
          section(2, 0, 50, std::string("Activate=") + GetParam().button2Rules + "\r\n"));
    EXPECT_EQ(app->buttons[1].enabled, GetParam().button2Enabled);
}

INSTANTIATE_TEST_SUITE_P(ButtonByButton, RuleOrderTable,
                         ::testing::Values(OrderRow{"DISABLE BUTTON2 a", "ENABLE BUTTON2 b", true},
                                           OrderRow{"ENABLE BUTTON2 b", "DISABLE BUTTON2 a",
                                                    false}));

TEST_F(ButtonSetTest, TheRedrawAfterTheRulesShowsTheDisabledPicture) {
    build("[Main]\r\nButtons=2\r\n" + section(1, 0, 0, "Activate=ENABLE BUTTON2 none\r\n") +
          section(2, 100, 40));
    EXPECT_EQ(app->buttons[1].state, stateDisabled);
    EXPECT_EQ(pixel(100, 40), grey);
    EXPECT_EQ(pixel(0, 0), red);
}

struct HitRow {
    int32_t x;
    int32_t y;
    bool hits;
};

void PrintTo(const HitRow& row, std::ostream* os) {
    *os << "(" << row.x << ", " << row.y << ")";
}

class HitTable : public ButtonSetTest, public ::testing::WithParamInterface<HitRow> {};

TEST_P(HitTable, EdgesAreIncluded) {
    build("[Main]\r\nButtons=1\r\n" + section(1, 10, 20));
    app->handleClick(packPoint(GetParam().x, GetParam().y));
    EXPECT_EQ(started().size(), GetParam().hits ? 1u : 0u);
    EXPECT_EQ(pixel(10, 20), GetParam().hits ? blue : red);
}

INSTANTIATE_TEST_SUITE_P(Points, HitTable,
                         ::testing::Values(HitRow{110, 60, true}, HitRow{10, 20, true},
                                           HitRow{60, 40, true}, HitRow{111, 60, false},
                                           HitRow{9, 20, false}, HitRow{110, 61, false},
                                           HitRow{10, 19, false}, HitRow{-1, 20, false}));

TEST_F(ButtonSetTest, InAnOverlapTheLowerNumberIsClickedAndTheHigherDrawnOnTop) {
    build("[Main]\r\nButtons=2\r\n" + section(1, 10, 20) +
          "[Button2]\r\nLeft=50\r\nTop=30\r\nNABitmap=yellow.bmp\r\nAction=RUN b2.exe\r\n");
    EXPECT_EQ(pixel(60, 40), yellow);
    app->handleClick(packPoint(60, 40));
    EXPECT_EQ(started(), std::vector<std::string>{R"(C:\menu\b1.exe)"});
    EXPECT_EQ(app->buttons[0].state, statePressed);
    EXPECT_EQ(app->buttons[1].state, stateNormal);
    EXPECT_EQ(pixel(60, 40), blue);
    app->redrawAll();
    EXPECT_EQ(pixel(60, 40), yellow);
    EXPECT_EQ(pixel(20, 25), blue);
    app->handlePointerMove(packPoint(60, 40));
    EXPECT_TRUE(app->buttons[0].hover);
    EXPECT_TRUE(app->buttons[1].hover);
}

TEST_F(ButtonSetTest, ADisabledButtonUnderThePointerIsPassedOver) {
    build("[Main]\r\nButtons=2\r\n" + section(1, 10, 20, "Activate=ENABLE BUTTON1 none\r\n") +
          "[Button2]\r\nLeft=50\r\nTop=30\r\nNABitmap=yellow.bmp\r\nABitmap=a.bmp\r\n"
          "Action=RUN b2.exe\r\n");
    app->handlePointerMove(packPoint(20, 25));
    EXPECT_EQ(redraws(), 0);
    app->handlePointerMove(packPoint(60, 40));
    EXPECT_EQ(traced("BitBlt"), std::vector<std::string>{"BitBlt x=50 y=30 w=100 h=40"});
    EXPECT_EQ(app->buttons[0].state, stateDisabled);
    EXPECT_FALSE(app->buttons[0].hover);
    app->handleClick(packPoint(60, 40));
    EXPECT_EQ(started(), std::vector<std::string>{R"(C:\menu\b2.exe)"});
    app->handleClick(packPoint(20, 25));
    EXPECT_EQ(started().size(), 1u);
    EXPECT_EQ(pixel(20, 25), grey);
}

TEST_F(ButtonSetTest, PositionsAreTwoSignedSixteenBitNumbers) {
    build(
        "[Main]\r\nButtons=2\r\n[Button1]\r\nLeft=0\r\nTop=0\r\nNABitmap=small.bmp\r\n"
        "Action=RUN b1.exe\r\n[Button2]\r\nLeft=-20\r\nTop=-20\r\nNABitmap=small.bmp\r\n"
        "Action=RUN b2.exe\r\n");
    app->handleClick(0x0000FFFF);  // x = -1, y = 0: left of button 1
    app->handleClick(0xFFFF0000);  // x = 0, y = -1: above button 1
    EXPECT_TRUE(started().empty());
    app->handleClick(packPoint(-15, -12));
    // The system hands a 32-bit program its position sign-extended.
    app->handleClick(static_cast<intptr_t>(static_cast<int32_t>(packPoint(-10, -10))));
    EXPECT_EQ(started(), (std::vector<std::string>{R"(C:\menu\b2.exe)", R"(C:\menu\b2.exe)"}));
    app->handleClick(packPoint(10, 10));
    EXPECT_EQ(started().back(), R"(C:\menu\b1.exe)");
    app->handlePointerMove(packPoint(-11, -11));
    EXPECT_TRUE(app->buttons[1].hover);
    EXPECT_FALSE(app->buttons[0].hover);
}

TEST_F(ButtonSetTest, PointerMovesHoverWhatIsUnderThePointerAndLeaveTheRest) {
    build("[Main]\r\nButtons=2\r\n" + section(1, 0, 0) + section(2, 100, 80));
    app->handlePointerMove(packPoint(50, 20));
    EXPECT_EQ(pixel(0, 0), green);
    EXPECT_EQ(pixel(100, 80), red);
    EXPECT_EQ(redraws(), 1);
    app->handlePointerMove(packPoint(150, 100));
    EXPECT_EQ(redraws(), 2);
    EXPECT_EQ(pixel(0, 0), red);
    EXPECT_EQ(pixel(100, 80), green);
}

TEST_F(ButtonSetTest, NoButtonIsInHoverAfterARebuild) {
    build("[Main]\r\nButtons=1\r\n" + section(1, 0, 0));
    app->handlePointerMove(packPoint(5, 5));
    EXPECT_EQ(pixel(5, 5), green);
    app->reinitialise();
    EXPECT_FALSE(app->buttons[0].hover);
    EXPECT_EQ(app->buttons[0].state, stateNormal);
    EXPECT_EQ(pixel(5, 5), red);
    sim::clearTrace();
    app->handlePointerMove(packPoint(150, 100));
    EXPECT_EQ(redraws(), 0);
    app->handlePointerMove(packPoint(5, 5));
    EXPECT_EQ(redraws(), 1);
}

TEST_F(ButtonSetTest, RedrawDrawsTheBackgroundThenEveryButtonInOrder) {
    build("[Main]\r\nButtons=3\r\n" + section(1, 0, 0) + "[Button2]\r\nTop=1\r\n" +
          section(3, 100, 80));
    app->redrawAll();
    EXPECT_EQ(traced("BitBlt"),
              (std::vector<std::string>{
                  "BitBlt x=0 y=0 w=200 h=120 to=memory", "BitBlt x=0 y=0 w=100 h=40 to=memory",
                  "BitBlt x=100 y=80 w=100 h=40 to=memory", "BitBlt x=0 y=0 w=200 h=120"}));
}

TEST_F(ButtonSetTest, ARebuildReleasesTheOldPictures) {
    build("[Main]\r\nButtons=3\r\n" + section(1, 0, 0) + section(2, 100, 0) + section(3, 0, 40));
    int32_t live = sim::liveDrawingObjects();
    app->reinitialise();
    app->reinitialise();
    EXPECT_EQ(sim::liveDrawingObjects(), live);
}

}  // namespace
}  // namespace autorun::testing
