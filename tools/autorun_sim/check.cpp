// autorun-sim check: finds the lines of autorun.ini that silently change what the menu does.
#include "tools/autorun_sim/options.h"

namespace autorun::tool {

int runCheck(const Options&) {
    return fail("check is not built yet");
}

}  // namespace autorun::tool
