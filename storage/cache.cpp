// The wave cache and its thread (see cache.h for the rules it keeps).
//
// Slot states: Free (on the free list), Claimed (taken for a new key, not yet in the index), ReadReq
// (queued for the thread), Reading (being read, without the lock), Ahead (read ahead, not used yet),
// Valid (used), Writing (being written back, without the lock), Failed (the requested read failed; the
// requester frees it). Pins count the callers copying in or out; a writer's pin is exclusive.
// Lookups of a key in ReadReq, Reading, Writing or Failed wait on one condition variable, which every
// state change notifies.
#include "storage/cache.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <condition_variable>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/thread.h"

namespace storage {

namespace {

enum class State : uint8_t { Free, Claimed, ReadReq, Reading, Ahead, Valid, Writing, Failed };

constexpr uint64_t kNoKey = ~uint64_t(0);
constexpr size_t kBufferAlign = 4096;  // direct I/O needs sector-aligned buffers

std::atomic<int> gWriteMode{1};

uint64_t makeKey(uint32_t slot, uint32_t position) { return (uint64_t(slot) << 32) | position; }
uint32_t keySlot(uint64_t key) { return uint32_t(key >> 32); }
uint32_t keyPosition(uint64_t key) { return uint32_t(key); }

struct Slot {
  uint8_t* buf = nullptr;
  State state = State::Free;
  bool dirty = false;
  bool exclusive = false;  // pinned by a writer
  uint32_t pins = 0;
  uint64_t key = kNoKey;
  uint64_t tick = 0;
};

bool contains(const std::vector<uint32_t>& v, uint32_t x) {
  for (uint32_t y : v)
    if (y == x) return true;
  return false;
}

}  // namespace

class WaveCache {
 public:
  uint32_t n = 0;
  uint32_t dirtyLimit = 0;
  uint32_t blockSize = 0;
  CacheCallbacks cb;

  std::mutex lock;
  std::condition_variable changed;  // any slot changed state or was unpinned
  platform::Event work{false, false};
  platform::Event idle{true, true};
  std::thread thread;
  std::atomic<bool> quit{false};

  std::vector<Slot> slots;
  std::vector<uint32_t> freeSlots;
  std::unordered_map<uint64_t, uint32_t> index;
  std::deque<uint32_t> requests;
  int32_t hint = -1;
  int32_t aheadHint = -1;  // hint the read-ahead counter below belongs to
  uint32_t aheadDone = 0;
  bool flushAll = false;   // mode 2 drain running (idle event clear)
  // Idle drain: 5 s (on the replaceable clock) after the last use, every dirty block is written back.
  uint64_t lastActivityMs = 0;
  uint64_t activity = 0;         // counts uses
  uint64_t drainedActivity = 0;  // the use count the last idle drain followed
  CacheStats stats;

  using Guard = std::unique_lock<std::mutex>;

  void debug(const char* line) {
    if (cb.debug) cb.debug(line);
  }
  void freeSlot(uint32_t i) {
    Slot& s = slots[i];
    if (s.key != kNoKey) index.erase(s.key);
    s.key = kNoKey;
    s.state = State::Free;
    s.dirty = s.exclusive = false;
    s.pins = 0;
    freeSlots.push_back(i);
  }
  uint32_t window() const {
    uint32_t spare = n - dirtyLimit - 1;
    return spare < 10 ? spare : 10;
  }

  int claim(Guard& g, bool quiet);
  bool writeBack(Guard& g, uint32_t i);
  int pin(uint64_t key, int32_t descriptor, bool forWrite, bool overwriteAll);
  void unpin(uint32_t i, bool dirty);
  void threadMain();
  bool serveRequests(Guard& g);
  bool readAhead(Guard& g);
  bool writeBehind(Guard& g);
  int oldestDirty() const;
  void touch() {  // lock held: a caller used the cache
    lastActivityMs = platform::nowMs();
    ++activity;
  }
};

// Writes slot i back with the lock dropped. The slot stays in the index as Writing so lookups wait.
// Called with the slot valid, dirty and unpinned. On failure it is dirty again.
bool WaveCache::writeBack(Guard& g, uint32_t i) {
  Slot& s = slots[i];
  s.state = State::Writing;
  s.dirty = false;
  uint64_t key = s.key;
  g.unlock();
  bool ok = cb.writeBlock(keySlot(key), keyPosition(key), s.buf);
  g.lock();
  s.state = State::Valid;
  if (!ok) {
    s.dirty = true;
    debug("Wave cache: writing a block back failed\n");
  }
  changed.notify_all();
  return ok;
}

// Takes a slot for a new key: a free one, else a victim by the eviction rules. Returns the slot in state
// Claimed, or -1. May drop the lock to write a dirty victim back. `quiet` (the cache thread) never shows
// the message box.
int WaveCache::claim(Guard& g, bool quiet) {
  std::vector<uint32_t> failed;  // victims whose write-back failed in this claim: keep them
  for (;;) {
    if (!freeSlots.empty()) {
      uint32_t i = freeSlots.back();
      freeSlots.pop_back();
      slots[i].state = State::Claimed;
      return int(i);
    }
    uint32_t validCount = 0;
    int oldestValid = -1, oldestAhead = -1;
    for (uint32_t i = 0; i < n; ++i) {
      const Slot& s = slots[i];
      if (s.state == State::Valid) {
        ++validCount;
        if (s.pins == 0 && !contains(failed, i) && (oldestValid < 0 || s.tick < slots[oldestValid].tick)) oldestValid = int(i);
      } else if (s.state == State::Ahead && s.pins == 0) {
        if (oldestAhead < 0 || s.tick < slots[oldestAhead].tick) oldestAhead = int(i);
      }
    }
    int victim = validCount > dirtyLimit ? (oldestValid >= 0 ? oldestValid : oldestAhead)
                                         : (oldestAhead >= 0 ? oldestAhead : oldestValid);
    if (victim < 0) {
      if (!quiet && cb.warn) {
        g.unlock();
        cb.warn("Out Of Cache Space!", "Hey!");
        g.lock();
      }
      return -1;
    }
    Slot& v = slots[victim];
    if (v.dirty) {
      bool ok = writeBack(g, uint32_t(victim));
      ++stats.writes;
      // While the lock was dropped the victim may have been pinned again: choose afresh.
      if (!ok) failed.push_back(uint32_t(victim));
      continue;
    }
    index.erase(v.key);
    v.key = kNoKey;
    v.state = State::Claimed;
    v.pins = 0;
    changed.notify_all();
    return victim;
  }
}

// Finds or loads the block and pins it. Returns the slot, or -1.
int WaveCache::pin(uint64_t key, int32_t descriptor, bool forWrite, bool overwriteAll) {
  Guard g(lock);
  bool waited = false;
  for (;;) {
    auto it = index.find(key);
    if (it != index.end()) {
      uint32_t i = it->second;
      Slot& s = slots[i];
      bool ready = s.state == State::Valid || s.state == State::Ahead;
      bool free = forWrite ? s.pins == 0 : !s.exclusive;
      if (ready && free) {
        s.state = State::Valid;
        ++s.pins;
        s.exclusive = forWrite;
        s.tick = platform::nowMs();
        hint = descriptor;
        touch();
        if (waited) ++stats.pending; else ++stats.hits;
        work.set();
        return int(i);
      }
      waited = true;
      changed.wait(g);
      continue;
    }
    int c = claim(g, false);
    if (c < 0) return -1;
    uint32_t i = uint32_t(c);
    if (index.count(key)) {  // someone loaded the key while claim had the lock dropped
      freeSlot(i);
      continue;
    }
    Slot& s = slots[i];
    s.key = key;
    index[key] = i;
    s.pins = 1;
    s.exclusive = forWrite;
    s.tick = platform::nowMs();
    hint = descriptor;
    touch();
    ++stats.requests;
    if (overwriteAll) {  // every byte is about to be replaced: no need to read the old ones
      s.state = State::Valid;
      return int(i);
    }
    s.state = State::ReadReq;
    requests.push_back(i);
    work.set();
    changed.wait(g, [&] { return s.state != State::ReadReq && s.state != State::Reading; });
    if (s.state == State::Failed) {
      freeSlot(i);
      changed.notify_all();
      return -1;
    }
    return int(i);
  }
}

void WaveCache::unpin(uint32_t i, bool dirty) {
  Guard g(lock);
  Slot& s = slots[i];
  if (dirty) s.dirty = true;
  if (s.pins > 0) --s.pins;
  if (s.pins == 0) s.exclusive = false;
  s.tick = platform::nowMs();
  touch();
  changed.notify_all();
  if (dirty) work.set();
}

bool WaveCache::serveRequests(Guard& g) {
  bool any = false;
  while (!requests.empty()) {
    uint32_t i = requests.front();
    requests.pop_front();
    Slot& s = slots[i];
    if (s.state != State::ReadReq) continue;
    s.state = State::Reading;
    uint64_t key = s.key;
    g.unlock();
    bool ok = cb.readBlock(keySlot(key), keyPosition(key), s.buf);
    g.lock();
    if (!ok) debug("Wave cache: reading a requested block failed\n");
    s.state = ok ? State::Valid : State::Failed;
    s.tick = platform::nowMs();
    changed.notify_all();
    any = true;
  }
  return any;
}

// Reads at most one block ahead along the chain of the last block asked for. Silent on failure.
bool WaveCache::readAhead(Guard& g) {
  if (hint < 0) return false;
  if (hint != aheadHint) {
    aheadHint = hint;
    aheadDone = 0;
  }
  uint32_t steps = window();
  if (aheadDone >= steps) return false;
  uint32_t d = uint32_t(hint);
  for (uint32_t step = 0; step < steps; ++step) {
    uint32_t next = 0, position = 0, slot = 0;
    g.unlock();
    bool more = cb.nextBlock && cb.nextBlock(d, &next, &position, &slot);
    g.lock();
    if (!more || quit) return false;
    uint64_t key = makeKey(slot, position);
    if (index.count(key)) {
      d = next;
      continue;
    }
    int c = claim(g, true);
    if (c < 0) return false;
    uint32_t i = uint32_t(c);
    if (index.count(key)) {
      freeSlot(i);
      return false;
    }
    Slot& s = slots[i];
    s.key = key;
    index[key] = i;
    s.state = State::Reading;
    g.unlock();
    bool ok = cb.readBlock(slot, position, s.buf);
    g.lock();
    if (ok) {
      s.state = State::Ahead;
      s.tick = platform::nowMs();
      ++stats.readAheads;
    } else {
      freeSlot(i);
    }
    ++aheadDone;
    changed.notify_all();
    return true;
  }
  return false;
}

int WaveCache::oldestDirty() const {
  int best = -1;
  for (uint32_t i = 0; i < n; ++i) {
    const Slot& s = slots[i];
    if (s.state == State::Valid && s.dirty && s.pins == 0 && (best < 0 || s.tick < slots[best].tick)) best = int(i);
  }
  return best;
}

// Normal write-behind keeps the dirty blocks at or below half the dirty limit; mode 2 starts a flush-all
// above five sixths of it, which runs until no dirty block is left.
bool WaveCache::writeBehind(Guard& g) {
  uint32_t dirty = 0;
  for (const Slot& s : slots)
    if (s.dirty && (s.state == State::Valid || s.state == State::Writing)) ++dirty;
  int mode = gWriteMode.load();
  bool due = flushAll || (mode == 1 && dirty > dirtyLimit / 2) || (mode == 2 && dirty > dirtyLimit * 5 / 6);
  int i = due ? oldestDirty() : -1;
  if (i < 0) {
    if (flushAll && dirty == 0) {
      flushAll = false;
      idle.set();
    }
    return false;
  }
  if (mode == 2 && !flushAll) {
    flushAll = true;
    idle.reset();
  }
  bool ok = writeBack(g, uint32_t(i));
  if (ok) ++stats.writeAheads;
  return ok;
}

void WaveCache::threadMain() {
  Guard g(lock);
  bool draining = false;  // idle: one dirty block per pass until none is left
  while (!quit) {
    bool read = serveRequests(g);
    if (readAhead(g)) read = true;
    if (read) continue;
    if (writeBehind(g)) continue;
    if (draining) {
      int i = oldestDirty();
      if (i >= 0 && writeBack(g, uint32_t(i))) {
        ++stats.writeAheads;
        continue;
      }
      draining = false;
      drainedActivity = activity;
    }
    if (!requests.empty() || quit) continue;
    // Sleep until woken, or until the cache has been idle long enough for the drain. The time is
    // measured on the replaceable clock; a test that moves it wakes the thread with CacheKick.
    int64_t waitMs = -1;
    if (activity != drainedActivity) {
      uint64_t idle = platform::nowMs() - lastActivityMs;
      if (idle >= kCacheIdleMs) {
        draining = true;
        continue;
      }
      waitMs = int64_t(kCacheIdleMs - idle);
    }
    g.unlock();
    work.wait(waitMs);
    g.lock();
  }
}

WaveCache* CacheCreate(uint32_t slots, uint32_t dirtyParam, uint32_t blockSize, CacheCallbacks callbacks) {
  // A 32-bit process can't hold more than 2 GB; refuse silly requests before allocating.
  if (slots < 3 || blockSize == 0 || blockSize % kBufferAlign != 0 || uint64_t(slots) * blockSize > (uint64_t(1) << 31))
    return nullptr;
  if (!callbacks.readBlock || !callbacks.writeBlock) return nullptr;
  WaveCache* c = new (std::nothrow) WaveCache;
  if (!c) return nullptr;
  c->n = slots;
  c->dirtyLimit = dirtyParam < slots - 2 ? dirtyParam : slots - 2;
  c->blockSize = blockSize;
  c->cb = std::move(callbacks);
  try {
    c->slots.resize(slots);
    c->freeSlots.reserve(slots);
    c->index.reserve(size_t(slots) * 2);
  } catch (const std::bad_alloc&) {
    delete c;
    return nullptr;
  }
  for (uint32_t i = 0; i < slots; ++i) {
    void* p = ::operator new(blockSize, std::align_val_t(kBufferAlign), std::nothrow);
    if (!p) {
      CacheDestroy(c);
      return nullptr;
    }
    c->slots[i].buf = static_cast<uint8_t*>(p);
  }
  for (uint32_t i = slots; i-- > 0;) c->freeSlots.push_back(i);
  try {
    c->thread = std::thread([c] { c->threadMain(); });
  } catch (...) {
    CacheDestroy(c);
    return nullptr;
  }
  return c;
}

void CacheDestroy(WaveCache* c) {
  if (!c) return;
  {
    std::lock_guard<std::mutex> g(c->lock);
    c->quit = true;
  }
  c->work.set();
  if (c->thread.joinable()) c->thread.join();
  for (Slot& s : c->slots)
    if (s.buf) ::operator delete(s.buf, std::align_val_t(kBufferAlign));
  delete c;
}

namespace {

bool rangeOk(WaveCache* c, uint32_t offset, uint32_t count) {
  return c && count > 0 && offset < c->blockSize && count <= c->blockSize - offset;
}

}  // namespace

uint32_t CacheRead(WaveCache* c, void* dst, uint32_t position, uint32_t slot, int32_t descriptor, uint32_t offset,
                   uint32_t count) {
  if (!rangeOk(c, offset, count)) return 0;
  int i = c->pin(makeKey(slot, position), descriptor, false, false);
  if (i < 0) return 0;
  std::memcpy(dst, c->slots[i].buf + offset, count);
  c->unpin(uint32_t(i), false);
  return count;
}

uint32_t CacheWrite(WaveCache* c, const void* src, uint32_t position, uint32_t slot, int32_t descriptor,
                    uint32_t offset, uint32_t count) {
  if (!rangeOk(c, offset, count)) return 0;
  int i = c->pin(makeKey(slot, position), descriptor, true, count == c->blockSize);
  if (i < 0) return 0;
  std::memcpy(c->slots[i].buf + offset, src, count);
  c->unpin(uint32_t(i), true);
  return count;
}

uint32_t CacheFill(WaveCache* c, uint8_t value, uint32_t position, uint32_t slot, int32_t descriptor,
                   uint32_t offset, uint32_t count) {
  if (!rangeOk(c, offset, count)) return 0;
  int i = c->pin(makeKey(slot, position), descriptor, true, count == c->blockSize);
  if (i < 0) return 0;
  std::memset(c->slots[i].buf + offset, value, count);
  c->unpin(uint32_t(i), true);
  return count;
}

namespace {

// Waits until the key is absent or idle (no I/O, no pins). Returns its slot, or -1 when absent.
int waitQuiet(WaveCache* c, WaveCache::Guard& g, uint64_t key) {
  for (;;) {
    auto it = c->index.find(key);
    if (it == c->index.end()) return -1;
    Slot& s = c->slots[it->second];
    if ((s.state == State::Valid || s.state == State::Ahead) && s.pins == 0) return int(it->second);
    c->changed.wait(g);
  }
}

}  // namespace

CacheReleaseResult CacheRelease(WaveCache* c, uint32_t position, uint32_t slot) {
  WaveCache::Guard g(c->lock);
  uint64_t key = makeKey(slot, position);
  for (;;) {
    int i = waitQuiet(c, g, key);
    if (i < 0) return CacheReleaseResult::NotCached;
    if (c->slots[i].dirty) {
      bool ok = c->writeBack(g, uint32_t(i));
      ++c->stats.writes;
      if (!ok) return CacheReleaseResult::WriteFailed;
      continue;  // the lock was dropped: look again
    }
    c->freeSlot(uint32_t(i));
    c->changed.notify_all();
    return CacheReleaseResult::Released;
  }
}

void CacheDiscard(WaveCache* c, uint32_t position, uint32_t slot) {
  WaveCache::Guard g(c->lock);
  int i = waitQuiet(c, g, makeKey(slot, position));
  if (i >= 0) {
    c->freeSlot(uint32_t(i));
    c->changed.notify_all();
  }
}

void CacheForgetSlot(WaveCache* c, uint32_t slot) {
  WaveCache::Guard g(c->lock);
  for (;;) {
    bool busy = false;
    for (uint32_t i = 0; i < c->n; ++i) {
      Slot& s = c->slots[i];
      if (s.key == kNoKey || keySlot(s.key) != slot) continue;
      if ((s.state == State::Valid || s.state == State::Ahead) && s.pins == 0)
        c->freeSlot(i);
      else
        busy = true;
    }
    c->changed.notify_all();
    if (!busy) return;
    c->changed.wait(g);
  }
}

bool CacheFlushAll(WaveCache* c) {
  WaveCache::Guard g(c->lock);
  bool allOk = true;
  std::vector<uint32_t> failed;
  for (;;) {
    int best = -1;
    bool busy = false;  // a write-back in flight elsewhere, or a dirty block still pinned
    for (uint32_t i = 0; i < c->n; ++i) {
      const Slot& s = c->slots[i];
      if (s.state == State::Writing || (s.dirty && s.pins > 0)) busy = true;
      if (s.state == State::Valid && s.dirty && s.pins == 0 && !contains(failed, i)) {
        best = int(i);
        break;
      }
    }
    if (best < 0) {
      if (!busy) return allOk;
      c->changed.wait(g);  // when this returns, every write that was under way has reached the disk
      continue;
    }
    if (!c->writeBack(g, uint32_t(best))) {
      failed.push_back(uint32_t(best));
      allOk = false;
    }
    ++c->stats.writes;
  }
}

void CacheKick(WaveCache* c) {
  if (c) c->work.set();
}

bool CacheWaitIdle(WaveCache* c) { return c && c->idle.wait(kCacheWaitIdleMs); }

void CacheSetWriteMode(int mode) { gWriteMode.store(mode == 2 ? 2 : 1); }
int CacheGetWriteMode() { return gWriteMode.load(); }

CacheStats CacheGetStats(WaveCache* c) {
  std::lock_guard<std::mutex> g(c->lock);
  return c->stats;
}

void CacheResetStats(WaveCache* c) {
  std::lock_guard<std::mutex> g(c->lock);
  c->stats = CacheStats();
}

std::string CacheStatsLine(const CacheStats& s) {
  char line[256];
  std::snprintf(line, sizeof line, "%ld Hits, %ld Pending, %ld Requests, %ld ReadAhd, %ld WriteAhd, %ld Write\n",
                long(s.hits), long(s.pending), long(s.requests), long(s.readAheads), long(s.writeAheads),
                long(s.writes));
  return line;
}

uint32_t CacheSlotCount(WaveCache* c) { return c->n; }
uint32_t CacheDirtyLimit(WaveCache* c) { return c->dirtyLimit; }
uint32_t CacheReadAheadWindow(WaveCache* c) { return c->window(); }

uint32_t CacheDirtyCount(WaveCache* c) {
  std::lock_guard<std::mutex> g(c->lock);
  uint32_t k = 0;
  for (const Slot& s : c->slots)
    if (s.dirty) ++k;
  return k;
}

bool CacheContains(WaveCache* c, uint32_t position, uint32_t slot) {
  std::lock_guard<std::mutex> g(c->lock);
  return c->index.count(makeKey(slot, position)) != 0;
}

}  // namespace storage
