// Randomized checks of the settings and command-line parsing: whatever a hand-edited settings file or a
// command line holds, the values that come out are in range, and saving is stable after the first save.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "platform/test_scale.h"
#include "shell/command_line.h"
#include "shell/settings.h"

namespace shell {
namespace {

using platform::testScale;

uint32_t seedFor(const char* name) {
  uint32_t seed = std::random_device{}();
  std::printf("%s seed %u\n", name, seed);
  return seed;
}

// Values of the kinds a settings file can hold, weighted towards the troublesome ones.
std::string randomValue(std::mt19937& rng) {
  static const char* const kOdd[] = {"",       "yes",    "No",         "Y",           "nan",  "inf",  "-inf",
                                     "1e308",  "-1e308", "2147483648", "-2147483649", "0x10", " 12 ", "1,2,3",
                                     "300,-4", ",,",     "abc",        "-0",          "0.5"};
  switch (rng() % 4) {
    case 0:
      return kOdd[rng() % (sizeof kOdd / sizeof kOdd[0])];
    case 1:
      return std::to_string(static_cast<int32_t>(rng()));
    case 2:
      return std::to_string(static_cast<int>(rng() % 70000) - 5000);
    default: {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%g", (static_cast<double>(rng()) / 1e6) - 1000.0);
      return buf;
    }
  }
}

void expectInRange(const Settings& s) {
  EXPECT_GE(s.peakBlockSize, kMinPeakBlockSize);
  EXPECT_LE(s.peakBlockSize, kMaxPeakBlockSize);
  EXPECT_GE(s.undoLevels, kMinUndoLevels);
  EXPECT_GE(s.cacheSizeKB, kMinCacheSizeKB);
  EXPECT_GE(s.bufferSize, kMinBufferSeconds);
  EXPECT_LE(s.bufferSize, kMaxBufferSeconds);
  EXPECT_GE(s.numBuffers, kMinNumBuffers);
  EXPECT_LE(s.numBuffers, kMaxNumBuffers);
  EXPECT_GE(s.maxDisplayTime, 0);
  EXPECT_LE(s.maxDisplayTime, kMaxDisplayTimeLimit);
  EXPECT_GE(s.autoDownQuality, kMinQuality);
  EXPECT_LE(s.autoUpQuality, kMaxQuality);
  EXPECT_GE(s.minPreviewBufInMs, kMinPreviewBufMs);
  EXPECT_LE(s.minPreviewBufInMs, kMaxPreviewBufMs);
  EXPECT_GE(s.autoDither32to16, kMinDither);
  EXPECT_LE(s.autoDither32to16, kMaxDither);
  EXPECT_GE(s.reserve1Bytes(), 0);
  EXPECT_GE(s.reserve2Bytes(), 0);
  EXPECT_TRUE(s.displayMode & (kDisplayWaveform | kDisplaySpectral));
  EXPECT_FALSE(s.displayMode & 0x08);
  EXPECT_FALSE(s.smoothDelete);
  EXPECT_FALSE(s.autoConvertTo32);
  for (Colour c : s.display) EXPECT_EQ(c & 0xFF000000u, 0u);
}

TEST(SettingsRandom, AnyFileGivesValuesInRangeAndAStableSave) {
  // Every key the settings read, with its section.
  ui::MemorySettingsSource keys;
  saveSettings(Settings(), keys);
  saveRecentFilter(Settings(), keys);
  std::vector<std::pair<std::string, std::string>> names;
  for (const auto& kv : keys.all()) {
    size_t nl = kv.first.find('\n');
    names.push_back({kv.first.substr(0, nl), kv.first.substr(nl + 1)});
  }
  for (const char* k : {"XLOC", "YLOC", "X", "Y", "CUELIST"}) names.push_back({"SIZE", k});

  std::mt19937 rng(seedFor("SettingsRandom"));
  int rounds = 200 * testScale();
  for (int round = 0; round < rounds; ++round) {
    ui::MemorySettingsSource ini;
    for (const auto& n : names) {
      if (rng() % 3 == 0) ini.set(n.first.c_str(), n.second.c_str(), randomValue(rng));
    }
    Settings s = loadSettings(ini);
    expectInRange(s);
    ui::MemorySettingsSource first, second;
    saveSettings(s, first);
    saveSettings(loadSettings(first), second);
    ASSERT_EQ(first.all(), second.all()) << "round " << round;
  }
}

TEST(CommandLineRandom, NoOverReadAndConsistentRegions) {
  std::mt19937 rng(seedFor("CommandLineRandom"));
  static const char* const kParts[] = {
      " ",  "  ",          "\"",    "/",         "/REGION:",   "/region:", ",",     "-", "9",
      "12", "99999999999", "/CLIP", "/AUTOSAVE", "/AUTOPLAY:", "y",        "a.wav", ":", "\t"};
  int rounds = 2000 * testScale();
  for (int round = 0; round < rounds; ++round) {
    std::string line;
    int parts = static_cast<int>(rng() % 12);
    for (int i = 0; i < parts; ++i) line += kParts[rng() % (sizeof kParts / sizeof kParts[0])];
    CommandLine cl = parseCommandLine(line.c_str());
    if (cl.hasRegion) {
      EXPECT_GE(cl.regionLength, 1) << line;
      int64_t length = static_cast<int64_t>(rng() % 100000);
      SampleRegion r = commandLineRegion(cl, length);
      if (r.valid) {
        EXPECT_GE(r.start, 0) << line;
        EXPECT_LE(r.start, r.end) << line;
        EXPECT_LT(r.end, length) << line;
      }
    }
    if (!line.empty() && line[0] == '/') {
      EXPECT_TRUE(cl.fileName.empty()) << line;
    }
    if (!line.empty() && line[0] != '"') {
      EXPECT_EQ(cl.fileName.find(' '), std::string::npos) << line;
    }
    EXPECT_LE(cl.fileName.size(), line.size()) << line;
  }
}

}  // namespace
}  // namespace shell
