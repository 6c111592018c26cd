// Device bitmaps, memory device contexts and block transfers.
#pragma once

#include <cstdint>

#include "platform/handles.h"

namespace autorun {

// The 40-byte BITMAPINFOHEADER as BMP files and the device store it.
struct BitmapInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40, "the header is 40 bytes as stored");

// A header followed by one colour entry (blue, green, red, reserved).
struct BitmapInfo {
    BitmapInfoHeader header;
    uint8_t colour[4];
};
static_assert(sizeof(BitmapInfo) == 44, "header plus one colour entry");

namespace platform {

// CreateDIBitmap(dc, header, CBM_INIT, pixels, info, DIB_RGB_COLORS); null on failure.
BitmapHandle createDIBitmap(DeviceContext dc, const BitmapInfoHeader& header, const void* pixels,
                            const BitmapInfo& info);
// CreateCompatibleDC.
DeviceContext createCompatibleDC(DeviceContext dc);
// CreateCompatibleBitmap: a width by height bitmap in dc's format, contents undefined; null when
// the device has no room for it.
BitmapHandle createCompatibleBitmap(DeviceContext dc, int32_t width, int32_t height);
// SelectObject of a bitmap into a memory device context.
void selectBitmap(DeviceContext memoryDC, BitmapHandle bitmap);
// BitBlt with SRCCOPY from (0, 0) of source to (x, y) of destination.
void bitBlt(DeviceContext destination, int32_t x, int32_t y, int32_t width, int32_t height,
            DeviceContext source);
// DeleteDC.
void deleteDC(DeviceContext dc);
// DeleteObject of a bitmap.
void deleteBitmap(BitmapHandle bitmap);

}  // namespace platform
}  // namespace autorun
