// Display source over a wave file and its peak summary.
#include "display/document_source.h"

#include <algorithm>

#include "document/wave_format.h"

namespace display {

DocumentDisplaySource::DocumentDisplaySource(document::SampleFile* wave, document::PeakSummary* peaks,
                                             uint32_t rate)
    : wave_(wave), peaks_(peaks), rate_(rate) {}

SourceFormat DocumentDisplaySource::format() {
  SourceFormat f;
  f.rate = rate_;
  const uint16_t w = wave_ ? wave_->formatWord() : 0;
  f.channels = (w & document::XF_STEREO) ? 2 : 1;
  f.bits = (w & document::XF_8BIT) ? 8 : (w & document::XF_32BIT) ? 32 : 16;
  return f;
}

int64_t DocumentDisplaySource::length() {
  return wave_ ? document::SampleLength(wave_) : 0;
}

int32_t DocumentDisplaySource::peakBlockSize() {
  return peaks_ ? static_cast<int32_t>(peaks_->blockSize()) : 0;
}

bool DocumentDisplaySource::minMax(int64_t first, int64_t last, float* mins, float* maxs) {
  if (!peaks_) return false;
  first = std::max<int64_t>(first, 0);
  last = std::min<int64_t>(last, UINT32_MAX);
  if (first > last) return false;
  document::PeakExtremes e;
  if (!peaks_->query(static_cast<uint32_t>(first), static_cast<uint32_t>(last), &e)) return false;
  const int ch = format().channels;
  for (int c = 0; c < ch; ++c) {
    // A summary built for fewer channels reports its one channel for both.
    const int src = c < peaks_->channels() ? c : 0;
    if (e.min[src] > e.max[src]) return false;  // no entry covered the range
    mins[c] = e.min[src];
    maxs[c] = e.max[src];
  }
  return true;
}

uint16_t DocumentDisplaySource::word(uint16_t sizeBit) {
  return static_cast<uint16_t>(sizeBit | (format().channels == 2 ? document::XF_STEREO : document::XF_MONO));
}

int32_t DocumentDisplaySource::clampCount(int64_t first, int32_t count) {
  if (!wave_ || first < 0 || count <= 0 || first > INT32_MAX) return 0;
  return static_cast<int32_t>(std::min<int64_t>(count, length() - first));
}

int32_t DocumentDisplaySource::readFloat(int64_t first, int32_t count, float* dst) {
  const int32_t n = clampCount(first, count);
  if (n <= 0) return 0;
  return static_cast<int32_t>(document::SampleRead(wave_, dst, static_cast<int32_t>(first),
                                                   static_cast<uint32_t>(n), word(document::XF_32BIT)));
}

int32_t DocumentDisplaySource::readInt16(int64_t first, int32_t count, int16_t* dst) {
  const int32_t n = clampCount(first, count);
  if (n <= 0) return 0;
  return static_cast<int32_t>(document::SampleRead(wave_, dst, static_cast<int32_t>(first),
                                                   static_cast<uint32_t>(n),
                                                   word(document::XF_16BIT | document::XF_CLIP)));
}

}  // namespace display
