// The parts of the writing services that are arithmetic: the delayed writer (a plug-in writes its output
// over the range it is still reading; the writer holds the last K units back so reads up to K units behind
// the write position still see the original samples) and the auto-crossfade of a transform's 32-bit writes
// into its range. The storage is reached through callbacks, so both are tested without a document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace xfmhost {

// Buffers up to C = K + 48000 units; when full it writes the first C - K and keeps K. Units are bytes (the
// old forms) or frames (the Ex form); at most R units are ever written, from position P on.
class DelayedWriter {
 public:
  static constexpr uint32_t kBlock = 48000;
  // Writes units at position from data; returns the units written.
  using Sink = std::function<uint32_t(const uint8_t* data, int64_t position, uint32_t units)>;

  // False (and nothing changes) when a writer is active, an argument is negative or the buffer cannot be
  // had.
  bool init(int32_t holdBack, int64_t position, int64_t units, uint32_t unitBytes, Sink sink);
  bool active() const { return active_; }
  // Returns the units not taken: 0 normally, all of them without an active writer.
  int32_t write(const void* data, int32_t units);
  // Flushes what is buffered (up to the units still to write) and ends; false when none was active.
  bool destroy();
  int64_t written() const { return written_; }

 private:
  void flush(uint32_t units);
  bool active_ = false;
  std::vector<uint8_t> buffer_;
  uint32_t unitBytes_ = 1, capacity_ = 0, holdBack_ = 0, buffered_ = 0;
  int64_t position_ = 0, remaining_ = 0, written_ = 0;
  Sink sink_;
};

// The cross-fade of one 32-bit write of frames [p, p + c) (channels interleaved floats, changed in place)
// into a transform's range [S, E] at rate frames per second with a fade of ms milliseconds: the output
// fades in from the existing frames over the range's first n frames and back to them over its last n
// (n = rate x ms / 1000, at most a quarter of the range). readOld reads existing frames [from, from + count)
// in the write's layout; fileFrames is the file's length.
using ReadFrames = std::function<void(float* out, int64_t from, int64_t count)>;
void crossfadeWrite(float* buffer, int channels, int64_t p, int64_t c, int64_t S, int64_t E, double rate,
                    double ms, int64_t fileFrames, const ReadFrames& readOld);
// The fade length n for a range of L frames.
int64_t crossfadeFrames(int64_t L, double rate, double ms);

}  // namespace xfmhost
