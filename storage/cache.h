// The wave cache: recently used 64 KB blocks of the paged store held in memory, keyed by backing
// location (backing-file slot + block position), with a background thread that reads requested blocks,
// reads ahead along a virtual file's chain and writes dirty blocks behind.
//
// Every block read and write of the store goes through here. The cache knows nothing of files: the store
// hands it three callbacks (read a block, write a block, follow a chain) at creation.
//
// Rules the implementation keeps:
//  - The cache lock is never held across a callback (disk I/O) or a wait.
//  - A block being written back (eviction, write-behind, release) stays in the index in a "writing"
//    state; lookups of it wait, so nobody can change it or cache an older disk copy meanwhile.
//  - The dirty flag is cleared under the lock before the unlocked write; a write landing afterwards
//    has to wait for the write-back anyway, then marks the block dirty again.
//  - A writer pins a block exclusively; readers share it. So no copy ever sees half of another's copy.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace storage {

constexpr uint32_t kCacheBlockSize = 0x10000;
constexpr uint64_t kCacheIdleMs = 5000;       // idle time after which every dirty block is written back
constexpr int64_t kCacheWaitIdleMs = 10000;  // how long CacheWaitIdle waits for a flush-all to end

struct CacheCallbacks {
  // Reads block `position` of backing slot `slot` into buf (block size bytes). False on an I/O error.
  std::function<bool(uint32_t slot, uint32_t position, uint8_t* buf)> readBlock;
  // Writes a whole block. False on an I/O error or a full disk.
  std::function<bool(uint32_t slot, uint32_t position, const uint8_t* buf)> writeBlock;
  // The descriptor after `descriptor` in its chain, with its location, for read-ahead. False at the end
  // of the chain or when the descriptor is not (or no longer) part of one. Called without the cache lock.
  std::function<bool(uint32_t descriptor, uint32_t* next, uint32_t* position, uint32_t* slot)> nextBlock;
  // A warning box; only ever called on a caller's thread, never on the cache thread.
  std::function<void(const char* text, const char* caption)> warn;
  // A line for the debug output (ends in "\n").
  std::function<void(const char* line)> debug;
};

struct CacheStats {
  uint64_t hits = 0;         // found valid
  uint64_t pending = 0;      // found with I/O in progress and waited for it
  uint64_t requests = 0;     // misses
  uint64_t readAheads = 0;   // blocks read ahead by the thread
  uint64_t writeAheads = 0;  // write-behind writes by the thread (including the idle drain)
  uint64_t writes = 0;       // write-backs forced by eviction or release
};

class WaveCache;

// Creates a cache of `slots` blocks of `blockSize` bytes. The dirty limit is min(slots - 2, dirtyParam).
// Returns null when memory or the thread can't be had.
WaveCache* CacheCreate(uint32_t slots, uint32_t dirtyParam, uint32_t blockSize, CacheCallbacks callbacks);
// Stops the thread and frees everything. Dirty blocks are not written back (use CacheFlushAll first if
// they matter). No other call may be running.
void CacheDestroy(WaveCache* cache);

// Copies count bytes at offset of block (position, slot) out of / into the cache. `descriptor` is the
// store's descriptor index of the block (a read-ahead hint), -1 for none. Each returns count, or 0 when no
// cache slot could be had or the block could not be read.
uint32_t CacheRead(WaveCache* cache, void* dst, uint32_t position, uint32_t slot, int32_t descriptor,
                   uint32_t offset, uint32_t count);
uint32_t CacheWrite(WaveCache* cache, const void* src, uint32_t position, uint32_t slot, int32_t descriptor,
                    uint32_t offset, uint32_t count);
uint32_t CacheFill(WaveCache* cache, uint8_t value, uint32_t position, uint32_t slot, int32_t descriptor,
                   uint32_t offset, uint32_t count);

enum class CacheReleaseResult { NotCached, Released, WriteFailed };
// Waits for I/O on the block, writes it back if dirty and forgets it. On a failed write the block stays
// cached and dirty, so nothing is lost.
CacheReleaseResult CacheRelease(WaveCache* cache, uint32_t position, uint32_t slot);
// Forgets a block without writing it back (its location no longer holds anything of value).
void CacheDiscard(WaveCache* cache, uint32_t position, uint32_t slot);
// Forgets every block of a backing slot without writing back, after the slot's file was closed, so a
// later file in the same slot never sees the old file's blocks.
void CacheForgetSlot(WaveCache* cache, uint32_t slot);
// Writes back every dirty block now, on the calling thread, and waits for write-backs under way
// elsewhere, so the disk is current when it returns. False if any write failed.
bool CacheFlushAll(WaveCache* cache);

// Wakes the cache thread so it looks at the clock again (for tests that move a replaced clock).
void CacheKick(WaveCache* cache);

// Waits up to 10 s for a running flush-all (write mode 2) to end. True when idle.
bool CacheWaitIdle(WaveCache* cache);
// 1 = normal write-behind, 2 = eager write-behind while a file is opened or imported. Process-wide.
void CacheSetWriteMode(int mode);
int CacheGetWriteMode();

CacheStats CacheGetStats(WaveCache* cache);
void CacheResetStats(WaveCache* cache);
// "%ld Hits, %ld Pending, %ld Requests, %ld ReadAhd, %ld WriteAhd, %ld Write\n"
std::string CacheStatsLine(const CacheStats& s);

// Figures for tests and the status of the cache.
uint32_t CacheSlotCount(WaveCache* cache);
uint32_t CacheDirtyLimit(WaveCache* cache);
uint32_t CacheReadAheadWindow(WaveCache* cache);  // min(10, slots - dirty limit - 1)
uint32_t CacheDirtyCount(WaveCache* cache);
bool CacheContains(WaveCache* cache, uint32_t position, uint32_t slot);

}  // namespace storage
