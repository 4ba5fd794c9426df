// The document's reader over the file-filter host; see filter_reader.h.
#include "formats/filter_reader.h"

#include "document/hf_sample_file.h"
#include "document/wave_document.h"
#include "formats/filter_open.h"
#include "formats/filter_save.h"
#include "formats/raw_pcm.h"
#include "platform/file.h"
#include "storage/store.h"
#include "ui/message_box.h"

namespace formats {

int FilterReader::identify(const std::string& path, int32_t filterIndex, document::FileIdentity* out) {
  // A file that cannot be read at all (gone, locked, a directory) is not a question of its format.
  platform::File* file = nullptr;
  const platform::FileStatus st = platform::fileOpen(
      path, platform::kFileRead | platform::kFileShareRead | platform::kFileShareWrite, &file);
  if (st != platform::FileStatus::Ok) {
    message_ = "Cannot open \"" + path + "\": " + platform::fileStatusText(st) + ".";
    ui::ShowMessageBox(message_.c_str(), "Open", ui::kMbOk | ui::kMbIconExclamation);
    return document::kOpenUnreadable;
  }
  platform::fileClose(file);
  ProbeResult probe;
  if (!probeFileFormat(*table_, load_, path, filterIndex, &probe)) {
    message_ = "\"" + path + "\" is not in a format that any installed file filter can read.";
    ui::ShowMessageBox(message_.c_str(), "Unrecognized Format", ui::kMbOk | ui::kMbIconExclamation);
    return document::kOpenNotRecognised;
  }
  const FilterTableEntry& entry = table_->at(size_t(probe.filterIndex));
  out->filterIndex = probe.filterIndex;
  out->filterOptions = 1;
  out->rate = probe.format.rate;
  out->channels = probe.format.channels;
  out->bits = probe.format.bits;
  out->formatName = entry.info.name;
  // Only a filter that can say where plain PCM lies is asked to map; an unknown layout (raw data) is
  // imported, with the raw-format dialog.
  out->inPlace = (entry.info.capabilities & FLT_MAPPABLE) && probe.format.rate && probe.format.channels &&
                 (probe.format.bits == 8 || probe.format.bits == 16);
  out->dataLength = probe.dataBytes;
  rawPath_.clear();
  if (!out->inPlace && (!out->rate || !out->channels || !out->bits)) {
    // Raw data whose filter cannot tell its format: ask now, so the document is made in the format the user
    // gives; the import then takes these values as remembered instead of asking again.
    document::WaveFormat f{out->rate, out->channels, out->bits};
    fillUnknown(&f, readPcmFilterDialog(settings_));
    if (!rawDialog_ || !rawDialog_(&f)) return kImportRawCancelled;
    writePcmFilterDialog(settings_, f);
    RawPcmValues recent = readRecentRaw(settings_);
    recent.format = f;
    writeRecentRaw(settings_, recent);
    out->rate = f.rate;
    out->channels = f.channels;
    out->bits = f.bits;
    rawPath_ = path;
  }
  return 0;
}

int FilterReader::readMetadata(const std::string&, const document::FileIdentity&, markers::MarkerSet*,
                               markers::ChunkStore*) {
  // Mapping and importing read the items themselves (by the filter's before/after rule).
  return 0;
}

storage::HfHandle* FilterReader::mapInPlace(const std::string& path, const document::FileIdentity& id,
                                            uintptr_t owner, storage::HfNotifySink sink,
                                            markers::MarkerSet* cues, markers::ChunkStore* chunks,
                                            int* status) {
  OpenMappedArgs args;
  args.path = path;
  args.flags = kOpenMetadata;
  args.channels = id.channels;
  args.bits = id.bits;
  args.options = uint32_t(id.filterOptions > 0 ? id.filterOptions : 1);
  args.settings = settings_;
  args.window = window_;
  args.owner = owner;
  args.sink = std::move(sink);
  OpenMappedResult result;
  storage::HfHandle* f = openMapped(*table_, load_, id.filterIndex, args, cues, chunks, &result);
  if (status) *status = f ? 0 : (result.hfStatus ? result.hfStatus : document::kOpenNotRecognised);
  return f;
}

int FilterReader::readSamples(const std::string& path, const document::FileIdentity& id,
                              storage::HfHandle* file, markers::MarkerSet* cues, markers::ChunkStore* chunks,
                              const document::DocProgress&) {
  ImportArgs args;
  args.path = path;
  args.flags = kOpenMetadata;
  if (path == rawPath_) args.flags |= kOpenRawRemembered;  // asked in identify
  args.preferredIndex = id.filterIndex;
  args.settings = settings_;
  args.window = window_;
  args.progress = progress_;
  args.rawFormatDialog = rawDialog_;
  args.useAsync = useAsync_;
  args.waitForCache = waitForCache_;
  document::WaveFormat format;
  format.rate = id.rate;
  format.channels = id.channels;
  format.bits = id.bits;
  document::HfSampleFile target(file);
  ImportResult result;
  int st = importThroughFilter(*table_, load_, args, &format, &target, cues, chunks, &result);
  message_ = result.message;
  switch (st) {
    case kImportOk:
      return document::kOpenOk;
    case kImportCancelled:
      return document::kOpenStopped;
    case kImportNoFilter:
      if (!result.message.empty())
        ui::ShowMessageBox(result.message.c_str(), "Open", ui::kMbOk | ui::kMbIconExclamation);
      return document::kOpenNotRecognised;
    default:
      return st;
  }
}

int FilterReader::write(const std::string& path, int32_t filterIndex, int32_t filterOptions,
                        document::WaveDocument* doc, uint32_t first, uint32_t count, uint32_t channelMask,
                        const document::DocProgress&) {
  SaveArgs args;
  args.path = path;
  args.filterIndex = filterIndex >= 0 ? filterIndex : table_->defaultIndex(std::string());
  args.options = uint32_t(filterOptions > 0 ? filterOptions : 1);
  args.startFrame = first;
  args.frameCount = count;
  args.extraInfo = extraInfo_;
  args.progress = progress_;
  args.settings = settings_;
  if ((channelMask & 0xF) == 10) args.saveFlags |= kSaveLeftOnly;
  if ((channelMask & 0xF) == 12) args.saveFlags |= kSaveRightOnly;
  if (channelMask & 0x10) args.saveFlags |= kSaveRename;
  // The file being written may still hold blocks of this very document: copy them out first. Playback
  // and preview are stopped before any save, as the store's release requires.
  args.releaseSourceFile = [](const std::string& p) {
    int st = 0;
    storage::VfReleaseSourceFile(p, nullptr, &st);
    return st == 0;
  };
  SaveSource source;
  source.samples = doc->samples();
  source.format = doc->format();
  source.cues = &doc->cues();
  source.chunks = &doc->chunks();
  SaveResult result;
  int st = saveThroughFilter(*table_, load_, args, &source, &result);
  message_ = result.message;
  if (st == kSaveOk) {
    if (result.mappable)
      doc->setFlags(document::kDocPeaksMatchDisk, 0);
    else
      doc->setFlags(0, document::kDocPeaksMatchDisk);
  }
  return st == kSaveOk ? 0 : (st == kSaveCancelled ? 1 : (st ? st : 1));
}

}  // namespace formats
