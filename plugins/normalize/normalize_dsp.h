// The "Normalize" transform's processing, without Windows: the peak of a range, the gain that brings it to
// a level, and applying it on the sample grid of the wave's sample size. Samples are float on the 16-bit
// scale (what the host's readers deliver for XF_32BIT): 8-bit waves hold multiples of 256 in
// [-32768, 32512], 16-bit waves integers in [-32768, 32767], 32-bit waves any float. The level is a per
// cent of the largest positive value the wave can hold: 32512 (8-bit), 32767 (16-bit), 32768.0 (32-bit).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace normalize {

constexpr double kMinPercent = 0.1;  // -60 dB
constexpr double kMaxPercent = 100.0;
constexpr double kMinDb = -60.0;
constexpr double kMaxDb = 0.0;
constexpr double kDefaultPercent = 100.0;

double percentToDb(double percent);  // 20 log10(percent / 100); -inf for 0
double dbToPercent(double db);

// The largest positive value a wave of these bits holds (the 100 % level).
double fullScale(int bits);
// Rounds v to the wave's grid (nearest, ties away from zero) and limits it to the wave's range; 32-bit
// values pass unchanged.
float toGrid(double v, int bits);

// Peak magnitude of n samples.
double peakOf(const float* samples, size_t n);
// The gain that brings peak to percent of full scale; 1 for a silent range (nothing to scale).
double gainFor(double peak, double percent, int bits);
// samples[i] = toGrid(samples[i] x gain).
void applyGain(float* samples, size_t n, double gain, int bits);

// A whole run over frames [first, last] through the host's reader and writer (frames of `channels`
// interleaved floats), in chunks: first the peak, then the scaled samples. progress(done, total) returns
// false to stop. Returns false when stopped or when a read or write came up short.
struct Io {
  std::function<int32_t(int32_t start, int32_t frames, float* out)> read;
  std::function<int32_t(int32_t start, int32_t frames, const float* in)> write;
  std::function<bool(int64_t done, int64_t total)> progress;
};
struct Result {
  bool completed = false;
  double peak = 0;  // found in the first pass
  double gain = 1;
};
Result run(const Io& io, int32_t first, int32_t last, int channels, int bits, double percent,
           int32_t chunkFrames = 16384);

}  // namespace normalize
