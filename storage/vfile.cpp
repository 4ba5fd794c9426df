// Virtual files: creation, opening in place, closing, the cursor (seek), reads, writes and appends,
// notifications and the simple queries. The edits that reshape a chain (fill, insert, cut, splice,
// copy, flush, quick save) are in vfile_edit.cpp.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "storage/cache.h"
#include "storage/store_internal.h"
#include "storage/vfile_internal.h"

namespace storage {

namespace {

uint32_t preferenceOf(int kind) {
  return kind == 1 ? 1u : kind == 2 ? 2u : 3u;
}

// A new record with its optional private buffer; null without memory.
HfHandle* newRecord(int kind, uintptr_t owner, HfNotifySink sink, bool privateBuffer) {
  HfHandle* h = new (std::nothrow) HfHandle;
  if (!h) return nullptr;
  if (privateBuffer) {
    h->privateBuffer.reset(new (std::nothrow) uint8_t[kVfBlockSize]);
    if (!h->privateBuffer) {
      delete h;
      return nullptr;
    }
  }
  h->owner = owner;
  h->sink = std::move(sink);
  h->preference = preferenceOf(kind);
  return h;
}

bool blockLocation(uint16_t d, uint32_t* position, uint32_t* slot) {
  if (d == 0 || d >= kVfBlockCount) return false;
  uint32_t f = VfBlockFlags(d);
  if (!(f & VF_INUSE) || (f & VF_INVALID)) return false;
  *position = VfBlockPosition(d);
  *slot = uint32_t(VfSlotOf(f));
  return true;
}

}  // namespace

// ---- Helpers shared with vfile_edit.cpp ----

uint32_t editRead(uint16_t d, void* dst, uint32_t offset, uint32_t count) {
  uint32_t pos, slot;
  if (count == 0) return 0;
  if (!blockLocation(d, &pos, &slot)) return 0;
  return CacheRead(VfGetCache(), dst, pos, slot, -1, offset, count);
}

uint32_t editWrite(uint16_t d, const void* src, uint32_t offset, uint32_t count) {
  uint32_t pos, slot;
  if (count == 0) return 0;
  if (!blockLocation(d, &pos, &slot) || blockReadOnly(d)) return 0;
  return CacheWrite(VfGetCache(), src, pos, slot, -1, offset, count);
}

uint32_t editFill(uint16_t d, uint8_t value, uint32_t offset, uint32_t count) {
  uint32_t pos, slot;
  if (count == 0) return 0;
  if (!blockLocation(d, &pos, &slot) || blockReadOnly(d)) return 0;
  return CacheFill(VfGetCache(), value, pos, slot, -1, offset, count);
}

void setCursor(HfHandle* h, const HfPlace& p) {
  h->current = p.block;
  h->previous = p.previous;
  h->blockStart = p.start;
  h->offset = p.offset;
}

void resetCursor(HfHandle* h) {
  h->current = h->first;
  h->previous = 0;
  h->blockStart = 0;
  h->offset = 0;
}

uint16_t newBlock(HfHandle* h) {
  return GetAFreeBlock(h->preference, true);
}

bool ensureFirst(HfHandle* h) {
  if (h->first) return true;
  h->first = newBlock(h);
  resetCursor(h);
  return h->first != 0;
}

void notify(HfHandle* h, uint32_t code, uint32_t a, uint32_t b, uintptr_t c) {
  if (!h->sink) return;
  HfNotify record{kHfNotifyMarker, h->owner, code, a, b, c};
  h->sink(h, record);
}

namespace {
thread_local std::vector<std::unique_ptr<uint8_t[]>> tScratchPool;
constexpr size_t kScratchKept = 4;
}  // namespace

Scratch::Scratch() {
  if (!tScratchPool.empty()) {
    buf_ = std::move(tScratchPool.back());
    tScratchPool.pop_back();
  } else {
    buf_.reset(new (std::nothrow) uint8_t[kScratchBytes]);
  }
}

Scratch::~Scratch() {
  if (buf_ && tScratchPool.size() < kScratchKept) tScratchPool.push_back(std::move(buf_));
}

ChangeScope::ChangeScope(HfHandle* h) : h_(h), ok_(!h->changing) {
  if (!ok_) {
    storeDebug("HfHandle changed from inside its own notification!\n");
    return;
  }
  h->changing = true;
  h->buffered = 0;
}

ChangeScope::~ChangeScope() {
  if (!ok_) return;
  h_->changing = false;
  h_->buffered = 0;
}

HfPlace seekLocked(HfHandle* h, uint32_t target, bool grow) {
  HfPlace p;
  if (!h->first) return p;
  if (h->current && target >= h->blockStart) {
    p.block = h->current;
    p.previous = h->previous;
    p.start = h->blockStart;
  } else {
    p.block = h->first;
  }
  for (;;) {
    uint32_t c = blockCount(p.block);
    if (target - p.start <= c) {
      p.offset = target - p.start;
      break;
    }
    uint16_t next = VfBlockNext(p.block);
    if (next) {
      p.previous = p.block;
      p.start += c;
      p.block = next;
      continue;
    }
    p.offset = c;
    if (!grow) break;
    // The last block: use its room first (the bytes so added are not written), then new blocks.
    if (c < kVfBlockSize) {
      uint32_t k = std::min(kVfBlockSize - c, target - p.start - c);
      setBlockCount(p.block, c + k);
      h->length += k;
      continue;
    }
    uint16_t d = newBlock(h);
    if (!d) break;
    VfSetBlockNext(p.block, d);
    p.previous = p.block;
    p.start += c;
    p.block = d;
  }
  setCursor(h, p);
  return p;
}

uint32_t appendLocked(HfHandle* h, const uint8_t* src, uint32_t count) {
  if (count == 0 || !ensureFirst(h)) return 0;
  HfPlace p = seekLocked(h, h->length, false);
  std::unique_ptr<Scratch> scratch;
  uint32_t done = 0;
  while (done < count) {
    uint32_t c = blockCount(p.block);
    if (c < kVfBlockSize) {
      uint32_t k = std::min(kVfBlockSize - c, count - done);
      if (src) {
        if (blockReadOnly(p.block) && FlushBlock(p.block) != VF_OK) break;
        if (editWrite(p.block, src + done, c, k) != k) break;
      }
      setBlockCount(p.block, c + k);
      h->length += k;
      p.offset = c + k;
      done += k;
      continue;
    }
    uint16_t d = newBlock(h);
    if (!d) break;
    uint32_t k = std::min(kVfBlockSize, count - done);
    // The block joins the chain only once its bytes are in, so a failed write leaves the file as it was.
    // A part block goes out whole from a scratch copy: the cache then needn't read the location's old
    // bytes first.
    bool ok = true;
    if (src && k == kVfBlockSize) {
      ok = editWrite(d, src + done, 0, k) == k;
    } else if (src) {
      if (!scratch) scratch.reset(new (std::nothrow) Scratch);
      if (scratch && *scratch) {
        std::memcpy(scratch->get(), src + done, k);
        std::memset(scratch->get() + k, 0, kVfBlockSize - k);
        ok = editWrite(d, scratch->get(), 0, kVfBlockSize) == kVfBlockSize;
      } else {
        ok = editWrite(d, src + done, 0, k) == k;
      }
    }
    if (!ok) {
      VfReleaseBlock(d);
      break;
    }
    setBlockCount(d, k);
    VfSetBlockNext(p.block, d);
    h->length += k;
    p.previous = p.block;
    p.start += c;
    p.block = d;
    p.offset = k;
    done += k;
  }
  setCursor(h, p);
  return done;
}

// ---- Creation and closing ----

HfHandle* HfCreate(int kind, uintptr_t owner, HfNotifySink sink, bool privateBuffer, int* status) {
  int dummy;
  if (!status) status = &dummy;
  *status = VF_OK;
  if (!VfIsInitialised()) {
    *status = VF_ERR_NOT_INIT;
    return nullptr;
  }
  HfHandle* h = newRecord(kind, owner, std::move(sink), privateBuffer);
  if (!h) {
    *status = VF_ERR_NO_MEMORY;
    return nullptr;
  }
  h->first = newBlock(h);
  if (!h->first) {
    delete h;
    *status = VF_ERR_NO_DESCRIPTOR;
    return nullptr;
  }
  resetCursor(h);
  notify(h, HFN_READY, 0, 0);
  return h;
}

HfHandle* HfOpen(const std::string& path, uint64_t base, uint32_t length, int kind, uintptr_t owner,
                 HfNotifySink sink, bool privateBuffer, int* status) {
  int dummy;
  if (!status) status = &dummy;
  *status = VF_OK;
  if (length == 0) {
    *status = VF_ERR_BAD_SLOT;
    return nullptr;
  }
  HfHandle* h = newRecord(kind, owner, std::move(sink), privateBuffer);
  if (!h) {
    *status = VF_ERR_NO_MEMORY;
    return nullptr;
  }
  int slot = TfOpen(path, TF_SOURCE | h->preference, base, length, status);
  if (slot < 0) {
    delete h;
    return nullptr;
  }
  uint16_t last = 0;
  for (uint64_t at = 0; at < length; at += kVfBlockSize) {
    uint16_t d = GetAFreeBlock(h->preference, false);
    uint32_t pos = d ? TfNextPosition(slot) : 0xFFFF;
    if (pos == 0xFFFF) {
      // Give back what was taken; releasing the last mapped block closes the file.
      if (d) {  // it holds no reference yet: straight back to the empty list
        std::lock_guard<std::mutex> lg(gStore->listLock);
        pushEmptyLocked(d);
      }
      for (uint16_t b = h->first; b;) {
        uint16_t next = VfBlockNext(b);
        VfReleaseBlock(b);
        b = next;
      }
      if (!h->first) TfClose(slot);
      delete h;
      *status = VF_ERR_NO_DESCRIPTOR;
      return nullptr;
    }
    uint32_t count = uint32_t(std::min<uint64_t>(kVfBlockSize, length - at));
    VfSetBlockPosition(d, uint16_t(pos));
    VfSetBlockFlags(d, VF_INUSE | VF_READONLY | (uint32_t(slot) << VF_SLOT_SHIFT) | count);
    if (last)
      VfSetBlockNext(last, d);
    else
      h->first = d;
    last = d;
  }
  h->length = length;
  resetCursor(h);
  notify(h, HFN_READY, 0, 0);
  return h;
}

void HfClose(HfHandle* h) {
  if (!h) return;
  {
    std::lock_guard<std::recursive_mutex> g(h->lock);
    if (h->changing) {
      storeDebug("HfClose of a file inside its own change!\n");
      return;
    }
    h->changing = true;  // nothing may change it from the notifications
    notify(h, HFN_CLOSING, uint32_t(h->owner), 0);
    h->privateBuffer.reset();
    h->buffered = 0;
    for (uint16_t d = h->first; d;) {
      uint16_t next = VfBlockNext(d);
      VfReleaseBlock(d);
      d = next;
    }
    h->first = 0;
    h->length = 0;
    resetCursor(h);
    notify(h, HFN_CLOSED, uint32_t(h->owner), 0);
  }
  delete h;
  VfCompact();
}

// ---- Cursor, reads and writes ----

uint32_t HfSeek(HfHandle* h, uint32_t position, bool restart) {
  std::lock_guard<std::recursive_mutex> g(h->lock);
  if (position > 0xFFFC1800u) {
    storeDebug("HfSeek to %ld!\n", long(int32_t(position)));
    position = 0;
    restart = true;
  }
  if (restart) resetCursor(h);
  if (position <= h->length) return seekLocked(h, position, false).position();
  ChangeScope change(h);
  if (!change.ok()) return seekLocked(h, h->length, false).position();
  uint32_t old = h->length;
  uint32_t reached = ensureFirst(h) ? seekLocked(h, position, true).position() : 0;
  if (h->length != old) notify(h, HFN_LENGTH, h->length, 0);
  return reached;
}

uint32_t HfRead(HfHandle* h, uint32_t position, uint32_t count, void* dst) {
  std::lock_guard<std::recursive_mutex> g(h->lock);
  if (count == 0 || position >= h->length) return 0;
  const uint32_t n = std::min(count, h->length - position);
  uint8_t* out = static_cast<uint8_t*>(dst);
  HfPlace p = seekLocked(h, position, false);
  uint32_t done = 0;
  while (done < n && p.block) {
    uint32_t c = blockCount(p.block);
    if (p.offset < c) {
      uint32_t k = std::min(c - p.offset, n - done);
      if (h->buffered == p.block) {
        std::memcpy(out + done, h->privateBuffer.get() + p.offset, k);
      } else if (h->privateBuffer && done + k == n && !h->changing) {
        // The piece that finishes the request keeps its whole block for the next small read.
        if (VfBlockRead(p.block, h->privateBuffer.get(), 0, kVfBlockSize) != kVfBlockSize) break;
        h->buffered = p.block;
        std::memcpy(out + done, h->privateBuffer.get() + p.offset, k);
      } else if (VfBlockRead(p.block, out + done, p.offset, k) != k) {
        break;
      }
      done += k;
      p.offset += k;
    }
    if (done == n) break;
    uint16_t next = VfBlockNext(p.block);
    if (!next) break;
    p.previous = p.block;
    p.start += c;
    p.block = next;
    p.offset = 0;
  }
  setCursor(h, p);
  return done;
}

uint32_t overwriteLocked(HfHandle* h, uint32_t start, uint32_t total, bool* stopped,
                         const std::function<bool(const HfPlace& p, uint32_t done, uint32_t k)>& piece) {
  *stopped = false;
  if (start > h->length) {
    // Grow to the start first; the gap's bytes are undefined.
    if (ensureFirst(h)) seekLocked(h, start, true);
    *stopped = h->length < start;
    return 0;
  }
  if (start == h->length) return 0;
  uint32_t done = 0;
  HfPlace p = seekLocked(h, start, false);
  while (done < total) {
    uint32_t c = blockCount(p.block);
    if (p.offset < c) {
      uint32_t k = std::min(c - p.offset, total - done);
      if ((blockReadOnly(p.block) && FlushBlock(p.block) != VF_OK) || !piece(p, done, k)) {
        *stopped = true;
        break;
      }
      done += k;
      p.offset += k;
    }
    if (done == total) break;
    uint16_t next = VfBlockNext(p.block);
    if (!next) break;  // the end of the file: the caller appends the rest
    p.previous = p.block;
    p.start += c;
    p.block = next;
    p.offset = 0;
  }
  setCursor(h, p);
  return done;
}

uint32_t HfWrite(HfHandle* h, uint32_t position, uint32_t count, const void* src) {
  std::lock_guard<std::recursive_mutex> g(h->lock);
  ChangeScope change(h);
  if (!change.ok() || count == 0) return 0;
  count = std::min(count, 0xFFFFFFFFu - position);
  const uint8_t* in = static_cast<const uint8_t*>(src);
  const uint32_t old = h->length;
  bool stopped = false;
  uint32_t done = overwriteLocked(h, position, count, &stopped, [&](const HfPlace& p, uint32_t at, uint32_t k) {
    return editWrite(p.block, in + at, p.offset, k) == k;
  });
  if (!stopped && done < count) done += appendLocked(h, in + done, count - done);
  if (h->length != old) notify(h, HFN_LENGTH, h->length, 0);
  if (done) notify(h, HFN_WRITE, position, done, reinterpret_cast<uintptr_t>(src));
  return done;
}

// ---- Queries ----

uint32_t HfGetLength(HfHandle* h) {
  std::lock_guard<std::recursive_mutex> g(h->lock);
  return h->length;
}

void HfSetFormat(HfHandle* h, int channels, int bits) {
  uint16_t w = channels == 2 ? HF_STEREO : 0;
  w |= bits == 8 ? HF_8BIT : bits == 16 ? HF_16BIT : bits == 32 ? HF_32BIT : 0;
  HfSetFormatWord(h, w);
}

void HfGetFormat(HfHandle* h, int* channels, int* bits) {
  uint16_t w = HfGetFormatWord(h);
  if (channels) *channels = (w & HF_STEREO) ? 2 : 1;
  if (bits) *bits = (w & HF_8BIT) ? 8 : (w & HF_16BIT) ? 16 : (w & HF_32BIT) ? 32 : 0;
}

uint16_t HfGetFormatWord(HfHandle* h) {
  std::lock_guard<std::recursive_mutex> g(h->lock);
  return h->format;
}

void HfSetFormatWord(HfHandle* h, uint16_t word) {
  std::lock_guard<std::recursive_mutex> g(h->lock);
  h->format = word;
}

bool HfHasReadOnlyBlocks(HfHandle* h) {
  std::lock_guard<std::recursive_mutex> g(h->lock);
  for (uint16_t d = h->first; d; d = VfBlockNext(d))
    if (blockReadOnly(d)) return true;
  return false;
}

uint64_t HfAllocatedSize(HfHandle* h) {
  std::lock_guard<std::recursive_mutex> g(h->lock);
  uint64_t n = 0;
  for (uint16_t d = h->first; d; d = VfBlockNext(d)) ++n;
  return n * kVfBlockSize;
}

std::vector<uint16_t> HfChain(HfHandle* h) {
  std::lock_guard<std::recursive_mutex> g(h->lock);
  std::vector<uint16_t> chain;
  for (uint16_t d = h->first; d && chain.size() < kVfBlockCount; d = VfBlockNext(d)) chain.push_back(d);
  return chain;
}

uint16_t HfFirstBlock(HfHandle* h) {
  std::lock_guard<std::recursive_mutex> g(h->lock);
  return h->first;
}

}  // namespace storage
