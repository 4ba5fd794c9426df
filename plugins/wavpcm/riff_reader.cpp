// The RIFF WAVE chunk walk and the format check.
//
// The walk goes to the physical end of the file, not to the end the RIFF header claims: streamed files
// carry a RIFF size of 0 or 0xFFFFFFFF, and damaged ones a size past the end. Chunks may come in any order
// (JUNK before "fmt ", "fmt " after "data"); the first "fmt " and the first "data" count. A "data" chunk
// that claims more than the file holds is clamped to the file, and to whole frames.
#include "plugins/wavpcm/riff_reader.h"

#include <cstdio>
#include <cstring>

#include "include/sorn_bytes.h"
namespace wavpcm {

const char* riffStatusText(RiffStatus s) {
  switch (s) {
    case RiffStatus::Ok:
      return "The file was read.";
    case RiffStatus::ReadError:
      return "The file could not be read.";
    case RiffStatus::NotRiff:
      return "The file is not a RIFF file.";
    case RiffStatus::NotWave:
      return "The file is a RIFF file but not a WAVE file.";
    case RiffStatus::NoFormat:
      return "The file has no complete format chunk.";
    case RiffStatus::NoData:
      return "The file has no sample data chunk.";
    case RiffStatus::BadFormatChunk:
      return "The file's format chunk is too short for its format.";
    case RiffStatus::UnsupportedCodec:
      return "The file's samples are compressed or encoded in a format this filter cannot read "
             "(only PCM and IEEE float are supported).";
    case RiffStatus::TooManyChannels:
      return "The file has more than two channels.";
    case RiffStatus::BadChannels:
      return "The file's format chunk gives zero channels.";
    case RiffStatus::BadSampleRate:
      return "The file's sample rate is zero or out of range.";
    case RiffStatus::BadBitsPerSample:
      return "The file's sample size is not one this filter can read.";
    case RiffStatus::TooLarge:
      return "The file's sample data is too large.";
    case RiffStatus::WriteFailed:
      return "The file could not be written completely.";
    case RiffStatus::BadArgument:
      return "The sample format cannot be stored in a WAVE file by this filter.";
  }
  return "Unknown error.";
}

namespace {

const char* codecName(uint16_t codec) {
  switch (codec) {
    case 0x0002:
    case 0x0011:
      return "ADPCM";
    case 0x0006:
      return "A-law";
    case 0x0007:
      return "mu-law";
    case 0x0031:
      return "GSM 6.10";
    case 0x0050:
      return "MPEG audio";
    case 0x0055:
      return "MP3";
  }
  return "a compressed or unknown encoding";
}

}  // namespace

std::string riffRefusalMessage(RiffStatus s, const WaveFormat& format) {
  char buf[200];
  if (s == RiffStatus::UnsupportedCodec) {
    std::snprintf(buf, sizeof buf,
                  "The file's samples are stored as %s (format 0x%04X). Only PCM and IEEE float WAVE files "
                  "can be opened.",
                  codecName(format.codec), static_cast<unsigned>(format.codec));
    return buf;
  }
  if (s == RiffStatus::TooManyChannels) {
    std::snprintf(buf, sizeof buf, "The file has %u channels. Only mono and stereo files can be opened.",
                  static_cast<unsigned>(format.channels));
    return buf;
  }
  return riffStatusText(s);
}

bool MemorySource::readAt(uint64_t offset, void* buf, size_t n) {
  if (offset > size_ || n > size_ - offset) return false;
  if (n) std::memcpy(buf, data_ + offset, n);
  return true;
}

bool CallbackSource::readAt(uint64_t offset, void* buf, size_t n) {
  if (offset > size_ || n > size_ - offset) return false;
  return n == 0 || read_(context_, offset, buf, n) == n;
}

namespace {

bool idIs(const uint8_t* p, const char* id) {
  return std::memcmp(p, id, 4) == 0;
}

bool printableId(const uint8_t* p) {
  for (int i = 0; i < 4; ++i) {
    if (p[i] < 0x20 || p[i] > 0x7E) return false;
  }
  return true;
}

// True when a chunk header that could be real starts at pos: four printable characters and a size that
// fits in the file.
bool plausibleHeaderAt(RiffSource& src, uint64_t pos) {
  uint8_t h[8];
  if (pos + 8 > src.size() || !src.readAt(pos, h, 8)) return false;
  return printableId(h) && SornGetU32LE(h + 4) <= src.size() - pos - 8;
}

// Chunks that carry nothing worth keeping: padding, and values the writer recomputes.
bool droppedChunk(const uint8_t* id) {
  return idIs(id, "JUNK") || idIs(id, "junk") || idIs(id, "PAD ") || idIs(id, "FLLR") || idIs(id, "fact") ||
         idIs(id, "PEAK");
}

const uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                               0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

RiffStatus parseFormat(const uint8_t* f, uint32_t size, WaveFormat* out) {
  if (size < 16) return RiffStatus::BadFormatChunk;
  uint16_t tag = SornGetU16LE(f);
  uint16_t channels = SornGetU16LE(f + 2);
  uint32_t rate = SornGetU32LE(f + 4);
  uint16_t fileAlign = SornGetU16LE(f + 12);
  uint16_t bits = SornGetU16LE(f + 14);
  out->formatTag = tag;
  out->codec = tag;
  out->channels = channels;
  out->rate = rate;
  out->bits = bits;
  uint16_t kind = tag;
  if (tag == 0xFFFE) {
    if (size < 40 || SornGetU16LE(f + 16) < 22) return RiffStatus::BadFormatChunk;
    if (std::memcmp(f + 26, kGuidTail, sizeof kGuidTail) != 0) return RiffStatus::UnsupportedCodec;
    kind = SornGetU16LE(f + 24);
    out->codec = kind;
  }
  if (kind != 1 && kind != 3) return RiffStatus::UnsupportedCodec;
  if (channels == 0) return RiffStatus::BadChannels;
  if (channels > kMaxChannels) return RiffStatus::TooManyChannels;
  if (rate == 0 || rate > kMaxSampleRate) return RiffStatus::BadSampleRate;
  if (bits == 0 || bits > kMaxBitsPerSample) return RiffStatus::BadBitsPerSample;
  if (kind == 1 && bits % 8 != 0 && fileAlign % channels == 0) {
    // Samples narrower than their container (12 bits in 16, 20 in 24): the container is what is stored,
    // left-justified, so reading the container gives the right values.
    uint32_t container = fileAlign / channels * 8u;
    if (container >= bits && container <= 32) bits = static_cast<uint16_t>(container);
  }
  bool ok = kind == 1 ? (bits == 8 || bits == 16 || bits == 24 || bits == 32) : (bits == 32 || bits == 64);
  if (!ok) return RiffStatus::BadBitsPerSample;
  out->rate = rate;
  out->channels = channels;
  out->bits = bits;
  out->isFloat = kind == 3;
  out->blockAlign = static_cast<uint16_t>(channels * bits / 8);
  return RiffStatus::Ok;
}

// Reads a metadata chunk body and hands it to the parser; too large or unreadable chunks are dropped.
void readMetaChunk(RiffSource& src, const uint8_t* id, uint64_t body, uint32_t size, uint64_t* total,
                   RiffMetadata* meta) {
  if (size > kMaxMetaChunkBytes || *total + size > kMaxMetaTotalBytes) return;
  *total += size;
  std::vector<uint8_t> bytes(size);
  if (size && !src.readAt(body, bytes.data(), size)) return;
  std::string sid(reinterpret_cast<const char*>(id), 4);
  parseMetaChunk("WAVE", sid, bytes.data(), bytes.size(), meta);
}

struct WalkState {
  bool haveFmt = false;
  uint8_t fmt[40] = {};
  uint32_t fmtSize = 0;
  bool haveData = false;
  uint64_t dataStart = 0, dataLen = 0;
  bool truncated = false;
};

// Takes the data chunk at body: returns where the walk goes on (fileEnd when the data runs to the end).
uint64_t takeData(RiffSource& src, uint64_t body, uint32_t size, WalkState* w) {
  uint64_t left = src.size() - body;
  uint64_t len = size;
  bool toEnd = false, cut = false;
  if (size == 0xFFFFFFFF) {
    toEnd = true;
  } else if (size == 0 && left > 0 && !plausibleHeaderAt(src, body)) {
    toEnd = true;  // a streamed file whose header was never patched
  } else if (len > left) {
    toEnd = cut = true;
  }
  if (!w->haveData) {
    w->haveData = true;
    w->dataStart = body;
    w->dataLen = toEnd ? left : len;
    w->truncated = cut;
  }
  return toEnd ? src.size() : body + len;
}

}  // namespace

RiffStatus parseRiffWave(RiffSource& src, RiffFile* out) {
  *out = RiffFile();
  const uint64_t fileSize = src.size();
  uint8_t h[12];
  if (fileSize < 12) {
    if (fileSize >= 4 && src.readAt(0, h, 4) && idIs(h, "RIFF")) return RiffStatus::NotWave;
    return RiffStatus::NotRiff;
  }
  if (!src.readAt(0, h, 12)) return RiffStatus::ReadError;
  if (!idIs(h, "RIFF")) return RiffStatus::NotRiff;
  if (!idIs(h + 8, "WAVE")) return RiffStatus::NotWave;
  uint32_t riffSize = SornGetU32LE(h + 4);
  // Past the end the header claims (when that end is believable), only chunks that look real are taken,
  // so trailing junk appended to a file is not mistaken for chunks.
  uint64_t riffEnd =
      (riffSize >= 4 && riffSize != 0xFFFFFFFF && 8ull + riffSize <= fileSize) ? 8ull + riffSize : fileSize;
  WalkState w;
  uint64_t metaBytes = 0;
  uint64_t pos = 12;
  while (pos + 8 <= fileSize) {
    if (!src.readAt(pos, h, 8)) return RiffStatus::ReadError;
    if (pos >= riffEnd && !printableId(h)) break;
    uint32_t size = SornGetU32LE(h + 4);
    uint64_t body = pos + 8;
    uint64_t left = fileSize - body;
    uint64_t next;
    if (idIs(h, "data")) {
      next = takeData(src, body, size, &w);
    } else if (size > left) {
      break;  // a chunk cut off by the end of the file: nothing after it can be found
    } else {
      if (idIs(h, "fmt ")) {
        if (!w.haveFmt) {
          w.haveFmt = true;
          w.fmtSize = size;
          if (!src.readAt(body, w.fmt, size < sizeof w.fmt ? size : sizeof w.fmt))
            return RiffStatus::ReadError;
        }
      } else if (!droppedChunk(h)) {
        readMetaChunk(src, h, body, size, &metaBytes, &out->meta);
      }
      next = body + size;
    }
    if ((size & 1) && next < fileSize) {
      // Pad byte after an odd chunk; some writers leave it out, so take it unless the header without it
      // is plausible and the one with it is not.
      if (!(plausibleHeaderAt(src, next) && !plausibleHeaderAt(src, next + 1))) ++next;
    }
    pos = next;
  }

  if (!w.haveFmt) return RiffStatus::NoFormat;
  RiffStatus st = parseFormat(w.fmt, w.fmtSize, &out->format);
  if (st != RiffStatus::Ok) return st;
  if (!w.haveData) return RiffStatus::NoData;

  const WaveFormat& f = out->format;
  out->dataOffset = w.dataStart;
  out->frames = w.dataLen / f.blockAlign;
  out->dataBytes = out->frames * f.blockAlign;
  out->truncated = w.truncated;
  // What the filter delivers: 8/16-bit as stored, everything wider as 32-bit float. Its sizes are 32-bit.
  uint64_t delivered = f.bits <= 16 ? out->dataBytes : out->frames * f.channels * 4;
  if (delivered > 0xFFFFFFFFull) return RiffStatus::TooLarge;
  // Mapping in place hands the host a signed 32-bit offset and length.
  out->mappable = !f.isFloat && f.bits <= 16 && out->dataOffset + out->dataBytes <= 0x7FFFFFFFull;
  return RiffStatus::Ok;
}

}  // namespace wavpcm
