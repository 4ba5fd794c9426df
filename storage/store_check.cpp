// The store's invariant checker: walks both free lists and every live chain and checks that each
// descriptor has exactly one home with flags that fit it, that list counts and slot reference counts
// match, and that no temp location is held twice. Tests call it after every operation; it takes the list
// lock, and the caller makes sure no chain changes meanwhile.
#include <cstdio>
#include <vector>

#include "storage/store_internal.h"

namespace storage {

namespace {

enum Home : uint8_t { kNone, kEmpty, kValid, kChain };

bool fail(std::string* why, const char* fmt, long a, long b = 0, long c = 0) {
  if (why) {
    char text[256];
    std::snprintf(text, sizeof text, fmt, a, b, c);
    *why = text;
  }
  return false;
}

}  // namespace

// One check after another, in the order of the invariants at the top of store.cpp: kept in one function so
// each line reads as the invariant it checks, under the one lock that makes the snapshot consistent.
bool VfCheckInvariants(const std::vector<uint16_t>& chainHeads, std::string* why) {
  VfStore* s = gStore;
  if (!s) return fail(why, "store not initialised%ld", 0);
  std::lock_guard<std::mutex> g(s->listLock);
  std::vector<uint8_t> home(kVfBlockCount, kNone);
  auto walk = [&](uint16_t head, Home h, uint32_t* count) -> bool {
    uint32_t n = 0;
    for (uint16_t d = head; d; d = s->blocks[d].next.load()) {
      if (d >= kVfBlockCount) return fail(why, "descriptor %ld out of range", d);
      if (home[d] != kNone) return fail(why, "descriptor %ld is in two places (%ld and %ld)", d, home[d], h);
      home[d] = h;
      ++n;
    }
    if (count) *count = n;
    return true;
  };
  uint32_t empties = 0, valids = 0;
  if (!walk(s->freeListEmpty, kEmpty, &empties) || !walk(s->freeListValid, kValid, &valids)) return false;
  if (empties != s->emptyCount) return fail(why, "empty list holds %ld, count says %ld", empties, s->emptyCount);
  if (valids != s->validCount) return fail(why, "valid list holds %ld, count says %ld", valids, s->validCount);
  for (uint16_t head : chainHeads)
    if (!walk(head, kChain, nullptr)) return false;
  if (home[0] != kNone) return fail(why, "descriptor 0 is linked%ld", 0);

  std::vector<uint32_t> refs(kVfSlotCount, 0);
  // Temp locations seen, one byte per position of each temp file.
  std::vector<uint8_t> seen1(s->tempSlot[1] >= 0 ? 0x10000 : 0), seen2(s->tempSlot[2] >= 0 ? 0x10000 : 0);
  auto seenOf = [&](int slot) -> std::vector<uint8_t>& { return slot == s->tempSlot[1] ? seen1 : seen2; };
  for (uint32_t d = 1; d < kVfBlockCount; ++d) {
    uint32_t f = s->blocks[d].flags.load();
    uint32_t state = f & (VF_INUSE | VF_INVALID | VF_READONLY);
    int slot = VfSlotOf(f);
    if (f & ~(VF_COUNT_MASK | VF_READONLY | VF_INVALID | VF_INUSE | (0xFFu << VF_SLOT_SHIFT)))
      return fail(why, "descriptor %ld has stray flag bits %lx", d, f);
    if (VfCountOf(f) > kVfBlockSize) return fail(why, "descriptor %ld counts %ld bytes", d, VfCountOf(f));
    switch (home[d]) {
      case kNone:
        return fail(why, "descriptor %ld is lost (flags %lx)", d, f);
      case kEmpty:
        if (state != VF_INVALID) return fail(why, "empty descriptor %ld has flags %lx", d, f);
        continue;
      case kValid:
        if (state != 0) return fail(why, "valid free descriptor %ld has flags %lx", d, f);
        break;
      case kChain:
        if (state != VF_INUSE && state != (VF_INUSE | VF_READONLY))
          return fail(why, "chained descriptor %ld has flags %lx", d, f);
        break;
    }
    uint32_t sf = s->slots[slot].flags.load();
    if (sf & TF_UNUSED) return fail(why, "descriptor %ld points at unused slot %ld", d, slot);
    ++refs[slot];
    uint16_t pos = s->blocks[d].position.load();
    if (f & VF_READONLY) {
      if (!(sf & TF_SOURCE)) return fail(why, "read-only descriptor %ld points at non-source slot %ld", d, slot);
      continue;
    }
    if (slot != s->tempSlot[1] && slot != s->tempSlot[2])
      return fail(why, "temp descriptor %ld points at slot %ld, not a temp file", d, slot);
    if (pos >= s->slots[slot].nextPosition.load())
      return fail(why, "descriptor %ld at position %ld beyond the temp file's next position", d, pos);
    uint8_t& mark = seenOf(slot)[pos];
    if (mark) return fail(why, "temp location %ld:%ld held twice (descriptor %ld)", slot, pos, d);
    mark = 1;
  }
  for (int i = 0; i < kVfSlotCount; ++i) {
    uint32_t sf = s->slots[i].flags.load();
    if (sf & TF_UNUSED) continue;
    if (refs[i] != s->slots[i].refCount.load())
      return fail(why, "slot %ld has %ld references, descriptors say %ld", i, s->slots[i].refCount.load(), refs[i]);
    if ((sf & TF_SOURCE) && refs[i] == 0) return fail(why, "source slot %ld open without blocks%ld", i);
  }
  // Every handed-out temp location below the next position has a descriptor (until compaction trims).
  for (int w = 1; w <= 2; ++w) {
    int t = s->tempSlot[w];
    if (t < 0) continue;
    uint32_t np = s->slots[t].nextPosition.load();
    const std::vector<uint8_t>& marks = seenOf(t);
    for (uint32_t p = 0; p < np; ++p)
      if (!marks[p])
        return fail(why, "temp file %ld location %ld has no descriptor", w, p);
  }
  return true;
}

}  // namespace storage
