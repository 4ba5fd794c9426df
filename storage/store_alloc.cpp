// Block allocation with the disk-room rules of the two temp drives, the free lists, copy on first write
// (FlushBlock), trimming of temp file 1 (VfCompact), releasing a source file, quick-save blocks, free-space
// figures and block data access through the cache.
//
// All room arithmetic is signed 64-bit: a full disk must give "no room", never a wrapped-around figure.
#include <algorithm>
#include <cassert>
#include <cstring>
#include <vector>

#include "storage/store_internal.h"

namespace storage {

namespace {

constexpr int kRemeasureEvery = 50;
constexpr int kEmptyTries = 101;

int64_t tempSize(VfStore* s, int which) {
  int slot = s->tempSlot[which];
  return slot < 0 ? 0 : int64_t(s->slots[slot].size.load());
}

// Removes d from the list starting at head, given its predecessor (0 when it is the head).
void unlinkLocked(uint16_t& head, uint16_t prev, uint16_t d) {
  VfStore* s = gStore;
  uint16_t next = s->blocks[d].next.load();
  if (prev == 0)
    head = next;
  else
    s->blocks[prev].next = next;
}

}  // namespace

void pushEmptyLocked(uint16_t d) {
  VfStore* s = gStore;
  s->blocks[d].flags = VF_INVALID;
  s->blocks[d].position = 0;
  s->blocks[d].next = s->freeListEmpty;
  s->freeListEmpty = d;
  ++s->emptyCount;
}

void pushValidLocked(uint16_t d) {
  VfStore* s = gStore;
  uint32_t f = s->blocks[d].flags.load();
  s->blocks[d].flags = f & ~(VF_INUSE | VF_INVALID | VF_READONLY);
  s->blocks[d].next = s->freeListValid;
  s->freeListValid = d;
  ++s->validCount;
}

bool checkSpaceLocked(int which, int64_t bytes) {
  VfStore* s = gStore;
  if (which == 2 && (s->tempDir[2].empty() || s->tempSlot[2] < 0)) return false;
  if (which != 1 && which != 2) return false;
  int64_t S = s->bytesPerSector[which] > 0 ? s->bytesPerSector[which] : 512;
  int64_t T = tempSize(s, which);
  auto room = [&] { return bytes / S < s->freeSectors[which] - T / S - s->reserve[which] / S; };
  if (room()) return true;
  if (s->remeasureCountdown == 0) {
    s->remeasureCountdown = kRemeasureEvery;
    int64_t F = 0;
    VfGetDiskFree(s->tempDir[which], &F, &S);
    s->bytesPerSector[which] = S;
    s->freeSectors[which] = F + T / S;  // the temp file's later growth is subtracted again
    if (room()) return true;
  }
  --s->remeasureCountdown;
  return false;
}

bool VfCheckSpace(int which, int64_t bytes) {
  if (!gStore) return false;
  std::lock_guard<std::mutex> g(gStore->listLock);
  return checkSpaceLocked(which, bytes);
}

int64_t VfFreeSpaceKB() {
  VfStore* s = gStore;
  if (!s) return 0;
  std::lock_guard<std::mutex> g(s->listLock);
  int64_t inUseTemp = 0;
  for (uint32_t i = 1; i < kVfBlockCount; ++i) {
    uint32_t f = s->blocks[i].flags.load();
    if ((f & VF_INUSE) && !(f & (VF_READONLY | VF_INVALID))) ++inUseTemp;
  }
  // Each drive adds what it has beyond its reserve; a full second drive takes nothing from the first.
  int64_t kb = -64 * inUseTemp;
  for (int w = 1; w <= 2; ++w) {
    if (w == 2 && s->tempDir[2].empty()) {
      s->freeSectors[2] = 0;
      continue;
    }
    int64_t F = 0, S = 512, T = tempSize(s, w);
    VfGetDiskFree(s->tempDir[w], &F, &S);
    s->bytesPerSector[w] = S;
    s->freeSectors[w] = F + T / S;
    int64_t drive = S * F / 1024 + T / 1024 - s->reserve[w] / 1024;
    if (drive > 0) kb += drive;
  }
  return kb > 0 ? kb : 0;
}

bool VfClipboardPath(std::string* out, int64_t bytesNeeded) {
  VfStore* s = gStore;
  if (!s) return false;
  for (int w = 1; w <= 2; ++w) {
    if (s->tempDir[w].empty()) continue;
    int64_t F = 0, S = 512;
    VfGetDiskFree(s->tempDir[w], &F, &S);
    if (F - s->reserve[w] / S >= bytesNeeded / S) {
      *out = platform::joinPath(s->tempDir[w], "SornClipboard.wav");
      return true;
    }
  }
  return false;
}

namespace {

struct Pick {
  uint16_t d = 0;
  uint16_t prev = 0;  // predecessor in its list, 0 at the head
  bool fromValid = false;
};

// First choice: a valid free location on a preferred temp file; the first other one becomes the fallback.
Pick pickValidLocked(uint32_t preference, Pick* fallback) {
  VfStore* s = gStore;
  uint16_t prev = 0;
  for (uint16_t d = s->freeListValid; d; prev = d, d = s->blocks[d].next.load()) {
    uint32_t f = s->blocks[d].flags.load();
    if (f & VF_INUSE) storeDebug("Error: Block In Use in Free List\n");
    if (f & VF_INVALID) storeDebug("Error: Invalid block in Valid Free List\n");
    int slot = VfSlotOf(f);
    if ((slot == s->tempSlot[1] && (preference & 1)) || (slot == s->tempSlot[2] && (preference & 2)))
      return Pick{d, prev, true};
    if (!fallback->d) *fallback = Pick{d, prev, true};
  }
  return Pick();
}

constexpr int kTryNext = -1, kGiveUp = -2, kUseFallback = -3;

// The room rules for a new location: the temp file's slot, or what to do instead.
int chooseTempFileLocked(uint32_t preference, const Pick& fallback) {
  VfStore* s = gStore;
  uint32_t pref = preference;
  if ((pref & 1) || s->tempSlot[2] < 0) {
    if (checkSpaceLocked(1, kVfBlockSize)) return s->tempSlot[1];
    pref |= 2;
  }
  if (!(pref & 2) || s->tempSlot[2] < 0) return kTryNext;  // temp file 1 full and no temp file 2
  if (fallback.d && VfSlotOf(s->blocks[fallback.d].flags.load()) == s->tempSlot[2]) return kUseFallback;
  if (checkSpaceLocked(2, kVfBlockSize)) return s->tempSlot[2];
  if (preference & 1) return kGiveUp;
  if (checkSpaceLocked(1, kVfBlockSize)) return s->tempSlot[1];
  return kGiveUp;
}

// Second choice: an empty descriptor, given a new temp location when one is needed.
Pick pickEmptyLocked(uint32_t preference, bool needLocation, const Pick& fallback) {
  VfStore* s = gStore;
  uint16_t prev = 0;
  int tries = 0;
  for (uint16_t d = s->freeListEmpty; d && tries < kEmptyTries; prev = d, d = s->blocks[d].next.load(), ++tries) {
    uint32_t f = s->blocks[d].flags.load();
    if (f & VF_INUSE) storeDebug("Error: Block In Use in Free List\n");
    if (!(f & VF_INVALID)) storeDebug("Error: Valid block in Empty Free List\n");
    if (!needLocation) {
      s->blocks[d].flags = (f & ~VF_INVALID) | VF_READONLY;  // it will point into a source file
      return Pick{d, prev, false};
    }
    int t = chooseTempFileLocked(preference, fallback);
    if (t == kUseFallback) return fallback;
    if (t == kGiveUp) break;
    if (t >= 0) {
      uint32_t pos = TfNextPosition(t);
      assert(pos != 0xFFFF);  // 32,767 descriptors can't fill 65,535 positions
      s->blocks[d].position = uint16_t(pos);
      s->blocks[d].flags = uint32_t(t) << VF_SLOT_SHIFT;
      return Pick{d, prev, false};
    }
  }
  return Pick();
}

uint16_t takeLocked(const Pick& p) {
  VfStore* s = gStore;
  if (p.fromValid) {
    unlinkLocked(s->freeListValid, p.prev, p.d);
    --s->validCount;
  } else {
    unlinkLocked(s->freeListEmpty, p.prev, p.d);
    --s->emptyCount;
    if (s->freeListEmpty == 0) storeDebug("wFreeListEmpty==0 in GetAFreeBlock!\n");
  }
  uint32_t f = s->blocks[p.d].flags.load();
  if (f & VF_INVALID) storeDebug("ASSERT: Got VF_INVALID when shouldn't\n");
  s->blocks[p.d].flags = (f & ~VF_COUNT_MASK) | VF_INUSE;
  s->blocks[p.d].next = 0;
  return p.d;
}

}  // namespace

uint16_t GetAFreeBlock(uint32_t preference, bool needLocation) {
  VfStore* s = gStore;
  if (!s) return 0;
  for (;;) {
    std::unique_lock<std::mutex> g(s->listLock);
    Pick fallback;
    Pick taken = needLocation ? pickValidLocked(preference, &fallback) : Pick();
    if (!taken.d) taken = pickEmptyLocked(preference, needLocation, fallback);
    if (!taken.d && !needLocation) {
      storeDebug("Totally out of empty blocks!\n");
      return 0;
    }
    if (!taken.d) taken = fallback;
    if (taken.d) return takeLocked(taken);
    // Nothing at all: ask the main window (the undo store) to free something, without our locks.
    g.unlock();
    if (s->ui.needSpace && s->ui.needSpace() != 0) continue;
    return 0;
  }
}

// The flags of descriptor d when it holds a live block; otherwise the status that says why not.
static int liveBlockFlags(const VfStore* s, uint16_t d, uint32_t* flags) {
  if (!s) return VF_ERR_NOT_INIT;
  if (d == 0 || d >= kVfBlockCount) return VF_ERR_NOT_IN_USE;
  uint32_t f = s->blocks[d].flags.load();
  if (!(f & VF_INUSE)) return VF_ERR_NOT_IN_USE;
  if (f & VF_INVALID) return VF_ERR_INVALID;
  *flags = f;
  return VF_OK;
}

int VfReleaseBlock(uint16_t d) {
  VfStore* s = gStore;
  uint32_t f = 0;
  if (int st = liveBlockFlags(s, d, &f)) return st;
  int slot = VfSlotOf(f);
  if (f & VF_READONLY) {
    {
      std::lock_guard<std::mutex> g(s->listLock);
      pushEmptyLocked(d);
    }
    TfRelease(slot);
  } else {
    CacheDiscard(s->cache, s->blocks[d].position.load(), uint32_t(slot));  // its bytes are dead
    std::lock_guard<std::mutex> g(s->listLock);
    pushValidLocked(d);
  }
  return VF_OK;
}

int FlushBlock(uint16_t d) {
  VfStore* s = gStore;
  uint32_t f = 0;
  if (int st = liveBlockFlags(s, d, &f)) return st;
  if (!(f & VF_READONLY)) return VF_OK;
  int src = VfSlotOf(f);
  uint16_t p = s->blocks[d].position.load();
  CacheRelease(s->cache, p, uint32_t(src));
  uint16_t n = GetAFreeBlock(s->slots[src].flags.load() & TF_PREF_MASK, true);
  if (!n) return VF_ERR_NO_BLOCK;
  uint16_t np = s->blocks[n].position.load();
  int ns = VfSlotOf(s->blocks[n].flags.load());
  bool ok;
  {
    // The whole block goes to the new location (bytes past the count are don't-care), so the cache
    // needn't read the location first: one 64 KB read from the source is all the I/O here.
    std::lock_guard<std::mutex> g(s->bufferLock);
    int st = VF_OK;
    uint32_t got = TfRead(src, uint64_t(p) * kVfBlockSize, kVfBlockSize, s->buffer, &st);
    ok = st == VF_OK || st == VF_ERR_READ_BEYOND;
    if (ok && got < kVfBlockSize) std::memset(s->buffer + got, 0, kVfBlockSize - got);
    ok = ok && CacheWrite(s->cache, s->buffer, np, uint32_t(ns), -1, 0, kVfBlockSize) == kVfBlockSize;
  }
  if (!ok) {
    // The source block stays mapped; the new location goes back to the valid free list.
    std::lock_guard<std::mutex> g(s->listLock);
    pushValidLocked(n);
    return VF_ERR_IO;
  }
  s->blocks[d].position = np;
  s->blocks[d].flags = (f & ~(VF_READONLY | (0xFFu << VF_SLOT_SHIFT))) | (uint32_t(ns) << VF_SLOT_SHIFT);
  {
    std::lock_guard<std::mutex> g(s->listLock);
    if (s->freeListEmpty == 0) storeDebug("wFreeListEmpty==0 in FlushBlock!\n");
    pushEmptyLocked(n);
  }
  TfRelease(src);
  return VF_OK;
}

void VfCompact() {
  VfStore* s = gStore;
  if (!s) return;
  std::lock_guard<std::mutex> g(s->listLock);
  // Sort the valid free list by position. The nodes keep their order in the list; their contents
  // (position and flags) move, as a stable sort, which gives what neighbour swaps until no swap would.
  std::vector<uint16_t> nodes;
  nodes.reserve(s->validCount);
  for (uint16_t d = s->freeListValid; d && nodes.size() < kVfBlockCount; d = s->blocks[d].next.load()) nodes.push_back(d);
  struct Item {
    uint16_t position;
    uint32_t flags;
  };
  std::vector<Item> items;
  items.reserve(nodes.size());
  for (uint16_t d : nodes) items.push_back({s->blocks[d].position.load(), s->blocks[d].flags.load()});
  std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.position < b.position; });
  for (size_t i = 0; i < nodes.size(); ++i) {
    s->blocks[nodes[i]].position = items[i].position;
    s->blocks[nodes[i]].flags = items[i].flags;
  }

  // The last run of consecutive positions of temp file 1; trimmed when it reaches the file's end.
  int t1 = s->tempSlot[1];
  std::vector<size_t> run;  // indexes into nodes, highest position first
  for (size_t i = nodes.size(); i-- > 0;) {
    if (VfSlotOf(items[i].flags) != t1) continue;
    if (!run.empty() && items[i].position + 1 != items[run.back()].position) break;
    run.push_back(i);
  }
  TfSlot& slot = s->slots[t1];
  if (run.empty() || uint32_t(items[run.front()].position) + 1 != slot.nextPosition.load()) return;
  uint16_t first = items[run.back()].position;
  std::vector<bool> trim(nodes.size(), false);
  for (size_t i : run) {
    trim[i] = true;
    CacheDiscard(s->cache, items[i].position, uint32_t(t1));
  }
  // Rebuild the valid list without the run, then empty the run's descriptors.
  s->freeListValid = 0;
  s->validCount = 0;
  for (size_t i = nodes.size(); i-- > 0;) {
    if (trim[i]) continue;
    s->blocks[nodes[i]].next = s->freeListValid;
    s->freeListValid = nodes[i];
    ++s->validCount;
  }
  for (size_t i : run) pushEmptyLocked(nodes[i]);
  std::lock_guard<std::mutex> sg(slot.lock);
  slot.refCount -= uint32_t(run.size());
  slot.nextPosition = first;
  uint64_t end = uint64_t(first) * kVfBlockSize;
  if (slot.size.load() > end) slot.size = end;
  // The file keeps one block beyond its new end.
  if (slot.file && platform::fileOps().truncate(slot.file, end + kVfBlockSize) != platform::FileStatus::Ok)
    storeDebug("Could not cut temp file #%ld\n", long(t1));
}

bool VfReleaseSourceFile(const std::string& path, const std::function<void(uint32_t, uint32_t)>& progress,
                         int* status) {
  if (status) *status = VF_OK;
  VfStore* s = gStore;
  if (!s) {
    if (status) *status = VF_ERR_NOT_INIT;
    return false;
  }
  int slot = VfFindSourceFile(path);
  if (slot < 0) return false;
  std::vector<uint16_t> mapped;
  for (uint32_t i = 1; i < kVfBlockCount; ++i) {
    uint32_t f = s->blocks[i].flags.load();
    if ((f & VF_INUSE) && (f & VF_READONLY) && !(f & VF_INVALID) && VfSlotOf(f) == slot) mapped.push_back(uint16_t(i));
  }
  uint32_t done = 0, copied = 0;
  for (uint16_t d : mapped) {
    int st = FlushBlock(d);
    if (st != VF_OK) {
      if (status) *status = st;
      break;
    }
    ++copied;
    if (progress) progress(++done, uint32_t(mapped.size()));
  }
  return copied > 0;
}

int TfSaveBlock(uint16_t d, int slot, uint64_t offset) {
  VfStore* s = gStore;
  uint32_t f = 0;
  if (int st = liveBlockFlags(s, d, &f)) return st;
  if (f & VF_READONLY) return VF_OK;
  if (slot < 0 || slot >= kVfSlotCount || (s->slots[slot].flags.load() & TF_UNUSED)) return VF_ERR_NOT_INIT;
  // Take the spare descriptor first, so a failure later leaves the block as it was.
  uint16_t e = GetAFreeBlock(0, false);
  if (!e) return VF_ERR_NO_DESCRIPTOR;
  uint16_t oldPos = s->blocks[d].position.load();
  int oldSlot = VfSlotOf(f);
  uint32_t count = VfCountOf(f);
  int st = VF_OK;
  if (CacheRelease(s->cache, oldPos, uint32_t(oldSlot)) == CacheReleaseResult::WriteFailed) st = VF_ERR_IO;
  if (st == VF_OK) {
    std::lock_guard<std::mutex> g(s->bufferLock);
    int rs = VF_OK;
    TfRead(oldSlot, uint64_t(oldPos) * kVfBlockSize, kVfBlockSize, s->buffer, &rs);
    if (rs != VF_OK && rs != VF_ERR_READ_BEYOND) st = VF_ERR_IO;
    if (st == VF_OK && count > 0 && (TfWrite(slot, offset, count, s->buffer, &rs) != count || rs != VF_OK))
      st = rs != VF_OK ? rs : VF_ERR_IO;
  }
  if (st != VF_OK) {
    std::lock_guard<std::mutex> g(s->listLock);
    pushEmptyLocked(e);
    return st;
  }
  // Any cached copy of the destination (say, read ahead) holds the old bytes.
  CacheDiscard(s->cache, uint32_t(offset / kVfBlockSize), uint32_t(slot));
  s->blocks[e].position = oldPos;
  s->blocks[e].flags = (uint32_t(oldSlot) << VF_SLOT_SHIFT) | count;
  {
    std::lock_guard<std::mutex> g(s->listLock);
    pushValidLocked(e);
  }
  s->blocks[d].position = uint16_t(offset / kVfBlockSize);
  s->blocks[d].flags = VF_INUSE | VF_READONLY | (uint32_t(slot) << VF_SLOT_SHIFT) | count;
  ++s->slots[slot].refCount;  // the block now maps the source file and holds a reference like any other
  return VF_OK;
}

namespace {

bool blockLocation(uint16_t d, uint32_t* pos, uint32_t* slot) {
  VfStore* s = gStore;
  if (!s || d == 0 || d >= kVfBlockCount) return false;
  uint32_t f = s->blocks[d].flags.load();
  if (!(f & VF_INUSE) || (f & VF_INVALID)) return false;
  *pos = s->blocks[d].position.load();
  *slot = uint32_t(VfSlotOf(f));
  return true;
}

}  // namespace

uint32_t VfBlockRead(uint16_t d, void* dst, uint32_t offset, uint32_t count) {
  uint32_t pos, slot;
  if (!blockLocation(d, &pos, &slot)) return 0;
  return CacheRead(gStore->cache, dst, pos, slot, d, offset, count);
}

uint32_t VfBlockWrite(uint16_t d, const void* src, uint32_t offset, uint32_t count) {
  uint32_t pos, slot;
  if (!blockLocation(d, &pos, &slot) || (VfBlockFlags(d) & VF_READONLY)) return 0;
  return CacheWrite(gStore->cache, src, pos, slot, d, offset, count);
}

uint32_t VfBlockFill(uint16_t d, uint8_t value, uint32_t offset, uint32_t count) {
  uint32_t pos, slot;
  if (!blockLocation(d, &pos, &slot) || (VfBlockFlags(d) & VF_READONLY)) return 0;
  return CacheFill(gStore->cache, value, pos, slot, d, offset, count);
}

}  // namespace storage
