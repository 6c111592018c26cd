// A small RGBA canvas with the few drawing operations the demo pictures need.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

struct Colour {
    uint8_t r = 0, g = 0, b = 0, a = 255;
};

Colour mix(Colour from, Colour to, double t);

class Canvas {
  public:
    Canvas(int width, int height, Colour fill = {});

    int width() const { return width_; }
    int height() const { return height_; }
    Colour at(int x, int y) const { return pixels_[index(x, y)]; }
    // Lays colour over the pixel with the given opacity (0 to 1) and the colour's own alpha.
    void blend(int x, int y, Colour colour, double opacity);

    void fillVertical(Colour top, Colour bottom);
    // A rectangle with rounded corners from (left, top) to (right, bottom), exclusive, filled
    // with a vertical gradient; its edges are smoothed by supersampling.
    void fillRoundedRect(double left, double top, double right, double bottom, double radius,
                         Colour upper, Colour lower, double opacity = 1.0);
    // Text in the block font, each font pixel a square of scale pixels, centred on centreX.
    void drawText(const std::string& text, int centreX, int top, int scale, Colour colour);
    Canvas crop(int left, int top, int width, int height) const;

  private:
    size_t index(int x, int y) const { return static_cast<size_t>(y) * width_ + x; }

    int width_;
    int height_;
    std::vector<Colour> pixels_;
};

int textWidth(const std::string& text, int scale);

}  // namespace demo
