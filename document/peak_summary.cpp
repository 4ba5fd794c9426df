// The peak summary table: lazy building, queries, and the updates that keep it in step with inserts, cuts
// and writes of its wave.
#include "document/peak_summary.h"

#include <algorithm>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace document {
namespace {

constexpr uint32_t kBufferSamples = 0x8000;  // 64 KB of 16-bit samples
constexpr uint64_t kMaxFrame =
    uint64_t(std::numeric_limits<int32_t>::max());  // reads take 32-bit signed starts

PeakEntry emptyExtremes(uint32_t end) {
  PeakEntry e;
  e.end = end;
  e.min[0] = e.min[1] = 32767;
  e.max[0] = e.max[1] = -32768;
  return e;
}

// Folds interleaved frames of C channels into e. The extremes are kept in 8 lanes (lane k holds channel
// k % C, as 8 is a multiple of C) that run over the samples 16 at a time, with the vector min/max of SSE2
// where there is one, so the loop never goes through memory for each sample; the lanes are merged into e
// at the end and the last few samples folded one by one.
template <int C>
void foldChannels(const int16_t* samples, uint32_t frames, PeakEntry* e) {
  constexpr int kLanes = 8;
  const size_t n = size_t(frames) * C;
  size_t i = 0;
  alignas(16) int16_t lo[kLanes], hi[kLanes];
  for (int k = 0; k < kLanes; ++k) {
    lo[k] = e->min[k % C];
    hi[k] = e->max[k % C];
  }
  if (n >= 2 * kLanes) {
#if defined(__SSE2__)
    __m128i lo0 = _mm_load_si128(reinterpret_cast<const __m128i*>(lo)), lo1 = lo0;
    __m128i hi0 = _mm_load_si128(reinterpret_cast<const __m128i*>(hi)), hi1 = hi0;
    for (; i + 2 * kLanes <= n; i += 2 * kLanes) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + i));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + i + kLanes));
      lo0 = _mm_min_epi16(lo0, a);
      hi0 = _mm_max_epi16(hi0, a);
      lo1 = _mm_min_epi16(lo1, b);
      hi1 = _mm_max_epi16(hi1, b);
    }
    _mm_store_si128(reinterpret_cast<__m128i*>(lo), _mm_min_epi16(lo0, lo1));
    _mm_store_si128(reinterpret_cast<__m128i*>(hi), _mm_max_epi16(hi0, hi1));
#else
    for (; i + kLanes <= n; i += kLanes) {
      for (int k = 0; k < kLanes; ++k) {
        const int16_t v = samples[i + k];
        lo[k] = v < lo[k] ? v : lo[k];
        hi[k] = v > hi[k] ? v : hi[k];
      }
    }
#endif
  }
  for (int k = 0; k < kLanes; ++k) {
    const int c = k % C;
    if (lo[k] < e->min[c]) e->min[c] = lo[k];
    if (hi[k] > e->max[c]) e->max[c] = hi[k];
  }
  for (; i < n; ++i) {  // i started on a frame and moved by whole lanes, so i % C is the channel
    const int c = int(i % C);
    const int16_t v = samples[i];
    if (v < e->min[c]) e->min[c] = v;
    if (v > e->max[c]) e->max[c] = v;
  }
}

void fold(const int16_t* samples, uint32_t frames, uint16_t channels, PeakEntry* e) {
  if (channels == 2)
    foldChannels<2>(samples, frames, e);
  else
    foldChannels<1>(samples, frames, e);
}

}  // namespace

PeakSummary::PeakSummary(SampleFile* wave, uint16_t channels, uint32_t blockSize)
    : wave_(wave),
      channels_(channels == 2 ? 2 : 1),
      readWord_(uint16_t(XF_16BIT | XF_CLIP | (channels == 2 ? XF_STEREO : XF_MONO))),
      blockSize_(blockSize ? blockSize : kPeakDefaultBlockSize),
      entries_(1),
      buffer_(kBufferSamples) {
  entries_.reserve(kPeakCapacityStep + 2);
}

void PeakSummary::adopt(std::vector<PeakEntry> entries, uint32_t blockSize, uint64_t sourceTime) {
  entries_ = std::move(entries);
  if (entries_.empty()) entries_.resize(1);
  blockSize_ = blockSize ? blockSize : kPeakDefaultBlockSize;
  sourceTime_ = sourceTime;
  capacity_ = kPeakCapacityStep;
  while (entryCount() > capacity_) capacity_ += kPeakCapacityStep;
  hint_ = -1;
  changedFirst_ = -1;
  changedLast_ = 0;
}

uint32_t PeakSummary::waveFrames() const {
  return uint32_t(std::min<uint64_t>(SampleLength(wave_), kMaxFrame));
}

void PeakSummary::clear() {
  entries_.assign(1, PeakEntry{});
  capacity_ = kPeakCapacityStep;
  hint_ = -1;
}

bool PeakSummary::reserveMore(size_t count, size_t expected) {
  const size_t need = entries_.size() + count;
  if (need > entries_.capacity()) {
    // Room for all the entries expected at once, so a scan of a long wave does not move the table again
    // and again as it grows; failing that, the usual growth.
    const size_t grown = std::max(need, entries_.capacity() + entries_.capacity() / 2);
    try {
      entries_.reserve(std::max(grown, entries_.size() + expected));
    } catch (const std::exception&) {
      try {
        entries_.reserve(grown);
      } catch (const std::exception&) {
        return false;
      }
    }
  }
  while (entries_.size() - 1 + count > capacity_) capacity_ += kPeakCapacityStep;
  return true;
}

void PeakSummary::markChanged(uint32_t first, uint32_t last) {
  if (changedFirst_ < 0) {
    changedFirst_ = int32_t(first);
    changedLast_ = int32_t(last);
  } else {
    changedFirst_ = std::min(changedFirst_, int32_t(first));
    changedLast_ = std::max(changedLast_, int32_t(last));
  }
}

bool PeakSummary::takeChanged(int32_t* first, int32_t* last, bool clear) {
  const bool any = changedFirst_ >= 0;
  if (first) *first = changedFirst_;
  if (last) *last = changedLast_;
  if (clear) {
    changedFirst_ = -1;
    changedLast_ = 0;
  }
  return any;
}

uint32_t PeakSummary::locate(uint32_t f) {
  const uint32_t n = entryCount();
  if (f >= builtLength()) return n + 1;
  if (hint_ >= 1 && uint32_t(hint_) <= n) {
    const uint32_t h = uint32_t(hint_);
    if (entryStart(h) <= f && f < entries_[h].end) return h;
    if (h < n && f >= entries_[h].end && f < entries_[h + 1].end) {
      hint_ = int32_t(h + 1);
      return h + 1;
    }
  }
  const auto it = std::upper_bound(entries_.begin() + 1, entries_.end(), f,
                                   [](uint32_t frame, const PeakEntry& e) { return frame < e.end; });
  const uint32_t i = uint32_t(it - entries_.begin());
  hint_ = int32_t(i);
  return i;
}

bool PeakSummary::scan(uint32_t from, uint32_t to, PeakEntry* e) {
  const uint32_t bufferFrames = kBufferSamples / channels_;
  while (from < to) {
    if (from > kMaxFrame) return false;
    const uint32_t want = std::min(to - from, bufferFrames);
    const uint32_t got = SampleRead(wave_, buffer_.data(), int32_t(from), want, readWord_);
    fold(buffer_.data(), got, channels_, e);
    if (got < want) return false;
    from += got;
  }
  return true;
}

void PeakSummary::recompute(uint32_t i) {
  PeakEntry e = emptyExtremes(entries_[i].end);
  scan(entryStart(i), e.end, &e);
  for (int c = 0; c < 2; ++c) {
    if (c >= channels_ || e.min[c] > e.max[c]) e.min[c] = e.max[c] = 0;  // unused channel, or frames missing
  }
  entries_[i] = e;
}

uint32_t PeakSummary::extendChunk() {
  const uint32_t start = builtLength();
  const uint32_t end = waveFrames();
  if (start >= end) return 0;
  const uint32_t want = uint32_t(std::min<uint64_t>(end - start, kBufferSamples / channels_));
  const uint32_t got = SampleRead(wave_, buffer_.data(), int32_t(start), want, readWord_);
  if (got == 0 || !reserveMore(got / blockSize_ + 2, (end - start) / blockSize_ + 2)) return 0;
  uint32_t pos = 0;
  while (pos < got) {
    const uint32_t n = entryCount();
    const uint32_t lastLength = n ? entries_[n].end - entryStart(n) : blockSize_;
    uint32_t take;
    if (lastLength < blockSize_) {
      take = std::min(blockSize_ - lastLength, got - pos);
      fold(buffer_.data() + size_t(pos) * channels_, take, channels_, &entries_[n]);
      entries_[n].end += take;
      markChanged(n, n);
    } else {
      take = std::min(blockSize_, got - pos);
      PeakEntry e = emptyExtremes(start + pos + take);
      fold(buffer_.data() + size_t(pos) * channels_, take, channels_, &e);
      if (channels_ == 1) e.min[1] = e.max[1] = 0;
      entries_.push_back(e);  // room reserved above
      markChanged(n + 1, n + 1);
    }
    pos += take;
  }
  return got;
}

void PeakSummary::extendTo(uint64_t limit) {
  while (builtLength() < limit && extendChunk() > 0) {
  }
}

void PeakSummary::trimToWave() {
  const uint32_t frames = waveFrames();
  if (builtLength() <= frames) return;
  if (frames == 0) return clear();
  const uint32_t k = locate(frames);  // the first entry reaching past the wave
  if (entryStart(k) == frames) {
    entries_.resize(k);
  } else {
    entries_[k].end = frames;
    entries_.resize(k + 1);
    recompute(k);
  }
  hint_ = -1;
  markChanged(k, k);
}

bool PeakSummary::query(uint32_t first, uint32_t last, PeakExtremes* out, const PeakProgress& progress,
                        bool positions) {
  *out = PeakExtremes{};
  if (last < first) return true;
  trimToWave();
  const uint64_t stop = uint64_t(last) + 1;
  const uint32_t total = uint32_t(std::min<uint64_t>(stop - first, std::numeric_limits<uint32_t>::max()));
  while (builtLength() <= first && extendChunk() > 0) {
  }
  uint32_t i = locate(first);
  if (i > entryCount()) return true;  // the wave ends before first
  uint32_t minEntry[2] = {0, 0}, maxEntry[2] = {0, 0};
  for (;;) {
    const PeakEntry& e = entries_[i];
    for (int c = 0; c < channels_; ++c) {
      if (!maxEntry[c] || e.max[c] > out->max[c]) {  // the first entry holding the maximum
        out->max[c] = e.max[c];
        maxEntry[c] = i;
      }
      if (!minEntry[c] || e.min[c] < out->min[c]) {
        out->min[c] = e.min[c];
        minEntry[c] = i;
      }
    }
    const uint64_t end = e.end;
    if (progress && progress(i, uint32_t(std::min(end, stop) - first), total) == kPeakStop) {
      hint_ = -1;
      return false;
    }
    if (end >= stop) break;
    if (++i > entryCount() && extendChunk() == 0) break;
  }
  hint_ = int32_t(std::min(i, entryCount()));
  if (positions) {
    for (int c = 0; c < channels_; ++c) {
      out->maxFrame[c] = maxEntry[c] ? findFrame(maxEntry[c], c, out->max[c]) : first;
      out->minFrame[c] = minEntry[c] ? findFrame(minEntry[c], c, out->min[c]) : first;
    }
  }
  return true;
}

uint32_t PeakSummary::findFrame(uint32_t i, int c, int16_t value) {
  const uint32_t bufferFrames = kBufferSamples / channels_;
  uint32_t from = entryStart(i);
  const uint32_t to = entries_[i].end;
  while (from < to && from <= kMaxFrame) {
    const uint32_t got =
        SampleRead(wave_, buffer_.data(), int32_t(from), std::min(to - from, bufferFrames), readWord_);
    for (uint32_t f = 0; f < got; ++f)
      if (buffer_[size_t(f) * channels_ + c] == value) return from + f;
    if (got == 0) break;
    from += got;
  }
  return entryStart(i);
}

bool PeakSummary::onInsert(uint32_t frame, uint32_t count) {
  const uint32_t n = entryCount();
  if (n == 0) return false;
  const uint32_t built = builtLength();
  if (count == 0 || frame >= built) return true;  // frames past the table are read when asked for
  if (uint64_t(built) + count > kMaxFrame) {
    clear();
    return true;
  }
  const uint32_t i = locate(frame);
  const uint32_t start = entryStart(i), oldEnd = entries_[i].end;
  const uint32_t added = uint32_t((uint64_t(count) + blockSize_ - 1) / blockSize_);
  const bool split = start < frame;
  if (!reserveMore(size_t(added) + (split ? 1 : 0))) {
    clear();
    return true;
  }
  // The inserted frames, one block per entry, with the extremes of silence; when the insert splits entry i,
  // its part after the insert point becomes a new entry after them.
  const uint32_t at = split ? i + 1 : i;
  entries_.insert(entries_.begin() + at, size_t(added) + (split ? 1 : 0), PeakEntry{});  // room reserved
  for (uint32_t k = 0; k < added; ++k) {
    entries_[at + k].end =
        uint32_t(std::min<uint64_t>(uint64_t(frame) + uint64_t(k + 1) * blockSize_, uint64_t(frame) + count));
  }
  const uint32_t firstShifted = at + added;  // the old entry i, or its tail
  if (split) {
    entries_[i].end = frame;
    entries_[firstShifted].end = oldEnd;
    recompute(i);
  }
  for (size_t k = firstShifted; k < entries_.size(); ++k) entries_[k].end += count;
  if (split) recompute(firstShifted);
  hint_ = int32_t(firstShifted);
  markChanged(i, entryCount());
  return true;
}

bool PeakSummary::onCut(uint32_t frame, uint32_t count) {
  if (entryCount() == 0) return false;
  const uint32_t built = builtLength();
  if (count == 0 || frame >= built) return true;
  const uint64_t cutEnd = uint64_t(frame) + count;
  const uint32_t i = locate(frame);
  const uint32_t start = entryStart(i);
  if (cutEnd >= built) {  // everything from frame on goes
    if (start < frame) {
      entries_[i].end = frame;
      entries_.resize(i + 1);
      recompute(i);
    } else {
      entries_.resize(i);
    }
  } else {
    const uint32_t j = locate(uint32_t(cutEnd));  // holds the first frame after the cut
    const bool tailChanged = entryStart(j) < cutEnd;
    for (size_t k = j; k < entries_.size(); ++k) entries_[k].end -= count;
    if (i == j) {
      recompute(i);
    } else {
      // Entries strictly between i and j lie inside the cut; so does i itself when it starts at frame.
      const uint32_t keepHead = start < frame ? 1 : 0;
      if (keepHead) entries_[i].end = frame;
      entries_.erase(entries_.begin() + i + keepHead, entries_.begin() + j);
      if (keepHead) recompute(i);
      if (tailChanged) recompute(i + keepHead);
    }
  }
  hint_ = -1;
  markChanged(std::max<uint32_t>(1, std::min(i, entryCount())), std::max<uint32_t>(1, entryCount()));
  return true;
}

bool PeakSummary::onWrite(uint64_t bytePosition, uint64_t byteCount, uint16_t channels, uint16_t bits) {
  if (channels != channels_) return false;
  if (entryCount() == 0) return false;
  const uint32_t frameBytes = FrameBytes(channels, bits);
  if (frameBytes == 0) return false;
  if (byteCount == 0) return true;
  const uint64_t first = bytePosition / frameBytes;
  const uint64_t end = (bytePosition + byteCount + frameBytes - 1) / frameBytes;
  const uint32_t built = builtLength();
  if (first > built) return true;  // read when asked for
  if (first < built) {
    const uint32_t i = locate(uint32_t(first));
    const uint64_t stop = std::min<uint64_t>(end, built);
    uint32_t k = i;
    for (; k <= entryCount() && entryStart(k) < stop; ++k) recompute(k);
    markChanged(i, k - 1);
  }
  if (end > built) extendTo(end);  // a write at the end: fill the last entry, then append
  return true;
}

}  // namespace document
