// The standard tooltip control over the menu's window: one tool a named button.
#pragma once

#include <cstdint>

#include "platform/handles.h"

namespace autorun {

// One tool: an id, an area in the owner's client coordinates and the text it shows there.
struct TooltipTool {
    uint32_t id = 0;
    Rect area;
    const char* text = nullptr;
};

namespace platform {

// Makes the owner's tooltip control on first use (loading the common controls from the system
// folder) and replaces its tools with these; false when there is no control.
bool setTooltipTools(WindowHandle owner, const TooltipTool* tools, uint32_t count);

}  // namespace platform
}  // namespace autorun
