// Metadata items to and from the marker set and the chunk store; see metadata.h.
#include "formats/metadata.h"

#include <cstdio>
#include <cstring>

#include "include/sorn_bytes.h"
#include "markers/chunk_store.h"
#include "markers/marker_set.h"

namespace formats {
namespace {

using markers::SameChunkName;

constexpr size_t kSamplerHeaderBytes = 36;
constexpr size_t kSamplerLoopCountAt = 28;
constexpr size_t kSamplerLoopBytes = 24;
constexpr size_t kLtxtHeaderBytes = 16;

// Text of at most n bytes, ending at the first zero byte.
std::string textOf(const uint8_t* p, size_t n) {
  const void* zero = std::memchr(p, 0, n);
  return std::string(reinterpret_cast<const char*>(p), zero ? static_cast<const uint8_t*>(zero) - p : n);
}
// count records of recordBytes each, clamped to what the item holds.
size_t clampCount(uint32_t count, size_t size, size_t recordBytes) {
  size_t fit = size / recordBytes;
  return count < fit ? count : fit;
}

void importCues(markers::MarkerSet* cues, const SpecialItem& it) {
  size_t n = clampCount(it.count, it.bytes.size(), 8);
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* r = it.bytes.data() + 8 * i;
    cues->addCue(SornGetU32LE(r), SornGetU32LE(r + 4), 0, "", "");  // an id already in use is refused
  }
}

// ltxt records: a record size below the fixed 16 bytes cannot be trusted for its fields; one of at least 4
// bytes is stepped over, a smaller one ends the walk (it would not move it on).
void importRegions(markers::MarkerSet* cues, const SpecialItem& it) {
  const uint8_t* p = it.bytes.data();
  size_t size = it.bytes.size(), at = 0;
  for (uint32_t r = 0; r < it.count && size - at >= 4; ++r) {
    uint32_t recordSize = SornGetU32LE(p + at);
    size_t left = size - at;
    if (recordSize < 4) break;
    if (recordSize < kLtxtHeaderBytes || left < kLtxtHeaderBytes) {
      if (recordSize >= left) break;
      at += recordSize;
      continue;
    }
    size_t recordEnd = recordSize < left ? recordSize : left;
    uint32_t id = SornGetU32LE(p + at + 4), length = SornGetU32LE(p + at + 8),
             purpose = SornGetU32LE(p + at + 12);
    std::string text = textOf(p + at + kLtxtHeaderBytes, recordEnd - kLtxtHeaderBytes);
    cues->setCue(id, markers::kKeep, length == markers::kKeep ? 0 : length, nullptr, nullptr,
                 recordEnd > kLtxtHeaderBytes ? text.c_str() : nullptr, purpose);
    if (recordSize >= left) break;
    at += recordSize;
  }
}

// labl and note: cue id, then text up to its terminator (or the item's end, which ends the walk).
void importTexts(markers::MarkerSet* cues, const SpecialItem& it, bool label) {
  const uint8_t* p = it.bytes.data();
  size_t size = it.bytes.size(), at = 0;
  for (uint32_t r = 0; r < it.count && size - at >= 4; ++r) {
    uint32_t id = SornGetU32LE(p + at);
    at += 4;
    const void* zero = std::memchr(p + at, 0, size - at);
    size_t n = zero ? static_cast<const uint8_t*>(zero) - (p + at) : size - at;
    std::string text(reinterpret_cast<const char*>(p + at), n);
    if (label)
      cues->setCue(id, markers::kKeep, markers::kKeep, text.c_str());
    else
      cues->setCue(id, markers::kKeep, markers::kKeep, nullptr, text.c_str());
    if (!zero) break;
    at += n + 1;
  }
}

void importPlayList(markers::MarkerSet* cues, const SpecialItem& it) {
  size_t n = clampCount(it.count, it.bytes.size(), 16);
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* r = it.bytes.data() + 16 * i;
    cues->insertPlay(cues->playCount(), SornGetU32LE(r), SornGetU32LE(r + 4), SornGetU32LE(r + 8),
                     SornGetU32LE(r + 12));
  }
}

bool isCueItem(const std::string& id) {
  return SameChunkName(id, "cue ") || SameChunkName(id, "ltxt") || SameChunkName(id, "note") ||
         SameChunkName(id, "labl") || SameChunkName(id, "plst");
}

}  // namespace

void importSpecialItem(markers::MarkerSet* cues, markers::ChunkStore* chunks, const SpecialItem& item) {
  if (item.bytes.empty()) return;
  if (isCueItem(item.chunkId)) {
    if (!cues) return;
    if (SameChunkName(item.chunkId, "cue "))
      importCues(cues, item);
    else if (SameChunkName(item.chunkId, "ltxt"))
      importRegions(cues, item);
    else if (SameChunkName(item.chunkId, "labl"))
      importTexts(cues, item, true);
    else if (SameChunkName(item.chunkId, "note"))
      importTexts(cues, item, false);
    else
      importPlayList(cues, item);
    return;
  }
  if (chunks)
    chunks->add(item.listType, item.chunkId, item.bytes.data(), uint32_t(item.bytes.size()), item.count);
}

// A loop naming an existing cue moves that cue onto the loop; any other loop gets a new cue with the
// smallest free id, written into the stored chunk. Loops ending before they start are left alone (kept
// verbatim in the chunk, no cue).
void importSamplerLoops(markers::MarkerSet* cues, markers::ChunkStore* chunks) {
  if (!cues || !chunks) return;
  const markers::Chunk* smpl = chunks->find("WAVE", "smpl");
  if (!smpl || smpl->bytes.size() < kSamplerHeaderBytes) return;
  std::vector<uint8_t> copy = smpl->bytes;
  uint32_t storedCount = smpl->count;
  size_t loops = clampCount(SornGetU32LE(copy.data() + kSamplerLoopCountAt),
                            copy.size() - kSamplerHeaderBytes, kSamplerLoopBytes);
  bool replaced = false;
  for (size_t i = 0; i < loops; ++i) {
    uint8_t* r = copy.data() + kSamplerHeaderBytes + i * kSamplerLoopBytes;
    uint32_t id = SornGetU32LE(r), start = SornGetU32LE(r + 8), end = SornGetU32LE(r + 12);
    if (end < start) continue;
    uint32_t length = end - start + 1;  // 0 only for a loop over every frame number, which fitLength cuts
    if (id != 0 && cues->findCue(id)) {
      cues->setCue(id, start, length);
      continue;
    }
    uint32_t fresh = cues->smallestFreeId();
    char label[32];
    std::snprintf(label, sizeof label, kLoopLabelFormat, int(i + 1));
    if (!cues->addCue(fresh, start, length, label, kLoopDescription)) continue;
    SornPutU32LE(r, fresh);
    replaced = true;
  }
  if (replaced) chunks->replace("WAVE", "smpl", 0, copy.data(), uint32_t(copy.size()), storedCount);
}

void importSpecialData(markers::MarkerSet* cues, markers::ChunkStore* chunks,
                       const SpecialItemSource& source) {
  if (!source) return;
  SpecialItem item;
  // A filter that never says "no more" cannot hang the open: no file holds this many items.
  constexpr uint32_t kMaxItems = 1u << 20;
  for (uint32_t n = 0; n < kMaxItems && source(n == 0, &item); ++n) {
    importSpecialItem(cues, chunks, item);
    item = SpecialItem();
  }
  importSamplerLoops(cues, chunks);
}

void exportSpecialData(const markers::MarkerSet& cues, const markers::ChunkStore& chunks, bool extraInfo,
                       const SpecialItemSink& sink) {
  if (!extraInfo || !sink) return;
  for (uint32_t i = 0; const markers::Chunk* c = chunks.nth("INFO", i); ++i)
    sink(c->listType, c->chunkId, c->bytes);

  std::vector<uint8_t> cue, ltxt, labl, note, plst;
  for (uint32_t i = 0; i < cues.cueCount(); ++i) {
    const markers::Cue& c = *cues.cueAt(i);
    SornAppendU32LE(&cue, c.id);
    SornAppendU32LE(&cue, c.position);
    if (!c.extra.empty() || c.length != 0 || c.purpose != 0) {
      SornAppendU32LE(&ltxt, uint32_t(kLtxtHeaderBytes + c.extra.size()));
      SornAppendU32LE(&ltxt, c.id);
      SornAppendU32LE(&ltxt, c.length);
      SornAppendU32LE(&ltxt, c.purpose);
      ltxt.insert(ltxt.end(), c.extra.begin(), c.extra.end());
    }
    if (!c.label.empty()) {
      SornAppendU32LE(&labl, c.id);
      labl.insert(labl.end(), c.label.begin(), c.label.end());
      labl.push_back(0);
    }
    if (!c.description.empty()) {
      SornAppendU32LE(&note, c.id);
      note.insert(note.end(), c.description.begin(), c.description.end());
      note.push_back(0);
    }
  }
  for (uint32_t i = 0; i < cues.playCount(); ++i) {
    markers::PlayEntry e;
    cues.getPlay(i, &e);
    SornAppendU32LE(&plst, e.cueId);
    SornAppendU32LE(&plst, e.length);
    SornAppendU32LE(&plst, e.loops);
    SornAppendU32LE(&plst, e.fourth);
  }
  if (!cue.empty()) sink("WAVE", "cue ", cue);
  if (!ltxt.empty()) sink("adtl", "ltxt", ltxt);
  if (!labl.empty()) sink("adtl", "labl", labl);
  if (!note.empty()) sink("adtl", "note", note);
  if (!plst.empty()) sink("WAVE", "plst", plst);

  for (uint32_t i = 0; const markers::Chunk* c = chunks.at(i); ++i) {
    if (SameChunkName(c->listType, "INFO") || SameChunkName(c->listType, "adtl")) continue;
    if (SameChunkName(c->listType, "WAVE") &&
        (SameChunkName(c->chunkId, "cue ") || SameChunkName(c->chunkId, "plst")))
      continue;
    sink(c->listType, c->chunkId, c->bytes);
  }
}

void importFromFilter(FilterModule& filter, SornFilterHandle input, markers::MarkerSet* cues,
                      markers::ChunkStore* chunks) {
  if (!filter.has(FilterEntry::FilterGetFirstSpecialData) ||
      !filter.has(FilterEntry::FilterGetNextSpecialData))
    return;
  importSpecialData(cues, chunks,
                    [&](bool first, SpecialItem* item) { return filter.specialData(input, first, item); });
}

void exportToFilter(FilterModule& filter, SornFilterHandle output, const markers::MarkerSet& cues,
                    const markers::ChunkStore& chunks, bool extraInfo) {
  if (!filter.has(FilterEntry::FilterWriteSpecialData)) return;
  exportSpecialData(cues, chunks, extraInfo,
                    [&](const std::string& list, const std::string& id, const std::vector<uint8_t>& bytes) {
                      filter.writeSpecialData(output, list, id, bytes.data(), uint32_t(bytes.size()));
                    });
}

void fillNewWaveInfo(markers::ChunkStore* chunks, int autoFillInfo, const std::string& version,
                     const std::string& publisher, int year, int month, int day) {
  if (!chunks || autoFillInfo == 0) return;
  std::string software = "Sorn Edit v." + version + " by " + publisher;
  chunks->add("INFO", "ISFT", software.c_str(), uint32_t(software.size() + 1), 1);
  char date[32];
  std::snprintf(date, sizeof date, "%d-%02d-%02d", year, month, day);
  chunks->add("INFO", "ICRD", date, uint32_t(std::strlen(date) + 1), 1);
}

}  // namespace formats
