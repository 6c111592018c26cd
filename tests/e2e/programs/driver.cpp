// Acts on the menu's window from another process, as other programs on the machine can:
// posts or sends it messages and reports its rectangles.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The menu's window, or with a class name given, the window of that class.
const char* windowClass = "AutoRun_Kestu";

HWND findMenu() {
    return FindWindowA(windowClass, nullptr);
}

int usage() {
    std::fprintf(stderr,
                 "usage: driver [-class NAME] post <message> | send <message> | rects | metrics\n"
                 "exit codes: 0 done, 1 usage, 2 no menu window, 3 the call failed\n");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "-class") == 0) {
        windowClass = argv[2];
        argc -= 2;
        argv += 2;
    }
    if (argc < 2) return usage();
    const char* command = argv[1];
    if ((std::strcmp(command, "post") == 0 || std::strcmp(command, "send") == 0) && argc == 3) {
        UINT message = static_cast<UINT>(std::strtoul(argv[2], nullptr, 0));
        HWND window = findMenu();
        if (window == nullptr) return 2;
        if (command[0] == 'p') return PostMessageA(window, message, 0, 0) ? 0 : 3;
        // SendMessage returns only when the menu has handled the message.
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(window, message, 0, 0, SMTO_NORMAL, 20000, &result) ? 0 : 3;
    }
    if (std::strcmp(command, "rects") == 0 && argc == 2) {
        HWND window = findMenu();
        if (window == nullptr) return 2;
        RECT outer;
        RECT client;
        POINT origin = {0, 0};
        if (!GetWindowRect(window, &outer) || !GetClientRect(window, &client) ||
            !ClientToScreen(window, &origin)) {
            return 3;
        }
        char title[256];
        int titleLength = GetWindowTextA(window, title, sizeof title);
        std::printf("window %ld %ld %ld %ld\n", outer.left, outer.top, outer.right, outer.bottom);
        std::printf("client %ld %ld %ld %ld\n", client.left, client.top, client.right,
                    client.bottom);
        std::printf("origin %ld %ld\n", origin.x, origin.y);
        std::printf("style %08lx\n", static_cast<unsigned long>(GetWindowLongA(window, GWL_STYLE)));
        std::printf("title %.*s\n", titleLength, title);
        return 0;
    }
    if (std::strcmp(command, "metrics") == 0 && argc == 2) {
        std::printf("caption %d\nframe %d %d\n", GetSystemMetrics(SM_CYCAPTION),
                    GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME));
        return 0;
    }
    return usage();
}
