// The buttons' names for people who cannot see their pictures: tooltips, and the accessible
// object through which screen readers list, announce and press the buttons.
#include <new>

#include "buttons/menu_button.h"
#include "config/application.h"
#include "platform/accessibility.h"
#include "platform/tooltips.h"

namespace autorun {

namespace {

const char* const pressActionName = "Press";

bool shown(const MenuButton& button) {
    return !button.hidden;
}

const char* menuName() {
    Application* app = Application::instance();
    return app != nullptr ? app->mainWindow.title.text() : nullptr;
}

uint32_t menuChildCount() {
    Application* app = Application::instance();
    return app != nullptr ? app->shownButtonsBefore(app->buttonCount) : 0;
}

bool describeChild(uint32_t child, AccessibleChild& out) {
    Application* app = Application::instance();
    int32_t index = app != nullptr ? app->buttonOfChild(child) : -1;
    if (index < 0) return false;
    const MenuButton& button = app->buttons[index];
    out.name = button.tip.text();
    if (button.tip.length() == 0) {
        // Written in place: a name must be had also where no memory can be.
        char* at = out.numberName;
        for (const char* c = "Button "; *c != '\0'; ++c) *at++ = *c;
        decimalText(static_cast<uint32_t>(index) + 1, at);
        out.name = out.numberName;
    }
    out.role = acc::rolePushButton;
    out.state = acc::stateFocusable;
    if (!button.enabled) out.state = acc::stateUnavailable;
    bool focused = app->focusShown && app->focusIndex == index;
    if (focused) out.state |= acc::stateFocused;
    if (button.hover && !app->focusShown) out.state |= acc::stateHot;
    out.location = button.rect;
    out.defaultAction = pressActionName;
    return true;
}

uint32_t menuFocusedChild() {
    Application* app = Application::instance();
    if (app == nullptr || !app->focusShown || app->focusIndex < 0) return 0;
    return app->shownButtonsBefore(static_cast<uint32_t>(app->focusIndex)) + 1;
}

bool pressChild(uint32_t child) {
    Application* app = Application::instance();
    int32_t index = app != nullptr ? app->buttonOfChild(child) : -1;
    // A disabled button has no action to do, as a click on it does nothing.
    if (index < 0 || !app->buttons[index].takesPart()) return false;
    // Done from the message loop, so that the caller is not kept waiting by a program the
    // button runs and waits for.
    return platform::postMessage(app->mainWindow.hwnd, pressMessage, static_cast<uintptr_t>(index),
                                 0);
}

const AccessibleMenu accessibleMenu = {menuName, menuChildCount, describeChild, menuFocusedChild,
                                       pressChild};

}  // namespace

uint32_t Application::shownButtonsBefore(uint32_t index) const {
    uint32_t before = 0;
    for (uint32_t i = 0; i < index && i < buttonCount; ++i) {
        if (shown(buttons[i])) ++before;
    }
    return before;
}

int32_t Application::buttonOfChild(uint32_t child) const {
    uint32_t seen = 0;
    for (uint32_t i = 0; i < buttonCount; ++i) {
        if (!shown(buttons[i])) continue;
        if (++seen == child) return static_cast<int32_t>(i);
    }
    return -1;
}

void Application::rebuildTooltips() {
    uint32_t named = 0;
    for (uint32_t i = 0; i < buttonCount; ++i) {
        if (shown(buttons[i]) && buttons[i].tip.length() > 0) ++named;
    }
    // A menu without names never loads the common controls.
    if (named == 0 && !tooltipsMade) return;
    TooltipTool* tools = new (std::nothrow) TooltipTool[named > 0 ? named : 1];
    if (tools == nullptr) return;
    uint32_t made = 0;
    for (uint32_t i = 0; i < buttonCount; ++i) {
        const MenuButton& button = buttons[i];
        if (!shown(button) || button.tip.length() == 0) continue;
        // The tool covers what a click covers: the picture and the pixel line right of and
        // below it. A disabled button keeps its tip: it still says what the button is.
        TooltipTool& tool = tools[made++];
        tool.id = i + 1;
        tool.area =
            Rect{button.rect.left, button.rect.top, button.rect.right + 1, button.rect.bottom + 1};
        tool.text = button.tip.text();
    }
    if (platform::setTooltipTools(mainWindow.hwnd, tools, made)) tooltipsMade = true;
    delete[] tools;
}

intptr_t Application::answerGetObject(WindowHandle window, uintptr_t wParam, intptr_t lParam) {
    if (static_cast<int32_t>(lParam) != acc::objectClient)
        return platform::defWindowProc(window, wm::getObject, wParam, lParam);
    accessibilityClient = true;
    return platform::answerAccessibleObject(window, wParam, lParam, accessibleMenu);
}

void Application::pressFromOutside(uintptr_t index) {
    if (index >= buttonCount || !buttons[index].takesPart()) return;
    pressButton(static_cast<uint32_t>(index));
}

}  // namespace autorun
