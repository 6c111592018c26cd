// DLLs the program loads only when it first needs them, from the system folder alone.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace autorun::win32 {

// The system folder's DLL of that name; null when it cannot be loaded.
HMODULE loadSystemLibrary(const char* name);

// GetProcAddress as a pointer of the function's own type.
template <typename Function>
Function systemFunction(HMODULE module, const char* name) {
    return module != nullptr
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
               : nullptr;
}

}  // namespace autorun::win32
