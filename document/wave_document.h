// The wave document: the one open waveform with its sample format, the virtual file holding its samples,
// its peak summary, cue list and play list, kept metadata chunks, undo levels, name and the two
// modification counters. Windows stay out of it: the document reaches the user, the file filters and the
// main window only through DocumentHost and DocumentReader (document_host.h).
//
// Store notifications of the document's own virtual file keep everything in step: an insertion or a cut
// shifts the peak summary and (unless kDocNoCueShift) the cue list and marks the length changed; a write
// updates the peak summary.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "document/hf_sample_file.h"
#include "document/peak_summary.h"
#include "document/wave_format.h"
#include "markers/chunk_store.h"
#include "markers/marker_set.h"
#include "storage/undo_store.h"
#include "storage/vfile.h"

namespace document {

// Creation flags.
constexpr uint32_t kCreatePeaks = 0x1;
constexpr uint32_t kCreatePrivateBuffer = 0x2;
constexpr uint32_t kCreateTemp2 = 0x4;
constexpr uint32_t kCreateKeepPeakFile = 0x8;
constexpr uint32_t kCreateUndo = 0x80;
constexpr uint32_t kCreateNewWave = 0x83;
constexpr uint32_t kCreateNewWavePeakFile = 0x8B;

// Document flags.
constexpr uint32_t kDocHasPeaks = 0x1;
constexpr uint32_t kDocKeepPeakFile = 0x8;
constexpr uint32_t kDocNoCueShift = 0x40;
constexpr uint32_t kDocLengthChanged = 0x80;  // quick save is no longer possible
constexpr uint32_t kDocPeaksMatchDisk = 0x100;

// Open errors.
constexpr int kOpenOk = 0;
constexpr int kOpenNotRecognised = 1;
constexpr int kOpenUnreadable = 2;  // the file is gone, locked or not a file
constexpr int kOpenNoMemory = 4;
constexpr int kOpenStopped = 9;

class WaveDocument {
 public:
  ~WaveDocument();
  WaveDocument(const WaveDocument&) = delete;
  WaveDocument& operator=(const WaveDocument&) = delete;

  // An empty document; null (status in *status when given) when no virtual file could be made.
  static std::unique_ptr<WaveDocument> createEmpty(uint16_t channels, uint16_t bits, uint32_t rate,
                                                   uint32_t creationFlags, int* status = nullptr);
  // A document over bytes [offset, offset + length) of a file on disk, mapped in place (no byte copied).
  static std::unique_ptr<WaveDocument> openInPlace(const std::string& path, uint64_t offset, uint32_t length,
                                                   uint16_t channels, uint16_t bits, uint32_t rate,
                                                   uint32_t creationFlags, int* status = nullptr);

  // A document whose virtual file is made by open (given the owner value and notification sink the file
  // must carry), e.g. a file filter mapping its data in place. Null when open returns null.
  using FileOpener = std::function<storage::HfHandle*(uintptr_t owner, storage::HfNotifySink sink, int* status)>;
  static std::unique_ptr<WaveDocument> openWith(uint16_t channels, uint16_t bits, uint32_t rate,
                                                uint32_t creationFlags, const FileOpener& open, int* status = nullptr);

  // --- format and samples
  uint32_t rate() const { return rate_; }
  uint16_t channels() const { return channels_; }
  uint16_t bits() const { return bits_; }
  WaveFormat format() const;
  uint32_t blockAlign() const { return uint32_t(bits_ / 8) * channels_; }
  uint16_t layoutWord() const;  // XF_* layout of the samples
  uint32_t lengthFrames() const;
  storage::HfHandle* file() const { return file_; }
  SampleFile* samples() { return &sampleFile_; }
  void setRate(uint32_t rate) { rate_ = rate; }
  // Changes channels and bits (the virtual file's format word follows; the peak summary is rebuilt).
  void setLayout(uint16_t channels, uint16_t bits);

  // Hands the virtual file over (for splicing it into another document); the document is left without
  // samples.
  storage::HfHandle* releaseFile();

  // --- parts
  PeakSummary* peaks() { return peaks_.get(); }
  void setPeaks(std::unique_ptr<PeakSummary> peaks);
  // Drops the peak summary and builds a new empty one for the current layout (when peaks are kept).
  void rebuildPeaks();
  markers::MarkerSet& cues() { return cues_; }
  markers::ChunkStore& chunks() { return chunks_; }
  storage::UndoNode* undo() { return undo_; }

  // --- flags, counters, name
  uint32_t flags() const { return flags_; }
  void setFlags(uint32_t set, uint32_t clear) { flags_ = (flags_ & ~clear) | set; }
  int32_t sampleChanges() const { return sampleChanges_; }
  int32_t formatChanges() const { return formatChanges_; }
  // Adds delta; a negative sum becomes its absolute value (adding the negated counter resets it to 0).
  int32_t addSampleChanges(int32_t delta);
  int32_t addFormatChanges(int32_t delta);
  void resetCounters();
  bool modified() const { return sampleChanges_ != 0 || formatChanges_ != 0; }

  const std::string& name() const { return name_; }
  void setName(const std::string& name) { name_ = name; }
  // The text the main window title starts with: the file part of the name (with ";n" when another
  // window already shows that name), or "Untitled".
  const std::string& titleText() const { return titleText_; }
  void setTitleText(const std::string& text) { titleText_ = text; }
  int32_t filterIndex() const { return filterIndex_; }
  int32_t filterOptions() const { return filterOptions_; }
  void setFilter(int32_t index, int32_t options) {
    filterIndex_ = index;
    filterOptions_ = options;
  }
  uint32_t scannedLength() const { return scannedLength_; }
  void setScannedLength(uint32_t frames) { scannedLength_ = frames; }

  // While loading, length changes do not count as edits (flag 0x80 stays as it is).
  void setLoading(bool on) { loading_ = on; }
  // The undo splice switches cue shifting off around its work.
  void setCueShiftSuppressed(bool on) { cueShiftSuppressed_ = on; }

  // Called whenever a counter changes (the main window refreshes its title).
  void setCounterListener(std::function<void()> listener) { counterListener_ = std::move(listener); }

 private:
  WaveDocument();
  bool attachFile(storage::HfHandle* file, uint32_t creationFlags);
  void onNotify(const storage::HfNotify& record);
  void countersChanged();

  storage::HfHandle* file_ = nullptr;
  HfSampleFile sampleFile_{nullptr};
  std::unique_ptr<PeakSummary> peaks_;
  markers::MarkerSet cues_;
  markers::ChunkStore chunks_;
  storage::UndoNode* undo_ = nullptr;
  uint32_t rate_ = 0;
  uint16_t channels_ = 0;
  uint16_t bits_ = 0;
  uint32_t flags_ = 0;
  int32_t sampleChanges_ = 0;
  int32_t formatChanges_ = 0;
  std::string name_;
  std::string titleText_ = "Untitled";
  int32_t filterIndex_ = -1;
  int32_t filterOptions_ = -1;
  uint32_t scannedLength_ = 0;
  uint32_t peakBlockSize_ = kPeakDefaultBlockSize;
  bool loading_ = false;
  bool cueShiftSuppressed_ = false;
  std::function<void()> counterListener_;
};

// The configured peak block size for new summaries (0 = the default).
void SetPeakBlockSize(uint32_t frames);

}  // namespace document
