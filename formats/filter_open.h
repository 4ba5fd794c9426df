// Opening files through file filters: in place (the samples stay in the file and are mapped into a
// read-only virtual file) when the filter can say where plain PCM lies, otherwise imported (read through
// the filter, chunk by chunk, into a wave's storage). Both read the file's metadata items into the marker
// set and chunk store by the same rule: before the samples with FLT_META_BEFORE_READ, else after them.
//
// These functions take what they need (table, loader, paths, settings, storage) rather than a document, and
// report a status instead of a document; its message boxes go through ui::ShowMessageBox.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// Open flags (OpenMapped) and import flags (ImportThroughFilter) share their bit values.
constexpr uint32_t kOpenPeakTable = 0x1;       // create the document's peak table (the caller's step)
constexpr uint32_t kOpenPrivateBuffer = 0x2;   // OpenMapped: private read buffer for the virtual file
constexpr uint32_t kImportLeftOnly = 0x2;      // import: write into the left channel only (XF_DST_LEFT)
constexpr uint32_t kOpenTempPref2 = 0x4;       // OpenMapped: temp preference 2
constexpr uint32_t kImportRightOnly = 0x4;     // import: write into the right channel only (XF_DST_RIGHT)
constexpr uint32_t kOpenDocFlag8 = 0x8;        // document flag 8 (the caller's)
constexpr uint32_t kOpenRename = 0x10;         // the document takes the path as its name (the caller's)
constexpr uint32_t kOpenRawRemembered = 0x20;  // raw data: use the remembered raw values without asking
constexpr uint32_t kOpenMetadata = 0x40;       // import metadata items
constexpr uint32_t kOpenNoProbe = 0x80;  // import: do not ask FilterUnderstandsFormat; OpenMapped: undo store
constexpr uint32_t kOpenNoRemember = 0x100;  // OpenMapped: do not remember the filter as [Recent] FileFilter

// Statuses of an import (0 = done).
enum ImportStatus : int {
  kImportOk = 0,
  kImportCancelled = 1,     // the user stopped the reading
  kImportTempFull = 2,      // the temp drive filled ("Temporary drive full")
  kImportNoFilter = 4,      // no reading filter accepted the file (text in ImportResult::message)
  kImportRawCancelled = 5,  // the raw-format dialog or the filter's options were cancelled
  kImportReadFailed = 9,    // the filter failed or reported a format the editor cannot hold
};
const char* importStatusText(int status);

// The byte range of a file to map, clamped to the file and to whole frames: offset must be >= 0 and inside
// the file, length > 0; the length is cut to the bytes the file holds after offset and rounded down to
// whole frames. False when nothing mappable is left.
bool clampMappedRange(int32_t offset, int32_t length, uint64_t fileSize, uint32_t frameBytes,
                      uint64_t* outOffset, uint32_t* outLength);

struct OpenMappedArgs {
  std::string path;
  uint32_t flags = 0;
  uint16_t channels = 0;  // the layout the caller wants; the filter must deliver exactly this
  uint16_t bits = 0;
  uint32_t options = 1;
  ui::SettingsSource* settings = nullptr;  // [Recent] raw values and FileFilter; may be null
  SornWindow window = nullptr;
  uintptr_t owner = 0;  // the virtual file's owner value and notification sink
  storage::HfNotifySink sink;
};
struct OpenMappedResult {
  storage::HfHandle* file = nullptr;  // the mapped samples (the caller owns it)
  document::WaveFormat format;
  uint64_t offset = 0;     // where the samples lie in the file
  uint32_t length = 0;     // bytes mapped
  int hfStatus = 0;        // HfOpen's status when it failed
  std::string filterName;  // remembered as [Recent] FileFilter unless kOpenNoRemember
};
// OpenMapped: only for a FLT_READ + FLT_MAPPABLE filter exporting GetDataOffset. Null when the filter
// refuses, the layout differs from the requested one, the range is not mappable, or HfOpen fails; the
// filter is unloaded on every path. cues and chunks receive the metadata with kOpenMetadata.
storage::HfHandle* openMapped(const FilterTable& table, const FilterLoader& load, int filterIndex,
                              const OpenMappedArgs& args, markers::MarkerSet* cues,
                              markers::ChunkStore* chunks, OpenMappedResult* result);

struct ImportArgs {
  std::string path;
  uint32_t flags = 0;
  int preferredIndex = -1;  // -1 means 0
  ui::SettingsSource* settings = nullptr;
  SornWindow window = nullptr;
  Progress* progress = nullptr;  // null: no progress display and no stopping (batch runs)
  // The raw-format dialog ("Open Raw PCM files As"), pre-filled; false when cancelled. Unset = cancelled.
  std::function<bool(document::WaveFormat* format)> rawFormatDialog;
  // Called before every read when useAsync ([Settings] UseASync) is off: waits for the cache thread. Unset:
  // CacheWaitIdle on the store's cache.
  std::function<void()> waitForCache;
  bool useAsync = true;
  int32_t startFrame = 0;  // where the first frame goes in the target
};
struct ImportResult {
  int status = kImportReadFailed;
  int filterIndex = -1;      // the filter that read the file
  int saveFilterIndex = -1;  // the filter and options the document saves with from now on
  uint32_t saveOptions = 1;
  document::WaveFormat format;  // what the filter delivered
  uint32_t dataBytes = 0;       // FilterGetFileSize
  uint32_t framesWritten = 0;
  bool mappable = false;  // GetDataOffset says the file is plain PCM (document flag 0x100)
  int refusedBy = -1;     // kImportNoFilter: the first filter that recognised the file but refused it
  std::string message;    // the text of the failure, when there was one
};
// ImportThroughFilter. docFormat: the document's format, 0 fields meaning "none yet" (filled from the
// file). target: the wave's storage; its format word is set when unset. Partial frames at the end of a
// read are carried into the next one, so reads of any size give the same samples.
int importThroughFilter(const FilterTable& table, const FilterLoader& load, const ImportArgs& args,
                        document::WaveFormat* docFormat, document::SampleFile* target,
                        markers::MarkerSet* cues, markers::ChunkStore* chunks, ImportResult* result);

// The same into a new virtual file (HfCreate with the given kind, owner and sink); null on failure, the
// status in result.
storage::HfHandle* importToNewFile(const FilterTable& table, const FilterLoader& load, const ImportArgs& args,
                                   int kind, uintptr_t owner, const storage::HfNotifySink& sink,
                                   document::WaveFormat* docFormat, markers::MarkerSet* cues,
                                   markers::ChunkStore* chunks, ImportResult* result);

// ProbeFileFormat, for the open dialog's information panel: the first reading filter (from preferredIndex)
// that understands the file, with what it reports. False when none does.
struct ProbeResult {
  int filterIndex = -1;
  document::WaveFormat format;  // 0 fields: raw data whose format the filter cannot tell
  uint32_t dataBytes = 0;
  std::string description;  // the filter's description
  int refusedBy = -1;       // no filter read it: the first one that recognised the file but refused it
};
bool probeFileFormat(const FilterTable& table, const FilterLoader& load, const std::string& path,
                     int preferredIndex, ProbeResult* result);

// The samples of a file through its reading filter, for the open dialog's preview playback: the first
// reading filter (from preferredIndex) that understands the file, kept open until close() or destruction.
class FilePreview {
 public:
  FilePreview() = default;
  FilePreview(const FilePreview&) = delete;
  FilePreview& operator=(const FilePreview&) = delete;
  ~FilePreview() { close(); }

  // False (and nothing open) when no filter reads the file or it cannot tell the sample format.
  bool open(const FilterTable& table, const FilterLoader& load, const std::string& path, int preferredIndex);
  // Up to capacity bytes of samples (whole frames); 0 at the end, after a read failure or when closed.
  uint32_t read(uint8_t* dst, uint32_t capacity);
  void close();
  bool isOpen() const { return module_ != nullptr; }
  const document::WaveFormat& format() const { return format_; }
  uint32_t dataBytes() const { return dataBytes_; }

 private:
  std::unique_ptr<FilterModule> module_;
  SornFilterHandle input_ = 0;
  document::WaveFormat format_;
  uint32_t dataBytes_ = 0;
  uint32_t given_ = 0;             // bytes the filter has handed over
  std::vector<uint8_t> carry_;  // the part of a frame it handed over last
};

// Lets a filter that recognised a file but refused it (ProbeResult::refusedBy) say why: opens the file
// once more with the owner window, with which a filter shows its own message (wavpcm.flt names the codec or
// the channel count). Nothing without a window.
void explainRefusal(const FilterTable& table, const FilterLoader& load, const std::string& path,
                    int filterIndex, SornWindow window);

// The open dialog's information panel lines for a probed file: "%5ld Hz    %2d-bit     Mono" (or Stereo)
// and "%ld K" (data size in kilobytes, rounded down); "Unrecognized Format" and an empty size line when
// no filter understood the file. A format the filter could not tell shows the first line empty.
struct ProbeText {
  std::string format;
  std::string size;
};
ProbeText probeText(bool found, const ProbeResult& probe);

// The sample loop of an import, exposed for tests: reads dataBytes through the filter into target from
// startFrame with the format word. Returns kImportOk, kImportCancelled or kImportTempFull; *frames receives
// the frames written.
int importSamples(FilterModule& filter, SornFilterHandle input, uint32_t chunkBytes, uint32_t dataBytes,
                  uint16_t word, document::SampleFile* target, int32_t startFrame, const ImportArgs& args,
                  const std::string& typeName, uint32_t* frames, int pictureId = 0);

}  // namespace formats
