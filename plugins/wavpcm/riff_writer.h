// Writing RIFF WAVE files: 8-bit unsigned and 16-bit signed PCM, and 32-bit float (the editor's float
// samples are on the 16-bit scale and are stored divided by 32768, as IEEE float WAVE files expect).
//
// The header goes out first with placeholder sizes; samples follow; finish() writes the metadata chunks
// after the samples (each padded to an even size) and then patches the RIFF, data and fact sizes. All
// output goes through RiffOutput so tests can make any write come up short; the first failure latches:
// every later call reports failure too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "plugins/wavpcm/riff_reader.h"

namespace wavpcm {

class RiffOutput {
 public:
  virtual ~RiffOutput() = default;
  // Writes at the current position; returns the bytes written (fewer means failure).
  virtual size_t write(const void* buf, size_t n) = 0;
  virtual bool seek(uint64_t offset) = 0;
};

// Output into memory. failAfter limits the total bytes accepted: a write crossing it is cut short.
class MemoryOutput : public RiffOutput {
 public:
  size_t write(const void* buf, size_t n) override;
  bool seek(uint64_t offset) override;

  std::vector<uint8_t> bytes;
  uint64_t failAfter = UINT64_MAX;
  uint64_t accepted = 0;

 private:
  uint64_t pos_ = 0;
};

class RiffWriter {
 public:
  explicit RiffWriter(RiffOutput* out) : out_(out) {}

  // Writes the header. bits: 8 or 16 (PCM) or 32 (float); channels 1 or 2; rate 1..kMaxSampleRate.
  RiffStatus begin(uint32_t rate, uint16_t bits, uint16_t channels);
  // Appends samples in the editor's layout; returns bytes, or 0 on any failure or short write. A call may
  // end inside a sample; the rest is carried to the next call.
  uint32_t writeSamples(const void* data, uint32_t bytes);
  // Keeps one metadata item (riff_items.h layouts) for finish(). False when it cannot be stored.
  bool addItem(const char* list, const char* id, const void* bytes, uint32_t size);
  // Writes the metadata chunks and patches the sizes. Ok only when every byte was written; BadArgument
  // when the samples end inside a frame.
  RiffStatus finish();

  bool failed() const { return failed_; }
  uint64_t dataBytes() const { return dataBytes_; }

 private:
  bool put(const void* p, size_t n);
  bool putChunk(const char* id, const std::vector<uint8_t>& body);
  bool writeMeta();

  RiffOutput* out_;
  bool begun_ = false;
  bool failed_ = false;
  bool finished_ = false;
  uint16_t bits_ = 0, channels_ = 0;
  uint32_t headerBytes_ = 0;
  uint64_t written_ = 0;     // bytes of the file so far
  uint64_t dataBytes_ = 0;   // bytes of the data chunk so far
  uint8_t partial_[4] = {};  // a float sample cut by the end of a call
  uint32_t partialBytes_ = 0;
  RiffMetadata meta_;
};

}  // namespace wavpcm
