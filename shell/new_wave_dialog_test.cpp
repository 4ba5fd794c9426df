// The new-wave dialog's decisions: titles and notes per mode, the rate list and field, disabled controls,
// the "Try to read as" box and what OK returns.
#include "shell/new_wave_dialog.h"

#include <gtest/gtest.h>

namespace shell {
namespace {

TEST(NewWaveDialog, TitlesAndNotesByMode) {
  struct Case {
    int mode;
    const char* title;
    const char* note;
  };
  const Case cases[] = {
      {0, "New Wave", ""},
      {1, "Adjust Sample Rate", "FYI: To adjust bit rate or channels, open file as Raw PCM accordingly."},
      {2, "File Paste Sample Rate", "Please enter the information for pasting RAW data"},
      {3, "Open Raw PCM files As", ""},
      {4, "Interpret Sample Format As", ""},
      {5, "Open File(s) As", ""},
      {0x15, "Open File(s) As", ""},  // only the low 4 bits choose
      {9, "New Wave", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NewWaveTitle(c.mode), c.title) << c.mode;
    EXPECT_EQ(NewWaveNote(c.mode), c.note) << c.mode;
  }
}

TEST(NewWaveDialog, RateListAndField) {
  const std::vector<std::string> want = {"48000", "44100", "32075", "32000", "22050",
                                         "16000", "11025", "8000",  "6000"};
  EXPECT_EQ(NewWaveRates(), want);
  EXPECT_EQ(InitialRateText(0), "44100");
  EXPECT_EQ(InitialRateText(kNewWaveAbsent), "44100");
  EXPECT_EQ(InitialRateText(96000), "96000");
  struct Case {
    const char* text;
    int index;
  };
  const Case cases[] = {
      {"48000", 0},  {"44100", 1}, {"6000", 8},   {" 22050 ", 4}, {"022050", 4},
      {"44101", -1}, {"", -1},     {"441OO", -1}, {"600", -1},    {"99999999999999999999", -1}};
  for (const Case& c : cases) EXPECT_EQ(RateListIndex(c.text), c.index) << c.text;
}

TEST(NewWaveDialog, RateTextLimits) {
  uint32_t rate = 7;
  EXPECT_TRUE(ParseRateText("1", &rate));
  EXPECT_EQ(rate, 1u);
  EXPECT_TRUE(ParseRateText("1000000", &rate));
  EXPECT_EQ(rate, 1000000u);
  for (const char* bad : {"0", "1000001", "-44100", "44100Hz", "4 4100", "  ", "4294967297"})
    EXPECT_FALSE(ParseRateText(bad, &rate)) << bad;
}

TEST(NewWaveDialog, AbsentInputsDisableTheirControls) {
  NewWaveRequest r;
  NewWaveControls c = NewWaveControlStates(r, false);
  EXPECT_TRUE(c.rate && c.bits && c.channels);
  EXPECT_FALSE(c.tryBox);
  r.rate = kNewWaveAbsent;
  c = NewWaveControlStates(r, false);
  EXPECT_FALSE(c.rate);
  EXPECT_TRUE(c.bits && c.channels);
  r.rate = 22050;
  r.bits = kNewWaveAbsent;
  c = NewWaveControlStates(r, false);
  EXPECT_FALSE(c.bits);
  EXPECT_TRUE(c.rate && c.channels);
  r.bits = 16;
  r.channels = kNewWaveAbsent;
  c = NewWaveControlStates(r, false);
  EXPECT_FALSE(c.channels);
  EXPECT_TRUE(c.rate && c.bits);
}

TEST(NewWaveDialog, TryAsFormatBoxDisablesTheFormat) {
  NewWaveRequest r;
  r.mode = kNewWaveRawOpen;
  EXPECT_EQ(TryAsFormatText("Windows PCM"), "Try to read as \"Windows PCM\" anyway");
  // Checked without a format name: there is no box, so nothing is disabled.
  NewWaveControls c = NewWaveControlStates(r, true);
  EXPECT_TRUE(c.rate && c.bits && c.channels && !c.tryBox);
  r.formatName = "Windows PCM";
  c = NewWaveControlStates(r, false);
  EXPECT_TRUE(c.tryBox && c.rate && c.bits && c.channels);
  c = NewWaveControlStates(r, true);
  EXPECT_TRUE(c.tryBox);
  EXPECT_FALSE(c.rate || c.bits || c.channels);

  // OK while checked: the (disabled) rate field is not judged and the inputs come back unchanged.
  r.rate = 32000;
  r.bits = 8;
  r.channels = 1;
  NewWaveAnswer a;
  std::string error;
  ASSERT_TRUE(FinishNewWave(r, "nonsense", true, true, true, &a, &error));
  EXPECT_TRUE(a.readAsFormat);
  EXPECT_EQ(a.rate, 32000u);
  EXPECT_EQ(a.rateText, "32000");
  EXPECT_EQ(a.bits, 8);
  EXPECT_EQ(a.channels, 1);
  EXPECT_EQ(a.blockAlign, 1);
}

TEST(NewWaveDialog, OkReturnsTheChosenFormat) {
  struct Case {
    const char* rateText;
    bool bits16, stereo;
    uint32_t rate;
    uint16_t bits, channels, align;
  };
  const Case cases[] = {
      {"44100", true, true, 44100, 16, 2, 4},
      {"8000", false, false, 8000, 8, 1, 1},
      {" 32075", true, false, 32075, 16, 1, 2},
      {"11025", false, true, 11025, 8, 2, 2},
  };
  for (const Case& c : cases) {
    NewWaveRequest r;
    NewWaveAnswer a;
    std::string error;
    ASSERT_TRUE(FinishNewWave(r, c.rateText, c.bits16, c.stereo, false, &a, &error)) << c.rateText;
    EXPECT_EQ(a.rate, c.rate);
    EXPECT_EQ(a.rateText, std::to_string(c.rate));
    EXPECT_EQ(a.bits, c.bits);
    EXPECT_EQ(a.channels, c.channels);
    EXPECT_EQ(a.blockAlign, c.align);
    EXPECT_FALSE(a.readAsFormat);
  }
}

TEST(NewWaveDialog, UnusableRateKeepsTheDialogOpen) {
  NewWaveRequest r;
  NewWaveAnswer a;
  a.rate = 123;
  std::string error;
  for (const char* bad : {"0", "", "abc", "2000000"}) {
    error.clear();
    EXPECT_FALSE(FinishNewWave(r, bad, true, true, false, &a, &error)) << bad;
    EXPECT_EQ(error, "Please enter a sample rate from 1 to 1000000 Hz.");
    EXPECT_EQ(a.rate, 123u);  // untouched
  }
}

TEST(NewWaveDialog, AbsentInputsComeBackAsGiven) {
  // Adjust Sample Rate knows only the rate: bits and channels stay out of the answer.
  NewWaveRequest r;
  r.mode = kNewWaveAdjustRate;
  r.bits = kNewWaveAbsent;
  r.channels = kNewWaveAbsent;
  NewWaveAnswer a;
  std::string error;
  ASSERT_TRUE(FinishNewWave(r, "22050", true, true, false, &a, &error));
  EXPECT_EQ(a.rate, 22050u);
  EXPECT_EQ(a.bits, 0);
  EXPECT_EQ(a.channels, 0);
  EXPECT_EQ(a.blockAlign, 0);
  // An absent rate is not read from the field.
  r = NewWaveRequest();
  r.rate = kNewWaveAbsent;
  ASSERT_TRUE(FinishNewWave(r, "garbage", false, false, false, &a, &error));
  EXPECT_EQ(a.rate, 0u);
  EXPECT_EQ(a.bits, 8);
  EXPECT_EQ(a.channels, 1);
}

}  // namespace
}  // namespace shell

namespace shell {
namespace {

// Adjust Sample Rate: the rate is the one thing the user may change; the bits and channels shown are the
// document's and come back unchanged, whatever state their buttons are in.
TEST(NewWaveAdjustRate, OnlyTheRateChanges) {
  NewWaveRequest r;
  r.mode = kNewWaveAdjustRate;
  r.rate = 22050;
  r.bits = 8;
  r.channels = 1;
  const NewWaveControls c = NewWaveControlStates(r, false);
  EXPECT_TRUE(c.rate);
  EXPECT_FALSE(c.bits);
  EXPECT_FALSE(c.channels);
  EXPECT_EQ(NewWaveTitle(r.mode), "Adjust Sample Rate");
  NewWaveAnswer a;
  std::string error;
  ASSERT_TRUE(FinishNewWave(r, "11025", true, true, false, &a, &error));
  EXPECT_EQ(a.rate, 11025u);
  EXPECT_EQ(a.bits, 8);
  EXPECT_EQ(a.channels, 1);
  EXPECT_EQ(a.blockAlign, 1);
  EXPECT_FALSE(FinishNewWave(r, "0", true, true, false, &a, &error));
  EXPECT_FALSE(error.empty());
  // The other modes still let the format be chosen.
  r.mode = kNewWaveNew;
  EXPECT_TRUE(NewWaveControlStates(r, false).bits);
  EXPECT_TRUE(NewWaveControlStates(r, false).channels);
}

}  // namespace
}  // namespace shell
