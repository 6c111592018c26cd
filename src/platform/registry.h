// Read-only access to text values below HKEY_CURRENT_USER.
#pragma once

namespace autorun::platform {

// The text stored in valueName (null or empty: the default value) of HKEY_CURRENT_USER\keyPath,
// both UTF-8, up to its first zero, as a new[] NUL-terminated UTF-8 text; null when nothing can
// be read. A value of a type other than text gives its bytes up to the first zero byte, read in
// the ANSI code page.
char* readRegistryText(const char* keyPath, const char* valueName);

}  // namespace autorun::platform
