// Test helpers for the store: a fixture with scripted message boxes and need-space answers, source
// files with known bytes, and chains of descriptors built the way a virtual file builds them.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/test_dir.h"
#include "platform/test_scale.h"
#include "storage/cache.h"
#include "storage/store.h"

namespace storage {
namespace testing_util {

using platform::testScale;

inline std::vector<uint8_t> readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline std::vector<uint8_t> writeSourceFile(const std::string& path, size_t size, uint32_t seed) {
  std::vector<uint8_t> bytes(size);
  std::mt19937 rng(seed);
  for (auto& b : bytes) b = uint8_t(rng());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bytes;
}

// Maps a source file into a chain of read-only blocks, as opening a file in place does. Returns the
// descriptors in chain order (empty on failure).
inline std::vector<uint16_t> mapSource(const std::string& path, uint64_t size, int* slotOut = nullptr) {
  int st = 0;
  int slot = TfOpen(path, TF_SOURCE | 1, 0, size, &st);
  if (slotOut) *slotOut = slot;
  std::vector<uint16_t> chain;
  if (slot < 0) return chain;
  for (uint64_t off = 0; off < size; off += kVfBlockSize) {
    uint16_t d = GetAFreeBlock(1, false);
    if (!d) break;
    uint32_t pos = TfNextPosition(slot);
    uint32_t count = uint32_t(size - off < kVfBlockSize ? size - off : kVfBlockSize);
    VfSetBlockPosition(d, uint16_t(pos));
    VfSetBlockFlags(d, VfBlockFlags(d) | (uint32_t(slot) << VF_SLOT_SHIFT) | count);
    if (!chain.empty()) VfSetBlockNext(chain.back(), d);
    chain.push_back(d);
  }
  return chain;
}

// Appends a temp block (with a location) to a chain; 0 when none could be had.
inline uint16_t appendTempBlock(std::vector<uint16_t>* chain, uint32_t preference = 1) {
  uint16_t d = GetAFreeBlock(preference, true);
  if (!d) return 0;
  if (!chain->empty()) VfSetBlockNext(chain->back(), d);
  chain->push_back(d);
  return d;
}

// Releases every block of a chain and compacts, as closing a virtual file does.
inline void closeChain(std::vector<uint16_t>* chain) {
  for (uint16_t d : *chain) VfReleaseBlock(d);
  chain->clear();
  VfCompact();
}

class StoreFixture : public ::testing::Test {
 protected:
  void TearDown() override {
    if (VfIsInitialised()) VfShutdown();
  }
  StoreUi ui() {
    StoreUi u;
    u.messageBox = [this](const std::string& text, const std::string& caption, StoreIcon) {
      boxes.push_back(caption + ": " + text);
    };
    u.needSpace = [this] {
      ++needSpaceCalls;
      return needSpaceAnswer ? needSpaceAnswer() : 0;
    };
    u.debug = [this](const char* line) {
      std::lock_guard<std::mutex> g(debugLock);
      debugLines.push_back(line);
    };
    return u;
  }
  int init(uint32_t cacheKB = 0, const std::string& dir2 = "", const std::string& dir1 = "") {
    return VfInit(dir1.empty() ? dir.path() : dir1, dir2, 0, 0, cacheKB, ui());
  }
  ::testing::AssertionResult invariants(const std::vector<std::vector<uint16_t>>& chains) {
    std::vector<uint16_t> heads;
    for (const auto& c : chains)
      if (!c.empty()) heads.push_back(c.front());
    std::string why;
    if (VfCheckInvariants(heads, &why)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << why;
  }

  platform::TestDir dir{"store"};
  std::vector<std::string> boxes;
  std::mutex debugLock;  // debug lines may come from the cache thread
  std::vector<std::string> debugLines;
  int needSpaceCalls = 0;
  std::function<int()> needSpaceAnswer;
};

}  // namespace testing_util
}  // namespace storage
