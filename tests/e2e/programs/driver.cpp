// Acts on the menu's window from another process, as other programs on the machine can:
// posts or sends it messages and reports its rectangles, style and title, the metrics of
// window frames, its visible tooltip, and the buttons as a screen reader reads them, also
// while the window closes. Texts are printed in UTF-8.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A text of the menu's window, which may be in any script, as UTF-8.
const char* utf8(const wchar_t* text, char (&out)[1024]) {
    out[0] = '\0';
    if (text != nullptr)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out, nullptr, nullptr);
    return out;
}

void printText(const char* label, BSTR text) {
    char narrow[1024];
    std::printf("%s \"%s\"", label, utf8(text, narrow));
    SysFreeString(text);
}

// Written out: the 64-bit import library of oleacc.dll defines IID_IAccessible as a thunk
// that jumps to the DLL's export, and a link that meets it first takes the thunk's code bytes
// for the interface id.
const IID iidAccessible = {
    0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

// The window's client object, or null; the caller has joined an apartment.
IAccessible* askObject(HWND window) {
    IAccessible* object = nullptr;
    HRESULT got = E_FAIL;
    // The first request of a fresh Wine prefix starts its RPC service and the menu's COM
    // libraries, which can outlast the call's own timeout on a busy machine; a screen reader
    // asks again too.
    for (int attempt = 0; attempt < 10 && (FAILED(got) || object == nullptr); ++attempt) {
        if (attempt > 0) Sleep(500);
        got = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), iidAccessible,
                                         reinterpret_cast<void**>(&object));
    }
    if (FAILED(got) || object == nullptr) {
        std::fprintf(stderr, "no object %08lx\n", static_cast<unsigned long>(got));
        return nullptr;
    }
    return object;
}

// Each child from 0, the object itself: name, role, state, screen location, default action.
void printTree(IAccessible* object) {
    long count = 0;
    object->get_accChildCount(&count);
    for (long id = 0; id <= count; ++id) {
        VARIANT child;
        child.vt = VT_I4;
        child.lVal = id;
        BSTR name = nullptr, action = nullptr;
        VARIANT role, state;
        role.vt = state.vt = VT_EMPTY;
        long x = 0, y = 0, w = 0, h = 0;
        object->get_accName(child, &name);
        object->get_accRole(child, &role);
        object->get_accState(child, &state);
        object->accLocation(&x, &y, &w, &h, child);
        object->get_accDefaultAction(child, &action);
        std::printf("child %ld", id);
        printText(" name", name);
        std::printf(" role %ld state %lx location %ld %ld %ld %ld", role.lVal,
                    static_cast<unsigned long>(state.lVal), x, y, w, h);
        printText(" action", action);
        std::printf("\n");
    }
}

// The client object and each child; then presses child press (0: none) through its default
// action.
int readAccessible(HWND window, long press) {
    CoInitialize(nullptr);
    IAccessible* object = askObject(window);
    if (object != nullptr) {
        printTree(object);
        if (press != 0) {
            VARIANT child;
            child.vt = VT_I4;
            child.lVal = press;
            std::printf("press %ld %08lx\n", press,
                        static_cast<unsigned long>(object->accDoDefaultAction(child)));
        }
        object->Release();
    }
    CoUninitialize();
    return object != nullptr ? 0 : 3;
}

// Reads the tree, then closes the menu (WM_CLOSE) how: "released" at once after letting go of
// the object and leaving COM; "holding" while holding the object, which is called again once
// the window is gone; "calling" while calling the object without pause until a call fails.
int closeWhileReading(HWND window, const char* how) {
    bool released = std::strcmp(how, "released") == 0, holding = std::strcmp(how, "holding") == 0;
    if (!released && !holding && std::strcmp(how, "calling") != 0) return 1;
    CoInitialize(nullptr);
    IAccessible* object = askObject(window);
    if (object == nullptr) {
        CoUninitialize();
        return 3;
    }
    printTree(object);
    if (released) {
        object->Release();
        CoUninitialize();
    }
    if (!PostMessageA(window, WM_CLOSE, 0, 0)) return 3;
    if (released) return 0;
    long count = 0;
    HRESULT result = S_OK;
    if (holding) {
        while (IsWindow(window)) Sleep(10);
        result = object->get_accChildCount(&count);
    }
    // The calls after the window has gone fail: the menu has disconnected the object or ended.
    while (SUCCEEDED(result)) result = object->get_accChildCount(&count);
    std::printf("after the close %s\n", FAILED(result) ? "failed" : "answered");
    object->Release();
    CoUninitialize();
    return 0;
}

// The tooltip windows of the menu's thread: shown or not, screen rectangle and current text.
BOOL CALLBACK printTooltip(HWND window, LPARAM) {
    char className[64];
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpiA(className, "tooltips_class32") != 0) return TRUE;
    RECT r{};
    GetWindowRect(window, &r);
    // WM_GETTEXT is carried across processes; the control answers with the tip it shows.
    wchar_t text[256] = L"";
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000,
                        &length);
    char narrow[1024];
    std::printf("tooltip %d %ld %ld %ld %ld \"%s\"\n", IsWindowVisible(window) ? 1 : 0, r.left,
                r.top, r.right - r.left, r.bottom - r.top, utf8(text, narrow));
    return TRUE;
}

}  // namespace

// Exit codes: 0 done, 1 usage, 2 no menu window, 3 the call failed.
int main(int argc, char** argv) {
    // Unbuffered, so that what a reader that is stopped had already read still shows.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const char* command = argc >= 2 ? argv[1] : "";
    if (std::strcmp(command, "metrics") == 0) {
        std::printf("caption %d\nframe %d %d\n", GetSystemMetrics(SM_CYCAPTION),
                    GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME));
        return 0;
    }
    bool post = std::strcmp(command, "post") == 0, send = std::strcmp(command, "send") == 0;
    bool accessible = std::strcmp(command, "accessible") == 0;
    bool close = std::strcmp(command, "close-reading") == 0;
    bool tooltip = std::strcmp(command, "tooltip") == 0;
    if (!(((post || send || close) && argc == 3) || (accessible && argc <= 3) ||
          ((std::strcmp(command, "rects") == 0 || tooltip) && argc == 2))) {
        std::fprintf(stderr,
                     "usage: driver post <message> | send <message> | rects | metrics | tooltip | "
                     "accessible [<child to press>] | close-reading released|holding|calling\n");
        return 1;
    }
    HWND window = FindWindowA("AutoRun_Kestu", nullptr);
    if (window == nullptr) return 2;
    if (close) return closeWhileReading(window, argv[2]);
    if (accessible) return readAccessible(window, argc == 3 ? std::strtol(argv[2], nullptr, 0) : 0);
    if (tooltip) {
        EnumThreadWindows(GetWindowThreadProcessId(window, nullptr), printTooltip, 0);
        return 0;
    }
    UINT message = argc == 3 ? static_cast<UINT>(std::strtoul(argv[2], nullptr, 0)) : 0;
    DWORD_PTR result = 0;
    if (post) return PostMessageA(window, message, 0, 0) ? 0 : 3;
    // SendMessage returns only when the menu has handled the message.
    if (send)
        return SendMessageTimeoutA(window, message, 0, 0, SMTO_NORMAL, 20000, &result) ? 0 : 3;
    RECT outer, client;
    POINT origin = {0, 0};
    wchar_t title[256] = L"";
    if (!GetWindowRect(window, &outer) || !GetClientRect(window, &client) ||
        !ClientToScreen(window, &origin)) {
        return 3;
    }
    GetWindowTextW(window, title, 256);
    char narrow[1024];
    std::printf(
        "window %ld %ld %ld %ld\nclient %ld %ld %ld %ld\norigin %ld %ld\nstyle %08lx\n"
        "title %s\n",
        outer.left, outer.top, outer.right, outer.bottom, client.left, client.top, client.right,
        client.bottom, origin.x, origin.y,
        static_cast<unsigned long>(GetWindowLongA(window, GWL_STYLE)), utf8(title, narrow));
    return 0;
}
