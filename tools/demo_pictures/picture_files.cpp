// BMP and ICO encoding, little-endian throughout.
#include "tools/demo_pictures/picture_files.h"

#include <cstdint>

namespace demo {

namespace {

void put16(std::string& out, uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8 & 0xFF);
}

void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void infoHeader(std::string& out, int width, int height, uint16_t bits, uint32_t imageSize) {
    put32(out, 40);
    put32(out, static_cast<uint32_t>(width));
    put32(out, static_cast<uint32_t>(height));
    put16(out, 1);
    put16(out, bits);
    put32(out, 0);
    put32(out, imageSize);
    put32(out, 2835);  // 72 dots per inch
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
}

}  // namespace

std::string bmpFile(const Canvas& picture) {
    const uint32_t stride = (static_cast<uint32_t>(picture.width()) * 3 + 3) / 4 * 4;
    const uint32_t imageSize = stride * static_cast<uint32_t>(picture.height());
    const uint32_t offset = 14 + 40;
    const uint32_t spare = 2;
    std::string out = "BM";
    put32(out, offset + imageSize + spare);
    put32(out, 0);
    put32(out, offset);
    infoHeader(out, picture.width(), picture.height(), 24, imageSize);
    for (int y = picture.height() - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < picture.width(); ++x) {
            Colour c = picture.at(x, y);
            row += static_cast<char>(c.b);
            row += static_cast<char>(c.g);
            row += static_cast<char>(c.r);
        }
        row.resize(stride, '\0');
        out += row;
    }
    out.append(spare, '\0');
    return out;
}

std::string icoFile(const Canvas& picture) {
    const int w = picture.width(), h = picture.height();
    const uint32_t maskStride = (static_cast<uint32_t>(w) + 31) / 32 * 4;
    const uint32_t imageSize = static_cast<uint32_t>(w * h * 4) + maskStride * h;
    std::string out;
    put16(out, 0);
    put16(out, 1);  // an icon, not a cursor
    put16(out, 1);
    out += static_cast<char>(w >= 256 ? 0 : w);
    out += static_cast<char>(h >= 256 ? 0 : h);
    out += '\0';  // no palette
    out += '\0';
    put16(out, 1);
    put16(out, 32);
    put32(out, 40 + imageSize);
    put32(out, 6 + 16);
    // The height counts the colour image and the mask together.
    infoHeader(out, w, h * 2, 32, imageSize);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            Colour c = picture.at(x, y);
            out += static_cast<char>(c.b);
            out += static_cast<char>(c.g);
            out += static_cast<char>(c.r);
            out += static_cast<char>(c.a);
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        std::string row(maskStride, '\0');
        for (int x = 0; x < w; ++x) {
            if (picture.at(x, y).a < 128)
                row[x / 8] = static_cast<char>(row[x / 8] | 0x80 >> x % 8);
        }
        out += row;
    }
    return out;
}

}  // namespace demo
