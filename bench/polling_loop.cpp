// A message loop that polls the queue instead of waiting, linked in place of the menu's own
// loop into autorun-polling.exe, so that bench/run can show what waiting saves.
#include "config/application.h"
#include "platform/window_system.h"

namespace autorun {

bool runMessageLoop() {
    Message message;
    while (message.message != wm::quit) {
        if (platform::peekMessage(message, true)) {
            platform::translateMessage(message);
            platform::dispatchMessage(message);
        }
    }
    return true;
}

}  // namespace autorun
