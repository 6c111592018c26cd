// Handing documents to the shell.
#pragma once

namespace autorun::platform {

// ShellExecuteW "open" of file with no owner and no parameters, in directory (null: none),
// shown as the default says; the result is not reported.
void shellOpen(const char* file, const char* directory);

}  // namespace autorun::platform
