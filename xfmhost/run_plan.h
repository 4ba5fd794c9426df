// The arithmetic of running a transform, without the plug-in: the format the plug-in is shown and the
// accessors behind its sample slots, the range it processes, the undo range, and the bookkeeping of a
// generator (blanks inserted before, surplus cut after, the new selection).
#pragma once

#include <cstdint>

namespace xfmhost {

// Channel selection of the edited wave: 0 both, 1 left, 2 right.
struct WaveShape {
  uint16_t channels = 2;
  uint16_t bits = 16;
  int editChannel = 0;
};

// Which current-document accessors go into the old sample slots (36, 40, 248, 252) and whether the
// delayed-write slots get the 16-to-8 variants.
enum class OldAccess {
  kPlain,        // vocReadOld, vocWriteAtOld, vocCutOld, vocInsertBlank
  kSingle,       // vocReadSingleOld, vocWriteAtSingleOld (cut and insert plain)
  kSingle8to16,  // vocReadSingle8to16Old, vocWriteAtSingle16to8Old (cut and insert plain)
  kBoth8to16,    // vocRead8to16Old, vocWriteAt16to8Old, vocCut16to8Old, vocInsertBlank16to8
};

struct Negotiated {
  uint16_t channels = 0;
  uint16_t bits = 0;
  uint16_t frameBytes = 0;
  uint16_t readMask = 0;   // context 336
  uint16_t writeMask = 0;  // context 338
  OldAccess access = OldAccess::kPlain;
  bool delayed16to8 = false;
};
// The format negotiation between a wave and a plug-in's format mask and flags.
Negotiated negotiateFormat(const WaveShape& wave, uint16_t formatMask, uint32_t flags);

// The range a run processes: the selection, or when it is empty (end < start) and the transform is not a
// generator, the visible range cut at the last frame of the wave.
struct FrameRange {
  int32_t first = 0;
  int32_t last = -1;
  bool operator==(const FrameRange& o) const { return first == o.first && last == o.last; }
};
FrameRange processRange(FrameRange selection, FrameRange visible, int32_t waveFrames, bool generator);

// The undo range of an in-place transform (flags already or-ed with the context's extra flags).
FrameRange undoRange(uint32_t flags, FrameRange range, FrameRange own, int32_t lastVisible,
                     int32_t waveFrames);

// A length-changing transform's reported end (context 20), kept inside the wave as it now is: between
// first - 1 (nothing left) and the wave's last frame.
int32_t clampChangedEnd(int32_t first, int32_t reportedLast, int32_t waveFrames);

// A generator's result n kept to what it was asked for: [0, L].
int32_t clampGenerated(int32_t n, int32_t asked);

// The generator's steps before XfmDo.
struct GeneratePlan {
  int32_t asked = 0;           // L: context 156 (negative counts as 0)
  int32_t start = 0;           // selection start
  int32_t blanks = 0;          // L - S frames to insert after the selection (0 for none)
  int32_t blanksAt = 0;        // where they go
  bool oneChannel = false;     // one channel of a stereo wave is selected
  bool extendChannel = false;  // one channel of a stereo wave with an empty selection: extend that channel
  FrameRange undo;             // the range saved for undo
  int32_t contextLast = 0;     // context 20 before XfmDo: start + L - 1
};
GeneratePlan planGenerate(int32_t asked, FrameRange selection, bool replace, int32_t waveFrames,
                          bool stereoOneChannel);

// The generator's steps after XfmDo returned n.
struct GenerateFinish {
  int32_t produced = 0;     // n clamped to [0, L]
  int32_t contextLast = 0;  // context 20
  int32_t cutAt = 0;        // frames to delete at cutAt (0 for none): the unused part
  int32_t cutFrames = 0;
  bool setSelection = false;
  FrameRange selection;
};
GenerateFinish finishGenerate(const GeneratePlan& plan, int32_t n, FrameRange selection, bool replace);

// When the blank insertion came up short (inserted < blanks) or the undo save failed after it: the
// inserted blanks are cut out again so no silence is left that undo cannot take back.
struct BlankRollback {
  int32_t at = 0;
  int32_t frames = 0;
};
BlankRollback rollbackBlanks(const GeneratePlan& plan, int32_t inserted);

}  // namespace xfmhost
