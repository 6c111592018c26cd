// Loading a DLL on demand from the system folder, never from the program's own.
#include "platform/win32/win32_system_dll.h"

namespace autorun::win32 {

HMODULE loadSystemLibrary(const char* name) {
    // On install media a DLL planted beside the program would otherwise be found first.
    HMODULE module = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    // Systems without the search flags (Windows 7 before KB2533623) refuse them; a full path
    // names the same file, and the altered search finds its own imports beside it first.
    char path[MAX_PATH + 32];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    path[length++] = '\\';
    for (const char* c = name; *c != '\0' && length < sizeof path - 1; ++c) path[length++] = *c;
    path[length] = '\0';
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace autorun::win32
