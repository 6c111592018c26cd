// Colours and shapes of the demo pictures.
#include "tools/demo_pictures/artwork.h"

#include <cmath>

#include "tools/demo_pictures/font.h"

namespace demo {

namespace {

constexpr Colour white{255, 255, 255};

struct ButtonLook {
    Colour border, upper, lower, label;
    double shadow;  // opacity of the drop shadow; 0 for none
    int offset;     // how far the face moves down and right
};

ButtonLook look(ButtonState state) {
    switch (state) {
        case ButtonState::hover:
            return {{255, 226, 160}, {250, 178, 64}, {222, 128, 26}, {32, 36, 48}, 0.45, 0};
        case ButtonState::pressed:
            return {{120, 160, 210}, {24, 64, 112}, {38, 90, 150}, {220, 232, 255}, 0.15, 2};
        case ButtonState::disabled:
            return {{128, 138, 152}, {100, 110, 124}, {86, 94, 106}, {158, 166, 178}, 0.0, 0};
        case ButtonState::normal:
        default:
            return {{150, 196, 240}, {66, 130, 200}, {40, 92, 156}, white, 0.45, 0};
    }
}

}  // namespace

Canvas backgroundPicture(int width, int height) {
    Canvas c(width, height);
    c.fillVertical({14, 34, 62}, {32, 84, 128});
    // A soft glow behind the title.
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double dx = (x - width / 2.0) / (width * 0.55), dy = (y - 50.0) / 90.0;
            double d = dx * dx + dy * dy;
            if (d < 1) c.blend(x, y, {90, 150, 210}, 0.35 * (1 - d) * (1 - d));
        }
    }
    const std::string title = "AUTORUN MENU";
    c.drawText(title, width / 2 + 3, 29, 5, {4, 14, 30, 160});
    c.drawText(title, width / 2, 26, 5, white);
    c.drawText("A START MENU FOR DISCS AND FOLDERS", width / 2, 74, 2, {178, 208, 238});
    c.fillRoundedRect(60, 99, width - 60, 101, 1, {120, 170, 220}, {120, 170, 220}, 0.6);
    c.drawText("START DEMO IS ENABLED ONCE THE DEMO IS INSTALLED", width / 2, height - 20, 1,
               {150, 184, 218});
    return c;
}

Canvas buttonPicture(const Canvas& background, int left, int top, int width, int height,
                     const std::string& label, ButtonState state) {
    Canvas c = background.crop(left, top, width, height);
    const ButtonLook l = look(state);
    const double radius = 9, inset = 3;
    if (l.shadow > 0) {
        c.fillRoundedRect(inset, inset, width, height, radius, {0, 0, 0}, {0, 0, 0}, l.shadow);
    }
    const double x0 = l.offset, y0 = l.offset;
    const double x1 = width - inset + l.offset, y1 = height - inset + l.offset;
    c.fillRoundedRect(x0, y0, x1, y1, radius, l.border, l.border);
    c.fillRoundedRect(x0 + 1.5, y0 + 1.5, x1 - 1.5, y1 - 1.5, radius - 1.5, l.upper, l.lower);
    const int scale = 2;
    int textTop = static_cast<int>(y0 + (y1 - y0 - glyphHeight * scale) / 2);
    int centre = static_cast<int>((x0 + x1) / 2);
    c.drawText(label, centre, textTop, scale, l.label);
    return c;
}

Canvas iconPicture(int size) {
    Canvas c(size, size, {0, 0, 0, 0});
    const double centre = size / 2.0, outer = size / 2.0 - 0.5, hole = size * 0.11;
    const double label = size * 0.24;
    constexpr int samples = 4;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            int hits = 0;
            for (int s = 0; s < samples * samples; ++s) {
                double px = x + (s % samples + 0.5) / samples - centre;
                double py = y + (s / samples + 0.5) / samples - centre;
                double r = std::sqrt(px * px + py * py);
                if (r <= outer && r >= hole) ++hits;
            }
            if (hits == 0) continue;
            double px = x + 0.5 - centre, py = y + 0.5 - centre;
            double r = std::sqrt(px * px + py * py);
            double sheen = 0.5 + 0.5 * std::sin(2 * std::atan2(py, px));
            Colour colour = mix({150, 170, 196}, {236, 244, 252}, sheen);
            if (r < label) colour = mix({40, 92, 156}, {66, 130, 200}, sheen);
            if (r > outer - 1.2) colour = {70, 84, 104};
            c.blend(x, y, colour, static_cast<double>(hits) / (samples * samples));
        }
    }
    return c;
}

}  // namespace demo
