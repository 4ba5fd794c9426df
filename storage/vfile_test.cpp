// Tests of virtual files: the edge cases with exact block counts through the I/O counters (cut and insert
// at the edit point, splicing without moving bytes, opening in place without reading), notifications,
// the private read buffer after every kind of change, patterned fill, running out of blocks, copy with
// progress, flushing a range and quick save in place.
#include <gtest/gtest.h>

#include <numeric>

#include "platform/fault_injection.h"
#include "storage/vfile_test_util.h"

namespace storage {
namespace {

using namespace testing_util;
using VfileTest = VfileFixture;

std::vector<uint8_t> pattern(size_t n, uint32_t seed) {
  std::vector<uint8_t> v(n);
  std::mt19937 rng(seed);
  for (auto& b : v) b = uint8_t(rng());
  return v;
}

TEST_F(VfileTest, NewFileIsEmptyAndAWriteFillsBlocksInOrder) {
  HfHandle* h = create();
  EXPECT_EQ(HfGetLength(h), 0u);
  EXPECT_EQ(HfChain(h).size(), 1u);
  uint8_t b;
  EXPECT_EQ(HfRead(h, 0, 1, &b), 0u);
  auto data = pattern(100000, 1);
  EXPECT_EQ(HfWrite(h, 0, 100000, data.data()), 100000u);
  EXPECT_EQ(counts(h), (std::vector<uint32_t>{65536, 34464}));
  EXPECT_EQ(readAll(h), data);
  EXPECT_EQ(HfAllocatedSize(h), 2u * kVfBlockSize);
  EXPECT_TRUE(storeOk());
}

TEST_F(VfileTest, WritePastTheEndGrowsTheFileFirst) {
  HfHandle* h = create();
  auto data = pattern(10, 2);
  EXPECT_EQ(HfWrite(h, 70000, 10, data.data()), 10u);
  EXPECT_EQ(HfGetLength(h), 70010u);
  std::vector<uint8_t> got(10);
  EXPECT_EQ(HfRead(h, 70000, 10, got.data()), 10u);
  EXPECT_EQ(got, data);
  EXPECT_TRUE(storeOk());
}

TEST_F(VfileTest, SeekToASmallNegativeNumberLandsAtZeroAndSeekGrows) {
  HfHandle* h = create();
  EXPECT_EQ(HfSeek(h, 0xFFFFFFF0u, false), 0u);
  EXPECT_EQ(HfGetLength(h), 0u);
  notes.clear();
  EXPECT_EQ(HfSeek(h, 200000, false), 200000u);
  EXPECT_EQ(HfGetLength(h), 200000u);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].code, HFN_LENGTH);
  EXPECT_EQ(notes[0].a, 200000u);
  EXPECT_TRUE(storeOk());
}

TEST_F(VfileTest, OpenMapsWithoutReadingAndRejectsAnEmptyRegion) {
  std::string path = dir.file("src.raw");
  auto bytes = writeSourceFile(path, 3 * kVfBlockSize + 100, 3);
  int st = 0;
  EXPECT_EQ(HfOpen(path, 0, 0, 1, 0, nullptr, false, &st), nullptr);
  EXPECT_EQ(st, VF_ERR_BAD_SLOT);
  platform::resetIoCounters();
  HfHandle* h = open(path, 3 * kVfBlockSize);
  EXPECT_EQ(platform::ioCounters().reads, 0u);
  EXPECT_EQ(counts(h), (std::vector<uint32_t>{65536, 65536, 65536}));
  for (uint16_t d : HfChain(h)) EXPECT_TRUE(VfBlockFlags(d) & VF_READONLY);
  EXPECT_TRUE(HfHasReadOnlyBlocks(h));
  // A region at an offset reads the right bytes.
  HfHandle* g = open(path, 1000, false, 100);
  std::vector<uint8_t> got(1000);
  EXPECT_EQ(HfRead(g, 0, 1000, got.data()), 1000u);
  EXPECT_TRUE(std::equal(got.begin(), got.end(), bytes.begin() + 100));
  ASSERT_FALSE(notes.empty());
  EXPECT_EQ(notes[0].code, HFN_READY);
  EXPECT_TRUE(storeOk());
}

TEST_F(VfileTest, FailedOpenGivesBackEveryDescriptorAndClosesTheFile) {
  std::string path = dir.file("src.raw");
  writeSourceFile(path, 5 * kVfBlockSize, 4);
  hog(2);
  uint32_t empty = VfEmptyCount();
  int st = 0;
  EXPECT_EQ(HfOpen(path, 0, 5 * kVfBlockSize, 1, 0, nullptr, false, &st), nullptr);
  EXPECT_EQ(st, VF_ERR_NO_DESCRIPTOR);
  EXPECT_EQ(VfEmptyCount(), empty);
  EXPECT_EQ(VfFindSourceFile(path), -1);
  for (const std::string& line : debugLines) EXPECT_EQ(line.find("still had"), std::string::npos) << line;
  EXPECT_TRUE(storeOk());
}

TEST_F(VfileTest, TenByteCutInAFullBlockIsOneBlockReadModifyWrite) {
  struct Case {
    const char* name;
    bool mapped;
  };
  for (Case c : {Case{"temp", false}, Case{"mapped", true}}) {
    SCOPED_TRACE(c.name);
    std::string path = dir.file(std::string(c.name) + ".raw");
    auto data = writeSourceFile(path, 3 * kVfBlockSize, 5);
    HfHandle* h;
    if (c.mapped) {
      h = open(path, 3 * kVfBlockSize);
    } else {
      h = create();
      ASSERT_EQ(HfWrite(h, 0, uint32_t(data.size()), data.data()), data.size());
    }
    auto before = HfChain(h);
    coldCache();
    notes.clear();
    EXPECT_EQ(HfCut(h, kVfBlockSize + 1000, 10), 10u);
    platform::IoCounters io = writeBack();
    EXPECT_EQ(io.reads, 1u);
    EXPECT_EQ(io.writes, 1u);
    EXPECT_EQ(counts(h), (std::vector<uint32_t>{65536, 65526, 65536}));
    EXPECT_EQ(HfChain(h), before);
    data.erase(data.begin() + kVfBlockSize + 1000, data.begin() + kVfBlockSize + 1010);
    EXPECT_EQ(readAll(h), data);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].code, HFN_CUT);
    EXPECT_EQ(notes[0].a, kVfBlockSize + 1000);
    EXPECT_EQ(notes[0].b, 10u);
    EXPECT_EQ(notes[1].code, HFN_LENGTH);
    EXPECT_EQ(notes[1].a, 3 * kVfBlockSize - 10);
    EXPECT_TRUE(storeOk());
  }
}

TEST_F(VfileTest, CuttingAWholeBlockFromABoundaryFreesItsDescriptor) {
  HfHandle* h = create();
  auto data = pattern(3 * kVfBlockSize, 6);
  ASSERT_EQ(HfWrite(h, 0, uint32_t(data.size()), data.data()), data.size());
  uint16_t middle = HfChain(h)[1];
  uint32_t valid = VfValidFreeCount();
  coldCache();
  EXPECT_EQ(HfCut(h, kVfBlockSize, kVfBlockSize), kVfBlockSize);
  platform::IoCounters io = writeBack();
  EXPECT_EQ(io.reads + io.writes, 0u);
  EXPECT_EQ(VfValidFreeCount(), valid + 1);
  auto freeList = VfValidFreeList();
  EXPECT_NE(std::find(freeList.begin(), freeList.end(), middle), freeList.end());
  data.erase(data.begin() + kVfBlockSize, data.begin() + 2 * kVfBlockSize);
  EXPECT_EQ(readAll(h), data);
  EXPECT_TRUE(storeOk());
}

TEST_F(VfileTest, CutAcrossBlocksMovesOnlyTheLastPartialBlock) {
  HfHandle* h = create();
  auto data = pattern(4 * kVfBlockSize, 7);
  ASSERT_EQ(HfWrite(h, 0, uint32_t(data.size()), data.data()), data.size());
  coldCache();
  // From the middle of block 0 into the middle of block 2: block 0 just shrinks, block 1 goes, block 2
  // loses its head (one read-modify-write).
  EXPECT_EQ(HfCut(h, 30000, 2 * kVfBlockSize), 2 * kVfBlockSize);
  platform::IoCounters io = writeBack();
  EXPECT_EQ(io.reads, 1u);
  EXPECT_EQ(io.writes, 1u);
  EXPECT_EQ(counts(h), (std::vector<uint32_t>{30000, 65536 - 30000, 65536}));
  data.erase(data.begin() + 30000, data.begin() + 30000 + 2 * kVfBlockSize);
  EXPECT_EQ(readAll(h), data);
  EXPECT_TRUE(storeOk());
}

TEST_F(VfileTest, CuttingEverythingLeavesNoBlockAndAWriteStartsAgain) {
  HfHandle* h = create();
  auto data = pattern(70000, 8);
  ASSERT_EQ(HfWrite(h, 0, 70000, data.data()), 70000u);
  EXPECT_EQ(HfCut(h, 0, 80000), 70000u);
  EXPECT_EQ(HfChain(h).size(), 0u);
  EXPECT_EQ(HfGetLength(h), 0u);
  EXPECT_TRUE(storeOk());
  EXPECT_EQ(HfWrite(h, 0, 100, data.data()), 100u);
  EXPECT_EQ(counts(h), (std::vector<uint32_t>{100}));
  EXPECT_TRUE(storeOk());
}

TEST_F(VfileTest, OneByteInsertIntoAFullBlockMakesOneOverflowBlock) {
  HfHandle* h = create();
  auto data = pattern(2 * kVfBlockSize, 9);
  ASSERT_EQ(HfWrite(h, 0, uint32_t(data.size()), data.data()), data.size());
  coldCache();
  notes.clear();
  EXPECT_EQ(HfInsert(h, 1000, 1, true, 0x5A), 1u);
  platform::IoCounters io = writeBack();
  EXPECT_EQ(io.reads, 1u);
  EXPECT_EQ(io.writes, 2u);
  EXPECT_EQ(counts(h), (std::vector<uint32_t>{65536, 1, 65536}));
  data.insert(data.begin() + 1000, 0x5A);
  EXPECT_EQ(readAll(h), data);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0].code, HFN_INSERT);
  EXPECT_EQ(notes[0].a, 1000u);
  EXPECT_EQ(notes[0].b, 1u);
  EXPECT_EQ(notes[1].code, HFN_LENGTH);
  EXPECT_TRUE(storeOk());
}

TEST_F(VfileTest, InsertIntoABlockWithRoomMovesOnlyThatBlock) {
  HfHandle* h = create();
  auto data = pattern(2 * kVfBlockSize, 10);
  ASSERT_EQ(HfWrite(h, 0, uint32_t(data.size()), data.data()), data.size());
  ASSERT_EQ(HfCut(h, 100, 10), 10u);
  data.erase(data.begin() + 100, data.begin() + 110);
  coldCache();
  EXPECT_EQ(HfInsert(h, 50, 5, true, 1), 5u);
  platform::IoCounters io = writeBack();
  EXPECT_EQ(io.reads, 1u);
  EXPECT_EQ(io.writes, 1u);
  EXPECT_EQ(counts(h), (std::vector<uint32_t>{65531, 65536}));
  data.insert(data.begin() + 50, 5, 1);
  EXPECT_EQ(readAll(h), data);
  EXPECT_TRUE(storeOk());
}

TEST_F(VfileTest, LargeInsertLinksFreshBlocksBetweenTheSplitBlockAndItsOverflow) {
  HfHandle* h = create();
  auto data = pattern(kVfBlockSize, 11);
  ASSERT_EQ(HfWrite(h, 0, uint32_t(data.size()), data.data()), data.size());
  coldCache();
  const uint32_t n = 3 * kVfBlockSize + 123;
  EXPECT_EQ(HfInsert(h, 40000, n, true, 0xEE), n);
  platform::IoCounters io = writeBack();
  EXPECT_LE(io.reads, 1u);  // only the split block is read; fresh and overflow blocks are written whole
  data.insert(data.begin() + 40000, n, 0xEE);
  EXPECT_EQ(readAll(h), data);
  EXPECT_TRUE(storeOk());
}

TEST_F(VfileTest, InsertFileOfThreeBlocksAtZeroMovesNoBytes) {
  HfHandle* dst = create();
  HfHandle* src = create(false, 7);
  auto a = pattern(2 * kVfBlockSize + 5, 12), b = pattern(3 * kVfBlockSize, 13);
  ASSERT_EQ(HfWrite(dst, 0, uint32_t(a.size()), a.data()), a.size());
  ASSERT_EQ(HfWrite(src, 0, uint32_t(b.size()), b.data()), b.size());
  auto srcChain = HfChain(src), dstChain = HfChain(dst);
  // Without a sink nothing is read back either.
  HfHandle* quiet = HfCreate(1, 0, nullptr, false, nullptr);
  ASSERT_EQ(HfWrite(quiet, 0, uint32_t(a.size()), a.data()), a.size());
  HfHandle* srcQuiet = HfCopy(src, 0, uint32_t(b.size()), 0, false, nullptr, nullptr);
  keep(quiet);
  keep(srcQuiet);
  coldCache();
  notes.clear();
  forget(src);
  EXPECT_EQ(HfInsertFile(dst, src, 0), VF_OK);
  platform::IoCounters io = writeBack();
  EXPECT_EQ(io.writes, 0u);
  std::vector<uint16_t> expect = srcChain;
  expect.insert(expect.end(), dstChain.begin(), dstChain.end());
  EXPECT_EQ(HfChain(dst), expect);
  // The source got its closing notifications, the destination 106, 107 per spliced block, 104.
  std::vector<uint32_t> codes;
  for (const Note& n : notes) codes.push_back(n.code);
  EXPECT_EQ(codes, (std::vector<uint32_t>{HFN_CLOSING, HFN_CLOSED, HFN_INSERT, HFN_WRITE, HFN_WRITE,
                                          HFN_WRITE, HFN_LENGTH}));
  EXPECT_EQ(notes[0].a, 7u);
  EXPECT_EQ(notes[2].b, b.size());
  EXPECT_EQ(notes[4].a, kVfBlockSize);
  EXPECT_EQ(notes[4].bytes, std::vector<uint8_t>(b.begin() + kVfBlockSize, b.begin() + 2 * kVfBlockSize));
  auto all = b;
  all.insert(all.end(), a.begin(), a.end());
  EXPECT_EQ(readAll(dst), all);

  coldCache();
  forget(srcQuiet);
  EXPECT_EQ(HfInsertFile(quiet, srcQuiet, 0), VF_OK);
  io = writeBack();
  EXPECT_EQ(io.reads + io.writes, 0u);
  EXPECT_EQ(readAll(quiet), all);
  EXPECT_TRUE(storeOk());
}

TEST_F(VfileTest, InsertFileInsideABlockCopiesOnlyTheSplitTail) {
  HfHandle* dst = create();
  HfHandle* src = create();
  auto a = pattern(2 * kVfBlockSize, 14), b = pattern(kVfBlockSize + 10, 15);
  ASSERT_EQ(HfWrite(dst, 0, uint32_t(a.size()), a.data()), a.size());
  ASSERT_EQ(HfWrite(src, 0, uint32_t(b.size()), b.data()), b.size());
  forget(src);
  coldCache();
  EXPECT_EQ(HfInsertFile(dst, src, 70000), VF_OK);
  platform::IoCounters io = writeBack();
  EXPECT_EQ(io.writes, 1u);  // the split tail's new block; the spliced blocks stay where they are
  EXPECT_EQ(io.reads, 3u);   // the split block, and the two spliced blocks read back for the 107s
  auto all = a;
  all.insert(all.begin() + 70000, b.begin(), b.end());
  EXPECT_EQ(readAll(dst), all);
  EXPECT_EQ(counts(dst), (std::vector<uint32_t>{65536, 70000 - 65536, 65536, 10, 2 * 65536 - 70000}));
  EXPECT_TRUE(storeOk());
}

TEST_F(VfileTest, EveryChangeForgetsThePrivateReadBuffer) {
  std::string path = dir.file("src.raw");
  writeSourceFile(path, 2 * kVfBlockSize, 16);
  struct Change {
    const char* name;
    std::function<void(HfHandle*, std::vector<uint8_t>&)> run;
  };
  std::vector<Change> changes = {
      {"write",
       [](HfHandle* h, std::vector<uint8_t>& m) {
         uint8_t b[3] = {1, 2, 3};
         HfWrite(h, 10, 3, b);
         std::copy(b, b + 3, m.begin() + 10);
       }},
      {"cut",
       [](HfHandle* h, std::vector<uint8_t>& m) {
         HfCut(h, 5, 7);
         m.erase(m.begin() + 5, m.begin() + 12);
       }},
      {"insert",
       [](HfHandle* h, std::vector<uint8_t>& m) {
         HfInsert(h, 3, 4, true, 9);
         m.insert(m.begin() + 3, 4, 9);
       }},
      {"fill",
       [](HfHandle* h, std::vector<uint8_t>& m) {
         uint8_t z = 0;
         HfFill(h, 0, 20, &z, 1, 1);
         std::fill(m.begin(), m.begin() + 20, 0);
       }},
  };
  for (const Change& c : changes) {
    SCOPED_TRACE(c.name);
    HfHandle* h = open(path, 2 * kVfBlockSize, true);
    std::vector<uint8_t> model = readAll(h);
    uint8_t probe[32];
    ASSERT_EQ(HfRead(h, 0, 32, probe), 32u);  // now buffered
    c.run(h, model);
    ASSERT_EQ(HfRead(h, 0, 32, probe), 32u);
    EXPECT_TRUE(std::equal(probe, probe + 32, model.begin()));
    HfClose(h);
    forget(h);
  }
  EXPECT_TRUE(storeOk());
}

TEST_F(VfileTest, FillPatternChangesOnlyOneChannel) {
  HfHandle* h = create();
  std::vector<uint8_t> data = pattern(4 * 1000, 17);  // 1,000 stereo 16-bit frames
  ASSERT_EQ(HfWrite(h, 0, uint32_t(data.size()), data.data()), data.size());
  const uint8_t zero[2] = {0, 0};
  notes.clear();
  // Right channel of frames 10..19: phase 2 of a 4-byte unit.
  EXPECT_EQ(HfFill(h, 10 * 4 + 2, 10 * 4, zero, 2, 4), 40u);
  for (int f = 10; f < 20; ++f) data[f * 4 + 2] = data[f * 4 + 3] = 0;
  EXPECT_EQ(readAll(h), data);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].code, HFN_WRITE);
  EXPECT_EQ(notes[0].a, 40u);
  EXPECT_EQ(notes[0].bytes, std::vector<uint8_t>(data.begin() + 40, data.begin() + 80));
  // A pattern that does not fit its unit is refused.
  EXPECT_EQ(HfFill(h, 3, 4, zero, 2, 4), 0u);
  // A constant fill past the end grows the file and says so.
  notes.clear();
  const uint8_t silence = 0x80;
  EXPECT_EQ(HfFill(h, 3990, 20, &silence, 1, 1), 20u);
  EXPECT_EQ(HfGetLength(h), 4010u);
  ASSERT_GE(notes.size(), 2u);
  EXPECT_EQ(notes.back().code, HFN_LENGTH);
  EXPECT_EQ(notes[0].c, 0u);
  EXPECT_TRUE(storeOk());
}

TEST_F(VfileTest, ShortWriteWhenBlocksRunOutReportsWhatWasWritten) {
  HfHandle* h = create();
  hog(2);
  auto data = pattern(5 * kVfBlockSize, 18);
  notes.clear();
  uint32_t done = HfWrite(h, 0, uint32_t(data.size()), data.data());
  EXPECT_EQ(done, 3 * kVfBlockSize);  // its own first block and the two spare ones
  EXPECT_EQ(HfGetLength(h), done);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[1].code, HFN_WRITE);
  EXPECT_EQ(notes[1].b, done);
  EXPECT_GE(needSpaceCalls, 1);
  EXPECT_TRUE(storeOk());
}

TEST_F(VfileTest, InsertThatCannotHaveItsBlockLeavesTheFileUntouched) {
  HfHandle* h = create();
  auto data = pattern(kVfBlockSize, 19);
  ASSERT_EQ(HfWrite(h, 0, uint32_t(data.size()), data.data()), data.size());
  hog(0);
  notes.clear();
  EXPECT_EQ(HfInsert(h, 100, 1, true, 0), 0u);
  EXPECT_EQ(readAll(h), data);
  EXPECT_TRUE(notes.empty());
  std::string path = dir.file("src.raw");
  EXPECT_TRUE(storeOk());
}

TEST_F(VfileTest, CutThatCannotCopyItsMappedBlockLeavesTheFileUntouched) {
  std::string path = dir.file("src.raw");
  auto data = writeSourceFile(path, 2 * kVfBlockSize, 20);
  HfHandle* h = open(path, 2 * kVfBlockSize);
  hog(0);
  EXPECT_EQ(HfCut(h, kVfBlockSize - 5, 10), 0u);
  EXPECT_EQ(readAll(h), data);
  EXPECT_EQ(counts(h), (std::vector<uint32_t>{65536, 65536}));
  EXPECT_TRUE(storeOk());
}

TEST_F(VfileTest, NotificationHandlersMayReadButNotChangeTheFile) {
  int st = 0;
  std::vector<uint8_t> seen;
  uint32_t refused = 1;
  HfHandle* h = nullptr;
  h = keep(HfCreate(
      1, 0,
      [&](HfHandle* f, const HfNotify& r) {
        if (r.code != HFN_WRITE) return;
        seen.resize(r.b);
        HfRead(f, r.a, r.b, seen.data());
        uint8_t x = 0;
        refused = HfWrite(f, 0, 1, &x);
      },
      true, &st));
  auto data = pattern(1000, 21);
  EXPECT_EQ(HfWrite(h, 0, 1000, data.data()), 1000u);
  EXPECT_EQ(seen, data);
  EXPECT_EQ(refused, 0u);
  EXPECT_EQ(readAll(h), data);
}

TEST_F(VfileTest, CloseSendsItsOwnerBeforeAndAfterFreeing) {
  HfHandle* h = create(false, 42);
  uint8_t b[10] = {};
  HfWrite(h, 0, 10, b);
  forget(h);
  notes.clear();
  uint32_t empty = VfEmptyCount() + VfValidFreeCount();
  HfClose(h);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0].code, HFN_CLOSING);
  EXPECT_EQ(notes[0].a, 42u);
  EXPECT_EQ(notes[1].code, HFN_CLOSED);
  EXPECT_EQ(VfEmptyCount() + VfValidFreeCount(), empty + 1);
  EXPECT_TRUE(storeOk());
}

TEST_F(VfileTest, CopyReportsProgressAndStopsWhenAsked) {
  HfHandle* h = create();
  auto data = pattern(5 * kVfBlockSize, 22);
  ASSERT_EQ(HfWrite(h, 0, uint32_t(data.size()), data.data()), data.size());
  HfSetFormat(h, 2, 16);
  std::vector<uint32_t> calls;
  int st = -1;
  HfHandle* c =
      keep(HfCopy(h, 1000, 4 * kVfBlockSize, 9, false, &st, [&](uint32_t done, uint32_t d2, uint32_t total) {
        EXPECT_EQ(done, d2);
        EXPECT_EQ(total, 4 * kVfBlockSize);
        calls.push_back(done);
        return done >= 2 * kVfBlockSize ? kHfStop : 0;
      }));
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(st, 0);
  EXPECT_EQ(calls, (std::vector<uint32_t>{0, kVfBlockSize, 2 * kVfBlockSize}));
  EXPECT_EQ(readAll(c), std::vector<uint8_t>(data.begin() + 1000, data.begin() + 1000 + 2 * kVfBlockSize));
  int ch = 0, bits = 0;
  HfGetFormat(c, &ch, &bits);
  EXPECT_EQ(ch, 2);
  EXPECT_EQ(bits, 16);
  EXPECT_EQ(notes.back().file, c);
  EXPECT_EQ(notes.back().code, HFN_READY);
  EXPECT_TRUE(storeOk());
}

TEST_F(VfileTest, FlushRangeCopiesOnlyTheMappedBlocksInTheRange) {
  std::string path = dir.file("src.raw");
  auto data = writeSourceFile(path, 4 * kVfBlockSize, 23);
  HfHandle* h = open(path, 4 * kVfBlockSize);
  std::vector<uint32_t> progress;
  EXPECT_TRUE(HfFlushRange(h, kVfBlockSize + 5, kVfBlockSize, [&](uint32_t done, uint32_t total) {
    progress.push_back(done * 10 + total);
    return 0;
  }));
  EXPECT_EQ(progress, (std::vector<uint32_t>{12, 22}));
  auto chain = HfChain(h);
  EXPECT_TRUE(VfBlockFlags(chain[0]) & VF_READONLY);
  EXPECT_FALSE(VfBlockFlags(chain[1]) & VF_READONLY);
  EXPECT_FALSE(VfBlockFlags(chain[2]) & VF_READONLY);
  EXPECT_TRUE(VfBlockFlags(chain[3]) & VF_READONLY);
  EXPECT_EQ(readAll(h), data);
  EXPECT_TRUE(storeOk());
}

TEST_F(VfileTest, QuickSaveRewritesOnlyTheChangedBlocks) {
  std::string path = dir.file("q.raw");
  auto original = writeSourceFile(path, 10 * kVfBlockSize + 300, 24);
  HfHandle* h = open(path, uint32_t(original.size()), true);
  EXPECT_FALSE(HfCanQuickSave(h, dir.file("other.raw")));
  uint8_t x[2] = {0x11, 0x22};
  ASSERT_EQ(HfWrite(h, 2 * kVfBlockSize + 7, 2, x), 2u);
  ASSERT_EQ(HfWrite(h, 7 * kVfBlockSize + 65535, 1, x), 1u);
  EXPECT_TRUE(HfCanQuickSave(h, path));
  std::vector<uint8_t> probe(4);
  ASSERT_EQ(HfRead(h, 2 * kVfBlockSize + 6, 4, probe.data()), 4u);  // buffered
  platform::resetIoCounters();
  std::vector<uint32_t> progress;
  HfQuickSaveStatus st;
  EXPECT_TRUE(HfQuickSave(
      h, path,
      [&](uint32_t d, uint32_t, uint32_t t) {
        progress.push_back(d * 10 + t);
        return 0;
      },
      &st));
  EXPECT_EQ(st, HfQuickSaveStatus::Saved);
  EXPECT_EQ(progress, (std::vector<uint32_t>{12, 22}));
  EXPECT_LE(platform::ioCounters().bytesWritten, 4u * kVfBlockSize);  // two blocks, plus their write-backs
  auto saved = readWholeFile(path);
  ASSERT_EQ(saved.size(), original.size());
  std::vector<size_t> differ;
  for (size_t i = 0; i < saved.size(); ++i)
    if (saved[i] != original[i]) differ.push_back(i);
  std::vector<size_t> expect;
  if (original[2 * kVfBlockSize + 7] != 0x11) expect.push_back(2 * kVfBlockSize + 7);
  if (original[2 * kVfBlockSize + 8] != 0x22) expect.push_back(2 * kVfBlockSize + 8);
  if (original[7 * kVfBlockSize + 65535] != 0x11) expect.push_back(7 * kVfBlockSize + 65535);
  EXPECT_EQ(differ, expect);
  for (uint16_t d : HfChain(h)) EXPECT_TRUE(VfBlockFlags(d) & VF_READONLY);
  ASSERT_EQ(HfRead(h, 2 * kVfBlockSize + 6, 4, probe.data()), 4u);
  EXPECT_EQ(probe, std::vector<uint8_t>(saved.begin() + 2 * kVfBlockSize + 6,
                                        saved.begin() + 2 * kVfBlockSize + 10));
  EXPECT_EQ(readAll(h), saved);
  EXPECT_TRUE(storeOk());

  // Same length with a block left part-filled (a cut and an insert in another block), or another length:
  // refused.
  ASSERT_EQ(HfCut(h, 100, 10), 10u);
  ASSERT_EQ(HfInsert(h, 3 * kVfBlockSize + 200, 10, true, 0), 10u);
  EXPECT_EQ(HfGetLength(h), original.size());
  EXPECT_FALSE(HfCanQuickSave(h, path));
  EXPECT_FALSE(HfQuickSave(h, path, nullptr, &st));
  EXPECT_EQ(st, HfQuickSaveStatus::Refused);
  HfHandle* g = open(path, uint32_t(original.size()));
  ASSERT_EQ(HfCut(g, HfGetLength(g) - 5, 5), 5u);
  EXPECT_FALSE(HfCanQuickSave(g, path));
  EXPECT_EQ(readWholeFile(path), saved);
  EXPECT_TRUE(storeOk());
}

TEST_F(VfileTest, QuickSaveStoppedAfterOneBlockKeepsTheOtherChangesPending) {
  std::string path = dir.file("qs-stop.raw");
  auto original = writeSourceFile(path, 4 * kVfBlockSize, 31);
  HfHandle* h = open(path, uint32_t(original.size()));
  auto expect = original;
  for (uint32_t pos : {uint32_t(kVfBlockSize + 10), uint32_t(3 * kVfBlockSize + 20)}) {
    uint8_t x = uint8_t(original[pos] ^ 0x5A);
    ASSERT_EQ(HfWrite(h, pos, 1, &x), 1u);
    expect[pos] = x;
  }
  HfQuickSaveStatus st = HfQuickSaveStatus::Saved;
  int calls = 0;
  EXPECT_FALSE(HfQuickSave(
      h, path,
      [&](uint32_t, uint32_t, uint32_t) {
        ++calls;
        return kHfStop;
      },
      &st));
  EXPECT_EQ(st, HfQuickSaveStatus::Stopped);
  EXPECT_EQ(calls, 1);
  // The first changed block is in the file, the second is not, and the wave still reads as edited.
  auto onDisk = readWholeFile(path);
  EXPECT_EQ(onDisk[kVfBlockSize + 10], expect[kVfBlockSize + 10]);
  EXPECT_EQ(onDisk[3 * kVfBlockSize + 20], original[3 * kVfBlockSize + 20]);
  EXPECT_EQ(readAll(h), expect);
  EXPECT_TRUE(storeOk());
  // Saving again finishes the job.
  EXPECT_TRUE(HfQuickSave(h, path, nullptr, &st));
  EXPECT_EQ(readWholeFile(path), expect);
  EXPECT_TRUE(storeOk());
}

TEST_F(VfileTest, QuickSaveThatCannotReopenTheFileSaysHow) {
  struct Case {
    const char* name;
    bool persistent;  // the read-only reopen fails too
    HfQuickSaveStatus status;
  };
  for (Case c : {Case{"not writable", false, HfQuickSaveStatus::NotWritable},
                 Case{"source lost", true, HfQuickSaveStatus::SourceLost}}) {
    SCOPED_TRACE(c.name);
    std::string path = dir.file(std::string("qs-") + (c.persistent ? "lost" : "ro") + ".raw");
    auto original = writeSourceFile(path, 2 * kVfBlockSize, 25);
    HfHandle* h = open(path, uint32_t(original.size()));
    uint8_t x = uint8_t(original[70000] + 1);
    ASSERT_EQ(HfWrite(h, 70000, 1, &x), 1u);
    ASSERT_TRUE(HfCanQuickSave(h, path));
    HfQuickSaveStatus st = HfQuickSaveStatus::Saved;
    {
      platform::FaultInjector inj;
      inj.setCounted(platform::kOpOpen);
      inj.failAt(1, platform::FileStatus::SharingViolation, c.persistent);
      platform::ScopedFileOps scoped(inj.ops());
      EXPECT_FALSE(HfQuickSave(h, path, nullptr, &st));
    }
    EXPECT_EQ(st, c.status);
    EXPECT_EQ(readWholeFile(path), original);  // nothing was written
    if (!c.persistent) {
      // Still mapped read-only and readable; the changed block is still in temp storage.
      auto expect = original;
      expect[70000] = x;
      EXPECT_EQ(readAll(h), expect);
    }
    HfClose(h);
    forget(h);
  }
  EXPECT_TRUE(storeOk());
}

}  // namespace
}  // namespace storage
