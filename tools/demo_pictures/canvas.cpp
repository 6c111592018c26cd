// Drawing on the RGBA canvas: gradients, smoothed rounded rectangles and block-font text.
#include "tools/demo_pictures/canvas.h"

#include <algorithm>
#include <cmath>

#include "tools/demo_pictures/font.h"

namespace demo {

namespace {

uint8_t channel(double v) {
    return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

bool insideRoundedRect(double x, double y, double left, double top, double right, double bottom,
                       double radius) {
    if (x < left || x >= right || y < top || y >= bottom) return false;
    double cx = std::clamp(x, left + radius, right - radius);
    double cy = std::clamp(y, top + radius, bottom - radius);
    double dx = x - cx, dy = y - cy;
    return dx * dx + dy * dy <= radius * radius;
}

}  // namespace

Colour mix(Colour from, Colour to, double t) {
    return {channel(from.r + (to.r - from.r) * t), channel(from.g + (to.g - from.g) * t),
            channel(from.b + (to.b - from.b) * t), channel(from.a + (to.a - from.a) * t)};
}

Canvas::Canvas(int width, int height, Colour fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill) {}

void Canvas::blend(int x, int y, Colour colour, double opacity) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || opacity <= 0) return;
    Colour& p = pixels_[index(x, y)];
    // Porter-Duff "over", so that colour laid on a transparent pixel keeps its own shade.
    double a = std::min(1.0, opacity) * colour.a / 255.0;
    double below = p.a / 255.0 * (1 - a);
    double out = a + below;
    if (out <= 0) return;
    p = {channel((colour.r * a + p.r * below) / out), channel((colour.g * a + p.g * below) / out),
         channel((colour.b * a + p.b * below) / out), channel(out * 255)};
}

void Canvas::fillVertical(Colour top, Colour bottom) {
    for (int y = 0; y < height_; ++y) {
        Colour c = mix(top, bottom, height_ > 1 ? static_cast<double>(y) / (height_ - 1) : 0);
        for (int x = 0; x < width_; ++x) pixels_[index(x, y)] = c;
    }
}

void Canvas::fillRoundedRect(double left, double top, double right, double bottom, double radius,
                             Colour upper, Colour lower, double opacity) {
    constexpr int samples = 4;
    int x0 = std::max(0, static_cast<int>(std::floor(left)));
    int y0 = std::max(0, static_cast<int>(std::floor(top)));
    int x1 = std::min(width_, static_cast<int>(std::ceil(right)));
    int y1 = std::min(height_, static_cast<int>(std::ceil(bottom)));
    for (int y = y0; y < y1; ++y) {
        double t = bottom - top > 1 ? (y + 0.5 - top) / (bottom - top) : 0;
        Colour c = mix(upper, lower, std::clamp(t, 0.0, 1.0));
        for (int x = x0; x < x1; ++x) {
            int hits = 0;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    double px = x + (sx + 0.5) / samples, py = y + (sy + 0.5) / samples;
                    if (insideRoundedRect(px, py, left, top, right, bottom, radius)) ++hits;
                }
            }
            blend(x, y, c, opacity * hits / (samples * samples));
        }
    }
}

void Canvas::drawText(const std::string& text, int centreX, int top, int scale, Colour colour) {
    int x = centreX - textWidth(text, scale) / 2;
    for (char c : text) {
        const uint8_t* rows = glyph(c);
        for (int row = 0; row < glyphHeight; ++row) {
            for (int column = 0; column < glyphWidth; ++column) {
                if ((rows[row] >> (glyphWidth - 1 - column) & 1) == 0) continue;
                for (int dy = 0; dy < scale; ++dy) {
                    for (int dx = 0; dx < scale; ++dx) {
                        blend(x + column * scale + dx, top + row * scale + dy, colour, 1.0);
                    }
                }
            }
        }
        x += glyphAdvance * scale;
    }
}

Canvas Canvas::crop(int left, int top, int width, int height) const {
    Canvas out(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int sx = std::clamp(left + x, 0, width_ - 1), sy = std::clamp(top + y, 0, height_ - 1);
            out.pixels_[out.index(x, y)] = pixels_[index(sx, sy)];
        }
    }
    return out;
}

int textWidth(const std::string& text, int scale) {
    if (text.empty()) return 0;
    return (static_cast<int>(text.size()) * glyphAdvance - 1) * scale;
}

}  // namespace demo
