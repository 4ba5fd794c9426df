// The spectral view of the waveform display: per channel an image of palette indices, one spectrogram
// column per pixel column computed when first shown (not while recording), shifted on scrolls, and drawn
// through an 8-bit DIB stretched to the vertical range; the selection is shown inverted.
#include <algorithm>
#include <cstring>
#include <new>

#include "display/geometry.h"
#include "display/wavedisp_state_win.h"

namespace display {
namespace {

struct PaletteInfo {
  BITMAPINFOHEADER header;
  RGBQUAD colors[256];
};

// Makes sure the transform and images fit the current settings and width; false when memory ran out.
bool Prepare(WaveDispState& s, int32_t* bands) {
  const int32_t n = TransformLength(std::max(3, std::min(s.spectral.resolution, kMaxResolutionExponent)));
  const int32_t b = n / 2;
  *bands = b;
  try {
    if (!s.fft || s.fft->bands() != b || s.fft->windowType() != s.spectral.windowType) {
      s.fft.reset();
      s.fft.reset(new SpecFft(s.spectral.windowType, b));
      WaveDispSpectralInvalidate(s);
    }
    const int32_t pixels = s.view.pixels();
    const int32_t stride = (pixels + 3) & ~3;
    if (stride != s.imageStride || b != s.imageBands || s.columnValid.size() != static_cast<size_t>(pixels)) {
      for (int ch = 0; ch < 2; ++ch) s.image[ch].assign(static_cast<size_t>(stride) * b, 0);
      s.columnValid.assign(static_cast<size_t>(pixels), 0);
      s.imageStride = stride;
      s.imageBands = b;
    }
  } catch (const std::bad_alloc&) {
    s.fft.reset();
    for (auto& img : s.image) std::vector<uint8_t>().swap(img);
    s.columnValid.clear();
    s.imageStride = s.imageBands = 0;
    if (!s.fftFailed) {
      s.fftFailed = true;
      MessageBoxA(s.hwnd, "not enough memory", "FFT Setup", MB_OK | MB_ICONINFORMATION);
    }
    return false;
  }
  s.fftFailed = false;
  return true;
}

void ComputeColumns(WaveDispState& s, int32_t c0, int32_t c1) {
  const WaveView& v = s.view;
  int32_t a, b;
  v.viewSamples(&a, &b);
  if (b - a < 4 || !s.source || s.recording) return;
  const int32_t n = 2 * s.imageBands;
  const FrameReader reader = ReaderOf(s.source);
  std::vector<uint8_t> bands[2];
  for (int32_t c = c0; c <= c1; ++c) {
    if (s.columnValid[c]) continue;
    const int64_t start = SpectralColumnStart(c, v.pixels(), a, b, n);
    if (!SpectralColumn(reader, v.length(), v.channels(), start, s.spectral, s.fft.get(), bands)) continue;
    for (int ch = 0; ch < v.channels(); ++ch) {
      uint8_t* img = s.image[ch].data();
      for (int32_t j = 0; j < s.imageBands; ++j)
        img[static_cast<size_t>(SpectralBandRow(j, s.imageBands)) * s.imageStride + c] = bands[ch][j];
    }
    s.columnValid[c] = 1;
  }
}

}  // namespace

void WaveDispSpectralInvalidate(WaveDispState& s) {
  std::fill(s.columnValid.begin(), s.columnValid.end(), 0);
}

void WaveDispSpectralShift(WaveDispState& s, int32_t dx) {
  const int32_t w = static_cast<int32_t>(s.columnValid.size());
  if (dx == 0 || w == 0) return;
  if (dx >= w || -dx >= w) return WaveDispSpectralInvalidate(s);
  auto shiftRow = [dx, w](auto* row) {
    if (dx > 0) {
      std::memmove(row + dx, row, static_cast<size_t>(w - dx) * sizeof *row);
      std::memset(row, 0, static_cast<size_t>(dx) * sizeof *row);
    } else {
      std::memmove(row, row - dx, static_cast<size_t>(w + dx) * sizeof *row);
      std::memset(row + w + dx, 0, static_cast<size_t>(-dx) * sizeof *row);
    }
  };
  shiftRow(s.columnValid.data());
  for (auto& img : s.image)
    if (img.size() == static_cast<size_t>(s.imageStride) * s.imageBands)
      for (int32_t r = 0; r < s.imageBands; ++r)
        shiftRow(img.data() + static_cast<size_t>(r) * s.imageStride);
}

void WaveDispSpectralFree(WaveDispState& s) {
  s.fft.reset();
  for (auto& img : s.image) std::vector<uint8_t>().swap(img);
  s.columnValid.clear();
  s.imageStride = s.imageBands = 0;
}

void WaveDispPaintSpectral(WaveDispState& s, HDC dc, const RECT& rc) {
  const WaveView& v = s.view;
  if (v.pixels() <= 0 || !s.source || v.length() <= 0) return;
  const int32_t x0 = std::max<int32_t>(rc.left, v.left()), x1 = std::min<int32_t>(rc.right - 1, v.right());
  if (x1 < x0) return;
  int32_t bands = 0;
  if (!Prepare(s, &bands)) return;
  const int32_t c0 = x0 - v.left(), c1 = x1 - v.left();
  ComputeColumns(s, c0, c1);
  if (s.palette.empty())
    s.palette = MakeSpectralPalette(s.colors[kColorSpectralLow], s.colors[kColorSpectralHigh],
                                    s.spectral.reverseColors);
  PaletteInfo info = {};
  info.header.biSize = sizeof info.header;
  info.header.biWidth = s.imageStride;
  info.header.biHeight = -bands;  // top-down: row 0 is the highest band
  info.header.biPlanes = 1;
  info.header.biBitCount = 8;
  info.header.biCompression = BI_RGB;
  info.header.biClrUsed = 256;
  for (size_t i = 0; i < s.palette.size() && i < 256; ++i) {
    const uint32_t c = s.palette[i];
    info.colors[i] = {static_cast<BYTE>(c >> 16), static_cast<BYTE>(c >> 8), static_cast<BYTE>(c), 0};
  }
  const std::vector<ChannelArea> areas = ChannelAreas(v, s.client, s.margins);
  int32_t sel1 = 0, sel2 = -1;
  const bool selected = SelectionColumns(v, v.selStart(), v.selEnd(), &sel1, &sel2);
  SetStretchBltMode(dc, COLORONCOLOR);
  for (size_t ch = 0; ch < areas.size(); ++ch) {
    const ChannelArea& a = areas[ch];
    if (a.height <= 0) continue;
    int32_t offset, dest;
    SpectralRows(v.vLow(), v.vHigh(), a.height, &offset, &dest);
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, a.rect.left, a.rect.top, a.rect.right, a.rect.bottom);
    StretchDIBits(dc, x0, a.rect.top + offset, x1 - x0 + 1, dest, c0, 0, c1 - c0 + 1, bands,
                  s.image[ch].data(), reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, SRCCOPY);
    // Columns not computed (recording, a failed read) stay black.
    SetBkColor(dc, RGB(0, 0, 0));
    for (int32_t c = c0; c <= c1; ++c) {
      if (s.columnValid[c]) continue;
      RECT r = {v.left() + c, a.rect.top, v.left() + c + 1, a.rect.bottom};
      ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    }
    // Rows of the channel the range leaves uncovered.
    SetBkColor(dc, GetSysColor(COLOR_BTNSHADOW));
    if (offset >= 1) {
      RECT r = {x0, a.rect.top, x1 + 1, a.rect.top + offset};
      ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    }
    if (dest + offset < a.height) {
      RECT r = {x0, a.rect.top + dest + offset, x1 + 1, a.rect.bottom};
      ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    }
    if (selected && !a.excluded) {
      const int32_t l = std::max(x0, sel1), r = std::min(x1, sel2);
      if (r >= l) PatBlt(dc, l, a.rect.top, r - l + 1, a.rect.bottom - a.rect.top, DSTINVERT);
    }
    RestoreDC(dc, saved);
  }
}

}  // namespace display
