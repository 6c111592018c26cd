// The menu's message loop: waits for each message and hands it to the window procedure.
#include "config/application.h"
#include "platform/window_system.h"

namespace autorun {

bool runMessageLoop() {
    Message message;
    // GetMessage sleeps until something arrives, so an idle menu costs no processor time.
    for (;;) {
        int32_t result = platform::getMessage(message);
        if (result == 0) return true;
        if (result == -1) return false;
        platform::translateMessage(message);
        platform::dispatchMessage(message);
    }
}

}  // namespace autorun
