// Tests of the unique-name helpers: uniqueness, the path-length bound and the bound on tries.
#include "platform/tempname.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "platform/fault_injection.h"
#include "platform/test_dir.h"

namespace platform {
namespace {

void touch(const std::string& path) {
  File* f = nullptr;
  ASSERT_EQ(fileOpen(path, kFileWrite | kFileCreateNew, &f), FileStatus::Ok) << path;
  fileClose(f);
}

TEST(TempName, PlainRuleGivesFreshNamesInTheDirectory) {
  TestDir dir;
  std::string a, b;
  ASSERT_EQ(makeTempName(dir.path(), "~WVX", ".TMP", &a), FileStatus::Ok);
  ASSERT_EQ(makeTempName(dir.path(), "~WVX", ".TMP", &b), FileStatus::Ok);
  EXPECT_NE(a, b);  // even when the first was never created
  EXPECT_EQ(parentDirectory(a), dir.path());
  std::string leaf = a.substr(dir.path().size() + 1);
  EXPECT_EQ(leaf.compare(0, 4, "~WVX"), 0) << leaf;
  EXPECT_EQ(leaf.substr(leaf.size() - 4), ".TMP") << leaf;
  EXPECT_EQ(fileOps().exists(a.c_str(), nullptr), FileStatus::NotFound);
}

TEST(TempName, SkipsTakenNamesAndGivesUpAfterMaxTries) {
  TestDir dir;
  auto leaf = [](uint32_t attempt) { return "f" + std::to_string(attempt); };
  touch(dir.file("f0"));
  touch(dir.file("f1"));
  std::string out;
  ASSERT_EQ(makeUniqueName(dir.path(), leaf, 10, &out), FileStatus::Ok);
  EXPECT_EQ(out, dir.file("f2"));
  EXPECT_EQ(makeUniqueName(dir.path(), leaf, 2, &out), FileStatus::Exists);
  EXPECT_EQ(makeUniqueName(dir.path(), leaf, 0, &out), FileStatus::Exists);
  EXPECT_EQ(makeUniqueName("", leaf, 10, &out), FileStatus::InvalidArgument);
}

TEST(TempName, NamesStayWithinThePathLimit) {
  TestDir dir;
  const std::string leaf = "x.TMP";
  // A directory name (it need not exist) that makes the full name exactly the limit long.
  std::string base = dir.file("");
  std::string longDir = base + std::string(kMaxPathChars - base.size() - 1 - leaf.size(), 'd');
  std::string out;
  auto fixed = [&](uint32_t) { return leaf; };
  ASSERT_EQ(makeUniqueName(longDir, fixed, 5, &out), FileStatus::Ok);
  EXPECT_EQ(out.size(), kMaxPathChars);
  EXPECT_EQ(makeUniqueName(longDir + "d", fixed, 5, &out), FileStatus::InvalidArgument);
  // The plain rule's growing numbers hit the limit too, and the caller learns it.
  EXPECT_EQ(makeTempName(longDir + "dd", "", ".TMP", &out), FileStatus::InvalidArgument);
}

TEST(TempName, ErrorsOfTheExistenceCheckComeBack) {
  TestDir dir;
  FaultInjector inj;
  inj.setCounted(kOpExists);
  inj.failAt(1, FileStatus::IoError, true);
  ScopedFileOps use(inj.ops());
  std::string out;
  EXPECT_EQ(makeTempName(dir.path(), "p", ".TMP", &out), FileStatus::IoError);
}

// A table where every name looks free but the first opens find the file already made (as when another
// process wins the race between the check and the create).
std::atomic<int> gLostRaces{0};
std::atomic<int> gOpens{0};
FileStatus alwaysFree(const char*, bool*) {
  return FileStatus::NotFound;
}
FileStatus racingOpen(const char* path, unsigned flags, File** out) {
  ++gOpens;
  EXPECT_TRUE(flags & kFileCreateNew);
  if (gLostRaces > 0) {
    --gLostRaces;
    return FileStatus::Exists;
  }
  return realFileOps().open(path, flags, out);
}

TEST(TempName, CreateUniqueFileRetriesLostRacesWithinItsBound) {
  TestDir dir;
  FileOps racing = realFileOps();
  racing.exists = alwaysFree;
  racing.open = racingOpen;
  ScopedFileOps use(&racing);
  gLostRaces = 2;
  gOpens = 0;
  File* f = nullptr;
  std::string name;
  ASSERT_EQ(
      createUniqueFile(dir.path(), "~WVX", ".TMP", kFileRead | kFileWrite | kFileDeleteOnClose, &f, &name),
      FileStatus::Ok);
  EXPECT_EQ(gOpens.load(), 3);
  EXPECT_EQ(parentDirectory(name), dir.path());
  fileClose(f);
  gLostRaces = 1000000;
  gOpens = 0;
  EXPECT_EQ(createUniqueFile(dir.path(), "~WVX", ".TMP", kFileWrite, &f, &name, 7), FileStatus::Exists);
  EXPECT_EQ(f, nullptr);
  EXPECT_EQ(gOpens.load(), 7);
}

}  // namespace
}  // namespace platform
