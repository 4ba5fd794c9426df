// Test helpers for virtual files: a store fixture that records notifications, a cold-cache start for
// exact block I/O counts, and a hog that takes all but a few descriptors.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file.h"
#include "storage/cache.h"
#include "storage/store_test_util.h"
#include "storage/vfile.h"

namespace storage {
namespace testing_util {

struct Note {
  HfHandle* file;
  uint32_t code, a, b;
  uintptr_t owner, c;
  std::vector<uint8_t> bytes;  // HFN_WRITE with a pointer: the bytes it pointed at
};

class VfileFixture : public StoreFixture {
 protected:
  void SetUp() override { ASSERT_EQ(init(), 0); }
  void TearDown() override {
    for (HfHandle* h : open_) HfClose(h);
    open_.clear();
    StoreFixture::TearDown();
  }
  HfNotifySink sink() {
    return [this](HfHandle* f, const HfNotify& r) {
      EXPECT_EQ(r.marker, kHfNotifyMarker);
      Note n{f, r.code, r.a, r.b, r.owner, r.c, {}};
      if (r.code == HFN_WRITE && r.c) {
        const uint8_t* p = reinterpret_cast<const uint8_t*>(r.c);
        n.bytes.assign(p, p + r.b);
      }
      notes.push_back(std::move(n));
    };
  }
  // Files are closed at tear-down unless a test closes (forget) them itself.
  HfHandle* keep(HfHandle* h) {
    if (h) open_.push_back(h);
    return h;
  }
  void forget(HfHandle* h) {
    for (size_t i = 0; i < open_.size(); ++i)
      if (open_[i] == h) open_.erase(open_.begin() + long(i));
  }
  HfHandle* create(bool privateBuffer = false, uintptr_t owner = 1) {
    int st = -1;
    HfHandle* h = HfCreate(1, owner, sink(), privateBuffer, &st);
    EXPECT_EQ(st, 0);
    return keep(h);
  }
  HfHandle* open(const std::string& path, uint32_t length, bool privateBuffer = false, uint64_t base = 0) {
    int st = -1;
    HfHandle* h = HfOpen(path, base, length, 1, 2, sink(), privateBuffer, &st);
    EXPECT_EQ(st, 0);
    return keep(h);
  }
  ::testing::AssertionResult storeOk() {
    std::vector<std::vector<uint16_t>> chains;
    for (HfHandle* h : open_) {
      std::vector<uint16_t> c = HfChain(h);
      uint64_t sum = 0;
      for (uint16_t d : c) sum += VfCountOf(VfBlockFlags(d));
      if (sum != HfGetLength(h))
        return ::testing::AssertionFailure() << "length " << HfGetLength(h) << " but counts sum to " << sum;
      chains.push_back(c);
    }
    return invariants(chains);
  }
  // From here on every block read and write reaches the disk: dirty blocks written back, nothing cached,
  // no read-ahead running (a request without a hint is served after any read-ahead in flight and leaves
  // none behind), counters at zero.
  void coldCache() {
    WaveCache* c = VfGetCache();
    ASSERT_TRUE(CacheFlushAll(c));
    forgetAll();
    uint8_t b;
    CacheRead(c, &b, 0, uint32_t(VfTempSlot(1)), -1, 0, 1);
    forgetAll();
    platform::resetIoCounters();
  }
  // Writes every dirty block back and returns the counters since coldCache.
  platform::IoCounters writeBack() {
    EXPECT_TRUE(CacheFlushAll(VfGetCache()));
    return platform::ioCounters();
  }
  // Takes all free descriptors but `spare` into one file that is never written (no I/O).
  HfHandle* hog(uint32_t spare) {
    HfHandle* h = create();
    uint32_t freeNow = VfEmptyCount() + VfValidFreeCount();
    uint32_t blocks = freeNow > spare ? freeNow - spare : 0;
    EXPECT_EQ(HfSeek(h, (blocks + 1) * kVfBlockSize, false), (blocks + 1) * kVfBlockSize);
    EXPECT_EQ(VfEmptyCount() + VfValidFreeCount(), spare);
    return h;
  }
  std::vector<uint8_t> readAll(HfHandle* h) {
    std::vector<uint8_t> out(HfGetLength(h));
    if (!out.empty()) {
      EXPECT_EQ(HfRead(h, 0, uint32_t(out.size()), out.data()), out.size());
    }
    return out;
  }
  std::vector<uint32_t> counts(HfHandle* h) {
    std::vector<uint32_t> out;
    for (uint16_t d : HfChain(h)) out.push_back(VfCountOf(VfBlockFlags(d)));
    return out;
  }

  std::vector<Note> notes;

 private:
  void forgetAll() {
    for (int s = 0; s < kVfSlotCount; ++s) {
      if (VfSlotInUse(s)) CacheForgetSlot(VfGetCache(), uint32_t(s));
    }
  }
  std::vector<HfHandle*> open_;
};

}  // namespace testing_util
}  // namespace storage
