// Randomized test of the peak summary: random inserts (silent, or followed by a write of their data),
// cuts, writes (also past the end), one-channel fills and queries on a wave in memory, each followed by
// the notification the store would send. After every step every entry must hold exactly the extremes of
// its frames, and queries must agree with a brute-force scan of the entries they cover.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "document/peak_summary.h"
#include "document/peak_test_util.h"

namespace document {
namespace {

using peaktest::randomSamples;
using peaktest::summaryMatchesWave;

struct Layout {
  uint16_t channels, bits;
  int steps;  // at scale 1
};

void runRandom(const Layout& layout, unsigned seed) {
  std::mt19937 rng(seed);
  auto pick = [&](uint32_t lo, uint32_t hi) { return std::uniform_int_distribution<uint32_t>(lo, hi)(rng); };
  const uint16_t ch = layout.channels;
  const uint16_t fileWord = XfLayoutWord(ch, layout.bits);
  const uint16_t dataWord = uint16_t(XfLayoutWord(ch, 16));
  const uint32_t fb = FrameBytes(ch, layout.bits);
  const uint32_t blockSizes[] = {5, 16, 64, 256};
  const uint32_t block = blockSizes[pick(0, 3)];
  std::printf("peak random: %u channel(s), %u bits, block %u, seed %u\n", ch, layout.bits, block, seed);

  MemorySampleFile wave(fileWord);
  {
    const uint32_t frames = pick(0, 4000);
    const auto data = randomSamples(rng, size_t(frames) * ch);
    SampleWrite(&wave, data.data(), 0, frames, dataWord);
  }
  PeakSummary s(&wave, ch, block);
  PeakExtremes x;
  s.query(0, pick(0, 3000), &x);

  const int steps = layout.steps * peaktest::testScale();
  for (int step = 0; step < steps; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    const uint32_t len = SampleLength(&wave);
    const uint32_t op = pick(0, 11);
    if (op <= 1 && len < 8000) {  // silent insert
      const uint32_t p = pick(0, len), c = pick(1, 700);
      ASSERT_EQ(SampleInsertBlank(&wave, int32_t(p), c, true), c);
      s.onInsert(p, c);
    } else if (op <= 3 && len < 8000) {  // insert carrying data: an insert, then its write
      const uint32_t p = pick(0, len), c = pick(1, 700);
      const auto data = randomSamples(rng, size_t(c) * ch);
      ASSERT_EQ(SampleInsertBlank(&wave, int32_t(p), c, false), c);
      ASSERT_EQ(SampleWrite(&wave, data.data(), int32_t(p), c, dataWord), c);
      s.onInsert(p, c);
      s.onWrite(uint64_t(p) * fb, uint64_t(c) * fb, ch, layout.bits);
    } else if (op <= 5 && len > 0) {  // cut
      const uint32_t p = pick(0, len - 1), c = pick(1, std::min(len - p, 900u));
      ASSERT_EQ(SampleCut(&wave, int32_t(p), c), c);
      s.onCut(p, c);
    } else if (op <= 7 && len < 8000) {  // write, possibly running past the end
      const uint32_t p = pick(0, len), c = pick(1, 600);
      const auto data = randomSamples(rng, size_t(c) * ch);
      ASSERT_EQ(SampleWrite(&wave, data.data(), int32_t(p), c, dataWord), c);
      s.onWrite(uint64_t(p) * fb, uint64_t(c) * fb, ch, layout.bits);
    } else if (op <= 9 && len > 0) {  // fill: one channel of stereo, whole frames of mono
      const uint32_t p = pick(0, len - 1), c = pick(1, len - p);
      const bool right = pick(0, 1) == 1;
      const uint16_t word = uint16_t(fileWord | (ch == 2 ? (right ? XF_DST_RIGHT : XF_DST_LEFT) : 0));
      ASSERT_EQ(SampleSilence(&wave, int32_t(p), c, word), c);
      // The store reports the patched bytes: from the first to the last sample of the channel.
      const uint32_t sample = fb / ch;
      const uint64_t from = uint64_t(p) * fb + (ch == 2 && right ? sample : 0);
      const uint64_t to = uint64_t(p + c) * fb - (ch == 2 && !right ? sample : 0);
      s.onWrite(from, to - from, ch, layout.bits);
    } else if (len > 0) {  // query, building as needed
      const uint32_t first = pick(0, len - 1), last = pick(first, len + 50);
      const bool positions = pick(0, 1) == 1;
      ASSERT_TRUE(s.query(first, last, &x, nullptr, positions));
      // The answer is the extremes of the entries overlapping [first, last].
      PeakExtremes want;
      for (uint32_t i = 1; i <= s.entryCount(); ++i) {
        if (s.entry(i).end <= first || s.entry(i - 1).end > last) continue;
        for (uint16_t c = 0; c < ch; ++c) {
          want.min[c] = std::min(want.min[c], s.entry(i).min[c]);
          want.max[c] = std::max(want.max[c], s.entry(i).max[c]);
        }
      }
      const std::vector<int16_t> all = peaktest::readAll(&wave, ch);
      for (uint16_t c = 0; c < ch; ++c) {
        ASSERT_EQ(x.min[c], want.min[c]);
        ASSERT_EQ(x.max[c], want.max[c]);
        if (positions) {
          ASSERT_EQ(all[size_t(x.maxFrame[c]) * ch + c], x.max[c]);
          ASSERT_EQ(all[size_t(x.minFrame[c]) * ch + c], x.min[c]);
        }
      }
      ASSERT_GE(s.builtLength(), std::min(last + 1, len));
    }
    ASSERT_TRUE(summaryMatchesWave(s, &wave));
  }
}

TEST(PeakSummaryRandom, Stereo16) {
  runRandom({2, 16, 2000}, std::random_device{}());
}

TEST(PeakSummaryRandom, Mono8) {
  runRandom({1, 8, 500}, std::random_device{}());
}

TEST(PeakSummaryRandom, StereoFloat) {
  runRandom({2, 32, 500}, std::random_device{}());
}

}  // namespace
}  // namespace document
