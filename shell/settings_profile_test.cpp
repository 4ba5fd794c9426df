// The settings round trip through a real ini file (the platform's profile calls on a temporary path),
// so what the save routine writes is read back as the same settings.
#include <gtest/gtest.h>

#include "platform/file.h"
#include "platform/test_dir.h"
#include "shell/recent_files.h"
#include "shell/settings.h"
#include "shell/temp_dirs.h"

namespace shell {
namespace {

class ProfileSettings : public ::testing::Test {
 protected:
  platform::TestDir dir_{"shell-ini"};
  ui::ProfileSettingsSource ini_{platform::joinPath(dir_.path(), "SORN.INI")};
};

TEST_F(ProfileSettings, SaveThenLoadThroughTheFile) {
  ini_.writeString("System", "SmoothDelete", "YES");
  ini_.writeString("Settings", "DisplayMode", "2");
  ini_.writeString("Colors", "Cursor", "1,2,3");
  Settings s = loadSettings(ini_);
  EXPECT_EQ(s.displayMode, 50);
  EXPECT_TRUE(s.spectralView);
  s.bufferSize = 2.5;
  s.numBuffers = 12;
  saveSettings(s, ini_);
  EXPECT_EQ(ini_.getString("System", "SmoothDelete", "", 8), "No");
  EXPECT_EQ(ini_.getString("Settings", "NT", "", 8), "No");
  EXPECT_EQ(ini_.getString("Settings", "DisplayMode", "", 8), "50");
  EXPECT_EQ(ini_.getString("System", "BufferSize", "", 8), "2.5");
  Settings back = loadSettings(ini_);
  EXPECT_DOUBLE_EQ(back.bufferSize, 2.5);
  EXPECT_EQ(back.numBuffers, 12);
  EXPECT_EQ(back.display[kColCursor], makeColour(1, 2, 3));
}

TEST_F(ProfileSettings, NegativePositionsAndCutValues) {
  ini_.writeString("Size", "XLoc", "-1200");
  ini_.writeString("Recent", "FileFilter", "A filter name longer than twenty-three");
  Settings s = loadSettings(ini_);
  EXPECT_EQ(s.xLoc, -1200);
  EXPECT_EQ(s.fileFilter.size(), 23u);
}

TEST_F(ProfileSettings, RecentListThroughTheFile) {
  std::vector<std::string> names;
  for (const char* n : {"a.wav", "b.wav", "c.wav"}) addRecentFile(&names, n);
  writeRecentFiles(ini_, names, 0);
  EXPECT_EQ(readRecentFiles(ini_), names);
}

}  // namespace
}  // namespace shell
