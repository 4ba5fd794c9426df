// Spectral maths: windows, FFT, band mapping and palette.
#include "display/spectral.h"

#include <algorithm>
#include <cmath>

namespace display {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Hls {
  double h, l, s;
};

Hls ToHls(uint32_t c) {
  const double r = (c & 0xff) / 255.0, g = ((c >> 8) & 0xff) / 255.0, b = ((c >> 16) & 0xff) / 255.0;
  const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
  Hls o{0, (mx + mn) / 2, 0};
  if (mx == mn) return o;  // grey: hue 0, saturation 0
  const double d = mx - mn;
  o.s = o.l <= 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
  if (mx == r)
    o.h = (g - b) / d;
  else if (mx == g)
    o.h = 2 + (b - r) / d;
  else
    o.h = 4 + (r - g) / d;
  o.h *= 60;
  if (o.h < 0) o.h += 360;
  return o;
}

double HueComponent(double m1, double m2, double h) {
  h = std::fmod(h, 360);
  if (h < 0) h += 360;
  if (h < 60) return m1 + (m2 - m1) * h / 60;
  if (h < 180) return m2;
  if (h < 240) return m1 + (m2 - m1) * (240 - h) / 60;
  return m1;
}

uint32_t FromHls(const Hls& c) {
  double rgb[3];
  if (c.s == 0) {
    rgb[0] = rgb[1] = rgb[2] = c.l;
  } else {
    const double m2 = c.l <= 0.5 ? c.l * (1 + c.s) : c.l + c.s - c.l * c.s;
    const double m1 = 2 * c.l - m2;
    rgb[0] = HueComponent(m1, m2, c.h + 120);
    rgb[1] = HueComponent(m1, m2, c.h);
    rgb[2] = HueComponent(m1, m2, c.h - 120);
  }
  uint32_t out = 0;
  for (int i = 0; i < 3; ++i) {
    double v = rgb[i] < 1.0 / 256 ? 0 : std::min(1.0, rgb[i]);
    out |= static_cast<uint32_t>(std::trunc(v * 255)) << (8 * i);
  }
  return out;
}

}  // namespace

const char* WindowName(int type) {
  static const char* const kNames[] = {"Triangular", "Hanning",          "Hamming",
                                       "Blackmann",  "Welch (Gaussian)", "Blackmann-Harris"};
  return type >= 0 && type < 6 ? kNames[type] : "";
}

int32_t TransformLength(int r) {
  return int32_t{1} << std::max(3, std::min(r, kMaxResolutionExponent));
}

std::vector<double> MakeWindow(int type, int32_t L) {
  std::vector<double> w(L > 0 ? L : 0);
  for (int32_t i = 0; i < L; ++i) {
    const double a = 2 * kPi * i / L;
    switch (type) {
      case kWindowTriangular:
        w[i] = L > 1 ? 1 - std::fabs(1 - 2.0 * i / (L - 1)) : 1;
        break;
      case kWindowHamming:
        w[i] = 0.54 - 0.46 * std::cos(a);
        break;
      case kWindowBlackman:
        w[i] = 0.42 - 0.5 * std::cos(a) + 0.08 * std::cos(2 * a);
        break;
      case kWindowWelch: {
        const double t = (i - (L - 1) / 2.0) / ((L + 1) / 2.0);
        w[i] = 1 - t * t;
        break;
      }
      case kWindowBlackmanHarris:
        w[i] = 0.35875 - 0.48829 * std::cos(a) + 0.14128 * std::cos(2 * a) - 0.01168 * std::cos(3 * a);
        break;
      default:
        w[i] = 0.5 * (1 - std::cos(a));
        break;
    }
  }
  return w;
}

bool SpecFft::Valid(int32_t bands) {
  return bands >= 4 && bands <= 16384 && (bands & (bands - 1)) == 0;
}

SpecFft::SpecFft(int windowType, int32_t bands)
    : type_(windowType), bands_(Valid(bands) ? bands : 4), n_(2 * bands_) {
  window_ = MakeWindow(type_, n_);
  reversed_.resize(n_);
  int bits = 0;
  while ((1 << bits) < n_) ++bits;
  for (int32_t i = 0; i < n_; ++i) {
    int32_t r = 0;
    for (int b = 0; b < bits; ++b)
      if (i & (1 << b)) r |= 1 << (bits - 1 - b);
    reversed_[i] = r;
  }
  twiddle_.resize(n_ / 2);
  for (int32_t i = 0; i < n_ / 2; ++i) twiddle_[i] = std::polar(1.0, -2 * kPi * i / n_);
  work_.resize(n_);
  mags_.resize(bands_);
}

void SpecFft::Transform(std::vector<std::complex<double>>* data) const {
  std::vector<std::complex<double>>& x = *data;
  for (int32_t i = 0; i < n_; ++i)
    if (i < reversed_[i]) std::swap(x[i], x[reversed_[i]]);
  for (int32_t len = 2; len <= n_; len <<= 1) {
    const int32_t stride = n_ / len;
    for (int32_t start = 0; start < n_; start += len) {
      for (int32_t j = 0; j < len / 2; ++j) {
        const std::complex<double> t = twiddle_[j * stride] * x[start + j + len / 2];
        x[start + j + len / 2] = x[start + j] - t;
        x[start + j] += t;
      }
    }
  }
}

void SpecFft::Magnitudes(const float* samples, std::vector<double>* mags) {
  for (int32_t i = 0; i < n_; ++i) work_[i] = samples[i] * window_[i];
  Transform(&work_);
  mags->resize(bands_);
  for (int32_t k = 0; k < bands_; ++k) (*mags)[k] = std::abs(work_[k]);
}

int LogIndex(double m, double rangeDb) {
  if (!(rangeDb >= 1)) rangeDb = 1;
  const double ref = std::log10(kSpectralReference);
  const double floorLevel = std::pow(10.0, ref - 0.05 * rangeDb);
  if (!(m > floorLevel)) m = floorLevel;  // also NaN
  const double index = (20 * (std::log10(m) - ref) + rangeDb) / rangeDb * (kPaletteSize - 1);
  return static_cast<int>(std::max(0.0, std::min<double>(kPaletteSize - 1, index)));
}

int LinearIndex(double m, double scale) {
  const double index = scale * m;
  if (!(index > 0)) return 0;
  return static_cast<int>(std::min<double>(kPaletteSize - 1, index));
}

void SpecFft::LogBands(const float* samples, double rangeDb, std::vector<uint8_t>* indices) {
  Magnitudes(samples, &mags_);
  indices->resize(bands_);
  for (int32_t k = 0; k < bands_; ++k) (*indices)[k] = static_cast<uint8_t>(LogIndex(mags_[k], rangeDb));
}

void SpecFft::LinearBands(const float* samples, double scale, std::vector<uint8_t>* indices) {
  Magnitudes(samples, &mags_);
  indices->resize(bands_);
  for (int32_t k = 0; k < bands_; ++k) (*indices)[k] = static_cast<uint8_t>(LinearIndex(mags_[k], scale));
}

std::vector<uint32_t> MakeSpectralPalette(uint32_t low, uint32_t high, bool reverse) {
  Hls a = ToHls(low), b = ToHls(high);
  if (a.s == 0) a.h = b.h;  // a grey end takes the other end's hue
  if (b.s == 0) b.h = a.h;
  if (reverse) (a.h < b.h ? a.h : b.h) += 360;
  std::vector<uint32_t> palette(kPaletteSize);
  for (int i = 0; i < kPaletteSize; ++i) {
    const double t = std::min(1.0, i / 186.0);
    const double g = std::pow(t, 1.62);
    Hls c;
    c.h = a.h + (b.h - a.h) * i / kPaletteSize;
    c.l = a.l + g * (b.l - a.l);
    c.s = a.s + (b.s - a.s) * i / kPaletteSize;
    palette[i] = FromHls(c);
  }
  return palette;
}

int64_t SpectralColumnStart(int32_t i, int32_t areaWidth, int64_t a, int64_t b, int32_t N) {
  if (areaWidth <= 0) return a - N / 2;
  const int64_t centre = static_cast<int64_t>(std::trunc(static_cast<double>(i) * (b - a) / areaWidth + a));
  return centre - N / 2;
}

SpectralChange ApplySpectralSetting(SpectralSettings* s, int code, int32_t value, bool spectralView) {
  const auto changed = [&](auto* field, auto v, bool redraw) {
    if (*field == v) return SpectralChange::kUnchanged;
    *field = v;
    return redraw ? SpectralChange::kRedraw : SpectralChange::kStored;
  };
  switch (code) {
    case 100: {
      const SpectralChange c = changed(&s->reverseColors, value != 0, false);
      return c == SpectralChange::kUnchanged ? c : SpectralChange::kRebuildPalette;
    }
    case 101:
      return changed(&s->plotMode, static_cast<int>(value), spectralView);
    case 102:
      return changed(&s->windowType, static_cast<int>(static_cast<int16_t>(value)), spectralView);
    case 103:
      return changed(&s->resolution, static_cast<int>(static_cast<int16_t>(value)), spectralView);
    case 104:
      return changed(&s->linearScale, value * 0.001, spectralView && s->plotMode != 0);
    case 105:
      return changed(&s->boundaryAmplitude, std::pow(10.0, value * 0.001 * 0.05), !spectralView);
    case 106:
      return changed(&s->rangeDb, static_cast<double>(value), spectralView);
    default:
      return SpectralChange::kUnknownCode;
  }
}

bool SpectralColumn(const std::function<int32_t(int64_t, int32_t, float*)>& reader, int64_t length,
                    int channels, int64_t start, const SpectralSettings& settings, SpecFft* fft,
                    std::vector<uint8_t> bands[2]) {
  channels = channels == 2 ? 2 : 1;
  const int32_t n = 2 * fft->bands();
  std::vector<float> frames(static_cast<size_t>(n) * channels, 0.0f);
  const int64_t lo = std::max<int64_t>(start, 0), hi = std::min<int64_t>(start + n, length);
  if (lo < hi) {
    if (!reader) return false;
    const int32_t want = static_cast<int32_t>(hi - lo);
    const int32_t got = reader(lo, want, &frames[static_cast<size_t>(lo - start) * channels]);
    if (got <= 0) return false;
    if (got < want)
      std::fill(frames.begin() + static_cast<size_t>(lo - start + got) * channels,
                frames.begin() + static_cast<size_t>(lo - start + want) * channels, 0.0f);
  }
  std::vector<float> one(n);
  for (int ch = 0; ch < channels; ++ch) {
    for (int32_t i = 0; i < n; ++i) one[i] = frames[static_cast<size_t>(i) * channels + ch];
    if (settings.plotMode != 0)
      fft->LinearBands(one.data(), settings.linearScale, &bands[ch]);
    else
      fft->LogBands(one.data(), settings.rangeDb, &bands[ch]);
  }
  return true;
}

}  // namespace display
