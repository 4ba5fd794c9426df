// A loaded file filter as the host sees it: the contract's entry points (include/sorn_filter.h) behind
// a C++ interface. The Windows implementation (filter_module_win.cpp) loads the DLL and calls the
// resolved addresses; tests implement the interface directly with a fake filter. The host asks has()
// before calling an optional entry; calling a missing one returns the "not supported" value.
//
// Metadata items cross this interface as bytes: the Windows implementation copies an item out of the
// filter's movable block and frees the block, and hands an item to the filter in a fresh zero-initialised
// movable block that it frees after the call.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "include/sorn_filter.h"

namespace formats {

enum class FilterEntry : int {
  QuerySornFilter,
  FilterUnderstandsFormat,
  OpenFilterInput,
  OpenFilterInput2,
  ReadFilterInput,
  SeekFilterInput,
  CloseFilterInput,
  FilterGetFileSize,
  FilterOptions,
  FilterGetOptions,
  FilterSetOptions,
  GetDataOffset,
  FilterGetFirstSpecialData,
  FilterGetNextSpecialData,
  OpenFilterOutput,
  WriteFilterOutput,
  CloseFilterOutput,
  FilterWriteSpecialData,
  GetSuggestedSampleType,
  GetSuggestedSampleType2,
  Count
};
// The exported name of an entry.
const char* filterEntryName(FilterEntry e);

// One metadata item (a special data item with its bytes copied out).
struct SpecialItem {
  std::string listType;
  std::string chunkId;
  std::vector<uint8_t> bytes;
  uint32_t count = 0;
};

// Operating-system error codes the host tells apart.
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorSharingViolation = 32;
constexpr uint32_t kErrorModuleNotFound = 126;

class FilterModule {
 public:
  virtual ~FilterModule() = default;  // unloads the filter
  virtual bool has(FilterEntry e) const = 0;
  // The filter's module handle (for OpenFilterInput2 and FilterGetOptions); null in tests.
  virtual SornModule module() const { return nullptr; }

  virtual uint32_t query(FilterInfo* info) = 0;
  virtual int32_t understandsFormat(const std::string& path) = 0;
  // OpenFilterInput2 when present, else OpenFilterInput.
  virtual SornFilterHandle openInput(const std::string& path, uint32_t* rate, uint16_t* bits,
                                     uint16_t* channels, SornWindow window, uint32_t* chunkBytes) = 0;
  virtual uint32_t readInput(SornFilterHandle in, void* buffer, uint32_t bytes) = 0;
  virtual uint32_t seekInput(SornFilterHandle in, uint32_t offset) = 0;
  virtual void closeInput(SornFilterHandle in) = 0;
  virtual uint32_t fileSize(SornFilterHandle in) = 0;
  virtual uint32_t options(SornFilterHandle in) = 0;  // 1 without the entry
  virtual uint32_t getOptions(SornWindow window, uint32_t rate, uint32_t channels, uint32_t bits,
                              uint32_t previous) = 0;
  virtual void setOptions(SornFilterHandle in, uint32_t options, uint32_t rate, uint32_t channels,
                          uint32_t bits) = 0;
  // 0 when the samples lie as plain PCM at *offset; non-zero (also without the entry) otherwise.
  virtual uint32_t dataOffset(SornFilterHandle in, int32_t* offset, int32_t* length) = 0;
  // FilterGetFirstSpecialData (first) or FilterGetNextSpecialData: false when no item came back.
  virtual bool specialData(SornFilterHandle in, bool first, SpecialItem* item) = 0;

  // Returns the output or 0; *lastError receives the system's error code after a failure.
  virtual SornFilterHandle openOutput(const std::string& path, uint32_t rate, uint32_t bits,
                                      uint32_t channels, uint32_t totalBytes, uint32_t* chunkBytes,
                                      uint32_t options, uint32_t* lastError) = 0;
  virtual uint32_t writeOutput(SornFilterHandle out, void* buffer, uint32_t bytes) = 0;
  // Non-zero when the file was completed.
  virtual uint32_t closeOutput(SornFilterHandle out) = 0;
  virtual bool writeSpecialData(SornFilterHandle out, const std::string& listType, const std::string& chunkId,
                                const void* bytes, uint32_t size) = 0;
  // GetSuggestedSampleType2 (with options) when present, else GetSuggestedSampleType. False without either.
  virtual bool suggestedSampleType(uint32_t* bits, uint32_t* rate, uint32_t* channels, uint32_t options) = 0;
};

// Loads a filter by its DLL file name; null with *error set (the system's code) when it cannot.
using FilterLoader =
    std::function<std::unique_ptr<FilterModule>(const std::string& dllName, uint32_t* error)>;

}  // namespace formats
