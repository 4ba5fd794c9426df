// The store's process-wide record, shared by the store's source files (not for other subsystems).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/file.h"
#include "storage/cache.h"
#include "storage/store.h"

namespace storage {

struct VfBlock {
  std::atomic<uint16_t> position{0};
  std::atomic<uint16_t> next{0};
  std::atomic<uint32_t> flags{0};
};

struct TfSlot {
  std::mutex lock;                 // around every use of the handle; innermost store lock
  platform::File* file = nullptr;  // null when unused or when a reopen failed
  uint64_t base = 0;
  std::atomic<uint32_t> refCount{0};
  std::atomic<uint64_t> size{0};
  std::atomic<uint32_t> nextPosition{0};
  std::atomic<uint32_t> flags{TF_UNUSED};
  std::atomic<uint32_t> nameHash{0};
  std::string path;
  bool writable = false;  // a source slot reopened for a quick save
};

struct VfStore {
  TfSlot slots[kVfSlotCount];
  VfBlock* blocks = nullptr;  // kVfBlockCount
  WaveCache* cache = nullptr;
  int64_t reserve[3] = {0, 0, 0};         // [1], [2]: bytes to keep free on each temp drive
  int64_t freeSectors[3] = {0, 0, 0};     // last measurement (+ the temp file's own sectors)
  int64_t bytesPerSector[3] = {512, 512, 512};
  std::string tempDir[3];
  uint32_t cacheSizeKB = 0;
  std::mutex listLock;
  std::mutex bufferLock;
  uint8_t* buffer = nullptr;  // 64 KB transfer buffer, sector aligned
  int tempSlot[3] = {-1, -1, -1};
  uint16_t freeListValid = 0;
  uint16_t freeListEmpty = 0;
  uint32_t validCount = 0, emptyCount = 0;
  int remeasureCountdown = 0;
  StoreUi ui;
};

extern VfStore* gStore;

void storeDebug(const char* fmt, ...);
void storeBox(const std::string& text, const std::string& caption, StoreIcon icon);
// Free sectors and sector size of the drive holding path (100 sectors of 1024 bytes when unknown).
void VfGetDiskFree(const std::string& path, int64_t* sectors, int64_t* bytesPerSector);
bool checkSpaceLocked(int which, int64_t bytes);  // list lock held
void pushEmptyLocked(uint16_t d);
void pushValidLocked(uint16_t d);

}  // namespace storage
