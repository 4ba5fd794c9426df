// Tests of the file layer through the real table. They run in both builds, so the share-mode emulation of
// the native build is checked against the same expectations that real Windows share modes meet under Wine.
#include "platform/file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/test_dir.h"

namespace platform {
namespace {

struct Handle {
  File* f = nullptr;
  ~Handle() { fileClose(f); }
};

void writeAll(File* f, uint64_t offset, const std::string& s) {
  uint32_t done = 0;
  ASSERT_EQ(fileOps().write(f, offset, s.data(), uint32_t(s.size()), &done), FileStatus::Ok);
  ASSERT_EQ(done, s.size());
}

std::string readAt(File* f, uint64_t offset, uint32_t size, FileStatus* st = nullptr) {
  std::string buf(size, '\0');
  uint32_t done = 0xdead;
  FileStatus s = fileOps().read(f, offset, &buf[0], size, &done);
  if (st) *st = s;
  buf.resize(s == FileStatus::Ok ? done : 0);
  return buf;
}

TEST(FileStatusText, EveryStatusHasItsOwnText) {
  std::vector<std::string> seen;
  for (int i = 0; i <= int(FileStatus::InvalidArgument); ++i) {
    const char* t = fileStatusText(FileStatus(i));
    ASSERT_NE(t, nullptr);
    ASSERT_GT(std::strlen(t), 0u);
    for (const std::string& s : seen) EXPECT_NE(s, t) << "status " << i;
    seen.push_back(t);
  }
  EXPECT_NE(fileStatusText(FileStatus(99)), nullptr);
}

TEST(File, WriteReadAndShortReadPastEnd) {
  TestDir dir;
  Handle h;
  ASSERT_EQ(fileOpen(dir.file("a.bin"), kFileRead | kFileWrite | kFileCreate, &h.f), FileStatus::Ok);
  writeAll(h.f, 0, "hello, world");
  uint64_t size = 0;
  ASSERT_EQ(fileOps().size(h.f, &size), FileStatus::Ok);
  EXPECT_EQ(size, 12u);
  EXPECT_EQ(readAt(h.f, 7, 5), "world");
  FileStatus st;
  EXPECT_EQ(readAt(h.f, 7, 100, &st), "world");  // short, but not an error
  EXPECT_EQ(st, FileStatus::Ok);
  EXPECT_EQ(readAt(h.f, 12, 10, &st), "");
  EXPECT_EQ(st, FileStatus::Ok);
  EXPECT_EQ(readAt(h.f, 1000, 10, &st), "");
  EXPECT_EQ(st, FileStatus::Ok);
}

TEST(File, OpenStatuses) {
  TestDir dir;
  Handle h;
  EXPECT_EQ(fileOpen(dir.file("missing"), kFileRead, &h.f), FileStatus::NotFound);
  EXPECT_EQ(h.f, nullptr);
  EXPECT_EQ(fileOpen(dir.file("no/such/dir/x"), kFileWrite | kFileCreate, &h.f), FileStatus::NotFound);
  EXPECT_EQ(fileOpen(dir.path(), kFileRead, &h.f), FileStatus::AccessDenied);
  EXPECT_EQ(fileOpen(dir.file("a"), 0, &h.f), FileStatus::InvalidArgument);
  ASSERT_EQ(fileOpen(dir.file("a"), kFileWrite | kFileCreateNew, &h.f), FileStatus::Ok);
  writeAll(h.f, 0, "abc");
  fileClose(h.f);
  h.f = nullptr;
  EXPECT_EQ(fileOpen(dir.file("a"), kFileWrite | kFileCreateNew, &h.f), FileStatus::Exists);
  // kFileCreate truncates an existing file.
  ASSERT_EQ(fileOpen(dir.file("a"), kFileRead | kFileWrite | kFileCreate, &h.f), FileStatus::Ok);
  uint64_t size = 99;
  ASSERT_EQ(fileOps().size(h.f, &size), FileStatus::Ok);
  EXPECT_EQ(size, 0u);
}

TEST(File, WriteOnReadOnlyHandleIsRefused) {
  TestDir dir;
  Handle h;
  ASSERT_EQ(fileOpen(dir.file("a"), kFileWrite | kFileCreate, &h.f), FileStatus::Ok);
  writeAll(h.f, 0, "abc");
  fileClose(h.f);
  ASSERT_EQ(fileOpen(dir.file("a"), kFileRead, &h.f), FileStatus::Ok);
  uint32_t done = 7;
  EXPECT_NE(fileOps().write(h.f, 0, "x", 1, &done), FileStatus::Ok);
  EXPECT_EQ(done, 0u);
  EXPECT_EQ(readAt(h.f, 0, 3), "abc");
}

TEST(File, OffsetsBeyondFourGigabytes) {
  TestDir dir;
  Handle h;
  ASSERT_EQ(fileOpen(dir.file("sparse"), kFileRead | kFileWrite | kFileCreate, &h.f), FileStatus::Ok);
  const uint64_t far = 5ull * 1024 * 1024 * 1024 + 3;  // 5 GiB + 3: past every 32-bit boundary
  uint32_t done = 0;
  FileStatus st = fileOps().write(h.f, far, "tail", 4, &done);
  if (st == FileStatus::DiskFull || st == FileStatus::IoError)
    GTEST_SKIP() << "this filesystem refuses a 5 GiB sparse file: " << fileStatusText(st);
  ASSERT_EQ(st, FileStatus::Ok);
  uint64_t size = 0;
  ASSERT_EQ(fileOps().size(h.f, &size), FileStatus::Ok);
  EXPECT_EQ(size, far + 4);
  EXPECT_EQ(readAt(h.f, far, 4), "tail");
  EXPECT_EQ(readAt(h.f, far - 2, 8), std::string("\0\0tail", 6));
  // The low 32 bits of the offset alone must not have been written.
  EXPECT_EQ(readAt(h.f, far & 0xffffffffu, 4), std::string(4, '\0'));
  ASSERT_EQ(fileOps().truncate(h.f, far), FileStatus::Ok);
  ASSERT_EQ(fileOps().size(h.f, &size), FileStatus::Ok);
  EXPECT_EQ(size, far);
}

TEST(File, TruncateExtendsWithZerosAndShrinks) {
  TestDir dir;
  Handle h;
  ASSERT_EQ(fileOpen(dir.file("t"), kFileRead | kFileWrite | kFileCreate, &h.f), FileStatus::Ok);
  writeAll(h.f, 0, "abcdef");
  ASSERT_EQ(fileOps().truncate(h.f, 3), FileStatus::Ok);
  EXPECT_EQ(readAt(h.f, 0, 10), "abc");
  ASSERT_EQ(fileOps().truncate(h.f, 5), FileStatus::Ok);
  EXPECT_EQ(readAt(h.f, 0, 10), std::string("abc\0\0", 5));
  EXPECT_EQ(fileOps().flush(h.f), FileStatus::Ok);
}

TEST(File, ModifiedTimeRoundTrips) {
  TestDir dir;
  Handle h;
  ASSERT_EQ(fileOpen(dir.file("t"), kFileRead | kFileWrite | kFileCreate, &h.f), FileStatus::Ok);
  const int64_t when = 1000000000;  // 2001-09-09 01:46:40 UTC
  ASSERT_EQ(fileOps().setTime(h.f, when), FileStatus::Ok);
  int64_t got = 0;
  ASSERT_EQ(fileOps().getTime(h.f, &got), FileStatus::Ok);
  EXPECT_EQ(got, when);
}

TEST(File, RemoveRenameExists) {
  TestDir dir;
  Handle h;
  ASSERT_EQ(fileOpen(dir.file("a"), kFileWrite | kFileCreate, &h.f), FileStatus::Ok);
  writeAll(h.f, 0, "AAA");
  fileClose(h.f);
  ASSERT_EQ(fileOpen(dir.file("b"), kFileWrite | kFileCreate, &h.f), FileStatus::Ok);
  writeAll(h.f, 0, "B");
  fileClose(h.f);
  h.f = nullptr;
  bool isDir = true;
  ASSERT_EQ(fileOps().exists(dir.file("a").c_str(), &isDir), FileStatus::Ok);
  EXPECT_FALSE(isDir);
  ASSERT_EQ(fileOps().exists(dir.path().c_str(), &isDir), FileStatus::Ok);
  EXPECT_TRUE(isDir);
  ASSERT_EQ(fileOps().rename(dir.file("a").c_str(), dir.file("b").c_str()), FileStatus::Ok);  // replaces
  EXPECT_EQ(fileOps().exists(dir.file("a").c_str(), nullptr), FileStatus::NotFound);
  ASSERT_EQ(fileOpen(dir.file("b"), kFileRead, &h.f), FileStatus::Ok);
  EXPECT_EQ(readAt(h.f, 0, 10), "AAA");
  fileClose(h.f);
  h.f = nullptr;
  EXPECT_EQ(fileOps().remove(dir.file("b").c_str()), FileStatus::Ok);
  EXPECT_EQ(fileOps().remove(dir.file("b").c_str()), FileStatus::NotFound);
  EXPECT_EQ(fileOps().exists(dir.file("b").c_str(), nullptr), FileStatus::NotFound);
}

// Share modes: the second open against a live first handle, as Windows decides it.
struct ShareCase {
  unsigned first, second;
  FileStatus expect;
};

TEST(File, ShareModesDecideSecondOpen) {
  const unsigned R = kFileRead, W = kFileWrite, SR = kFileShareRead, SW = kFileShareWrite;
  const ShareCase cases[] = {
      {R | SR, R | SR, FileStatus::Ok},
      {R | SR, W | SR, FileStatus::SharingViolation},      // first does not share writing
      {R | SR, R, FileStatus::SharingViolation},           // second does not share with a reader
      {R, R | SR, FileStatus::SharingViolation},           // first is exclusive
      {R | W, R | SR | SW, FileStatus::SharingViolation},  // exclusive writer
      {R | SR | SW, R | W | SR | SW, FileStatus::Ok},
      {W | SR, R | SW, FileStatus::Ok},                // each allows what the other does
      {W | SR, R | SR, FileStatus::SharingViolation},  // the second refuses the first's writing
      {R | SR | SW, W, FileStatus::SharingViolation},
  };
  TestDir dir;
  Handle make;
  ASSERT_EQ(fileOpen(dir.file("s"), kFileWrite | kFileCreate, &make.f), FileStatus::Ok);
  fileClose(make.f);
  make.f = nullptr;
  for (const ShareCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "first 0x" << std::hex << c.first << " second 0x" << c.second);
    Handle a, b;
    ASSERT_EQ(fileOpen(dir.file("s"), c.first, &a.f), FileStatus::Ok);
    EXPECT_EQ(fileOpen(dir.file("s"), c.second, &b.f), c.expect);
    EXPECT_EQ(b.f == nullptr, c.expect != FileStatus::Ok);
  }
  // Every handle is closed now: an exclusive open succeeds again.
  ASSERT_EQ(fileOpen(dir.file("s"), kFileRead | kFileWrite, &make.f), FileStatus::Ok);
}

TEST(File, OpenFileCannotBeRemovedOrReplaced) {
  TestDir dir;
  Handle h, other;
  ASSERT_EQ(fileOpen(dir.file("x"), kFileWrite | kFileCreate, &other.f), FileStatus::Ok);
  fileClose(other.f);
  other.f = nullptr;
  ASSERT_EQ(fileOpen(dir.file("s"), kFileRead | kFileWrite | kFileCreate | kFileShareRead, &h.f),
            FileStatus::Ok);
  EXPECT_EQ(fileOps().remove(dir.file("s").c_str()), FileStatus::SharingViolation);
  // Windows reports a replace of an open file as access denied or a sharing violation; either way it fails.
  FileStatus st = fileOps().rename(dir.file("x").c_str(), dir.file("s").c_str());
  EXPECT_TRUE(st == FileStatus::SharingViolation || st == FileStatus::AccessDenied) << fileStatusText(st);
  EXPECT_EQ(fileOps().exists(dir.file("x").c_str(), nullptr), FileStatus::Ok);
  fileClose(h.f);
  h.f = nullptr;
  EXPECT_EQ(fileOps().remove(dir.file("s").c_str()), FileStatus::Ok);
}

TEST(File, CreateDoesNotTruncateAFileItMayNotShare) {
  TestDir dir;
  Handle a, b;
  ASSERT_EQ(fileOpen(dir.file("k"), kFileRead | kFileWrite | kFileCreate, &a.f), FileStatus::Ok);
  writeAll(a.f, 0, "keep");
  EXPECT_EQ(fileOpen(dir.file("k"), kFileWrite | kFileCreate, &b.f), FileStatus::SharingViolation);
  EXPECT_EQ(readAt(a.f, 0, 10), "keep");
}

TEST(File, DeleteOnCloseLeavesNothing) {
  TestDir dir;
  Handle h;
  const unsigned fl = kFileRead | kFileWrite | kFileCreateNew | kFileDeleteOnClose | kFileWriteThrough;
  ASSERT_EQ(fileOpen(dir.file("tmp"), fl, &h.f), FileStatus::Ok);
  writeAll(h.f, 65536, "block");
  EXPECT_EQ(readAt(h.f, 65536, 5), "block");
  fileClose(h.f);
  h.f = nullptr;
  EXPECT_EQ(fileOps().exists(dir.file("tmp").c_str(), nullptr), FileStatus::NotFound);
}

TEST(File, DirectIoAlignedAndUnaligned) {
  TestDir dir;
  Handle h;
  const unsigned fl = kFileRead | kFileWrite | kFileCreate | kFileDirectIo;
  ASSERT_EQ(fileOpen(dir.file("d"), fl, &h.f), FileStatus::Ok);
  // Aligned: whole 64 KiB blocks from a 4 KiB-aligned buffer, as the store does.
  std::vector<char> raw(3 * 65536 + 4096);
  char* block = raw.data() + (4096 - reinterpret_cast<uintptr_t>(raw.data()) % 4096) % 4096;
  for (int i = 0; i < 65536; ++i) block[i] = char(i * 7);
  uint32_t done = 0;
  ASSERT_EQ(fileOps().write(h.f, 65536, block, 65536, &done), FileStatus::Ok);
  ASSERT_EQ(done, 65536u);
  char* back = block + 65536;
  ASSERT_EQ(fileOps().read(h.f, 65536, back, 65536, &done), FileStatus::Ok);
  ASSERT_EQ(done, 65536u);
  EXPECT_EQ(std::memcmp(block, back, 65536), 0);
  // Unaligned in every way, ending past the end of the file: the size must end exactly after it.
  writeAll(h.f, 131072 + 100, "unaligned tail");
  uint64_t size = 0;
  ASSERT_EQ(fileOps().size(h.f, &size), FileStatus::Ok);
  EXPECT_EQ(size, 131072u + 100 + 14);
  EXPECT_EQ(readAt(h.f, 131072 + 98, 100), std::string("\0\0unaligned tail", 16));
  writeAll(h.f, 65536 + 3, "mid");
  std::string expect(block, 10);
  expect.replace(3, 3, "mid");
  EXPECT_EQ(readAt(h.f, 65536, 10), expect);
  EXPECT_EQ(readAt(h.f, 65536 + 6, 1), std::string(1, block[6]));
}

TEST(File, CountersCountTheRealTable) {
  TestDir dir;
  Handle h;
  resetIoCounters();
  ASSERT_EQ(fileOpen(dir.file("c"), kFileRead | kFileWrite | kFileCreate, &h.f), FileStatus::Ok);
  writeAll(h.f, 0, "0123456789");
  writeAll(h.f, 10, "ab");
  readAt(h.f, 0, 4);
  readAt(h.f, 8, 100);  // short: counts the 4 bytes that came
  readAt(h.f, 50, 10);  // past the end: a call, no bytes
  IoCounters c = ioCounters();
  EXPECT_EQ(c.opens, 1u);
  EXPECT_EQ(c.writes, 2u);
  EXPECT_EQ(c.bytesWritten, 12u);
  EXPECT_EQ(c.reads, 3u);
  EXPECT_EQ(c.bytesRead, 8u);
  resetIoCounters();
  c = ioCounters();
  EXPECT_EQ(c.reads + c.writes + c.bytesRead + c.bytesWritten + c.opens, 0u);
}

TEST(Volume, SameDirectorySameVolume) {
  TestDir dir;
  EXPECT_TRUE(sameVolume(dir.path(), dir.file("not-yet-created")));
  EXPECT_TRUE(sameVolume(dir.file("a"), joinPath(dir.path(), "x/../b")));
  EXPECT_GT(diskFree(dir.path()), 0);
  EXPECT_GT(diskFree(dir.file("missing/child")), 0);  // measured on the nearest existing ancestor
  std::string root = volumeRoot(dir.path());
  ASSERT_FALSE(root.empty());
  EXPECT_EQ(absolutePath(dir.path()).compare(0, root.size(), root), 0) << root;
  EXPECT_EQ(volumeRoot(root), root);
  EXPECT_TRUE(sameVolume(root, dir.path()));
}

struct PathCase {
  const char* in;
  const char* parent;
};

TEST(Paths, ParentDirectory) {
  const PathCase cases[] = {
#ifdef _WIN32
      {"C:\\a\\b", "C:\\a"},
      {"C:\\a\\b\\", "C:\\a"},
      {"C:\\a", "C:\\"},
      {"C:\\", ""},
      {"C:/a/b", "C:/a"},
      {"\\\\srv\\share\\x", "\\\\srv\\share\\"},
      {"\\\\srv\\share\\", ""},
#else
      {"/a/b", "/a"}, {"/a/b/", "/a"}, {"/a//b", "/a"}, {"/a", "/"}, {"/", ""},
#endif
      {"a/b", "a"},
      {"name", ""},
      {"", ""},
  };
  for (const PathCase& c : cases) EXPECT_EQ(parentDirectory(c.in), c.parent) << "'" << c.in << "'";
}

TEST(Paths, JoinPath) {
  const std::string s(1, pathSeparator());
  EXPECT_EQ(joinPath("dir", "f"), "dir" + s + "f");
  EXPECT_EQ(joinPath("dir" + s, "f"), "dir" + s + "f");
  EXPECT_EQ(joinPath("dir", s + "f"), "dir" + s + "f");
  EXPECT_EQ(joinPath("", "f"), "f");
  EXPECT_EQ(absolutePath("x").back(), 'x');
  EXPECT_NE(parentDirectory(absolutePath("x")), "");
}

}  // namespace
}  // namespace platform
