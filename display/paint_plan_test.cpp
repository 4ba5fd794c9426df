// Drawing plan: rasterised into a colour-code array, a sine shows waveform pixels in its channel and the
// selection highlight exactly on the selected columns; an excluded channel keeps its background and draws in
// button shadow; zoomed in, only the frames shown are read and every visible sample gets a handle, rebuilt
// for each view; short reads draw silence, not garbage; no area and no document plan nothing; cue labels
// never overlap.
#include "display/paint_plan.h"

#include <gtest/gtest.h>

#include <cmath>

#include "display/colors.h"
#include "display/view_test_util.h"

namespace display {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Canvas {
  int32_t w, h;
  std::vector<int> px;
  Canvas(int32_t w_, int32_t h_) : w(w_), h(h_), px(static_cast<size_t>(w_) * h_, -1) {}
  void apply(const std::vector<PaintOp>& ops) {
    for (const PaintOp& op : ops) {
      if (op.kind != PaintOp::kFill) continue;
      for (int32_t y = std::max(0, op.r.top); y < std::min(h, op.r.bottom); ++y)
        for (int32_t x = std::max(0, op.r.left); x < std::min(w, op.r.right); ++x) px[y * w + x] = op.color;
    }
  }
  int at(int32_t x, int32_t y) const { return px[y * w + x]; }
  int countInColumn(int32_t x, int color, int32_t y0, int32_t y1) const {
    int n = 0;
    for (int32_t y = y0; y < y1; ++y) n += at(x, y) == color;
    return n;
  }
};

std::vector<int16_t> Sine(int64_t frames, int channels, double period, double amp = 20000) {
  std::vector<int16_t> v(static_cast<size_t>(frames * channels));
  for (int64_t f = 0; f < frames; ++f)
    for (int c = 0; c < channels; ++c)
      v[f * channels + c] = static_cast<int16_t>(amp * std::sin(2 * kPi * f / period + c));
  return v;
}

struct Fixture {
  RecordingView rv;
  PixelRect client{0, 0, 206, 107};
  PixelRect margins{3, 0, 3, 0};
  MemoryDisplaySource src;
  WavePainter painter;
  PaintPlan plan;
  Fixture(std::vector<int16_t> frames, int channels, int32_t block = 64)
      : src(std::move(frames), channels, 44100, block) {
    const DisplayAreas a = ComputeAreas(client, margins);
    rv.view.setChannels(channels);
    rv.view.setFlags(WDF_WAVEFORM, WDF_MODE_MASK);
    ShowWhole(rv.view, static_cast<int32_t>(src.length()), a.wave.right - a.wave.left + 1, a.wave.left);
  }
  PaintInput input() {
    PaintInput in;
    in.view = &rv.view;
    in.client = client;
    in.margins = margins;
    in.source = &src;
    return in;
  }
  Canvas paint(int32_t x0 = 0, int32_t x1 = 10000) {
    Canvas c(client.right, client.bottom);
    std::vector<PaintOp> frame;
    PlanFrame(rv.view, client, margins, true, &frame);
    c.apply(frame);
    painter.plan(input(), x0, x1, &plan);
    c.apply(plan.ops);
    return c;
  }
};

TEST(PaintPlan, ZoomedOutSineDrawsEveryColumnAndTheHighlightOnTheSelection) {
  for (int32_t block : {0, 64}) {
    Fixture f(Sine(200000, 1, 1000), 1, block);
    f.rv.view.setSelection(50000, 99999);
    const Canvas c = f.paint();
    const WaveView& v = f.rv.view;
    int32_t s1, s2;
    ASSERT_TRUE(SelectionColumns(v, 50000, 99999, &s1, &s2));
    const std::vector<ChannelArea> areas = ChannelAreas(v, f.client, f.margins);
    for (int32_t x = v.left(); x <= v.right(); ++x) {
      const bool sel = x >= s1 && x <= s2;
      // Far beyond the block size: peaks only; without a summary the columns stay empty.
      const int wave = sel ? kColorHiliteDigitalWaveform : kColorDigitalWaveform;
      const int strokes = c.countInColumn(x, wave, areas[0].rect.top, areas[0].rect.bottom);
      if (block)
        EXPECT_GT(strokes, 50) << x;  // a full-scale period in every column: a tall stroke
      else
        EXPECT_EQ(strokes, 0) << x;
      EXPECT_EQ(c.at(x, areas[0].rect.top), sel ? kColorHiliteBackground : kColorBackground) << x;
    }
    EXPECT_EQ(c.at(v.left() - 1, 5), kPaintBlack);  // the frame's left border
  }
}

TEST(PaintPlan, StereoExcludedChannelKeepsItsBackgroundAndIsShadowed) {
  Fixture f(Sine(4000, 2, 50), 2);
  f.rv.view.setFlags(WDF_NOLEFT, WDF_CHANNEL_MASK);
  f.rv.view.setSelection(0, 3999);
  const Canvas c = f.paint();
  const std::vector<ChannelArea> areas = ChannelAreas(f.rv.view, f.client, f.margins);
  ASSERT_EQ(areas.size(), 2u);
  ASSERT_TRUE(areas[0].excluded);
  EXPECT_LT(areas[0].rect.bottom, areas[1].rect.top);
  const int32_t x = f.rv.view.left() + 50;
  EXPECT_EQ(c.at(x, areas[0].rect.top), kColorBackground);
  EXPECT_EQ(c.at(x, areas[1].rect.top), kColorHiliteBackground);
  EXPECT_GT(c.countInColumn(x, kPaintButtonShadow, areas[0].rect.top, areas[0].rect.bottom), 5);
  EXPECT_GT(c.countInColumn(x, kColorHiliteDigitalWaveform, areas[1].rect.top, areas[1].rect.bottom), 5);
  EXPECT_EQ(c.countInColumn(x, kColorHiliteDigitalWaveform, areas[0].rect.top, areas[0].rect.bottom), 0);
}

TEST(PaintPlan, ZoomedInReadsOnlyTheFramesShownAndHandlesEveryVisibleSample) {
  Fixture f(Sine(100000, 1, 40), 1);
  WaveView& v = f.rv.view;
  v.setView(50000, 50009);  // 10 samples over 200 columns: 20 pixels per sample
  f.src.resetCounters();
  f.paint();
  int32_t a, b;
  v.viewSamples(&a, &b);
  const int64_t shown = b - a + 1;
  // Interpolation taps reach N/2 frames either side of the view; the boxes read the visible samples.
  EXPECT_LE(f.src.framesRead(), f.painter.planner().framesRequested() + f.painter.boxFramesRead());
  // Each frame once: the frames shown and half the interpolation taps either side.
  EXPECT_LE(f.painter.planner().framesRequested(), shown + kDefaultInterpolationTaps + 1);
  EXPECT_GE(f.painter.planner().framesRequested(), shown);
  EXPECT_EQ(f.painter.boxFramesRead(), 0);  // the boxes use the frames the columns read
  EXPECT_TRUE(f.plan.interpolated);
  ASSERT_EQ(static_cast<int64_t>(f.plan.handles.size()), shown);
  for (size_t i = 0; i < f.plan.handles.size(); ++i)
    EXPECT_EQ(f.plan.handles[i].sample, a + static_cast<int32_t>(i));
  // A handle lies on its sample's row.
  const SampleHandle& h = f.plan.handles[3];
  const std::vector<ChannelArea> areas = ChannelAreas(v, f.client, f.margins);
  float value;
  f.src.readFloat(h.sample, 1, &value);
  EXPECT_EQ((h.box.top + h.box.bottom - 1) / 2, SampleRow(v, areas[0], value));
  EXPECT_EQ(HandleAt(f.plan.handles, h.box.left + 2, h.box.top + 2), 3);
  EXPECT_EQ(HandleAt(f.plan.handles, h.box.right + 3, h.box.top), -1);
  // A repaint of a few columns after a view change still lists the handles of the whole new view.
  v.setView(60000, 60009);
  f.painter.cache().clear();
  f.paint(v.left(), v.left() + 3);
  ASSERT_FALSE(f.plan.handles.empty());
  EXPECT_EQ(f.plan.handles.front().sample, 60000);
  EXPECT_EQ(f.plan.handles.back().sample, 60009);
}

TEST(PaintPlan, SamplesPerPixelBandsReadWhatTheyShow) {
  // Between 1.75 samples per pixel and the block size the columns read their frames exactly once.
  Fixture f(Sine(100000, 2, 300), 2, 4096);
  WaveView& v = f.rv.view;
  v.setView(10000, 10000 + 200 * 20 - 1);  // 20 samples per pixel
  f.src.resetCounters();
  f.paint();
  int32_t a, b;
  v.viewSamples(&a, &b);
  EXPECT_NEAR(static_cast<double>(f.src.framesRead()), b - a + 1, 2);
  EXPECT_TRUE(f.plan.handles.empty());
  // A second paint comes from the column cache.
  f.src.resetCounters();
  f.paint();
  EXPECT_EQ(f.src.framesRead(), 0);
}

TEST(PaintPlan, ShortReadsDrawSilenceNotGarbage) {
  Fixture f(std::vector<int16_t>(20000, 30000), 1, 0);
  WaveView& v = f.rv.view;
  f.src.setReadLimit(1);
  v.setView(1000, 1099);  // half a sample per pixel: interpolated, every window read short
  f.paint();
  const std::vector<ChannelArea> areas = ChannelAreas(v, f.client, f.margins);
  const int32_t top = SampleRow(v, areas[0], 32767), zero = SampleRow(v, areas[0], 0);
  for (const PaintOp& op : f.plan.ops) {
    if (op.color != kColorAnalogWaveform) continue;
    EXPECT_GE(op.r.top, top - 3);
    EXPECT_LE(op.r.bottom - 1, zero + (zero - top) / 2);  // never below the zero line by much (no junk)
  }
}

TEST(PaintPlan, NoAreaOrNoDocumentPlansNothingAndReadsNothing) {
  Fixture f(Sine(1000, 1, 50), 1);
  f.rv.view.setArea(10, 9);  // zero width
  f.src.resetCounters();
  f.painter.plan(f.input(), 0, 1000, &f.plan);
  EXPECT_TRUE(f.plan.ops.empty());
  EXPECT_EQ(f.src.framesRead(), 0);
  Fixture g(Sine(1000, 1, 50), 1);
  PaintInput in = g.input();
  in.source = nullptr;
  g.painter.plan(in, 0, 1000, &g.plan);
  for (const PaintOp& op : g.plan.ops) EXPECT_NE(op.color, kColorDigitalWaveform);
  g.rv.view.reset();
  g.painter.plan(g.input(), 0, 1000, &g.plan);
  EXPECT_TRUE(g.plan.handles.empty());
}

TEST(PaintPlan, InsertionCursorOnlyForAnEmptySelectionInView) {
  Fixture f(Sine(1000, 1, 50), 1);
  f.rv.view.setSelection(500, 499);
  const Canvas c = f.paint();
  const int32_t x = InsertionColumn(f.rv.view, 500);
  ASSERT_GE(x, 0);
  const std::vector<ChannelArea> areas = ChannelAreas(f.rv.view, f.client, f.margins);
  EXPECT_GE(c.countInColumn(x, kColorCursor, areas[0].rect.top, areas[0].rect.bottom),
            areas[0].height / 4 - 1);
  f.rv.view.setSelection(500, 600);
  f.painter.cache().clear();
  const Canvas d = f.paint();
  EXPECT_EQ(d.countInColumn(x, kColorCursor, areas[0].rect.top, areas[0].rect.bottom), 0);
}

TEST(PaintPlan, GridZeroAndBoundaryLinesSitOnTheirRows) {
  Fixture f(std::vector<int16_t>(1000, 0), 1);
  WaveView& v = f.rv.view;
  v.setFlags(WDF_GRID | WDF_BOUNDARY, WDF_GRID | WDF_BOUNDARY);
  std::vector<int16_t> gx = {20, 150, -1}, gy = {30, -1};
  PaintInput in = f.input();
  in.gridX = &gx;
  in.gridY = &gy;
  Canvas c(f.client.right, f.client.bottom);
  f.painter.plan(in, 0, 1000, &f.plan);
  c.apply(f.plan.ops);
  const ChannelArea a = ChannelAreas(v, f.client, f.margins)[0];
  EXPECT_EQ(c.at(f.margins.left + 20, a.rect.top + 5), kColorGrid);
  EXPECT_EQ(c.at(v.left() + 40, f.margins.top + 30), kColorGrid);
  const int32_t zero = a.rect.top + NormalizedRow(0, v.vLow(), v.vHigh(), a.height);
  EXPECT_EQ(zero, a.rect.top + a.height / 2);
  // All-zero samples draw on the zero row, over the centre line.
  EXPECT_EQ(c.at(v.left() + 60, zero), kColorDigitalWaveform);
  EXPECT_EQ(c.at(v.left() + 60, a.rect.top + NormalizedRow(0.707945784384, v.vLow(), v.vHigh(), a.height)),
            kColorBoundaryLines);
}

TEST(PaintPlan, OverlaysHoldTheInsertionLineAndCueMarkers) {
  Fixture f(Sine(1000, 1, 50), 1);
  f.rv.view.setSelection(500, 499);
  std::vector<CueMark> cues = {{250, 0, "one"}, {600, 100, "two"}};
  PaintInput in = f.input();
  in.cues = &cues;
  in.measure = [](const std::string& t) { return TextExtent{static_cast<int32_t>(t.size()) * 6, 10}; };
  std::vector<PaintOp> ops;
  f.painter.planOverlays(in, 0, 1000, &ops);
  const WaveView& v = f.rv.view;
  const int32_t x = InsertionColumn(v, 500);
  int cursorDots = 0, markers = 0, texts = 0;
  for (const PaintOp& op : ops) {
    cursorDots += op.color == kColorCursor && op.r.left == x;
    markers += op.color == kPaintMarker && op.kind == PaintOp::kFill;
    texts += op.kind == PaintOp::kText;
    EXPECT_NE(op.color, kColorDigitalWaveform);  // no waveform among the overlays
  }
  EXPECT_GT(cursorDots, 3);
  EXPECT_EQ(markers, 2);
  EXPECT_EQ(texts, 2);
  f.rv.view.setArea(5, 4);  // no area: nothing
  f.painter.planOverlays(in, 0, 1000, &ops);
  EXPECT_TRUE(ops.empty());
}

TEST(CueLayout, LabelsNeverOverlapAndCuesOutOfViewAreLeftOut) {
  RecordingView rv;
  ShowWhole(rv.view, 10000, 500, 3);
  const PixelRect area{3, 1, 503, 200};
  const TextMeasure measure = [](const std::string& s) {
    return TextExtent{static_cast<int32_t>(s.size()) * 7, 12};
  };
  std::vector<CueMark> cues;
  for (int i = 0; i < 12; ++i) cues.push_back({i * 40, 0, "Cue " + std::to_string(i)});
  cues.push_back({5000, 3000, "Region"});
  cues.push_back({20000, 0, "beyond"});
  const std::vector<CueLayout> l = LayoutCues(rv.view, area, cues, measure);
  ASSERT_EQ(l.size(), 13u);
  for (size_t i = 0; i < l.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      if (l[i].text.empty() || l[j].text.empty()) continue;
      const bool overlap = l[i].label.left < l[j].label.right && l[j].label.left < l[i].label.right &&
                           l[i].label.top < l[j].label.bottom && l[j].label.top < l[i].label.bottom;
      EXPECT_FALSE(overlap) << i << " " << j;
    }
  }
  EXPECT_TRUE(l.back().region);
  EXPECT_EQ(l.back().x, 3 + 250);
  EXPECT_EQ(l.back().xEnd, 3 + 400);
  EXPECT_EQ(l.back().text, "Region");
  EXPECT_TRUE(l[5].text.empty());  // three rows full at that point
  // Zoomed into the middle of the region: no start line, but the label at the left edge.
  rv.view.setView(6000, 6999);
  const std::vector<CueLayout> m = LayoutCues(rv.view, area, cues, measure);
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].x, -1);
  EXPECT_EQ(m[0].label.left, 3 + 2);
}

}  // namespace
}  // namespace display
