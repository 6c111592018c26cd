// The menu by keyboard: a focus that moves over the buttons, and Enter or Space as a click.
#include "buttons/menu_button.h"
#include "config/application.h"
#include "platform/accessibility.h"
#include "platform/window_system.h"

namespace autorun {

bool Application::handleKey(uintptr_t virtualKey, intptr_t keyFlags) {
    switch (virtualKey) {
        case vk::tab:
            moveFocus(!platform::keyHeld(vk::shift));
            return true;
        case vk::right:
        case vk::down:
            moveFocus(true);
            return true;
        case vk::left:
        case vk::up:
            moveFocus(false);
            return true;
        case vk::enter:
        case vk::space:
            // A held key repeats its key-down; only the first one is a press.
            if ((static_cast<uint32_t>(keyFlags) & keyWasDown) != 0) return true;
            if (focusShown && static_cast<uint32_t>(focusIndex) < buttonCount &&
                buttons[focusIndex].takesPart())
                pressButton(static_cast<uint32_t>(focusIndex));
            return true;
        default:
            return false;
    }
}

void Application::moveFocus(bool forward) {
    int32_t count = static_cast<int32_t>(buttonCount);
    // The first key starts before the first button (or after the last, going back).
    int32_t from = focusIndex >= 0 && focusIndex < count ? focusIndex : (forward ? -1 : count);
    for (int32_t step = 1; step <= count; ++step) {
        int32_t index = from + (forward ? step : -step);
        index = (index % count + count) % count;
        if (buttons[index].takesPart()) {
            showFocus(static_cast<uint32_t>(index));
            return;
        }
    }
}

void Application::showFocus(uint32_t index) {
    focusIndex = static_cast<int32_t>(index);
    focusShown = true;
    // As if the pointer stood on the focused button alone.
    for (uint32_t i = 0; i < buttonCount; ++i) {
        MenuButton& button = buttons[i];
        if (!button.takesPart()) continue;
        if (i == index)
            button.enterHover(mainWindow.windowDC);
        else
            button.leave(mainWindow.windowDC);
    }
    // Screen readers follow the focus by this event; without one listening it is not raised.
    if (accessibilityClient) platform::notifyFocus(mainWindow.hwnd, shownButtonsBefore(index) + 1);
}

void Application::keepFocus() {
    if (!focusShown) return;
    focusShown = false;
    int32_t count = static_cast<int32_t>(buttonCount);
    // The same button number where it still takes part, else the next one that does.
    for (int32_t step = 0; step < count; ++step) {
        int32_t index = (focusIndex % count + step) % count;
        MenuButton& button = buttons[index];
        if (!button.takesPart()) continue;
        focusIndex = index;
        focusShown = true;
        // The redraw that ends the rebuild shows it.
        button.state = stateHover;
        button.hover = true;
        return;
    }
}

}  // namespace autorun
