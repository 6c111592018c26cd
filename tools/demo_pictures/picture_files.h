// Encodes canvases as the files the menu loads: 24-bit BMP pictures and a 32-bit icon.
#pragma once

#include <string>

#include "tools/demo_pictures/canvas.h"

namespace demo {

// An uncompressed bottom-up 24-bit BMP with the 40-byte header, followed by two spare bytes:
// the menu reads the file size less the pixel offset less 2 bytes of pixels, so a file without
// them would lose the end of its top row.
std::string bmpFile(const Canvas& picture);

// An icon file holding the one picture as a 32-bit image with alpha and its AND mask.
std::string icoFile(const Canvas& picture);

}  // namespace demo
