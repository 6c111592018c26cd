// An ordered set of BMP pictures, each realized as a device bitmap in a memory context of its own.
#pragma once

#include <cstdint>

#include "config/text_string.h"
#include "platform/drawing.h"

namespace autorun {

// The largest picture side, and pixel count, the reader accepts; larger pictures are empty.
constexpr int32_t maxPictureSide = 16384;
constexpr int64_t maxPicturePixels = int64_t{1} << 23;

// One picture. A picture is empty exactly when header.biWidth is 0.
struct ImageRecord {
    BitmapInfoHeader header{};
    uint8_t* pixels = nullptr;
    DeviceContext memoryDC = nullptr;
    BitmapHandle bitmap = nullptr;

    ImageRecord() = default;
    ImageRecord(const ImageRecord&) = delete;
    ImageRecord& operator=(const ImageRecord&) = delete;
    ~ImageRecord();

    // Builds the device bitmap and its memory context for dc.
    void realize(DeviceContext dc);
    // Pixels in the rows the picture shows: the absolute value of biHeight.
    int32_t height() const { return header.biHeight < 0 ? -header.biHeight : header.biHeight; }
};

class ImageSet {
  public:
    ImageSet() = default;
    ImageSet(const ImageSet&) = delete;
    ImageSet& operator=(const ImageSet&) = delete;
    virtual ~ImageSet();

    // Replaces the set with count pictures read from names; stops at the first file that does
    // not open, leaving it and every later picture empty.
    virtual void load(uint32_t count, const String* names);
    // Draws picture index at (x, y), or picture 0 where it is empty; nothing without a dc.
    virtual void draw(DeviceContext dc, int32_t x, int32_t y, uint32_t index);

    ImageRecord* records = nullptr;
    uint32_t count = 0;

  private:
    void release();
};

// Why the reader leaves a picture empty. The header's own faults are tested in this order:
// a header under 40 bytes, compression, planes other than 1, an unknown bit count, no width or
// height, a size beyond the limits; then the file: a pixel offset at or past its end, a size
// field that leaves no pixel data, and a buffer that cannot be had.
enum class PictureRefusal {
    none,
    shortHeader,
    compressed,
    planes,
    bitCount,
    noSize,
    tooLarge,
    offsetPastEnd,
    noPixelData,
    noMemory
};

// What the reader makes of a header alone.
PictureRefusal headerRefusal(const BitmapInfoHeader& header);

// Bytes per row as the device reads them: whole 32-bit words.
int64_t rowStride(const BitmapInfoHeader& header);

// Reads one BMP file into record; the record stays empty when the file cannot be shown safely,
// and the result says why.
PictureRefusal readPicture(FileHandle file, ImageRecord& record);

}  // namespace autorun
