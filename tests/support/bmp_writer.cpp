// BMP files built in code, so that no picture has to be committed.
#include "tests/support/bmp_writer.h"

#include <vector>

namespace autorun::testing {

namespace {

void put16(std::string& out, size_t at, uint32_t v) {
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>(v >> 8 & 0xFF);
}

void put32(std::string& out, size_t at, uint32_t v) {
    put16(out, at, v & 0xFFFF);
    put16(out, at + 2, v >> 16);
}

}  // namespace

int64_t bmpStride(int32_t width, uint16_t bitCount) {
    return (int64_t{width < 0 ? 0 : width} * bitCount + 31) / 32 * 4;
}

std::string bmpFile(const BmpLayout& layout) {
    int32_t rows = layout.height < 0 ? -layout.height : layout.height;
    int64_t stride = bmpStride(layout.width, layout.bitCount);
    std::string pixels(static_cast<size_t>(stride * rows), '\0');
    for (int32_t y = 0; y < rows; ++y) {
        // Bottom-up files store the lowest row first.
        int32_t stored = layout.height < 0 ? y : rows - 1 - y;
        char* row = &pixels[static_cast<size_t>(stride * stored)];
        for (int32_t x = 0; x < layout.width; ++x) {
            uint32_t v = layout.pixel(x, y);
            switch (layout.bitCount) {
                case 1:
                case 4:
                case 8: {
                    size_t bit = static_cast<size_t>(x) * layout.bitCount;
                    uint32_t mask = (1u << layout.bitCount) - 1;
                    int shift = 8 - layout.bitCount - static_cast<int>(bit % 8);
                    row[bit / 8] = static_cast<char>(row[bit / 8] | (v & mask) << shift);
                    break;
                }
                case 16: {
                    uint32_t r = (v >> 16 & 0xFF) >> 3, g = (v >> 8 & 0xFF) >> 3,
                             b = (v & 0xFF) >> 3;
                    uint32_t packed = r << 10 | g << 5 | b;
                    row[x * 2] = static_cast<char>(packed & 0xFF);
                    row[x * 2 + 1] = static_cast<char>(packed >> 8);
                    break;
                }
                case 24:
                    row[x * 3] = static_cast<char>(v & 0xFF);
                    row[x * 3 + 1] = static_cast<char>(v >> 8 & 0xFF);
                    row[x * 3 + 2] = static_cast<char>(v >> 16 & 0xFF);
                    break;
                case 32:
                    row[x * 4] = static_cast<char>(v & 0xFF);
                    row[x * 4 + 1] = static_cast<char>(v >> 8 & 0xFF);
                    row[x * 4 + 2] = static_cast<char>(v >> 16 & 0xFF);
                    break;
                default:
                    break;
            }
        }
    }
    size_t headerEnd = 14 + layout.headerSize;
    std::string out(headerEnd + layout.paletteEntries * 4, '\0');
    out[0] = 'B';
    out[1] = 'M';
    put32(out, 14, layout.headerSize);
    if (layout.headerSize >= 40) {
        put32(out, 18, static_cast<uint32_t>(layout.width));
        put32(out, 22, static_cast<uint32_t>(layout.height));
        put16(out, 26, layout.planes);
        put16(out, 28, layout.bitCount);
        put32(out, 30, layout.compression);
        put32(out, 34,
              static_cast<uint32_t>(layout.sizeImageField >= 0 ? layout.sizeImageField
                                                               : pixels.size()));
        put32(out, 46, layout.paletteEntries);
    }
    uint32_t offset =
        static_cast<uint32_t>(layout.offsetField >= 0 ? layout.offsetField : out.size());
    out += pixels;
    out += std::string(layout.trailingBytes, '\0');
    put32(out, 2, static_cast<uint32_t>(layout.sizeField >= 0 ? layout.sizeField : out.size()));
    put32(out, 10, offset);
    if (layout.truncateTo >= 0 && static_cast<size_t>(layout.truncateTo) < out.size()) {
        out.resize(static_cast<size_t>(layout.truncateTo));
    }
    return out;
}

std::string solidBmp(int32_t width, int32_t height, uint32_t rgb) {
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.pixel = [rgb](int32_t, int32_t) { return rgb; };
    return bmpFile(layout);
}

}  // namespace autorun::testing
