// The paged store: every sample of every open wave, undo copy and clipboard copy lives in 64 KB blocks
// described by one process-wide table of 32,768 descriptors. A descriptor points at a 64 KB location in
// one of the store's two delete-on-close temp files or directly inside an opened source file (read-only;
// copied into temp storage on its first change, FlushBlock). Virtual files (chains of descriptors) are
// built on top of this; the store itself knows only descriptors, free lists and backing-file slots.
//
// Descriptor states (exactly one holds):
//   empty       VF_INVALID                 on the empty free list, no location
//   valid free  (none of the three flags)   on the valid free list, keeps a temp location for reuse
//   in use      VF_INUSE                   in a virtual file's chain, a temp location
//   in use, RO  VF_INUSE | VF_READONLY     in a virtual file's chain, a location in a source file
// Invariants (checked by VfCheckInvariants): every descriptor but 0 is in exactly one list or chain;
// each open slot's reference count equals the descriptors (in use or valid free) pointing at it; no two
// descriptors share a temp location; every temp location below a temp file's next position has a
// descriptor until VfCompact trims the file's tail.
//
// Lock order, outermost first: virtual-file lock (callers) -> buffer lock -> list lock -> slot lock.
// The cache lock is never held across I/O; the need-space callback runs with no store lock held.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "storage/store_ui.h"

namespace storage {

class WaveCache;

constexpr uint32_t kVfBlockSize = 0x10000;
constexpr int kVfSlotCount = 255;
constexpr uint32_t kVfBlockCount = 32768;  // descriptor 0 is never handed out
// The message the Windows host sends its main window when the store runs out of room (WM_VF_NEEDSPACE there).
constexpr int kVfNeedSpaceMessage = 1651;

// Descriptor flags word.
constexpr uint32_t VF_COUNT_MASK = 0x1FFFF;  // valid bytes, 0..65536
constexpr uint32_t VF_READONLY = 0x100000;
constexpr uint32_t VF_INVALID = 0x200000;
constexpr uint32_t VF_INUSE = 0x400000;
constexpr uint32_t VF_SLOT_SHIFT = 24;
inline uint32_t VfCountOf(uint32_t flags) { return flags & VF_COUNT_MASK; }
inline int VfSlotOf(uint32_t flags) { return int(flags >> VF_SLOT_SHIFT); }

// TfOpen flags and slot flags.
constexpr uint32_t TF_CREATE = 4;        // create a new file
constexpr uint32_t TF_OPEN_TEMP = 8;     // open an existing file as a temp file
constexpr uint32_t TF_SYSTEM_CACHE = 0x10;
constexpr uint32_t TF_SOURCE = 0x4000;   // read-only source file, shared for reading, closed with its last block
constexpr uint32_t TF_UNUSED = 0x8000;
constexpr uint32_t TF_PREF_MASK = 3;     // temp preference of the virtual file that opened it

enum VfStatus : int {
  VF_OK = 0,
  VF_ERR_ALREADY_INIT = 2,
  VF_ERR_NOT_INIT = 3,
  VF_ERR_NO_MEMORY = 4,
  VF_ERR_SLOT_UNUSED = 6,
  VF_ERR_SLOT_NOT_INIT = 7,
  VF_ERR_NO_SLOT = 8,
  VF_ERR_OPEN = 9,
  VF_ERR_READ_BEYOND = 10,
  VF_ERR_READ_ONLY = 11,
  VF_ERR_CACHE = 12,
  VF_ERR_TEMP_NAME = 13,
  VF_ERR_NO_DESCRIPTOR = 14,
  VF_ERR_BAD_SLOT = 15,
  VF_ERR_NOT_IN_USE = 16,
  VF_ERR_INVALID = 17,
  VF_ERR_NO_BLOCK = 18,
  VF_ERR_IO = 19,  // a block could not be read or written (disk error, disk full)
  VF_WARN_TEMP1_ROOT = 20,
  VF_WARN_TEMP2_ROOT = 21,
};
const char* VfStatusText(int status);  // never null
extern const int kVfAllStatuses[];
extern const int kVfStatusCount;

// Store-wide operations.
int VfInit(const std::string& tempDir1, const std::string& tempDir2, int64_t reserve1Bytes, int64_t reserve2Bytes,
           uint32_t cacheSizeKB, const StoreUi& ui);
int VfShutdown();
bool VfIsInitialised();
// True when two temp directories are on one drive: same drive letter (any case) for drive paths, else
// the same volume. A second temp directory on the first one's drive is not used.
bool VfSameTempDrive(const std::string& a, const std::string& b);
void VfSetReserves(int64_t reserve1Bytes, int64_t reserve2Bytes);
bool VfCheckSpace(int which, int64_t bytes);
int64_t VfFreeSpaceKB();
bool VfClipboardPath(std::string* out, int64_t bytesNeeded);
WaveCache* VfGetCache();
int VfFindSourceFile(const std::string& path);
// Copies every block still mapped from the source file into temp storage, so the file can be overwritten.
// The caller must have stopped playback and preview: this rewrites descriptors of chains it does not
// own, which is only safe while no other thread reads virtual files. Returns true if a block was copied;
// *status (optional) is 0 when the file is no longer mapped, else the status of the copy that failed.
bool VfReleaseSourceFile(const std::string& path, const std::function<void(uint32_t done, uint32_t total)>& progress,
                         int* status = nullptr);
void VfCompact();
uint16_t GetAFreeBlock(uint32_t preference, bool needLocation);
int FlushBlock(uint16_t descriptor);
// Gives an in-use descriptor back: a temp location goes to the valid free list (its cached copy is
// dropped unwritten), a source location's descriptor to the empty list (releasing the source file).
int VfReleaseBlock(uint16_t descriptor);
// "<dir>/~<prefix>NNNN.TMP" for a name no file has; dir = temp dir 1, or the text after a leading '!'
// already in buffer. Bounded to size bytes and 10,000 tries; false when no name could be made.
bool getTempName(const char* prefix, char* buffer, size_t size);
uint32_t VfNameHash(const std::string& path);

// Descriptor fields (atomic: the cache thread's read-ahead reads chains while their owners edit them).
uint32_t VfBlockFlags(uint16_t d);
void VfSetBlockFlags(uint16_t d, uint32_t flags);
uint16_t VfBlockPosition(uint16_t d);
void VfSetBlockPosition(uint16_t d, uint16_t position);
uint16_t VfBlockNext(uint16_t d);
void VfSetBlockNext(uint16_t d, uint16_t next);

// Block data through the cache, addressed by descriptor. Return bytes moved (0 on failure).
uint32_t VfBlockRead(uint16_t d, void* dst, uint32_t offset, uint32_t count);
uint32_t VfBlockWrite(uint16_t d, const void* src, uint32_t offset, uint32_t count);
uint32_t VfBlockFill(uint16_t d, uint8_t value, uint32_t offset, uint32_t count);

// Backing-file slots.
int TfOpen(const std::string& path, uint32_t flags, uint64_t base, uint64_t size, int* status);
int TfClose(int slot);
uint32_t TfRead(int slot, uint64_t offset, uint32_t count, void* dst, int* status);
uint32_t TfWrite(int slot, uint64_t offset, uint32_t count, const void* src, int* status);
uint32_t TfNextPosition(int slot);
int TfRelease(int slot);
// Quick save: writes the block's bytes into the source slot at offset and maps the block there again.
// The slot must have been reopened writable (TfReopen) first.
int TfSaveBlock(uint16_t descriptor, int slot, uint64_t offset);
// Closes and reopens a source slot's file: writable (exclusive) for a quick save, or read-only shared
// again. If a writable reopen fails the read-only one is restored; status 9 if even that fails.
int TfReopen(int slot, bool writable);

// Figures for tests, the status bar and diagnostics.
int VfTempSlot(int which);              // slot of temp file 1 or 2, -1 when absent
std::string VfTempDir(int which);
int64_t VfTempFileSize(int which);      // on disk, -1 when absent
uint32_t VfSlotNextPosition(int slot);
uint32_t VfSlotRefCount(int slot);
bool VfSlotInUse(int slot);
uint32_t VfEmptyCount();
uint32_t VfValidFreeCount();
// Descriptors holding data (neither on the empty list nor on the valid free list): the store's use.
uint32_t VfInUseCount();
std::vector<uint16_t> VfValidFreeList();  // in list order
// Checks every invariant above; chainHeads are the first descriptors of all live virtual files.
// Returns true when all hold, else false with the first violation in *why.
bool VfCheckInvariants(const std::vector<uint16_t>& chainHeads, std::string* why);

}  // namespace storage
