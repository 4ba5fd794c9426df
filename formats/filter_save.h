// Saving a wave through a file filter: load the filter, open its output (asking to flush the source file
// when the target is in use, negotiating a sample type the filter accepts), hand over the metadata items
// before or after the samples as the filter asks, and feed the samples in the chunk size it prefers with
// progress and Stop. Takes the wave's storage, format, cues and chunks rather than a document; returns a
// status, and shows its message boxes through ui::ShowMessageBox.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "document/sample_transfer.h"
#include "document/wave_format.h"
#include "formats/filter_module.h"
#include "formats/filter_table.h"
#include "formats/progress.h"
#include "storage/vfile.h"

namespace markers {
class MarkerSet;
class ChunkStore;
}  // namespace markers
namespace ui {
class SettingsSource;
}

namespace formats {

// Save flags.
constexpr uint32_t kSaveLeftOnly = 0x2;   // left channel only (a mono file)
constexpr uint32_t kSaveRightOnly = 0x4;  // right channel only (a mono file)
constexpr uint32_t kSaveRename = 0x10;    // the document takes the path as its name on success

enum SaveStatus : int {
  kSaveOk = 0,
  kSaveNoFilter = 1,     // the filter could not be loaded or cannot save
  kSaveCancelled = 2,    // the user pressed Stop; the partial file is deleted, the document not renamed
  kSaveNotSaved = 19,    // the output could not be opened or the sample type was not accepted
  kSaveOutOfSpace = -1,  // the filter took fewer bytes than given, or could not complete the file
};
const char* saveStatusText(int status);

// What is saved. The conversion hook may replace samples and format (after a confirmed conversion).
struct SaveSource {
  document::SampleFile* samples = nullptr;
  document::WaveFormat format;
  const markers::MarkerSet* cues = nullptr;  // may be null: no cue items
  const markers::ChunkStore* chunks = nullptr;
};

// The conversion the type negotiation asks for.
struct ConvertRequest {
  uint32_t rate = 0, bits = 0, channels = 0;
  double leftGain = 1.0, rightGain = 1.0;  // 0.5 / 0.5 for a mono target
  bool silent = false;  // FLT_CONVERT_SILENTLY: convert at once with the fixed dither settings
  double ditherAmount = 0.54;
  int noiseShaping = 151;
  int ditherOff = 0;
};

struct SaveArgs {
  std::string path;
  uint32_t saveFlags = 0;
  int filterIndex = -1;
  uint32_t options = 1;  // the filter's option block, passed through
  uint32_t startFrame = 0;
  uint32_t frameCount = 0;  // 0: the whole wave from frame 0
  bool extraInfo = true;    // [System] FileSaveExtraInfo
  bool batch = false;       // a batch run: no progress display
  Progress* progress = nullptr;
  ui::SettingsSource* settings = nullptr;  // [Recent] Conv* values; may be null
  // After Yes to the sharing-violation question: copies every block still living in path into temp storage
  // (VfReleaseSourceFile). Unset: nothing to release.
  std::function<bool(const std::string& path)> releaseSourceFile;
  // The conversion step of the type negotiation: shows the Convert Sample Type dialog (or converts at once
  // when silent), converts source (undo level, cue rescale, redraw are the hook's) and returns true when
  // it did. Unset: the save ends with kSaveNotSaved and "Cannot save in current format".
  std::function<bool(const ConvertRequest& request, SaveSource* source)> convert;
};

struct SaveResult {
  int status = kSaveNoFilter;
  bool mappable = false;     // the filter stores plain PCM (document flag 0x100 set, else cleared)
  bool renamed = false;      // the document takes the path as its name
  bool fileDeleted = false;  // a partial file was removed
  uint32_t outBits = 0, outChannels = 0;
  uint16_t word = 0;  // the format word the samples were read with
  std::string message;
};

int saveThroughFilter(const FilterTable& table, const FilterLoader& load, const SaveArgs& args,
                      SaveSource* source, SaveResult* result);

// The sample loop: count frames from start, read with word, written in chunks of chunkBytes (rounded down to
// whole frames). Returns 0, 1 (stopped by the user) or -1 (the filter took fewer bytes than given).
// pictureId: the filter's bitmap to show beside the bar (0 none).
int writeSamplesToFilter(FilterModule& filter, SornFilterHandle output, const std::string& typeName,
                         document::SampleFile* samples, uint32_t chunkBytes, uint32_t frameBytes,
                         uint16_t word, uint32_t start, uint32_t count, Progress* progress,
                         int pictureId = 0);

// QuickSave: rewrites in place only the blocks of the mapped wave that changed, with the progress window
// "Quick Saving Audio Data Only". Returns 0 saved, 1 no document, 2 no wave, 3 not possible (after the
// "Cannot Quick Save" box). Metadata is not written.
enum QuickSaveStatus : int { kQuickSaved = 0, kQuickNoDocument = 1, kQuickNoWave = 2, kQuickNotPossible = 3 };
int quickSave(bool haveDocument, storage::HfHandle* wave, const std::string& path, Progress* progress);

// The format word for saving: by document bits and output channels, with the channel choice of the flags.
uint16_t saveFormatWord(uint32_t documentBits, uint32_t outChannels, bool accepts32, uint32_t saveFlags);

}  // namespace formats
