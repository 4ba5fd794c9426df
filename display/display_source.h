// What the waveform display draws from: the wave's format and length, min/max per channel over a frame
// range (from a peak summary), and frames read as floats on the 16-bit scale or as 16-bit integers. The
// display window and the drawing plan see only this interface, so they do not depend on the wave document;
// the document's adapter is in display/document_source.h, an in-memory source for tests is below.
#pragma once

#include <cstdint>
#include <vector>

#include "display/columns.h"

namespace display {

struct SourceFormat {
  uint32_t rate = 44100;
  int channels = 1;  // 1 or 2
  int bits = 16;
};

class DisplaySource {
 public:
  virtual ~DisplaySource() = default;
  virtual SourceFormat format() = 0;
  virtual int64_t length() = 0;  // frames
  // Frames per peak block; 0 when there is no summary (zoomed-out columns then stay empty).
  virtual int32_t peakBlockSize() = 0;
  // Min and max of each channel over frames first .. last (inclusive) on the 16-bit scale; whole blocks
  // are combined, so frames just outside the range may count. False when there is nothing to report.
  virtual bool minMax(int64_t first, int64_t last, float* mins, float* maxs) = 0;
  // Reads count frames from frame first (channels interleaved) as floats on the 16-bit scale. Returns the
  // frames delivered: fewer at the end of the wave, 0 or less on failure or outside the wave.
  virtual int32_t readFloat(int64_t first, int32_t count, float* dst) = 0;
  // The same as 16-bit integers.
  virtual int32_t readInt16(int64_t first, int32_t count, int16_t* dst) = 0;
};

// The column planner's views of a source (null: an empty reader and no peaks). The source must outlive
// them.
FrameReader ReaderOf(DisplaySource* source);
PeakSource PeaksOf(DisplaySource* source);

// A source over 16-bit frames in memory with its own block peaks (blockSize 0: no summary). Counts the
// frames read, for tests and the benchmark.
class MemoryDisplaySource : public DisplaySource {
 public:
  MemoryDisplaySource(std::vector<int16_t> frames, int channels, uint32_t rate = 44100,
                      int32_t blockSize = 256);

  SourceFormat format() override;
  int64_t length() override { return length_; }
  int32_t peakBlockSize() override { return blockSize_; }
  bool minMax(int64_t first, int64_t last, float* mins, float* maxs) override;
  int32_t readFloat(int64_t first, int32_t count, float* dst) override;
  int32_t readInt16(int64_t first, int32_t count, int16_t* dst) override;

  int64_t framesRead() const { return framesRead_; }
  void resetCounters() { framesRead_ = 0; }
  // Makes every read deliver at most n frames (short reads; -1: no limit).
  void setReadLimit(int32_t n) { readLimit_ = n; }

 private:
  int32_t deliverable(int64_t first, int32_t count) const;

  std::vector<int16_t> frames_;
  int channels_;
  uint32_t rate_;
  int32_t blockSize_;
  int64_t length_;
  std::vector<int16_t> blockMin_, blockMax_;  // per block and channel
  int64_t framesRead_ = 0;
  int32_t readLimit_ = -1;
};

}  // namespace display
