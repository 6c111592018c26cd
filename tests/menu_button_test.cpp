// One image button: its state on hover, press and leave, when it redraws, and what it draws.
#include "buttons/menu_button.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/bmp_writer.h"
#include "tests/support/sim_fixture.h"

namespace autorun::testing {
namespace {

constexpr uint32_t black = 0x000000;
constexpr uint32_t red = 0xFF0000;
constexpr uint32_t green = 0x00FF00;
constexpr uint32_t blue = 0x0000FF;
constexpr uint32_t grey = 0x808080;
constexpr int32_t left = 5;
constexpr int32_t top = 6;

class MenuButtonTest : public SimTest {
  protected:
    void SetUp() override {
        SimTest::SetUp();
        surface = sim::createSurface(60, 40, black);
    }

    void TearDown() override {
        button.reset();
        SimTest::TearDown();
    }

    // Writes the pictures that have a size (width 0: no file) and sets the button up with them.
    void build(std::vector<std::pair<int32_t, int32_t>> sizes) {
        const uint32_t colours[4] = {red, green, blue, grey};
        const char* files[4] = {"n.bmp", "a.bmp", "p.bmp", "d.bmp"};
        String names[4];
        for (int i = 0; i < 4; ++i) {
            if (sizes[i].first > 0)
                writeFile(files[i], solidBmp(sizes[i].first, sizes[i].second, colours[i]));
            names[i].assign(files[i]);
        }
        button = std::make_unique<MenuButton>();
        button->setup(4, names, Rect{left, top, 999, 999}, surface);
        sim::clearTrace();
    }

    void buildAll() { build({{10, 8}, {10, 8}, {10, 8}, {10, 8}}); }

    // BitBlt calls since the last look, which is forgotten.
    int32_t redraws() {
        int32_t n = static_cast<int32_t>(traced("BitBlt").size());
        sim::clearTrace();
        return n;
    }

    uint32_t at(int32_t x, int32_t y) const { return sim::surfaceImage(surface).at(x, y); }

    DeviceContext surface = nullptr;
    std::unique_ptr<MenuButton> button;
};

enum class Call { enterHover, press, leave, drawState };

struct JourneyStep {
    const char* event;
    Call call;
    int32_t state;
    bool hover;
    int32_t redraws;
    uint32_t shown;
};

TEST_F(MenuButtonTest, PointerJourneyOverAnEnabledButton) {
    buildAll();
    const JourneyStep journey[] = {
        {"pointer enters", Call::enterHover, 1, true, 1, green},
        {"pointer moves inside", Call::enterHover, 1, true, 0, green},
        {"button goes down", Call::press, 2, true, 1, blue},
        {"pointer moves inside", Call::enterHover, 1, true, 0, blue},
        {"whole window redrawn", Call::drawState, 1, true, 1, green},
        {"pointer leaves", Call::leave, 0, false, 1, red},
        {"pointer moves outside", Call::leave, 0, false, 0, red},
    };
    EXPECT_EQ(at(left, top), black) << "setup draws nothing";
    for (const JourneyStep& step : journey) {
        SCOPED_TRACE(step.event);
        switch (step.call) {
            case Call::enterHover:
                button->enterHover(surface);
                break;
            case Call::press:
                button->press(surface);
                break;
            case Call::leave:
                button->leave(surface);
                break;
            case Call::drawState:
                button->drawState(surface);
                break;
        }
        EXPECT_EQ(button->state, step.state);
        EXPECT_EQ(button->hover, step.hover);
        EXPECT_EQ(redraws(), step.redraws);
        EXPECT_EQ(at(left, top), step.shown);
        EXPECT_EQ(at(left + 9, top + 7), step.shown);
        EXPECT_EQ(at(left + 10, top + 8), black) << "drawn at picture size from the corner";
        EXPECT_EQ(at(left - 1, top - 1), black);
    }
}

TEST_F(MenuButtonTest, SetupTakesTheCornerAndPictureZerosSizeAndRealizesAllFour) {
    build({{10, 8}, {0, 0}, {10, 8}, {10, 8}});
    EXPECT_EQ(button->rect.left, left);
    EXPECT_EQ(button->rect.top, top);
    EXPECT_EQ(button->rect.right, left + 10);
    EXPECT_EQ(button->rect.bottom, top + 8);
    EXPECT_EQ(button->state, stateNormal);
    EXPECT_FALSE(button->hover);
    EXPECT_FALSE(button->hidden);
    EXPECT_TRUE(button->enabled);
}

TEST_F(MenuButtonTest, EveryPictureSlotIsRealizedWhetherOrNotItLoaded) {
    writeFile("n.bmp", solidBmp(10, 8, red));
    String names[4] = {String("n.bmp"), String("a.bmp"), String("p.bmp"), String("d.bmp")};
    button = std::make_unique<MenuButton>();
    button->setup(4, names, Rect{left, top, 0, 0}, surface);
    EXPECT_EQ(traced("CreateCompatibleDC").size(), 4u);
    EXPECT_EQ(traced("BitBlt").size(), 0u);
}

TEST_F(MenuButtonTest, MissingHoverPictureLeavesTheLaterOnesEmptyAndShowsTheNormalOne) {
    build({{10, 8}, {0, 0}, {10, 8}, {10, 8}});
    EXPECT_EQ(button->records[2].header.biWidth, 0) << "loading stopped at the hover picture";
    EXPECT_EQ(button->records[3].header.biWidth, 0);
    button->enterHover(surface);
    EXPECT_EQ(redraws(), 1);
    EXPECT_EQ(at(left, top), red);
    button->press(surface);
    EXPECT_EQ(redraws(), 1);
    EXPECT_EQ(at(left, top), red);
    button->leave(surface);
    EXPECT_EQ(redraws(), 1);
    EXPECT_EQ(at(left, top), red);
    button->enabled = false;
    button->drawState(surface);
    EXPECT_EQ(button->state, stateDisabled);
    EXPECT_EQ(at(left, top), red);
}

TEST_F(MenuButtonTest, MissingPressedPictureShowsTheNormalOneWhenPressedOrDisabled) {
    build({{10, 8}, {10, 8}, {0, 0}, {10, 8}});
    button->enterHover(surface);
    EXPECT_EQ(at(left, top), green);
    button->press(surface);
    EXPECT_EQ(redraws(), 2);
    EXPECT_EQ(at(left, top), red);
    button->enabled = false;
    button->drawState(surface);
    EXPECT_EQ(at(left, top), red);
}

TEST_F(MenuButtonTest, EnteringTwiceRedrawsOnce) {
    buildAll();
    button->enterHover(surface);
    button->enterHover(surface);
    EXPECT_EQ(redraws(), 1);
}

TEST_F(MenuButtonTest, LeavingWithoutEnteringDoesNotRedraw) {
    buildAll();
    button->leave(surface);
    EXPECT_EQ(redraws(), 0);
    EXPECT_EQ(button->state, stateNormal);
    EXPECT_EQ(at(left, top), black);
}

TEST_F(MenuButtonTest, PressWithoutEnteringRedrawsAndSetsHover) {
    buildAll();
    button->press(surface);
    EXPECT_EQ(redraws(), 1);
    EXPECT_EQ(at(left, top), blue);
    EXPECT_TRUE(button->hover);
    button->leave(surface);
    EXPECT_EQ(redraws(), 1);
    EXPECT_EQ(at(left, top), red);
}

TEST_F(MenuButtonTest, ADisabledButtonStaysInStateThreeWheneverItIsDrawn) {
    buildAll();
    button->enabled = false;
    button->drawState(surface);
    EXPECT_EQ(button->state, stateDisabled);
    EXPECT_EQ(at(left, top), grey);
    // The pointer calls set the state first; drawing puts it back to 3.
    button->enterHover(surface);
    EXPECT_EQ(button->state, stateDisabled);
    EXPECT_EQ(at(left, top), grey);
    button->press(surface);
    EXPECT_EQ(button->state, stateDisabled);
    EXPECT_EQ(at(left, top), grey);
    button->leave(surface);
    EXPECT_EQ(button->state, stateDisabled);
    EXPECT_EQ(redraws(), 4);
    // Without a redraw the state is what the last call set.
    button->leave(surface);
    EXPECT_EQ(button->state, stateNormal);
}

TEST_F(MenuButtonTest, LargerPicturesAreDrawnAtFullSizeWhileTheRectangleIsPictureZeros) {
    build({{10, 8}, {20, 16}, {30, 20}, {12, 12}});
    EXPECT_EQ(button->rect.right, left + 10);
    EXPECT_EQ(button->rect.bottom, top + 8);
    button->enterHover(surface);
    EXPECT_EQ(traced("BitBlt"), (std::vector<std::string>{"BitBlt x=5 y=6 w=20 h=16"}));
    EXPECT_EQ(at(left + 19, top + 15), green);
    EXPECT_EQ(at(left + 20, top + 16), black);
    button->press(surface);
    EXPECT_EQ(at(left + 29, top + 19), blue);
    button->enabled = false;
    button->drawState(surface);
    EXPECT_EQ(at(left + 11, top + 11), grey);
    EXPECT_EQ(at(left + 12, top + 11), blue) << "the disabled picture covers only its own size";
}

TEST_F(MenuButtonTest, WithoutPictureZeroNothingIsLoadedOrDrawn) {
    build({{0, 0}, {10, 8}, {10, 8}, {10, 8}});
    EXPECT_EQ(button->rect.left, left);
    EXPECT_EQ(button->rect.right, left);
    EXPECT_EQ(button->rect.top, top);
    EXPECT_EQ(button->rect.bottom, top);
    button->enterHover(surface);
    button->press(surface);
    button->drawState(surface);
    button->leave(surface);
    button->enabled = false;
    button->drawState(surface);
    EXPECT_EQ(redraws(), 0);
}

TEST_F(MenuButtonTest, AHiddenButtonIsNeverDrawn) {
    buildAll();
    button->hidden = true;
    button->press(surface);
    button->drawState(surface);
    button->enabled = false;
    button->drawState(surface);
    EXPECT_EQ(redraws(), 0);
    EXPECT_EQ(at(left, top), black);
}

TEST_F(MenuButtonTest, DestroyingTheButtonReleasesItsPictures) {
    buildAll();
    EXPECT_GT(sim::liveDrawingObjects(), 0);
    button.reset();
    EXPECT_EQ(sim::liveDrawingObjects(), 0);
}

}  // namespace
}  // namespace autorun::testing
