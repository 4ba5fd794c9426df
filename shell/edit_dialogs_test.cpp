// Generate Silence and Mix Paste dialog decisions: typed durations and percentages, and the [Paste
// Special] settings going into and out of the paste record.
#include "shell/edit_dialogs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace shell {
namespace {

TEST(SilenceDialog, DurationsTable) {
  struct Case {
    const char* text;
    uint32_t rate, blockAlign, kept;
    SilenceCheck want;
    double seconds;
  };
  const Case cases[] = {
      {"10.0", 44100, 4, 1000, SilenceCheck::Ok, 10.0},
      {" 0.5 ", 22050, 2, 0, SilenceCheck::Ok, 0.5},
      {"1e-3", 8000, 1, 0, SilenceCheck::Ok, 0.001},
      {"", 44100, 4, 0, SilenceCheck::NotANumber, 0},
      {"ten", 44100, 4, 0, SilenceCheck::NotANumber, 0},
      {"10s", 44100, 4, 0, SilenceCheck::NotANumber, 0},
      {"nan", 44100, 4, 0, SilenceCheck::NotANumber, 0},
      {"inf", 44100, 4, 0, SilenceCheck::NotANumber, 0},
      {"1e999", 44100, 4, 0, SilenceCheck::NotANumber, 0},
      {"0", 44100, 4, 0, SilenceCheck::TooShort, 0},
      {"-3", 44100, 4, 0, SilenceCheck::TooShort, 0},
      {"0.00001", 44100, 4, 0, SilenceCheck::TooShort, 0},  // less than one frame
      {"1e6", 44100, 4, 0, SilenceCheck::TooLong, 0},       // 44.1e9 frames
      {"25000", 44100, 4, 0, SilenceCheck::TooLong, 0},     // frames fit 32 bits, bytes do not
      {"25000", 44100, 1, 0, SilenceCheck::Ok, 25000},
      {"1", 44100, 4, 0x3FFFFFFFu, SilenceCheck::TooLong, 0},  // the wave is already full
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    double seconds = -1;
    EXPECT_EQ(CheckSilenceDuration(c.text, c.rate, c.blockAlign, c.kept, &seconds), c.want);
    if (c.want == SilenceCheck::Ok) {
      EXPECT_DOUBLE_EQ(seconds, c.seconds);
    } else {
      EXPECT_EQ(seconds, -1);
      EXPECT_FALSE(SilenceCheckMessage(c.want).empty());
    }
  }
}

TEST(SilenceDialog, InitialDurationAndFormat) {
  Settings s;
  EXPECT_EQ(FormatDialogNumber(InitialSilenceDuration(s)), "10");
  s.silenceDuration = 2.25;
  EXPECT_EQ(FormatDialogNumber(InitialSilenceDuration(s)), "2.25");
  for (double bad :
       {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    s.silenceDuration = bad;
    EXPECT_EQ(InitialSilenceDuration(s), 10.0);
  }
}

TEST(PasteDialog, Percentages) {
  double p = -1;
  EXPECT_TRUE(ParsePercent("50", &p));
  EXPECT_EQ(p, 50);
  EXPECT_TRUE(ParsePercent("0", &p));
  EXPECT_EQ(p, 0);
  for (const char* bad : {"-10", "", "x", "nan"}) EXPECT_FALSE(ParsePercent(bad, &p)) << bad;
  EXPECT_EQ(PercentScrollPos(-5), 0);
  EXPECT_EQ(PercentScrollPos(49.6), 50);
  EXPECT_EQ(PercentScrollPos(250), 200);
  EXPECT_EQ(PercentScrollPos(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(PasteDialog, ScrollBarMoves) {
  struct Case {
    int code, pos, thumb, want;
  };
  const Case cases[] = {
      {0, 100, 0, 99},  {0, 0, 0, 0},    {1, 199, 0, 200}, {1, 200, 0, 200}, {2, 5, 0, 0},
      {3, 195, 0, 200}, {3, 50, 0, 60},  {4, 0, 150, 150}, {5, 0, 250, 200}, {5, 0, -3, 0},
      {6, 120, 0, 0},   {7, 12, 0, 200}, {8, 77, 0, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(VolumeScrollPos(c.code, c.pos, c.thumb), c.want) << c.code << " " << c.pos << " " << c.thumb;
}

TEST(PasteDialog, SettingsRoundTripAndUnusableValues) {
  Settings s;
  s.pasteLeft = -0.5;
  s.pasteRight = 1.5;
  s.crossfadeTime = 20;
  s.loops = 2.5;
  s.overlap = 0;
  s.loop = 1;
  s.crossfade = 1;
  document::PasteSpecialSettings p;
  p.modulate = true;
  p.sourceFile = "c:\\x.wav";
  LoadPasteSettings(s, &p);
  EXPECT_EQ(p.leftVolume, -0.5);
  EXPECT_EQ(p.rightVolume, 1.5);
  EXPECT_EQ(p.crossfadeMs, 20);
  EXPECT_EQ(p.loops, 2.5);
  EXPECT_FALSE(p.overlap);
  EXPECT_TRUE(p.loop && p.crossfade);
  EXPECT_TRUE(p.modulate);  // run time only: untouched
  EXPECT_EQ(p.sourceFile, "c:\\x.wav");
  Settings back;
  StorePasteSettings(p, &back);
  EXPECT_EQ(back.pasteLeft, -0.5);
  EXPECT_EQ(back.pasteRight, 1.5);
  EXPECT_EQ(back.crossfadeTime, 20);
  EXPECT_EQ(back.loops, 2.5);
  EXPECT_EQ(back.overlap, 0);
  EXPECT_EQ(back.loop, 1);
  EXPECT_EQ(back.crossfade, 1);

  const double nan = std::numeric_limits<double>::quiet_NaN();
  s.pasteLeft = nan;
  s.pasteRight = std::numeric_limits<double>::infinity();
  s.crossfadeTime = -4;
  s.loops = 0.2;
  LoadPasteSettings(s, &p);
  EXPECT_EQ(p.leftVolume, 1.0);
  EXPECT_EQ(p.rightVolume, 1.0);
  EXPECT_EQ(p.crossfadeMs, 50);
  EXPECT_EQ(p.loops, 1.0);
}

}  // namespace
}  // namespace shell
