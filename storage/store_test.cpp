// Tests of the paged store: start-up and shut-down, slots, copy on first write with its exact I/O,
// compaction sizes, need-space retry, the room rules and drive rules of two temp directories (on fake
// volumes), quick-save blocks, releasing a source file, temp names and status texts.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <algorithm>
#include <random>
#include <set>

#include "platform/fault_injection.h"
#include "storage/store_test_util.h"

namespace storage {
namespace {

using namespace testing_util;

TEST(StoreStatus, EveryStatusHasItsOwnText) {
  std::set<std::string> seen;
  for (int i = 0; i < kVfStatusCount; ++i) {
    std::string t = VfStatusText(kVfAllStatuses[i]);
    EXPECT_NE(t, VfStatusText(-12345)) << kVfAllStatuses[i];
    EXPECT_TRUE(seen.insert(t).second) << "duplicate text " << t;
  }
}

TEST(StoreNameHash, FoldsCaseAndSlashes) {
  EXPECT_EQ(VfNameHash("AB"), 0x862u);
  EXPECT_EQ(VfNameHash("C:\\TEMP\\A.WAV"), 0x906C172Eu);
  EXPECT_EQ(VfNameHash("C:\\TEMP\\A.WAV"), VfNameHash("c:/temp/a.wav"));
  EXPECT_NE(VfNameHash("C:\\TEMP\\A.WAV"), VfNameHash("C:\\TEMP\\B.WAV"));
  EXPECT_EQ(VfNameHash(""), 0u);
}

using StoreTest = StoreFixture;

TEST_F(StoreTest, InitTwiceAndShutdownTwice) {
  ASSERT_EQ(init(), 0);
  EXPECT_EQ(init(), VF_ERR_ALREADY_INIT);
  EXPECT_EQ(VfTempSlot(1), 0);
  EXPECT_EQ(VfTempSlot(2), -1);
  EXPECT_EQ(VfEmptyCount(), kVfBlockCount - 1);
  EXPECT_TRUE(invariants({}));
  EXPECT_EQ(VfShutdown(), 0);
  EXPECT_EQ(VfShutdown(), VF_ERR_NOT_INIT);
  EXPECT_EQ(VfGetCache(), nullptr);
}

TEST_F(StoreTest, NoTempFileIsLeftAfterShutdown) {
  ASSERT_EQ(init(), 0);
  std::vector<uint16_t> chain;
  for (int i = 0; i < 3; ++i) ASSERT_NE(appendTempBlock(&chain), 0);
  uint8_t b = 7;
  ASSERT_EQ(VfBlockWrite(chain[0], &b, 0, 1), 1u);
  ASSERT_TRUE(CacheFlushAll(VfGetCache()));
  ASSERT_EQ(VfShutdown(), 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(StoreTest, MissingTempDirectoryFallsBackToItsRootWithAWarning) {
  std::string missing = dir.file("nope");
  ASSERT_EQ(init(0, "", missing), VF_WARN_TEMP1_ROOT);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "Cannot Find Temporary Directory: Temporary directory \"" + missing +
                          "\" does not exist.  Please specify an existing directory under Options->Settings/System.");
  EXPECT_NE(VfTempDir(1), missing);
  EXPECT_EQ(VfTempDir(1), platform::volumeRoot(missing));
}

TEST_F(StoreTest, TooLargeCacheShowsItsBoxAndFails) {
  EXPECT_EQ(init(64u * 65536u), VF_ERR_CACHE);  // 65,536 blocks: 4 GB
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "Not Enough Memory: Wave Cache too large for available memory.  Please go to Options and "
                      "reduce Wave Cache size");
  EXPECT_FALSE(VfIsInitialised());
}

TEST_F(StoreTest, CacheSizeGivesTheSlotCount) {
  ASSERT_EQ(init(2048), 0);
  EXPECT_EQ(CacheSlotCount(VfGetCache()), 32u);
  EXPECT_EQ(CacheDirtyLimit(VfGetCache()), 24u);
  VfShutdown();
  ASSERT_EQ(init(100), 0);
  EXPECT_EQ(CacheSlotCount(VfGetCache()), 16u);
}

TEST_F(StoreTest, SlotOpenErrors) {
  int st = 0;
  EXPECT_EQ(TfOpen(dir.file("x"), TF_SOURCE, 0, 0, &st), -1);
  EXPECT_EQ(st, VF_ERR_SLOT_NOT_INIT);
  ASSERT_EQ(init(), 0);
  EXPECT_EQ(TfOpen(dir.file("x"), TF_CREATE | TF_SOURCE, 0, 0, &st), -1);
  EXPECT_EQ(st, VF_ERR_SLOT_UNUSED);
  EXPECT_EQ(TfOpen(dir.file("missing"), TF_SOURCE, 0, 10, &st), -1);
  EXPECT_EQ(st, VF_ERR_OPEN);
  EXPECT_EQ(TfClose(300), VF_ERR_BAD_SLOT);
  EXPECT_EQ(TfClose(200), VF_ERR_SLOT_UNUSED);
  uint8_t b[4];
  EXPECT_EQ(TfRead(0, 1 << 20, 4, b, &st), 0u);
  EXPECT_EQ(st, VF_ERR_READ_BEYOND);
  EXPECT_EQ(TfRelease(200), VF_ERR_SLOT_UNUSED);
  EXPECT_EQ(debugLines.back(), "Decreasing reference on non-existant TF\n");
}

TEST_F(StoreTest, AllSlotsInUseGivesStatus8) {
  ASSERT_EQ(init(), 0);
  std::string src = dir.file("src.raw");
  writeSourceFile(src, 100, 1);
  int st = 0;
  std::vector<int> opened;
  for (int i = 1; i < kVfSlotCount; ++i) {
    int s = TfOpen(src, TF_SOURCE, 0, 100, &st);
    ASSERT_GE(s, 0) << i;
    opened.push_back(s);
  }
  EXPECT_EQ(TfOpen(src, TF_SOURCE, 0, 100, &st), -1);
  EXPECT_EQ(st, VF_ERR_NO_SLOT);
  for (int s : opened) EXPECT_EQ(TfClose(s), 0);
}

TEST_F(StoreTest, SourceSlotIsReadOnlyAndFoundByName) {
  ASSERT_EQ(init(), 0);
  std::string src = dir.file("src.raw");
  writeSourceFile(src, 3 * kVfBlockSize, 2);
  int slot = -1;
  auto chain = mapSource(src, 3 * kVfBlockSize, &slot);
  ASSERT_EQ(chain.size(), 3u);
  EXPECT_EQ(VfFindSourceFile(src), slot);
  int st = 0;
  uint8_t b = 1;
  EXPECT_EQ(TfWrite(slot, 0, 1, &b, &st), 0u);
  EXPECT_EQ(st, VF_ERR_READ_ONLY);
  EXPECT_EQ(VfSlotRefCount(slot), 3u);
  EXPECT_TRUE(invariants({chain}));
}

// Opening maps blocks without a copy; the first write to one block copies exactly that block.
TEST_F(StoreTest, CopyOnFirstWriteReadsOneBlockAndLeavesTheSourceIntact) {
  ASSERT_EQ(init(), 0);
  std::string src = dir.file("src.raw");
  const size_t size = 10 * kVfBlockSize;
  auto bytes = writeSourceFile(src, size, 3);
  platform::resetIoCounters();
  int slot = -1;
  auto chain = mapSource(src, size, &slot);
  ASSERT_EQ(chain.size(), 10u);
  EXPECT_EQ(platform::ioCounters().bytesRead, 0u);
  ASSERT_TRUE(invariants({chain}));

  uint32_t nextBefore = VfSlotNextPosition(VfTempSlot(1));
  platform::resetIoCounters();
  ASSERT_EQ(FlushBlock(chain[5]), 0);
  platform::IoCounters io = platform::ioCounters();
  EXPECT_EQ(io.reads, 1u);
  EXPECT_EQ(io.bytesRead, uint64_t(kVfBlockSize));
  EXPECT_EQ(VfSlotNextPosition(VfTempSlot(1)), nextBefore + 1);
  EXPECT_EQ(VfBlockFlags(chain[5]) & VF_READONLY, 0u);
  EXPECT_EQ(VfSlotOf(VfBlockFlags(chain[5])), VfTempSlot(1));
  EXPECT_EQ(VfCountOf(VfBlockFlags(chain[5])), kVfBlockSize);
  EXPECT_EQ(VfSlotRefCount(slot), 9u);
  ASSERT_TRUE(invariants({chain}));
  EXPECT_EQ(FlushBlock(chain[5]), 0);  // already copied: nothing to do
  EXPECT_EQ(FlushBlock(0), VF_ERR_NOT_IN_USE);

  const uint8_t two[2] = {0xAB, 0xCD};
  ASSERT_EQ(VfBlockWrite(chain[5], two, 100, 2), 2u);
  std::vector<uint8_t> got(kVfBlockSize);
  ASSERT_EQ(VfBlockRead(chain[5], got.data(), 0, kVfBlockSize), kVfBlockSize);
  std::vector<uint8_t> want(bytes.begin() + 5 * kVfBlockSize, bytes.begin() + 6 * kVfBlockSize);
  want[100] = 0xAB;
  want[101] = 0xCD;
  EXPECT_EQ(got, want);
  ASSERT_TRUE(CacheFlushAll(VfGetCache()));
  EXPECT_EQ(readWholeFile(src), bytes);
  ASSERT_TRUE(invariants({chain}));

  // Releasing the last mapped block closes the source file.
  closeChain(&chain);
  EXPECT_EQ(VfFindSourceFile(src), -1);
  EXPECT_FALSE(VfSlotInUse(slot));
  EXPECT_TRUE(invariants({}));
}

TEST_F(StoreTest, WritesToReadOnlyBlocksAreRefused) {
  ASSERT_EQ(init(), 0);
  std::string src = dir.file("src.raw");
  writeSourceFile(src, kVfBlockSize, 4);
  auto chain = mapSource(src, kVfBlockSize);
  uint8_t b = 0;
  EXPECT_EQ(VfBlockWrite(chain[0], &b, 0, 1), 0u);
  EXPECT_EQ(VfBlockFill(chain[0], 0, 0, 1), 0u);
}

TEST_F(StoreTest, CompactionTrimsTempFileOneToOneBlockBeyondItsEnd) {
  ASSERT_EQ(init(), 0);
  std::vector<uint16_t> a, b;
  for (int i = 0; i < 10; ++i) ASSERT_NE(appendTempBlock(&a), 0);
  for (int i = 0; i < 5; ++i) ASSERT_NE(appendTempBlock(&b), 0);
  for (uint16_t d : a) ASSERT_EQ(VfBlockFill(d, 0x11, 0, kVfBlockSize), kVfBlockSize);
  for (uint16_t d : b) ASSERT_EQ(VfBlockFill(d, 0x22, 0, kVfBlockSize), kVfBlockSize);
  ASSERT_TRUE(CacheFlushAll(VfGetCache()));
  EXPECT_EQ(VfTempFileSize(1), 15 * int64_t(kVfBlockSize));
  ASSERT_TRUE(invariants({a, b}));

  closeChain(&b);
  EXPECT_EQ(VfTempFileSize(1), 720896);
  EXPECT_EQ(VfSlotNextPosition(VfTempSlot(1)), 10u);
  ASSERT_TRUE(invariants({a}));
  std::vector<uint8_t> got(4);
  ASSERT_EQ(VfBlockRead(a[9], got.data(), 0, 4), 4u);
  EXPECT_EQ(got, std::vector<uint8_t>(4, 0x11));

  closeChain(&a);
  EXPECT_EQ(VfTempFileSize(1), 65536);
  EXPECT_EQ(VfSlotNextPosition(VfTempSlot(1)), 0u);
  EXPECT_EQ(VfValidFreeCount(), 0u);
  EXPECT_EQ(VfEmptyCount(), kVfBlockCount - 1);
  EXPECT_TRUE(invariants({}));
}

TEST_F(StoreTest, CompactionKeepsAHoleAndSortsTheFreeList) {
  ASSERT_EQ(init(), 0);
  std::vector<uint16_t> a;
  for (int i = 0; i < 6; ++i) ASSERT_NE(appendTempBlock(&a), 0);
  // Free positions 4, 1, 2 (in that order); 5 stays in use: nothing reaches the end, nothing is cut.
  std::vector<uint16_t> keep = {a[0], a[3], a[5]};
  VfReleaseBlock(a[4]);
  VfReleaseBlock(a[1]);
  VfReleaseBlock(a[2]);
  for (size_t i = 0; i + 1 < keep.size(); ++i) VfSetBlockNext(keep[i], keep[i + 1]);
  VfSetBlockNext(keep.back(), 0);
  VfCompact();
  EXPECT_EQ(VfSlotNextPosition(VfTempSlot(1)), 6u);
  EXPECT_TRUE(invariants({keep}));
  // The next allocation takes the lowest free position.
  uint16_t d = GetAFreeBlock(1, true);
  EXPECT_EQ(VfBlockPosition(d), 1u);
}

TEST_F(StoreTest, OutOfDescriptorsAsksForSpaceOncePerAttempt) {
  ASSERT_EQ(init(), 0);
  std::vector<uint16_t> all;
  for (;;) {
    uint16_t d = appendTempBlock(&all);
    if (!d) break;
  }
  ASSERT_EQ(all.size(), kVfBlockCount - 1);
  EXPECT_EQ(needSpaceCalls, 1);  // the last, failed attempt asked once
  ASSERT_TRUE(invariants({all}));

  // Without a location there is no asking.
  needSpaceCalls = 0;
  EXPECT_EQ(GetAFreeBlock(1, false), 0);
  EXPECT_EQ(needSpaceCalls, 0);
  EXPECT_EQ(debugLines.back(), "Totally out of empty blocks!\n");

  // The undo store frees a block and says so: the allocation is retried and succeeds.
  needSpaceAnswer = [&] {
    uint16_t last = all.back();
    all.pop_back();
    VfSetBlockNext(all.back(), 0);
    VfReleaseBlock(last);
    return 1;
  };
  uint16_t d = GetAFreeBlock(1, true);
  EXPECT_NE(d, 0);
  EXPECT_EQ(needSpaceCalls, 1);
  VfSetBlockNext(all.back(), d);
  all.push_back(d);
  ASSERT_TRUE(invariants({all}));

  // Nothing freed: the allocation gives up after one question.
  needSpaceCalls = 0;
  needSpaceAnswer = [] { return 0; };
  EXPECT_EQ(GetAFreeBlock(1, true), 0);
  EXPECT_EQ(needSpaceCalls, 1);
  EXPECT_TRUE(invariants({all}));
}

TEST_F(StoreTest, QuickSaveBlockWritesIntoTheSourceAndMapsItAgain) {
  ASSERT_EQ(init(), 0);
  std::string src = dir.file("src.raw");
  const size_t size = 3 * kVfBlockSize;
  auto bytes = writeSourceFile(src, size, 5);
  int slot = -1;
  auto chain = mapSource(src, size, &slot);
  // Read the destination block first, so a stale copy of it sits in the cache.
  uint8_t old = 0;
  ASSERT_EQ(VfBlockRead(chain[1], &old, 10, 1), 1u);
  ASSERT_EQ(FlushBlock(chain[1]), 0);
  const uint8_t v[3] = {1, 2, 3};
  ASSERT_EQ(VfBlockWrite(chain[1], v, 10, 3), 3u);

  // Without lifting the read-only state the write is refused and nothing changes.
  EXPECT_EQ(TfSaveBlock(chain[1], slot, kVfBlockSize), VF_ERR_READ_ONLY);
  EXPECT_EQ(VfBlockFlags(chain[1]) & VF_READONLY, 0u);
  ASSERT_TRUE(invariants({chain}));

  ASSERT_EQ(TfReopen(slot, true), 0);
  ASSERT_EQ(TfSaveBlock(chain[1], slot, kVfBlockSize), 0);
  ASSERT_EQ(TfReopen(slot, false), 0);
  EXPECT_NE(VfBlockFlags(chain[1]) & VF_READONLY, 0u);
  EXPECT_EQ(VfSlotRefCount(slot), 3u);
  ASSERT_TRUE(invariants({chain}));
  uint8_t got[3];
  ASSERT_EQ(VfBlockRead(chain[1], got, 10, 3), 3u);
  EXPECT_EQ(std::memcmp(got, v, 3), 0);
  std::vector<uint8_t> want = bytes;
  std::memcpy(want.data() + kVfBlockSize + 10, v, 3);
  EXPECT_EQ(readWholeFile(src), want);
  EXPECT_EQ(TfSaveBlock(chain[1], slot, kVfBlockSize), 0);  // already read-only: nothing to do
}

TEST_F(StoreTest, ReleasingASourceFileCopiesEveryMappedBlock) {
  ASSERT_EQ(init(), 0);
  std::string src = dir.file("src.raw");
  auto bytes = writeSourceFile(src, 4 * kVfBlockSize - 100, 6);
  auto chain = mapSource(src, bytes.size());
  ASSERT_EQ(FlushBlock(chain[2]), 0);
  std::vector<std::pair<uint32_t, uint32_t>> calls;
  int st = -1;
  EXPECT_TRUE(VfReleaseSourceFile(src, [&](uint32_t d, uint32_t t) { calls.push_back({d, t}); }, &st));
  EXPECT_EQ(st, 0);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls.back(), std::make_pair(3u, 3u));
  EXPECT_EQ(VfFindSourceFile(src), -1);
  ASSERT_TRUE(invariants({chain}));
  std::vector<uint8_t> got(bytes.size());
  for (size_t i = 0; i < chain.size(); ++i) {
    uint32_t n = VfCountOf(VfBlockFlags(chain[i]));
    ASSERT_EQ(VfBlockRead(chain[i], got.data() + i * kVfBlockSize, 0, n), n);
  }
  EXPECT_EQ(got, bytes);
  EXPECT_FALSE(VfReleaseSourceFile(src, nullptr, &st));
}

TEST_F(StoreTest, TempNamesAreBoundedAndUnused) {
  ASSERT_EQ(init(), 0);
  char buf[260] = "";
  ASSERT_TRUE(getTempName("ABC", buf, sizeof buf));
  std::string name = buf;
  std::string head = platform::joinPath(dir.path(), "~ABC");
  ASSERT_EQ(name.substr(0, head.size()), head);
  EXPECT_EQ(name.size(), head.size() + 8);
  EXPECT_EQ(name.substr(name.size() - 4), ".TMP");
  EXPECT_FALSE(std::filesystem::exists(name));

  std::string other = dir.file("sub");
  std::filesystem::create_directory(other);
  std::snprintf(buf, sizeof buf, "!%s", other.c_str());
  ASSERT_TRUE(getTempName("X", buf, sizeof buf));
  EXPECT_EQ(std::string(buf).substr(0, other.size()), other);

  char small[8] = "";
  EXPECT_FALSE(getTempName("ABC", small, sizeof small));
  std::string longPrefix(300, 'P');
  EXPECT_FALSE(getTempName(longPrefix.c_str(), buf, sizeof buf));
}

// ---- Two temp directories on fake volumes ----

class StoreVolumesTest : public StoreFixture {
 protected:
  void SetUp() override {
    d1 = dir.file("one");
    d2 = dir.file("two");
    std::filesystem::create_directory(d1);
    std::filesystem::create_directory(d2);
  }
  void TearDown() override {
    StoreFixture::TearDown();
    scoped.reset();
  }
  void volumes(uint64_t id2, int64_t free1, int64_t free2) {
    fake.addVolume(d1, 1, free1);
    fake.addVolume(d2, id2, free2);
    scoped.reset(new platform::ScopedFileOps(fake.ops()));
  }
  std::string d1, d2;
  platform::FakeVolumes fake;
  std::unique_ptr<platform::ScopedFileOps> scoped;
};

constexpr int64_t kMB = 1 << 20;

TEST_F(StoreVolumesTest, SecondDirectoryOnTheSameVolumeIsIgnored) {
  volumes(1, 100 * kMB, 100 * kMB);
  ASSERT_EQ(init(0, d2, d1), 0);
  EXPECT_EQ(VfTempDir(2), "");
  EXPECT_EQ(VfTempSlot(2), -1);
}

TEST(StoreDrives, DriveLettersCompareWithoutCase) {
  EXPECT_TRUE(VfSameTempDrive("c:\\x", "C:\\TEMP"));
  EXPECT_FALSE(VfSameTempDrive("D:\\x", "C:\\TEMP"));
}

TEST_F(StoreVolumesTest, PreferencesChooseTheTempFile) {
  volumes(2, 100 * kMB, 100 * kMB);
  ASSERT_EQ(init(0, d2, d1), 0);
  ASSERT_GE(VfTempSlot(2), 0);
  std::vector<uint16_t> c;
  uint16_t x = appendTempBlock(&c, 1), y = appendTempBlock(&c, 2);
  EXPECT_EQ(VfSlotOf(VfBlockFlags(x)), VfTempSlot(1));
  EXPECT_EQ(VfSlotOf(VfBlockFlags(y)), VfTempSlot(2));
  EXPECT_TRUE(invariants({c}));
  // A freed location on temp file 2 is reused for preference 2 and is the fallback for preference 1
  // only when nothing else is left.
  VfSetBlockNext(x, 0);
  c.pop_back();
  VfReleaseBlock(y);
  uint16_t z = appendTempBlock(&c, 1);
  EXPECT_EQ(VfSlotOf(VfBlockFlags(z)), VfTempSlot(1));
  uint16_t w = appendTempBlock(&c, 2);
  EXPECT_EQ(VfSlotOf(VfBlockFlags(w)), VfTempSlot(2));
  EXPECT_EQ(VfBlockPosition(w), 0u);
  EXPECT_TRUE(invariants({c}));
}

// Compaction sorts the valid free list as repeated neighbour swaps would: by position, and stable, so
// equal positions of the two temp files keep their order.
TEST_F(StoreVolumesTest, CompactionSortsLikeNeighbourSwaps) {
  volumes(2, 100 * kMB, 100 * kMB);
  ASSERT_EQ(init(0, d2, d1), 0);
  std::vector<uint16_t> one, two;
  for (int i = 0; i < 8; ++i) {
    appendTempBlock(&one, 1);
    appendTempBlock(&two, 2);
  }
  std::vector<uint16_t> freed(one.begin(), one.end() - 1);  // position 7 of temp file 1 stays in use
  freed.insert(freed.end(), two.begin(), two.end());
  std::mt19937 rng(12345);
  std::shuffle(freed.begin(), freed.end(), rng);
  using Loc = std::pair<uint16_t, int>;  // position, slot
  std::vector<Loc> model;
  for (uint16_t d : freed) {
    model.insert(model.begin(), Loc{VfBlockPosition(d), VfSlotOf(VfBlockFlags(d))});  // pushed at the head
    VfReleaseBlock(d);
  }
  for (bool swapped = true; swapped;) {
    swapped = false;
    for (size_t i = 0; i + 1 < model.size(); ++i)
      if (model[i].first > model[i + 1].first) {
        std::swap(model[i], model[i + 1]);
        swapped = true;
      }
  }
  VfCompact();
  std::vector<Loc> got;
  for (uint16_t d : VfValidFreeList()) got.push_back({VfBlockPosition(d), VfSlotOf(VfBlockFlags(d))});
  EXPECT_EQ(got, model);
  EXPECT_EQ(VfSlotNextPosition(VfTempSlot(1)), 8u);  // nothing trimmed: position 7 is in use
  std::vector<uint16_t> kept = {one.back()};
  EXPECT_TRUE(invariants({kept}));
}

TEST_F(StoreVolumesTest, FullFirstDriveSpillsToTheSecond) {
  volumes(2, 0, 100 * kMB);
  ASSERT_EQ(init(0, d2, d1), 0);
  std::vector<uint16_t> c;
  uint16_t x = appendTempBlock(&c, 1);
  ASSERT_NE(x, 0);
  EXPECT_EQ(VfSlotOf(VfBlockFlags(x)), VfTempSlot(2));
  EXPECT_TRUE(invariants({c}));
}

TEST_F(StoreVolumesTest, PreferenceOneGivesUpWhenBothDrivesAreFull) {
  volumes(2, 0, 0);
  ASSERT_EQ(init(0, d2, d1), 0);
  EXPECT_EQ(GetAFreeBlock(1, true), 0);
  EXPECT_EQ(needSpaceCalls, 1);
  EXPECT_TRUE(invariants({}));
}

TEST_F(StoreVolumesTest, FailingRoomTestRemeasuresOncePerFifty) {
  volumes(2, 0, 100 * kMB);
  ASSERT_EQ(init(0, "", d1), 0);
  platform::FaultInjector counter(*fake.ops());
  counter.setCounted(platform::kOpDiskFree);
  platform::ScopedFileOps swap(counter.ops());
  for (int i = 0; i < 100; ++i) EXPECT_FALSE(VfCheckSpace(1, kVfBlockSize));
  EXPECT_EQ(counter.calls(), 2u);  // tests 1 and 51
  EXPECT_FALSE(VfCheckSpace(2, kVfBlockSize));  // no second temp directory
}

TEST_F(StoreVolumesTest, FreeSpaceFiguresNeverWrapOnAFullDisk) {
  volumes(2, 100 * kMB, 0);
  ASSERT_EQ(VfInit(d1, d2, 10 * kMB, 10 * kMB, 0, ui()), 0);
  EXPECT_EQ(VfFreeSpaceKB(), 90 * 1024);
  std::vector<uint16_t> c;
  for (int i = 0; i < 3; ++i) appendTempBlock(&c, 1);
  EXPECT_EQ(VfFreeSpaceKB(), 90 * 1024 - 3 * 64);
  fake.setFree(1, 0);
  EXPECT_EQ(VfFreeSpaceKB(), 0);
  EXPECT_FALSE(VfCheckSpace(1, kVfBlockSize));
}

TEST_F(StoreVolumesTest, ClipboardPathGoesWhereThereIsRoom) {
  volumes(2, 100 * kMB, 100 * kMB);
  ASSERT_EQ(VfInit(d1, d2, 10 * kMB, 10 * kMB, 0, ui()), 0);
  std::string path;
  ASSERT_TRUE(VfClipboardPath(&path, 50 * kMB));
  EXPECT_EQ(path, platform::joinPath(d1, "SornClipboard.wav"));
  fake.setFree(1, 20 * kMB);
  ASSERT_TRUE(VfClipboardPath(&path, 50 * kMB));
  EXPECT_EQ(path, platform::joinPath(d2, "SornClipboard.wav"));
  EXPECT_FALSE(VfClipboardPath(&path, 95 * kMB));
}

}  // namespace
}  // namespace storage
