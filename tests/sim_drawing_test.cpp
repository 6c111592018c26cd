// Pictures drawn on the simulated surface, pixel by pixel, for every format the menu shows.
#include <gtest/gtest.h>

#include <ostream>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "images/image_set.h"
#include "tests/support/bmp_writer.h"
#include "tests/support/sim_fixture.h"

namespace autorun::testing {
namespace {

constexpr uint32_t fill = 0x010203;

class Drawing : public SimTest {
  protected:
    // Loads one picture from file bytes and realizes it for a w x h surface of colour fill.
    DeviceContext prepare(const std::string& file, int32_t w, int32_t h) {
        writeFile("p.bmp", file);
        String name("C:\\menu\\p.bmp");
        set.load(1, &name);
        DeviceContext dc = sim::createSurface(w, h, fill);
        set.records[0].realize(dc);
        return dc;
    }

    ImageSet set;
};

// Every surface pixel: the picture's colour inside the rectangle at (x, y), fill outside.
void expectPicture(const sim::Image& image, int32_t x, int32_t y, int32_t w, int32_t h,
                   const std::function<uint32_t(int32_t, int32_t)>& colour) {
    for (int32_t sy = 0; sy < image.height; ++sy) {
        for (int32_t sx = 0; sx < image.width; ++sx) {
            bool inside = sx >= x && sx < x + w && sy >= y && sy < y + h;
            uint32_t expected = inside ? colour(sx - x, sy - y) : fill;
            EXPECT_EQ(image.at(sx, sy), expected) << sx << "," << sy;
        }
    }
}

uint32_t distinct(int32_t x, int32_t y) {
    return static_cast<uint32_t>(0x200000 * (x + 1) + 0x001100 * (y + 1) + 0x000003 * (x ^ y));
}

TEST_F(Drawing, TwentyFourBitsExactly) {
    BmpLayout layout;
    layout.width = 5;
    layout.height = 3;
    layout.trailingBytes = 2;
    layout.pixel = distinct;
    DeviceContext dc = prepare(bmpFile(layout), 9, 6);
    set.draw(dc, 2, 1, 0);
    expectPicture(sim::surfaceImage(dc), 2, 1, 5, 3, distinct);
}

TEST_F(Drawing, ThirtyTwoBitsExactlyWhateverTheFourthByte) {
    BmpLayout layout;
    layout.width = 3;
    layout.height = 2;
    layout.bitCount = 32;
    layout.trailingBytes = 2;
    layout.pixel = distinct;
    std::string file = bmpFile(layout);
    for (size_t i = 54 + 3; i < 54 + 24; i += 4) file[i] = static_cast<char>(0xFF);
    DeviceContext dc = prepare(file, 4, 3);
    set.draw(dc, 1, 1, 0);
    expectPicture(sim::surfaceImage(dc), 1, 1, 3, 2, distinct);
}

TEST_F(Drawing, SixteenBitsWidenFiveBitsAsTheDeviceDoes) {
    // Colours as stored (five bits each) and as shown: the top bits repeat in the low bits.
    const std::vector<uint32_t> stored = {0xF80000, 0x00F800, 0x0000F8, 0x080808,
                                          0x848484, 0x000000, 0xFFFFFF};
    const std::vector<uint32_t> shown = {0xFF0000, 0x00FF00, 0x0000FF, 0x080808,
                                         0x848484, 0x000000, 0xFFFFFF};
    BmpLayout layout;
    layout.width = 7;
    layout.height = 2;
    layout.bitCount = 16;
    layout.trailingBytes = 2;
    layout.pixel = [&](int32_t x, int32_t y) { return stored[(x + y) % 7]; };
    DeviceContext dc = prepare(bmpFile(layout), 7, 2);
    set.draw(dc, 0, 0, 0);
    expectPicture(sim::surfaceImage(dc), 0, 0, 7, 2,
                  [&](int32_t x, int32_t y) { return shown[(x + y) % 7]; });
}

TEST_F(Drawing, TopDownRowsShowTheRightWayUp) {
    for (uint16_t bits : {uint16_t{24}, uint16_t{32}, uint16_t{16}}) {
        BmpLayout layout;
        layout.width = 2;
        layout.height = -3;
        layout.bitCount = bits;
        layout.trailingBytes = 2;
        layout.pixel = [](int32_t x, int32_t y) {
            return y == 0 ? 0xF80000u : x == 0 ? 0xF8u : 0u;
        };
        DeviceContext dc = prepare(bmpFile(layout), 2, 3);
        set.draw(dc, 0, 0, 0);
        sim::Image image = sim::surfaceImage(dc);
        uint32_t red = bits == 16 ? 0xFF0000u : 0xF80000u;
        uint32_t blue = bits == 16 ? 0x0000FFu : 0x0000F8u;
        EXPECT_EQ(image.pixels, (std::vector<uint32_t>{red, red, blue, 0, blue, 0})) << bits;
    }
}

struct Indexed {
    uint16_t bits;
    int32_t width;
    std::vector<uint32_t> indices;
};

void PrintTo(const Indexed& c, std::ostream* out) {
    *out << c.bits << " bits, " << c.width << " wide";
}

class IndexedPictures : public Drawing, public ::testing::WithParamInterface<Indexed> {};

// The one colour entry supplied is white; every other index shows black, and the file's own
// colour table is never consulted.
TEST_P(IndexedPictures, IndexZeroIsWhiteTheRestBlack) {
    const Indexed& c = GetParam();
    BmpLayout layout;
    layout.width = c.width;
    layout.height = 2;
    layout.bitCount = c.bits;
    layout.paletteEntries = 2;
    layout.trailingBytes = 2;
    layout.pixel = [&](int32_t x, int32_t y) { return y == 0 ? c.indices[x] : 0u; };
    std::string file = bmpFile(layout);
    // A red first entry and a green second one in the file's table.
    file[54 + 2] = static_cast<char>(0xFF);
    file[54 + 5] = static_cast<char>(0xFF);
    DeviceContext dc = prepare(file, c.width, 2);
    set.draw(dc, 0, 0, 0);
    expectPicture(sim::surfaceImage(dc), 0, 0, c.width, 2, [&](int32_t x, int32_t y) {
        return y == 1 || c.indices[x] == 0 ? 0xFFFFFFu : 0u;
    });
}

INSTANTIATE_TEST_SUITE_P(BitCounts, IndexedPictures,
                         ::testing::Values(Indexed{1, 10, {0, 1, 0, 0, 1, 1, 0, 1, 0, 1}},
                                           Indexed{4, 5, {0, 1, 15, 0, 7}},
                                           Indexed{8, 5, {0, 1, 128, 255, 0}}),
                         [](const ::testing::TestParamInfo<Indexed>& info) {
                             return "Bits" + std::to_string(info.param.bits);
                         });

TEST_F(Drawing, WithoutADeviceContextNothingHappens) {
    DeviceContext dc = prepare(solidBmp(2, 2, 0xFFFFFF), 2, 2);
    sim::clearTrace();
    set.draw(nullptr, 0, 0, 0);
    EXPECT_TRUE(sim::trace().empty());
    expectPicture(sim::surfaceImage(dc), 0, 0, 0, 0, distinct);
}

TEST_F(Drawing, TransfersAreClippedToTheDestination) {
    BmpLayout layout;
    layout.width = 3;
    layout.height = 3;
    layout.pixel = distinct;
    DeviceContext dc = prepare(bmpFile(layout), 2, 2);
    set.draw(dc, -1, -1, 0);
    EXPECT_EQ(
        sim::surfaceImage(dc).pixels,
        (std::vector<uint32_t>{distinct(1, 1), distinct(2, 1), distinct(1, 2), distinct(2, 2)}));
    DeviceContext other = sim::createSurface(2, 2, fill);
    set.draw(other, 1, 1, 0);
    EXPECT_EQ(sim::surfaceImage(other).pixels,
              (std::vector<uint32_t>{fill, fill, fill, distinct(0, 0)}));
    DeviceContext far = sim::createSurface(2, 2, fill);
    set.draw(far, 100, -100, 0);
    set.draw(far, -3, 0, 0);
    EXPECT_EQ(sim::surfaceImage(far).pixels, std::vector<uint32_t>(4, fill));
}

TEST_F(Drawing, ATransferCopiesThePictureRectangleOnly) {
    DeviceContext dc = prepare(solidBmp(2, 1, 0x445566), 4, 2);
    set.draw(dc, 1, 1, 0);
    EXPECT_EQ(traced("BitBlt"), (std::vector<std::string>{"BitBlt x=1 y=1 w=2 h=1"}));
    expectPicture(sim::surfaceImage(dc), 1, 1, 2, 1, [](int32_t, int32_t) { return 0x445566u; });
}

TEST_F(Drawing, EveryShownFormatBecomesABitmap) {
    for (uint16_t bits : {1, 4, 8, 16, 24, 32}) {
        BmpLayout layout;
        layout.width = 3;
        layout.height = 2;
        layout.bitCount = bits;
        sim::clearTrace();
        prepare(bmpFile(layout), 3, 2);
        std::vector<std::string> created = traced("CreateDIBitmap");
        ASSERT_EQ(created.size(), 1u) << bits;
        EXPECT_EQ(created[0],
                  "CreateDIBitmap w=3 h=2 bits=" + std::to_string(bits) + " result=bitmap");
    }
}

}  // namespace
}  // namespace autorun::testing
