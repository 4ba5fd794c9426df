// Peak files: a wave's peak summary stored next to it as "<wave path>_pk", so reopening a large file does
// not rescan it.
//
// Layout, little-endian, written and read field by field:
//   0  u32 magic 1777            4  u32 block size            8  u32 entry count n
//   12 u32 capacity              16 u32 reserved (0)          20 i32 search hint (-1)
//   24 i32 first changed (-1)    28 i32 last changed (0)      32 u32 x3 handles (0)
//   44 u32 source time, low      48 u32 source time, high     52 u32 x2 pointers (0)
//   60 u16 channels              62 u16 read format word (0x1011 mono, 0x1012 stereo)
//   64 n + 1 entries (entry 0 the sentinel): u32 end, then i16 minimum and maximum per channel (left first)
// The source time is the wave file's last-write time when the peak file was written, as a count of 100 ns
// intervals since 1601.
//
// Nothing in a peak file is trusted: it is used only when its size is exactly the header plus n + 1
// entries, the magic, channel count and read word match, the block size is not 0, the sentinel ends at 0,
// ends strictly increase, every minimum is at most its maximum, the source time equals the wave file's
// current time and the last end lies within the wave. Anything else gives an empty summary that is built
// from the samples.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "document/peak_summary.h"

namespace document {

constexpr uint32_t kPeakMagic = 1777;
constexpr uint32_t kPeakHeaderBytes = 64;
constexpr uint32_t kPeakEntryBytesMono = 8;
constexpr uint32_t kPeakEntryBytesStereo = 12;

// Why a peak file was not used (for tests and debug output).
enum class PeakFileStatus {
  Ok,
  Missing,      // no such file, or it cannot be read
  BadSize,      // size is not header + (n + 1) entries, or shorter than a header
  BadHeader,    // magic, block size or read word
  OtherLayout,  // written for another channel count
  BadEntries,   // sentinel, ends or extremes
  Stale,        // the source time differs from the wave file's, or the wave file has no time
  PastWave,     // the entries reach past the wave's end
  NoMemory,
};
const char* peakFileStatusText(PeakFileStatus s);

// "<wavePath>_pk".
std::string PeakFilePath(const std::string& wavePath);

// The wave file's last-write time as stored in a peak file; false when the file cannot be opened.
bool PeakWaveFileTime(const std::string& wavePath, uint64_t* time);

// A summary of wave for channels (1 or 2; anything else gives null, as does a null wave). With a path, its
// peak file is loaded when it passes every check (status, when given, says why it did not); otherwise the
// summary starts empty.
std::unique_ptr<PeakSummary> PeakCreate(const std::string& wavePath, SampleFile* wave, uint16_t channels,
                                        uint32_t blockSize, PeakFileStatus* status = nullptr);

// Writes the summary's peak file. Unless force is set, nothing is written when a valid peak file for the
// wave file's current time with at least as many entries is already there. Returns true if the file was
// written; false when it was not needed or could not be written (a partial file is removed).
bool PeakSave(PeakSummary* summary, const std::string& wavePath, bool force);

// Deletes "<wavePath>_pk"; true when it is gone afterwards.
bool PeakDeleteFile(const std::string& wavePath);

}  // namespace document
