#include "shell/temp_dirs.h"

#include <gtest/gtest.h>

namespace shell {
namespace {

TEST(TempDirs, EmptyOverrideTakesTempAndCopiesIt) {
  TempDirPlan p = planTempDirs({"", "", "c:\\tmp", "C:\\WINDOWS"});
  EXPECT_EQ(p.tempDir, "C:\\TMP");
  EXPECT_EQ(p.undoTempDir, "C:\\TMP");
  EXPECT_TRUE(p.writeTempOverride);
  EXPECT_EQ(p.tempOverrideValue, "C:\\TMP");
  EXPECT_TRUE(p.writeUndoTempDir);
  EXPECT_EQ(p.undoTempDirValue, "C:\\TMP");
}

TEST(TempDirs, EmptyTempFallsBackToWindowsDirectory) {
  TempDirPlan p = planTempDirs({"", "", "", "C:\\windows"});
  EXPECT_EQ(p.tempDir, "C:\\WINDOWS");
  EXPECT_TRUE(p.writeTempOverride);
  EXPECT_EQ(p.tempOverrideValue, "C:\\WINDOWS");
}

TEST(TempDirs, SetValuesAreUpperCasedAndNotWritten) {
  TempDirPlan p = planTempDirs({"d:\\scratch", "e:\\undo", "c:\\tmp", "C:\\WINDOWS"});
  EXPECT_EQ(p.tempDir, "D:\\SCRATCH");
  EXPECT_EQ(p.undoTempDir, "E:\\UNDO");
  EXPECT_FALSE(p.writeTempOverride);
  EXPECT_FALSE(p.writeUndoTempDir);
}

TEST(TempDirs, OnlyUndoDirEmpty) {
  TempDirPlan p = planTempDirs({"d:\\scratch", "", "c:\\tmp", "C:\\WINDOWS"});
  EXPECT_FALSE(p.writeTempOverride);
  EXPECT_TRUE(p.writeUndoTempDir);
  EXPECT_EQ(p.undoTempDirValue, "D:\\SCRATCH");
}

TEST(TempDirs, DriveRootLosesItsBackslashOnlyForUse) {
  TempDirPlan p = planTempDirs({"", "", "c:\\", "C:\\WINDOWS"});
  EXPECT_EQ(p.tempDir, "C:");
  EXPECT_EQ(p.undoTempDir, "C:");
  EXPECT_EQ(p.tempOverrideValue, "C:\\");
  EXPECT_EQ(p.undoTempDirValue, "C:\\");
  TempDirPlan q = planTempDirs({"d:\\", "e:\\", "", ""});
  EXPECT_EQ(q.tempDir, "D:");
  EXPECT_EQ(q.undoTempDir, "E:");
}

TEST(TempDirs, ThreeCharactersWithoutSeparatorStay) {
  EXPECT_EQ(dirForUse("ABC"), "ABC");
  EXPECT_EQ(dirForUse("C:\\X"), "C:\\X");
  EXPECT_EQ(dirForUse("C:"), "C:");
}

TEST(TempDirs, LongTempIsNotCut) {
  std::string longDir = "C:\\" + std::string(200, 'a');
  TempDirPlan p = planTempDirs({"", "", longDir, ""});
  EXPECT_EQ(p.tempDir.size(), longDir.size());
}

}  // namespace
}  // namespace shell
