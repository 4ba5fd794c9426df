// Windows-only store tests (run under Wine), where share modes and delete-on-close are real: a mapped
// source file refuses writers while any of its blocks is alive, and no temp file outlives the store, not
// even when its process is killed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/win32.h"  // Sleep
#include "storage/store_test_util.h"

namespace storage {
namespace {

using namespace testing_util;
using StoreWinTest = StoreFixture;

TEST_F(StoreWinTest, MappedSourceRefusesWritersUntilItsLastBlockGoes) {
  ASSERT_EQ(init(2048), 0);
  std::string src = dir.file("src.raw");
  auto bytes = writeSourceFile(src, 3 * kVfBlockSize, 11);
  auto chain = mapSource(src, bytes.size());
  ASSERT_EQ(chain.size(), 3u);
  platform::File* f = nullptr;
  EXPECT_EQ(platform::fileOps().open(src.c_str(), platform::kFileRead | platform::kFileWrite, &f),
            platform::FileStatus::SharingViolation);
  // Readers that share reading are welcome.
  ASSERT_EQ(platform::fileOps().open(src.c_str(), platform::kFileRead | platform::kFileShareRead, &f),
            platform::FileStatus::Ok);
  platform::fileClose(f);
  // Copying two blocks keeps the file locked; the third release opens it.
  ASSERT_EQ(FlushBlock(chain[0]), 0);
  ASSERT_EQ(FlushBlock(chain[1]), 0);
  EXPECT_EQ(platform::fileOps().open(src.c_str(), platform::kFileRead | platform::kFileWrite, &f),
            platform::FileStatus::SharingViolation);
  ASSERT_EQ(FlushBlock(chain[2]), 0);
  ASSERT_EQ(platform::fileOps().open(src.c_str(), platform::kFileRead | platform::kFileWrite, &f),
            platform::FileStatus::Ok);
  platform::fileClose(f);
  EXPECT_TRUE(invariants({chain}));
}

TEST_F(StoreWinTest, NoTempFileIsLeftAfterShutdown) {
  ASSERT_EQ(init(2048), 0);
  std::vector<uint16_t> chain;
  for (int i = 0; i < 4; ++i) ASSERT_NE(appendTempBlock(&chain), 0);
  for (uint16_t d : chain) ASSERT_EQ(VfBlockFill(d, 1, 0, kVfBlockSize), kVfBlockSize);
  ASSERT_TRUE(CacheFlushAll(VfGetCache()));
  bool any = false;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) any = any || e.is_regular_file();
  EXPECT_TRUE(any);  // the temp file exists while the store lives
  ASSERT_EQ(VfShutdown(), 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// Run only by tests/tools/killed_store_check.py, which names the directory in the environment and kills
// the process once it is ready: makes the store's temp file, writes to it, says so, and waits.
TEST_F(StoreWinTest, ChildHoldsTempFilesUntilKilled) {
  const char* where = std::getenv("SORN_STORE_CHILD_DIR");
  if (!where) return;  // runs only as a child process
  ASSERT_EQ(VfInit(where, "", 0, 0, 2048, ui()), 0);
  std::vector<uint16_t> chain;
  for (int i = 0; i < 4; ++i) ASSERT_NE(appendTempBlock(&chain), 0);
  for (uint16_t d : chain) ASSERT_EQ(VfBlockFill(d, 7, 0, kVfBlockSize), kVfBlockSize);
  ASSERT_TRUE(CacheFlushAll(VfGetCache()));
  std::ofstream(std::string(where) + "\\..\\child-ready.txt") << "ready";
  for (;;) Sleep(1000);
}

}  // namespace
}  // namespace storage
