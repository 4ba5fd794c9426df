// The wave document record: creation, counters, and keeping peaks and cues in step with the samples.
#include "document/wave_document.h"

#include <cstdlib>

namespace document {
namespace {
uint32_t gPeakBlockSize = kPeakDefaultBlockSize;

// Sums a counter the documented way: a negative sum is taken as its absolute value.
int32_t addCounter(int32_t value, int32_t delta) {
  int64_t sum = int64_t(value) + delta;
  if (sum < 0) sum = -sum;
  if (sum > INT32_MAX) sum = INT32_MAX;
  return int32_t(sum);
}
}  // namespace

void SetPeakBlockSize(uint32_t frames) { gPeakBlockSize = frames ? frames : kPeakDefaultBlockSize; }

WaveDocument::WaveDocument() : cues_(8, 0) {}

WaveDocument::~WaveDocument() {
  if (undo_) storage::UndoFreeNode(undo_);
  undo_ = nullptr;
  peaks_.reset();
  if (file_) {
    storage::HfHandle* f = file_;
    file_ = nullptr;
    storage::HfClose(f);
  }
}

bool WaveDocument::attachFile(storage::HfHandle* file, uint32_t creationFlags) {
  file_ = file;
  sampleFile_ = HfSampleFile(file);
  storage::HfSetFormat(file, channels_, bits_);
  peakBlockSize_ = gPeakBlockSize;
  if (creationFlags & kCreatePeaks) {
    peaks_ = std::make_unique<PeakSummary>(&sampleFile_, channels_, peakBlockSize_);
    flags_ |= kDocHasPeaks;
  }
  if (creationFlags & kCreateKeepPeakFile) flags_ |= kDocKeepPeakFile;
  if (creationFlags & kCreateUndo) undo_ = storage::UndoCreateNode();
  return true;
}

std::unique_ptr<WaveDocument> WaveDocument::createEmpty(uint16_t channels, uint16_t bits, uint32_t rate,
                                                        uint32_t creationFlags, int* status) {
  std::unique_ptr<WaveDocument> doc(new WaveDocument());
  doc->rate_ = rate;
  doc->channels_ = channels;
  doc->bits_ = bits;
  WaveDocument* self = doc.get();
  int st = 0;
  storage::HfHandle* f = storage::HfCreate(
      (creationFlags & kCreateTemp2) ? 2 : 1, reinterpret_cast<uintptr_t>(self),
      [self](storage::HfHandle*, const storage::HfNotify& r) { self->onNotify(r); },
      (creationFlags & kCreatePrivateBuffer) != 0, &st);
  if (status) *status = st;
  if (!f) return nullptr;
  doc->attachFile(f, creationFlags);
  return doc;
}

std::unique_ptr<WaveDocument> WaveDocument::openWith(uint16_t channels, uint16_t bits, uint32_t rate,
                                                     uint32_t creationFlags, const FileOpener& open, int* status) {
  std::unique_ptr<WaveDocument> doc(new WaveDocument());
  doc->rate_ = rate;
  doc->channels_ = channels;
  doc->bits_ = bits;
  doc->cues_ = markers::MarkerSet(16, 0);
  WaveDocument* self = doc.get();
  int st = 0;
  storage::HfHandle* f =
      open(reinterpret_cast<uintptr_t>(self),
           [self](storage::HfHandle*, const storage::HfNotify& r) { self->onNotify(r); }, &st);
  if (status) *status = st;
  if (!f) return nullptr;
  doc->attachFile(f, creationFlags);
  return doc;
}

std::unique_ptr<WaveDocument> WaveDocument::openInPlace(const std::string& path, uint64_t offset,
                                                        uint32_t length, uint16_t channels, uint16_t bits,
                                                        uint32_t rate, uint32_t creationFlags, int* status) {
  return openWith(
      channels, bits, rate, creationFlags,
      [&](uintptr_t owner, storage::HfNotifySink sink, int* st) {
        return storage::HfOpen(path, offset, length, (creationFlags & kCreateTemp2) ? 2 : 1, owner,
                               std::move(sink), (creationFlags & kCreatePrivateBuffer) != 0, st);
      },
      status);
}

WaveFormat WaveDocument::format() const {
  WaveFormat f;
  f.rate = rate_;
  f.channels = channels_;
  f.bits = bits_;
  return f;
}

uint16_t WaveDocument::layoutWord() const { return XfLayoutWord(channels_, bits_); }

uint32_t WaveDocument::lengthFrames() const {
  if (!file_) return 0;
  uint32_t align = blockAlign();
  return align ? storage::HfGetLength(file_) / align : 0;
}

storage::HfHandle* WaveDocument::releaseFile() {
  peaks_.reset();
  flags_ &= ~kDocHasPeaks;
  storage::HfHandle* f = file_;
  file_ = nullptr;
  sampleFile_ = HfSampleFile(nullptr);
  return f;
}

void WaveDocument::setLayout(uint16_t channels, uint16_t bits) {
  channels_ = channels;
  bits_ = bits;
  if (file_) storage::HfSetFormat(file_, channels, bits);
  rebuildPeaks();
}

void WaveDocument::setPeaks(std::unique_ptr<PeakSummary> peaks) {
  peaks_ = std::move(peaks);
  if (peaks_)
    flags_ |= kDocHasPeaks;
  else
    flags_ &= ~kDocHasPeaks;
}

void WaveDocument::rebuildPeaks() {
  if (!(flags_ & kDocHasPeaks)) return;
  peaks_ = std::make_unique<PeakSummary>(&sampleFile_, channels_, peakBlockSize_);
  flags_ &= ~kDocPeaksMatchDisk;
}

int32_t WaveDocument::addSampleChanges(int32_t delta) {
  sampleChanges_ = addCounter(sampleChanges_, delta);
  countersChanged();
  return sampleChanges_;
}

int32_t WaveDocument::addFormatChanges(int32_t delta) {
  formatChanges_ = addCounter(formatChanges_, delta);
  countersChanged();
  return formatChanges_;
}

void WaveDocument::resetCounters() {
  sampleChanges_ = 0;
  formatChanges_ = 0;
  countersChanged();
}

void WaveDocument::countersChanged() {
  if (counterListener_) counterListener_();
}

void WaveDocument::onNotify(const storage::HfNotify& r) {
  const uint32_t align = blockAlign();
  if (!align) return;
  switch (r.code) {
    case storage::HFN_LENGTH:
      if (!loading_) flags_ |= kDocLengthChanged;
      break;
    case storage::HFN_INSERT:
    case storage::HFN_CUT: {
      if (!loading_) flags_ |= kDocLengthChanged;
      const uint32_t frame = r.a / align, frames = r.b / align;
      if (peaks_) {
        if (r.code == storage::HFN_INSERT)
          peaks_->onInsert(frame, frames);
        else
          peaks_->onCut(frame, frames);
      }
      if (!(flags_ & kDocNoCueShift) && !cueShiftSuppressed_) {
        if (r.code == storage::HFN_INSERT)
          cues_.adjustForInsertion(frame, frames);
        else
          cues_.adjustForDeletion(frame, frames);
      }
      break;
    }
    case storage::HFN_WRITE:
      if (peaks_) peaks_->onWrite(r.a, r.b, channels_, bits_);
      break;
    default:
      break;
  }
}

}  // namespace document
