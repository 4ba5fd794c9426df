#include "xfmhost/graph_model.h"

#include <gtest/gtest.h>

#include <random>

namespace xfmhost {
namespace {

std::vector<GraphPoint> pointsOf(const GraphModel& m, int g) {
  std::vector<GraphPoint> p;
  m.points(uint16_t(g), &p);
  return p;
}

TEST(GraphModel, CreateGivesTheTwoEndPointsAndRefusesEmptyRanges) {
  GraphModel m;
  const int g = m.create(0, 1000, 0, 100, 10, 90);
  ASSERT_EQ(g, 0);
  EXPECT_EQ(pointsOf(m, g), (std::vector<GraphPoint>{{0, 10}, {1000, 90}}));
  EXPECT_EQ(m.create(5, 5, 0, 100, 0, 0), -1);   // no x range
  EXPECT_EQ(m.create(0, 10, 7, 7, 0, 0), -1);    // no y range
  EXPECT_EQ(m.create(10, 0, 0, 100, 0, 0), -1);  // reversed
  EXPECT_EQ(m.count(g), 2);
  EXPECT_EQ(m.count(1), -1);
  EXPECT_EQ(m.count(kNoGraph), -1);
}

TEST(GraphModel, ThirtyTwoSlotsThenRefusal) {
  GraphModel m;
  for (int i = 0; i < kGraphSlots; ++i) EXPECT_EQ(m.create(0, 10, 0, 10, 0, 0), i);
  EXPECT_EQ(m.create(0, 10, 0, 10, 0, 0), -1);
  EXPECT_EQ(m.duplicate(3), -1);
  EXPECT_TRUE(m.destroy(3));
  EXPECT_EQ(m.create(0, 10, 0, 10, 0, 0), 3);
}

TEST(GraphModel, SetPointKeepsXIncreasingAndIndexInside) {
  GraphModel m;
  const int g = m.create(0, 1000, 0, 100, 0, 100);
  EXPECT_TRUE(m.setPoint(g, 1, 500, 77, false));
  EXPECT_TRUE(m.setPoint(g, 2, 1000, 100, true));
  EXPECT_EQ(pointsOf(m, g), (std::vector<GraphPoint>{{0, 0}, {500, 77}, {1000, 100}}));
  EXPECT_FALSE(m.setPoint(g, 1, 1000, 5, false));  // would equal the next x
  EXPECT_FALSE(m.setPoint(g, 5, 2000, 5, false));  // beyond the count without setCount
  EXPECT_FALSE(m.setPoint(g, 69, 2000, 5, true));  // beyond 69 points
  EXPECT_FALSE(m.setPoint(g, -1, 0, 0, true));
  EXPECT_FALSE(m.setPoint(7, 0, 0, 0, true));  // no such graph
  EXPECT_EQ(m.count(g), 3);
  int32_t x = 0, y = 0;
  EXPECT_TRUE(m.getPoint(g, 1, &x, &y));
  EXPECT_EQ(x, 500);
  EXPECT_EQ(y, 77);
  EXPECT_FALSE(m.getPoint(g, 3, &x, &y));
  EXPECT_TRUE(m.clear(g));
  EXPECT_EQ(m.count(g), 2);
}

TEST(GraphModel, ValueAtInterpolatesAndIsZeroBeyondTheLastPoint) {
  GraphModel m;
  const int flat = m.create(0, 16384, 0, 100, 50, 50);
  double v = -1;
  EXPECT_TRUE(m.valueAt(flat, 0.5, &v));
  EXPECT_DOUBLE_EQ(v, 50);
  EXPECT_TRUE(m.valueAt(flat, 1.0, &v));
  EXPECT_DOUBLE_EQ(v, 50);
  const int ramp = m.create(0, 1000, 0, 100, 0, 100);
  EXPECT_TRUE(m.valueAt(ramp, 0.25, &v));
  EXPECT_DOUBLE_EQ(v, 25);
  EXPECT_TRUE(m.setPoint(ramp, 1, 500, 100, true));  // the graph now ends at x 500
  EXPECT_TRUE(m.valueAt(ramp, 0.75, &v));
  EXPECT_DOUBLE_EQ(v, 0);
  EXPECT_FALSE(m.valueAt(ramp, 0.5, nullptr));
}

TEST(GraphModel, DuplicateAndCopyBackRestoreEveryPoint) {
  GraphModel m;
  const int g = m.create(0, 1000, 0, 100, 0, 100);
  m.setPoint(g, 1, 300, 30, false);
  m.setPoint(g, 2, 1000, 100, true);
  const std::vector<GraphPoint> before = pointsOf(m, g);
  const int copy = m.duplicate(g);
  ASSERT_GE(copy, 0);
  m.setPoint(g, 1, 600, 1, false);
  EXPECT_NE(pointsOf(m, g), before);
  EXPECT_TRUE(m.copy(g, copy));
  EXPECT_TRUE(m.destroy(copy));
  EXPECT_EQ(pointsOf(m, g), before);
  EXPECT_EQ(m.used(), 1);
}

TEST(GraphModel, SetPointsRejectsBadGraphsAndKeepsTheOld) {
  GraphModel m;
  const int g = m.create(0, 1000, 0, 100, 0, 100);
  const std::vector<GraphPoint> old = pointsOf(m, g);
  EXPECT_FALSE(m.setPoints(uint16_t(g), {{0, 0}}));                     // one point
  EXPECT_FALSE(m.setPoints(uint16_t(g), {{0, 0}, {0, 5}}));             // x not increasing
  EXPECT_FALSE(m.setPoints(uint16_t(g), std::vector<GraphPoint>(70)));  // too many
  EXPECT_EQ(pointsOf(m, g), old);
  EXPECT_TRUE(m.setPoints(uint16_t(g), {{0, 1}, {10, 2}, {1000, 3}}));
  EXPECT_EQ(m.count(g), 3);
}

// The profile codec over the model: what a block's graph field writes reads back into another graph.
TEST(GraphModel, ProfileRoundTripThroughTheModel) {
  GraphModel m;
  const int g = m.create(0, 1000, 0, 100, 0, 100);
  std::mt19937 rng(7);
  std::vector<GraphPoint> p{{0, 0}};
  for (int x = 10; x < 1000; x += 10 + int(rng() % 40)) p.push_back({x, int32_t(rng() % 100)});
  p.push_back({1000, 100});
  if (p.size() > size_t(kMaxGraphPoints)) p.resize(size_t(kMaxGraphPoints) - 1), p.push_back({1000, 100});
  ASSERT_TRUE(m.setPoints(uint16_t(g), p));
  uint8_t block[2] = {uint8_t(g), 0};
  const std::string text = encodeProfile("g", block, sizeof block, &m);
  const int other = m.create(0, 1000, 0, 100, 0, 0);
  uint8_t into[2] = {uint8_t(other), 0};
  ProfileRead r = decodeProfile(text, "g", into, sizeof into, &m);
  EXPECT_TRUE(r.complete);
  EXPECT_EQ(pointsOf(m, other), p);
}

}  // namespace
}  // namespace xfmhost
