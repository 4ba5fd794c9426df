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
bool splice(WaveDocument* doc, storage::HfHandle* saved, uint32_t start, uint32_t frames,
            uint32_t frameSize) {
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
      cues.setCue(c.id, uint32_t(std::min<uint64_t>(uint64_t(c.position) + count, 0xFFFFFFFEu)),
                  markers::kKeep);
    else if (c.length && uint64_t(c.position) + c.length > start)
      cues.setCue(c.id, markers::kKeep,
                  uint32_t(std::min<uint64_t>(uint64_t(c.length) + count, 0xFFFFFFFEu)));
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

// One level as it is applied: a copy of the level (reclaim may move the node's array while we splice),
// its saved file (null once the document holds it), the frame size of the level's own format (the
// document's may differ after a conversion), the frames the range holds now, and the frames it holds once
// the level is undone (frames).
struct Applying {
  storage::UndoLevel level;
  storage::HfHandle* saved = nullptr;
  uint32_t frameSize = 1;
  uint32_t current = 0;
  uint32_t frames = 0;
};

// Only the rate changed: the samples and cues stay where they are.
bool undoRateChange(WaveDocument* doc, Applying& a) {
  if (a.level.rate) doc->setRate(a.level.rate);
  doc->addFormatChanges(-1);
  a.frames = a.current;
  return true;
}

bool undoSampleAdjust(WaveDocument* doc, Applying& a) {
  restoreSampleValue(doc, a.level);
  a.frames = 1;
  return true;
}

// Cut and delete: the removed frames come back at start; the cues after it move up with them.
bool undoRemoval(WaveDocument* doc, Applying& a, UndoOutcome* out) {
  out->viewWiden = a.frames;
  if (!a.saved) return true;
  {
    NoCueShift quiet(doc);
    if (storage::HfInsertFile(doc->file(), a.saved, a.level.start * a.frameSize) != 0) return false;
  }
  a.saved = nullptr;
  shiftCuesForRestore(doc, a.level.start, a.frames);
  return true;
}

// A paste-class command: the range holds `current` frames and gets its saved ones back; the cues from
// start on move by the difference (or, for a transform that changes the length, are rescaled inside it).
bool undoReplacement(WaveDocument* doc, Applying& a, bool rescale) {
  const uint32_t start = a.level.start, n = a.frames, current = a.current;
  if (!a.saved) {
    resizeRange(doc, start, current, n, rescale);
    return true;
  }
  if (!splice(doc, a.saved, start, current, a.frameSize)) return false;
  a.saved = nullptr;
  if (rescale)
    doc->cues().adjustForReplacement(start, current, n);
  else if (n > current)
    shiftCuesForRestore(doc, start, n - current);
  else if (n < current)
    doc->cues().adjustForDeletion(start, current - n);
  return true;
}

// Any other command changed the samples in place: the saved ones go back over them.
bool undoOverwrite(WaveDocument* doc, Applying& a) {
  if (!a.saved) return true;
  if (!splice(doc, a.saved, a.level.start, a.frames, a.frameSize)) return false;
  a.saved = nullptr;
  return true;
}

// Applies one level by its command; false when the samples could not be changed (they are as they were).
bool applyLevel(WaveDocument* doc, Applying& a, const TransformLengthQuery& changesLength, UndoOutcome* out) {
  const int32_t command = a.level.command;
  switch (command) {
    case kCmdConvertType:
      if (!undoConversion(doc, a.level, a.saved, out)) return false;
      a.saved = nullptr;
      return true;
    case kCmdAdjustRate:
      return undoRateChange(doc, a);
    case kCmdSampleAdjust:
      return undoSampleAdjust(doc, a);
    case kCmdCut:
    case kCmdDelete:
      return undoRemoval(doc, a, out);
    default:
      break;
  }
  bool ok;
  if (isPasteClass(command)) {
    const bool rescale = command >= kCmdTransformFirst && command <= kCmdTransformLast && changesLength &&
                         changesLength(command);
    ok = undoReplacement(doc, a, rescale);
  } else {
    ok = undoOverwrite(doc, a);
  }
  const uint32_t len = doc->lengthFrames();
  out->viewEndAtLeast = std::min(a.level.start + a.frames, len ? len - 1 : 0);
  return ok;
}

// The selection after an undone level: its restored range; for a trim, the head level (at 0) knows where
// the selection started, the tail level where it ended.
void selectRestored(WaveDocument* doc, const Applying& a, bool* trimStartSet, UndoOutcome* out) {
  const storage::UndoLevel& level = a.level;
  if (level.command != kCmdTrim) {
    out->selStart = level.start;
    out->selEnd = a.frames ? level.start + a.frames - 1 : level.start;
  } else if (level.start == 0 && level.end == 0xFFFFFFFFu) {
    out->selStart = a.frames;
    uint32_t len = doc->lengthFrames();
    out->selEnd = len ? len - 1 : 0;
    *trimStartSet = true;
  } else {
    if (!*trimStartSet) out->selStart = 0;
    out->selEnd = level.start ? level.start - 1 : 0;
  }
}

// Takes the newest level off the node for applying: its saved file is detached and the level marked as
// being restored (see the top of the file).
Applying beginLevel(WaveDocument* doc, storage::UndoLevel& top) {
  Applying a;
  a.level = top;
  a.saved = top.saved;
  top.saved = nullptr;
  top.restoring = true;
  a.frameSize = uint32_t(a.level.bits / 8) * uint32_t(a.level.channels);
  if (!a.frameSize) a.frameSize = doc->blockAlign() ? doc->blockAlign() : 1;
  a.frames = a.level.savedBytes / a.frameSize;
  a.current = a.level.end + 1 - a.level.start;  // end may be start - 1
  return a;
}

}  // namespace

UndoOutcome UndoCommand(WaveDocument* doc, const TransformLengthQuery& changesLength) {
  UndoOutcome out;
  storage::UndoNode* node = doc ? doc->undo() : nullptr;
  if (!node || node->state <= 0) return out;
  bool trimStartSet = false;
  while (!node->empty() && node->state > 0) {
    Applying a = beginLevel(doc, node->levels.back());
    if (!applyLevel(doc, a, changesLength, &out)) {
      // Nothing changed: the level keeps its data for another try. It is still the newest (reclaim drops
      // only the oldest levels), but the array may have moved, so it is looked up again.
      storage::UndoLevel& top = node->levels.back();
      top = a.level;
      top.saved = a.saved;
      top.restoring = false;
      out.failed = true;
      break;
    }
    if (a.saved) storage::HfClose(a.saved);

    if (doc->channels() == 2) out.editChannel = a.level.editChannel;
    storage::UndoPop(node);
    // A rate change counts as a format change, not a sample change.
    if (a.level.command != kCmdAdjustRate) doc->addSampleChanges(-1);
    ++out.levels;
    selectRestored(doc, a, &trimStartSet, &out);
    if (!a.level.chain) break;
  }
  return out;
}

}  // namespace document
