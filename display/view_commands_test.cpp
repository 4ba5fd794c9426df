// View commands: horizontal zoom about the centre, zoom to the selection, full and whole views, vertical
// zoom with its limits, scrolling to the ends, pages, steps and the cursor keys; all of them on an empty
// document as well.
#include "display/view_commands.h"

#include <gtest/gtest.h>

#include "display/view_test_util.h"
#include "resources/command_ids.h"

namespace display {
namespace {

TEST(ViewCommands, HorizontalZoom) {
  WaveView v;
  ShowWhole(v, 10000, 1000);
  ASSERT_TRUE(RunViewCommand(v, IDM_ZOOM_IN));
  EXPECT_EQ(v.first(), 2499.5);
  EXPECT_EQ(v.last(), 7499.5);
  ASSERT_TRUE(RunViewCommand(v, IDM_ZOOM_OUT_KEY));
  EXPECT_EQ(v.first(), -0.5);
  EXPECT_EQ(v.last(), 9999.5);
  EXPECT_FALSE(CanZoomOut(v));

  v.setView(0, 999);  // at the start: doubling keeps the start and doubles the width
  RunViewCommand(v, IDM_ZOOM_OUT);
  EXPECT_EQ(v.first(), -0.5);
  EXPECT_EQ(v.last(), 1999.5);
  v.setView(9000, 9999);  // ... and at the end
  RunViewCommand(v, IDM_ZOOM_OUT);
  EXPECT_EQ(v.first(), 7999.5);
  EXPECT_EQ(v.last(), 9999.5);

  for (int i = 0; i < 40; ++i) RunViewCommand(v, IDM_ZOOM_IN_KEY);
  EXPECT_EQ(v.width(), 4);  // never fewer than four samples
  EXPECT_TRUE(CanZoomOut(v));
}

TEST(ViewCommands, ZoomToSelectionFullAndWhole) {
  WaveView v;
  ShowWhole(v, 10000, 1000);
  v.setSelection(100, 199);
  RunViewCommand(v, IDM_ZOOM_SELECTION);
  EXPECT_EQ(v.first(), 99.5);
  EXPECT_EQ(v.last(), 199.5);
  v.setSelection(300, 299);  // empty: nothing to show
  RunViewCommand(v, IDM_ZOOM_SELECTION);
  EXPECT_EQ(v.first(), 99.5);

  v.setVRange(-0.25, 0.25);
  RunViewCommand(v, IDM_VIEW_WHOLE);  // horizontal only
  EXPECT_EQ(v.width(), 10000);
  EXPECT_EQ(v.vHigh(), 0.25);
  v.setView(5, 50);
  RunViewCommand(v, IDM_ZOOM_FULL);  // both directions
  EXPECT_EQ(v.width(), 10000);
  EXPECT_EQ(v.vLow(), -1);
  EXPECT_EQ(v.vHigh(), 1);
  v.setFlags(WDF_SPECTRAL, WDF_MODE_MASK);
  v.setVRange(-0.5, -0.25);
  RunViewCommand(v, IDM_ZOOM_FULL);
  EXPECT_EQ(v.vLow(), -1);
  EXPECT_EQ(v.vHigh(), 0);
}

TEST(ViewCommands, VerticalZoom) {
  struct Case {
    bool spectral;
    int id;
    double low, high;  // starting range
    double newLow, newHigh;
  } cases[] = {
      {false, IDM_VZOOM_IN, -1, 1, -0.5, 0.5},
      {false, IDM_VZOOM_OUT, -0.5, 0.5, -1, 1},
      {false, IDM_VZOOM_OUT, -1, 1, -1, 1},      // never beyond full scale
      {false, IDM_VZOOM_OUT, 0.5, 0.9, 0.2, 1},  // moved back inside
      {false, IDM_VZOOM_IN, 0, kMinVerticalSpan, 0, kMinVerticalSpan},
      {false, IDM_VZOOM_FULL, 0.1, 0.2, -1, 1},
      {false, IDM_VZOOM_FULL2, 0.1, 0.2, -1, 1},
      {true, IDM_VZOOM_IN, -1, 0, -0.75, -0.25},
      {true, IDM_VZOOM_OUT, -0.75, -0.25, -1, 0},
      {true, IDM_VZOOM_FULL, -0.5, -0.4, -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.id << " " << c.low << " " << c.high);
    WaveView v;
    ShowWhole(v, 100, 10);
    v.setFlags(c.spectral ? WDF_SPECTRAL : WDF_WAVEFORM, WDF_MODE_MASK);
    v.setVRange(c.low, c.high);
    ASSERT_TRUE(RunViewCommand(v, c.id));
    EXPECT_NEAR(v.vLow(), c.newLow, 1e-12);
    EXPECT_NEAR(v.vHigh(), c.newHigh, 1e-12);
  }
}

TEST(ViewCommands, ScrollPagesAndSteps) {
  struct Case {
    int id;
    double first;  // after the command, from a view of samples 2000..2999 (ten samples per pixel)
  } cases[] = {
      {IDM_PAGE_DOWN, 2999.5},   {IDM_PAGE_UP, 999.5},     {IDM_SCROLL_FORWARD, 2009.5},
      {IDM_SCROLL_BACK, 1989.5}, {IDM_SCROLL_START, -0.5}, {IDM_SCROLL_END, 8999.5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    WaveView v;
    v.setArea(0, 99);
    v.setLength(10000);
    v.setView(2000, 2999);
    ASSERT_TRUE(RunViewCommand(v, c.id));
    EXPECT_EQ(v.first(), c.first);
    EXPECT_EQ(v.width(), 1000);
  }
  WaveView v;
  v.setArea(0, 99);
  v.setLength(10000);
  v.setView(8500, 9499);
  RunViewCommand(v, IDM_PAGE_DOWN);  // stops at the end with the width kept
  EXPECT_EQ(v.last(), 9999.5);
  EXPECT_EQ(v.width(), 1000);
  v.setView(10, 59);  // half a sample per pixel: a step is still one sample
  RunViewCommand(v, IDM_SCROLL_FORWARD);
  EXPECT_EQ(v.first(), 10.5);
}

TEST(ViewCommands, CursorKeys) {
  WaveView v;
  v.setArea(0, 99);
  v.setLength(10000);
  v.setView(0, 999);  // ten samples per pixel
  v.setSelection(50, 49);
  struct Step {
    int id;
    int32_t start, end;
  } steps[] = {
      {IDM_CURSOR_RIGHT, 60, 59}, {IDM_EXTEND_RIGHT, 60, 69}, {IDM_EXTEND_RIGHT, 60, 79},
      {IDM_EXTEND_LEFT, 60, 69},  {IDM_CURSOR_LEFT, 50, 59},  {IDM_HOME, 0, -1},
      {IDM_CURSOR_LEFT, 0, -1},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.id);
    ASSERT_TRUE(RunViewCommand(v, s.id));
    EXPECT_EQ(v.selStart(), s.start);
    EXPECT_EQ(v.selEnd(), s.end);
  }
  EXPECT_EQ(v.first(), -0.5);
  RunViewCommand(v, IDM_END);  // cursor after the last sample, brought into view
  EXPECT_EQ(v.selStart(), 10000);
  EXPECT_EQ(v.selEnd(), 9999);
  EXPECT_EQ(v.last(), 9999.5);
  RunViewCommand(v, IDM_HOME);
  v.setSelection(995, 994);
  RunViewCommand(v, IDM_CURSOR_RIGHT);  // leaves the view: the view follows
  EXPECT_EQ(v.selStart(), 1005);
  EXPECT_GE(v.last(), 1005.5);
  EXPECT_EQ(v.width(), 1000);
}

TEST(ViewCommands, EveryCommandOnAnEmptyDocument) {
  const int ids[] = {IDM_ZOOM_FULL,
                     IDM_ZOOM_OUT,
                     IDM_ZOOM_IN,
                     IDM_ZOOM_SELECTION,
                     IDM_VZOOM_IN,
                     IDM_VZOOM_OUT,
                     IDM_VZOOM_FULL,
                     IDM_ZOOM_OUT_KEY,
                     IDM_SCROLL_START,
                     IDM_SCROLL_END,
                     IDM_ZOOM_IN_KEY,
                     IDM_VIEW_WHOLE,
                     IDM_VZOOM_FULL2,
                     IDM_SCROLL_BACK,
                     IDM_SCROLL_FORWARD,
                     IDM_PAGE_UP,
                     IDM_PAGE_DOWN,
                     IDM_HOME,
                     IDM_END,
                     IDM_CURSOR_RIGHT,
                     IDM_CURSOR_LEFT,
                     IDM_EXTEND_RIGHT,
                     IDM_EXTEND_LEFT};
  for (int id : ids) {
    SCOPED_TRACE(id);
    WaveView v;
    v.reset();
    v.setArea(0, 99);
    EXPECT_TRUE(RunViewCommand(v, id));
    EXPECT_EQ(v.first(), -0.5);
    EXPECT_EQ(v.width(), 0);
    EXPECT_EQ(v.selStart(), 0);
    EXPECT_EQ(v.selEnd(), -1);
  }
  WaveView v;
  EXPECT_FALSE(RunViewCommand(v, IDM_UNDO));
  EXPECT_FALSE(RunViewCommand(v, 368));
}

}  // namespace
}  // namespace display
