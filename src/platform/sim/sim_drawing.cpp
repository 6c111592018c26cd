// The simulated drawing surface: device contexts with pixels, DIB conversion as GDI does it,
// and clipped block transfers.
#include "platform/drawing.h"
#include "platform/sim/sim_world.h"

namespace autorun::sim {

namespace {

uint32_t rgb(uint8_t r, uint8_t g, uint8_t b) {
    return uint32_t{r} << 16 | uint32_t{g} << 8 | b;
}

uint8_t widen5(uint32_t v) {
    return static_cast<uint8_t>((v << 3) | (v >> 2));
}

uintptr_t addDC(DcKind kind, uintptr_t window, std::shared_ptr<Surface> surface) {
    uintptr_t h = newHandle();
    SimDC dc;
    dc.kind = kind;
    dc.window = window;
    dc.surface = std::move(surface);
    world().dcs[h] = dc;
    return h;
}

Surface* surfaceOf(DeviceContext dc) {
    auto it = world().dcs.find(id(dc));
    return it == world().dcs.end() ? nullptr : it->second.surface.get();
}

// Why the device would refuse this bitmap, or nullptr when it converts it.
const char* refusal(const BitmapInfoHeader& h, const void* pixels) {
    if (pixels == nullptr) return "no pixels";
    if (h.biSize < 40 || h.biWidth <= 0 || h.biHeight == 0 || h.biPlanes != 1) return "bad header";
    if (h.biCompression != 0) return "compressed";
    uint16_t bits = h.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return "bad bit count";
    // The menu hands over exactly one colour entry; any other count would make GDI read past it.
    if (bits <= 8 && h.biClrUsed != 1) return "colour table larger than the one entry supplied";
    if (h.biSize != 40) return "header larger than the 40 bytes supplied";
    return nullptr;
}

}  // namespace

DeviceContext createSurface(int32_t width, int32_t height, uint32_t colour) {
    auto surface = std::make_shared<Surface>();
    surface->resize(width, height, colour);
    return handle<DeviceContext>(addDC(DcKind::surface, 0, surface));
}

Image surfaceImage(DeviceContext dc) {
    Image image;
    if (Surface* s = surfaceOf(dc)) {
        image.width = s->width;
        image.height = s->height;
        image.pixels = s->pixels;
    }
    return image;
}

int32_t liveDrawingObjects() {
    int32_t n = static_cast<int32_t>(world().bitmaps.size());
    for (auto& [h, dc] : world().dcs) {
        if (dc.kind != DcKind::surface) ++n;
    }
    return n;
}

}  // namespace autorun::sim

namespace autorun::platform {

using namespace sim;

DeviceContext getDC(WindowHandle window) {
    uintptr_t h = 0;
    if (window == nullptr) {
        h = addDC(DcKind::screen, 0, nullptr);
    } else if (SimWindow* w = liveWindow(id(window))) {
        h = addDC(DcKind::window, id(window), w->client);
    }
    record(std::string("GetDC window=") + (window == nullptr ? "none" : "main") +
           " result=" + (h != 0 ? "dc" : "none"));
    return handle<DeviceContext>(h);
}

void releaseDC(WindowHandle, DeviceContext dc) {
    record("ReleaseDC");
    auto it = world().dcs.find(id(dc));
    if (it != world().dcs.end() &&
        (it->second.kind == DcKind::window || it->second.kind == DcKind::screen)) {
        world().dcs.erase(it);
    }
}

BitmapHandle createDIBitmap(DeviceContext, const BitmapInfoHeader& header, const void* pixels,
                            const BitmapInfo& info) {
    const char* why = refusal(header, pixels);
    std::string fields = "CreateDIBitmap w=" + std::to_string(header.biWidth) +
                         " h=" + std::to_string(header.biHeight) +
                         " bits=" + std::to_string(header.biBitCount);
    if (why != nullptr) {
        record(fields + " result=none");
        return nullptr;
    }
    int32_t width = header.biWidth;
    int32_t rows = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    size_t stride = (static_cast<size_t>(width) * header.biBitCount + 31) / 32 * 4;
    const auto* bytes = static_cast<const uint8_t*>(pixels);
    uint32_t white = rgb(info.colour[2], info.colour[1], info.colour[0]);
    auto surface = std::make_shared<Surface>();
    surface->resize(width, rows, 0);
    for (int32_t y = 0; y < rows; ++y) {
        // Bottom-up rows unless the height is negative.
        const uint8_t* row =
            bytes + stride * static_cast<size_t>(header.biHeight > 0 ? rows - 1 - y : y);
        for (int32_t x = 0; x < width; ++x) {
            uint32_t colour = 0;
            switch (header.biBitCount) {
                case 1:
                case 4:
                case 8: {
                    uint32_t bits = header.biBitCount;
                    size_t bit = static_cast<size_t>(x) * bits;
                    uint32_t index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                    // Indices past the one supplied entry show as black.
                    colour = index == 0 ? white : 0;
                    break;
                }
                case 16: {
                    uint32_t v = row[x * 2] | row[x * 2 + 1] << 8;
                    colour = rgb(widen5(v >> 10 & 31), widen5(v >> 5 & 31), widen5(v & 31));
                    break;
                }
                case 24:
                    colour = rgb(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
                    break;
                default:
                    colour = rgb(row[x * 4 + 2], row[x * 4 + 1], row[x * 4]);
                    break;
            }
            surface->pixels[static_cast<size_t>(y) * width + x] = colour;
        }
    }
    uintptr_t h = newHandle();
    world().bitmaps[h] = surface;
    record(fields + " result=bitmap");
    return handle<BitmapHandle>(h);
}

DeviceContext createCompatibleDC(DeviceContext) {
    record("CreateCompatibleDC");
    return handle<DeviceContext>(addDC(DcKind::memory, 0, nullptr));
}

BitmapHandle createCompatibleBitmap(DeviceContext dc, int32_t width, int32_t height) {
    bool made = world().dcs.count(id(dc)) > 0 && width > 0 && height > 0;
    uintptr_t h = 0;
    if (made) {
        auto surface = std::make_shared<Surface>();
        surface->resize(width, height, 0);
        h = newHandle();
        world().bitmaps[h] = surface;
    }
    record("CreateCompatibleBitmap w=" + std::to_string(width) + " h=" + std::to_string(height) +
           " result=" + (made ? "bitmap" : "none"));
    return handle<BitmapHandle>(h);
}

void selectBitmap(DeviceContext memoryDC, BitmapHandle bitmap) {
    record("SelectObject");
    auto dc = world().dcs.find(id(memoryDC));
    auto bmp = world().bitmaps.find(id(bitmap));
    if (dc == world().dcs.end() || bmp == world().bitmaps.end() ||
        dc->second.kind != DcKind::memory)
        return;
    dc->second.bitmap = bmp->first;
    dc->second.surface = bmp->second;
}

void bitBlt(DeviceContext destination, int32_t x, int32_t y, int32_t width, int32_t height,
            DeviceContext source) {
    auto target = world().dcs.find(id(destination));
    bool offScreen = target != world().dcs.end() && target->second.kind == DcKind::memory;
    record("BitBlt x=" + std::to_string(x) + " y=" + std::to_string(y) +
           " w=" + std::to_string(width) + " h=" + std::to_string(height) +
           (offScreen ? " to=memory" : ""));
    Surface* to = surfaceOf(destination);
    Surface* from = surfaceOf(source);
    if (to == nullptr || from == nullptr) return;
    for (int32_t row = 0; row < height && row < from->height; ++row) {
        int32_t ty = y + row;
        if (ty < 0 || ty >= to->height) continue;
        for (int32_t col = 0; col < width && col < from->width; ++col) {
            int32_t tx = x + col;
            if (tx < 0 || tx >= to->width) continue;
            to->pixels[static_cast<size_t>(ty) * to->width + tx] =
                from->pixels[static_cast<size_t>(row) * from->width + col];
        }
    }
}

void deleteDC(DeviceContext dc) {
    record("DeleteDC");
    world().dcs.erase(id(dc));
}

void deleteBitmap(BitmapHandle bitmap) {
    // A bitmap still selected into a device context cannot be deleted.
    for (auto& [h, dc] : world().dcs) {
        if (dc.bitmap == id(bitmap)) {
            record("DeleteObject result=0");
            return;
        }
    }
    bool deleted = world().bitmaps.erase(id(bitmap)) > 0;
    record(std::string("DeleteObject result=") + (deleted ? "1" : "0"));
}

}  // namespace autorun::platform
