// The simulated tooltip control and accessibility client: what each shows of the buttons' names.
#include "platform/accessibility.h"
#include "platform/sim/sim_world.h"
#include "platform/tooltips.h"

namespace autorun::sim {

namespace {

// TTM_ADDTOOLW and TTM_DELTOOLW.
constexpr uint32_t addTool = wm::user + 50;
constexpr uint32_t deleteTool = wm::user + 51;
// TTF_SUBCLASS: the control watches the owner's pointer messages itself.
constexpr uint32_t subclassFlag = 0x10;
// WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX.
constexpr uint32_t tooltipStyle = 0x80000003u;
constexpr uint32_t searchSystemFolder = 0x800;

void loadLibrary(const char* name) {
    record(std::string("LoadLibraryExA file=") + quoted(name) +
           " flags=" + hex(searchSystemFolder) + " result=module");
}

bool inside(const Rect& r, int32_t x, int32_t y) {
    return r.left <= x && x < r.right && r.top <= y && y < r.bottom;
}

void hideTip() {
    if (world().tipShown == 0) return;
    world().tipShown = 0;
    record("tooltip hides");
}

}  // namespace

void tooltipSees(const QueuedMessage& m) {
    World& w = world();
    if (!w.tooltipMade || m.window != w.mainWindow) return;
    // A double click starts with a button press too.
    if (m.message == wm::leftButtonDown) {
        hideTip();
        return;
    }
    if (m.message != wm::mouseMove) return;
    int32_t x = static_cast<int16_t>(m.lParam & 0xFFFF);
    int32_t y = static_cast<int16_t>((m.lParam >> 16) & 0xFFFF);
    // The pointer is taken to rest where each move leaves it; the first tool under it shows.
    const SimTool* under = nullptr;
    for (const SimTool& tool : w.tools) {
        if (inside(tool.area, x, y)) {
            under = &tool;
            break;
        }
    }
    if (under == nullptr) {
        hideTip();
    } else if (under->id != w.tipShown) {
        w.tipShown = under->id;
        record("tooltip shows id=" + std::to_string(under->id) +
               " text=" + quoted(under->text.c_str()));
    }
}

std::string shownTooltip() {
    for (const SimTool& tool : world().tools) {
        if (tool.id == world().tipShown) return tool.text;
    }
    return "";
}

void askAccessibleObject(uint32_t child) {
    world().accessiblePress = child;
    sendFromOtherProcess(wm::getObject, 0, acc::objectClient);
}

}  // namespace autorun::sim

namespace autorun::platform {

using namespace sim;

bool setTooltipTools(WindowHandle owner, const TooltipTool* tools, uint32_t count) {
    World& w = world();
    if (!w.tooltipMade) {
        loadLibrary("comctl32.dll");
        record("CreateWindowExW class=\"tooltips_class32\" title=none style=" + hex(tooltipStyle) +
               " owner=" + (id(owner) == w.mainWindow ? "main" : "none"));
        w.tooltipMade = true;
    }
    for (const SimTool& tool : w.tools)
        record("SendMessageW msg=" + std::to_string(deleteTool) + " id=" + std::to_string(tool.id));
    w.tools.clear();
    hideTip();
    for (uint32_t i = 0; i < count; ++i) {
        const TooltipTool& tool = tools[i];
        record("SendMessageW msg=" + std::to_string(addTool) + " id=" + std::to_string(tool.id) +
               " flags=" + hex(subclassFlag) + " rect=" + rectText(tool.area) +
               " text=" + quoted(tool.text));
        w.tools.push_back(SimTool{tool.id, tool.area, tool.text != nullptr ? tool.text : ""});
    }
    return true;
}

intptr_t answerAccessibleObject(WindowHandle window, uintptr_t, intptr_t,
                                const AccessibleMenu& menu) {
    World& w = world();
    if (!w.accessibilityLoaded) loadLibrary("oleacc.dll");
    w.accessibilityLoaded = true;
    w.accessibleObject = true;
    WindowInfo info = windowInfo(window);
    uint32_t count = menu.childCount();
    record("LresultFromObject object=client name=" + quoted(menu.name()) +
           " role=" + std::to_string(acc::roleClient) + " children=" + std::to_string(count) +
           " focus=" + std::to_string(menu.focusedChild()));
    for (uint32_t child = 1; child <= count; ++child) {
        AccessibleChild c;
        if (!menu.describe(child, c)) continue;
        Rect r = c.location;
        Rect screen{r.left + info.clientScreen.left, r.top + info.clientScreen.top,
                    r.right + info.clientScreen.left, r.bottom + info.clientScreen.top};
        record("accChild id=" + std::to_string(child) + " name=" + quoted(c.name) +
               " role=" + std::to_string(c.role) + " state=" + hex(c.state) +
               " location=" + rectText(screen) + " action=" + quoted(c.defaultAction));
    }
    uint32_t press = w.accessiblePress;
    if (press != 0) {
        bool done = menu.doDefaultAction(press);
        record("accDoDefaultAction child=" + std::to_string(press) +
               " result=" + (done ? "0" : "invalid"));
    }
    return 1;
}

void disconnectAccessibleObject() {
    if (world().accessibleObject) record("CoDisconnectObject object=client");
    world().accessibleObject = false;
}

void leaveAccessibility() {
    if (world().accessibilityLoaded) record("CoUninitialize");
}

void notifyFocus(WindowHandle window, uint32_t child) {
    record("NotifyWinEvent event=" + hex(acc::eventFocus) +
           " window=" + (id(window) == world().mainWindow ? "main" : "none") +
           " object=" + std::to_string(acc::objectClient) + " child=" + std::to_string(child));
}

}  // namespace autorun::platform
