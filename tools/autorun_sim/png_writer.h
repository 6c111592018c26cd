// Writing the simulated window's client area as a PNG file.
#pragma once

#include <string>

#include "platform/sim/sim.h"

namespace autorun::tool {

// Writes image as an 8-bit RGB, non-interlaced PNG; false with a reason when it cannot.
bool writePng(const std::string& path, const sim::Image& image, std::string& error);

}  // namespace autorun::tool
