// Virtual-file edits that reshape a chain or its storage: patterned fill, insert and cut (which touch only
// the blocks at the edit point), splicing one file into another, copying a range into a new file,
// copying mapped blocks into temp storage, and quick save in place.
//
// Each edit first takes every block it will need and copies every mapped block whose bytes will move,
// then changes the chain: a failure before that point leaves the file exactly as it was.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "storage/store_internal.h"
#include "storage/vfile_internal.h"

namespace storage {

namespace {

// Patterns the bytes of a fill piece; rel is the piece's offset from the (unit-aligned) range start.
void patch(uint8_t* buf, uint32_t k, uint32_t rel, const uint8_t* pattern, uint32_t phase, uint32_t length,
           uint32_t unit) {
  uint32_t u = rel % unit;
  for (uint32_t i = 0; i < k; ++i) {
    if (u >= phase && u < phase + length) buf[i] = pattern[u - phase];
    if (++u == unit) u = 0;
  }
}

// The cursor after an edit at place p, when p's block may have been removed: the block itself, else the
// block that now follows p's predecessor, else the start of the file.
void cursorAfterEdit(HfHandle* h, const HfPlace& p, bool blockKept, uint16_t successor) {
  if (blockKept)
    setCursor(h, p);
  else if (successor)
    setCursor(h, HfPlace{successor, p.previous, p.start, 0});
  else
    resetCursor(h);
}

}  // namespace

uint32_t HfFill(HfHandle* h, uint32_t position, uint32_t count, const void* pattern, uint32_t patternLength,
                uint32_t unit) {
  std::lock_guard<std::recursive_mutex> g(h->lock);
  ChangeScope change(h);
  if (!change.ok() || count == 0 || unit == 0 || patternLength == 0 || !pattern) return 0;
  const uint32_t phase = position % unit;
  if (uint64_t(phase) + patternLength > unit) return 0;
  const uint8_t* pat = static_cast<const uint8_t*>(pattern);
  const uint32_t start = position - phase;
  const uint64_t units = (uint64_t(count) + unit - 1) / unit;
  const uint32_t total = uint32_t(std::min<uint64_t>(units * unit, 0xFFFFFFFFu - start));
  bool constant = patternLength == unit;
  for (uint32_t i = 1; constant && i < patternLength; ++i) constant = pat[i] == pat[0];
  Scratch buf;
  if (!buf) return 0;

  const uint32_t old = h->length;
  bool stopped = false;
  uint32_t done = overwriteLocked(h, start, total, &stopped, [&](const HfPlace& p, uint32_t at, uint32_t k) {
    bool ok;
    if (constant) {
      ok = editFill(p.block, pat[0], p.offset, k) == k;
    } else {
      ok = editRead(p.block, buf.get(), p.offset, k) == k;
      patch(buf.get(), k, at, pat, phase, patternLength, unit);
      ok = ok && editWrite(p.block, buf.get(), p.offset, k) == k;
    }
    if (!ok) return false;
    // Each stretch is reported at once, while the scratch still holds its bytes.
    setCursor(h, HfPlace{p.block, p.previous, p.start, p.offset + k});
    notify(h, HFN_WRITE, start + at, k, constant ? 0 : reinterpret_cast<uintptr_t>(buf.get()));
    return true;
  });
  // Beyond the end: whole new pieces; their bytes outside the pattern are undefined.
  while (!stopped && done < total) {
    uint32_t k = std::min(kVfBlockSize, total - done);
    if (constant)
      std::memset(buf.get(), pat[0], k);
    else
      patch(buf.get(), k, done, pat, phase, patternLength, unit);
    uint32_t got = appendLocked(h, buf.get(), k);
    if (got) notify(h, HFN_WRITE, start + done, got, constant ? 0 : reinterpret_cast<uintptr_t>(buf.get()));
    done += got;
    if (got < k) break;
  }
  if (h->length != old) notify(h, HFN_LENGTH, h->length, 0);
  return done;
}

uint32_t HfInsert(HfHandle* h, uint32_t position, uint32_t n, bool fill, uint8_t fillByte) {
  std::lock_guard<std::recursive_mutex> g(h->lock);
  ChangeScope change(h);
  if (!change.ok() || n == 0) return 0;
  const uint32_t old = h->length;
  if (position > h->length) {
    if (ensureFirst(h)) seekLocked(h, position, true);
    if (h->length < position) {
      if (h->length != old) notify(h, HFN_LENGTH, h->length, 0);
      return 0;
    }
  }
  n = std::min(n, 0xFFFFFFFFu - h->length);
  // Three 64 KB areas: the block's tail (behind room for the opened bytes), and the overflow block.
  Scratch buf;
  if (n == 0 || !buf || !ensureFirst(h)) return 0;
  HfPlace p = seekLocked(h, position, false);
  const uint16_t B = p.block;
  const uint32_t o = p.offset, c = blockCount(B), tail = c - o;
  const uint32_t k = std::min(n, kVfBlockSize - o);                    // opened inside B
  const uint32_t m = c + k > kVfBlockSize ? c + k - kVfBlockSize : 0;  // B's last bytes pushed out
  const uint32_t t = m ? std::min(n - k, kVfBlockSize - m) : 0;        // opened at the front of V

  // Everything that can fail comes before B is touched.
  uint16_t V = 0;
  if (m && !(V = newBlock(h))) return 0;
  auto giveUp = [&] {
    if (V) VfReleaseBlock(V);
    return 0u;
  };
  if (k && blockReadOnly(B) && FlushBlock(B) != VF_OK) return giveUp();
  uint8_t* area = buf.get();                      // [k opened bytes][B's tail]
  uint8_t* vArea = buf.get() + 2 * kVfBlockSize;  // the new block V
  if (tail && editRead(B, area + k, o, tail) != tail) return giveUp();
  if (fill) std::memset(area, fillByte, k);
  if (V) {
    if (fill) std::memset(vArea, fillByte, t);
    std::memcpy(vArea + t, area + k + tail - m, m);
    if (editWrite(V, vArea, 0, kVfBlockSize) != kVfBlockSize) return giveUp();
  }
  // One write of B: the opened bytes (when filled) and the part of the tail that stays.
  const uint32_t from = fill ? 0 : k, len = k + tail - m - from;
  if (len && editWrite(B, area + from, o + from, len) != len) return giveUp();
  setBlockCount(B, c + k - m);
  if (V) {
    setBlockCount(V, t + m);
    VfSetBlockNext(V, VfBlockNext(B));
    VfSetBlockNext(B, V);
  }
  h->length += k + t;

  // The rest goes into fresh blocks between B and V.
  uint32_t done = k + t;
  uint16_t after = B;
  while (done < n) {
    uint16_t d = newBlock(h);
    if (!d) break;
    uint32_t q = std::min(kVfBlockSize, n - done);
    if (fill && editFill(d, fillByte, 0, kVfBlockSize) != kVfBlockSize) {
      VfReleaseBlock(d);
      break;
    }
    setBlockCount(d, q);
    VfSetBlockNext(d, VfBlockNext(after));
    VfSetBlockNext(after, d);
    after = d;
    h->length += q;
    done += q;
  }
  setCursor(h, p);
  notify(h, HFN_INSERT, position, done);
  notify(h, HFN_LENGTH, h->length, 0);
  return done;
}

uint32_t HfCut(HfHandle* h, uint32_t position, uint32_t n) {
  std::unique_lock<std::recursive_mutex> g(h->lock);
  ChangeScope change(h);
  if (!change.ok() || n == 0 || position >= h->length) return 0;
  n = std::min(n, h->length - position);
  Scratch buf;
  if (!buf) return 0;
  HfPlace p = seekLocked(h, position, false);
  const uint16_t B = p.block;
  const uint32_t o = p.offset, c = blockCount(B), tail = c - o;

  // Moves the last `keep` bytes of block d (count cnt) to `to`, copying a mapped block first.
  auto moveDown = [&](uint16_t d, uint32_t from, uint32_t to, uint32_t keep) {
    if (blockReadOnly(d) && FlushBlock(d) != VF_OK) return false;
    if (keep == 0) return true;
    return editRead(d, buf.get(), from, keep) == keep && editWrite(d, buf.get(), to, keep) == keep;
  };

  bool blockKept = true;
  uint16_t successor = 0;
  if (n < tail) {
    if (!moveDown(B, o + n, o, tail - n)) return 0;
    setBlockCount(B, c - n);
  } else {
    // The block where the cut ends inside (L, losing its first w bytes), if any.
    uint32_t w = n - tail;
    uint16_t L = 0, d = VfBlockNext(B);
    while (w > 0 && d) {
      uint32_t C = blockCount(d);
      if (w < C) {
        L = d;
        break;
      }
      w -= C;
      d = VfBlockNext(d);
    }
    if (L && !moveDown(L, w, 0, blockCount(L) - w)) return 0;
    if (L) setBlockCount(L, blockCount(L) - w);
    successor = L ? L : d;
    // Unlink and free the blocks wholly cut: those after B up to the successor, and B itself when it
    // is left empty.
    blockKept = o > 0;
    setBlockCount(B, o);
    uint16_t firstGone = blockKept ? VfBlockNext(B) : B;
    if (blockKept)
      VfSetBlockNext(B, successor);
    else if (p.previous)
      VfSetBlockNext(p.previous, successor);
    else
      h->first = successor;
    for (uint16_t x = firstGone; x && x != successor;) {
      uint16_t next = VfBlockNext(x);
      VfReleaseBlock(x);
      x = next;
    }
  }
  h->length -= n;
  cursorAfterEdit(h, p, blockKept, successor);
  notify(h, HFN_CUT, position, n);
  notify(h, HFN_LENGTH, h->length, 0);
  VfCompact();
  return n;
}

namespace {

// Frees a record whose blocks have been handed on; sends its closing notifications.
void retireRecord(HfHandle* h, std::unique_lock<std::recursive_mutex>& g) {
  notify(h, HFN_CLOSING, uint32_t(h->owner), 0);
  for (uint16_t d = h->first; d;) {
    uint16_t next = VfBlockNext(d);
    VfReleaseBlock(d);
    d = next;
  }
  h->first = 0;
  h->length = 0;
  notify(h, HFN_CLOSED, uint32_t(h->owner), 0);
  h->changing = false;
  g.unlock();
  delete h;
}

}  // namespace

namespace {

// The splice of a source chain (srcFirst .. srcLast) into a destination, one function per place it can
// go. Each links the chain in and leaves the destination's cursor valid; only the split inside a block
// needs a block of its own, and it fails before changing anything when there is none.

// An empty destination (at most one empty block) simply becomes the source's chain.
void spliceIntoEmpty(HfHandle* dst, uint16_t srcFirst) {
  for (uint16_t d = dst->first; d;) {
    uint16_t next = VfBlockNext(d);
    VfReleaseBlock(d);
    d = next;
  }
  dst->first = srcFirst;
  resetCursor(dst);
}

// At the start of block p.block: the chain goes between it and its predecessor.
void spliceBeforeBlock(HfHandle* dst, const HfPlace& p, uint16_t srcFirst, uint16_t srcLast) {
  VfSetBlockNext(srcLast, p.block);
  if (p.previous)
    VfSetBlockNext(p.previous, srcFirst);
  else
    dst->first = srcFirst;
  setCursor(dst, HfPlace{srcFirst, p.previous, p.start, 0});
}

// At the end of block p.block: the chain goes between it and its successor.
void spliceAfterBlock(HfHandle* dst, const HfPlace& p, uint16_t srcFirst, uint16_t srcLast) {
  VfSetBlockNext(srcLast, VfBlockNext(p.block));
  VfSetBlockNext(p.block, srcFirst);
  setCursor(dst, p);
}

// Inside block p.block: its tail moves to a new block after the spliced chain. False, with nothing
// changed, when no block or buffer is to be had.
bool spliceInsideBlock(HfHandle* dst, const HfPlace& p, uint16_t srcFirst, uint16_t srcLast) {
  const uint16_t B = p.block;
  const uint32_t o = p.offset, tail = blockCount(B) - o;
  Scratch buf;
  uint16_t V = buf ? newBlock(dst) : 0;
  if (!V) return false;
  if (editRead(B, buf.get(), o, tail) != tail || editWrite(V, buf.get(), 0, kVfBlockSize) != kVfBlockSize) {
    VfReleaseBlock(V);
    return false;
  }
  setBlockCount(V, tail);
  setBlockCount(B, o);
  VfSetBlockNext(V, VfBlockNext(B));
  VfSetBlockNext(srcLast, V);
  VfSetBlockNext(B, srcFirst);
  setCursor(dst, p);
  return true;
}

// Links the chain in at position of a destination at least that long; false when the split failed.
bool spliceChain(HfHandle* dst, uint32_t position, uint16_t srcFirst, uint16_t srcLast) {
  if (dst->length == 0) {
    spliceIntoEmpty(dst, srcFirst);
    return true;
  }
  HfPlace p = seekLocked(dst, position, false);
  if (p.offset == 0) {
    spliceBeforeBlock(dst, p, srcFirst, srcLast);
  } else if (p.offset == blockCount(p.block)) {
    spliceAfterBlock(dst, p, srcFirst, srcLast);
  } else if (!spliceInsideBlock(dst, p, srcFirst, srcLast)) {
    return false;
  }
  return true;
}

// A position past the end first extends the destination with zeros up to it; false when it could not.
bool growTo(HfHandle* dst, uint32_t position) {
  if (position <= dst->length) return true;
  const uint32_t old = dst->length;
  if (ensureFirst(dst)) seekLocked(dst, position, true);
  if (dst->length >= position) return true;
  if (dst->length != old) notify(dst, HFN_LENGTH, dst->length, 0);
  return false;
}

// The spliced bytes, block by block, for the owner's summaries.
void notifySplicedBytes(HfHandle* dst, uint32_t position, uint16_t srcFirst, uint16_t srcLast) {
  Scratch buf;
  uint32_t at = position;
  for (uint16_t d = srcFirst; buf && d; d = VfBlockNext(d)) {
    uint32_t k = blockCount(d);
    if (k && VfBlockRead(d, buf.get(), 0, k) == k)
      notify(dst, HFN_WRITE, at, k, reinterpret_cast<uintptr_t>(buf.get()));
    at += k;
    if (d == srcLast) break;
  }
}

}  // namespace

int HfInsertFile(HfHandle* dst, HfHandle* src, uint32_t position) {
  if (!dst || !src || dst == src) return VF_ERR_SLOT_UNUSED;
  std::unique_lock<std::recursive_mutex> gs(src->lock);
  std::lock_guard<std::recursive_mutex> gd(dst->lock);
  if (src->changing) return VF_ERR_SLOT_UNUSED;
  ChangeScope change(dst);
  if (!change.ok()) return VF_ERR_SLOT_UNUSED;
  src->changing = true;
  const uint32_t inserted = std::min(src->length, 0xFFFFFFFFu - dst->length);
  if (inserted != src->length) {
    src->changing = false;
    return VF_ERR_NO_BLOCK;
  }
  if (inserted == 0) {
    retireRecord(src, gs);
    return VF_OK;
  }
  uint16_t srcFirst = src->first, srcLast = srcFirst;
  for (uint16_t d = VfBlockNext(srcLast); d; d = VfBlockNext(d)) srcLast = d;
  if (!growTo(dst, position) || !spliceChain(dst, position, srcFirst, srcLast)) {
    src->changing = false;
    return VF_ERR_NO_BLOCK;
  }
  dst->length += inserted;
  src->first = 0;
  src->length = 0;
  retireRecord(src, gs);

  notify(dst, HFN_INSERT, position, inserted);
  if (dst->sink) notifySplicedBytes(dst, position, srcFirst, srcLast);
  notify(dst, HFN_LENGTH, dst->length, 0);
  return VF_OK;
}

HfHandle* HfCopy(HfHandle* source, uint32_t position, uint32_t count, uintptr_t owner, bool privateBuffer,
                 int* status, const HfProgress3& progress) {
  int dummy;
  if (!status) status = &dummy;
  std::lock_guard<std::recursive_mutex> gs(source->lock);
  count = position >= source->length ? 0 : std::min(count, source->length - position);
  HfHandle* h = HfCreate(int(source->preference), owner, nullptr, privateBuffer, status);
  if (!h) return nullptr;
  h->format = source->format;
  Scratch buf;
  if (!buf) {
    HfClose(h);
    *status = VF_ERR_NO_MEMORY;
    return nullptr;
  }
  {
    std::lock_guard<std::recursive_mutex> g(h->lock);
    uint32_t done = 0;
    bool stop = progress && progress(0, 0, count) == kHfStop;
    while (!stop && done < count) {
      // Whole 64 KB pieces, so every new block is written whole (no read of its old bytes).
      uint32_t k = std::min(kVfBlockSize, count - done);
      uint32_t got = HfRead(source, position + done, k, buf.get());
      uint32_t put = appendLocked(h, buf.get(), got);
      done += put;
      if (got < k || put < got) {
        *status = VF_ERR_NO_BLOCK;
        break;
      }
      stop = progress && progress(done, done, count) == kHfStop;
    }
    h->sink = source->sink;
  }
  notify(h, HFN_READY, 0, 0);
  return h;
}

bool HfFlushRange(HfHandle* h, uint32_t position, uint32_t count, const HfProgress2& progress) {
  std::lock_guard<std::recursive_mutex> g(h->lock);
  ChangeScope change(h);
  if (!change.ok()) return false;
  if (count == 0 || position >= h->length) return true;
  const uint32_t end = position + std::min(count, h->length - position);
  std::vector<uint16_t> blocks;
  HfPlace p = seekLocked(h, position, false);
  for (uint32_t start = p.start; p.block && start < end; p.block = VfBlockNext(p.block)) {
    uint32_t c = blockCount(p.block);
    if (start + c > position) blocks.push_back(p.block);
    start += c;
  }
  bool ok = true;
  uint32_t done = 0;
  for (uint16_t d : blocks) {
    if (blockReadOnly(d) && FlushBlock(d) != VF_OK) {
      ok = false;
      break;
    }
    if (progress && progress(++done, uint32_t(blocks.size())) == kHfStop) break;
  }
  return ok;
}

namespace {

// The source slot a quick save may write, or -1 (see HfCanQuickSave).
int quickSaveSlot(HfHandle* h, const std::string& path) {
  int slot = -1;
  uint32_t index = 0;
  for (uint16_t d = h->first; d; d = VfBlockNext(d), ++index) {
    if (VfBlockNext(d) && blockCount(d) != kVfBlockSize) return -1;
    if (!blockReadOnly(d)) continue;
    int s = VfSlotOf(VfBlockFlags(d));
    if (slot >= 0 && s != slot) return -1;
    if (VfBlockPosition(d) != index) return -1;
    slot = s;
  }
  if (slot < 0 || !VfSlotInUse(slot)) return -1;
  TfSlot& t = gStore->slots[slot];
  if (!(t.flags.load() & TF_SOURCE) || t.size.load() != h->length || t.nameHash != VfNameHash(path))
    return -1;
  return slot;
}

}  // namespace

bool HfCanQuickSave(HfHandle* h, const std::string& path) {
  std::lock_guard<std::recursive_mutex> g(h->lock);
  return gStore && quickSaveSlot(h, path) >= 0;
}

bool HfQuickSave(HfHandle* h, const std::string& path, const HfProgress3& progress,
                 HfQuickSaveStatus* status) {
  HfQuickSaveStatus dummy;
  if (!status) status = &dummy;
  std::lock_guard<std::recursive_mutex> g(h->lock);
  ChangeScope change(h);
  const int slot = change.ok() && gStore ? quickSaveSlot(h, path) : -1;
  if (slot < 0) {
    *status = HfQuickSaveStatus::Refused;
    return false;
  }
  if (TfReopen(slot, true) != VF_OK) {
    // The reopen puts the read-only handle back when it can; make sure it did.
    *status = TfReopen(slot, false) == VF_OK ? HfQuickSaveStatus::NotWritable : HfQuickSaveStatus::SourceLost;
    return false;
  }
  uint32_t total = 0, done = 0;
  for (uint16_t d = h->first; d; d = VfBlockNext(d))
    if (!blockReadOnly(d)) ++total;
  bool ok = true, stopped = false;
  uint64_t offset = 0;
  for (uint16_t d = h->first; d && !stopped; d = VfBlockNext(d)) {
    if (!blockReadOnly(d)) {
      if (TfSaveBlock(d, slot, offset) != VF_OK) {
        ok = false;
        break;
      }
      ++done;
      // Stopping between blocks is safe: every block saved so far maps the file, the rest stay changed.
      if (progress && progress(done, done, total) == kHfStop && done < total) stopped = true;
    }
    offset += blockCount(d);
  }
  if (TfReopen(slot, false) != VF_OK) {
    *status = HfQuickSaveStatus::SourceLost;
    return false;
  }
  *status = !ok ? HfQuickSaveStatus::Failed : stopped ? HfQuickSaveStatus::Stopped : HfQuickSaveStatus::Saved;
  return ok && !stopped;
}

}  // namespace storage
