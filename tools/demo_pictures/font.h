// A tiny built-in block font: 5 x 7 glyphs for capitals, digits and a little punctuation.
#pragma once

#include <cstdint>

namespace demo {

constexpr int glyphWidth = 5;
constexpr int glyphHeight = 7;
// Horizontal advance of one character in font pixels, the gap included.
constexpr int glyphAdvance = glyphWidth + 1;

// The glyph of c (lower case drawn as upper case); each of the 7 rows holds 5 bits, the
// leftmost pixel in bit 4. Characters the font lacks come out blank.
const uint8_t* glyph(char c);

}  // namespace demo
