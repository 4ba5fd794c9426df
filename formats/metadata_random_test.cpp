// Random metadata items (sizes, counts and record fields from a seeded generator, biased toward the
// boundaries) through the import: nothing may read past an item (ASan), hang, or leave a cue outside the
// marker set's rules; the export of whatever was imported must import again to the same cues.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "formats/metadata.h"
#include "markers/chunk_store.h"
#include "markers/marker_set.h"
#include "platform/test_scale.h"

namespace formats {
namespace {

using platform::testScale;

uint32_t pick(std::mt19937& rng) {
  static const uint32_t edges[] = {0, 1, 3, 4, 7, 8, 15, 16, 17, 24, 36, 0x7FFFFFFF, 0xFFFFFFFF, 0xFFFFFFF0};
  if (rng() % 3 == 0) return edges[rng() % (sizeof edges / sizeof edges[0])];
  return rng() % 64;
}

SpecialItem randomItem(std::mt19937& rng) {
  static const char* ids[] = {"cue ", "ltxt", "labl", "note", "plst", "smpl", "ICMT", "bext", "LTXT"};
  SpecialItem it;
  it.chunkId = ids[rng() % (sizeof ids / sizeof ids[0])];
  it.listType = it.chunkId == "ICMT" ? "INFO" : (rng() % 2 ? "WAVE" : "adtl");
  size_t words = rng() % 24;
  for (size_t i = 0; i < words; ++i) {
    uint32_t v = pick(rng);
    for (int k = 0; k < 4; ++k) it.bytes.push_back(uint8_t(v >> (8 * k)));
  }
  it.bytes.resize(it.bytes.size() - std::min<size_t>(it.bytes.size(), rng() % 4));  // ragged ends
  it.count = pick(rng);
  return it;
}

TEST(MetadataRandom, ImportNeverOverrunsAndExportReimports) {
  uint32_t seed = std::random_device()();
  std::printf("seed %u\n", seed);
  std::mt19937 rng(seed);
  int rounds = 300 * testScale();
  for (int round = 0; round < rounds; ++round) {
    std::vector<SpecialItem> items;
    size_t n = rng() % 8;
    for (size_t i = 0; i < n; ++i) items.push_back(randomItem(rng));
    markers::MarkerSet cues;
    markers::ChunkStore chunks;
    size_t at = 0;
    importSpecialData(&cues, &chunks, [&](bool first, SpecialItem* out) {
      if (first) at = 0;
      if (at >= items.size()) return false;
      *out = items[at++];
      return true;
    });
    for (uint32_t i = 0; i < cues.cueCount(); ++i) {
      const markers::Cue* c = cues.cueAt(i);
      ASSERT_NE(c->id, 0u) << "seed " << seed;
      ASSERT_LE(c->label.size(), markers::kMaxLabel);
      ASSERT_LE(uint64_t(c->position) + c->length, 0x100000000ull) << "seed " << seed;
    }
    // What was imported exports and imports again to the same cues.
    std::vector<SpecialItem> exported;
    exportSpecialData(cues, chunks, true,
                      [&](const std::string& l, const std::string& id, const std::vector<uint8_t>& b) {
                        SpecialItem it;
                        it.listType = l;
                        it.chunkId = id;
                        it.bytes = b;
                        it.count = 0;
                        exported.push_back(it);
                      });
    // The export does not carry counts (the filter derives them); give each item the count its layout
    // implies.
    for (SpecialItem& it : exported) {
      if (it.chunkId == "cue ")
        it.count = uint32_t(it.bytes.size() / 8);
      else if (it.chunkId == "plst")
        it.count = uint32_t(it.bytes.size() / 16);
      else
        it.count = cues.cueCount();
    }
    markers::MarkerSet again;
    markers::ChunkStore chunks2;
    size_t k = 0;
    importSpecialData(&again, &chunks2, [&](bool first, SpecialItem* out) {
      if (first) k = 0;
      if (k >= exported.size()) return false;
      *out = exported[k++];
      return true;
    });
    ASSERT_EQ(again.cueCount(), cues.cueCount()) << "seed " << seed << " round " << round;
    for (uint32_t i = 0; i < cues.cueCount(); ++i) {
      const markers::Cue* a = cues.cueAt(i);
      const markers::Cue* b = again.cueAt(i);
      ASSERT_EQ(a->id, b->id);
      ASSERT_EQ(a->position, b->position);
      ASSERT_EQ(a->length, b->length) << "seed " << seed << " round " << round;
      ASSERT_EQ(a->label, b->label);
      ASSERT_EQ(a->description, b->description);
      ASSERT_EQ(a->extra, b->extra);
    }
    ASSERT_EQ(again.playCount(), cues.playCount());
  }
}

}  // namespace
}  // namespace formats
