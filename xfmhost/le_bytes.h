// Little-endian reads and writes of the fields of stored records (xfm.dat, variables blocks): field by
// field, never by copying a native struct, so both builds see the same bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace xfmhost {

inline uint16_t getU16(const uint8_t* p) {
  return uint16_t(p[0] | p[1] << 8);
}
inline uint32_t getU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint64_t getU64(const uint8_t* p) {
  return uint64_t(getU32(p)) | uint64_t(getU32(p + 4)) << 32;
}
inline void setU16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void setU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline void setU64(uint8_t* p, uint64_t v) {
  setU32(p, uint32_t(v));
  setU32(p + 4, uint32_t(v >> 32));
}
inline double getF64(const uint8_t* p) {
  uint64_t bits = getU64(p);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}
inline float getF32(const uint8_t* p) {
  uint32_t bits = getU32(p);
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}
inline void setF64(uint8_t* p, double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof d);
  setU64(p, bits);
}
inline void setF32(uint8_t* p, float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof f);
  setU32(p, bits);
}

inline void putU16(std::vector<uint8_t>* v, uint16_t x) {
  uint8_t b[2];
  setU16(b, x);
  v->insert(v->end(), b, b + 2);
}
inline void putU32(std::vector<uint8_t>* v, uint32_t x) {
  uint8_t b[4];
  setU32(b, x);
  v->insert(v->end(), b, b + 4);
}

}  // namespace xfmhost
