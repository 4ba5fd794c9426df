// Spectral maths: transform sizes, window values, the FFT against a plain DFT, a sine landing in its band
// and row, the logarithmic and linear index scales, and the palette's ends and hue direction.
#include "display/spectral.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

namespace display {
namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(Spectral, TransformLengths) {
  EXPECT_EQ(TransformLength(16), 32768);
  EXPECT_EQ(TransformLength(15), 32768);
  EXPECT_EQ(TransformLength(7), 128);
  EXPECT_EQ(TransformLength(0), 8);
  EXPECT_EQ(TransformLength(-5), 8);
  EXPECT_TRUE(SpecFft::Valid(16384));
  EXPECT_FALSE(SpecFft::Valid(32768));
  EXPECT_FALSE(SpecFft::Valid(100));
}

TEST(Spectral, Windows) {
  struct Case {
    int type;
    int32_t L;
    std::vector<double> values;
  } cases[] = {
      {kWindowTriangular, 5, {0, 0.5, 1, 0.5, 0}},
      {kWindowHanning, 4, {0, 0.5, 1, 0.5}},
      {kWindowHamming, 4, {0.08, 0.54, 1, 0.54}},
      {kWindowBlackman, 4, {0, 0.34, 1, 0.34}},
      {kWindowWelch, 5, {1 - 4.0 / 9, 1 - 1.0 / 9, 1, 1 - 1.0 / 9, 1 - 4.0 / 9}},
      {kWindowBlackmanHarris, 4, {0.00006, 0.21747, 1.0, 0.21747}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(WindowName(c.type));
    const std::vector<double> w = MakeWindow(c.type, c.L);
    ASSERT_EQ(w.size(), c.values.size());
    for (size_t i = 0; i < w.size(); ++i) EXPECT_NEAR(w[i], c.values[i], 1e-9) << i;
  }
  EXPECT_STREQ(WindowName(3), "Blackmann");
  EXPECT_STREQ(WindowName(4), "Welch (Gaussian)");
  EXPECT_STREQ(WindowName(9), "");
}

TEST(Spectral, FftMatchesAPlainDft) {
  const unsigned seed = std::random_device{}();
  std::printf("FFT random input: seed %u\n", seed);
  std::mt19937 rng(seed);
  for (int32_t bands : {4, 32, 512}) {
    const int32_t n = 2 * bands;
    SpecFft fft(kWindowHanning, bands);
    std::vector<std::complex<double>> x(n);
    std::uniform_real_distribution<double> u(-32768, 32768);
    for (auto& v : x) v = u(rng);
    const std::vector<std::complex<double>> input = x;
    fft.Transform(&x);
    double worst = 0, scale = 0;
    for (int32_t k = 0; k < n; ++k) {
      std::complex<double> sum = 0;
      for (int32_t j = 0; j < n; ++j) sum += input[j] * std::polar(1.0, -2 * kPi * k * j / n);
      worst = std::max(worst, std::abs(sum - x[k]));
      scale = std::max(scale, std::abs(sum));
    }
    EXPECT_LT(worst / scale, 1e-9) << bands;
  }
}

TEST(Spectral, SineLandsInItsBandAndRow) {
  const int32_t bands = 128, n = 256;
  for (int window = 0; window < 6; ++window) {
    SpecFft fft(window, bands);
    for (int32_t k : {3, 17, 64, 120}) {
      std::vector<float> samples(n);
      for (int32_t i = 0; i < n; ++i) samples[i] = static_cast<float>(10000 * std::sin(2 * kPi * k * i / n));
      std::vector<double> mags;
      fft.Magnitudes(samples.data(), &mags);
      const int32_t peak = static_cast<int32_t>(std::max_element(mags.begin(), mags.end()) - mags.begin());
      EXPECT_EQ(peak, k) << WindowName(window);
      EXPECT_EQ(SpectralBandRow(peak, bands), bands - 1 - k);
      std::vector<uint8_t> rows;
      fft.LogBands(samples.data(), 120, &rows);
      EXPECT_EQ(*std::max_element(rows.begin(), rows.end()), rows[k]);
      fft.LinearBands(samples.data(), 0.0001, &rows);
      EXPECT_EQ(*std::max_element(rows.begin(), rows.end()), rows[k]);
    }
  }
}

TEST(Spectral, IndexScales) {
  EXPECT_EQ(LogIndex(12000, 120), 191);
  EXPECT_EQ(LogIndex(1e12, 120), 191);
  EXPECT_EQ(LogIndex(12000 * std::pow(10.0, -120 / 20.0), 120), 0);
  EXPECT_EQ(LogIndex(1e-9, 120), 0);
  EXPECT_EQ(LogIndex(0, 60), 0);
  EXPECT_EQ(LogIndex(std::nan(""), 60), 0);
  EXPECT_EQ(LogIndex(12000 * std::pow(10.0, -30 / 20.0), 60), 95);  // half way down the range
  EXPECT_EQ(LogIndex(12000, 0), 191);                               // a range of 0 dB does not divide by zero
  EXPECT_EQ(LinearIndex(100, 0.8), 80);
  EXPECT_EQ(LinearIndex(1000, 0.8), 191);
  EXPECT_EQ(LinearIndex(-5, 0.8), 0);
  EXPECT_EQ(LinearIndex(std::nan(""), 0.8), 0);
}

int Red(uint32_t c) {
  return c & 0xff;
}
int Green(uint32_t c) {
  return (c >> 8) & 0xff;
}
int Blue(uint32_t c) {
  return (c >> 16) & 0xff;
}
uint32_t Rgb(int r, int g, int b) {
  return r | (g << 8) | (b << 16);
}

TEST(Spectral, PaletteEndsAndHueDirection) {
  const uint32_t low = Rgb(0, 32, 13), high = Rgb(240, 255, 220);
  const std::vector<uint32_t> p = MakeSpectralPalette(low, high, false);
  ASSERT_EQ(p.size(), 192u);
  EXPECT_NEAR(Red(p[0]), 0, 1);
  EXPECT_NEAR(Green(p[0]), 32, 1);
  EXPECT_NEAR(Blue(p[0]), 13, 1);
  EXPECT_NEAR(Red(p[191]), 240, 4);
  EXPECT_NEAR(Green(p[191]), 255, 4);
  EXPECT_NEAR(Blue(p[191]), 220, 4);

  const std::vector<uint32_t> greys = MakeSpectralPalette(Rgb(0, 0, 0), Rgb(255, 0, 0), false);
  for (uint32_t c : greys) {  // black takes red's hue: shades of red, never towards green or blue
    EXPECT_EQ(Green(c), Blue(c));
    EXPECT_GE(Red(c), Green(c));
  }
  EXPECT_EQ(greys[0], Rgb(0, 0, 0));
  EXPECT_GT(Red(greys[150]), 4 * Green(greys[150]));
  // Blue to red: the short way passes through green, the reversed way through magenta.
  const uint32_t mid = MakeSpectralPalette(Rgb(0, 0, 255), Rgb(255, 0, 0), false)[96];
  const uint32_t midReversed = MakeSpectralPalette(Rgb(0, 0, 255), Rgb(255, 0, 0), true)[96];
  EXPECT_GT(Green(mid), Red(mid));
  EXPECT_GT(Green(mid), Blue(mid));
  EXPECT_GT(Red(midReversed), Green(midReversed));
  EXPECT_GT(Blue(midReversed), Green(midReversed));
}

TEST(Spectral, ColumnStarts) {
  EXPECT_EQ(SpectralColumnStart(0, 100, 1000, 2000, 256), 1000 - 128);
  EXPECT_EQ(SpectralColumnStart(50, 100, 1000, 2000, 256), 1500 - 128);
  EXPECT_EQ(SpectralColumnStart(100, 100, 1000, 2000, 256), 2000 - 128);
  EXPECT_EQ(SpectralColumnStart(5, 0, 1000, 2000, 256), 1000 - 128);
}

}  // namespace
}  // namespace display

namespace display {
namespace {

TEST(SpectralSettings, CodesAndRedraws) {
  SpectralSettings s;
  EXPECT_EQ(ApplySpectralSetting(&s, 100, 1, false), SpectralChange::kRebuildPalette);
  EXPECT_TRUE(s.reverseColors);
  EXPECT_EQ(ApplySpectralSetting(&s, 100, 5, false), SpectralChange::kUnchanged);
  EXPECT_EQ(ApplySpectralSetting(&s, 103, 16, true), SpectralChange::kRedraw);
  EXPECT_EQ(TransformLength(s.resolution), 32768);
  EXPECT_EQ(ApplySpectralSetting(&s, 102, 3, false), SpectralChange::kStored);   // waveform view: no redraw
  EXPECT_EQ(ApplySpectralSetting(&s, 104, 500, true), SpectralChange::kStored);  // log mode: scale unused
  EXPECT_DOUBLE_EQ(s.linearScale, 0.5);
  EXPECT_EQ(ApplySpectralSetting(&s, 101, 1, true), SpectralChange::kRedraw);
  EXPECT_EQ(ApplySpectralSetting(&s, 104, 800, true), SpectralChange::kRedraw);
  EXPECT_EQ(ApplySpectralSetting(&s, 105, -6000, false), SpectralChange::kRedraw);
  EXPECT_NEAR(s.boundaryAmplitude, 0.501187, 1e-6);  // -6 dB
  EXPECT_EQ(ApplySpectralSetting(&s, 106, 90, true), SpectralChange::kRedraw);
  EXPECT_EQ(s.rangeDb, 90);
  EXPECT_EQ(ApplySpectralSetting(&s, 107, 1, true), SpectralChange::kUnknownCode);
}

TEST(SpectralColumn, StereoSinesInTheirBandsAndSilencePastTheEnds) {
  const int32_t bands = 64, n = 128;
  // Quiet enough (below the 12000 reference after windowing) that neighbouring bands do not saturate too.
  std::vector<float> wave(static_cast<size_t>(1000) * 2);
  for (int32_t i = 0; i < 1000; ++i) {
    wave[2 * i] = static_cast<float>(300 * std::sin(2 * kPi * 5 * i / n));
    wave[2 * i + 1] = static_cast<float>(300 * std::sin(2 * kPi * 40 * i / n));
  }
  auto reader = [&](int64_t first, int32_t count, float* dst) {
    EXPECT_GE(first, 0);
    EXPECT_LE(first + count, 1000);
    std::copy(wave.begin() + first * 2, wave.begin() + (first + count) * 2, dst);
    return count;
  };
  SpectralSettings settings;
  SpecFft fft(kWindowBlackman, bands);
  std::vector<uint8_t> rows[2];
  ASSERT_TRUE(SpectralColumn(reader, 1000, 2, 300, settings, &fft, rows));
  EXPECT_EQ(std::max_element(rows[0].begin(), rows[0].end()) - rows[0].begin(), 5);
  EXPECT_EQ(std::max_element(rows[1].begin(), rows[1].end()) - rows[1].begin(), 40);
  // Entirely past the end: silence, every band at the bottom of the scale.
  ASSERT_TRUE(SpectralColumn(reader, 1000, 2, 5000, settings, &fft, rows));
  for (uint8_t v : rows[0]) EXPECT_EQ(v, 0);
  // Half before the start: the same column every time (no leftover data).
  std::vector<uint8_t> again[2];
  ASSERT_TRUE(SpectralColumn(reader, 1000, 2, -64, settings, &fft, rows));
  ASSERT_TRUE(SpectralColumn(reader, 1000, 2, 300, settings, &fft, again));
  ASSERT_TRUE(SpectralColumn(reader, 1000, 2, -64, settings, &fft, again));
  EXPECT_EQ(rows[0], again[0]);
  auto failing = [](int64_t, int32_t, float*) { return 0; };
  EXPECT_FALSE(SpectralColumn(failing, 1000, 2, 300, settings, &fft, rows));
}

}  // namespace
}  // namespace display
