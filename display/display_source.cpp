// The column planner's adapters over a display source, and the in-memory source.
#include "display/display_source.h"

#include <algorithm>

namespace display {

FrameReader ReaderOf(DisplaySource* source) {
  if (!source) return {};
  return [source](int64_t first, int32_t count, float* dst) { return source->readFloat(first, count, dst); };
}

PeakSource PeaksOf(DisplaySource* source) {
  PeakSource p;
  if (!source || source->peakBlockSize() <= 0) return p;
  p.blockSize = source->peakBlockSize();
  p.minMax = [source](int64_t first, int64_t last, float* mins, float* maxs) {
    return source->minMax(first, last, mins, maxs);
  };
  return p;
}

MemoryDisplaySource::MemoryDisplaySource(std::vector<int16_t> frames, int channels, uint32_t rate,
                                         int32_t blockSize)
    : frames_(std::move(frames)),
      channels_(channels == 2 ? 2 : 1),
      rate_(rate),
      blockSize_(std::max<int32_t>(0, blockSize)) {
  length_ = static_cast<int64_t>(frames_.size() / channels_);
  if (blockSize_ == 0) return;
  const int64_t blocks = (length_ + blockSize_ - 1) / blockSize_;
  blockMin_.assign(static_cast<size_t>(blocks * channels_), 32767);
  blockMax_.assign(static_cast<size_t>(blocks * channels_), -32768);
  for (int64_t f = 0; f < length_; ++f) {
    const size_t b = static_cast<size_t>(f / blockSize_) * channels_;
    for (int c = 0; c < channels_; ++c) {
      const int16_t v = frames_[static_cast<size_t>(f) * channels_ + c];
      blockMin_[b + c] = std::min(blockMin_[b + c], v);
      blockMax_[b + c] = std::max(blockMax_[b + c], v);
    }
  }
}

SourceFormat MemoryDisplaySource::format() {
  SourceFormat f;
  f.rate = rate_;
  f.channels = channels_;
  f.bits = 16;
  return f;
}

bool MemoryDisplaySource::minMax(int64_t first, int64_t last, float* mins, float* maxs) {
  first = std::max<int64_t>(first, 0);
  last = std::min(last, length_ - 1);
  if (blockSize_ == 0 || first > last) return false;
  int16_t mn[2] = {32767, 32767}, mx[2] = {-32768, -32768};
  for (int64_t b = first / blockSize_; b <= last / blockSize_; ++b) {
    for (int c = 0; c < channels_; ++c) {
      mn[c] = std::min(mn[c], blockMin_[static_cast<size_t>(b) * channels_ + c]);
      mx[c] = std::max(mx[c], blockMax_[static_cast<size_t>(b) * channels_ + c]);
    }
  }
  for (int c = 0; c < channels_; ++c) {
    mins[c] = mn[c];
    maxs[c] = mx[c];
  }
  return true;
}

int32_t MemoryDisplaySource::deliverable(int64_t first, int32_t count) const {
  if (first < 0 || count <= 0 || first >= length_) return 0;
  int64_t n = std::min<int64_t>(count, length_ - first);
  if (readLimit_ >= 0) n = std::min<int64_t>(n, readLimit_);
  return static_cast<int32_t>(n);
}

int32_t MemoryDisplaySource::readFloat(int64_t first, int32_t count, float* dst) {
  const int32_t n = deliverable(first, count);
  if (n > 0) {
    const int16_t* src = &frames_[static_cast<size_t>(first) * channels_];
    for (size_t i = 0; i < static_cast<size_t>(n) * channels_; ++i) dst[i] = src[i];
  }
  framesRead_ += n;
  return n;
}

int32_t MemoryDisplaySource::readInt16(int64_t first, int32_t count, int16_t* dst) {
  const int32_t n = deliverable(first, count);
  if (n > 0)
    std::copy_n(&frames_[static_cast<size_t>(first) * channels_], static_cast<size_t>(n) * channels_, dst);
  framesRead_ += n;
  return n;
}

}  // namespace display
