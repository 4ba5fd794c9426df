// The graph display window, class "SORNDISPLAY": a child window that draws a GraphData (graph_plot.h), as
// the frequency analysis window shows its spectrum. Registered at start-up (GraphDisplayRegister, which is
// also what the exported DisplayInit does for a module); placed in a dialog template as a CONTROL of that
// class. Included only by *_win.cpp files.
#pragma once

#include <cstdint>
#include <vector>

#include "display/graph_plot.h"
#include "platform/win32.h"

namespace display {

extern const char kGraphDisplayClass[];  // "SORNDISPLAY"

// Registers the class for instance (a second registration is not an error).
bool GraphDisplayRegister(HINSTANCE instance);
void GraphDisplayUnregister(HINSTANCE instance);

// Replaces what the window shows and repaints it; false for a window that is not a graph display.
bool GraphDisplaySetData(HWND hwnd, const GraphData& data);
// What it shows (null for a window that is not a graph display).
const GraphData* GraphDisplayData(HWND hwnd);
// Paints the client area into memory: 0x00RRGGBB pixels, rows top to bottom. False for a window that is not
// a graph display or has no area.
bool GraphDisplayRender(HWND hwnd, std::vector<uint32_t>* pixels, int* width, int* height);

// The colour of channel c's series (0 left or mono, 1 right).
COLORREF GraphDisplaySeriesColor(int c);

}  // namespace display
