#include "xfmhost/write_services.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace xfmhost {

bool DelayedWriter::init(int32_t holdBack, int64_t position, int64_t units, uint32_t unitBytes, Sink sink) {
  if (active_ || holdBack < 0 || position < 0 || units < 0 || unitBytes == 0 || !sink) return false;
  const uint32_t capacity = uint32_t(holdBack) + kBlock;
  try {
    buffer_.assign(size_t(capacity) * unitBytes, 0);
  } catch (...) {
    buffer_.clear();
    return false;
  }
  unitBytes_ = unitBytes;
  capacity_ = capacity;
  holdBack_ = uint32_t(holdBack);
  buffered_ = 0;
  position_ = position;
  remaining_ = units;
  written_ = 0;
  sink_ = std::move(sink);
  active_ = true;
  return true;
}

void DelayedWriter::flush(uint32_t units) {
  units = std::min(units, buffered_);
  const uint32_t out = uint32_t(std::min<int64_t>(units, std::max<int64_t>(0, remaining_)));
  if (out) {
    sink_(buffer_.data(), position_, out);
    position_ += out;
    remaining_ -= out;
    written_ += out;
  }
  const size_t keep = size_t(buffered_ - units) * unitBytes_;
  if (keep) std::memmove(buffer_.data(), buffer_.data() + size_t(units) * unitBytes_, keep);
  buffered_ -= units;
}

int32_t DelayedWriter::write(const void* data, int32_t units) {
  if (units <= 0) return 0;
  if (!active_ || !data) return units;
  const uint8_t* src = static_cast<const uint8_t*>(data);
  uint32_t left = uint32_t(units);
  while (left) {
    const uint32_t m = std::min(left, capacity_ - buffered_);
    std::memcpy(buffer_.data() + size_t(buffered_) * unitBytes_, src, size_t(m) * unitBytes_);
    src += size_t(m) * unitBytes_;
    buffered_ += m;
    left -= m;
    if (buffered_ == capacity_) flush(capacity_ - holdBack_);
  }
  return 0;
}

bool DelayedWriter::destroy() {
  if (!active_) return false;
  flush(buffered_);
  active_ = false;
  buffer_.clear();
  buffer_.shrink_to_fit();
  sink_ = nullptr;
  return true;
}

int64_t crossfadeFrames(int64_t L, double rate, double ms) {
  if (L <= 0 || !std::isfinite(rate) || !std::isfinite(ms) || rate <= 0 || ms <= 0) return 0;
  const double f = rate * ms * 0.001;
  int64_t n = f >= 9.0e18 ? INT64_MAX / 8 : int64_t(f);
  if (L < 4 * n) n = L / 4;
  return n;
}

void crossfadeWrite(float* buffer, int channels, int64_t p, int64_t c, int64_t S, int64_t E, double rate,
                    double ms, int64_t fileFrames, const ReadFrames& readOld) {
  const int64_t n = crossfadeFrames(E - S + 1, rate, ms);
  if (n <= 0 || c <= 0 || !buffer || channels < 1 || !readOld) return;
  const size_t nch = size_t(channels);
  const double halfPi = 1.57079632675;
  auto w = [&](int64_t i) {
    const double s = std::sin(double(i) / double(n) * halfPi);
    return s * s;
  };
  std::vector<float> old;
  // Fade in over the range's first n frames.
  if (S <= p && p < S + n && n < c) {
    const int64_t count = std::min(p + c, S + n) - p;
    old.assign(size_t(count) * nch, 0.0f);
    readOld(old.data(), p, count);
    for (int64_t k = 0; k < count; ++k) {
      const double wk = w(p + k - S);
      for (size_t ch = 0; ch < nch; ++ch) {
        float& v = buffer[size_t(k) * nch + ch];
        v = float((1.0 - wk) * old[size_t(k) * nch + ch] + wk * v);
      }
    }
  }
  // Fade out over its last n frames (f: frames between the end of the write and the range's end).
  const int64_t f = E - p - c + 1;
  if (f < n && p + c < fileFrames) {
    const int64_t g = std::max<int64_t>(0, c + f - n);
    const int64_t i0 = std::max<int64_t>(0, n - c - f);
    const int64_t count = c - g;
    if (count <= 0) return;
    old.assign(size_t(count) * nch, 0.0f);
    readOld(old.data(), p + g, count);
    for (int64_t k = 0; k < count; ++k) {
      const double wk = w(i0 + k);
      for (size_t ch = 0; ch < nch; ++ch) {
        float& v = buffer[size_t(g + k) * nch + ch];
        v = float((1.0 - wk) * v + wk * old[size_t(k) * nch + ch]);
      }
    }
  }
}

}  // namespace xfmhost
