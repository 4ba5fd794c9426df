// Sample transfer: the one layer through which the rest of the program reads and writes samples of a
// stored wave, by frame position and count, in whatever layout the caller asks for (converting channels and
// sample size on the fly); plus the frame-level cut, blank insert and silence, and the zero-crossing
// search. Callers never see bytes or blocks; the storage underneath never sees frames.
//
// Transfers in the file's own layout go straight between the caller's buffer and the storage. Converted
// transfers go, one chunk at a time, through one shared scratch buffer guarded by its own lock, held for
// the whole transfer; a file's own lock is taken inside it by each storage call.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "document/sample_convert.h"
#include "document/wave_format.h"

namespace document {

// Byte-addressed storage of one wave's samples: a virtual file of the paged store, or memory in tests.
// Every call is atomic with respect to other calls on the same file (implementations take their own lock).
class SampleFile {
 public:
  virtual ~SampleFile() = default;
  virtual uint64_t length() = 0;  // bytes
  // Copies up to count bytes from offset; fewer at the end of the file. Returns bytes read.
  virtual uint32_t read(uint64_t offset, void* dst, uint32_t count) = 0;
  // Overwrites, and appends past the end; a start past the end grows the file up to it first (the gap's
  // bytes are undefined). Returns bytes written, fewer when storage ran out.
  virtual uint32_t write(uint64_t offset, const void* src, uint32_t count) = 0;
  // Patterned fill: the range is widened to whole units (start rounded down, end up); in every unit the
  // patternLength bytes starting at offset mod unit take the pattern, the unit's other bytes keep theirs.
  // Grows the file like write. Returns the bytes of the widened range covered.
  virtual uint32_t fill(uint64_t offset, uint32_t count, const void* pattern, uint32_t patternLength,
                        uint32_t unit) = 0;
  // Opens count bytes at offset, set to fillByte when fill is true (undefined otherwise). Returns bytes
  // inserted.
  virtual uint32_t insert(uint64_t offset, uint32_t count, bool fill, uint8_t fillByte) = 0;
  // Removes up to count bytes at offset. Returns bytes removed.
  virtual uint32_t cut(uint64_t offset, uint32_t count) = 0;
  // The file's own layout: XF_STEREO (else mono) plus one of XF_8BIT, XF_16BIT, XF_32BIT, or no size bit
  // when the file holds plain bytes.
  virtual uint16_t formatWord() = 0;
  virtual void setFormatWord(uint16_t word) = 0;
};

// SampleFile in memory, for tests and small scratch waves. maxBytes limits its size: writes, fills and
// inserts beyond it come up short, as when a temp drive is full. Bytes a file grows by without being
// written (a gap before a write past the end, an insert without fill) are set to kGapByte.
class MemorySampleFile : public SampleFile {
 public:
  static constexpr uint8_t kGapByte = 0xCD;
  explicit MemorySampleFile(uint16_t formatWord = 0, uint64_t maxBytes = 0xFFFFFFFFu);
  uint64_t length() override;
  uint32_t read(uint64_t offset, void* dst, uint32_t count) override;
  uint32_t write(uint64_t offset, const void* src, uint32_t count) override;
  uint32_t fill(uint64_t offset, uint32_t count, const void* pattern, uint32_t patternLength,
                uint32_t unit) override;
  uint32_t insert(uint64_t offset, uint32_t count, bool fill, uint8_t fillByte) override;
  uint32_t cut(uint64_t offset, uint32_t count) override;
  uint16_t formatWord() override;
  void setFormatWord(uint16_t word) override;

  std::vector<uint8_t> bytes();  // a copy of the contents
  void setBytes(std::vector<uint8_t> bytes);
  void setMaxBytes(uint64_t maxBytes);
  uint32_t readCalls();  // how many read() calls were made (tests check chunking)

 private:
  // Grows the data to end (at most maxBytes_) with gap bytes; returns the size reached.
  uint64_t growTo(uint64_t end);
  std::mutex lock_;
  std::vector<uint8_t> data_;
  uint16_t word_;
  uint64_t maxBytes_;
  uint32_t readCalls_ = 0;
};

// The conversion scratch: 131,072 bytes by default, allocated once at start-up and released at exit.
// A converted transfer made without it allocates the default size on first use. bytes must hold at least
// one frame of the widest layout (8 bytes) and at most 16 MiB; false when it does not or allocation fails
// (the old buffer, if any, stays).
constexpr uint32_t kSampleScratchBytes = 0x20000;
bool SampleScratchInit(uint32_t bytes);
void SampleScratchRelease();
uint32_t SampleScratchSize();  // 0 when not allocated

// The dither routine used by float to 16-bit narrowing with XF_DITHER; null (the default) turns it off.
// Installed once by the sample type conversion code; the routine must outlive its installation.
void SampleSetDither(SampleDither* dither);

// Progress of a long read: called after every chunk with the chunk's size in bytes, the frames delivered so
// far and the frames asked for; returning kSampleStop ends the read there.
constexpr int kSampleStop = 3;
using SampleProgress = std::function<int(uint32_t chunkBytes, uint32_t framesDone, uint32_t framesTotal)>;

// Reads count frames starting at frame start into dst, laid out as word says (with its options). A
// negative start delivers the first -start frames (at most count) as silence: 128 for 8-bit destinations,
// 0 otherwise, only the chosen channel with XF_DST_*. Stops early at the end of the file. Returns the
// frames delivered, silence included.
uint32_t SampleRead(SampleFile* file, void* dst, int32_t start, uint32_t count, uint16_t word,
                    const SampleProgress& progress = nullptr);

// Writes count frames from src (laid out as word says) at frame start, converting to the file's layout;
// appends past the end. A negative start skips the first -start source frames. With XF_DST_LEFT or
// XF_DST_RIGHT on a stereo file only that channel changes, and frames new at the end of the file get
// silence in the other. Returns the frames written (skipped frames not counted).
uint32_t SampleWrite(SampleFile* file, const void* src, int32_t start, uint32_t count, uint16_t word);

// Writes silence over count frames from start. word is the file's format word plus XF_DST_LEFT or
// XF_DST_RIGHT to silence one channel of a stereo file; the silence itself follows the file's layout.
// A negative start shortens the range by the part before frame 0. Returns the frames silenced.
uint32_t SampleSilence(SampleFile* file, int32_t start, uint32_t count, uint16_t word);

// Inserts count frames at start, set to silence when fill is true. A start before 0 inserts at 0, one past
// the end at the end. Returns the frames inserted.
uint32_t SampleInsertBlank(SampleFile* file, int32_t start, uint32_t count, bool fill);

// Removes count frames at start; a negative start shortens the count by the part before frame 0. Returns
// the frames removed.
uint32_t SampleCut(SampleFile* file, int32_t start, uint32_t count);

// The length in frames (in bytes when the file has no sample size). remainder, when given, receives the
// bytes of a trailing partial frame.
uint32_t SampleLength(SampleFile* file, uint32_t* remainder = nullptr);

// The nearest zero crossing from frame n within 2,048 frames: direction 1 searches forward, -1 backward.
// channel 1 searches the left channel of a stereo file, any other value the right. Returns n when there is
// no crossing in the window (or direction is neither 1 nor -1). Never returns a frame before 0.
int32_t FindZeroCrossing(SampleFile* file, int32_t n, int direction, int channel);
constexpr uint32_t kZeroCrossingWindow = 2048;

}  // namespace document
