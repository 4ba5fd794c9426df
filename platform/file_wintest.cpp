// Windows-only checks that the file layer uses the system's real share modes and delete-on-close: another
// CreateFileA, outside the layer, must see them.
#include <gtest/gtest.h>

#include <string>

#include "platform/file.h"
#include "platform/test_dir.h"
#include "platform/win32.h"

namespace platform {
namespace {

// Opens with the system directly; returns the error code (0 when the open succeeded, then closed again).
DWORD systemOpen(const std::string& path, DWORD access, DWORD share) {
  HANDLE h = CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError();
  CloseHandle(h);
  return 0;
}

TEST(WinFile, ReadSharedHandleRefusesWritersOnly) {
  TestDir dir;
  const std::string p = dir.file("source.wav");
  File* f = nullptr;
  ASSERT_EQ(fileOpen(p, kFileWrite | kFileCreate, &f), FileStatus::Ok);
  fileClose(f);
  ASSERT_EQ(fileOpen(p, kFileRead | kFileShareRead, &f), FileStatus::Ok);
  const DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;
  EXPECT_EQ(systemOpen(p, GENERIC_WRITE, shareAll), DWORD(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(systemOpen(p, GENERIC_READ, shareAll), 0u);
  EXPECT_EQ(systemOpen(p, GENERIC_READ, 0), DWORD(ERROR_SHARING_VIOLATION));  // would lock out our reader
  fileClose(f);
  EXPECT_EQ(systemOpen(p, GENERIC_WRITE, 0), 0u);
}

TEST(WinFile, ExclusiveHandleRefusesEveryone) {
  TestDir dir;
  const std::string p = dir.file("x.dat");
  File* f = nullptr;
  ASSERT_EQ(fileOpen(p, kFileRead | kFileWrite | kFileCreate, &f), FileStatus::Ok);
  EXPECT_EQ(systemOpen(p, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE), DWORD(ERROR_SHARING_VIOLATION));
  EXPECT_FALSE(DeleteFileA(p.c_str()));
  fileClose(f);
}

TEST(WinFile, DeleteOnCloseFileGoesWithItsHandle) {
  TestDir dir;
  const std::string p = dir.file("~WVX1234.TMP");
  File* f = nullptr;
  ASSERT_EQ(
      fileOpen(
          p, kFileRead | kFileWrite | kFileCreateNew | kFileDeleteOnClose | kFileWriteThrough | kFileDirectIo,
          &f),
      FileStatus::Ok);
  uint32_t done = 0;
  ASSERT_EQ(fileOps().write(f, 0, "data", 4, &done), FileStatus::Ok);
  EXPECT_NE(GetFileAttributesA(p.c_str()), INVALID_FILE_ATTRIBUTES);  // there while open
  fileClose(f);
  EXPECT_EQ(GetFileAttributesA(p.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST(WinFile, VolumeRootIsTheDriveRoot) {
  TestDir dir;
  std::string root = volumeRoot(dir.path());
  ASSERT_EQ(root.size(), 3u) << root;
  EXPECT_EQ(root.substr(1), ":\\");
  EXPECT_TRUE(sameVolume(dir.path(), root));
  EXPECT_GT(diskFree(root), 0);
}

}  // namespace
}  // namespace platform
