// View model: clamps of the visible range, boundary-coordinate mappings, length and selection changes
// with their notification order, scrolling, flags and the guards for empty views and bad numbers.
#include "display/view_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "display/view_test_util.h"

namespace display {
namespace {

TEST(SafeConversions, NaNAndInfinities) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(SafeTrunc(std::nan("")), 0);
  EXPECT_EQ(SafeTrunc(inf), INT32_MAX);
  EXPECT_EQ(SafeTrunc(-inf), INT32_MIN);
  EXPECT_EQ(SafeTrunc(-2.7), -2);
  EXPECT_EQ(SafeFloor(-2.2), -3);
  EXPECT_EQ(SafeFloor(3e10), INT32_MAX);
}

TEST(SetView, Clamps) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    int32_t length;
    double a, b, first, last;
  } cases[] = {
      {2, 0, 1, -0.5, 1.5},          // shorter than four samples: the whole document
      {100, 5, 5, 1.5, 5.5},         // four samples at least, kept left of b
      {100, 99, 99, 95.5, 99.5},     // ... and inside the document at its end
      {100, 0, 0, -0.5, 3.5},        // ... and at its start
      {100, -10, 1000, -0.5, 99.5},  // outside both ends
      {100, 10, 19, 9.5, 19.5},     {100, 30, 10, 6.5, 10.5},  // b < a: four samples ending at b
      {100, -inf, inf, -0.5, 99.5}, {100, inf, inf, 95.5, 99.5},
      {0, 0, -1, -0.5, -0.5},  // empty document: no width
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.length << " " << c.a << " " << c.b);
    WaveView v;
    v.setArea(0, 99);
    v.setLength(c.length);
    v.setView(c.a, c.b);
    EXPECT_EQ(v.first(), c.first);
    EXPECT_EQ(v.last(), c.last);
    EXPECT_EQ(v.width(), c.last - c.first);
  }
}

TEST(SetView, NaNIsRefusedAndOnlyChangesNotify) {
  RecordingView r;
  ShowWhole(r.view, 1000, 100);
  r.take();
  EXPECT_FALSE(r.view.setView(std::nan(""), 10));
  EXPECT_FALSE(r.view.setView(0, 999));  // unchanged
  EXPECT_TRUE(r.take().empty());
  EXPECT_TRUE(r.view.setView(10, 19));
  ASSERT_EQ(r.log.size(), 1u);
  EXPECT_EQ(r.log[0].code, WDN_VIEWCHANGED);
  EXPECT_EQ(r.log[0].a, 9.5);
  EXPECT_EQ(r.log[0].b, 19.5);
}

TEST(Mapping, OneSamplePerPixelColumnStartsAreBoundaries) {
  WaveView v;
  ShowWhole(v, 100, 100, 7);
  for (int32_t k = 0; k < 100; ++k) {
    EXPECT_EQ(v.boundaryAt(7 + k), k);
    EXPECT_EQ(v.sampleToPixel(k), 7 + k);  // the column whose left edge is sample k's left boundary
  }
}

TEST(Mapping, ZoomedInRoundsToTheNearestBoundary) {
  // Ten pixels per sample: column j starts at position -0.5 + j / 10.
  WaveView v;
  v.setArea(0, 99);
  v.setLength(1000);
  v.setView(0, 9);
  for (int32_t j = 0; j < 100; ++j) {
    const double edge = -0.5 + j / 10.0;
    const double boundary = v.boundaryAt(j) - 0.5;
    EXPECT_GT(boundary, edge - 0.5 - 1e-9) << j;
    EXPECT_LE(boundary, edge + 0.5 + 1e-9) << j;
  }
  for (int32_t k = 0; k < 10; ++k) EXPECT_EQ(v.sampleToPixel(k), 10 * k);
  EXPECT_EQ(v.sampleToPixel(-5), -32000);
  EXPECT_EQ(v.sampleToPixel(12), 32000);
  EXPECT_EQ(v.cursorPixel(3), 30);
  EXPECT_EQ(v.cursorPixel(-1), -1);
  EXPECT_EQ(v.cursorPixel(500), -1);
}

TEST(Mapping, ZoomedOut) {
  WaveView v;
  ShowWhole(v, 1000, 100, 10);  // ten samples per column
  EXPECT_EQ(v.samplesPerPixel(), 10);
  EXPECT_EQ(v.pixelToSample(10), 0);
  EXPECT_EQ(v.pixelToSample(11), 9);  // boundary 10 lies between samples 9 and 10
  EXPECT_EQ(v.pixelToSample(109), 989);
  EXPECT_EQ(v.sampleToPixel(0), 10);
  EXPECT_EQ(v.sampleToPixel(5), 11);
  EXPECT_EQ(v.zoomFraction(), 1.0);
  v.setView(500, 599);
  EXPECT_EQ(v.sampleToPixel(100), -32000);
  EXPECT_EQ(v.sampleToPixel(900), 32000);
  EXPECT_DOUBLE_EQ(v.zoomFraction(), 0.1);
  int32_t a, b;
  v.viewSamples(&a, &b);
  EXPECT_EQ(a, 500);
  EXPECT_EQ(b, 599);
}

TEST(SetLength, NotifiesLengthThenViewThenSelection) {
  RecordingView r;
  ShowWhole(r.view, 1000, 100);
  r.view.setSelection(900, 950);
  r.take();
  r.view.setLength(800);  // below the selection start
  ASSERT_EQ(r.log.size(), 3u);
  EXPECT_EQ(r.log[0].code, WDN_LENGTHCHANGED);
  EXPECT_EQ(r.log[0].a, 800);
  EXPECT_EQ(r.log[1].code, WDN_VIEWCHANGED);
  EXPECT_EQ(r.log[1].b, 799.5);
  EXPECT_EQ(r.log[2].code, WDN_SELCHANGED);
  EXPECT_EQ(r.log[2].a, 800);  // empty selection at the new end
  EXPECT_EQ(r.log[2].b, 799);
  r.take();

  r.view.setSelection(100, 700);
  r.view.setView(0, 99);
  r.take();
  r.view.setLength(600);  // below the selection end, view untouched
  EXPECT_EQ(r.take(), (std::vector<int>{WDN_LENGTHCHANGED, WDN_SELCHANGED}));
  EXPECT_EQ(r.view.selStart(), 100);
  EXPECT_EQ(r.view.selEnd(), 599);
  r.view.setLength(600);
  EXPECT_TRUE(r.take().empty());
}

TEST(SetSelection, Clamps) {
  struct Case {
    int32_t s, e, start, end;
  } cases[] = {
      {10, 20, 10, 20},    {-50, 20, 0, 20}, {-50, -60, 0, -1}, {90, 200, 90, 99},
      {200, 300, 100, 99}, {30, 10, 30, 29}, {0, -1, 0, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.s << " " << c.e);
    WaveView v;
    ShowWhole(v, 100, 50);
    v.setSelection(c.s, c.e);
    EXPECT_EQ(v.selStart(), c.start);
    EXPECT_EQ(v.selEnd(), c.end);
  }
}

TEST(SetSelection, UnchangedDuringADragIsNotSent) {
  RecordingView r;
  ShowWhole(r.view, 100, 50);
  r.view.setSelection(5, 9);
  r.take();
  r.view.setSelection(5, 9);
  EXPECT_EQ(r.take(), std::vector<int>{WDN_SELCHANGED});
  r.view.setSelecting(true);
  r.view.setSelection(5, 9);
  EXPECT_TRUE(r.take().empty());
  r.view.setSelection(5, 10);
  ASSERT_EQ(r.log.size(), 1u);
  EXPECT_EQ(r.log[0].flags, WDF_SELECTING);
}

TEST(Scroll, MovesByPixelsAndStopsAtTheEnds) {
  RecordingView r;
  ShowWhole(r.view, 100000, 600);
  r.view.setView(0, 5999);  // ten samples per pixel
  r.take();
  bool full = true;
  EXPECT_EQ(r.view.scroll(10), 0);  // already at the start
  EXPECT_EQ(r.view.scroll(-10, &full), -10);
  EXPECT_FALSE(full);
  EXPECT_EQ(r.view.first(), 99.5);
  EXPECT_EQ(r.view.last(), 6099.5);
  EXPECT_EQ(r.take(), std::vector<int>{WDN_VIEWCHANGED});
  EXPECT_EQ(r.view.scroll(50, &full), 50);  // past the start: put back there
  EXPECT_TRUE(full);
  EXPECT_EQ(r.view.first(), -0.5);
  EXPECT_EQ(r.view.width(), 6000);

  r.view.setFlags(WDF_ERASED, WDF_ERASED);
  EXPECT_EQ(r.view.scroll(-10), 0);
  r.view.setFlags(0, WDF_ERASED);
  r.view.setView(94000, 99999);
  EXPECT_EQ(r.view.scroll(-1), 0);  // already at the end
}

TEST(NudgeSelection, StepsByOnePixelOfSamples) {
  WaveView v;
  ShowWhole(v, 1000, 100);  // ten samples per pixel
  v.setSelection(50, 49);
  v.nudgeSelection(1, 1);
  EXPECT_EQ(v.selStart(), 60);
  EXPECT_EQ(v.selEnd(), 59);
  v.nudgeSelection(-10, -10);  // never below 0, stays empty
  EXPECT_EQ(v.selStart(), 0);
  EXPECT_EQ(v.selEnd(), -1);
  v.setSelection(20, 40);
  v.nudgeSelection(0, 1);
  EXPECT_EQ(v.selEnd(), 50);
  v.nudgeSelection(0, -5);  // end moved before the start: the start follows it (empty selection)
  EXPECT_EQ(v.selStart(), 1);
  EXPECT_EQ(v.selEnd(), 0);
  v.setSelection(20, 40);
  v.nudgeSelection(5, 0);  // start moved past the end: the end follows it
  EXPECT_EQ(v.selStart(), 70);
  EXPECT_EQ(v.selEnd(), 69);
  v.setView(0, 9);  // zoomed in: still one sample per step
  v.nudgeSelection(0, 2);
  EXPECT_EQ(v.selEnd(), 71);
}

TEST(Flags, SwitchingViewsSwapsTheVerticalRanges) {
  RecordingView r;
  ShowWhole(r.view, 100, 50);
  r.view.setFlags(WDF_WAVEFORM, WDF_MODE_MASK);
  r.view.setVRange(-0.5, 0.25);
  r.take();
  r.view.setFlags(WDF_SPECTRAL, WDF_WAVEFORM | WDF_SPECTRAL);
  EXPECT_EQ(r.take(), (std::vector<int>{WDN_VRANGECHANGED, WDN_FLAGSCHANGED}));
  EXPECT_EQ(r.view.vLow(), -1);
  EXPECT_EQ(r.view.vHigh(), 0);
  r.view.setVRange(-0.5, 0);
  r.view.setFlags(WDF_WAVEFORM, WDF_WAVEFORM | WDF_SPECTRAL);
  EXPECT_EQ(r.view.vLow(), -0.5);
  EXPECT_EQ(r.view.vHigh(), 0.25);
  r.view.setFlags(WDF_SPECTRAL, WDF_WAVEFORM | WDF_SPECTRAL);
  EXPECT_EQ(r.view.vLow(), -0.5);  // the spectral range set before
  EXPECT_EQ(r.view.vHigh(), 0);
  r.take();
  r.view.setFlags(WDF_NORIGHT, WDF_CHANNEL_MASK);
  ASSERT_EQ(r.log.size(), 1u);
  EXPECT_EQ(r.log[0].code, WDN_FLAGSCHANGED);
  EXPECT_EQ(static_cast<uint32_t>(r.log[0].extra), WDF_SPECTRAL | WDF_NORIGHT);
  r.view.setFlags(WDF_NORIGHT, WDF_CHANNEL_MASK);
  EXPECT_EQ(r.log.size(), 1u);  // no change, no notification
}

TEST(VerticalRange, RowsAndGuards) {
  WaveView v;
  EXPECT_EQ(v.valueRow(32768, 101), 100);  // default (-1, 1): +1 at the top
  EXPECT_EQ(v.valueRow(-32768, 101), 0);
  EXPECT_EQ(v.valueRow(0, 101), 50);
  EXPECT_EQ(v.valueRow(1e9, 101), 103);  // clamped three rows beyond
  v.setVRange(0, 1);                     // top shows 0, bottom -1
  EXPECT_EQ(v.valueRow(0, 101), 100);
  EXPECT_EQ(v.valueRow(-32768, 101), 0);
  EXPECT_FALSE(v.setVRange(std::nan(""), 1));
  EXPECT_FALSE(v.setVRange(0, std::numeric_limits<double>::infinity()));
  v.setVRange(1, -1);  // swapped
  EXPECT_EQ(v.vLow(), -1);
  v.setVRange(0, 0);  // the reset range: no division
  EXPECT_EQ(v.scale(), 0);
  EXPECT_GE(v.valueRow(1000, 101), -3);
}

TEST(Reset, EmptyDisplayIsSafeToUse) {
  RecordingView r;
  ShowWhole(r.view, 1000, 100);
  r.view.setFlags(WDF_WAVEFORM | WDF_GRID, WDF_MODE_MASK);
  r.view.setSelection(10, 20);
  r.view.reset();
  EXPECT_EQ(r.view.length(), 0);
  EXPECT_EQ(r.view.width(), 0);
  EXPECT_EQ(r.view.first(), -0.5);
  EXPECT_EQ(r.view.zoomFraction(), 0);
  EXPECT_EQ(r.view.selStart(), 0);
  EXPECT_EQ(r.view.selEnd(), -1);
  EXPECT_EQ(r.view.flags() & WDF_MODE_MASK, 0u);
  EXPECT_EQ(r.view.samplesPerPixel(), 0);
  EXPECT_EQ(r.view.pixelToSample(50), 0);
  EXPECT_EQ(r.view.cursorPixel(0), -1);
  EXPECT_EQ(r.view.scroll(-5), 0);
  r.view.nudgeSelection(3, 3);
  EXPECT_EQ(r.view.selStart(), 0);
  r.view.setArea(5, 4);  // no area at all
  EXPECT_EQ(r.view.pixels(), 0);
  EXPECT_EQ(r.view.boundaryAt(100), 0);
}

}  // namespace
}  // namespace display

namespace display {
namespace {

TEST(MoveView, SmallMovesScrollPixelsOthersSetTheView) {
  RecordingView r;
  ShowWhole(r.view, 100000, 100);
  r.view.setView(0, 999);  // ten samples per pixel
  EXPECT_EQ(r.view.moveView(100, 1099, false), -10);
  EXPECT_EQ(r.view.first(), 99.5);
  EXPECT_EQ(r.view.moveView(50, 1049, false), 5);
  EXPECT_EQ(r.view.first(), 49.5);
  EXPECT_EQ(r.view.moveView(5000, 5999, false), 0);  // far away: set
  EXPECT_EQ(r.view.first(), 4999.5);
  EXPECT_EQ(r.view.moveView(5100, 6099, true), 0);  // forced: set
  EXPECT_EQ(r.view.first(), 5099.5);
  EXPECT_EQ(r.view.moveView(5200, 7199, false), 0);  // another width: set
  EXPECT_EQ(r.view.width(), 2000);
}

TEST(VerticalRange, ScrollByPixels) {
  RecordingView r;
  r.take();
  EXPECT_TRUE(r.view.scrollVRange(10, 100));
  EXPECT_NEAR(r.view.vLow(), -1.2, 1e-12);
  EXPECT_NEAR(r.view.vHigh(), 0.8, 1e-12);
  EXPECT_EQ(r.take(), std::vector<int>{WDN_VRANGECHANGED});
  EXPECT_FALSE(r.view.scrollVRange(10, 0));
  EXPECT_FALSE(r.view.scrollVRange(0, 100));
}

}  // namespace
}  // namespace display
