// The mix engine every paste goes through: a source range is combined with a destination range, by adding
// (overlap) or multiplying (modulate), with per-channel volumes (negative = inverted), fades at both ends
// and a destination gain that crossfades the old sound out where the new one fades in. The [Paste Special]
// settings of the Mix Paste dialog are a plain record here.
//
// The arithmetic is split from the file access: MixBlock works on one block of frames in the working
// sample type (16-bit integer for 8- and 16-bit data, float for 32-bit data), given where the block sits
// in the whole mix; MixFiles reads and writes the files around it in chunks of up to 32,768 frames.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "document/sample_transfer.h"

namespace document {

// Mix flags.
constexpr uint32_t kMixAdd = 0x1;
constexpr uint32_t kMixModulate = 0x2;
constexpr uint32_t kMixLeftOnly = 0x100;   // write into the left channel of a stereo destination only
constexpr uint32_t kMixRightOnly = 0x200;  // ... the right channel only
constexpr uint32_t kMixFadeIn = 0x1000;
constexpr uint32_t kMixFadeOut = 0x2000;

// Mix results.
constexpr int kMixOk = 0;
constexpr int kMixNoMemory = 4;
constexpr int kMixMissingFile = 15;

constexpr uint32_t kMixChunkFrames = 32768;
constexpr uint32_t kMaxCrossfadeFrames = 882000;
// Integer results are limited to this (and its negation: -32767, not -32768).
constexpr double kMixLimit = 32767.0;

// Where the Mix Paste takes its clip from.
enum class PasteSource { InternalClipboard = 0, WindowsClipboard = 1, File = 2 };

// [Paste Special]: read at start-up, written back at exit; the run-time part is not stored.
struct PasteSpecialSettings {
  double leftVolume = 1.0;   // Left; negative = the channel inverted
  double rightVolume = 1.0;  // Right
  double crossfadeMs = 50;   // CrossfadeTime
  double loops = 3;          // Loops, >= 1
  bool overlap = true;       // Overlap: false means insert
  bool loop = false;         // Loop
  bool crossfade = false;    // Crossfade
  // Run time only.
  bool modulate = false;
  PasteSource source = PasteSource::InternalClipboard;
  std::string sourceFile;
  bool lockLeftRight = false;
};

// What the Mix Paste dialog's OK takes over: volumes in per cent (0 .. 200) with their Invert boxes, the
// loop count as typed. Volumes become per cent x 0.01, negated when inverted; a loop count below 1 (or not
// a number) becomes 1.
struct PasteSpecialDialogValues {
  double leftPercent = 100, rightPercent = 100;
  bool invertLeft = false, invertRight = false;
  double crossfadeMs = 50;
  double loops = 1;
  bool insert = false, modulate = false, crossfade = false, loop = false;
  PasteSource source = PasteSource::InternalClipboard;
  std::string sourceFile;
  bool lockLeftRight = false;
};
void ApplyPasteSpecialDialog(const PasteSpecialDialogValues& v, PasteSpecialSettings* s);

// How the Mix Paste dialog opens: its control values and which controls are enabled.
struct PasteSpecialDialogStart {
  PasteSpecialDialogValues values;  // a negative volume shows its absolute value with Invert checked
  bool leftEnabled = true;          // volume L scroll bar, edit field and Invert box
  bool rightEnabled = true;         // volume R ... (off for mono documents and left-only editing)
  bool lockEnabled = true;
  bool insertEnabled = true;  // off with one channel edited (the paste overlaps then)
  bool internalSourceEnabled = true;
  bool windowsSourceEnabled = true;
  bool crossfadeTimeEnabled = false;
  bool loopCountEnabled = false;
};
// docChannels 1 or 2, editChannel 0 both, 1 left, 2 right. A source whose clipboard is empty is not offered:
// the other clipboard is chosen when it has data, else From File.
PasteSpecialDialogStart StartPasteSpecialDialog(const PasteSpecialSettings& s, int docChannels,
                                                int editChannel, bool internalPresent, bool windowsHasWave);

// Crossfade frames for a time at a rate: clamp(trunc(rate x ms x 0.001), 2, 882,000) (2 for a time that is
// not a number).
uint32_t CrossfadeFrames(uint32_t rate, double ms);

// One mix: its volumes, flags, total length and fade length. channels is the working channel count (1 when
// only one channel of the destination is written).
struct MixParams {
  double sourceVolume[2] = {1.0, 1.0};
  double destVolume[2] = {1.0, 1.0};
  uint32_t flags = kMixAdd;
  uint32_t count = 0;  // frames of the whole mix
  uint32_t crossfadeFrames = 0;
  int channels = 2;
};
// The fade length F of a mix: min(crossfade frames, count), or min(crossfade frames, count / 2) with both
// fades; 0 without fades.
uint32_t MixFadeLength(const MixParams& p);
// True when the mix leaves the source exactly as it is and ignores the destination: add mode, volumes of
// exactly 1.0, destination volumes 0, no fade. Such a mix is an exact copy (no clamping at all).
bool MixIsCopy(const MixParams& p);

// Mixes frames [offset, offset + frames) of a mix: dst (in and out) and src are interleaved in the working
// channel count. Integer blocks hold 16-bit values.
void MixBlock(const int16_t* src, int16_t* dst, uint32_t frames, uint32_t offset, const MixParams& p);
void MixBlock(const float* src, float* dst, uint32_t frames, uint32_t offset, const MixParams& p);

// Mixes count frames of src from srcStart into dst at dstPos (past the end of dst it appends, the missing
// destination frames taken as silence). The working type follows the destination. A stereo source into a
// one-channel target with only one non-zero volume reads only that channel; any other change of channels
// or size follows the sample transfer rules. progress gets (frames done, count); kSampleStop stops after
// the chunk. *written receives the frames written.
using MixProgress = std::function<int(uint32_t done, uint32_t total)>;
int MixFiles(SampleFile* src, uint32_t srcStart, uint32_t count, double leftVolume, double rightVolume,
             SampleFile* dst, uint32_t dstPos, double destLeftVolume, double destRightVolume, uint32_t flags,
             uint32_t crossfadeFrames, const MixProgress& progress, uint32_t* written);

}  // namespace document
