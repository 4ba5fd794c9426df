// The program's filter host state: the filter table found at start-up, the loader for its DLLs and the
// default PCM filter ("Windows PCM", also the one the internal clipboard file goes through), plus the open
// decision the document's Open runs: in place when the file's filter stores plain PCM, else imported.
#pragma once

#include <string>

#include "formats/filter_open.h"
#include "formats/filter_table.h"

namespace formats {

// The file-filter host's process-wide state: the table of installed filters, how their modules are
// loaded, and the filter that reads plain PCM. resetFilterHost() empties it (tests, and before a rescan).
struct FilterHost {
  FilterTable table;
  FilterLoader load;
  int defaultPcm = -1;
};
FilterHost& filterHost();
void resetFilterHost();

// Start-up (Windows): scans the program's directory into filterHost() with the Windows loader. Returns what
// the scan did.
FilterScanResult scanFiltersAtStartup(ui::SettingsSource* settings);

// Open: the first filter (from args.preferredIndex) that understands the file; with FLT_MAPPABLE and a format
// the editor holds it is mapped in place (no sample copied), otherwise it is imported into a new virtual
// file.
struct OpenFileResult {
  storage::HfHandle* file = nullptr;  // the caller owns it
  bool mapped = false;                // in place: document flag 0x100
  document::WaveFormat format;
  int filterIndex = -1;      // the filter that read the file
  int saveFilterIndex = -1;  // the filter and options to save with
  uint32_t saveOptions = 1;
  int status = kImportNoFilter;  // ImportStatus
  std::string message;
};
storage::HfHandle* openFile(const FilterTable& table, const FilterLoader& load, const ImportArgs& args,
                            int kind, uintptr_t owner, const storage::HfNotifySink& sink,
                            markers::MarkerSet* cues, markers::ChunkStore* chunks, OpenFileResult* result);

}  // namespace formats
