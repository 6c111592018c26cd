// The window's accessible object, through which screen readers see the buttons inside it.
#pragma once

#include <cstdint>

#include "platform/handles.h"

namespace autorun {

// Object ids and events of Active Accessibility, and the role and state bits the menu uses.
namespace acc {
constexpr int32_t objectClient = -4;
constexpr uint32_t eventFocus = 0x8005;
constexpr uint32_t roleClient = 0x0A;
constexpr uint32_t rolePushButton = 0x2B;
constexpr uint32_t stateUnavailable = 0x1;
constexpr uint32_t stateFocused = 0x4;
constexpr uint32_t stateHot = 0x80;
constexpr uint32_t stateFocusable = 0x100000;
}  // namespace acc

// One child as the menu describes it at the moment of asking. name points at numberName or at
// text the menu keeps until the next rebuild.
struct AccessibleChild {
    const char* name = nullptr;
    char numberName[24] = {};
    uint32_t role = acc::rolePushButton;
    uint32_t state = 0;
    Rect location;  // client coordinates
    const char* defaultAction = nullptr;
};

// What the accessible object asks the menu. The object outlives the message that hands it
// out, so it asks anew on every call; children count from 1.
struct AccessibleMenu {
    // The window's name; null for none.
    const char* (*name)();
    uint32_t (*childCount)();
    // False when there is no such child now.
    bool (*describe)(uint32_t child, AccessibleChild& out);
    // The child with the keyboard focus, 0 for none.
    uint32_t (*focusedChild)();
    // Asks for the child's default action to be done soon; false when it has none now.
    bool (*doDefaultAction)(uint32_t child);
};

namespace platform {

// Answers WM_GETOBJECT for the client object with an object that asks menu (loading the
// accessibility DLL from the system folder and joining a single-threaded COM apartment on
// first use); the LRESULT to return. Every request is answered with the same object.
intptr_t answerAccessibleObject(WindowHandle window, uintptr_t wParam, intptr_t lParam,
                                const AccessibleMenu& menu);
// The window is being destroyed: the object is cut off from its readers, whose later calls
// fail, and no longer asks the menu anything; no later request gets an object.
void disconnectAccessibleObject();
// After the message loop: the thread leaves the apartment it joined for the object.
void leaveAccessibility();
// NotifyWinEvent: the keyboard focus moved to the client object's child.
void notifyFocus(WindowHandle window, uint32_t child);

}  // namespace platform
}  // namespace autorun
