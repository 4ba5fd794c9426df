// Fuzz target for the text form of a transform's variables block (a "Profile" value of the settings file,
// which anyone can edit) and the bounded block copies. The input is a type string, a 0 byte, a block size
// byte and the text. Reading never writes outside the block, never hands the graph store a graph of a bad
// count or with x not increasing, and what it leaves encodes into a text that fits the sized buffer and
// reads back to the same block.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "xfmhost/xfm_info.h"
#include "xfmhost/xfm_vars.h"

namespace {
void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "xfmvars_fuzzer: %s\n", what);
    std::abort();
  }
}

class Graphs : public xfmhost::GraphStore {
 public:
  std::map<uint16_t, std::vector<xfmhost::GraphPoint>> g;
  bool points(uint16_t h, std::vector<xfmhost::GraphPoint>* p) const override {
    auto it = g.find(h);
    if (it == g.end()) return false;
    *p = it->second;
    return true;
  }
  bool setPoints(uint16_t h, const std::vector<xfmhost::GraphPoint>& p) override {
    check(xfmhost::graphPointsValid(p), "an invalid graph reached the store");
    if (!g.count(h)) return false;
    g[h] = p;
    return true;
  }
};

constexpr size_t kGuard = 64;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(data, 0, size < 96 ? size : 96));
  if (!zero || size_t(zero - data) + 2 > size) return 0;
  std::string types(reinterpret_cast<const char*>(data), size_t(zero - data));
  size_t need = xfmhost::typeStringBytes(types.c_str());
  size_t blockSize = need > 0 ? need - (zero[1] % 4 < need ? zero[1] % 4 : 0) : 0;  // sometimes short
  std::string text(reinterpret_cast<const char*>(zero + 2), size - size_t(zero - data) - 2);

  // The block sits between guard bytes that nothing may touch.
  std::vector<uint8_t> mem(blockSize + 2 * kGuard, 0xA5);
  uint8_t* block = mem.data() + kGuard;
  std::memset(block, 0, blockSize);
  Graphs graphs;
  for (const xfmhost::VarField& f : xfmhost::fieldLayout(types.c_str())) {
    if (f.type == 'g' && f.offset + 2 <= blockSize) {
      uint16_t h = uint16_t(graphs.g.size());
      block[f.offset] = uint8_t(h);
      graphs.g[h] = {{0, 0}, {100, 100}};
    }
  }
  xfmhost::decodeProfile(text, types.c_str(), block, blockSize, &graphs);
  for (size_t i = 0; i < kGuard; ++i) {
    check(mem[i] == 0xA5 && mem[kGuard + blockSize + i] == 0xA5, "profile read wrote outside the block");
  }
  uint8_t probe[8];
  uint32_t off = uint32_t(text.size() % 300);
  bool inside = off + sizeof probe <= blockSize;
  check(xfmhost::blockRead(block, blockSize, probe, off, sizeof probe) == inside, "bounded read misjudged");
  check(xfmhost::blockWrite(block, blockSize, probe, off, sizeof probe) == inside, "bounded write misjudged");

  std::string first = xfmhost::encodeProfile(types.c_str(), block, blockSize, &graphs);
  check(first.size() < xfmhost::profileBufferChars(types.c_str()), "text longer than its buffer");
  std::vector<uint8_t> copy(block, block + blockSize);
  xfmhost::decodeProfile(first, types.c_str(), copy.data(), copy.size(), &graphs);
  std::string second = xfmhost::encodeProfile(types.c_str(), copy.data(), copy.size(), &graphs);
  check(second == first, "a block's own text does not read back to it");
  return 0;
}
