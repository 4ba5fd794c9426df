// Sample delivery for the filter's reads (see riff_samples.h).
#include "plugins/wavpcm/riff_samples.h"

#include <cstring>

#include "include/sorn_bytes.h"
namespace wavpcm {

void convertToFloat16Scale(const WaveFormat& fmt, const uint8_t* in, size_t samples, float* out) {
  for (size_t i = 0; i < samples; ++i) {
    float v;
    if (!fmt.isFloat && fmt.bits == 24) {
      v = static_cast<float>(SornGetS24LE(in + 3 * i)) / 256.0f;
    } else if (!fmt.isFloat) {
      v = static_cast<float>(SornGetS32LE(in + 4 * i)) / 65536.0f;
    } else if (fmt.bits == 32) {
      v = SornGetF32LE(in + 4 * i) * 32768.0f;
    } else {
      double d = SornGetF64LE(in + 8 * i) * 32768.0;
      // Out-of-range doubles would overflow the conversion; the float's own limits are far beyond any
      // sample value anyway.
      if (d > 3.0e38) d = 3.0e38;
      if (d < -3.0e38) d = -3.0e38;
      v = static_cast<float>(d);
    }
    out[i] = v != v ? 0.0f : v;
  }
}

RiffSampleReader::RiffSampleReader(RiffSource& src, const RiffFile& file)
    : src_(src), fmt_(file.format), dataOffset_(file.dataOffset) {
  outBits_ = fmt_.bits <= 16 && !fmt_.isFloat ? fmt_.bits : 32;
  outFrameBytes_ = static_cast<uint32_t>(fmt_.channels) * outBits_ / 8;
  total_ = file.frames * outFrameBytes_;
}

uint64_t RiffSampleReader::seek(uint64_t offset) {
  pos_ = offset < total_ ? offset : total_;
  return pos_;
}

size_t RiffSampleReader::read(void* buf, size_t n) {
  if (failed_ || pos_ >= total_) return 0;
  if (n > total_ - pos_) n = static_cast<size_t>(total_ - pos_);
  uint8_t* out = static_cast<uint8_t*>(buf);
  if (fmt_.bits <= 16 && !fmt_.isFloat) {  // delivered as stored
    if (!src_.readAt(dataOffset_ + pos_, out, n)) {
      failed_ = true;
      return 0;
    }
    pos_ += n;
    return n;
  }
  size_t done = 0;
  while (done < n) {
    size_t k = convert(out + done, n - done);
    if (k == 0) {
      failed_ = true;
      return 0;
    }
    done += k;
    pos_ += k;
  }
  return done;
}

// Converts from the frame pos_ lies in and copies out up to n bytes from pos_; returns the bytes copied.
size_t RiffSampleReader::convert(uint8_t* out, size_t n) {
  constexpr size_t kFrames = 1024;
  uint8_t raw[kFrames * 2 * 8];  // up to two 64-bit samples per frame
  float conv[kFrames * 2];
  uint64_t frame = pos_ / outFrameBytes_;
  size_t skip = static_cast<size_t>(pos_ % outFrameBytes_);
  uint64_t framesLeft = (total_ + outFrameBytes_ - 1) / outFrameBytes_ - frame;
  size_t frames = (skip + n + outFrameBytes_ - 1) / outFrameBytes_;
  if (frames > kFrames) frames = kFrames;
  if (frames > framesLeft) frames = static_cast<size_t>(framesLeft);
  if (!src_.readAt(dataOffset_ + frame * fmt_.blockAlign, raw, frames * fmt_.blockAlign)) return 0;
  convertToFloat16Scale(fmt_, raw, frames * fmt_.channels, conv);
  size_t avail = frames * outFrameBytes_ - skip;
  size_t k = n < avail ? n : avail;
  std::memcpy(out, reinterpret_cast<uint8_t*>(conv) + skip, k);
  return k;
}

}  // namespace wavpcm
