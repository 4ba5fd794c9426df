// The wave document's reader and writer over the file-filter host: identifying a file (the filter that
// understands it and the format it reports), mapping plain PCM in place, importing anything else through
// the filter, and saving through a filter with the sharing-violation path. Portable: the filters come
// through a FilterLoader (LoadLibrary on Windows, fakes in tests).
#pragma once

#include <functional>
#include <string>

#include "document/document_host.h"
#include "formats/filter_module.h"
#include "formats/filter_table.h"
#include "formats/progress.h"

namespace ui {
class SettingsSource;
}

namespace formats {

class FilterReader : public document::DocumentReader {
 public:
  FilterReader(const FilterTable* table, FilterLoader load) : table_(table), load_(std::move(load)) {}

  void setSettings(ui::SettingsSource* settings) { settings_ = settings; }
  void setProgress(Progress* progress) { progress_ = progress; }
  void setWindow(SornWindow window) { window_ = window; }
  void setExtraInfo(bool on) { extraInfo_ = on; }
  // [Settings] UseASync: off, every chunk of an import waits first for the cache thread to finish draining
  // (waitForCache; unset, the store's own cache), so a slow temporary drive is never outrun.
  void setUseAsync(bool on) { useAsync_ = on; }
  void setCacheWait(std::function<void()> waitForCache) { waitForCache_ = std::move(waitForCache); }
  // The raw-format dialog ("Open Raw PCM files As"); unset means raw files are refused.
  void setRawFormatDialog(std::function<bool(document::WaveFormat*)> dialog) {
    rawDialog_ = std::move(dialog);
  }

  int identify(const std::string& path, int32_t filterIndex, document::FileIdentity* out) override;
  int readMetadata(const std::string& path, const document::FileIdentity& id, markers::MarkerSet* cues,
                   markers::ChunkStore* chunks) override;
  storage::HfHandle* mapInPlace(const std::string& path, const document::FileIdentity& id, uintptr_t owner,
                                storage::HfNotifySink sink, markers::MarkerSet* cues,
                                markers::ChunkStore* chunks, int* status) override;
  int readSamples(const std::string& path, const document::FileIdentity& id, storage::HfHandle* file,
                  markers::MarkerSet* cues, markers::ChunkStore* chunks,
                  const document::DocProgress& progress) override;
  int write(const std::string& path, int32_t filterIndex, int32_t filterOptions, document::WaveDocument* doc,
            uint32_t first, uint32_t count, uint32_t channelMask,
            const document::DocProgress& progress) override;

  // The last failure's text (for tests and the debug output).
  const std::string& lastMessage() const { return message_; }

 private:
  const FilterTable* table_;
  FilterLoader load_;
  ui::SettingsSource* settings_ = nullptr;
  Progress* progress_ = nullptr;
  SornWindow window_ = nullptr;
  bool extraInfo_ = true;
  bool useAsync_ = false;
  std::function<void()> waitForCache_;
  std::function<bool(document::WaveFormat*)> rawDialog_;
  std::string message_;
  std::string rawPath_;  // the raw file whose format identify asked for
};

}  // namespace formats
