// Virtual files used from several threads: each operation holds its file's lock, so readers of a file being
// rewritten never see half a record, and threads editing their own files (allocating, cutting, compacting,
// with the cache thread reading ahead along their chains) never disturb each other.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "storage/store_test_util.h"
#include "storage/vfile.h"

namespace storage {
namespace {

using namespace testing_util;
using VfileConcurrency = StoreFixture;

constexpr uint32_t kRecord = 4096;  // every record holds one repeated byte
constexpr uint32_t kRecords = 64;

TEST_F(VfileConcurrency, ReadersSeeWholeRecordsWhileOthersEditTheirOwnFiles) {
  ASSERT_EQ(init(1024), 0);
  int st = 0;
  HfHandle* shared = HfCreate(1, 0, nullptr, true, &st);
  ASSERT_NE(shared, nullptr);
  std::vector<uint8_t> rec(kRecord, 0);
  for (uint32_t i = 0; i < kRecords; ++i)
    ASSERT_EQ(HfWrite(shared, i * kRecord, kRecord, rec.data()), kRecord);

  const int rounds = 1500 * testScale();
  std::atomic<bool> stop{false};
  std::atomic<int> torn{0}, mismatches{0};

  // Rewrites whole records, each with one byte value.
  std::thread writer([&] {
    std::mt19937 rng(1);
    std::vector<uint8_t> r(kRecord);
    for (int i = 0; i < rounds; ++i) {
      uint32_t k = rng() % kRecords;
      std::fill(r.begin(), r.end(), uint8_t(i));
      HfWrite(shared, k * kRecord, kRecord, r.data());
    }
    stop = true;
  });
  std::vector<std::thread> readers;
  for (int t = 0; t < 2; ++t) {
    readers.emplace_back([&, t] {
      std::mt19937 rng(10 + t);
      std::vector<uint8_t> r(kRecord);
      while (!stop) {
        uint32_t k = rng() % kRecords;
        if (HfRead(shared, k * kRecord, kRecord, r.data()) != kRecord) {
          ++torn;
          continue;
        }
        for (uint8_t b : r)
          if (b != r[0]) {
            ++torn;
            break;
          }
      }
    });
  }
  // Each of these edits a file of its own against a model.
  std::vector<std::thread> editors;
  for (int t = 0; t < 2; ++t) {
    editors.emplace_back([&, t] {
      std::mt19937 rng(100 + t);
      int s = 0;
      HfHandle* own = HfCreate(t + 1, 0, nullptr, false, &s);
      if (!own) {
        ++mismatches;
        return;
      }
      std::vector<uint8_t> model;
      for (int i = 0; i < rounds / 3; ++i) {
        uint32_t len = uint32_t(model.size());
        uint32_t at = len ? uint32_t(rng() % (len + 1)) : 0, n = 1 + rng() % 100000;
        if (rng() % 3 == 0 && len) {
          n = std::min(n, len - std::min(at, len));
          if (at < len) model.erase(model.begin() + at, model.begin() + at + HfCut(own, at, n));
        } else {
          uint8_t v = uint8_t(rng());
          uint32_t got = HfInsert(own, at, n, true, v);
          model.insert(model.begin() + at, got, v);
        }
      }
      std::vector<uint8_t> all(model.size());
      if (HfGetLength(own) != model.size() ||
          HfRead(own, 0, uint32_t(all.size()), all.data()) != all.size() || all != model)
        ++mismatches;
      HfClose(own);
    });
  }
  writer.join();
  for (auto& r : readers) r.join();
  for (auto& e : editors) e.join();
  EXPECT_EQ(torn.load(), 0);
  EXPECT_EQ(mismatches.load(), 0);
  EXPECT_TRUE(invariants({HfChain(shared)}));
  HfClose(shared);
}

}  // namespace
}  // namespace storage
