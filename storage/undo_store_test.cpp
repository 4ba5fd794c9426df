// Undo store: levels, capacity, reclaim with and without asking, the space question, disabled undo,
// pending saves that are never recorded, and the menu and purge texts.
#include "storage/undo_store.h"

#include <gtest/gtest.h>

#include "storage/vfile_test_util.h"

namespace storage {
namespace {

using testing_util::VfileFixture;

class UndoStoreTest : public VfileFixture {
 protected:
  void SetUp() override {
    VfileFixture::SetUp();
    UndoReset();
    UndoUi u;
    u.ask = [this](const std::string& text, const std::string& caption, unsigned) {
      questions.push_back(caption + ": " + text);
      int a = answers.empty() ? 6 : answers.front();
      if (!answers.empty()) answers.erase(answers.begin());
      return a;
    };
    u.debug = [this](const char* line) { undoDebug.push_back(line); };
    UndoSetUi(u);
    wave = create();
    HfSetFormat(wave, 2, 16);
    std::vector<uint8_t> bytes(4 * 40000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7);
    ASSERT_EQ(HfWrite(wave, 0, uint32_t(bytes.size()), bytes.data()), bytes.size());
  }
  void TearDown() override {
    UndoReset();
    VfileFixture::TearDown();
  }
  // One saved level of `frames` frames from frame 0, recorded as command.
  UndoLevel* record(UndoNode* node, uint32_t frames, int32_t command = 2100, const char* title = "Undo It") {
    EXPECT_TRUE(UndoSaveRange(node, wave, 0, frames - 1));
    UndoRecord r;
    r.rate = 44100;
    r.command = command;
    r.start = 0;
    r.end = frames - 1;
    r.title = title;
    return UndoRecordLevel(node, r);
  }
  bool storeClean() {
    std::string why;
    std::vector<uint16_t> heads{HfFirstBlock(wave)};
    for (UndoNode* n : UndoNodes())
      for (const UndoLevel& l : n->levels)
        if (l.saved && HfFirstBlock(l.saved)) heads.push_back(HfFirstBlock(l.saved));
    bool ok = VfCheckInvariants(heads, &why);
    EXPECT_TRUE(ok) << why;
    return ok;
  }

  HfHandle* wave = nullptr;
  std::vector<std::string> questions;
  std::vector<int> answers;
  std::vector<std::string> undoDebug;
};

TEST_F(UndoStoreTest, SaveAndRecordKeepsACopyOfTheRange) {
  UndoNode* node = UndoCreateNode();
  UndoLevel* l = record(node, 1000);
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->savedBytes, 4000u);
  ASSERT_NE(l->saved, nullptr);
  std::vector<uint8_t> got(4000), want(4000);
  HfRead(l->saved, 0, 4000, got.data());
  HfRead(wave, 0, 4000, want.data());
  EXPECT_EQ(got, want);
  EXPECT_EQ(node->state, kUndoStateSaving);
  EXPECT_EQ(UndoMenuText(node), "Undo It");
  EXPECT_EQ(UndoLastCommand(), 2100);
  EXPECT_TRUE(storeClean());
}

TEST_F(UndoStoreTest, EmptyRangeStillRecordsALevelWithoutData) {
  UndoNode* node = UndoCreateNode();
  ASSERT_TRUE(UndoSaveRange(node, wave, 5, 4));
  UndoRecord r;
  r.command = 2100;
  r.start = 5;
  r.end = 104;
  UndoLevel* l = UndoRecordLevel(node, r);
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->saved, nullptr);
  EXPECT_EQ(l->savedBytes, 0u);
}

TEST_F(UndoStoreTest, CapacityDropsTheOldestAndFreesItsBlocks) {
  UndoNode* node = UndoCreateNode();
  const uint32_t freeBefore = VfEmptyCount() + VfValidFreeCount();
  for (int i = 0; i < 129; ++i) {
    char title[32];
    std::snprintf(title, sizeof title, "Undo %d", i);
    ASSERT_NE(record(node, 20000, 2100, title), nullptr);
  }
  ASSERT_EQ(node->levels.size(), 128u);
  EXPECT_EQ(node->levels.front().title, "Undo 1");
  EXPECT_EQ(node->levels.back().title, "Undo 128");
  // Each level holds two blocks (80,000 bytes); the dropped one gave its blocks back.
  EXPECT_EQ(freeBefore - (VfEmptyCount() + VfValidFreeCount()), 128u * 2);
  EXPECT_TRUE(storeClean());
}

TEST_F(UndoStoreTest, ReclaimWithoutAskingKeepsTheRetainCount) {
  UndoNode* node = UndoCreateNode();
  for (int i = 0; i < 10; ++i) record(node, 20000);
  uint64_t expectKB = 0;
  for (int i = 0; i < 5; ++i) expectKB += HfAllocatedSize(node->levels[size_t(i)].saved);
  EXPECT_EQ(UndoReclaim(1 << 30, true), int64_t(expectKB / 1024));
  EXPECT_EQ(node->levels.size(), 5u);
  EXPECT_TRUE(questions.empty());
}

TEST_F(UndoStoreTest, ReclaimAsksBeforeTakingRecentLevels) {
  struct Case {
    int answer;
    size_t left;
  };
  for (Case c : {Case{2, 5}, Case{1, 0}}) {
    UndoNode* node = UndoCreateNode();
    for (int i = 0; i < 7; ++i) record(node, 20000);
    questions.clear();
    answers = {c.answer};
    UndoReclaim(1 << 30, false);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], "Low on Hard Drive Space: Is it OK to clear some more recent Undo levels?");
    EXPECT_EQ(node->levels.size(), c.left) << "answer " << c.answer;
    UndoFreeNode(node);
  }
}

TEST_F(UndoStoreTest, NotEnoughRoomAsksAndNoStopsTheCommand) {
  UndoNode* node = UndoCreateNode();
  record(node, 100);
  VfSetReserves(int64_t(1) << 60, 0);  // no disk has room beyond this reserve
  answers = {2 /* reclaim: Cancel */, 7 /* No */};
  EXPECT_FALSE(UndoSaveRange(node, wave, 0, 39999));
  ASSERT_EQ(questions.size(), 2u);
  EXPECT_EQ(questions[1], "Warning: Not enough memory for Undo.  Continue anyway?");
  EXPECT_EQ(node->levels.size(), 1u);
  EXPECT_EQ(node->state, kUndoStateSaving);

  // Yes: the command goes on unsaved; the older level no longer matches the samples and goes too.
  questions.clear();
  answers = {2, 6};
  EXPECT_TRUE(UndoSaveRange(node, wave, 0, 39999));
  EXPECT_EQ(node->state, kUndoStateNotSaving);
  EXPECT_TRUE(node->empty());
  UndoRecord r;
  r.command = 2200;
  EXPECT_EQ(UndoRecordLevel(node, r), nullptr);
  EXPECT_EQ(UndoMenuText(node), "Can't Undo");
  VfSetReserves(0, 0);
}

TEST_F(UndoStoreTest, DisabledUndoClearsLevelsAndSaysSo) {
  UndoNode* node = UndoCreateNode();
  record(node, 100);
  UndoSetEnabled(false);
  EXPECT_TRUE(UndoSaveRange(node, wave, 0, 99));
  EXPECT_EQ(node->state, kUndoStateDisabled);
  EXPECT_TRUE(node->empty());
  bool enabled = true;
  EXPECT_EQ(UndoMenuText(node, &enabled), "Undo Disabled");
  EXPECT_FALSE(enabled);
  EXPECT_EQ(UndoNeedSpace(), 0);
}

TEST_F(UndoStoreTest, PendingSaveNeverRecordedLeavesNoLevelAndNoBlocks) {
  UndoNode* node = UndoCreateNode();
  const uint32_t freeBefore = VfEmptyCount() + VfValidFreeCount();
  ASSERT_TRUE(UndoSaveRange(node, wave, 0, 19999));
  EXPECT_LT(VfEmptyCount() + VfValidFreeCount(), freeBefore);
  UndoDiscardPending(node);
  EXPECT_EQ(VfEmptyCount() + VfValidFreeCount(), freeBefore);
  EXPECT_TRUE(node->empty());
  // A second save range also forgets the first one's copy.
  ASSERT_TRUE(UndoSaveRange(node, wave, 0, 19999));
  ASSERT_TRUE(UndoSaveRange(node, wave, 0, 9));
  UndoRecord r;
  r.command = 2100;
  UndoLevel* l = UndoRecordLevel(node, r);
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->savedBytes, 40u);
  EXPECT_TRUE(storeClean());
}

TEST_F(UndoStoreTest, ReclaimLeavesTheLevelBeingRestored) {
  UndoNode* node = UndoCreateNode();
  record(node, 20000);
  node->levels.back().restoring = true;
  answers = {1};
  EXPECT_EQ(UndoReclaim(1 << 30, false), 0);
  EXPECT_EQ(node->levels.size(), 1u);
  node->levels.back().restoring = false;
}

TEST_F(UndoStoreTest, TitlesAreCutAndPurgeReports) {
  UndoNode* node = UndoCreateNode();
  std::string longTitle(100, 'x');
  UndoLevel* l = record(node, 10, 2100, longTitle.c_str());
  EXPECT_EQ(l->title.size(), kUndoTitleMax);
  for (int i = 0; i < 3; ++i) record(node, 20000);
  int64_t kb = 0;
  const std::string report = UndoPurge(1, &kb);
  EXPECT_EQ(report, "Freed " + std::to_string(kb) +
                        "K within Sorn Edit's file system while retaining the last undo action");
  EXPECT_EQ(node->levels.size(), 1u);
  EXPECT_GT(kb, 0);
  EXPECT_EQ(UndoPurge(3), "Freed 0K within Sorn Edit's file system while retaining last 3 undo actions");
  UndoFreeNode(node);
  UndoNode stray;
  UndoFreeNode(new UndoNode(stray));
  ASSERT_EQ(undoDebug.size(), 1u);
  EXPECT_EQ(undoDebug[0], "Lost an undo block???\n");
}

TEST_F(UndoStoreTest, SetLimitsShrinksEveryNode) {
  UndoNode* a = UndoCreateNode();
  UndoNode* b = UndoCreateNode();
  for (int i = 0; i < 6; ++i) {
    record(a, 10);
    record(b, 10);
  }
  UndoSetLimits(4, 2);
  EXPECT_EQ(a->levels.size(), 4u);
  EXPECT_EQ(b->levels.size(), 4u);
  EXPECT_EQ(UndoCreateNode()->capacity, 4);
  EXPECT_EQ(UndoNodes().size(), 3u);
}

}  // namespace
}  // namespace storage
