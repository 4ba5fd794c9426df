#include "shell/command_line.h"

#include <gtest/gtest.h>

namespace shell {
namespace {

TEST(CommandLine, QuotedFileNameRegionAndAutoplay) {
  CommandLine cl = parseCommandLine("\"C:\\My Files\\a.wav\" /region:1000,500 /autoplay:yes");
  EXPECT_EQ(cl.fileName, "C:\\My Files\\a.wav");
  ASSERT_TRUE(cl.hasRegion);
  SampleRegion r = commandLineRegion(cl, 100000);
  ASSERT_TRUE(r.valid);
  EXPECT_EQ(r.start, 1000);
  EXPECT_EQ(r.end, 1499);
  EXPECT_EQ(cl.autoplayOverride, 'Y');
}

TEST(CommandLine, FileNameKeepsItsCase) {
  EXPECT_EQ(parseCommandLine("MixedCase.Wav /clip").fileName, "MixedCase.Wav");
}

struct FlagCase {
  const char* line;
  const char* file;
  bool clip, autosave;
  char autoplay;
};

class CommandLineFlags : public ::testing::TestWithParam<FlagCase> {};

TEST_P(CommandLineFlags, Parse) {
  const FlagCase& c = GetParam();
  CommandLine cl = parseCommandLine(c.line);
  EXPECT_EQ(cl.fileName, c.file) << c.line;
  EXPECT_EQ(cl.clipMode, c.clip) << c.line;
  EXPECT_EQ(cl.autosaveMode, c.autosave) << c.line;
  EXPECT_EQ(cl.autoplayOverride, c.autoplay) << c.line;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CommandLineFlags,
    ::testing::Values(FlagCase{"a.wav /CLIPX /AUTOSAVE", "a.wav", false, true, ' '},
                      FlagCase{"a.wav  /CLIP", "a.wav", false, false, ' '},  // two blanks end the line
                      FlagCase{"/CLIP", "", true, false, ' '},               // leading '/': no file name
                      FlagCase{"/clip /autosave", "", true, true, ' '},      // any letter case
                      FlagCase{"a.wav /AUTOSAVEX /CLIP", "a.wav", true, false, ' '},
                      FlagCase{"a.wav /AUTOPLAY:n", "a.wav", false, false, 'N'},
                      FlagCase{"a.wav /AUTOPLAY:", "a.wav", false, false, ' '},
                      FlagCase{"a.wav /unknown /CLIP", "a.wav", true, false, ' '},
                      FlagCase{"", "", false, false, ' '},
                      FlagCase{" a.wav /CLIP", "", false, false, ' '},  // empty first token stops at once
                      FlagCase{"\"a b.wav\" /CLIP", "a b.wav", true, false, ' '},
                      FlagCase{"\"a b.wav\"  /CLIP", "a b.wav", false, false, ' '},
                      FlagCase{"\"unterminated name /CLIP", "unterminated name /CLIP", false, false, ' '},
                      FlagCase{"a.wav \"/clip\"", "a.wav", true, false, ' '},
                      FlagCase{"a.wav \"\" /CLIP", "a.wav", false, false, ' '}));

struct RegionCase {
  const char* line;
  bool hasRegion;
  int64_t waveLength;
  bool valid;
  int32_t start, end;
};

class CommandLineRegion : public ::testing::TestWithParam<RegionCase> {};

TEST_P(CommandLineRegion, ParseAndClamp) {
  const RegionCase& c = GetParam();
  CommandLine cl = parseCommandLine(c.line);
  EXPECT_EQ(cl.hasRegion, c.hasRegion) << c.line;
  SampleRegion r = commandLineRegion(cl, c.waveLength);
  EXPECT_EQ(r.valid, c.valid) << c.line;
  if (c.valid && r.valid) {
    EXPECT_EQ(r.start, c.start) << c.line;
    EXPECT_EQ(r.end, c.end) << c.line;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, CommandLineRegion,
    ::testing::Values(RegionCase{"a.wav /REGION:1000,500", true, 100000, true, 1000, 1499},
                      RegionCase{"a.wav /REGION:1000,500", true, 1200, true, 1000, 1199},  // end clamped
                      RegionCase{"a.wav /REGION:-100,500", true, 100000, true, 0, 399},    // start clamped
                      RegionCase{"a.wav /REGION:5000,10", true, 1000, false, 0, 0},        // past the end
                      RegionCase{"a.wav /REGION:1000", false, 100000, false, 0, 0},        // no comma
                      RegionCase{"a.wav /REGION:", false, 100000, false, 0, 0},
                      RegionCase{"a.wav /REGION:,500", false, 100000, false, 0, 0},
                      RegionCase{"a.wav /REGION:10,", false, 100000, false, 0, 0},
                      RegionCase{"a.wav /REGION:10,0", false, 100000, false, 0, 0},  // empty
                      RegionCase{"a.wav /REGION:10,-5", false, 100000, false, 0, 0},
                      RegionCase{"a.wav /REGION:abc,5", false, 100000, false, 0, 0},
                      RegionCase{"a.wav /REGION:2147483647,2147483647", true, INT64_C(4000000000), true,
                                 2147483647, 2147483647},  // no overflow
                      RegionCase{"a.wav /REGION:99999999999999999999,5", true, 1000, false, 0, 0},
                      RegionCase{"a.wav /REGION:-2147483648,10", true, 1000, false, 0, 0},
                      RegionCase{"a.wav /REGION:0,1", true, 0, false, 0, 0}));  // no samples

TEST(CommandLine, ClampRegionRejectsReversedRanges) {
  EXPECT_FALSE(clampRegion(10, 5, 100).valid);
  SampleRegion one = clampRegion(7, 7, 100);
  EXPECT_TRUE(one.valid);
  EXPECT_EQ(one.start, 7);
  EXPECT_EQ(one.end, 7);
}

TEST(CommandLine, NullLineIsEmpty) {
  CommandLine cl = parseCommandLine(nullptr);
  EXPECT_TRUE(cl.fileName.empty());
  EXPECT_FALSE(cl.hasRegion);
}

}  // namespace
}  // namespace shell
