// The rulers beside the waveform display: the time ruler (18 pixels, under the display) and the value
// ruler (38 pixels, right of it). Each reads the display's view and vertical range when it paints, draws the
// ticks and labels of the ruler engine (display/ruler.h), and hands its tick positions to the display as
// its grid lists. Both must share the display's parent and line up with it: the time ruler at the
// display's x, the value ruler at the display's y.
#pragma once

#include <cstdint>

#include "display/main_layout.h"
#include "platform/win32.h"

namespace display {

extern const char kTimeRulerClass[];   // "SornTimeRuler"
extern const char kValueRulerClass[];  // "SornValueRuler"

bool RulersRegister(HINSTANCE instance);
void RulersUnregister(HINSTANCE instance);

HWND TimeRulerCreate(HWND parent, HWND display, int x, int y, int width, int id);
HWND ValueRulerCreate(HWND parent, HWND display, int x, int y, int height, int id);

// The time format of positions (LoTimeMode), the document's time offset and the custom frame rate.
void TimeRulerSetMode(HWND ruler, int loTimeMode, int64_t timeOffset, int timeCodeFrames);
// The vertical scale (ValueScale of ruler.h); the Hz scale is used while the display is in spectral view.
void ValueRulerSetScale(HWND ruler, int scale);

// Paints a ruler into dc (the client area) and updates the display's grid list when the ticks moved.
void TimeRulerPaint(HWND ruler, HDC dc);
void ValueRulerPaint(HWND ruler, HDC dc);

// Repaints a ruler at once (after a view, vertical range or format change of its display).
void RulerRefresh(HWND ruler);

}  // namespace display
