// The editing commands of the Edit, Transform and Generate menus that change samples directly. See
// edit_ops.h. Every change is made in the file's own layout (whole frames, only the edited channel's
// bytes touched), so an edit and its undo are exact to the byte.
#include "document/edit_ops.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "document/sample_transfer.h"
#include "document/undo_command.h"
#include "include/sorn_bytes.h"
#include "ui/message_box.h"

namespace document {
namespace {

// The work buffer of reverse and invert.
constexpr uint32_t kWorkBufferBytes = 88200;

// The process-wide edit serial: each edit stamps its undo level with the next value.
uint32_t gEditSerial = 0;

bool hasSamples(const WaveDocument* doc) {
  return doc && doc->file() && doc->lengthFrames() > 0 && doc->blockAlign() > 0;
}

// The progress window of one command: opened on first use, closed on scope exit.
class Progress {
 public:
  Progress(const EditUi& ui, const char* title) : ui_(ui) {
    if (ui_.progressBegin) ui_.progressBegin(title);
  }
  ~Progress() {
    if (ui_.progressEnd) ui_.progressEnd();
  }
  // False when the user pressed stop.
  bool meter(uint32_t done, uint32_t total) {
    return !(ui_.progressMeter && ui_.progressMeter(done, total) == kDocStop);
  }

 private:
  const EditUi& ui_;
};

int ask(const EditUi& ui, const char* text, const char* caption, unsigned flags, int byDefault) {
  return ui.ask ? ui.ask(text, caption, flags) : byDefault;
}

// The bytes of one channel inside a frame: offset and size (the whole frame for kChannelBoth).
void channelBytes(const WaveDocument* doc, int channel, uint32_t* offset, uint32_t* size) {
  const uint32_t fs = doc->blockAlign();
  if (doc->channels() == 2 && channel != kChannelBoth) {
    *size = fs / 2;
    *offset = channel == kChannelRight ? fs / 2 : 0;
  } else {
    *size = fs;
    *offset = 0;
  }
}

uint16_t channelMask(int channel) {
  return channel == kChannelLeft ? XF_DST_LEFT : channel == kChannelRight ? XF_DST_RIGHT : 0;
}

bool validBits(uint16_t bits) {
  return bits == 8 || bits == 16 || bits == 32;
}

// Selection of frames first..first+count-1 (a cursor at first when count is 0).
EditResult selection(uint32_t first, uint32_t count) {
  EditResult r;
  r.select = true;
  r.selStart = first;
  r.selEnd = first + count - 1;
  return r;
}

// One zero crossing search that reports whether it found one (the search returns its starting frame
// unchanged when it finds none; a crossing is never at the starting frame itself).
bool crossing(WaveDocument* doc, int32_t from, int direction, int channel, int32_t* at) {
  const int32_t r = FindZeroCrossing(doc->samples(), from, direction, channel);
  if (r == from) return false;
  *at = r;
  return true;
}

// Stereo, both channels: a frame where both channels cross close together, searching forward from the
// start. Each retry moves the left crossing on; when it stops moving, or runs off the wave, the start stays.
int32_t stereoStart(WaveDocument* doc, int32_t start, uint32_t length) {
  int32_t left = 0;
  if (!crossing(doc, start < 0 ? 0 : start + 1, 1, kChannelLeft, &left)) return start;
  for (;;) {
    int32_t right = 0;
    if (!crossing(doc, left < 3 ? 0 : left - 2, 1, kChannelRight, &right)) return start;
    if (std::abs(int64_t(left) - right) < 4) return int32_t((int64_t(left) + right) / 2);
    if (uint32_t(left) >= length || uint32_t(right) >= length) return start;
    int32_t next = 0;
    if (!crossing(doc, left, 1, kChannelLeft, &next) || next <= left) return start;
    left = next;
  }
}

// The same backward from the end; the result is kept only when it lies after newStart.
int32_t stereoEnd(WaveDocument* doc, int32_t end, int32_t newStart) {
  int32_t p = 0;
  if (!crossing(doc, end, -1, kChannelLeft, &p)) return end;
  for (;;) {
    int32_t b = 0;
    if (!crossing(doc, p + 2, -1, kChannelRight, &b)) return end;
    if (std::abs(int64_t(p) - b) < 3) return int32_t((int64_t(p) + b) / 2);
    if (p < newStart || b < newStart) return end;
    int32_t next = 0;
    if (p < 1 || !crossing(doc, p - 1, -1, kChannelLeft, &next) || next >= p) return end;
    p = next;
  }
}

// Reverses frames first..last (or one channel of them) through the work buffer: blocks from the front and
// the back are exchanged mirrored, an odd middle frame stays.
int reverseFrames(WaveDocument* doc, uint32_t first, uint32_t last, int channel, const EditUi& ui) {
  const uint32_t fs = doc->blockAlign();
  const uint32_t h = (kWorkBufferBytes / fs) / 2;
  std::unique_ptr<uint8_t[]> buf(new (std::nothrow) uint8_t[kWorkBufferBytes]);
  if (!buf) return kEditNoMemory;
  uint8_t* front = buf.get();
  uint8_t* back = buf.get() + size_t(h) * fs;
  uint32_t offset = 0, size = 0;
  channelBytes(doc, channel, &offset, &size);
  const uint16_t word = doc->layoutWord();
  const uint32_t pairs = (last - first + 1) / 2;
  const uint32_t total = last - first + 1;
  uint32_t done = 0;
  uint32_t f = first;
  uint32_t b = last;  // inclusive end of the back block
  Progress progress(ui, "Reverse");
  while (done < pairs) {
    const uint32_t k = std::min(h - 1, pairs - done);
    const uint32_t backStart = b + 1 - k;
    SampleRead(doc->samples(), front, int32_t(f), k, word);
    SampleRead(doc->samples(), back, int32_t(backStart), k, word);
    uint8_t tmp[8];
    for (uint32_t i = 0; i < k; ++i) {
      uint8_t* x = front + size_t(i) * fs + offset;
      uint8_t* y = back + size_t(k - 1 - i) * fs + offset;
      std::memcpy(tmp, x, size);
      std::memcpy(x, y, size);
      std::memcpy(y, tmp, size);
    }
    SampleWrite(doc->samples(), back, int32_t(backStart), k, word);
    SampleWrite(doc->samples(), front, int32_t(f), k, word);
    f += k;
    b -= k;
    done += k;
    if (!progress.meter(2 * done, total)) return kEditStopped;
  }
  return kEditOk;
}

// Inverts one sample in place: 8-bit complement, 16-bit two's complement negation (-32768 stays),
// float negation (the sign bit, so every value comes back exactly when inverted again).
void invertSample(uint8_t* p, uint16_t bits) {
  if (bits == 8) {
    p[0] = uint8_t(255 - p[0]);
  } else if (bits == 16) {
    const int16_t v = SornGetS16LE(p);
    SornPutS16LE(p, v == -32768 ? v : int16_t(-v));
  } else {
    p[3] ^= 0x80;
  }
}

int invertFrames(WaveDocument* doc, uint32_t first, uint32_t last, int channel, const EditUi& ui) {
  const uint32_t fs = doc->blockAlign();
  const uint32_t bytesPerSample = doc->bits() / 8u;
  const uint32_t chunk = kWorkBufferBytes / fs;
  std::unique_ptr<uint8_t[]> buf(new (std::nothrow) uint8_t[kWorkBufferBytes + 1000]);
  if (!buf) return kEditNoMemory;
  uint32_t offset = 0, size = 0;
  channelBytes(doc, channel, &offset, &size);
  const uint16_t word = doc->layoutWord();
  const uint32_t total = last - first + 1;
  Progress progress(ui, "Invert");
  for (uint32_t done = 0; done < total;) {
    const uint32_t k = std::min(chunk, total - done);
    const uint32_t got = SampleRead(doc->samples(), buf.get(), int32_t(first + done), k, word);
    for (uint32_t i = 0; i < got; ++i)
      for (uint32_t s = 0; s < size; s += bytesPerSample)
        invertSample(buf.get() + size_t(i) * fs + offset + s, doc->bits());
    SampleWrite(doc->samples(), buf.get(), int32_t(first + done), got, word);
    done += k;
    if (!progress.meter(done, total)) return kEditStopped;
  }
  return kEditOk;
}

// Records an in-place change of first..last (range unchanged in length).
void recordInPlace(WaveDocument* doc, int32_t command, int channel, uint32_t first, uint32_t last,
                   const char* title) {
  storage::UndoRecordLevel(doc->undo(),
                           EditRecord(doc, command, channel, first, last, title, NextEditSerial()));
  doc->addSampleChanges(1);
}

}  // namespace

uint32_t NextEditSerial() {
  return gEditSerial++;
}
uint32_t CurrentEditSerial() {
  return gEditSerial;
}
void ResetEditSerial() {
  gEditSerial = 0;
}

storage::UndoRecord EditRecord(const WaveDocument* doc, int32_t command, int editChannel, uint32_t start,
                               uint32_t end, const char* title, uint32_t editSerial) {
  storage::UndoRecord r;
  r.rate = doc->rate();
  r.bits = doc->bits();
  r.channels = doc->channels();
  r.editChannel = doc->channels() == 2 ? editChannel : 0;
  r.command = command;
  r.start = start;
  r.end = end;
  r.title = title;
  r.editSerial = editSerial;
  return r;
}

bool EffectiveRange(const WaveDocument* doc, const EditRange& range, uint32_t* first, uint32_t* last) {
  if (!hasSamples(doc)) return false;
  const uint32_t len = doc->lengthFrames();
  int64_t a, b;
  if (range.hasSelection()) {
    a = range.start;
    b = range.end;
  } else {
    a = range.viewStart;
    b = std::min<int64_t>(range.viewEnd, int64_t(len) - 1);
  }
  b = std::min<int64_t>(b, int64_t(len) - 1);
  if (a < 0 || a > b) return false;
  *first = uint32_t(a);
  *last = uint32_t(b);
  return true;
}

int EffectiveChannel(const WaveDocument* doc, const EditRange& range) {
  if (!doc || doc->channels() != 2) return kChannelBoth;
  return range.editChannel == kChannelLeft || range.editChannel == kChannelRight ? range.editChannel
                                                                                 : kChannelBoth;
}

void ViewAfterShrink(uint32_t viewStart, uint32_t viewEnd, uint32_t length, uint32_t* outStart,
                     uint32_t* outEnd) {
  if (!length) {
    *outStart = *outEnd = 0;
    return;
  }
  const uint64_t width = viewEnd >= viewStart ? uint64_t(viewEnd) - viewStart + 1 : 1;
  if (width >= length) {
    *outStart = 0;
    *outEnd = length - 1;
    return;
  }
  uint64_t start = viewStart, end = start + width - 1;
  if (end > length - 1) {
    end = length - 1;
    start = end + 1 - width;
  }
  *outStart = uint32_t(start);
  *outEnd = uint32_t(end);
}

EditResult SelectAll(const WaveDocument* doc) {
  if (!hasSamples(doc)) {
    EditResult r;
    r.status = kEditNothing;
    return r;
  }
  return selection(0, doc->lengthFrames());
}

EditResult ZeroCrossAdjust(WaveDocument* doc, const EditRange& range) {
  EditResult r;
  if (!hasSamples(doc)) {
    r.status = kEditNothing;
    return r;
  }
  const uint32_t len = doc->lengthFrames();
  const int32_t start = int32_t(std::clamp<int64_t>(range.start, -1, int64_t(len) - 1));
  const bool sel = range.hasSelection();
  const int32_t end = int32_t(std::min<int64_t>(range.end, int64_t(len) - 1));
  const int channel = EffectiveChannel(doc, range);
  int32_t newStart, newEnd;
  if (doc->channels() == 1 || channel != kChannelBoth) {
    const int ch = doc->channels() == 1 ? kChannelLeft : channel;
    newStart = FindZeroCrossing(doc->samples(), start < 0 ? 0 : start + 1, 1, ch);
    newEnd = sel ? FindZeroCrossing(doc->samples(), end, -1, ch) : newStart - 1;
  } else {
    newStart = stereoStart(doc, start, len);
    newEnd = sel ? stereoEnd(doc, end, newStart) : newStart - 1;
  }
  if (newStart < 0) newStart = 0;
  if (!sel || newEnd <= newStart) newEnd = newStart - 1;
  r.select = true;
  r.selStart = uint32_t(newStart);
  r.selEnd = uint32_t(newEnd);
  return r;
}

EditResult Silence(WaveDocument* doc, const EditRange& range, const EditUi& ui) {
  EditResult r;
  uint32_t first = 0, last = 0;
  if (!range.hasSelection() || !EffectiveRange(doc, range, &first, &last)) {
    r.status = kEditNothing;
    return r;
  }
  if (!storage::UndoEnabled() && !ui.scriptPlaying &&
      ask(ui, "Are you sure you want to silence the selection?", "Please Confirm",
          ui::kMbOkCancel | ui::kMbIconQuestion, ui::kIdOk) == ui::kIdCancel) {
    r.status = kEditDeclined;
    return r;
  }
  if (!storage::UndoSaveRange(doc->undo(), doc->file(), first, last)) {
    r.status = kEditDeclined;
    return r;
  }
  const int channel = EffectiveChannel(doc, range);
  SampleSilence(doc->samples(), int32_t(first), last - first + 1,
                uint16_t(doc->layoutWord() | channelMask(channel)));
  recordInPlace(doc, kCmdSilence, channel, first, last, "Undo Silence");
  r = selection(first, last - first + 1);
  r.frames = last - first + 1;
  return r;
}

EditResult DeleteSelection(WaveDocument* doc, const EditRange& range, const EditUi& ui) {
  EditResult r;
  uint32_t first = 0, last = 0;
  if (!range.hasSelection() || !EffectiveRange(doc, range, &first, &last)) {
    r.status = kEditNothing;
    return r;
  }
  if (EffectiveChannel(doc, range) != kChannelBoth) return Silence(doc, range, ui);
  if (!storage::UndoSaveRange(doc->undo(), doc->file(), first, last)) {
    r.status = kEditDeclined;
    return r;
  }
  const uint32_t count = last - first + 1;
  const uint32_t removed = SampleCut(doc->samples(), int32_t(first), count);
  storage::UndoRecordLevel(doc->undo(),
                           EditRecord(doc, kCmdDelete, 0, first, first - 1, "Undo Delete", NextEditSerial()));
  doc->addSampleChanges(1);
  r = selection(first, 0);
  r.frames = removed;
  r.setView = true;
  ViewAfterShrink(range.viewStart, range.viewEnd, doc->lengthFrames(), &r.viewStart, &r.viewEnd);
  return r;
}

EditResult Trim(WaveDocument* doc, const EditRange& range, const EditUi& ui) {
  EditResult r;
  uint32_t first = 0, last = 0;
  if (!range.hasSelection() || !EffectiveRange(doc, range, &first, &last)) {
    r.status = kEditNothing;
    return r;
  }
  const uint32_t len = doc->lengthFrames();
  storage::UndoNode* node = doc->undo();
  const uint32_t serial = NextEditSerial();
  // The tail first: its level's range is empty (last + 1 .. last), the frames after the selection.
  if (!storage::UndoSaveRange(node, doc->file(), last + 1, len - 1)) {
    r.status = kEditDeclined;
    return r;
  }
  if (last + 1 < len) SampleCut(doc->samples(), int32_t(last + 1), len - 1 - last);
  const bool tailRecorded = storage::UndoRecordLevel(node, EditRecord(doc, kCmdTrim, 0, last + 1, last,
                                                                      "Undo Trim", serial)) != nullptr;
  doc->addSampleChanges(1);
  // Then the head, chained to the tail so that one Undo restores both.
  if (!storage::UndoSaveRange(node, doc->file(), 0, first - 1)) {
    // Put the tail back rather than leave half a trim behind.
    if (tailRecorded && node && !node->empty() && node->levels.back().command == kCmdTrim &&
        node->levels.back().editSerial == serial)
      UndoCommand(doc);
    r.status = kEditDeclined;
    return r;
  }
  const bool chainable = node && !node->empty() && node->levels.back().command == kCmdTrim &&
                         node->levels.back().editSerial == serial;
  if (first > 0) SampleCut(doc->samples(), 0, first);
  storage::UndoLevel* head =
      storage::UndoRecordLevel(node, EditRecord(doc, kCmdTrim, 0, 0, 0xFFFFFFFFu, "Undo Trim", serial));
  if (head) {
    if (chainable) head->chain = 1;
    doc->addSampleChanges(1);
  }
  const uint32_t now = doc->lengthFrames();
  r = selection(0, now);
  r.frames = len - now;
  r.setView = true;
  r.viewStart = 0;
  r.viewEnd = now ? now - 1 : 0;
  return r;
}

namespace {

// Reverse and Invert: the range keeps its length and its frames are rewritten in place, one channel or
// both; the saved range is the undo level.
template <typename Rewrite>
EditResult rewriteInPlace(WaveDocument* doc, const EditRange& range, const EditUi& ui, int32_t command,
                          const char* title, Rewrite rewrite) {
  EditResult r;
  uint32_t first = 0, last = 0;
  if (!EffectiveRange(doc, range, &first, &last)) {
    r.status = kEditNothing;
    return r;
  }
  if (!validBits(doc->bits())) {
    r.status = kEditBadFormat;
    return r;
  }
  if (!storage::UndoSaveRange(doc->undo(), doc->file(), first, last)) {
    r.status = kEditDeclined;
    return r;
  }
  const int channel = EffectiveChannel(doc, range);
  const int st = rewrite(doc, first, last, channel, ui);
  if (st == kEditNoMemory) {
    storage::UndoDiscardPending(doc->undo());
    r.status = st;
    return r;
  }
  recordInPlace(doc, command, channel, first, last, title);
  r = selection(first, last - first + 1);
  r.status = st;
  r.frames = last - first + 1;
  return r;
}

}  // namespace

EditResult Reverse(WaveDocument* doc, const EditRange& range, const EditUi& ui) {
  return rewriteInPlace(doc, range, ui, kCmdReverse, "Undo Reverse", reverseFrames);
}

EditResult Invert(WaveDocument* doc, const EditRange& range, const EditUi& ui) {
  return rewriteInPlace(doc, range, ui, kCmdInvert, "Undo Invert", invertFrames);
}

bool SilenceFrames(double seconds, uint32_t rate, uint32_t* frames) {
  if (!std::isfinite(seconds) || seconds <= 0 || rate == 0) return false;
  const double f = std::floor(double(rate) * seconds);
  if (!(f >= 1) || f > 4294967295.0) return false;
  *frames = uint32_t(f);
  return true;
}

EditResult GenerateSilence(WaveDocument* doc, const EditRange& range, double seconds, const EditUi& ui) {
  EditResult r;
  if (!doc || !doc->file() || !doc->blockAlign()) {
    r.status = kEditNothing;
    return r;
  }
  uint32_t frames = 0;
  if (!SilenceFrames(seconds, doc->rate(), &frames)) {
    r.status = kEditBadValue;
    return r;
  }
  const uint32_t len = doc->lengthFrames();
  uint32_t first = uint32_t(std::clamp<int64_t>(range.start, 0, len));
  uint32_t removeCount = 0;
  if (range.hasSelection() && first < len)
    removeCount = uint32_t(std::min<int64_t>(range.end, int64_t(len) - 1) - first + 1);
  // The wave afterwards must still fit the 32-bit byte addresses of a virtual file.
  if ((uint64_t(len) - removeCount + frames) * doc->blockAlign() > 0xFFFFFFFFu) {
    r.status = kEditBadValue;
    return r;
  }
  if (!storage::UndoSaveRange(doc->undo(), doc->file(), first, first + removeCount - 1)) {
    r.status = kEditDeclined;
    return r;
  }
  if (removeCount) SampleCut(doc->samples(), int32_t(first), removeCount);
  const uint32_t inserted = SampleInsertBlank(doc->samples(), int32_t(first), frames, true);
  if (inserted || removeCount) {
    // Recorded over what was really inserted, so that a short insert can still be undone exactly.
    storage::UndoRecordLevel(doc->undo(), EditRecord(doc, kCmdGenerateSilence, 0, first, first + inserted - 1,
                                                     "Undo Generate Silence", NextEditSerial()));
    doc->addSampleChanges(1);
  } else {
    storage::UndoDiscardPending(doc->undo());
  }
  r = selection(first, inserted);
  r.frames = inserted;
  r.status = inserted == frames ? kEditOk : kEditShort;
  const uint32_t now = doc->lengthFrames();
  r.setView = true;
  const int64_t widened = int64_t(range.viewEnd) + inserted - removeCount;
  r.viewStart = std::min(range.viewStart, now ? now - 1 : 0);
  r.viewEnd = uint32_t(std::clamp<int64_t>(widened, r.viewStart, now ? int64_t(now) - 1 : 0));
  return r;
}

double DrawnSampleValue(double v, uint16_t bits) {
  if (!std::isfinite(v)) v = 0;
  if (bits == 16 || bits == 8) {
    const double scale = bits == 16 ? 32768.0 : 128.0;
    double m = std::floor(std::fabs(v) * scale + 0.5);
    if (v < 0) m = -m;
    m = std::clamp(m, -scale, scale - 1);  // both ends: a drag to the top must not wrap to the bottom
    return bits == 16 ? m : m * 256.0;
  }
  return v * 32768.0;
}

EditResult AdjustSample(WaveDocument* doc, uint32_t frame, int channel, double v) {
  EditResult r;
  if (!hasSamples(doc) || frame >= doc->lengthFrames()) {
    r.status = kEditNothing;
    return r;
  }
  if (doc->channels() == 1)
    channel = 0;
  else if (channel != kChannelLeft)
    channel = kChannelRight;
  const uint16_t word = uint16_t((doc->channels() == 2 ? XF_STEREO : XF_MONO) | XF_32BIT);
  float f[2] = {0, 0};
  if (SampleRead(doc->samples(), f, int32_t(frame), 1, word) != 1) {
    r.status = kEditNothing;
    return r;
  }
  const int idx = channel == kChannelRight ? 1 : 0;
  const float old = f[idx];
  f[idx] = float(DrawnSampleValue(v, doc->bits()));
  storage::UndoOpenLevel(doc->undo());
  // The value is already within the integer range; clipping would turn -32768 into -32767.
  SampleWrite(doc->samples(), f, int32_t(frame), 1, word);
  storage::UndoLevel* level = storage::UndoRecordLevel(
      doc->undo(),
      EditRecord(doc, kCmdSampleAdjust, channel, frame, frame, "Undo Sample Adjustment", NextEditSerial()));
  if (level) level->value = old;
  doc->addSampleChanges(1);
  r = selection(frame, 0);
  r.frames = 1;
  return r;
}

EditResult AdjustSampleRate(WaveDocument* doc, uint32_t newRate) {
  EditResult r;
  if (!doc) {
    r.status = kEditNothing;
    return r;
  }
  if (newRate == 0 || newRate > kMaxSampleRate) {
    r.status = kEditBadValue;
    return r;
  }
  if (newRate == doc->rate()) {
    r.status = kEditNothing;
    return r;
  }
  // An undo level without samples remembers the old rate; Undo puts it back.
  if (doc->undo()) {
    storage::UndoOpenLevel(doc->undo());
    storage::UndoRecord rec;
    rec.rate = doc->rate();
    rec.bits = doc->bits();
    rec.channels = doc->channels();
    rec.command = kCmdAdjustRate;
    rec.start = 0;
    rec.end = doc->lengthFrames() ? doc->lengthFrames() - 1 : 0;
    rec.title = "Undo Adjust Sample Rate";
    storage::UndoRecordLevel(doc->undo(), rec);
  }
  doc->setRate(newRate);
  doc->addFormatChanges(1);
  return r;
}

}  // namespace document
