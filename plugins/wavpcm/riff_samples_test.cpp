// Tests of sample delivery: conversion of wide formats to float on the 16-bit scale, and reads of any size.
#include "plugins/wavpcm/riff_samples.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "platform/test_scale.h"
#include "plugins/wavpcm/riff_test_util.h"

namespace wavpcm {
namespace {

using namespace wavpcm::testing;

struct ConvertCase {
  const char* name;
  Bytes fmt;
  Bytes raw;  // one sample
  float expected;
};

Bytes f32(float v) {
  Bytes b(4);
  std::memcpy(b.data(), &v, 4);
  return b;
}
Bytes f64(double v) {
  Bytes b(8);
  std::memcpy(b.data(), &v, 8);
  return b;
}

TEST(RiffSamples, ConversionTable) {
  const ConvertCase cases[] = {
      {"s24 max", fmtBody(1, 1, 8000, 24), {0xFF, 0xFF, 0x7F}, 8388607.0f / 256},
      {"s24 min", fmtBody(1, 1, 8000, 24), {0x00, 0x00, 0x80}, -32768.0f},
      {"s24 -1", fmtBody(1, 1, 8000, 24), {0xFF, 0xFF, 0xFF}, -1.0f / 256},
      {"s24 256", fmtBody(1, 1, 8000, 24), {0x00, 0x01, 0x00}, 1.0f},
      {"s32 min", fmtBody(1, 1, 8000, 32), {0, 0, 0, 0x80}, -32768.0f},
      {"s32 65536", fmtBody(1, 1, 8000, 32), {0, 0, 1, 0}, 1.0f},
      {"f32 half", fmtBody(3, 1, 8000, 32), f32(0.5f), 16384.0f},
      {"f32 -1", fmtBody(3, 1, 8000, 32), f32(-1.0f), -32768.0f},
      {"f32 over", fmtBody(3, 1, 8000, 32), f32(2.0f), 65536.0f},  // not clipped
      {"f32 nan", fmtBody(3, 1, 8000, 32), f32(std::nanf("")), 0.0f},
      {"f64 quarter", fmtBody(3, 1, 8000, 64), f64(-0.25), -8192.0f},
      {"f64 huge", fmtBody(3, 1, 8000, 64), f64(1e300), 3.0e38f},
  };
  for (const ConvertCase& c : cases) {
    Bytes b = riff({chunk("fmt ", c.fmt), chunk("data", c.raw)});
    MemorySource src(b.data(), b.size());
    RiffFile f;
    ASSERT_EQ(parseRiffWave(src, &f), RiffStatus::Ok) << c.name;
    RiffSampleReader r(src, f);
    ASSERT_EQ(r.outputBits(), 32) << c.name;
    ASSERT_EQ(r.totalBytes(), 4u) << c.name;
    float v = -1234.5f;
    ASSERT_EQ(r.read(&v, 4), 4u) << c.name;
    EXPECT_EQ(v, c.expected) << c.name;
    EXPECT_EQ(r.read(&v, 4), 0u) << c.name;
  }
}

TEST(RiffSamples, NarrowPcmIsDeliveredAsStored) {
  Bytes data = ramp(101);  // 8-bit mono, odd length
  Bytes b = riff({chunk("fmt ", fmtBody(1, 1, 8000, 8)), chunk("data", data)});
  MemorySource src(b.data(), b.size());
  RiffFile f;
  ASSERT_EQ(parseRiffWave(src, &f), RiffStatus::Ok);
  RiffSampleReader r(src, f);
  EXPECT_EQ(r.outputBits(), 8);
  Bytes out(200);
  EXPECT_EQ(r.read(out.data(), out.size()), 101u);
  out.resize(101);
  EXPECT_EQ(out, data);
  // The bytes at the data offset are the delivered bytes: what mapping in place relies on.
  EXPECT_TRUE(std::equal(out.begin(), out.end(), b.begin() + static_cast<long>(f.dataOffset)));
}

using platform::testScale;

// Reads of random sizes, many ending inside a frame, must deliver exactly what one big read delivers.
TEST(RiffSamples, ReadsOfAnySizeCarryPartialFrames) {
  unsigned seed = std::random_device()();
  std::printf("seed %u\n", seed);
  std::mt19937 rng(seed);
  const Bytes fmts[] = {fmtBody(1, 2, 44100, 24), fmtBody(1, 1, 44100, 32), fmtBody(3, 2, 44100, 32),
                        fmtBody(3, 2, 44100, 64), fmtBody(1, 2, 44100, 16), fmtExtensible(1, 1, 8000, 24)};
  for (int round = 0; round < 20 * testScale(); ++round) {
    const Bytes& fmt = fmts[round % 6];
    Bytes data = ramp(rng() % 30000, static_cast<uint8_t>(rng()));
    if (fmt[0] == 3) {  // keep floats finite so the comparison is by value
      for (size_t i = 3; i < data.size(); i += 4) data[i] &= 0x3F;
    }
    Bytes b = riff({chunk("fmt ", fmt), chunk("data", data)});
    MemorySource src(b.data(), b.size());
    RiffFile f;
    ASSERT_EQ(parseRiffWave(src, &f), RiffStatus::Ok);
    RiffSampleReader whole(src, f);
    Bytes expect(static_cast<size_t>(whole.totalBytes()));
    ASSERT_EQ(whole.read(expect.data(), expect.size()), expect.size());
    RiffSampleReader pieces(src, f);
    Bytes got;
    for (;;) {
      size_t n = 1 + rng() % 9000;
      Bytes buf(n);
      size_t k = pieces.read(buf.data(), n);
      if (k == 0) break;
      ASSERT_LE(k, n);
      got.insert(got.end(), buf.begin(), buf.begin() + static_cast<long>(k));
    }
    EXPECT_FALSE(pieces.failed());
    ASSERT_EQ(got, expect) << "round " << round;
    // A seek into the middle of a frame continues from that byte.
    uint64_t at = expect.empty() ? 0 : rng() % expect.size();
    EXPECT_EQ(pieces.seek(at), at);
    Bytes rest(expect.size() - at);
    EXPECT_EQ(pieces.read(rest.data(), rest.size()), rest.size());
    EXPECT_TRUE(std::equal(rest.begin(), rest.end(), expect.begin() + static_cast<long>(at)));
  }
}

TEST(RiffSamples, SourceFailureEndsReadsAndIsReported) {
  Bytes b = riff({chunk("fmt ", fmtBody(1, 2, 44100, 24)), chunk("data", ramp(600))});
  MemorySource good(b.data(), b.size());
  RiffFile f;
  ASSERT_EQ(parseRiffWave(good, &f), RiffStatus::Ok);
  Bytes cut(b.begin(), b.end() - 100);
  MemorySource shorter(cut.data(), cut.size());  // the file shrank after it was parsed
  RiffSampleReader r(shorter, f);
  Bytes out(4000);
  size_t total = 0, k;
  while ((k = r.read(out.data(), 48)) > 0) total += k;
  EXPECT_TRUE(r.failed());
  EXPECT_LT(total, r.totalBytes());
}

}  // namespace
}  // namespace wavpcm
