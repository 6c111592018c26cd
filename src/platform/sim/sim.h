// Control of the simulated platform: the machine the menu runs on in tests and in autorun-sim.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace autorun::sim {

// Everything back to a fresh machine: code page 1252, C:\menu mapped to nothing, empty
// registry, no windows.
void reset();

// The machine's ANSI code page, a single-byte Windows code page the host's iconv knows as
// CP<number>; false (and no change) for one it does not know. Every text the simulated
// calls take or give is UTF-8, the texts of 8-bit files converted through this code page.
bool setCodePage(int32_t codePage);
// UTF-8 text in the machine's code page, for tools that take names on their command line; a
// character the code page lacks becomes "?".
std::string toCodePage(const std::string& utf8);

// Files. Paths below the current directory, and relative paths, resolve inside the mapped host
// folder (backslashes become slashes, names match regardless of case); others do not exist.
// The text GetCurrentDirectoryW reports; an empty text makes the call fail (result 0).
void setCurrentDirectory(const std::string& windowsPath);
void mapFolder(const std::string& hostFolder);
// The host path a menu path stands for, or nothing when it names no existing file.
std::optional<std::string> resolvePath(const std::string& windowsPath);
// The bytes of a host file in one read (at most limit of them), or nothing when it cannot be
// read.
std::optional<std::string> readHostFile(const std::string& hostPath, size_t limit = SIZE_MAX);

// Registry below HKEY_CURRENT_USER. Key paths compare regardless of case.
constexpr uint32_t regSz = 1;
constexpr uint32_t regExpandSz = 2;
constexpr uint32_t regBinary = 3;
constexpr uint32_t regDword = 4;
constexpr uint32_t regMultiSz = 7;
// Loads a .reg file as people export it; false with a message naming the file and line.
bool loadRegistryFile(const std::string& hostPath, std::string& error);
bool loadRegistryText(const std::string& content, const std::string& fileName, std::string& error);
// Stores data as it is kept; text types hold UTF-8.
void setRegistryValue(const std::string& key, const std::string& name, uint32_t type,
                      const std::vector<uint8_t>& data);
void setRegistryString(const std::string& key, const std::string& name, const std::string& text);
void createRegistryKey(const std::string& key);
void deleteRegistryValue(const std::string& key, const std::string& name);
void deleteRegistryKey(const std::string& key);
struct RegistryValue {
    uint32_t type = 0;
    std::vector<uint8_t> data;
};
std::optional<RegistryValue> registryValue(const std::string& key, const std::string& name);

// The screen and the window system.
void setScreenSize(int32_t width, int32_t height);
void setMetrics(int32_t captionHeight, int32_t frameWidth, int32_t frameHeight);
// The caption and frame a captioned window really gets, where they differ from the metrics the
// program reads (a fixed border is thinner than the sizing frame the metrics describe, and
// themes pad both); until this is called they are the metrics.
void setWindowFrame(int32_t captionHeight, int32_t frameWidth, int32_t frameHeight);

struct WindowInfo {
    bool exists = false;
    bool visible = false;
    std::string className;
    std::optional<std::string> title;
    uint32_t style = 0;
    Rect window;        // screen coordinates
    Rect client;        // left and top are 0
    Rect clientScreen;  // the client area in screen coordinates
};
// The first top-level window that was created, or null.
WindowHandle mainWindow();
WindowInfo windowInfo(WindowHandle window);
bool classRegistered(const std::string& className);

// Pixels as 0xRRGGBB, row by row from the top.
struct Image {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
Image clientImage(WindowHandle window);
// The same pixels where the window keeps them, without a copy: null when the window does not
// exist. They stay valid until the machine next runs.
const std::vector<uint32_t>* clientPixels(WindowHandle window, int32_t& width, int32_t& height);
// A device context with a surface of its own, for drawing tests; filled with colour.
DeviceContext createSurface(int32_t width, int32_t height, uint32_t colour = 0);
Image surfaceImage(DeviceContext dc);
// Live device contexts and bitmaps, to find leaks.
int32_t liveDrawingObjects();

// Input as the window system delivers it to the window under the pointer (client coordinates).
void move(int32_t x, int32_t y);
// The left button comes up.
void release(int32_t x, int32_t y);
// The second press of a double click, soon after a click at the same place.
void pressAgain(int32_t x, int32_t y);
void click(int32_t x, int32_t y);
// The left button goes down and stays down: no release follows.
void press(int32_t x, int32_t y);
void doubleClick(int32_t x, int32_t y);
// A key goes down and up, Shift or Alt held meanwhile; while it is held, the system repeats
// its key-down repeats times. With Alt held the messages are the system keys' ones.
void pressKey(uint32_t virtualKey, bool shift, bool alt, int32_t repeats = 0);
// One of those messages: the key goes down (again, while held, when repeat), or comes up.
void key(uint32_t virtualKey, bool down, bool repeat, bool shift, bool alt);
void postToWindow(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);
// Another process sends a message: it is delivered inside the next GetMessage or PeekMessage.
void sendFromOtherProcess(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);
// A screen reader asks the window for its accessible object (delivered as a message sent from
// another process) and, when child is not 0, does that child's default action.
void askAccessibleObject(uint32_t child = 0);
// The text of the tooltip that shows now, or empty when none does.
std::string shownTooltip();
// The next GetMessageW fails and returns -1, as it does for an invalid window or record.
void failNextGetMessage();
// The next CreateWindowExW fails, as it does when the desktop has no room for another window.
void failNextCreateWindow();
// Marks the client area for repainting, as an uncovered window is.
void invalidate(bool erase);
// Asked for more input when the queue is empty; returning false means no more will come, and
// the window system then closes the main window so that the program can end.
void setIdleHandler(std::function<bool()> handler);

// Processes and the shell.
struct ProcessRecord {
    std::string commandLine;
    std::optional<std::string> directory;
    bool throughShell = false;
    std::optional<std::string> argument;
};
struct ShellOpenRecord {
    std::string file;
    std::optional<std::string> directory;
};
// Each started program ends after this many 200 ms waits have timed out.
void setWaitSlices(int32_t slices);
// Every started program ends: the next wait on it reports that it has.
void endPrograms();
// Runs when a program starts, as the program's own effect (writing the registry, say).
void setProcessHook(std::function<void(const ProcessRecord&)> hook);
// Command lines for which CreateProcessW reports that elevation is required.
void setElevationRequired(std::function<bool(const std::string& commandLine)> predicate);
// Whether the user declines the elevation prompt: ShellExecuteExW then fails without a process.
void setElevationDeclined(bool declined);
// Command lines for which CreateProcessW fails as for a program file that does not exist.
void setProgramMissing(std::function<bool(const std::string& commandLine)> predicate);
const std::vector<ProcessRecord>& startedProcesses();
const std::vector<ShellOpenRecord>& shellOpens();
int32_t openProcessHandles();
// Called while a program is waited for, once per wait; lets tests act during the wait.
void setWaitHook(std::function<void(int32_t waitNumber)> hook);

// The trace: one line per platform call, in order.
const std::vector<std::string>& trace();
void clearTrace();
// Also hands every new line to sink as it is made.
void setTraceSink(std::function<void(const std::string&)> sink);

}  // namespace autorun::sim
