// Reads the PNG files that autorun-sim play writes, for comparison in tests.
#pragma once

#include <string>

#include "platform/sim/sim.h"

namespace autorun::testing {

struct PngFile {
    bool ok = false;
    int bitDepth = 0;
    int colourType = -1;
    int interlace = -1;
    sim::Image image;  // pixels as 0xRRGGBB
};

PngFile readPng(const std::string& path);

}  // namespace autorun::testing
