// The BMP reader, realization as device bitmaps and drawing with the fallback to picture 0.
#include "images/image_set.h"

#include <cstring>
#include <new>

#include "platform/files.h"

namespace autorun {

namespace {

constexpr int32_t fileHeaderSize = 14;

uint32_t readWordAt(FileHandle file, int32_t offset) {
    uint8_t bytes[4] = {};
    platform::seekFile(file, offset, platform::SeekFrom::start);
    platform::readFile(file, bytes, sizeof bytes);
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

bool knownBitCount(uint16_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// The header handed to the device: 40 bytes, the full buffer size, and at most the one colour
// entry that is supplied, so that the device never reads past the header or the entry.
BitmapInfoHeader deviceHeader(const ImageRecord& record) {
    BitmapInfoHeader h{};
    if (record.header.biWidth == 0 || record.pixels == nullptr) return h;
    h = record.header;
    h.biSize = sizeof(BitmapInfoHeader);
    h.biSizeImage = static_cast<uint32_t>(rowStride(h) * record.height());
    h.biClrUsed = h.biBitCount <= 8 ? 1 : 0;
    h.biClrImportant = 0;
    return h;
}

}  // namespace

int64_t rowStride(const BitmapInfoHeader& h) {
    return (int64_t{h.biWidth} * h.biBitCount + 31) / 32 * 4;
}

// Whether the device can be given this picture without reading outside what we hand it: an
// uncompressed layout with a header of at least 40 bytes and sane dimensions.
PictureRefusal headerRefusal(const BitmapInfoHeader& h) {
    if (h.biSize < sizeof(BitmapInfoHeader)) return PictureRefusal::shortHeader;
    if (h.biCompression != 0) return PictureRefusal::compressed;
    if (h.biPlanes != 1) return PictureRefusal::planes;
    if (!knownBitCount(h.biBitCount)) return PictureRefusal::bitCount;
    if (h.biWidth <= 0 || h.biHeight == 0) return PictureRefusal::noSize;
    if (h.biWidth > maxPictureSide || h.biHeight < -maxPictureSide || h.biHeight > maxPictureSide)
        return PictureRefusal::tooLarge;
    int64_t rows = h.biHeight < 0 ? -int64_t{h.biHeight} : h.biHeight;
    return int64_t{h.biWidth} <= maxPicturePixels / rows ? PictureRefusal::none
                                                         : PictureRefusal::tooLarge;
}

PictureRefusal readPicture(FileHandle file, ImageRecord& record) {
    uint32_t size = readWordAt(file, 2);
    uint32_t offset = readWordAt(file, 10);
    platform::seekFile(file, fileHeaderSize, platform::SeekFrom::start);
    uint8_t raw[sizeof(BitmapInfoHeader)] = {};
    platform::readFile(file, raw, sizeof raw);
    std::memcpy(&record.header, raw, sizeof raw);
    uint32_t pixelBytes = size - offset - 2;
    record.header.biSizeImage = pixelBytes;

    int32_t fileLength =
        platform::seekFile(file, 0, platform::SeekFrom::end) ? platform::tellFile(file) : -1;
    PictureRefusal refusal = headerRefusal(record.header);
    if (refusal == PictureRefusal::none) {
        if (fileLength <= 0 || offset >= static_cast<uint32_t>(fileLength))
            refusal = PictureRefusal::offsetPastEnd;
        else if (static_cast<int32_t>(pixelBytes) <= 0)
            refusal = PictureRefusal::noPixelData;
    }
    // The device reads every row in full, whatever the size field says: the buffer holds what
    // the file holds at those places, and zero only past the file's end. The size field is
    // commonly 2 bytes short of the pixels, which would otherwise cut the top-right pixel.
    int64_t deviceBytes = 0;
    if (refusal == PictureRefusal::none) {
        deviceBytes = rowStride(record.header) * record.height();
        record.pixels = new (std::nothrow) uint8_t[static_cast<size_t>(deviceBytes)]();
        if (record.pixels == nullptr) refusal = PictureRefusal::noMemory;
    }
    if (refusal != PictureRefusal::none) {
        record.header = BitmapInfoHeader{};
        return refusal;
    }
    int64_t wanted = static_cast<uint32_t>(fileLength) - offset;
    if (wanted > deviceBytes) wanted = deviceBytes;
    platform::seekFile(file, static_cast<int32_t>(offset), platform::SeekFrom::start);
    platform::readFile(file, record.pixels, static_cast<uint32_t>(wanted));
    return PictureRefusal::none;
}

ImageRecord::~ImageRecord() {
    delete[] pixels;
    // The bitmap is still selected into the memory context, so the context goes first.
    if (memoryDC != nullptr) platform::deleteDC(memoryDC);
    if (bitmap != nullptr) platform::deleteBitmap(bitmap);
}

void ImageRecord::realize(DeviceContext dc) {
    BitmapInfo info{};
    info.header = deviceHeader(*this);
    info.colour[0] = info.colour[1] = info.colour[2] = 255;
    bitmap = platform::createDIBitmap(dc, info.header, pixels, info);
    memoryDC = platform::createCompatibleDC(dc);
    platform::selectBitmap(memoryDC, bitmap);
}

ImageSet::~ImageSet() {
    release();
}

void ImageSet::release() {
    delete[] records;
    records = nullptr;
    count = 0;
}

void ImageSet::load(uint32_t pictureCount, const String* names) {
    release();
    records = new (std::nothrow) ImageRecord[pictureCount];
    if (records == nullptr) return;
    count = pictureCount;
    for (uint32_t i = 0; i < count; ++i) {
        FileHandle file = platform::openFile(names[i].text());
        records[i].header = BitmapInfoHeader{};
        if (file == nullptr) break;
        readPicture(file, records[i]);
        platform::closeFile(file);
    }
}

void ImageSet::draw(DeviceContext dc, int32_t x, int32_t y, uint32_t index) {
    if (dc == nullptr || count == 0) return;
    const ImageRecord* record = index < count ? &records[index] : &records[0];
    if (record->header.biWidth == 0) record = &records[0];
    if (record->header.biWidth == 0) return;
    platform::bitBlt(dc, x, y, record->header.biWidth, record->height(), record->memoryDC);
}

}  // namespace autorun
