// Main window layout: for a range of sizes the display's height is snapped, the rulers line up with it,
// nothing overlaps or leaves the area, the status fields keep their order and widths; too small an area
// hides the display.
#include "display/main_layout.h"

#include <gtest/gtest.h>

#include <vector>

namespace display {
namespace {

bool Overlap(const PixelRect& a, const PixelRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Inside(const PixelRect& r, const PixelRect& area) {
  return r.left >= area.left && r.right <= area.right && r.top >= area.top && r.bottom <= area.bottom &&
         r.left <= r.right && r.top <= r.bottom;
}

TEST(MainLayout, RulersFollowTheSnappedDisplayAndNothingOverlaps) {
  for (int32_t w : {120, 300, 641, 1024}) {
    for (int32_t h : {60, 61, 62, 63, 200, 479}) {
      SCOPED_TRACE(testing::Message() << w << "x" << h);
      const PixelRect area{0, 30, w, 30 + h};
      const MainLayout m = LayoutMainArea(area, 80, 15);
      ASSERT_TRUE(m.visible);
      const int32_t dh = m.display.bottom - m.display.top;
      EXPECT_EQ(dh, SnapDisplayHeight(dh));
      EXPECT_EQ(m.display.top, area.top);
      EXPECT_EQ(m.valueRuler.left, m.display.right);
      EXPECT_EQ(m.valueRuler.right, area.right);
      EXPECT_EQ(m.valueRuler.bottom - m.valueRuler.top, dh);
      EXPECT_EQ(m.timeRuler.top, m.display.bottom);
      EXPECT_EQ(m.timeRuler.left, m.display.left);
      EXPECT_EQ(m.timeRuler.right, m.display.right);
      EXPECT_EQ(m.timeRuler.bottom - m.timeRuler.top, kTimeRulerHeight);
      std::vector<PixelRect> all = {m.display, m.timeRuler, m.valueRuler};
      for (const PixelRect& r : m.status) all.push_back(r);
      for (size_t i = 0; i < all.size(); ++i) {
        EXPECT_TRUE(Inside(all[i], area)) << i;
        for (size_t j = 0; j < i; ++j) EXPECT_FALSE(Overlap(all[i], all[j])) << i << " " << j;
      }
      for (int i = 1; i < 6; ++i) EXPECT_EQ(m.status[i].left, m.status[i - 1].right) << i;
      EXPECT_EQ(m.status[kStatusTime].right, area.right);
      if (w >= 5 * 88) {
        EXPECT_EQ(m.status[kStatusBeg].right - m.status[kStatusBeg].left, 88);
      }
    }
  }
}

TEST(MainLayout, TooSmallAnAreaHidesTheDisplay) {
  EXPECT_FALSE(LayoutMainArea({0, 0, 40, 400}, 80, 15).visible);  // narrower than the value ruler and a bit
  EXPECT_FALSE(LayoutMainArea({0, 0, 400, 40}, 80, 15).visible);  // no room under the rulers and status row
  EXPECT_FALSE(LayoutMainArea({0, 0, 0, 0}, 0, 0).visible);
  EXPECT_TRUE(LayoutMainArea({0, 0, 400, 7 + kTimeRulerHeight + 19}, 80, 15).visible);
}

}  // namespace
}  // namespace display
