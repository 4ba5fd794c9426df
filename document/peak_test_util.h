// Test helpers for the peak summary: waves in memory with chosen samples, and a brute-force check that
// every entry holds exactly the extremes of the frames it covers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "document/peak_summary.h"
#include "document/sample_transfer.h"
#include "platform/test_scale.h"

namespace document {
namespace peaktest {

using platform::testScale;

// A wave of the given layout holding frames given as 16-bit samples (interleaved for stereo).
inline std::unique_ptr<MemorySampleFile> makeWave(uint16_t channels, uint16_t bits,
                                                  const std::vector<int16_t>& samples) {
  auto wave = std::make_unique<MemorySampleFile>(XfLayoutWord(channels, bits));
  const uint32_t frames = uint32_t(samples.size() / channels);
  if (frames)
    SampleWrite(wave.get(), samples.data(), 0, frames, uint16_t(XfLayoutWord(channels, 16) | XF_CLIP));
  return wave;
}

inline std::vector<int16_t> randomSamples(std::mt19937& rng, size_t count) {
  std::uniform_int_distribution<int> d(-32768, 32767);
  std::vector<int16_t> v(count);
  for (auto& s : v) s = int16_t(d(rng));
  return v;
}

// The wave as the summary reads it: 16-bit, clipped, in the summary's channel count.
inline std::vector<int16_t> readAll(SampleFile* wave, uint16_t channels) {
  const uint32_t frames = SampleLength(wave);
  std::vector<int16_t> v(size_t(frames) * channels);
  if (frames) SampleRead(wave, v.data(), 0, frames, uint16_t(XfLayoutWord(channels, 16) | XF_CLIP));
  return v;
}

// Every entry against the frames it covers; ends strictly increasing and within the wave.
inline ::testing::AssertionResult summaryMatchesWave(const PeakSummary& s, SampleFile* wave) {
  const uint16_t ch = s.channels();
  const std::vector<int16_t> all = readAll(wave, ch);
  const uint64_t frames = all.size() / ch;
  if (s.entry(0).end != 0) return ::testing::AssertionFailure() << "sentinel end " << s.entry(0).end;
  for (uint32_t i = 1; i <= s.entryCount(); ++i) {
    const PeakEntry& e = s.entry(i);
    const uint32_t from = s.entry(i - 1).end;
    if (e.end <= from)
      return ::testing::AssertionFailure() << "entry " << i << " ends at " << e.end << " after " << from;
    if (e.end > frames)
      return ::testing::AssertionFailure() << "entry " << i << " ends at " << e.end << " past " << frames;
    for (uint16_t c = 0; c < ch; ++c) {
      int16_t lo = 32767, hi = -32768;
      for (uint32_t f = from; f < e.end; ++f) {
        lo = std::min(lo, all[size_t(f) * ch + c]);
        hi = std::max(hi, all[size_t(f) * ch + c]);
      }
      if (e.min[c] != lo || e.max[c] != hi)
        return ::testing::AssertionFailure()
               << "entry " << i << " [" << from << "," << e.end << ") channel " << c << ": " << e.min[c]
               << ".." << e.max[c] << ", frames hold " << lo << ".." << hi;
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace peaktest
}  // namespace document
