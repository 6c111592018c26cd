// The platform on real Windows: every operation is the Win32 call it is named after, in its
// wide form, with the menu's UTF-8 texts converted to UTF-16.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// The shell's declarations need the types of <windows.h> first.
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "config/application.h"
#include "platform/drawing.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/startup.h"
#include "platform/text.h"
#include "platform/win32/win32_text.h"
#include "platform/window_system.h"

namespace autorun {

namespace {

template <typename To, typename From>
To as(From from) {
    return reinterpret_cast<To>(from);
}

// Installers marked as needing administrator rights make CreateProcess fail with this code
// (ERROR_ELEVATION_REQUIRED, which older headers lack).
constexpr DWORD elevationRequiredError = 740;

using win32::Wide;

bool fitsShell(const Wide& text) {
    return text.length() < MAX_PATH;
}

FILE* stream(FileHandle file) {
    return as<FILE*>(file);
}

// The menu's procedure; the class is registered with the trampoline below, which has the
// calling convention the window system expects.
WindowProcedure menuProcedure = nullptr;

LRESULT CALLBACK trampoline(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return menuProcedure(as<WindowHandle>(window), message, wParam, lParam);
}

MSG toMsg(const Message& message) {
    MSG msg{};
    msg.hwnd = as<HWND>(message.window);
    msg.message = message.message;
    msg.wParam = message.wParam;
    msg.lParam = message.lParam;
    msg.time = static_cast<DWORD>(GetMessageTime());
    DWORD pos = GetMessagePos();
    msg.pt.x = static_cast<short>(LOWORD(pos));
    msg.pt.y = static_cast<short>(HIWORD(pos));
    return msg;
}

void fromMsg(const MSG& msg, Message& message) {
    message.window = as<WindowHandle>(msg.hwnd);
    message.message = msg.message;
    message.wParam = msg.wParam;
    message.lParam = msg.lParam;
}

Rect fromRect(const RECT& r) {
    return Rect{r.left, r.top, r.right, r.bottom};
}

}  // namespace

namespace platform {

void hardenProcess() {
    // Menus run from download folders and removable media, where a DLL planted beside the
    // program would otherwise be found first. The calls are looked up because systems before
    // Windows 7 with KB2533623 lack SetDefaultDllDirectories.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) return;
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
    auto setDefault = as<SetDefaultDllDirectoriesFn>(
        as<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault != nullptr) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    auto setDirectory =
        as<SetDllDirectoryFn>(as<void*>(GetProcAddress(kernel, "SetDllDirectoryA")));
    if (setDirectory != nullptr) setDirectory("");
}

uint32_t getCurrentDirectory(uint32_t size, char* buffer) {
    // The directory may change between asking for its length and reading it.
    DWORD length = GetCurrentDirectoryW(0, nullptr);
    for (int attempt = 0; attempt < 4 && length > 0; ++attempt) {
        wchar_t* wide = new (std::nothrow) wchar_t[length];
        if (wide == nullptr) return 0;
        DWORD got = GetCurrentDirectoryW(length, wide);
        char* text =
            got > 0 && got < length ? win32::toUtf8(wide, static_cast<int32_t>(got)) : nullptr;
        delete[] wide;
        if (got >= length) {
            length = got;
            continue;
        }
        if (text == nullptr) return 0;
        uint32_t bytes = static_cast<uint32_t>(std::strlen(text));
        if (bytes < size) std::memcpy(buffer, text, bytes + 1);
        delete[] text;
        return bytes < size ? bytes : bytes + 1;
    }
    return 0;
}

FileHandle openFile(const char* path) {
    Wide name(path);
    if (name.length() == 0) return nullptr;
    return as<FileHandle>(_wfopen(name.get(), L"rb"));
}

uint32_t readFile(FileHandle file, void* buffer, uint32_t count) {
    return static_cast<uint32_t>(std::fread(buffer, 1, count, stream(file)));
}

bool seekFile(FileHandle file, int32_t offset, SeekFrom from) {
    return std::fseek(stream(file), offset, from == SeekFrom::end ? SEEK_END : SEEK_SET) == 0;
}

int32_t tellFile(FileHandle file) {
    return static_cast<int32_t>(std::ftell(stream(file)));
}

void closeFile(FileHandle file) {
    std::fclose(stream(file));
}

char* readRegistryText(const char* keyPath, const char* valueName) {
    Wide path(keyPath);
    Wide name(valueName);
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.get(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return nullptr;
    }
    char* text = nullptr;
    DWORD size = 0;
    DWORD type = 0;
    if (RegQueryValueExW(key, name.get(), nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS &&
        size < 0x7FFFFFFE) {
        // Room for a zero character after the data, which need not end in one.
        BYTE* data = new (std::nothrow) BYTE[size + 2];
        DWORD got = size;
        if (data != nullptr &&
            RegQueryValueExW(key, name.get(), nullptr, &type, data, &got) == ERROR_SUCCESS) {
            if (got > size) got = size;
            data[got] = data[got + 1] = 0;
            if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
                DWORD length = 0;
                const wchar_t* wide = as<const wchar_t*>(data);
                while (length < got / 2 && wide[length] != 0) ++length;
                text = win32::toUtf8(wide, static_cast<int32_t>(length));
            } else {
                // Other types give their bytes up to the first zero byte, as 8-bit text.
                DWORD length = 0;
                while (length < got && data[length] != 0) ++length;
                text = ansiToUtf8(as<const char*>(data), static_cast<int32_t>(length));
            }
        }
        delete[] data;
    }
    RegCloseKey(key);
    return text;
}

StartResult startProcess(char* commandLine, const char* workingDirectory, StartedProcess& out) {
    Wide command(commandLine);
    Wide directory(workingDirectory);
    if (command.get() == nullptr) return StartResult::failed;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessW(nullptr, command.get(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                       nullptr, directory.get(), &startup, &info)) {
        out.process = as<ProcessHandle>(info.hProcess);
        out.thread = as<ProcessHandle>(info.hThread);
        return StartResult::started;
    }
    return GetLastError() == elevationRequiredError ? StartResult::elevationRequired
                                                    : StartResult::failed;
}

ProcessHandle startThroughShell(const char* program, const char* argument,
                                const char* workingDirectory) {
    Wide file(program);
    Wide parameters(argument);
    Wide directory(workingDirectory);
    if (!fitsShell(file) || !fitsShell(directory)) return nullptr;
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"open";
    info.lpFile = file.get();
    info.lpParameters = parameters.get();
    info.lpDirectory = directory.get();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) return nullptr;
    return as<ProcessHandle>(info.hProcess);
}

WaitResult waitProcess(ProcessHandle process, uint32_t milliseconds) {
    // Only a timeout means the program still runs; a failed wait must not keep the menu
    // waiting for ever.
    return WaitForSingleObject(as<HANDLE>(process), milliseconds) == WAIT_TIMEOUT
               ? WaitResult::running
               : WaitResult::ended;
}

void closeHandle(ProcessHandle handle) {
    if (handle != nullptr) CloseHandle(as<HANDLE>(handle));
}

void shellOpen(const char* file, const char* directory) {
    // The shell names files with at most MAX_PATH characters; longer texts open nothing, and
    // some shells overrun their buffers on them.
    Wide name(file);
    Wide folder(directory);
    if (!fitsShell(name) || !fitsShell(folder)) return;
    ShellExecuteW(nullptr, L"open", name.get(), nullptr, folder.get(), SW_SHOWDEFAULT);
}

IconHandle loadIconFromFile(InstanceHandle instance, const char* path) {
    return as<IconHandle>(
        LoadImageW(as<HINSTANCE>(instance), Wide(path).get(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
}

CursorHandle loadArrowCursor() {
    return as<CursorHandle>(LoadCursorA(nullptr, IDC_ARROW));
}

BrushHandle getSysColorBrush(int32_t index) {
    return as<BrushHandle>(GetSysColorBrush(index));
}

bool registerClass(const WindowClass& windowClass) {
    menuProcedure = windowClass.procedure;
    Wide name(windowClass.className);
    WNDCLASSEXW record{};
    record.cbSize = sizeof record;
    record.style = windowClass.style;
    record.lpfnWndProc = trampoline;
    record.hInstance = as<HINSTANCE>(windowClass.instance);
    record.hIcon = as<HICON>(windowClass.icon);
    record.hCursor = as<HCURSOR>(windowClass.cursor);
    record.hbrBackground = as<HBRUSH>(windowClass.background);
    record.lpszClassName = name.get();
    return RegisterClassExW(&record) != 0;
}

void unregisterClass(const char* className, InstanceHandle instance) {
    UnregisterClassW(Wide(className).get(), as<HINSTANCE>(instance));
}

int32_t getSystemMetrics(int32_t index) {
    return GetSystemMetrics(index);
}

int32_t getDeviceCaps(DeviceContext dc, int32_t index) {
    return GetDeviceCaps(as<HDC>(dc), index);
}

WindowHandle createWindow(const char* className, const char* title, uint32_t style, int32_t x,
                          int32_t y, int32_t width, int32_t height, InstanceHandle instance) {
    // Wine hands a window's text to its server in one request, and a title of a million
    // characters stops the program there; no caption shows more than a fraction of this.
    constexpr int32_t longestTitle = 65535;
    Wide text(title);
    if (text.length() > longestTitle) {
        int32_t cut = longestTitle;
        if (IS_HIGH_SURROGATE(text.get()[cut - 1])) --cut;
        text.get()[cut] = L'\0';
    }
    return as<WindowHandle>(CreateWindowExW(0, Wide(className).get(), text.get(), style, x, y,
                                            width, height, nullptr, nullptr,
                                            as<HINSTANCE>(instance), nullptr));
}

void showWindow(WindowHandle window, int32_t command) {
    ShowWindow(as<HWND>(window), command);
}

void updateWindow(WindowHandle window) {
    UpdateWindow(as<HWND>(window));
}

Rect getClientRect(WindowHandle window) {
    RECT r{};
    GetClientRect(as<HWND>(window), &r);
    return fromRect(r);
}

Rect getWindowRect(WindowHandle window) {
    RECT r{};
    GetWindowRect(as<HWND>(window), &r);
    return fromRect(r);
}

void setWindowSize(WindowHandle window, int32_t cx, int32_t cy) {
    SetWindowPos(as<HWND>(window), nullptr, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOMOVE);
}

bool isWindow(WindowHandle window) {
    return IsWindow(as<HWND>(window)) != FALSE;
}

DeviceContext getDC(WindowHandle window) {
    return as<DeviceContext>(GetDC(as<HWND>(window)));
}

void releaseDC(WindowHandle window, DeviceContext dc) {
    ReleaseDC(as<HWND>(window), as<HDC>(dc));
}

int32_t getMessage(Message& message) {
    MSG msg{};
    BOOL result = GetMessageW(&msg, nullptr, 0, 0);
    fromMsg(msg, message);
    return result;
}

bool peekMessage(Message& message, bool remove) {
    MSG msg{};
    BOOL result = PeekMessageW(&msg, nullptr, 0, 0, remove ? PM_REMOVE : PM_NOREMOVE);
    fromMsg(msg, message);
    return result != FALSE;
}

void translateMessage(const Message& message) {
    MSG msg = toMsg(message);
    TranslateMessage(&msg);
}

intptr_t dispatchMessage(const Message& message) {
    MSG msg = toMsg(message);
    return DispatchMessageW(&msg);
}

bool postMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return PostMessageW(as<HWND>(window), message, wParam, lParam) != FALSE;
}

intptr_t sendMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return SendMessageW(as<HWND>(window), message, wParam, lParam);
}

bool keyHeld(uint32_t virtualKey) {
    return GetKeyState(static_cast<int>(virtualKey)) < 0;
}

void postQuitMessage(int32_t exitCode) {
    PostQuitMessage(exitCode);
}

intptr_t defWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return DefWindowProcW(as<HWND>(window), message, wParam, lParam);
}

BitmapHandle createDIBitmap(DeviceContext dc, const BitmapInfoHeader& header, const void* pixels,
                            const BitmapInfo& info) {
    return as<BitmapHandle>(CreateDIBitmap(as<HDC>(dc), as<const BITMAPINFOHEADER*>(&header),
                                           CBM_INIT, pixels, as<const BITMAPINFO*>(&info),
                                           DIB_RGB_COLORS));
}

DeviceContext createCompatibleDC(DeviceContext dc) {
    return as<DeviceContext>(CreateCompatibleDC(as<HDC>(dc)));
}

BitmapHandle createCompatibleBitmap(DeviceContext dc, int32_t width, int32_t height) {
    return as<BitmapHandle>(CreateCompatibleBitmap(as<HDC>(dc), width, height));
}

void selectBitmap(DeviceContext memoryDC, BitmapHandle bitmap) {
    SelectObject(as<HDC>(memoryDC), as<HBITMAP>(bitmap));
}

void bitBlt(DeviceContext destination, int32_t x, int32_t y, int32_t width, int32_t height,
            DeviceContext source) {
    BitBlt(as<HDC>(destination), x, y, width, height, as<HDC>(source), 0, 0, SRCCOPY);
}

void deleteDC(DeviceContext dc) {
    DeleteDC(as<HDC>(dc));
}

void deleteBitmap(BitmapHandle bitmap) {
    DeleteObject(as<HBITMAP>(bitmap));
}

}  // namespace platform
}  // namespace autorun

// The entry point the system calls; the menu itself needs only the instance handle.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
    return autorun::WinMain(autorun::as<autorun::InstanceHandle>(instance),
                            autorun::as<autorun::InstanceHandle>(previous), commandLine,
                            showCommand);
}
