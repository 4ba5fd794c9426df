// The per-window record of the waveform display, shared by its window procedure (wavedisp_win.cpp) and
// its spectral painter (wavedisp_spectral_win.cpp). Not for use outside the display's window code.
#pragma once

#include <memory>
#include <vector>

#include "display/colors.h"
#include "display/mouse_select.h"
#include "display/paint_plan.h"
#include "display/spectral.h"
#include "display/view_model.h"
#include "platform/win32.h"

namespace display {

struct WaveDispState {
  HWND hwnd = nullptr;
  HWND parent = nullptr;
  int id = 0;
  WaveView view;
  SelectionMouse mouse{view};
  DisplaySource* source = nullptr;
  PixelRect client{0, 0, 0, 0};
  PixelRect margins{3, 0, 3, 0};
  WavePainter painter;
  PaintPlan plan;
  COLORREF colors[kColorCount + 1] = {};
  std::vector<int16_t> gridX, gridY;
  std::vector<CueMark> cues;
  int interpolationTaps = kDefaultInterpolationTaps;
  bool interpolated = false;  // the last waveform paint used the zoomed-in interpolator

  // What the caches were made for: a view change at the same width by whole columns shifts them.
  double seenFirst = 0, seenWidth = 0;
  int32_t seenPixels = 0;
  int32_t seenSelStart = 0, seenSelEnd = -1;
  uint32_t seenFlags = 0;

  // Play cursor.
  int32_t cursorX = -1;
  int hideCount = 0;
  uint32_t cursorFlags = 0;

  // Sample handles of the last waveform paint, and a handle drag.
  std::vector<SampleHandle> handles;
  bool dragging = false;
  SampleHandle drag;
  int32_t pressY = 0, dragOffset = 0;
  HCURSOR cursor = nullptr;

  // Off-screen buffer the size of the client area.
  HDC memDC = nullptr;
  HBITMAP memBitmap = nullptr, oldBitmap = nullptr;
  int memWidth = 0, memHeight = 0;

  // Spectral view: settings, transform, per channel an image of palette indices (bands rows x stride
  // columns, the highest band in row 0) and which columns of it are computed.
  SpectralSettings spectral;
  std::unique_ptr<SpecFft> fft;
  std::vector<uint8_t> image[2];
  std::vector<char> columnValid;
  int32_t imageStride = 0, imageBands = 0;
  std::vector<uint32_t> palette;
  bool recording = false;
  bool blank = false;  // only the frame is painted
  bool fftFailed = false;
};

// The colour of a paint colour code (display codes 1 .. 13 and the extra codes of paint_plan.h).
COLORREF WaveDispColorOf(const WaveDispState& s, int code);

// Paints the spectral view into dc for the columns of rc (and marks the computed columns valid).
void WaveDispPaintSpectral(WaveDispState& s, HDC dc, const RECT& rc);
// Forgets the spectral columns (all of them), or moves them dx columns right (dx > 0) after a scroll.
void WaveDispSpectralInvalidate(WaveDispState& s);
void WaveDispSpectralShift(WaveDispState& s, int32_t dx);
// Frees the transform and the images (entering waveform view).
void WaveDispSpectralFree(WaveDispState& s);

}  // namespace display
