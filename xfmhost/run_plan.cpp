// The arithmetic of a transform run; see run_plan.h.
#include "xfmhost/run_plan.h"

#include <algorithm>

#include "include/xfm_abi.h"

namespace xfmhost {
namespace {

// Format word bits of the sample transfer that the channel masks carry.
constexpr uint16_t kSrcLeft = 0x800, kSrcRight = 0x400, kDstLeft = 0x100, kDstRight = 0x200;

uint16_t ownMaskBit(uint16_t channels, uint16_t bits) {
  int size = bits == 8 ? 0 : bits == 16 ? 1 : 2;
  return uint16_t((channels == 1 ? 0x01 : 0x02) << (2 * size));
}

}  // namespace

Negotiated negotiateFormat(const WaveShape& wave, uint16_t formatMask, uint32_t flags) {
  Negotiated n;
  bool oneChannel = wave.channels == 2 && (wave.editChannel == 1 || wave.editChannel == 2);
  n.channels = wave.channels;
  n.bits = wave.bits;
  if (flags & XFM_NATIVE_FORMAT) {
    if (oneChannel) {
      n.channels = 1;
      n.readMask = wave.editChannel == 1 ? kSrcLeft : kSrcRight;
      n.writeMask = wave.editChannel == 1 ? kDstLeft : kDstRight;
    }
    if (formatMask & ownMaskBit(n.channels, wave.bits)) {
      n.bits = wave.bits;
    } else if (wave.bits == 8 && (formatMask & 0x0c)) {
      n.bits = 16;
    } else if (formatMask & 0x30) {
      n.bits = 32;
    } else if (formatMask & 0x0c) {
      n.bits = 16;
    } else {
      n.bits = 8;
    }
    if (n.channels == 1 && (formatMask & XFM_FMT_ALL_MONO) == 0) {
      n.channels = 2;
    } else if (n.channels == 2 && (formatMask & XFM_FMT_ALL_STEREO) == 0) {
      n.channels = 1;
    }
    n.frameBytes = uint16_t(n.bits / 8 * n.channels);
    return n;
  }
  bool eightUnaccepted = (formatMask & 0x03) == 0 && wave.bits == 8;
  if (oneChannel) {
    n.channels = 1;
    n.access = OldAccess::kSingle;
    if (eightUnaccepted) {
      n.access = OldAccess::kSingle8to16;
      n.delayed16to8 = true;
      n.bits = 16;
    }
  } else if (eightUnaccepted) {
    n.access = OldAccess::kBoth8to16;
    n.delayed16to8 = true;
    n.bits = 16;
  }
  if (n.bits == 32) n.bits = 16;  // the old accessors present 32-bit waves as 16-bit
  n.frameBytes = uint16_t(n.bits / 8 * n.channels);
  return n;
}

FrameRange processRange(FrameRange selection, FrameRange visible, int32_t waveFrames, bool generator) {
  if (selection.last >= selection.first || generator) return selection;
  FrameRange r;
  r.first = visible.first;
  r.last = std::min(visible.last, waveFrames - 1);
  return r;
}

FrameRange undoRange(uint32_t flags, FrameRange range, FrameRange own, int32_t lastVisible,
                     int32_t waveFrames) {
  if (flags & XFM_OWN_RANGE) return {own.first, std::min(own.last, waveFrames - 1)};
  if (flags & XFM_UNDO_TO_VIEW_END) return {range.first, lastVisible};
  if (flags & XFM_UNDO_TO_FILE_END) return {range.first, waveFrames - 1};
  return range;
}

int32_t clampChangedEnd(int32_t first, int32_t reportedLast, int32_t waveFrames) {
  return std::max(first - 1, std::min(reportedLast, waveFrames - 1));
}

int32_t clampGenerated(int32_t n, int32_t asked) {
  return std::max(0, std::min(n, std::max(0, asked)));
}

GeneratePlan planGenerate(int32_t asked, FrameRange selection, bool replace, int32_t waveFrames,
                          bool stereoOneChannel) {
  GeneratePlan p;
  p.asked = std::max(0, asked);
  p.start = selection.first;
  p.oneChannel = stereoOneChannel;
  int32_t s = std::max(0, selection.last - selection.first + 1);
  if (p.asked > s && replace && waveFrames > p.start && !stereoOneChannel) {
    p.blanks = p.asked - s;
    p.blanksAt = p.start + s;
  }
  if (stereoOneChannel && s == 0) {
    p.extendChannel = true;
    p.undo = {p.start, std::min(p.start + p.asked, waveFrames) - 1};
  } else {
    p.undo = selection;
  }
  p.contextLast = p.start + p.asked - 1;
  return p;
}

GenerateFinish finishGenerate(const GeneratePlan& plan, int32_t n, FrameRange selection, bool replace) {
  GenerateFinish f;
  f.produced = clampGenerated(n, plan.asked);
  f.contextLast = replace ? plan.contextLast : plan.start + f.produced - 1;
  int32_t s = std::max(0, selection.last - selection.first + 1);
  if (replace && !plan.oneChannel) {
    int32_t unused = plan.asked - f.produced;
    int32_t surplus = s > plan.asked ? s - plan.asked : 0;
    f.cutAt = plan.start + f.produced;
    f.cutFrames = unused + surplus;
  }
  if (replace) {
    f.setSelection = true;
    f.selection = {plan.start, plan.start + f.produced - 1};
  } else {
    f.selection = selection;
  }
  return f;
}

BlankRollback rollbackBlanks(const GeneratePlan& plan, int32_t inserted) {
  BlankRollback r;
  r.at = plan.blanksAt;
  r.frames = std::max(0, std::min(inserted, plan.blanks));
  return r;
}

}  // namespace xfmhost
