// Sample transfer by frames over byte-addressed storage: reads and writes with conversion through the
// shared scratch, silence, blank insert, cut, length and the zero-crossing search; and the in-memory
// storage used by tests.
#include "document/sample_transfer.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace document {

// ---------------------------------------------------------------------------------------------------------
// In-memory storage

MemorySampleFile::MemorySampleFile(uint16_t formatWord, uint64_t maxBytes)
    : word_(formatWord), maxBytes_(maxBytes) {}

uint64_t MemorySampleFile::growTo(uint64_t end) {
  end = std::min(end, maxBytes_);
  if (end > data_.size()) data_.resize(size_t(end), kGapByte);
  return data_.size();
}

uint64_t MemorySampleFile::length() {
  std::lock_guard<std::mutex> g(lock_);
  return data_.size();
}

uint32_t MemorySampleFile::read(uint64_t offset, void* dst, uint32_t count) {
  std::lock_guard<std::mutex> g(lock_);
  ++readCalls_;
  if (offset >= data_.size()) return 0;
  const uint32_t n = uint32_t(std::min<uint64_t>(count, data_.size() - offset));
  if (n) std::memcpy(dst, data_.data() + offset, n);
  return n;
}

uint32_t MemorySampleFile::write(uint64_t offset, const void* src, uint32_t count) {
  std::lock_guard<std::mutex> g(lock_);
  if (offset >= maxBytes_) return 0;
  const uint64_t end = std::min(offset + count, maxBytes_);
  growTo(end);
  const uint32_t n = uint32_t(end - offset);
  if (n) std::memcpy(data_.data() + offset, src, n);
  return n;
}

uint32_t MemorySampleFile::fill(uint64_t offset, uint32_t count, const void* pattern, uint32_t patternLength,
                                uint32_t unit) {
  std::lock_guard<std::mutex> g(lock_);
  if (unit == 0 || patternLength == 0) return 0;
  const uint64_t phase = offset % unit;
  if (phase + patternLength > unit) return 0;
  const uint64_t start = offset - phase;
  const uint64_t units = (uint64_t(count) + unit - 1) / unit;
  if (start >= maxBytes_) return 0;
  const uint64_t fit = std::min(units, (maxBytes_ - start) / unit);
  growTo(start + fit * unit);
  const uint8_t* p = static_cast<const uint8_t*>(pattern);
  for (uint64_t i = 0; i < fit; ++i) std::memcpy(data_.data() + start + i * unit + phase, p, patternLength);
  return uint32_t(std::min<uint64_t>(fit * unit, std::numeric_limits<uint32_t>::max()));
}

uint32_t MemorySampleFile::insert(uint64_t offset, uint32_t count, bool fill, uint8_t fillByte) {
  std::lock_guard<std::mutex> g(lock_);
  if (offset > data_.size() && growTo(offset) < offset) return 0;
  if (data_.size() >= maxBytes_) return 0;
  const uint32_t n = uint32_t(std::min<uint64_t>(count, maxBytes_ - data_.size()));
  data_.insert(data_.begin() + ptrdiff_t(offset), n, fill ? fillByte : kGapByte);
  return n;
}

uint32_t MemorySampleFile::cut(uint64_t offset, uint32_t count) {
  std::lock_guard<std::mutex> g(lock_);
  if (offset >= data_.size()) return 0;
  const uint32_t n = uint32_t(std::min<uint64_t>(count, data_.size() - offset));
  data_.erase(data_.begin() + ptrdiff_t(offset), data_.begin() + ptrdiff_t(offset + n));
  return n;
}

uint16_t MemorySampleFile::formatWord() {
  std::lock_guard<std::mutex> g(lock_);
  return word_;
}

void MemorySampleFile::setFormatWord(uint16_t word) {
  std::lock_guard<std::mutex> g(lock_);
  word_ = word;
}

std::vector<uint8_t> MemorySampleFile::bytes() {
  std::lock_guard<std::mutex> g(lock_);
  return data_;
}

void MemorySampleFile::setBytes(std::vector<uint8_t> bytes) {
  std::lock_guard<std::mutex> g(lock_);
  data_ = std::move(bytes);
}

void MemorySampleFile::setMaxBytes(uint64_t maxBytes) {
  std::lock_guard<std::mutex> g(lock_);
  maxBytes_ = maxBytes;
}

uint32_t MemorySampleFile::readCalls() {
  std::lock_guard<std::mutex> g(lock_);
  return readCalls_;
}

// ---------------------------------------------------------------------------------------------------------
// Scratch and dither

namespace {

struct Scratch {
  std::mutex lock;  // held for the whole of a converted transfer; taken before any file's lock
  std::unique_ptr<uint8_t[]> buffer;
  uint32_t size = 0;
};

Scratch& scratch() {
  static Scratch s;
  return s;
}

std::atomic<SampleDither*> gDither{nullptr};

constexpr uint32_t kMinScratchBytes = 8;  // one stereo float frame
constexpr uint32_t kMaxScratchBytes = 16u << 20;
constexpr uint32_t kDirectChunkFrames = 65536;  // same-layout transfers, and progress steps
constexpr uint32_t kPieceFrames = 1u << 24;     // keeps every byte count of a storage call within 32 bits

// Called with the scratch lock held: makes sure a buffer exists.
bool ensureScratch(Scratch& s) {
  if (s.buffer) return true;
  s.buffer.reset(new (std::nothrow) uint8_t[kSampleScratchBytes]);
  if (!s.buffer) return false;
  s.size = kSampleScratchBytes;
  return true;
}

uint32_t caseKey(uint16_t srcWord, uint16_t dstWord) {
  return (uint32_t(srcWord) << 16) | dstWord;
}

// A transfer whose layouts cannot be converted goes to the debug output under the stage that meets the
// unknown size first: the channel stage (1) when channels are mixed, spread or picked, for it must know
// the sample size to do so; else the size stage (2). options carries the XF_SRC_* and XF_DST_* bits.
void reportUnknownCase(uint16_t srcWord, uint16_t dstWord, uint16_t options) {
  const bool srcStereo = (srcWord & XF_STEREO) != 0, dstStereo = (dstWord & XF_STEREO) != 0;
  const bool channelStage = srcStereo != dstStereo ||
                            (srcStereo && XfSourceChannel(options) != kChannelBoth) ||
                            (dstStereo && XfDestChannel(options) != kChannelBoth);
  SampleDebugf(channelStage ? "Unknown Conversion Case(1) %08lX\n" : "Unknown Conversion Case(2) %08lX\n",
               static_cast<unsigned long>(caseKey(srcWord, dstWord)));
}

}  // namespace

bool SampleScratchInit(uint32_t bytes) {
  if (bytes < kMinScratchBytes || bytes > kMaxScratchBytes) return false;
  std::unique_ptr<uint8_t[]> fresh(new (std::nothrow) uint8_t[bytes]);
  if (!fresh) return false;
  Scratch& s = scratch();
  std::lock_guard<std::mutex> g(s.lock);
  s.buffer = std::move(fresh);
  s.size = bytes;
  return true;
}

void SampleScratchRelease() {
  Scratch& s = scratch();
  std::lock_guard<std::mutex> g(s.lock);
  s.buffer.reset();
  s.size = 0;
}

uint32_t SampleScratchSize() {
  Scratch& s = scratch();
  std::lock_guard<std::mutex> g(s.lock);
  return s.size;
}

void SampleSetDither(SampleDither* dither) {
  gDither.store(dither);
}

// ---------------------------------------------------------------------------------------------------------
// Reading and writing

namespace {

struct ReadJob {
  SampleFile* file;
  const ConvertPlan* plan;
  uint8_t* out;       // where frame `first` of the file goes
  uint64_t first;     // first file frame
  uint32_t count;     // frames wanted from the file
  uint32_t doneBase;  // frames already delivered (silence), for progress
  uint32_t total;
  const SampleProgress* progress;
};

// Same layout: straight from storage into the caller's buffer, no scratch.
uint32_t readDirect(const ReadJob& job) {
  const uint32_t frameBytes = job.plan->src.frameBytes();
  uint32_t done = 0;
  while (done < job.count) {
    const uint32_t n = std::min(job.count - done, kDirectChunkFrames);
    const uint32_t bytes = job.file->read((job.first + done) * frameBytes,
                                          job.out + uint64_t(done) * frameBytes, n * frameBytes);
    const uint32_t got = bytes / frameBytes;
    done += got;
    if (got && *job.progress &&
        (*job.progress)(got * frameBytes, job.doneBase + done, job.total) == kSampleStop)
      break;
    if (got < n) break;
  }
  return done;
}

// Different layouts: a chunk at a time into the scratch in the file's layout, converted into the caller's
// buffer. The progress callback runs with the scratch lock released, so it may itself read samples.
uint32_t readConverted(const ReadJob& job) {
  const ConvertPlan& plan = *job.plan;
  const uint32_t srcBytes = plan.src.frameBytes(), dstBytes = plan.dst.frameBytes();
  Scratch& s = scratch();
  std::unique_lock<std::mutex> held(s.lock);
  if (!ensureScratch(s)) return 0;
  uint32_t done = 0;
  while (done < job.count) {
    const uint32_t chunk = s.size / std::max(srcBytes, dstBytes);
    const uint32_t n = std::min(job.count - done, chunk);
    const uint32_t got =
        job.file->read((job.first + done) * srcBytes, s.buffer.get(), n * srcBytes) / srcBytes;
    ConvertFrames(plan, s.buffer.get(), job.out + uint64_t(done) * dstBytes, got);
    done += got;
    if (got && *job.progress) {
      held.unlock();
      const int answer = (*job.progress)(got * dstBytes, job.doneBase + done, job.total);
      held.lock();
      if (answer == kSampleStop) break;
      if (!ensureScratch(s)) break;  // released while we were out
    }
    if (got < n) break;
  }
  return done;
}

}  // namespace

uint32_t SampleRead(SampleFile* file, void* dst, int32_t start, uint32_t count, uint16_t word,
                    const SampleProgress& progress) {
  if (!file || !dst || count == 0) return 0;
  const uint16_t fileWord = file->formatWord();
  const ConvertPlan plan = MakeConvertPlan(fileWord, word, word, gDither.load());
  if (!plan.valid()) {
    reportUnknownCase(fileWord, word, word);
    return 0;
  }
  uint8_t* out = static_cast<uint8_t*>(dst);
  uint32_t silent = 0;
  if (start < 0) {
    silent = uint32_t(std::min<int64_t>(-int64_t(start), count));
    FillSilence(out, plan.dst, silent, plan.dstChannel);
    if (silent == count) return silent;
  }
  ReadJob job{file,
              &plan,
              out + uint64_t(silent) * plan.dst.frameBytes(),
              uint64_t(start < 0 ? 0 : start),
              count - silent,
              silent,
              count,
              &progress};
  return silent + (plan.isCopy() ? readDirect(job) : readConverted(job));
}

namespace {

uint32_t writeDirect(SampleFile* file, const uint8_t* in, uint64_t first, uint32_t count,
                     uint32_t frameBytes) {
  uint32_t done = 0;
  while (done < count) {
    const uint32_t n = std::min(count - done, kDirectChunkFrames);
    const uint32_t got =
        file->write((first + done) * frameBytes, in + uint64_t(done) * frameBytes, n * frameBytes) /
        frameBytes;
    done += got;
    if (got < n) break;
  }
  return done;
}

// Converts a chunk at a time into the scratch in the file's layout and writes it. For one channel of a
// stereo file the chunk's existing frames are read first and only that channel patched; frames beyond the
// end of the file start as silence, so the other channel of new frames is silent, not undefined.
uint32_t writeConverted(SampleFile* file, const ConvertPlan& plan, const uint8_t* in, uint64_t first,
                        uint32_t count) {
  const uint32_t srcBytes = plan.src.frameBytes(), dstBytes = plan.dst.frameBytes();
  const bool patch = plan.dst.stereo() && plan.dstChannel != kChannelBoth;
  Scratch& s = scratch();
  std::lock_guard<std::mutex> held(s.lock);
  if (!ensureScratch(s)) return 0;
  if (plan.dither) plan.dither->reset();
  const uint32_t chunk = s.size / std::max(srcBytes, dstBytes);
  uint8_t* buf = s.buffer.get();
  uint32_t done = 0;
  while (done < count) {
    const uint32_t n = std::min(count - done, chunk);
    const uint64_t offset = (first + done) * dstBytes;
    if (patch) {
      const uint32_t have = file->read(offset, buf, n * dstBytes) / dstBytes;
      FillSilence(buf + uint64_t(have) * dstBytes, plan.dst, n - have);
    }
    ConvertFrames(plan, in + uint64_t(done) * srcBytes, buf, n);
    const uint32_t got = file->write(offset, buf, n * dstBytes) / dstBytes;
    done += got;
    if (got < n) break;
  }
  return done;
}

}  // namespace

uint32_t SampleWrite(SampleFile* file, const void* src, int32_t start, uint32_t count, uint16_t word) {
  if (!file || !src || count == 0) return 0;
  const uint16_t fileWord = file->formatWord();
  const ConvertPlan plan = MakeConvertPlan(word, fileWord, word, gDither.load());
  if (!plan.valid()) {
    reportUnknownCase(word, fileWord, word);
    return 0;
  }
  const uint8_t* in = static_cast<const uint8_t*>(src);
  if (start < 0) {
    const uint32_t skip = uint32_t(std::min<int64_t>(-int64_t(start), count));
    in += uint64_t(skip) * plan.src.frameBytes();
    count -= skip;
    start = 0;
  }
  if (count == 0) return 0;
  if (plan.isCopy()) return writeDirect(file, in, uint64_t(start), count, plan.src.frameBytes());
  return writeConverted(file, plan, in, uint64_t(start), count);
}

// ---------------------------------------------------------------------------------------------------------
// Silence, insert, cut, length

namespace {

// A negative start shortens the range by the part before frame 0.
void clipNegativeStart(int32_t& start, uint32_t& count) {
  if (start >= 0) return;
  count -= uint32_t(std::min<int64_t>(-int64_t(start), count));
  start = 0;
}

// Patterned fill of frames in pieces whose byte counts fit a storage call.
uint32_t fillFrames(SampleFile* file, uint64_t firstFrame, uint32_t frames, uint32_t channelOffset,
                    const uint8_t* pattern, uint32_t patternLength, uint32_t frameBytes) {
  uint32_t done = 0;
  while (done < frames) {
    const uint32_t n = std::min(frames - done, kPieceFrames);
    const uint32_t got = file->fill((firstFrame + done) * frameBytes + channelOffset, n * frameBytes, pattern,
                                    patternLength, frameBytes) /
                         frameBytes;
    done += got;
    if (got < n) break;
  }
  return done;
}

// The bytes per frame of a file for frame-level edits: a file without a sample size counts in bytes.
uint32_t editFrameBytes(SampleFile* file, XfLayout* layout) {
  *layout = XfLayoutOf(file->formatWord());
  return layout->valid() ? layout->frameBytes() : 1;
}

}  // namespace

uint32_t SampleSilence(SampleFile* file, int32_t start, uint32_t count, uint16_t word) {
  if (!file) return 0;
  const XfLayout layout = XfLayoutOf(file->formatWord());
  if (!layout.valid()) return 0;
  clipNegativeStart(start, count);
  if (count == 0) return 0;
  const uint32_t frameBytes = layout.frameBytes();
  uint8_t pattern[8];
  FillSilence(pattern, layout, 1);
  const int channel = layout.stereo() ? XfDestChannel(word) : kChannelBoth;
  if (channel == kChannelBoth)
    return fillFrames(file, uint64_t(start), count, 0, pattern, frameBytes, frameBytes);

  // One channel: the frames the file has get one sample of silence each; frames beyond its end are new
  // and get silence in both channels rather than undefined bytes in the other.
  const uint64_t frames = file->length() / frameBytes;
  const uint32_t inside = uint64_t(start) < frames ? uint32_t(std::min<uint64_t>(count, frames - start)) : 0;
  const uint32_t sampleBytes = layout.bits / 8;
  const uint32_t channelOffset = channel == kChannelRight ? sampleBytes : 0;
  uint32_t done = fillFrames(file, uint64_t(start), inside, channelOffset, pattern, sampleBytes, frameBytes);
  if (done < inside || count == inside) return done;
  return done +
         fillFrames(file, uint64_t(start) + inside, count - inside, 0, pattern, frameBytes, frameBytes);
}

uint32_t SampleInsertBlank(SampleFile* file, int32_t start, uint32_t count, bool fill) {
  if (!file) return 0;
  XfLayout layout;
  const uint32_t frameBytes = editFrameBytes(file, &layout);
  const uint8_t fillByte = SilenceByte(layout.bits);
  // Inserting past the end would first grow the file by a gap of undefined bytes; insert at the end.
  const uint64_t frames = file->length() / frameBytes;
  const uint64_t at = std::min<uint64_t>(start < 0 ? 0 : uint64_t(start), frames);
  uint32_t done = 0;
  while (done < count) {
    const uint32_t n = std::min(count - done, kPieceFrames);
    const uint32_t got = file->insert(at * frameBytes, n * frameBytes, fill, fillByte) / frameBytes;
    done += got;
    if (got < n) break;
  }
  return done;
}

uint32_t SampleCut(SampleFile* file, int32_t start, uint32_t count) {
  if (!file) return 0;
  XfLayout layout;
  const uint32_t frameBytes = editFrameBytes(file, &layout);
  clipNegativeStart(start, count);
  uint32_t done = 0;
  while (done < count) {
    const uint32_t n = std::min(count - done, kPieceFrames);
    const uint32_t got = file->cut(uint64_t(start) * frameBytes, n * frameBytes) / frameBytes;
    done += got;
    if (got < n) break;
  }
  return done;
}

uint32_t SampleLength(SampleFile* file, uint32_t* remainder) {
  if (remainder) *remainder = 0;
  if (!file) return 0;
  XfLayout layout;
  const uint32_t frameBytes = editFrameBytes(file, &layout);
  const uint64_t bytes = file->length();
  if (remainder) *remainder = uint32_t(bytes % frameBytes);
  return uint32_t(std::min<uint64_t>(bytes / frameBytes, std::numeric_limits<uint32_t>::max()));
}

// ---------------------------------------------------------------------------------------------------------
// Zero crossings

namespace {

// Signs by the float's bit pattern: -0.0 is neither negative nor positive.
uint32_t floatBits(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  return bits;
}
bool isNegative(float f) {
  const uint32_t bits = floatBits(f);
  return (bits & 0x80000000u) && bits != 0x80000000u;
}
bool isPositive(float f) {
  return int32_t(floatBits(f)) > 0;
}

int32_t notBeforeZero(int64_t frame) {
  return int32_t(std::max<int64_t>(frame, 0));
}

}  // namespace

int32_t FindZeroCrossing(SampleFile* file, int32_t n, int direction, int channel) {
  if (!file || (direction != 1 && direction != -1)) return n;
  const uint16_t word = XF_32BIT | XF_MONO | (channel == kChannelLeft ? XF_SRC_LEFT : XF_SRC_RIGHT);
  float window[kZeroCrossingWindow];
  if (direction == 1) {
    // After the first negative sample, the first one that is not negative.
    const uint32_t got = SampleRead(file, window, n, kZeroCrossingWindow, word);
    bool seenNegative = false;
    for (uint32_t i = 0; i < got; ++i) {
      if (isNegative(window[i]))
        seenNegative = true;
      else if (seenNegative)
        return notBeforeZero(int64_t(n) + i);
    }
    return n;
  }
  // Backward over the window before n (silence before frame 0): after the first positive sample, the
  // first one that is not positive. A crossing found in the silence before the file is reported at its
  // first frame.
  const int64_t first = int64_t(n) - kZeroCrossingWindow;
  if (first < std::numeric_limits<int32_t>::min()) return n;
  const uint32_t got = SampleRead(file, window, int32_t(first), kZeroCrossingWindow, word);
  bool seenPositive = false;
  for (uint32_t i = got; i-- > 0;) {
    if (isPositive(window[i]))
      seenPositive = true;
    else if (seenPositive)
      return notBeforeZero(first + i);
  }
  return n;
}

}  // namespace document
