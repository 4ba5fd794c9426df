// Windows-only store tests (run under Wine), where share modes and delete-on-close are real: a mapped
// source file refuses writers while any of its blocks is alive, and no temp file outlives the store.
#include <gtest/gtest.h>

#include <filesystem>

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

}  // namespace
}  // namespace storage
