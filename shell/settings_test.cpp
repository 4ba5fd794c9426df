#include "shell/settings.h"

#include <gtest/gtest.h>

#include <limits>

namespace shell {
namespace {

TEST(Settings, DefaultsFromAnEmptyFile) {
  ui::MemorySettingsSource src;
  Settings s = loadSettings(src);
  EXPECT_EQ(s.undoLevels, 5);
  EXPECT_EQ(s.cacheSizeKB, 2048);
  EXPECT_EQ(s.numBuffers, 8);
  EXPECT_EQ(s.displayMode, 49);
  EXPECT_FALSE(s.spectralView);
  EXPECT_EQ(s.xLoc, INT32_MIN);
  EXPECT_EQ(s.clientWidth, 610);
  EXPECT_EQ(s.clientHeight, 340);
  EXPECT_EQ(s.autoPlayOnLoad, 1);
  EXPECT_DOUBLE_EQ(s.bufferSize, 4.0);
  EXPECT_DOUBLE_EQ(s.boundaryLine, -1.0);
  EXPECT_TRUE(s.pasteHilite);
  EXPECT_FALSE(s.liveUpdate);
  EXPECT_TRUE(s.toolHelp);
  EXPECT_FALSE(s.previewFiles);
  EXPECT_EQ(s.autoDownQuality, 80);
  EXPECT_EQ(s.analysisSize, 2048);
  EXPECT_EQ(s.analysisHalfSize, 1024);
  EXPECT_DOUBLE_EQ(s.loops, 3.0);
  EXPECT_EQ(s.fileOptions, 1);
  EXPECT_EQ(s.reserve1Bytes(), INT64_C(10) * 1048576);
  EXPECT_EQ(s.storeCacheSizeKB(), 2048);
  // The same key SpectralLow has one default for the palette and another for the display colours.
  EXPECT_EQ(s.paletteLow, makeColour(0, 32, 32));
  EXPECT_EQ(s.display[kColSpectralLow], makeColour(0, 32, 13));
  EXPECT_EQ(s.paletteHigh, 0x00DCFFF0u);
}

TEST(Settings, DefaultStructMatchesEmptyFileLoad) {
  ui::MemorySettingsSource a, b;
  saveSettings(Settings(), a);
  ui::MemorySettingsSource empty;
  saveSettings(loadSettings(empty), b);
  EXPECT_EQ(a.keyCount(), b.keyCount());
  for (const char* key : {"DisplayMode", "UndoLevels", "CacheSize", "PeakBlockSize", "AutoPlayOnLoad"}) {
    EXPECT_EQ(a.value("Settings", key), b.value("Settings", key)) << key;
  }
}

struct IntCase {
  const char* section;
  const char* key;
  const char* value;
  int32_t Settings::*field;
  int32_t expected;
};

class SettingsIntClamp : public ::testing::TestWithParam<IntCase> {};

TEST_P(SettingsIntClamp, Load) {
  const IntCase& c = GetParam();
  ui::MemorySettingsSource src;
  src.set(c.section, c.key, c.value);
  Settings s = loadSettings(src);
  EXPECT_EQ(s.*(c.field), c.expected) << c.key << "=" << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Table, SettingsIntClamp,
    ::testing::Values(IntCase{"Settings", "DisplayMode", "57", &Settings::displayMode, 49},
                      IntCase{"Settings", "DisplayMode", "2", &Settings::displayMode, 50},
                      IntCase{"Settings", "DisplayMode", "0", &Settings::displayMode, 49},
                      IntCase{"Settings", "DisplayMode", "8", &Settings::displayMode, 49},
                      IntCase{"System", "NumBuffers", "1", &Settings::numBuffers, 2},
                      IntCase{"System", "NumBuffers", "100", &Settings::numBuffers, 32},
                      IntCase{"System", "NumBuffers", "-7", &Settings::numBuffers, 2},
                      IntCase{"Settings", "PeakBlockSize", "0", &Settings::peakBlockSize, 64},
                      IntCase{"Settings", "PeakBlockSize", "99999", &Settings::peakBlockSize, 16384},
                      IntCase{"Settings", "UndoLevels", "0", &Settings::undoLevels, 1},
                      IntCase{"Settings", "UndoLevels", "-3", &Settings::undoLevels, 1},
                      IntCase{"Settings", "CacheSize", "-100", &Settings::cacheSizeKB, 1024},
                      IntCase{"Settings", "CacheSize", "100", &Settings::cacheSizeKB, 1024},
                      IntCase{"Settings", "CacheSize", "4096", &Settings::cacheSizeKB, 4096},
                      IntCase{"Settings", "MaxDisplayTime", "40000", &Settings::maxDisplayTime, 30000},
                      IntCase{"Settings", "MaxDisplayTime", "-1", &Settings::maxDisplayTime, 0},
                      IntCase{"System", "AutoDownQuality", "5", &Settings::autoDownQuality, 30},
                      IntCase{"System", "AutoUpQuality", "5000", &Settings::autoUpQuality, 1000},
                      IntCase{"System", "AutoUpQuality", "1e300", &Settings::autoUpQuality, 1000},
                      IntCase{"System", "MinPreviewBufInMs", "50", &Settings::minPreviewBufInMs, 100},
                      IntCase{"System", "MinPreviewBufInMs", "9000", &Settings::minPreviewBufInMs, 5000},
                      IntCase{"System", "SaveMode", "1", &Settings::saveMode, 1},
                      IntCase{"System", "SaveMode", "12345678", &Settings::saveMode, 1234},  // 4 characters
                      IntCase{"Size", "XLoc", "-1200", &Settings::xLoc, -1200},
                      IntCase{"System", "AnalysisSize", "4096.7", &Settings::analysisHalfSize, 2048}));

struct RealCase {
  const char* key;
  const char* value;
  double Settings::*field;
  double expected;
};

class SettingsRealClamp : public ::testing::TestWithParam<RealCase> {};

TEST_P(SettingsRealClamp, Load) {
  const RealCase& c = GetParam();
  ui::MemorySettingsSource src;
  src.set("System", c.key, c.value);
  Settings s = loadSettings(src);
  EXPECT_DOUBLE_EQ(s.*(c.field), c.expected) << c.key << "=" << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Table, SettingsRealClamp,
    ::testing::Values(RealCase{"BufferSize", "0.5", &Settings::bufferSize, 1.0},
                      RealCase{"BufferSize", "25", &Settings::bufferSize, 20.0},
                      RealCase{"BufferSize", "-3", &Settings::bufferSize, 1.0},
                      RealCase{"BufferSize", "nan", &Settings::bufferSize, 4.0},
                      RealCase{"BufferSize", "junk", &Settings::bufferSize, 1.0},
                      RealCase{"AutoDither32to16", "12", &Settings::autoDither32to16, 9.0},
                      RealCase{"AutoDither32to16", "-1", &Settings::autoDither32to16, 0.0},
                      RealCase{"MegsFreeOnTemp1", "-5", &Settings::megsFreeOnTemp1, 0.0},
                      RealCase{"MegsFreeOnTemp2", "2.5", &Settings::megsFreeOnTemp2, 2.5}));

TEST(Settings, SpectralViewFromDisplayMode) {
  ui::MemorySettingsSource src;
  src.set("Settings", "DisplayMode", "2");
  Settings s = loadSettings(src);
  EXPECT_EQ(s.displayMode, 50);
  EXPECT_TRUE(s.spectralView);
}

TEST(Settings, ReservesAreComputedIn64Bits) {
  ui::MemorySettingsSource src;
  src.set("System", "MegsFreeOnTemp1", "8192");
  src.set("System", "MegsFreeOnTemp2", "1e30");
  Settings s = loadSettings(src);
  EXPECT_EQ(s.reserve1Bytes(), INT64_C(8192) * 1048576);
  EXPECT_GT(s.reserve2Bytes(), 0);
  EXPECT_EQ(s.reserve2Bytes(), static_cast<int64_t>(kMaxMegsFree * 1048576.0));
}

TEST(Settings, SystemCacheGivesTheStoreNoCache) {
  ui::MemorySettingsSource src;
  src.set("Settings", "UseSystemCache", "1");
  src.set("Settings", "CacheSize", "8192");
  Settings s = loadSettings(src);
  EXPECT_EQ(s.cacheSizeKB, 8192);
  EXPECT_EQ(s.storeCacheSizeKB(), 0);
}

struct YesNoCase {
  const char* key;
  const char* value;
  bool Settings::*field;
  bool expected;
};

class SettingsYesNo : public ::testing::TestWithParam<YesNoCase> {};

TEST_P(SettingsYesNo, Load) {
  const YesNoCase& c = GetParam();
  ui::MemorySettingsSource src;
  src.set("System", c.key, c.value);
  Settings s = loadSettings(src);
  EXPECT_EQ(s.*(c.field), c.expected) << c.key << "=" << c.value;
}

INSTANTIATE_TEST_SUITE_P(Table, SettingsYesNo,
                         ::testing::Values(YesNoCase{"PasteHilite", "yes", &Settings::pasteHilite, true},
                                           YesNoCase{"PasteHilite", "No", &Settings::pasteHilite, false},
                                           YesNoCase{"LiveUpdate", "y", &Settings::liveUpdate, true},
                                           YesNoCase{"LiveUpdate", "true", &Settings::liveUpdate, false},
                                           YesNoCase{"Undo", "", &Settings::undo, false},
                                           YesNoCase{"ToolHelp", "nO", &Settings::toolHelp, false},
                                           YesNoCase{"PreviewFiles", "yEs", &Settings::previewFiles, true},
                                           YesNoCase{"SmoothDelete", "YES", &Settings::smoothDelete, false},
                                           YesNoCase{"AutoConvertTo32", "Yes", &Settings::autoConvertTo32,
                                                     false}));

struct ColourCase {
  const char* text;
  Colour expected;
};

class SettingsColour : public ::testing::TestWithParam<ColourCase> {};

TEST_P(SettingsColour, Parse) {
  EXPECT_EQ(parseColour(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Table, SettingsColour,
                         ::testing::Values(ColourCase{"240,255,220", 0x00DCFFF0u},
                                           ColourCase{"0,32,13", 0x000D2000u},
                                           ColourCase{"255", 0x000000FFu},  // missing parts are 0
                                           ColourCase{"1,2", 0x00000201u}, ColourCase{"", 0u},
                                           ColourCase{"300,-5,256", 0x00FF00FFu},  // clamped per channel
                                           ColourCase{" 10, 20, 30", 0x001E140Au}));

TEST(Settings, ColourRoundTrip) {
  EXPECT_EQ(formatColour(0x00DCFFF0u), "240,255,220");
  for (Colour c : {0u, 0x00FFFFFFu, 0x00123456u, 0x00010203u}) EXPECT_EQ(parseColour(formatColour(c)), c);
}

TEST(Settings, SaveWritesTheSpecifiedForms) {
  ui::MemorySettingsSource src;
  src.set("System", "SmoothDelete", "YES");
  src.set("System", "AutoConvertTo32", "YES");
  Settings s = loadSettings(src);
  ui::MemorySettingsSource out;
  saveSettings(s, out);
  EXPECT_EQ(out.value("Settings", "DisplayMode"), "49");
  EXPECT_EQ(out.value("Settings", "NT"), "No");
  EXPECT_EQ(out.value("System", "SmoothDelete"), "No");
  EXPECT_EQ(out.value("System", "AutoConvertTo32"), "No");
  EXPECT_EQ(out.value("System", "PasteHilite"), "Yes");
  EXPECT_EQ(out.value("System", "BufferSize"), "4");
  EXPECT_EQ(out.value("System", "AutoCrossfadeSize"), "3");
  EXPECT_EQ(out.value("System", "AutoDownQuality"), "80");
  EXPECT_EQ(out.value("Paste Special", "Loops"), "3");
  EXPECT_EQ(out.value("Paste Special", "Right"), "1");
  EXPECT_EQ(out.value("Settings", "BoundaryLine"), "-1");
  EXPECT_EQ(out.value("Settings", "CacheSize"), "2048");
  EXPECT_EQ(out.value("Colors", "SpectralLow"), "0,32,13");
  EXPECT_EQ(out.value("Colors", "SpectralHigh"), "240,255,220");
  // Window keys, temporary directories, recent files and missing devices are not written.
  for (const char* key : {"XLoc", "YLoc", "X", "Y", "CueList", "TempOverride"})
    EXPECT_FALSE(out.has("Size", key)) << key;
  EXPECT_FALSE(out.has("Settings", "UndoTempDir"));
  EXPECT_FALSE(out.has("DirGroup 100", "NumItems"));
  EXPECT_FALSE(out.has("Recent", "FileFilter"));
  for (const char* key : {"WaveOut", "WaveIn", "MidiOut", "MidiIn"})
    EXPECT_FALSE(out.has("System", key)) << key;
}

TEST(Settings, SaveWritesDevicesThatExist) {
  Settings s;
  s.waveOut = {true, "Wine Sound Out"};
  s.midiIn = {true, ""};
  ui::MemorySettingsSource out;
  saveSettings(s, out);
  EXPECT_EQ(out.value("System", "WaveOut"), "Wine Sound Out");
  EXPECT_TRUE(out.has("System", "MidiIn"));
  EXPECT_FALSE(out.has("System", "WaveIn"));
}

TEST(Settings, SaveNormalisesDisplayModeWithoutBit5) {
  Settings s;
  s.displayMode = 8;  // no view bit, bit 3 set
  ui::MemorySettingsSource out;
  saveSettings(s, out);
  EXPECT_EQ(out.value("Settings", "DisplayMode"), "17");
}

TEST(Settings, SaveThenLoadKeepsEveryValue) {
  Settings s;
  s.peakBlockSize = 1024;
  s.undoLevels = 9;
  s.bufferSize = 2.5;
  s.numBuffers = 16;
  s.megsFreeOnTemp1 = 123.5;
  s.pasteHilite = false;
  s.previewFiles = true;
  s.loops = 7;
  s.display[kColCursor] = makeColour(1, 2, 3);
  s.spectrumRange = 96;
  ui::MemorySettingsSource ini;
  saveSettings(s, ini);
  Settings back = loadSettings(ini);
  EXPECT_EQ(back.peakBlockSize, 1024);
  EXPECT_EQ(back.undoLevels, 9);
  EXPECT_DOUBLE_EQ(back.bufferSize, 2.5);
  EXPECT_EQ(back.numBuffers, 16);
  EXPECT_DOUBLE_EQ(back.megsFreeOnTemp1, 123.5);
  EXPECT_FALSE(back.pasteHilite);
  EXPECT_TRUE(back.previewFiles);
  EXPECT_DOUBLE_EQ(back.loops, 7);
  EXPECT_EQ(back.display[kColCursor], makeColour(1, 2, 3));
  EXPECT_DOUBLE_EQ(back.spectrumRange, 96);
}

TEST(Settings, RecentFilterIsSavedSeparately) {
  ui::MemorySettingsSource src;
  src.set("Recent", "FileFilter", "Windows PCM and a very long tail beyond 23");
  Settings s = loadSettings(src);
  EXPECT_EQ(s.fileFilter.size(), 23u);
  ui::MemorySettingsSource out;
  saveRecentFilter(s, out);
  EXPECT_EQ(out.value("Recent", "FileFilter"), s.fileFilter);
  EXPECT_EQ(out.value("Recent", "FileOptions"), "1");
}

TEST(SettingsSource, ProfileIntRule) {
  EXPECT_EQ(ui::parseProfileInt("  -42abc", 7), -42);
  EXPECT_EQ(ui::parseProfileInt("x", 7), 7);
  EXPECT_EQ(ui::parseProfileInt("", 7), 7);
  EXPECT_EQ(ui::parseProfileInt("99999999999", 0), INT32_MAX);
  EXPECT_EQ(ui::parseProfileInt("-99999999999", 0), INT32_MIN);
  EXPECT_EQ(ui::parseProfileInt("2147483648", 0), INT32_MAX);
}

TEST(SettingsSource, MemoryNamesIgnoreCase) {
  ui::MemorySettingsSource m;
  m.writeString("size", "xloc", "12");
  EXPECT_EQ(m.getInt("SIZE", "XLoc", 0), 12);
  EXPECT_EQ(m.getString("Size", "XLOC", "", 1), "1");
  m.writeString("Size", "XLoc", nullptr);
  EXPECT_FALSE(m.has("Size", "XLoc"));
}

}  // namespace
}  // namespace shell
