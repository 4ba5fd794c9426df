// Where the waveform display, its rulers and the status fields go inside the main window's wave area (the
// client area less the toolbar above and the level meter below): the display fills the area less the value
// ruler at its right and the time ruler and the status row under it; the display's height is snapped to
// 4n + 7 and the rulers follow it, so the time ruler always sits right under the display; the status row
// holds the format, length, size, begin, end and time fields side by side, sized from the measured text
// "Beg: 00:00:000". A plain function of sizes, so the window code only moves its children.
#pragma once

#include <cstdint>

#include "display/geometry.h"

namespace display {

constexpr int32_t kTimeRulerHeight = 18;  // the time ruler under the display
constexpr int32_t kValueRulerWidth = 38;  // the value ruler at its right

struct MainLayout {
  PixelRect display, timeRuler, valueRuler;
  PixelRect status[6];   // format, length, size, Beg, End, Time; right and bottom exclusive like the rest
  bool visible = false;  // false: the area is too small to show the display
};

constexpr int kStatusFormat = 0, kStatusLength = 1, kStatusSize = 2, kStatusBeg = 3, kStatusEnd = 4,
              kStatusTime = 5;

// area: the wave area in client coordinates (right, bottom exclusive); fieldWidth: the width of
// "Beg: 00:00:000" in the status font; textHeight: that font's height.
MainLayout LayoutMainArea(const PixelRect& area, int32_t fieldWidth, int32_t textHeight);

}  // namespace display
