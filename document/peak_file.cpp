// Reading, checking and writing peak files (layout in peak_file.h). All file access goes through the
// platform file table.
#include "document/peak_file.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "include/sorn_bytes.h"
#include "platform/file.h"

namespace document {
namespace {

constexpr uint16_t kReadWordMono = XF_16BIT | XF_CLIP | XF_MONO;      // 0x1011
constexpr uint16_t kReadWordStereo = XF_16BIT | XF_CLIP | XF_STEREO;  // 0x1012
constexpr uint32_t kIoEntries = 5000;                                 // entries per read or write call
constexpr int64_t kFileTimeEpochSeconds = 11644473600;                // 1601-01-01 to 1970-01-01
constexpr int64_t kFileTimeUnitsPerSecond = 10000000;

uint32_t entryBytes(uint16_t channels) {
  return channels == 2 ? kPeakEntryBytesStereo : kPeakEntryBytesMono;
}

void putEntry(uint8_t* p, const PeakEntry& e, uint16_t channels) {
  SornPutU32LE(p, e.end);
  for (uint16_t c = 0; c < channels; ++c) {
    SornPutS16LE(p + 4 + 4 * c, e.min[c]);
    SornPutS16LE(p + 6 + 4 * c, e.max[c]);
  }
}

PeakEntry getEntry(const uint8_t* p, uint16_t channels) {
  PeakEntry e;
  e.end = SornGetU32LE(p);
  for (uint16_t c = 0; c < channels; ++c) {
    e.min[c] = SornGetS16LE(p + 4 + 4 * c);
    e.max[c] = SornGetS16LE(p + 6 + 4 * c);
  }
  return e;
}

// Closes a file when it goes out of scope.
struct FileCloser {
  platform::File* f = nullptr;
  ~FileCloser() { platform::fileClose(f); }
};

bool readExactly(platform::File* f, uint64_t offset, void* buf, uint32_t size) {
  uint32_t done = 0;
  return platform::fileOps().read(f, offset, buf, size, &done) == platform::FileStatus::Ok && done == size;
}

struct LoadedPeaks {
  std::vector<PeakEntry> entries;
  uint32_t blockSize = 0;
  uint64_t sourceTime = 0;
};

// Reads and checks the peak file of wavePath for a wave of waveFrames frames and channels channels.
PeakFileStatus loadPeakFile(const std::string& wavePath, uint16_t channels, uint32_t waveFrames,
                            LoadedPeaks* out) {
  FileCloser file;
  const std::string path = PeakFilePath(wavePath);
  if (platform::fileOpen(path, platform::kFileRead | platform::kFileShareRead, &file.f) !=
      platform::FileStatus::Ok)
    return PeakFileStatus::Missing;
  uint64_t size = 0;
  if (platform::fileOps().size(file.f, &size) != platform::FileStatus::Ok) return PeakFileStatus::Missing;
  uint8_t header[kPeakHeaderBytes];
  if (size < kPeakHeaderBytes) return PeakFileStatus::BadSize;
  if (!readExactly(file.f, 0, header, kPeakHeaderBytes)) return PeakFileStatus::Missing;

  const uint32_t magic = SornGetU32LE(header), blockSize = SornGetU32LE(header + 4),
                 count = SornGetU32LE(header + 8);
  const uint16_t fileChannels = SornGetU16LE(header + 60), readWord = SornGetU16LE(header + 62);
  if (magic != kPeakMagic) return PeakFileStatus::BadHeader;
  if (fileChannels != channels) return PeakFileStatus::OtherLayout;
  if (blockSize == 0 || readWord != (channels == 2 ? kReadWordStereo : kReadWordMono))
    return PeakFileStatus::BadHeader;
  const uint32_t eb = entryBytes(channels);
  if (size != kPeakHeaderBytes + (uint64_t(count) + 1) * eb) return PeakFileStatus::BadSize;

  const uint64_t stored = SornGetU64LE(header + 44);
  uint64_t now = 0;
  if (!PeakWaveFileTime(wavePath, &now) || now != stored) return PeakFileStatus::Stale;
  // Ends strictly increase from 0, so a table within the wave has at most one entry per frame.
  if (count > waveFrames) return PeakFileStatus::PastWave;

  try {
    out->entries.resize(size_t(count) + 1);
  } catch (const std::exception&) {
    return PeakFileStatus::NoMemory;
  }
  std::vector<uint8_t> buf(size_t(kIoEntries) * eb);
  for (uint64_t done = 0; done <= count;) {
    const uint32_t n = uint32_t(std::min<uint64_t>(kIoEntries, uint64_t(count) + 1 - done));
    if (!readExactly(file.f, kPeakHeaderBytes + done * eb, buf.data(), n * eb))
      return PeakFileStatus::BadSize;
    for (uint32_t k = 0; k < n; ++k)
      out->entries[size_t(done + k)] = getEntry(buf.data() + size_t(k) * eb, channels);
    done += n;
  }
  std::vector<PeakEntry>& e = out->entries;
  if (e[0].end != 0) return PeakFileStatus::BadEntries;
  e[0] = PeakEntry{};
  for (size_t i = 1; i < e.size(); ++i) {
    if (e[i].end <= e[i - 1].end) return PeakFileStatus::BadEntries;
    for (uint16_t c = 0; c < channels; ++c)
      if (e[i].min[c] > e[i].max[c]) return PeakFileStatus::BadEntries;
  }
  if (e.back().end > waveFrames) return PeakFileStatus::PastWave;
  out->blockSize = blockSize;
  out->sourceTime = stored;
  return PeakFileStatus::Ok;
}

uint32_t summaryFrames(SampleFile* wave) {
  return std::min<uint32_t>(SampleLength(wave), uint32_t(std::numeric_limits<int32_t>::max()));
}

void fillHeader(uint8_t* h, const PeakSummary& s, uint64_t time) {
  std::fill(h, h + kPeakHeaderBytes, uint8_t(0));
  SornPutU32LE(h, kPeakMagic);
  SornPutU32LE(h + 4, s.blockSize());
  SornPutU32LE(h + 8, s.entryCount());
  SornPutU32LE(h + 12, s.capacity());
  SornPutU32LE(h + 20, 0xFFFFFFFFu);  // no search hint
  SornPutU32LE(h + 24, 0xFFFFFFFFu);  // no changed range (first -1, last 0)
  SornPutU64LE(h + 44, time);
  SornPutU16LE(h + 60, s.channels());
  SornPutU16LE(h + 62, s.readWord());
}

bool writePeakFile(const PeakSummary& s, const std::string& path, uint64_t time) {
  FileCloser file;
  if (platform::fileOpen(path, platform::kFileWrite | platform::kFileCreate, &file.f) !=
      platform::FileStatus::Ok)
    return false;
  const platform::FileOps& ops = platform::fileOps();
  const uint32_t eb = entryBytes(s.channels());
  std::vector<uint8_t> buf(std::max<size_t>(kPeakHeaderBytes, size_t(kIoEntries) * eb));
  uint32_t done = 0;
  fillHeader(buf.data(), s, time);
  if (ops.write(file.f, 0, buf.data(), kPeakHeaderBytes, &done) != platform::FileStatus::Ok ||
      done != kPeakHeaderBytes)
    return false;
  const uint64_t count = uint64_t(s.entryCount()) + 1;
  for (uint64_t i = 0; i < count;) {
    const uint32_t n = uint32_t(std::min<uint64_t>(kIoEntries, count - i));
    for (uint32_t k = 0; k < n; ++k)
      putEntry(buf.data() + size_t(k) * eb, s.entry(uint32_t(i + k)), s.channels());
    if (ops.write(file.f, kPeakHeaderBytes + i * eb, buf.data(), n * eb, &done) != platform::FileStatus::Ok ||
        done != n * eb)
      return false;
    i += n;
  }
  return ops.flush(file.f) == platform::FileStatus::Ok;
}

}  // namespace

const char* peakFileStatusText(PeakFileStatus s) {
  switch (s) {
    case PeakFileStatus::Ok:
      return "peak file used";
    case PeakFileStatus::Missing:
      return "no readable peak file";
    case PeakFileStatus::BadSize:
      return "peak file size does not match its entry count";
    case PeakFileStatus::BadHeader:
      return "peak file header is not valid";
    case PeakFileStatus::OtherLayout:
      return "peak file is for another channel count";
    case PeakFileStatus::BadEntries:
      return "peak file entries are not valid";
    case PeakFileStatus::Stale:
      return "peak file is older or newer than its wave";
    case PeakFileStatus::PastWave:
      return "peak file reaches past the end of its wave";
    case PeakFileStatus::NoMemory:
      return "no memory for the peak file";
  }
  return "unknown peak file status";
}

std::string PeakFilePath(const std::string& wavePath) {
  return wavePath + "_pk";
}

bool PeakWaveFileTime(const std::string& wavePath, uint64_t* time) {
  FileCloser file;
  if (platform::fileOpen(wavePath, platform::kFileRead | platform::kFileShareRead | platform::kFileShareWrite,
                         &file.f) != platform::FileStatus::Ok)
    return false;
  int64_t seconds = 0;
  if (platform::fileOps().getTime(file.f, &seconds) != platform::FileStatus::Ok) return false;
  const int64_t since1601 = std::max<int64_t>(0, seconds + kFileTimeEpochSeconds);
  *time = uint64_t(since1601) * kFileTimeUnitsPerSecond;
  return true;
}

std::unique_ptr<PeakSummary> PeakCreate(const std::string& wavePath, SampleFile* wave, uint16_t channels,
                                        uint32_t blockSize, PeakFileStatus* status) {
  if (status) *status = PeakFileStatus::Missing;
  if (!wave || (channels != 1 && channels != 2)) return nullptr;
  std::unique_ptr<PeakSummary> summary(new PeakSummary(wave, channels, blockSize));
  if (wavePath.empty()) return summary;
  LoadedPeaks loaded;
  const PeakFileStatus s = loadPeakFile(wavePath, channels, summaryFrames(wave), &loaded);
  if (status) *status = s;
  if (s == PeakFileStatus::Ok) summary->adopt(std::move(loaded.entries), loaded.blockSize, loaded.sourceTime);
  return summary;
}

bool PeakSave(PeakSummary* summary, const std::string& wavePath, bool force) {
  if (!summary || wavePath.empty()) return false;
  uint64_t time = 0;
  if (!PeakWaveFileTime(wavePath, &time)) return false;
  if (!force) {
    // Only a file that would be used on reopening counts as already there.
    LoadedPeaks existing;
    if (loadPeakFile(wavePath, summary->channels(), summaryFrames(summary->wave()), &existing) ==
            PeakFileStatus::Ok &&
        existing.entries.size() >= size_t(summary->entryCount()) + 1)
      return false;
  }
  const std::string path = PeakFilePath(wavePath);
  if (!writePeakFile(*summary, path, time)) {
    platform::fileOps().remove(path.c_str());
    return false;
  }
  summary->setSourceTime(time);
  return true;
}

bool PeakDeleteFile(const std::string& wavePath) {
  const platform::FileStatus s = platform::fileOps().remove(PeakFilePath(wavePath).c_str());
  return s == platform::FileStatus::Ok || s == platform::FileStatus::NotFound;
}

}  // namespace document
