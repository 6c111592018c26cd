// PNG reading through libpng, keeping the header fields the tests look at.
#include "tests/tools/png_reader.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

namespace autorun::testing {

namespace {

struct Reader {
    FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~Reader() {
        png_destroy_read_struct(&png, &info, nullptr);
        if (file != nullptr) std::fclose(file);
    }
};

bool decode(Reader& r, PngFile& out, std::vector<png_byte>& bytes, std::vector<png_bytep>& rows) {
    if (setjmp(png_jmpbuf(r.png))) return false;
    png_init_io(r.png, r.file);
    png_read_info(r.png, r.info);
    png_uint_32 width = 0, height = 0;
    png_get_IHDR(r.png, r.info, &width, &height, &out.bitDepth, &out.colourType, &out.interlace,
                 nullptr, nullptr);
    if (out.bitDepth != 8 || out.colourType != PNG_COLOR_TYPE_RGB) return true;
    size_t stride = png_get_rowbytes(r.png, r.info);
    bytes.resize(stride * height);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = &bytes[y * stride];
    png_read_image(r.png, rows.data());
    out.image.width = static_cast<int32_t>(width);
    out.image.height = static_cast<int32_t>(height);
    out.image.pixels.resize(static_cast<size_t>(width) * height);
    for (png_uint_32 y = 0; y < height; ++y) {
        for (png_uint_32 x = 0; x < width; ++x) {
            const png_byte* p = rows[y] + x * 3;
            out.image.pixels[y * width + x] = uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
        }
    }
    out.ok = true;
    return true;
}

}  // namespace

PngFile readPng(const std::string& path) {
    PngFile out;
    Reader r;
    r.file = std::fopen(path.c_str(), "rb");
    if (r.file == nullptr) return out;
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (r.png == nullptr) return out;
    r.info = png_create_info_struct(r.png);
    if (r.info == nullptr) return out;
    std::vector<png_byte> bytes;
    std::vector<png_bytep> rows;
    if (!decode(r, out, bytes, rows)) out.ok = false;
    return out;
}

}  // namespace autorun::testing
