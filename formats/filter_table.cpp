// The filter table, its flt.dat cache and the scan of the program's directory.
#include "formats/filter_table.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "include/sorn_bytes.h"
#include "ui/message_box.h"
#include "ui/settings_source.h"

namespace formats {
namespace {

int compareNoCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    int x = std::tolower(static_cast<unsigned char>(*a)), y = std::tolower(static_cast<unsigned char>(*b));
    if (x != y || x == 0) return x - y;
  }
}

// The sort order: entries without FLT_SORT_LAST first, then by extension without regard to case.
bool sortsBefore(const FilterTableEntry& a, const FilterTableEntry& b) {
  bool lastA = (a.info.capabilities & FLT_SORT_LAST) != 0, lastB = (b.info.capabilities & FLT_SORT_LAST) != 0;
  if (lastA != lastB) return !lastA;
  return compareNoCase(a.info.extension, b.info.extension) < 0;
}

void putText(std::vector<uint8_t>* v, const char* text, size_t field) {
  size_t n = strnlen(text, field);
  v->insert(v->end(), text, text + n);
  v->insert(v->end(), field - n, 0);
}
void getText(char* dst, const uint8_t* p, size_t field) {
  std::memcpy(dst, p, field);
  dst[field - 1] = 0;
}

void terminate(char* text, size_t field) {
  text[field - 1] = 0;
}

bool contains(const char* text, const char* word) {
  return std::strstr(text, word) != nullptr;
}

std::string baseName(const std::string& file) {
  size_t dot = file.rfind('.');
  return dot == std::string::npos ? file : file.substr(0, dot);
}

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
  char buf[1024];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  return buf;
}

// The box for a filter that could not be loaded.
void reportLoadFailure(const std::string& file, uint32_t error, FilterScanResult* result) {
  std::string text;
  switch (error) {
    case kErrorAccessDenied: {
      std::string base = baseName(file);
      text = format(
          "A task with the name \"%s\" is clashing with \"%s\".  Please close this other task, or rename "
          "\"%s\" and run %s again.",
          base.c_str(), file.c_str(), file.c_str(), "Sorn Edit");
      break;
    }
    case kErrorFileNotFound:
      text = format(
          "Your system configuration does not support the Sorn Edit file format in %s.  This is the only "
          "time you will get this message.  If new multimedia drivers are installed, you may delete "
          "FLT.DAT and re-start Sorn Edit.",
          file.c_str());
      break;
    case kErrorModuleNotFound:
      text = format(
          "Cannot find associated DLL for %s.  Once the DLL is installed, you must delete FLT.DAT to scan "
          "for file filters again.",
          file.c_str());
      break;
    default:
      text = format("Error %d Loading FLT File %s", int(error), file.c_str());
  }
  ui::ShowMessageBox(text.c_str(), "Error", ui::kMbOk | ui::kMbIconExclamation);
  result->messages.push_back(text);
}

}  // namespace

uint32_t filterDirectoryChecksum(const std::vector<FltFile>& files) {
  uint32_t sum = 0;
  for (const FltFile& f : files) sum += uint32_t(f.size) + uint32_t(f.creationTime);
  return sum;
}

void terminateTexts(FilterInfo* info) {
  terminate(info->name, sizeof info->name);
  terminate(info->description, sizeof info->description);
  terminate(info->extension, sizeof info->extension);
}

bool FilterTable::add(const FilterInfo& info, const std::string& dllName) {
  if (entries_.size() >= kMaxFilters) return false;
  FilterTableEntry e;
  std::memset(&e, 0, sizeof e);
  e.info = info;
  terminateTexts(&e.info);
  size_t n = std::min(dllName.size(), sizeof e.dllName - 1);
  std::memcpy(e.dllName, dllName.data(), n);
  auto at = std::upper_bound(entries_.begin(), entries_.end(), e, sortsBefore);
  entries_.insert(at, e);
  return true;
}

void FilterTable::sort() {
  std::stable_sort(entries_.begin(), entries_.end(), sortsBefore);
}

int FilterTable::defaultIndex(const std::string& recentName) const {
  int windows = -1, wav = -1;
  for (size_t i = 0; i < entries_.size(); ++i) {
    const FilterInfo& f = entries_[i].info;
    if (!(f.capabilities & FLT_READ)) continue;
    if (!recentName.empty() && recentName == f.name) return int(i);
    if (contains(f.name, "Windows")) windows = int(i);
    if (wav < 0 && compareNoCase(f.extension, "WAV") == 0) wav = int(i);
  }
  return windows >= 0 ? windows : wav;
}

int FilterTable::defaultPcmIndex() const {
  int wav = -1;
  for (size_t i = 0; i < entries_.size(); ++i) {
    const FilterInfo& f = entries_[i].info;
    if (!(f.capabilities & FLT_READ)) continue;
    if (contains(f.name, "Windows")) return int(i);
    if (wav < 0 && compareNoCase(f.extension, "WAV") == 0) wav = int(i);
  }
  return wav;
}

int FilterTable::firstWriterLike(size_t index) const {
  if (index >= entries_.size()) return -1;
  for (size_t i = 0; i < entries_.size(); ++i) {
    if ((entries_[i].info.capabilities & FLT_WRITE) &&
        compareNoCase(entries_[i].info.extension, entries_[index].info.extension) == 0)
      return int(i);
  }
  return -1;
}

std::vector<uint8_t> encodeFltDat(const FilterTable& table, uint32_t checksum) {
  std::vector<uint8_t> v;
  v.reserve(kFltDatHeaderBytes + table.size() * kFilterEntryBytes + 4);
  SornAppendU16LE(&v, uint16_t(table.size()));
  SornAppendU32LE(&v, checksum);
  SornAppendU16LE(&v, kFltDatVersion);
  for (const FilterTableEntry& e : table.entries()) {
    putText(&v, e.info.name, sizeof e.info.name);
    putText(&v, e.info.description, sizeof e.info.description);
    SornAppendU32LE(&v, e.info.capabilities);
    putText(&v, e.info.extension, sizeof e.info.extension);
    putText(&v, e.dllName, sizeof e.dllName);
    SornAppendU16LE(&v, 0);
    SornAppendU16LE(&v, 0);
  }
  SornAppendU32LE(&v, kFltDatMagic);
  return v;
}

bool decodeFltDat(const std::vector<uint8_t>& bytes, uint32_t checksum, FilterTable* table) {
  if (bytes.size() < kFltDatHeaderBytes + 4) return false;
  const uint8_t* p = bytes.data();
  size_t n = SornGetU16LE(p);
  if (n > kMaxFilters || bytes.size() != kFltDatHeaderBytes + n * kFilterEntryBytes + 4) return false;
  if (SornGetU32LE(p + 2) != checksum || SornGetU16LE(p + 6) != kFltDatVersion) return false;
  if (SornGetU32LE(p + kFltDatHeaderBytes + n * kFilterEntryBytes) != kFltDatMagic) return false;
  FilterTable loaded;
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* e = p + kFltDatHeaderBytes + i * kFilterEntryBytes;
    FilterInfo info;
    std::memset(&info, 0, sizeof info);
    getText(info.name, e, sizeof info.name);
    getText(info.description, e + 24, sizeof info.description);
    info.capabilities = SornGetU32LE(e + 132);
    getText(info.extension, e + 136, sizeof info.extension);
    char dll[SORN_FILTER_DLL_CHARS];
    getText(dll, e + 156, sizeof dll);
    loaded.add(info, dll);
  }
  *table = loaded;
  return true;
}

FilterScanResult scanFilters(FilterScanEnv& env, FilterTable* table) {
  FilterScanResult result;
  uint32_t checksum = filterDirectoryChecksum(env.files);
  std::vector<uint8_t> cache;
  if (env.readCache && env.readCache(&cache) && decodeFltDat(cache, checksum, table)) {
    result.fromCache = true;
    result.defaultPcm = table->defaultPcmIndex();
    return result;
  }
  table->clear();
  for (const FltFile& f : env.files) {
    uint32_t error = 0;
    std::unique_ptr<FilterModule> m = env.load ? env.load(f.name, &error) : nullptr;
    if (!m) {
      reportLoadFailure(f.name, error, &result);
      continue;
    }
    ++result.loaded;
    if (!m->has(FilterEntry::QuerySornFilter)) {
      std::string text = format("Error %d Loading FLT File %s", 127, f.name.c_str());
      ui::ShowMessageBox(text.c_str(), "Error", ui::kMbOk | ui::kMbIconAsterisk);
      result.messages.push_back(text);
      continue;
    }
    FilterInfo info;
    std::memset(&info, 0, sizeof info);
    uint32_t version = m->query(&info);
    if (version < SORN_FILTER_VERSION_MIN || version > SORN_FILTER_VERSION_MAX) continue;
    table->add(info, f.name);  // a 49th filter is left out
  }
  if (env.writeCache) env.writeCache(encodeFltDat(*table, checksum));
  if (env.settings) {
    for (size_t i = 0; i < table->size(); ++i) {
      std::string key = "Filter" + std::to_string(i);
      env.settings->writeString("File Options 95", key.c_str(), nullptr);
    }
    env.settings->writeString("Settings", "Associated", "2");
  }
  result.defaultPcm = table->defaultPcmIndex();
  return result;
}

}  // namespace formats
