// Conversion between parsed metadata chunks and the editor's metadata items (layouts in riff_items.h).
#include "plugins/wavpcm/riff_items.h"

#include <cctype>
#include <cstring>

#include "include/sorn_bytes.h"
namespace wavpcm {
namespace {

bool sameId(const std::string& a, const char* b) {
  if (a.size() != std::strlen(b)) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

MetaItem textItem(const char* id, const std::vector<RiffCueText>& texts) {
  MetaItem it{"adtl", id, {}, static_cast<uint32_t>(texts.size())};
  for (const RiffCueText& t : texts) {
    SornAppendU32LE(&it.bytes, t.cueId);
    it.bytes.insert(it.bytes.end(), t.text.begin(), t.text.end());
    it.bytes.push_back(0);
  }
  return it;
}

std::string textOf(const uint8_t* p, size_t n) {
  const void* z = n ? std::memchr(p, 0, n) : nullptr;
  size_t len = z ? static_cast<size_t>(static_cast<const uint8_t*>(z) - p) : n;
  return std::string(reinterpret_cast<const char*>(p), len);
}

// labl / note records: cue id, then text up to its terminator (or the item end).
void takeTexts(const uint8_t* p, size_t n, std::vector<RiffCueText>* out) {
  size_t pos = 0;
  while (n - pos >= 4) {
    RiffCueText t{SornGetU32LE(p + pos), textOf(p + pos + 4, n - pos - 4)};
    pos += 4 + t.text.size() + 1;
    out->push_back(std::move(t));
    if (pos >= n) break;
  }
}

void takeRegions(const uint8_t* p, size_t n, std::vector<RiffRegionText>* out) {
  size_t pos = 0;
  while (n - pos >= 16) {
    uint32_t size = SornGetU32LE(p + pos);
    if (size < 16 || size > n - pos) break;
    RiffRegionText r;
    r.cueId = SornGetU32LE(p + pos + 4);
    r.length = SornGetU32LE(p + pos + 8);
    std::memcpy(r.purpose, p + pos + 12, 4);
    r.text = textOf(p + pos + 16, size - 16);
    out->push_back(std::move(r));
    pos += size;
  }
}

}  // namespace

std::vector<MetaItem> riffMetaItems(const RiffMetadata& meta) {
  std::vector<MetaItem> items;
  for (const RiffInfoText& t : meta.info) {
    MetaItem it{"INFO", t.id, std::vector<uint8_t>(t.text.begin(), t.text.end()), 1};
    it.bytes.push_back(0);
    items.push_back(std::move(it));
  }
  if (!meta.cues.empty()) {
    MetaItem it{"WAVE", "cue ", {}, static_cast<uint32_t>(meta.cues.size())};
    for (const RiffCue& c : meta.cues) {
      SornAppendU32LE(&it.bytes, c.id);
      SornAppendU32LE(&it.bytes, c.position);
    }
    items.push_back(std::move(it));
  }
  if (!meta.regions.empty()) {
    MetaItem it{"adtl", "ltxt", {}, static_cast<uint32_t>(meta.regions.size())};
    for (const RiffRegionText& r : meta.regions) {
      SornAppendU32LE(&it.bytes, static_cast<uint32_t>(16 + r.text.size()));
      SornAppendU32LE(&it.bytes, r.cueId);
      SornAppendU32LE(&it.bytes, r.length);
      it.bytes.insert(it.bytes.end(), r.purpose, r.purpose + 4);
      it.bytes.insert(it.bytes.end(), r.text.begin(), r.text.end());
    }
    items.push_back(std::move(it));
  }
  if (!meta.labels.empty()) items.push_back(textItem("labl", meta.labels));
  if (!meta.notes.empty()) items.push_back(textItem("note", meta.notes));
  if (!meta.playlist.empty()) {
    MetaItem it{"WAVE", "plst", {}, static_cast<uint32_t>(meta.playlist.size())};
    for (const RiffPlaylistEntry& e : meta.playlist) {
      SornAppendU32LE(&it.bytes, e.cueId);
      SornAppendU32LE(&it.bytes, e.length);
      SornAppendU32LE(&it.bytes, e.loops);
      SornAppendU32LE(&it.bytes, 0);
    }
    items.push_back(std::move(it));
  }
  if (meta.hasSampler) items.push_back({"WAVE", "smpl", meta.sampler, 1});
  // Unknown adtl records first: the writer puts them into the one LIST adtl, ahead of the other verbatim
  // chunks, so this order survives a write and a read.
  for (const RiffChunk& c : meta.others)
    if (c.list == "adtl") items.push_back({c.list, c.id, c.bytes, 1});
  for (const RiffChunk& c : meta.others)
    if (c.list != "adtl") items.push_back({c.list, c.id, c.bytes, 1});
  return items;
}

bool addMetaItem(RiffMetadata* meta, const std::string& list, const std::string& id, const uint8_t* bytes,
                 size_t size) {
  if (id.size() != 4 || list.empty() || list.size() > 4 || size > kMaxMetaChunkBytes) return false;
  for (char c : id + list) {
    if (c < 0x20 || c > 0x7E) return false;  // not a chunk id a reader would take
  }
  // The sample format and data are the writer's own; a second copy would make the file ambiguous.
  // (Chunk ids are case-sensitive: a "fmT " chunk is just an unknown chunk.)
  if (list == "WAVE" && (id == "fmt " || id == "data" || id == "fact")) return false;
  if (size == 0) return true;  // nothing to store
  if (sameId(id, "cue ")) {
    for (size_t i = 0; i + 8 <= size && meta->cues.size() < kMaxMetaRecords; i += 8)
      meta->cues.push_back({SornGetU32LE(bytes + i), SornGetU32LE(bytes + i + 4)});
  } else if (sameId(id, "ltxt")) {
    takeRegions(bytes, size, &meta->regions);
  } else if (sameId(id, "labl")) {
    takeTexts(bytes, size, &meta->labels);
  } else if (sameId(id, "note")) {
    takeTexts(bytes, size, &meta->notes);
  } else if (sameId(id, "plst")) {
    for (size_t i = 0; i + 16 <= size && meta->playlist.size() < kMaxMetaRecords; i += 16)
      meta->playlist.push_back(
          {SornGetU32LE(bytes + i), SornGetU32LE(bytes + i + 4), SornGetU32LE(bytes + i + 8)});
  } else if (sameId(list, "INFO")) {
    meta->info.push_back({id, textOf(bytes, size)});
  } else if (sameId(id, "smpl") && sameId(list, "WAVE") && !meta->hasSampler && size >= 36) {
    parseMetaChunk("WAVE", "smpl", bytes, size, meta);
  } else {
    meta->others.push_back({list, id, std::vector<uint8_t>(bytes, bytes + size)});
  }
  return true;
}

}  // namespace wavpcm
