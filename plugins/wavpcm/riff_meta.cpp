// Parsing of the metadata chunks of a WAVE file: LIST INFO, cue, LIST adtl (labl, note, ltxt), plst, smpl;
// anything else is kept verbatim.
//
// Every walk is bounded by the chunk: record counts are clamped to what the chunk holds (and to
// kMaxMetaRecords), a sub-chunk whose size runs past its list ends the list, a size of 0 still advances
// by its header, and records too short for their fixed part are skipped. labl, note and ltxt records found
// outside their LIST adtl are still taken as labels, notes and region texts: the editor would read an item
// with such an id that way whatever list it came in.
#include <cctype>
#include <cstring>

#include "include/sorn_bytes.h"
#include "plugins/wavpcm/riff_reader.h"

namespace wavpcm {
namespace {

// Text of a zero-terminated string field: up to the first zero byte or the end.
std::string textOf(const uint8_t* p, size_t n) {
  const void* z = n ? std::memchr(p, 0, n) : nullptr;
  size_t len = z ? static_cast<size_t>(static_cast<const uint8_t*>(z) - p) : n;
  return std::string(reinterpret_cast<const char*>(p), len);
}

// Chunk ids of four printable characters; anything else is damage, not a chunk worth keeping.
bool printable(const std::string& id) {
  for (char c : id) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return !id.empty();
}

// Keeps a chunk verbatim; empty chunks and ids that are not text carry nothing and are dropped.
void keep(RiffMetadata* meta, const std::string& list, const std::string& id, const uint8_t* p, size_t n) {
  if (n == 0 || !printable(list) || !printable(id)) return;
  meta->others.push_back({list, id, std::vector<uint8_t>(p, p + n)});
}

bool sameIdNoCase(const std::string& a, const char* b) {
  for (size_t i = 0; i < 4; ++i) {
    if (i >= a.size() || std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
  }
  return a.size() == 4;
}

uint32_t clampCount(uint32_t claimed, size_t bytes, size_t recordSize) {
  size_t fits = bytes / recordSize;
  size_t n = claimed < fits ? claimed : fits;
  return static_cast<uint32_t>(n < kMaxMetaRecords ? n : kMaxMetaRecords);
}

void parseCue(const uint8_t* p, size_t n, RiffMetadata* meta) {
  if (n < 4) return;
  uint32_t count = clampCount(SornGetU32LE(p), n - 4, 24);
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* r = p + 4 + 24 * static_cast<size_t>(i);
    // The sample offset (last field) is the position in the data chunk; the "position" field is the
    // play order position, which writers fill inconsistently.
    meta->cues.push_back({SornGetU32LE(r), SornGetU32LE(r + 20)});
  }
}

void parsePlaylist(const uint8_t* p, size_t n, RiffMetadata* meta) {
  if (n < 4) return;
  uint32_t count = clampCount(SornGetU32LE(p), n - 4, 12);
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* r = p + 4 + 12 * static_cast<size_t>(i);
    meta->playlist.push_back({SornGetU32LE(r), SornGetU32LE(r + 4), SornGetU32LE(r + 8)});
  }
}

void parseSampler(const uint8_t* p, size_t n, RiffMetadata* meta) {
  if (meta->hasSampler || n < 36) return;  // the first complete sampler chunk counts
  meta->hasSampler = true;
  meta->sampler.assign(p, p + n);
  uint32_t count = clampCount(SornGetU32LE(p + 28), n - 36, 24);
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* r = p + 36 + 24 * static_cast<size_t>(i);
    RiffLoop l{SornGetU32LE(r),      SornGetU32LE(r + 4),  SornGetU32LE(r + 8),
               SornGetU32LE(r + 12), SornGetU32LE(r + 16), SornGetU32LE(r + 20)};
    if (l.end >= l.start) meta->loops.push_back(l);
  }
}

// Calls fn(id, body, size) for every complete sub-chunk of a LIST body (after the list type).
template <typename Fn>
void walkList(const uint8_t* p, size_t n, Fn fn) {
  size_t pos = 4;
  uint32_t records = 0;
  while (n - pos >= 8 && records++ < kMaxMetaRecords) {
    uint32_t size = SornGetU32LE(p + pos + 4);
    if (size > n - pos - 8) break;
    fn(p + pos, p + pos + 8, static_cast<size_t>(size));
    pos += 8 + static_cast<size_t>(size);
    if ((size & 1) && pos < n) ++pos;
  }
}

// The ids whose items the editor interprets (in any list). Where one turns up where it cannot be parsed
// (inside INFO, or a cue list inside adtl) it is dropped, so no item with such an id carries another layout.
bool reservedId(const std::string& id) {
  return sameIdNoCase(id, "cue ") || sameIdNoCase(id, "plst") || sameIdNoCase(id, "labl") ||
         sameIdNoCase(id, "note") || sameIdNoCase(id, "ltxt");
}

// One associated-data record: labl, note or ltxt (inside LIST adtl, or misplaced at the top level).
void parseAdtlRecord(const std::string& id, const uint8_t* b, size_t size, RiffMetadata* meta) {
  if (sameIdNoCase(id, "labl") || sameIdNoCase(id, "note")) {
    if (size < 4) return;
    RiffCueText t{SornGetU32LE(b), textOf(b + 4, size - 4)};
    (sameIdNoCase(id, "labl") ? meta->labels : meta->notes).push_back(std::move(t));
  } else if (sameIdNoCase(id, "ltxt")) {
    // cue id, length, purpose, then country, language, dialect and code page (dropped), then text.
    if (size < 20) return;
    RiffRegionText r;
    r.cueId = SornGetU32LE(b);
    r.length = SornGetU32LE(b + 4);
    std::memcpy(r.purpose, b + 8, 4);
    r.text = textOf(b + 20, size - 20);
    meta->regions.push_back(std::move(r));
  }
}

void parseAdtl(const uint8_t* p, size_t n, RiffMetadata* meta) {
  walkList(p, n, [meta](const uint8_t* idBytes, const uint8_t* b, size_t size) {
    std::string id(reinterpret_cast<const char*>(idBytes), 4);
    if (reservedId(id)) {
      parseAdtlRecord(id, b, size, meta);  // cue and plst have no place here and are dropped
    } else {
      keep(meta, "adtl", id, b, size);
    }
  });
}

void parseInfo(const uint8_t* p, size_t n, RiffMetadata* meta) {
  walkList(p, n, [meta](const uint8_t* id, const uint8_t* b, size_t size) {
    std::string sid(reinterpret_cast<const char*>(id), 4);
    if (printable(sid) && !reservedId(sid)) meta->info.push_back({sid, textOf(b, size)});
  });
}

}  // namespace

void parseMetaChunk(const std::string& list, const std::string& id, const uint8_t* p, size_t n,
                    RiffMetadata* meta) {
  if (sameIdNoCase(id, "cue ")) {
    parseCue(p, n, meta);
  } else if (sameIdNoCase(id, "plst")) {
    parsePlaylist(p, n, meta);
  } else if (reservedId(id)) {
    parseAdtlRecord(id, p, n, meta);
  } else if (sameIdNoCase(id, "smpl")) {
    parseSampler(p, n, meta);
  } else if (id == "LIST" && n >= 4 && std::memcmp(p, "INFO", 4) == 0) {
    parseInfo(p, n, meta);
  } else if (id == "LIST" && n >= 4 && std::memcmp(p, "adtl", 4) == 0) {
    parseAdtl(p, n, meta);
  } else {
    keep(meta, list, id, p, n);
  }
}

}  // namespace wavpcm
