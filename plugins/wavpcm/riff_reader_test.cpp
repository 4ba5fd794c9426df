// Tests of the RIFF WAVE chunk walk, the format check and the metadata chunk parser.
#include "plugins/wavpcm/riff_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <set>

#include "include/sorn_bytes.h"
#include "plugins/wavpcm/riff_test_util.h"

namespace wavpcm {
namespace {

using namespace wavpcm::testing;

RiffStatus parse(const Bytes& b, RiffFile* f) {
  MemorySource src(b.data(), b.size());
  return parseRiffWave(src, f);
}

TEST(RiffStatusText, EveryStatusHasItsOwnText) {
  std::set<std::string> seen;
  for (int s = 0; s <= static_cast<int>(RiffStatus::BadArgument); ++s) {
    std::string t = riffStatusText(static_cast<RiffStatus>(s));
    EXPECT_FALSE(t.empty());
    EXPECT_NE(t, "Unknown error.") << s;
    EXPECT_TRUE(seen.insert(t).second) << "duplicate text for status " << s;
  }
}

TEST(RiffReader, CanonicalSixteenBitStereo) {
  Bytes data = ramp(400);
  Bytes b = riff({chunk("fmt ", fmtBody(1, 2, 44100, 16)), chunk("data", data)});
  RiffFile f;
  ASSERT_EQ(parse(b, &f), RiffStatus::Ok);
  EXPECT_EQ(f.format.rate, 44100u);
  EXPECT_EQ(f.format.channels, 2);
  EXPECT_EQ(f.format.bits, 16);
  EXPECT_FALSE(f.format.isFloat);
  EXPECT_EQ(f.format.blockAlign, 4);
  EXPECT_EQ(f.dataOffset, 44u);
  EXPECT_EQ(f.dataBytes, 400u);
  EXPECT_EQ(f.frames, 100u);
  EXPECT_TRUE(f.mappable);
  EXPECT_FALSE(f.truncated);
}

struct FormatCase {
  const char* name;
  Bytes fmt;
  RiffStatus status;
  uint16_t bits;
  bool isFloat;
  bool mappable;
};

Bytes withSize(Bytes b, size_t n) {
  b.resize(n);
  return b;
}

TEST(RiffReader, FormatTable) {
  Bytes adpcm = fmtBody(2, 1, 22050, 4);
  Bytes extAdpcm = fmtExtensible(2, 2, 44100, 16);
  Bytes bogusGuid = fmtExtensible(1, 2, 44100, 16);
  bogusGuid[30] ^= 0xFF;
  Bytes twelveBit = fmtBody(1, 1, 8000, 16);
  twelveBit[14] = 12;  // 12 significant bits in a 16-bit container
  const FormatCase cases[] = {
      {"pcm8", fmtBody(1, 1, 8000, 8), RiffStatus::Ok, 8, false, true},
      {"pcm16", fmtBody(1, 2, 48000, 16), RiffStatus::Ok, 16, false, true},
      {"pcm24", fmtBody(1, 2, 48000, 24), RiffStatus::Ok, 24, false, false},
      {"pcm32", fmtBody(1, 1, 48000, 32), RiffStatus::Ok, 32, false, false},
      {"float32", fmtBody(3, 2, 48000, 32), RiffStatus::Ok, 32, true, false},
      {"float64", fmtBody(3, 1, 48000, 64), RiffStatus::Ok, 64, true, false},
      {"ext pcm24", fmtExtensible(1, 2, 96000, 24), RiffStatus::Ok, 24, false, false},
      {"ext pcm16", fmtExtensible(1, 2, 44100, 16), RiffStatus::Ok, 16, false, true},
      {"ext float", fmtExtensible(3, 2, 44100, 32), RiffStatus::Ok, 32, true, false},
      {"12 in 16", twelveBit, RiffStatus::Ok, 16, false, true},
      {"adpcm", adpcm, RiffStatus::UnsupportedCodec, 0, false, false},
      {"mp3", fmtBody(0x55, 2, 44100, 0), RiffStatus::UnsupportedCodec, 0, false, false},
      {"ext adpcm", extAdpcm, RiffStatus::UnsupportedCodec, 0, false, false},
      {"ext bad guid", bogusGuid, RiffStatus::UnsupportedCodec, 0, false, false},
      {"ext too short", withSize(fmtExtensible(1, 2, 44100, 16), 24), RiffStatus::BadFormatChunk, 0, false,
       false},
      {"fmt 14 bytes", withSize(fmtBody(1, 1, 8000, 8), 14), RiffStatus::BadFormatChunk, 0, false, false},
      {"3 channels", fmtBody(1, 3, 44100, 16), RiffStatus::TooManyChannels, 0, false, false},
      {"6 channels ext", fmtExtensible(1, 6, 44100, 24), RiffStatus::TooManyChannels, 0, false, false},
      {"0 channels", fmtBody(1, 0, 44100, 16), RiffStatus::BadChannels, 0, false, false},
      {"rate 0", fmtBody(1, 1, 0, 16), RiffStatus::BadSampleRate, 0, false, false},
      {"rate huge", fmtBody(1, 1, kMaxSampleRate + 1, 16), RiffStatus::BadSampleRate, 0, false, false},
      {"rate at limit", fmtBody(1, 1, kMaxSampleRate, 16), RiffStatus::Ok, 16, false, true},
      {"bits 0", fmtBody(1, 1, 8000, 0), RiffStatus::BadBitsPerSample, 0, false, false},
      {"bits 20 pcm", fmtBody(1, 1, 8000, 20), RiffStatus::BadBitsPerSample, 0, false, false},
      {"float 16", fmtBody(3, 1, 8000, 16), RiffStatus::BadBitsPerSample, 0, false, false},
      {"bits 65535", fmtBody(1, 1, 8000, 0xFFFF), RiffStatus::BadBitsPerSample, 0, false, false},
  };
  for (const FormatCase& c : cases) {
    Bytes b = riff({chunk("fmt ", c.fmt), chunk("data", ramp(48))});
    RiffFile f;
    EXPECT_EQ(parse(b, &f), c.status) << c.name;
    if (c.status != RiffStatus::Ok) continue;
    EXPECT_EQ(f.format.bits, c.bits) << c.name;
    EXPECT_EQ(f.format.isFloat, c.isFloat) << c.name;
    EXPECT_EQ(f.mappable, c.mappable) << c.name;
    EXPECT_EQ(f.dataBytes % f.format.blockAlign, 0u) << c.name;
  }
}

TEST(RiffReader, RefusalMessagesNameTheReason) {
  struct {
    Bytes fmt;
    const char* expect;
  } cases[] = {{fmtBody(0x11, 1, 8000, 4), "ADPCM (format 0x0011)"},
               {fmtExtensible(0x55, 2, 44100, 16), "MP3 (format 0x0055)"},
               {fmtBody(0x1234, 2, 44100, 16), "unknown encoding (format 0x1234)"},
               {fmtExtensible(1, 6, 44100, 24), "has 6 channels"},
               {fmtBody(1, 2, 0, 16), "sample rate"}};
  for (auto& c : cases) {
    RiffFile f;
    RiffStatus st = parse(riff({chunk("fmt ", c.fmt), chunk("data", ramp(8))}), &f);
    ASSERT_NE(st, RiffStatus::Ok);
    EXPECT_NE(riffRefusalMessage(st, f.format).find(c.expect), std::string::npos)
        << riffRefusalMessage(st, f.format);
  }
}

TEST(RiffReader, RefusesWhatIsNotAWaveFile) {
  RiffFile f;
  EXPECT_EQ(parse(Bytes(), &f), RiffStatus::NotRiff);
  EXPECT_EQ(parse(Bytes{'R', 'I', 'F'}, &f), RiffStatus::NotRiff);
  EXPECT_EQ(parse(Bytes{'R', 'I', 'F', 'F', 0, 0}, &f), RiffStatus::NotWave);
  Bytes form = riff({chunk("fmt ", fmtBody(1, 1, 8000, 8))});
  std::memcpy(form.data() + 8, "AVI ", 4);
  EXPECT_EQ(parse(form, &f), RiffStatus::NotWave);
  Bytes rifx = riff({chunk("fmt ", fmtBody(1, 1, 8000, 8)), chunk("data", ramp(4))});
  rifx[3] = 'X';
  EXPECT_EQ(parse(rifx, &f), RiffStatus::NotRiff);
  EXPECT_EQ(parse(riff({chunk("data", ramp(4))}), &f), RiffStatus::NoFormat);
  EXPECT_EQ(parse(riff({chunk("fmt ", fmtBody(1, 1, 8000, 8))}), &f), RiffStatus::NoData);
  // A format chunk cut off by the end of the file is no format chunk.
  Bytes cut = riff({chunk("fmt ", fmtBody(1, 1, 8000, 8))});
  cut.resize(cut.size() - 3);
  EXPECT_EQ(parse(cut, &f), RiffStatus::NoFormat);
}

struct LayoutCase {
  const char* name;
  Bytes file;
  uint64_t offset;
  uint64_t bytes;
  bool truncated;
};

TEST(RiffReader, ChunkLayoutTable) {
  Bytes fmt16 = chunk("fmt ", fmtBody(1, 2, 44100, 16));  // 24 bytes
  Bytes fmt8 = chunk("fmt ", fmtBody(1, 1, 8000, 8));
  Bytes data = ramp(400);
  Bytes junkOdd = chunk("JUNK", ramp(7));  // 8 + 7 + pad
  Bytes noPad = chunk("JUNK", ramp(7), false);
  Bytes truncEven = riff({fmt16, chunk("data", data)});
  truncEven.resize(44 + 200);
  Bytes truncOdd = riff({fmt16, chunk("data", data)});
  truncOdd.resize(44 + 203);
  Bytes streamed = riff({fmt16, chunkSized("data", 0, data)}, 0);
  Bytes allOnes = riff({fmt16, chunkSized("data", 0xFFFFFFFF, data)}, 0xFFFFFFFF);
  Bytes emptyData = riff({fmt16, chunk("data", {}), chunk("LIST", Bytes{'I', 'N', 'F', 'O'})});
  Bytes riffTooBig = riff({fmt16, chunk("data", data)}, 1000000);
  Bytes riffTooSmall = riff({fmt16, chunk("data", data)}, 20);
  Bytes trailingJunk = riff({fmt16, chunk("data", data)});
  trailingJunk.push_back(0xFF);
  trailingJunk.insert(trailingJunk.end(), 20, 0x01);
  const LayoutCase cases[] = {
      {"junk before fmt", riff({chunk("JUNK", ramp(28)), fmt16, chunk("data", data)}), 80, 400, false},
      {"odd chunk with pad", riff({junkOdd, fmt16, chunk("data", data)}), 60, 400, false},
      {"odd chunk without pad", riff({noPad, fmt16, chunk("data", data)}), 59, 400, false},
      {"fmt after data", riff({chunk("data", data), fmt16}), 20, 400, false},
      {"odd data with pad", riff({fmt8, chunk("data", ramp(1001)), chunk("LIST", Bytes{'I', 'N', 'F', 'O'})}),
       44, 1001, false},
      {"truncated even", truncEven, 44, 200, true},
      {"truncated odd", truncOdd, 44, 200, true},
      {"data size 0 streamed", streamed, 44, 400, false},
      {"sizes all ones", allOnes, 44, 400, false},
      {"empty data then list", emptyData, 44, 0, false},
      {"riff size past end", riffTooBig, 44, 400, false},
      {"riff size too small", riffTooSmall, 44, 400, false},
      {"trailing junk", trailingJunk, 44, 400, false},
      {"second data ignored", riff({fmt16, chunk("data", data), chunk("data", ramp(8))}), 44, 400, false},
      {"second data cut off", riff({fmt16, chunk("data", data), chunkSized("data", 100, ramp(8))}), 44, 400,
       false},
  };
  for (const LayoutCase& c : cases) {
    RiffFile f;
    ASSERT_EQ(parse(c.file, &f), RiffStatus::Ok) << c.name;
    EXPECT_EQ(f.dataOffset, c.offset) << c.name;
    EXPECT_EQ(f.dataBytes, c.bytes) << c.name;
    EXPECT_EQ(f.truncated, c.truncated) << c.name;
    EXPECT_LE(f.dataOffset + f.dataBytes, c.file.size()) << c.name;
  }
}

TEST(RiffReader, EveryTruncationIsRefusedOrWholeFramesInsideTheFile) {
  Bytes full =
      riff({chunk("JUNK", ramp(3)), chunk("fmt ", fmtBody(1, 2, 44100, 24)), chunk("data", ramp(600)),
            chunk("LIST", Bytes{'I', 'N', 'F', 'O', 'I', 'N', 'A', 'M', 3, 0, 0, 0, 'a', 'b', 0, 0})});
  for (size_t n = 0; n <= full.size(); ++n) {
    Bytes b(full.begin(), full.begin() + n);
    RiffFile f;
    RiffStatus st = parse(b, &f);
    if (st != RiffStatus::Ok) continue;
    EXPECT_LE(f.dataOffset + f.dataBytes, n);
    EXPECT_EQ(f.dataBytes % 6, 0u);
  }
}

// A source whose reads fail past a point, as a file on a failing disk would.
class FailingSource : public RiffSource {
 public:
  FailingSource(const Bytes& b, uint64_t failFrom) : b_(b), failFrom_(failFrom) {}
  uint64_t size() const override { return b_.size(); }
  bool readAt(uint64_t off, void* buf, size_t n) override {
    if (off + n > failFrom_ || off + n > b_.size()) return false;
    std::memcpy(buf, b_.data() + off, n);
    return true;
  }

 private:
  const Bytes& b_;
  uint64_t failFrom_;
};

TEST(RiffReader, ReadErrorsAreReported) {
  Bytes b = riff({chunk("fmt ", fmtBody(1, 2, 44100, 16)), chunk("data", ramp(40))});
  FailingSource early(b, 6);
  RiffFile f;
  EXPECT_EQ(parseRiffWave(early, &f), RiffStatus::ReadError);
  FailingSource inHeader(b, 30);
  EXPECT_EQ(parseRiffWave(inHeader, &f), RiffStatus::ReadError);
}

// A large file made up on the fly: a short header and then unknown chunks of a given size, all zeros.
class BigUnknownChunks : public RiffSource {
 public:
  BigUnknownChunks(uint32_t chunkSize, int chunks) : chunkSize_(chunkSize), chunks_(chunks) {
    head_ = riff({chunk("fmt ", fmtBody(1, 1, 8000, 8)), chunk("data", ramp(10))});
  }
  uint64_t size() const override { return head_.size() + static_cast<uint64_t>(chunks_) * (8 + chunkSize_); }
  bool readAt(uint64_t off, void* buf, size_t n) override {
    if (off + n > size()) return false;
    uint8_t* out = static_cast<uint8_t*>(buf);
    // Chunk bodies are zeros: only the header bytes need looking at, and reads there are small.
    if (n > 64 && off >= head_.size() && (off - head_.size()) % (8 + chunkSize_) >= 8 &&
        (off - head_.size()) % (8 + chunkSize_) + n <= 8 + chunkSize_) {
      std::memset(out, 0, n);
      return true;
    }
    for (size_t i = 0; i < n; ++i) out[i] = byteAt(off + i);
    return true;
  }

 private:
  uint8_t byteAt(uint64_t at) const {
    if (at < head_.size()) return head_[at];
    uint64_t k = (at - head_.size()) % (8 + chunkSize_);
    static const char hdr[4] = {'b', 'l', 'o', 'b'};
    if (k < 4) return static_cast<uint8_t>(hdr[k]);
    if (k < 8) return static_cast<uint8_t>(chunkSize_ >> (8 * (k - 4)));
    return 0;
  }
  Bytes head_;
  uint32_t chunkSize_;
  int chunks_;
};

TEST(RiffReader, KeptMetadataIsBounded) {
  BigUnknownChunks one(kMaxMetaChunkBytes + 2, 1);
  RiffFile f;
  ASSERT_EQ(parseRiffWave(one, &f), RiffStatus::Ok);
  EXPECT_TRUE(f.meta.others.empty());  // too large for one chunk
  const uint32_t size = 15u << 20;
  BigUnknownChunks many(size, 6);
  ASSERT_EQ(parseRiffWave(many, &f), RiffStatus::Ok);
  EXPECT_EQ(f.meta.others.size(), kMaxMetaTotalBytes / size);
  EXPECT_EQ(f.frames, 10u);
}

Bytes cueBody(const std::vector<std::pair<uint32_t, uint32_t>>& cues, uint32_t claimed) {
  Bytes b;
  SornAppendU32LE(&b, claimed);
  for (auto& c : cues) {
    SornAppendU32LE(&b, c.first);
    SornAppendU32LE(&b, 999);  // play order position: not the sample position
    putStr(&b, "data");
    SornAppendU32LE(&b, 0);
    SornAppendU32LE(&b, 0);
    SornAppendU32LE(&b, c.second);
  }
  return b;
}

TEST(RiffMeta, CuesUseTheSampleOffsetAndClampTheCount) {
  RiffMetadata m;
  Bytes b = cueBody({{1, 100}, {2, 500}}, 1000000);
  parseMetaChunk("WAVE", "cue ", b.data(), b.size(), &m);
  ASSERT_EQ(m.cues.size(), 2u);
  EXPECT_EQ(m.cues[0].id, 1u);
  EXPECT_EQ(m.cues[0].position, 100u);
  EXPECT_EQ(m.cues[1].position, 500u);
}

Bytes listBody(const std::string& type, const std::vector<Bytes>& subs) {
  Bytes b;
  putStr(&b, type);
  for (const Bytes& s : subs) b.insert(b.end(), s.begin(), s.end());
  return b;
}

Bytes idText(uint32_t id, const std::string& text, bool terminate = true) {
  Bytes b;
  SornAppendU32LE(&b, id);
  putStr(&b, text);
  if (terminate) b.push_back(0);
  return b;
}

Bytes ltxt(uint32_t id, uint32_t len, const std::string& purpose, const std::string& text) {
  Bytes b;
  SornAppendU32LE(&b, id);
  SornAppendU32LE(&b, len);
  putStr(&b, purpose);
  b.insert(b.end(), 8, 0);
  putStr(&b, text);
  return b;
}

TEST(RiffMeta, AdtlLabelsNotesAndRegions) {
  Bytes body = listBody(
      "adtl", {chunk("labl", idText(1, "Intro")), chunk("note", idText(1, "a note")),
               chunk("labl", idText(2, "no terminator", false)), chunk("ltxt", ltxt(2, 50, "rgn ", "txt")),
               chunk("ltxt", Bytes{1, 0, 0, 0, 5, 0, 0, 0}),  // short: skipped
               chunk("file", Bytes{9, 9, 9, 9})});
  RiffMetadata m;
  parseMetaChunk("WAVE", "LIST", body.data(), body.size(), &m);
  ASSERT_EQ(m.labels.size(), 2u);
  EXPECT_EQ(m.labels[0].cueId, 1u);
  EXPECT_EQ(m.labels[0].text, "Intro");
  EXPECT_EQ(m.labels[1].text, "no terminator");
  ASSERT_EQ(m.notes.size(), 1u);
  EXPECT_EQ(m.notes[0].text, "a note");
  ASSERT_EQ(m.regions.size(), 1u);
  EXPECT_EQ(m.regions[0].cueId, 2u);
  EXPECT_EQ(m.regions[0].length, 50u);
  EXPECT_EQ(std::string(m.regions[0].purpose, 4), "rgn ");
  EXPECT_EQ(m.regions[0].text, "txt");
  ASSERT_EQ(m.others.size(), 1u);
  EXPECT_EQ(m.others[0].list, "adtl");
  EXPECT_EQ(m.others[0].id, "file");
}

// Found by fuzzing: a labl chunk outside LIST adtl was kept verbatim, yet its id makes the editor read it as
// a label, and the writer then moved it into LIST adtl, so a save and reopen changed the items.
TEST(RiffMeta, MisplacedRecordsAreParsedAndReservedIdsNeverKeptVerbatim) {
  RiffMetadata m;
  Bytes labl = idText(4, "top");
  parseMetaChunk("WAVE", "labl", labl.data(), labl.size(), &m);
  Bytes region = ltxt(4, 9, "rgn ", "r");
  parseMetaChunk("WAVE", "LTXT", region.data(), region.size(), &m);
  Bytes adtl = listBody("adtl", {chunk("cue ", Bytes(28, 0)), chunk("plst", Bytes(16, 0))});
  parseMetaChunk("WAVE", "LIST", adtl.data(), adtl.size(), &m);
  Bytes info = listBody("INFO", {chunk("labl", idText(1, "x")), chunk("INAM", Bytes{'n', 0})});
  parseMetaChunk("WAVE", "LIST", info.data(), info.size(), &m);
  ASSERT_EQ(m.labels.size(), 1u);
  EXPECT_EQ(m.labels[0].text, "top");
  ASSERT_EQ(m.regions.size(), 1u);
  EXPECT_EQ(m.regions[0].length, 9u);
  ASSERT_EQ(m.info.size(), 1u);
  EXPECT_EQ(m.info[0].id, "INAM");
  EXPECT_TRUE(m.others.empty());
  EXPECT_TRUE(m.cues.empty());
}

TEST(RiffMeta, ListWalksStopAtTheirEnd) {
  // Size 0 sub-chunks advance by their header; an oversize one ends the list without reading past it.
  Bytes body =
      listBody("INFO", {chunkSized("INAM", 0, {}), chunkSized("IART", 0, {}), chunk("ICMT", idText(0, "x")),
                        chunkSized("ICOP", 0x7FFFFFFF, Bytes{'a', 'b'})});
  RiffMetadata m;
  parseMetaChunk("WAVE", "LIST", body.data(), body.size(), &m);
  ASSERT_EQ(m.info.size(), 3u);
  EXPECT_EQ(m.info[0].id, "INAM");
  EXPECT_EQ(m.info[0].text, "");
  EXPECT_EQ(m.info[2].id, "ICMT");
  // A list of nothing but empty sub-chunk headers ends (no hang) with a bounded number of records.
  Bytes many = listBody("INFO", {});
  for (int i = 0; i < 1000; ++i) {
    Bytes s = chunkSized("IKEY", 0, {});
    many.insert(many.end(), s.begin(), s.end());
  }
  RiffMetadata m2;
  parseMetaChunk("WAVE", "LIST", many.data(), many.size(), &m2);
  EXPECT_EQ(m2.info.size(), 1000u);
}

Bytes smplBody(const std::vector<std::array<uint32_t, 6>>& loops, uint32_t claimed) {
  Bytes b;
  for (int i = 0; i < 7; ++i) SornAppendU32LE(&b, i == 3 ? 60 : 0);
  SornAppendU32LE(&b, claimed);
  SornAppendU32LE(&b, 0);
  for (auto& l : loops)
    for (uint32_t v : l) SornAppendU32LE(&b, v);
  return b;
}

TEST(RiffMeta, SamplerLoopsAreCheckedAndTheChunkKeptVerbatim) {
  Bytes b = smplBody({{0, 0, 100, 199, 0, 0}, {7, 0, 300, 200, 0, 0}, {0, 0, 10, 10, 0, 0}}, 0xFFFFFFFF);
  RiffMetadata m;
  parseMetaChunk("WAVE", "smpl", b.data(), b.size(), &m);
  ASSERT_TRUE(m.hasSampler);
  EXPECT_EQ(m.sampler, b);
  ASSERT_EQ(m.loops.size(), 2u);  // the loop ending before it starts is not a loop
  EXPECT_EQ(m.loops[0].start, 100u);
  EXPECT_EQ(m.loops[0].end, 199u);
  EXPECT_EQ(m.loops[1].start, 10u);
  RiffMetadata shortOne;
  Bytes tiny(20, 0);
  parseMetaChunk("WAVE", "smpl", tiny.data(), tiny.size(), &shortOne);
  EXPECT_FALSE(shortOne.hasSampler);
}

TEST(RiffMeta, PlaylistAndUnknownChunks) {
  Bytes pl;
  SornAppendU32LE(&pl, 5);  // claims five, holds two
  for (uint32_t v : {1u, 100u, 2u, 3u, 50u, 1u}) SornAppendU32LE(&pl, v);
  RiffMetadata m;
  parseMetaChunk("WAVE", "plst", pl.data(), pl.size(), &m);
  ASSERT_EQ(m.playlist.size(), 2u);
  EXPECT_EQ(m.playlist[1].cueId, 3u);
  EXPECT_EQ(m.playlist[1].length, 50u);
  EXPECT_EQ(m.playlist[1].loops, 1u);
  Bytes bext = ramp(13);
  parseMetaChunk("WAVE", "bext", bext.data(), bext.size(), &m);
  ASSERT_EQ(m.others.size(), 1u);
  EXPECT_EQ(m.others[0].list, "WAVE");
  EXPECT_EQ(m.others[0].bytes, bext);
}

TEST(RiffReader, MetadataAnywhereInTheFileAndJunkDropped) {
  Bytes info = listBody("INFO", {chunk("INAM", Bytes{'N', 'a', 'm', 'e', 0})});
  Bytes b = riff({chunk("cue ", cueBody({{1, 10}}, 1)), chunk("fmt ", fmtBody(1, 1, 8000, 8)),
                  chunk("fact", Bytes{4, 0, 0, 0}), chunk("data", ramp(33)), chunk("LIST", info),
                  chunk("PEAK", ramp(24)), chunk("id3 ", ramp(5))});
  RiffFile f;
  ASSERT_EQ(parse(b, &f), RiffStatus::Ok);
  ASSERT_EQ(f.meta.cues.size(), 1u);
  ASSERT_EQ(f.meta.info.size(), 1u);
  EXPECT_EQ(f.meta.info[0].text, "Name");
  ASSERT_EQ(f.meta.others.size(), 1u);
  EXPECT_EQ(f.meta.others[0].id, "id3 ");
  EXPECT_EQ(f.dataBytes, 33u);
}

}  // namespace
}  // namespace wavpcm
