// "Tone Generator": exact lengths, the sine's frequency (from an FFT-free estimate: the phase advance of a
// single-bin DFT, and the zero-crossing count) and level (peak and RMS), white noise's level (peak within
// the amplitude, RMS amplitude / sqrt 3, mean 0, no correlation between neighbours or channels), silence,
// the grid of integer waves, and results that do not depend on the chunking.
#include "plugins/tonegen/tone_dsp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

namespace tonegen {
namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<float> render(const Settings& s, uint32_t rate, int channels, int bits, int32_t chunk = 4096) {
  Generator g(s, rate, channels, bits);
  const int32_t n = frameCount(s.seconds, rate);
  std::vector<float> out(size_t(n) * size_t(channels));
  for (int32_t done = 0; done < n;) {
    const int32_t c = std::min(chunk, n - done);
    g.render(done, c, out.data() + size_t(done) * size_t(channels));
    done += c;
  }
  return out;
}

std::vector<double> channel(const std::vector<float>& x, int channels, int c) {
  std::vector<double> r;
  for (size_t i = size_t(c); i < x.size(); i += size_t(channels)) r.push_back(x[i]);
  return r;
}

double rms(const std::vector<double>& x) {
  double s = 0;
  for (double v : x) s += v * v;
  return std::sqrt(s / double(x.size()));
}

double peak(const std::vector<double>& x) {
  double p = 0;
  for (double v : x) p = std::max(p, std::fabs(v));
  return p;
}

// The frequency of the strongest component near f0: the DFT's maximum over a fine grid around f0, refined
// by parabolic interpolation of the magnitudes.
double measuredFrequency(const std::vector<double>& x, double rate, double f0) {
  auto mag = [&](double f) {
    std::complex<double> acc = 0;
    const double w = -2.0 * kPi * f / rate;
    for (size_t k = 0; k < x.size(); ++k) {
      const double hann = 0.5 - 0.5 * std::cos(2.0 * kPi * double(k) / double(x.size() - 1));
      acc += hann * x[k] * std::polar(1.0, w * double(k));
    }
    return std::abs(acc);
  };
  double best = f0, bestMag = -1, step = rate / double(x.size()) / 4;
  for (double f = f0 - 8 * step; f <= f0 + 8 * step; f += step) {
    double m = mag(f);
    if (m > bestMag) {
      bestMag = m;
      best = f;
    }
  }
  for (int i = 0; i < 30; ++i) {  // golden-free bisection on the slope
    step /= 2;
    if (mag(best + step) > bestMag) {
      best += step;
      bestMag = mag(best);
    } else if (mag(best - step) > bestMag) {
      best -= step;
      bestMag = mag(best);
    }
  }
  return best;
}

TEST(ToneTest, LengthsAreExact) {
  struct Case {
    double seconds;
    uint32_t rate;
    int32_t frames;
  } cases[] = {{1.0, 44100, 44100}, {1.5, 44100, 66150},      {0.001, 8000, 8},        {2.5, 22050, 55125},
               {0.0001, 8000, 1},   {3600, 48000, 172800000}, {1.0 / 3, 44100, 14700}, {0, 44100, 0},
               {-1, 44100, 0},      {1e12, 96000, 2147483647}};
  for (const Case& c : cases)
    EXPECT_EQ(frameCount(c.seconds, c.rate), c.frames) << c.seconds << " " << c.rate;
  Settings s;
  s.seconds = 0.25;
  EXPECT_EQ(render(s, 44100, 2, 16).size(), size_t(11025) * 2);
}

TEST(ToneTest, SineFrequencyAndLevel) {
  struct Case {
    double frequency, percent;
    uint32_t rate;
    int channels, bits;
  } cases[] = {{1000, 50, 44100, 2, 16},
               {440, 100, 44100, 1, 16},
               {7500.5, 25, 48000, 1, 32},
               {50, 10, 8000, 2, 32},
               {3000, 100, 22050, 1, 8}};
  for (const Case& c : cases) {
    Settings s;
    s.seconds = 0.5;
    s.frequency = c.frequency;
    s.percent = c.percent;
    std::vector<float> out = render(s, c.rate, c.channels, c.bits);
    const double a = c.percent / 100.0 * fullScale(c.bits);
    for (int ch = 0; ch < c.channels; ++ch) {
      std::vector<double> x = channel(out, c.channels, ch);
      ASSERT_EQ(x.size(), size_t(c.rate / 2));
      const double tolerance = c.bits == 8 ? 128.0 : c.bits == 16 ? 0.5 : 1e-2;
      EXPECT_LE(peak(x), a + tolerance);
      EXPECT_GE(peak(x), a * std::cos(kPi * c.frequency / c.rate) - tolerance);  // a sampled peak
      EXPECT_NEAR(20 * std::log10(rms(x) / (a / std::sqrt(2.0))), 0.0, c.bits == 8 ? 0.05 : 0.01);
      EXPECT_NEAR(measuredFrequency(x, c.rate, c.frequency), c.frequency, 0.01 * c.frequency / 100 + 0.05);
      // Zero crossings: two per cycle.
      int crossings = 0;
      for (size_t k = 1; k < x.size(); ++k) crossings += (x[k - 1] < 0) != (x[k] < 0);
      EXPECT_NEAR(crossings, 2.0 * c.frequency * 0.5, 2.0);
      if (c.bits != 32) {
        for (double v : x) ASSERT_EQ(v, double(toGrid(v, c.bits)));
      }
    }
    if (c.channels == 2) {
      EXPECT_EQ(channel(out, 2, 0), channel(out, 2, 1));
    }
  }
}

TEST(ToneTest, NoiseLevel) {
  for (int bits : {16, 32}) {
    Settings s;
    s.waveform = kNoise;
    s.seconds = 2;
    s.percent = 40;
    std::vector<float> out = render(s, 44100, 2, bits);
    const double a = 0.4 * fullScale(bits);
    std::vector<double> l = channel(out, 2, 0), r = channel(out, 2, 1);
    for (const auto& x : {l, r}) {
      EXPECT_LE(peak(x), a + 0.5);
      EXPECT_GE(peak(x), a * 0.999);
      EXPECT_NEAR(rms(x) / (a / std::sqrt(3.0)), 1.0, 0.01);
      double mean = 0, lag1 = 0;
      for (size_t k = 0; k < x.size(); ++k) mean += x[k];
      for (size_t k = 1; k < x.size(); ++k) lag1 += x[k] * x[k - 1];
      mean /= double(x.size());
      lag1 /= double(x.size()) * rms(x) * rms(x);
      EXPECT_NEAR(mean / a, 0.0, 0.01);
      EXPECT_NEAR(lag1, 0.0, 0.01);  // white: neighbours do not correlate
    }
    double cross = 0;
    for (size_t k = 0; k < l.size(); ++k) cross += l[k] * r[k];
    EXPECT_NEAR(cross / (double(l.size()) * rms(l) * rms(r)), 0.0, 0.01);  // channels independent
  }
}

TEST(ToneTest, SilenceAndChunking) {
  Settings s;
  s.waveform = kSilence;
  s.seconds = 0.1;
  for (float v : render(s, 44100, 2, 8)) ASSERT_EQ(v, 0.0f);
  for (int w : {kSine, kNoise}) {
    s.waveform = w;
    s.seconds = 0.3;
    EXPECT_EQ(render(s, 44100, 2, 16, 1), render(s, 44100, 2, 16, 100000)) << w;
    EXPECT_EQ(render(s, 44100, 1, 32, 333), render(s, 44100, 1, 32, 4096)) << w;
  }
}

TEST(ToneTest, SettingsAreClamped) {
  Settings s;
  s.waveform = 7;
  s.seconds = 1e9;
  s.frequency = 30000;
  s.percent = std::nan("");
  Settings c = clampSettings(s, 44100);
  EXPECT_EQ(c.waveform, kSine);
  EXPECT_EQ(c.seconds, kMaxSeconds);
  EXPECT_EQ(c.frequency, 22050.0);
  EXPECT_EQ(c.percent, kDefaultPercent);
  s.seconds = 0;
  s.frequency = 0.1;
  s.percent = 1000;
  c = clampSettings(s, 8000);
  EXPECT_EQ(c.seconds, kMinSeconds);
  EXPECT_EQ(c.frequency, kMinFrequency);
  EXPECT_EQ(c.percent, kMaxPercent);
  EXPECT_NEAR(percentToDb(50), -6.0206, 1e-4);
  EXPECT_NEAR(dbToPercent(0), 100.0, 1e-12);
}

}  // namespace
}  // namespace tonegen
