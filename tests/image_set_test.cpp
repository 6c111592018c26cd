// Loading BMP pictures into an ImageSet: the stop at a missing file, the fallback to picture 0,
// the pixel byte count, reloading, and malformed files that must load as empty or partial.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "images/image_set.h"
#include "tests/support/bmp_writer.h"
#include "tests/support/sim_fixture.h"

namespace autorun::testing {
namespace {

void patch16(std::string& file, size_t at, uint32_t v) {
    file[at] = static_cast<char>(v & 0xFF);
    file[at + 1] = static_cast<char>(v >> 8 & 0xFF);
}

void patch32(std::string& file, size_t at, uint32_t v) {
    patch16(file, at, v & 0xFFFF);
    patch16(file, at + 2, v >> 16);
}

bool headerIsZero(const BitmapInfoHeader& h) {
    static const BitmapInfoHeader zero{};
    return std::memcmp(&h, &zero, sizeof h) == 0;
}

class Pictures : public SimTest {
  protected:
    // Loads the named files of the menu's folder, addressed as the owners do: base + name.
    void load(ImageSet& set, const std::vector<std::string>& files) {
        names.clear();
        for (const std::string& f : files) names.emplace_back(f.empty() ? "" : "C:\\menu\\" + f);
        std::vector<String> strings;
        for (const std::string& n : names) strings.emplace_back(n.c_str());
        set.load(static_cast<uint32_t>(strings.size()), strings.data());
    }

    static void realizeAll(ImageSet& set, DeviceContext dc) {
        for (uint32_t i = 0; i < set.count; ++i) set.records[i].realize(dc);
    }

    // The surface after drawing picture index at (x, y) on a w x h surface of colour fill.
    sim::Image drawn(ImageSet& set, uint32_t index, int32_t w, int32_t h, int32_t x = 0,
                     int32_t y = 0, uint32_t fill = 0xABCDEF) {
        DeviceContext dc = sim::createSurface(w, h, fill);
        realizeAll(set, dc);
        set.draw(dc, x, y, index);
        return sim::surfaceImage(dc);
    }

    std::vector<std::string> opened() const {
        std::vector<std::string> out;
        for (const std::string& line : traced("fopen ")) {
            size_t start = line.find("name=\"") + 6;
            size_t end = line.find('"', start);
            out.push_back(line.substr(start, end - start) +
                          (line.find("result=ok") != std::string::npos ? " ok" : " none"));
        }
        return out;
    }

    std::vector<std::string> names;
};

std::vector<uint32_t> solid(int32_t w, int32_t h, uint32_t colour) {
    return std::vector<uint32_t>(static_cast<size_t>(w) * h, colour);
}

TEST_F(Pictures, AMissingFileEndsTheLoading) {
    writeFile("b0.bmp", solidBmp(2, 2, 0xFF0000));
    writeFile("b2.bmp", solidBmp(2, 2, 0x00FF00));
    writeFile("b3.bmp", solidBmp(2, 2, 0x0000FF));
    ImageSet set;
    load(set, {"b0.bmp", "b1.bmp", "b2.bmp", "b3.bmp"});
    EXPECT_EQ(opened(), (std::vector<std::string>{"C:\\menu\\b0.bmp ok", "C:\\menu\\b1.bmp none"}));
    ASSERT_EQ(set.count, 4u);
    EXPECT_EQ(set.records[0].header.biWidth, 2);
    for (uint32_t i = 1; i < 4; ++i) {
        EXPECT_TRUE(headerIsZero(set.records[i].header)) << i;
        EXPECT_EQ(set.records[i].pixels, nullptr) << i;
    }
    for (uint32_t i = 1; i < 4; ++i) {
        EXPECT_EQ(drawn(set, i, 2, 2).pixels, solid(2, 2, 0xFF0000)) << i;
    }
}

TEST_F(Pictures, WithoutTheFirstFileNothingIsDrawn) {
    writeFile("b1.bmp", solidBmp(2, 2, 0x00FF00));
    ImageSet set;
    load(set, {"b0.bmp", "b1.bmp"});
    EXPECT_EQ(opened(), (std::vector<std::string>{"C:\\menu\\b0.bmp none"}));
    for (uint32_t i = 0; i < 2; ++i) {
        EXPECT_TRUE(headerIsZero(set.records[i].header));
        EXPECT_EQ(drawn(set, i, 2, 2).pixels, solid(2, 2, 0xABCDEF)) << i;
    }
    EXPECT_TRUE(traced("BitBlt").empty());
}

TEST_F(Pictures, AnEmptyNameCannotBeOpened) {
    writeFile("a.bmp", solidBmp(1, 1, 0x010101));
    writeFile("c.bmp", solidBmp(1, 1, 0x020202));
    ImageSet set;
    load(set, {"a.bmp", "", "c.bmp"});
    EXPECT_EQ(opened().size(), 2u);
    EXPECT_EQ(set.records[2].header.biWidth, 0);
}

TEST_F(Pictures, WidthZeroIsEmptyAndDrawsPictureZero) {
    writeFile("b0.bmp", solidBmp(2, 1, 0x123456));
    std::string flat = solidBmp(1, 5, 0x654321);
    patch32(flat, 18, 0);
    writeFile("b1.bmp", flat);
    ImageSet set;
    load(set, {"b0.bmp", "b1.bmp"});
    EXPECT_EQ(set.records[1].header.biWidth, 0);
    EXPECT_EQ(set.records[1].pixels, nullptr);
    EXPECT_EQ(drawn(set, 1, 2, 1).pixels, solid(2, 1, 0x123456));
}

TEST_F(Pictures, PixelCountComesFromTheSizeField) {
    for (uint32_t trailing : {2u, 0u}) {
        BmpLayout layout;
        layout.width = 3;
        layout.height = 2;
        layout.trailingBytes = trailing;
        layout.sizeImageField = 999;
        layout.pixel = [](int32_t x, int32_t y) { return 0x102030u * (x + 1) + 0x010101u * y; };
        std::string file = bmpFile(layout);
        ASSERT_EQ(file.size(), 78u + trailing);
        // Fields the reader does not use must still be kept as the file holds them.
        patch32(file, 38, 2835);
        patch32(file, 42, 2836);
        writeFile("p.bmp", file);
        ImageSet set;
        load(set, {"p.bmp"});
        const BitmapInfoHeader& h = set.records[0].header;
        EXPECT_EQ(h.biSizeImage, trailing == 2 ? 24u : 22u);
        BitmapInfoHeader expected;
        std::memcpy(&expected, file.data() + 14, sizeof expected);
        expected.biSizeImage = h.biSizeImage;
        EXPECT_EQ(std::memcmp(&h, &expected, sizeof h), 0);
        // Without the two bytes only the last row's padding is missing: the picture is whole.
        sim::Image image = drawn(set, 0, 3, 2);
        for (int32_t y = 0; y < 2; ++y) {
            for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(image.at(x, y), layout.pixel(x, y));
        }
    }
}

TEST_F(Pictures, StoredPixelCountReplacesTheFilesValue) {
    for (int64_t field : {int64_t{0}, int64_t{12345}, int64_t{0xFFFFFFFF}}) {
        BmpLayout layout;
        layout.width = 2;
        layout.height = 2;
        layout.trailingBytes = 2;
        layout.sizeImageField = field;
        writeFile("p.bmp", bmpFile(layout));
        ImageSet set;
        load(set, {"p.bmp"});
        EXPECT_EQ(set.records[0].header.biSizeImage, 16u) << field;
    }
}

TEST_F(Pictures, BytesTheSizeFieldMissesAreReadAndOnlyThoseTheFileLacksCountAsZero) {
    // Four 24-bit pixels fill the row exactly; the size field counts the file, so the reader's
    // count is 2 bytes short of the pixels, which are still shown whole.
    std::string file = solidBmp(4, 1, 0xFFFFFF);
    writeFile("p.bmp", file);
    ImageSet set;
    load(set, {"p.bmp"});
    EXPECT_EQ(set.records[0].header.biSizeImage, 10u);
    EXPECT_EQ(drawn(set, 0, 4, 1).pixels, std::vector<uint32_t>(4, 0xFFFFFF));
    // Cut 2 bytes short, the file lacks the last pixel's green and red.
    writeFile("p.bmp", file.substr(0, file.size() - 2));
    load(set, {"p.bmp"});
    EXPECT_EQ(drawn(set, 0, 4, 1).pixels,
              (std::vector<uint32_t>{0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0x0000FF}));
}

TEST_F(Pictures, LoadingAgainReleasesTheFirstPictures) {
    writeFile("a.bmp", solidBmp(2, 2, 0x111111));
    writeFile("b.bmp", solidBmp(3, 3, 0x222222));
    DeviceContext dc = sim::createSurface(4, 4);
    {
        ImageSet set;
        load(set, {"a.bmp", "b.bmp"});
        realizeAll(set, dc);
        EXPECT_EQ(sim::liveDrawingObjects(), 4);
        sim::clearTrace();
        load(set, {"b.bmp", "a.bmp"});
        EXPECT_EQ(sim::liveDrawingObjects(), 0);
        std::vector<std::string> calls;
        for (const std::string& line : sim::trace())
            calls.push_back(line.substr(0, line.find(' ')));
        // Each record deletes its context before the bitmap that sits in it, and all of this
        // happens before the new files are opened.
        EXPECT_EQ(calls,
                  (std::vector<std::string>{"DeleteDC", "DeleteObject", "DeleteDC", "DeleteObject",
                                            "fopen", "fclose", "fopen", "fclose"}));
        for (const std::string& line : traced("DeleteObject"))
            EXPECT_EQ(line, "DeleteObject result=1");
        EXPECT_EQ(set.records[0].header.biWidth, 3);
        EXPECT_EQ(set.records[1].header.biWidth, 2);
        realizeAll(set, dc);
        EXPECT_EQ(sim::liveDrawingObjects(), 4);
    }
    EXPECT_EQ(sim::liveDrawingObjects(), 0);
}

TEST_F(Pictures, RealizedEmptyRecordsAreReleasedToo) {
    DeviceContext dc = sim::createSurface(1, 1);
    {
        ImageSet set;
        load(set, {"missing.bmp", "missing.bmp"});
        realizeAll(set, dc);
        set.draw(dc, 0, 0, 1);
    }
    EXPECT_EQ(sim::liveDrawingObjects(), 0);
}

TEST_F(Pictures, TopDownPictureKeepsItsHeightAndDrawsItsRows) {
    BmpLayout layout;
    layout.width = 3;
    layout.height = -2;
    layout.pixel = [](int32_t, int32_t y) { return y == 0 ? 0xFF0000u : 0x0000FFu; };
    writeFile("p.bmp", bmpFile(layout));
    ImageSet set;
    load(set, {"p.bmp"});
    EXPECT_EQ(set.records[0].header.biHeight, -2);
    EXPECT_EQ(set.records[0].height(), 2);
    sim::Image image = drawn(set, 0, 3, 2);
    EXPECT_EQ(image.at(1, 0), 0xFF0000u);
    EXPECT_EQ(image.at(1, 1), 0x0000FFu);
    EXPECT_EQ(traced("BitBlt"), (std::vector<std::string>{"BitBlt x=0 y=0 w=3 h=2"}));
}

TEST_F(Pictures, NoPicturesAtAll) {
    ImageSet set;
    load(set, {});
    EXPECT_EQ(set.count, 0u);
    DeviceContext dc = sim::createSurface(1, 1);
    set.draw(dc, 0, 0, 0);
    EXPECT_TRUE(traced("BitBlt").empty());
}

TEST_F(Pictures, PicturesAtTheSizeLimitsLoad) {
    // Not realized: a simulated surface at the pixel cap would only cost time.
    struct Limit {
        int32_t width;
        int32_t height;
    };
    static_assert(int64_t{maxPictureSide} * 512 == maxPicturePixels, "the cases sit on the cap");
    for (Limit limit : {Limit{maxPictureSide, 512}, Limit{512, -maxPictureSide}}) {
        std::string file = bmpFile(BmpLayout{});
        patch16(file, 28, 1);
        patch32(file, 18, static_cast<uint32_t>(limit.width));
        patch32(file, 22, static_cast<uint32_t>(limit.height));
        writeFile("p.bmp", file);
        ImageSet set;
        load(set, {"p.bmp"});
        EXPECT_EQ(set.records[0].header.biWidth, limit.width);
        EXPECT_NE(set.records[0].pixels, nullptr);
    }
}

// A malformed picture 1 is shown as far as it safely can be, or behaves as an empty picture:
// drawing it shows picture 0, a 1 x 1 green picture.
struct Malformed {
    const char* label;
    std::function<std::string()> file;
    bool shown;
    // For pictures that are shown: the colour expected at (x, y) of the 3 x 2 picture.
    std::function<uint32_t(int32_t x, int32_t y)> expected;
};

void PrintTo(const Malformed& m, std::ostream* out) {
    *out << m.label;
}

constexpr uint32_t pictureColour = 0x336699;
constexpr uint32_t green = 0x00FF00;
constexpr uint32_t fill = 0xABCDEF;

BmpLayout plain() {
    BmpLayout layout;
    layout.width = 3;
    layout.height = 2;
    layout.trailingBytes = 2;
    layout.pixel = [](int32_t, int32_t) { return pictureColour; };
    return layout;
}

std::function<std::string()> with(std::function<void(BmpLayout&)> change) {
    return [change] {
        BmpLayout layout = plain();
        change(layout);
        return bmpFile(layout);
    };
}

// The plain picture with one 32-bit header field at file offset at replaced.
std::function<std::string()> field32(size_t at, uint32_t value) {
    return [at, value] {
        std::string file = bmpFile(plain());
        patch32(file, at, value);
        return file;
    };
}

std::function<std::string()> field16(size_t at, uint32_t value) {
    return [at, value] {
        std::string file = bmpFile(plain());
        patch16(file, at, value);
        return file;
    };
}

std::function<std::string()> truncated(size_t length) {
    return [length] { return bmpFile(plain()).substr(0, length); };
}

uint32_t exact(int32_t, int32_t) {
    return pictureColour;
}

class MalformedPicture : public Pictures, public ::testing::WithParamInterface<Malformed> {};

TEST_P(MalformedPicture, LoadsAsEmptyOrPartial) {
    const Malformed& m = GetParam();
    writeFile("b0.bmp", solidBmp(1, 1, green));
    writeFile("b1.bmp", m.file());
    ImageSet set;
    load(set, {"b0.bmp", "b1.bmp"});
    const ImageRecord& r = set.records[1];
    EXPECT_EQ(r.header.biWidth == 0, r.pixels == nullptr);
    sim::Image image = drawn(set, 1, 4, 3, 0, 0, fill);
    if (!m.shown) {
        EXPECT_TRUE(headerIsZero(r.header));
        std::vector<uint32_t> expected = solid(4, 3, fill);
        expected[0] = green;
        EXPECT_EQ(image.pixels, expected);
        return;
    }
    ASSERT_NE(r.header.biWidth, 0);
    std::vector<std::string> created = traced("CreateDIBitmap w=3 ");
    ASSERT_EQ(created.size(), 1u);
    EXPECT_NE(created[0].find("result=bitmap"), std::string::npos) << created[0];
    if (!m.expected) return;
    for (int32_t y = 0; y < 2; ++y) {
        for (int32_t x = 0; x < 3; ++x) {
            EXPECT_EQ(image.at(x, y), m.expected(x, y)) << x << "," << y;
        }
    }
}

const Malformed malformedFiles[] = {
    {"Plain", with([](BmpLayout&) {}), true, exact},
    {"CountZero", with([](BmpLayout& s) { s.sizeField = 54 + 2; }), false, nullptr},
    {"CountNegative", with([](BmpLayout& s) { s.sizeField = 10; }), false, nullptr},
    {"CountNegativeFromAHugeSize", with([](BmpLayout& s) { s.sizeField = 0xFFFFFFFF; }), false,
     nullptr},
    {"CountLargerThanTheFile", with([](BmpLayout& s) { s.sizeField = 0x7FFFFFFF; }), true, exact},
    {"CountOneMoreThanTheFile", with([](BmpLayout& s) { s.sizeField = 80 + 3; }), true, exact},
    // Size fields that make the count positive, so that only the offset is wrong.
    {"OffsetPastTheEnd", with([](BmpLayout& s) {
         s.offsetField = 100000;
         s.sizeField = 0x7FFFFFFF;
     }),
     false, nullptr},
    {"OffsetAtTheEnd", with([](BmpLayout& s) {
         s.offsetField = 80;
         s.sizeField = 0x7FFFFFFF;
     }),
     false, nullptr},
    {"OffsetHugeWithASaneCount", with([](BmpLayout& s) {
         s.offsetField = 0xFFFFFFF0;
         s.sizeField = 0xFFFFFFFF;
     }),
     false, nullptr},
    {"OffsetZeroShowsTheFileItself", with([](BmpLayout& s) { s.offsetField = 0; }), true, nullptr},
    {"OffsetInsideTheHeader", with([](BmpLayout& s) { s.offsetField = 20; }), true, nullptr},
    {"WidthZero", field32(18, 0), false, nullptr},
    {"HeightZero", field32(22, 0), false, nullptr},
    {"WidthNegative", field32(18, static_cast<uint32_t>(-3)), false, nullptr},
    {"WidthOverTheSideLimit", field32(18, 16385), false, nullptr},
    {"HeightOverTheSideLimit", field32(22, 16385), false, nullptr},
    {"TopDownOverTheSideLimit", field32(22, static_cast<uint32_t>(-16385)), false, nullptr},
    {"WidthLargest", field32(18, 0x7FFFFFFF), false, nullptr},
    {"HeightSmallest", field32(22, 0x80000000), false, nullptr},
    {"StrideTimesHeightPast32Bits",
     [] {
         std::string file = bmpFile(plain());
         patch16(file, 28, 32);
         patch32(file, 18, 16384);
         patch32(file, 22, 16384);
         return file;
     },
     false, nullptr},
    {"StrideAloneWraps",
     [] {
         std::string file = bmpFile(plain());
         patch16(file, 28, 32);
         patch32(file, 18, 0x40000000);
         patch32(file, 22, 1);
         return file;
     },
     false, nullptr},
    {"OverThePixelLimit",
     [] {
         std::string file = bmpFile(plain());
         patch16(file, 28, 1);
         patch32(file, 18, 513);
         patch32(file, 22, static_cast<uint32_t>(maxPictureSide));
         return file;
     },
     false, nullptr},
    {"BitCount0", field16(28, 0), false, nullptr},
    {"BitCount2", field16(28, 2), false, nullptr},
    {"BitCount3", field16(28, 3), false, nullptr},
    {"BitCount15", field16(28, 15), false, nullptr},
    {"BitCount64", field16(28, 64), false, nullptr},
    {"BitCountLargest", field16(28, 0xFFFF), false, nullptr},
    {"RunLength8", with([](BmpLayout& s) {
         s.bitCount = 8;
         s.compression = 1;
     }),
     false, nullptr},
    {"RunLength4", with([](BmpLayout& s) {
         s.bitCount = 4;
         s.compression = 2;
     }),
     false, nullptr},
    {"BitFields", with([](BmpLayout& s) {
         s.bitCount = 16;
         s.compression = 3;
     }),
     false, nullptr},
    {"EmbeddedJpeg", field32(30, 4), false, nullptr},
    {"EmbeddedPng", field32(30, 5), false, nullptr},
    {"CoreHeader12", with([](BmpLayout& s) { s.headerSize = 12; }), false, nullptr},
    {"HeaderSizeZero", field32(14, 0), false, nullptr},
    {"HeaderSize39", field32(14, 39), false, nullptr},
    {"HeaderSize56", with([](BmpLayout& s) { s.headerSize = 56; }), true, exact},
    {"HeaderSize108", with([](BmpLayout& s) { s.headerSize = 108; }), true, exact},
    {"HeaderSize124", with([](BmpLayout& s) { s.headerSize = 124; }), true, exact},
    {"PlanesZero", with([](BmpLayout& s) { s.planes = 0; }), false, nullptr},
    {"PlanesTwo", with([](BmpLayout& s) { s.planes = 2; }), false, nullptr},
    {"EmptyFile", truncated(0), false, nullptr},
    {"OneByte", truncated(1), false, nullptr},
    {"CutInTheFileHeader", truncated(10), false, nullptr},
    {"FileHeaderOnly", truncated(14), false, nullptr},
    {"CutInTheInfoHeader", truncated(30), false, nullptr},
    {"CutBeforeTheLastHeaderByte", truncated(53), false, nullptr},
    {"HeadersOnly", truncated(54), false, nullptr},
    // The bottom row comes first in the file: five bytes are one pixel and two thirds of one.
    {"CutInThePixels", truncated(59), true,
     [](int32_t x, int32_t y) -> uint32_t {
         if (y == 1 && x == 0) return pictureColour;
         if (y == 1 && x == 1) return pictureColour & 0x00FFFF;
         return 0;
     }},
    {"CutAfterTheFirstRow", truncated(66), true,
     [](int32_t, int32_t y) -> uint32_t { return y == 1 ? pictureColour : 0; }},
};

INSTANTIATE_TEST_SUITE_P(Files, MalformedPicture, ::testing::ValuesIn(malformedFiles),
                         [](const ::testing::TestParamInfo<Malformed>& info) {
                             return std::string(info.param.label);
                         });

}  // namespace
}  // namespace autorun::testing
