// The peak summary of a wave: a table of per-block minima and maxima of its samples (16-bit, clipped), so
// zoomed-out drawing and min/max requests over long stretches need not read the samples.
//
// Entry i covers the frames from the end of entry i - 1 up to, not including, its own end; entry 0 is a
// sentinel ending at 0, and entries 1..n are in use. Ends strictly increase. The table covers the wave
// from frame 0 up to the end of entry n (the built length) and is extended lazily, by reading the wave,
// when a query reaches past it. Edits keep it in step through onInsert, onCut and onWrite, called for the
// wave's insert, cut and write notifications after the wave has changed; they touch only the entries at
// the edit point and shift the ends of the rest. Inserted frames are taken to be silence until a write
// notification for them follows (as it does for every insert that carries data).
//
// Used from one thread (the user-interface thread); not thread-safe. The peak file that stores a summary
// next to its wave is in peak_file.h.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "document/sample_transfer.h"

namespace document {

constexpr uint32_t kPeakDefaultBlockSize = 256;
constexpr uint32_t kPeakCapacityStep = 8000;  // entries; the capacity starts here and grows by it

// One entry. Index 0 of min and max is the left (or only) channel, 1 the right.
struct PeakEntry {
  uint32_t end = 0;
  int16_t min[2] = {0, 0};
  int16_t max[2] = {0, 0};
};

// Result of a query. Minima start at 32,767 and maxima at -32,768, so a query that covers no entry returns
// min > max. The frame outputs are filled only when positions are asked for.
struct PeakExtremes {
  int16_t min[2] = {32767, 32767};
  int16_t max[2] = {-32768, -32768};
  uint32_t minFrame[2] = {0, 0};
  uint32_t maxFrame[2] = {0, 0};
};

// Called after each entry a query visits, with the entry's index, the frames past the first frame covered
// so far and the frames asked for; returning kPeakStop cancels the query.
constexpr int kPeakStop = 3;
using PeakProgress = std::function<int(uint32_t entry, uint32_t framesDone, uint32_t framesTotal)>;

class PeakSummary {
 public:
  // An empty summary of wave (which must outlive it) for 1 or 2 channels; a block size of 0 means the
  // default. Channel counts other than 1 and 2 are taken as 1.
  PeakSummary(SampleFile* wave, uint16_t channels, uint32_t blockSize);

  // Replaces the table with entries loaded from a peak file (entries[0] must be the sentinel), sets the
  // block size and source time from it and resets the runtime fields. The caller has validated them.
  void adopt(std::vector<PeakEntry> entries, uint32_t blockSize, uint64_t sourceTime);

  // Extremes of the entries covering frames first..last (inclusive), extending the table as needed. With
  // positions, the frames of the first maximum and minimum in the entries holding them are found by
  // reading those entries. Whole entries are combined, so frames just outside the range can count.
  // Returns false when cancelled through progress.
  bool query(uint32_t first, uint32_t last, PeakExtremes* out, const PeakProgress& progress = nullptr,
             bool positions = false);

  uint32_t builtLength() const { return entries_.back().end; }
  uint32_t blockSize() const { return blockSize_; }
  uint16_t channels() const { return channels_; }
  uint16_t readWord() const { return readWord_; }  // the read layout: 16-bit, clipped, our channels
  uint32_t entryCount() const { return uint32_t(entries_.size() - 1); }
  uint32_t capacity() const { return capacity_; }
  const PeakEntry& entry(uint32_t i) const { return entries_[i]; }  // 0..entryCount()
  uint64_t sourceTime() const { return sourceTime_; }
  void setSourceTime(uint64_t t) { sourceTime_ = t; }
  SampleFile* wave() const { return wave_; }

  // The range of entries changed since the last call with clear (first -1 and last 0 when none). Returns
  // whether a range is recorded.
  bool takeChanged(int32_t* first, int32_t* last, bool clear);

  // Keeping step with the wave. Frames for insert and cut; bytes for write, with the layout of the wave
  // that was written (nothing is done when its channel count is not ours; a partial frame at either end
  // counts as written). Each returns false when the table has no entries yet; a count of 0 does nothing.
  bool onInsert(uint32_t frame, uint32_t count);
  bool onCut(uint32_t frame, uint32_t count);
  bool onWrite(uint64_t bytePosition, uint64_t byteCount, uint16_t channels, uint16_t bits);

 private:
  uint32_t entryStart(uint32_t i) const { return entries_[i - 1].end; }
  // The entry holding frame f (1..n), or n + 1 when f is at or past the built length. Moves the hint.
  uint32_t locate(uint32_t f);
  // Folds frames [from, to) of the wave into e's extremes; false when the wave came up short.
  bool scan(uint32_t from, uint32_t to, PeakEntry* e);
  // Recomputes entry i from the wave.
  void recompute(uint32_t i);
  // Reads one buffer of frames (64 KB of samples, or up to the wave's end) past the built length into the
  // table: the last entry is filled up to the block size, then whole-block entries are appended. Returns
  // the frames added; 0 at the end or when memory ran out.
  uint32_t extendChunk();
  // Extends by whole buffers until the table reaches limit or the wave's end.
  void extendTo(uint64_t limit);
  // Drops entries past the wave's end (the wave shrank without our hearing of it).
  void trimToWave();
  // Makes room for count more entries, and for expected more in one step when memory allows; false
  // (table unchanged) when memory runs out.
  bool reserveMore(size_t count, size_t expected = 0);
  void markChanged(uint32_t first, uint32_t last);
  // Forgets the whole table; it is built again on the next query. The way out of any state we cannot
  // update in place (no memory, ends that would pass 32 bits).
  void clear();
  uint32_t waveFrames() const;
  // Finds the first frame of entry i whose channel c holds value.
  uint32_t findFrame(uint32_t i, int c, int16_t value);

  SampleFile* wave_;
  uint16_t channels_;
  uint16_t readWord_;
  uint32_t blockSize_;
  uint32_t capacity_ = kPeakCapacityStep;
  uint64_t sourceTime_ = 0;
  int32_t hint_ = -1;
  int32_t changedFirst_ = -1;
  int32_t changedLast_ = 0;
  std::vector<PeakEntry> entries_;
  std::vector<int16_t> buffer_;  // 64 KB of samples for reading
};

}  // namespace document
