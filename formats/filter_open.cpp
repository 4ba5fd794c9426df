// Opening files through file filters: in place or imported; see filter_open.h.
#include "formats/filter_open.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "document/hf_sample_file.h"
#include "formats/metadata.h"
#include "formats/raw_pcm.h"
#include "markers/chunk_store.h"
#include "markers/marker_set.h"
#include "platform/file.h"
#include "ui/message_box.h"
#include "ui/settings_source.h"
#include "storage/cache.h"
#include "storage/store.h"

namespace formats {
namespace {

using document::WaveFormat;

// The most a filter may ask for per read; a larger wish is read in pieces of this size.
constexpr uint32_t kMaxChunkBytes = 4u << 20;
// Room after the chunk for a carried partial frame (the largest frame is 8 bytes).
constexpr uint32_t kChunkSlack = 2048;

uint64_t sizeOfFile(const std::string& path) {
  platform::File* f = nullptr;
  if (platform::fileOpen(path, platform::kFileRead | platform::kFileShareRead | platform::kFileShareWrite,
                         &f) != platform::FileStatus::Ok)
    return 0;
  uint64_t size = 0;
  if (platform::fileOps().size(f, &size) != platform::FileStatus::Ok) size = 0;
  platform::fileClose(f);
  return size;
}

// Reads the metadata when the flags ask for it and it is this moment's turn: before the samples with
// FLT_META_BEFORE_READ, after them with FLT_META_AFTER_READ alone. A filter naming neither moment has no
// items to give, so it is never asked for any.
void metadataAt(bool beforeSamples, uint32_t flags, uint32_t caps, FilterModule& m, SornFilterHandle in,
                markers::MarkerSet* cues, markers::ChunkStore* chunks) {
  if (!(flags & kOpenMetadata)) return;
  bool before = (caps & FLT_META_BEFORE_READ) != 0;
  bool after = !before && (caps & FLT_META_AFTER_READ) != 0;
  if (beforeSamples ? before : after) importFromFilter(m, in, cues, chunks);
}

bool unknown(const WaveFormat& f) {
  return f.rate == 0 || f.bits == 0 || f.channels == 0;
}

// Raw data (rate, bits or channels unknown): the remembered values, or the raw-format dialog and the filter's
// options. Returns kImportOk or kImportRawCancelled.
int settleRawFormat(FilterModule& m, SornFilterHandle in, const ImportArgs& args, WaveFormat* f) {
  bool options = m.has(FilterEntry::FilterGetOptions) && m.has(FilterEntry::FilterSetOptions);
  RawPcmValues recent = readRecentRaw(args.settings);
  if (args.flags & kOpenRawRemembered) {
    fillUnknown(f, recent.format);
    if (options) m.setOptions(in, recent.options, f->rate, f->channels, f->bits);
    return kImportOk;
  }
  fillUnknown(f, readPcmFilterDialog(args.settings));
  if (!args.rawFormatDialog || !args.rawFormatDialog(f)) return kImportRawCancelled;
  writePcmFilterDialog(args.settings, *f);
  if (options) {
    uint32_t chosen = m.getOptions(args.window, f->rate, f->channels, f->bits, recent.options);
    if (chosen == 0) return kImportRawCancelled;
    m.setOptions(in, chosen, f->rate, f->channels, f->bits);
    recent.options = chosen;
    if (args.settings) args.settings->writeString("Recent", "FileOptions", std::to_string(chosen).c_str());
  }
  return kImportOk;
}

struct Candidate {
  std::unique_ptr<FilterModule> module;
  SornFilterHandle input = 0;
  WaveFormat format;
  uint32_t chunkBytes = 0;
  int index = -1;
  int refusedBy = -1;  // the first filter that understood the file but would not open it
};

bool readerEntries(const FilterModule& m) {
  return m.has(FilterEntry::FilterGetFileSize) && m.has(FilterEntry::FilterUnderstandsFormat) &&
         (m.has(FilterEntry::OpenFilterInput) || m.has(FilterEntry::OpenFilterInput2)) &&
         m.has(FilterEntry::CloseFilterInput) && m.has(FilterEntry::ReadFilterInput);
}

// Tries one filter of the table; true when it opened the file.
bool tryFilter(const FilterTable& table, const FilterLoader& load, int index, const ImportArgs& args,
               Candidate* c) {
  const FilterTableEntry& e = table.at(size_t(index));
  if (!(e.info.capabilities & FLT_READ) || !load) return false;
  uint32_t error = 0;
  std::unique_ptr<FilterModule> m = load(e.dllName, &error);
  if (!m) return false;
  if (!readerEntries(*m)) {
    ui::ShowMessageBox(e.dllName, "File Filter Doesn't Support Reading",
                          ui::kMbOk | ui::kMbIconAsterisk);
    return false;
  }
  if (!(args.flags & kOpenNoProbe) && m->understandsFormat(args.path) != 1) return false;
  uint32_t rate = 0, chunk = 0;
  uint16_t bits = 0, channels = 0;
  SornFilterHandle in = m->openInput(args.path, &rate, &bits, &channels, args.window, &chunk);
  if (!in) {
    if (!(args.flags & kOpenNoProbe) && c->refusedBy < 0) c->refusedBy = index;
    return false;
  }
  c->module = std::move(m);
  c->input = in;
  c->format = WaveFormat{rate, channels, bits};
  c->chunkBytes = chunk;
  c->index = index;
  return true;
}

bool findReader(const FilterTable& table, const FilterLoader& load, const ImportArgs& args, Candidate* c) {
  if (table.size() == 0) return false;
  int preferred = args.preferredIndex < 0 ? 0 : args.preferredIndex;
  if (size_t(preferred) < table.size() && tryFilter(table, load, preferred, args, c)) return true;
  for (size_t i = 0; i < table.size(); ++i) {
    if (int(i) == preferred) continue;
    if (tryFilter(table, load, int(i), args, c)) return true;
  }
  return false;
}

// Which filter and options the document saves with: this one when it can write, else the first writer
// with the same extension; the options are remembered under that index.
void rememberOptions(const FilterTable& table, const Candidate& c, const ImportArgs& args, ImportResult* r) {
  uint32_t options = c.module->has(FilterEntry::FilterOptions) ? c.module->options(c.input) : 1;
  int index = (table.at(size_t(c.index)).info.capabilities & FLT_WRITE)
                  ? c.index
                  : table.firstWriterLike(size_t(c.index));
  r->saveOptions = options;
  r->saveFilterIndex = index;
  if (index >= 0 && args.settings) {
    std::string key = "Filter" + std::to_string(index);
    args.settings->writeString("File Options 95", key.c_str(), std::to_string(options).c_str());
  }
}

// [Settings] UseASync 0: before each chunk, wait for a flush-all of the cache thread to end (the caller's
// hook, else the store's own cache when the store is running).
void waitForCache(const ImportArgs& args) {
  if (args.waitForCache) {
    args.waitForCache();
  } else if (storage::WaveCache* cache = storage::VfGetCache()) {
    storage::CacheWaitIdle(cache);
  }
}

// The cache drains dirty blocks eagerly while a file is opened or imported, so a long import never waits
// on a full cache; the mode before is restored when the open ends, however it ends.
class EagerWriteBehind {
 public:
  EagerWriteBehind() : previous_(storage::CacheGetWriteMode()) { storage::CacheSetWriteMode(2); }
  ~EagerWriteBehind() { storage::CacheSetWriteMode(previous_); }
  EagerWriteBehind(const EagerWriteBehind&) = delete;
  EagerWriteBehind& operator=(const EagerWriteBehind&) = delete;

 private:
  int previous_;
};

// Adds every cue and play-list entry of from to to (ids already in to are refused there, as on import).
void mergeCues(const markers::MarkerSet& from, markers::MarkerSet* to) {
  for (uint32_t i = 0; i < from.cueCount(); ++i) {
    const markers::Cue& c = *from.cueAt(i);
    if (to->addCue(c.id, c.position, c.length, c.label.c_str(), c.description.c_str()))
      to->setCue(c.id, markers::kKeep, markers::kKeep, nullptr, nullptr, c.extra.c_str(), c.purpose);
  }
  markers::PlayEntry e;
  for (uint32_t i = 0; from.getPlay(i, &e); ++i)
    to->insertPlay(to->playCount(), e.cueId, e.length, e.loops, e.fourth);
}

}  // namespace

const char* importStatusText(int status) {
  switch (status) {
    case kImportOk:
      return "The file was read.";
    case kImportCancelled:
      return "Reading was stopped.";
    case kImportTempFull:
      return "Temporary drive full";
    case kImportNoFilter:
      return "No file filter can read this file.";
    case kImportRawCancelled:
      return "The raw format was not given.";
    case kImportReadFailed:
      return "The file filter could not read the file.";
  }
  return "Unknown status.";
}

bool clampMappedRange(int32_t offset, int32_t length, uint64_t fileSize, uint32_t frameBytes,
                      uint64_t* outOffset, uint32_t* outLength) {
  if (offset < 0 || length <= 0 || frameBytes == 0 || uint64_t(offset) >= fileSize) return false;
  uint64_t room = fileSize - uint64_t(offset);
  uint64_t n = std::min<uint64_t>(uint64_t(length), room);
  n -= n % frameBytes;
  if (n == 0) return false;
  *outOffset = uint64_t(offset);
  *outLength = uint32_t(n);
  return true;
}

storage::HfHandle* openMapped(const FilterTable& table, const FilterLoader& load, int filterIndex,
                              const OpenMappedArgs& args, markers::MarkerSet* cues,
                              markers::ChunkStore* chunks, OpenMappedResult* result) {
  *result = OpenMappedResult();
  if (filterIndex < 0 || size_t(filterIndex) >= table.size() || !load) return nullptr;
  EagerWriteBehind eager;
  const FilterTableEntry& e = table.at(size_t(filterIndex));
  if ((e.info.capabilities & (FLT_READ | FLT_MAPPABLE)) != (FLT_READ | FLT_MAPPABLE)) return nullptr;
  uint32_t error = 0;
  std::unique_ptr<FilterModule> m = load(e.dllName, &error);
  if (!m || !m->has(FilterEntry::GetDataOffset) || !m->has(FilterEntry::CloseFilterInput) ||
      !(m->has(FilterEntry::OpenFilterInput) || m->has(FilterEntry::OpenFilterInput2)))
    return nullptr;
  uint32_t rate = 0, chunk = 0;
  uint16_t bits = 0, channels = 0;
  SornFilterHandle in = m->openInput(args.path, &rate, &bits, &channels, args.window, &chunk);
  if (!in) return nullptr;
  WaveFormat f{rate, channels, bits};
  if ((args.flags & kOpenRawRemembered) && unknown(f)) {
    RawPcmValues recent = readRecentRaw(args.settings);
    fillUnknown(&f, recent.format);
    if (m->has(FilterEntry::FilterGetOptions) && m->has(FilterEntry::FilterSetOptions))
      m->setOptions(in, recent.options, f.rate, f.channels, f.bits);
  }
  int32_t offset = -1, length = 0;
  uint64_t mapOffset = 0;
  uint32_t mapLength = 0;
  bool ok = f.channels == args.channels && f.bits == args.bits && document::IsValidWaveFormat(f) &&
            m->dataOffset(in, &offset, &length) == 0 &&
            clampMappedRange(offset, length, sizeOfFile(args.path), document::FrameBytes(f), &mapOffset,
                             &mapLength);
  // The items go into sets of their own first and reach the caller's only when the mapping succeeds, so a
  // refused open leaves them as they were.
  markers::MarkerSet newCues;
  markers::ChunkStore newChunks;
  if (ok && (args.flags & kOpenMetadata))
    importFromFilter(*m, in, cues ? &newCues : nullptr, chunks ? &newChunks : nullptr);
  m->closeInput(in);
  m.reset();
  if (!ok) return nullptr;

  int status = 0;
  storage::HfHandle* h =
      storage::HfOpen(args.path, mapOffset, mapLength, (args.flags & kOpenTempPref2) ? 2 : 1, args.owner,
                      args.sink, (args.flags & kOpenPrivateBuffer) != 0, &status);
  if (!h) {
    result->hfStatus = status;
    return nullptr;
  }
  storage::HfSetFormat(h, f.channels, f.bits);
  if (cues) mergeCues(newCues, cues);
  if (chunks)
    for (uint32_t i = 0; const markers::Chunk* c = newChunks.at(i); ++i)
      chunks->add(c->listType, c->chunkId, c->bytes.data(), uint32_t(c->bytes.size()), c->count);
  result->file = h;
  result->format = f;
  result->offset = mapOffset;
  result->length = mapLength;
  result->filterName = e.info.name;
  if (!(args.flags & kOpenNoRemember) && args.settings)
    args.settings->writeString("Recent", "FileFilter", e.info.name);
  return h;
}

int importSamples(FilterModule& filter, SornFilterHandle input, uint32_t chunkBytes, uint32_t dataBytes,
                  uint16_t word, document::SampleFile* target, int32_t startFrame, const ImportArgs& args,
                  const std::string& typeName, uint32_t* frames, int pictureId) {
  *frames = 0;
  uint32_t frameBytes = document::XfLayoutOf(word).frameBytes();
  if (frameBytes == 0 || chunkBytes == 0) return kImportReadFailed;
  uint32_t chunk = std::min(chunkBytes, kMaxChunkBytes);
  std::vector<uint8_t> buffer(size_t(chunk) + kChunkSlack);
  progressBegin(args.progress, "Reading " + typeName + " data");
  if (args.progress && pictureId) args.progress->setPicture(filter.module(), pictureId);
  uint32_t carry = 0;  // bytes of a frame the previous read ended inside
  uint32_t remaining = dataBytes, done = 0;
  int64_t frame = startFrame;
  int status = kImportOk;
  while (remaining > 0) {
    if (!args.useAsync) waitForCache(args);
    uint32_t want = std::min(chunk, remaining);
    uint32_t got = filter.readInput(input, buffer.data() + carry, want);
    if (got == 0) break;
    got = std::min(got, want);  // a filter delivering more than asked is not believed
    remaining -= got;
    done += got;
    if (!progressUpdate(args.progress, done, dataBytes)) {
      status = kImportCancelled;
      break;
    }
    uint32_t whole = (carry + got) / frameBytes;
    if (whole > 0) {
      if (frame > INT32_MAX) {
        status = kImportTempFull;
        break;
      }
      uint32_t written = document::SampleWrite(target, buffer.data(), int32_t(frame), whole, word);
      *frames += written;
      if (written < whole) {
        ui::ShowMessageBox("Temporary drive full", "Out of Space",
                              ui::kMbOk | ui::kMbIconExclamation);
        status = kImportTempFull;
        break;
      }
      frame += whole;
    }
    uint32_t used = whole * frameBytes;
    carry = carry + got - used;
    std::memmove(buffer.data(), buffer.data() + used, carry);
  }
  if (args.progress && pictureId) args.progress->setPicture(nullptr, 0);
  progressEnd(args.progress);
  return status;
}

int importThroughFilter(const FilterTable& table, const FilterLoader& load, const ImportArgs& args,
                        WaveFormat* docFormat, document::SampleFile* target, markers::MarkerSet* cues,
                        markers::ChunkStore* chunks, ImportResult* r) {
  *r = ImportResult();
  EagerWriteBehind eager;
  Candidate c;
  if (!findReader(table, load, args, &c)) {
    r->status = kImportNoFilter;
    r->refusedBy = c.refusedBy;
    r->message = args.path + "\n\n" +
                 (c.refusedBy >= 0 ? std::string(table.at(size_t(c.refusedBy)).info.name) +
                                         " recognises this file but cannot read its contents."
                                   : std::string("No file filter can read this file."));
    return r->status;
  }
  const FilterInfo& info = table.at(size_t(c.index)).info;
  r->filterIndex = c.index;
  auto finish = [&](int status) {
    c.module->closeInput(c.input);
    c.module.reset();
    r->status = status;
    return status;
  };
  WaveFormat f = c.format;
  if (unknown(f)) {
    int st = settleRawFormat(*c.module, c.input, args, &f);
    if (st != kImportOk) return finish(st);
  }
  if (!document::IsValidWaveFormat(f)) {
    r->message = args.path + "\n\nThe file filter reports a sample format the editor cannot hold.";
    return finish(kImportReadFailed);
  }
  if (docFormat->rate == 0) docFormat->rate = f.rate;
  if (docFormat->channels == 0) docFormat->channels = f.channels;
  if (docFormat->bits == 0) docFormat->bits = f.bits;
  if (!document::XfLayoutOf(target->formatWord()).valid())
    target->setFormatWord(document::XfLayoutWord(docFormat->channels, docFormat->bits));
  r->format = f;
  r->dataBytes = c.module->fileSize(c.input);
  rememberOptions(table, c, args, r);

  uint16_t word = uint16_t(document::XF_CLIP | document::XfLayoutWord(f));
  if (args.flags & kImportLeftOnly) word |= document::XF_DST_LEFT;
  if (args.flags & kImportRightOnly) word |= document::XF_DST_RIGHT;

  int32_t offset = 0, length = 0;
  r->mappable =
      c.module->has(FilterEntry::GetDataOffset) && c.module->dataOffset(c.input, &offset, &length) == 0;
  metadataAt(true, args.flags, info.capabilities, *c.module, c.input, cues, chunks);
  int st = importSamples(*c.module, c.input, c.chunkBytes, r->dataBytes, word, target, args.startFrame, args,
                         info.extension, &r->framesWritten, filterBitmapId(info.description));
  if (st == kImportOk) metadataAt(false, args.flags, info.capabilities, *c.module, c.input, cues, chunks);
  if (st != kImportOk) r->message = importStatusText(st);
  return finish(st);
}

bool probeFileFormat(const FilterTable& table, const FilterLoader& load, const std::string& path,
                     int preferredIndex, ProbeResult* result) {
  *result = ProbeResult();
  ImportArgs args;
  args.path = path;
  args.preferredIndex = preferredIndex;
  Candidate c;
  if (!findReader(table, load, args, &c)) {
    result->refusedBy = c.refusedBy;
    return false;
  }
  result->filterIndex = c.index;
  result->format = c.format;
  result->dataBytes = c.module->fileSize(c.input);
  result->description = table.at(size_t(c.index)).info.description;
  c.module->closeInput(c.input);
  return true;
}

bool FilePreview::open(const FilterTable& table, const FilterLoader& load, const std::string& path,
                       int preferredIndex) {
  close();
  ImportArgs args;
  args.path = path;
  args.preferredIndex = preferredIndex;
  Candidate c;
  if (!findReader(table, load, args, &c)) return false;
  if (!c.format.rate || !c.format.bits || !c.format.channels || document::FrameBytes(c.format) == 0) {
    c.module->closeInput(c.input);  // raw data: its format would have to be asked for
    return false;
  }
  module_ = std::move(c.module);
  input_ = c.input;
  format_ = c.format;
  dataBytes_ = module_->fileSize(input_);
  given_ = 0;
  return true;
}

uint32_t FilePreview::read(uint8_t* dst, uint32_t capacity) {
  if (!module_) return 0;
  const uint32_t fb = document::FrameBytes(format_);
  const uint32_t want = std::min<uint64_t>(capacity, uint64_t(dataBytes_ - given_) + carry_.size()) / fb * fb;
  if (want == 0) return 0;
  // A filter may hand over part of a frame: what is left over waits for the next call.
  uint32_t have = uint32_t(std::min<size_t>(carry_.size(), want));
  std::copy(carry_.begin(), carry_.begin() + have, dst);
  carry_.erase(carry_.begin(), carry_.begin() + have);
  while (have < want && given_ < dataBytes_) {
    const uint32_t ask = std::min(want - have, dataBytes_ - given_);
    uint32_t got = module_->readInput(input_, dst + have, ask);
    if (got == 0) break;
    if (got > ask) got = ask;  // a filter's count is not trusted beyond the buffer
    have += got;
    given_ += got;
  }
  const uint32_t whole = have / fb * fb;
  carry_.insert(carry_.end(), dst + whole, dst + have);
  return whole;
}

void FilePreview::close() {
  if (module_) module_->closeInput(input_);
  module_.reset();
  input_ = 0;
  dataBytes_ = given_ = 0;
  carry_.clear();
}

void explainRefusal(const FilterTable& table, const FilterLoader& load, const std::string& path,
                    int filterIndex, SornWindow window) {
  if (filterIndex < 0 || size_t(filterIndex) >= table.size() || !load || !window) return;
  uint32_t error = 0;
  std::unique_ptr<FilterModule> m = load(table.at(size_t(filterIndex)).dllName, &error);
  if (!m || !(m->has(FilterEntry::OpenFilterInput) || m->has(FilterEntry::OpenFilterInput2))) return;
  uint32_t rate = 0, chunk = 0;
  uint16_t bits = 0, channels = 0;
  if (SornFilterHandle in = m->openInput(path, &rate, &bits, &channels, window, &chunk)) m->closeInput(in);
}

ProbeText probeText(bool found, const ProbeResult& probe) {
  ProbeText t;
  if (!found) {
    t.format = "Unrecognized Format";
    return t;
  }
  char buf[96];
  const WaveFormat& f = probe.format;
  if (f.rate && f.bits && f.channels) {
    std::snprintf(buf, sizeof buf, "%5ld Hz    %2d-bit     %s", long(f.rate), int(f.bits),
                  f.channels == 1 ? "Mono" : "Stereo");
    t.format = buf;
  }
  std::snprintf(buf, sizeof buf, "%ld K", long(probe.dataBytes / 1024));
  t.size = buf;
  return t;
}

storage::HfHandle* importToNewFile(const FilterTable& table, const FilterLoader& load, const ImportArgs& args,
                                   int kind, uintptr_t owner, const storage::HfNotifySink& sink,
                                   WaveFormat* docFormat, markers::MarkerSet* cues,
                                   markers::ChunkStore* chunks, ImportResult* result) {
  int status = 0;
  storage::HfHandle* h = storage::HfCreate(kind, owner, sink, false, &status);
  if (!h) {
    *result = ImportResult();
    result->status = kImportTempFull;
    result->message = importStatusText(kImportTempFull);
    return nullptr;
  }
  document::HfSampleFile file(h);
  if (importThroughFilter(table, load, args, docFormat, &file, cues, chunks, result) != kImportOk) {
    storage::HfClose(h);
    return nullptr;
  }
  return h;
}

}  // namespace formats
