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
      if (w >= 6 * 88) {
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

namespace display {
namespace {

std::vector<PixelRect> VisibleParts(const MainWindowLayout& l) {
  std::vector<PixelRect> all;
  for (int i = 0; i < kMainButtonCount; ++i)
    if (l.buttonVisible[i]) all.push_back(l.buttons[i]);
  for (const PixelRect& r : {l.deviceText, l.capabilityText, l.notice, l.meter})
    if (r.right > r.left && r.bottom > r.top) all.push_back(r);
  if (l.cdShown)
    for (const PixelRect& r : {l.cdTitle, l.cdTime, l.cdTracks})
      if (r.right > r.left) all.push_back(r);
  if (l.wave.visible) {
    all.push_back(l.wave.display);
    all.push_back(l.wave.timeRuler);
    all.push_back(l.wave.valueRuler);
    for (const PixelRect& r : l.wave.status)
      if (r.right > r.left) all.push_back(r);
  }
  return all;
}

TEST(MainWindowLayout, NothingOverlapsOrLeavesTheClientAreaWithOrWithoutTheCdBar) {
  for (int32_t cd : {0, CdBarHeight(15)}) {
    for (int32_t w : {150, 330, 610, 1280}) {
      for (int32_t h : {120, 345, 800}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h << " cd " << cd);
        MainWindowMetrics m;
        m.fieldWidth = 84;
        m.textHeight = 15;
        m.buttonTextWidth = 72;
        m.cdBarHeight = cd;
        const PixelRect client{0, 0, w, h};
        const MainWindowLayout l = LayoutMainWindow(client, m);
        const std::vector<PixelRect> all = VisibleParts(l);
        for (size_t i = 0; i < all.size(); ++i) {
          EXPECT_TRUE(Inside(all[i], client)) << i;
          for (size_t j = 0; j < i; ++j) EXPECT_FALSE(Overlap(all[i], all[j])) << i << " " << j;
        }
        // The meter runs along the whole bottom edge, five pixels high.
        EXPECT_EQ(l.meter.bottom, h);
        EXPECT_EQ(l.meter.top, h - kMeterHeight);
        EXPECT_EQ(l.meter.right - l.meter.left, w);
        // Buttons stay in order and never reach into the toolbar band or the CD bar.
        for (int i = 0; i < kMainButtonCount; ++i) {
          EXPECT_GE(l.buttons[i].top, kToolbarBandHeight + cd);
          if (i == 0) continue;
          EXPECT_LE(l.buttons[i - 1].right, l.buttons[i].left);
          if (l.buttonVisible[i]) {
            EXPECT_TRUE(l.buttonVisible[i - 1]);  // hidden from the right
          }
        }
        if (l.wave.visible) {
          EXPECT_GT(l.wave.display.top, l.buttons[0].bottom);
        }
        EXPECT_EQ(l.cdShown, cd > 0);
      }
    }
  }
}

TEST(MainWindowLayout, TheCdBarPushesTheRestDownByItsHeight) {
  MainWindowMetrics m;
  const MainWindowLayout without = LayoutMainWindow({0, 0, 610, 345}, m);
  m.cdBarHeight = CdBarHeight(m.textHeight);
  const MainWindowLayout with = LayoutMainWindow({0, 0, 610, 345}, m);
  EXPECT_EQ(with.buttons[kButtonPlay].top - without.buttons[kButtonPlay].top, m.cdBarHeight);
  EXPECT_EQ(with.wave.display.top - without.wave.display.top, m.cdBarHeight);
  EXPECT_EQ(with.meter.top, without.meter.top);  // the meter stays at the bottom
  EXPECT_LT(with.cdTitle.right, with.cdTime.left + 1);
  EXPECT_LE(with.cdTime.right, with.cdTracks.left);
}

TEST(MainWindowLayout, ANarrowWindowHidesTheLastButtonsAndTheTexts) {
  MainWindowMetrics m;
  m.buttonTextWidth = 80;  // transport 60, zoom 40
  const MainWindowLayout l = LayoutMainWindow({0, 0, 4 + 4 * 60 + 8 + 40 + 2, 300}, m);
  EXPECT_TRUE(l.buttonVisible[kButtonRecord]);
  EXPECT_TRUE(l.buttonVisible[kButtonZoom]);
  EXPECT_FALSE(l.buttonVisible[kButtonIn]);
  EXPECT_FALSE(l.buttonVisible[kButtonFull]);
  EXPECT_EQ(l.deviceText.right, l.deviceText.left);
  const MainWindowLayout wide = LayoutMainWindow({0, 0, 900, 300}, m);
  for (bool v : wide.buttonVisible) EXPECT_TRUE(v);
  EXPECT_GT(wide.deviceText.right, wide.deviceText.left);
  EXPECT_EQ(wide.capabilityText.top, wide.deviceText.bottom);  // one above the other
}

TEST(MainLayout, ANarrowAreaPutsThePositionFieldsOnASecondRow) {
  const PixelRect area{0, 0, 610, 300};
  const MainLayout one = LayoutMainArea(area, 90, 15, 100);
  const MainLayout two = LayoutMainArea(area, 90, 15, 200);
  ASSERT_TRUE(one.visible && two.visible);
  EXPECT_EQ(one.status[kStatusBeg].top, one.status[kStatusFormat].top);
  EXPECT_GE(one.status[kStatusFormat].right - one.status[kStatusFormat].left, 100);
  // Two rows: the format field gets the room it needs, the display gives up one row's height.
  EXPECT_EQ(two.status[kStatusBeg].top, two.status[kStatusFormat].bottom);
  EXPECT_GE(two.status[kStatusFormat].right - two.status[kStatusFormat].left, 200);
  EXPECT_LT(two.display.bottom, one.display.bottom);
  EXPECT_EQ(two.status[kStatusBeg].left, 0);
  EXPECT_EQ(two.status[kStatusTime].right, 610);
  std::vector<PixelRect> all(std::begin(two.status), std::end(two.status));
  all.push_back(two.timeRuler);
  for (size_t i = 0; i < all.size(); ++i) {
    EXPECT_TRUE(Inside(all[i], area)) << i;
    for (size_t j = 0; j < i; ++j) EXPECT_FALSE(Overlap(all[i], all[j])) << i << " " << j;
  }
}

}  // namespace
}  // namespace display
