// Builds BMP files in memory for tests, ordinary ones and deliberately malformed ones.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace autorun::testing {

struct BmpLayout {
    int32_t width = 1;
    int32_t height = 1;  // negative for a top-down file
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t headerSize = 40;
    uint16_t planes = 1;
    uint32_t paletteEntries = 0;  // colour table entries written after the header
    int64_t sizeField = -1;       // bfSize; -1: the whole file, as paint programs write it
    int64_t offsetField = -1;     // bfOffBits; -1: right after header and palette
    int64_t sizeImageField = -1;  // biSizeImage in the file; -1: the pixel array's size
    uint32_t trailingBytes = 0;   // bytes after the pixel array
    int64_t truncateTo = -1;      // cut the file to this many bytes
    // Colour of pixel (x, y), y counted from the top, as 0xRRGGBB; for 1, 4 and 8 bits the
    // value is the palette index.
    std::function<uint32_t(int32_t x, int32_t y)> pixel = [](int32_t, int32_t) { return 0u; };
};

// Bytes per stored row for this width and bit count.
int64_t bmpStride(int32_t width, uint16_t bitCount);
// The file's bytes.
std::string bmpFile(const BmpLayout& layout);
// A plain 24-bit picture of one colour.
std::string solidBmp(int32_t width, int32_t height, uint32_t rgb);

}  // namespace autorun::testing
