// The Viewing Range texts: every position's text reads back as the first sample showing that text, in every
// format and at several rates (a randomized round trip); typed variants and bad input; the range checks.
#include "shell/viewing_range.h"

#include <gtest/gtest.h>

#include <random>

#include "display/time_format.h"
#include "platform/test_scale.h"

namespace shell {
namespace {

TEST(ViewingRange, EveryTextReadsBackAsTheFirstSampleShowingIt) {
  std::mt19937 rng(1234);
  const int rounds = 2000 * platform::testScale();
  for (uint32_t rate : {8000u, 11025u, 44100u, 48000u, 96000u}) {
    for (int mode : {0, 1, 2, 3}) {
      for (int fps : {30, 25, 24}) {
        std::uniform_int_distribution<int64_t> pos(0, int64_t(rate) * 3600 * 2);
        for (int i = 0; i < rounds / 20; ++i) {
          const int64_t x = i < 3 ? i : pos(rng);
          const std::string text = FormatViewPosition(x, rate, mode, fps);
          int64_t p = -1;
          ASSERT_TRUE(ParseViewPosition(text, rate, mode, fps, &p)) << text << " mode " << mode;
          EXPECT_EQ(FormatViewPosition(p, rate, mode, fps), text) << "mode " << mode << " rate " << rate;
          EXPECT_LE(p, x) << text;
          if (p > 0) EXPECT_NE(FormatViewPosition(p - 1, rate, mode, fps), text) << text;
        }
      }
    }
  }
}

TEST(ViewingRange, TypedVariantsAndBadInput) {
  struct Case {
    const char* text;
    int mode;
    bool ok;
    int64_t frame;
  };
  const Case cases[] = {
      {" 0:01.500", 0, true, 66150}, {"1.5", 0, true, 66150},   {"1:00", 0, true, 44100 * 60},
      {"0:01.5", 0, true, 66150},    {"2.25 ", 0, true, 99225}, {"0:61.0", 0, false, 0},
      {"1:2:3", 0, false, 0},        {"abc", 0, false, 0},      {"", 0, false, 0},
      {"-1", 0, false, 0},           {"1.", 0, false, 0},       {"12345", 1, true, 12345},
      {"12 345", 1, false, 0},       {"1.5", 1, false, 0},      {"99999999999", 1, false, 0},
      {"0:01:15", 2, true, 66150},   {"01:15", 2, true, 66150}, {"0:01:30", 2, false, 0},
      {"0:01", 2, true, 1470},       {"0:00:00", 3, true, 0},   {"1:00:00", 3, false, 0},
      {"1:00:02", 3, true, -1},      {"10:00:00", 3, true, -1}, {"0:00:30", 3, false, 0},
  };
  for (const Case& c : cases) {
    int64_t p = -7;
    EXPECT_EQ(ParseViewPosition(c.text, 44100, c.mode, 30, &p), c.ok) << c.text << " mode " << c.mode;
    if (c.ok && c.frame >= 0) EXPECT_EQ(p, c.frame) << c.text;
    if (c.ok && c.mode == 3) EXPECT_EQ(FormatViewPosition(p, 44100, 3, 30), c.text);
  }
  int64_t p;
  EXPECT_FALSE(ParseViewPosition("0:01.000", 0, 0, 30, &p));  // no rate: no time
}

TEST(ViewingRange, TheRangeMustLieInTheWaveInOrder) {
  int64_t a = -1, b = -1;
  std::string error;
  ASSERT_TRUE(ReadViewingRange("0:00.100", "0:00.900", 1000, 0, 30, 1000, &a, &b, &error)) << error;
  EXPECT_EQ(a, 100);
  EXPECT_EQ(b, 900);
  EXPECT_FALSE(ReadViewingRange("0:00.900", "0:00.100", 1000, 0, 30, 1000, &a, &b, &error));
  EXPECT_NE(error.find("after its start"), std::string::npos);
  EXPECT_FALSE(ReadViewingRange("0", "1000", 1000, 1, 30, 1000, &a, &b, &error));
  EXPECT_NE(error.find("0 to 999"), std::string::npos) << error;
  EXPECT_FALSE(ReadViewingRange("x", "10", 1000, 1, 30, 1000, &a, &b, &error));
  EXPECT_NE(error.find("\"x\""), std::string::npos);
  EXPECT_NE(error.find("Samples"), std::string::npos);
  EXPECT_FALSE(ReadViewingRange("1", "zz", 1000, 1, 30, 1000, &a, &b, &error));
  EXPECT_NE(error.find("end"), std::string::npos);
  EXPECT_FALSE(ReadViewingRange("5", "5", 1000, 1, 30, 1000, &a, &b, &error));
  EXPECT_EQ(a, 100);  // untouched on failure
}

}  // namespace
}  // namespace shell
