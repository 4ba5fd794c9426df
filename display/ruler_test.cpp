// Ruler engine: label texts, the step tables reached through the step choice, reuse of the last step,
// empty ranges, value ruler ends, and for many random axes that labels never overlap, stay on the axis and
// their ticks are monotonic.
#include "display/ruler.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>

namespace display {
namespace {

// Seven pixels per character, twelve pixels high.
TextExtent FixedWidth(const std::string& s) {
  return {static_cast<int32_t>(7 * s.size()), 12};
}
TextExtent NoWidth(const std::string&) {
  return {0, 0};
}

TEST(RulerLabels, Texts) {
  struct Case {
    double v;
    uint16_t style;
    long precision;
    int fps;
    const char* text;
  } cases[] = {
      {1234.7, 0, 1, 30, "1234"},
      {-20.9, 0, 1, 30, "-20"},
      {0.5, 0, 10, 30, "0.5"},
      {-0.25, 0, 100, 30, "-0.25"},
      {1.25, kRulerSeconds, 1000, 30, "1.250"},
      {65, kRulerSeconds, -1, 30, "1:05"},
      {65.5, kRulerSeconds, -10, 30, "1:05.5"},
      {-65.5, kRulerSeconds, -10, 30, "-1:05.5"},
      {3725.25, kRulerSeconds, -100, 30, "62:05.25"},
      {65.48, kRulerFrames, -1, 25, "1:05:12"},
      {65.48, kRulerFrames, -1, 0, "1:05:14"},  // no usable frame rate: 30
      {1800.5 / 29.97, kRulerFrames | kRulerDropFrame, -1, 30, "1:00:02"},
  };
  for (const Case& c : cases) EXPECT_EQ(RulerFormatLabel(c.v, c.style, c.precision, c.fps), c.text) << c.text;
}

struct StepCase {
  uint16_t style;
  double range;  // the axis runs 0 .. range; the target spacing is 0.04 x range
  int fps;
  double step;
  int subdivisions;
  long precision;
};

void ExpectSteps(const StepCase* cases, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const StepCase& c = cases[i];
    SCOPED_TRACE(testing::Message() << c.style << " range " << c.range);
    const RulerStep s = RulerStepForTarget(c.style, 0.04 * c.range, c.range, c.fps);
    EXPECT_NEAR(s.step, c.step, c.step * 1e-9);
    EXPECT_EQ(s.subdivisions, c.subdivisions);
    EXPECT_EQ(s.precision, c.precision);
  }
}

TEST(RulerSteps, DecimalAndNiceNumbers) {
  // target = 0.04 x range
  const StepCase cases[] = {
      {kRulerSeconds, 100000, 30, 3600, 6, -1},
      {kRulerSeconds, 1000, 30, 30, 2, -1},
      {kRulerSeconds, 100, 30, 2, 2, -10},
      {kRulerSeconds, 10, 30, 0.2, 2, 10},
      {kRulerSeconds, 0.05, 30, 0.002, 2, 1000},
      {kRulerSeconds, 0.00008, 30, 2e-6, 2, 1000000},
      {0, 1000, 30, 50, 5, 1},
      {0, 100, 30, 5, 5, 1},
      {0, 30, 30, 2, 2, 1},
      {0, 250, 30, 20, 2, 1},  // a target equal to a nice number takes the next one
      {0, 10, 30, 0.2, 2, 10},
      {kRulerSteps136, 1000, 30, 72, 2, 1},
  };
  ExpectSteps(cases, sizeof cases / sizeof cases[0]);
}

TEST(RulerSteps, FrameTable) {
  const StepCase cases[] = {
      {kRulerFrames, 100, 30, 2, 2, -1},
      {kRulerFrames, 30, 30, 1, 2, -1},
      {kRulerFrames, 30, 25, 1, 5, -1},
      {kRulerFrames, 30, 29, 1, 2, -1},
      {kRulerFrames, 12.5, 30, 0.5, 3, -1},
      {kRulerFrames, 2.5, 30, 0.1, 3, -1},
      {kRulerFrames, 1, 30, 1 / 30.0, 2, -1},
      {kRulerFrames, 0.5, 30, 0.5 / 30, 5, -10},
      {kRulerFrames | kRulerDropFrame, 12.5, 30, 0.5, 3, -1},
  };
  ExpectSteps(cases, sizeof cases / sizeof cases[0]);
}

TEST(RulerSteps, IntegerAxisAndEmptyRanges) {
  RulerStep s;
  ASSERT_TRUE(RulerChooseStep(kRulerInteger | kRulerVertical, 0, 3, 1000, 100, 30, NoWidth, nullptr, &s));
  EXPECT_EQ(s.step, 1);
  EXPECT_EQ(s.first, 0);
  EXPECT_FALSE(RulerChooseStep(kRulerHorizontal, 5, 5, 600, 10, 30, FixedWidth, nullptr, &s));
  EXPECT_FALSE(RulerChooseStep(kRulerHorizontal, 0, std::nan(""), 600, 10, 30, FixedWidth, nullptr, &s));
  RulerLayout l =
      RulerLayoutAxis(kRulerHorizontal | kRulerTicks, 0, 600, 0, 0, "smpl", 10, 30, FixedWidth, nullptr);
  EXPECT_TRUE(l.ticks.empty());
  EXPECT_EQ(l.unitEnd, 28);
  // Tiny plots and no labels allowed still give an answer.
  ASSERT_TRUE(RulerChooseStep(kRulerHorizontal, 0, 100, 2, 0, 30, FixedWidth, nullptr, &s));
  EXPECT_GT(s.step, 0);
}

TEST(RulerSteps, ReusesTheLastStepWhileItFits) {
  RulerStepCache cache;
  RulerStep a, b, c;
  ASSERT_TRUE(RulerChooseStep(kRulerHorizontal, 10000, 11000, 603, 10, 30, FixedWidth, &cache, &a));
  EXPECT_EQ(a.step, 100);
  EXPECT_EQ(a.first, 9900);
  // A slightly scrolled range: 100 is still 1 to 2 label widths apart, so it is kept, starting at a
  // multiple of it.
  ASSERT_TRUE(RulerChooseStep(kRulerHorizontal, 10130, 11150, 603, 10, 30, FixedWidth, &cache, &b));
  EXPECT_EQ(b.step, 100);
  EXPECT_EQ(b.first, 10100);
  // Zoomed far in: spacing too wide, chosen afresh.
  ASSERT_TRUE(RulerChooseStep(kRulerHorizontal, 0, 10, 603, 10, 30, FixedWidth, &cache, &c));
  EXPECT_EQ(c.step, 1);
  // Another style never takes it over.
  RulerStep d;
  ASSERT_TRUE(RulerChooseStep(kRulerVertical, 0, 10, 603, 10, 30, FixedWidth, &cache, &d));
  EXPECT_EQ(cache.style, kRulerVertical);
}

TEST(RulerLayout, TimeRulerOf600Pixels) {
  const RulerLayout l = RulerLayoutAxis(kRulerHorizontal | kRulerTicks | kRulerSeconds, 0, 600, 0, 600, "hms",
                                        10, 30, FixedWidth, nullptr);
  int shown = 0;
  for (const RulerTick& t : l.ticks) shown += t.labelShown;
  EXPECT_GE(shown, 5);
  EXPECT_LE(shown, 10);
  EXPECT_EQ(l.ticks.front().value, 0);
  EXPECT_FALSE(l.ticks.front().labelShown);  // would overlap the unit text at the start
}

TEST(ValueRuler, Ends) {
  struct Case {
    int scale, bits;
    double low, high, top, bottom;
  } cases[] = {
      {kScaleSamples, 16, -1, 1, 32768, -32768}, {kScaleSamples, 32, -1, 1, 32768, -32768},
      {kScaleSamples, 8, -1, 1, 256, 0},         {kScaleNormalized, 16, -1, 1, 1, -1},
      {kScalePercent, 16, -1, 1, 100, -100},     {kScalePercent, 16, -0.5, 0.25, 50, -25},
      {kScaleHz, 16, -1, 0, 22050, 0},
  };
  for (const Case& c : cases) {
    double top, bottom;
    ValueAxisRange(c.scale, c.bits, 44100, c.low, c.high, &top, &bottom);
    EXPECT_EQ(top, c.top);
    EXPECT_EQ(bottom, c.bottom);
  }
  // The value ruler runs downwards (lo > hi): ticks still come out in axis order.
  const RulerLayout l =
      RulerLayoutAxis(kRulerVertical | kRulerTicks, 0, 200, 32768, -32768, "", 13, 30, FixedWidth, nullptr);
  ASSERT_GE(l.ticks.size(), 3u);
  for (size_t i = 1; i < l.ticks.size(); ++i) {
    EXPECT_LT(l.ticks[i].value, l.ticks[i - 1].value);
    EXPECT_GT(l.ticks[i].position, l.ticks[i - 1].position);
  }
}

TEST(RulerLayout, LabelsNeverOverlapOnRandomAxes) {
  const unsigned seed = std::random_device{}();
  std::printf("Ruler random axes: seed %u\n", seed);
  std::mt19937 rng(seed);
  const uint16_t kinds[] = {
      0, kRulerSeconds, kRulerFrames, kRulerFrames | kRulerDropFrame, kRulerSteps136, kRulerInteger};
  RulerStepCache cache;
  for (int iter = 0; iter < 3000; ++iter) {
    const bool vertical = rng() % 4 == 0;
    const uint16_t style = kinds[rng() % 6] | (vertical ? kRulerVertical : kRulerHorizontal) | kRulerTicks |
                           (rng() % 3 == 0 ? kRulerLastMayRunOver : 0);
    const int32_t size = 20 + static_cast<int32_t>(rng() % 1200);
    const double lo = std::uniform_real_distribution<double>(-100, 5000)(rng);
    const double span = std::pow(10.0, std::uniform_real_distribution<double>(-4, 5)(rng));
    const bool down = vertical && rng() % 2;
    const int fps = static_cast<int>(rng() % 70) - 5;
    const int labels = std::max(1, size / (vertical ? 15 : 60));
    const RulerLayout l = RulerLayoutAxis(style, 7, size, down ? lo + span : lo, down ? lo : lo + span,
                                          vertical ? "" : "hms", labels, fps, FixedWidth, &cache);
    SCOPED_TRACE(testing::Message() << "style " << style << " size " << size << " lo " << lo << " span "
                                    << span);
    int32_t previousEnd = l.unitEnd;
    for (size_t i = 0; i < l.ticks.size(); ++i) {
      const RulerTick& t = l.ticks[i];
      if (i > 0) {
        ASSERT_GE(t.position, l.ticks[i - 1].position);
      }
      ASSERT_GE(t.position, 7);
      ASSERT_LE(t.position, 7 + size);
      if (!t.labelShown) continue;
      ASSERT_GT(t.labelStart, previousEnd);
      if (!(style & kRulerLastMayRunOver)) {
        ASSERT_LE(t.labelEnd, 7 + size);
      }
      previousEnd = t.labelEnd;
    }
    int shown = 0;
    for (const RulerTick& t : l.ticks) shown += t.labelShown;
    EXPECT_LE(shown, labels);
  }
}

}  // namespace
}  // namespace display

namespace display {
namespace {

TEST(TimeRuler, AxisByTimeMode) {
  struct Case {
    int mode;
    uint16_t style;
    const char* unit;
    double lo, hi;
  } cases[] = {
      {0, kRulerSeconds, "hms", -0.5 / 44100, 44099.5 / 44100},
      {1, 0, "smpl", -0.5, 44099.5},
      {2, kRulerFrames, "msf", -0.5 / 44100, 44099.5 / 44100},
      {3, kRulerFrames | kRulerDropFrame, "drop", -0.5 / 44100, 44099.5 / 44100},
  };
  for (const Case& c : cases) {
    const TimeAxis a = TimeRulerAxis(c.mode, -0.5, 44099.5, 0, 44100);
    EXPECT_EQ(a.style, c.style);
    EXPECT_STREQ(a.unit, c.unit);
    EXPECT_DOUBLE_EQ(a.lo, c.lo);
    EXPECT_DOUBLE_EQ(a.hi, c.hi);
  }
  const TimeAxis offset = TimeRulerAxis(1, -0.5, 99.5, 1000, 8000);
  EXPECT_EQ(offset.lo, 999.5);
  const TimeAxis noRate = TimeRulerAxis(0, -0.5, 99.5, 0, 0);
  EXPECT_EQ(noRate.hi, 99.5);
  EXPECT_EQ(MaxLabels(600, false), 10);
  EXPECT_EQ(MaxLabels(150, true), 10);
}

}  // namespace
}  // namespace display

namespace display {
namespace {

TEST(IntegerRuler, MeterScale) {
  // A level meter's dB scale: 0 at the left down to -60 at the right end of 300 pixels.
  const RulerLayout l = RulerLayoutIntAxis(0x642, 0, 300, 0, -60, "", 5, 0, 30, FixedWidth);
  ASSERT_GE(l.ticks.size(), 2u);
  EXPECT_EQ(l.ticks.front().value, 0);  // rounded up to the step, not moved back
  for (size_t i = 0; i < l.ticks.size(); ++i) {
    EXPECT_EQ(l.ticks[i].value, std::trunc(l.ticks[i].value));  // whole steps
    if (i > 0) {
      EXPECT_LT(l.ticks[i].value, l.ticks[i - 1].value);
      EXPECT_GT(l.ticks[i].position, l.ticks[i - 1].position);
    }
  }
  RulerStep s;
  ASSERT_TRUE(RulerChooseStepInt(kRulerHorizontal, 3, 95, 10003, 10, 0, 30, NoWidth, &s));
  EXPECT_EQ(s.step, 10);  // 5 would make 18 steps for 10 labels
  EXPECT_EQ(s.first, 10);
  ASSERT_TRUE(RulerChooseStepInt(kRulerHorizontal, 0, 50, 10003, 10, 0, 30, NoWidth, &s));
  EXPECT_EQ(s.step, 5);  // target exactly 2: passed over for 5
  ASSERT_TRUE(
      RulerChooseStepInt(kRulerHorizontal | kRulerSeconds, 0, 441000, 10003, 10, 44100, 30, NoWidth, &s));
  EXPECT_EQ(s.step, 1);  // ten seconds (441000 frames at 44100 Hz) in ten labels
  EXPECT_FALSE(RulerChooseStepInt(kRulerHorizontal, 7, 7, 300, 5, 0, 30, FixedWidth, &s));
}

}  // namespace
}  // namespace display

namespace display {
namespace {

// Proportional digits as the ruler's font draws them: narrow sign, wider digits and letters.
TextExtent GuiFont(const std::string& s) {
  int32_t w = 0;
  for (char c : s) w += c == '-' ? 4 : c == '.' ? 3 : c == 'M' ? 8 : 6;
  return {w, 13};
}

TEST(RulerFitLabel, ShortFormsThatNameTheValue) {
  struct Case {
    double value;
    int32_t room;
    const char* want;
  };
  const Case cases[] = {
      {-20000, 31, "-20k"},    // "-20000" is 34 wide: clipped it read "-2000"
      {20000, 31, "20000"},    // fits as it is
      {-2000, 31, "-2000"},    // fits
      {-32500, 31, "-32.5k"},  // one decimal names it
      {-32500, 25, ""},        // no exact form fits: left out
      {-12345, 31, ""},        // "-12.345k" is too wide and nothing shorter is exact
      {2500000, 28, "2.5M"},   // millions when thousands are too wide
      {-500, 10, ""},          // below a thousand there is no shorter form
      {0, 31, "0"},
  };
  for (const Case& c : cases) {
    const std::string label = RulerFormatLabel(c.value, kRulerVertical, 1, 30);
    EXPECT_EQ(RulerFitLabel(label, c.value, c.room, GuiFont), c.want) << c.value << " in " << c.room;
  }
}

// Over random tick values of the value ruler's steps and random strip widths: the result always fits and,
// read back, is the tick's value; when the plain label fits it is kept.
TEST(RulerFitLabel, RandomTicksFitAndReadBackExactly) {
  std::mt19937 rng(7);
  const double steps[] = {1, 2, 5, 10, 20, 50, 100, 200, 250, 500, 1000, 2000, 2500, 5000, 10000, 25000};
  for (int i = 0; i < 20000; ++i) {
    const double step = steps[rng() % (sizeof steps / sizeof steps[0])];
    const double value = step * (int(rng() % 81) - 40);
    const int32_t room = int32_t(rng() % 50);
    const std::string label = RulerFormatLabel(value, kRulerVertical, 1, 30);
    const std::string got = RulerFitLabel(label, value, room, GuiFont);
    if (got.empty()) continue;
    EXPECT_LE(GuiFont(got).width, room) << got;
    if (GuiFont(label).width <= room) {
      EXPECT_EQ(got, label);
      continue;
    }
    const double scale = got.back() == 'k' ? 1e3 : got.back() == 'M' ? 1e6 : 0;
    ASSERT_NE(scale, 0) << got;
    EXPECT_DOUBLE_EQ(std::strtod(got.c_str(), nullptr) * scale, value) << got;
  }
}

}  // namespace
}  // namespace display
