// Test helpers for the wave cache: an in-memory "disk" behind the cache callbacks that counts its calls,
// can fail or hold chosen blocks, and a manual clock.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "storage/cache.h"

namespace storage {
namespace testing_util {

struct FakeDisk {
  std::mutex m;
  std::condition_variable cv;
  std::map<uint64_t, std::vector<uint8_t>> blocks;  // absent = zeros
  std::atomic<uint64_t> reads{0}, writes{0};
  std::map<uint64_t, int> writesPerKey;
  std::map<uint64_t, bool> failRead, failWrite;
  uint64_t holdKey = ~uint64_t(0);  // a read or write of this key waits until released
  bool holding = false;             // true while a call waits on holdKey
  std::vector<uint32_t> chain;      // descriptor d's block is (slot 0, position chain[d]); next = d + 1
  std::vector<std::string> warnings;

  static uint64_t key(uint32_t slot, uint32_t pos) { return (uint64_t(slot) << 32) | pos; }

  void waitIfHeld(std::unique_lock<std::mutex>& g, uint64_t k) {
    if (k != holdKey) return;
    holding = true;
    cv.notify_all();
    cv.wait(g, [&] { return holdKey != k; });
    holding = false;
  }
  void hold(uint32_t slot, uint32_t pos) {
    std::lock_guard<std::mutex> g(m);
    holdKey = key(slot, pos);
  }
  void waitUntilHolding() {
    std::unique_lock<std::mutex> g(m);
    cv.wait(g, [&] { return holding; });
  }
  void release() {
    std::lock_guard<std::mutex> g(m);
    holdKey = ~uint64_t(0);
    cv.notify_all();
  }
  void put(uint32_t slot, uint32_t pos, uint8_t value) {
    std::lock_guard<std::mutex> g(m);
    blocks[key(slot, pos)].assign(kCacheBlockSize, value);
  }
  uint8_t byteAt(uint32_t slot, uint32_t pos, uint32_t off) {
    std::lock_guard<std::mutex> g(m);
    auto it = blocks.find(key(slot, pos));
    return it == blocks.end() ? 0 : it->second[off];
  }

  CacheCallbacks callbacks() {
    CacheCallbacks cb;
    cb.readBlock = [this](uint32_t slot, uint32_t pos, uint8_t* buf) {
      std::unique_lock<std::mutex> g(m);
      uint64_t k = key(slot, pos);
      waitIfHeld(g, k);
      ++reads;
      if (failRead[k]) return false;
      auto it = blocks.find(k);
      if (it == blocks.end())
        std::memset(buf, 0, kCacheBlockSize);
      else
        std::memcpy(buf, it->second.data(), kCacheBlockSize);
      return true;
    };
    cb.writeBlock = [this](uint32_t slot, uint32_t pos, const uint8_t* buf) {
      std::unique_lock<std::mutex> g(m);
      uint64_t k = key(slot, pos);
      waitIfHeld(g, k);
      ++writes;
      if (failWrite[k]) return false;
      ++writesPerKey[k];
      blocks[k].assign(buf, buf + kCacheBlockSize);
      return true;
    };
    cb.nextBlock = [this](uint32_t d, uint32_t* next, uint32_t* pos, uint32_t* slot) {
      std::lock_guard<std::mutex> g(m);
      if (d + 1 >= chain.size()) return false;
      *next = d + 1;
      *pos = chain[d + 1];
      *slot = 0;
      return true;
    };
    cb.warn = [this](const char* text, const char* caption) {
      std::lock_guard<std::mutex> g(m);
      warnings.push_back(std::string(caption) + ": " + text);
    };
    return cb;
  }
};

// A clock the test moves by hand.
inline std::atomic<uint64_t>& manualNow() {
  static std::atomic<uint64_t> now{1000000};
  return now;
}
inline uint64_t manualClock() { return manualNow().load(); }

}  // namespace testing_util
}  // namespace storage
