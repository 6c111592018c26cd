// The smallest program that shows a window like the menu's: a popup of a given size and colour,
// centred on the screen; the benchmark compares the menu's start-up time with it.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdlib>

namespace {

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

// Command line: <width> <height> <colour as 0xRRGGBB>.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    char* cursor = commandLine;
    long width = std::strtol(cursor, &cursor, 0);
    long height = std::strtol(cursor, &cursor, 0);
    unsigned long rgb = std::strtoul(cursor, &cursor, 0);
    if (width <= 0 || height <= 0) return 1;

    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = CreateSolidBrush(RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF));
    windowClass.lpszClassName = "AutoRun_Blank";
    if (!RegisterClassExA(&windowClass)) return 1;

    int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    HWND window = CreateWindowExA(0, "AutoRun_Blank", "blank", WS_POPUP, x, y, width, height,
                                  nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
