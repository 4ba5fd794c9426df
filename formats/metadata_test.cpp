// Metadata items to and from the marker set and the chunk store: the round trip keeps every item byte for
// byte, sampler loops become cues, the export order is fixed, and malformed items neither hang nor read
// past their end.
#include "formats/metadata.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>

#include "include/sorn_bytes.h"
#include "markers/chunk_store.h"
#include "markers/marker_set.h"

namespace formats {
namespace {

using Bytes = std::vector<uint8_t>;

void putText(Bytes* b, const std::string& s, bool zero) {
  b->insert(b->end(), s.begin(), s.end());
  if (zero) b->push_back(0);
}
SpecialItem item(const char* list, const char* id, Bytes bytes, uint32_t count) {
  SpecialItem it;
  it.listType = list;
  it.chunkId = id;
  it.bytes = std::move(bytes);
  it.count = count;
  return it;
}
Bytes ltxtRecord(uint32_t id, uint32_t length, const char* purpose, const std::string& text) {
  Bytes b;
  SornAppendU32LE(&b, uint32_t(16 + text.size()));
  SornAppendU32LE(&b, id);
  SornAppendU32LE(&b, length);
  b.insert(b.end(), purpose, purpose + 4);
  putText(&b, text, false);
  return b;
}
Bytes smplBody(const std::vector<std::array<uint32_t, 3>>& loops, uint32_t countField) {
  Bytes b(36, 0);
  for (int i = 0; i < 4; ++i) b[28 + i] = uint8_t(countField >> (8 * i));
  for (auto& l : loops) {
    SornAppendU32LE(&b, l[0]);
    SornAppendU32LE(&b, 0);
    SornAppendU32LE(&b, l[1]);
    SornAppendU32LE(&b, l[2]);
    SornAppendU32LE(&b, 0);
    SornAppendU32LE(&b, 0);
  }
  return b;
}

struct Recorder {
  std::vector<SpecialItem> items;
  SpecialItemSink sink() {
    return [this](const std::string& l, const std::string& i, const Bytes& b) {
      items.push_back(item(l.c_str(), i.c_str(), b, 0));
    };
  }
  std::vector<std::string> order() const {
    std::vector<std::string> o;
    for (auto& it : items) o.push_back(it.listType + "/" + it.chunkId);
    return o;
  }
  const SpecialItem* find(const char* id) const {
    for (auto& it : items)
      if (it.chunkId == id) return &it;
    return nullptr;
  }
};

SpecialItemSource from(const std::vector<SpecialItem>& items) {
  auto at = std::make_shared<size_t>(0);
  return [items, at](bool first, SpecialItem* out) {
    if (first) *at = 0;
    if (*at >= items.size()) return false;
    *out = items[(*at)++];
    return true;
  };
}

TEST(Metadata, RoundTripKeepsEveryItem) {
  Bytes cue, labl, note, ltxt, plst, info, bext;
  SornAppendU32LE(&cue, 1), SornAppendU32LE(&cue, 100), SornAppendU32LE(&cue, 2), SornAppendU32LE(&cue, 500);
  SornAppendU32LE(&labl, 1), putText(&labl, "Intro", true), SornAppendU32LE(&labl, 2),
      putText(&labl, "Verse", true);
  SornAppendU32LE(&note, 2), putText(&note, "first verse", true);
  Bytes r1 = ltxtRecord(1, 0, "rgn ", ""), r2 = ltxtRecord(2, 50, "rgn ", "txt");
  ltxt = r1;
  ltxt.insert(ltxt.end(), r2.begin(), r2.end());
  SornAppendU32LE(&plst, 2), SornAppendU32LE(&plst, 50), SornAppendU32LE(&plst, 3), SornAppendU32LE(&plst, 0);
  putText(&info, "A comment", true);
  putText(&bext, "broadcast", false);
  std::vector<SpecialItem> in = {item("INFO", "ICMT", info, 1), item("WAVE", "cue ", cue, 2),
                                 item("adtl", "labl", labl, 2), item("adtl", "note", note, 1),
                                 item("adtl", "ltxt", ltxt, 2), item("WAVE", "plst", plst, 1),
                                 item("WAVE", "bext", bext, 1)};
  markers::MarkerSet cues;
  markers::ChunkStore chunks;
  importSpecialData(&cues, &chunks, from(in));
  ASSERT_EQ(cues.cueCount(), 2u);
  EXPECT_EQ(cues.findCue(2)->length, 50u);
  EXPECT_EQ(cues.findCue(2)->extra, "txt");
  EXPECT_EQ(cues.findCue(1)->label, "Intro");
  EXPECT_EQ(cues.findCue(2)->description, "first verse");
  EXPECT_EQ(cues.playCount(), 1u);
  EXPECT_EQ(chunks.size(), 2u);  // INFO and bext

  Recorder out;
  exportSpecialData(cues, chunks, true, out.sink());
  EXPECT_EQ(out.order(), (std::vector<std::string>{"INFO/ICMT", "WAVE/cue ", "adtl/ltxt", "adtl/labl",
                                                   "adtl/note", "WAVE/plst", "WAVE/bext"}));
  for (size_t i = 0; i < in.size(); ++i) {
    const SpecialItem* got = out.find(in[i].chunkId.c_str());
    ASSERT_NE(got, nullptr) << in[i].chunkId;
    EXPECT_EQ(got->bytes, in[i].bytes) << in[i].chunkId;
  }
}

TEST(Metadata, OneDefaultCueExportsOneShortLtxtRecord) {
  markers::MarkerSet cues;
  markers::ChunkStore chunks;
  ASSERT_TRUE(cues.addCue(4, 10, 0, "", ""));
  Recorder out;
  exportSpecialData(cues, chunks, true, out.sink());
  EXPECT_EQ(out.order(), (std::vector<std::string>{"WAVE/cue ", "adtl/ltxt"}));
  EXPECT_EQ(out.find("ltxt")->bytes, ltxtRecord(4, 0, "rgn ", ""));
}

TEST(Metadata, ExtraInfoOffWritesNothing) {
  markers::MarkerSet cues;
  markers::ChunkStore chunks;
  cues.addCue(1, 10, 5, "a", "b");
  chunks.add("INFO", "INAM", "x", 2, 1);
  Recorder out;
  exportSpecialData(cues, chunks, false, out.sink());
  EXPECT_TRUE(out.items.empty());
}

TEST(Metadata, SamplerLoopsBecomeCues) {
  markers::MarkerSet cues;
  markers::ChunkStore chunks;
  Bytes cue;
  SornAppendU32LE(&cue, 1), SornAppendU32LE(&cue, 5);
  // Loop 1 and 2 have no cue; loop 3 names cue 1 and moves it; loop 4 ends before it starts.
  Bytes smpl = smplBody({{0, 10, 99}, {0, 200, 299}, {1, 400, 409}, {9, 50, 40}}, 4);
  importSpecialData(&cues, &chunks, from({item("WAVE", "cue ", cue, 1), item("WAVE", "smpl", smpl, 1)}));
  ASSERT_EQ(cues.cueCount(), 3u);
  const markers::Cue* a = cues.findCue(2);
  const markers::Cue* b = cues.findCue(3);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->label, "Loop 1");
  EXPECT_EQ(a->description, "Sampler loop");
  EXPECT_EQ(a->position, 10u);
  EXPECT_EQ(a->length, 90u);
  EXPECT_EQ(b->label, "Loop 2");
  EXPECT_EQ(b->position, 200u);
  EXPECT_EQ(cues.findCue(1)->position, 400u);
  EXPECT_EQ(cues.findCue(1)->length, 10u);
  const markers::Chunk* stored = chunks.find("WAVE", "smpl");
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(SornGetU32LE(stored->bytes.data() + 36), 2u);
  EXPECT_EQ(SornGetU32LE(stored->bytes.data() + 36 + 24), 3u);
  EXPECT_EQ(SornGetU32LE(stored->bytes.data() + 36 + 48), 1u);
  EXPECT_EQ(SornGetU32LE(stored->bytes.data() + 36 + 72), 9u);  // the backwards loop is kept as it was

  Recorder out;
  exportSpecialData(cues, chunks, true, out.sink());
  EXPECT_EQ(out.find("smpl")->bytes, stored->bytes);
}

TEST(Metadata, WithoutAStoreOnlyCuesAreTaken) {
  markers::MarkerSet cues;
  Bytes cue, info;
  SornAppendU32LE(&cue, 7), SornAppendU32LE(&cue, 70);
  putText(&info, "x", true);
  importSpecialData(&cues, nullptr,
                    from({item("INFO", "INAM", info, 1), item("WAVE", "cue ", cue, 1),
                          item("WAVE", "smpl", smplBody({{0, 1, 2}}, 1), 1)}));
  EXPECT_EQ(cues.cueCount(), 1u);
  markers::ChunkStore chunks;
  importSpecialData(nullptr, &chunks, from({item("WAVE", "cue ", cue, 1), item("INFO", "INAM", info, 1)}));
  EXPECT_EQ(chunks.size(), 1u);
}

TEST(Metadata, LabelForAMissingCueIsIgnored) {
  markers::MarkerSet cues;
  Bytes labl;
  SornAppendU32LE(&labl, 3), putText(&labl, "nobody", true);
  importSpecialData(&cues, nullptr, from({item("adtl", "labl", labl, 1)}));
  EXPECT_EQ(cues.cueCount(), 0u);
}

// Damaged items: the import must end promptly without reading past an item (ASan watches the reads, the
// clock watches for a hang) and take what is whole.
TEST(Metadata, MalformedItemsStopAtTheirEnd) {
  Bytes cue;
  SornAppendU32LE(&cue, 1), SornAppendU32LE(&cue, 100), SornAppendU32LE(&cue, 2), SornAppendU32LE(&cue, 200);
  Bytes zeroLtxt(16, 0);
  Bytes bigLtxt = ltxtRecord(1, 10, "rgn ", "abc");
  bigLtxt[0] = 0xFF, bigLtxt[1] = 0xFF;  // claims 65535 bytes
  Bytes shortLtxt;                       // an 8-byte record (skipped), then a good one
  SornAppendU32LE(&shortLtxt, 8), SornAppendU32LE(&shortLtxt, 9);
  Bytes good = ltxtRecord(2, 20, "rgn ", "ok");
  shortLtxt.insert(shortLtxt.end(), good.begin(), good.end());
  Bytes unterminated;
  SornAppendU32LE(&unterminated, 1), putText(&unterminated, "no end", false);
  Bytes tooManyCues;
  SornAppendU32LE(&tooManyCues, 5), SornAppendU32LE(&tooManyCues, 50);
  Bytes plst;
  SornAppendU32LE(&plst, 1), SornAppendU32LE(&plst, 1),
      SornAppendU32LE(&plst, 1);  // 12 bytes: no whole entry

  auto start = std::chrono::steady_clock::now();
  markers::MarkerSet cues;
  markers::ChunkStore chunks;
  importSpecialData(
      &cues, &chunks,
      from({item("WAVE", "cue ", cue, 2), item("WAVE", "cue ", tooManyCues, 1000000),
            item("adtl", "ltxt", zeroLtxt, 1000000), item("adtl", "ltxt", bigLtxt, 5),
            item("adtl", "ltxt", shortLtxt, 2), item("adtl", "labl", unterminated, 9),
            item("WAVE", "plst", plst, 100), item("WAVE", "smpl", smplBody({{0, 1, 5}}, 0xFFFFFFFF), 1),
            item("WAVE", "smpl", Bytes(10, 0), 1)}));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(cues.findCue(5)->position, 50u);
  EXPECT_EQ(cues.findCue(1)->length, 10u);  // the oversize record read up to the item's end
  EXPECT_EQ(cues.findCue(1)->extra, "abc");
  EXPECT_EQ(cues.findCue(2)->length, 20u);
  EXPECT_EQ(cues.findCue(2)->extra, "ok");
  EXPECT_EQ(cues.findCue(1)->label, "no end");
  EXPECT_EQ(cues.playCount(), 0u);
  EXPECT_EQ(cues.cueCount(), 4u);  // 1, 2, 5 and the one loop that fits the clamped count
}

TEST(Metadata, NewWaveInfo) {
  markers::ChunkStore chunks;
  fillNewWaveInfo(&chunks, 0, "1.0", "Pub", 2026, 3, 4);
  EXPECT_EQ(chunks.size(), 0u);
  fillNewWaveInfo(&chunks, 1, "1.0", "Pub", 2026, 3, 4);
  ASSERT_EQ(chunks.size(), 2u);
  const markers::Chunk* isft = chunks.find("INFO", "ISFT");
  const markers::Chunk* icrd = chunks.find("INFO", "ICRD");
  ASSERT_TRUE(isft && icrd);
  EXPECT_EQ(std::string(isft->bytes.begin(), isft->bytes.end()), std::string("Sorn Edit v.1.0 by Pub", 23));
  EXPECT_EQ(std::string(icrd->bytes.begin(), icrd->bytes.end()), std::string("2026-03-04", 11));
}

}  // namespace
}  // namespace formats
