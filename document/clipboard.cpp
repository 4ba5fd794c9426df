// Copy and cut, the CF_WAVE block of the Windows clipboard, and the virtual internal clipboard. See
// clipboard.h. The paste itself is in clipboard_paste.cpp.
#include "document/clipboard.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "document/sample_transfer.h"
#include "document/undo_command.h"
#include "include/sorn_bytes.h"
#include "ui/message_box.h"

namespace document {
namespace {

constexpr uint32_t kCopyChunkFrames = 32768;

int ask(const EditUi& ui, const char* text, const char* caption, unsigned flags, int byDefault) {
  return ui.ask ? ui.ask(text, caption, flags) : byDefault;
}

uint16_t pickWord(WaveDocument* doc, int channel) {
  if (doc->channels() != 2) return 0;
  return channel == kChannelLeft ? XF_SRC_LEFT : channel == kChannelRight ? XF_SRC_RIGHT : 0;
}

int copyChannel(const WaveDocument* doc, uint32_t flags) {
  if (doc->channels() != 2) return kChannelBoth;
  const bool l = (flags & kCopyLeft) != 0, r = (flags & kCopyRight) != 0;
  return l && !r ? kChannelLeft : r && !l ? kChannelRight : kChannelBoth;
}

uint32_t copyFlagsFor(int channel) {
  return channel == kChannelLeft ? kCopyLeft : channel == kChannelRight ? kCopyRight : 0;
}

void reportCopyFailure(const EditUi& ui) {
  ask(ui, "Not enough space left to copy", "Low on Hard Drive or RAM", ui::kMbOk | ui::kMbIconWarning, ui::kIdOk);
}

// Copy range inside the "Copying..." progress window.
int copyShowingProgress(WaveDocument* doc, uint32_t start, uint32_t count, uint32_t flags,
                        InternalClipboard* internal, SystemClipboard* system, const EditUi& ui) {
  if (ui.progressBegin) ui.progressBegin("Copying...");
  const int st = CopyRange(doc, start, count, flags, internal, system, ui);
  if (ui.progressEnd) ui.progressEnd();
  return st;
}

}  // namespace

Clip CopyToClip(WaveDocument* doc, uint32_t start, uint32_t count, int channel) {
  if (!doc || !doc->file() || !doc->blockAlign()) return nullptr;
  const bool one = doc->channels() == 2 && channel != kChannelBoth;
  const uint16_t channels = one ? 1 : doc->channels();
  Clip clip = WaveDocument::createEmpty(channels, doc->bits(), doc->rate(), 0);
  if (!clip) return nullptr;
  if (!count) return clip;
  if (!one) {
    // Whole frames: copy the blocks and splice them in, no sample is converted.
    const uint64_t fs = doc->blockAlign();
    if ((uint64_t(start) + count) * fs > 0xFFFFFFFFu) return nullptr;
    int status = 0;
    storage::HfHandle* copy =
        storage::HfCopy(doc->file(), uint32_t(start * fs), uint32_t(count * fs), 0, false, &status, nullptr);
    if (!copy) return nullptr;
    if (status != 0 || storage::HfGetLength(copy) != count * fs ||
        storage::HfInsertFile(clip->file(), copy, 0) != 0) {
      storage::HfClose(copy);
      return nullptr;
    }
    return clip;
  }
  const uint16_t word = XfLayoutWord(1, doc->bits());
  const uint32_t fb = doc->bits() / 8u;
  std::unique_ptr<uint8_t[]> buf(new (std::nothrow) uint8_t[size_t(kCopyChunkFrames) * fb]);
  if (!buf) return nullptr;
  for (uint32_t done = 0; done < count;) {
    const uint32_t k = std::min(kCopyChunkFrames, count - done);
    const uint32_t got = SampleRead(doc->samples(), buf.get(), int32_t(start + done), k,
                                    uint16_t(word | pickWord(doc, channel)));
    if (got != k || SampleWrite(clip->samples(), buf.get(), int32_t(done), k, word) != k) return nullptr;
    done += k;
  }
  return clip;
}

int VirtualClipboard::store(WaveDocument* doc, uint32_t start, uint32_t count, int channel) {
  clip_.reset();
  clip_ = CopyToClip(doc, start, count, channel);
  return clip_ ? kCopyOk : kCopyNoClipboardFile;
}

Clip VirtualClipboard::load() {
  if (!clip_) return nullptr;
  return CopyToClip(clip_.get(), 0, clip_->lengthFrames(), kChannelBoth);
}

int BuildCfWave(WaveDocument* doc, uint32_t start, uint32_t count, int channel, uint64_t maxBytes,
                std::vector<uint8_t>* out) {
  if (!doc || !doc->file() || !doc->blockAlign() || start >= doc->lengthFrames()) return kCopyNoDocument;
  count = std::min(count, doc->lengthFrames() - start);
  const uint16_t channels = doc->channels() == 2 && channel != kChannelBoth ? 1 : doc->channels();
  const uint16_t bits = doc->bits() == 32 ? 16 : doc->bits();
  const uint32_t align = channels * bits / 8u;
  const uint64_t data = uint64_t(count) * align;
  const uint64_t total = data + kCfWaveHeaderBytes;
  if (total > maxBytes || total > 0xFFFFFFFFu || total > SIZE_MAX) return kCopyDeclined;
  try {
    out->assign(size_t(total), 0);
  } catch (const std::bad_alloc&) {
    out->clear();
    return kCopyDeclined;
  }
  uint8_t* h = out->data();
  std::memcpy(h, "RIFF", 4);
  SornPutU32LE(h + 4, uint32_t(total - 8));
  std::memcpy(h + 8, "WAVEfmt ", 8);
  SornPutU32LE(h + 16, 16);
  SornPutU16LE(h + 20, 1);
  SornPutU16LE(h + 22, channels);
  SornPutU32LE(h + 24, doc->rate());
  SornPutU32LE(h + 28, uint32_t(uint64_t(doc->rate()) * align));
  SornPutU16LE(h + 32, align);
  SornPutU16LE(h + 34, bits);
  std::memcpy(h + 36, "data", 4);
  SornPutU32LE(h + 40, uint32_t(data));
  const uint16_t word = uint16_t(XfLayoutWord(channels, bits) | pickWord(doc, channel) | XF_CLIP);
  if (SampleRead(doc->samples(), h + kCfWaveHeaderBytes, int32_t(start), count, word) != count) {
    out->clear();
    return kCopyNoDocument;
  }
  return kCopyOk;
}

bool ParseCfWave(const uint8_t* block, size_t size, CfWaveInfo* info) {
  *info = CfWaveInfo();
  if (!block || size < 12 || std::memcmp(block, "RIFF", 4) != 0 || std::memcmp(block + 8, "WAVE", 4) != 0)
    return false;
  bool haveFormat = false;
  uint16_t tag = 0;
  uint64_t pos = 12;
  while (pos + 8 <= size) {
    const uint8_t* c = block + pos;
    const uint64_t body = pos + 8;
    const uint64_t chunk = SornGetU32LE(c + 4);
    const uint64_t avail = size - body;
    if (!haveFormat && std::memcmp(c, "fmt ", 4) == 0) {
      if (chunk < 16 || chunk > avail) return false;
      tag = SornGetU16LE(block + body);
      info->channels = SornGetU16LE(block + body + 2);
      info->rate = SornGetU32LE(block + body + 4);
      info->bits = SornGetU16LE(block + body + 14);
      haveFormat = true;
    } else if (!info->hasData && std::memcmp(c, "data", 4) == 0) {
      info->hasData = true;
      info->dataOffset = size_t(body);
      info->dataBytes = size_t(std::min(chunk, avail));
    }
    pos = body + chunk + (chunk & 1);  // chunks are padded to an even size
  }
  if (!haveFormat || tag != 1) return false;
  if (info->channels < 1 || info->channels > 2 || (info->bits != 8 && info->bits != 16)) return false;
  if (info->rate == 0 || info->rate > kMaxSampleRate) return false;
  const size_t align = size_t(info->channels) * info->bits / 8;
  info->dataBytes -= info->dataBytes % align;
  return true;
}

int ClipFromCfWave(const uint8_t* block, size_t size, Clip* out) {
  out->reset();
  CfWaveInfo info;
  if (!ParseCfWave(block, size, &info)) return kPasteNoMemoryOrInvalid;
  Clip clip = WaveDocument::createEmpty(info.channels, info.bits, info.rate, 0);
  if (!clip) return kPasteNoMemoryOrInvalid;
  if (info.hasData && info.dataBytes) {
    if (info.dataBytes > 0xFFFFFFFFu ||
        clip->samples()->write(0, block + info.dataOffset, uint32_t(info.dataBytes)) != info.dataBytes)
      return kPasteNoMemoryOrInvalid;
  }
  *out = std::move(clip);
  return kCopyOk;
}

int CopyRange(WaveDocument* doc, uint32_t start, uint32_t count, uint32_t flags, InternalClipboard* internal,
              SystemClipboard* system, const EditUi& ui) {
  if (!doc || !doc->file() || !doc->blockAlign() || !count || start >= doc->lengthFrames())
    return kCopyNoDocument;
  count = std::min(count, doc->lengthFrames() - start);
  const int channel = copyChannel(doc, flags);
  bool fellBack = false;
  if (!(flags & kCopyInternal)) {
    if (!system) return kCopyNoWindowsClipboard;
    std::vector<uint8_t> block;
    const int st = BuildCfWave(doc, start, count, channel, system->maxBlockBytes(), &block);
    if (st == kCopyOk) return system->put(std::move(block)) ? kCopyOk : kCopyNoWindowsClipboard;
    if (st != kCopyDeclined) return st;
    if (!(flags & kCopyNoAsk) &&
        ask(ui, "Not enough memory to use Windows clipboard.  Use internal clipboard instead?", "Warning",
            ui::kMbYesNo | ui::kMbIconWarning, ui::kIdYes) != ui::kIdYes)
      return kCopyDeclined;
    fellBack = true;
  }
  if (!internal || internal->store(doc, start, count, channel) != kCopyOk) return kCopyNoClipboardFile;
  return fellBack ? kCopyFellBack : kCopyOk;
}

EditResult CopyCommand(WaveDocument* doc, const EditRange& range, bool windowsClipboard,
                       InternalClipboard* internal, SystemClipboard* system, const EditUi& ui) {
  EditResult r;
  uint32_t first = 0, last = 0;
  if (!EffectiveRange(doc, range, &first, &last)) {
    r.status = kEditNothing;
    return r;
  }
  const uint32_t flags = (windowsClipboard ? 0 : kCopyInternal) | copyFlagsFor(EffectiveChannel(doc, range));
  const int st = copyShowingProgress(doc, first, last - first + 1, flags, internal, system, ui);
  if (st == kCopyOk || st == kCopyFellBack) {
    r.frames = last - first + 1;
  } else if (st == kCopyDeclined) {
    r.status = kEditDeclined;
  } else {
    reportCopyFailure(ui);
    r.status = kEditCopyFailed;
  }
  return r;
}

EditResult Cut(WaveDocument* doc, const EditRange& range, InternalClipboard* internal,
               SystemClipboard* system, const EditUi& ui) {
  EditResult r;
  uint32_t first = 0, last = 0;
  if (!EffectiveRange(doc, range, &first, &last)) {
    r.status = kEditNothing;
    return r;
  }
  const int channel = EffectiveChannel(doc, range);
  const uint32_t count = last - first + 1;
  if (!storage::UndoSaveRange(doc->undo(), doc->file(), first, last)) {
    r.status = kEditDeclined;
    return r;
  }
  // The level is recorded only once the copy worked: a level for a cut that removed nothing would make
  // Undo insert the frames a second time.
  const int st = copyShowingProgress(doc, first, count, kCopyCut | kCopyInternal | copyFlagsFor(channel),
                                     internal, system, ui);
  if (st != kCopyOk && st != kCopyFellBack) {
    storage::UndoDiscardPending(doc->undo());
    if (st != kCopyDeclined) reportCopyFailure(ui);
    r.status = st == kCopyDeclined ? kEditDeclined : kEditCopyFailed;
    return r;
  }
  const uint32_t serial = NextEditSerial();
  if (channel != kChannelBoth) {
    SampleSilence(doc->samples(), int32_t(first), count,
                  uint16_t(doc->layoutWord() | (channel == kChannelLeft ? XF_DST_LEFT : XF_DST_RIGHT)));
    storage::UndoRecordLevel(doc->undo(),
                             EditRecord(doc, kCmdCutChannel, channel, first, last, "Undo Cut", serial));
  } else {
    SampleCut(doc->samples(), int32_t(first), count);
    storage::UndoRecordLevel(doc->undo(), EditRecord(doc, kCmdCut, 0, first, first - 1, "Undo Cut", serial));
    r.setView = true;
    ViewAfterShrink(range.viewStart, range.viewEnd, doc->lengthFrames(), &r.viewStart, &r.viewEnd);
  }
  doc->addSampleChanges(1);
  r.select = true;
  r.selStart = first;
  r.selEnd = first - 1;
  r.frames = count;
  return r;
}

Clip ReadWindowsClipboard(SystemClipboard* system, const EditUi& ui, int* error) {
  int dummy = 0;
  if (!error) error = &dummy;
  *error = 0;
  std::vector<uint8_t> block;
  const int st = system ? system->get(&block) : kPasteCannotOpen;
  if (st == kPasteCannotOpen) {
    ask(ui, "Cannot get data for pasting", "Paste Failure", ui::kMbOk | ui::kMbIconWarning, ui::kIdOk);
    *error = kPasteCannotOpen;
    return nullptr;
  }
  if (st != 0) {
    ask(ui, "Can't get data off of Windows clipboard(1)", "Paste Error", ui::kMbOk | ui::kMbIconWarning, ui::kIdOk);
    *error = kPasteNoWaveData;
    return nullptr;
  }
  Clip clip;
  if (ClipFromCfWave(block.data(), block.size(), &clip) != kCopyOk) {
    ask(ui, "Not enough memory or clipboard data invalid", "Paste Error", ui::kMbOk | ui::kMbIconWarning, ui::kIdOk);
    *error = kPasteNoMemoryOrInvalid;
    return nullptr;
  }
  return clip;
}

}  // namespace document
