// Opening, creating and joining documents, and their titles. Saving and closing are in document_save.cpp.
#include "document/document_io.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <cstdio>
#include <ctime>

#include "document/peak_file.h"
#include "document/sample_transfer.h"
#include "ui/message_box.h"

namespace document {
namespace {

constexpr uint32_t kScanSlack = 32768;  // a peak table this close to the end needs no scan
constexpr uint32_t kScanProgressFrames = 65536;  // frames scanned between progress reports

int ask(DocumentHost& host, const std::string& text, const std::string& caption, unsigned flags) {
  if (host.ask) return host.ask(text, caption, flags);
  switch (flags & 0xF) {
    case 0x3:
    case 0x4:
      return 6;  // Yes
    default:
      return 1;  // OK
  }
}

void showTitle(DocumentHost& host, const std::string& text) {
  if (host.showTitle) host.showTitle(text);
}

DocProgress hostProgress(DocumentHost& host) {
  return [&host](uint32_t done, uint32_t total) { return host.progressMeter ? host.progressMeter(done, total) : 0; };
}

uint32_t creationFlags(const DocumentHost& host) {
  return host.settings.savePeakFiles ? kCreateNewWavePeakFile : kCreateNewWave;
}

// Builds the peak summary of an in-place document from its peak file when that is valid, and scans the
// rest of the file when the table falls short by more than a little. A stopped scan keeps what it got.
void preparePeaks(DocumentHost& host, WaveDocument* doc, const std::string& path) {
  if (!(doc->flags() & kDocHasPeaks)) return;
  doc->setPeaks(PeakCreate(path, doc->samples(), doc->channels(), host.settings.peakBlockSize));
  PeakSummary* peaks = doc->peaks();
  const uint32_t length = doc->lengthFrames();
  if (!peaks || length == 0 || uint64_t(peaks->builtLength()) + kScanSlack >= length) return;
  if (host.progressBegin) host.progressBegin("Scanning File...");
  PeakExtremes ext;
  // The query reports after every entry; the progress window is told (and the messages pumped, and Stop
  // looked at) only every kScanProgressFrames and at the end, or the window system would cost more than
  // the scan.
  uint32_t reported = 0;
  bool complete =
      peaks->query(0, length - 1, &ext, [&host, &reported](uint32_t, uint32_t done, uint32_t total) {
        if (done - reported < kScanProgressFrames && done < total) return 0;
        reported = done;
        return host.progressMeter ? host.progressMeter(done, total) : 0;
      });
  if (host.progressEnd) host.progressEnd();
  doc->setScannedLength(complete ? 0 : peaks->builtLength());
}

// A copy of a document's samples in another channel count or sample size, made through sample transfer
// in chunks, as a virtual file of its own ready to be spliced into another document. Null when the store
// ran out of room.
storage::HfHandle* convertedCopy(WaveDocument* doc, uint16_t channels, uint16_t bits) {
  int st = 0;
  storage::HfHandle* out = storage::HfCreate(1, 0, [](storage::HfHandle*, const storage::HfNotify&) {}, false, &st);
  if (!out) return nullptr;
  storage::HfSetFormat(out, channels, bits);
  HfSampleFile dst(out);
  const uint16_t layout = XfLayoutWord(channels, bits);
  const uint32_t frames = doc->lengthFrames();
  const uint32_t chunk = 16384;
  std::vector<uint8_t> buffer(size_t(chunk) * FrameBytes(channels, bits));
  for (uint32_t done = 0; done < frames;) {
    const uint32_t n = std::min(chunk, frames - done);
    if (SampleRead(doc->samples(), buffer.data(), int32_t(done), n, uint16_t(layout | XF_CLIP)) != n ||
        SampleWrite(&dst, buffer.data(), int32_t(done), n, layout) != n) {
      storage::HfClose(out);
      return nullptr;
    }
    done += n;
  }
  return out;
}

}  // namespace

std::string FilePart(const std::string& path) {
  size_t p = path.find_last_of("\\/:");
  return p == std::string::npos ? path : path.substr(p + 1);
}

std::string MainWindowTitle(const std::string& text, bool modified) {
  return text + (modified ? "*" : "") + " - " + kProductName;
}

std::string MainWindowTitle(const WaveDocument* doc) {
  if (!doc) return kProductName;
  return MainWindowTitle(doc->titleText(), doc->modified());
}

std::string UniqueTitleText(const std::string& name, const std::function<bool(const std::string&)>& inUse) {
  if (name.empty()) return kUntitled;
  const std::string base = FilePart(name);
  std::string text = base;
  for (long n = 1; inUse && inUse(MainWindowTitle(text, false)) && n < 10000; ++n)
    text = base + ";" + std::to_string(n);
  return text;
}

std::vector<std::string> ExpandFileList(const std::vector<std::string>& list, bool complete) {
  if (complete || list.size() < 2) return list;
  std::vector<std::string> out;
  std::string dir = list[0];
  if (!dir.empty() && dir.back() != '\\' && dir.back() != '/') dir += '\\';
  for (size_t i = 1; i < list.size(); ++i) {
    const std::string& name = list[i];
    if (name.find(':') != std::string::npos) {
      out.push_back(name);
      size_t p = name.find_last_of("\\/");
      dir = p == std::string::npos ? std::string() : name.substr(0, p + 1);
    } else {
      out.push_back(dir + name);
    }
  }
  return out;
}

std::unique_ptr<WaveDocument> OpenOneFile(DocumentHost& host, DocumentReader& reader, const std::string& path,
                                          int32_t filterIndex, const WaveDocument* appendTarget,
                                          uint32_t openAsFlags, int* error) {
  *error = kOpenOk;
  FileIdentity id;
  int st = reader.identify(path, filterIndex, &id);
  if (st != 0) {
    *error = st;
    return nullptr;
  }
  if (id.bits == 32) id.bits = 16;  // wider data is delivered on the 16-bit scale and kept as 16 bits
  if (!IsValidChannels(id.channels) || !IsValidBits(id.bits)) {
    *error = kOpenNotRecognised;
    return nullptr;
  }
  if (appendTarget && appendTarget->rate() != id.rate) {
    *error = kOpenNotRecognised;
    return nullptr;
  }
  const uint32_t flags = creationFlags(host);
  std::unique_ptr<WaveDocument> doc;
  if (id.inPlace && openAsFlags == 0 && id.dataLength > 0) {
    markers::MarkerSet cues(16, 0);
    markers::ChunkStore chunks;
    doc = WaveDocument::openWith(
        id.channels, id.bits, id.rate, flags,
        [&](uintptr_t owner, storage::HfNotifySink sink, int* status) {
          return reader.mapInPlace(path, id, owner, std::move(sink), &cues, &chunks, status);
        },
        &st);
    if (doc) {
      doc->cues() = std::move(cues);
      doc->chunks() = std::move(chunks);
      if (host.rememberFilter) host.rememberFilter(id.filterIndex);
      doc->setFlags(kDocPeaksMatchDisk, 0);
      preparePeaks(host, doc.get(), path);
    }
  }
  if (!doc) {
    doc = WaveDocument::createEmpty(id.channels, id.bits, id.rate, flags, &st);
    if (!doc) {
      *error = kOpenNoMemory;
      return nullptr;
    }
    doc->setLoading(true);
    if (host.progressBegin) host.progressBegin("Reading " + FilePart(path));
    int r = reader.readSamples(path, id, doc->file(), &doc->cues(), &doc->chunks(), hostProgress(host));
    if (host.progressEnd) host.progressEnd();
    doc->setLoading(false);
    if (r != kOpenOk && r != kOpenStopped) {
      *error = r;
      return nullptr;
    }
    *error = r;
  }
  doc->setName(path);
  doc->setFilter(id.filterIndex, id.filterOptions);
  return doc;
}

namespace {

// Adds the region a joined file gets: its file part as label, over its frames.
void addFileRegion(WaveDocument* target, const std::string& path, uint32_t start, uint32_t frames) {
  if (!frames) return;
  markers::MarkerSet& cues = target->cues();
  cues.addCue(cues.smallestFreeId(), start, frames, FilePart(path).c_str());
}

// Splices a whole document onto the end of target, converting channels and bits to the target's. The
// source is left without samples. False when the store had no room.
bool appendDocument(WaveDocument* target, WaveDocument* source, uint32_t* framesAdded) {
  *framesAdded = 0;
  storage::HfHandle* piece = nullptr;
  const uint32_t frames = source->lengthFrames();
  if (source->channels() == target->channels() && source->bits() == target->bits())
    piece = source->releaseFile();
  else
    piece = convertedCopy(source, target->channels(), target->bits());
  if (!piece) return false;
  if (storage::HfInsertFile(target->file(), piece, storage::HfGetLength(target->file())) != 0) {
    storage::HfClose(piece);
    return false;
  }
  *framesAdded = frames;
  return true;
}

std::string rateMessage(const std::string& path, uint32_t rate, uint32_t targetRate) {
  char text[600];
  std::snprintf(text, sizeof text,
                "%s has a sample rate of %lu Hz, but the wave it is joined to has %lu Hz.\n\n"
                "Files of different sample rates cannot be joined.",
                FilePart(path).c_str(), static_cast<unsigned long>(rate), static_cast<unsigned long>(targetRate));
  return text;
}

}  // namespace

int OpenFileList(DocumentHost& host, DocumentReader& reader, std::unique_ptr<WaveDocument>* target,
                 const std::vector<std::string>& paths, uint32_t flags, int* error, int32_t filterIndex,
                 const WaveFormat* common) {
  *error = kOpenOk;
  const bool multi = paths.size() >= 2;
  if (multi || (flags & kListAppend)) flags |= kListConvert;
  if (host.stopAudio) host.stopAudio();
  int handled = 0;
  for (size_t i = 0; i < paths.size(); ++i) {
    const std::string& path = paths[i];
    showTitle(host, ((flags & kListReload) ? "Re-Loading " : "Loading ") + FilePart(path));
    const bool joining = (flags & kListAppend) || i > 0;
    int err = kOpenOk;
    std::unique_ptr<WaveDocument> doc = OpenOneFile(host, reader, path, (flags & kListAutoIdentify) ? -1 : filterIndex,
                                                    nullptr, joining || common ? kListConvert : 0, &err);
    if (!doc) {
      *error = err;
      break;
    }
    if (joining && *target && doc->rate() != (*target)->rate()) {
      ask(host, rateMessage(path, doc->rate(), (*target)->rate()), "Open", ui::kMbOk | ui::kMbIconError);
      *error = kOpenNotRecognised;
      break;
    }
    if (err != kOpenStopped && host.addRecentFile) host.addRecentFile(path);
    if (!joining && common &&
        (doc->channels() != common->channels || doc->bits() != common->bits || doc->rate() != common->rate)) {
      // Open As: the first file is converted to the chosen format too.
      if (doc->rate() != common->rate) {
        ask(host, rateMessage(path, doc->rate(), common->rate), "Open", ui::kMbOk | ui::kMbIconError);
        *error = kOpenNotRecognised;
        break;
      }
      auto converted = WaveDocument::createEmpty(common->channels, common->bits, common->rate, creationFlags(host));
      uint32_t added = 0;
      if (!converted || !appendDocument(converted.get(), doc.get(), &added)) {
        *error = kOpenNoMemory;
        break;
      }
      converted->setName(doc->name());
      converted->setFilter(doc->filterIndex(), doc->filterOptions());
      // The file's cues, play list and kept chunks go with its samples (the rate is the same, so every
      // position still holds).
      converted->cues() = std::move(doc->cues());
      converted->chunks() = std::move(doc->chunks());
      converted->addFormatChanges(1);
      doc = std::move(converted);
    }
    if (!joining) {
      *target = std::move(doc);
      if (multi) addFileRegion(target->get(), path, 0, (*target)->lengthFrames());
    } else {
      uint32_t start = (*target)->lengthFrames(), added = 0;
      if (!appendDocument(target->get(), doc.get(), &added)) {
        *error = kOpenNoMemory;
        break;
      }
      (*target)->addSampleChanges(1);
      if (multi || (flags & kListAppend)) addFileRegion(target->get(), path, start, added);
    }
    ++handled;
    if (err == kOpenStopped) {
      *error = kOpenStopped;
      break;
    }
  }
  if (*target && multi && (flags & kListUntitled)) (*target)->setName(std::string());
  if (*target) {
    (*target)->setTitleText(UniqueTitleText((*target)->name(), host.titleInUse));
    showTitle(host, MainWindowTitle(target->get()));
  }
  return handled;
}

namespace {

std::unique_ptr<WaveDocument> openAsCurrent(DocumentHost& host, DocumentReader& reader,
                                            const std::vector<std::string>& paths, uint32_t flags, int* error,
                                            int32_t filterIndex) {
  std::unique_ptr<WaveDocument> doc;
  int handled = OpenFileList(host, reader, &doc, paths, flags | kListUntitled, error, filterIndex);
  if (!doc || (*error != kOpenOk && *error != kOpenStopped)) {
    if (doc) {
      // A later file of the list failed: the files joined so far stay open, as the user sees them.
      if (handled == 0) doc.reset();
    }
    if (!doc) return nullptr;
  }
  if (doc->undo()) storage::UndoClearLevels(doc->undo());
  doc->resetCounters();
  if (handled > 1 || *error == kOpenStopped) doc->addSampleChanges(1);
  doc->setTitleText(UniqueTitleText(doc->name(), host.titleInUse));
  showTitle(host, MainWindowTitle(doc.get()));
  return doc;
}

}  // namespace

std::unique_ptr<WaveDocument> OpenAsCurrent(DocumentHost& host, DocumentReader& reader,
                                            const std::vector<std::string>& paths, uint32_t flags, int* error) {
  return openAsCurrent(host, reader, paths, flags, error, -1);
}

std::unique_ptr<WaveDocument> ReopenAsCurrent(DocumentHost& host, DocumentReader& reader, const std::string& path,
                                              int32_t filterIndex, int* error) {
  return openAsCurrent(host, reader, {path}, kListReload, error, filterIndex);
}

std::unique_ptr<WaveDocument> NewDocument(DocumentHost& host, uint32_t rate, uint16_t bits, uint16_t channels,
                                          const std::string& versionText, const std::string& vendorText) {
  auto doc = WaveDocument::createEmpty(channels, bits, rate, creationFlags(host));
  if (!doc) return nullptr;
  if (host.settings.autoFillInfo) {
    std::string isft = std::string(kProductName) + " v." + versionText + " by " + vendorText;
    doc->chunks().add("INFO", "ISFT", isft.c_str(), uint32_t(isft.size() + 1), 1);
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (const std::tm* t = std::localtime(&now)) local = *t;  // user-interface thread only
    char icrd[32];
    std::snprintf(icrd, sizeof icrd, "%d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    doc->chunks().add("INFO", "ICRD", icrd, uint32_t(std::strlen(icrd) + 1), 1);
  }
  doc->resetCounters();
  doc->setTitleText(kUntitled);
  showTitle(host, MainWindowTitle(doc.get()));
  return doc;
}

}  // namespace document
