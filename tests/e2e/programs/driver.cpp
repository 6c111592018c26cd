// Acts on the menu's window from another process, as other programs on the machine can:
// posts or sends it messages and reports its rectangles, style and title, and the metrics of
// window frames.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

// Exit codes: 0 done, 1 usage, 2 no menu window, 3 the call failed.
int main(int argc, char** argv) {
    const char* command = argc >= 2 ? argv[1] : "";
    if (std::strcmp(command, "metrics") == 0) {
        std::printf("caption %d\nframe %d %d\n", GetSystemMetrics(SM_CYCAPTION),
                    GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME));
        return 0;
    }
    bool post = std::strcmp(command, "post") == 0, send = std::strcmp(command, "send") == 0;
    if (!(((post || send) && argc == 3) || (std::strcmp(command, "rects") == 0 && argc == 2))) {
        std::fprintf(stderr, "usage: driver post <message> | send <message> | rects | metrics\n");
        return 1;
    }
    HWND window = FindWindowA("AutoRun_Kestu", nullptr);
    if (window == nullptr) return 2;
    UINT message = argc == 3 ? static_cast<UINT>(std::strtoul(argv[2], nullptr, 0)) : 0;
    DWORD_PTR result = 0;
    if (post) return PostMessageA(window, message, 0, 0) ? 0 : 3;
    // SendMessage returns only when the menu has handled the message.
    if (send)
        return SendMessageTimeoutA(window, message, 0, 0, SMTO_NORMAL, 20000, &result) ? 0 : 3;
    RECT outer, client;
    POINT origin = {0, 0};
    char title[256];
    if (!GetWindowRect(window, &outer) || !GetClientRect(window, &client) ||
        !ClientToScreen(window, &origin)) {
        return 3;
    }
    int titleLength = GetWindowTextA(window, title, sizeof title);
    std::printf(
        "window %ld %ld %ld %ld\nclient %ld %ld %ld %ld\norigin %ld %ld\nstyle %08lx\n"
        "title %.*s\n",
        outer.left, outer.top, outer.right, outer.bottom, client.left, client.top, client.right,
        client.bottom, origin.x, origin.y,
        static_cast<unsigned long>(GetWindowLongA(window, GWL_STYLE)), titleLength, title);
    return 0;
}
