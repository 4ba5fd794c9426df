// The Undo command: one level after another, as long as they are chained. See undo_command.h.
//
// A level's saved file is detached from the level before it is spliced in, and the level is marked as
// being restored: a splice may need a block, the "need space" request may then reclaim undo levels, and
// it must neither close the file being spliced nor drop the level under our feet. A splice that fails
// (no block for the split) puts the file back and leaves the level on the node, the samples unchanged.
#include "document/undo_command.h"

#include <algorithm>
#include <vector>

#include "document/sample_transfer.h"

namespace document {
namespace {

bool isPasteClass(int32_t c) {
  switch (c) {
    case kCmdPaste:
    case kCmdPasteWindows:
    case kCmdMixPaste:
    case kCmdTrim:
    case kCmdReverse:
    case kCmdInvert:
    case kCmdSilence:
    case kCmdMusic:
    case kCmdGenerateSilence:
      return true;
    default:
      return c >= kCmdTransformFirst && c <= kCmdTransformLast;
  }
}

// Turns cue shifting off for a scope.
class NoCueShift {
 public:
  explicit NoCueShift(WaveDocument* doc) : doc_(doc) { doc_->setCueShiftSuppressed(true); }
  ~NoCueShift() { doc_->setCueShiftSuppressed(false); }

 private:
  WaveDocument* doc_;
};

// Replaces frames [start, start + frames) with the saved file (consumed on success). The splice goes in
// first, so a failure leaves the samples as they were. Cue shifting is off throughout.
bool splice(WaveDocument* doc, storage::HfHandle* saved, uint32_t start, uint32_t frames, uint32_t frameSize) {
  NoCueShift quiet(doc);
  const uint32_t savedBytes = storage::HfGetLength(saved);
  if (storage::HfInsertFile(doc->file(), saved, start * frameSize) != 0) return false;
  if (frames) storage::HfCut(doc->file(), start * frameSize + savedBytes, frames * frameSize);
  return true;
}

// Frames come back at start: every cue from start on moves up by count, and a range that spans start
// (it lost frames to the change being undone) grows by count. Unlike a plain insertion, a point cue at
// start moves with the frames after it instead of turning into a range over the restored ones.
void shiftCuesForRestore(WaveDocument* doc, uint32_t start, uint32_t count) {
  if (!count || (doc->flags() & kDocNoCueShift)) return;
  markers::MarkerSet& cues = doc->cues();
  std::vector<markers::Cue> all;
  for (uint32_t i = 0; i < cues.cueCount(); ++i) all.push_back(*cues.cueAt(i));
  for (const markers::Cue& c : all) {
    if (c.position >= start)
      cues.setCue(c.id, uint32_t(std::min<uint64_t>(uint64_t(c.position) + count, 0xFFFFFFFEu)), markers::kKeep);
    else if (c.length && uint64_t(c.position) + c.length > start)
      cues.setCue(c.id, markers::kKeep, uint32_t(std::min<uint64_t>(uint64_t(c.length) + count, 0xFFFFFFFEu)));
  }
}

// Makes the range at start hold `want` frames instead of `have`, shifting the cues after it (or rescaling
// those inside it when rescale is set).
void resizeRange(WaveDocument* doc, uint32_t start, uint32_t have, uint32_t want, bool rescale) {
  if (want == have) return;
  if (rescale) {
    doc->cues().adjustForReplacement(start, have, want);
    NoCueShift quiet(doc);
    if (want < have)
      SampleCut(doc->samples(), int32_t(start), have - want);
    else
      SampleInsertBlank(doc->samples(), int32_t(start), want - have, true);
    return;
  }
  if (want < have) {
    SampleCut(doc->samples(), int32_t(start), have - want);
  } else {
    {
      NoCueShift quiet(doc);
      SampleInsertBlank(doc->samples(), int32_t(start), want - have, true);
    }
    shiftCuesForRestore(doc, start, want - have);
  }
}

void restoreSampleValue(WaveDocument* doc, const storage::UndoLevel& level) {
  float frame[2] = {0, 0};
  const uint16_t word = uint16_t((doc->channels() == 2 ? XF_STEREO : XF_MONO) | XF_32BIT);
  if (SampleRead(doc->samples(), frame, int32_t(level.start), 1, word) != 1) return;
  const float v = float(level.value);
  if (doc->channels() == 1)
    frame[0] = v;
  else if (level.editChannel == kChannelLeft)
    frame[0] = v;
  else if (level.editChannel == kChannelRight)
    frame[1] = v;
  else
    frame[0] = frame[1] = v;
  // No clipping: the old value was a sample of this wave, so it is in range (and -32768 must stay).
  SampleWrite(doc->samples(), frame, int32_t(level.start), 1, word);
}

// The sample type conversion is undone by putting the old layout and rate back and splicing the saved
// samples in whole.
bool undoConversion(WaveDocument* doc, const storage::UndoLevel& level, storage::HfHandle* saved,
                    UndoOutcome* out) {
  const uint32_t oldRate = doc->rate();
  {
    NoCueShift quiet(doc);
    uint32_t bytes = storage::HfGetLength(doc->file());
    if (bytes) storage::HfCut(doc->file(), 0, bytes);
  }
  doc->setRate(level.rate);
  doc->setLayout(uint16_t(level.channels), uint16_t(level.bits));
  if (saved) {
    NoCueShift quiet(doc);
    if (storage::HfInsertFile(doc->file(), saved, 0) != 0) return false;
  }
  if (oldRate && level.rate) {
    doc->cues().rescale(oldRate, level.rate);
    out->viewScale = double(level.rate) / double(oldRate);
  }
  doc->addFormatChanges(-1);
  return true;
}

}  // namespace

UndoOutcome UndoCommand(WaveDocument* doc, const TransformLengthQuery& changesLength) {
  UndoOutcome out;
  storage::UndoNode* node = doc ? doc->undo() : nullptr;
  if (!node || node->state <= 0) return out;
  bool trimStartSet = false;
  for (;;) {
    if (node->empty() || node->state <= 0) break;
    storage::UndoLevel& top = node->levels.back();
    const storage::UndoLevel level = top;  // a copy: reclaim may move the array while we splice
    storage::HfHandle* saved = top.saved;
    top.saved = nullptr;
    top.restoring = true;

    // Frame size of the level's own format (the document's may differ after a conversion).
    uint32_t frameSize = uint32_t(level.bits / 8) * uint32_t(level.channels);
    if (!frameSize) frameSize = doc->blockAlign() ? doc->blockAlign() : 1;
    uint32_t n = level.savedBytes / frameSize;
    const uint32_t current = level.end + 1 - level.start;  // end may be start - 1
    bool ok = true;

    if (level.command == kCmdConvertType) {
      ok = undoConversion(doc, level, saved, &out);
      if (ok) saved = nullptr;
    } else if (level.command == kCmdAdjustRate) {
      // Only the rate changed: the samples and cues stay where they are.
      if (level.rate) doc->setRate(level.rate);
      doc->addFormatChanges(-1);
      n = current;
    } else if (level.command == kCmdSampleAdjust) {
      restoreSampleValue(doc, level);
      n = 1;
    } else if (level.command == kCmdCut || level.command == kCmdDelete) {
      // The removed frames come back at start; the cues after it move up with them.
      if (saved) {
        {
          NoCueShift quiet(doc);
          ok = storage::HfInsertFile(doc->file(), saved, level.start * frameSize) == 0;
        }
        if (ok) {
          saved = nullptr;
          shiftCuesForRestore(doc, level.start, n);
        }
      }
      out.viewWiden = n;
    } else {
      const bool rescale = level.command >= kCmdTransformFirst && level.command <= kCmdTransformLast &&
                           changesLength && changesLength(level.command);
      if (isPasteClass(level.command)) {
        // The range holds `current` frames and gets its `n` saved ones back; the cues from start on move
        // by the difference (or, for a transform that changes the length, are rescaled inside it).
        if (saved) {
          ok = splice(doc, saved, level.start, current, frameSize);
          if (ok) {
            saved = nullptr;
            if (rescale)
              doc->cues().adjustForReplacement(level.start, current, n);
            else if (n > current)
              shiftCuesForRestore(doc, level.start, n - current);
            else if (n < current)
              doc->cues().adjustForDeletion(level.start, current - n);
          }
        } else {
          resizeRange(doc, level.start, current, n, rescale);
        }
      } else if (saved) {
        ok = splice(doc, saved, level.start, n, frameSize);
        if (ok) saved = nullptr;
      }
      const uint32_t len = doc->lengthFrames();
      out.viewEndAtLeast = std::min(level.start + n, len ? len - 1 : 0);
    }

    if (!ok) {
      // Nothing changed: the level keeps its data for another try.
      top = level;
      top.saved = saved;
      top.restoring = false;
      out.failed = true;
      break;
    }
    if (saved) storage::HfClose(saved);

    if (doc->channels() == 2) out.editChannel = level.editChannel;
    storage::UndoPop(node);
    if (level.command != kCmdAdjustRate) doc->addSampleChanges(-1);  // a rate change counts as a format change
    ++out.levels;

    if (level.command == kCmdTrim) {
      // The head level (at 0) knows where the selection started, the tail level where it ended.
      if (level.start == 0 && level.end == 0xFFFFFFFFu) {
        out.selStart = n;
        uint32_t len = doc->lengthFrames();
        out.selEnd = len ? len - 1 : 0;
        trimStartSet = true;
      } else {
        if (!trimStartSet) out.selStart = 0;
        out.selEnd = level.start ? level.start - 1 : 0;
      }
    } else {
      out.selStart = level.start;
      out.selEnd = n ? level.start + n - 1 : level.start;
    }
    if (!level.chain) break;
  }
  return out;
}

}  // namespace document
