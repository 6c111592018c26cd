// The simulated machine's state, shared by the files of the simulated platform.
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/sim/sim.h"
#include "platform/window_system.h"

namespace autorun::sim {

struct Surface {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
    void resize(int32_t w, int32_t h, uint32_t fill);
};

struct Frame {
    int32_t caption = 0;
    int32_t width = 0;
    int32_t height = 0;
};

struct SimWindow {
    std::string className;
    std::optional<std::string> title;
    uint32_t style = 0;
    Rect outer;
    bool visible = false;
    bool destroyed = false;
    bool needsPaint = false;
    bool needsErase = false;
    std::shared_ptr<Surface> client = std::make_shared<Surface>();
};

enum class DcKind { screen, window, memory, surface };

struct SimDC {
    DcKind kind = DcKind::memory;
    uintptr_t window = 0;
    uintptr_t bitmap = 0;
    std::shared_ptr<Surface> surface;
};

struct SimProcess {
    bool isThread = false;
    int32_t slicesLeft = 0;
};

struct QueuedMessage {
    uintptr_t window = 0;
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    // Whether Shift was held when this input happened.
    bool shift = false;
};

// A tool of the tooltip control, as the control keeps it.
struct SimTool {
    uint32_t id = 0;
    Rect area;
    std::string text;
};

struct RegistryKey {
    std::map<std::string, RegistryValue> values;  // by folded name
};

struct World {
    int32_t codePage = 1252;
    std::string currentDirectory = "C:\\menu";
    std::string hostFolder;
    std::map<uintptr_t, FILE*> files;

    std::map<std::string, RegistryKey> registry;  // by folded key path

    int32_t screenWidth = 1024;
    int32_t screenHeight = 768;
    int32_t captionHeight = 19;
    int32_t frameWidth = 4;
    int32_t frameHeight = 4;
    // The frame captioned windows really get; none: the metrics.
    std::optional<Frame> windowFrame;
    std::map<std::string, WindowClass> classes;  // by folded name
    std::map<std::string, std::string> classNames;
    std::map<uintptr_t, int32_t> cursors;  // cursor handle -> resource id
    std::map<uintptr_t, int32_t> brushes;  // brush handle -> colour index
    std::map<uintptr_t, SimWindow> windows;
    uintptr_t mainWindow = 0;
    std::map<uintptr_t, SimDC> dcs;
    std::map<uintptr_t, std::shared_ptr<Surface>> bitmaps;
    std::deque<QueuedMessage> posted;
    std::deque<QueuedMessage> input;
    std::deque<QueuedMessage> sentFromOthers;
    // Shift as GetKeyState reports it: as it was when the last input message was taken.
    bool shiftHeld = false;
    bool quitPosted = false;
    int32_t quitCode = 0;
    bool failCreateWindow = false;
    bool failGetMessage = false;
    bool closedForLackOfInput = false;
    std::function<bool()> idle;

    // The tooltip control: whether it exists, its tools, the tool whose tip shows (0: none).
    bool tooltipMade = false;
    std::vector<SimTool> tools;
    uint32_t tipShown = 0;
    // The child an accessibility client presses once it has the object (0: none).
    uint32_t accessiblePress = 0;
    bool accessibilityLoaded = false;
    // Whether the window's accessible object exists, from the first request to the disconnect.
    bool accessibleObject = false;

    std::map<uintptr_t, SimProcess> processes;
    int32_t waitSlices = 2;
    int32_t waits = 0;
    std::function<void(const ProcessRecord&)> processHook;
    std::function<bool(const std::string&)> elevationRequired;
    bool elevationDeclined = false;
    std::function<bool(const std::string&)> programMissing;
    std::function<void(int32_t)> waitHook;
    std::vector<ProcessRecord> started;
    std::vector<ShellOpenRecord> opens;

    std::vector<std::string> trace;
    std::function<void(const std::string&)> traceSink;

    uintptr_t nextHandle = 0x100;
};

World& world();
uintptr_t newHandle();
void closeAllFiles();

// Appends one trace line.
void record(const std::string& line);
// A text field: the text in double quotes, or none for a null text.
std::string quoted(const char* text);
std::string quoted(const std::optional<std::string>& text);
std::string hex(uint32_t value);
// A rectangle field: left,top,right,bottom.
std::string rectText(const Rect& r);

// Folds names (UTF-8) as the system compares them.
std::string foldName(const std::string& name);
// Bytes of the machine's ANSI code page as UTF-8.
std::string fromCodePage(const std::string& bytes);

template <typename Handle>
uintptr_t id(Handle handle) {
    return reinterpret_cast<uintptr_t>(handle);
}
template <typename Handle>
Handle handle(uintptr_t value) {
    return reinterpret_cast<Handle>(value);
}

// The window that exists under this handle, or null.
SimWindow* liveWindow(uintptr_t window);
// Calls the window's class procedure, as a sent message does.
intptr_t callProcedure(uintptr_t window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// The caption and frame that a window of this style really gets.
Frame frameOf(const SimWindow& window);
// Client size of a window of this outer size and style.
Rect clientFor(const SimWindow& window);
// The tooltip control sees a message that the window is dispatched, as a subclass does.
void tooltipSees(const QueuedMessage& message);
// Registry parsing for loadRegistryText.
bool parseRegFile(const std::string& content, const std::string& fileName, std::string& error);

}  // namespace autorun::sim
