// The look of the demo menu: its background, its buttons in their four states and its icon.
#pragma once

#include <string>

#include "tools/demo_pictures/canvas.h"

namespace demo {

enum class ButtonState { normal, hover, pressed, disabled };

Canvas backgroundPicture(int width, int height);

// The button picture for the place (left, top) of the background: the button is drawn over that
// part of the background, so that its rounded corners and its shadow blend into it.
Canvas buttonPicture(const Canvas& background, int left, int top, int width, int height,
                     const std::string& label, ButtonState state);

// A disc with a transparent hole and edge, size x size pixels.
Canvas iconPicture(int size);

}  // namespace demo
