// Helpers of the transform host's tests: hand-made little-endian bytes and the randomized-count scale.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace xfmhost {

inline int testScale() {
  const char* s = std::getenv("SORN_TEST_SCALE");
  int v = s ? std::atoi(s) : 1;
  return v > 0 ? v : 1;
}

// Bytes written by hand at fixed offsets (never by the codec under test).
struct Bytes {
  std::vector<uint8_t> v;
  explicit Bytes(size_t n = 0) : v(n, 0) {}
  void u16(size_t at, uint16_t x) {
    v[at] = uint8_t(x);
    v[at + 1] = uint8_t(x >> 8);
  }
  void u32(size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + i] = uint8_t(x >> (8 * i));
  }
  void text(size_t at, const std::string& s) { std::memcpy(v.data() + at, s.data(), s.size()); }
  void append(const std::vector<uint8_t>& more) { v.insert(v.end(), more.begin(), more.end()); }
};

}  // namespace xfmhost
