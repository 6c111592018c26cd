// Texts at the Win32 seam: the menu's UTF-8 as the UTF-16 of the wide calls, and back.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdint>

namespace autorun::win32 {

// A UTF-8 text as a writable UTF-16 text for one call; null for a null text or when there is
// no memory. Bytes that are no UTF-8 become U+FFFD.
class Wide {
  public:
    explicit Wide(const char* utf8);
    ~Wide() { delete[] text_; }
    Wide(const Wide&) = delete;
    Wide& operator=(const Wide&) = delete;
    wchar_t* get() const { return text_; }
    // Characters before the NUL.
    int32_t length() const { return length_; }

  private:
    wchar_t* text_ = nullptr;
    int32_t length_ = 0;
};

// length UTF-16 characters (-1: up to and with the NUL) as a new[] NUL-terminated UTF-8
// text; null when there is no memory.
char* toUtf8(const wchar_t* text, int32_t length);

}  // namespace autorun::win32
