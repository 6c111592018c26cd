// What the process does before anything else runs.
#pragma once

namespace autorun::platform {

// Restricts where DLLs loaded on demand are searched for to the system folder.
void hardenProcess();

}  // namespace autorun::platform
