// Saving through a file filter; see filter_save.h.
#include "formats/filter_save.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "formats/metadata.h"
#include "markers/chunk_store.h"
#include "markers/marker_set.h"
#include "platform/file.h"
#include "ui/message_box.h"
#include "ui/settings_source.h"

namespace formats {
namespace {

using document::WaveFormat;

// How often the sharing-violation question may come back for one save (the user can always answer No).
constexpr int kMaxFlushRounds = 4;

constexpr const char* kCannotSaveCaption = "Cannot save in current format";
constexpr const char* kStillProblems = "Still having problems saving.";

struct Output {
  uint32_t bits = 0, channels = 0, start = 0, frames = 0;
  uint64_t totalBytes = 0;
};

// Output channels and bits (what the filter can write of the source's format) and the frames to write.
Output planOutput(const SaveArgs& args, const SaveSource& src, uint32_t caps) {
  Output o;
  o.channels = (args.saveFlags & (kSaveLeftOnly | kSaveRightOnly)) ? 1 : src.format.channels;
  o.bits = src.format.bits;
  if (o.bits == 32 && !(caps & FLT_32BIT)) o.bits = 16;
  uint32_t length = document::SampleLength(src.samples);
  // A frame count of 0 means the whole wave from frame 0; a range is cut to the wave.
  o.start = args.frameCount == 0 ? 0 : std::min(args.startFrame, length);
  o.frames = args.frameCount == 0 ? length : std::min(args.frameCount, length - o.start);
  o.totalBytes = uint64_t(o.frames) * (o.bits / 8) * o.channels;
  return o;
}

// A part of the wave (Save Selection, a copy to the clipboard file) carries the cues that fall inside it,
// moved to the part's start; ranges are cut to the part, and play-list entries follow their cues. Without
// this the file would list the whole wave's cues at positions that are not its own.
void cuesOfPart(const markers::MarkerSet& all, uint32_t start, uint32_t frames, markers::MarkerSet* part) {
  const uint64_t end = uint64_t(start) + frames;
  for (uint32_t i = 0; i < all.cueCount(); ++i) {
    const markers::Cue* c = all.cueAt(i);
    const uint64_t cueEnd = uint64_t(c->position) + c->length;  // exclusive, for a range
    const bool inside =
        c->isRange() ? c->position < end && cueEnd > start : c->position >= start && c->position < end;
    if (!inside) continue;
    const uint32_t from = std::max(c->position, start);
    const uint32_t length = c->isRange() ? uint32_t(std::min(cueEnd, end) - from) : 0;
    if (!part->addCue(c->id, from - start, length, c->label.c_str(), c->description.c_str())) continue;
    part->setCue(c->id, markers::kKeep, markers::kKeep, nullptr, nullptr, c->extra.c_str(), c->purpose);
  }
  markers::PlayEntry e;
  for (uint32_t i = 0; all.getPlay(i, &e); ++i)
    if (part->findCue(e.cueId)) part->insertPlay(part->playCount(), e.cueId, e.length, e.loops, e.fourth);
}

void box(SaveResult* r, const std::string& text, const char* caption, unsigned flags) {
  ui::ShowMessageBox(text.c_str(), caption, flags);
  r->message = text;
}

void writeConvSettings(ui::SettingsSource* s, const ConvertRequest& c) {
  if (!s) return;
  auto put = [&](const char* key, const std::string& v) { s->writeString("Recent", key, v.c_str()); };
  char gain[32];
  put("ConvSampleRate", std::to_string(c.rate));
  put("ConvBitsPerSample", std::to_string(c.bits));
  put("ConvChannels", std::to_string(c.channels));
  std::snprintf(gain, sizeof gain, "%g", c.leftGain);
  put("ConvLeft", gain);
  put("ConvLeftMono", gain);
  std::snprintf(gain, sizeof gain, "%g", c.rightGain);
  put("ConvRight", gain);
  put("ConvRightMono", gain);
}

struct OpenState {
  SornFilterHandle out = 0;
  uint32_t chunk = 0;
  Output plan;
};

SornFilterHandle tryOpen(FilterModule& m, const SaveArgs& args, const SaveSource& src, OpenState* st,
                         uint32_t* error) {
  *error = 0;
  if (st->plan.totalBytes > 0xFFFFFFFFull) return 0;
  return m.openOutput(args.path, src.format.rate, st->plan.bits, st->plan.channels,
                      uint32_t(st->plan.totalBytes), &st->chunk, args.options, error);
}

// After a failed open that was not a sharing violation: the filter's suggested type, the question,
// the conversion and one more open. Returns kSaveOk with st->out set, or kSaveNotSaved.
int negotiateType(FilterModule& m, const FilterInfo& info, const SaveArgs& args, SaveSource* src,
                  OpenState* st, SaveResult* r) {
  uint32_t bits = st->plan.bits, rate = src->format.rate, channels = st->plan.channels;
  if (!m.suggestedSampleType(&bits, &rate, &channels, args.options)) {
    box(r, args.path, "Invalid file or format", ui::kMbOk | ui::kMbIconExclamation);
    return kSaveNotSaved;
  }
  if (bits == 0) bits = st->plan.bits;
  if (rate == 0) rate = src->format.rate;
  if (channels == 0) channels = st->plan.channels;
  // The filter suggests what it was just refused: converting would change nothing, so the cause lies
  // elsewhere (the file, the disk, the filter).
  if (bits == st->plan.bits && rate == src->format.rate && channels == st->plan.channels) {
    box(r, args.path, "Invalid file or format", ui::kMbOk | ui::kMbIconExclamation);
    return kSaveNotSaved;
  }
  ConvertRequest req;
  req.rate = rate;
  req.bits = bits;
  req.channels = channels;
  req.leftGain = req.rightGain = channels == 1 ? 0.5 : 1.0;
  req.silent = (info.capabilities & FLT_CONVERT_SILENTLY) != 0;
  if (!req.silent) {
    char text[512];
    std::snprintf(
        text, sizeof text,
        "%s can not handle the current sample type.  Would you like to convert to %ldHz, %s %d-bit and "
        "continue saving?",
        info.name, long(rate), channels == 1 ? "Mono" : "Stereo", int(bits));
    int answer = ui::ShowMessageBox(text, "This wave format does not support the current sample type.",
                                       ui::kMbYesNo | ui::kMbIconQuestion);
    if (answer != ui::kIdYes) return kSaveNotSaved;
    writeConvSettings(args.settings, req);
  }
  if (!args.convert) {
    box(r, kStillProblems, kCannotSaveCaption, ui::kMbOk | ui::kMbIconExclamation);
    return kSaveNotSaved;
  }
  if (!args.convert(req, src)) return kSaveNotSaved;
  st->plan = planOutput(args, *src, info.capabilities);
  uint32_t error = 0;
  st->out = tryOpen(m, args, *src, st, &error);
  if (!st->out) {
    box(r, kStillProblems, kCannotSaveCaption, ui::kMbOk | ui::kMbIconExclamation);
    return kSaveNotSaved;
  }
  return kSaveOk;
}

// Opens the output, with the sharing-violation question and the type negotiation.
int openOutput(FilterModule& m, const FilterInfo& info, const SaveArgs& args, SaveSource* src, OpenState* st,
               SaveResult* r) {
  uint32_t error = 0;
  for (int round = 0;; ++round) {
    st->out = tryOpen(m, args, *src, st, &error);
    if (st->out) return kSaveOk;
    if (error != kErrorSharingViolation || round >= kMaxFlushRounds) break;
    int answer = ui::ShowMessageBox(
        "File may already be opened virtually, or may be in use by another process.  Do you wish to flush "
        "the "
        "virtual file and continue saving?",
        args.path.c_str(), ui::kMbYesNo | ui::kMbIconAsterisk);
    if (answer != ui::kIdYes) return kSaveNotSaved;
    if (args.releaseSourceFile) {
      Progress* progress = args.batch ? nullptr : args.progress;
      progressBegin(progress, "Flushing entire file");
      args.releaseSourceFile(args.path);
      progressEnd(progress);
    }
  }
  if (error == kErrorSharingViolation) {
    box(r, args.path, "Invalid file or format", ui::kMbOk | ui::kMbIconExclamation);
    return kSaveNotSaved;
  }
  if (m.has(FilterEntry::GetSuggestedSampleType2) || m.has(FilterEntry::GetSuggestedSampleType))
    return negotiateType(m, info, args, src, st, r);
  box(r, args.path, "Invalid file or format", ui::kMbOk | ui::kMbIconExclamation);
  return kSaveNotSaved;
}

constexpr const char* kOutOfSpaceQuestion =
    "Not enough space left on destination drive to save entire file.  Do you wish to keep the portion that "
    "has "
    "saved so far?";

// CloseFilterOutput after the samples. A filter that could not complete the file at close (its last parts
// did not fit) counts as out of space, like a short write. Returns the final sample-loop result; the
// out-of-space question (keepPortion) is asked after the file is closed.
int finishOutput(FilterModule& m, SornFilterHandle out, int written, SaveResult* r) {
  if (written < 0) r->message = kOutOfSpaceQuestion;
  bool complete = m.closeOutput(out) != 0;
  if (written == 0 && !complete) {
    r->message = kOutOfSpaceQuestion;
    written = -1;
  }
  return written;
}

// Asks whether to keep what was saved; true for Yes.
bool keepPortion(SaveResult* r) {
  return ui::ShowMessageBox(kOutOfSpaceQuestion, "Error: Out of disk space",
                               ui::kMbYesNo | ui::kMbIconExclamation) == ui::kIdYes;
}

bool removeFile(const std::string& path) {
  return platform::fileOps().remove(path.c_str()) == platform::FileStatus::Ok;
}

}  // namespace

const char* saveStatusText(int status) {
  switch (status) {
    case kSaveOk:
      return "Saved.";
    case kSaveNoFilter:
      return "The file filter could not be loaded or cannot save.";
    case kSaveCancelled:
      return "Saving was stopped.";
    case kSaveNotSaved:
      return "Not saved.";
    case kSaveOutOfSpace:
      return "Not enough space left on destination drive to save entire file.";
  }
  return "Unknown status.";
}

uint16_t saveFormatWord(uint32_t documentBits, uint32_t outChannels, bool accepts32, uint32_t saveFlags) {
  uint16_t layout = outChannels == 1 ? document::XF_MONO : document::XF_STEREO;
  uint16_t word;
  if (documentBits == 8)
    word = layout | document::XF_8BIT;
  else if (documentBits == 32 && accepts32)
    word = layout | document::XF_32BIT;
  else if (documentBits == 32)
    word = layout | document::XF_16BIT | document::XF_CLIP | document::XF_DITHER;
  else
    word = layout | document::XF_16BIT;
  if (saveFlags & kSaveLeftOnly) word |= document::XF_SRC_LEFT;
  if (saveFlags & kSaveRightOnly) word |= document::XF_SRC_RIGHT;
  return word;
}

int writeSamplesToFilter(FilterModule& filter, SornFilterHandle output, const std::string& typeName,
                         document::SampleFile* samples, uint32_t chunkBytes, uint32_t frameBytes,
                         uint16_t word, uint32_t start, uint32_t count, Progress* progress, int pictureId) {
  if (frameBytes == 0) return -1;
  uint32_t chunkFrames = std::max<uint32_t>(1, std::min<uint32_t>(chunkBytes, 4u << 20) / frameBytes);
  std::vector<uint8_t> buffer;
  buffer.resize(size_t(chunkFrames) * frameBytes + 100);
  progressBegin(progress, "Saving " + typeName + " data");
  if (progress && pictureId) progress->setPicture(filter.module(), pictureId);
  int status = 0;
  uint32_t done = 0;
  while (done < count) {
    uint32_t frames = std::min(chunkFrames, count - done);
    uint32_t got = document::SampleRead(samples, buffer.data(), int32_t(start + done), frames, word);
    if (got == 0) break;  // the wave ended early: what exists is saved
    done += got;
    if (!progressUpdate(progress, done, count)) {
      status = 1;
      break;
    }
    uint32_t bytes = got * frameBytes;
    if (filter.writeOutput(output, buffer.data(), bytes) != bytes) {
      status = -1;
      break;
    }
  }
  if (progress && pictureId) progress->setPicture(nullptr, 0);
  progressEnd(progress);
  return status;
}

int quickSave(bool haveDocument, storage::HfHandle* wave, const std::string& path, Progress* progress) {
  if (!haveDocument) return kQuickNoDocument;
  if (!wave) return kQuickNoWave;
  progressBegin(progress, "Quick Saving Audio Data Only");
  bool saved = storage::HfQuickSave(wave, path, [progress](uint32_t done, uint32_t, uint32_t total) {
    return progressUpdate(progress, done, total) ? 0 : storage::kHfStop;
  });
  progressEnd(progress);
  if (saved) return kQuickSaved;
  ui::ShowMessageBox(
      "QuickSave is not possible because either the file length has changed since the original, or the file "
      "is "
      "in use",
      "Cannot Quick Save", ui::kMbOk | ui::kMbIconAsterisk);
  return kQuickNotPossible;
}

int saveThroughFilter(const FilterTable& table, const FilterLoader& load, const SaveArgs& args,
                      SaveSource* src, SaveResult* r) {
  *r = SaveResult();
  if (args.filterIndex < 0 || size_t(args.filterIndex) >= table.size() || !load || !src->samples) {
    r->status = kSaveNoFilter;
    return r->status;
  }
  const FilterTableEntry& e = table.at(size_t(args.filterIndex));
  uint32_t error = 0;
  std::unique_ptr<FilterModule> m = load(e.dllName, &error);
  if (!m) {
    box(r, e.dllName, "Cannot Load File Filter", ui::kMbOk | ui::kMbIconExclamation);
    return r->status = kSaveNoFilter;
  }
  if (!m->has(FilterEntry::OpenFilterOutput) || !m->has(FilterEntry::CloseFilterOutput) ||
      !m->has(FilterEntry::WriteFilterOutput)) {
    box(r, e.dllName, "File Filter Doesn't Support Saving", ui::kMbOk | ui::kMbIconAsterisk);
    return r->status = kSaveNoFilter;
  }
  uint32_t caps = e.info.capabilities;
  OpenState st;
  st.plan = planOutput(args, *src, caps);
  if (st.plan.totalBytes > 0xFFFFFFFFull) {
    box(r, args.path + "\n\nThe wave is too long for this file format.", kCannotSaveCaption,
        ui::kMbOk | ui::kMbIconExclamation);
    return r->status = kSaveNotSaved;
  }
  int opened = openOutput(*m, e.info, args, src, &st, r);
  if (opened != kSaveOk) return r->status = opened;

  r->mappable = (caps & FLT_MAPPABLE) != 0;
  const markers::MarkerSet empty;
  const markers::ChunkStore noChunks;
  markers::MarkerSet partCues(src->cues ? src->cues->cueCapacity() : 0, src->cues ? src->cues->playCapacity() : 0);
  const bool whole = st.plan.start == 0 && st.plan.frames == document::SampleLength(src->samples);
  if (src->cues && !whole) cuesOfPart(*src->cues, st.plan.start, st.plan.frames, &partCues);
  const markers::MarkerSet& cues = !src->cues ? empty : whole ? *src->cues : partCues;
  const markers::ChunkStore& chunks = src->chunks ? *src->chunks : noChunks;
  if (caps & FLT_META_BEFORE_WRITE) exportToFilter(*m, st.out, cues, chunks, args.extraInfo);

  r->outBits = st.plan.bits;
  r->outChannels = st.plan.channels;
  r->word = saveFormatWord(src->format.bits, st.plan.channels, (caps & FLT_32BIT) != 0, args.saveFlags);
  uint32_t frameBytes = document::FrameBytes(st.plan.channels, st.plan.bits);
  int written = writeSamplesToFilter(
      *m, st.out, e.info.extension, src->samples, st.chunk, frameBytes, r->word, st.plan.start,
      st.plan.frames, args.batch ? nullptr : args.progress, filterBitmapId(e.info.description));
  // Items after the samples only with FLT_META_AFTER_WRITE alone: a filter naming neither moment takes no
  // items (it may not even have the entries for them).
  if (written == 0 && (caps & FLT_META_AFTER_WRITE) && !(caps & FLT_META_BEFORE_WRITE))
    exportToFilter(*m, st.out, cues, chunks, args.extraInfo);

  written = finishOutput(*m, st.out, written, r);
  m.reset();
  // A stopped save leaves no partial file behind; after a failure the user chose.
  if (written == 1 || (written < 0 && !keepPortion(r))) r->fileDeleted = removeFile(args.path);
  if (written == 1) return r->status = kSaveCancelled;
  if (written < 0) return r->status = kSaveOutOfSpace;
  r->renamed = (args.saveFlags & kSaveRename) != 0;
  return r->status = kSaveOk;
}

}  // namespace formats
