// The waveform display window (class "WAVEDISP", control id 360): a child window that shows one wave
// through a DisplaySource as a waveform or a spectrogram, with the selection, the play cursor, cue markers,
// grids, and mouse selection. Every change of view, selection, length, flags or vertical range is sent to
// the parent as WM_NOTIFY with a WaveDispNmhdr record (codes in display/view_model.h).
//
// The window is a thin layer: the view model, mouse state machine, column planner and drawing plan are the
// portable code of this folder. All functions run on the user-interface thread and do nothing (returning
// 0 / false) for a window that is not a display.
#pragma once

#include <cstdint>
#include <vector>

#include "display/display_source.h"
#include "display/paint_plan.h"
#include "display/view_model.h"
#include "platform/win32.h"

namespace display {

constexpr int kWaveDispId = 360;
extern const char kWaveDispClass[];  // "WAVEDISP"

// The WM_NOTIFY record: hdr.code is one of the WDN_* codes; a, b, extra and flags as the code defines.
struct WaveDispNmhdr {
  NMHDR hdr;
  double a;
  double b;
  int32_t extra;
  uint32_t flags;
};

// Registers (and unregisters) the window class; the channel and handle cursors come from the instance's
// resources 166, 165 and 161 when it has them.
bool WaveDispRegister(HINSTANCE instance);
void WaveDispUnregister(HINSTANCE instance);

// A display child of parent; the height is snapped to 4n + 7 pixels.
HWND WaveDispCreate(HWND parent, int x, int y, int width, int height, int id = kWaveDispId);

// Binds a source (which must outlive the binding) or, with null, resets the display to no document.
// Sets channels, length and a view of the whole wave, in waveform view.
void WaveDispAttach(HWND hwnd, DisplaySource* source);
DisplaySource* WaveDispSource(HWND hwnd);

// The view model, for reading (first, last, selection, flags, mappings). Null for a non-display.
const WaveView* WaveDispModel(HWND hwnd);

bool WaveDispSetView(HWND hwnd, double a, double b, bool redraw = true);
bool WaveDispMoveView(HWND hwnd, double a, double b, bool force);
int32_t WaveDispScroll(HWND hwnd, int32_t dx);
bool WaveDispSetSelection(HWND hwnd, int32_t start, int32_t end);
bool WaveDispNudgeSelection(HWND hwnd, int32_t dxStart, int32_t dxEnd);
bool WaveDispSetLength(HWND hwnd, int32_t length, bool redraw = true);
bool WaveDispSetFlags(HWND hwnd, uint32_t value, uint32_t mask, bool redraw = true);
uint32_t WaveDispGetFlags(HWND hwnd);
bool WaveDispSetVRange(HWND hwnd, double low, double high, bool redraw = true);
bool WaveDispScrollVRange(HWND hwnd, int32_t dy);
// Runs a view command (zoom in/out/selection/full, scroll, page, step, cursor keys); false for other ids.
bool WaveDispCommand(HWND hwnd, int id);

// Play cursor at sample s (-1 removes it); returns its column or -1.
int32_t WaveDispSetCursor(HWND hwnd, int32_t s);
void WaveDispRedrawCursor(HWND hwnd);
// Nesting hide count: the cursor line is erased when hiding starts and drawn again when it ends.
void WaveDispShowCursor(HWND hwnd, bool show);

// Colour codes 1 .. 13 (colors.h); false for an unknown code.
bool WaveDispSetColor(HWND hwnd, int code, COLORREF color, bool redraw = true);
COLORREF WaveDispGetColor(HWND hwnd, int code);
// Spectral settings codes 100 .. 106 (spectral.h); false for an unknown code.
bool WaveDispSetSpectral(HWND hwnd, int code, int32_t value, bool redraw = true);
// While recording the spectrogram is not computed (its columns stay black).
void WaveDispSetRecording(HWND hwnd, bool recording);
// A blank display shows its frame only (the recording without live update); clearing it repaints.
void WaveDispSetBlank(HWND hwnd, bool blank);
// Space kept round the wave area for rulers; takes effect at once.
void WaveDispSetMargins(HWND hwnd, int left, int top, int right, int bottom);
// Grid lists: offsets from the margins' left / top, ended by -1 or the end of the list; null clears.
void WaveDispSetGridX(HWND hwnd, const int16_t* list, int count, bool redraw = true);
void WaveDispSetGridY(HWND hwnd, const int16_t* list, int count, bool redraw = true);
void WaveDispSetCues(HWND hwnd, std::vector<CueMark> cues, bool redraw = true);
// Repaints the columns of samples a .. b (b = -2: to the last visible, -1: to the right edge), dropping
// their cached values when resetCache is set (the samples changed).
void WaveDispRedrawRange(HWND hwnd, int32_t a, int32_t b, bool resetCache);

// The grid lists as set, and the channel areas (client coordinates) the rulers line up with.
std::vector<int16_t> WaveDispGridX(HWND hwnd);
std::vector<int16_t> WaveDispGridY(HWND hwnd);
std::vector<ChannelArea> WaveDispChannelAreas(HWND hwnd);

// The draggable sample handles of the last waveform paint (empty unless zoomed in far enough).
std::vector<SampleHandle> WaveDispHandles(HWND hwnd);

int32_t WaveDispPixelToSample(HWND hwnd, int32_t x);
int32_t WaveDispSampleToPixel(HWND hwnd, int32_t s);

// Draws the whole display as it would appear (play cursor included) into a 32-bit top-down pixel array
// of the client size, each pixel 0x00RRGGBB. For tests and screenshots.
bool WaveDispRender(HWND hwnd, std::vector<uint32_t>* pixels, int* width, int* height);

}  // namespace display
