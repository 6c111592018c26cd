// The demo installer: shows its progress for a few seconds, then records its folder in the
// registry value that the demo menu's rules and its Start demo button read. Started with the
// argument /start it plays the installed program instead: a window that closes by itself. With
// AUTORUN_DEMO_HOLD set, as the demo's scripted journey sets it, either window stays once done
// until it is clicked, so that a busy machine cannot close it before the journey has seen it.
#include <windows.h>

#include <cstring>

namespace {

const char* const registryKey = "Software\\AutorunMenuDemo";
const char* const registryValue = "InstallDir";
const UINT tickMilliseconds = 50;
const int ticksToFinish = 50;  // about 2.5 seconds
const int ticksToLinger = 6;   // the full bar stays a moment before the window closes

bool startMode = false;
bool held = false;
bool clicked = false;  // held and clicked before its work was done: it closes once it is
int ticks = 0;
char folder[MAX_PATH] = "";

// The folder of this program, with its trailing backslash.
void readOwnFolder() {
    DWORD length = GetModuleFileNameA(nullptr, folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        folder[0] = '\0';
        return;
    }
    char* slash = std::strrchr(folder, '\\');
    if (slash != nullptr) slash[1] = '\0';
}

void recordInstallation() {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, registryKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, registryValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder),
                   static_cast<DWORD>(std::strlen(folder) + 1));
    RegCloseKey(key);
}

void paint(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    HBRUSH face = CreateSolidBrush(RGB(244, 247, 251));
    FillRect(dc, &client, face);
    DeleteObject(face);

    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(20, 40, 70));
    const char* message;
    if (startMode) {
        message =
            "The demo program is running. The menu found it through the registry value "
            "InstallDir. It closes by itself.";
    } else if (ticks < ticksToFinish) {
        message = "Installing the demo... The menu waits until this window closes.";
    } else {
        message = "The demo is installed. The menu now rebuilds its buttons.";
    }
    RECT text = {16, 12, client.right - 16, 52};
    DrawTextA(dc, message, -1, &text, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, oldFont);

    RECT bar = {16, 60, client.right - 16, 78};
    HBRUSH border = CreateSolidBrush(RGB(120, 150, 190));
    FrameRect(dc, &bar, border);
    DeleteObject(border);
    int done = ticks < ticksToFinish ? ticks : ticksToFinish;
    RECT fill = {bar.left + 2, bar.top + 2,
                 bar.left + 2 + (bar.right - bar.left - 4) * done / ticksToFinish, bar.bottom - 2};
    HBRUSH blue = CreateSolidBrush(RGB(50, 110, 180));
    FillRect(dc, &fill, blue);
    DeleteObject(blue);
    EndPaint(window, &ps);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            ++ticks;
            if (ticks == ticksToFinish && !startMode) recordInstallation();
            if (clicked && ticks >= ticksToFinish) {
                DestroyWindow(window);
            } else if (ticks >= ticksToFinish + ticksToLinger) {
                if (held)
                    KillTimer(window, 1);
                else
                    DestroyWindow(window);
            } else {
                InvalidateRect(window, nullptr, FALSE);
            }
            return 0;
        case WM_PAINT:
            paint(window);
            return 0;
        case WM_LBUTTONDOWN:
            if (startMode || (held && ticks >= ticksToFinish))
                DestroyWindow(window);
            else if (held)
                clicked = true;
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    startMode = commandLine != nullptr && std::strstr(commandLine, "/start") != nullptr;
    readOwnFolder();
    held = GetEnvironmentVariableA("AUTORUN_DEMO_HOLD", nullptr, 0) > 0;

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.lpszClassName = "AutorunMenuDemoSetup";
    if (!RegisterClassA(&windowClass)) return 1;

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    RECT frame = {0, 0, 380, 92};
    AdjustWindowRect(&frame, style, FALSE);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    // Below the centred menu rather than over it, so that its pressed button stays in view.
    int x = (screenWidth - width) / 2;
    int y = screenHeight - height - screenHeight / 20;
    HWND window =
        CreateWindowExA(0, windowClass.lpszClassName,
                        startMode ? "Autorun Menu Demo Program" : "Autorun Menu Demo Setup", style,
                        x, y, width, height, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    SetTimer(window, 1, tickMilliseconds, nullptr);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
