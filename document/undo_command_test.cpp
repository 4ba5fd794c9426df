// The Undo command over levels built from raw edits: paste at a cursor, trim in one step, delete with a
// cue after the range, sample adjustment, a refused space question, and a randomized run of edits and
// undos against an in-memory model.
#include "document/undo_command.h"

#include <gtest/gtest.h>

#include <random>

#include "document/document_test_util.h"
#include "document/edit_ops.h"

namespace document {
namespace {

using testing_util::DocumentFixture;
using testing_util::editDelete;
using testing_util::editPaste;
using testing_util::editSampleAdjust;
using testing_util::editTrim;

class UndoCommandTest : public DocumentFixture {};

std::vector<int16_t> ramp(uint32_t frames, int16_t from) {
  std::vector<int16_t> v(size_t(frames) * 2);
  for (size_t i = 0; i < v.size(); ++i) v[i] = int16_t(from + int(i));
  return v;
}

TEST_F(UndoCommandTest, PasteAtCursorIsRemovedAgain) {
  auto doc = stereo16(1000);
  const auto before = frames(doc.get());
  ASSERT_TRUE(editPaste(doc.get(), 5, 4, ramp(100, 7)));
  ASSERT_EQ(doc->lengthFrames(), 1100u);
  UndoOutcome o = UndoCommand(doc.get());
  EXPECT_EQ(o.levels, 1);
  EXPECT_EQ(frames(doc.get()), before);
  EXPECT_EQ(o.selStart, 5u);
  EXPECT_EQ(doc->sampleChanges(), 0);
  EXPECT_TRUE(doc->undo()->empty());
  EXPECT_TRUE(storeOk(doc.get()));
}

TEST_F(UndoCommandTest, PasteOverASelectionOfAnotherLength) {
  for (uint32_t pasted : {10u, 50u, 300u}) {
    auto doc = stereo16(1000, pasted);
    const auto before = frames(doc.get());
    ASSERT_TRUE(editPaste(doc.get(), 100, 149, ramp(pasted, -5)));
    UndoOutcome o = UndoCommand(doc.get());
    EXPECT_EQ(frames(doc.get()), before) << pasted;
    EXPECT_EQ(o.selStart, 100u);
    EXPECT_EQ(o.selEnd, 149u);
  }
}

TEST_F(UndoCommandTest, TrimIsUndoneInOneStepWithItsSelection) {
  auto doc = stereo16(10);
  const auto before = frames(doc.get());
  ASSERT_TRUE(editTrim(doc.get(), 3, 6));
  ASSERT_EQ(doc->lengthFrames(), 4u);
  ASSERT_EQ(doc->undo()->levels.size(), 2u);
  UndoOutcome o = UndoCommand(doc.get());
  EXPECT_EQ(o.levels, 2);
  EXPECT_EQ(frames(doc.get()), before);
  EXPECT_EQ(o.selStart, 3u);
  EXPECT_EQ(o.selEnd, 6u);
  EXPECT_TRUE(doc->undo()->empty());
}

TEST_F(UndoCommandTest, DeleteMovesCuesAfterTheRangeAndUndoPutsThemBack) {
  auto doc = stereo16(2000);
  ASSERT_TRUE(doc->cues().addCue(1, 500, 0, "at the end"));
  ASSERT_TRUE(doc->cues().addCue(2, 600, 0, "later"));
  ASSERT_TRUE(doc->cues().addCue(3, 300, 400, "spanning"));
  ASSERT_TRUE(doc->cues().addCue(4, 450, 0, "inside"));
  const auto before = frames(doc.get());
  ASSERT_TRUE(editDelete(doc.get(), 400, 499));
  EXPECT_EQ(doc->cues().findCue(1)->position, 400u);
  EXPECT_EQ(doc->cues().findCue(2)->position, 500u);
  EXPECT_EQ(doc->cues().findCue(3)->length, 300u);
  EXPECT_EQ(doc->cues().findCue(4), nullptr);
  UndoOutcome o = UndoCommand(doc.get());
  EXPECT_EQ(frames(doc.get()), before);
  EXPECT_EQ(doc->cues().findCue(1)->position, 500u);
  EXPECT_EQ(doc->cues().findCue(1)->length, 0u);
  EXPECT_EQ(doc->cues().findCue(2)->position, 600u);
  EXPECT_EQ(doc->cues().findCue(3)->position, 300u);
  EXPECT_EQ(doc->cues().findCue(3)->length, 400u);
  EXPECT_EQ(o.selStart, 400u);
  EXPECT_EQ(o.selEnd, 499u);
  EXPECT_EQ(o.viewWiden, 100u);
}

TEST_F(UndoCommandTest, SampleAdjustmentRestoresTheExactValue) {
  auto doc = stereo16(100);
  int16_t f[2] = {-1000, 1234};
  SampleWrite(doc->samples(), f, 40, 1, XF_STEREO | XF_16BIT);
  editSampleAdjust(doc.get(), 40, 1, 5000);
  editSampleAdjust(doc.get(), 40, 2, -7);
  UndoOutcome o = UndoCommand(doc.get());
  EXPECT_EQ(o.editChannel, 2);
  UndoCommand(doc.get());
  int16_t g[2];
  SampleRead(doc->samples(), g, 40, 1, XF_STEREO | XF_16BIT);
  EXPECT_EQ(g[0], -1000);
  EXPECT_EQ(g[1], 1234);
}

TEST_F(UndoCommandTest, AnsweringNoToTheSpaceQuestionLeavesTheDocumentAlone) {
  auto doc = stereo16(50000);
  ASSERT_TRUE(editDelete(doc.get(), 0, 9));
  const auto before = frames(doc.get());
  storage::VfSetReserves(int64_t(1) << 60, 0);
  answers = {2, 7};
  EXPECT_FALSE(editDelete(doc.get(), 100, 40000));
  storage::VfSetReserves(0, 0);
  EXPECT_EQ(frames(doc.get()), before);
  EXPECT_EQ(doc->undo()->levels.size(), 1u);
  bool enabled = false;
  EXPECT_EQ(storage::UndoMenuText(doc->undo(), &enabled), "Undo");
  EXPECT_TRUE(enabled);
}

TEST_F(UndoCommandTest, ConversionIsUndoneWithTheLevelsOwnFormat) {
  auto doc = stereo16(3000);
  ASSERT_TRUE(doc->cues().addCue(1, 2000, 0));
  const auto before = frames(doc.get());
  // What a conversion to 8-bit mono at 22050 Hz records: the whole wave saved, then new samples.
  ASSERT_TRUE(storage::UndoSaveRange(doc->undo(), doc->file(), 0, 2999));
  storage::UndoRecord r = testing_util::recordOf(doc.get(), kCmdConvertType, 0, 1499);
  doc->setCueShiftSuppressed(true);  // the conversion rescales the cues itself
  SampleCut(doc->samples(), 0, 3000);
  doc->setRate(22050);
  doc->setLayout(1, 8);
  std::vector<uint8_t> half(1500, 0x80);
  SampleWrite(doc->samples(), half.data(), 0, 1500, XF_MONO | XF_8BIT);
  doc->setCueShiftSuppressed(false);
  doc->cues().rescale(44100, 22050);
  storage::UndoRecordLevel(doc->undo(), r);
  doc->addFormatChanges(1);

  UndoOutcome o = UndoCommand(doc.get());
  EXPECT_EQ(o.levels, 1);
  EXPECT_EQ(doc->rate(), 44100u);
  EXPECT_EQ(doc->channels(), 2);
  EXPECT_EQ(doc->bits(), 16);
  EXPECT_EQ(frames(doc.get()), before);
  ASSERT_NE(doc->cues().findCue(1), nullptr);
  EXPECT_EQ(doc->cues().findCue(1)->position, 2000u);
  EXPECT_DOUBLE_EQ(o.viewScale, 2.0);
  EXPECT_EQ(o.selEnd, 2999u);  // 3000 frames of the level's 4-byte format, not 12000 bytes / 1
  EXPECT_EQ(doc->formatChanges(), 0);
}

TEST_F(UndoCommandTest, ReclaimDuringTheSpliceLeavesTheLevelBeingRestored) {
  auto doc = stereo16(40000);
  const auto start = frames(doc.get());
  // Older levels that a reclaim may take, then the one we undo: a paste in the middle of a block, whose
  // splice needs a new block for the split.
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(testing_util::editPaste(doc.get(), 100, 199, ramp(100, int16_t(i))));
  const auto beforeLast = frames(doc.get());
  ASSERT_TRUE(testing_util::editPaste(doc.get(), 1000, 1999, ramp(10, 9)));
  // Take every free descriptor but the older levels' blocks: the split can only get one by reclaiming.
  int st = 0;
  storage::HfHandle* hog = storage::HfCreate(1, 0, nullptr, false, &st);
  ASSERT_NE(hog, nullptr);
  const uint32_t spare = storage::VfEmptyCount() + storage::VfValidFreeCount();
  storage::HfSeek(hog, (spare + 1) * storage::kVfBlockSize, false);
  ASSERT_EQ(storage::VfEmptyCount() + storage::VfValidFreeCount(), 0u);
  needSpaceAnswer = [] { return storage::UndoNeedSpace(); };
  answers = {1};  // OK to clear more recent levels
  UndoOutcome o = UndoCommand(doc.get());
  EXPECT_FALSE(o.failed);
  EXPECT_EQ(o.levels, 1);
  EXPECT_EQ(frames(doc.get()), beforeLast);
  EXPECT_GE(needSpaceCalls, 1);
  EXPECT_EQ(questions.size(), 1u);
  EXPECT_LT(doc->undo()->levels.size(), 3u);  // the reclaim took older levels
  EXPECT_TRUE(storeOk(doc.get(), {storage::HfFirstBlock(hog)}));
  storage::HfClose(hog);
  (void)start;
}

TEST_F(UndoCommandTest, AdjustedSampleRateComesBack) {
  auto doc = stereo16(500);
  ASSERT_TRUE(doc->cues().addCue(1, 300, 0));
  const auto before = frames(doc.get());
  ASSERT_EQ(AdjustSampleRate(doc.get(), 22050).status, kEditOk);
  EXPECT_EQ(doc->rate(), 22050u);
  EXPECT_EQ(doc->formatChanges(), 1);
  UndoOutcome o = UndoCommand(doc.get());
  EXPECT_EQ(o.levels, 1);
  EXPECT_EQ(doc->rate(), 44100u);
  EXPECT_EQ(doc->formatChanges(), 0);
  EXPECT_EQ(doc->sampleChanges(), 0);
  EXPECT_EQ(frames(doc.get()), before);
  EXPECT_EQ(doc->cues().findCue(1)->position, 300u);
}

TEST_F(UndoCommandTest, DrawnSampleOfFullScaleComesBackExactly) {
  auto doc = stereo16(10);
  int16_t f[2] = {-32768, 32767};
  SampleWrite(doc->samples(), f, 4, 1, XF_STEREO | XF_16BIT);
  editSampleAdjust(doc.get(), 4, 1, 0);
  editSampleAdjust(doc.get(), 4, 2, 0);
  UndoCommand(doc.get());
  UndoCommand(doc.get());
  int16_t g[2];
  SampleRead(doc->samples(), g, 4, 1, XF_STEREO | XF_16BIT);
  EXPECT_EQ(g[0], -32768);
  EXPECT_EQ(g[1], 32767);
}

TEST_F(UndoCommandTest, NothingToUndoDoesNothing) {
  auto doc = stereo16(10);
  EXPECT_EQ(UndoCommand(doc.get()).levels, 0);
  EXPECT_EQ(UndoCommand(nullptr).levels, 0);
}

TEST_F(UndoCommandTest, RandomEditsAndUndosMatchTheModel) {
  const int scale = storage::testing_util::testScale();
  const int steps = 1000 * scale;
  const uint32_t seed = uint32_t(std::random_device{}());
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::printf("undo random test seed %u, %d steps\n", seed, steps);
  std::mt19937 rng(seed);
  auto pick = [&](uint32_t n) { return n ? uint32_t(rng() % n) : 0u; };
  constexpr uint32_t kMaxFrames = 1 << 18;  // 1 MiB of 16-bit stereo

  {
    auto doc = stereo16(5000, seed);
    std::vector<int16_t> model = frames(doc.get());
    std::vector<std::vector<int16_t>> history;  // the model before each undoable edit
    std::vector<size_t> levelsOf;                // levels each of those edits recorded
    int mismatches = 0;
    for (int step = 0; step < steps; ++step) {
      const uint32_t len = uint32_t(model.size() / 2);
      const int op = int(pick(10));
      auto snapshot = model;
      bool recorded = true;
      size_t levelsNow = 1;
      if (op <= 1 && len > 1) {  // delete
        uint32_t a = pick(len), b = std::min(len - 1, a + pick(3000));
        editDelete(doc.get(), a, b, op ? 2150 : 2200);
        model.erase(model.begin() + 2 * a, model.begin() + 2 * (b + 1));
      } else if (op <= 4 && len + 4000 < kMaxFrames) {  // paste at a cursor or over a selection
        uint32_t a = pick(len + 1);
        uint32_t b = op == 2 || len == 0 ? a - 1 : std::min(len - 1, a + pick(2000));
        if (a == len) b = a - 1;
        auto data = ramp(1 + pick(4000), int16_t(pick(30000)));
        editPaste(doc.get(), a, b, data);
        const uint32_t cut = b + 1 - a;
        model.erase(model.begin() + 2 * a, model.begin() + 2 * (a + cut));
        model.insert(model.begin() + 2 * a, data.begin(), data.end());
      } else if (op == 5 && len > 2) {  // trim
        uint32_t a = pick(len), b = std::min(len - 1, a + pick(len));
        editTrim(doc.get(), a, b);
        levelsNow = (a > 0 ? 1 : 0) + (b + 1 < len ? 1 : 0);
        recorded = levelsNow > 0;
        model = std::vector<int16_t>(model.begin() + 2 * a, model.begin() + 2 * (b + 1));
      } else if (op == 6 && len > 0) {  // drawn sample
        uint32_t f = pick(len);
        int ch = 1 + int(pick(2));
        int16_t v = int16_t(pick(65536) - 32768);
        editSampleAdjust(doc.get(), f, ch, v);
        model[2 * f + (ch == 2 ? 1 : 0)] = v;
      } else if (!history.empty()) {  // undo
        UndoOutcome o = UndoCommand(doc.get());
        EXPECT_GE(o.levels, 1);
        model = history.back();
        history.pop_back();
        recorded = false;
        levelsOf.pop_back();
      } else {
        recorded = false;
      }
      if (recorded) {
        history.push_back(std::move(snapshot));
        levelsOf.push_back(levelsNow);
      }
      testing_util::trimUndoHistory(&history, &levelsOf, doc->undo()->levels.size());
      if (doc->lengthFrames() * 2 != model.size()) {
        ADD_FAILURE() << "step " << step << " op " << op << ": length " << doc->lengthFrames() << " vs "
                      << model.size() / 2;
        break;
      }
      if (step % 50 == 0 || op >= 7) {
        if (frames(doc.get()) != model) {
          ++mismatches;
          ADD_FAILURE() << "step " << step << " op " << op << ": samples differ";
          break;
        }
        ASSERT_TRUE(storeOk(doc.get())) << "step " << step;
      }
    }
    EXPECT_EQ(mismatches, 0);
    // Undo everything that is left: the document is back to the oldest state still recorded.
    while (!history.empty() && !doc->undo()->empty()) {
      UndoCommand(doc.get());
      model = history.back();
      history.pop_back();
    }
    EXPECT_EQ(frames(doc.get()), model);
  }
  // Closing the document gives every block back.
  EXPECT_EQ(storage::VfEmptyCount() + storage::VfValidFreeCount(), baselineFree);
  EXPECT_TRUE(storeOk(nullptr));
}

}  // namespace
}  // namespace document
