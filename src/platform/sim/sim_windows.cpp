// The simulated window system: classes, one window's frame and client area, queues and painting.

#include "platform/sim/sim_world.h"
#include "platform/window_system.h"

namespace autorun::sim {

namespace {

constexpr uint32_t childStyle = 0x40000000u;
constexpr uint32_t workspaceColour = 0xABABAB;
constexpr uintptr_t leftButtonFlag = 1;

bool framed(uint32_t style) {
    return (style & (ws::popup | childStyle)) == 0;
}

std::string windowName(uintptr_t window) {
    if (window == 0) return "none";
    return window == world().mainWindow ? "main" : hex(static_cast<uint32_t>(window));
}

std::string messageText(const QueuedMessage& m) {
    return "msg=" + std::to_string(m.message) + " wParam=" + std::to_string(m.wParam) +
           " lParam=" + hex(static_cast<uint32_t>(m.lParam));
}

void fill(Message& out, const QueuedMessage& m) {
    out.window = handle<WindowHandle>(m.window);
    out.message = m.message;
    out.wParam = m.wParam;
    out.lParam = m.lParam;
}

void deliverSentMessages() {
    World& w = world();
    while (!w.sentFromOthers.empty()) {
        QueuedMessage m = w.sentFromOthers.front();
        w.sentFromOthers.pop_front();
        callProcedure(m.window, m.message, m.wParam, m.lParam);
    }
}

// The next message in the order the system hands them out: posted, input, quit, paint.
// Returns false when there is none.
bool nextMessage(QueuedMessage& m, bool remove) {
    World& w = world();
    for (std::deque<QueuedMessage>* queue : {&w.posted, &w.input}) {
        if (!queue->empty()) {
            m = queue->front();
            if (remove) queue->pop_front();
            if (remove && queue == &w.input) w.shiftHeld = m.shift;
            return true;
        }
    }
    if (w.quitPosted) {
        m = QueuedMessage{0, wm::quit, static_cast<uintptr_t>(w.quitCode), 0};
        if (remove) w.quitPosted = false;
        return true;
    }
    for (auto& [id, window] : w.windows) {
        if (!window.destroyed && window.visible && window.needsPaint) {
            m = QueuedMessage{id, wm::paint, 0, 0};
            return true;
        }
    }
    return false;
}

// With the queue empty: more input from the idle handler, else the main window is closed.
bool waitForInput() {
    World& w = world();
    if (w.idle && w.idle()) return true;
    if (liveWindow(w.mainWindow) != nullptr && !w.closedForLackOfInput) {
        w.closedForLackOfInput = true;
        w.posted.push_back(QueuedMessage{w.mainWindow, wm::close, 0, 0});
        return true;
    }
    return false;
}

void queueInput(uint32_t message, uintptr_t wParam, int32_t x, int32_t y) {
    uint32_t packed =
        (static_cast<uint32_t>(y) & 0xFFFF) << 16 | (static_cast<uint32_t>(x) & 0xFFFF);
    world().input.push_back(
        QueuedMessage{world().mainWindow, message, wParam, static_cast<intptr_t>(packed)});
}

// The keyboard's scan code of a key, with the flag of the keys of the extended block.
uint32_t scanCode(uint32_t virtualKey) {
    constexpr uint32_t extended = 1u << 8;
    switch (virtualKey) {
        case vk::tab:
            return 0x0F;
        case vk::enter:
            return 0x1C;
        case vk::space:
            return 0x39;
        case vk::left:
            return 0x4B | extended;
        case vk::up:
            return 0x48 | extended;
        case vk::right:
            return 0x4D | extended;
        case vk::down:
            return 0x50 | extended;
        case vk::f4:
            return 0x3E;
        default:
            return 0;
    }
}

// The character TranslateMessage makes of a key, or 0 for none.
uint32_t keyCharacter(uint32_t virtualKey) {
    return virtualKey == vk::tab || virtualKey == vk::enter || virtualKey == vk::space ? virtualKey
                                                                                       : 0;
}

void destroyWindow(uintptr_t id) {
    SimWindow* window = liveWindow(id);
    if (window == nullptr) return;
    window->visible = false;
    callProcedure(id, wm::destroy, 0, 0);
    window->destroyed = true;
}

}  // namespace

std::string rectText(const Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

SimWindow* liveWindow(uintptr_t window) {
    auto it = world().windows.find(window);
    return it == world().windows.end() || it->second.destroyed ? nullptr : &it->second;
}

intptr_t callProcedure(uintptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    SimWindow* w = liveWindow(window);
    if (w == nullptr) return 0;
    auto cls = world().classes.find(foldName(w->className));
    if (cls == world().classes.end() || cls->second.procedure == nullptr) return 0;
    return cls->second.procedure(handle<WindowHandle>(window), message, wParam, lParam);
}

Frame frameOf(const SimWindow& window) {
    const World& w = world();
    if (!framed(window.style)) return Frame{};
    return w.windowFrame ? *w.windowFrame : Frame{w.captionHeight, w.frameWidth, w.frameHeight};
}

Rect clientFor(const SimWindow& window) {
    Frame frame = frameOf(window);
    int32_t w = window.outer.right - window.outer.left - 2 * frame.width;
    int32_t h = window.outer.bottom - window.outer.top - 2 * frame.height - frame.caption;
    return Rect{0, 0, w > 0 ? w : 0, h > 0 ? h : 0};
}

void setScreenSize(int32_t width, int32_t height) {
    world().screenWidth = width;
    world().screenHeight = height;
}

void setMetrics(int32_t captionHeight, int32_t frameWidth, int32_t frameHeight) {
    world().captionHeight = captionHeight;
    world().frameWidth = frameWidth;
    world().frameHeight = frameHeight;
}

void setWindowFrame(int32_t captionHeight, int32_t frameWidth, int32_t frameHeight) {
    world().windowFrame = Frame{captionHeight, frameWidth, frameHeight};
}

WindowHandle mainWindow() {
    return handle<WindowHandle>(world().mainWindow);
}

WindowInfo windowInfo(WindowHandle window) {
    WindowInfo info;
    auto it = world().windows.find(id(window));
    if (it == world().windows.end()) return info;
    const SimWindow& w = it->second;
    info.exists = !w.destroyed;
    info.visible = w.visible;
    info.className = w.className;
    info.title = w.title;
    info.style = w.style;
    info.window = w.outer;
    info.client = clientFor(w);
    Frame frame = frameOf(w);
    int32_t left = w.outer.left + frame.width;
    int32_t top = w.outer.top + frame.height + frame.caption;
    info.clientScreen = Rect{left, top, left + info.client.right, top + info.client.bottom};
    return info;
}

bool classRegistered(const std::string& className) {
    return world().classes.count(foldName(className)) > 0;
}

Image clientImage(WindowHandle window) {
    Image image;
    auto it = world().windows.find(id(window));
    if (it == world().windows.end()) return image;
    const Surface& s = *it->second.client;
    image.width = s.width;
    image.height = s.height;
    image.pixels = s.pixels;
    return image;
}

const std::vector<uint32_t>* clientPixels(WindowHandle window, int32_t& width, int32_t& height) {
    auto it = world().windows.find(id(window));
    if (it == world().windows.end()) return nullptr;
    const Surface& s = *it->second.client;
    width = s.width;
    height = s.height;
    return &s.pixels;
}

void move(int32_t x, int32_t y) {
    queueInput(wm::mouseMove, 0, x, y);
}

void release(int32_t x, int32_t y) {
    queueInput(wm::leftButtonUp, 0, x, y);
}

void press(int32_t x, int32_t y) {
    queueInput(wm::leftButtonDown, leftButtonFlag, x, y);
}

void click(int32_t x, int32_t y) {
    press(x, y);
    release(x, y);
}

void pressAgain(int32_t x, int32_t y) {
    // The second press becomes a double-click message only for classes that ask for it.
    bool wanted = false;
    if (SimWindow* w = liveWindow(world().mainWindow)) {
        auto cls = world().classes.find(foldName(w->className));
        wanted = cls != world().classes.end() && (cls->second.style & classDoubleClicks) != 0;
    }
    queueInput(wanted ? wm::leftButtonDoubleClick : wm::leftButtonDown, leftButtonFlag, x, y);
}

void doubleClick(int32_t x, int32_t y) {
    click(x, y);
    pressAgain(x, y);
    release(x, y);
}

void key(uint32_t virtualKey, bool down, bool repeat, bool shift, bool alt) {
    // lParam: repeat count 1, scan code, extended flag, Alt held, previous state, transition.
    uint32_t lParam = 1u | scanCode(virtualKey) << 16 | (alt ? keyAltDown : 0) |
                      (repeat || !down ? keyWasDown : 0) | (down ? 0 : 1u << 31);
    uint32_t message =
        down ? (alt ? wm::sysKeyDown : wm::keyDown) : (alt ? wm::sysKeyUp : wm::keyUp);
    world().input.push_back(QueuedMessage{world().mainWindow, message, virtualKey,
                                          static_cast<intptr_t>(lParam), shift});
}

void pressKey(uint32_t virtualKey, bool shift, bool alt, int32_t repeats) {
    key(virtualKey, true, false, shift, alt);
    for (int32_t i = 0; i < repeats; ++i) key(virtualKey, true, true, shift, alt);
    key(virtualKey, false, false, shift, alt);
}

void postToWindow(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    world().posted.push_back(QueuedMessage{world().mainWindow, message, wParam, lParam});
}

void sendFromOtherProcess(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    world().sentFromOthers.push_back(QueuedMessage{world().mainWindow, message, wParam, lParam});
}

void failNextCreateWindow() {
    world().failCreateWindow = true;
}

void failNextGetMessage() {
    world().failGetMessage = true;
}

void invalidate(bool erase) {
    if (SimWindow* w = liveWindow(world().mainWindow)) {
        w->needsPaint = true;
        w->needsErase = w->needsErase || erase;
    }
}

void setIdleHandler(std::function<bool()> handler) {
    world().idle = std::move(handler);
}

}  // namespace autorun::sim

namespace autorun::platform {

using namespace sim;

IconHandle loadIconFromFile(InstanceHandle, const char* path) {
    std::optional<std::string> host = path != nullptr ? resolvePath(path) : std::nullopt;
    bool icon = false;
    if (host) {
        std::optional<std::string> head = readHostFile(*host, 4);
        icon = head && *head == std::string("\0\0\1\0", 4);
    }
    uintptr_t h = icon ? newHandle() : 0;
    record("LoadImageW file=" + quoted(path) +
           " type=1 flags=0x10 result=" + (icon ? "icon" : "none"));
    return handle<IconHandle>(h);
}

CursorHandle loadArrowCursor() {
    record("LoadCursorA id=32512");
    uintptr_t h = newHandle();
    world().cursors[h] = 32512;
    return handle<CursorHandle>(h);
}

BrushHandle getSysColorBrush(int32_t index) {
    record("GetSysColorBrush index=" + std::to_string(index));
    uintptr_t h = newHandle();
    world().brushes[h] = index;
    return handle<BrushHandle>(h);
}

bool registerClass(const WindowClass& windowClass) {
    World& w = world();
    std::string name = windowClass.className != nullptr ? windowClass.className : "";
    bool fresh = !name.empty() && w.classes.count(foldName(name)) == 0;
    if (fresh) {
        w.classes[foldName(name)] = windowClass;
        w.classNames[foldName(name)] = name;
    }
    auto cursor = w.cursors.find(id(windowClass.cursor));
    auto brush = w.brushes.find(id(windowClass.background));
    record("RegisterClassExW class=" + quoted(windowClass.className) + " style=" +
           hex(windowClass.style) + " procedure=" + (windowClass.procedure ? "yes" : "none") +
           " icon=" + (windowClass.icon ? "yes" : "none") +
           " cursor=" + (cursor != w.cursors.end() ? std::to_string(cursor->second) : "none") +
           " brush=" + (brush != w.brushes.end() ? "sys" + std::to_string(brush->second) : "none") +
           " result=" + (fresh ? "1" : "0"));
    return fresh;
}

void unregisterClass(const char* className, InstanceHandle) {
    record("UnregisterClassW class=" + quoted(className));
    if (className != nullptr) world().classes.erase(foldName(className));
}

int32_t getSystemMetrics(int32_t index) {
    World& w = world();
    int32_t result = index == metricCaptionHeight ? w.captionHeight
                     : index == metricFrameWidth  ? w.frameWidth
                     : index == metricFrameHeight ? w.frameHeight
                                                  : 0;
    record("GetSystemMetrics index=" + std::to_string(index) + " result=" + std::to_string(result));
    return result;
}

int32_t getDeviceCaps(DeviceContext, int32_t index) {
    World& w = world();
    int32_t result = index == capsHorizontalResolution ? w.screenWidth
                     : index == capsVerticalResolution ? w.screenHeight
                                                       : 0;
    record("GetDeviceCaps index=" + std::to_string(index) + " result=" + std::to_string(result));
    return result;
}

WindowHandle createWindow(const char* className, const char* title, uint32_t style, int32_t x,
                          int32_t y, int32_t width, int32_t height, InstanceHandle) {
    World& w = world();
    record("CreateWindowExW class=" + quoted(className) + " title=" + quoted(title) +
           " style=" + hex(style) + " x=" + std::to_string(x) + " y=" + std::to_string(y) +
           " w=" + std::to_string(width) + " h=" + std::to_string(height));
    bool refused = w.failCreateWindow;
    w.failCreateWindow = false;
    if (refused || className == nullptr || w.classes.count(foldName(className)) == 0)
        return nullptr;
    uintptr_t h = newHandle();
    SimWindow window;
    window.className = className;
    if (title != nullptr) window.title = std::string(title);
    window.style = style;
    window.outer = Rect{x, y, x + width, y + height};
    Rect client = clientFor(window);
    window.client->resize(client.right, client.bottom, 0);
    w.windows[h] = window;
    if (w.mainWindow == 0) w.mainWindow = h;
    return handle<WindowHandle>(h);
}

void showWindow(WindowHandle window, int32_t command) {
    record("ShowWindow cmd=" + std::to_string(command));
    SimWindow* w = liveWindow(id(window));
    if (w == nullptr || command == 0 || w->visible) return;
    w->visible = true;
    w->needsPaint = true;
    w->needsErase = true;
}

void updateWindow(WindowHandle window) {
    record("UpdateWindow");
    SimWindow* w = liveWindow(id(window));
    if (w != nullptr && w->visible && w->needsPaint) callProcedure(id(window), wm::paint, 0, 0);
}

Rect getClientRect(WindowHandle window) {
    SimWindow* w = liveWindow(id(window));
    Rect r = w != nullptr ? clientFor(*w) : Rect{};
    record("GetClientRect result=" + rectText(r));
    return r;
}

Rect getWindowRect(WindowHandle window) {
    SimWindow* w = liveWindow(id(window));
    Rect r = w != nullptr ? w->outer : Rect{};
    record("GetWindowRect result=" + rectText(r));
    return r;
}

void setWindowSize(WindowHandle window, int32_t cx, int32_t cy) {
    record("SetWindowPos cx=" + std::to_string(cx) + " cy=" + std::to_string(cy));
    SimWindow* w = liveWindow(id(window));
    if (w == nullptr) return;
    Rect before = clientFor(*w);
    w->outer.right = w->outer.left + (cx > 0 ? cx : 0);
    w->outer.bottom = w->outer.top + (cy > 0 ? cy : 0);
    Rect after = clientFor(*w);
    w->client->resize(after.right, after.bottom, 0);
    // Uncovered parts of a window that grew have to be painted.
    if (w->visible && (after.right > before.right || after.bottom > before.bottom)) {
        w->needsPaint = true;
        w->needsErase = true;
    }
}

bool isWindow(WindowHandle window) {
    bool live = liveWindow(id(window)) != nullptr;
    record(std::string("IsWindow result=") + (live ? "1" : "0"));
    return live;
}

int32_t getMessage(Message& message) {
    if (world().failGetMessage) {
        world().failGetMessage = false;
        record("GetMessageW result=-1");
        return -1;
    }
    QueuedMessage m;
    for (;;) {
        deliverSentMessages();
        if (nextMessage(m, true)) break;
        if (!waitForInput()) {
            m = QueuedMessage{0, wm::quit, 0, 0};
            break;
        }
    }
    fill(message, m);
    int32_t result = m.message == wm::quit ? 0 : 1;
    record("GetMessageW result=" + std::to_string(result) + " " + messageText(m));
    return result;
}

bool peekMessage(Message& message, bool remove) {
    deliverSentMessages();
    QueuedMessage m;
    bool found = nextMessage(m, remove);
    if (!found && remove && waitForInput()) found = nextMessage(m, remove);
    if (found) fill(message, m);
    record(std::string("PeekMessageW remove=") + (remove ? "1" : "0") +
           " result=" + (found ? "1 " + messageText(m) : "0"));
    return found;
}

void translateMessage(const Message& message) {
    record("TranslateMessage msg=" + std::to_string(message.message));
    uint32_t character = keyCharacter(static_cast<uint32_t>(message.wParam));
    if (message.message == wm::keyDown && character != 0) {
        world().posted.push_back(
            QueuedMessage{id(message.window), wm::character, character, message.lParam});
    }
}

intptr_t dispatchMessage(const Message& message) {
    record("DispatchMessageW msg=" + std::to_string(message.message));
    tooltipSees(QueuedMessage{id(message.window), message.message, message.wParam, message.lParam});
    return callProcedure(id(message.window), message.message, message.wParam, message.lParam);
}

bool postMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    // A null window posts to the thread, whose messages no window procedure sees.
    bool posted = window == nullptr || liveWindow(id(window)) != nullptr;
    if (posted) world().posted.push_back(QueuedMessage{id(window), message, wParam, lParam});
    record("PostMessageW window=" + windowName(id(window)) + " msg=" + std::to_string(message) +
           " result=" + (posted ? "1" : "0"));
    return posted;
}

intptr_t sendMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    record("SendMessageW msg=" + std::to_string(message));
    return callProcedure(id(window), message, wParam, lParam);
}

void postQuitMessage(int32_t exitCode) {
    record("PostQuitMessage code=" + std::to_string(exitCode));
    world().quitPosted = true;
    world().quitCode = exitCode;
}

bool keyHeld(uint32_t virtualKey) {
    bool held = virtualKey == vk::shift && world().shiftHeld;
    record("GetKeyState key=" + std::to_string(virtualKey) + " result=" + (held ? "down" : "up"));
    return held;
}

intptr_t defWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    record("DefWindowProcW msg=" + std::to_string(message));
    SimWindow* w = liveWindow(id(window));
    if (w == nullptr) return 0;
    switch (message) {
        case wm::paint: {
            // BeginPaint: the invalid area is erased first, then the window is valid again.
            bool erase = w->needsErase;
            w->needsPaint = false;
            w->needsErase = false;
            if (erase) callProcedure(id(window), wm::eraseBackground, 0, 0);
            return 0;
        }
        case wm::eraseBackground: {
            for (uint32_t& pixel : w->client->pixels) pixel = workspaceColour;
            return 1;
        }
        case wm::close:
            destroyWindow(id(window));
            return 0;
        case wm::sysKeyDown:
            // Alt+F4 asks the window to close through its system command, caption or not.
            if (wParam == vk::f4 && (static_cast<uint32_t>(lParam) & keyAltDown) != 0)
                world().posted.push_back(
                    QueuedMessage{id(window), wm::sysCommand, sysCommandClose, 0});
            return 0;
        case wm::sysCommand:
            if ((wParam & 0xFFF0) == sysCommandClose) callProcedure(id(window), wm::close, 0, 0);
            return 0;
        default:
            return 0;
    }
}

}  // namespace autorun::platform
