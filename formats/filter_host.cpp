// The filter host state and the open decision; see filter_host.h.
#include "formats/filter_host.h"

#include "document/wave_format.h"

namespace formats {

FilterHost& filterHost() {
  static FilterHost host;
  return host;
}

void resetFilterHost() {
  filterHost() = FilterHost();
}

storage::HfHandle* openFile(const FilterTable& table, const FilterLoader& load, const ImportArgs& args,
                            int kind, uintptr_t owner, const storage::HfNotifySink& sink,
                            markers::MarkerSet* cues, markers::ChunkStore* chunks, OpenFileResult* result) {
  *result = OpenFileResult();
  ProbeResult probe;
  bool found = probeFileFormat(table, load, args.path, args.preferredIndex, &probe);
  if (found && (table.at(size_t(probe.filterIndex)).info.capabilities & FLT_MAPPABLE) &&
      document::IsValidWaveFormat(probe.format)) {
    OpenMappedArgs m;
    m.path = args.path;
    m.flags = args.flags & (kOpenPrivateBuffer | kOpenTempPref2 | kOpenMetadata | kOpenNoRemember);
    m.channels = probe.format.channels;
    m.bits = probe.format.bits;
    m.settings = args.settings;
    m.window = args.window;
    m.owner = owner;
    m.sink = sink;
    OpenMappedResult r;
    if (storage::HfHandle* h = openMapped(table, load, probe.filterIndex, m, cues, chunks, &r)) {
      result->file = h;
      result->mapped = true;
      result->format = r.format;
      result->filterIndex = result->saveFilterIndex = probe.filterIndex;
      result->status = kImportOk;
      return h;
    }
  }
  // Not mappable (or the mapping was refused, which leaves the sets untouched): read through the filter.
  ImportArgs in = args;
  if (found) in.preferredIndex = probe.filterIndex;
  ImportResult r;
  document::WaveFormat format;
  storage::HfHandle* h = importToNewFile(table, load, in, kind, owner, sink, &format, cues, chunks, &r);
  result->file = h;
  result->format = format;
  result->filterIndex = r.filterIndex;
  result->saveFilterIndex = r.saveFilterIndex;
  result->saveOptions = r.saveOptions;
  result->status = r.status;
  result->message = r.message;
  return h;
}

}  // namespace formats
