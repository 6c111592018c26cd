// autorun-sim play: runs the whole program on the simulated platform and prints its calls.
#include "tools/autorun_sim/options.h"

namespace autorun::tool {

int runPlay(const Options&) {
    return fail("play is not built yet");
}

}  // namespace autorun::tool
