// Read-only access to text values below HKEY_CURRENT_USER.
#pragma once

namespace autorun::platform {

// The bytes stored in valueName (empty: the default value) of HKEY_CURRENT_USER\keyPath, up to
// their first zero byte, as a new[] NUL-terminated text; null when nothing can be read.
char* readRegistryText(const char* keyPath, const char* valueName);

}  // namespace autorun::platform
