// The virtual-file record and the helpers shared by the virtual-file sources (not for other subsystems).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "storage/store.h"
#include "storage/vfile.h"

namespace storage {

struct HfHandle {
  std::recursive_mutex lock;  // held for the whole of every operation
  uint32_t length = 0;        // sum of the counts of the chain
  uintptr_t owner = 0;
  HfNotifySink sink;
  std::unique_ptr<uint8_t[]> privateBuffer;  // last block read, 64 KB, optional
  uint16_t buffered = 0;                     // descriptor whose bytes sit in the private buffer; 0 = none
  uint16_t first = 0;                        // 0 only while a cut has emptied the file
  // Cursor: block, the block before it (0 when it is the first), the block's start and the offset in it.
  uint16_t current = 0;
  uint16_t previous = 0;
  uint32_t blockStart = 0;
  uint32_t offset = 0;
  uint16_t format = 0;
  uint32_t preference = 3;  // temp preference of new blocks (bit 0 drive 1, bit 1 drive 2)
  bool changing = false;    // a change is running (to refuse changes from its own callouts)
};

// A place in the chain: block d (0 when the file has no block), the block before it, the block's start
// position and the offset in it. The offset may equal the block's count (the end of the block).
struct HfPlace {
  uint16_t block = 0;
  uint16_t previous = 0;
  uint32_t start = 0;
  uint32_t offset = 0;
  uint32_t position() const { return start + offset; }
};

inline uint32_t blockCount(uint16_t d) {
  return VfCountOf(VfBlockFlags(d));
}
inline void setBlockCount(uint16_t d, uint32_t count) {
  VfSetBlockFlags(d, (VfBlockFlags(d) & ~VF_COUNT_MASK) | count);
}
inline bool blockReadOnly(uint16_t d) {
  return (VfBlockFlags(d) & VF_READONLY) != 0;
}

// Block data through the cache without a read-ahead hint: edits touch one block, and a hint would start
// reading the blocks after it. Return the bytes moved (0 on failure).
uint32_t editRead(uint16_t d, void* dst, uint32_t offset, uint32_t count);
uint32_t editWrite(uint16_t d, const void* src, uint32_t offset, uint32_t count);
uint32_t editFill(uint16_t d, uint8_t value, uint32_t offset, uint32_t count);

// Moves the cursor to target, growing the file when grow is set and target is past the end. Returns the
// place reached (short of target only when blocks ran out). May call out (allocation).
HfPlace seekLocked(HfHandle* h, uint32_t target, bool grow);
void setCursor(HfHandle* h, const HfPlace& p);
void resetCursor(HfHandle* h);
// Takes a new temp block with a location for h; 0 when none could be had (after asking for space).
uint16_t newBlock(HfHandle* h);
// Gives an emptied file (no block) a first block again; false when none could be had.
bool ensureFirst(HfHandle* h);
void notify(HfHandle* h, uint32_t code, uint32_t a, uint32_t b, uintptr_t c = 0);
// Appends count bytes (src null: no bytes written, the block room is just counted) at the end of the
// file. Returns the bytes appended.
uint32_t appendLocked(HfHandle* h, const uint8_t* src, uint32_t count);

// The overwrite part of a write or fill: grows the file up to start when start lies past the end; otherwise
// walks the existing bytes from start, up to total of them, and hands each stretch inside one block to
// piece (at place p, done bytes already covered, k bytes) after copying a read-only block into temp storage.
// A piece returns false to stop. Leaves the cursor after the last stretch. Returns the bytes covered;
// *stopped is set when growing came up short or a block could not be copied or changed, else the caller
// appends the rest.
uint32_t overwriteLocked(HfHandle* h, uint32_t start, uint32_t total, bool* stopped,
                         const std::function<bool(const HfPlace& p, uint32_t done, uint32_t k)>& piece);

// A scratch buffer of kScratchBytes for one operation. Buffers are kept per thread and reused: a fresh
// large allocation costs a page fault per 4 KB touched, more than an edit's own work. An operation that
// runs inside another's callout gets a buffer of its own.
constexpr uint32_t kScratchBytes = 3 * kVfBlockSize;
class Scratch {
 public:
  Scratch();
  ~Scratch();
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  uint8_t* get() const { return buf_.get(); }
  explicit operator bool() const { return buf_ != nullptr; }

 private:
  std::unique_ptr<uint8_t[]> buf_;
};

// Guards a change: refuses a change entered from a callout of another change of the same file, and
// forgets the private buffer on entry and exit (a handler may have read a block meanwhile).
class ChangeScope {
 public:
  explicit ChangeScope(HfHandle* h);
  ~ChangeScope();
  bool ok() const { return ok_; }

 private:
  HfHandle* h_;
  bool ok_;
};

}  // namespace storage
