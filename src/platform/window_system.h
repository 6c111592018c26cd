// Window classes, the one top-level window, its messages and the screen's measures.
#pragma once

#include <cstdint>

#include "platform/handles.h"

namespace autorun {

// The window system's numbers for the messages, styles and measures the menu uses.
namespace wm {
constexpr uint32_t destroy = 2;
constexpr uint32_t paint = 15;
constexpr uint32_t close = 16;
constexpr uint32_t quit = 18;
constexpr uint32_t eraseBackground = 20;
constexpr uint32_t getObject = 0x3D;
constexpr uint32_t keyDown = 0x100;
constexpr uint32_t keyUp = 0x101;
constexpr uint32_t character = 0x102;
constexpr uint32_t sysKeyDown = 0x104;
constexpr uint32_t sysKeyUp = 0x105;
constexpr uint32_t sysCommand = 0x112;
constexpr uint32_t mouseMove = 0x200;
constexpr uint32_t leftButtonDown = 0x201;
constexpr uint32_t leftButtonUp = 0x202;
constexpr uint32_t leftButtonDoubleClick = 0x203;
constexpr uint32_t user = 0x400;
}  // namespace wm

namespace ws {
constexpr uint32_t popup = 0x80000000u;
constexpr uint32_t sysMenu = 0x00080000u;
constexpr uint32_t minimizeBox = 0x00020000u;
}  // namespace ws

// Virtual-key codes of the keys the menu reacts to.
namespace vk {
constexpr uint32_t tab = 0x09;
constexpr uint32_t enter = 0x0D;
constexpr uint32_t shift = 0x10;
constexpr uint32_t space = 0x20;
constexpr uint32_t left = 0x25;
constexpr uint32_t up = 0x26;
constexpr uint32_t right = 0x27;
constexpr uint32_t down = 0x28;
constexpr uint32_t f4 = 0x73;
}  // namespace vk

// Bits of a key message's lParam: Alt was held, and the key was already down (a repeat).
constexpr uint32_t keyAltDown = 1u << 29;
constexpr uint32_t keyWasDown = 1u << 30;
constexpr uintptr_t sysCommandClose = 0xF060;

constexpr uint32_t classDoubleClicks = 8;
constexpr int32_t showCommandShow = 5;
constexpr int32_t colorAppWorkspace = 12;
constexpr int32_t metricCaptionHeight = 4;
constexpr int32_t metricFrameWidth = 32;
constexpr int32_t metricFrameHeight = 33;
constexpr int32_t capsHorizontalResolution = 8;
constexpr int32_t capsVerticalResolution = 10;

using WindowProcedure = intptr_t (*)(WindowHandle window, uint32_t message, uintptr_t wParam,
                                     intptr_t lParam);

// The fields of WNDCLASSEXW that the menu sets; the rest are zero.
struct WindowClass {
    uint32_t style = 0;
    WindowProcedure procedure = nullptr;
    InstanceHandle instance = nullptr;
    IconHandle icon = nullptr;
    CursorHandle cursor = nullptr;
    BrushHandle background = nullptr;
    const char* className = nullptr;
};

struct Message {
    WindowHandle window = nullptr;
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

namespace platform {

// LoadImageW of an icon file at the size stored in it; null when it cannot be loaded.
IconHandle loadIconFromFile(InstanceHandle instance, const char* path);
// The standard arrow cursor.
CursorHandle loadArrowCursor();
// The system's brush for a colour index.
BrushHandle getSysColorBrush(int32_t index);
// RegisterClassExW; false when the class was not registered.
bool registerClass(const WindowClass& windowClass);
// UnregisterClassW.
void unregisterClass(const char* className, InstanceHandle instance);
// GetSystemMetrics.
int32_t getSystemMetrics(int32_t index);
// GetDeviceCaps.
int32_t getDeviceCaps(DeviceContext dc, int32_t index);
// CreateWindowExW with extended style 0, no parent, no menu; title null for none.
WindowHandle createWindow(const char* className, const char* title, uint32_t style, int32_t x,
                          int32_t y, int32_t width, int32_t height, InstanceHandle instance);
// ShowWindow.
void showWindow(WindowHandle window, int32_t command);
// UpdateWindow: pending painting is done before it returns.
void updateWindow(WindowHandle window);
// GetClientRect: left and top are 0.
Rect getClientRect(WindowHandle window);
// GetWindowRect: the outer rectangle in screen coordinates.
Rect getWindowRect(WindowHandle window);
// SetWindowPos with SWP_NOZORDER | SWP_NOMOVE: the outer size becomes cx by cy.
void setWindowSize(WindowHandle window, int32_t cx, int32_t cy);
// Whether the window still exists.
bool isWindow(WindowHandle window);
// GetDC: the window's client area, or the screen for a null window.
DeviceContext getDC(WindowHandle window);
// ReleaseDC.
void releaseDC(WindowHandle window, DeviceContext dc);
// GetMessageW for all windows: waits; 0 for the quit message, -1 on failure, else positive.
int32_t getMessage(Message& message);
// PeekMessageW for all windows; removes the message when remove is set. Delivers messages that
// other threads send meanwhile, as the system does.
bool peekMessage(Message& message, bool remove);
// TranslateMessage.
void translateMessage(const Message& message);
// DispatchMessageW: the window procedure's result.
intptr_t dispatchMessage(const Message& message);
// PostMessageW.
bool postMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// SendMessageW: the window procedure's result, 0 for a window that no longer exists.
intptr_t sendMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// GetKeyState: whether the key was down when the message being handled was sent.
bool keyHeld(uint32_t virtualKey);
// PostQuitMessage.
void postQuitMessage(int32_t exitCode);
// DefWindowProcW.
intptr_t defWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

}  // namespace platform
}  // namespace autorun
