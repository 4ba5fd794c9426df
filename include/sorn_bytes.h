/* Little-endian byte order, one field at a time.
 *
 * Every stored format of Sorn Edit and its plug-ins (WAVE chunks, peak files, flt.dat, the clipboard wave,
 * metadata items) is little-endian and is read and written field by field through these helpers, never by
 * copying structs, so the bytes are the same on any host and at any alignment. Plain C (static inline, no
 * other dependency than the standard headers) so that a filter written in C can use it too; a C++ caller
 * also gets the Append helpers, which add a field to the end of a byte vector.
 *
 * Get reads from p, Put writes to p; p needs no alignment. Signed reads give the two's-complement value of
 * the field; floats are the IEEE bit pattern of the field, NaN payloads included.
 */
#ifndef SORN_BYTES_H
#define SORN_BYTES_H

#include <stdint.h>
#include <string.h>

#ifdef __cplusplus
#include <vector>
#endif

static inline uint16_t SornGetU16LE(const uint8_t* p) {
  return (uint16_t)((uint16_t)p[0] | (uint16_t)((uint16_t)p[1] << 8));
}

static inline uint32_t SornGetU24LE(const uint8_t* p) {
  return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16;
}

static inline uint32_t SornGetU32LE(const uint8_t* p) {
  return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

static inline uint64_t SornGetU64LE(const uint8_t* p) {
  return (uint64_t)SornGetU32LE(p) | (uint64_t)SornGetU32LE(p + 4) << 32;
}

/* The signed reads go through the unsigned value moved down by half its range, so no conversion of an
 * out-of-range value (implementation-defined in C) is involved. */
static inline int16_t SornGetS16LE(const uint8_t* p) {
  return (int16_t)((int32_t)(SornGetU16LE(p) ^ 0x8000u) - 0x8000);
}

static inline int32_t SornGetS24LE(const uint8_t* p) {
  return (int32_t)(SornGetU24LE(p) ^ 0x800000u) - 0x800000;
}

static inline int32_t SornGetS32LE(const uint8_t* p) {
  return (int32_t)((int64_t)(SornGetU32LE(p) ^ 0x80000000u) - 0x80000000ll);
}

static inline float SornGetF32LE(const uint8_t* p) {
  const uint32_t bits = SornGetU32LE(p);
  float f;
  memcpy(&f, &bits, 4);
  return f;
}

static inline double SornGetF64LE(const uint8_t* p) {
  const uint64_t bits = SornGetU64LE(p);
  double d;
  memcpy(&d, &bits, 8);
  return d;
}

static inline void SornPutU16LE(uint8_t* p, uint16_t v) {
  p[0] = (uint8_t)v;
  p[1] = (uint8_t)(v >> 8);
}

static inline void SornPutU32LE(uint8_t* p, uint32_t v) {
  p[0] = (uint8_t)v;
  p[1] = (uint8_t)(v >> 8);
  p[2] = (uint8_t)(v >> 16);
  p[3] = (uint8_t)(v >> 24);
}

static inline void SornPutU64LE(uint8_t* p, uint64_t v) {
  SornPutU32LE(p, (uint32_t)v);
  SornPutU32LE(p + 4, (uint32_t)(v >> 32));
}

static inline void SornPutS16LE(uint8_t* p, int16_t v) {
  SornPutU16LE(p, (uint16_t)v);
}

static inline void SornPutF32LE(uint8_t* p, float f) {
  uint32_t bits;
  memcpy(&bits, &f, 4);
  SornPutU32LE(p, bits);
}

static inline void SornPutF64LE(uint8_t* p, double d) {
  uint64_t bits;
  memcpy(&bits, &d, 8);
  SornPutU64LE(p, bits);
}

#ifdef __cplusplus
inline void SornAppendU16LE(std::vector<uint8_t>* v, uint16_t x) {
  uint8_t b[2];
  SornPutU16LE(b, x);
  v->insert(v->end(), b, b + 2);
}

inline void SornAppendU32LE(std::vector<uint8_t>* v, uint32_t x) {
  uint8_t b[4];
  SornPutU32LE(b, x);
  v->insert(v->end(), b, b + 4);
}
#endif

#endif /* SORN_BYTES_H */
