// Tests of the WAVE writer: layout, metadata round trip through items, and failure on short writes.
#include "plugins/wavpcm/riff_writer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "include/sorn_bytes.h"
#include "plugins/wavpcm/riff_items.h"
#include "plugins/wavpcm/riff_samples.h"
#include "plugins/wavpcm/riff_test_util.h"

namespace wavpcm {
namespace {

using namespace wavpcm::testing;

// Metadata with one of everything, including texts of odd and even lengths.
RiffMetadata sampleMeta() {
  RiffMetadata m;
  m.info = {{"INAM", "Title"}, {"IART", "Four"}, {"ICMT", ""}};
  m.cues = {{1, 100}, {2, 500}, {7, 0}};
  m.labels = {{1, "Intro"}, {2, "Verse"}};
  m.notes = {{2, "first verse"}};
  RiffRegionText r;
  r.cueId = 2;
  r.length = 50;
  std::memcpy(r.purpose, "rgn ", 4);
  r.text = "txt";
  RiffRegionText empty;
  empty.cueId = 1;
  m.regions = {r, empty};
  m.playlist = {{1, 100, 2}, {2, 50, 1}};
  Bytes smpl;
  for (int i = 0; i < 7; ++i) SornAppendU32LE(&smpl, i == 3 ? 60 : 0);
  SornAppendU32LE(&smpl, 1);
  SornAppendU32LE(&smpl, 0);
  for (uint32_t v : {0u, 0u, 10u, 20u, 0u, 0u}) SornAppendU32LE(&smpl, v);
  m.hasSampler = true;
  m.sampler = smpl;
  m.loops = {{0, 0, 10, 20, 0, 0}};
  m.others = {
      {"WAVE", "bext", ramp(13)}, {"adtl", "file", ramp(6)}, {"WAVE", "LIST", Bytes{'w', 'x', 'y', 'z', 1}}};
  return m;
}

struct Written {
  MemoryOutput out;
  RiffStatus status;
};

Written writeFile(uint16_t bits, uint16_t channels, const Bytes& samples, const RiffMetadata& meta,
                  uint64_t failAfter = UINT64_MAX, size_t piece = 1000) {
  Written w;
  w.out.failAfter = failAfter;
  RiffWriter wr(&w.out);
  w.status = wr.begin(22050, bits, channels);
  for (const MetaItem& it : riffMetaItems(meta))
    EXPECT_TRUE(
        wr.addItem(it.list.c_str(), it.id.c_str(), it.bytes.data(), static_cast<uint32_t>(it.bytes.size())));
  for (size_t at = 0; at < samples.size() && w.status == RiffStatus::Ok; at += piece) {
    uint32_t n = static_cast<uint32_t>(std::min(piece, samples.size() - at));
    if (wr.writeSamples(samples.data() + at, n) != n) w.status = RiffStatus::WriteFailed;
  }
  RiffStatus fin = wr.finish();
  if (w.status == RiffStatus::Ok) w.status = fin;
  return w;
}

void expectSameItems(const RiffMetadata& a, const RiffMetadata& b) {
  std::vector<MetaItem> x = riffMetaItems(a), y = riffMetaItems(b);
  ASSERT_EQ(x.size(), y.size());
  for (size_t i = 0; i < x.size(); ++i) {
    EXPECT_EQ(x[i].list, y[i].list) << i;
    EXPECT_EQ(x[i].id, y[i].id) << i;
    EXPECT_EQ(x[i].bytes, y[i].bytes) << x[i].id;
    EXPECT_EQ(x[i].count, y[i].count) << x[i].id;
  }
}

TEST(RiffWriter, SixteenBitWithItemsReadsBackIdentically) {
  Bytes samples = ramp(4 * 333);
  RiffMetadata meta = sampleMeta();
  Written w = writeFile(16, 2, samples, meta, UINT64_MAX, 777);
  ASSERT_EQ(w.status, RiffStatus::Ok);
  const Bytes& b = w.out.bytes;
  EXPECT_EQ(SornGetU32LE(b.data() + 4), b.size() - 8);
  EXPECT_EQ(b.size() % 2, 0u);
  MemorySource src(b.data(), b.size());
  RiffFile f;
  ASSERT_EQ(parseRiffWave(src, &f), RiffStatus::Ok);
  EXPECT_EQ(f.dataOffset, 44u);
  EXPECT_EQ(f.format.rate, 22050u);
  EXPECT_EQ(f.format.channels, 2);
  EXPECT_EQ(f.format.bits, 16);
  EXPECT_EQ(SornGetU32LE(b.data() + 40), samples.size());
  EXPECT_TRUE(std::equal(samples.begin(), samples.end(), b.begin() + 44));
  expectSameItems(meta, f.meta);
}

TEST(RiffWriter, OddEightBitDataIsPadded) {
  Bytes samples = ramp(1001);
  Written w = writeFile(8, 1, samples, sampleMeta());
  ASSERT_EQ(w.status, RiffStatus::Ok);
  const Bytes& b = w.out.bytes;
  EXPECT_EQ(SornGetU32LE(b.data() + 40), 1001u);
  EXPECT_EQ(b[44 + 1001], 0);                                  // pad byte
  EXPECT_EQ(std::memcmp(b.data() + 44 + 1002, "LIST", 4), 0);  // next chunk after it
  MemorySource src(b.data(), b.size());
  RiffFile f;
  ASSERT_EQ(parseRiffWave(src, &f), RiffStatus::Ok);
  EXPECT_EQ(f.frames, 1001u);
  expectSameItems(sampleMeta(), f.meta);
}

TEST(RiffWriter, FloatIsStoredOnTheUnitScaleAndReadsBackOnTheSixteenBitScale) {
  std::vector<float> in = {0.0f, 16384.0f, -32768.0f, 32767.0f, 1.5f, -0.25f};
  Bytes samples(in.size() * 4);
  std::memcpy(samples.data(), in.data(), samples.size());
  Written w = writeFile(32, 2, samples, RiffMetadata(), UINT64_MAX, 3);  // pieces cut floats in half
  ASSERT_EQ(w.status, RiffStatus::Ok);
  const Bytes& b = w.out.bytes;
  EXPECT_EQ(SornGetU16LE(b.data() + 20), 3);  // IEEE float
  EXPECT_EQ(SornGetU32LE(b.data() + 16), 18u);
  EXPECT_EQ(std::memcmp(b.data() + 38, "fact", 4), 0);
  EXPECT_EQ(SornGetU32LE(b.data() + 46), 3u);  // frames
  float stored;
  std::memcpy(&stored, b.data() + 58 + 4, 4);
  EXPECT_EQ(stored, 0.5f);
  MemorySource src(b.data(), b.size());
  RiffFile f;
  ASSERT_EQ(parseRiffWave(src, &f), RiffStatus::Ok);
  RiffSampleReader r(src, f);
  std::vector<float> out(in.size());
  ASSERT_EQ(r.read(out.data(), out.size() * 4), out.size() * 4);
  EXPECT_EQ(out, in);
}

TEST(RiffWriter, RefusesFormatsItCannotStore) {
  struct {
    uint32_t rate;
    uint16_t bits, channels;
  } bad[] = {{44100, 24, 2}, {44100, 16, 3}, {44100, 16, 0}, {0, 16, 2}, {kMaxSampleRate + 1, 8, 1}};
  for (auto& c : bad) {
    MemoryOutput out;
    RiffWriter w(&out);
    EXPECT_EQ(w.begin(c.rate, c.bits, c.channels), RiffStatus::BadArgument);
    EXPECT_TRUE(out.bytes.empty());
  }
  MemoryOutput out;
  RiffWriter w(&out);
  ASSERT_EQ(w.begin(8000, 16, 1), RiffStatus::Ok);
  EXPECT_FALSE(w.addItem("WAVE", "data", "abcd", 4));
  EXPECT_FALSE(w.addItem("WAVE", "toolong", "abcd", 4));
  EXPECT_TRUE(w.addItem("WAVE", "cue ", nullptr, 0));
  // Found by fuzzing: inside a list these ids are ordinary sub-chunks the reader hands over.
  EXPECT_TRUE(w.addItem("INFO", "data", "ab", 3));
  EXPECT_TRUE(w.addItem("adtl", "fmt ", "abcd", 4));
  EXPECT_TRUE(w.addItem("WAVE", "fmT ", "abcd", 4));
}

// Every possible point of a short write must end in failure, never in success with a partial file.
TEST(RiffWriter, AnyShortWriteIsAFailure) {
  Bytes samples = ramp(2 * 301);
  Written good = writeFile(16, 1, samples, sampleMeta());
  ASSERT_EQ(good.status, RiffStatus::Ok);
  // accepted counts the size patches too, so the last few cases fail while patching.
  ASSERT_GT(good.out.accepted, good.out.bytes.size());
  for (uint64_t n = 0; n < good.out.accepted; ++n) {
    Written w = writeFile(16, 1, samples, sampleMeta(), n, 128);
    EXPECT_NE(w.status, RiffStatus::Ok) << "accepted only " << n << " bytes";
  }
  Written exact = writeFile(16, 1, samples, sampleMeta(), good.out.accepted, 128);
  EXPECT_EQ(exact.status, RiffStatus::Ok);
  EXPECT_EQ(exact.out.bytes, good.out.bytes);
}

TEST(RiffWriter, FailureLatches) {
  MemoryOutput out;
  out.failAfter = 50;
  RiffWriter w(&out);
  ASSERT_EQ(w.begin(8000, 8, 1), RiffStatus::Ok);
  Bytes s = ramp(100);
  EXPECT_EQ(w.writeSamples(s.data(), 100), 0u);
  out.failAfter = UINT64_MAX;  // the disk has room again: the file is still broken
  EXPECT_EQ(w.writeSamples(s.data(), 100), 0u);
  EXPECT_EQ(w.finish(), RiffStatus::WriteFailed);
}

TEST(RiffWriter, DataEndingInsideAFrameIsAFailure) {
  struct {
    uint16_t bits, channels;
    uint32_t bytes;
  } cases[] = {{32, 1, 6}, {32, 2, 4}, {16, 2, 6}, {16, 1, 3}, {8, 2, 5}};
  for (auto& c : cases) {
    MemoryOutput out;
    RiffWriter w(&out);
    ASSERT_EQ(w.begin(8000, c.bits, c.channels), RiffStatus::Ok);
    Bytes s(c.bytes, 0);
    EXPECT_EQ(w.writeSamples(s.data(), c.bytes), c.bytes);
    EXPECT_NE(w.finish(), RiffStatus::Ok) << c.bits << " bits " << c.channels << " channels " << c.bytes;
  }
}

TEST(RiffItems, MalformedItemsAreWalkedWithinTheirBytes) {
  RiffMetadata m;
  Bytes ltxt;
  SornAppendU32LE(&ltxt, 0);  // record size 0: would never advance
  SornAppendU32LE(&ltxt, 1);
  SornAppendU32LE(&ltxt, 2);
  SornAppendU32LE(&ltxt, 3);
  EXPECT_TRUE(addMetaItem(&m, "adtl", "ltxt", ltxt.data(), ltxt.size()));
  EXPECT_TRUE(m.regions.empty());
  Bytes big;
  SornAppendU32LE(&big, 0xFFFFFFF0);  // record size past the item
  big.resize(20, 0);
  EXPECT_TRUE(addMetaItem(&m, "adtl", "ltxt", big.data(), big.size()));
  EXPECT_TRUE(m.regions.empty());
  Bytes labl = {3, 0, 0, 0, 'a', 'b', 'c'};  // no terminator
  EXPECT_TRUE(addMetaItem(&m, "adtl", "LABL", labl.data(), labl.size()));
  ASSERT_EQ(m.labels.size(), 1u);
  EXPECT_EQ(m.labels[0].text, "abc");
  Bytes cue = ramp(20);  // two and a half records
  EXPECT_TRUE(addMetaItem(&m, "WAVE", "cue ", cue.data(), cue.size()));
  EXPECT_EQ(m.cues.size(), 2u);
}

}  // namespace
}  // namespace wavpcm
