// The standard tooltip control of the common controls, made when the first tool is wanted.
#include "platform/win32/win32_system_dll.h"

// The common controls' declarations need the types of <windows.h> first.
#include <commctrl.h>

#include "platform/tooltips.h"
#include "platform/win32/win32_text.h"

namespace autorun::platform {

namespace {

HWND tooltip = nullptr;

HWND makeTooltip(HWND owner) {
    HMODULE controls = win32::loadSystemLibrary("comctl32.dll");
    if (controls == nullptr) return nullptr;
    using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    auto init = win32::systemFunction<InitFn>(controls, "InitCommonControlsEx");
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_BAR_CLASSES};
    if (init != nullptr) init(&classes);
    // TTS_ALWAYSTIP: the tip shows also while another window is active, as a menu started
    // by the system's autoplay often is. The control is destroyed with its owner.
    return CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                           WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, nullptr, nullptr);
}

}  // namespace

bool setTooltipTools(WindowHandle owner, const TooltipTool* tools, uint32_t count) {
    HWND window = reinterpret_cast<HWND>(owner);
    if (tooltip == nullptr) tooltip = makeTooltip(window);
    if (tooltip == nullptr) return false;
    // The size of the record that every version of the control knows.
    TOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    while (SendMessageW(tooltip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&info)) != 0) {
        SendMessageW(tooltip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
        info.lpszText = nullptr;
    }
    for (uint32_t i = 0; i < count; ++i) {
        info = TOOLINFOW{};
        info.cbSize = TTTOOLINFOW_V2_SIZE;
        // The control watches the owner's pointer messages itself.
        info.uFlags = TTF_SUBCLASS;
        info.hwnd = window;
        info.uId = tools[i].id;
        info.rect =
            RECT{tools[i].area.left, tools[i].area.top, tools[i].area.right, tools[i].area.bottom};
        win32::Wide text(tools[i].text);
        info.lpszText = text.get();
        SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
    return true;
}

}  // namespace autorun::platform
