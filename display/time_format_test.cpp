// Time texts and status fields: the documented examples, drop-frame minute starts, the guards for a rate
// of 0 and an unusable custom frame rate, and the status fields of an empty selection.
#include "display/time_format.h"

#include <gtest/gtest.h>

#include "display/status_text.h"

namespace display {
namespace {

TEST(DecimalTime, Examples) {
  struct Case {
    int64_t frames;
    uint32_t rate;
    bool shortForm;
    const char* text;
  } cases[] = {
      {66150, 44100, false, " 0:01.500"},
      {0, 44100, false, " 0:00.000"},
      {0, 0, false, " 0:00.000"},
      {123456, 0, false, " 0:00.000"},  // no rate: position 0
      {44100 * 61 + 441, 44100, false, " 1:01.010"},
      {44100LL * 6000, 44100, false, "100:00.000"},
      {66150, 44100, true, " 0:01"},
      {-66150, 44100, false, "- 0:01.500"},
      {1, 3, false, " 0:00.333"},
      {INT64_MIN, 1, false, "-153722867280912930:07.000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frames);
    EXPECT_EQ(FormatDecimalTime(c.frames, c.rate, c.shortForm), c.text);
  }
}

TEST(FrameTime, SmpteDropFrameMinuteStarts) {
  // At 2997 Hz, 100 frames are exactly one 29.97 frame, so d below is the frame number in the block.
  struct Case {
    int64_t d;
    const char* text;
  } cases[] = {
      {0, "0:00:00"},
      {1, "0:00:01"},
      {29, "0:00:29"},
      {30, "0:01:00"},
      {1797, "0:59:27"},
      {1798, "0:59:28"},
      {1799, "0:59:29"},
      {1800, "1:00:02"},
      {17981, "9:59:29"},
      {17982, "10:00:00"},
      {17982 + 1800, "11:00:02"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.d);
    EXPECT_EQ(FormatFrameTime(c.d * 100, 2997, 25, true, false), c.text);
  }
  EXPECT_EQ(FormatFrameTime(2997 * 10, 2997, 25, true, true), "299");  // count form: trunc(10 s x 29.97)
}

TEST(FrameTime, CustomFrames) {
  struct Case {
    int64_t frames;
    uint32_t rate;
    int fps;
    bool count, shortForm;
    const char* text;
  } cases[] = {
      {22050, 44100, 25, false, false, "0:00:12"},
      {22050, 44100, 0, false, false, "0:00:15"},     // TimeCodeFrames 0 -> 30
      {22050, 44100, -7, false, false, "0:00:15"},    // negative -> 30
      {22050, 44100, 5, false, false, "0:00:2"},      // up to 9 fps: one digit
      {22050, 44100, 120, false, false, "0:00:060"},  // 100 and more: three digits
      {44100 * 75, 44100, 25, false, false, "1:15:00"},
      {44100 * 75, 44100, 25, false, true, "1:15"},
      {88200, 44100, 25, true, false, "50"},
      {88200, 0, 25, true, false, "0"},  // no rate
      {88200, 0, 25, false, false, "0:00:00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FormatFrameTime(c.frames, c.rate, c.fps, false, c.count, c.shortForm), c.text);
  }
}

TEST(FormatNumber, RoundsToThePrecision) {
  struct Case {
    double value;
    long precision;
    const char* text;
  } cases[] = {
      {1.5, 1, "2"},          {1.25, 10, "1.3"},   {-0.04, 10, "0.0"},
      {-2.5, 100, "-2.50"},   {0.05, 100, "0.05"}, {3.14159, 1000000, "3.141590"},
      {12.0, 1000, "12.000"}, {-7.0, 1, "-7"},     {1e300, 10, "100000000000000.0"},
      {0.9999, 100, "1.00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FormatNumber(c.value, c.precision), c.text);
  }
}

TEST(StatusFields, DocumentWithSelection) {
  StatusInput in;
  in.hasDocument = true;
  in.rate = 44100;
  in.bits = 16;
  in.channels = 2;
  in.length = 441000;
  in.fileBytes = 441000 * 4;
  in.selStart = 44100;
  in.selEnd = 66149;
  StatusTexts t = FormatStatus(in);
  EXPECT_EQ(t.format, " 44100 / 16 bit / Stereo");
  EXPECT_EQ(t.length, " 441000 Samples");
  EXPECT_EQ(t.size, " 1722 K");
  EXPECT_EQ(t.beg, " Beg:  0:01.000");
  EXPECT_EQ(t.end, " End:  0:01.499");
  EXPECT_EQ(t.time, " Time:  0:00.500");

  in.loTimeMode = kTimeSamples;
  in.hiTimeMode = kTimeCustomFrames;
  in.timeMode = kTimeSmpteDrop;
  in.timeCodeFrames = 25;
  t = FormatStatus(in);
  EXPECT_EQ(t.beg, " Beg: 44100");
  EXPECT_EQ(t.end, " End: 0:01:12 f");
  EXPECT_EQ(t.time, " Time: 14 frms");  // 22050 frames = 0.5 s at 29.97
  in.loTimeMode = kTimeSmpteDrop;
  in.timeMode = kTimeSamples;
  t = FormatStatus(in);
  EXPECT_EQ(t.beg, " Beg: 0:00:29 d");  // 1 s is frame 29 at 29.97
  EXPECT_EQ(t.time, " Time: 22050");
}

TEST(StatusFields, EmptySelectionShowsTheVisibleLength) {
  StatusInput in;
  in.hasDocument = true;
  in.rate = 8000;
  in.channels = 1;
  in.bits = 8;
  in.length = 100;
  in.selStart = 10;
  in.selEnd = 9;
  in.firstVisible = 0;
  in.lastVisible = 79;
  in.timeMode = kTimeSamples;
  in.timeOffset = 5;
  StatusTexts t = FormatStatus(in);
  EXPECT_EQ(t.format, " 8000 / 8 bit / Mono");
  EXPECT_EQ(t.end, " End:");
  EXPECT_EQ(t.time, " Time: 80");
  EXPECT_EQ(t.beg, " Beg:  0:00.001");  // 15 frames at 8000 Hz
}

TEST(StatusFields, NoDocument) {
  StatusTexts t = FormatStatus(StatusInput{});
  EXPECT_EQ(t.beg, " Beg:");
  EXPECT_EQ(t.end, " End:");
  EXPECT_EQ(t.time, " Time:");
  EXPECT_EQ(t.format, "");
}

TEST(PositionText, PlayPositionFormats) {
  EXPECT_EQ(FormatPosition(66150, 44100, kTimeDecimal, 30), " 0:01.500");
  EXPECT_EQ(FormatPosition(66150, 44100, kTimeSamples, 30), " 66150");
  EXPECT_EQ(FormatPosition(22050, 44100, kTimeCustomFrames, 25), "0:00:12");
}

}  // namespace
}  // namespace display
