// Mouse selection: click, drag, release, shift- and right-click extension, double-click, auto-scroll
// steps and timers, clicks passed to the parent, and the stereo channel zones, each with the exact
// notification sequence the parent receives.
#include "display/mouse_select.h"

#include <gtest/gtest.h>

#include "display/view_test_util.h"

namespace display {
namespace {

constexpr int32_t kLeft = 3;

struct Fixture {
  RecordingView r;
  SelectionMouse mouse{r.view};
  Fixture(int32_t length = 6000, int32_t pixels = 600) {
    ShowWhole(r.view, length, pixels, kLeft);  // ten samples per pixel by default
    mouse.setClient(0, 120);
    r.take();
  }
  int32_t start() const { return r.view.selStart(); }
  int32_t end() const { return r.view.selEnd(); }
};

TEST(MouseSelect, ClickDragRelease) {
  Fixture f;
  MouseActions a = f.mouse.buttonDown(false, kLeft + 10, 50, false);
  EXPECT_TRUE(a.capture);
  ASSERT_EQ(f.r.log.size(), 1u);
  EXPECT_EQ(f.r.log[0].code, WDN_SELCHANGED);
  EXPECT_EQ(f.r.log[0].a, 100);  // a click on a column start: empty selection at that sample
  EXPECT_EQ(f.r.log[0].b, 99);
  EXPECT_EQ(f.r.log[0].flags, 0u);
  f.r.take();

  f.mouse.move(kLeft + 20, 50);
  EXPECT_EQ(f.start(), 100);
  EXPECT_EQ(f.end(), 199);
  ASSERT_EQ(f.r.log.size(), 1u);
  EXPECT_EQ(f.r.log[0].flags, WDF_SELECTING);
  f.mouse.move(kLeft + 20, 60);  // same position: nothing sent during the drag
  EXPECT_EQ(f.r.log.size(), 1u);
  f.mouse.move(kLeft + 5, 50);  // back past the anchor
  EXPECT_EQ(f.start(), 50);
  EXPECT_EQ(f.end(), 99);
  f.mouse.move(kLeft + 10, 50);  // onto the anchor: empty again
  EXPECT_EQ(f.start(), 100);
  EXPECT_EQ(f.end(), 99);
  f.r.take();

  a = f.mouse.buttonUp(kLeft + 30, 50);
  EXPECT_TRUE(a.release);
  ASSERT_EQ(f.r.log.size(), 1u);  // the release is always reported, without the selecting bit
  EXPECT_EQ(f.r.log[0].code, WDN_SELCHANGED);
  EXPECT_EQ(f.r.log[0].flags, 0u);
  EXPECT_EQ(f.start(), 100);
  EXPECT_EQ(f.end(), 299);
  EXPECT_FALSE(f.r.view.flags() & WDF_SELECTING);
  f.r.take();
  f.mouse.buttonUp(kLeft + 40, 50);  // no drag: nothing
  f.mouse.move(kLeft + 40, 50);
  EXPECT_TRUE(f.r.log.empty());
}

TEST(MouseSelect, ShiftAndRightClickExtend) {
  struct Case {
    bool right, shift;
    int32_t x;
    int32_t start, end;
  } cases[] = {
      {false, true, kLeft + 5, 50, 199},  // left of the middle: the end stays
      {true, false, kLeft + 5, 50, 199},
      {false, true, kLeft + 40, 100, 399},  // right of the middle: the start stays
      {true, true, kLeft + 40, 100, 399},
      {false, true, kLeft + 14, 140, 199},  // inside, left half
      {false, true, kLeft + 15, 100, 149},  // exactly on the middle: the start stays
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.x);
    Fixture f;
    f.r.view.setSelection(100, 199);
    f.mouse.buttonDown(c.right, c.x, 50, c.shift);
    EXPECT_EQ(f.start(), c.start);
    EXPECT_EQ(f.end(), c.end);
    f.mouse.move(kLeft + 2, 50);  // the fixed end stays fixed while dragging
    f.mouse.buttonUp(kLeft + 2, 50);
    if (c.start == 100) {  // anchored at the start, dragged before it
      EXPECT_EQ(f.start(), 20);
      EXPECT_EQ(f.end(), 99);
    } else {
      EXPECT_EQ(f.start(), 20);
      EXPECT_EQ(f.end(), 199);
    }
  }
}

TEST(MouseSelect, PositionsAreClampedToTheArea) {
  Fixture f;
  f.mouse.buttonDown(false, -100, 50, false);
  EXPECT_EQ(f.start(), 0);
  f.mouse.move(5000, 50);
  EXPECT_EQ(f.end(), 5999);
  f.mouse.buttonUp(5000, 50);
}

TEST(MouseSelect, DoubleClickSelectsTheVisibleRange) {
  Fixture f;
  f.r.view.setView(1000, 1999);
  f.r.take();
  f.mouse.doubleClick(kLeft + 50, 50);
  EXPECT_EQ(f.r.take(), std::vector<int>{WDN_SELCHANGED});
  EXPECT_EQ(f.start(), 1000);
  EXPECT_EQ(f.end(), 1999);
}

TEST(MouseSelect, PassClicksToTheParent) {
  Fixture f;
  f.r.view.setFlags(WDF_PASSCLICKS, WDF_PASSCLICKS);
  f.r.view.setSelection(5, 9);
  f.r.take();
  MouseActions a = f.mouse.buttonDown(true, kLeft + 30, 50, false, 0x204, 0x2, 0x320021);
  EXPECT_FALSE(a.capture);
  f.mouse.doubleClick(kLeft + 30, 50, 0x1, 0x320021);
  ASSERT_EQ(f.r.log.size(), 2u);
  EXPECT_EQ(f.r.log[0].code, WDN_CLICK);
  EXPECT_EQ(f.r.log[0].a, 0x2);
  EXPECT_EQ(f.r.log[0].b, 0x204);
  EXPECT_EQ(f.r.log[0].extra, 0x320021);
  EXPECT_EQ(f.r.log[1].code, WDN_DBLCLK);
  EXPECT_EQ(f.r.log[1].a, 0x1);
  EXPECT_EQ(f.start(), 5);
  EXPECT_EQ(f.end(), 9);
}

TEST(AutoScroll, StepTable) {
  struct Case {
    int32_t d, pixels, step;
  } cases[] = {
      {1, 600, 1},     {7, 600, 1},   {8, 600, 2},   {9, 600, 2},   {10, 600, 6},  {14, 600, 6},
      {15, 600, 8},    {20, 600, 12}, {30, 600, 18}, {40, 600, 24}, {50, 600, 50}, {65, 600, 100},
      {500, 600, 100}, {12, 50, 1},   {20, 40, 1},   {100, 5, 1},  // narrow areas never stall
  };
  for (const Case& c : cases) EXPECT_EQ(AutoScrollStep(c.d, c.pixels), c.step) << c.d << " " << c.pixels;
}

TEST(AutoScroll, DragPastTheRightEdge) {
  Fixture f(100000, 600);
  f.r.view.setView(0, 5999);
  f.mouse.buttonDown(false, kLeft + 100, 50, false);
  const int32_t right = f.r.view.right();
  MouseActions a = f.mouse.move(right + 6, 50);  // not yet
  EXPECT_FALSE(a.startRightTimer);
  a = f.mouse.move(right + 65, 50);
  EXPECT_TRUE(a.startRightTimer);
  EXPECT_EQ(f.mouse.scrollStep(), 100);
  a = f.mouse.move(right + 66, 50);  // started once
  EXPECT_FALSE(a.startRightTimer);
  f.r.take();
  f.mouse.timer(kTimerScrollRight);  // 100 pixels = 1000 samples
  EXPECT_EQ(f.r.take(), (std::vector<int>{WDN_VIEWCHANGED, WDN_SELCHANGED}));
  EXPECT_EQ(f.r.view.first(), 999.5);
  EXPECT_EQ(f.start(), 1000);
  EXPECT_EQ(f.end(), 6999);          // extended to the last visible boundary
  a = f.mouse.move(right - 10, 50);  // back inside
  EXPECT_TRUE(a.killRightTimer);
  EXPECT_FALSE(f.mouse.rightTimerOn());

  a = f.mouse.move(kLeft - 12, 50);
  EXPECT_TRUE(a.startLeftTimer);
  EXPECT_EQ(f.mouse.scrollStep(), 6);
  f.mouse.timer(kTimerScrollLeft);
  EXPECT_EQ(f.r.view.first(), 939.5);
  EXPECT_EQ(f.start(), 940);
  EXPECT_EQ(f.end(), 999);
  a = f.mouse.buttonUp(kLeft - 12, 50);
  EXPECT_TRUE(a.killLeftTimer);
  EXPECT_TRUE(a.release);
  MouseActions late = f.mouse.timer(kTimerScrollLeft);  // a tick already queued changes nothing
  EXPECT_FALSE(late.startLeftTimer);
  EXPECT_EQ(f.r.view.first(), 939.5);
}

TEST(ChannelZones, Table) {
  struct Case {
    uint32_t flags;
    int32_t y;
    int zone;
  } cases[] = {
      {0, 0, 1},
      {0, 9, 1},
      {0, 10, 0},
      {0, 110, 0},
      {0, 111, 2},
      {WDF_NORIGHT, 51, 1},
      {WDF_NORIGHT, 52, 0},
      {WDF_NORIGHT, 91, 2},
      {WDF_NORIGHT, 90, 0},
      {WDF_NOLEFT, 29, 1},
      {WDF_NOLEFT, 30, 0},
      {WDF_NOLEFT, 69, 2},
      {WDF_NOLEFT, 68, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ChannelZone(c.flags, 0, 120, c.y), c.zone) << c.flags << " " << c.y;
}

TEST(ChannelZones, StereoClickSetsTheChannelFirst) {
  Fixture f;
  f.r.view.setChannels(2);
  MouseActions a = f.mouse.buttonDown(false, kLeft + 10, 5, false);  // top twelfth
  EXPECT_EQ(a.cursor, MouseCursor::kUpperChannel);
  ASSERT_EQ(f.r.log.size(), 2u);
  EXPECT_EQ(f.r.log[0].code, WDN_FLAGSCHANGED);
  EXPECT_EQ(static_cast<uint32_t>(f.r.log[0].extra) & WDF_CHANNEL_MASK, WDF_NORIGHT);
  EXPECT_EQ(f.r.log[1].code, WDN_SELCHANGED);
  f.mouse.buttonUp(kLeft + 10, 5);
  f.r.take();
  f.mouse.buttonDown(false, kLeft + 10, 100, false);  // bottom zone with NORIGHT set: lower channel
  EXPECT_EQ(f.r.view.flags() & WDF_CHANNEL_MASK, WDF_NOLEFT);
  f.mouse.buttonUp(kLeft + 10, 100);
  f.mouse.buttonDown(false, kLeft + 10, 60, false);  // middle: both channels again
  EXPECT_EQ(f.r.view.flags() & WDF_CHANNEL_MASK, 0u);
  f.mouse.buttonUp(kLeft + 10, 60);
  f.r.take();
  f.mouse.buttonDown(false, kLeft + 10, 60, false);  // already both: no flags notification
  EXPECT_EQ(f.r.take(), std::vector<int>{WDN_SELCHANGED});
  f.mouse.buttonUp(kLeft + 10, 60);
  EXPECT_EQ(f.mouse.move(kLeft + 10, 115).cursor, MouseCursor::kLowerChannel);
  EXPECT_EQ(f.mouse.move(kLeft + 10, 60).cursor, MouseCursor::kArrow);
}

}  // namespace
}  // namespace display

namespace display {
namespace {

TEST(HandleDrag, OffsetValueAndFlags) {
  // Channel rows 10 .. 110, box pressed at row 60.
  EXPECT_EQ(HandleDragOffset(70, 60, 10, 110), 10);
  EXPECT_EQ(HandleDragOffset(0, 60, 10, 110), -48);   // stops two rows inside the top
  EXPECT_EQ(HandleDragOffset(500, 60, 10, 110), 48);  // ... and the bottom
  EXPECT_EQ(HandleDragOffset(60, 60, 10, 110), 0);
  // Box top 58 (a 5 x 5 box centred on row 60): f = (58 + offset - 10 + 2) / 98.
  EXPECT_NEAR(HandleDragValue(58, -1, 10, 110, -1, 1), 0, 1e-12);   // f = 0.5: the middle of (-1, 1)
  EXPECT_NEAR(HandleDragValue(58, -50, 10, 110, -1, 1), 1, 1e-12);  // clamped to the top: +1
  EXPECT_NEAR(HandleDragValue(58, 48, 10, 110, -1, 1), -1, 1e-12);
  EXPECT_EQ(HandleDragValue(58, 5, 10, 11, -1, 1), 0);  // degenerate limits
  EXPECT_EQ(HandleDragValue(58, 5, 10, 110, 0, 0), 0);  // reset range
  EXPECT_EQ(HandleDragFlags(false, false), 1u);
  EXPECT_EQ(HandleDragFlags(true, false), 3u);
  EXPECT_EQ(HandleDragFlags(true, true), 5u);
}

}  // namespace
}  // namespace display
