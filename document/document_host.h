// What the wave document needs from outside: the file filters that identify, read and write wave files
// (DocumentReader, implemented over the filter host; a fake in tests) and the user interface and settings
// of the program (DocumentHost: message boxes, progress, the save dialog, title and recent files). Both
// are plain interfaces so that opening, saving and closing run the same natively and under Windows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "document/wave_format.h"
#include "markers/chunk_store.h"
#include "markers/marker_set.h"
#include "storage/vfile.h"

namespace document {

class WaveDocument;

// What identifying a file tells: its format, the filter that understood it, and where its samples lie
// when they can be used in place (plain PCM that the filter reports byte for byte).
struct FileIdentity {
  uint32_t rate = 0;
  uint16_t channels = 0;
  uint16_t bits = 0;
  int32_t filterIndex = -1;
  int32_t filterOptions = -1;
  bool inPlace = false;  // dataOffset/dataLength give the samples exactly as stored
  uint64_t dataOffset = 0;
  uint32_t dataLength = 0;  // bytes, whole frames
  std::string formatName;   // the filter's name, for messages
};

// Progress of a long read or write: returns kDocStop to stop.
constexpr int kDocStop = 3;
using DocProgress = std::function<int(uint32_t done, uint32_t total)>;

class DocumentReader {
 public:
  virtual ~DocumentReader() = default;
  // 0 when a filter understands the file (filterIndex -1: pick one automatically), else an open error
  // (1 not recognised). The reader shows its own message for a file it refuses.
  virtual int identify(const std::string& path, int32_t filterIndex, FileIdentity* out) = 0;
  // The metadata of the file into cues and chunks (chunks may be null: only cues and the play list).
  virtual int readMetadata(const std::string& path, const FileIdentity& id, markers::MarkerSet* cues,
                           markers::ChunkStore* chunks) = 0;
  // Maps the samples of an in-place file into a read-only virtual file carrying owner and sink, and reads
  // its metadata. Null (status set) when it cannot. By default: HfOpen over the identity's data range,
  // then readMetadata.
  virtual storage::HfHandle* mapInPlace(const std::string& path, const FileIdentity& id, uintptr_t owner,
                                        storage::HfNotifySink sink, markers::MarkerSet* cues,
                                        markers::ChunkStore* chunks, int* status) {
    storage::HfHandle* f = storage::HfOpen(path, id.dataOffset, id.dataLength, 1, owner, std::move(sink), false, status);
    if (f) readMetadata(path, id, cues, chunks);
    return f;
  }
  // Reads the samples into file (empty, with the identity's channels and bits) and the metadata. Returns
  // 0, 9 when progress stopped it (what was read stays), or another error.
  virtual int readSamples(const std::string& path, const FileIdentity& id, storage::HfHandle* file,
                          markers::MarkerSet* cues, markers::ChunkStore* chunks, const DocProgress& progress) = 0;
  // Writes frames [first, first + count) of the document through filter filterIndex. channelMask: 8 both
  // channels, 10 the left only, 12 the right only; plus 0x10 for a whole-document save. Returns 0 on
  // success, else the writer's status (the writer has shown its message).
  virtual int write(const std::string& path, int32_t filterIndex, int32_t filterOptions, WaveDocument* doc,
                    uint32_t first, uint32_t count, uint32_t channelMask, const DocProgress& progress) = 0;
};

// The save dialog's request and answer.
struct SaveDialogRequest {
  std::string title;  // "Save Waveform As" / "Save Waveform Selection As"
  std::string name;   // proposed name
  uint32_t flags = 0;
  int32_t filterIndex = -1;
  int32_t filterOptions = -1;
};
struct SaveDialogResult {
  std::string name;
  int32_t filterIndex = -1;
  int32_t filterOptions = -1;
};

// Settings the document reads.
struct DocumentSettings {
  bool savePeakFiles = false;
  bool autoFillInfo = true;
  bool useOldStyleBoxes = false;
  uint32_t peakBlockSize = 0;  // 0 = the default
};

struct DocumentHost {
  // Message box: flags and answer are the Win32 MB_* and ID* values. Empty: the default button.
  std::function<int(const std::string& text, const std::string& caption, unsigned flags)> ask;
  std::function<void(const std::string& title)> progressBegin;
  std::function<int(uint32_t done, uint32_t total)> progressMeter;  // kDocStop stops
  std::function<void()> progressEnd;
  // The save dialog; false when cancelled.
  std::function<bool(const SaveDialogRequest& request, SaveDialogResult* result)> saveDialog;
  // Shows a title text ("Loading x.wav", "Saving x.wav", or the document's title).
  std::function<void(const std::string& text)> showTitle;
  // Whether another window of the program already carries this main-window title.
  std::function<bool(const std::string& title)> titleInUse;
  std::function<void(const std::string& path)> addRecentFile;
  std::function<void(int32_t filterIndex)> rememberFilter;  // [Recent] FileFilter
  // Stops playback and recording before the document they use goes away.
  std::function<void()> stopAudio;
  // A line for the debug log (diagnostics only). Empty: dropped.
  std::function<void(const std::string& text)> debug;
  DocumentSettings settings;
};

}  // namespace document
