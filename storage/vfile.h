// Virtual files: the unit in which the editor keeps sample data. A virtual file (HfHandle) is a
// byte-addressed chain of the store's 64 KB blocks. A block may be only partly filled, so inserting or
// cutting moves data only inside the one or two blocks at the edit point and relinks the chain; opening
// a file on disk maps its data range into read-only blocks without copying a byte.
//
// Rules every operation keeps:
//  - The file lock (recursive, so a notification or progress handler on the same thread may read the
//    file) is held for the whole operation. A change entered again from one of its own callouts is
//    refused (debug line, nothing done): a handler may read, never change, the file it is told about.
//  - Blocks are allocated before anything is touched: an allocation can call out to the "need space"
//    handler, and a failed one leaves the file as it was before that step. The file is consistent
//    (length = sum of counts) at every callout.
//  - No operation holds the store's shared transfer buffer; each uses buffers of its own.
//  - Every change forgets the file's private read buffer.
//  - Notifications report what was done (a short write reports the bytes written).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace storage {

struct HfHandle;

// The notification record, laid out as the Windows host sends it with WM_NOTIFY (the marker sits where
// a standard notification header has its sender window). 24 bytes in the 32-bit program.
constexpr uint32_t kHfNotifyMarker = 0x01020304;
struct HfNotify {
  uintptr_t marker;  // kHfNotifyMarker
  uintptr_t owner;   // the owner value given at creation
  uint32_t code;     // HFN_*
  uint32_t a;
  uint32_t b;
  uintptr_t c;  // HFN_WRITE: address of the bytes now in the range, or 0 when one byte value was repeated
};
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(HfNotify) == 24, "the notification record is 24 bytes in the 32-bit program");
static_assert(offsetof(HfNotify, code) == 8 && offsetof(HfNotify, c) == 20, "notification record layout");
#endif

enum HfNotifyCode : uint32_t {
  HFN_CLOSING = 100,  // HfClose, before anything is freed: a = owner
  HFN_CLOSED = 101,   // HfClose, after the blocks are freed: a = owner
  HFN_READY = 103,    // HfCreate, HfOpen, HfCopy (the new file is ready)
  HFN_LENGTH = 104,   // the length changed: a = new length
  HFN_CUT = 105,      // a = position, b = bytes cut
  HFN_INSERT = 106,   // a = position, b = bytes inserted
  HFN_WRITE = 107,    // a = position, b = bytes, c = the bytes or 0
};

// Receives a file's notifications (the Windows host forwards them to the owner window with WM_NOTIFY).
using HfNotifySink = std::function<void(HfHandle* file, const HfNotify& record)>;

// Progress of HfCopy and HfQuickSave: (done, done, total); either stops when it returns kHfStop.
using HfProgress3 = std::function<int(uint32_t done, uint32_t done2, uint32_t total)>;
// Progress of HfFlushRange: (blocks done, blocks in the range); kHfStop stops.
using HfProgress2 = std::function<int(uint32_t done, uint32_t total)>;
constexpr int kHfStop = 3;

// Format word bits (kept by the store, interpreted by sample transfer).
constexpr uint16_t HF_STEREO = 0x2;
constexpr uint16_t HF_8BIT = 0x8;
constexpr uint16_t HF_16BIT = 0x10;
constexpr uint16_t HF_32BIT = 0x20;

// kind 1 -> temp preference 1, 2 -> 2, anything else -> 3 (either drive). Status 14 when no block can be
// had, 4 without memory for the record or private buffer.
HfHandle* HfCreate(int kind, uintptr_t owner, HfNotifySink sink, bool privateBuffer, int* status);
// Maps bytes [base, base + length) of a file on disk into read-only blocks; no byte is read. Status 15
// for length 0, the slot's open status (9 can't open, 8 no slot), 14 when descriptors run out (every
// descriptor already taken is given back and the file closed).
HfHandle* HfOpen(const std::string& path, uint64_t base, uint32_t length, int kind, uintptr_t owner,
                 HfNotifySink sink, bool privateBuffer, int* status);
// Sends 100, frees every block, sends 101, frees the record and compacts the store.
void HfClose(HfHandle* h);

// Moves the cursor; a position past the end grows the file (the new bytes are undefined). A position
// above 0xFFFC1800 (a small negative number) means 0. Returns the position reached (short only when
// blocks ran out).
uint32_t HfSeek(HfHandle* h, uint32_t position, bool restart);
uint32_t HfRead(HfHandle* h, uint32_t position, uint32_t count, void* dst);
// Overwrites, and appends past the end (a start past the end first grows the file to it). Returns the
// bytes written, short when blocks ran out.
uint32_t HfWrite(HfHandle* h, uint32_t position, uint32_t count, const void* src);
// Widens [position, position + count) to whole units (start rounded down, count rounded up); in every
// unit the patternLength bytes starting at position mod unit take the pattern, the others keep theirs.
// Returns the bytes of the widened range done; 0 when the pattern does not fit the unit.
uint32_t HfFill(HfHandle* h, uint32_t position, uint32_t count, const void* pattern, uint32_t patternLength,
                uint32_t unit);
// Opens count bytes at position (set to fillByte when fill is set, undefined otherwise).
uint32_t HfInsert(HfHandle* h, uint32_t position, uint32_t count, bool fill, uint8_t fillByte);
uint32_t HfCut(HfHandle* h, uint32_t position, uint32_t count);
// Splices source into destination at position (0 = success, 18 = no block for the split, 6 = bad
// arguments). On success the source is consumed (its record freed, it gets 100 and 101); on failure
// both files are unchanged and the caller still owns the source.
int HfInsertFile(HfHandle* destination, HfHandle* source, uint32_t position);
// A new file holding a copy of [position, position + count) with the source's preference, format word and
// notification sink. Status 0 (also when progress stopped it: the partial copy is returned), 18 when
// the copy came out short for lack of room, 14/4 when no file could be made (null).
HfHandle* HfCopy(HfHandle* source, uint32_t position, uint32_t count, uintptr_t owner, bool privateBuffer,
                 int* status, const HfProgress3& progress);
// Copies every read-only block overlapping the range into temp storage. True if all copies succeeded.
bool HfFlushRange(HfHandle* h, uint32_t position, uint32_t count, const HfProgress2& progress);

uint32_t HfGetLength(HfHandle* h);
void HfSetFormat(HfHandle* h, int channels, int bits);
void HfGetFormat(HfHandle* h, int* channels, int* bits);
uint16_t HfGetFormatWord(HfHandle* h);
void HfSetFormatWord(HfHandle* h, uint16_t word);
bool HfHasReadOnlyBlocks(HfHandle* h);
uint64_t HfAllocatedSize(HfHandle* h);  // blocks in the chain x 65,536

// Quick save rewrites, in place, only the blocks of a mapped file that were changed. Allowed when the file
// still maps path with its length unchanged: at least one read-only block, all of them in that one source
// file whose data length equals the file's, every block full but the last, and each read-only block at
// its own index.
bool HfCanQuickSave(HfHandle* h, const std::string& path);
enum class HfQuickSaveStatus {
  Saved,
  Refused,      // HfCanQuickSave is false; nothing changed
  NotWritable,  // the file could not be opened for writing; nothing changed, still mapped read-only
  Failed,       // a block could not be written; the blocks saved so far map the file again
  SourceLost,   // the file could not even be reopened read-only: its mapped blocks can't be read
  Stopped,      // the progress callback stopped it; the blocks saved so far map the file again
};
bool HfQuickSave(HfHandle* h, const std::string& path, const HfProgress3& progress,
                 HfQuickSaveStatus* status = nullptr);

// For tests and diagnostics: the chain's descriptors in order, and the first one (0 when empty).
std::vector<uint16_t> HfChain(HfHandle* h);
uint16_t HfFirstBlock(HfHandle* h);

}  // namespace storage
