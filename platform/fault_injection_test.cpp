// Tests of the fault injector and the fake volumes, driven through fileOps() as the program's code is.
#include "platform/fault_injection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/test_dir.h"

namespace platform {
namespace {

struct Handle {
  File* f = nullptr;
  ~Handle() { fileClose(f); }
};

std::string contents(const std::string& path) {
  File* f = nullptr;
  if (realFileOps().open(path.c_str(), kFileRead | kFileShareRead | kFileShareWrite, &f) != FileStatus::Ok)
    return "<missing>";
  std::string s(256, '\0');
  uint32_t done = 0;
  realFileOps().read(f, 0, &s[0], uint32_t(s.size()), &done);
  realFileOps().close(f);
  s.resize(done);
  return s;
}

// One run of a small multi-call operation: open, write, read back, truncate, close.
FileStatus smallOperation(const std::string& path) {
  Handle h;
  FileStatus st = fileOpen(path, kFileRead | kFileWrite | kFileCreate, &h.f);
  if (st != FileStatus::Ok) return st;
  uint32_t done = 0;
  if ((st = fileOps().write(h.f, 0, "abcdefgh", 8, &done)) != FileStatus::Ok) return st;
  char buf[8];
  if ((st = fileOps().read(h.f, 0, buf, 8, &done)) != FileStatus::Ok) return st;
  return fileOps().truncate(h.f, 4);
}

TEST(FaultInjector, FailsTheNthCallOnceThenRecovers) {
  TestDir dir;
  // The operation makes four counted calls: open, write, read, truncate.
  for (uint64_t n = 1; n <= 5; ++n) {
    SCOPED_TRACE(n);
    FaultInjector inj;
    inj.failAt(n, FileStatus::IoError);
    ScopedFileOps use(inj.ops());
    FileStatus st = smallOperation(dir.file("op"));
    EXPECT_EQ(st, n <= 4 ? FileStatus::IoError : FileStatus::Ok);
    EXPECT_EQ(inj.failures(), n <= 4 ? 1u : 0u);
    EXPECT_EQ(inj.calls(), n <= 4 ? n : 4u);
    // Once: the call after the nth goes through (for n = 5 the nth is the next run's open).
    EXPECT_EQ(smallOperation(dir.file("op")), n == 5 ? FileStatus::IoError : FileStatus::Ok);
    EXPECT_EQ(smallOperation(dir.file("op")), FileStatus::Ok);
  }
  EXPECT_EQ(&fileOps(), &realFileOps());
}

TEST(FaultInjector, PersistentFailureKeepsFailing) {
  TestDir dir;
  FaultInjector inj;
  inj.failAt(2, FileStatus::IoError, true);
  ScopedFileOps use(inj.ops());
  EXPECT_EQ(smallOperation(dir.file("p")), FileStatus::IoError);  // the write
  EXPECT_EQ(smallOperation(dir.file("p")), FileStatus::IoError);  // the open, now
  EXPECT_EQ(inj.failures(), 2u);
  inj.reset();
  EXPECT_EQ(smallOperation(dir.file("p")), FileStatus::Ok);
}

TEST(FaultInjector, DiskFullWriteIsShortAndLands) {
  TestDir dir;
  FaultInjector inj;
  inj.setCounted(kOpWrite);
  inj.failAt(2, FileStatus::DiskFull);
  ScopedFileOps use(inj.ops());
  Handle h;
  ASSERT_EQ(fileOpen(dir.file("full"), kFileRead | kFileWrite | kFileCreate | kFileShareRead, &h.f),
            FileStatus::Ok);
  uint32_t done = 99;
  ASSERT_EQ(fileOps().write(h.f, 0, "0123", 4, &done), FileStatus::Ok);
  EXPECT_EQ(fileOps().write(h.f, 4, "456789", 6, &done), FileStatus::DiskFull);
  EXPECT_EQ(done, 3u);
  EXPECT_EQ(contents(dir.file("full")), "0123456");
  // A one-byte write has no half to land.
  inj.failAt(inj.calls() + 1, FileStatus::DiskFull);
  EXPECT_EQ(fileOps().write(h.f, 7, "x", 1, &done), FileStatus::DiskFull);
  EXPECT_EQ(done, 0u);
}

struct MaskCase {
  unsigned counted;
  FileStatus configured;
  unsigned failingOp;  // which call of the sequence open, read, size, write fails
  FileStatus got;
};

TEST(FaultInjector, CountedOperationsAndStatusPerOperation) {
  const MaskCase cases[] = {
      {kOpAll, FileStatus::IoError, kOpRead, FileStatus::IoError},         // 2nd call of all is the read
      {kOpReadWrite, FileStatus::IoError, kOpWrite, FileStatus::IoError},  // 2nd read/write is the write
      {kOpAll, FileStatus::DiskFull, kOpRead, FileStatus::IoError},        // a read cannot be "disk full"
      {kOpSize | kOpOpen, FileStatus::DiskFull, kOpSize, FileStatus::IoError},
      {kOpWrite | kOpOpen, FileStatus::DiskFull, kOpWrite, FileStatus::DiskFull},
  };
  TestDir dir;
  for (const MaskCase& c : cases) {
    SCOPED_TRACE(fileOpName(c.failingOp));
    FaultInjector inj;
    inj.setCounted(c.counted);
    inj.failAt(2, c.configured);
    ScopedFileOps use(inj.ops());
    Handle h;
    ASSERT_EQ(fileOpen(dir.file("m"), kFileRead | kFileWrite | kFileCreate, &h.f), FileStatus::Ok);
    char buf[4];
    uint32_t done = 0;
    uint64_t size = 0;
    FileStatus r = fileOps().read(h.f, 0, buf, 4, &done);
    FileStatus s = fileOps().size(h.f, &size);
    FileStatus w = fileOps().write(h.f, 0, "wxyz", 4, &done);
    EXPECT_EQ(r, c.failingOp == kOpRead ? c.got : FileStatus::Ok);
    EXPECT_EQ(s, c.failingOp == kOpSize ? c.got : FileStatus::Ok);
    EXPECT_EQ(w, c.failingOp == kOpWrite ? c.got : FileStatus::Ok);
    EXPECT_EQ(inj.failures(), 1u);
  }
}

TEST(FaultInjector, DelayHookSeesEveryForwardedCall) {
  TestDir dir;
  FaultInjector inj;
  std::vector<unsigned> seen;
  inj.setDelayHook([&](unsigned op) { seen.push_back(op); });
  inj.setCounted(kOpRead);
  ScopedFileOps use(inj.ops());
  EXPECT_EQ(smallOperation(dir.file("d")), FileStatus::Ok);
  EXPECT_EQ(seen, (std::vector<unsigned>{kOpOpen, kOpWrite, kOpRead, kOpTruncate}));
  EXPECT_EQ(inj.calls(), 1u);  // only the read counted
}

TEST(FaultInjector, WrapsTheRealTableSoCountersStillCount) {
  TestDir dir;
  FaultInjector inj;
  ScopedFileOps use(inj.ops());
  resetIoCounters();
  EXPECT_EQ(smallOperation(dir.file("c")), FileStatus::Ok);
  IoCounters c = ioCounters();
  EXPECT_EQ(c.opens, 1u);
  EXPECT_EQ(c.reads, 1u);
  EXPECT_EQ(c.writes, 1u);
  EXPECT_EQ(c.bytesWritten, 8u);
}

TEST(FakeVolumes, TwoVolumesByDirectory) {
  TestDir dir;
  const std::string a = dir.file("a"), b = dir.file("b"), ab = dir.file("ab");
  std::filesystem::create_directories(a);
  std::filesystem::create_directories(joinPath(b, "deep"));
  std::filesystem::create_directories(ab);
  FakeVolumes vols;
  vols.addVolume(a, 1, 1000);
  vols.addVolume(b, 2, int64_t(5) << 32);  // more than 32 bits of free space
  ScopedFileOps use(vols.ops());
  EXPECT_FALSE(sameVolume(a, b));
  EXPECT_TRUE(sameVolume(b, joinPath(b, "deep")));
  EXPECT_TRUE(sameVolume(joinPath(b, "deep"), joinPath(b, "deep/not-yet")));
  EXPECT_FALSE(sameVolume(a, ab));          // "ab" is not inside "a"
  EXPECT_TRUE(sameVolume(ab, dir.path()));  // neither is on a fake volume: the real answer
  EXPECT_EQ(diskFree(a), 1000);
  EXPECT_EQ(diskFree(joinPath(b, "deep")), int64_t(5) << 32);
  EXPECT_EQ(volumeRoot(joinPath(b, "deep")), b);
  vols.setFree(1, 0);
  EXPECT_EQ(diskFree(joinPath(a, "x.tmp")), 0);
}

TEST(FakeVolumes, AccountingMakesAVolumeFillUp) {
  TestDir dir;
  const std::string a = dir.file("a");
  std::filesystem::create_directories(a);
  FakeVolumes vols;
  vols.addVolume(a, 7, 10);
  vols.setAccounting(true);
  ScopedFileOps use(vols.ops());
  Handle h;
  const std::string tmp = joinPath(a, "t.tmp");
  ASSERT_EQ(fileOpen(tmp, kFileRead | kFileWrite | kFileCreate | kFileDeleteOnClose, &h.f), FileStatus::Ok);
  uint32_t done = 0;
  ASSERT_EQ(fileOps().write(h.f, 0, "123456", 6, &done), FileStatus::Ok);
  EXPECT_EQ(vols.freeBytes(7), 4);
  ASSERT_EQ(fileOps().write(h.f, 2, "ab", 2, &done), FileStatus::Ok);  // inside the file: no room taken
  EXPECT_EQ(vols.freeBytes(7), 4);
  EXPECT_EQ(fileOps().write(h.f, 6, "abcdefgh", 8, &done), FileStatus::DiskFull);
  EXPECT_EQ(done, 4u);
  EXPECT_EQ(vols.freeBytes(7), 0);
  EXPECT_EQ(fileOps().truncate(h.f, 11), FileStatus::DiskFull);
  ASSERT_EQ(fileOps().truncate(h.f, 4), FileStatus::Ok);
  EXPECT_EQ(vols.freeBytes(7), 6);
  fileClose(h.f);
  h.f = nullptr;
  EXPECT_EQ(vols.freeBytes(7), 10);  // the delete-on-close file gave its room back
  ASSERT_EQ(fileOpen(tmp, kFileWrite | kFileCreate, &h.f), FileStatus::Ok);
  ASSERT_EQ(fileOps().write(h.f, 0, "xyz", 3, &done), FileStatus::Ok);
  fileClose(h.f);
  h.f = nullptr;
  EXPECT_EQ(vols.freeBytes(7), 7);
  ASSERT_EQ(fileOps().remove(tmp.c_str()), FileStatus::Ok);
  EXPECT_EQ(vols.freeBytes(7), 10);
}

TEST(ScopedFileOps, NestedScopesPutBackTheOuterTable) {
  FakeVolumes vols;
  ScopedFileOps outer(vols.ops());
  {
    FaultInjector inj(*vols.ops());
    ScopedFileOps inner(inj.ops());
    EXPECT_EQ(&fileOps(), inj.ops());
  }
  EXPECT_EQ(&fileOps(), vols.ops());
}

TEST(FakeVolumes, LayersOverTheFaultInjector) {
  TestDir dir;
  std::filesystem::create_directories(dir.file("v"));
  FaultInjector inj;
  FakeVolumes vols(*inj.ops());
  vols.addVolume(dir.file("v"), 3, 100);
  inj.setCounted(kOpWrite);
  inj.failAt(1, FileStatus::IoError);
  ScopedFileOps use(vols.ops());
  Handle h;
  ASSERT_EQ(fileOpen(joinPath(dir.file("v"), "f"), kFileWrite | kFileCreate, &h.f), FileStatus::Ok);
  uint32_t done = 0;
  EXPECT_EQ(fileOps().write(h.f, 0, "abc", 3, &done), FileStatus::IoError);
  EXPECT_EQ(fileOps().write(h.f, 0, "abc", 3, &done), FileStatus::Ok);
  EXPECT_EQ(diskFree(dir.file("v")), 100);
}

}  // namespace
}  // namespace platform
