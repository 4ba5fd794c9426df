// Graph display layout: value rows and clipping, the column maxima over bins, a peak's column, stereo
// panes, and for random sizes that every point stays in its pane and the axis labels stay apart.
#include "display/graph_plot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace display {
namespace {

TextExtent FixedWidth(const std::string& s) {
  return {static_cast<int32_t>(7 * s.size()), 12};
}

TEST(GraphPlot, Rows) {
  struct Case {
    double v, top, range;
    int32_t paneTop, paneBottom, row;
  } cases[] = {
      {0, 0, 120, 0, 121, 0},        {-120, 0, 120, 0, 121, 120}, {-60, 0, 120, 0, 121, 60},
      {10, 0, 120, 0, 121, 0},       {-500, 0, 120, 0, 121, 120}, {-12, 0, 24, 10, 35, 22},
      {NAN, 0, 120, 0, 121, 120},    {-1, 0, 0, 0, 11, 10},       {5, 0, 120, 7, 8, 7},
      {-30, -10, 40, 100, 141, 120},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GraphRow(c.v, c.top, c.range, c.paneTop, c.paneBottom), c.row) << c.v << " " << c.range;
}

TEST(GraphPlot, ColumnValueIsTheLargestBinOfTheColumn) {
  std::vector<float> bins = {-10, -50, -3, -80, -90, -20, NAN, -70};
  EXPECT_EQ(GraphColumnValue(bins, 0, 4), -10);
  EXPECT_EQ(GraphColumnValue(bins, 1, 4), -3);
  EXPECT_EQ(GraphColumnValue(bins, 2, 4), -20);
  EXPECT_EQ(GraphColumnValue(bins, 3, 4), -70);  // nan is passed over
  EXPECT_EQ(GraphColumnValue(bins, 0, 1), -3);
  // More columns than bins: each column shows the bin under it.
  for (int32_t c = 0; c < 16; ++c) {
    const double v = GraphColumnValue(bins, c, 16);
    if (c / 2 == 6)
      EXPECT_TRUE(std::isnan(v));
    else
      EXPECT_EQ(v, bins[size_t(c / 2)]) << c;
  }
  EXPECT_TRUE(std::isnan(GraphColumnValue({}, 0, 4)));
  EXPECT_TRUE(std::isnan(GraphColumnValue(bins, 0, 0)));
}

TEST(GraphPlot, PeakSitsAtItsFrequency) {
  GraphData d;
  d.series[0].assign(1024, -120.0f);
  d.series[0][256] = -6.0f;  // a quarter of the way to xMax
  d.xMax = 22050;
  const GraphPlan plan = GraphLayout(d, 600, 300, FixedWidth);
  ASSERT_EQ(plan.panes.size(), 1u);
  const GraphPane& p = plan.panes[0];
  const int32_t plotW = p.right - p.left;
  ASSERT_EQ(p.points.size(), size_t(plotW));
  size_t best = 0;
  for (size_t i = 0; i < p.points.size(); ++i)
    if (p.points[i].y < p.points[best].y) best = i;
  EXPECT_NEAR(double(best), plotW / 4.0, 1.0);
  EXPECT_EQ(p.points[best].y, GraphRow(-6, 0, 120, p.top, p.bottom));
  EXPECT_EQ(p.points[0].y, p.bottom - 1);  // the floor
  // The frequency axis runs 0 .. 22050 under the pane with the unit at its start.
  EXPECT_EQ(plan.xAxis.unit, "Hz");
  ASSERT_FALSE(plan.xAxis.ticks.empty());
  for (const RulerTick& t : plan.xAxis.ticks) {
    EXPECT_GE(t.value, 0);
    EXPECT_LE(t.value, 22050);
  }
  EXPECT_GT(plan.axisHeight, 0);
  EXPECT_LE(p.bottom, 300 - plan.axisHeight);
}

TEST(GraphPlot, StereoHasTwoPanesThatDoNotOverlap) {
  GraphData d;
  d.channels = 2;
  d.series[0].assign(64, -60.0f);
  d.series[1].assign(64, -30.0f);
  d.range = 60;
  d.xMax = 8000;
  const GraphPlan plan = GraphLayout(d, 400, 250, FixedWidth);
  ASSERT_EQ(plan.panes.size(), 2u);
  EXPECT_LT(plan.panes[0].bottom, plan.panes[1].top);
  for (const GraphPoint& pt : plan.panes[0].points) EXPECT_EQ(pt.y, plan.panes[0].bottom - 1);
  for (const GraphPoint& pt : plan.panes[1].points)
    EXPECT_EQ(pt.y, GraphRow(-30, 0, 60, plan.panes[1].top, plan.panes[1].bottom));
  for (const GraphPane& p : plan.panes) {
    EXPECT_EQ(p.yAxis.unit, "dB");
    for (const RulerTick& t : p.yAxis.ticks) {
      EXPECT_LE(t.value, 0);
      EXPECT_GE(t.value, -60);
      EXPECT_GE(t.position, p.top);
      EXPECT_LE(t.position, p.bottom);
    }
  }
}

TEST(GraphPlot, TinyAndEmpty) {
  GraphData d;
  EXPECT_EQ(GraphLayout(d, 0, 0, FixedWidth).panes.size(), 1u);
  EXPECT_TRUE(GraphLayout(d, 0, 0, FixedWidth).panes[0].points.empty());
  d.series[0].assign(10, 0.0f);
  EXPECT_TRUE(GraphLayout(d, 20, 5, FixedWidth).panes[0].points.empty());  // no room beside the labels
}

TEST(GraphPlot, RandomLayoutsStayInside) {
  std::mt19937 rng(17);
  for (int i = 0; i < 300; ++i) {
    GraphData d;
    d.channels = 1 + int(rng() % 2);
    const size_t n = 1 + rng() % 5000;
    std::uniform_real_distribution<float> v(-300, 50);
    for (int c = 0; c < d.channels; ++c)
      for (size_t k = 0; k < n; ++k) d.series[c].push_back(v(rng));
    d.range = 24 + rng() % 217;
    d.lines = rng() % 2;
    d.xMax = rng() % 3 ? double(1000 + rng() % 48000) : 0;
    const int32_t w = int32_t(rng() % 900), h = int32_t(rng() % 700);
    const GraphPlan plan = GraphLayout(d, w, h, FixedWidth);
    ASSERT_EQ(plan.panes.size(), size_t(d.channels));
    for (const GraphPane& p : plan.panes) {
      EXPECT_LE(p.right, w);
      EXPECT_LE(p.bottom, h);
      for (const GraphPoint& pt : p.points) {
        ASSERT_GE(pt.x, p.left);
        ASSERT_LT(pt.x, p.right);
        ASSERT_GE(pt.y, p.top);
        ASSERT_LT(pt.y, std::max(p.bottom, p.top + 1));
      }
    }
    int32_t lastEnd = -1000000;
    for (const RulerTick& t : plan.xAxis.ticks) {
      if (!t.labelShown) continue;
      EXPECT_GE(t.labelStart, lastEnd);
      lastEnd = t.labelEnd;
    }
  }
}

}  // namespace
}  // namespace display
