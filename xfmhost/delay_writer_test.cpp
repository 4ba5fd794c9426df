// The delayed writer: the 49,000-frame anchor, never more than count frames, hold-back frames left
// unwritten until the buffer fills or the writer ends (so a reader up to hold-back behind its write
// position sees only original samples), refusals (no buffer, a second writer, a write before init), and a
// randomized comparison with a plain model of "output lands in order at [start, start + count)".
#include "xfmhost/delay_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace xfmhost {
namespace {

// A file of int32 units; each flush is logged.
struct Target {
  std::vector<int32_t> data;
  std::vector<std::pair<int32_t, int32_t>> flushes;  // position, units
  DelayWriter::Flush flush() {
    return [this](const uint8_t* src, int32_t pos, int32_t n) {
      flushes.push_back({pos, n});
      ASSERT_GE(pos, 0);
      ASSERT_LE(size_t(pos) + size_t(n), data.size());
      std::memcpy(&data[size_t(pos)], src, size_t(n) * 4);
    };
  }
};

TEST(DelayWriterTest, ExAnchors) {
  Target t;
  t.data.assign(300000, -1);
  DelayWriter w;
  ASSERT_TRUE(w.init(1000, 5000, 100000, 4));
  std::vector<int32_t> src(150000);
  for (size_t i = 0; i < src.size(); ++i) src[i] = int32_t(i);
  EXPECT_EQ(w.write(t.flush(), src.data(), 49000), 0);
  ASSERT_EQ(t.flushes.size(), 1u);
  EXPECT_EQ(t.flushes[0], std::make_pair(5000, 48000));  // exactly [P, P + 48000)
  EXPECT_EQ(t.data[4999], -1);
  EXPECT_EQ(t.data[5000 + 47999], 47999);
  EXPECT_EQ(t.data[5000 + 48000], -1);
  int32_t left = w.write(t.flush(), src.data() + 49000, 101000);
  w.destroy(t.flush());
  int64_t written = 0;
  for (auto& f : t.flushes) written += f.second;
  EXPECT_EQ(written, 100000);  // never more than count
  EXPECT_GT(left, 0);
  for (int32_t i = 0; i < 100000; ++i) ASSERT_EQ(t.data[size_t(5000 + i)], i) << i;
  EXPECT_EQ(t.data[105000], -1);
  EXPECT_FALSE(w.active());
}

TEST(DelayWriterTest, RefusalsAndWritesBeforeInit) {
  DelayWriter w;
  Target t;
  t.data.assign(10, 0);
  int32_t x[4] = {};
  EXPECT_EQ(w.write(t.flush(), x, 4), 4);  // before init: nothing taken
  EXPECT_TRUE(t.flushes.empty());
  EXPECT_FALSE(w.init(-1, 0, 10, 4));
  EXPECT_FALSE(w.init(0, 0, -1, 4));
  EXPECT_FALSE(w.init(0, 0, 10, 0));
  EXPECT_FALSE(w.init(INT32_MAX - 10, 0, 10, 8));  // no such buffer
  EXPECT_EQ(w.write(t.flush(), x, 4), 4);          // a failed init leaves it idle
  ASSERT_TRUE(w.init(0, 0, 10, 4));
  EXPECT_FALSE(w.init(0, 0, 10, 4));  // one writer at a time
  w.destroy(t.flush());
  w.destroy(t.flush());  // harmless when idle
  EXPECT_TRUE(t.flushes.empty());
}

TEST(DelayWriterTest, HoldBackKeepsOriginalsForAReverseInPlace) {
  // Reverse [0, n) in place, reading from the far end and writing from the near one: the plug-in reads
  // frame i's mirror n-1-i, which it would have overwritten if the writes landed at once. With the
  // writer, reads at most K behind the write position still see the original.
  const int32_t n = 130000, K = 70000;
  std::vector<int32_t> file(n);
  for (int32_t i = 0; i < n; ++i) file[size_t(i)] = i * 3;
  const std::vector<int32_t> original = file;
  DelayWriter w;
  DelayWriter::Flush flush = [&](const uint8_t* src, int32_t pos, int32_t count) {
    std::memcpy(&file[size_t(pos)], src, size_t(count) * 4);
  };
  ASSERT_TRUE(w.init(K, 0, n, 4));
  // Process the first half in chunks: write position p, the reads reach back to p - K at most.
  const int32_t chunk = 997;
  for (int32_t p = 0; p < n; p += chunk) {
    int32_t c = std::min(chunk, n - p);
    std::vector<int32_t> out(static_cast<size_t>(c));
    for (int32_t j = 0; j < c; ++j) {
      const int32_t readAt = p + j - K;  // a read K behind the write position
      if (readAt >= 0) {
        ASSERT_EQ(file[size_t(readAt)], original[size_t(readAt)]) << readAt;
      }
      out[size_t(j)] = -(p + j);
    }
    ASSERT_EQ(w.write(flush, out.data(), c), 0);
  }
  w.destroy(flush);
  for (int32_t i = 0; i < n; ++i) ASSERT_EQ(file[size_t(i)], -i);
}

TEST(DelayWriterTest, RandomizedAgainstAModel) {
  std::mt19937 rng(20261209);
  for (int round = 0; round < 60; ++round) {
    const int32_t K = int32_t(rng() % 60000);
    const int32_t P = int32_t(rng() % 1000);
    const int32_t R = int32_t(rng() % 200000);
    const uint32_t unit = 4;
    Target t;
    t.data.assign(size_t(P + R + 200000), -7);
    DelayWriter w;
    ASSERT_TRUE(w.init(K, P, R, unit));
    int32_t given = 0, notTaken = 0;
    int64_t budget = int64_t(R) + int64_t(rng() % 100000) - 50000;
    while (given < budget) {
      int32_t c = int32_t(rng() % 30000) + 1;
      std::vector<int32_t> src(static_cast<size_t>(c));
      for (int32_t j = 0; j < c; ++j) src[size_t(j)] = given + j;
      notTaken += w.write(t.flush(), src.data(), c);
      given += c;
      // Never more written than given minus hold-back, and everything written is in order at its place.
      int64_t written = 0;
      for (auto& f : t.flushes) written += f.second;
      ASSERT_LE(written, std::min<int64_t>(R, std::max<int64_t>(0, int64_t(given) - K)));
    }
    w.destroy(t.flush());
    const int32_t expect = std::min(R, given);
    for (int32_t i = 0; i < expect; ++i) ASSERT_EQ(t.data[size_t(P + i)], i) << round << " " << i;
    ASSERT_EQ(t.data[size_t(P + expect)], -7);
    if (P > 0) {
      ASSERT_EQ(t.data[size_t(P - 1)], -7);
    }
    if (given <= R) {
      ASSERT_EQ(notTaken, 0);
    }
  }
}

TEST(DelayWriterTest, ServicesShareOneWriterAndUseTheSinks) {
  resetDelayWriter();
  std::vector<uint8_t> bytes(100000, 0);
  std::vector<int16_t> frames(200000, 0);
  bool to8Seen = false;
  setDelayWriteSinks(
      [&](uint32_t file, const void* data, int32_t start, int32_t n, uint32_t format) {
        EXPECT_EQ(file, 77u);
        EXPECT_EQ(format, 0x12u);  // 16-bit stereo: 4 bytes a frame
        std::memcpy(&frames[size_t(start) * 2], data, size_t(n) * 4);
      },
      [&](const void* data, int32_t pos, int32_t n, bool to8) {
        to8Seen = to8Seen || to8;
        std::memcpy(&bytes[size_t(pos)], data, size_t(n));
      });
  EXPECT_EQ(delayFrameBytes(0x12), 4u);
  EXPECT_EQ(delayFrameBytes(0x22), 8u);
  EXPECT_EQ(delayFrameBytes(0x09), 1u);
  EXPECT_EQ(delayFrameBytes(0x21), 4u);

  uint8_t b[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  EXPECT_EQ(delayWrite(b, 10, false), 10);  // before init: not taken
  EXPECT_EQ(delayWriteInit(4, 100, 8), 8);
  EXPECT_EQ(delayWriteInitEx(0, 0, 10, 0x12), 0);  // the old form is active
  EXPECT_EQ(delayWrite(b, 10, true), 0);
  EXPECT_EQ(delayWriteDestroy(true), 0);
  EXPECT_TRUE(to8Seen);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(bytes[size_t(100 + i)], i + 1);
  EXPECT_EQ(bytes[108], 0);

  ASSERT_EQ(delayWriteInitEx(10, 5, 3, 0x12), 1);
  int16_t f[8] = {1, -1, 2, -2, 3, -3, 4, -4};
  EXPECT_EQ(delayWriteEx(77, f, 4), 0);
  EXPECT_EQ(delayWriteDestroyEx(77), 0);
  EXPECT_EQ(frames[10], 1);
  EXPECT_EQ(frames[15], -3);
  EXPECT_EQ(frames[16], 0);  // the fourth frame is beyond the count
  setDelayWriteSinks(nullptr, nullptr);
  resetDelayWriter();
}

}  // namespace
}  // namespace xfmhost
