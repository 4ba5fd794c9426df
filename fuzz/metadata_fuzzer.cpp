// Fuzz target for the metadata items a file filter hands over (cue points, labels, notes, region texts,
// play lists, sampler loops, INFO texts), all outside bytes: any sequence of items imports without reading
// past an item, leaves a consistent cue list, and exports again.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "formats/metadata.h"
#include "markers/chunk_store.h"
#include "markers/marker_set.h"

namespace {
void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "metadata_fuzzer: %s\n", what);
    std::abort();
  }
}

struct Reader {
  const uint8_t* p;
  size_t left;
  uint8_t byte() {
    if (!left) return 0;
    --left;
    return *p++;
  }
  uint32_t u32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(byte()) << (8 * i);
    return v;
  }
};

const char* const kLists[] = {"WAVE", "adtl", "INFO", "LIST", ""};
const char* const kIds[] = {"cue ", "ltxt", "labl", "note", "plst", "smpl", "IART", "ICMT", "junk", "CUE "};
}  // namespace

// Items: a list type and chunk id picked by one byte each, a count, a length (two bytes) and the bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in{data, size};
  std::vector<formats::SpecialItem> items;
  while (in.left && items.size() < 64) {
    formats::SpecialItem item;
    item.listType = kLists[in.byte() % (sizeof kLists / sizeof kLists[0])];
    item.chunkId = kIds[in.byte() % (sizeof kIds / sizeof kIds[0])];
    item.count = in.u32();
    size_t n = size_t(in.byte()) | size_t(in.byte()) << 8;
    if (n > in.left) n = in.left;
    item.bytes.assign(in.p, in.p + n);
    in.p += n;
    in.left -= n;
    items.push_back(std::move(item));
  }
  markers::MarkerSet cues(16, 0);
  markers::ChunkStore chunks;
  size_t next = 0;
  formats::importSpecialData(&cues, &chunks, [&](bool first, formats::SpecialItem* out) {
    if (first) next = 0;
    if (next >= items.size()) return false;
    *out = items[next++];
    return true;
  });
  // The cue list is sorted by position and has unique ids; the play list names existing cues.
  for (uint32_t i = 0; i < cues.cueCount(); ++i) {
    const markers::Cue* c = cues.cueAt(i);
    check(c && c->id != 0, "cue without an id");
    check(c->label.size() <= markers::kMaxLabel && c->description.size() <= markers::kMaxDescription,
          "cue text over its limit");
    if (i) check(cues.cueAt(i - 1)->position <= c->position, "cues out of order");
    check(cues.indexOf(c->id) == int64_t(i), "duplicate cue id");
  }
  size_t exported = 0;
  formats::exportSpecialData(cues, chunks, true, [&](const std::string&, const std::string&,
                                                     const std::vector<uint8_t>&) { ++exported; });
  (void)exported;
  return 0;
}
