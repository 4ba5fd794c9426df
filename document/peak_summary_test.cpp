// Tests of the peak summary table: lazy building, the insert split, cuts and writes at entry edges,
// queries with extreme positions and cancellation, the changed range, and sample layouts.
#include "document/peak_summary.h"

#include <gtest/gtest.h>

#include <vector>

#include "document/peak_test_util.h"

namespace document {
namespace {

using peaktest::makeWave;
using peaktest::summaryMatchesWave;

std::vector<uint32_t> ends(const PeakSummary& s) {
  std::vector<uint32_t> v;
  for (uint32_t i = 1; i <= s.entryCount(); ++i) v.push_back(s.entry(i).end);
  return v;
}

// A stereo ramp: left = frame, right = -frame (so every entry's extremes are at its edges).
std::vector<int16_t> ramp(uint32_t frames) {
  std::vector<int16_t> v;
  for (uint32_t f = 0; f < frames; ++f) {
    v.push_back(int16_t(f));
    v.push_back(int16_t(-int32_t(f)));
  }
  return v;
}

TEST(PeakSummary, FirstQueryBuildsWholeBlocksUpToTheWavesEnd) {
  auto wave = makeWave(2, 16, ramp(1000));
  PeakSummary s(wave.get(), 2, 0);
  EXPECT_EQ(s.blockSize(), 256u);
  EXPECT_EQ(s.readWord(), 0x1012);
  EXPECT_EQ(s.capacity(), 8000u);
  PeakExtremes x;
  ASSERT_TRUE(s.query(0, 999, &x));
  EXPECT_EQ(ends(s), (std::vector<uint32_t>{256, 512, 768, 1000}));
  EXPECT_EQ(x.min[0], 0);
  EXPECT_EQ(x.max[0], 999);
  EXPECT_EQ(x.min[1], -999);
  EXPECT_EQ(x.max[1], 0);
  EXPECT_TRUE(summaryMatchesWave(s, wave.get()));
}

TEST(PeakSummary, QueriesBuildOneBufferAtATime) {
  auto wave = makeWave(1, 16, std::vector<int16_t>(100000, 5));
  PeakSummary s(wave.get(), 1, 256);
  PeakExtremes x;
  ASSERT_TRUE(s.query(0, 199, &x));
  EXPECT_EQ(s.builtLength(), 32768u);  // 64 KB of 16-bit mono samples
  // A query ending on the last built frame needs nothing more; one frame further reads the next buffer.
  ASSERT_TRUE(s.query(32000, 32767, &x));
  EXPECT_EQ(s.builtLength(), 32768u);
  ASSERT_TRUE(s.query(32000, 32768, &x));
  EXPECT_EQ(s.builtLength(), 65536u);
  EXPECT_EQ(x.max[0], 5);
  // Past the wave's end no entry counts.
  ASSERT_TRUE(s.query(200000, 300000, &x));
  EXPECT_GT(x.min[0], x.max[0]);
  EXPECT_EQ(s.builtLength(), 100000u);
  EXPECT_EQ(s.entryCount(), 391u);
  EXPECT_TRUE(summaryMatchesWave(s, wave.get()));
}

TEST(PeakSummary, InsertSplitsTheEntryAndShiftsTheRest) {
  auto wave = makeWave(2, 16, ramp(1000));
  PeakSummary s(wave.get(), 2, 256);
  EXPECT_FALSE(s.onInsert(300, 10));  // nothing built yet
  PeakExtremes x;
  s.query(0, 999, &x);
  ASSERT_EQ(SampleInsertBlank(wave.get(), 300, 10, true), 10u);
  ASSERT_TRUE(s.onInsert(300, 10));
  EXPECT_EQ(ends(s), (std::vector<uint32_t>{256, 300, 310, 522, 778, 1010}));
  EXPECT_TRUE(summaryMatchesWave(s, wave.get()));
  // On an entry edge nothing is split; a long insert opens one entry per block. (The query leaves the
  // search hint on the entry ending at the insert point.)
  s.query(0, 255, &x);
  ASSERT_EQ(SampleInsertBlank(wave.get(), 256, 600, true), 600u);
  ASSERT_TRUE(s.onInsert(256, 600));
  EXPECT_EQ(ends(s), (std::vector<uint32_t>{256, 512, 768, 856, 900, 910, 1122, 1378, 1610}));
  EXPECT_TRUE(summaryMatchesWave(s, wave.get()));
}

TEST(PeakSummary, CutsAtAndAcrossEntryEdges) {
  struct Case {
    uint32_t frame, count;
  };
  for (const Case c : {Case{0, 256}, Case{10, 20}, Case{250, 20}, Case{256, 300}, Case{100, 800},
                       Case{300, 700}, Case{0, 1000}, Case{999, 5}, Case{1000, 5}}) {
    SCOPED_TRACE(std::to_string(c.frame) + "+" + std::to_string(c.count));
    auto wave = makeWave(2, 16, ramp(1000));
    PeakSummary s(wave.get(), 2, 256);
    PeakExtremes x;
    s.query(0, 999, &x);
    SampleCut(wave.get(), int32_t(c.frame), c.count);
    ASSERT_TRUE(s.onCut(c.frame, c.count));
    EXPECT_TRUE(summaryMatchesWave(s, wave.get()));
    EXPECT_EQ(s.builtLength(), SampleLength(wave.get()));
  }
}

TEST(PeakSummary, WritesRecomputeTouchedEntriesAndAppendAtTheEnd) {
  auto wave = makeWave(2, 16, ramp(1000));
  PeakSummary s(wave.get(), 2, 256);
  PeakExtremes x;
  s.query(0, 999, &x);
  int32_t first, last;
  s.takeChanged(&first, &last, true);
  EXPECT_FALSE(s.takeChanged(&first, &last, false));
  EXPECT_EQ(first, -1);
  EXPECT_EQ(last, 0);

  const std::vector<int16_t> loud(2 * 300, 30000);
  SampleWrite(wave.get(), loud.data(), 500, 300, XF_STEREO | XF_16BIT);
  ASSERT_TRUE(s.onWrite(500 * 4, 300 * 4, 2, 16));
  EXPECT_TRUE(summaryMatchesWave(s, wave.get()));
  ASSERT_TRUE(s.takeChanged(&first, &last, true));
  EXPECT_EQ(first, 2);
  EXPECT_EQ(last, 4);

  // Past the end: the open last entry is filled to a block, then entries are appended.
  SampleWrite(wave.get(), loud.data(), 900, 300, XF_STEREO | XF_16BIT);
  ASSERT_TRUE(s.onWrite(900 * 4, 300 * 4, 2, 16));
  EXPECT_EQ(ends(s), (std::vector<uint32_t>{256, 512, 768, 1024, 1200}));
  EXPECT_TRUE(summaryMatchesWave(s, wave.get()));
  ASSERT_TRUE(s.takeChanged(&first, &last, false));
  EXPECT_EQ(first, 4);
  EXPECT_EQ(last, 5);

  // A notification for another channel count is not ours.
  EXPECT_FALSE(s.onWrite(0, 4, 1, 16));
  EXPECT_TRUE(s.onWrite(0, 0, 2, 16));
}

TEST(PeakSummary, OneChannelFillWithAnUnalignedByteRange) {
  auto wave = makeWave(2, 16, ramp(1000));
  PeakSummary s(wave.get(), 2, 64);
  PeakExtremes x;
  s.query(0, 999, &x);
  // Silence the right channel of frames 100..199: the store reports the patched bytes from the right
  // sample of frame 100 to the right sample of frame 199.
  SampleSilence(wave.get(), 100, 100, XF_STEREO | XF_16BIT | XF_DST_RIGHT);
  ASSERT_TRUE(s.onWrite(100 * 4 + 2, 100 * 4 - 2, 2, 16));
  EXPECT_TRUE(summaryMatchesWave(s, wave.get()));
  // The left channel of frames 200..256: the last patched byte lies in frame 256, the first of an entry
  // whose left minimum (256) the silence lowers.
  SampleSilence(wave.get(), 200, 57, XF_STEREO | XF_16BIT | XF_DST_LEFT);
  ASSERT_TRUE(s.onWrite(200 * 4, 57 * 4 - 2, 2, 16));
  EXPECT_TRUE(summaryMatchesWave(s, wave.get()));
}

TEST(PeakSummary, QueryFindsTheFramesOfTheExtremes) {
  std::vector<int16_t> v(2 * 1000, 0);
  v[2 * 333] = 1234;     // left maximum
  v[2 * 777] = -4321;    // left minimum
  v[2 * 40 + 1] = 999;   // right maximum, outside the second query
  v[2 * 500 + 1] = 998;  // right maximum inside it
  v[2 * 501 + 1] = 998;  // same value later: the first is reported
  v[2 * 900 + 1] = -7;
  auto wave = makeWave(2, 16, v);
  PeakSummary s(wave.get(), 2, 100);
  PeakExtremes x;
  ASSERT_TRUE(s.query(0, 999, &x, nullptr, true));
  EXPECT_EQ(x.maxFrame[0], 333u);
  EXPECT_EQ(x.minFrame[0], 777u);
  EXPECT_EQ(x.maxFrame[1], 40u);
  EXPECT_EQ(x.minFrame[1], 900u);
  ASSERT_TRUE(s.query(300, 999, &x, nullptr, true));
  EXPECT_EQ(x.max[1], 998);
  EXPECT_EQ(x.maxFrame[1], 500u);
}

TEST(PeakSummary, ProgressSeesEveryEntryAndCanCancel) {
  auto wave = makeWave(1, 16, std::vector<int16_t>(1000, 1));
  PeakSummary s(wave.get(), 1, 100);
  std::vector<uint32_t> done;
  PeakExtremes x;
  ASSERT_TRUE(s.query(50, 549, &x, [&](uint32_t, uint32_t d, uint32_t total) {
    EXPECT_EQ(total, 500u);
    done.push_back(d);
    return 0;
  }));
  EXPECT_EQ(done, (std::vector<uint32_t>{50, 150, 250, 350, 450, 500}));
  int calls = 0;
  EXPECT_FALSE(
      s.query(0, 999, &x, [&](uint32_t, uint32_t, uint32_t) { return ++calls == 3 ? kPeakStop : 0; }));
  EXPECT_EQ(calls, 3);
  ASSERT_TRUE(s.query(0, 999, &x));
  EXPECT_EQ(x.max[0], 1);
  EXPECT_TRUE(summaryMatchesWave(s, wave.get()));
}

TEST(PeakSummary, ReadsEveryLayoutAsClipped16Bit) {
  struct Case {
    uint16_t channels, bits;
  };
  for (const Case c : {Case{1, 8}, Case{2, 8}, Case{1, 16}, Case{1, 32}, Case{2, 32}}) {
    SCOPED_TRACE(std::to_string(c.channels) + "ch " + std::to_string(c.bits) + "bit");
    auto wave = std::make_unique<MemorySampleFile>(XfLayoutWord(c.channels, c.bits));
    std::vector<float> loud(size_t(c.channels) * 300);
    for (size_t k = 0; k < loud.size(); ++k) loud[k] = float(int(k % 7) - 3) * 20000.0f;  // beyond full scale
    SampleWrite(wave.get(), loud.data(), 0, 300, uint16_t(XfLayoutWord(c.channels, 32) | XF_CLIP));
    PeakSummary s(wave.get(), c.channels, 64);
    PeakExtremes x;
    ASSERT_TRUE(s.query(0, 299, &x));
    EXPECT_TRUE(summaryMatchesWave(s, wave.get()));
    EXPECT_GE(x.max[0], 32512);  // full scale, as the 8-bit or 16-bit clip gives it
    EXPECT_LE(x.min[0], -32767);
  }
}

TEST(PeakSummary, AWaveThatShrankUnseenIsTrimmedOnTheNextQuery) {
  auto wave = makeWave(2, 16, ramp(1000));
  PeakSummary s(wave.get(), 2, 256);
  PeakExtremes x;
  s.query(0, 999, &x);
  SampleCut(wave.get(), 600, 400);  // no notification
  ASSERT_TRUE(s.query(0, 999, &x));
  EXPECT_EQ(s.builtLength(), 600u);
  EXPECT_EQ(x.max[0], 599);
  EXPECT_TRUE(summaryMatchesWave(s, wave.get()));
}

}  // namespace
}  // namespace document
