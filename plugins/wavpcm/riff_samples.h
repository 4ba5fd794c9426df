// Delivering a WAVE file's samples in the form the filter hands them to the editor: 8-bit unsigned and
// 16-bit signed PCM exactly as stored; 24-bit and 32-bit PCM and 32/64-bit float as 32-bit float on the
// 16-bit scale (full scale is -32768..32767, so a 24-bit value v becomes v / 256).
//
// Reads may ask for any number of bytes, also ending inside a frame: the position is kept in delivered
// bytes and every read converts from the frame that position lies in, so nothing is dropped or shifted
// between reads of odd sizes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugins/wavpcm/riff_reader.h"

namespace wavpcm {

class RiffSampleReader {
 public:
  // file must come from parseRiffWave over the same source.
  RiffSampleReader(RiffSource& src, const RiffFile& file);

  uint16_t outputBits() const { return outBits_; }  // 8, 16 or 32 (float)
  uint32_t outputFrameBytes() const { return outFrameBytes_; }
  uint64_t totalBytes() const { return total_; }  // bytes all reads deliver together
  uint64_t position() const { return pos_; }

  // Delivers up to n bytes at the current position; returns the count, 0 at the end or when the source
  // fails (then failed() is true).
  size_t read(void* buf, size_t n);
  // Moves to a delivered-byte offset (clamped to the end); returns the offset reached.
  uint64_t seek(uint64_t offset);
  bool failed() const { return failed_; }

 private:
  size_t convert(uint8_t* out, size_t n);

  RiffSource& src_;
  WaveFormat fmt_;
  uint64_t dataOffset_;
  uint16_t outBits_;
  uint32_t outFrameBytes_;
  uint64_t total_;
  uint64_t pos_ = 0;
  bool failed_ = false;
};

// Converts frames of raw file samples to float on the 16-bit scale (bits 24/32 PCM, or 32/64 float).
// NaN becomes 0; other values are passed on unclipped.
void convertToFloat16Scale(const WaveFormat& fmt, const uint8_t* in, size_t samples, float* out);

}  // namespace wavpcm
