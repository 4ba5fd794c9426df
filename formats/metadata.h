// Metadata items between a file filter and a document: ImportSpecialData turns the items a filter reads
// into cues and play-list entries (the marker set) or keeps them verbatim (the chunk store), and maps the
// sampler chunk's loops onto cue regions; ExportSpecialData rebuilds the items in a fixed order for a
// filter that writes. Item layouts (all integers little-endian u32):
//   cue   per cue 8 bytes: id, position                                      count = cues
//   ltxt  per record: record size (16 + text length), cue id, length, purpose, text without terminator
//   labl  per record: cue id, text with terminator (next record after the terminator); note likewise
//   plst  per entry 16 bytes: cue id, length, loop count, fourth value
//   smpl  the sampler chunk body: 36-byte header, loop count at byte 28, then 24 bytes per loop
//   INFO  zero-terminated text
// Items come from outside: every walk stops at the item's end, counts are clamped to what fits, and a
// record too short to hold its fields ends or skips as documented below.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "formats/filter_module.h"

namespace markers {
class MarkerSet;
class ChunkStore;
}  // namespace markers

namespace formats {

// Hands the next item; false when there are no more. first is true on the first call.
using SpecialItemSource = std::function<bool(bool first, SpecialItem* item)>;
// Hands one item to the filter; the result is not needed by the host.
using SpecialItemSink = std::function<void(const std::string& listType, const std::string& chunkId,
                                           const std::vector<uint8_t>& bytes)>;

// The texts of the cues a sampler loop creates.
constexpr const char* kLoopLabelFormat = "Loop %d";
constexpr const char* kLoopDescription = "Sampler loop";

// Imports every item of source. cues or chunks may be null (a paste from a file takes only the cue and
// play-list data): the step that needs them is skipped.
void importSpecialData(markers::MarkerSet* cues, markers::ChunkStore* chunks,
                       const SpecialItemSource& source);
// One item (exposed for tests): cue, ltxt, labl, note, plst to the cues, anything else to the store.
void importSpecialItem(markers::MarkerSet* cues, markers::ChunkStore* chunks, const SpecialItem& item);
// The sampler step of the import: loops of the stored WAVE/smpl chunk become or move cues.
void importSamplerLoops(markers::MarkerSet* cues, markers::ChunkStore* chunks);

// Writes the items in order: INFO chunks, cue, ltxt, labl, note, plst, then the other stored chunks.
// Does nothing when extraInfo ([System] FileSaveExtraInfo) is off.
void exportSpecialData(const markers::MarkerSet& cues, const markers::ChunkStore& chunks, bool extraInfo,
                       const SpecialItemSink& sink);

// Reads items through a loaded filter's special-data entries (nothing when either entry is missing).
void importFromFilter(FilterModule& filter, SornFilterHandle input, markers::MarkerSet* cues,
                      markers::ChunkStore* chunks);
// Writes items to a filter's FilterWriteSpecialData (nothing when the entry is missing).
void exportToFilter(FilterModule& filter, SornFilterHandle output, const markers::MarkerSet& cues,
                    const markers::ChunkStore& chunks, bool extraInfo);

// FillNewWaveInfo: INFO/ISFT "Sorn Edit v.<version> by <publisher>" and INFO/ICRD "YYYY-MM-DD", both with
// their terminators; only when autoFillInfo ([Settings] AutoFillInfo) is non-zero.
void fillNewWaveInfo(markers::ChunkStore* chunks, int autoFillInfo, const std::string& version,
                     const std::string& publisher, int year, int month, int day);

}  // namespace formats
