// A long stereo 16-bit wave without its bytes, for the display benchmark and the Windows paint timing: a
// sample file whose samples (a triangle per channel) are computed on read, and the table of a peak
// summary over it, one entry per block with made-up extremes, as loading a peak file would give.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "document/peak_summary.h"
#include "document/sample_transfer.h"
#include "document/wave_format.h"

namespace display {

inline int16_t Triangle(uint64_t frame, int channel) {
  const uint64_t period = channel ? 3001 : 1999;
  const int64_t p = static_cast<int64_t>((frame * 64) % (period * 64)) / 64;
  const int64_t half = static_cast<int64_t>(period / 2);
  const int64_t v = p < half ? p : period - p;
  return static_cast<int16_t>(v * 60000 / static_cast<int64_t>(period) - 15000);
}

// A read-only stereo 16-bit wave whose samples are computed; counts the bytes read.
class SyntheticWave : public document::SampleFile {
 public:
  explicit SyntheticWave(uint64_t bytes) : bytes_(bytes & ~uint64_t(3)) {}
  uint64_t length() override { return bytes_; }
  uint32_t read(uint64_t offset, void* dst, uint32_t count) override {
    if (offset >= bytes_) return 0;
    count = static_cast<uint32_t>(std::min<uint64_t>(count, bytes_ - offset));
    uint8_t* out = static_cast<uint8_t*>(dst);
    for (uint32_t i = 0; i < count; ++i) {
      const uint64_t b = offset + i;
      const int16_t s = Triangle(b / 4, static_cast<int>((b / 2) % 2));
      const uint16_t u = static_cast<uint16_t>(s);
      out[i] = static_cast<uint8_t>(b % 2 ? u >> 8 : u & 0xFF);
    }
    bytesRead_ += count;
    return count;
  }
  uint32_t write(uint64_t, const void*, uint32_t) override { return 0; }
  uint32_t fill(uint64_t, uint32_t, const void*, uint32_t, uint32_t) override { return 0; }
  uint32_t insert(uint64_t, uint32_t, bool, uint8_t) override { return 0; }
  uint32_t cut(uint64_t, uint32_t) override { return 0; }
  uint16_t formatWord() override { return document::XF_STEREO | document::XF_16BIT; }
  void setFormatWord(uint16_t) override {}
  uint64_t bytesRead() const { return bytesRead_; }

 private:
  uint64_t bytes_;
  uint64_t bytesRead_ = 0;
};

// A summary table of one entry per block, as loading a peak file gives it.
inline std::vector<document::PeakEntry> SyntheticEntries(uint64_t frames, uint32_t block) {
  std::vector<document::PeakEntry> e(1);
  e.reserve(static_cast<size_t>(frames / block + 2));
  std::mt19937 rng(7);
  for (uint64_t end = block; end - block < frames; end += block) {
    document::PeakEntry p;
    p.end = static_cast<uint32_t>(std::min<uint64_t>(end, frames));
    for (int c = 0; c < 2; ++c) {
      p.min[c] = static_cast<int16_t>(-static_cast<int>(rng() % 30000));
      p.max[c] = static_cast<int16_t>(rng() % 30000);
    }
    e.push_back(p);
  }
  return e;
}

}  // namespace display
