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

#include "platform/test_scale.h"
#include "storage/cache.h"

namespace storage {
namespace {

using platform::testScale;

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

// The store under several threads: each owns its chains (as each virtual file has its own lock) and
// allocates, writes, reads back, copies mapped blocks on write, releases and compacts, while the cache
// thread reads ahead along all of them. Every block must read back what its owner last wrote.
#include "storage/store_test_util.h"

namespace storage {
namespace {

TEST(StoreConcurrency, OwnersOfChainsNeverSeeEachOthersData) {
  platform::TestDir dir("storecc");
  ASSERT_EQ(VfInit(dir.path(), "", 0, 0, 0, StoreUi()), 0);
  const int kThreads = 3, steps = 1500 * testing_util::testScale();
  uint32_t seed = uint32_t(std::random_device{}());
  std::printf("seed %u\n", seed);
  std::vector<std::string> sources;
  std::vector<std::vector<uint8_t>> bytes;
  for (int t = 0; t < kThreads; ++t) {
    sources.push_back(dir.file("src" + std::to_string(t)));
    bytes.push_back(testing_util::writeSourceFile(sources.back(), 3 * kVfBlockSize, seed + t));
  }
  std::atomic<int> errors{0};
  std::vector<std::vector<uint16_t>> finalChains(kThreads);
  auto worker = [&](int t) {
    std::mt19937 rng(seed * 7 + t);
    std::vector<uint16_t> chain = testing_util::mapSource(sources[t], bytes[t].size());
    std::vector<uint64_t> stamp(chain.size(), 0);  // 0: still the source's bytes
    auto relink = [&] {
      for (size_t i = 0; i < chain.size(); ++i) VfSetBlockNext(chain[i], i + 1 < chain.size() ? chain[i + 1] : 0);
    };
    for (int i = 0; i < steps; ++i) {
      int op = int(rng() % 6);
      if (op == 0 && chain.size() < 40) {
        uint16_t d = GetAFreeBlock(1, true);
        if (!d) continue;
        uint64_t v = (uint64_t(t) << 56) | uint64_t(i + 1);
        if (VfBlockWrite(d, &v, 0, 8) != 8) ++errors;
        chain.push_back(d);
        stamp.push_back(v);
        relink();
      } else if (op == 1 && !chain.empty()) {
        size_t k = rng() % chain.size();
        if (VfBlockFlags(chain[k]) & VF_READONLY) {
          if (FlushBlock(chain[k]) != 0) ++errors;
        }
        uint64_t v = (uint64_t(t) << 56) | uint64_t(i + 1);
        if (VfBlockWrite(chain[k], &v, 0, 8) != 8) ++errors;
        stamp[k] = v;
      } else if (op == 2 && chain.size() > 1) {
        size_t k = rng() % chain.size();
        if (VfReleaseBlock(chain[k]) != 0) ++errors;
        chain.erase(chain.begin() + long(k));
        stamp.erase(stamp.begin() + long(k));
        relink();
        if (rng() % 2) VfCompact();
      } else if (!chain.empty()) {
        size_t k = rng() % chain.size();
        uint64_t got = 0;
        if (VfBlockRead(chain[k], &got, 0, 8) != 8) ++errors;
        if (stamp[k] != 0 && got != stamp[k]) ++errors;
      }
    }
    finalChains[t] = chain;
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) threads.emplace_back(worker, t);
  for (auto& th : threads) th.join();
  EXPECT_EQ(errors.load(), 0);
  std::vector<uint16_t> heads;
  for (auto& c : finalChains)
    if (!c.empty()) heads.push_back(c.front());
  std::string why;
  EXPECT_TRUE(VfCheckInvariants(heads, &why)) << why;
  for (auto& c : finalChains)
    for (uint16_t d : c) VfReleaseBlock(d);
  VfCompact();
  EXPECT_TRUE(VfCheckInvariants({}, &why)) << why;
  EXPECT_EQ(VfTempFileSize(1), 65536);
  EXPECT_EQ(VfShutdown(), 0);
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(testing_util::readWholeFile(sources[t]), bytes[t]);
}

}  // namespace
}  // namespace storage
