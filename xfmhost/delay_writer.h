// The delayed sample writer plug-ins use to write their output over the range they are still reading: what
// it is given lands in order at [start, start + count), never more than count units, and the last hold-back
// units given stay unwritten until the buffer next fills or the writer is destroyed, so a plug-in reading up
// to hold-back units behind its write position still sees the original samples. The Ex form counts frames
// of a transfer format word and writes into a virtual file; the old form counts bytes and writes into the
// current document (optionally converting 16-bit data into an 8-bit wave). Both forms share one writer: only
// one is active at a time. The flushing itself is the host's (SampleWrite, the old writers), given as sinks.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace xfmhost {

class DelayWriter {
 public:
  // Writes units [position, position + units) from data; the result is ignored.
  using Flush = std::function<void(const uint8_t* data, int32_t position, int32_t units)>;

  static constexpr int32_t kSlack = 48000;               // units held besides the hold-back
  static constexpr size_t kMaxBufferBytes = 256u << 20;  // a larger buffer counts as not allocatable

  // Capacity = holdBack + 48000 units of unitBytes. false (and idle) when the buffer cannot be allocated,
  // the arguments make no sense, or a writer is already active.
  bool init(int32_t holdBack, int32_t position, int32_t units, uint32_t unitBytes);
  bool active() const { return active_; }
  // Takes n units of data; returns the units not taken: 0 normally, n before init (or after a failed one),
  // and what is left once count units have been written.
  int32_t write(const Flush& flush, const void* data, int32_t n);
  // Writes what is buffered (at most what is still to write) and frees the buffer. Harmless when idle.
  void destroy(const Flush& flush);

  int32_t position() const { return position_; }
  int32_t remaining() const { return remaining_; }
  int32_t buffered() const { return buffered_; }

 private:
  std::vector<uint8_t> buffer_;
  bool active_ = false;
  int32_t capacity_ = 0, holdBack_ = 0, position_ = 0, remaining_ = 0, buffered_ = 0;
  uint32_t unit_ = 1;
};

// Frame bytes of a transfer format word: (2 for stereo, else 1) x (2 for 16-bit, 4 for 32-bit, else 1).
uint32_t delayFrameBytes(uint32_t format);

// ---- The services, over one process-wide writer
// -------------------------------------------------------------- The host's sinks: the Ex form writes frames
// into a virtual file with a format word (SampleWrite); the old form writes bytes into the current document
// (the old writers; to8 selects the 16-to-8 ones).
using DelayExSink =
    std::function<void(uint32_t file, const void* data, int32_t startFrame, int32_t frames, uint32_t format)>;
using DelayOldSink = std::function<void(const void* data, int32_t bytePosition, int32_t bytes, bool to8)>;
void setDelayWriteSinks(DelayExSink ex, DelayOldSink old);

// delayWriteInit (and delayWriteInit16to8): the byte count, or 0 when refused (no buffer, a writer active).
int32_t delayWriteInit(int32_t holdBack, int32_t bytePosition, int32_t bytes);
// delayWrite / delayWrite16to8: bytes not taken.
int32_t delayWrite(const void* buffer, int32_t bytes, bool to8);
int32_t delayWriteDestroy(bool to8);
// delayWriteInitEx: 1, or 0 when the buffer cannot be allocated (or a writer is active).
int32_t delayWriteInitEx(int32_t holdBack, int32_t startFrame, int32_t frames, uint32_t format);
int32_t delayWriteEx(uint32_t file, const void* buffer, int32_t frames);
int32_t delayWriteDestroyEx(uint32_t file);
// Back to idle, dropping anything buffered (tests, shut-down).
void resetDelayWriter();

}  // namespace xfmhost
