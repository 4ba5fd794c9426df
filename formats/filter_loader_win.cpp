// Filter DLLs through LoadLibrary and GetProcAddress; see filter_loader.h. Every call into a filter goes
// through the contract's standard-call types of include/sorn_filter.h; metadata items are copied out of and
// into movable global memory here, so the rest of the host only sees bytes.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "formats/filter_host.h"
#include "formats/filter_loader.h"
#include "platform/win32.h"

namespace formats {
namespace {

constexpr int kEntries = int(FilterEntry::Count);

class WindowsFilter : public FilterModule {
 public:
  explicit WindowsFilter(HMODULE m) : module_(m) {
    for (int i = 0; i < kEntries; ++i) procs_[i] = GetProcAddress(m, filterEntryName(FilterEntry(i)));
  }
  ~WindowsFilter() override { FreeLibrary(module_); }
  WindowsFilter(const WindowsFilter&) = delete;
  WindowsFilter& operator=(const WindowsFilter&) = delete;

  bool has(FilterEntry e) const override { return procs_[int(e)] != nullptr; }
  SornModule module() const override { return module_; }

  uint32_t query(FilterInfo* info) override {
    auto f = fn<QuerySornFilterFn>(FilterEntry::QuerySornFilter);
    return f ? f(info) : 0;
  }
  int32_t understandsFormat(const std::string& path) override {
    auto f = fn<FilterUnderstandsFormatFn>(FilterEntry::FilterUnderstandsFormat);
    return f ? f(path.c_str()) : 0;
  }
  SornFilterHandle openInput(const std::string& path, uint32_t* rate, uint16_t* bits, uint16_t* channels,
                             SornWindow window, uint32_t* chunk) override {
    if (auto f2 = fn<OpenFilterInput2Fn>(FilterEntry::OpenFilterInput2))
      return f2(path.c_str(), rate, bits, channels, window, chunk, module_);
    auto f = fn<OpenFilterInputFn>(FilterEntry::OpenFilterInput);
    return f ? f(path.c_str(), rate, bits, channels, window, chunk) : 0;
  }
  uint32_t readInput(SornFilterHandle in, void* buffer, uint32_t bytes) override {
    auto f = fn<ReadFilterInputFn>(FilterEntry::ReadFilterInput);
    return f ? f(in, buffer, bytes) : 0;
  }
  uint32_t seekInput(SornFilterHandle in, uint32_t offset) override {
    auto f = fn<SeekFilterInputFn>(FilterEntry::SeekFilterInput);
    return f ? f(in, offset) : 0;
  }
  void closeInput(SornFilterHandle in) override {
    if (auto f = fn<CloseFilterInputFn>(FilterEntry::CloseFilterInput)) f(in);
  }
  uint32_t fileSize(SornFilterHandle in) override {
    auto f = fn<FilterGetFileSizeFn>(FilterEntry::FilterGetFileSize);
    return f ? f(in) : 0;
  }
  uint32_t options(SornFilterHandle in) override {
    auto f = fn<FilterOptionsFn>(FilterEntry::FilterOptions);
    return f ? f(in) : 1;
  }
  uint32_t getOptions(SornWindow window, uint32_t rate, uint32_t channels, uint32_t bits,
                      uint32_t previous) override {
    auto f = fn<FilterGetOptionsFn>(FilterEntry::FilterGetOptions);
    return f ? f(window, module_, rate, channels, bits, previous) : 0;
  }
  void setOptions(SornFilterHandle in, uint32_t options, uint32_t rate, uint32_t channels,
                  uint32_t bits) override {
    if (auto f = fn<FilterSetOptionsFn>(FilterEntry::FilterSetOptions)) f(in, options, rate, channels, bits);
  }
  uint32_t dataOffset(SornFilterHandle in, int32_t* offset, int32_t* length) override {
    auto f = fn<GetDataOffsetFn>(FilterEntry::GetDataOffset);
    return f ? f(in, offset, length) : 1;
  }
  bool specialData(SornFilterHandle in, bool first, SpecialItem* item) override;
  SornFilterHandle openOutput(const std::string& path, uint32_t rate, uint32_t bits, uint32_t channels,
                              uint32_t total, uint32_t* chunk, uint32_t options,
                              uint32_t* lastError) override {
    auto f = fn<OpenFilterOutputFn>(FilterEntry::OpenFilterOutput);
    SetLastError(0);
    SornFilterHandle out = f ? f(path.c_str(), rate, bits, channels, total, chunk, options) : 0;
    *lastError = out ? 0 : GetLastError();
    return out;
  }
  uint32_t writeOutput(SornFilterHandle out, void* buffer, uint32_t bytes) override {
    auto f = fn<WriteFilterOutputFn>(FilterEntry::WriteFilterOutput);
    return f ? f(out, buffer, bytes) : 0;
  }
  uint32_t closeOutput(SornFilterHandle out) override {
    auto f = fn<CloseFilterOutputFn>(FilterEntry::CloseFilterOutput);
    return f ? f(out) : 0;
  }
  bool writeSpecialData(SornFilterHandle out, const std::string& list, const std::string& id,
                        const void* bytes, uint32_t size) override;
  bool suggestedSampleType(uint32_t* bits, uint32_t* rate, uint32_t* channels, uint32_t options) override {
    if (auto f2 = fn<GetSuggestedSampleType2Fn>(FilterEntry::GetSuggestedSampleType2)) {
      f2(bits, rate, channels, options);
      return true;
    }
    if (auto f = fn<GetSuggestedSampleTypeFn>(FilterEntry::GetSuggestedSampleType)) {
      f(bits, rate, channels);
      return true;
    }
    return false;
  }

 private:
  template <typename F>
  F fn(FilterEntry e) const {
    return reinterpret_cast<F>(procs_[int(e)]);
  }
  HMODULE module_;
  FARPROC procs_[kEntries];
};

// Copies the item out of the filter's block and frees the block, trusting the size only as far as the
// block reaches.
bool WindowsFilter::specialData(SornFilterHandle in, bool first, SpecialItem* item) {
  auto f = fn<FilterGetSpecialDataFn>(first ? FilterEntry::FilterGetFirstSpecialData
                                            : FilterEntry::FilterGetNextSpecialData);
  if (!f) return false;
  SornSpecialData d;
  std::memset(&d, 0, sizeof d);
  if (!f(in, &d)) return false;
  d.listType[sizeof d.listType - 1] = 0;
  d.chunkId[sizeof d.chunkId - 1] = 0;
  *item = SpecialItem();
  item->listType = d.listType;
  item->chunkId = d.chunkId;
  item->count = d.count;
  if (d.mem) {
    uint32_t size = uint32_t(std::min<SIZE_T>(d.size, GlobalSize(d.mem)));
    if (const void* p = GlobalLock(d.mem)) {
      auto b = static_cast<const uint8_t*>(p);
      item->bytes.assign(b, b + size);
      GlobalUnlock(d.mem);
    }
    GlobalFree(d.mem);
  }
  return true;
}

bool WindowsFilter::writeSpecialData(SornFilterHandle out, const std::string& list, const std::string& id,
                                     const void* bytes, uint32_t size) {
  auto f = fn<FilterWriteSpecialDataFn>(FilterEntry::FilterWriteSpecialData);
  if (!f) return false;
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size ? size : 1);
  if (!mem) return false;
  if (void* p = GlobalLock(mem)) {
    if (size) std::memcpy(p, bytes, size);
    GlobalUnlock(mem);
  }
  bool kept = f(out, list.c_str(), id.c_str(), mem, size) != 0;
  GlobalFree(mem);
  return kept;
}

std::string join(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  char last = dir.back();
  return (last == '\\' || last == '/') ? dir + name : dir + "\\" + name;
}

}  // namespace

std::string programDirectory() {
  char path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH - 1);
  std::string p(path, n);
  size_t slash = p.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : p.substr(0, slash);
}

FilterLoader windowsFilterLoader(const std::string& directory) {
  return [directory](const std::string& dll, uint32_t* error) -> std::unique_ptr<FilterModule> {
    UINT old = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE m = LoadLibraryA(join(directory, dll).c_str());
    DWORD err = GetLastError();
    SetErrorMode(old);
    if (!m) {
      *error = err;
      return nullptr;
    }
    return std::unique_ptr<FilterModule>(new WindowsFilter(m));
  };
}

FilterScanEnv windowsScanEnv(const std::string& directory, ui::SettingsSource* settings) {
  FilterScanEnv env;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(join(directory, "*.flt").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      FltFile f;
      f.name = fd.cFileName;
      f.size = (uint64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
      f.creationTime = (uint64_t(fd.ftCreationTime.dwHighDateTime) << 32) | fd.ftCreationTime.dwLowDateTime;
      env.files.push_back(f);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  std::string cache = join(directory, "flt.dat");
  env.readCache = [cache](std::vector<uint8_t>* bytes) {
    std::ifstream in(cache, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), {});
    return true;
  };
  env.writeCache = [cache](const std::vector<uint8_t>& bytes) {
    std::ofstream out(cache, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
  };
  env.load = windowsFilterLoader(directory);
  env.settings = settings;
  return env;
}

}  // namespace formats

namespace formats {

FilterScanResult scanFiltersAtStartup(ui::SettingsSource* settings) {
  FilterHost& host = filterHost();
  std::string dir = programDirectory();
  FilterScanEnv env = windowsScanEnv(dir, settings);
  FilterScanResult r = scanFilters(env, &host.table);
  host.load = windowsFilterLoader(dir);
  host.defaultPcm = r.defaultPcm;
  return r;
}

}  // namespace formats
