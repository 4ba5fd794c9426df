// The thirteen display colours: the colour codes the display takes (1 .. 13), the user-facing element
// order with names and the code of each element, and the built-in default colour of each element, so a
// display has sensible colours before the settings push theirs.
#pragma once

#include <cstdint>

namespace display {

using ColorRef = uint32_t;  // red | green << 8 | blue << 16

constexpr ColorRef Rgb(int r, int g, int b) {
  return static_cast<ColorRef>(r) | static_cast<ColorRef>(g) << 8 | static_cast<ColorRef>(b) << 16;
}

// Colour codes of the display.
enum ColorCode : int {
  kColorBackground = 1,
  kColorDigitalWaveform = 2,
  kColorCenterLine = 3,
  kColorCursor = 4,
  kColorHiliteBackground = 5,
  kColorHiliteDigitalWaveform = 6,
  kColorGrid = 7,
  kColorAnalogWaveform = 8,
  kColorHiliteAnalogWaveform = 9,
  kColorHiliteGrid = 10,
  kColorSpectralLow = 11,
  kColorSpectralHigh = 12,
  kColorBoundaryLines = 13,
};
constexpr int kColorCount = 13;

struct ColorElement {
  const char* name;  // element list text
  int code;          // display colour code
  ColorRef defaultColor;
};

// The elements in their fixed order (the order of the settings keys and scheme strings).
extern const ColorElement kColorElements[kColorCount];

// The default colour of a display colour code; 0 for an unknown code.
ColorRef DefaultColor(int code);

}  // namespace display
