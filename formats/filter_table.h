// The filter table: every file filter found in the program's directory, at most 48, sorted (filters
// without FLT_SORT_LAST first, by default extension without regard to case, then the FLT_SORT_LAST ones),
// and its cache flt.dat, so a start-up with unchanged filters loads none of them.
//
// flt.dat, little-endian, written and read field by field:
//   0  u16 entry count n (at most 48)
//   2  u32 directory checksum: sum over all *.flt files of (file size + low 32 bits of the creation time)
//   6  u16 version, 3
//   8  n x 180-byte entries (FilterInfo, DLL name, two zero u16)
//   8 + 180 n  u32 trailer 0x41564F4B ("KOVA")
// A cache is used only when its checksum, version, trailer, count and total size all agree; every text
// read from it is cut to end inside its field.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/filter_module.h"
#include "include/sorn_filter.h"

namespace ui {
class SettingsSource;
}

namespace formats {

constexpr uint16_t kFltDatVersion = 3;
constexpr uint32_t kFltDatMagic = 0x41564F4Bu;
constexpr size_t kFltDatHeaderBytes = 8;
constexpr size_t kFilterEntryBytes = 180;
constexpr size_t kMaxFilters = SORN_FILTER_TABLE_MAX;

// A *.flt file of the program's directory.
struct FltFile {
  std::string name;  // file name without directory
  uint64_t size = 0;
  uint64_t creationTime = 0;  // the system's file time; its low 32 bits enter the checksum
};
uint32_t filterDirectoryChecksum(const std::vector<FltFile>& files);

class FilterTable {
 public:
  size_t size() const { return entries_.size(); }
  const FilterTableEntry& at(size_t i) const { return entries_[i]; }
  const std::vector<FilterTableEntry>& entries() const { return entries_; }
  // Sorted insertion; false (nothing added) when the table is full.
  bool add(const FilterInfo& info, const std::string& dllName);
  void clear() { entries_.clear(); }
  // Re-sorts (after loading a cache written by another build).
  void sort();

  // DefaultFilterIndex: among FLT_READ filters the one named recentName, else the last whose name contains
  // "Windows", else the one whose extension is WAV; -1 when none.
  int defaultIndex(const std::string& recentName) const;
  // The default PCM filter after a scan: the first FLT_READ filter whose name contains "Windows", else the
  // first FLT_READ one with extension WAV; -1 when none.
  int defaultPcmIndex() const;
  // The first filter with FLT_WRITE whose extension equals that of filter index (any case); -1 when none.
  int firstWriterLike(size_t index) const;

 private:
  std::vector<FilterTableEntry> entries_;
};

// flt.dat bytes for a table and checksum.
std::vector<uint8_t> encodeFltDat(const FilterTable& table, uint32_t checksum);
// Loads a cache into *table when it is valid for checksum; false (table untouched) otherwise.
bool decodeFltDat(const std::vector<uint8_t>& bytes, uint32_t checksum, FilterTable* table);

// Makes every text of a record end inside its field (records from outside: a filter or the cache).
void terminateTexts(FilterInfo* info);

// What the scan needs from the system: the *.flt files, the cache, the filters themselves.
struct FilterScanEnv {
  std::vector<FltFile> files;
  std::function<bool(std::vector<uint8_t>* bytes)> readCache;  // false when flt.dat is absent or unreadable
  std::function<bool(const std::vector<uint8_t>& bytes)> writeCache;
  FilterLoader load;
  ui::SettingsSource* settings = nullptr;  // for [File Options 95] and [Settings] Associated; may be null
};

struct FilterScanResult {
  bool fromCache = false;
  uint32_t loaded = 0;                // filters loaded to ask them (0 when the cache was used)
  int defaultPcm = -1;                // defaultPcmIndex() of the table
  std::vector<std::string> messages;  // the texts of the boxes shown
};

// ScanFilters: the cache when it matches the directory, else every *.flt asked with QuerySornFilter and
// the cache written anew. Load failures show their boxes through ui::ShowMessageBox.
FilterScanResult scanFilters(FilterScanEnv& env, FilterTable* table);

}  // namespace formats
