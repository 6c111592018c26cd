// The machine's ANSI code page, in which the menu's 8-bit texts are written.
#pragma once

#include <cstdint>

namespace autorun::platform {

// The n bytes at text, read in the ANSI code page, as a new[] NUL-terminated UTF-8 text; null
// when there is no memory for it.
char* ansiToUtf8(const char* text, int32_t n);

}  // namespace autorun::platform
