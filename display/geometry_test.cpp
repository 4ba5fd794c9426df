// Display geometry: height snapping, areas, highlight columns, insertion line, the columns repainted
// after a selection change (against a per-sample comparison), sample boxes and handles; colour defaults.
#include "display/geometry.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "display/colors.h"
#include "display/view_test_util.h"

namespace display {
namespace {

TEST(Geometry, HeightSnapAndAreas) {
  const int32_t cases[][2] = {{7, 7}, {10, 7}, {11, 11}, {100, 99}, {103, 103}, {3, 7}};
  for (const auto& c : cases) EXPECT_EQ(SnapDisplayHeight(c[0]), c[1]) << c[0];
  const DisplayAreas a = ComputeAreas({0, 0, 400, 207}, {3, 0, 3, 0});
  EXPECT_EQ(a.wave.left, 4);
  EXPECT_EQ(a.wave.top, 1);
  EXPECT_EQ(a.wave.right, 395);
  EXPECT_EQ(a.wave.bottom, 206);
  EXPECT_EQ(a.upper.bottom, 101);
  EXPECT_EQ(a.lower.top, 105);
  EXPECT_EQ(a.lower.bottom, 206);
  EXPECT_EQ(ChannelHeight(a.wave, false), 204);
  EXPECT_EQ(ChannelHeight(a.wave, true), 100);
  EXPECT_EQ(ChannelHeight({0, 0, 10, 2}, true), 0);
}

TEST(Geometry, SelectionColumnsAndInsertionLine) {
  WaveView v;
  ShowWhole(v, 1000, 100, 0);  // ten samples per column
  int32_t x1, x2;
  ASSERT_TRUE(SelectionColumns(v, 100, 199, &x1, &x2));
  EXPECT_EQ(x1, 10);
  EXPECT_EQ(x2, 19);
  ASSERT_TRUE(SelectionColumns(v, 0, 5000, &x1, &x2));
  EXPECT_EQ(x1, 0);
  EXPECT_EQ(x2, 100);  // clipped to right + 1
  EXPECT_FALSE(SelectionColumns(v, 10, 9, &x1, &x2));
  v.setView(0, 9);  // ten columns per sample
  ASSERT_TRUE(SelectionColumns(v, 3, 3, &x1, &x2));
  EXPECT_EQ(x1, 30);
  EXPECT_EQ(x2, 39);
  EXPECT_EQ(InsertionColumn(v, 3), 30);
  EXPECT_EQ(InsertionColumn(v, 0), 0);
  EXPECT_EQ(InsertionColumn(v, 10), 100);
  EXPECT_EQ(InsertionColumn(v, 11), -1);
  v.reset();
  EXPECT_EQ(InsertionColumn(v, 0), -1);
  EXPECT_FALSE(SelectionColumns(v, 0, 0, &x1, &x2));
}

TEST(Geometry, SelectionRedrawRangesCoverExactlyTheChangedSamples) {
  const unsigned seed = std::random_device{}();
  std::printf("Redraw ranges: seed %u\n", seed);
  std::mt19937 rng(seed);
  for (int iter = 0; iter < 5000; ++iter) {
    const int32_t s0 = rng() % 40, e0 = static_cast<int32_t>(rng() % 45) - 5;
    const int32_t s1 = rng() % 40, e1 = static_cast<int32_t>(rng() % 45) - 5;
    const std::vector<SampleRange> ranges = SelectionRedrawRanges(s0, e0, s1, e1);
    ASSERT_LE(ranges.size(), 2u);
    std::set<int32_t> covered;
    for (const SampleRange& r : ranges)
      for (int32_t k = r.first; k <= r.last; ++k) ASSERT_TRUE(covered.insert(k).second) << "overlap at " << k;
    for (int32_t k = -5; k < 50; ++k) {
      const bool changed = (s0 <= k && k <= e0) != (s1 <= k && k <= e1);
      ASSERT_EQ(changed, covered.count(k) == 1)
          << s0 << " " << e0 << " -> " << s1 << " " << e1 << " at " << k;
    }
  }
}

TEST(Geometry, SampleBoxesAndHandles) {
  struct Case {
    double spp;
    int32_t before, after;
    bool handles;
  } cases[] = {{0.05, 2, 2, true}, {0.08, 2, 2, true}, {0.1, 1, 1, false},
               {0.5, 0, 1, false}, {1.0, 0, 0, false}, {1.7, 0, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.spp);
    WaveView v;
    v.setArea(0, 99);
    v.setLength(100000);
    const int32_t samples = static_cast<int32_t>(c.spp * 100 + 0.5);
    v.setView(500, 500 + samples - 1);
    ASSERT_NEAR(v.samplesPerPixel(), c.spp, 1e-12);
    const std::vector<SampleBox> boxes = SampleBoxes(v, false);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.front().sample, 500);
    EXPECT_EQ(boxes.back().sample, 500 + samples - 1);  // every visible sample, nothing beyond
    for (size_t i = 0; i < boxes.size(); ++i) {
      EXPECT_EQ(boxes[i].halfBefore, c.before);
      EXPECT_EQ(boxes[i].halfAfter, c.after);
      EXPECT_EQ(boxes[i].handle, c.handles);
      if (i > 0) {
        EXPECT_EQ(boxes[i].sample, boxes[i - 1].sample + 1);
      }
    }
    for (const SampleBox& b : SampleBoxes(v, true)) EXPECT_FALSE(b.handle);  // excluded channel
  }
  WaveView v;
  v.setArea(0, 99);
  v.setLength(100000);
  v.setView(0, 199);
  EXPECT_TRUE(SampleBoxes(v, false).empty());  // 2 samples per pixel: strokes, no boxes
  v.setView(0, 3);                             // 25 pixels per sample: sample k centred at 25k + 12
  const std::vector<SampleBox> boxes = SampleBoxes(v, false);
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[0].x, 12);
  EXPECT_EQ(boxes[3].x, 87);
}

TEST(Colors, ElementsAndDefaults) {
  std::set<int> codes;
  for (const ColorElement& e : kColorElements) codes.insert(e.code);
  EXPECT_EQ(codes.size(), 13u);
  EXPECT_EQ(*codes.begin(), 1);
  EXPECT_EQ(*codes.rbegin(), 13);
  EXPECT_EQ(DefaultColor(kColorDigitalWaveform), Rgb(0, 255, 0));
  EXPECT_EQ(DefaultColor(kColorHiliteBackground), Rgb(0, 255, 255));
  EXPECT_EQ(DefaultColor(kColorSpectralHigh), Rgb(240, 255, 220));
  EXPECT_EQ(DefaultColor(99), 0u);
  EXPECT_STREQ(kColorElements[2].name, "Analog Waveform");
  EXPECT_EQ(kColorElements[2].code, kColorAnalogWaveform);
}

}  // namespace
}  // namespace display

namespace display {
namespace {

TEST(Geometry, NormalizedRowsAndSpectralRows) {
  EXPECT_EQ(NormalizedRow(1, -1, 1, 100), 0);
  EXPECT_EQ(NormalizedRow(0, -1, 1, 100), 50);
  EXPECT_EQ(NormalizedRow(-1, -1, 1, 100), 100);
  EXPECT_EQ(NormalizedRow(0.707945784384, -1, 1, 100), 14);
  EXPECT_EQ(NormalizedRow(0, 0, 1, 100), 0);    // zero at the top
  EXPECT_EQ(NormalizedRow(0.5, 0, 0, 100), 0);  // reset range: no division
  int32_t offset, dest;
  SpectralRows(-1, 0, 100, &offset, &dest);
  EXPECT_EQ(offset, 0);
  EXPECT_EQ(dest, 100);
  SpectralRows(-0.5, 0, 100, &offset, &dest);  // upper half of the bands over the whole height
  EXPECT_EQ(offset, -100);
  EXPECT_EQ(dest, 200);
  SpectralRows(0, 0, 100, &offset, &dest);
  EXPECT_EQ(dest, 100);
}

}  // namespace
}  // namespace display

namespace display {
namespace {

TEST(Geometry, StrokeColours) {
  EXPECT_EQ(WaveColorCode(1.75, false, false), kColorAnalogWaveform);
  EXPECT_EQ(WaveColorCode(1.7500001, false, false), kColorDigitalWaveform);
  EXPECT_EQ(WaveColorCode(1.75, true, false), kColorHiliteAnalogWaveform);
  EXPECT_EQ(WaveColorCode(100, true, false), kColorHiliteDigitalWaveform);
  EXPECT_EQ(WaveColorCode(100, true, true), 0);
}

TEST(PlayCursor, OutsideTheViewIsNotDrawn) {
  WaveView v;
  ShowWhole(v, 1000, 100, 0);
  v.setView(100, 199);
  EXPECT_EQ(v.cursorSample(), -50000);
  EXPECT_EQ(v.setCursor(150), 50);
  EXPECT_EQ(v.cursorSample(), 150);
  EXPECT_EQ(v.setCursor(500), -1);
  EXPECT_EQ(v.cursorSample(), -500000);
  EXPECT_EQ(v.setCursor(-1), -1);
  EXPECT_EQ(v.setCursor(199), 99);
  EXPECT_EQ(v.setCursor(200), -1);  // its column would be one past the area
  EXPECT_EQ(v.cursorSample(), -500000);
}

}  // namespace
}  // namespace display
