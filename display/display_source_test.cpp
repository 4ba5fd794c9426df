// Display sources: the in-memory source's block peaks and reads at the ends of the wave, and the document
// adapter over a wave in memory and its peak summary (format, float and integer reads, min/max that agrees
// with the samples, no summary).
#include "display/display_source.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "display/document_source.h"
#include "document/peak_summary.h"
#include "document/sample_transfer.h"
#include "document/wave_format.h"

namespace display {
namespace {

std::vector<int16_t> Ramp(int64_t frames, int channels) {
  std::vector<int16_t> v(static_cast<size_t>(frames * channels));
  for (int64_t f = 0; f < frames; ++f)
    for (int c = 0; c < channels; ++c)
      v[f * channels + c] = static_cast<int16_t>((f * 37 + c * 1000) % 20011 - 10000);
  return v;
}

TEST(MemorySource, MinMaxCoversTheWholeBlocksOfTheRange) {
  const std::vector<int16_t> frames = Ramp(1000, 2);
  MemoryDisplaySource src(frames, 2, 44100, 64);
  const struct {
    int64_t first, last;
  } cases[] = {{0, 0}, {0, 999}, {63, 64}, {100, 130}, {950, 5000}, {-20, 3}};
  for (const auto& c : cases) {
    float mn[2], mx[2];
    ASSERT_TRUE(src.minMax(c.first, c.last, mn, mx));
    const int64_t lo = std::max<int64_t>(0, c.first) / 64 * 64;
    const int64_t hi = std::min<int64_t>(1000, (std::min<int64_t>(c.last, 999) / 64 + 1) * 64);
    for (int ch = 0; ch < 2; ++ch) {
      int16_t bmn = 32767, bmx = -32768;
      for (int64_t f = lo; f < hi; ++f) {
        bmn = std::min(bmn, frames[f * 2 + ch]);
        bmx = std::max(bmx, frames[f * 2 + ch]);
      }
      EXPECT_EQ(mn[ch], bmn) << c.first << ".." << c.last;
      EXPECT_EQ(mx[ch], bmx) << c.first << ".." << c.last;
    }
  }
  float mn[2], mx[2];
  EXPECT_FALSE(src.minMax(1000, 1200, mn, mx));
  MemoryDisplaySource none(frames, 2, 44100, 0);
  EXPECT_FALSE(none.minMax(0, 10, mn, mx));
  EXPECT_FALSE(PeaksOf(&none).minMax);
}

TEST(MemorySource, ReadsStopAtTheEndAndCount) {
  MemoryDisplaySource src(Ramp(100, 1), 1);
  float f[20];
  int16_t i[20];
  EXPECT_EQ(src.readFloat(90, 20, f), 10);
  EXPECT_EQ(src.readInt16(95, 20, i), 5);
  EXPECT_EQ(src.readFloat(100, 5, f), 0);
  EXPECT_EQ(src.readFloat(-1, 5, f), 0);
  EXPECT_EQ(src.framesRead(), 15);
  src.setReadLimit(3);
  EXPECT_EQ(ReaderOf(&src)(0, 10, f), 3);
}

class DocumentSource : public ::testing::Test {
 protected:
  void SetUp() override {
    frames_ = Ramp(5000, 2);
    file_.setFormatWord(document::XF_STEREO | document::XF_16BIT);
    ASSERT_EQ(
        document::SampleWrite(&file_, frames_.data(), 0, 5000, document::XF_STEREO | document::XF_16BIT),
        5000u);
  }
  std::vector<int16_t> frames_;
  document::MemorySampleFile file_;
};

TEST_F(DocumentSource, FormatLengthAndReads) {
  document::PeakSummary peaks(&file_, 2, 128);
  DocumentDisplaySource src(&file_, &peaks, 22050);
  EXPECT_EQ(src.format().channels, 2);
  EXPECT_EQ(src.format().bits, 16);
  EXPECT_EQ(src.format().rate, 22050u);
  EXPECT_EQ(src.length(), 5000);
  EXPECT_EQ(src.peakBlockSize(), 128);
  float f[2 * 16];
  ASSERT_EQ(src.readFloat(4990, 16, f), 10);
  for (int k = 0; k < 20; ++k) EXPECT_EQ(f[k], frames_[4990 * 2 + k]);
  int16_t s[2 * 4];
  ASSERT_EQ(src.readInt16(7, 4, s), 4);
  EXPECT_TRUE(std::equal(s, s + 8, frames_.begin() + 14));
  EXPECT_EQ(src.readFloat(5000, 4, f), 0);
  EXPECT_EQ(src.readFloat(-3, 4, f), 0);
}

TEST_F(DocumentSource, MinMaxHoldsTheSamplesOfTheRange) {
  document::PeakSummary peaks(&file_, 2, 128);
  DocumentDisplaySource src(&file_, &peaks, 44100);
  for (const auto& r : {std::pair<int64_t, int64_t>{0, 4999}, {130, 900}, {4000, 4001}}) {
    float mn[2], mx[2];
    ASSERT_TRUE(src.minMax(r.first, r.second, mn, mx));
    for (int ch = 0; ch < 2; ++ch) {
      for (int64_t f = r.first; f <= r.second; ++f) {
        EXPECT_LE(mn[ch], frames_[f * 2 + ch]);
        EXPECT_GE(mx[ch], frames_[f * 2 + ch]);
      }
    }
  }
  float mn[2], mx[2];
  EXPECT_FALSE(src.minMax(6000, 7000, mn, mx));  // past the end: no entry covers it
  DocumentDisplaySource bare(&file_, nullptr, 44100);
  EXPECT_EQ(bare.peakBlockSize(), 0);
  EXPECT_FALSE(bare.minMax(0, 10, mn, mx));
}

TEST_F(DocumentSource, MonoSummaryOfAMonoWave) {
  document::MemorySampleFile mono(document::XF_MONO | document::XF_8BIT);
  const uint8_t bytes[4] = {0, 128, 255, 64};
  document::SampleWrite(&mono, bytes, 0, 4, document::XF_MONO | document::XF_8BIT);
  document::PeakSummary peaks(&mono, 1, 64);
  DocumentDisplaySource src(&mono, &peaks, 8000);
  EXPECT_EQ(src.format().channels, 1);
  EXPECT_EQ(src.format().bits, 8);
  float f[4];
  ASSERT_EQ(src.readFloat(0, 4, f), 4);
  EXPECT_EQ(f[0], -32768.0f);
  EXPECT_EQ(f[2], 127 * 256.0f);
  float mn, mx;
  ASSERT_TRUE(src.minMax(0, 3, &mn, &mx));
  EXPECT_EQ(mn, -32768.0f);
  EXPECT_EQ(mx, 127 * 256.0f);
}

}  // namespace
}  // namespace display
