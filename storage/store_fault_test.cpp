// Fault injection: for N = 1, 2, 3, ... the Nth file call fails (once or for good, with an I/O error or
// a full disk) while blocks are allocated and written, copied on write, a source file is released, blocks
// are written back and the temp file is compacted.
// Every run must end in success or the store's failure statuses, with the invariants holding, no data
// lost that an operation reported as written, and the source file untouched.
#include <gtest/gtest.h>

#include <memory>

#include "platform/fault_injection.h"
#include "storage/store_test_util.h"

namespace storage {
namespace {

using namespace testing_util;

struct Mode {
  platform::FileStatus status;
  bool persistent;
  const char* name;
};

class StoreFaultTest : public StoreFixture, public ::testing::WithParamInterface<Mode> {};

TEST_P(StoreFaultTest, EveryRunEndsConsistent) {
  const Mode mode = GetParam();
  std::string src = dir.file("src.raw");
  const auto original = writeSourceFile(src, 4 * kVfBlockSize - 300, 99);
  uint64_t n = 1;
  for (; n < 2000; ++n) {
    SCOPED_TRACE(std::string(mode.name) + " failing call " + std::to_string(n));
    ASSERT_EQ(init(0), 0);
    auto mapped = mapSource(src, original.size());
    ASSERT_EQ(mapped.size(), 4u);
    std::vector<uint16_t> temp;
    std::vector<uint8_t> expect;  // first byte of each temp block
    for (int i = 0; i < 3; ++i) {
      uint16_t d = appendTempBlock(&temp);
      ASSERT_NE(d, 0);
      uint8_t v = uint8_t(0x40 + i);
      ASSERT_EQ(VfBlockFill(d, v, 0, kVfBlockSize), kVfBlockSize);
      expect.push_back(v);
    }
    ASSERT_TRUE(CacheFlushAll(VfGetCache()));
    // Two more blocks that the compaction at the end can trim.
    std::vector<uint16_t> tail;
    for (int i = 0; i < 2; ++i) ASSERT_NE(appendTempBlock(&tail), 0);

    platform::FaultInjector inj;
    inj.failAt(n, mode.status, mode.persistent);
    auto scoped = std::make_unique<platform::ScopedFileOps>(inj.ops());

    // Allocation and writes.
    for (int i = 0; i < 3; ++i) {
      uint16_t d = GetAFreeBlock(1, true);
      if (!d) continue;
      VfSetBlockNext(temp.back(), d);
      temp.push_back(d);
      expect.push_back(0);
      uint8_t v = uint8_t(0x60 + i);
      if (VfBlockWrite(d, &v, 0, 1) == 1) expect.back() = v;
    }
    // Copy on write of two mapped blocks.
    for (int i : {1, 3}) {
      int st = FlushBlock(mapped[i]);
      EXPECT_TRUE(st == VF_OK || st == VF_ERR_NO_BLOCK || st == VF_ERR_IO) << st;
    }
    // Release of the source file: the remaining mapped blocks are copied, or the status says why not.
    int rst = -1;
    VfReleaseSourceFile(src, nullptr, &rst);
    EXPECT_TRUE(rst == VF_OK || rst == VF_ERR_NO_BLOCK || rst == VF_ERR_IO) << rst;
    if (rst == VF_OK) {
      EXPECT_EQ(VfFindSourceFile(src), -1);
    }
    // Write-back and compaction.
    CacheFlushAll(VfGetCache());
    for (uint16_t d : tail) VfReleaseBlock(d);
    VfCompact();

    scoped.reset();
    EXPECT_TRUE(invariants({mapped, temp}));
    for (size_t i = 0; i < temp.size(); ++i) {
      uint8_t got = 0xEE;
      ASSERT_EQ(VfBlockRead(temp[i], &got, 0, 1), 1u);
      EXPECT_EQ(got, expect[i]) << "temp block " << i;
    }
    for (size_t i = 0; i < mapped.size(); ++i) {
      uint8_t got = 0xEE;
      ASSERT_EQ(VfBlockRead(mapped[i], &got, 0, 1), 1u);
      EXPECT_EQ(got, original[i * kVfBlockSize]) << "mapped block " << i;
    }
    EXPECT_EQ(VfShutdown(), 0);
    EXPECT_EQ(readWholeFile(src), original);
    if (inj.failures() == 0) break;  // N is past the last call: every earlier call was failed once
    if (HasFailure()) break;
  }
  EXPECT_GT(n, 3u);
  std::printf("%s: %llu runs\n", mode.name, (unsigned long long)n);
}

INSTANTIATE_TEST_SUITE_P(Modes, StoreFaultTest,
                         ::testing::Values(Mode{platform::FileStatus::IoError, false, "io error once"},
                                           Mode{platform::FileStatus::DiskFull, false, "disk full once"},
                                           Mode{platform::FileStatus::IoError, true, "io error for good"}),
                         [](const ::testing::TestParamInfo<Mode>& i) {
                           return std::string(i.param.persistent ? "Persistent" : "Once") +
                                  (i.param.status == platform::FileStatus::DiskFull ? "DiskFull" : "IoError");
                         });

}  // namespace
}  // namespace storage
