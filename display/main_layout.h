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
// "Beg: 00:00:000" in the status font; textHeight: that font's height; formatWidth: the width of the longest
// format text. When the format field would be narrower than that, Beg, End and Time take a second row under
// the first (0: always one row).
MainLayout LayoutMainArea(const PixelRect& area, int32_t fieldWidth, int32_t textHeight, int32_t formatWidth = 0);

}  // namespace display

namespace display {

// The whole client area of the main window, top to bottom: the toolbar band, the CD bar while it is shown
// (title field, time, track list), the row of transport and zoom buttons with the device and capability
// texts after them (one above the other), the wave area (LayoutMainArea above), the notice line and the 5-pixel level meter
// along the bottom. Buttons that do not fit the width are hidden, never squeezed.
constexpr int32_t kToolbarBandHeight = 32;  // toolbar buttons are 24 pixels high, placed at y = 4
constexpr int32_t kMeterHeight = 5;
constexpr int kMainButtonCount = 8;
// Button order along the row: Play, Pause, Stop, Record, then Zoom, In, Out, Full.
constexpr int kButtonPlay = 0, kButtonPause = 1, kButtonStop = 2, kButtonRecord = 3, kButtonZoom = 4,
              kButtonIn = 5, kButtonOut = 6, kButtonFull = 7;

struct MainWindowMetrics {
  int32_t fieldWidth = 90;       // "Beg: 00:00:000" in the status font
  int32_t textHeight = 16;       // that font's height
  int32_t buttonTextWidth = 80;  // " Zoom Out M": a transport button is three quarters of it, a zoom button half
  int32_t cdTimeWidth = 40;      // " 00:00 "
  int32_t formatWidth = 0;       // " 44100 / 16 bit / Stereo": the status row splits in two below it
  int32_t toolbarHeight = kToolbarBandHeight;
  int32_t cdBarHeight = 0;  // 0: the CD bar is hidden
};

struct MainWindowLayout {
  PixelRect buttons[kMainButtonCount];
  bool buttonVisible[kMainButtonCount] = {};
  PixelRect deviceText, capabilityText;  // empty when there is no room
  bool cdShown = false;
  PixelRect cdTitle, cdTime, cdTracks;
  PixelRect notice, meter;
  MainLayout wave;
};

// The CD bar's height for a text height (two lines of the track list).
int32_t CdBarHeight(int32_t textHeight);

MainWindowLayout LayoutMainWindow(const PixelRect& client, const MainWindowMetrics& metrics);

}  // namespace display
