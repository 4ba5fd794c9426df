// Randomized test of the store: chains of temp and mapped blocks are made, written, copied on write,
// shortened, closed and compacted at random, with the invariant checker after every step and the first
// bytes of every block compared with a model. Prints its seed; SORN_TEST_SCALE multiplies the steps.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>

#include "storage/store_test_util.h"

namespace storage {
namespace {

using namespace testing_util;

constexpr uint32_t kHead = 16;  // bytes of each block the model follows

struct Block {
  uint16_t d;
  std::vector<uint8_t> head;
};
using Chain = std::vector<Block>;

class StoreRandomTest : public StoreFixture {
 protected:
  std::vector<std::vector<uint16_t>> descriptorChains() const {
    std::vector<std::vector<uint16_t>> out;
    for (const Chain& c : chains) {
      std::vector<uint16_t> v;
      for (const Block& b : c) v.push_back(b.d);
      out.push_back(v);
    }
    return out;
  }
  void relink(const Chain& c) {
    for (size_t i = 0; i < c.size(); ++i) VfSetBlockNext(c[i].d, i + 1 < c.size() ? c[i + 1].d : 0);
  }
  bool writeHead(Block& b, std::mt19937& rng) {
    std::vector<uint8_t> v(kHead);
    for (auto& x : v) x = uint8_t(rng());
    if (VfBlockFlags(b.d) & VF_READONLY) {
      if (FlushBlock(b.d) != 0) return false;
    }
    if (VfBlockWrite(b.d, v.data(), 0, kHead) != kHead) return false;
    b.head = v;
    return true;
  }
  ::testing::AssertionResult headMatches(const Block& b) {
    std::vector<uint8_t> got(kHead);
    uint32_t n = std::min<uint32_t>(kHead, VfCountOf(VfBlockFlags(b.d)));
    if (VfBlockRead(b.d, got.data(), 0, n) != n) return ::testing::AssertionFailure() << "read failed";
    if (!std::equal(got.begin(), got.begin() + n, b.head.begin()))
      return ::testing::AssertionFailure() << "descriptor " << b.d << " holds other bytes";
    return ::testing::AssertionSuccess();
  }

  std::vector<Chain> chains;
};

TEST_F(StoreRandomTest, InvariantsHoldAfterEveryOperation) {
  uint32_t seed = uint32_t(std::random_device{}());
  std::printf("seed %u\n", seed);
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);
  ASSERT_EQ(init(0), 0);
  std::vector<std::string> sources;
  std::vector<std::vector<uint8_t>> sourceBytes;
  for (int i = 0; i < 3; ++i) {
    sources.push_back(dir.file("src" + std::to_string(i) + ".raw"));
    sourceBytes.push_back(writeSourceFile(sources.back(), (i + 2) * kVfBlockSize - 1000 * i, seed + i));
  }
#ifdef _WIN32
  // Under Wine on this build machine code runs several times slower: the native run carries the count.
  const int steps = 1000 * testScale();
#else
  const int steps = 10000 * testScale();
#endif
  for (int step = 0; step < steps; ++step) {
    int op = int(rng() % 10);
    if (chains.empty()) op = 0;
    Chain* c = chains.empty() ? nullptr : &chains[rng() % chains.size()];
    switch (op) {
      case 0: {  // a new chain of temp blocks
        Chain n;
        int k = 1 + int(rng() % 4);
        for (int i = 0; i < k; ++i) {
          std::vector<uint16_t> ds;
          uint16_t d = GetAFreeBlock(1 + rng() % 3, true);
          if (!d) break;
          n.push_back({d, std::vector<uint8_t>(kHead, 0)});
          ASSERT_TRUE(writeHead(n.back(), rng));
        }
        relink(n);
        if (!n.empty()) chains.push_back(n);
        break;
      }
      case 1: {  // map a source file that is not mapped now
        size_t i = rng() % sources.size();
        if (VfFindSourceFile(sources[i]) >= 0) break;
        auto ds = mapSource(sources[i], sourceBytes[i].size());
        ASSERT_FALSE(ds.empty());
        Chain n;
        for (size_t b = 0; b < ds.size(); ++b)
          n.push_back({ds[b], std::vector<uint8_t>(sourceBytes[i].begin() + b * kVfBlockSize,
                                                   sourceBytes[i].begin() + b * kVfBlockSize + kHead)});
        chains.push_back(n);
        break;
      }
      case 2: {  // copy on write of a random block
        Block& b = (*c)[rng() % c->size()];
        ASSERT_EQ(FlushBlock(b.d), 0);
        ASSERT_TRUE(headMatches(b));
        break;
      }
      case 3:
      case 4:
        ASSERT_TRUE(writeHead((*c)[rng() % c->size()], rng));
        break;
      case 5: {  // cut one block out of a chain
        size_t at = rng() % c->size();
        uint16_t d = (*c)[at].d;
        c->erase(c->begin() + long(at));
        relink(*c);
        ASSERT_EQ(VfReleaseBlock(d), 0);
        if (rng() % 2) VfCompact();
        if (c->empty()) chains.erase(chains.begin() + (c - chains.data()));
        break;
      }
      case 6: {  // close a chain
        for (const Block& b : *c) ASSERT_EQ(VfReleaseBlock(b.d), 0);
        chains.erase(chains.begin() + (c - chains.data()));
        VfCompact();
        break;
      }
      case 7:
      case 8:
        ASSERT_TRUE(headMatches((*c)[rng() % c->size()]));
        break;
      case 9: {
        int st = -1;
        VfReleaseSourceFile(sources[rng() % sources.size()], nullptr, &st);
        ASSERT_EQ(st, 0);
        break;
      }
    }
    ASSERT_TRUE(invariants(descriptorChains())) << "step " << step << " op " << op;
    size_t held = 0;
    for (const Chain& ch : chains) held += ch.size();
    ASSERT_EQ(VfInUseCount(), held) << "step " << step << " op " << op;
  }
  for (const Chain& ch : chains)
    for (const Block& b : ch) ASSERT_TRUE(headMatches(b));
  for (const Chain& ch : chains)
    for (const Block& b : ch) VfReleaseBlock(b.d);
  chains.clear();
  VfCompact();
  EXPECT_TRUE(invariants({}));
  EXPECT_EQ(VfTempFileSize(1), 65536);
  EXPECT_EQ(VfEmptyCount(), kVfBlockCount - 1);
  EXPECT_EQ(VfInUseCount(), 0u);
  for (const auto& s : sources) EXPECT_EQ(VfFindSourceFile(s), -1);
  for (size_t i = 0; i < sources.size(); ++i) EXPECT_EQ(readWholeFile(sources[i]), sourceBytes[i]);
}

}  // namespace
}  // namespace storage
