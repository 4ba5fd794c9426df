// "Tone Generator" signals; see tone_dsp.h.
#include "plugins/tonegen/tone_dsp.h"

#include <algorithm>
#include <cmath>

namespace tonegen {
namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

// SplitMix64: a well mixed 64-bit value of a 64-bit index.
uint64_t mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// Uniform in [-1, 1) from 53 random bits.
double uniform(uint64_t bits) {
  return double(bits >> 11) * (2.0 / 9007199254740992.0) - 1.0;
}

double clampTo(double v, double lo, double hi, double fallback) {
  if (!std::isfinite(v)) return fallback;
  return std::min(std::max(v, lo), hi);
}

}  // namespace

double maxFrequency(uint32_t rate) {
  return std::max(kMinFrequency, double(rate) / 2.0);
}

Settings clampSettings(Settings s, uint32_t rate) {
  if (s.waveform < kSine || s.waveform > kSilence) s.waveform = kSine;
  s.seconds = clampTo(s.seconds, kMinSeconds, kMaxSeconds, kDefaultSeconds);
  s.frequency = clampTo(s.frequency, kMinFrequency, maxFrequency(rate), kDefaultFrequency);
  s.percent = clampTo(s.percent, kMinPercent, kMaxPercent, kDefaultPercent);
  return s;
}

double percentToDb(double percent) {
  return 20.0 * std::log10(percent / 100.0);
}

double dbToPercent(double db) {
  return 100.0 * std::pow(10.0, db / 20.0);
}

double fullScale(int bits) {
  return bits == 8 ? 32512.0 : bits == 16 ? 32767.0 : 32768.0;
}

float toGrid(double v, int bits) {
  if (bits != 8 && bits != 16) return float(v);
  const double step = bits == 8 ? 256.0 : 1.0;
  double r = std::round(v / step) * step;
  r = std::min(std::max(r, -32768.0), fullScale(bits));
  return float(r);
}

int32_t frameCount(double seconds, uint32_t rate) {
  if (!(seconds > 0)) return 0;
  const double f = std::floor(seconds * double(rate) + 0.5);
  return f >= 2147483647.0 ? 2147483647 : int32_t(f);
}

Generator::Generator(const Settings& s, uint32_t rate, int channels, int bits)
    : s_(s), rate_(rate ? rate : 1), channels_(channels == 2 ? 2 : 1), bits_(bits) {
  amplitude_ = s.waveform == kSilence ? 0.0 : s.percent / 100.0 * fullScale(bits);
}

void Generator::render(int64_t firstFrame, int32_t frames, float* out) const {
  for (int32_t i = 0; i < frames; ++i) {
    const int64_t k = firstFrame + i;
    float* frame = out + size_t(i) * size_t(channels_);
    switch (s_.waveform) {
      case kSine: {
        // The phase from the frame index itself (no accumulated error): the cycles so far, fraction only.
        const double cycles = double(k) * s_.frequency / double(rate_);
        const double v = amplitude_ * std::sin(kTwoPi * (cycles - std::floor(cycles)));
        const float g = toGrid(v, bits_);
        for (int c = 0; c < channels_; ++c) frame[c] = g;
        break;
      }
      case kNoise:
        for (int c = 0; c < channels_; ++c)
          frame[c] = toGrid(amplitude_ * uniform(mix(uint64_t(k) * 2 + uint64_t(c))), bits_);
        break;
      default:
        for (int c = 0; c < channels_; ++c) frame[c] = 0.0f;
        break;
    }
  }
}

}  // namespace tonegen
