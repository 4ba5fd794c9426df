// The sorted transform table, the menu trees and the greying rule.
#include "xfmhost/xfm_table.h"

#include <gtest/gtest.h>

#include <random>

#include "xfmhost/xfm_test_util.h"

namespace xfmhost {
namespace {

XfmInfo info(const char* name, uint32_t flags, uint16_t mask = 0x3f) {
  XfmInfo i;
  std::memset(&i, 0, sizeof i);
  std::strncpy(i.name, name, sizeof i.name - 1);
  i.flags = flags;
  i.formatMask = mask;
  return i;
}

TEST(XfmTableTest, InsertKeepsCaseInsensitiveOrderAndPutsNewEqualNamesFirst) {
  TransformTable t;
  t.insertSorted(info("b", 1), "b1.xfm");
  t.insertSorted(info("A", 1), "a.xfm");
  EXPECT_EQ(t.insertSorted(info("B", 1), "b2.xfm"), 1u);  // before the equal "b"
  t.insertSorted(info("c", 1), "c.xfm");
  ASSERT_EQ(t.size(), 4u);
  EXPECT_STREQ(t.at(0).fileName, "a.xfm");
  EXPECT_STREQ(t.at(1).fileName, "b2.xfm");
  EXPECT_STREQ(t.at(2).fileName, "b1.xfm");
  EXPECT_STREQ(t.at(3).fileName, "c.xfm");
  EXPECT_FALSE(t.at(0).vars);
  EXPECT_FALSE(t.at(0).bitmap);
}

TEST(XfmTableTest, RandomInsertionsStaySorted) {
  std::mt19937 rng(7);
  for (int round = 0; round < 50 * testScale(); ++round) {
    TransformTable t;
    for (int i = 0; i < 40; ++i) {
      char name[8];
      for (int k = 0; k < 3; ++k) name[k] = "aAbB\\c"[rng() % 6];
      name[3] = 0;
      t.insertSorted(info(name, 1), "x.xfm");
    }
    for (size_t i = 1; i < t.size(); ++i)
      EXPECT_LE(compareNames(t.at(i - 1).info.name, t.at(i).info.name), 0);
  }
}

TEST(XfmTableTest, FindMatchesTheFullNameOrItsLastComponent) {
  TransformTable t;
  t.insertSorted(info("Filters\\FFT Filter", 1), "fftfilt.xfm");
  t.insertSorted(info("Resample", 1), "resample.xfm");
  EXPECT_EQ(t.find("filters\\fft filter", false), 0);
  EXPECT_EQ(t.find("FFT Filter", false), -1);
  EXPECT_EQ(t.find("FFT Filter", true), 0);
  EXPECT_EQ(t.find("resample", true), 1);
  EXPECT_EQ(t.find("Filters", true), -1);
}

TEST(XfmTableTest, MenusFollowTheFlagsAndPaths) {
  // Sorted: Echo 0, filters\--- 1 ('-' sorts before 'F'), Filters\FFT Filter 2, Special\Reverse 3,
  // Stats 4, Tone 5, Zzz 6.
  TransformTable t;
  t.insertSorted(info("Filters\\FFT Filter", XFM_TRANSFORM | XFM_GENERATE), "f.xfm");  // Transform wins
  t.insertSorted(info("Echo", XFM_TRANSFORM), "e.xfm");
  t.insertSorted(info("filters\\---", XFM_TRANSFORM), "s.xfm");
  t.insertSorted(info("Tone", XFM_GENERATE | XFM_ANALYZE), "t.xfm");
  t.insertSorted(info("Stats", XFM_ANALYZE), "st.xfm");
  t.insertSorted(info("Zzz", XFM_TRANSFORM | XFM_HIDDEN), "z.xfm");
  t.insertSorted(info("Special\\Reverse", XFM_TRANSFORM), "r.xfm");
  TransformMenus m = buildTransformMenus(t);

  // Echo..., filters (separator, FFT Filter...), Special (Reverse..., Music...).
  ASSERT_EQ(m.transform.children.size(), 3u);
  EXPECT_EQ(m.transform.children[0].text, "Echo...");
  EXPECT_EQ(m.transform.children[0].command, 7000u);
  const MenuNode& filters = m.transform.children[1];
  EXPECT_TRUE(filters.popup);
  EXPECT_EQ(filters.text, "filters");
  ASSERT_EQ(filters.children.size(), 2u);
  EXPECT_TRUE(filters.children[0].separator);
  EXPECT_EQ(filters.children[1].text, "FFT Filter...");
  EXPECT_EQ(filters.children[1].command, 7002u);
  const MenuNode& special = m.transform.children[2];
  ASSERT_EQ(special.children.size(), 2u);
  EXPECT_EQ(special.children[0].text, "Reverse...");
  EXPECT_EQ(special.children[0].command, 7003u);
  EXPECT_EQ(special.children[1].text, "Music...");
  EXPECT_EQ(special.children[1].command, kMusicCommand);

  ASSERT_EQ(m.generate.children.size(), 1u);
  EXPECT_EQ(m.generate.children[0].text, "Tone...");
  EXPECT_EQ(m.generate.children[0].command, uint32_t(XFM_MENU_BASE + 5));
  ASSERT_EQ(m.analyze.children.size(), 1u);
  EXPECT_EQ(m.analyze.children[0].text, "Stats...");
}

TEST(XfmTableTest, PathInsertionDescendsIntoTheLastPopupOfThatText) {
  MenuNode root;
  insertMenuPath(&root, "A\\x", 1);
  MenuNode plain;
  plain.text = "a";  // a command item of the same text is no popup to descend into
  root.children.push_back(plain);
  insertMenuPath(&root, "a\\B\\y", 2);
  ASSERT_EQ(root.children.size(), 2u);
  ASSERT_EQ(root.children[0].children.size(), 2u);
  EXPECT_EQ(root.children[0].children[1].text, "B");
  EXPECT_EQ(root.children[0].children[1].children[0].command, 2u);
}

TEST(XfmTableTest, GreyingRules) {
  MenuState wave;
  wave.waveOpen = true;
  wave.waveFrames = 100;
  wave.waveChannels = 2;
  MenuState none;
  MenuState empty = wave;
  empty.waveFrames = 0;
  MenuState one = wave;
  one.oneChannelSelected = true;
  MenuState mono = wave;
  mono.waveChannels = 1;
  MenuState busy = wave;
  busy.audioBusy = true;
  const struct {
    uint32_t flags;
    uint16_t mask;
    const MenuState& state;
    bool enabled;
  } table[] = {
      {XFM_TRANSFORM, 0x0c, wave, true},
      {XFM_TRANSFORM, 0x0c, busy, false},
      {XFM_TRANSFORM, 0x0c, none, false},
      {XFM_ANALYZE, 0x0c, empty, false},
      {XFM_GENERATE, 0x0c, none, true},
      {XFM_GENERATE, 0x0c, empty, true},
      {XFM_GENERATE | XFM_NEEDS_DATA, 0x0c, empty, false},
      {XFM_TRANSFORM | XFM_BOTH_CHANNELS, 0x0c, one, false},
      {XFM_TRANSFORM, 0x08, one, false},  // one channel counts as mono
      {XFM_TRANSFORM, 0x04, one, true},
      {XFM_TRANSFORM, 0x08, mono, false},
      {XFM_TRANSFORM, 0x01, mono, false},  // without the native format only 16-bit masks count
      {XFM_TRANSFORM | XFM_NATIVE_FORMAT, 0x10, mono, true},
      {XFM_TRANSFORM | XFM_NATIVE_FORMAT, 0x01, mono, false},
      {XFM_TRANSFORM | XFM_NATIVE_FORMAT, 0x20, wave, true},
      {XFM_TRANSFORM | XFM_NATIVE_FORMAT, 0x02, wave, false},
  };
  int row = 0;
  for (const auto& t : table) {
    EXPECT_EQ(transformItemEnabled(info("x", t.flags, t.mask), t.state), t.enabled) << "row " << row;
    ++row;
  }
}

}  // namespace
}  // namespace xfmhost
