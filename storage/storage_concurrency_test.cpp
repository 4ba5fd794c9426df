// Stress test of the wave cache: several threads write stamped blocks and read them back through a small
// cache whose disk answers after random delays, so eviction, write-back, write-behind and read-ahead all
// race with the copies. Each key has one writing thread; a read must never return a stamp older than
// the last write to that key that had completed before the read began.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>
#include <unordered_map>
#include <vector>

#include "storage/cache.h"

namespace storage {
namespace {

int testScale() {
  const char* s = std::getenv("SORN_TEST_SCALE");
  int v = s ? std::atoi(s) : 1;
  return v > 0 ? v : 1;
}

// A disk of 64 KB blocks in memory; every call sleeps a random 0-300 microseconds outside its lock.
struct SlowDisk {
  std::mutex m;
  std::unordered_map<uint64_t, std::vector<uint8_t>> blocks;
  std::atomic<uint32_t> seed{1};

  void delay() {
    uint32_t s = seed.fetch_add(2654435761u);
    std::this_thread::sleep_for(std::chrono::microseconds((s >> 8) % 300));
  }
  CacheCallbacks callbacks(uint32_t chainLength) {
    CacheCallbacks cb;
    cb.readBlock = [this](uint32_t slot, uint32_t pos, uint8_t* buf) {
      delay();
      std::lock_guard<std::mutex> g(m);
      auto it = blocks.find((uint64_t(slot) << 32) | pos);
      if (it == blocks.end())
        std::memset(buf, 0, kCacheBlockSize);
      else
        std::memcpy(buf, it->second.data(), kCacheBlockSize);
      return true;
    };
    cb.writeBlock = [this](uint32_t slot, uint32_t pos, const uint8_t* buf) {
      std::vector<uint8_t> copy(buf, buf + kCacheBlockSize);
      delay();
      std::lock_guard<std::mutex> g(m);
      blocks[(uint64_t(slot) << 32) | pos] = std::move(copy);
      return true;
    };
    // Descriptor d is position d of slot 0: read-ahead walks the keys in order.
    cb.nextBlock = [chainLength](uint32_t d, uint32_t* next, uint32_t* pos, uint32_t* slot) {
      if (d + 1 >= chainLength) return false;
      *next = d + 1;
      *pos = d + 1;
      *slot = 0;
      return true;
    };
    return cb;
  }
};

TEST(CacheConcurrency, NoReadIsOlderThanTheLastCompletedWrite) {
  const uint32_t kSlots = 8, kThreads = 4, kKeys = 3 * kSlots;
  const int ops = 4000 * testScale();
  uint32_t seed = uint32_t(std::random_device{}());
  std::printf("seed %u\n", seed);
  SlowDisk disk;
  WaveCache* cache = CacheCreate(kSlots, kSlots * 3 / 4, kCacheBlockSize, disk.callbacks(kKeys));
  ASSERT_NE(cache, nullptr);
  std::vector<std::atomic<uint64_t>> completed(kKeys);
  for (auto& c : completed) c = 0;
  std::atomic<int> stale{0}, failed{0};

  auto worker = [&](uint32_t t) {
    std::mt19937 rng(seed + t);
    uint64_t stamp = 0;
    for (int i = 0; i < ops; ++i) {
      uint32_t key = rng() % kKeys;
      if (key % kThreads == t && rng() % 2) {
        uint64_t v = (++stamp << 8) | t;  // stamps grow per writer, so per key
        uint32_t r = rng() % 8;
        uint32_t done;
        if (r == 0) {  // whole block: the stamp at both ends
          std::vector<uint8_t> block(kCacheBlockSize, uint8_t(t));
          std::memcpy(block.data(), &v, 8);
          std::memcpy(block.data() + kCacheBlockSize - 8, &v, 8);
          done = CacheWrite(cache, block.data(), key, 0, int32_t(key), 0, kCacheBlockSize) == kCacheBlockSize;
        } else {
          done = CacheWrite(cache, &v, key, 0, int32_t(key), 0, 8) == 8 &&
                 CacheWrite(cache, &v, key, 0, int32_t(key), kCacheBlockSize - 8, 8) == 8;
        }
        if (!done) ++failed;
        completed[key].store(v >> 8);
      } else {
        uint64_t before = completed[key].load();
        uint64_t head = 0, tail = 0;
        if (CacheRead(cache, &head, key, 0, int32_t(key), 0, 8) != 8 ||
            CacheRead(cache, &tail, key, 0, int32_t(key), kCacheBlockSize - 8, 8) != 8)
          ++failed;
        if ((head >> 8) < before || (tail >> 8) < before) ++stale;
      }
      if (i % 512 == 0) CacheRelease(cache, rng() % kKeys, 0);
    }
  };
  std::vector<std::thread> threads;
  for (uint32_t t = 0; t < kThreads; ++t) threads.emplace_back(worker, t);
  for (auto& th : threads) th.join();
  EXPECT_EQ(stale.load(), 0);
  EXPECT_EQ(failed.load(), 0);

  // After a flush the disk holds the last stamp of every key.
  ASSERT_TRUE(CacheFlushAll(cache));
  for (uint32_t k = 0; k < kKeys; ++k) {
    std::lock_guard<std::mutex> g(disk.m);
    auto it = disk.blocks.find(k);
    uint64_t head = 0;
    if (it != disk.blocks.end()) std::memcpy(&head, it->second.data(), 8);
    EXPECT_EQ(head >> 8, completed[k].load()) << "key " << k;
  }
  std::printf("%s", CacheStatsLine(CacheGetStats(cache)).c_str());
  CacheDestroy(cache);
}

}  // namespace
}  // namespace storage
