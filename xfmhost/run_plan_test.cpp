// Format negotiation, run ranges and generator bookkeeping.
#include "xfmhost/run_plan.h"

#include <gtest/gtest.h>

#include "include/xfm_abi.h"

namespace xfmhost {
namespace {

TEST(RunPlanTest, NegotiationTable) {
  const uint32_t N = XFM_NATIVE_FORMAT;
  const struct {
    WaveShape wave;
    uint16_t mask;
    uint32_t flags;
    uint16_t channels, bits, frame, readMask, writeMask;
    OldAccess access;
    bool delayed16to8;
  } table[] = {
      // Native: mask 0x30 on 16-bit mono gives 32-bit, frame 4.
      {{1, 16, 0}, 0x30, N, 1, 32, 4, 0, 0, OldAccess::kPlain, false},
      // Native: mask 0x04 on 8-bit stereo gives 16-bit mono.
      {{2, 8, 0}, 0x04, N, 1, 16, 2, 0, 0, OldAccess::kPlain, false},
      // Native, one channel: 1 channel and the channel masks.
      {{2, 16, 1}, 0x3f, N, 1, 16, 2, 0x800, 0x100, OldAccess::kPlain, false},
      {{2, 16, 2}, 0x3f, N, 1, 16, 2, 0x400, 0x200, OldAccess::kPlain, false},
      // Native, own format accepted.
      {{2, 32, 0}, 0x20, N, 2, 32, 8, 0, 0, OldAccess::kPlain, false},
      {{1, 8, 0}, 0x01, N, 1, 8, 1, 0, 0, OldAccess::kPlain, false},
      // Native: mono asked, only stereo accepted.
      {{1, 16, 0}, 0x08, N, 2, 16, 4, 0, 0, OldAccess::kPlain, false},
      // Native: nothing fits: 8-bit, and with no stereo format accepted mono.
      {{2, 16, 0}, 0x00, N, 1, 8, 1, 0, 0, OldAccess::kPlain, false},
      // Not native, 8-bit with mask 0x0c: converting accessors, 16-bit.
      {{2, 8, 0}, 0x0c, 0, 2, 16, 4, 0, 0, OldAccess::kBoth8to16, true},
      {{2, 8, 1}, 0x0c, 0, 1, 16, 2, 0, 0, OldAccess::kSingle8to16, true},
      {{2, 8, 2}, 0x03, 0, 1, 8, 1, 0, 0, OldAccess::kSingle, false},
      {{2, 16, 1}, 0x0c, 0, 1, 16, 2, 0, 0, OldAccess::kSingle, false},
      // Not native: 32-bit presented as 16.
      {{2, 32, 0}, 0x30, 0, 2, 16, 4, 0, 0, OldAccess::kPlain, false},
      {{2, 32, 2}, 0x30, 0, 1, 16, 2, 0, 0, OldAccess::kSingle, false},
      // A mono wave ignores the edit channel.
      {{1, 16, 1}, 0x3f, N, 1, 16, 2, 0, 0, OldAccess::kPlain, false},
      {{1, 8, 2}, 0x0c, 0, 1, 16, 2, 0, 0, OldAccess::kBoth8to16, true},
  };
  int row = 0;
  for (const auto& t : table) {
    Negotiated n = negotiateFormat(t.wave, t.mask, t.flags);
    EXPECT_EQ(n.channels, t.channels) << "row " << row;
    EXPECT_EQ(n.bits, t.bits) << "row " << row;
    EXPECT_EQ(n.frameBytes, t.frame) << "row " << row;
    EXPECT_EQ(n.readMask, t.readMask) << "row " << row;
    EXPECT_EQ(n.writeMask, t.writeMask) << "row " << row;
    EXPECT_EQ(n.access, t.access) << "row " << row;
    EXPECT_EQ(n.delayed16to8, t.delayed16to8) << "row " << row;
    ++row;
  }
}

TEST(RunPlanTest, EmptySelectionTakesTheVisibleRangeClippedToTheWave) {
  EXPECT_EQ(processRange({100, 99}, {50, 2000}, 1000, false), (FrameRange{50, 999}));
  EXPECT_EQ(processRange({100, 99}, {50, 500}, 1000, false), (FrameRange{50, 500}));
  EXPECT_EQ(processRange({100, 99}, {50, 500}, 1000, true), (FrameRange{100, 99}));
  EXPECT_EQ(processRange({10, 20}, {50, 500}, 1000, false), (FrameRange{10, 20}));
}

TEST(RunPlanTest, UndoRanges) {
  FrameRange r{10, 20}, own{5, 5000};
  EXPECT_EQ(undoRange(XFM_OWN_RANGE | XFM_UNDO_TO_VIEW_END, r, own, 300, 1000), (FrameRange{5, 999}));
  EXPECT_EQ(undoRange(XFM_UNDO_TO_VIEW_END | XFM_UNDO_TO_FILE_END, r, own, 300, 1000), (FrameRange{10, 300}));
  EXPECT_EQ(undoRange(XFM_UNDO_TO_FILE_END, r, own, 300, 1000), (FrameRange{10, 999}));
  EXPECT_EQ(undoRange(0, r, own, 300, 1000), r);
}

TEST(RunPlanTest, ClampsKeepResultsInsideTheWaveAndTheRequest) {
  EXPECT_EQ(clampChangedEnd(100, 5000, 1000), 999);
  EXPECT_EQ(clampChangedEnd(100, 50, 1000), 99);
  EXPECT_EQ(clampChangedEnd(100, 599, 1000), 599);
  EXPECT_EQ(clampGenerated(-5, 100), 0);
  EXPECT_EQ(clampGenerated(150, 100), 100);
  EXPECT_EQ(clampGenerated(50, 100), 50);
  EXPECT_EQ(clampGenerated(50, -1), 0);
}

TEST(RunPlanTest, GeneratorReplacingAShorterSelection) {
  // L = 1000, S = 500, replace, n = 800: +300 frames, selection [s, s + 799].
  const int32_t s = 2000, wave = 10000;
  FrameRange sel{s, s + 499};
  GeneratePlan p = planGenerate(1000, sel, true, wave, false);
  EXPECT_EQ(p.blanks, 500);
  EXPECT_EQ(p.blanksAt, s + 500);
  EXPECT_EQ(p.contextLast, s + 999);
  EXPECT_EQ(p.undo, sel);
  GenerateFinish f = finishGenerate(p, 800, sel, true);
  EXPECT_EQ(f.cutAt, s + 800);
  EXPECT_EQ(f.cutFrames, 200);
  EXPECT_EQ(p.blanks - f.cutFrames, 300);
  EXPECT_TRUE(f.setSelection);
  EXPECT_EQ(f.selection, (FrameRange{s, s + 799}));

  // A generator claiming more than asked is held to L.
  GenerateFinish over = finishGenerate(p, 5000, sel, true);
  EXPECT_EQ(over.produced, 1000);
  EXPECT_EQ(over.cutFrames, 0);
}

TEST(RunPlanTest, GeneratorCasesWithoutBlanks) {
  FrameRange sel{100, 599};  // S = 500
  GeneratePlan shorter = planGenerate(200, sel, true, 1000, false);
  EXPECT_EQ(shorter.blanks, 0);
  GenerateFinish f = finishGenerate(shorter, 200, sel, true);
  EXPECT_EQ(f.cutAt, 300);
  EXPECT_EQ(f.cutFrames, 300);  // S - L
  EXPECT_EQ(f.selection, (FrameRange{100, 299}));

  GeneratePlan keep = planGenerate(1000, sel, false, 1000, false);
  EXPECT_EQ(keep.blanks, 0);
  GenerateFinish k = finishGenerate(keep, 700, sel, false);
  EXPECT_EQ(k.contextLast, 100 + 700 - 1);
  EXPECT_EQ(k.cutFrames, 0);
  EXPECT_FALSE(k.setSelection);

  GeneratePlan atEnd = planGenerate(1000, {1000, 999}, true, 1000, false);  // cursor at the end
  EXPECT_EQ(atEnd.blanks, 0);

  GeneratePlan channel = planGenerate(1000, {600, 599}, true, 1000, true);
  EXPECT_TRUE(channel.extendChannel);
  EXPECT_EQ(channel.blanks, 0);
  EXPECT_EQ(channel.undo, (FrameRange{600, 999}));
  EXPECT_EQ(finishGenerate(channel, 10, {600, 599}, true).cutFrames, 0);
}

TEST(RunPlanTest, BlanksThatCameUpShortAreCutOutAgain) {
  GeneratePlan p = planGenerate(1000, {0, 499}, true, 5000, false);
  BlankRollback r = rollbackBlanks(p, 321);
  EXPECT_EQ(r.at, 500);
  EXPECT_EQ(r.frames, 321);
  EXPECT_EQ(rollbackBlanks(p, 9999).frames, 500);
  EXPECT_EQ(rollbackBlanks(p, -1).frames, 0);
}

}  // namespace
}  // namespace xfmhost
