// Display geometry: areas, highlight columns, insertion line, redraw ranges and sample boxes.
#include "display/geometry.h"

#include <algorithm>

#include "display/colors.h"

namespace display {

int32_t SnapDisplayHeight(int32_t h) {
  return h < 7 ? 7 : (h - 7) / 4 * 4 + 7;
}

DisplayAreas ComputeAreas(const PixelRect& client, const PixelRect& margins) {
  DisplayAreas a;
  a.wave.left = client.left + margins.left + 1;
  a.wave.top = client.top + margins.top + 1;
  a.wave.right = client.right - margins.right - 2;
  a.wave.bottom = client.bottom - margins.bottom - 1;
  a.upper = a.lower = a.wave;
  const int32_t mid = (a.wave.bottom + a.wave.top - 1) / 2;
  a.upper.bottom = mid - 2;
  a.lower.top = mid + 2;
  return a;
}

int32_t ChannelHeight(const PixelRect& wave, bool stereo) {
  const int32_t h = stereo ? (wave.bottom - wave.top - 5) / 2 : wave.bottom - wave.top - 1;
  return std::max(0, h);
}

bool SelectionColumns(const WaveView& v, int32_t s, int32_t e, int32_t* x1, int32_t* x2) {
  if (e < s || v.samplesPerPixel() <= 0) return false;
  const double k = v.pixels() / v.width();
  if (v.samplesPerPixel() < 1) {
    *x1 = v.left() + SafeTrunc((s - v.first() - 0.5) * k);
    *x2 = v.left() + SafeTrunc((e - v.first() + 0.5) * k - 1);
  } else {
    *x1 = v.left() + SafeTrunc((s - v.first()) * k);
    *x2 = v.left() + SafeTrunc((e - v.first()) * k);
  }
  *x1 = std::max(*x1, v.left());
  *x2 = std::min(*x2, v.right() + 1);
  return *x1 <= *x2;
}

int32_t InsertionColumn(const WaveView& v, int32_t s) {
  if (v.samplesPerPixel() <= 0) return -1;
  const double b = s - 0.5;
  if (b < v.first() || b > v.last()) return -1;
  return v.left() + SafeTrunc((s - v.first() - 0.5) / v.width() * v.pixels() + 0.5);
}

int32_t NormalizedRow(double v, double low, double high, int32_t h) {
  if (!(high > low)) return 0;
  const double f = (-v - low) / (high - low);
  return SafeTrunc(f * h + 10.000000001) - 10;
}

void SpectralRows(double low, double high, int32_t h, int32_t* offset, int32_t* dest) {
  if (!(high > low)) {
    *offset = 0;
    *dest = h;
    return;
  }
  *dest = SafeTrunc(h / (high - low));
  *offset = SafeTrunc(-(h * (low + 1) / (high - low)));
}

int WaveColorCode(double spp, bool selected, bool channelExcluded) {
  if (channelExcluded) return 0;
  if (spp > 1.75) return selected ? kColorHiliteDigitalWaveform : kColorDigitalWaveform;
  return selected ? kColorHiliteAnalogWaveform : kColorAnalogWaveform;
}

std::vector<SampleRange> SelectionRedrawRanges(int32_t s0, int32_t e0, int32_t s1, int32_t e1) {
  std::vector<SampleRange> out;
  const bool had = e0 >= s0, has = e1 >= s1;
  if (!had && !has) return out;
  if (!had || !has || e0 < s1 || e1 < s0) {  // disjoint: each whole range changes
    if (had) out.push_back({s0, e0});
    if (has) out.push_back({s1, e1});
    return out;
  }
  if (s0 != s1) out.push_back({std::min(s0, s1), std::max(s0, s1) - 1});
  if (e0 != e1) out.push_back({std::min(e0, e1) + 1, std::max(e0, e1)});
  return out;
}

std::vector<SampleBox> SampleBoxes(const WaveView& v, bool channelExcluded) {
  std::vector<SampleBox> boxes;
  const double spp = v.samplesPerPixel();
  if (spp <= 0 || spp >= 1.75 || v.length() <= 0) return boxes;
  int32_t before = 0, after = 0;
  if (spp <= 0.08 + 1e-12) {
    before = after = 2;  // 5 x 5: at 12.5 pixels per sample and closer
  } else if (spp < 0.25) {
    before = after = 1;
  } else if (spp < 0.85) {
    after = 1;
  }
  const double rightEdge = v.first() + v.width();
  const int32_t k0 = std::max(0, SafeTrunc(v.first() - 0.0001));
  const int32_t k1 = std::min(v.length() - 1, SafeTrunc(rightEdge + 1.9999));
  for (int32_t k = k0; k <= k1; ++k) {
    const int32_t x = v.left() + SafeTrunc((k - v.first()) / v.width() * v.pixels() + 10.000000001) - 10;
    if (x < v.left() || x > v.right()) continue;  // beyond the area: not a visible sample
    boxes.push_back({k, x, before, after, before == 2 && !channelExcluded});
  }
  return boxes;
}

}  // namespace display
