// The little-endian helpers against bytes written out by hand: every width and sign, the edges of each
// range, unaligned positions, float bit patterns (negative zero, infinity, NaN payloads), the C++ Append
// helpers, and a record written by the C side read back in C++ and the other way round.
#include "include/sorn_bytes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "include/sorn_bytes_c.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Each case starts the field at offset 1 of a buffer filled with 0xA5, so an unaligned read is covered
// and a write that strays outside its field shows in the guard bytes.
constexpr uint8_t kGuard = 0xA5;
Bytes placed(const Bytes& field) {
  Bytes b(field.size() + 2, kGuard);
  std::copy(field.begin(), field.end(), b.begin() + 1);
  return b;
}

template <typename T>
struct Case {
  T value;
  Bytes bytes;
};

// Reads every case's bytes with get and writes its value with put, which must give the same bytes and
// leave the guards alone.
template <typename T, typename Get, typename Put>
void expectBothWays(const std::vector<Case<T>>& cases, Get get, Put put) {
  for (const Case<T>& c : cases) {
    Bytes b = placed(c.bytes);
    EXPECT_EQ(get(b.data() + 1), c.value);
    Bytes w(b.size(), kGuard);
    put(w.data() + 1, c.value);
    EXPECT_EQ(w, b) << uint64_t(c.value);
  }
}

TEST(SornBytes, U16) {
  expectBothWays<uint16_t>({{0, {0, 0}},
                            {1, {1, 0}},
                            {0x00FF, {0xFF, 0}},
                            {0x0100, {0, 1}},
                            {0x1234, {0x34, 0x12}},
                            {0x8000, {0, 0x80}},
                            {0xFFFF, {0xFF, 0xFF}}},
                           SornGetU16LE, SornPutU16LE);
}

TEST(SornBytes, S16) {
  expectBothWays<int16_t>({{0, {0, 0}},
                           {1, {1, 0}},
                           {-1, {0xFF, 0xFF}},
                           {-2, {0xFE, 0xFF}},
                           {127, {0x7F, 0}},
                           {128, {0x80, 0}},
                           {-128, {0x80, 0xFF}},
                           {-129, {0x7F, 0xFF}},
                           {32767, {0xFF, 0x7F}},
                           {-32768, {0, 0x80}},
                           {-32767, {1, 0x80}},
                           {0x1234, {0x34, 0x12}}},
                          SornGetS16LE, SornPutS16LE);
}

struct U24Case {
  uint32_t unsignedValue;
  int32_t signedValue;
  Bytes bytes;
};
TEST(SornBytes, U24AndS24) {
  const U24Case cases[] = {{0, 0, {0, 0, 0}},
                           {1, 1, {1, 0, 0}},
                           {0x123456, 0x123456, {0x56, 0x34, 0x12}},
                           {0x7FFFFF, 8388607, {0xFF, 0xFF, 0x7F}},
                           {0x800000, -8388608, {0, 0, 0x80}},
                           {0x800001, -8388607, {1, 0, 0x80}},
                           {0xFFFFFE, -2, {0xFE, 0xFF, 0xFF}},
                           {0xFFFFFF, -1, {0xFF, 0xFF, 0xFF}},
                           {0x00FF00, 0xFF00, {0, 0xFF, 0}}};
  for (const U24Case& c : cases) {
    Bytes b = placed(c.bytes);
    EXPECT_EQ(SornGetU24LE(b.data() + 1), c.unsignedValue);
    EXPECT_EQ(SornGetS24LE(b.data() + 1), c.signedValue);
  }
}

struct U32Case {
  uint32_t unsignedValue;
  int32_t signedValue;
  Bytes bytes;
};
TEST(SornBytes, U32AndS32) {
  const U32Case cases[] = {{0, 0, {0, 0, 0, 0}},
                           {1, 1, {1, 0, 0, 0}},
                           {0x12345678u, 0x12345678, {0x78, 0x56, 0x34, 0x12}},
                           {0x000000FFu, 255, {0xFF, 0, 0, 0}},
                           {0x0000FF00u, 0xFF00, {0, 0xFF, 0, 0}},
                           {0x00FF0000u, 0xFF0000, {0, 0, 0xFF, 0}},
                           {0x7FFFFFFFu, std::numeric_limits<int32_t>::max(), {0xFF, 0xFF, 0xFF, 0x7F}},
                           {0x80000000u, std::numeric_limits<int32_t>::min(), {0, 0, 0, 0x80}},
                           {0x80000001u, -2147483647, {1, 0, 0, 0x80}},
                           {0xFFFFFFFEu, -2, {0xFE, 0xFF, 0xFF, 0xFF}},
                           {0xFFFFFFFFu, -1, {0xFF, 0xFF, 0xFF, 0xFF}},
                           {0x89ABCDEFu, int32_t(-1985229329), {0xEF, 0xCD, 0xAB, 0x89}}};
  for (const U32Case& c : cases) {
    Bytes b = placed(c.bytes);
    EXPECT_EQ(SornGetU32LE(b.data() + 1), c.unsignedValue);
    EXPECT_EQ(SornGetS32LE(b.data() + 1), c.signedValue);
    Bytes w(b.size(), kGuard);
    SornPutU32LE(w.data() + 1, c.unsignedValue);
    EXPECT_EQ(w, b) << c.unsignedValue;
  }
}

TEST(SornBytes, U64) {
  expectBothWays<uint64_t>({{0, {0, 0, 0, 0, 0, 0, 0, 0}},
                            {1, {1, 0, 0, 0, 0, 0, 0, 0}},
                            {0x0123456789ABCDEFull, {0xEF, 0xCD, 0xAB, 0x89, 0x67, 0x45, 0x23, 0x01}},
                            {0x00000000FFFFFFFFull, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}},
                            {0xFFFFFFFF00000000ull, {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}},
                            {0x8000000000000000ull, {0, 0, 0, 0, 0, 0, 0, 0x80}},
                            {0xFFFFFFFFFFFFFFFFull, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
                            {0x01D9'1234'5678'9ABCull,
                             {0xBC, 0x9A, 0x78, 0x56, 0x34, 0x12, 0xD9, 0x01}}},  // the last: a file time
                           SornGetU64LE, SornPutU64LE);
}

uint32_t bitsOf(float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  return u;
}

struct F32Case {
  uint32_t bits;
  Bytes bytes;
};
TEST(SornBytes, F32KeepsEveryBitPattern) {
  const F32Case cases[] = {{0x00000000u, {0, 0, 0, 0}},               // 0
                           {0x80000000u, {0, 0, 0, 0x80}},            // -0
                           {0x3F800000u, {0, 0, 0x80, 0x3F}},         // 1
                           {0xBFC00000u, {0, 0, 0xC0, 0xBF}},         // -1.5
                           {0x47000000u, {0, 0, 0, 0x47}},            // 32768
                           {0x7F800000u, {0, 0, 0x80, 0x7F}},         // infinity
                           {0xFF800000u, {0, 0, 0x80, 0xFF}},         // -infinity
                           {0x7FC00001u, {1, 0, 0xC0, 0x7F}},         // a NaN with a payload
                           {0x00000001u, {1, 0, 0, 0}},               // the smallest subnormal
                           {0x7F7FFFFFu, {0xFF, 0xFF, 0x7F, 0x7F}}};  // the largest finite
  for (const F32Case& c : cases) {
    Bytes b = placed(c.bytes);
    EXPECT_EQ(bitsOf(SornGetF32LE(b.data() + 1)), c.bits);
    float f;
    std::memcpy(&f, &c.bits, 4);
    Bytes w(b.size(), kGuard);
    SornPutF32LE(w.data() + 1, f);
    EXPECT_EQ(w, b) << c.bits;
  }
  const Bytes half = {0, 0, 0, 0x3F};
  EXPECT_EQ(SornGetF32LE(half.data()), 0.5f);
  const Bytes nan = {1, 0, 0xC0, 0x7F};
  EXPECT_TRUE(std::isnan(SornGetF32LE(nan.data())));
}

TEST(SornBytes, F64) {
  const Bytes one = {0, 0, 0, 0, 0, 0, 0xF0, 0x3F};
  EXPECT_EQ(SornGetF64LE(one.data()), 1.0);
  const Bytes minusTwo = {0, 0, 0, 0, 0, 0, 0, 0xC0};
  EXPECT_EQ(SornGetF64LE(minusTwo.data()), -2.0);
  const Bytes third = {0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0xD5, 0x3F};
  EXPECT_EQ(SornGetF64LE(third.data()), 1.0 / 3.0);
  const Bytes minusZero = {0, 0, 0, 0, 0, 0, 0, 0x80};
  const double z = SornGetF64LE(minusZero.data());
  EXPECT_EQ(z, 0.0);
  EXPECT_TRUE(std::signbit(z));
  const Bytes inf = {0, 0, 0, 0, 0, 0, 0xF0, 0x7F};
  EXPECT_EQ(SornGetF64LE(inf.data()), std::numeric_limits<double>::infinity());
  const Bytes big = {0, 0, 0, 0, 0, 0, 0xF0, 0x47};  // 2^128: past every float
  EXPECT_EQ(SornGetF64LE(big.data()), std::ldexp(1.0, 128));
  for (const Bytes* b : {&one, &minusTwo, &third, &minusZero, &inf}) {
    Bytes w(9, 0xAA);
    SornPutF64LE(w.data() + 1, SornGetF64LE(b->data()));
    EXPECT_EQ(Bytes(w.begin() + 1, w.end()), *b);
    EXPECT_EQ(w[0], 0xAA);  // nothing written before the field
  }
}

TEST(SornBytes, AppendAddsAtTheEnd) {
  Bytes v = {9};
  SornAppendU16LE(&v, 0x1234);
  SornAppendU32LE(&v, 0x89ABCDEFu);
  SornAppendU16LE(&v, 0xFFFF);
  SornAppendU32LE(&v, 0);
  EXPECT_EQ(v, (Bytes{9, 0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x89, 0xFF, 0xFF, 0, 0, 0, 0}));
}

const Bytes kSampleRecord = {0xEF, 0xBE,                                      // 0xBEEF
                             0xEF, 0xCD, 0xAB, 0x89,                          // 0x89ABCDEF
                             0xEF, 0xCD, 0xAB, 0x89, 0x67, 0x45, 0x23, 0x01,  // 0x0123456789ABCDEF
                             0xFE, 0xFF,                                      // -2
                             0,    0,    0xC0, 0xBF};                         // -1.5f

TEST(SornBytes, TheCSideWritesAndReadsTheSameBytes) {
  ASSERT_EQ(kSampleRecord.size(), size_t(SORN_BYTES_SAMPLE_RECORD));
  Bytes w(SORN_BYTES_SAMPLE_RECORD, kGuard);
  SornBytesWriteSampleRecordC(w.data());
  EXPECT_EQ(w, kSampleRecord);
  EXPECT_EQ(SornBytesReadSampleRecordC(kSampleRecord.data()), 1);
  for (size_t i = 0; i < kSampleRecord.size(); ++i) {
    Bytes damaged = kSampleRecord;
    damaged[i] ^= 0x01;
    EXPECT_EQ(SornBytesReadSampleRecordC(damaged.data()), 0) << "byte " << i;
  }
}

}  // namespace
