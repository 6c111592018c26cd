// One image button: four pictures, a rectangle of picture 0's size and a state.
#pragma once

#include <cstdint>

#include "images/image_set.h"

namespace autorun {

enum ButtonState : int32_t { stateNormal = 0, stateHover = 1, statePressed = 2, stateDisabled = 3 };

class MenuButton : public ImageSet {
  public:
    MenuButton() = default;
    ~MenuButton() override;

    // Loads the pictures, takes left and top from rectangle and realizes every picture with dc.
    void setup(uint32_t pictureCount, const String* names, const Rect& rectangle, DeviceContext dc);
    // The pointer is over the button: hover picture, redrawn only when it was not in hover.
    void enterHover(DeviceContext dc);
    // The left button went down over the button: pressed picture, always redrawn.
    void press(DeviceContext dc);
    // The pointer is elsewhere: normal picture, redrawn only when it was in hover.
    void leave(DeviceContext dc);
    // Draws the picture of the state; a disabled button takes state 3, a hidden one draws nothing.
    void drawState(DeviceContext dc);
    // Whether the button reacts to the pointer and the keyboard: shown and enabled.
    bool takesPart() const { return !hidden && enabled; }

    int32_t state = stateNormal;
    bool hover = false;
    bool hidden = false;
    bool enabled = true;
    Rect rect;
    // The button's name for tooltips and screen readers; empty for none.
    String tip;
};

}  // namespace autorun
