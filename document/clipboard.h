// Copy, cut and paste of sample ranges through the program's two clipboards: the internal one, a wave kept
// from one run to the next (on Windows the file "SornClipboard.wav" written and read through the "Windows
// PCM" filter), and the Windows clipboard, which carries RIFF WAVE data in format CF_WAVE.
//
// Both clipboards are reached through small interfaces, so everything here runs the same natively: the
// Windows build implements InternalClipboard over the clipboard file and SystemClipboard over the real
// clipboard calls; VirtualClipboard keeps the clip in the paged store (tests, and a fallback). The CF_WAVE
// block is built and parsed here, byte by byte.
//
// A clip is a small WaveDocument without undo or peaks; the paste reads it through the sample transfer
// layer, which converts channels and sample size on the way. A clip of another rate is pasted at its own
// rate.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "document/edit_ops.h"
#include "document/mix_paste.h"
#include "document/wave_document.h"

namespace document {

using Clip = std::unique_ptr<WaveDocument>;

// The clipboard commands (the paste ids the Undo command knows are in undo_command.h).
constexpr int32_t kCmdCopy = 2050;
constexpr int32_t kCmdWinClipCopy = 377;
constexpr int32_t kCmdWinClipPaste = 415;

// Copy results.
constexpr int kCopyOk = 0;
constexpr int kCopyDeclined = 100;            // the user declined the internal clipboard
constexpr int kCopyFellBack = 101;            // the Windows clipboard had no room: copied to the internal one
constexpr int kCopyNoWindowsClipboard = 102;  // the Windows clipboard could not be opened
constexpr int kCopyNoClipboardFile = 103;     // the internal clipboard could not be written
constexpr int kCopyNoDocument = 6;            // no document, nothing to copy, or no memory
// Copy flags.
constexpr uint32_t kCopyLeft = 0x1;
constexpr uint32_t kCopyRight = 0x2;
constexpr uint32_t kCopyCut = 0x4;
constexpr uint32_t kCopyInternal = 0x8;
constexpr uint32_t kCopyNoAsk = 0x10;

// Paste errors of the Windows clipboard.
constexpr int kPasteNoMemoryOrInvalid = 4;
constexpr int kPasteCannotOpen = 102;
constexpr int kPasteNoWaveData = 104;

// The program's own clipboard.
class InternalClipboard {
 public:
  virtual ~InternalClipboard() = default;
  virtual bool present() = 0;
  // Replaces the clip with frames [start, start + count) of doc; channel 1 or 2 stores that channel of a
  // stereo document as mono. kCopyOk or kCopyNoClipboardFile.
  virtual int store(WaveDocument* doc, uint32_t start, uint32_t count, int channel) = 0;
  // A clip to paste from (the caller owns it), or null when there is none.
  virtual Clip load() = 0;
};

// The Windows clipboard, as bytes of one CF_WAVE block.
class SystemClipboard {
 public:
  virtual ~SystemClipboard() = default;
  // The largest block that can be allocated (a bigger copy asks to fall back to the internal clipboard).
  virtual uint64_t maxBlockBytes() { return 0xFFFFFFFFu; }
  // Empties the clipboard and places the block; false when the clipboard could not be opened.
  virtual bool put(std::vector<uint8_t> block) = 0;
  // 0 with the block, kPasteCannotOpen, or kPasteNoWaveData when there is no CF_WAVE data.
  virtual int get(std::vector<uint8_t>* block) = 0;
  virtual bool hasWave() = 0;
};

// The internal clipboard kept in the paged store for the life of the process.
class VirtualClipboard : public InternalClipboard {
 public:
  bool present() override { return clip_ != nullptr; }
  int store(WaveDocument* doc, uint32_t start, uint32_t count, int channel) override;
  Clip load() override;
  void clear() { clip_.reset(); }
  WaveDocument* clip() const { return clip_.get(); }

 private:
  Clip clip_;
};

// Copies frames [start, start + count) of doc (one channel as mono when channel is 1 or 2 on a stereo
// document) into a new clip with the document's rate and bits; null when storage ran out.
Clip CopyToClip(WaveDocument* doc, uint32_t start, uint32_t count, int channel);

// --- CF_WAVE (format 12): a 44-byte RIFF WAVE header followed by the PCM samples.
constexpr uint32_t kCfWave = 12;
constexpr uint32_t kCfWaveHeaderBytes = 44;

// Builds the block for frames [start, start + count) of doc. One channel (1 or 2) of a stereo document goes
// out as mono. 32-bit (float) documents go out as 16-bit PCM, since the block can only say "PCM".
// kCopyOk; kCopyNoDocument without samples; kCopyDeclined when the block would exceed maxBytes or the
// memory could not be had (the caller then offers the internal clipboard).
int BuildCfWave(WaveDocument* doc, uint32_t start, uint32_t count, int channel, uint64_t maxBytes,
                std::vector<uint8_t>* out);

// What a CF_WAVE block holds. The walk is bounded by the block: chunk sizes are checked against the bytes
// left (in 64 bits), pad bytes honoured; "fmt " must be PCM (tag 1) with 1-2 channels, 8 or 16 bits and a
// sane rate. A data chunk running past the block is cut to it and to whole frames.
struct CfWaveInfo {
  uint32_t rate = 0;
  uint16_t channels = 0;
  uint16_t bits = 0;
  bool hasData = false;  // false: no data chunk, nothing to paste
  size_t dataOffset = 0;
  size_t dataBytes = 0;
};
// true when the block is a usable wave (with or without a data chunk).
bool ParseCfWave(const uint8_t* block, size_t size, CfWaveInfo* info);
// The clip a block holds: kCopyOk with a clip (empty without a data chunk), or kPasteNoMemoryOrInvalid.
int ClipFromCfWave(const uint8_t* block, size_t size, Clip* out);

// --- commands

// Copy range: the internal clipboard with kCopyInternal, else the Windows clipboard (falling back to the
// internal one on the user's word when the block is too big). Returns a copy result. The cut flag does not
// remove anything here: Cut() does that after recording its undo level.
int CopyRange(WaveDocument* doc, uint32_t start, uint32_t count, uint32_t flags, InternalClipboard* internal,
              SystemClipboard* system, const EditUi& ui);

// 2050 Copy (internal) and 377 Windows Clipboard Copy, over the effective range in the edited channel(s).
// A failed copy shows "Not enough space left to copy". status kEditOk, kEditDeclined or kEditCopyFailed.
constexpr int kEditCopyFailed = 9;
EditResult CopyCommand(WaveDocument* doc, const EditRange& range, bool windowsClipboard,
                       InternalClipboard* internal, SystemClipboard* system, const EditUi& ui);

// 2150 Cut: saves the effective range for undo, copies it to the internal clipboard and only when that
// worked records the level (2150, or 10275 with one channel edited) and removes the range (with one
// channel edited, silences it: the length stays). A failed copy changes nothing and records nothing.
EditResult Cut(WaveDocument* doc, const EditRange& range, InternalClipboard* internal,
               SystemClipboard* system, const EditUi& ui);

// Reads the Windows clipboard into a clip, showing the paste messages; null with *error set (0 when the
// block held no data chunk: nothing to paste).
Clip ReadWindowsClipboard(SystemClipboard* system, const EditUi& ui, int* error);

// How a paste of clipFrames frames goes, before anything is touched. Pure, so the ranges can be tested.
struct PastePlan {
  bool overlap = false;  // mixed over the document (no length change) instead of inserted
  int channel = 0;       // 0 both, 1 left, 2 right
  uint32_t clipFrames = 0;
  uint32_t loops = 1;
  uint32_t n = 0;            // frames pasted in all: clipFrames x loops
  uint32_t start = 0;        // the selection start or the cursor
  uint32_t removeCount = 0;  // selected frames removed first (inserting)
  uint32_t insertCount = 0;  // silent frames inserted at start after that
  uint32_t saveFirst = 0;    // the undo save range (saveLast = saveFirst - 1 for none)
  uint32_t saveLast = 0;
  uint32_t mixStart = 0;    // where the first copy of the clip goes
  uint32_t levelStart = 0;  // the undo level's range
  uint32_t levelEnd = 0;
  bool mix = false;    // Mix Paste (volumes, modes, fades) rather than a plain copy
  bool fades = false;  // crossfading: fade in on the first copy, out on the last
  uint32_t crossfadeFrames = 0;
};
// command: 2100, 415 or 2110 (only 2110 uses the settings). False when there is nothing to paste or the
// result would not fit the 32-bit byte addresses of a virtual file.
bool PlanPaste(uint32_t docLength, uint32_t rate, uint32_t blockAlign, const EditRange& range, int channel,
               uint32_t clipFrames, int32_t command, const PasteSpecialSettings& settings, PastePlan* plan);

// 2100 Paste, 415 Windows Clipboard Paste and 2110 Mix Paste of clip into doc (the caller creates a
// document in the clip's format first when there is none). pasteHilite: select the pasted frames, else
// put the cursor after them. A short paste shows "Paste Incomplete"; the level still covers the whole
// requested range.
EditResult Paste(WaveDocument* doc, const EditRange& range, WaveDocument* clip, int32_t command,
                 const PasteSpecialSettings& settings, bool pasteHilite, const EditUi& ui);

}  // namespace document
