// The progress window's decisions: the estimate text, bar values only growing, pauses left out of the
// estimate, and nesting keys.
#include "formats/progress_state.h"

#include <gtest/gtest.h>

namespace formats {
namespace {

TEST(ProgressEta, Texts) {
  struct Case {
    uint32_t s;
    const char* text;
  } cases[] = {
      {0, "ETA: "},
      {1, "ETA: 1 Second"},
      {59, "ETA: 59 Seconds"},
      {60, "ETA: 1 Minute "},
      {61, "ETA: 1 Minute 1 Second"},
      {125, "ETA: 2 Minutes 5 Seconds"},
      {3598, "ETA: 59 Minutes 58 Seconds"},
      {3599, "ETA: 1 Hour "},
      {3600 + 62, "ETA: 1 Hour 1 Minute 2 Seconds"},
      {7 * 3600 + 5, "ETA: 7 Hours 5 Seconds"},
  };
  for (const Case& c : cases) EXPECT_EQ(progressEtaText(c.s), c.text) << c.s;
  EXPECT_EQ(progressPercentText(0), " 0 %");
  EXPECT_EQ(progressPercentText(4999), "49 %");
  EXPECT_EQ(progressPercentText(10000), "100 %");
}

TEST(ProgressState, EstimateAndBar) {
  ProgressState st;
  ASSERT_TRUE(st.create("Saving WAV data", 1000));
  // A quarter done after 3 s: 9 s left.
  ProgressState::Meter m = st.meter(25, 100, 4000);
  EXPECT_TRUE(m.etaChanged);
  EXPECT_EQ(m.eta, "ETA: 9 Seconds");
  EXPECT_EQ(m.bar, 2500);
  // The same estimate again: no new text, the bar value still sent.
  m = st.meter(50, 100, 7000);
  EXPECT_TRUE(m.etaChanged);  // 6 s left now
  m = st.meter(50, 100, 7500);
  EXPECT_FALSE(m.etaChanged);  // same percentage: not recomputed
  EXPECT_EQ(m.bar, 5000);
  m = st.meter(0, 0, 8000);
  EXPECT_EQ(m.bar, 0);

  bool percent = false;
  EXPECT_TRUE(st.barValue(0, &percent));
  EXPECT_TRUE(percent);
  EXPECT_TRUE(st.barValue(50, &percent));
  EXPECT_FALSE(percent);
  EXPECT_FALSE(st.barValue(40, &percent));  // never drawn backwards
  EXPECT_TRUE(st.barValue(100, &percent));
  EXPECT_TRUE(percent);
}

TEST(ProgressState, PauseIsLeftOutOfTheEstimate) {
  ProgressState st;
  st.create("x", 0);
  st.togglePause(1000);
  EXPECT_TRUE(st.paused());
  st.togglePause(61000);  // a minute paused
  EXPECT_FALSE(st.paused());
  ProgressState::Meter m = st.meter(50, 100, 62000);  // 2 s of work for half
  EXPECT_EQ(m.eta, "ETA: 2 Seconds");
}

TEST(ProgressState, NestingKeepsTheCallersWindowAndCancelLastsUntilTheNextCreate) {
  ProgressState st;
  st.create("outer", 0);
  st.enterSuppression(201);
  st.enterSuppression(305);  // ignored: a key is set
  EXPECT_FALSE(st.create("inner", 10));
  EXPECT_EQ(st.title(), "outer");
  EXPECT_EQ(st.meter(1, 2, 20).bar, -1);
  st.leaveSuppression(305);  // not the key
  EXPECT_TRUE(st.suppressed());
  st.leaveSuppression(201);
  EXPECT_FALSE(st.suppressed());
  st.cancel();
  EXPECT_TRUE(st.cancelled());
  st.create("next", 30);
  EXPECT_FALSE(st.cancelled());
}

}  // namespace
}  // namespace formats
