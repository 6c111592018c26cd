// PNG output through libpng.
#include "tools/autorun_sim/png_writer.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace autorun::tool {

namespace {

// libpng reports errors by longjmp; the message is kept for the caller.
void onError(png_structp png, png_const_charp message) {
    auto* text = static_cast<std::string*>(png_get_error_ptr(png));
    if (text != nullptr) *text = message;
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

// Everything libpng needs lives outside the function that calls setjmp, so that nothing with a
// destructor is skipped by the jump.
bool encode(FILE* file, const sim::Image& image, const std::vector<png_bytep>& rows,
            std::string& message) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &message, onError, onWarning);
    if (png == nullptr) {
        message = "libpng could not be initialised";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        message = "libpng could not be initialised";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, const_cast<png_bytepp>(rows.data()));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool writePng(const std::string& path, const sim::Image& image, std::string& error) {
    if (image.width <= 0 || image.height <= 0) {
        error = "the client area is " + std::to_string(image.width) + " x " +
                std::to_string(image.height) + " pixels, and a PNG needs at least one pixel";
        return false;
    }
    size_t width = static_cast<size_t>(image.width);
    std::vector<png_byte> bytes(width * static_cast<size_t>(image.height) * 3);
    for (size_t i = 0; i < image.pixels.size() && i * 3 + 2 < bytes.size(); ++i) {
        uint32_t pixel = image.pixels[i];
        bytes[i * 3] = static_cast<png_byte>(pixel >> 16 & 0xFF);
        bytes[i * 3 + 1] = static_cast<png_byte>(pixel >> 8 & 0xFF);
        bytes[i * 3 + 2] = static_cast<png_byte>(pixel & 0xFF);
    }
    std::vector<png_bytep> rows(static_cast<size_t>(image.height));
    for (size_t y = 0; y < rows.size(); ++y) rows[y] = &bytes[y * width * 3];

    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    std::string message;
    bool written = encode(file, image, rows, message);
    if (std::fclose(file) != 0 && written) {
        message = std::strerror(errno);
        written = false;
    }
    if (!written) {
        std::remove(path.c_str());
        error = path + ": " + message;
    }
    return written;
}

}  // namespace autorun::tool
