// Paste, Windows Clipboard Paste and Mix Paste: where the clip goes, what is saved for undo, and the
// mixes that put it there. See clipboard.h.
//
// An inserting paste makes room first (removing the selection, inserting silence) and then mixes the clip
// over it with destination volume 0, so a plain paste is an exact copy; with a crossfade the clip starts
// a margin before the insertion point and ends a margin after it, where the old sound fades out under it.
// The margins are cut short at the ends of the wave, so no range ever starts before frame 0.
#include <algorithm>
#include <cmath>

#include "document/clipboard.h"
#include "document/sample_transfer.h"
#include "document/undo_command.h"
#include "ui/message_box.h"

namespace document {
namespace {

int ask(const EditUi& ui, const char* text, const char* caption, unsigned flags, int byDefault) {
  return ui.ask ? ui.ask(text, caption, flags) : byDefault;
}

// trunc(rate x ms / 1000), at most limit; 0 for a time that is not a positive number.
uint32_t crossfadeHalf(uint32_t rate, double ms, uint32_t limit) {
  const double f = std::trunc(double(rate) * ms / 1000.0);
  if (!(f > 0)) return 0;
  return f >= limit ? limit : uint32_t(f);
}

uint32_t fadeFlagsFor(const PastePlan& plan, uint32_t copy) {
  if (!plan.fades) return 0;
  uint32_t flags = 0;
  if (copy == 0) flags |= kMixFadeIn;
  if (copy + 1 == plan.loops) flags |= kMixFadeOut;
  return flags;
}

}  // namespace

bool PlanPaste(uint32_t docLength, uint32_t rate, uint32_t blockAlign, const EditRange& range, int channel,
               uint32_t clipFrames, int32_t command, const PasteSpecialSettings& settings, PastePlan* plan) {
  *plan = PastePlan();
  if (!clipFrames || !blockAlign) return false;
  PastePlan& p = *plan;
  p.mix = command == kCmdMixPaste;
  p.channel = channel;
  p.clipFrames = clipFrames;
  p.overlap = channel != kChannelBoth || (p.mix && (settings.overlap || settings.modulate));

  const uint32_t len = docLength;
  p.start = uint32_t(std::clamp<int64_t>(range.start, 0, len));
  const bool hasSel = range.hasSelection() && p.start < len;
  const uint32_t end = hasSel ? uint32_t(std::min<int64_t>(range.end, int64_t(len) - 1)) : p.start - 1;
  if (hasSel && !p.overlap) p.removeCount = end - p.start + 1;

  // The wave afterwards must fit the 32-bit byte addresses of a virtual file: that bounds the loops.
  const uint64_t maxFrames = 0xFFFFFFFFull / blockAlign;
  const uint64_t base = p.overlap ? p.start : uint64_t(len) - p.removeCount;
  if (base + clipFrames > maxFrames) return false;
  uint64_t loops = 1;
  if (p.mix && settings.loop && std::isfinite(settings.loops) && settings.loops >= 1)
    loops = uint64_t(std::min(std::floor(settings.loops), 4294967295.0));
  loops = std::min<uint64_t>(loops, (maxFrames - base) / clipFrames);
  p.loops = uint32_t(loops);
  p.n = uint32_t(uint64_t(clipFrames) * loops);

  p.fades = p.mix && settings.crossfade;
  p.crossfadeFrames = p.fades ? CrossfadeFrames(rate, settings.crossfadeMs) : 0;

  if (p.overlap) {
    p.saveFirst = p.start;
    p.saveLast =
        p.start < len ? uint32_t(std::min<uint64_t>(uint64_t(p.start) + p.n - 1, len - 1)) : p.start - 1;
    p.mixStart = p.levelStart = p.start;
    p.levelEnd = p.start + p.n - 1;
    return true;
  }
  // Inserting: with a crossfade the clip reaches X/2 frames before the insertion point and the rest of X
  // after the inserted frames, as far as the wave has frames there.
  const uint32_t x =
      p.fades ? std::min(clipFrames, 2 * crossfadeHalf(rate, settings.crossfadeMs, clipFrames)) : 0;
  const uint32_t head = std::min(x / 2, p.start);
  const uint32_t after = hasSel ? end + 1 : p.start;
  const uint32_t tail = std::min(x - x / 2, len - after);
  p.saveFirst = p.start - head;
  p.saveLast = after - 1 + tail;
  const uint32_t lenAfterRemoval = len - p.removeCount;
  // At the very end the mix appends by itself: nothing to insert.
  p.insertCount = p.start < lenAfterRemoval ? p.n - head - tail : 0;
  p.mixStart = p.levelStart = p.start - head;
  p.levelEnd = p.levelStart + p.n - 1;
  return true;
}

EditResult Paste(WaveDocument* doc, const EditRange& range, WaveDocument* clip, int32_t command,
                 const PasteSpecialSettings& settings, bool pasteHilite, const EditUi& ui) {
  EditResult r;
  if (!doc || !doc->file() || !doc->blockAlign() || !clip || !clip->file() || !clip->blockAlign()) {
    r.status = kEditNothing;
    return r;
  }
  PastePlan plan;
  if (!PlanPaste(doc->lengthFrames(), doc->rate(), doc->blockAlign(), range, EffectiveChannel(doc, range),
                 clip->lengthFrames(), command, settings, &plan)) {
    r.status = kEditNothing;
    return r;
  }
  if (!storage::UndoSaveRange(doc->undo(), doc->file(), plan.saveFirst, plan.saveLast)) {
    r.status = kEditDeclined;
    return r;
  }
  // The level carries the command that ran, so Repeat runs the same paste again (Undo treats the three
  // alike).
  const int32_t levelCommand = command == kCmdMixPaste || command == kCmdWinClipPaste ? command : kCmdPaste;
  const uint32_t before = doc->lengthFrames();
  const uint32_t serial = NextEditSerial();
  if (ui.progressBegin) ui.progressBegin("Pasting...");

  if (plan.removeCount) SampleCut(doc->samples(), int32_t(plan.start), plan.removeCount);
  uint32_t pasted = 0;
  bool roomMade = true;
  if (plan.insertCount) {
    const uint32_t inserted = SampleInsertBlank(doc->samples(), int32_t(plan.start), plan.insertCount, true);
    if (inserted < plan.insertCount) {
      // No room for the clip: take the partial insert out again; the level below then gives back only
      // what was removed.
      if (inserted) SampleCut(doc->samples(), int32_t(plan.start), inserted);
      roomMade = false;
    }
  }
  if (roomMade) {
    const bool mixMode = plan.mix;
    const uint32_t mode = mixMode && settings.modulate ? kMixModulate : kMixAdd;
    const uint32_t target = plan.channel == kChannelLeft    ? kMixLeftOnly
                            : plan.channel == kChannelRight ? kMixRightOnly
                                                            : 0;
    const double lv = mixMode ? settings.leftVolume : 1.0, rv = mixMode ? settings.rightVolume : 1.0;
    const double dv = mixMode && plan.overlap ? 1.0 : 0.0;
    bool stopped = false;
    for (uint32_t copy = 0; copy < plan.loops && !stopped; ++copy) {
      uint32_t w = 0;
      const uint32_t base = copy * plan.clipFrames;
      MixProgress progress = [&](uint32_t done, uint32_t) {
        if (ui.progressMeter && ui.progressMeter(base + done, plan.n) == kDocStop) {
          stopped = true;
          return kSampleStop;
        }
        return 0;
      };
      MixFiles(clip->samples(), 0, plan.clipFrames, lv, rv, doc->samples(), plan.mixStart + base, dv, dv,
               mode | target | fadeFlagsFor(plan, copy), plan.crossfadeFrames, progress, &w);
      pasted += w;
      if (w < plan.clipFrames) break;
    }
  }
  if (ui.progressEnd) ui.progressEnd();
  if (pasted < plan.n) ask(ui, "Paste Incomplete", "Error", ui::kMbOk | ui::kMbIconWarning, ui::kIdOk);

  const uint32_t levelEnd = roomMade ? plan.levelEnd : plan.start - 1;
  const uint32_t levelStart = roomMade ? plan.levelStart : plan.start;
  storage::UndoRecordLevel(
      doc->undo(), EditRecord(doc, levelCommand, plan.channel, levelStart, levelEnd, "Undo Paste", serial));
  doc->addSampleChanges(1);

  r.status = pasted < plan.n ? kEditShort : kEditOk;
  r.frames = pasted;
  r.select = true;
  r.selStart = pasteHilite ? levelStart : levelStart + pasted;
  r.selEnd = pasteHilite ? levelStart + pasted - 1 : r.selStart - 1;
  const uint32_t now = doc->lengthFrames();
  r.setView = true;
  r.viewStart = std::min(range.viewStart, now ? now - 1 : 0);
  const int64_t widened = int64_t(range.viewEnd) + (int64_t(now) - before);
  r.viewEnd = uint32_t(std::clamp<int64_t>(widened, r.viewStart, now ? int64_t(now) - 1 : 0));
  return r;
}

}  // namespace document
