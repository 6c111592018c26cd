// Reading a picture as the menu does, and explaining why a file shows nothing or shows other
// than it looks in a paint program.
#include <cstring>

#include "images/image_set.h"
#include "platform/files.h"
#include "platform/sim/sim.h"
#include "tools/autorun_sim/check_context.h"

namespace autorun::tool {

namespace {

uint32_t word32(const std::string& b, size_t at) {
    if (at + 4 > b.size()) return 0;
    auto u = [&b](size_t k) { return static_cast<uint32_t>(static_cast<unsigned char>(b[k])); };
    return u(at) | u(at + 1) << 8 | u(at + 2) << 16 | u(at + 3) << 24;
}

uint16_t word16(const std::string& b, size_t at) {
    if (at + 2 > b.size()) return 0;
    return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) |
                                 static_cast<unsigned char>(b[at + 1]) << 8);
}

// Why the menu's reader leaves this file empty, in the words of someone saving pictures. The
// reader does not look at the signature; a file without it is named for what it is.
std::string refusal(const std::string& file, PictureRefusal why) {
    if (file.size() < 54)
        return "at " + std::to_string(file.size()) + " bytes it is too short for a BMP file";
    uint32_t headerSize = word32(file, 14);
    int32_t width = static_cast<int32_t>(word32(file, 18));
    int32_t height = static_cast<int32_t>(word32(file, 22));
    uint16_t planes = word16(file, 26);
    uint16_t bits = word16(file, 28);
    uint32_t compression = word32(file, 30);
    if (file.compare(0, 2, "BM") != 0) return "it is no BMP file";
    if (why == PictureRefusal::shortHeader)
        return "its header is " + std::to_string(headerSize) +
               " bytes long (an old format); the menu needs the 40-byte header";
    if (why == PictureRefusal::compressed) {
        if (compression == 1 || compression == 2)
            return std::string("it is run-length compressed (RLE") +
                   (compression == 1 ? "8" : "4") + ")";
        if (compression == 3) return "it stores its colours with bit-field masks";
        return "it is compressed (type " + std::to_string(compression) + ")";
    }
    if (why == PictureRefusal::planes)
        return "its header gives " + std::to_string(planes) + " colour planes";
    if (why == PictureRefusal::bitCount)
        return "it has " + std::to_string(bits) + " bits per pixel";
    int64_t rows = height < 0 ? -int64_t{height} : height;
    if (why == PictureRefusal::noSize)
        return "its size is " + std::to_string(width) + " x " + std::to_string(height);
    if (why == PictureRefusal::tooLarge)
        return "at " + std::to_string(width) + " x " + std::to_string(rows) +
               " it is larger than the menu shows (" + std::to_string(maxPictureSide) +
               " pixels a side at most)";
    uint32_t size = word32(file, 2);
    uint32_t offset = word32(file, 10);
    if (why == PictureRefusal::offsetPastEnd)
        return "its pixel data would start at byte " + std::to_string(offset) +
               ", past the end of the file";
    return "its size field (byte 2) says " + std::to_string(size) +
           " and its pixel data starts at byte " + std::to_string(offset) +
           ", which leaves the menu no pixel data to read";
}

// Pixels the device shows that the file does not hold. The reader takes every pixel byte the
// file holds, whatever its size field says, and the device shows zero bytes for the rest.
void checkPixelData(CheckContext& c, int32_t offset, const std::string& what,
                    const std::string& file, const ImageRecord& record) {
    const BitmapInfoHeader& h = record.header;
    int64_t stride = rowStride(h);
    int64_t rowBytes = (int64_t{h.biWidth} * h.biBitCount + 7) / 8;
    int64_t needed = stride * record.height();
    int64_t available = static_cast<int64_t>(file.size()) - word32(file, 10);
    // A file that lacks only the padding after its last row misses no pixel.
    if (available >= needed - (stride - rowBytes)) return;
    // A zero byte is black in true colour, and colour index 0, white, in the others.
    const char* shown = h.biBitCount <= 8 ? "white" : "black";
    c.warn(offset, what + " ends " + std::to_string(needed - available) +
                       " bytes before its pixel data does: the missing pixels show " + shown);
}

}  // namespace

PictureInfo inspectPicture(CheckContext& c, int32_t offset, const std::string& what,
                           const std::string& value, const std::string& path) {
    PictureInfo info;
    std::optional<std::string> host = c.hostFile(path);
    if (!host) return info;
    info.exists = true;
    ImageRecord record;
    PictureRefusal why = PictureRefusal::noPixelData;
    FileHandle file = platform::openFile(path.c_str());
    if (file != nullptr) {
        why = readPicture(file, record);
        platform::closeFile(file);
    }
    std::string bytes = sim::readHostFile(*host).value_or("");
    if (record.header.biWidth == 0) {
        c.error(offset, what + " " + quote(value) + " cannot be shown: " + refusal(bytes, why) +
                            "; save it as an uncompressed 24-bit BMP");
        return info;
    }
    info.shown = true;
    info.width = record.header.biWidth;
    info.height = record.height();
    if (record.header.biBitCount <= 8) {
        c.warn(offset, what + " " + quote(value) + " has " +
                           std::to_string(record.header.biBitCount) +
                           " bits per pixel: the menu does not pass its colour table on, so "
                           "colour 0 shows white and every other colour black; save it as a "
                           "24-bit BMP");
    }
    checkPixelData(c, offset, what + " " + quote(value), bytes, record);
    return info;
}

}  // namespace autorun::tool
