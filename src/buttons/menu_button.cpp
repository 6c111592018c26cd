// The button's reaction to hover, press and leave, and drawing of its state's picture.
#include "buttons/menu_button.h"

namespace autorun {

MenuButton::~MenuButton() = default;

void MenuButton::setup(uint32_t pictureCount, const String* names, const Rect& rectangle,
                       DeviceContext dc) {
    rect = rectangle;
    load(pictureCount, names);
    const BitmapInfoHeader* normal = count > 0 ? &records[0].header : nullptr;
    rect.right = rect.left + (normal != nullptr ? normal->biWidth : 0);
    rect.bottom = rect.top + (normal != nullptr ? records[0].height() : 0);
    for (uint32_t i = 0; i < count; ++i) records[i].realize(dc);
}

void MenuButton::enterHover(DeviceContext dc) {
    state = stateHover;
    bool wasHover = hover;
    hover = true;
    if (!wasHover) drawState(dc);
}

void MenuButton::press(DeviceContext dc) {
    state = statePressed;
    hover = true;
    drawState(dc);
}

void MenuButton::leave(DeviceContext dc) {
    state = stateNormal;
    bool wasHover = hover;
    hover = false;
    if (wasHover) drawState(dc);
}

void MenuButton::drawState(DeviceContext dc) {
    if (!enabled) state = stateDisabled;
    if (hidden) return;
    draw(dc, rect.left, rect.top, static_cast<uint32_t>(state));
}

}  // namespace autorun
