// Metadata items as the filter exchanges them with the editor: (list type, chunk id, bytes, count), already
// cut out of the RIFF container. Layouts (all integers little-endian u32):
//   WAVE/cue   8 bytes per cue: id, position                                   count = cues
//   adtl/ltxt  per record: record size (16 + text length), cue id, length, purpose, text without terminator
//   adtl/labl  per record: cue id, text with its terminator (likewise adtl/note)   count = records
//   WAVE/plst  16 bytes per entry: cue id, length, loops, 0                     count = entries
//   WAVE/smpl  the sampler chunk body, verbatim                                 count = 1
//   INFO/xxxx  zero-terminated text                                             count = 1
//   anything else: the chunk body verbatim under its list type                   count = 1
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "plugins/wavpcm/riff_reader.h"

namespace wavpcm {

struct MetaItem {
  std::string list;  // "WAVE", "INFO", "adtl" or another list type
  std::string id;    // four characters
  std::vector<uint8_t> bytes;
  uint32_t count = 0;
};

// The items of a parsed file, in the order the editor writes them back: INFO, cue, ltxt, labl, note,
// plst, smpl, then the verbatim chunks in file order (unknown adtl records first). Empty groups give no
// item.
std::vector<MetaItem> riffMetaItems(const RiffMetadata& meta);

// Takes one item handed to the writer into meta (the reverse of riffMetaItems). The count is derived from
// the bytes, since the writing side of the contract does not pass one. Returns false for an item that
// cannot be stored (id not four printable characters, list type empty, longer than four or not
// printable, or a top-level "fmt ", "data" or "fact", which are the writer's own); malformed records inside
// an item end that item's walk. Empty items are accepted and store nothing.
bool addMetaItem(RiffMetadata* meta, const std::string& list, const std::string& id, const uint8_t* bytes,
                 size_t size);

}  // namespace wavpcm
