// Spectral view maths: transform sizes, the six analysis windows, a radix-2 FFT, the mapping of band
// magnitudes to the 192 palette indices (logarithmic or linear), the palette between the low- and
// high-energy colours, and which frames a spectrogram column analyses.
//
// Conventions: the transform of N real samples x[n] gives X[k] = sum x[n] e^(-2 pi i k n / N), not
// normalised; band k (0 .. N/2 - 1) has magnitude |X[k]|. Band 0 is drawn in the bottom row (row B - 1).
#pragma once

#include <complex>
#include <cstdint>
#include <functional>
#include <vector>

namespace display {

constexpr int kPaletteSize = 192;
constexpr int kMaxResolutionExponent = 15;  // 32768-point transform
constexpr double kSpectralReference = 12000;

enum WindowType : int {
  kWindowTriangular = 0,
  kWindowHanning = 1,
  kWindowHamming = 2,
  kWindowBlackman = 3,
  kWindowWelch = 4,
  kWindowBlackmanHarris = 5,
};

// Names shown in the settings list, by window type.
const char* WindowName(int type);

// Transform length 2^r, with r limited to 3 .. 15.
int32_t TransformLength(int r);

// The window of a type over L points (unknown types: Hanning).
std::vector<double> MakeWindow(int type, int32_t L);

class SpecFft {
 public:
  // N = 2 x bands points; bands must be a power of two from 4 to 16384.
  static bool Valid(int32_t bands);
  SpecFft(int windowType, int32_t bands);

  int32_t bands() const { return bands_; }
  int windowType() const { return type_; }

  // Windows the N samples and leaves the magnitude of band k in mags[k] (bands entries).
  void Magnitudes(const float* samples, std::vector<double>* mags);

  // In-place complex FFT of N points (exposed for tests).
  void Transform(std::vector<std::complex<double>>* data) const;

  // Band magnitudes mapped to palette indices 0 .. 191.
  void LogBands(const float* samples, double rangeDb, std::vector<uint8_t>* indices);
  void LinearBands(const float* samples, double scale, std::vector<uint8_t>* indices);

 private:
  int type_;
  int32_t bands_, n_;
  std::vector<double> window_;
  std::vector<int32_t> reversed_;
  std::vector<std::complex<double>> twiddle_;
  std::vector<std::complex<double>> work_;
  std::vector<double> mags_;
};

// Palette index of a magnitude on a logarithmic scale R dB deep (reference 12000 = top index).
int LogIndex(double magnitude, double rangeDb);
// Palette index of a magnitude on a linear scale.
int LinearIndex(double magnitude, double scale);

// 192 RGB colours (COLORREF layout, red in the low byte) from the low-energy to the high-energy colour
// through hue, lightness and saturation; reverse sends the hue the other way round the circle.
std::vector<uint32_t> MakeSpectralPalette(uint32_t low, uint32_t high, bool reverse);

// Bitmap row of band j of B: the highest band at the top (row 0), band 0 at the bottom.
inline int32_t SpectralBandRow(int32_t band, int32_t bands) {
  return bands - 1 - band;
}

// First frame analysed for spectrogram column i of areaWidth columns showing whole samples a .. b:
// centre trunc(i x (b - a) / areaWidth + a) minus N / 2.
int64_t SpectralColumnStart(int32_t i, int32_t areaWidth, int64_t a, int64_t b, int32_t N);

// Spectral view settings as the display keeps them (codes 100 .. 106 of the display's spectral setter).
struct SpectralSettings {
  bool reverseColors = false;                 // code 100
  int plotMode = 0;                           // code 101: 0 logarithmic, else linear
  int windowType = kWindowHanning;            // code 102
  int resolution = 7;                         // code 103: transform length 2^r (limited to 3 .. 15 when used)
  double linearScale = 0.8;                   // code 104: value x 0.001
  double boundaryAmplitude = 0.707945784384;  // code 105: 10^(value x 0.001 / 20), value in thousandths of a dB
  double rangeDb = 120;                       // code 106
};

enum class SpectralChange { kUnknownCode, kUnchanged, kStored, kRebuildPalette, kRedraw };

// Applies code/value. kRedraw when the current view must be redrawn (and, for codes 101 .. 104 and 106,
// the spectrogram recomputed): spectral settings while the spectral view is on, the boundary amplitude in
// waveform view, the linear scale only in linear mode.
SpectralChange ApplySpectralSetting(SpectralSettings* s, int code, int32_t value, bool spectralView);

// One spectrogram column: N = 2 x fft.bands() frames from frame start (frames outside 0 .. length - 1, and
// frames a short read did not deliver, are silence), per channel the palette index of each band.
// Returns false when the reader fails.
bool SpectralColumn(const std::function<int32_t(int64_t, int32_t, float*)>& reader, int64_t length,
                    int channels, int64_t start, const SpectralSettings& settings, SpecFft* fft,
                    std::vector<uint8_t> bands[2]);

}  // namespace display
