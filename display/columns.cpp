// Column planner: per pixel column min/max from peaks, samples or the windowed-sinc curve.
#include "display/columns.h"

#include <algorithm>
#include <cmath>

namespace display {
namespace {

constexpr int kMaxTaps = 255;
constexpr double kPi = 3.14159265358979323846;

int64_t Floor64(double v) {
  return static_cast<int64_t>(std::floor(v));
}

int64_t Clamp64(int64_t v, int64_t lo, int64_t hi) {
  return v < lo ? lo : v > hi ? hi : v;
}

int OddTaps(int n) {
  n = std::max(3, std::min(n, kMaxTaps));
  return n | 1;
}

}  // namespace

bool ColumnSelected(double pL, double pR, double spp, int32_t s, int32_t e) {
  if (e < s) return false;
  if (spp < 1) return e + 0.5 > pR && s - 0.5 <= pR;
  return std::floor(pL) < e && std::floor(pR) >= s;
}

void ColumnCache::resize(int channels, int32_t pixels) {
  channels_ = channels == 2 ? 2 : 1;
  columns_ = pixels > 0 ? pixels + 10 : 0;
  data_.assign(static_cast<size_t>(columns_) * channels_ * 2, 0.0);
  clear();
}

void ColumnCache::clear() {
  for (size_t i = 0; i < data_.size(); i += 2) data_[i] = kEmptyColumnMark;
}

void ColumnCache::shift(int32_t dx) {
  const size_t stride = static_cast<size_t>(channels_) * 2;
  if (dx >= columns_ || -dx >= columns_) {
    clear();
    return;
  }
  if (dx > 0) {
    std::move_backward(data_.begin(), data_.end() - dx * stride, data_.end());
    for (size_t i = 0; i < dx * stride; i += 2) data_[i] = kEmptyColumnMark;
  } else if (dx < 0) {
    const size_t n = static_cast<size_t>(-dx) * stride;
    std::move(data_.begin() + n, data_.end(), data_.begin());
    for (size_t i = data_.size() - n; i < data_.size(); i += 2) data_[i] = kEmptyColumnMark;
  }
}

bool ColumnCache::get(int32_t column, double* mins, double* maxs) const {
  if (column < 0 || column >= columns_) return false;
  const double* e = &data_[static_cast<size_t>(column) * channels_ * 2];
  if (e[0] == kEmptyColumnMark) return false;
  for (int ch = 0; ch < channels_; ++ch) {
    mins[ch] = e[2 * ch];
    maxs[ch] = e[2 * ch + 1];
  }
  return true;
}

void ColumnCache::put(int32_t column, const double* mins, const double* maxs) {
  if (column < 0 || column >= columns_) return;
  double* e = &data_[static_cast<size_t>(column) * channels_ * 2];
  for (int ch = 0; ch < channels_; ++ch) {
    e[2 * ch] = mins[ch];
    e[2 * ch + 1] = maxs[ch];
  }
}

ColumnPlanner::ColumnPlanner(int32_t chunkFrames)
    : chunkFrames_(std::max<int32_t>(1, chunkFrames)),
      capacity_(std::max<int32_t>(chunkFrames_, kMaxTaps) + kMaxTaps),  // room to step back a few frames
      scratch_(static_cast<size_t>(capacity_) * 2) {}

double ColumnPlanner::Interpolate(const float* taps, int n, int stride, double p) {
  const int half = (n - 1) / 2;
  const double x = p - std::floor(p);
  double sum = 0;
  for (int i = 0; i < n; ++i) {
    const double d = i - half - x;
    const double sinc = d == 0 ? 1.0 : std::sin(kPi * d) / (kPi * d);
    const double u = d / half;
    const double w = 0.42 + 0.5 * std::cos(kPi * u) + 0.08 * std::cos(2 * kPi * u);
    sum += w * sinc * taps[static_cast<size_t>(i) * stride];
  }
  return sum;
}

const float* ColumnPlanner::readChunk(const PlanView& v, const FrameReader& reader, int64_t first,
                                      int32_t count) {
  const int ch = v.channels;
  if (first >= windowFirst_ && first + count <= windowFirst_ + windowCount_)
    return &scratch_[static_cast<size_t>(first - windowFirst_) * ch];
  // A request reaching a little before the window (the next column starting on the last frame of a
  // column that ended a chunk): read the few frames before it and keep the window.
  if (first < windowFirst_ && first + count > windowFirst_ && windowCount_ > 0 &&
      windowFirst_ - first < capacity_) {
    const int32_t gap = static_cast<int32_t>(windowFirst_ - first);
    const int32_t keep = std::min(windowCount_, capacity_ - gap);
    std::copy_backward(scratch_.begin(), scratch_.begin() + static_cast<size_t>(keep) * ch,
                       scratch_.begin() + static_cast<size_t>(gap + keep) * ch);
    std::fill(scratch_.begin(), scratch_.begin() + static_cast<size_t>(gap) * ch, 0.0f);
    const int64_t lo = std::max<int64_t>(first, 0), hi = std::min<int64_t>(windowFirst_, v.length);
    if (lo < hi) {
      const int32_t want = static_cast<int32_t>(hi - lo);
      framesRequested_ += want;
      float* dst = &scratch_[static_cast<size_t>(lo - first) * ch];
      const int32_t got = reader(lo, want, dst);
      if (got <= 0) {
        windowCount_ = 0;
        return nullptr;
      }
      if (got < want)
        std::fill(dst + static_cast<size_t>(got) * ch, dst + static_cast<size_t>(want) * ch, 0.0f);
    }
    windowFirst_ = first;
    windowCount_ = gap + keep;
    if (first + count <= windowFirst_ + windowCount_) return scratch_.data();
  }
  // Keep the frames the window already holds from two before first on: the next column starts on the
  // last frame or two of this request.
  int64_t base = first;
  int32_t kept = 0;
  if (windowCount_ > 0 && first >= windowFirst_ && first <= windowFirst_ + windowCount_) {
    base = std::max<int64_t>(windowFirst_, first - 2);
    kept = static_cast<int32_t>(windowFirst_ + windowCount_ - base);
    std::copy(scratch_.begin() + static_cast<size_t>(base - windowFirst_) * ch,
              scratch_.begin() + static_cast<size_t>(base - windowFirst_ + kept) * ch, scratch_.begin());
  }
  // Read ahead to fill the window, but not past what this plan needs.
  const int64_t end = std::max({first + count, base + kept, std::min(base + capacity_, readLimit_)});
  int32_t n = static_cast<int32_t>(end - base);
  std::fill(scratch_.begin() + static_cast<size_t>(kept) * ch, scratch_.begin() + static_cast<size_t>(n) * ch,
            0.0f);
  windowFirst_ = base;
  windowCount_ = 0;
  const int64_t lo = std::max<int64_t>(base + kept, 0);
  const int64_t hi = std::min<int64_t>(end, v.length);
  if (lo < hi) {
    const int32_t want = static_cast<int32_t>(hi - lo);
    framesRequested_ += want;
    float* dst = &scratch_[static_cast<size_t>(lo - base) * ch];
    const int32_t got = reader(lo, want, dst);
    if (got <= 0) return nullptr;
    if (got < want) {
      // A short read: the frames not delivered are silence rather than whatever the scratch held, and the
      // window ends where the caller's need ends, so later frames are asked for again.
      std::fill(dst + static_cast<size_t>(got) * ch, dst + static_cast<size_t>(want) * ch, 0.0f);
      n = static_cast<int32_t>(std::max<int64_t>(first + count - base, lo + got - base));
    }
  }
  windowCount_ = n;
  return &scratch_[static_cast<size_t>(first - base) * ch];
}

bool ColumnPlanner::samplesColumn(const PlanView& v, const FrameReader& reader, double pL, double pR,
                                  ColumnPlan* c) {
  const int ch = v.channels;
  const int64_t last = v.length - 1;
  const int64_t L = Floor64(pL), R = Floor64(pR);
  const int64_t edge[4] = {Clamp64(L, 0, last), Clamp64(L + 1, 0, last), Clamp64(R, 0, last),
                           Clamp64(R + 1, 0, last)};
  const int64_t inLo = std::max<int64_t>(L + 1, 0), inHi = std::min<int64_t>(R, last);
  const int64_t lo = Clamp64(L, 0, last), hi = Clamp64(R + 1, 0, last);
  double edgeValue[4][2] = {};
  double mn[2] = {1e300, 1e300}, mx[2] = {-1e300, -1e300};
  for (int64_t k0 = lo; k0 <= hi; k0 += chunkFrames_) {
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(chunkFrames_, hi - k0 + 1));
    const float* frames = readChunk(v, reader, k0, n);
    if (!frames) return false;
    for (int32_t i = 0; i < n; ++i) {
      const int64_t k = k0 + i;
      const float* f = &frames[static_cast<size_t>(i) * ch];
      for (int e = 0; e < 4; ++e)
        if (edge[e] == k)
          for (int j = 0; j < ch; ++j) edgeValue[e][j] = f[j];
      if (k < inLo || k > inHi) continue;
      for (int j = 0; j < ch; ++j) {
        mn[j] = std::min<double>(mn[j], f[j]);
        mx[j] = std::max<double>(mx[j], f[j]);
      }
    }
  }
  const double tL = pL - std::floor(pL), tR = pR - std::floor(pR);
  for (int j = 0; j < ch; ++j) {
    const double a = edgeValue[0][j] + (edgeValue[1][j] - edgeValue[0][j]) * tL;
    const double b = edgeValue[2][j] + (edgeValue[3][j] - edgeValue[2][j]) * tR;
    c->min[j] = std::min({mn[j], a, b});
    c->max[j] = std::max({mx[j], a, b});
  }
  return true;
}

bool ColumnPlanner::interpolateAt(const PlanView& v, const FrameReader& reader, double p, double* values) {
  const int n = OddTaps(v.interpolationTaps);
  const float* taps = readChunk(v, reader, Floor64(p) - n / 2, n);
  if (!taps) return false;
  for (int j = 0; j < v.channels; ++j) values[j] = Interpolate(taps + j, n, v.channels, p);
  return true;
}

bool ColumnPlanner::interpolatedColumn(const PlanView& v, const FrameReader& reader, double pL, double pR,
                                       ColumnPlan* c) {
  double left[2], right[2];
  if (memoValid_ && memoPosition_ == pL) {
    left[0] = memoValues_[0];
    left[1] = memoValues_[1];
  } else if (!interpolateAt(v, reader, pL, left)) {
    return false;
  }
  if (!interpolateAt(v, reader, pR, right)) return false;
  memoValid_ = true;
  memoPosition_ = pR;
  memoValues_[0] = right[0];
  memoValues_[1] = v.channels == 2 ? right[1] : 0;
  for (int j = 0; j < v.channels; ++j) {
    c->min[j] = std::min(left[j], right[j]);
    c->max[j] = std::max(left[j], right[j]);
  }
  return true;
}

void ColumnPlanner::plan(const PlanView& view, const PeakSource* peaks, const FrameReader& reader, int32_t c0,
                         int32_t c1, std::vector<ColumnPlan>* out, ColumnCache* cache) {
  out->clear();
  if (c1 < c0) return;
  out->resize(static_cast<size_t>(c1 - c0) + 1);
  PlanView v = view;
  v.channels = v.channels == 2 ? 2 : 1;
  memoValid_ = false;  // the data may have changed since the last paint
  windowCount_ = 0;
  if (v.pixels <= 0 || !(v.width > 0) || v.length <= 0 || !std::isfinite(v.first)) return;
  const double spp = v.width / v.pixels;
  // The last frame these columns can need: the right edge's neighbour, or its interpolation taps.
  const int64_t rightEdge = Floor64(v.first + static_cast<double>(c1 + 1) / v.pixels * v.width);
  readLimit_ = rightEdge + 2 + (spp <= 1.75 ? OddTaps(v.interpolationTaps) / 2 : 0);
  const int32_t block = peaks && peaks->blockSize > 0 ? peaks->blockSize : 0;
  for (int32_t col = c0; col <= c1; ++col) {
    ColumnPlan& c = (*out)[col - c0];
    c.pL = v.first + static_cast<double>(col) / v.pixels * v.width;
    c.pR = v.first + static_cast<double>(col + 1) / v.pixels * v.width;
    c.selected = ColumnSelected(c.pL, c.pR, spp, v.selStart, v.selEnd);
    if (cache && cache->get(col, c.min, c.max)) {
      c.mode = ColumnMode::kCached;
      memoValid_ = false;
      continue;
    }
    bool ok = false;
    if (spp > block + 2) {
      const int64_t lo = Clamp64(Floor64(c.pL), 0, v.length - 1),
                    hi = Clamp64(Floor64(c.pR), 0, v.length - 1);
      float mn[2] = {0, 0}, mx[2] = {0, 0};
      ok = block > 0 && peaks->minMax && lo <= hi && peaks->minMax(lo, hi, mn, mx);
      for (int j = 0; ok && j < v.channels; ++j) {
        c.min[j] = mn[j];
        c.max[j] = mx[j];
      }
      c.mode = ColumnMode::kPeaks;
    } else if (spp > 1.75) {
      ok = reader && samplesColumn(v, reader, c.pL, c.pR, &c);
      c.mode = ColumnMode::kSamples;
    } else {
      ok = reader && interpolatedColumn(v, reader, c.pL, c.pR, &c);
      c.mode = ColumnMode::kInterpolated;
    }
    if (!ok) {
      c.mode = ColumnMode::kEmpty;
      memoValid_ = false;
      continue;
    }
    if (cache) cache->put(col, c.min, c.max);
  }
}

}  // namespace display
