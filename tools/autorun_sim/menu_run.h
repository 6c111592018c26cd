// Running the whole menu on the simulated machine and handing it events: what play and the
// designer page share.
#pragma once

#include <functional>
#include <string>

#include "tools/autorun_sim/event_script.h"
#include "tools/autorun_sim/options.h"

namespace autorun::tool {

// Hands one event to the simulated machine. A shot is left to the caller, which knows where
// the pixels go.
void deliverEvent(const Event& event);

// Starts the program on the prepared machine as Windows would (the Application built before
// the entry function, destroyed after it) and returns when it has ended. idle is asked for
// input whenever the queue runs dry; sink receives every trace line as it is made.
void runMenu(std::function<bool()> idle, std::function<void(const std::string&)> sink);

}  // namespace autorun::tool
