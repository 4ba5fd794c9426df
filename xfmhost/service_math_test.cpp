// Progress estimate and bar, the number text and the Limits decisions.
#include "xfmhost/service_math.h"

#include <gtest/gtest.h>

#include <cmath>

namespace xfmhost {
namespace {

TEST(ServiceMathTest, EstimateAnchors) {
  // 50 % after 10 s: s = 10, shown as 11.
  EXPECT_EQ(progressSecondsLeft(10000, 50.0), 10u);
  ProgressMeterState m;
  ProgressMeterState::Update u = m.meter(50, 100, 10000);
  EXPECT_TRUE(u.etaChanged);
  EXPECT_EQ(u.eta, "ETA: 11 Seconds");
  EXPECT_EQ(u.bar, 5000);
  EXPECT_EQ(progressEtaText(10801), "ETA: 3 Hours 1 Second");
  EXPECT_EQ(progressEtaText(3600), "ETA: 1 Hour ");
  EXPECT_EQ(progressEtaText(3599), "ETA: 59 Minutes 59 Seconds");
  EXPECT_EQ(progressEtaText(61), "ETA: 1 Minute 1 Second");
  EXPECT_EQ(progressEtaText(7320), "ETA: 2 Hours 2 Minutes ");
  EXPECT_EQ(progressEtaText(0), "ETA: ");
}

TEST(ServiceMathTest, NoEstimateWithoutATotalAndNoNegativeTime) {
  EXPECT_FALSE(progressPercent(5, 0));
  EXPECT_FALSE(progressPercent(5, -3));
  ProgressMeterState m;
  ProgressMeterState::Update u = m.meter(5, 0, 1000);
  EXPECT_FALSE(u.etaChanged);
  EXPECT_EQ(u.bar, -1);
  // Done beyond total: nothing left, the bar full.
  EXPECT_EQ(progressSecondsLeft(10000, 200.0), 0u);
  u = m.meter(300, 100, 10000);
  EXPECT_EQ(u.eta, "ETA: 1 Second");
  EXPECT_EQ(u.bar, 10000);
  EXPECT_EQ(progressBarValue(-5), 0);
  EXPECT_EQ(*progressPercent(-5, 10), 0.0);
  EXPECT_EQ(progressSecondsLeft(0xffffffffu, 1e-300), 0xfffffffeu);
  EXPECT_EQ(progressSecondsLeft(1000, std::nan("")), 0u);
}

TEST(ServiceMathTest, EstimateTextOnlyWhenItChanges) {
  ProgressMeterState m;
  EXPECT_TRUE(m.meter(10, 100, 1000).etaChanged);
  EXPECT_FALSE(m.meter(10, 100, 5000).etaChanged);  // same percentage: not recomputed
  EXPECT_FALSE(m.meter(0, 100, 5000).etaChanged);   // 0 %: no estimate
  m.reset();
  EXPECT_TRUE(m.meter(10, 100, 1000).etaChanged);
}

TEST(ServiceMathTest, PausesDoNotRaiseTheEstimate) {
  ProgressClock c;
  c.start(1000);
  c.togglePause(6000);                   // 5 s of work
  EXPECT_EQ(c.elapsedMs(60000), 5000u);  // the clock stands while paused
  c.togglePause(60000);
  EXPECT_EQ(c.elapsedMs(65000), 10000u);
  ProgressMeterState m;
  EXPECT_EQ(m.meter(50, 100, c.elapsedMs(65000)).eta, "ETA: 11 Seconds");
}

TEST(ServiceMathTest, BarDrawsOnlyLargerValues) {
  ProgressMeterState m;
  bool changed = false;
  EXPECT_TRUE(m.drawBar(0, &changed));
  EXPECT_TRUE(changed);
  EXPECT_TRUE(m.drawBar(50, &changed));
  EXPECT_FALSE(changed);
  EXPECT_FALSE(m.drawBar(50, &changed));
  EXPECT_FALSE(m.drawBar(10, &changed));
  EXPECT_TRUE(m.drawBar(100, &changed));
  EXPECT_TRUE(changed);
  EXPECT_EQ(progressPercentText(4250), "42 %");
  EXPECT_EQ(progressPercentText(500), " 5 %");
}

TEST(ServiceMathTest, NumberTextTable) {
  const struct {
    double v;
    const char* text;
  } table[] = {{0, "0"},
               {0.5, ".5"},
               {-0.25, "-.25"},
               {2.5, "2.5"},
               {15, "15"},
               {1e9, "1000000000"},
               {0.1, ".1"},
               {10, "10"},
               {100, "100"},
               {-3, "-3"},
               {2.3, "2.3"},
               {1234567.5, "1234567.5"},
               {2e6, "2000000"},
               {1e-12, ".000000000"},
               {123.456, "123.456"}};
  for (const auto& t : table) {
    std::string want = t.text;
    if (want == ".000000000") want = "0";  // below the last digit: only zeros after a point, all removed
    EXPECT_EQ(limitsNumberText(t.v), want) << t.v;
  }
  EXPECT_EQ(limitsNumberText(std::nan("")), "0");
}

TEST(ServiceMathTest, ParseReadsTheFirst29Characters) {
  EXPECT_EQ(limitsParse("12"), 12.0);
  EXPECT_EQ(limitsParse("abc"), 0.0);
  EXPECT_EQ(limitsParse(" -2.5x"), -2.5);
  EXPECT_EQ(limitsParse(std::string(29, '1') + "999"), std::strtod(std::string(29, '1').c_str(), nullptr));
}

TEST(ServiceMathTest, LimitsDecisions) {
  // "12" in 0..10 on focus loss: text "10", one alert, result 10, returns 1.
  LimitsDecision d = limitsDecide(12, 0, 10, 1001, kFocusLoss, 0);
  EXPECT_TRUE(d.replaceText);
  EXPECT_EQ(d.text, "10");
  EXPECT_TRUE(d.alert);
  EXPECT_EQ(d.result, 10);
  EXPECT_EQ(d.returns, 1);
  // While typing: the control id is stored, the result limited, the text untouched.
  d = limitsDecide(12, 0, 10, 1001, 0x300, 0);
  EXPECT_FALSE(d.replaceText);
  EXPECT_FALSE(d.alert);
  EXPECT_TRUE(d.storeId);
  EXPECT_TRUE(d.repaint);
  EXPECT_EQ(d.result, 10);
  EXPECT_EQ(d.returns, 0);
  // Back in range: the stored id is cleared.
  d = limitsDecide(5, 0, 10, 1001, 0x300, 1001);
  EXPECT_TRUE(d.clearId);
  EXPECT_EQ(d.result, 5);
  d = limitsDecide(5, 0, 10, 1001, 0x300, 1002);
  EXPECT_FALSE(d.clearId);
  // 0 in 0.5..10 on focus loss shows .5.
  d = limitsDecide(0, 0.5, 10, 7, kFocusLoss, 7);
  EXPECT_EQ(d.text, ".5");
  EXPECT_EQ(d.result, 0.5);
  EXPECT_TRUE(d.clearId);
  // In range on focus loss: the value itself, no alert.
  d = limitsDecide(3, 0, 10, 7, kFocusLoss, 0);
  EXPECT_FALSE(d.alert);
  EXPECT_EQ(d.result, 3);
  EXPECT_EQ(d.returns, 1);
  // Not a number counts as below the minimum.
  d = limitsDecide(std::nan(""), 1, 10, 7, kFocusLoss, 0);
  EXPECT_EQ(d.text, "1");
  EXPECT_EQ(d.result, 1);
}

TEST(ServiceMathTest, AlertTextAndSwitch) {
  EXPECT_EQ(
      alertLimitsText(12, 0, 10),
      "The value you have entered, \"12\",  is outside the limits of 0 and 10.  The closest valid value will "
      "be substituted in its place. \n\nEntered text will appear red when when it is outside the range of "
      "valid valaues.");
  EXPECT_TRUE(alertSuppressed("Y"));
  EXPECT_TRUE(alertSuppressed("yes"));
  EXPECT_FALSE(alertSuppressed(""));
  EXPECT_FALSE(alertSuppressed("N"));
}

}  // namespace
}  // namespace xfmhost
