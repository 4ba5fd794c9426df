// A file filter for tests, written in C++ against the FilterModule interface: it delivers bytes from
// memory in reads of a chosen size, hands out given metadata items, and records what a save gives it. Its
// state lives in a shared record so a test can look at it after the host has unloaded the filter; the
// loader makes a fresh module over the same state for every load, as LoadLibrary would.
#pragma once

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "formats/filter_module.h"
#include "formats/filter_table.h"

namespace formats {
namespace testing_util {

struct FakeState {
  // --- identity
  FilterInfo info{};
  uint32_t version = SORN_FILTER_VERSION;
  std::set<FilterEntry> missing;  // entries the filter does not export
  // --- reading
  int32_t understands = 1;
  bool openFails = false;
  uint32_t rate = 8000;
  uint16_t bits = 16, channels = 2;
  uint32_t chunk = 4096;
  uint32_t readLimit = 0;  // at most this many bytes per read (0: as asked)
  std::vector<uint8_t> data;
  uint32_t declaredSize = 0xFFFFFFFFu;  // FilterGetFileSize; all of data when left
  bool mappable = false;
  int32_t offset = 44, length = -1;  // GetDataOffset; -1: the data size
  std::vector<SpecialItem> items;
  uint32_t options = 1;
  uint32_t getOptionsAnswer = 7;
  // --- writing
  uint32_t openOutputError = 0;     // non-zero: OpenFilterOutput fails with this error
  uint32_t openOutputFailures = 0;  // how many opens fail before one succeeds (with openOutputError)
  uint32_t outChunk = 1000;
  uint64_t writeLimit = UINT64_MAX;  // after this many sample bytes, writes return 0
  bool closeFails = false;
  bool hasSuggest = true;
  uint32_t suggestBits = 0, suggestRate = 0, suggestChannels = 0;
  // Called at every input entry (openInput, readInput, specialData), for tests that look at process-wide
  // state while the filter works.
  std::function<void()> onInput;
  // --- what happened
  std::vector<std::string> calls;  // entry names in call order ("write", "item:INFO/ICMT", ...)
  uint32_t loads = 0, unloads = 0, reads = 0;
  uint32_t openRate = 0, openBits = 0, openChannels = 0, openTotal = 0;
  std::vector<uint8_t> written;
  std::vector<SpecialItem> writtenItems;
  uint32_t setOptionsValue = 0;
  size_t readPos = 0;
  size_t nextItem = 0;
};

class FakeFilter : public FilterModule {
 public:
  explicit FakeFilter(std::shared_ptr<FakeState> s) : s_(std::move(s)) { ++s_->loads; }
  ~FakeFilter() override { ++s_->unloads; }
  bool has(FilterEntry e) const override {
    if (e == FilterEntry::GetSuggestedSampleType && !s_->hasSuggest) return false;
    if (e == FilterEntry::GetSuggestedSampleType2) return false;
    if (e == FilterEntry::OpenFilterInput2) return false;
    return s_->missing.count(e) == 0;
  }
  uint32_t query(FilterInfo* info) override {
    *info = s_->info;
    return s_->version;
  }
  int32_t understandsFormat(const std::string&) override { return s_->understands; }
  SornFilterHandle openInput(const std::string&, uint32_t* rate, uint16_t* bits, uint16_t* channels,
                             SornWindow, uint32_t* chunk) override {
    s_->calls.push_back("openInput");
    if (s_->onInput) s_->onInput();
    if (s_->openFails) return 0;
    *rate = s_->rate;
    *bits = s_->bits;
    *channels = s_->channels;
    *chunk = s_->chunk;
    s_->readPos = 0;
    return 1;
  }
  uint32_t readInput(SornFilterHandle, void* buffer, uint32_t bytes) override {
    ++s_->reads;
    if (s_->onInput) s_->onInput();
    if (s_->calls.empty() || s_->calls.back() != "read") s_->calls.push_back("read");
    size_t n = std::min<size_t>(bytes, s_->data.size() - s_->readPos);
    if (s_->readLimit) n = std::min<size_t>(n, s_->readLimit);
    std::memcpy(buffer, s_->data.data() + s_->readPos, n);
    s_->readPos += n;
    return uint32_t(n);
  }
  uint32_t seekInput(SornFilterHandle, uint32_t offset) override {
    s_->readPos = std::min<size_t>(offset, s_->data.size());
    return uint32_t(s_->readPos);
  }
  void closeInput(SornFilterHandle) override { s_->calls.push_back("closeInput"); }
  uint32_t fileSize(SornFilterHandle) override {
    return s_->declaredSize == 0xFFFFFFFFu ? uint32_t(s_->data.size()) : s_->declaredSize;
  }
  uint32_t options(SornFilterHandle) override { return s_->options; }
  uint32_t getOptions(SornWindow, uint32_t, uint32_t, uint32_t, uint32_t) override {
    return s_->getOptionsAnswer;
  }
  void setOptions(SornFilterHandle, uint32_t options, uint32_t, uint32_t, uint32_t) override {
    s_->setOptionsValue = options;
  }
  uint32_t dataOffset(SornFilterHandle, int32_t* offset, int32_t* length) override {
    if (!s_->mappable) return 1;
    *offset = s_->offset;
    *length = s_->length < 0 ? int32_t(s_->data.size()) : s_->length;
    return 0;
  }
  bool specialData(SornFilterHandle, bool first, SpecialItem* item) override {
    if (s_->onInput) s_->onInput();
    if (first) {
      s_->nextItem = 0;
      s_->calls.push_back("items");
    }
    if (s_->nextItem >= s_->items.size()) return false;
    *item = s_->items[s_->nextItem++];
    return true;
  }
  SornFilterHandle openOutput(const std::string&, uint32_t rate, uint32_t bits, uint32_t channels,
                              uint32_t total, uint32_t* chunk, uint32_t, uint32_t* lastError) override {
    s_->calls.push_back("openOutput");
    s_->openRate = rate;
    s_->openBits = bits;
    s_->openChannels = channels;
    s_->openTotal = total;
    if (s_->openOutputError && s_->openOutputFailures > 0) {
      --s_->openOutputFailures;
      *lastError = s_->openOutputError;
      return 0;
    }
    *chunk = s_->outChunk;
    return 2;
  }
  uint32_t writeOutput(SornFilterHandle, void* buffer, uint32_t bytes) override {
    if (s_->calls.empty() || s_->calls.back() != "write") s_->calls.push_back("write");
    if (s_->written.size() + bytes > s_->writeLimit) return 0;
    auto p = static_cast<const uint8_t*>(buffer);
    s_->written.insert(s_->written.end(), p, p + bytes);
    return bytes;
  }
  uint32_t closeOutput(SornFilterHandle) override {
    s_->calls.push_back("closeOutput");
    return s_->closeFails ? 0 : 1;
  }
  bool writeSpecialData(SornFilterHandle, const std::string& list, const std::string& id, const void* bytes,
                        uint32_t size) override {
    s_->calls.push_back("item:" + list + "/" + id);
    SpecialItem it;
    it.listType = list;
    it.chunkId = id;
    auto p = static_cast<const uint8_t*>(bytes);
    it.bytes.assign(p, p + size);
    s_->writtenItems.push_back(it);
    return true;
  }
  bool suggestedSampleType(uint32_t* bits, uint32_t* rate, uint32_t* channels, uint32_t) override {
    if (!s_->hasSuggest) return false;
    if (s_->suggestBits) *bits = s_->suggestBits;
    if (s_->suggestRate) *rate = s_->suggestRate;
    if (s_->suggestChannels) *channels = s_->suggestChannels;
    return true;
  }

 private:
  std::shared_ptr<FakeState> s_;
};

// FilterInfo with the given texts (cut to their fields).
inline FilterInfo makeInfo(const char* name, const char* ext, uint32_t caps, const char* desc = "") {
  FilterInfo f;
  std::memset(&f, 0, sizeof f);
  std::strncpy(f.name, name, sizeof f.name - 1);
  std::strncpy(f.description, desc, sizeof f.description - 1);
  std::strncpy(f.extension, ext, sizeof f.extension - 1);
  f.capabilities = caps;
  return f;
}

// A set of fake filters addressed by DLL name, and its loader.
struct FakeFilters {
  std::vector<std::pair<std::string, std::shared_ptr<FakeState>>> filters;
  std::vector<std::string> loadLog;

  std::shared_ptr<FakeState> add(const std::string& dll, const FilterInfo& info) {
    auto s = std::make_shared<FakeState>();
    s->info = info;
    filters.emplace_back(dll, s);
    return s;
  }
  // A table holding every filter added (sorted as the host sorts it).
  FilterTable table() const {
    FilterTable t;
    for (auto& f : filters) t.add(f.second->info, f.first);
    return t;
  }
  FilterLoader loader() {
    return [this](const std::string& dll, uint32_t* error) -> std::unique_ptr<FilterModule> {
      loadLog.push_back(dll);
      for (auto& f : filters)
        if (f.first == dll) return std::unique_ptr<FilterModule>(new FakeFilter(f.second));
      *error = kErrorFileNotFound;
      return nullptr;
    };
  }
};

}  // namespace testing_util
}  // namespace formats
