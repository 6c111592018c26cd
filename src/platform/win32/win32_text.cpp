// The conversions between the menu's UTF-8, the wide calls' UTF-16 and the ANSI code page.
#include "platform/win32/win32_text.h"

#include <new>

#include "platform/text.h"

namespace autorun::win32 {

Wide::Wide(const char* utf8) {
    if (utf8 == nullptr) return;
    int size = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (size <= 0) return;
    text_ = new (std::nothrow) wchar_t[size];
    if (text_ == nullptr) return;
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text_, size);
    length_ = size - 1;
}

char* toUtf8(const wchar_t* text, int32_t length) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    char* out = new (std::nothrow) char[size > 0 ? size + 1 : 1];
    if (out == nullptr) return nullptr;
    int written = WideCharToMultiByte(CP_UTF8, 0, text, length, out, size, nullptr, nullptr);
    out[written > 0 ? written : 0] = '\0';
    return out;
}

}  // namespace autorun::win32

namespace autorun::platform {

char* ansiToUtf8(const char* text, int32_t n) {
    int size = MultiByteToWideChar(CP_ACP, 0, text, n, nullptr, 0);
    wchar_t* wide = new (std::nothrow) wchar_t[size > 0 ? size : 1];
    if (wide == nullptr) return nullptr;
    int length = MultiByteToWideChar(CP_ACP, 0, text, n, wide, size);
    char* out = win32::toUtf8(wide, length > 0 ? length : 0);
    delete[] wide;
    return out;
}

}  // namespace autorun::platform
