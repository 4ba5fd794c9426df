// Reading RIFF WAVE files: the chunk walk, the format check and the metadata chunks.
//
// The parser sees the file only through RiffSource (random-access reads of a known size), so tests and
// the fuzzer run it over memory and the filter DLL runs it over a file handle. Everything it reads is
// outside input: every size is checked against the bytes left, every record walk stops at the end of its
// chunk, counts are clamped to what fits, and a failure is a RiffStatus with a text, never an assert.
//
// What the filter hands the editor as metadata items (list type, chunk id, bytes, count) is built from
// the parsed chunks by riffMetaItems() (riff_items.h); the parsed form is kept here for tests and callers
// that want the cues directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace wavpcm {

// Limits on what a file may claim. Each is checked as x == 0 || x > limit.
constexpr uint32_t kMaxChannels = 2;
constexpr uint32_t kMaxSampleRate = 4000000;
constexpr uint32_t kMaxBitsPerSample = 64;
// A single metadata chunk larger than this is dropped rather than loaded (a sampler or INFO chunk is a few
// hundred bytes; anything near this size is damage or not metadata at all).
constexpr uint32_t kMaxMetaChunkBytes = 16u << 20;
// All kept metadata chunks of one file together stay below this; chunks past it are dropped.
constexpr uint64_t kMaxMetaTotalBytes = 64u << 20;
// At most this many records are taken from one cue, plst, smpl or adtl chunk.
constexpr uint32_t kMaxMetaRecords = 65536;

enum class RiffStatus : int {
  Ok = 0,
  ReadError,         // the source failed to deliver bytes inside its own size
  NotRiff,           // no "RIFF" header
  NotWave,           // a RIFF file of another form type
  NoFormat,          // no complete "fmt " chunk
  NoData,            // no "data" chunk
  BadFormatChunk,    // "fmt " too short for its format tag
  UnsupportedCodec,  // compressed or otherwise unknown format tag
  TooManyChannels,   // more than kMaxChannels
  BadChannels,       // zero channels
  BadSampleRate,     // zero or above kMaxSampleRate
  BadBitsPerSample,  // zero, or a width this format tag does not have
  TooLarge,          // the sample data does not fit the 32-bit sizes of the filter contract
  WriteFailed,       // (writer) the output refused bytes
  BadArgument,       // (writer) format or item the writer cannot store
};
// One sentence per status, never null.
const char* riffStatusText(RiffStatus s);

struct WaveFormat;
// The message for a refused file: names the codec or the channel count when that was the reason, else
// riffStatusText(). format is what parseRiffWave left in RiffFile::format.
std::string riffRefusalMessage(RiffStatus s, const WaveFormat& format);

// Random-access byte source of a fixed size.
class RiffSource {
 public:
  virtual ~RiffSource() = default;
  virtual uint64_t size() const = 0;
  // Reads exactly n bytes at offset; false when it cannot (the parser only asks inside size()).
  virtual bool readAt(uint64_t offset, void* buf, size_t n) = 0;
};

// A source over bytes in memory (not copied: they must outlive the source).
class MemorySource : public RiffSource {
 public:
  MemorySource(const void* data, size_t size) : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  uint64_t size() const override { return size_; }
  bool readAt(uint64_t offset, void* buf, size_t n) override;

 private:
  const uint8_t* data_;
  size_t size_;
};

// A source over a callback, for files: read(context, offset, buf, n) returns the bytes it read.
class CallbackSource : public RiffSource {
 public:
  using ReadFn = size_t (*)(void* context, uint64_t offset, void* buf, size_t n);
  CallbackSource(ReadFn read, void* context, uint64_t size) : read_(read), context_(context), size_(size) {}
  uint64_t size() const override { return size_; }
  bool readAt(uint64_t offset, void* buf, size_t n) override;

 private:
  ReadFn read_;
  void* context_;
  uint64_t size_;
};

enum class SampleEncoding { PcmUnsigned8, PcmSigned, Float };

struct WaveFormat {
  uint32_t rate = 0;
  uint16_t channels = 0;
  uint16_t bits = 0;  // container bits per sample: 8, 16, 24, 32 or 64
  bool isFloat = false;
  uint16_t blockAlign = 0;  // recomputed as channels * bits / 8, whatever the file says
  uint16_t formatTag = 0;   // as found: 1, 3 or 0xFFFE
  uint16_t codec = 0;       // 1 PCM, 3 float, or what else the file holds (EXTENSIBLE: its sub-format)
};

// Cue point: id and its position in sample frames (the cue chunk's sample offset).
struct RiffCue {
  uint32_t id = 0;
  uint32_t position = 0;
};
// labl and note texts, without their terminator.
struct RiffCueText {
  uint32_t cueId = 0;
  std::string text;
};
// ltxt: a region length and purpose for a cue, with an optional text.
struct RiffRegionText {
  uint32_t cueId = 0;
  uint32_t length = 0;
  char purpose[4] = {0, 0, 0, 0};
  std::string text;
};
struct RiffPlaylistEntry {
  uint32_t cueId = 0;
  uint32_t length = 0;
  uint32_t loops = 0;
};
// A sampler loop; end is inclusive. Loops with end < start are left out here (the chunk stays verbatim).
struct RiffLoop {
  uint32_t id = 0;
  uint32_t type = 0;
  uint32_t start = 0;
  uint32_t end = 0;
  uint32_t fraction = 0;
  uint32_t playCount = 0;
};
struct RiffInfoText {
  std::string id;    // four characters, e.g. "INAM"
  std::string text;  // without trailing zero bytes
};
// A chunk kept as it is: top-level chunks get list "WAVE"; unknown chunks inside LIST adtl get "adtl";
// other LIST chunks are kept whole as list "WAVE", id "LIST" with the list type as the first 4 bytes.
struct RiffChunk {
  std::string list;
  std::string id;
  std::vector<uint8_t> bytes;
};

struct RiffMetadata {
  std::vector<RiffInfoText> info;
  std::vector<RiffCue> cues;
  std::vector<RiffCueText> labels;
  std::vector<RiffCueText> notes;
  std::vector<RiffRegionText> regions;
  std::vector<RiffPlaylistEntry> playlist;
  bool hasSampler = false;
  std::vector<uint8_t> sampler;   // the smpl chunk body, verbatim
  std::vector<RiffLoop> loops;    // its valid loops
  std::vector<RiffChunk> others;  // verbatim, in file order
};

struct RiffFile {
  WaveFormat format;
  uint64_t dataOffset = 0;  // file offset of the first sample byte
  uint64_t dataBytes = 0;   // whole frames only, inside the file
  uint64_t frames = 0;
  bool mappable = false;   // 8/16-bit PCM: the bytes at dataOffset are exactly what the filter delivers
  bool truncated = false;  // the data chunk claimed more than the file holds
  RiffMetadata meta;
};

// Parses the file. On success fills *out; otherwise returns why it refuses (out->format then holds the
// raw tag, codec, channels, rate and bits when the format chunk was reached, for the message).
RiffStatus parseRiffWave(RiffSource& src, RiffFile* out);

// Parses the body of one metadata chunk into meta (exposed for tests; parseRiffWave calls it).
// list is "WAVE" for top-level chunks, else the LIST type the chunk sits in.
void parseMetaChunk(const std::string& list, const std::string& id, const uint8_t* p, size_t n,
                    RiffMetadata* meta);

}  // namespace wavpcm
